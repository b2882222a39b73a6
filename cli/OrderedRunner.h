// Work done on several threads, its results taken in order on the calling thread.
#pragma once

#include "platform/ReadActivity.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace zarvo {

struct RunEnd {
    bool completed = true;     // false when take asked for no more
    std::size_t abandoned = 0; // threads left blocked in a read (see RunInOrder)
};

namespace ordered_run {

inline constexpr std::size_t kNoItem = std::numeric_limits<std::size_t>::max();

// One worker thread. Its record outlives the run while the thread may still use it.
struct Worker {
    ReadActivity activity;      // the storage's last answer to this worker's current item
    std::size_t item = kNoItem; // what it works on
    bool abandoned = false;     // its item was refused as stalled; its result is not wanted
    bool exited = false;        // the thread has returned
    std::thread thread;         // used by the calling thread only
};

// What the workers share with the calling thread. Held by the run and by every worker, so that
// a worker still blocked when the run ends touches nothing that is gone.
template <typename Result, typename Work> struct State {
    State(std::size_t count_, std::size_t window_, Work work_)
        : count(count_), window(window_), work(std::move(work_)), pending(window_) {}

    const std::size_t count;
    const std::size_t window;
    Work work;
    std::vector<std::optional<Result>> pending;
    std::deque<Worker> workers; // a deque keeps each record where it is as workers are added
    std::mutex mutex;
    std::condition_variable ready; // for the calling thread: a result it waits for, or an exit
    std::condition_variable room;  // for the workers: an item may start, or the run stops
    std::size_t started = 0;
    std::size_t taken = 0;
    bool stop = false;
};

template <typename Result, typename Work>
void Serve(std::shared_ptr<State<Result, Work>> state, Worker& me) {
    State<Result, Work>& s = *state;
    for (;;) {
        std::size_t i;
        {
            std::unique_lock lock(s.mutex);
            s.room.wait(lock, [&] {
                return s.stop || s.started == s.count || s.started < s.taken + s.window;
            });
            if (s.stop || s.started == s.count) {
                me.exited = true;
                s.ready.notify_one();
                return;
            }
            i = s.started++;
            me.item = i;
            me.activity.Touch();
        }
        std::optional<Result> result;
        {
            const ReadActivityScope watched(me.activity);
            result.emplace(s.work(i));
        }
        bool wanted;
        {
            const std::lock_guard lock(s.mutex);
            // Refused while it was blocked: another thread has taken its place.
            if (me.abandoned)
                return;
            me.item = kNoItem;
            s.pending[i % s.window] = std::move(result);
            wanted = i == s.taken;
        }
        // Only the result the calling thread waits for wakes it.
        if (wanted)
            s.ready.notify_one();
    }
}

// Stops the workers and waits for them when the run ends, however it ends; a worker blocked in
// a read for longer than the stall limit is left behind instead of waited for.
template <typename Result, typename Work> class StopAndJoin {
public:
    StopAndJoin(State<Result, Work>& s, std::chrono::milliseconds tick, std::size_t& abandoned)
        : s_(s), tick_(tick), abandoned_(abandoned) {}
    StopAndJoin(const StopAndJoin&) = delete;
    StopAndJoin& operator=(const StopAndJoin&) = delete;
    ~StopAndJoin() {
        std::unique_lock lock(s_.mutex);
        s_.stop = true;
        s_.room.notify_all();
        for (;;) {
            bool waiting = false;
            for (Worker& worker : s_.workers) {
                if (!worker.thread.joinable() || worker.exited)
                    continue;
                if (worker.item != kNoItem && worker.activity.Stalled()) {
                    worker.abandoned = true;
                    worker.thread.detach();
                    ++abandoned_;
                    continue;
                }
                waiting = true;
            }
            if (!waiting)
                break;
            s_.ready.wait_for(lock, tick_);
        }
        lock.unlock();
        for (Worker& worker : s_.workers)
            if (worker.thread.joinable())
                worker.thread.join();
    }

private:
    State<Result, Work>& s_;
    const std::chrono::milliseconds tick_;
    std::size_t& abandoned_;
};

} // namespace ordered_run

