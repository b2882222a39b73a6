// The report builder driving a scripted detector: line texts, order and failure paths.
#include "report/ReportBuilder.h"

#include "report/MediaStream.h"
#include "support/FormatBlocks.h"
#include "support/RecordingView.h"
#include "support/ScratchDir.h"
#include "support/ScriptedMediaDet.h"

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <unistd.h>

namespace zarvo {
namespace {

using test::Bitmap;
using test::RecordingView;
using test::Script;
using test::ScriptedStream;
using test::VideoInfo;
using test::WaveFormat;

ScriptedStream Video(double length) {
    ScriptedStream stream;
    stream.majortype = MEDIATYPE_Video;
    stream.formattype = FORMAT_VideoInfo;
    stream.format = VideoInfo(400000, Bitmap(720, 576, 24, 0));
    stream.length = length;
    stream.frameRate = 25;
    return stream;
}

ScriptedStream Audio(double length, std::uint16_t channels = 2) {
    ScriptedStream stream;
    stream.majortype = MEDIATYPE_Audio;
    stream.formattype = FORMAT_WaveFormatEx;
    stream.format = WaveFormat(0x0055, channels, 44100, 16000);
    stream.length = length;
    stream.frameRate = 0;
    return stream;
}

ScriptedStream OfKind(const GUID& major, const GUID& format) {
    ScriptedStream stream;
    stream.majortype = major;
    stream.formattype = format;
    stream.length = 1;
    return stream;
}

class ReportBuilderTest : public ::testing::Test {
protected:
    // The report of an empty file at `name` in the test's folder, whose streams the script gives.
    ReportOutcome Build(const std::string& name = "videos/movie.avi",
                        const FormatSettings& settings = {}) {
        builtPath = folder.Path().string() + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(builtPath).parent_path());
        ::close(::open(builtPath.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644));
        return GetFileData(builtPath, view, settings);
    }

    test::ScratchDir folder;
    std::string builtPath;
    Script script;
    ClassRegistration registration = test::RegisterScriptedMediaDet(script);
    RecordingView view;
};

TEST_F(ReportBuilderTest, WritesTheWholeReportOfAVideoAndAnAudioStream) {
    script.streams = {Video(5025.5), Audio(20)};
    EXPECT_EQ(Build().result, ReportResult::Reported);
    EXPECT_EQ(view.title, "Zarvo  [" + builtPath + "]");
    EXPECT_EQ(view.caption, "Zarvo  [" + builtPath + "]");
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.Text(), "File:\t\tmovie.avi\n"
                           "Size:\t\t0 MB\n" // an empty file
                           "Duration:\t\t01:23:45:50\n"
                           "\n"
                           "Stream 1  --  Video\n"
                           "===========================\n"
                           "  Resolution: \t720x576\n"
                           "  Codec: \t\tUnknown (0)\n"
                           "  Frames: \t\t125637\n"
                           "  Frames/sec: \t25.000\n"
                           "  Duration: \t01:23:45:50\n"
                           "  Color depth: \t24 bit\n"
                           "  Ratio: \t\t1.25\n"
                           "\n"
                           "Stream 2  --  Audio\n"
                           "===========================\n"
                           "  Codec: \t\tMPEG1 Layer-3\n"
                           "  Sample rate: \t44.1 kHz\n"
                           "  Average bitrate: \t128 kbit/sec\n"
                           "  Duration: \t00:00:20:00\n"
                           "  Channels: \t2 (stereo)\n");
    EXPECT_EQ(script.liveDetectors, 0);
    // Stream 0 is selected for the file's duration, then every stream twice.
    EXPECT_EQ(script.selected, (std::vector<std::int32_t>{0, 0, 0, 1, 1}));
}

