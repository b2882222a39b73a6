// The short probe against libavformat's full analysis: same streams, and the short way taken.
#include "measure/BytesRead.h"
#include "platform/Containers.h"
#include "platform/ProbePolicy.h"
#include "platform/StreamProbe.h"
#include "support/CaseName.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace zarvo {
namespace {

using test::PrintTo;

namespace fs = std::filesystem;

const fs::path kMedia = ZARVO_TEST_MEDIA;

void ExpectSameStreams(const std::vector<ProbedStream>& fast,
                       const std::vector<ProbedStream>& full) {
    ASSERT_EQ(fast.size(), full.size());
    for (std::size_t i = 0; i < fast.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(fast[i].majortype, full[i].majortype);
        EXPECT_EQ(fast[i].formattype, full[i].formattype);
        EXPECT_EQ(fast[i].length, full[i].length);
        EXPECT_EQ(fast[i].frameRate, full[i].frameRate);
        EXPECT_EQ(fast[i].format, full[i].format); // every byte of the block, not just the printed
    }
}

// A folder of its own, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "zarvo-probe-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

struct FixtureCase {
    const char* file;
    bool headersSuffice; // the container's headers alone describe every stream
};

// Why each clip needs, or does not need, the full analysis.
const FixtureCase kFixtureCases[] = {
    {"xvid_mp3.avi", false},      // the MP3 decoder restates the bit rate from its first frame
    {"mjpeg_pcm.avi", false},     // the AVI header gives the PCM stream no length
    {"h264.avi", false},          // the sequence header is in the first packet, not the header
    {"h264_aac_srt.mkv", true},   // the bit count follows from the H.264 sequence header
    {"h264_aac.mp4", true},       // sample description and time-to-sample table say it all
    {"theora_vorbis.ogv", false}, // the Theora header yields no average frame rate
    {"mpeg2_mp2.mpg", false},     // a program stream has no header: only packets tell
    {"wmv2_wma2.wmv", false},     // ASF stores no frame rate
    {"pcm.wav", true},            // the wave header is the whole description
};

class ProbeDepthTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(ProbeDepthTest, ShortProbeDescribesEveryStreamAsTheFullAnalysisDoes) {
    const std::string path = (kMedia / GetParam().file).string();
    std::vector<ProbedStream> fast, full;
    ASSERT_EQ(ProbeMediaFile(path, fast, ProbeDepth::Report), S_OK);
    ASSERT_EQ(ProbeMediaFile(path, full, ProbeDepth::Full), S_OK);
    ExpectSameStreams(fast, full);
}

TEST_P(ProbeDepthTest, FullAnalysisIsSkippedExactlyWhereTheHeadersSuffice) {
    const std::string path = (kMedia / GetParam().file).string();
    AVFormatContext* context = nullptr;
    ASSERT_GE(avformat_open_input(&context, path.c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(HeadersDescribeEveryField(*context, FindContainer(context->iformat->name)),
              GetParam().headersSuffice);
    avformat_close_input(&context);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ProbeDepthTest, ::testing::ValuesIn(kFixtureCases),
                         test::CaseName{});

struct Misnamed {
    const char* file;
    const char* extension; // one whose demuxer is tried first and must give way
};

const Misnamed kMisnamed[] = {
    {"h264_aac.mp4", "avi"},      {"xvid_mp3.avi", "mkv"},  {"pcm.wav", "ogg"},
    {"theora_vorbis.ogv", "wav"}, {"wmv2_wma2.wmv", "mp4"}, {"mpeg2_mp2.mpg", "webm"},
    {"h264_aac_srt.mkv", "wmv"},  {"mjpeg_pcm.avi", "MOV"},
};

class MisnamedFileTest : public ::testing::TestWithParam<Misnamed> {};

TEST_P(MisnamedFileTest, ReadsAsWhatItHolds) {
    const TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const fs::path original = kMedia / GetParam().file;
    const fs::path copy = dir.Path() / (std::string("clip.") + GetParam().extension);
    fs::copy_file(original, copy);
    std::vector<ProbedStream> misnamed, named;
    ASSERT_EQ(ProbeMediaFile(copy.string(), misnamed), S_OK);
    ASSERT_EQ(ProbeMediaFile(original.string(), named, ProbeDepth::Full), S_OK);
    ExpectSameStreams(misnamed, named);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MisnamedFileTest, ::testing::ValuesIn(kMisnamed),
                         test::CaseName{});

TEST(ProbeDepthTest, AFileThatIsNoMediaFailsUnderEitherName) {
    const TempDir dir;
    for (const char* name : {"notes.avi", "notes.mkv", "notes.txt"}) {
        SCOPED_TRACE(name);
        std::ofstream(dir.Path() / name) << "RIFF but not really a movie\n";
        std::vector<ProbedStream> streams;
        EXPECT_NE(ProbeMediaFile((dir.Path() / name).string(), streams), S_OK);
        EXPECT_TRUE(streams.empty());
    }
}

using measure::BytesRead;

struct LargeFile {
    const char* file;
    long long mostBytes; // read by one probe of the clip padded to 1 GiB
};

// Headers only, however large the file; a program stream has no header, and its length lies in
// the timestamps at its end, so its reader searches backwards from there through the padding.
const LargeFile kLargeFiles[] = {
    {"h264_aac.mp4", 1 << 20},     {"pcm.wav", 1 << 20},       {"xvid_mp3.avi", 1 << 20},
    {"h264_aac_srt.mkv", 1 << 20}, {"wmv2_wma2.wmv", 1 << 20}, {"mpeg2_mp2.mpg", 64 << 20},
};

// A clip followed by a gigabyte of nothing (a sparse file, so it costs no disk): the report
// must not read toward the end of it.
class LargeFileTest : public ::testing::TestWithParam<LargeFile> {};

TEST_P(LargeFileTest, ReadsLittleOfALargeFile) {
    const TempDir dir;
    const fs::path copy = dir.Path() / GetParam().file;
    fs::copy_file(kMedia / GetParam().file, copy);
    fs::resize_file(copy, std::uintmax_t{1} << 30);
    std::vector<ProbedStream> streams;
    const long long before = BytesRead();
    ASSERT_EQ(ProbeMediaFile(copy.string(), streams), S_OK);
    const long long read = BytesRead() - before;
    ASSERT_GE(before, 0) << "the kernel does not count this process's reads";
    EXPECT_LT(read, GetParam().mostBytes);
    EXPECT_FALSE(streams.empty());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, LargeFileTest, ::testing::ValuesIn(kLargeFiles),
                         test::CaseName{});

} // namespace
} // namespace zarvo
