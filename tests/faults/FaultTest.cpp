// Reads that are slow, fail or meet a changing file: each ends in the true report or a refusal.
#include "support/CaseName.h"
#include "support/ChildProcess.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using zarvo::test::PrintTo;

namespace fs = std::filesystem;

struct FaultCase {
    const char* name;
    const char* clip;
    const char* fault;   // ZARVO_FAULT for the shim
    const char* refusal; // the stderr reason; null when the clip's true report is due
    // ZARVO_STALL_LIMIT_MS, so that a stall past the limit need not wait the shipped 10 s; null
    // leaves the shipped limit, which the pauses within it are held to.
    const char* stallLimit = nullptr;
};

const FaultCase kCases[] = {
    // Storage that keeps delivering, however slowly, gets the report a fast disk gets.
    {"SlowNetworkShare", "mpeg2_mp2.mpg", "slow=30000", nullptr},
    {"DiskSpinningUp", "wmv2_wma2.wmv", "spinup=5000", nullptr},
    {"PauseWithinTheLimit", "xvid_mp3.avi", "stall=32768,2000", nullptr},
    // Storage that stops delivering, fails, or a file that changes, gets a refusal.
    {"StallPastTheLimit", "mpeg2_mp2.mpg", "stall=65536,1500",
     "reading stopped: no data came for 1 s", "1000"},
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
                        {"ZARVO_FAULT", c.fault},
                        {"ZARVO_STALL_LIMIT_MS",
                         c.stallLimit ? std::optional<std::string>(c.stallLimit) : std::nullopt}},
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
    const char* file;
    // Every Nth allocation of the reading thread fails, for each N of the range: the first
    // ones fail inside libavformat, the later ones in the report's own steps.
    int first;
    int last;
    int step;
};

// The ranges take in periods where the media library crashes or loops once an allocation has
// failed (the WAVE file's 47-49, the Ogg file's 10-62): the file is still refused for running out
// of memory.
const MemoryCase kMemoryCases[] = {
    {"h264_aac.mp4", 100, 160, 1}, {"xvid_mp3.avi", 100, 160, 2}, {"h264_aac_srt.mkv", 100, 200, 3},
    {"mjpeg_pcm.avi", 1, 200, 5},  {"pcm.wav", 1, 50, 1},         {"theora_vorbis.ogv", 1, 64, 1},
};

class MemoryFaultTest : public ::testing::TestWithParam<MemoryCase> {};