// Runs work(i) for every i below `count` on up to `jobs` threads and calls take(i, result) on the
// calling thread for each i in increasing order. At most 2 × jobs results wait to be taken, so
// memory stays bounded however long the run. When take returns false no new work starts, and
// the call returns once the work already started has ended. While the next result is not
// ready, idle(number taken so far) is called about every `tick`. `work` must not throw; take and
// idle may, and the workers are then stopped and joined before the exception leaves.
//
// A worker whose file calls have waited on the storage for longer than the stall limit (see
// ReadActivity) is not waited for: its item gets stalled(i) as its result, a new thread takes
// its place, and the thread is left to end when its call returns, if ever. Everything `work`
// uses must then outlive the process's threads: the returned `abandoned` count says so, and the
// caller ends the process with _exit rather than by destroying it.
template <typename Work, typename Take, typename Idle, typename Stalled>
RunEnd RunInOrder(std::size_t count, unsigned jobs, Work work, Take take, Idle idle,
                  Stalled stalled, std::chrono::milliseconds tick) {
    using Result = std::invoke_result_t<Work&, std::size_t>;
    using State = ordered_run::State<Result, Work>;
    using ordered_run::Worker;
    const std::size_t window = 2 * std::size_t{jobs < 1 ? 1 : jobs};
    const auto state = std::make_shared<State>(count, window, std::move(work));
    State& s = *state;
    RunEnd end;

    // Called with the lock held; the records are only ever added by this thread.
    const auto startWorker = [&] {
        Worker& worker = s.workers.emplace_back();
        try {
            worker.thread = std::thread(ordered_run::Serve<Result, Work>, state, std::ref(worker));
        } catch (const std::system_error&) {
            s.workers.pop_back();
            throw;
        }
    };
    {
        const ordered_run::StopAndJoin<Result, Work> guard(s, tick, end.abandoned);
        {
            const std::lock_guard lock(s.mutex);
            for (unsigned k = 0; k < jobs && k < count; ++k) {
                try {
                    startWorker();
                } catch (const std::system_error&) {
                    // Fewer threads than asked for still finish the run; none at all cannot.
                    if (s.workers.empty())
                        throw;
                    break;
                }
            }
        }
        while (s.taken < count) {
            std::optional<Result> next;
            {
                std::unique_lock lock(s.mutex);
                while (!s.pending[s.taken % window]) {
                    if (s.ready.wait_for(lock, tick) == std::cv_status::no_timeout)
                        continue;
                    std::vector<std::size_t> refused;
                    for (Worker& worker : s.workers) {
                        if (worker.abandoned || worker.item == ordered_run::kNoItem ||
                            !worker.activity.Stalled())
                            continue;
                        worker.abandoned = true;
                        worker.thread.detach();
                        refused.push_back(worker.item);
                        ++end.abandoned;
                    }
                    // Added after the look at every record: adding one moves the deque's ends.
                    for (std::size_t k = 0; k < refused.size(); ++k) {
                        try {
                            startWorker();
                        } catch (const std::system_error&) {
                            // The others go on; with none left, nothing would.
                            if (s.workers.size() == end.abandoned)
                                throw;
                        }
                    }
                    lock.unlock();
                    std::vector<Result> refusals;
                    for (const std::size_t i : refused)
                        refusals.push_back(stalled(i));
                    idle(s.taken);
                    lock.lock();
                    for (std::size_t k = 0; k < refused.size(); ++k)
                        s.pending[refused[k] % window] = std::move(refusals[k]);
                }
                next = std::move(s.pending[s.taken % window]);
                s.pending[s.taken % window].reset();
            }
            const bool more = take(s.taken, *next);
            {
                const std::lock_guard lock(s.mutex);
                ++s.taken;
                s.stop = !more;
            }
            if (!more) {
                end.completed = false;
                break;
            }
            // One more item may start: one worker can go on.
            s.room.notify_one();
        }
    }
    return end;
}

} // namespace zarvo
