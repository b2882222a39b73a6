// zarvo-report run as a user runs it: its output, messages and exit status.
#include "support/ChildProcess.h"
#include "support/ScratchDir.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::filesystem::path kMedia = ZARVO_TEST_MEDIA;
const std::filesystem::path kExpected = ZARVO_TEST_EXPECTED;

struct CommandResult {
    int status; // the exit code, or 128 and the signal's number
    std::string out;
    std::string err;
};

using zarvo::test::StandardOutput;
using Output = StandardOutput;

// Runs zarvo-report with `arguments` in `directory`, standard input on /dev/null.
CommandResult RunCommand(const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory = kMedia,
                         Output output = Output::Pipe) {
    const zarvo::test::ChildResult run = zarvo::test::RunChild({.program = ZARVO_REPORT,
                                                                .arguments = arguments,
                                                                .directory = directory,
                                                                .output = output});
    EXPECT_FALSE(run.timedOut || !run.startError.empty()) << zarvo::test::DescribeEnd(run);
    return {run.signal != 0 ? 128 + run.signal : run.exitCode, run.out, run.err};
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
    ASSERT_EQ(::mkfifo((directory / "pipe.avi").c_str(), 0600), 0);
    std::filesystem::copy_file(kMedia / "pcm.wav", directory / "-x.wav");
    std::filesystem::copy_file(kMedia / "pcm.wav", directory / "line\nbreak.wav");

    const CommandResult run = RunCommand(
        {"missing.avi", "notes.avi", "pipe.avi", "--", "-x.wav", "line\nbreak.wav"}, directory);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "zarvo-report: missing.avi: no such file\n"
                       "zarvo-report: notes.avi: not a media file that can be read\n"
                       "zarvo-report: pipe.avi: not a regular file\n");
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
        {{"--help"}, 0, "Usage: zarvo-report [OPTION]... [--] PATH...\n", ""},
        {{"-j", "0", "."},
         2,
         "",
         "zarvo-report: invalid job count '0' (from 1 to 256)\nTry 'zarvo-report --help'.\n"},
        {{"--jobs=2x", "."},
         2,
         "",
         "zarvo-report: invalid job count '2x' (from 1 to 256)\nTry 'zarvo-report --help'.\n"},
        {{".", "-j"},
         2,
         "",
         "zarvo-report: option '-j' needs a number\nTry 'zarvo-report --help'.\n"},
        {{"-rx", "."}, 2, "", "zarvo-report: unknown option '-x'\nTry 'zarvo-report --help'.\n"},
        {{"--recursive=yes", "."},
         2,
         "",
         "zarvo-report: unknown option '--recursive=yes'\nTry 'zarvo-report --help'.\n"},
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

// A scratch folder with helpers that fill it.
class TempFolder : public zarvo::test::ScratchDir {
public:
    void Copy(const char* clip, const std::string& name) const {
        std::filesystem::create_directories((Path() / name).parent_path());
        std::filesystem::copy_file(kMedia / clip, Path() / name);
    }
    void Text(const std::string& name) const { std::ofstream(Path() / name) << "plain text\n"; }
    void Link(const std::string& target, const std::string& name) const {
        std::filesystem::create_symlink(target, Path() / name);
    }
};

// The known report of `clip` under another file name.
std::string ReportAs(const char* clip, const std::string& name) {
    const std::string report = Expected(clip);
    return "File:\t\t" + name + report.substr(report.find('\n'));
}

std::string PathLines(const std::string& out) {
    std::string lines;
    std::istringstream text(out);
    for (std::string line; std::getline(text, line);)
        if (line.starts_with("==> "))
            lines += line + "\n";
    return lines;
}

// Media, non-media, a FIFO, a dangling link, a link to a clip, a symlinked folder and a loop.
void MakeMixedTree(const TempFolder& tree) {
    tree.Copy("pcm.wav", "a-b.wav");
    tree.Copy("xvid_mp3.avi", "a/x.avi");
    tree.Copy("h264_aac.mp4", "sub/deeper/clip.mp4");
    tree.Text("notes.txt");
    tree.Text("sub/notes.avi");
    ASSERT_EQ(::mkfifo((tree.Path() / "sub/pipe").c_str(), 0600), 0);
    tree.Link("missing.avi", "dangling.avi");
    tree.Link((kMedia / "pcm.wav").string(), "linked.wav");
    tree.Link("../sub", "a/loop");
    tree.Link("../..", "sub/deeper/up");
}

