// Builds format blocks for tests, as a detector would hand them out.
#pragma once

#include "platform/DirectShow.h"

#include <cstring>
#include <vector>

namespace zarvo::test {

template <typename Block> std::vector<std::uint8_t> Bytes(const Block& block) {
    std::vector<std::uint8_t> bytes(sizeof block);
    std::memcpy(bytes.data(), &block, sizeof block);
    return bytes;
}

inline BITMAPINFOHEADER Bitmap(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                               std::uint32_t compression) {
    BITMAPINFOHEADER bitmap{};
    bitmap.biSize = sizeof bitmap;
    bitmap.biWidth = width;
    bitmap.biHeight = height;
    bitmap.biPlanes = 1;
    bitmap.biBitCount = bitCount;
    bitmap.biCompression = compression;
    return bitmap;
}

inline std::vector<std::uint8_t> VideoInfo(std::int64_t avgTimePerFrame,
                                           const BITMAPINFOHEADER& bitmap) {
    VIDEOINFOHEADER info{};
    info.AvgTimePerFrame = avgTimePerFrame;
    info.bmiHeader = bitmap;
    return Bytes(info);
}

inline std::vector<std::uint8_t> VideoInfo2(std::int64_t avgTimePerFrame,
                                            const BITMAPINFOHEADER& bitmap) {
    MPEG2VIDEOINFO info{}; // a VIDEOINFOHEADER2 followed by the MPEG-2 fields
    info.hdr.AvgTimePerFrame = avgTimePerFrame;
    info.hdr.bmiHeader = bitmap;
    return Bytes(info);
}

inline std::vector<std::uint8_t> WaveFormat(std::uint16_t tag, std::uint16_t channels,
                                            std::uint32_t samplesPerSec,
                                            std::uint32_t avgBytesPerSec) {
    WAVEFORMATEX wave{};
    wave.wFormatTag = tag;
    wave.nChannels = channels;
    wave.nSamplesPerSec = samplesPerSec;
    wave.nAvgBytesPerSec = avgBytesPerSec;
    return Bytes(wave);
}

} // namespace zarvo::test
