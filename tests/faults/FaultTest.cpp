// Reads that are slow, fail or meet a changing file: each ends in the true report or a refusal.
#include "support/CaseName.h"
#include "support/ChildProcess.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

using zarvo::test::PrintTo;

namespace fs = std::filesystem;

struct FaultCase {
    const char* name;
    const char* clip;
    const char* fault;   // ZARVO_FAULT for the shim
    const char* refusal; // the stderr reason; null when the clip's true report is due
};

const FaultCase kCases[] = {
    // Storage that keeps delivering, however slowly, gets the report a fast disk gets.
    {"SlowNetworkShare", "mpeg2_mp2.mpg", "slow=30000", nullptr},
    {"DiskSpinningUp", "wmv2_wma2.wmv", "spinup=5000", nullptr},
    {"PauseWithinTheLimit", "xvid_mp3.avi", "stall=32768,2000", nullptr},
    // Storage that stops delivering, fails, or a file that changes, gets a refusal.
    {"StallPastTheLimit", "mpeg2_mp2.mpg", "stall=65536,11000",
     "reading stopped: no data came for 10 s"},
    {"ReadErrorAfterTheFirstBlock", "mjpeg_pcm.avi", "eio=65536",
     "read error (Input/output error)"},
    {"ReadErrorAtOnce", "h264_aac.mp4", "eio=0", "read error (Input/output error)"},
    {"TruncatedWhileRead", "mjpeg_pcm.avi", "truncate=65536", "the file changed while it was read"},
};

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class FaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, GivesTheTrueReportOrRefuses) {
    const FaultCase& c = GetParam();
    std::string pattern = (fs::temp_directory_path() / "zarvo-fault-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    fs::copy_file(fs::path(ZARVO_TEST_MEDIA) / c.clip, dir / c.clip);

    const zarvo::test::ChildResult run = zarvo::test::RunChild({
        .program = ZARVO_REPORT,
        .arguments = {c.clip},
        .directory = dir,
        .environment = {{"LD_PRELOAD", ZARVO_FAULT_SHIM},
                        {"ZARVO_FAULT_FILE", c.clip},
                        {"ZARVO_FAULT", c.fault}},
        .timeLimitSeconds = 30,
    });
    fs::remove_all(dir);
    ASSERT_FALSE(run.timedOut) << zarvo::test::DescribeEnd(run);
    if (c.refusal == nullptr) {
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out,
                  Contents(fs::path(ZARVO_TEST_EXPECTED) / (std::string(c.clip) + ".txt")));
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "") << "a partial report was printed";
        EXPECT_EQ(run.err, std::string("zarvo-report: ") + c.clip + ": " + c.refusal + "\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Reads, FaultTest, ::testing::ValuesIn(kCases), zarvo::test::CaseName{});

struct MemoryCase {
    const char* clip;
    // Every Nth allocation of the reading thread fails, for each N of the range: the first
    // ones fail inside libavformat, the later ones in the report's own steps.
    int first;
    int last;
    int step;
};

const MemoryCase kMemoryCases[] = {
    {"h264_aac.mp4", 100, 160, 1}, {"xvid_mp3.avi", 100, 160, 2}, {"h264_aac_srt.mkv", 100, 200, 3},
    {"mjpeg_pcm.avi", 1, 200, 5},  {"pcm.wav", 1, 40, 1},
};

class MemoryFaultTest : public ::testing::TestWithParam<MemoryCase> {};

// Running out of memory anywhere in a report gives the true report or a refusal with nothing on
// standard output, never a report of what happened to be read.
TEST_P(MemoryFaultTest, GivesTheTrueReportOrRefuses) {
    const MemoryCase& c = GetParam();
    const std::string expected =
        Contents(fs::path(ZARVO_TEST_EXPECTED) / (std::string(c.clip) + ".txt"));
    for (int period = c.first; period <= c.last; period += c.step) {
        SCOPED_TRACE("every " + std::to_string(period) + "th allocation fails");
        const zarvo::test::ChildResult run = zarvo::test::RunChild({
            .program = ZARVO_REPORT,
            .arguments = {c.clip},
            .directory = ZARVO_TEST_MEDIA,
            .environment = {{"LD_PRELOAD", ZARVO_FAULT_SHIM},
                            {"ZARVO_FAULT_FILE", c.clip},
                            {"ZARVO_FAULT", "nomem=" + std::to_string(period)}},
            .timeLimitSeconds = 30,
        });
        ASSERT_FALSE(run.timedOut) << zarvo::test::DescribeEnd(run);
        if (run.exitCode == 0) {
            EXPECT_EQ(run.out, expected) << "a report made short of memory is not the file's";
            EXPECT_EQ(run.err, "");
            continue;
        }
        EXPECT_EQ(run.exitCode, 1) << zarvo::test::DescribeEnd(run);
        EXPECT_EQ(run.out, "") << "a refused file has no report";
        const std::string start = std::string("zarvo-report: ") + c.clip + ": ";
        EXPECT_TRUE(run.err.starts_with(start)) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Allocations, MemoryFaultTest, ::testing::ValuesIn(kMemoryCases),
                         [](const auto& info) {
                             std::string name = info.param.clip;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                                 '_');
                             return name;
                         });

} // namespace
