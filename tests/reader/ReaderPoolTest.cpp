// The pool turns every way a reader can misbehave into the one refusal for it, and goes on.
#include "reader/ReaderPool.h"

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace zarvo {
namespace {

FileReport ReportThroughAHostileReader(const char* how) {
    ::setenv("ZARVO_HOSTILE_READER", how, 1);
    ReaderPool pool({ReaderPool::Roots::Fixed, {"."}, 1, {}, ZARVO_HOSTILE_READER_PROGRAM});
    std::promise<FileReport> done;
    WorkItem item;
    item.path = "file.avi";
    pool.Report(item, false, false, [&](FileReport report) { done.set_value(std::move(report)); });
    std::future<FileReport> result = done.get_future();
    if (result.wait_for(std::chrono::seconds(60)) != std::future_status::ready)
        return {FileOutcome::Unreadable, {}, "no answer from the pool", {}};
    return result.get();
}

TEST(ReaderPoolTest, EachMisbehaviourIsRefusedInItsOwnWords) {
    // Short, so that the silent reader's row takes a fraction of a second; the shortest a setting
    // may ask for.
    ::setenv("ZARVO_STALL_LIMIT_MS", "500", 1);
    const struct {
        const char* how;
        FileOutcome outcome;
        const char* problem;
    } rows[] = {
        {"good", FileOutcome::Reported, ""},
        {"exit", FileOutcome::Unreadable, "the reader stopped"},
        {"crash", FileOutcome::Unreadable, "the reader stopped: Aborted"},
        {"garbage", FileOutcome::Unreadable, "the reader sent a malformed reply"},
        {"wrong", FileOutcome::Unreadable, "the reader sent a malformed reply"},
        {"oom", FileOutcome::Unreadable, "out of memory"},
        {"silent", FileOutcome::Unreadable, "reading stopped: no data came for 0.5 s"},
    };
    for (const auto& row : rows) {
        const FileReport report = ReportThroughAHostileReader(row.how);
        EXPECT_EQ(report.outcome, row.outcome) << row.how;
        EXPECT_EQ(report.problem, row.problem) << row.how;
        EXPECT_EQ(report.text.empty(), row.outcome != FileOutcome::Reported) << row.how;
    }
}

TEST(ReaderPoolTest, EveryRequestIsAnsweredWhetherTheSpawnerWorksOrNot) {
    ::setenv("ZARVO_HOSTILE_READER", "good", 1);
    for (const bool spawnerEnds : {false, true}) {
        if (spawnerEnds)
            ::setenv("ZARVO_HOSTILE_SPAWNER", "exit", 1);
        // Every request has a reader of its own: after the first, the spawner's copies, or
        // programs of their own once the spawner has ended.
        ReaderPool pool({ReaderPool::Roots::PerRequest, {}, 1, {}, ZARVO_HOSTILE_READER_PROGRAM});
        for (int i = 0; i < 4; ++i) {
            std::promise<FileReport> done;
            WorkItem item;
            item.path = "file.avi";
            pool.Report(item, false, false,
                        [&](FileReport report) { done.set_value(std::move(report)); });
            std::future<FileReport> result = done.get_future();
            ASSERT_EQ(result.wait_for(std::chrono::seconds(60)), std::future_status::ready)
                << spawnerEnds << " " << i;
            EXPECT_EQ(result.get().problem, "") << spawnerEnds << " " << i;
        }
    }
    ::unsetenv("ZARVO_HOSTILE_SPAWNER");
}

TEST(ReaderPoolTest, AfterThreeStallsInARowInOnePlaceItsOtherFilesAreRefusedUnread) {
    ::setenv("ZARVO_STALL_LIMIT_MS", "500", 1);
    ::setenv("ZARVO_HOSTILE_READER", "silent", 1);
    const std::filesystem::path count =
        std::filesystem::temp_directory_path() / ("zarvo-requests-" + std::to_string(::getpid()));
    ::setenv("ZARVO_HOSTILE_COUNT", count.c_str(), 1);
    auto listed = std::make_shared<FolderStep>();
    listed->id = {42, 1};
    const struct {
        const char* label;
        bool walk;
        std::function<std::string(std::size_t)> path;
        std::shared_ptr<const FolderStep> folder;
        std::size_t read;
    } rows[] = {
        {"files of one listed folder", false, [](std::size_t i) { return "f" + std::to_string(i); },
         listed, 3},
        {"files named in one folder", false,
         [](std::size_t i) { return "dir/f" + std::to_string(i); }, nullptr, 3},
        {"paths named in one folder, walked", true,
         [](std::size_t i) { return "dir/f" + std::to_string(i) + "/"; }, nullptr, 3},
        {"files named in folders of their own", false,
         [](std::size_t i) { return "dir" + std::to_string(i) + "/f"; }, nullptr, 6},
    };
    constexpr std::size_t kFiles = 6;
    for (const auto& row : rows) {
        std::vector<std::promise<std::string>> done(kFiles);
        {
            ReaderPool pool({ReaderPool::Roots::Fixed, {"."}, 1, {}, ZARVO_HOSTILE_READER_PROGRAM});
            for (std::size_t i = 0; i < kFiles; ++i) {
                if (row.walk) {
                    pool.Walk(row.path(i), {}, [&done, i](WalkResult found) {
                        done[i].set_value(found.refusal.value_or("walked"));
                    });
                    continue;
                }
                WorkItem item;
                item.path = row.path(i);
                item.inFolder = row.folder != nullptr;
                item.folder = row.folder;
                pool.Report(item, false, false,
                            [&done, i](FileReport report) { done[i].set_value(report.problem); });
            }
            for (std::size_t i = 0; i < kFiles; ++i) {
                std::future<std::string> problem = done[i].get_future();
                ASSERT_EQ(problem.wait_for(std::chrono::seconds(60)), std::future_status::ready)
                    << row.label << " " << i;
                EXPECT_EQ(problem.get(), "reading stopped: no data came for 0.5 s")
                    << row.label << " " << i;
            }
        }
        std::error_code error;
        const auto bytes = std::filesystem::file_size(count, error);
        std::filesystem::remove(count, error);
        EXPECT_EQ(bytes, row.read * std::string_view("request\n").size())
            << row.label << ": requests read before the rest were refused";
    }
    ::unsetenv("ZARVO_HOSTILE_COUNT");
}

TEST(ReaderPoolTest, AMissingReaderProgramIsSaidAtOnce) {
    EXPECT_THROW(ReaderPool({ReaderPool::Roots::Fixed, {"."}, 1, {}, "/nonexistent/zarvo-reader"}),
                 ReaderStartFailure);
}

} // namespace
} // namespace zarvo