TEST(ReportCommandTest, FoldersReportTheirFilesInByteOrderOfPaths) {
    const TempFolder tree;
    MakeMixedTree(tree);
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string pathLines;
        std::string err;
    };
    const Case cases[] = {
        {{"."},
         1,
         "==> a-b.wav <==\n==> linked.wav <==\n",
         "zarvo-report: ./dangling.avi: no such file\n"
         "zarvo-report: 2 reports, 1 file skipped as not media, 1 unreadable\n"},
        {{"-r", "."},
         1,
         "==> a-b.wav <==\n==> a/x.avi <==\n==> linked.wav <==\n==> sub/deeper/clip.mp4 <==\n",
         "zarvo-report: ./dangling.avi: no such file\n"
         "zarvo-report: ./sub/pipe: not a regular file\n"
         "zarvo-report: 4 reports, 2 files skipped as not media, 2 unreadable\n"},
        // Through the symlinked folder first, in byte order; the loop back to the top and the
        // second way into sub/ add nothing.
        {{"-rL", "."},
         1,
         "==> a-b.wav <==\n==> a/loop/deeper/clip.mp4 <==\n==> a/x.avi <==\n==> linked.wav <==\n",
         "zarvo-report: ./a/loop/pipe: not a regular file\n"
         "zarvo-report: ./dangling.avi: no such file\n"
         "zarvo-report: 4 reports, 2 files skipped as not media, 2 unreadable\n"},
        {{"--recursive", "a/"},
         0,
         "==> x.avi <==\n",
         "zarvo-report: 1 report, 0 files skipped as not media, 0 unreadable\n"},
        // A file named beside a folder still has its message, and fails the run. With several
        // paths, each heading starts with the folder argument it was found in.
        {{"notes.txt", "a"},
         1,
         "==> a/x.avi <==\n",
         "zarvo-report: notes.txt: not a media file that can be read\n"
         "zarvo-report: 1 report, 1 file skipped as not media, 0 unreadable\n"},
        {{"sub/pipe", "-r", "sub"},
         1,
         "==> sub/deeper/clip.mp4 <==\n",
         "zarvo-report: sub/pipe: not a regular file\n"
         "zarvo-report: sub/pipe: not a regular file\n"
         "zarvo-report: 1 report, 1 file skipped as not media, 2 unreadable\n"},
        // The same folder under two names: the same relative paths, told apart.
        {{"-r", "sub/", "a/loop"},
         1,
         "==> sub/deeper/clip.mp4 <==\n==> a/loop/deeper/clip.mp4 <==\n",
         "zarvo-report: sub/pipe: not a regular file\n"
         "zarvo-report: a/loop/pipe: not a regular file\n"
         "zarvo-report: 2 reports, 2 files skipped as not media, 2 unreadable\n"},
    };
    for (const Case& c : cases) {
        const CommandResult run = RunCommand(c.arguments, tree.Path());
        const std::string label = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(run.status, c.status) << label;
        EXPECT_EQ(PathLines(run.out), c.pathLines) << label;
        EXPECT_EQ(run.err, c.err) << label;
    }
    EXPECT_EQ(RunCommand({"--recursive", "a/"}, tree.Path()).out,
              "==> x.avi <==\n" + ReportAs("xvid_mp3.avi", "x.avi"));
}

// The box of a reader holds what was named; links the walk followed out of it still lead to files.
TEST(ReportCommandTest, LinksOutOfTheNamedFolderAreFollowedAsBefore) {
    const TempFolder tree;
    tree.Copy("pcm.wav", "named/a.wav");
    tree.Copy("xvid_mp3.avi", "outside/x.avi");
    tree.Copy("h264_aac.mp4", "outside/deeper/clip.mp4");
    tree.Link("../outside", "named/linked");
    tree.Link("../outside/deeper/clip.mp4", "named/clip.mp4");
    for (const auto& [arguments, pathLines] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"named"}, "==> a.wav <==\n==> clip.mp4 <==\n"},
             {{"-rL", "named"},
              "==> a.wav <==\n==> clip.mp4 <==\n==> linked/deeper/clip.mp4 <==\n"
              "==> linked/x.avi <==\n"}}) {
        const CommandResult run = RunCommand(arguments, tree.Path());
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(PathLines(run.out), pathLines);
    }
}

