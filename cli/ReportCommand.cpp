// zarvo-report: prints the report of each named media file, or of the files in named folders.
#include "cli/CommandLine.h"
#include "cli/InOrder.h"
#include "cli/JsonReport.h"
#include "cli/PrintableName.h"
#include "cli/ProgressLine.h"
#include "cli/ReportWriter.h"
#include "cli/RunSummary.h"
#include "reader/ReaderPool.h"
#include "report/FileReport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
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

// How often the progress line is brought up to date while the next report is awaited.
constexpr std::chrono::milliseconds kTick{100};

} // namespace

int main(int argc, char** argv) {
    const zarvo::ParsedArguments parsed = zarvo::ParseArguments(argc, argv);
    if (!parsed.command)
        return parsed.exitStatus;
    const zarvo::CommandLine& command = *parsed.command;

    std::setlocale(LC_NUMERIC, "");
    // What the readers hand back outlives the pool, whose thread puts it here.
    zarvo::InOrder<zarvo::WalkResult> walks;
    zarvo::InOrder<zarvo::FileReport> reports;
    // Every file is read by a reader process, in a box that lets it read only beneath the paths
    // named; this process lists and reads nothing itself.
    std::optional<zarvo::ReaderPool> pool;
    try {
        zarvo::ReaderPool::Settings settings;
        settings.paths = command.paths;
        settings.readers = std::max(1u, command.jobs);
        settings.format = zarvo::LocaleFormatSettings();
        // Several paths, or a walk down folders, will likely keep several readers busy.
        settings.manyFiles =
            settings.readers > 1 && (command.recursive || command.paths.size() > 1);
        pool.emplace(std::move(settings));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zarvo-report: %s\n", error.what());
        return 1;
    }

    // The folders are listed by the readers too, watched as their reads are.
    const zarvo::WalkOptions walk{command.recursive, command.followLinks, command.paths.size() > 1};
    for (std::size_t i = 0; i < command.paths.size(); ++i)
        pool->Walk(command.paths[i], walk,
                   [&walks, i](zarvo::WalkResult found) { walks.Put(i, std::move(found)); });
    std::vector<zarvo::WorkItem> items;
    bool anyFolder = false;
    for (std::size_t i = 0; i < command.paths.size(); ++i) {
        std::optional<zarvo::WalkResult> found;
        while (!(found = walks.Take(i, kTick))) {
        }
        if (found->refusal) {
            // Whether it was a folder is not known: it is refused as a named path is.
            zarvo::WorkItem& item = items.emplace_back();
            item.path = command.paths[i];
            item.listError = *found->refusal;
            continue;
        }
        anyFolder = anyFolder || found->isFolder;
        items.insert(items.end(), std::make_move_iterator(found->items.begin()),
                     std::make_move_iterator(found->items.end()));
    }

    // A closed pipe is reported by the write that fails, so the run can stop cleanly.
    std::signal(SIGPIPE, SIG_IGN);
    const bool outToTerminal = ::isatty(1) == 1;
    zarvo::ReportWriter out(1, outToTerminal, !command.json);
    zarvo::ProgressLine progress(::isatty(2) == 1);
    zarvo::RunCounts counts;
    bool failed = false;

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
    // At most four reports for each reader are asked for ahead of the one to be printed next, so
    // memory stays bounded however long the run. Each reader holds two of them, the one it reads
    // and the next; the rest keep the other readers busy while the one in front is slow. The
    // pool's thread puts each report where the printing loop finds it.
    const std::size_t window = 4 * std::size_t{std::max(1u, command.jobs)};
    std::size_t asked = 0;
    const auto ask = [&](std::size_t taken) {
        for (; asked < items.size() && asked < taken + window; ++asked)
            pool->Report(items[asked], outToTerminal && !command.json, command.json,
                         [&reports, i = asked](zarvo::FileReport report) {
                             reports.Put(i, std::move(report));
                         });
    };
    for (std::size_t taken = 0; taken < items.size(); ++taken) {
        ask(taken);
        std::optional<zarvo::FileReport> report;
        while (!(report = reports.Take(taken, kTick)))
            progress.Show(taken, items.size());
        if (!take(taken, *report))
            break;
    }
    progress.Clear();
    // The readers go before the results they would have handed on.
    pool.reset();

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
    return status;
}
