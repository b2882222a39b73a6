// Builds the format block of each stream from what libavformat found.
#pragma once

#include "platform/StreamProbe.h"
#include "platform/StreamTiming.h"

#include <cstdint>

extern "C" {
struct AVFormatContext;
struct AVStream;
}

namespace zarvo {

struct Container;

// Describes a video or audio stream of a file read as `container` (null for one this program does
// not list): its major type, format type, format block and frame rate, and a video stream's count
// of frames, which may take its `length`.
void DescribeVideo(const AVFormatContext& context, const Container* container,
                   const AVStream& stream, const std::optional<TickSpan>& length,
                   ProbedStream& out);
// `fileBitRate` is the file's average rate in bits per second where this stream is all the file
// holds, else 0; it stands in when neither the stream nor its tags state a rate.
void DescribeAudio(const Container* container, const AVStream& stream, std::int64_t fileBitRate,
                   ProbedStream& out);

} // namespace zarvo
