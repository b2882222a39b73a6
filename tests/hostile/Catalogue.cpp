// Running one hostile case through both front ends and holding them to the same promises.
#include "hostile/Catalogue.h"

#include "cli/PrintableName.h"
#include "hostile/ReportShape.h"
#include "support/RecordingView.h"

#include <fstream>
#include <sstream>

namespace zarvo::hostile {
namespace {

// Generous: the detector gives up on a file after a few seconds itself; this only catches hangs.
constexpr int kHangGuardSeconds = 10;

std::string Unescape(std::string_view text) {
    std::string value;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            value += text[i + 1] == 'n' ? '\n' : text[i + 1];
            ++i;
        } else {
            value += text[i];
        }
    }
    return value;
}

BuilderOutcome Decode(const std::string& out) {
    BuilderOutcome outcome;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        const std::string name = line.substr(0, equals);
        const std::string value =
            equals == std::string::npos ? "" : Unescape(std::string_view(line).substr(equals + 1));
        if (name == "result")
            outcome.result = value;
        else if (name == "status")
            outcome.status = value;
        else if (name == "title")
            outcome.title = value;
        else if (name == "caption")
            outcome.caption = value;
        else if (name == "message")
            outcome.messages.push_back(value);
        else if (name == "line")
            outcome.lines.push_back(value);
    }
    return outcome;
}

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A child's end that no input may cause: a crash, a hang, or (under the sanitizers) a report.
void ExpectCleanEnd(const test::ChildResult& run, const char* who) {
    EXPECT_TRUE(run.startError.empty()) << who << ": " << run.startError;
    EXPECT_FALSE(run.timedOut) << who << " hung and was killed by the hang guard";
    EXPECT_EQ(run.signal, 0) << who << " " << test::DescribeEnd(run) << "\n" << run.err;
}

} // namespace

Case Reported(std::string label, std::string path, ReportCheck check) {
    Case c;
    c.label = std::move(label);
    c.path = std::move(path);
    c.expect = Expect::Reported;
    c.checkReport = std::move(check);
    return c;
}

Case Refused(std::string label, std::string path, std::string reason) {
    Case c;
    c.label = std::move(label);
    c.path = std::move(path);
    c.expect = Expect::Refused;
    c.reason = std::move(reason);
    return c;
}

Case Either(std::string label, std::string path) {
    Case c;
    c.label = std::move(label);
    c.path = std::move(path);
    return c;
}

const std::filesystem::path& MediaDirectory() {
    static const std::filesystem::path media = ZARVO_TEST_MEDIA;
    return media;
}

