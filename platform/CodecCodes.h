// The codes under which the name tables know a stream's codec.
#pragma once

#include <cstdint>

extern "C" {
struct AVCodecParameters;
}

namespace zarvo {

// The bitmap-header compression code: as the file stores it where the container keeps RIFF codes,
// else the code the video codec table names the codec under, else its RIFF code.
std::uint32_t VideoCompressionCode(const AVCodecParameters& codec, bool storesRiffCodes);
// The wave format tag: as the file stores it where the container keeps RIFF codes, else the
// codec's RIFF tag.
std::uint16_t WaveFormatTag(const AVCodecParameters& codec, bool storesRiffCodes);

} // namespace zarvo
