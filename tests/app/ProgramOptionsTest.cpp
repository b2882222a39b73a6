// The desktop program's own options: what is read from the command line, and --help and
// --version answered without a display.
#include "app/ProgramOptions.h"

#include "support/CaseName.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zarvo::test {
namespace {

using Request = ProgramOptions::Request;
using Arguments = std::vector<std::string>;

struct OptionsCase {
    const char* name;
    Arguments arguments; // program name first
    Request request;
    Arguments toolkitArguments;
    Arguments files;
};

class ProgramOptionsTest : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(ProgramOptionsTest, ReadsTheRequestAndWhatFollowsTheEndOfOptions) {
    const ProgramOptions options = ReadProgramOptions(GetParam().arguments);

    EXPECT_EQ(options.request, GetParam().request);
    EXPECT_EQ(options.toolkitArguments, GetParam().toolkitArguments);
    EXPECT_EQ(options.files, GetParam().files);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ProgramOptionsTest,
    ::testing::Values(
        OptionsCase{"Help", {"zarvo", "--help"}, Request::Help, {"zarvo", "--help"}, {}},
        OptionsCase{"VersionAfterAFile",
                    {"zarvo", "clip.avi", "--version"},
                    Request::Version,
                    {"zarvo", "clip.avi", "--version"},
                    {}},
        OptionsCase{"FileNamedLikeAnOption",
                    {"zarvo", "--", "--help"},
                    Request::Window,
                    {"zarvo"},
                    {"--help"}},
        // Only the first "--" ends the options, and the toolkit never sees what follows it.
        OptionsCase{"ToolkitOptionsBeforeTheEnd",
                    {"zarvo", "-platform", "offscreen", "--", "-reverse", "--"},
                    Request::Window,
                    {"zarvo", "-platform", "offscreen"},
                    {"-reverse", "--"}}),
    CaseName{});

struct AnswerCase {
    const char* name;
    const char* option;
    const char* begins; // what standard output begins with
};

class ProgramAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(ProgramAnswerTest, PrintsOnStandardOutputAndExitsWithoutADisplay) {
    // With no display to be had, a program that started the toolkit would fail.
    const ChildResult result = RunChild({.program = ZARVO_PROGRAM,
                                         .arguments = {GetParam().option},
                                         .environment = {{"QT_QPA_PLATFORM", "xcb"},
                                                         {"DISPLAY", std::nullopt},
                                                         {"WAYLAND_DISPLAY", std::nullopt}}});

    ASSERT_EQ(result.exitCode, 0) << DescribeEnd(result) << result.err;
    EXPECT_TRUE(result.out.starts_with(GetParam().begins)) << result.out;
    EXPECT_TRUE(result.out.ends_with("\n"));
    EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(Options, ProgramAnswerTest,
                         ::testing::Values(AnswerCase{"Help", "--help", "Usage: zarvo "},
                                           AnswerCase{"Version", "--version",
                                                      "zarvo " ZARVO_VERSION "\n"}),
                         CaseName{});

} // namespace
} // namespace zarvo::test