TEST_F(ReportBuilderTest, UsesTheLocaleSeparator) {
    script.streams = {Audio(5025.5)};
    Build("a.wav", FormatSettings{','});
    EXPECT_EQ(view.lines[2], "Duration:\t\t01:23:45:50");
    EXPECT_EQ(view.lines[7], "  Sample rate: \t44,1 kHz");
}

TEST_F(ReportBuilderTest, UnknownLengthOfTheFirstStream) {
    script.streams = {Video(10)};
    script.streams[0].length.reset();
    Build();
    EXPECT_EQ(view.lines[2], "Duration:\t\tUnknown");
    EXPECT_EQ(view.lines[8], "  Frames: \t\t0");
    EXPECT_EQ(view.lines[10], "  Duration: \tUnknown");
}

TEST_F(ReportBuilderTest, LengthsThatAreNoNumberOfSecondsAreUnknown) {
    script.streams = {Video(std::nan("")), Video(std::numeric_limits<double>::infinity())};
    Build();
    EXPECT_EQ(view.lines[2], "Duration:\t\tUnknown");
    EXPECT_EQ(view.lines[10], "  Duration: \tUnknown");
    EXPECT_EQ(view.lines[20], "  Duration: \tUnknown");
}

TEST_F(ReportBuilderTest, SectionsByKind) {
    script.streams = {OfKind(MEDIATYPE_Text, FORMAT_VideoInfo),   // "Text": no section
                      OfKind(MEDIATYPE_Audio, FORMAT_MPEG2Audio), // "MPEG2Audio": no section
                      OfKind(MEDIATYPE_Video, GUID_NULL),         // "Unknown": a header only
                      OfKind(MEDIATYPE_Audio, FORMAT_OggAudio)};  // "Ogg audio": audio lines
    Build();
    const std::vector<std::string> expected = {"",
                                               "",
                                               "",
                                               "Stream 3  --  Unknown",
                                               "",
                                               "Stream 4  --  Ogg audio",
                                               "===========================",
                                               "  Codec: \t\t",
                                               "  Sample rate: \t0.0 kHz",
                                               "  Average bitrate: \t0 kbit/sec",
                                               "  Duration: \t00:00:01:00",
                                               "  Channels: \t0"};
    EXPECT_EQ(std::vector<std::string>(view.lines.begin() + 3, view.lines.end()), expected);
}

TEST_F(ReportBuilderTest, ChannelWords) {
    script.streams = {Audio(1, 1), Audio(1, 2), Audio(1, 6)};
    Build();
    EXPECT_EQ(view.lines[3 + 7], "  Channels: \t1 (mono)");
    EXPECT_EQ(view.lines[3 + 8 + 7], "  Channels: \t2 (stereo)");
    EXPECT_EQ(view.lines[3 + 16 + 7], "  Channels: \t6");
}

TEST_F(ReportBuilderTest, FrameRateCarriesOverWhenTheDetectorWritesNone) {
    ScriptedStream first = OfKind(MEDIATYPE_Video, FORMAT_VideoInfo); // no block: rate kept
    first.frameRate = 23.976;
    ScriptedStream second = first;
    second.frameRate.reset();
    script.streams = {first, second};
    Build();
    // Without a format block the detector's rate is what the section shows.
    EXPECT_EQ(view.lines[9], "  Frames/sec: \t23.976");
    EXPECT_EQ(view.lines[19], "  Frames/sec: \t23.976");
}

TEST_F(ReportBuilderTest, StreamNumbersPastAnEightBitIndexKeepTheirOwnDurations) {
    for (int i = 0; i < 300; ++i)
        script.streams.push_back(Audio(i));
    Build();
    EXPECT_EQ(view.lines[3 + 299 * 8 + 1], "Stream 300  --  Audio");
    EXPECT_EQ(view.lines[3 + 299 * 8 + 6], "  Duration: \t00:04:59:00");
}

