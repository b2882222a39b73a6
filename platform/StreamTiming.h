// Lengths and average rates from a count of ticks of a rational time base, each in one rounding.
#pragma once

#include <cstdint>

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

} // namespace zarvo
