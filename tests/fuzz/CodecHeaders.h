// The codec headers that the streams of a fixture clip carry, as seeds for the header readers.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace zarvo::fuzz {

// The codec header of each stream of `clip` with codec `codec`, as libavformat reads it.
std::vector<std::string> CodecHeadersOf(const std::filesystem::path& clip, AVCodecID codec);

} // namespace zarvo::fuzz
