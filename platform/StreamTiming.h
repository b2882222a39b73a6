// Lengths and average rates from a count of ticks of a rational time base, each in one rounding.
#pragma once

#include <cstdint>
#include <optional>

namespace zarvo {

// A length as a container counts it: `ticks` ticks of `num` / `den` seconds each.
struct TickSpan {
    std::int64_t ticks = 0;
    std::int64_t num = 1; // greater than 0
    std::int64_t den = 1; // greater than 0
};

// The span in seconds, as the double nearest to ticks * num / den. Taking num / den first rounds
// twice, and 704000 ticks of 1/44000 s then fall short of 16 s, which shows as 15 whole seconds.
double SpanSeconds(const TickSpan& span);

// The average rate, in bits per second truncated, of `bytes` spread over the span; 0 when there
// are no bytes or the span is empty.
std::int64_t AverageBitsPerSecond(std::int64_t bytes, const TickSpan& span);

// The whole frames in the span at `rateNum` / `rateDen` frames a second, from the exact product:
// rounded up to the next whole frame where the span falls short of it by no more than its clock
// can tell (one tick, never finer than a millisecond, and less than half a frame), truncated
// otherwise: 24,000/1,001 frames a second over 900,899 ticks of 1/90,000 s (239.9997 frames) make
// 240.
// None when the rate is not above zero or the count is beyond 64-bit range.
std::optional<std::int64_t> FramesInSpan(const TickSpan& span, std::int64_t rateNum,
                                         std::int64_t rateDen);

} // namespace zarvo
