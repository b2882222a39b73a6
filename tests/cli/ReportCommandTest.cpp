// zarvo-report run as a user runs it: its output, messages and exit status.
#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const std::filesystem::path kMedia = ZARVO_TEST_MEDIA;
const std::filesystem::path kExpected = ZARVO_TEST_EXPECTED;

struct CommandResult {
    int status;
    std::string out;
    std::string err;
};

// Runs zarvo-report with `arguments` in `directory`, standard input closed.
CommandResult RunCommand(const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory = kMedia) {
    int out[2], err[2];
    EXPECT_EQ(::pipe(out), 0);
    EXPECT_EQ(::pipe(err), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        ::close(0);
        if (::chdir(directory.c_str()) != 0)
            ::_exit(127);
        std::vector<char*> argv{const_cast<char*>(ZARVO_REPORT)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(ZARVO_REPORT, argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    CommandResult run{};
    std::array<pollfd, 2> fds{{{out[0], POLLIN, 0}, {err[0], POLLIN, 0}}};
    std::string* sinks[] = {&run.out, &run.err};
    int open = 2;
    while (open > 0 && ::poll(fds.data(), fds.size(), -1) > 0) {
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

std::string Expected(const std::string& clip) {
    std::ifstream file(kExpected / (clip + ".txt"));
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

const char* const kClips[] = {
    "xvid_mp3.avi",      "mjpeg_pcm.avi", "h264_aac_srt.mkv", "h264_aac.mp4",
    "theora_vorbis.ogv", "mpeg2_mp2.mpg", "wmv2_wma2.wmv",    "pcm.wav"};

TEST(ReportCommandTest, EveryClipGivesItsKnownReport) {
    for (const char* clip : kClips) {
        const CommandResult run = RunCommand({clip});
        EXPECT_EQ(run.status, 0) << clip;
        EXPECT_EQ(run.err, "") << clip;
        EXPECT_EQ(run.out, Expected(clip)) << clip;
    }
}

TEST(ReportCommandTest, TwoFilesAreSeparatedByOneEmptyLine) {
    const CommandResult run = RunCommand({"pcm.wav", "xvid_mp3.avi"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, Expected("pcm.wav") + "\n" + Expected("xvid_mp3.avi"));
}

TEST(ReportCommandTest, FilesWithoutAReportAreNamedOnStandardErrorAndTheRestGoOn) {
    char pattern[] = "/tmp/zarvo-cli-XXXXXX";
    const std::filesystem::path directory = ::mkdtemp(pattern);
    std::ofstream(directory / "notes.avi") << "plain text\n";
    std::filesystem::create_directory(directory / "folder");
    std::filesystem::copy_file(kMedia / "pcm.wav", directory / "-x.wav");
    std::filesystem::copy_file(kMedia / "pcm.wav", directory / "line\nbreak.wav");

    const CommandResult run = RunCommand(
        {"missing.avi", "notes.avi", "folder", "--", "-x.wav", "line\nbreak.wav"}, directory);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "zarvo-report: missing.avi: no such file\n"
                       "zarvo-report: notes.avi: not a media file that can be read\n"
                       "zarvo-report: folder: not a regular file\n");
    const std::string pcm = Expected("pcm.wav");
    const std::string body = pcm.substr(pcm.find('\n'));
    EXPECT_EQ(run.out, "File:\t\t-x.wav" + body + "\nFile:\t\tline\nbreak.wav" + body);

    const CommandResult broken = RunCommand({"line\nbreak.avi"}, directory);
    EXPECT_EQ(broken.err, "zarvo-report: line\\x0Abreak.avi: no such file\n");
    std::filesystem::remove_all(directory);
}

TEST(ReportCommandTest, UsageAndInformation) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        const char* outStart;
        const char* err;
    };
    const Case cases[] = {
        {{}, 2, "", "zarvo-report: no file named\nTry 'zarvo-report --help'.\n"},
        {{"-x", "pcm.wav"},
         2,
         "",
         "zarvo-report: unknown option '-x'\nTry 'zarvo-report --help'.\n"},
        {{"--"}, 2, "", "zarvo-report: no file named\nTry 'zarvo-report --help'.\n"},
        {{"--help"}, 0, "Usage: zarvo-report [--] FILE...\n", ""},
        {{"--version"}, 0, "zarvo-report ", ""},
    };
    for (const Case& c : cases) {
        const CommandResult run = RunCommand(c.arguments);
        EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(run.out.substr(0, std::string(c.outStart).size()), c.outStart);
        EXPECT_EQ(run.err, c.err);
        if (c.status != 0) {
            EXPECT_EQ(run.out, "");
        }
    }
}

} // namespace
