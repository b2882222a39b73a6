// One file's JSON object: the values that text cannot hold as they are.
#include "cli/JsonReport.h"

#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>

namespace zarvo {
namespace {

using Json = nlohmann::json;

TMediaStream VideoStream(std::uint32_t code) {
    TMediaStream stream;
    stream.StreamType = "Video";
    stream.Fields = TMediaStream::FieldSet::Video;
    stream.CodecCode = code;
    stream.Width = 640;
    stream.Height = -480;
    return stream;
}

FileReport Reported(TMediaStream stream) {
    FileReport report;
    report.facts.streams.push_back({1, std::move(stream), std::nullopt});
    return report;
}

struct ValueCase {
    const char* name;
    FileReport report;
    const char* pointer;
    Json expected;
};

TEST(JsonLineTest, ValuesTextCannotHoldAsTheyAre) {
    TMediaStream noBlock;
    noBlock.StreamType = "Video";
    TMediaStream infinite = VideoStream(0);
    infinite.FrameRate = std::numeric_limits<float>::infinity();
    infinite.Ratio = std::numeric_limits<float>::quiet_NaN();
    TMediaStream audio;
    audio.StreamType = "Ogg audio";
    audio.Fields = TMediaStream::FieldSet::Audio;
    audio.CodecCode = 0xFFFE;
    audio.AvgBytesPerSec = 0xFFFFFFFF;
    FileReport refused;
    refused.outcome = FileOutcome::Unreadable;
    refused.problem = "cannot read \xff";

    const ValueCase cases[] = {
        {"four characters in memory order", Reported(VideoStream(0x34363248)), "/streams/0/code",
         "H264"},
        {"unprintable bytes of a code", Reported(VideoStream(0x5C00011F)), "/streams/0/code",
         "\\x1F\\x01\\x00\\x5C"},
        {"a negative height", Reported(VideoStream(0)), "/streams/0/height", -480},
        {"no format block, no code", Reported(noBlock), "/streams/0/code", nullptr},
        {"no format block, no width", Reported(noBlock), "/streams/0/width", nullptr},
        {"an infinite frame rate", Reported(infinite), "/streams/0/frame_rate", nullptr},
        {"a ratio that is no number", Reported(infinite), "/streams/0/ratio", nullptr},
        {"an audio tag", Reported(audio), "/streams/0/code", 0xFFFE},
        {"a bitrate past 32 bits", Reported(audio), "/streams/0/bitrate", 34359738360u},
        {"an unknown length", Reported(audio), "/streams/0/duration", nullptr},
        {"a reason that is no UTF-8", refused, "/reason", Json{{"bytes", "Y2Fubm90IHJlYWQg/w=="}}},
        {"no size without a report", refused, "/size", nullptr},
        {"no streams without a report", refused, "/streams", Json::array()},
    };
    for (const ValueCase& c : cases) {
        const Json object = Json::parse(JsonLine("clip.avi", c.report, false));
        EXPECT_EQ(object.at(Json::json_pointer(c.pointer)), c.expected) << c.name;
    }
}

TEST(JsonLineTest, Base64OfEveryLengthOfTheLastGroup) {
    const std::pair<std::string, std::string> texts[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {std::string("\xff\xfe\x00\x80", 4), "//4AgA=="}};
    for (const auto& [bytes, base64] : texts)
        EXPECT_EQ(Base64(bytes), base64);
}

} // namespace
} // namespace zarvo
