// Exact arithmetic on tick counts: one rounding from the container's integers to the result.
#include "platform/StreamTiming.h"

#include <cassert>
#include <cstdlib>
#include <limits>

namespace zarvo {

double SpanSeconds(const TickSpan& span) {
    assert(span.num > 0 && span.den > 0);
    // Up to 2^53 the product is exact as a double, so the division is the only rounding.
    constexpr std::int64_t kExactInDouble = std::int64_t{1} << 53;
    std::int64_t product = 0;
    if (!__builtin_mul_overflow(span.ticks, span.num, &product) &&
        std::llabs(product) <= kExactInDouble && span.den <= kExactInDouble)
        return static_cast<double>(product) / static_cast<double>(span.den);
    // Beyond that (hours of 1/90000 s ticks times a large numerator) the 64-bit significand
    // holds the product and the quotient keeps every bit a double can show.
    return static_cast<double>(static_cast<long double>(span.ticks) * span.num / span.den);
}

std::int64_t AverageBitsPerSecond(std::int64_t bytes, const TickSpan& span) {
    assert(span.num > 0 && span.den > 0);
    if (bytes <= 0 || span.ticks <= 0)
        return 0;
    const long double bits = static_cast<long double>(bytes) * 8 * span.den /
                             (static_cast<long double>(span.ticks) * span.num);
    constexpr auto kMost = static_cast<long double>(std::numeric_limits<std::int64_t>::max());
    return bits >= kMost ? std::numeric_limits<std::int64_t>::max()
                         : static_cast<std::int64_t>(bits);
}

std::optional<std::int64_t> FramesInSpan(const TickSpan& span, std::int64_t rateNum,
                                         std::int64_t rateDen) {
    assert(span.num > 0 && span.den > 0);
    // libavformat's rationals are 32-bit, so every product below stays under 2^126.
    constexpr std::int64_t kMost = std::numeric_limits<std::int32_t>::max();
    if (rateNum <= 0 || rateDen <= 0 || rateNum > kMost || rateDen > kMost || span.num > kMost ||
        span.den > kMost)
        return std::nullopt;
    if (span.ticks <= 0)
        return 0;
    __extension__ using Wide = __int128;
    const Wide frames = Wide{span.ticks} * span.num * rateNum;
    const Wide per = Wide{span.den} * rateDen;
    Wide whole = frames / per;
    // The span falls short of one more frame by shortBy / per frames.
    const Wide shortBy = per - frames % per;
    // A container times the stream in whole ticks, so its length may fall short of the truth by
    // one; a length that passed through a millisecond clock (Matroska, FLV, the file's length)
    // by a millisecond.
    const bool coarse = span.num * 1000 >= span.den;
    const Wide tickNum = coarse ? span.num : 1;
    const Wide tickDen = coarse ? span.den : 1000;
    const bool withinTick = shortBy * tickDen * rateDen <= tickNum * rateNum * per;
    const bool underHalf = 2 * shortBy < per;
    if (withinTick && underHalf)
        ++whole;
    if (whole > std::numeric_limits<std::int64_t>::max())
        return std::nullopt;
    return static_cast<std::int64_t>(whole);
}

} // namespace zarvo