std::vector<std::string> FixtureClips() {
    return {"xvid_mp3.avi",      "mjpeg_pcm.avi", "h264_aac_srt.mkv", "h264_aac.mp4",
            "theora_vorbis.ogv", "mpeg2_mp2.mpg", "wmv2_wma2.wmv",    "pcm.wav"};
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::vector<std::string> ExpectedReport(const std::string& clip) {
    std::istringstream text(ReadFile(std::filesystem::path(ZARVO_TEST_EXPECTED) / (clip + ".txt")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

void Catalogue::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarvo-hostile-XXXXXX");
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    cases_ = root_ / "cases";
    home_ = root_ / "home";
    std::filesystem::create_directory(cases_);
    std::filesystem::create_directory(home_);
    // The children may run as an unprivileged account, which must reach the cases.
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all |
                                            std::filesystem::perms::group_exec |
                                            std::filesystem::perms::others_exec);
    media_ = TakeSnapshot(MediaDirectory());
}

void Catalogue::TearDown() {
    EXPECT_EQ(DescribeChanges(media_, TakeSnapshot(MediaDirectory())), "")
        << "the fixture clips changed";
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void Catalogue::Write(const std::string& name, std::string_view bytes) const {
    std::ofstream file(Path(name), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << "cannot make " << name;
}

test::ChildResult Catalogue::Run(const std::filesystem::path& program,
                                 const std::vector<std::string>& arguments,
                                 const std::optional<test::Account>& runAs, const Case& c) const {
    test::ChildOptions options;
    options.program = program;
    options.arguments = arguments;
    options.directory = cases_;
    // Anything a front end might save would land in its home, which must stay empty.
    options.environment = {{"HOME", home_.string()},          {"LC_ALL", "C"},
                           {"XDG_CONFIG_HOME", std::nullopt}, {"XDG_CACHE_HOME", std::nullopt},
                           {"XDG_DATA_HOME", std::nullopt},   {"XDG_STATE_HOME", std::nullopt}};
    options.runAs = runAs;
    if (c.unreadable)
        options.mustNotOpen = c.path;
    options.timeLimitSeconds = kHangGuardSeconds;
    return test::RunChild(options);
}

bool Catalogue::RunOne(const Case& c, const std::optional<test::Account>& runAs) {
    SCOPED_TRACE(c.label + " [" + zarvo::PrintableName(c.path) + "]");
    std::vector<std::string> builderArguments;
    if (!c.afterOpen.empty())
        builderArguments.push_back("--after-open=" + c.afterOpen);
    builderArguments.insert(builderArguments.end(), {"--", c.path});
    const test::ChildResult builder = Run(HOSTILE_BUILDER_RUN, builderArguments, runAs, c);
    if (c.unreadable && builder.exitCode == test::kCannotDenyAccess)
        return false;
    ExpectCleanEnd(builder, "the report builder");
    EXPECT_EQ(builder.exitCode, 0) << builder.err;
    EXPECT_EQ(builder.err, "");
    const BuilderOutcome outcome = Decode(builder.out);
    const bool reported = outcome.result == "Reported";
    EXPECT_TRUE(outcome.messages.empty()) << outcome.messages.front();

    if (reported) {
        const ShapeCheck shape = CheckReportShape(outcome.lines);
        EXPECT_EQ(shape.error, "") << test::LinesText(outcome.lines);
        EXPECT_EQ(outcome.title, "Zarvo  [" + c.path + "]");
        EXPECT_EQ(outcome.caption, outcome.title);
        if (!outcome.lines.empty()) {
            EXPECT_EQ(outcome.lines[0], "File:\t\t" + FileNamePart(c.path));
        }
    } else if (outcome.result == "Raised") {
        // A report cut short after it began keeps the lines written so far, which a caller must
        // not take for a report: never more than the file lines.
        EXPECT_LE(outcome.lines.size(), 3u) << test::LinesText(outcome.lines);
    } else {
        // A file without a report leaves the view as it was.
        EXPECT_TRUE(outcome.result == "NotOpened" || outcome.result == "NoStreams")
            << outcome.result << ": " << outcome.status;
        EXPECT_EQ(outcome.title, "previous title");
        EXPECT_EQ(outcome.caption, "previous caption");
        EXPECT_EQ(outcome.lines, std::vector<std::string>{"previous report"});
        // Each refusal says why in words, not as a bare code, and truly: no file here needs more
        // memory than the machine has.
        EXPECT_FALSE(outcome.status.starts_with("error 0x")) << outcome.status;
        EXPECT_NE(outcome.status, "out of memory");
    }
    const std::string reason = outcome.result == "NoStreams" ? "no streams" : outcome.status;
    switch (c.expect) {
    case Expect::Reported:
        EXPECT_TRUE(reported) << outcome.result << ": " << reason;
        break;
    case Expect::Refused:
        EXPECT_FALSE(reported);
        EXPECT_EQ(reason, c.reason);
        break;
    case Expect::Either:
        break;
    }
    if (reported && c.checkReport)
        c.checkReport(outcome.lines);
    if (!c.afterOpen.empty() || c.builderOnly)
        return true;

    const test::ChildResult cli = Run(ZARVO_REPORT, {"--", c.path}, runAs, c);
    ExpectCleanEnd(cli, "zarvo-report");
    if (reported) {
        EXPECT_EQ(cli.exitCode, 0) << cli.err;
        EXPECT_EQ(cli.err, "");
        EXPECT_EQ(cli.out, test::LinesText(outcome.lines))
            << "zarvo-report prints the builder's lines";
    } else {
        EXPECT_EQ(cli.exitCode, 1);
        EXPECT_EQ(cli.err, "zarvo-report: " + zarvo::PrintableName(c.path) + ": " + reason + "\n");
        EXPECT_EQ(cli.out, "");
    }
    return true;
}

bool Catalogue::RunAll(const std::vector<Case>& cases, const std::set<std::string>& changedByCases,
                       const std::optional<test::Account>& runAs) {
    std::set<std::string> skip;
    for (const std::string& name : changedByCases)
        skip.insert((std::filesystem::path("cases") / name).string());
    const Snapshot before = TakeSnapshot(root_, skip);
    bool ran = true;
    for (const Case& c : cases)
        ran = RunOne(c, runAs) && ran;
    EXPECT_EQ(DescribeChanges(before, TakeSnapshot(root_, skip)), "") << "something was written";
    return ran;
}

} // namespace zarvo::hostile
