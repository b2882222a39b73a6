// The page a reader and its front end share: when the reader's storage last answered. The
// front end reads it only to decide when to kill the reader, never trusting it for more.
#pragma once

#include <atomic>
#include <cstdint>

namespace zarvo {

struct ActivityPage {
    std::atomic<std::int64_t> lastAnswer{0}; // steady clock, nanoseconds
};
static_assert(std::atomic<std::int64_t>::is_always_lock_free,
              "the page is shared between processes, which only lock-free atomics allow");

inline constexpr std::size_t kActivityPageBytes = 4096;
static_assert(sizeof(ActivityPage) <= kActivityPageBytes);

// The descriptors a reader is started with, besides /dev/null as its standard streams.
inline constexpr int kReaderChannelFd = 3;
inline constexpr int kReaderPageFd = 4;

} // namespace zarvo
