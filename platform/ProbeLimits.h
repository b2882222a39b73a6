// How long and how far one probe may read before it gives the file up rather than describe it
// from a part.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace zarvo {

// Storage that pauses (a disk spinning up, a network share) still delivers: only this long
// without a single byte arriving ends the reading.
inline constexpr int kStallSeconds = 10;
// The shortest stall limit a setting may ask for: below it a busy machine's scheduling alone
// would look like stalled storage.
inline constexpr std::chrono::milliseconds kShortestStallLimit{500};
// Processor time one probe may take. A real file's headers take milliseconds; only input that
// keeps the demuxer busy without end comes near.
inline constexpr int kWorkSeconds = 3;
// Bytes in a row without a seek while the analysis looks for packets. The analysis stops by
// itself after a few megabytes of packets, and seeks close to the end when it looks for the last
// timestamps; reading this far without seeking is wading through bytes that hold no packets (a
// file padded with zeros), which may go on to the end of a file of any size.
inline constexpr int kScanMebibytes = 16;
inline constexpr std::int64_t kScanLimitBytes = std::int64_t{kScanMebibytes} << 20;

// The stall limit in force: kStallSeconds, or a shorter one named in milliseconds by
// ZARVO_STALL_LIMIT_MS (see StallLimitSetting), so that the tests of stalled storage need not
// wait the whole limit. The variable is read once, on the first call.
std::chrono::milliseconds StallLimit() noexcept;
// The limit a ZARVO_STALL_LIMIT_MS value (null when unset) asks for. It only ever shortens the
// limit, never below kShortestStallLimit; anything but a plain number of milliseconds (digits
// only) leaves it at kStallSeconds.
std::chrono::milliseconds StallLimitSetting(const char* value) noexcept;
// A stall limit as the refusal states it: "10 s", or "1.5 s" for a shortened one.
std::string StallLimitText(std::chrono::milliseconds limit);

} // namespace zarvo
