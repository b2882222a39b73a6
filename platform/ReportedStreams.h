// Which of the streams libavformat lists are streams of the file's media.
#pragma once

extern "C" {
struct AVFormatContext;
struct AVStream;
}

namespace zarvo {

// False for what travels with the media without being a stream of it: attachments (fonts) and
// cover pictures, which libavformat lists as one-picture video streams. Such streams are left out
// of the stream count, the numbering and every decision about the file's streams.
bool IsMediaStream(const AVStream& stream);

// How many of the context's streams are media streams.
unsigned MediaStreamCount(const AVFormatContext& context);

} // namespace zarvo
