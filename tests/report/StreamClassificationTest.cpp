// Classification of media type records into the fields of a stream's summary.
#include "report/StreamClassification.h"

#include "report/MediaStream.h"
#include "support/CaseName.h"
#include "support/FormatBlocks.h"
#include "support/ScriptedMediaDet.h"

#include <gtest/gtest.h>

namespace zarvo {
namespace {

using test::PrintTo;

using test::Bitmap;
using test::VideoInfo;
using test::VideoInfo2;
using test::WaveFormat;

constexpr float kDetectorRate = 7.5f; // what the report builder set before classification

struct Case {
    const char* name;
    GUID majortype;
    GUID formattype;
    std::vector<std::uint8_t> block;
    double length;
    TMediaStream expected;                             // FrameRate starts at kDetectorRate
    bool nullBlock = false;                            // cbFormat set but pbFormat null
    std::optional<std::int64_t> frames = std::nullopt; // the count the detector tells
};

TMediaStream Expect(std::string type, float frameRate = kDetectorRate) {
    TMediaStream stream;
    stream.StreamType = std::move(type);
    stream.FrameRate = frameRate;
    return stream;
}

TMediaStream ExpectVideo(std::string type, float frameRate, std::string resolution,
                         std::uint8_t depth, std::uint32_t frames, std::string codec, float ratio) {
    TMediaStream stream = Expect(std::move(type), frameRate);
    stream.Resolution = std::move(resolution);
    stream.ColorDepth = depth;
    stream.Frames = frames;
    stream.Codec = std::move(codec);
    stream.Ratio = ratio;
    return stream;
}

TMediaStream ExpectAudio(std::string type, std::string codec, std::uint32_t bitrate,
                         float sampleRate, std::uint8_t channels) {
    TMediaStream stream = Expect(std::move(type));
    stream.Codec = std::move(codec);
    stream.Bitrate = bitrate;
    stream.SampleRate = sampleRate;
    stream.Channels = channels;
    return stream;
}

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> block, std::size_t size) {
    block.resize(size);
    return block;
}

const GUID kOtherType{0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};

std::vector<Case> Cases() {
    const auto pal = Bitmap(720, 576, 24, 0);
    return {
        {"PalVideo", MEDIATYPE_Video, FORMAT_VideoInfo, VideoInfo(400000, pal), 10,
         ExpectVideo("Video", 25, "720x576", 24, 250, "Unknown (0)", 1.25f)},
        {"NtscRateIsTheStoredFloat", MEDIATYPE_Video, FORMAT_VideoInfo, VideoInfo(333667, pal),
         32.666,
         ExpectVideo("Video", 29.969999313354492f, "720x576", 24, 978, "Unknown (0)", 1.25f)},
        // The double nearest 255 / 25 s times 25 falls short of 255 by its rounding alone.
        // The detector's count stands for the rate narrowed to whole 100 ns units times the
        // length, which the count never sees; it needs no length of its own.
        {"DetectorCountStands", MEDIATYPE_Video, FORMAT_VideoInfo, VideoInfo(333667, pal), 32.666,
         ExpectVideo("Video", 29.969999313354492f, "720x576", 24, 979, "Unknown (0)", 1.25f), false,
         979},
        {"DetectorCountWithoutLength", MEDIATYPE_Video, FORMAT_VideoInfo, VideoInfo(400000, pal), 0,
         ExpectVideo("Video", 25, "720x576", 24, 62, "Unknown (0)", 1.25f), false, 62},
        {"ExactLengthMakesWholeFrames", MEDIATYPE_Video, FORMAT_VideoInfo, VideoInfo(400000, pal),
         255.0 / 25, ExpectVideo("Video", 25, "720x576", 24, 255, "Unknown (0)", 1.25f)},
        {"JustShortOfAFrameIsNotAFrame", MEDIATYPE_Video, FORMAT_VideoInfo, VideoInfo(400000, pal),
         10.19999999999, ExpectVideo("Video", 25, "720x576", 24, 254, "Unknown (0)", 1.25f)},
        {"NoTimePerFrame", MEDIATYPE_Video, FORMAT_VideoInfo, VideoInfo(0, pal), 10,
         ExpectVideo("Video", 0, "720x576", 24, 0, "Unknown (0)", 1.25f)},
        {"NegativeTimePerFrame", MEDIATYPE_Video, FORMAT_MPEGVideo, VideoInfo(-400000, pal), 10,
         ExpectVideo("Video", 0, "720x576", 24, 0, "Unknown (0)", 1.25f)},
        {"TopDownPicture", MEDIATYPE_Video, FORMAT_VideoInfo,
         VideoInfo(400000, Bitmap(640, -480, 32, 0)), 0,
         ExpectVideo("Video", 25, "640x-480", 32, 0, "Unknown (0)", -1.3333333730697632f)},
        {"LowerCaseCode", MEDIATYPE_Video, FORMAT_VideoInfo,
         VideoInfo(400000, Bitmap(4, 3, 12, 1684633208)), 1,
         ExpectVideo("Video", 25, "4x3", 12, 25, "Unknown (1684633208)", 1.3333333730697632f)},
        {"CodeWithEveryBit", MEDIATYPE_Video, FORMAT_VideoInfo,
         VideoInfo(400000, Bitmap(4, 3, 0x1FF, 0xFFFFFFFF)), 1,
         ExpectVideo("Video", 25, "4x3", 0xFF, 25, "Unknown (4294967295)", 1.3333333730697632f)},
        {"VideoInfo2ReadsItsOwnBitmap", MEDIATYPE_Video, FORMAT_VideoInfo2,
         VideoInfo2(400000, Bitmap(720, 480, 24, 0)), 2,
         ExpectVideo("Video", 25, "720x480", 24, 50, "Unknown (0)", 1.5f)},
        {"Mpeg2ColourDepth", MEDIATYPE_Video, FORMAT_MPEG2Video,
         VideoInfo2(400000, Bitmap(720, 576, 12, 0)), 0,
         ExpectVideo("Video", 25, "720x576", 12, 0, "Unknown (0)", 1.25f)},
        {"NoHeightHasNoRatio", MEDIATYPE_Video, FORMAT_VideoInfo,
         VideoInfo(400000, Bitmap(720, 0, 24, 0)), 1,
         ExpectVideo("Video", 25, "720x0", 24, 25, "Unknown (0)", 0)},
        {"FramesWithTopBitSet", MEDIATYPE_Video, FORMAT_VideoInfo, VideoInfo(10'000'000, pal),
         2147483653.0, ExpectVideo("Video", 1, "720x576", 24, 2147483653u, "Unknown (0)", 1.25f)},
        {"FramesKeepLow32Bits", MEDIATYPE_Video, FORMAT_VideoInfo, VideoInfo(10'000'000, pal),
         4294967303.0, ExpectVideo("Video", 1, "720x576", 24, 7, "Unknown (0)", 1.25f)},
        {"FramesBeyond64Bits", MEDIATYPE_Video, FORMAT_VideoInfo, VideoInfo(1, pal), 1e300,
         ExpectVideo("Video", 1e7f, "720x576", 24, 0, "Unknown (0)", 1.25f)},
        {"UnknownMajorTypeStillReadsVideo", kOtherType, FORMAT_VideoInfo, VideoInfo(400000, pal),
         10, ExpectVideo("Unknown", 25, "720x576", 24, 250, "Unknown (0)", 1.25f)},
        {"Mp3", MEDIATYPE_Audio, FORMAT_WaveFormatEx, WaveFormat(0x0055, 2, 44100, 16000), 10,
         ExpectAudio("Audio", "MPEG1 Layer-3", 128, 44.099998474121094f, 2)},
        {"SampleRateBelowTheDecimal", MEDIATYPE_Audio, FORMAT_WaveFormatEx,
         WaveFormat(0x0001, 1, 22050, 44100), 1,
         ExpectAudio("Audio", "PCM", 352, 22.049999237060547f, 1)},
        {"BitrateTruncates", MEDIATYPE_Audio, FORMAT_WaveFormatEx,
         WaveFormat(0x0001, 6, 48000, 4999), 1, ExpectAudio("Audio", "PCM", 39, 48, 6)},
        {"BitrateWithoutOverflow", MEDIATYPE_Audio, FORMAT_WaveFormatEx,
         WaveFormat(0x0001, 0x102, 0xFFFFFFFF, 0xFFFFFFFF), 1,
         ExpectAudio("Audio", "PCM", 34359738, 4294967.5f, 2)},
        {"TagWithoutName", MEDIATYPE_Audio, FORMAT_WaveFormatEx, WaveFormat(0x00FF, 2, 48000, 0), 1,
         ExpectAudio("Audio", "Unknown (255)", 0, 48, 2)},
        {"TopTagWithoutName", MEDIATYPE_Audio, FORMAT_WaveFormatEx, WaveFormat(0xFFFD, 2, 48000, 0),
         1, ExpectAudio("Audio", "Unknown (65533)", 0, 48, 2)},
        {"OggAudio", MEDIATYPE_Audio, FORMAT_OggAudio, WaveFormat(0x0001, 2, 44100, 16000), 1,
         ExpectAudio("Ogg audio", "PCM", 128, 44.099998474121094f, 2)},
        {"OggAudioWithoutBlock", MEDIATYPE_Audio, FORMAT_OggAudio, {}, 1, Expect("Ogg audio")},
        {"BlockSizeWithoutBlock", MEDIATYPE_Audio, FORMAT_WaveFormatEx,
         WaveFormat(0x0055, 2, 44100, 16000), 1, Expect("Audio"), true},
        {"ShortVideoBlockIsAbsent", MEDIATYPE_Video, FORMAT_VideoInfo,
         Truncated(VideoInfo(400000, pal), 67), 1, Expect("Video")},
        {"ShortVideoInfo2BlockIsAbsent", MEDIATYPE_Video, FORMAT_VideoInfo2,
         Truncated(VideoInfo2(400000, pal), 91), 1, Expect("Video")},
        {"ShortWaveBlockIsAbsent", MEDIATYPE_Audio, FORMAT_WaveFormatEx,
         Truncated(WaveFormat(1, 2, 44100, 1), 11), 1, Expect("Audio")},
        {"ExactlyLongEnoughVideoBlock", MEDIATYPE_Video, FORMAT_VideoInfo,
         Truncated(VideoInfo(400000, pal), 68), 1,
         ExpectVideo("Video", 25, "720x576", 24, 25, "Unknown (0)", 1.25f)},
        {"Mpeg2AudioIsNotRead", MEDIATYPE_Audio, FORMAT_MPEG2Audio,
         WaveFormat(0x0055, 2, 44100, 16000), 1, Expect("MPEG2Audio")},
        {"DvInfo", MEDIATYPE_Video, FORMAT_DvInfo, {}, 1, Expect("DvInfo")},
        {"MpegStreams", MEDIATYPE_Stream, FORMAT_MPEGStreams, {}, 1, Expect("MPEGStreams")},
        {"DolbyAc3", MEDIATYPE_Audio, FORMAT_DolbyAC3, {}, 1, Expect("DolbyAC3")},
        {"DvdLpcm", MEDIATYPE_Audio, FORMAT_DVD_LPCMAudio, {}, 1, Expect("DVD_LPCMAudio")},
        {"VideoWithUnknownFormat", MEDIATYPE_Video, kOtherType, VideoInfo(400000, pal), 1,
         Expect("Unknown")},
        {"SubtitleWithoutFormat", MEDIATYPE_Text, GUID_NULL, {}, 1, Expect("Unknown")},
    };
}

class ClassificationTest : public ::testing::TestWithParam<Case> {};

TEST_P(ClassificationTest, FillsTheStreamSummary) {
    const Case& c = GetParam();
    std::vector<std::uint8_t> block = c.block;
    AM_MEDIA_TYPE mediaType{};
    mediaType.majortype = c.majortype;
    mediaType.formattype = c.formattype;
    mediaType.cbFormat = static_cast<std::uint32_t>(block.size());
    mediaType.pbFormat = c.nullBlock || block.empty() ? nullptr : block.data();

    TMediaStream stream;
    stream.FrameRate = kDetectorRate;
    stream.Duration = "kept";
    CurrentStream = &stream;
    GetMediaTypeDescriptionX(mediaType, c.length, c.frames);
    CurrentStream = nullptr;

    const TMediaStream& e = c.expected;
    EXPECT_EQ(stream.StreamType, e.StreamType);
    EXPECT_EQ(stream.Duration, "kept");
    EXPECT_EQ(stream.Resolution, e.Resolution);
    EXPECT_EQ(stream.ColorDepth, e.ColorDepth);
    EXPECT_EQ(stream.Frames, e.Frames);
    EXPECT_EQ(stream.FrameRate, e.FrameRate);
    EXPECT_EQ(stream.Codec, e.Codec);
    EXPECT_EQ(stream.Ratio, e.Ratio);
    EXPECT_EQ(stream.Bitrate, e.Bitrate);
    EXPECT_EQ(stream.SampleRate, e.SampleRate);
    EXPECT_EQ(stream.Channels, e.Channels);
}

INSTANTIATE_TEST_SUITE_P(Streams, ClassificationTest, ::testing::ValuesIn(Cases()),
                         test::CaseName{});

TEST(ClassificationTest, NamesEveryMajorType) {
    const std::pair<GUID, const char*> rows[] = {
        {MEDIATYPE_Video, "Video"},
        {MEDIATYPE_Audio, "Audio"},
        {MEDIATYPE_AnalogAudio, "AnalogAudio"},
        {MEDIATYPE_AnalogVideo, "Analogvideo"},
        {MEDIATYPE_AUXLine21Data, "AUXLine21Data"},
        {MEDIATYPE_File, "File"},
        {MEDIATYPE_Interleaved, "Interleaved"},
        {MEDIATYPE_LMRT, "LMRT"},
        {MEDIATYPE_Midi, "Midi"},
        {MEDIATYPE_MPEG2_PES, "MPEG2_PES"},
        {MEDIATYPE_ScriptCommand, "ScriptCommand"},
        {MEDIATYPE_Stream, "Stream"},
        {MEDIATYPE_Text, "Text"},
        {MEDIATYPE_Timecode, "Timecode"},
        {MEDIATYPE_URL_STREAM, "URL_STREAM"},
        {GUID_NULL, "Unknown"},
        {kOtherType, "Unknown"},
    };
    for (const auto& [major, name] : rows) {
        AM_MEDIA_TYPE mediaType{};
        mediaType.majortype = major;
        mediaType.formattype = FORMAT_VideoInfo; // no block: only the kind is decided
        TMediaStream stream;
        CurrentStream = &stream;
        GetMediaTypeDescriptionX(mediaType, 1);
        CurrentStream = nullptr;
        EXPECT_EQ(stream.StreamType, name) << GuidToString(major);
        EXPECT_EQ(stream.Codec, "");
    }
}

TEST(ClassificationTest, GivesBackTheReferenceItTakes) {
    auto* unknown = new test::CountedUnknown;
    std::vector<std::uint8_t> block = WaveFormat(1, 2, 44100, 1);
    AM_MEDIA_TYPE mediaType{};
    mediaType.majortype = MEDIATYPE_Audio;
    mediaType.formattype = FORMAT_WaveFormatEx;
    mediaType.cbFormat = static_cast<std::uint32_t>(block.size());
    mediaType.pbFormat = block.data();
    mediaType.pUnk = unknown;
    TMediaStream stream;
    CurrentStream = &stream;
    GetMediaTypeDescriptionX(mediaType, 1);
    CurrentStream = nullptr;
    EXPECT_EQ(unknown->AddRef(), 2u) << "the caller's one reference and this one";
    unknown->Release();
    EXPECT_EQ(unknown->Release(), 0u);
}

} // namespace
} // namespace zarvo
