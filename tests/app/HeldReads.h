// A gate that holds a scripted detector's opening of one file until the test lets it go, as a
// read of slow or hung storage does.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>

namespace zarvo::test {

class ReadGate {
public:
    explicit ReadGate(std::string heldPath) : heldPath_(std::move(heldPath)) {}

    // On the report's thread. A window that waited for the report itself would never get here
    // to let it go, so a hold also ends by itself after a while: such a test fails, not hangs.
    void WaitIfHeld(std::string_view path) {
        if (path != heldPath_)
            return;
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
        --waiting_;
    }
    void Release() {
        const std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    bool Holding() {
        const std::lock_guard lock(mutex_);
        return waiting_ > 0;
    }

private:
    const std::string heldPath_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
    bool released_ = false;
};

} // namespace zarvo::test