TEST(ReportCommandTest, AFileDeeperThanTheLongestPathIsReported) {
    const TempFolder tree;
    // 2,100 levels of "d/": 4,200 bytes of path, beyond the 4,096 a path may have.
    constexpr int kLevels = 2100;
    std::string shown;
    int fd = ::open(tree.Path().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < kLevels && fd >= 0; ++level) {
        const int next =
            ::mkdirat(fd, "d", 0700) == 0 ? ::openat(fd, "d", O_RDONLY | O_DIRECTORY) : -1;
        ::close(fd);
        fd = next;
        shown += "d/";
    }
    ASSERT_GE(fd, 0);
    std::ifstream clip(kMedia / "pcm.wav", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(clip)), {});
    const int out = ::openat(fd, "deep.wav", O_WRONLY | O_CREAT | O_EXCL, 0600);
    ::close(fd);
    ASSERT_GE(out, 0);
    ASSERT_EQ(::write(out, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(out);

    const CommandResult run = RunCommand({"-r", "."}, tree.Path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "zarvo-report: 1 report, 0 files skipped as not media, 0 unreadable\n");
    EXPECT_EQ(run.out, "==> " + shown + "deep.wav <==\n" + ReportAs("pcm.wav", "deep.wav"));
    // A tree this deep is beyond what removal by path can reach; rm goes by descriptors too.
    const zarvo::test::ChildResult removed =
        zarvo::test::RunChild({.program = "/bin/rm",
                               .arguments = {"-rf", (tree.Path() / "d").string()},
                               .timeLimitSeconds = 60});
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
}

TEST(ReportCommandTest, ParallelRunsWriteTheSameReportsInTheSameOrder) {
    // Three copies of every clip, with a file that is not media beside each.
    const TempFolder tree;
    std::string expected;
    for (const char* folder : {"f1", "f2", "f3"}) {
        for (const char* clip : kClips)
            tree.Copy(clip, std::string(folder) + "/" + clip);
        tree.Text(std::string(folder) + "/notes.avi");
    }
    std::vector<std::string> clips(std::begin(kClips), std::end(kClips));
    std::sort(clips.begin(), clips.end());
    for (const char* folder : {"f1", "f2", "f3"}) {
        for (const std::string& clip : clips) {
            expected += expected.empty() ? "" : "\n";
            expected += "==> " + std::string(folder) + "/" + clip + " <==\n" + Expected(clip);
        }
    }
    const std::vector<std::string> jobs[] = {
        {"-j", "1"}, {"-j2"}, {"--jobs=3"}, {"--jobs", "8"}, {"-rj", "5"}};
    for (std::vector<std::string> arguments : jobs) {
        const std::string label = ::testing::PrintToString(arguments);
        arguments.insert(arguments.end(), {"-r", "."});
        const CommandResult run = RunCommand(arguments, tree.Path());
        EXPECT_EQ(run.status, 0) << label;
        EXPECT_EQ(run.err, "zarvo-report: 24 reports, 3 files skipped as not media, 0 unreadable\n")
            << label;
        EXPECT_EQ(run.out, expected) << label;
    }
    // Too few descriptors for eight jobs: fewer run, and no file is refused for want of one.
    const zarvo::test::ChildResult limited = zarvo::test::RunChild(
        {.program = "/usr/bin/prlimit",
         .arguments = {"--nofile=24", "--", ZARVO_REPORT, "-j", "8", "-r", "."},
         .directory = tree.Path()});
    EXPECT_EQ(limited.exitCode, 0) << limited.err;
    EXPECT_EQ(limited.out, expected);
}

TEST(ReportCommandTest, OutputThatCannotBeWrittenStopsTheRun) {
    const TempFolder tree;
    MakeMixedTree(tree);
    tree.Copy("pcm.wav", "pcm.wav");
    struct Case {
        Output output;
        std::vector<std::string> arguments;
        std::string err;
    };
    // Nothing after the failed write: no further messages, no summary.
    const Case cases[] = {
        {Output::Full,
         {"-r", "."},
         "zarvo-report: cannot write the report: No space left on device\n"},
        {Output::Full,
         {"pcm.wav", "missing.avi", "pcm.wav"},
         "zarvo-report: cannot write the report: No space left on device\n"},
        // A reader that went away, as `| head` does, asked for no more: no message.
        {Output::ClosedPipe, {"-r", "."}, ""},
        {Output::ClosedPipe, {"pcm.wav"}, ""},
    };
    for (const Case& c : cases) {
        const CommandResult run = RunCommand(c.arguments, tree.Path(), c.output);
        const std::string label = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(run.status, 1) << label;
        EXPECT_EQ(run.err, c.err) << label;
    }
}

TEST(ReportCommandTest, ControlCharactersInNamesAreEscapedOnlyOnATerminal) {
    // C0 controls, a raw C1 byte, U+009B (CSI) and a right-to-left override.
    const std::string folder = "in\x1b[31m\x9b";
    const std::string file = "line\nbreak\xe2\x80\xae\xc2\x9b.wav";
    const TempFolder tree;
    tree.Copy("pcm.wav", folder + "/" + file);
    struct Case {
        Output output;
        std::vector<std::string> arguments;
        std::string out;
    };
    const std::string escaped = "line\\x0Abreak\\xE2\\x80\\xAE\\xC2\\x9B.wav";
    const Case cases[] = {
        {Output::Terminal,
         {"-r", "."},
         "==> in\\x1B[31m\\x9B/" + escaped + " <==\n" + ReportAs("pcm.wav", escaped)},
        {Output::Terminal, {folder + "/" + file}, ReportAs("pcm.wav", escaped)},
        {Output::Pipe,
         {"-r", "."},
         "==> " + folder + "/" + file + " <==\n" + ReportAs("pcm.wav", file)},
    };
    for (const Case& c : cases) {
        const CommandResult run = RunCommand(c.arguments, tree.Path(), c.output);
        const std::string label = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(run.status, 0) << label;
        EXPECT_EQ(run.out, c.out) << label;
    }
}

} // namespace
