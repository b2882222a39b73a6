// Whether the format that libavformat's probe named for a file is more than a guess.
#pragma once

#include <string_view>

extern "C" {
struct AVFormatContext;
}

namespace zarvo {

// True when the probe that opened `context` named its format only at a score that libavformat
// itself would retry with more bytes, and the name `path` does not carry one of that format's
// extensions. Text files, shortcuts and shared libraries reach such scores for some demuxer, and
// what it then describes is noise; a file whose name agrees with the weak score is taken.
bool FormatIsAGuess(const AVFormatContext& context, std::string_view path);

} // namespace zarvo
