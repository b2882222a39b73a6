// How many frames a video stream holds: the count its container states, else its rate times its
// length.
#pragma once

#include "platform/StreamTiming.h"

#include <cstdint>
#include <optional>

extern "C" {
struct AVFormatContext;
struct AVStream;
}

namespace zarvo {

// The frames of `stream`, whose average rate is `rateNum` / `rateDen` frames a second: the count
// its container states where it states one that still holds, else the whole frames in `length` at
// that rate; none where neither is known.
std::optional<std::int64_t> VideoFrameCount(const AVFormatContext& context, const AVStream& stream,
                                            std::int64_t rateNum, std::int64_t rateDen,
                                            const std::optional<TickSpan>& length);

} // namespace zarvo
