// AVI and WAV files made from scratch, with every header field and chunk size open to a lie.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zarvo::hostile {

// An AVI with one uncompressed 16x16 video stream at 25 frames per second and one 8 kHz mono
// 16-bit PCM stream, ten frames long, with an index. The fields hold raw bits as stored.
struct AviHeaders {
    // Main header.
    std::uint32_t microSecPerFrame = 40000;
    std::uint32_t maxBytesPerSec = 35200;
    std::uint32_t totalFrames = 10;
    std::uint32_t streams = 2;
    std::uint32_t width = 16, height = 16;
    // Video stream header and bitmap header.
    std::uint32_t videoScale = 1, videoRate = 25, videoLength = 10;
    std::uint32_t bitmapWidth = 16, bitmapHeight = 16;
    std::uint16_t bitCount = 24;
    std::uint16_t planes = 1;
    std::uint32_t compression = 0;
    // Audio stream header and wave format.
    std::uint32_t audioScale = 1, audioRate = 8000, audioLength = 3200;
    std::uint32_t audioSampleSize = 2;
    std::uint16_t formatTag = 1, channels = 1;
    std::uint32_t samplesPerSec = 8000, avgBytesPerSec = 16000;
    std::uint16_t blockAlign = 2, bitsPerSample = 16;
    // Further PCM streams after the first two; stream number i (from 0) lasts (i + 1) / 100 s.
    int extraAudioStreams = 0;
    // Sizes written in place of the true ones, by chunk: "RIFF", "hdrl", "avih", "strl0",
    // "strh0", "strf0", "strl1", "strh1", "strf1", "movi", "00db", "01wb", "idx1".
    std::map<std::string, std::uint32_t> sizes;
};

// A WAV of one second of 8 kHz mono 16-bit PCM.
struct WavHeaders {
    std::uint16_t formatTag = 1, channels = 1;
    std::uint32_t samplesPerSec = 8000, avgBytesPerSec = 16000;
    std::uint16_t blockAlign = 2, bitsPerSample = 16;
    // Sizes written in place of the true ones, by chunk: "RIFF", "fmt ", "data".
    std::map<std::string, std::uint32_t> sizes;
};

std::string MakeAvi(const AviHeaders& headers);
std::string MakeWav(const WavHeaders& headers);

// One header field that a test sets to a lie, with the width of the field in bits.
template <typename Headers> struct LyingField {
    std::string name;
    int bits;
    std::function<void(Headers&, std::uint32_t)> set;
};

std::vector<LyingField<AviHeaders>> AviFields();
std::vector<LyingField<WavHeaders>> WavFields();
// The chunks whose sizes a test may falsify.
std::vector<std::string> AviChunks();
std::vector<std::string> WavChunks();

// The lies told in a field of `bits` bits: zero, the largest signed and unsigned values and the
// top bit alone.
std::vector<std::uint32_t> LiesFor(int bits);
// The lies told in a chunk size: those of a 32-bit field and a size reaching past the file's end.
std::vector<std::uint32_t> ChunkSizeLies();

} // namespace zarvo::hostile
