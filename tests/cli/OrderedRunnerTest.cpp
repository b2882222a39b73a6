// Work spread over threads comes back complete, in order, and never too far ahead.
#include "cli/OrderedRunner.h"

#include "cli/RunSummary.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(OrderedRunnerTest, ResultsArriveInOrderWithinTheWindow) {
    struct Case {
        std::size_t count;
        unsigned jobs;
        std::size_t stopAfter; // take returns false for this index; count for never
    };
    const Case cases[] = {
        {0, 2, 0}, {1, 4, 1}, {500, 1, 500}, {500, 2, 500}, {500, 7, 500}, {500, 3, 40},
    };
    for (const Case& c : cases) {
        const std::string label = std::to_string(c.count) + " items, " + std::to_string(c.jobs) +
                                  " jobs, stop after " + std::to_string(c.stopAfter);
        std::atomic<std::size_t> started{0}, taken{0}, mostAhead{0};
        const std::function<std::size_t(std::size_t)> work = [&](std::size_t i) {
            const std::size_t ahead = ++started - taken;
            for (std::size_t seen = mostAhead; ahead > seen;)
                mostAhead.compare_exchange_weak(seen, ahead);
            // Later items often finish first.
            for (std::size_t k = 0; k < (c.count - i) % 13; ++k)
                std::this_thread::yield();
            return i * i;
        };
        std::vector<std::size_t> order;
        const std::function<bool(std::size_t, std::size_t&)> take = [&](std::size_t i,
                                                                        std::size_t& result) {
            EXPECT_EQ(result, i * i) << label;
            order.push_back(i);
            ++taken;
            return i != c.stopAfter;
        };
        const bool completed =
            zarvo::RunInOrder(
                c.count, c.jobs, work, take, [](std::size_t) {},
                [](std::size_t) -> std::size_t { throw std::logic_error("nothing stalls"); },
                std::chrono::milliseconds(10))
                .completed;

        const std::size_t expected = c.stopAfter < c.count ? c.stopAfter + 1 : c.count;
        EXPECT_EQ(completed, c.stopAfter >= c.count) << label;
        ASSERT_EQ(order.size(), expected) << label;
        for (std::size_t i = 0; i < order.size(); ++i)
            EXPECT_EQ(order[i], i) << label;
        // Started but not yet taken, the one being started included.
        EXPECT_LE(mostAhead, 2 * c.jobs + 1) << label;
        EXPECT_LE(started, expected + 2 * c.jobs) << label;
    }
}

TEST(OrderedRunnerTest, AnExceptionFromTakeOrIdleLeavesOnceEveryWorkerHasStopped) {
    struct Case {
        const char* label;
        unsigned jobs;
        std::size_t takeThrowsAt; // kNever for never
        bool idleThrows;
    };
    constexpr std::size_t kNever = 1000;
    const Case cases[] = {
        {"take throws at once", 4, 0, false},
        {"take throws midway", 3, 17, false},
        {"take throws on one job", 1, 5, false},
        {"idle throws", 2, kNever, true},
    };
    for (const Case& c : cases) {
        std::atomic<int> running{0};
        const auto work = [&](std::size_t i) {
            ++running;
            std::this_thread::sleep_for(std::chrono::milliseconds(i % 3));
            --running;
            return i;
        };
        const auto take = [&](std::size_t i, std::size_t&) {
            if (i == c.takeThrowsAt)
                throw std::runtime_error("take");
            return true;
        };
        const auto idle = [&](std::size_t) {
            if (c.idleThrows)
                throw std::runtime_error("idle");
        };
        const auto stalled = [](std::size_t i) { return i; };
        try {
            zarvo::RunInOrder(std::size_t{100}, c.jobs, work, take, idle, stalled,
                              std::chrono::milliseconds(1));
            ADD_FAILURE() << c.label << ": the exception was lost";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), c.idleThrows ? "idle" : "take") << c.label;
            EXPECT_EQ(running, 0) << c.label << ": a worker still runs";
        }
    }
}

TEST(OrderedRunnerTest, WorkBlockedPastTheStallLimitIsRefusedAndTheRunGoesOnWithoutIt) {
    // What the blocked threads share with the test; they may outlive the run, so they own it.
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
        std::atomic<int> blocked{0};
    };
    const auto gate = std::make_shared<Gate>();
    const auto work = [gate](std::size_t i) {
        if (i == 1 || i == 3) {
            ++gate->blocked;
            std::unique_lock lock(gate->mutex);
            gate->opened.wait(lock, [&] { return gate->open; });
            --gate->blocked;
        }
        return i;
    };
    std::vector<std::size_t> results;
    const auto take = [&](std::size_t, std::size_t& result) {
        results.push_back(result);
        return true;
    };
    const auto stalled = [](std::size_t i) { return 100 + i; };
    const zarvo::RunEnd end = zarvo::RunInOrder(
        std::size_t{6}, 2, work, take, [](std::size_t) {}, stalled, std::chrono::milliseconds(50));
    EXPECT_TRUE(end.completed);
    EXPECT_EQ(end.abandoned, 2u);
    EXPECT_EQ(results, (std::vector<std::size_t>{0, 101, 2, 103, 4, 5}));
    EXPECT_EQ(gate->blocked, 2) << "the run waited for blocked work";
    // Released after the run, the threads end without touching anything the run had.
    {
        const std::lock_guard lock(gate->mutex);
        gate->open = true;
    }
    gate->opened.notify_all();
    while (gate->blocked != 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(RunSummaryTest, CountsAreGroupedByThousandsAndWordedForOneOrMany) {
    const std::pair<std::size_t, const char*> grouped[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {123456, "123,456"}, {1234567, "1,234,567"}};
    for (const auto& [count, text] : grouped)
        EXPECT_EQ(zarvo::Grouped(count), text);
    EXPECT_EQ(zarvo::SummaryLine({1204, 37, 2}),
              "zarvo-report: 1,204 reports, 37 files skipped as not media, 2 unreadable");
    EXPECT_EQ(zarvo::SummaryLine({1, 1, 1}),
              "zarvo-report: 1 report, 1 file skipped as not media, 1 unreadable");
}

} // namespace