// Running out of memory anywhere in a report gives the true report or a refusal with nothing on
// standard output, never a report of what happened to be read.
TEST_P(MemoryFaultTest, GivesTheTrueReportOrRefuses) {
    const MemoryCase& c = GetParam();
    const std::string expected =
        Contents(fs::path(ZARVO_TEST_EXPECTED) / (std::string(c.file) + ".txt"));
    for (int period = c.first; period <= c.last; period += c.step) {
        SCOPED_TRACE("every " + std::to_string(period) + "th allocation fails");
        const zarvo::test::ChildResult run = zarvo::test::RunChild({
            .program = ZARVO_REPORT,
            .arguments = {c.file},
            .directory = ZARVO_TEST_MEDIA,
            .environment = {{"LD_PRELOAD", ZARVO_FAULT_SHIM},
                            {"ZARVO_FAULT_FILE", c.file},
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
        EXPECT_EQ(run.err, std::string("zarvo-report: ") + c.file + ": out of memory\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Allocations, MemoryFaultTest, ::testing::ValuesIn(kMemoryCases),
                         zarvo::test::CaseName{});

// A scratch folder of clips for a folder run, removed with everything in it.
class Scratch {
public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "zarvo-fault-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch() { fs::remove_all(path_); }

    const fs::path& Path() const { return path_; }
    void Copy(const char* clip, const std::string& name) const {
        fs::create_directories((path_ / name).parent_path());
        fs::copy_file(fs::path(ZARVO_TEST_MEDIA) / clip, path_ / name);
    }

private:
    fs::path path_;
};

// The known report of `clip`, found in a folder at `heading`.
std::string Report(const std::string& heading, const char* clip) {
    const std::string report =
        Contents(fs::path(ZARVO_TEST_EXPECTED) / (std::string(clip) + ".txt"));
    return "==> " + heading + " <==\nFile:\t\t" + fs::path(heading).filename().string() +
           report.substr(report.find('\n'));
}

TEST(FolderFaultTest, AnEntryReplacedByALinkWhileTheFolderIsReadIsSkipped) {
    const std::string a = Report("a.mpg", "mpeg2_mp2.mpg") + "\n";
    const std::string replaced = ": replaced since its folder was listed; skipped\n"
                                 "zarvo-report: 2 reports, 0 files skipped as not media, 1 "
                                 "unreadable\n";
    struct Case {
        const char* label;
        std::vector<std::string> arguments;
        const char* fault; // swap=0: at the first opening of the name; swap=1: by its path
        const char* entry;
        const char* link; // where the link put in its place leads
        bool replaced;    // whether the entry was opened by a name the fault waits for
        int exitCode;
        std::string out, err;
    };
    const Case cases[] = {
        {"a folder, as the walk opens it",
         {"-r", "race"},
         "swap=0",
         "race/z",
         "outside",
         true,
         1,
         a + Report("b.avi", "xvid_mp3.avi"),
         std::string("zarvo-report: race/z") + replaced},
        {"a file, as its report opens it",
         {"-r", "race"},
         "swap=0",
         "race/b.avi",
         "outside/OUTSIDE_SECRET.wav",
         true,
         1,
         a + Report("z/inner.wav", "pcm.wav"),
         std::string("zarvo-report: race/b.avi") + replaced},
        // The file listed is read through its descriptor: its path is never opened again.
        {"a file, by its path after the listing",
         {"-r", "race"},
         "swap=1",
         "race/b.avi",
         "outside/OUTSIDE_SECRET.wav",
         false,
         0,
         a + Report("b.avi", "xvid_mp3.avi") + "\n" + Report("z/inner.wav", "pcm.wav"),
         "zarvo-report: 3 reports, 0 files skipped as not media, 0 unreadable\n"},
        // A path named on the command line is followed wherever it leads, as any file named is.
        {"a file named",
         {"race/b.avi"},
         "swap=1",
         "race/b.avi",
         "outside/OUTSIDE_SECRET.wav",
         true,
         0,
         Report("b.avi", "mjpeg_pcm.avi").substr(std::string("==> b.avi <==\n").size()),
         ""},
    };
    for (const Case& c : cases) {
        const Scratch scratch;
        scratch.Copy("mpeg2_mp2.mpg", "race/a.mpg");
        scratch.Copy("xvid_mp3.avi", "race/b.avi");
        scratch.Copy("pcm.wav", "race/z/inner.wav");
        scratch.Copy("mjpeg_pcm.avi", "outside/OUTSIDE_SECRET.wav");
        const zarvo::test::ChildResult run = zarvo::test::RunChild({
            .program = ZARVO_REPORT,
            .arguments = c.arguments,
            .directory = scratch.Path(),
            .environment = {{"LD_PRELOAD", ZARVO_FAULT_SHIM},
                            {"ZARVO_FAULT_FILE", c.entry},
                            {"ZARVO_FAULT_LINK", (scratch.Path() / c.link).string()},
                            {"ZARVO_FAULT", c.fault}},
        });
        ASSERT_FALSE(run.timedOut) << c.label << ": " << zarvo::test::DescribeEnd(run);
        EXPECT_EQ(fs::is_symlink(scratch.Path() / c.entry), c.replaced) << c.label;
        EXPECT_EQ(run.exitCode, c.exitCode) << c.label;
        EXPECT_EQ(run.out, c.out) << c.label;
        EXPECT_EQ(run.err, c.err) << c.label;
    }
}

TEST(FolderFaultTest, AReadBlockedForAMinuteIsRefusedAtTheStallLimitAndTheRunGoesOn) {
    // A limit of 1 s rather than the shipped 10 s, which the run would otherwise wait out.
    const Scratch scratch;
    const char* const clips[] = {"h264_aac.mp4", "mpeg2_mp2.mpg", "pcm.wav", "xvid_mp3.avi"};
    std::string expected;
    for (const char* clip : clips) {
        scratch.Copy(clip, std::string("tree/") + clip);
        if (std::string(clip) != "mpeg2_mp2.mpg")
            expected += (expected.empty() ? "" : "\n") + Report(clip, clip);
    }
    for (const char* jobs : {"-j1", "-j2"}) {
        // The hang guard is well below the minute the read blocks: the run must not wait for it.
        const zarvo::test::ChildResult run = zarvo::test::RunChild({
            .program = ZARVO_REPORT,
            .arguments = {jobs, "-r", "tree"},
            .directory = scratch.Path(),
            .environment = {{"LD_PRELOAD", ZARVO_FAULT_SHIM},
                            {"ZARVO_FAULT_FILE", (scratch.Path() / "tree/mpeg2_mp2.mpg").string()},
                            {"ZARVO_FAULT", "stall=32768,60000"},
                            {"ZARVO_STALL_LIMIT_MS", "1000"}},
            .timeLimitSeconds = 30,
        });
        ASSERT_FALSE(run.timedOut) << jobs << ": " << zarvo::test::DescribeEnd(run);
        EXPECT_EQ(run.exitCode, 1) << jobs;
        EXPECT_EQ(run.out, expected) << jobs;
        EXPECT_EQ(run.err, "zarvo-report: tree/mpeg2_mp2.mpg: reading stopped: no data came for "
                           "1 s\nzarvo-report: 3 reports, 0 files skipped as not media, 1 "
                           "unreadable\n")
            << jobs;
    }
}

// A loopback port that listens for the run, and says whether anyone connected.
class Listener {
public:
    Listener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::listen(fd_, 4) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port_ = ntohs(address.sin_port);
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    ~Listener() { ::close(fd_); }

    int Port() const { return port_; }
    bool Connected() const {
        const int peer = ::accept(fd_, nullptr, nullptr);
        if (peer >= 0)
            ::close(peer);
        return peer >= 0;
    }

private:
    int fd_;
    int port_ = 0;
};

// Whatever a reader does when a hostile file takes it over costs that one file: the others are
// reported, the run goes on and ends with status 1, and nothing the reader tried happened.
TEST(ReaderFailureTest, CostsTheOneFileWhateverTheReaderDoes) {
    constexpr const char* kSecret = "zarvo-secret-7731";
    struct Row {
        const char* fault;
        std::vector<std::pair<std::string, std::optional<std::string>>> environment;
        const char* refusal;
    };
    const Row rows[] = {
        {"crash=0", {}, "the reader stopped: Segmentation fault"},
        // Writing, reading the secret out, connecting, creating a process, signalling the front
        // end and running a program: the first call the box does not allow ends the reader.
        {"forbidden=0", {{"ZARVO_FAULT_SIGNAL", "1"}}, "the reader stopped: Bad system call"},
        {"grab=3072", {}, "out of memory"},
        {"stall=0,60000",
         {{"ZARVO_STALL_LIMIT_MS", "1000"}},
         "reading stopped: no data came for 1 s"},
        {"spin=0",
         {},
         "reading stopped after 3 s of work without reaching the end of the streams' headers"},
    };
    const std::string a = Report("a.mpg", "mpeg2_mp2.mpg");
    const std::string c = Report("c.wav", "pcm.wav");
    const auto named = [](const std::string& report) {
        return report.substr(report.find('\n') + 1);
    };
    const struct {
        const char* label;
        std::vector<std::string> arguments;
        std::string out, err;
    } shapes[] = {
        {"a folder, one reader",
         {"-j1", "-r", "tree"},
         a + "\n" + c,
         "\nzarvo-report: 2 reports, 0 files skipped as not media, 1 unreadable\n"},
        {"a folder, two readers",
         {"-j2", "-r", "tree"},
         a + "\n" + c,
         "\nzarvo-report: 2 reports, 0 files skipped as not media, 1 unreadable\n"},
        {"files named",
         {"tree/a.mpg", "tree/b.avi", "tree/c.wav"},
         named(a) + "\n" + named(c),
         "\n"},
    };
    for (const Row& row : rows) {
        for (const auto& shape : shapes) {
            SCOPED_TRACE(std::string(row.fault) + ", " + shape.label);
            const Scratch scratch;
            scratch.Copy("mpeg2_mp2.mpg", "tree/a.mpg");
            scratch.Copy("xvid_mp3.avi", "tree/b.avi");
            scratch.Copy("pcm.wav", "tree/c.wav");
            std::ofstream(scratch.Path() / "secret.txt") << kSecret;
            const Listener listener;
            ASSERT_NE(listener.Port(), 0);
            auto environment = row.environment;
            environment.insert(environment.end(),
                               {{"LD_PRELOAD", ZARVO_FAULT_SHIM},
                                {"ZARVO_FAULT_FILE", "tree/b.avi"},
                                {"ZARVO_FAULT", row.fault},
                                {"ZARVO_FAULT_WRITE", (scratch.Path() / "written.txt").string()},
                                {"ZARVO_FAULT_SECRET", (scratch.Path() / "secret.txt").string()},
                                {"ZARVO_FAULT_PORT", std::to_string(listener.Port())},
                                {"ZARVO_FAULT_TOUCH", (scratch.Path() / "touched").string()}});
            const zarvo::test::ChildResult run = zarvo::test::RunChild({
                .program = ZARVO_REPORT,
                .arguments = shape.arguments,
                .directory = scratch.Path(),
                .environment = environment,
                // The loop's processor limit takes longer on a busy machine.
                .timeLimitSeconds = 180,
            });
            ASSERT_FALSE(run.timedOut) << zarvo::test::DescribeEnd(run);
            EXPECT_EQ(run.exitCode, 1) << zarvo::test::DescribeEnd(run);
            EXPECT_EQ(run.out, shape.out);
            EXPECT_EQ(run.err, std::string("zarvo-report: tree/b.avi: ") + row.refusal + shape.err);
            EXPECT_EQ(run.out.find(kSecret), std::string::npos);
            EXPECT_EQ(run.err.find(kSecret), std::string::npos);
            EXPECT_FALSE(fs::exists(scratch.Path() / "written.txt"));
            EXPECT_FALSE(fs::exists(scratch.Path() / "touched"));
            EXPECT_FALSE(listener.Connected());
        }
    }
}

} // namespace
