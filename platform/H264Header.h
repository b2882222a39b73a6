// The picture an H.264 stream decodes to, read from the sequence parameter set that the
// container's codec header carries.
#pragma once

#include <cstdint>
#include <optional>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

namespace zarvo {

struct H264Picture {
    // The format libavcodec's H.264 decoder chooses, leaving aside RGB and full-range variants,
    // which take as many bits per pixel.
    AVPixelFormat format;
    // The picture's size after the set's own cropping.
    int width;
    int height;
    // The set crops the top or left edge, which the decoder never leaves to the container.
    bool cropsTopOrLeft;
    // The pixel shape the set states; 0/1 when it states none.
    AVRational sampleAspect;
};

// `header` is the codec header as the container stores it: an AVC decoder configuration record
// (MP4, Matroska) or NAL units with start codes. Describes the first sequence parameter set;
// nothing when there is none, it cannot be read to its end, or the decoder would refuse it.
std::optional<H264Picture> ReadH264Picture(const std::uint8_t* header, int size);

} // namespace zarvo
