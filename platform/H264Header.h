// The picture format an H.264 stream decodes to, read from the sequence parameter set that the
// container's codec header carries.
#pragma once

#include <cstdint>
#include <optional>

extern "C" {
#include <libavutil/pixfmt.h>
}

// `header` is the codec header as the container stores it: an AVC decoder configuration record
// (MP4, Matroska) or NAL units with start codes. Gives the format libavcodec's H.264 decoder
// chooses for the first sequence parameter set, leaving aside RGB and full-range variants, which
// take as many bits per pixel; nothing when there is no readable set or the decoder would refuse
// it.
std::optional<AVPixelFormat> H264PixelFormat(const std::uint8_t* header, int size);
