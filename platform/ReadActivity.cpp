// The storage's last answer, kept per report and looked at from other threads.
#include "platform/ReadActivity.h"

#include "platform/ProbeLimits.h"

#include <chrono>
#include <utility>

namespace zarvo {
namespace {

thread_local ReadActivity* current = nullptr;
std::atomic<std::atomic<std::int64_t>*> shared{nullptr};

std::int64_t Now() noexcept {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void ReadActivity::Touch() noexcept {
    lastAnswer_.store(Now(), std::memory_order_relaxed);
}

bool ReadActivity::Stalled() const noexcept {
    return Now() - lastAnswer_.load(std::memory_order_relaxed) >
           std::chrono::nanoseconds(StallLimit()).count();
}

ReadActivityScope::ReadActivityScope(ReadActivity& activity) noexcept
    : previous_(std::exchange(current, &activity)) {}

ReadActivityScope::~ReadActivityScope() {
    current = previous_;
}

void TouchReadActivity() noexcept {
    if (current != nullptr)
        current->Touch();
    if (std::atomic<std::int64_t>* stamp = shared.load(std::memory_order_relaxed))
        stamp->store(Now(), std::memory_order_relaxed);
}

void ShareReadActivity(std::atomic<std::int64_t>* stamp) noexcept {
    shared.store(stamp, std::memory_order_relaxed);
}

} // namespace zarvo
