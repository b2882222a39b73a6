// Builds the format block of each stream from what libavformat found.
#pragma once

#include "platform/StreamProbe.h"

extern "C" {
struct AVFormatContext;
struct AVStream;
}

namespace zarvo {

struct Container;

// Describes a video or audio stream of a file read as `container` (null for one this program does
// not list): its major type, format type, format block and frame rate.
void DescribeVideo(const AVFormatContext& context, const Container* container,
                   const AVStream& stream, ProbedStream& out);
void DescribeAudio(const Container* container, const AVStream& stream, ProbedStream& out);

} // namespace zarvo