TEST_F(ReportBuilderTest, FailuresLeaveThePreviousReport) {
    struct Failure {
        const char* name;
        HRESULT openStatus;
        std::optional<std::int32_t> count;
        ReportResult result;
        HRESULT countStatus = S_OK;
    };
    const Failure failures[] = {
        {"cannot open", VFW_E_UNKNOWN_FILE_TYPE, std::nullopt, ReportResult::NotOpened},
        {"success code other than zero", S_FALSE, std::nullopt, ReportResult::NotOpened},
        {"no streams", S_OK, 0, ReportResult::NoStreams},
        {"negative count", S_OK, -1, ReportResult::NoStreams},
        {"count out of memory", S_OK, std::nullopt, ReportResult::NotOpened, E_OUTOFMEMORY},
    };
    script.streams = {Video(1)};
    for (const Failure& failure : failures) {
        script.openStatus = failure.openStatus;
        script.countOverride = failure.count;
        script.countStatus = failure.countStatus;
        EXPECT_EQ(Build().result, failure.result) << failure.name;
        EXPECT_EQ(view.title, "previous title") << failure.name;
        EXPECT_EQ(view.caption, "previous caption") << failure.name;
        EXPECT_EQ(view.lines, std::vector<std::string>{"previous report"}) << failure.name;
        EXPECT_TRUE(view.messages.empty()) << failure.name;
        EXPECT_EQ(script.liveDetectors, 0) << failure.name;
    }
}

TEST(ReportBuilderWithoutDetectorTest, SaysSoAndChangesNothing) {
    RecordingView view;
    const ReportOutcome outcome = GetFileData("movie.avi", view);
    EXPECT_EQ(outcome.result, ReportResult::NoDetector);
    EXPECT_EQ(outcome.status, REGDB_E_CLASSNOTREG);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Media Detector not available"});
    EXPECT_EQ(view.title, "previous title");
    EXPECT_EQ(view.lines, std::vector<std::string>{"previous report"});
}

TEST_F(ReportBuilderTest, AnErrorInsideTheReportReleasesEverythingAndKeepsItsLines) {
    auto* unknown = new test::CountedUnknown;
    script.streams = {Audio(1), Audio(1)};
    script.streams[0].unknown = unknown;
    script.streams[1].mediaTypeThrows = true;
    EXPECT_THROW(Build(), std::runtime_error);
    EXPECT_EQ(view.lines.size(), 3u + 8u) << "the file lines and the first stream's section stay";
    EXPECT_EQ(script.liveDetectors, 0);
    EXPECT_EQ(unknown->Release(), 0u) << "every reference handed out was given back";
}

TEST_F(ReportBuilderTest, AFailedCallOfTheDetectorRefusesTheReport) {
    struct Failure {
        const char* name;
        std::size_t stream; // which stream's call fails
        HRESULT ScriptedStream::*call;
        HRESULT status;
        std::size_t linesLeft; // what the report had written when it was stopped
    };
    const Failure failures[] = {
        {"selecting the first stream", 0, &ScriptedStream::selectStatus, E_INVALIDARG, 1},
        {"selecting a later stream", 1, &ScriptedStream::selectStatus, E_INVALIDARG, 13},
        {"media type out of memory", 1, &ScriptedStream::mediaTypeStatus, E_OUTOFMEMORY, 13},
        {"media type unavailable", 0, &ScriptedStream::mediaTypeStatus, E_FAIL, 3},
        {"frame rate out of memory", 0, &ScriptedStream::frameRateStatus, E_OUTOFMEMORY, 3},
        {"length of the first stream lost", 0, &ScriptedStream::lengthStatus, E_OUTOFMEMORY, 1},
        {"length of a later stream lost", 1, &ScriptedStream::lengthStatus, E_POINTER, 13},
    };
    for (const Failure& failure : failures) {
        auto* unknown = new test::CountedUnknown;
        script = Script{};
        script.streams = {Video(2), Audio(2)};
        script.streams[0].unknown = unknown;
        script.streams[failure.stream].*failure.call = failure.status;
        view = RecordingView{};
        try {
            Build();
            ADD_FAILURE() << failure.name << ": a report was given";
        } catch (const DetectorFailure& error) {
            EXPECT_EQ(error.Status(), failure.status) << failure.name;
            EXPECT_EQ(error.what(), DescribeStatus(failure.status)) << failure.name;
        }
        // The first stream's duration is read before the view is touched.
        EXPECT_EQ(view.lines.size(), failure.linesLeft) << failure.name;
        EXPECT_EQ(script.liveDetectors, 0) << failure.name;
        EXPECT_EQ(unknown->Release(), 0u) << failure.name << ": a reference was kept";
    }
}

