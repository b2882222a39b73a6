// Reads that are slow, fail or meet a changing file: each ends in the true report or a refusal.
#include "support/CaseName.h"
#include "support/ChildProcess.h"

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

} // namespace
