// zarvo-report: prints the report of each named media file, or of the files in named folders.
#include "cli/CommandLine.h"
#include "cli/FileReport.h"
#include "cli/FolderWalk.h"
#include "cli/OrderedRunner.h"
#include "cli/PrintableName.h"
#include "cli/ProgressLine.h"
#include "cli/ReportWriter.h"
#include "cli/RunSummary.h"
#include "platform/MediaDet.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void Complain(std::string_view name, const std::string& why) {
    std::fprintf(stderr, "zarvo-report: %s: %s\n", zarvo::PrintableName(name).c_str(), why.c_str());
}

// Whether a file without a report gets its line on standard error and fails the run: a file
// named on the command line always does, a file in a folder unless it is simply not media.
bool IsFailure(const zarvo::WorkItem& item, const zarvo::FileReport& report) {
    if (report.outcome == zarvo::FileOutcome::Reported)
        return false;
    return !item.inFolder || report.outcome == zarvo::FileOutcome::Unreadable;
}

void Count(const zarvo::FileReport& report, zarvo::RunCounts& counts) {
    switch (report.outcome) {
    case zarvo::FileOutcome::Reported:
        ++counts.reports;
        return;
    case zarvo::FileOutcome::NotMedia:
        ++counts.notMedia;
        return;
    case zarvo::FileOutcome::Unreadable:
        ++counts.unreadable;
        return;
    }
}

} // namespace

int main(int argc, char** argv) {
    const zarvo::ParsedArguments parsed = zarvo::ParseArguments(argc, argv);
    if (!parsed.command)
        return parsed.exitStatus;
    const zarvo::CommandLine& command = *parsed.command;

    std::vector<zarvo::WorkItem> items;
    bool anyFolder = false;
    const zarvo::WalkOptions walk{command.recursive, command.followLinks};
    for (const std::string& path : command.paths)
        anyFolder = zarvo::AddPath(path, walk, items) || anyFolder;

    std::setlocale(LC_NUMERIC, "");
    const zarvo::FormatSettings settings = zarvo::LocaleFormatSettings();
    const unsigned jobs = static_cast<unsigned>(
        std::max<std::size_t>(1, std::min<std::size_t>(command.jobs, items.size())));
    // Each report creates a detector of its own, so reports on several threads share none.
    zarvo::SilenceMediaLibraryLog();
    const zarvo::ClassRegistration detector = zarvo::RegisterMediaDet();

    // A closed pipe is reported by the write that fails, so the run can stop cleanly.
    std::signal(SIGPIPE, SIG_IGN);
    const bool outToTerminal = ::isatty(1) == 1;
    zarvo::ReportWriter out(1, outToTerminal);
    zarvo::ProgressLine progress(::isatty(2) == 1);
    zarvo::RunCounts counts;
    bool failed = false;

    const auto work = [&](std::size_t i) {
        return zarvo::BuildFileReport(items[i], settings, outToTerminal);
    };
    const auto take = [&](std::size_t i, zarvo::FileReport& report) {
        Count(report, counts);
        if (outToTerminal)
            progress.Clear();
        if (!out.Add(report.text))
            return false;
        if (IsFailure(items[i], report)) {
            failed = true;
            progress.Clear();
            if (!out.Flush())
                return false;
            Complain(items[i].path, report.problem);
        }
        progress.Show(i + 1, items.size());
        return true;
    };
    const auto idle = [&](std::size_t done) { progress.Show(done, items.size()); };
    zarvo::RunInOrder<zarvo::FileReport>(items.size(), jobs, work, take, idle,
                                         std::chrono::milliseconds(100));
    progress.Clear();

    if (!out.Flush()) {
        // Stopped by a reader that went away, as `| head` does: it asked for no more, so the
        // run ends without a word. Any other failure loses reports and is told.
        if (out.Error() != EPIPE)
            std::fprintf(stderr, "zarvo-report: cannot write the report: %s\n",
                         std::strerror(out.Error()));
        return 1;
    }
    if (anyFolder)
        std::fprintf(stderr, "%s\n", zarvo::SummaryLine(counts).c_str());
    return failed ? 1 : 0;
}
