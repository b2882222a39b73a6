// The summary of one stream that the report prints.
#pragma once

#include <cstdint>
#include <string>

namespace zarvo {

class TMediaStream {
public:
    std::string StreamType;
    std::string Duration;
    std::string Resolution;
    std::uint8_t ColorDepth = 0;
    std::uint32_t Frames = 0;
    float FrameRate = 0;
    std::string Codec;
    float Ratio = 0;
    std::uint32_t Bitrate = 0; // kbit/s
    float SampleRate = 0;      // kHz
    std::uint8_t Channels = 0;
};

// The record of the stream being classified. Each thread has its own, so that several reports
// can be built at once.
extern thread_local TMediaStream* CurrentStream;

} // namespace zarvo
