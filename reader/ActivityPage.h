// The page a reader and its front end share: when the reader's storage last answered, and
// whether an allocation has failed in it. The front end reads it only to decide when to kill the
// reader and which words refuse its file, never trusting it for more.
#pragma once

#include <atomic>
#include <cstdint>

namespace zarvo {

struct ActivityPage {
    std::atomic<std::int64_t> lastAnswer{0}; // steady clock, nanoseconds
    // Raised by the reader's allocation watch, so that a reader that crashes once memory has run
    // out, before it can say so, still has its file refused for running out of memory.
    std::atomic<std::uint32_t> allocationFailed{0};
};
static_assert(std::atomic<std::int64_t>::is_always_lock_free &&
                  std::atomic<std::uint32_t>::is_always_lock_free,
              "the page is shared between processes, which only lock-free atomics allow");

inline constexpr std::size_t kActivityPageBytes = 4096;
static_assert(sizeof(ActivityPage) <= kActivityPageBytes);

// The descriptors a reader is started with, besides /dev/null as its standard streams.
inline constexpr int kReaderChannelFd = 3;
inline constexpr int kReaderPageFd = 4;

} // namespace zarvo
