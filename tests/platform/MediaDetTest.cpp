// The media detector on libavformat, against the fixture clips and files that are not media.
#include "platform/MediaDet.h"

#include "codecs/FourCC.h"
#include "platform/TaskMem.h"
#include "support/CaseName.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zarvo {
namespace {

using test::PrintTo;

using zarvo::FourCC;

const std::filesystem::path kMedia = ZARVO_TEST_MEDIA;

struct ExpectedStream {
    GUID majortype;
    GUID formattype;
    double length;
    double frameRate = 0;
    // Video: width, height, compression code. Audio: tag, channels, sample rate, bytes/second.
    std::int64_t a = 0, b = 0, c = 0, d = 0;
};

struct Fixture {
    const char* file;
    std::vector<ExpectedStream> streams;
};

ExpectedStream Video(const GUID& format, double length, double rate, int width, int height,
                     std::uint32_t code) {
    return {MEDIATYPE_Video, format, length, rate, width, height, code};
}

ExpectedStream Audio(const GUID& format, double length, int tag, int channels, int rate,
                     int bytesPerSecond) {
    return {MEDIATYPE_Audio, format, length, 0, tag, channels, rate, bytesPerSecond};
}

// What ffprobe says of the same files.
const Fixture kFixtures[] = {
    {"xvid_mp3.avi",
     {Video(FORMAT_VideoInfo, 2.04, 25, 160, 120, FourCC("XVID")),
      Audio(FORMAT_WaveFormatEx, 2.037551, 0x0055, 2, 44100, 8000)}},
    {"mjpeg_pcm.avi",
     {Video(FORMAT_VideoInfo, 1.0, 25, 160, 120, FourCC("MJPG")),
      Audio(FORMAT_WaveFormatEx, 1.0, 0x0001, 1, 22050, 44100)}},
    {"h264_aac_srt.mkv",
     {Video(FORMAT_VideoInfo, 2.023, 30000.0 / 1001, 160, 120, FourCC("H264")),
      Audio(FORMAT_WaveFormatEx, 2.023, 0x00FF, 2, 48000, 0),
      {MEDIATYPE_Text, GUID_NULL, 2.023}}},
    {"h264_aac.mp4",
     {Video(FORMAT_VideoInfo, 2.0, 25, 160, 120, FourCC("H264")),
      Audio(FORMAT_WaveFormatEx, 2.0, 0x00FF, 6, 48000, 48922 / 8)}},
    {"theora_vorbis.ogv",
     {Video(FORMAT_VideoInfo, 2.0, 25, 160, 120, FourCC("theo")),
      Audio(FORMAT_OggAudio, 2.0, 0x566F, 2, 44100, 8000)}},
    {"mpeg2_mp2.mpg",
     {Video(FORMAT_MPEG2Video, 0.96, 25, 352, 288, FourCC("MPG2")),
      Audio(FORMAT_WaveFormatEx, 1.8, 0x0050, 2, 48000, 8000)}},
    {"wmv2_wma2.wmv",
     {Video(FORMAT_VideoInfo, 2.046, 25, 160, 120, FourCC("WMV2")),
      Audio(FORMAT_WaveFormatEx, 2.046, 0x0161, 2, 44100, 8000)}},
    {"pcm.wav", {Audio(FORMAT_WaveFormatEx, 1.0, 0x0001, 1, 22050, 44100)}},
};

ComPtr<IMediaDet> CreateDetector() {
    ComPtr<IMediaDet> detector;
    EXPECT_EQ(
        CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC, IID_IMediaDet, detector.PutVoid()),
        S_OK);
    return detector;
}

class MediaDetTest : public ::testing::TestWithParam<Fixture> {
protected:
    ClassRegistration registration = RegisterMediaDet();
};

