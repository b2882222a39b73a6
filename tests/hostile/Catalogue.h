// The hostile-input catalogue: each case is made in a temporary directory and run through the
// report builder (with the real detector) and through zarvo-report, each in a child process with
// a hang guard; the test then checks the outcome and that nothing on disk was written.
#pragma once

#include "hostile/Snapshot.h"
#include "support/ChildProcess.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zarvo::hostile {

enum class Expect {
    Reported, // a report, on the view and on standard output
    Refused,  // no report: the view untouched, and the stated reason on standard error
    Either,   // whichever, as long as it is one of the two, well formed
};

struct Case {
    std::string label;
    std::string path; // as given to both programs; relative names are taken in CasesDirectory()
    Expect expect = Expect::Either;
    std::string reason; // for Refused: what zarvo-report says after the name
    // Further checks of a report's lines.
    std::function<void(const std::vector<std::string>&)> checkReport = {};
    // Changes the file after the detector opened it (an action of hostile_builder_run); such a
    // case runs through the report builder only.
    std::string afterOpen;
    // A folder is a list of files to zarvo-report, and its reading has tests of its own; such a
    // case runs through the report builder only.
    bool builderOnly = false;
    // The file must be unreadable to the children; a child that can read it anyway (root, or an
    // account that may override permissions) ends with kCannotDenyAccess and the case is skipped.
    bool unreadable = false;
};

using ReportCheck = std::function<void(const std::vector<std::string>&)>;

Case Reported(std::string label, std::string path, ReportCheck check = {});
Case Refused(std::string label, std::string path, std::string reason);
Case Either(std::string label, std::string path);

// What the report builder did, as hostile_builder_run prints it.
struct BuilderOutcome {
    std::string result, status, title, caption;
    std::vector<std::string> messages, lines;
};

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Where the cases' files are made; the children's working directory.
    const std::filesystem::path& CasesDirectory() const { return cases_; }
    std::filesystem::path Path(const std::string& name) const { return cases_ / name; }
    // Makes a file holding `bytes`.
    void Write(const std::string& name, std::string_view bytes) const;

    // Runs every case, then checks that nothing under the temporary directory (cases and the
    // children's home) changed, except inside the directories (under the cases' one) that the
    // cases' own actions change.
    // Returns false when a case was skipped because its file could not be made unreadable.
    bool RunAll(const std::vector<Case>& cases, const std::set<std::string>& changedByCases = {},
                const std::optional<test::Account>& runAs = std::nullopt);

private:
    bool RunOne(const Case& c, const std::optional<test::Account>& runAs);
    test::ChildResult Run(const std::filesystem::path& program,
                          const std::vector<std::string>& arguments,
                          const std::optional<test::Account>& runAs, const Case& c) const;

    std::filesystem::path root_, cases_, home_;
    Snapshot media_;
};

// The fixture clips and the reports that zarvo-report gives of them.
const std::filesystem::path& MediaDirectory();
std::vector<std::string> FixtureClips();
std::string ReadFile(const std::filesystem::path& path);
std::vector<std::string> ExpectedReport(const std::string& clip);

} // namespace zarvo::hostile
