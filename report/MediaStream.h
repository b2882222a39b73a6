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

    // The numbers the fields above were made from, for reports read by programs: the picture's
    // size and compression code with the video fields, the format tag, samples and bytes per
    // second with the audio fields. Fields says which of the two were set.
    enum class FieldSet : std::uint8_t { None, Video, Audio };
    FieldSet Fields = FieldSet::None;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint32_t CodecCode = 0;
    std::uint32_t SamplesPerSec = 0;
    std::uint32_t AvgBytesPerSec = 0;
};

// The record of the stream being classified. Each thread has its own, so that several reports
// can be built at once.
extern thread_local TMediaStream* CurrentStream;

} // namespace zarvo
