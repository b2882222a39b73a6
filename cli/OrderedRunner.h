// Work done on several threads, its results taken in order on the calling thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace zarvo {

// Runs work(i) for every i below `count` on up to `jobs` threads and calls take(i, result) on the
// calling thread for each i in increasing order. At most 2 × jobs results wait to be taken, so
// memory stays bounded however long the run. When take returns false no new work starts, and
// the call returns false once the work already started has ended. While the next result is not
// ready, idle(number taken so far) is called about every `tick`. `work` must not throw.
template <typename Result>
bool RunInOrder(std::size_t count, unsigned jobs, const std::function<Result(std::size_t)>& work,
                const std::function<bool(std::size_t, Result&)>& take,
                const std::function<void(std::size_t)>& idle, std::chrono::milliseconds tick) {
    const std::size_t window = 2 * std::size_t{jobs < 1 ? 1 : jobs};
    std::vector<std::optional<Result>> pending(window);
    std::mutex mutex;
    std::condition_variable ready; // a result has arrived
    std::condition_variable room;  // a result was taken, or the run stops
    std::size_t started = 0;
    std::size_t taken = 0;
    bool stop = false;

    const auto worker = [&] {
        for (;;) {
            std::size_t i;
            {
                std::unique_lock lock(mutex);
                room.wait(lock,
                          [&] { return stop || started == count || started < taken + window; });
                if (stop || started == count)
                    return;
                i = started++;
            }
            Result result = work(i);
            {
                const std::lock_guard lock(mutex);
                pending[i % window] = std::move(result);
            }
            ready.notify_one();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned k = 0; k < jobs && k < count; ++k) {
        try {
            threads.emplace_back(worker);
        } catch (const std::system_error&) {
            // Fewer threads than asked for still finish the run; none at all cannot.
            if (threads.empty())
                throw;
            break;
        }
    }

    bool completed = true;
    while (taken < count) {
        std::optional<Result> next;
        {
            std::unique_lock lock(mutex);
            while (!pending[taken % window]) {
                if (ready.wait_for(lock, tick) == std::cv_status::timeout) {
                    lock.unlock();
                    idle(taken);
                    lock.lock();
                }
            }
            next = std::move(pending[taken % window]);
            pending[taken % window].reset();
        }
        const bool more = take(taken, *next);
        {
            const std::lock_guard lock(mutex);
            ++taken;
            stop = !more;
        }
        room.notify_all();
        if (!more) {
            completed = false;
            break;
        }
    }
    for (std::thread& thread : threads)
        thread.join();
    return completed;
}

} // namespace zarvo
