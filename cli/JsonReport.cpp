// Writing a file's report as JSON: the numbers behind the text report, unformatted.
#include "cli/JsonReport.h"

#include "cli/Utf8.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace zarvo {
namespace {

using Json = nlohmann::ordered_json;

// A name is any string of bytes: one that is not UTF-8 is given as its bytes in base64, so a
// script can still find the file.
Json Text(std::string_view text) {
    if (IsValidUtf8(text))
        return std::string(text);
    return Json{{"bytes", Base64(text)}};
}

Json Seconds(std::optional<double> length) {
    return length ? Json(*length) : Json(nullptr);
}

// JSON has no infinity nor NaN; a rate or ratio that is not a finite number has no value.
Json Number(float value) {
    return std::isfinite(value) ? Json(static_cast<double>(value)) : Json(nullptr);
}

// The compression code as its four characters in memory order, with \xHH for a byte that is no
// printable ASCII character (and for the backslash, so that the text reads one way only).
std::string FourCharacterCode(std::uint32_t code) {
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto byte = static_cast<unsigned char>((code >> shift) & 0xFF);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            text += static_cast<char>(byte);
            continue;
        }
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02X", byte);
        text += escape;
    }
    return text;
}

Json StreamObject(const StreamFacts& facts) {
    const TMediaStream& s = facts.stream;
    Json object{{"number", facts.number}, {"kind", Text(s.StreamType)}};
    const bool video = s.StreamType == "Video";
    const bool audio = s.StreamType == "Audio" || s.StreamType == "Ogg audio";
    // The report gives other kinds their heading at most.
    if (!video && !audio)
        return object;
    object["codec"] = Text(s.Codec);
    if (video) {
        const bool known = s.Fields == TMediaStream::FieldSet::Video;
        object["code"] = known ? Json(FourCharacterCode(s.CodecCode)) : Json(nullptr);
        object["width"] = known ? Json(s.Width) : Json(nullptr);
        object["height"] = known ? Json(s.Height) : Json(nullptr);
        object["frames"] = s.Frames;
        object["frame_rate"] = Number(s.FrameRate);
        object["duration"] = Seconds(facts.length);
        object["color_depth"] = s.ColorDepth;
        object["ratio"] = Number(s.Ratio);
        return object;
    }
    const bool known = s.Fields == TMediaStream::FieldSet::Audio;
    object["code"] = known ? Json(s.CodecCode) : Json(nullptr);
    object["sample_rate"] = s.SamplesPerSec;
    object["bitrate"] = std::uint64_t{s.AvgBytesPerSec} * 8;
    object["duration"] = Seconds(facts.length);
    object["channels"] = s.Channels;
    return object;
}

const char* OutcomeName(FileOutcome outcome) {
    switch (outcome) {
    case FileOutcome::Reported:
        return "reported";
    case FileOutcome::NotMedia:
        return "not_media";
    case FileOutcome::Unreadable:
        break;
    }
    return "unreadable";
}

} // namespace

std::string JsonLine(std::string_view path, const FileReport& report, bool asciiOnly) {
    const bool reported = report.outcome == FileOutcome::Reported;
    Json object{{"path", Text(path)},
                {"outcome", OutcomeName(report.outcome)},
                {"reason", reported ? Json(nullptr) : Text(report.problem)},
                {"size", reported ? Json(report.facts.size) : Json(nullptr)},
                {"duration", reported ? Seconds(report.facts.duration) : Json(nullptr)},
                {"streams", Json::array()}};
    for (const StreamFacts& stream : report.facts.streams)
        object["streams"].push_back(StreamObject(stream));
    return object.dump(-1, ' ', asciiOnly) + '\n';
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            const auto byte = k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u;
            group = (group << 8) | byte;
        }
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= count ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return text;
}

} // namespace zarvo
