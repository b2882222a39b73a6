// Builds the format block of each stream from what libavformat found.
#pragma once

#include "platform/StreamProbe.h"

extern "C" {
struct AVFormatContext;
struct AVStream;
}

namespace zarvo {

// Describes a video or audio stream: its major type, format type, format block and frame rate.
void DescribeVideo(const AVFormatContext& context, const AVStream& stream, ProbedStream& out);
void DescribeAudio(const AVFormatContext& context, const AVStream& stream, ProbedStream& out);

} // namespace zarvo