TEST_F(ReportBuilderTest, AFileGoneBeforeItsSizeIsReadIsRefused) {
    script.streams = {Audio(1)};
    const std::string gone = folder.Path().string() + "/gone.wav";
    EXPECT_THROW(GetFileData(gone, view), std::runtime_error);
    EXPECT_EQ(view.lines, std::vector<std::string>{"File:\t\tgone.wav"});
    EXPECT_EQ(script.liveDetectors, 0);
}

TEST_F(ReportBuilderTest, TheStreamRecordOfAnOuterReportIsLeftDesignated) {
    TMediaStream outer;
    outer.Codec = "outer";
    CurrentStream = &outer;
    script.streams = {Video(1), Audio(1)};
    Build();
    EXPECT_EQ(CurrentStream, &outer);
    script.streams[1].mediaTypeThrows = true;
    EXPECT_THROW(Build(), std::runtime_error);
    EXPECT_EQ(CurrentStream, &outer) << "also when the report is cut short";
    EXPECT_EQ(outer.Codec, "outer");
    CurrentStream = nullptr;
}

TEST_F(ReportBuilderTest, FileNamePartIsAfterTheLastSlash) {
    script.streams = {Audio(1)};
    const std::pair<const char*, const char*> names[] = {{"a/b/c.avi", "c.avi"},
                                                         {"c.avi", "c.avi"},
                                                         {"a/b:c.avi", "b:c.avi"},
                                                         {"dir\\c.avi", "dir\\c.avi"}};
    for (const auto& [path, name] : names) {
        Build(path);
        EXPECT_EQ(view.lines[0], std::string("File:\t\t") + name) << path;
    }
}

// Size lines of real files, made sparse so that large sizes cost no disk.
class FileSizeTest : public ::testing::Test {
protected:
    std::string MakeFile(const char* name, off_t size) {
        const std::string path = (directory / name).string();
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        return path;
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::filesystem::path directory = [] {
        char pattern[] = "/tmp/zarvo-size-XXXXXX";
        return std::filesystem::path(::mkdtemp(pattern));
    }();
};

TEST_F(FileSizeTest, WholeMebibytesOfTheTrueSize) {
    const std::pair<off_t, const char*> sizes[] = {
        {(1 << 20) - 1, "Size:\t\t0 MB"},
        {1 << 20, "Size:\t\t1 MB"},
        {off_t{3} << 30, "Size:\t\t3072 MB"},
        {off_t{5} << 30, "Size:\t\t5120 MB"},
    };
    Script script;
    script.streams = {Audio(1)};
    const ClassRegistration registration = test::RegisterScriptedMediaDet(script);
    for (const auto& [size, line] : sizes) {
        RecordingView view;
        GetFileData(MakeFile("clip.avi", size), view);
        EXPECT_EQ(view.lines[1], line) << size;
        EXPECT_EQ(FileSizeByName((directory / "clip.avi").string()),
                  static_cast<std::uint64_t>(size));
    }
    EXPECT_THROW(FileSizeByName((directory / "missing.avi").string()), std::runtime_error);
    EXPECT_THROW(FileSizeByName(directory.string()), std::runtime_error)
        << "a directory has no size to report";
}

} // namespace
} // namespace zarvo
