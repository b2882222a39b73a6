// Results that arrive on another thread in any order, taken in order on the thread that prints.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace zarvo {

template <typename Result> class InOrder {
public:
    // From any thread, once for each number.
    void Put(std::size_t number, Result result) {
        {
            const std::lock_guard lock(mutex_);
            waiting_.insert_or_assign(number, std::move(result));
        }
        arrived_.notify_all();
    }

    // The result numbered `number` once it has come; nothing when it has not within `wait`.
    std::optional<Result> Take(std::size_t number, std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, wait, [&] { return waiting_.contains(number); }))
            return std::nullopt;
        const auto found = waiting_.find(number);
        Result result = std::move(found->second);
        waiting_.erase(found);
        return result;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::map<std::size_t, Result> waiting_;
};

} // namespace zarvo