TEST_P(MediaDetTest, DescribesEveryStreamAsFfprobeDoes) {
    const Fixture& fixture = GetParam();
    ComPtr<IMediaDet> detector = CreateDetector();
    ASSERT_EQ(detector->put_Filename((kMedia / fixture.file).string()), S_OK);
    std::int32_t count = 0;
    ASSERT_EQ(detector->get_OutputStreams(&count), S_OK);
    ASSERT_EQ(count, static_cast<std::int32_t>(fixture.streams.size()));

    for (std::int32_t i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        const ExpectedStream& expected = fixture.streams[static_cast<std::size_t>(i)];
        ASSERT_EQ(detector->put_CurrentStream(i), S_OK);
        double length = 0, rate = -1;
        ASSERT_EQ(detector->get_StreamLength(&length), S_OK);
        EXPECT_NEAR(length, expected.length, 1e-6);
        EXPECT_EQ(detector->get_FrameRate(&rate), S_OK);
        EXPECT_NEAR(rate, expected.frameRate, 1e-9);

        AM_MEDIA_TYPE type{};
        ASSERT_EQ(detector->get_StreamMediaType(&type), S_OK);
        EXPECT_EQ(GuidToString(type.majortype), GuidToString(expected.majortype));
        EXPECT_EQ(GuidToString(type.formattype), GuidToString(expected.formattype));
        EXPECT_EQ(type.pUnk, nullptr);
        const FormatBlockReader block(type.pbFormat, type.cbFormat);
        if (IsEqualGUID(expected.majortype, MEDIATYPE_Video)) {
            const bool second = !IsEqualGUID(type.formattype, FORMAT_VideoInfo);
            const std::size_t bitmap = second ? offsetof(VIDEOINFOHEADER2, bmiHeader)
                                              : offsetof(VIDEOINFOHEADER, bmiHeader);
            EXPECT_GE(type.cbFormat, second ? sizeof(MPEG2VIDEOINFO) : sizeof(VIDEOINFOHEADER));
            EXPECT_EQ(block.Read<std::int32_t>(bitmap + 4), expected.a);
            EXPECT_EQ(block.Read<std::int32_t>(bitmap + 8), expected.b);
            EXPECT_EQ(block.Read<std::uint32_t>(bitmap + 16), expected.c);
            const auto timePerFrame = block.Read<std::int64_t>(40);
            ASSERT_TRUE(timePerFrame);
            EXPECT_EQ(*timePerFrame, std::llround(1e7 / expected.frameRate));
        } else if (IsEqualGUID(expected.majortype, MEDIATYPE_Audio)) {
            EXPECT_EQ(type.cbFormat, sizeof(WAVEFORMATEX));
            EXPECT_EQ(block.Read<std::uint16_t>(0), expected.a);
            EXPECT_EQ(block.Read<std::uint16_t>(2), expected.b);
            EXPECT_EQ(block.Read<std::uint32_t>(4), expected.c);
            EXPECT_EQ(block.Read<std::uint32_t>(8), expected.d);
        } else {
            EXPECT_EQ(type.cbFormat, 0u);
            EXPECT_EQ(type.pbFormat, nullptr);
        }
        CoTaskMemFree(type.pbFormat);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MediaDetTest, ::testing::ValuesIn(kFixtures), test::CaseName{});

TEST(MediaDetPictureTest, NonSquarePixelsCarryThePictureShape) {
    const ClassRegistration registration = RegisterMediaDet();
    ComPtr<IMediaDet> detector = CreateDetector();
    ASSERT_EQ(detector->put_Filename((kMedia / "mpeg2_mp2.mpg").string()), S_OK);
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(detector->get_StreamMediaType(&type), S_OK);
    const FormatBlockReader block(type.pbFormat, type.cbFormat);
    EXPECT_EQ(block.Read<std::uint32_t>(offsetof(VIDEOINFOHEADER2, dwPictAspectRatioX)), 4u);
    EXPECT_EQ(block.Read<std::uint32_t>(offsetof(VIDEOINFOHEADER2, dwPictAspectRatioY)), 3u);
    CoTaskMemFree(type.pbFormat);
}

// Files the detector must refuse, each with the reason it gives.
class RefusedFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zarvo-refused-XXXXXX";
        directory = ::mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }
    std::string Path(const char* name) const { return (directory / name).string(); }

    std::filesystem::path directory;
    ClassRegistration registration = RegisterMediaDet();
};

TEST_F(RefusedFileTest, EveryKindOfNonMediaIsRefusedWithItsReason) {
    std::ofstream(Path("notes.avi")) << "not a video at all, only some text\n";
    std::ofstream(Path("empty.avi")).flush();
    std::filesystem::create_directory(Path("folder.avi"));
    ASSERT_EQ(::mkfifo(Path("pipe.avi").c_str(), 0600), 0); // no writer: must not block
    std::filesystem::create_symlink(Path("nowhere.avi"), Path("dangling.avi"));

    const std::pair<std::string, HRESULT> cases[] = {
        {Path("missing.avi"), E_FILE_NOT_FOUND},
        {"", E_FILE_NOT_FOUND},
        {Path("dangling.avi"), E_FILE_NOT_FOUND},
        {Path("folder.avi"), ZARVO_E_NOT_REGULAR_FILE},
        {Path("pipe.avi"), ZARVO_E_NOT_REGULAR_FILE},
        {"/dev/zero", ZARVO_E_NOT_REGULAR_FILE},
        {Path("notes.avi"), VFW_E_UNKNOWN_FILE_TYPE},
        {Path("empty.avi"), VFW_E_UNKNOWN_FILE_TYPE},
        {std::string("a\0b", 3), E_INVALIDARG},
    };
    for (const auto& [path, status] : cases) {
        ComPtr<IMediaDet> detector = CreateDetector();
        EXPECT_EQ(detector->put_Filename(path), status) << path;
        std::int32_t count = -1;
        detector->get_OutputStreams(&count);
        EXPECT_EQ(count, 0) << path;
    }
}

TEST_F(RefusedFileTest, NamesThatLookLikeUrlsAreLocalFiles) {
    std::filesystem::create_directories(directory / "http:");
    std::filesystem::copy_file(kMedia / "pcm.wav", directory / "http:" / "clip.wav");
    std::filesystem::copy_file(kMedia / "pcm.wav", directory / "file:clip.wav");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    for (const char* name : {"http://clip.wav", "file:clip.wav"}) {
        ComPtr<IMediaDet> detector = CreateDetector();
        EXPECT_EQ(detector->put_Filename(name), S_OK) << name;
    }
    ComPtr<IMediaDet> detector = CreateDetector();
    EXPECT_EQ(detector->put_Filename("file:/etc/passwd"), E_FILE_NOT_FOUND);
    std::filesystem::current_path(previous);
}

TEST_F(RefusedFileTest, SelectingAStreamOutsideTheFileFails) {
    ComPtr<IMediaDet> detector = CreateDetector();
    ASSERT_EQ(detector->put_Filename((kMedia / "pcm.wav").string()), S_OK);
    EXPECT_NE(detector->put_CurrentStream(1), S_OK);
    EXPECT_NE(detector->put_CurrentStream(-1), S_OK);
    double length = 0;
    EXPECT_EQ(detector->get_StreamLength(&length), S_OK) << "stream 0 stays selected";
}

} // namespace
} // namespace zarvo
