// The catalogue's crafted AVI and WAV files whose headers lie about what they hold.
#include "hostile/Catalogue.h"
#include "hostile/ReportShape.h"
#include "hostile/RiffFiles.h"

#include <cstdio>

namespace zarvo::hostile {
namespace {

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

// Checks the report's lines from `first` on against `expected`.
ReportCheck LinesFrom(std::size_t first, std::vector<std::string> expected) {
    return [first, expected](const std::vector<std::string>& lines) {
        ASSERT_GE(lines.size(), first);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(first),
                                           lines.end()),
                  expected);
    };
}

TEST_F(Catalogue, HonestCraftedFilesAreReportedAsTheyAre) {
    Write("honest.avi", MakeAvi({}));
    Write("honest.wav", MakeWav({}));
    const std::vector<std::string> audio = {"===========================", "  Codec: \t\tPCM",
                                            "  Sample rate: \t8.0 kHz",
                                            "  Average bitrate: \t128 kbit/sec"};
    std::vector<std::string> avi = {"Duration:\t\t00:00:00:40",  "",
                                    "Stream 1  --  Video",       "===========================",
                                    "  Resolution: \t16x16",     "  Codec: \t\tUnknown (0)",
                                    "  Frames: \t\t10",          "  Frames/sec: \t25.000",
                                    "  Duration: \t00:00:00:40", "  Color depth: \t24 bit",
                                    "  Ratio: \t\t1.00",         "",
                                    "Stream 2  --  Audio"};
    avi.insert(avi.end(), audio.begin(), audio.end());
    avi.insert(avi.end(), {"  Duration: \t00:00:00:40", "  Channels: \t1 (mono)"});
    std::vector<std::string> wav = {"Duration:\t\t00:00:01:00", "", "Stream 1  --  Audio"};
    wav.insert(wav.end(), audio.begin(), audio.end());
    wav.insert(wav.end(), {"  Duration: \t00:00:01:00", "  Channels: \t1 (mono)"});
    RunAll({Reported("honest AVI", "honest.avi", LinesFrom(2, avi)),
            Reported("honest WAV", "honest.wav", LinesFrom(2, wav))});
}

TEST_F(Catalogue, HeaderFieldsAtZeroMaximumOrTopBitAreHarmless) {
    std::vector<Case> cases;
    for (const LyingField<AviHeaders>& field : AviFields()) {
        for (const std::uint32_t lie : LiesFor(field.bits)) {
            AviHeaders headers;
            field.set(headers, lie);
            const std::string name = "avi " + field.name + " " + Hex(lie) + ".avi";
            Write(name, MakeAvi(headers));
            cases.push_back(Either("AVI " + field.name + " 0x" + Hex(lie), name));
        }
    }
    for (const LyingField<WavHeaders>& field : WavFields()) {
        for (const std::uint32_t lie : LiesFor(field.bits)) {
            WavHeaders headers;
            field.set(headers, lie);
            const std::string name = "wav " + field.name + " " + Hex(lie) + ".wav";
            Write(name, MakeWav(headers));
            cases.push_back(Either("WAV " + field.name + " 0x" + Hex(lie), name));
        }
    }
    RunAll(cases);
}

TEST_F(Catalogue, ChunkSizesThatLieAreHarmless) {
    std::vector<Case> cases;
    for (const std::string& chunk : AviChunks()) {
        for (const std::uint32_t lie : ChunkSizeLies()) {
            AviHeaders headers;
            headers.sizes[chunk] = lie;
            const std::string name = "avi chunk " + chunk + " " + Hex(lie) + ".avi";
            Write(name, MakeAvi(headers));
            cases.push_back(Either("AVI chunk '" + chunk + "' of size 0x" + Hex(lie), name));
        }
    }
    for (const std::string& chunk : WavChunks()) {
        for (const std::uint32_t lie : ChunkSizeLies()) {
            WavHeaders headers;
            headers.sizes[chunk] = lie;
            const std::string name = "wav chunk " + chunk + " " + Hex(lie) + ".wav";
            Write(name, MakeWav(headers));
            cases.push_back(Either("WAV chunk '" + chunk + "' of size 0x" + Hex(lie), name));
        }
    }
    RunAll(cases);
}

TEST_F(Catalogue, MoreThan256StreamsAreAllReported) {
    AviHeaders many;
    many.extraAudioStreams = 298; // 300 streams in all
    many.streams = 300;
    Write("300 streams.avi", MakeAvi(many));
    AviHeaders tooMany;
    tooMany.extraAudioStreams = 1198; // more than libavformat takes
    tooMany.streams = 1200;
    Write("1200 streams.avi", MakeAvi(tooMany));
    RunAll({
        Reported("300 streams", "300 streams.avi",
                 [](const std::vector<std::string>& lines) {
                     EXPECT_EQ(CheckReportShape(lines).streams, 300);
                     EXPECT_EQ(lines.end()[-7], "Stream 300  --  Audio");
                 }),
        Refused("1200 streams", "1200 streams.avi", "the media file is damaged or incomplete"),
    });
}

} // namespace
} // namespace zarvo::hostile
