// How long and how far one probe may read before it gives the file up rather than describe it
// from a part.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace zarvo {

// Storage that pauses (a disk spinning up, a network share) still delivers: only this long
// without a single byte arriving ends the reading.
inline constexpr int kStallSeconds = 10;
// How long a reader may wait on the storage before it is taken for stalled: kStallSeconds, or
// less when ZARVO_STALL_LIMIT_MS says so (for tests), never under 100 ms.
inline std::chrono::milliseconds StallLimit() noexcept {
    static const std::chrono::milliseconds limit = [] {
        const std::chrono::milliseconds longest{std::int64_t{kStallSeconds} * 1000};
        const char* text = std::getenv("ZARVO_STALL_LIMIT_MS");
        if (text == nullptr || *text == '\0')
            return longest;
        char* end = nullptr;
        const long long asked = std::strtoll(text, &end, 10);
        if (*end != '\0' || asked >= longest.count())
            return longest;
        return std::chrono::milliseconds(asked < 100 ? 100 : asked);
    }();
    return limit;
}
// Processor time one probe may take. A real file's headers take milliseconds; only input that
// keeps the demuxer busy without end comes near.
inline constexpr int kWorkSeconds = 3;
// Bytes in a row without a seek while the analysis looks for packets. The analysis stops by
// itself after a few megabytes of packets, and seeks close to the end when it looks for the last
// timestamps; reading this far without seeking is wading through bytes that hold no packets (a
// file padded with zeros), which may go on to the end of a file of any size.
inline constexpr int kScanMebibytes = 16;
inline constexpr std::int64_t kScanLimitBytes = std::int64_t{kScanMebibytes} << 20;

} // namespace zarvo
