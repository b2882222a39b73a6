// zarvo-report: prints the report of each named media file, or of the files in named folders.
#include "cli/CommandLine.h"
#include "cli/FileReport.h"
#include "cli/FolderWalk.h"
#include "cli/JsonReport.h"
#include "cli/OrderedRunner.h"
#include "cli/PrintableName.h"
#include "cli/ProgressLine.h"
#include "cli/ReportWriter.h"
#include "cli/RunSummary.h"
#include "platform/HResult.h"
#include "platform/MediaDet.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

void Complain(std::string_view name, const std::string& why) {
    std::fprintf(stderr, "zarvo-report: %s: %s\n", zarvo::PrintableName(name).c_str(),
                 zarvo::PrintableName(why).c_str());
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

// Each job holds up to four descriptors at once (its folder, the file listed, the file read and
// the one its size is read from), so the soft limit is raised as far as allowed, and where it
// stays low fewer jobs run than asked for rather than files be refused for want of descriptors.
unsigned JobsTheDescriptorsAllow(unsigned asked) {
    constexpr rlim_t kEachJob = 4;
    constexpr rlim_t kOthers = 32; // standard streams, libraries, the folder walk
    rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return asked;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
            ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= kOthers + kEachJob * asked)
        return asked;
    if (limit.rlim_cur < kOthers + kEachJob)
        return 1;
    return static_cast<unsigned>((limit.rlim_cur - kOthers) / kEachJob);
}

} // namespace

int main(int argc, char** argv) {
    const zarvo::ParsedArguments parsed = zarvo::ParseArguments(argc, argv);
    if (!parsed.command)
        return parsed.exitStatus;
    const zarvo::CommandLine& command = *parsed.command;

    std::vector<zarvo::WorkItem> items;
    bool anyFolder = false;
    const zarvo::WalkOptions walk{command.recursive, command.followLinks, command.paths.size() > 1};
    for (const std::string& path : command.paths)
        anyFolder = zarvo::AddPath(path, walk, items) || anyFolder;

    std::setlocale(LC_NUMERIC, "");
    const zarvo::FormatSettings settings = zarvo::LocaleFormatSettings();
    const unsigned jobs = JobsTheDescriptorsAllow(static_cast<unsigned>(
        std::max<std::size_t>(1, std::min<std::size_t>(command.jobs, items.size()))));
    // Each report creates a detector of its own, so reports on several threads share none.
    zarvo::SilenceMediaLibraryLog();
    const zarvo::ClassRegistration detector = zarvo::RegisterMediaDet();

    // A closed pipe is reported by the write that fails, so the run can stop cleanly.
    std::signal(SIGPIPE, SIG_IGN);
    const bool outToTerminal = ::isatty(1) == 1;
    zarvo::ReportWriter out(1, outToTerminal, !command.json);
    zarvo::ProgressLine progress(::isatty(2) == 1);
    zarvo::RunCounts counts;
    bool failed = false;

    const auto work = [&](std::size_t i) {
        return zarvo::BuildFileReport(items[i], settings, outToTerminal && !command.json,
                                      command.json);
    };
    const auto take = [&](std::size_t i, zarvo::FileReport& report) {
        Count(report, counts);
        if (outToTerminal)
            progress.Clear();
        // Every file has its JSON object, with a report or without.
        const std::string& shown = items[i].inFolder ? items[i].shownPath : items[i].path;
        if (!out.Add(command.json ? zarvo::JsonLine(shown, report, outToTerminal) : report.text))
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
    // The probe's own refusal, given while the read that stalled may still be blocked.
    const auto stalled = [](std::size_t) {
        return zarvo::FileReport{zarvo::FileOutcome::Unreadable,
                                 {},
                                 zarvo::DescribeStatus(zarvo::ZARVO_E_READ_STALLED),
                                 {}};
    };
    const zarvo::RunEnd end = zarvo::RunInOrder(items.size(), jobs, work, take, idle, stalled,
                                                std::chrono::milliseconds(100));
    progress.Clear();

    int status = failed ? 1 : 0;
    if (!out.Flush()) {
        // Stopped by a reader that went away, as `| head` does: it asked for no more, so the
        // run ends without a word. Any other failure loses reports and is told.
        if (out.Error() != EPIPE)
            std::fprintf(stderr, "zarvo-report: cannot write the report: %s\n",
                         std::strerror(out.Error()));
        status = 1;
    } else if (anyFolder) {
        std::fprintf(stderr, "%s\n", zarvo::SummaryLine(counts).c_str());
    }
    // A thread still blocked in a read uses the items, the settings and the detector's class:
    // the process ends without destroying them under it.
    if (end.abandoned != 0) {
        std::fflush(nullptr);
        ::_exit(status);
    }
    return status;
}
