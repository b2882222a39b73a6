// Decides how much of a media file libavformat must read before its streams can be described.
#pragma once

#include <string_view>

extern "C" {
struct AVFormatContext;
struct AVInputFormat;
}

// The demuxer that a file named `path` is opened with before its bytes are probed, or null. Only
// formats whose header reader checks the file's own signature are named, so a file with a wrong
// extension fails to open with it and is then probed as usual.
const AVInputFormat* FormatNamedByExtension(std::string_view path);

// True when the container's headers, as the opened demuxer read them, already hold every field
// of every stream that libavformat's full analysis would give, so that analysis may be skipped.
bool HeadersDescribeEveryField(const AVFormatContext& context);

// Fills in what the codec headers tell and the demuxer left open (the picture format of H.264
// and VP8), as the full analysis would have found it by decoding. Only for a context that
// HeadersDescribeEveryField accepted.
void FillFromCodecHeaders(AVFormatContext& context);
