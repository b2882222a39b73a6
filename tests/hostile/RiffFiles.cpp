// Writing RIFF chunk trees: little-endian fields, even padding and sizes that may be replaced.
#include "hostile/RiffFiles.h"

#include <cstring>

namespace zarvo::hostile {
namespace {

constexpr int kFrames = 10;
constexpr int kFrameBytes = 16 * 16 * 3;
constexpr int kAudioChunkBytes = 8000 * 2 / 25; // one frame's worth of samples

class RiffWriter {
public:
    explicit RiffWriter(const std::map<std::string, std::uint32_t>& sizes) : sizes_(sizes) {}

    void U16(std::uint16_t value) {
        bytes_ += static_cast<char>(value & 0xFF);
        bytes_ += static_cast<char>(value >> 8);
    }
    void U32(std::uint32_t value) {
        U16(static_cast<std::uint16_t>(value & 0xFFFF));
        U16(static_cast<std::uint16_t>(value >> 16));
    }
    // Four characters, NUL bytes included.
    void Tag(const char* tag) { bytes_.append(tag, 4); }
    void Fill(std::size_t count, char byte) { bytes_.append(count, byte); }
    std::size_t Position() const { return bytes_.size(); }

    // Starts a chunk ("RIFF" and "LIST" take a list type too); returns what End needs.
    std::size_t Begin(const char (&id)[5], const char* listType = nullptr) {
        Tag(id);
        const std::size_t sizeAt = Position();
        U32(0);
        if (listType != nullptr)
            bytes_.append(listType, 4);
        return sizeAt;
    }
    // Writes the chunk's size (or the lie told for `name`) and pads it to an even length.
    void End(std::size_t sizeAt, const std::string& name) {
        const auto size = static_cast<std::uint32_t>(Position() - sizeAt - 4);
        const auto lie = sizes_.find(name);
        const std::uint32_t stored = lie != sizes_.end() ? lie->second : size;
        for (std::size_t i = 0; i < 4; ++i)
            bytes_[sizeAt + i] = static_cast<char>(stored >> (8 * i));
        if (size % 2 != 0)
            bytes_ += '\0';
    }

    std::string Take() { return std::move(bytes_); }

private:
    const std::map<std::string, std::uint32_t>& sizes_;
    std::string bytes_;
};

void StreamHeader(RiffWriter& riff, const char* type, const char* handler, std::uint32_t scale,
                  std::uint32_t rate, std::uint32_t length, std::uint32_t sampleSize, int index) {
    const std::size_t strh = riff.Begin("strh");
    riff.Tag(type);
    riff.Tag(handler);
    riff.U32(0); // flags
    riff.U16(0); // priority
    riff.U16(0); // language
    riff.U32(0); // initial frames
    riff.U32(scale);
    riff.U32(rate);
    riff.U32(0); // start
    riff.U32(length);
    riff.U32(kFrameBytes); // suggested buffer size
    riff.U32(0xFFFFFFFF);  // quality: default
    riff.U32(sampleSize);
    riff.Fill(8, '\0'); // frame rectangle
    riff.End(strh, "strh" + std::to_string(index));
}

void WaveFormat(RiffWriter& riff, std::uint16_t tag, std::uint16_t channels,
                std::uint32_t samplesPerSec, std::uint32_t avgBytesPerSec, std::uint16_t blockAlign,
                std::uint16_t bitsPerSample) {
    riff.U16(tag);
    riff.U16(channels);
    riff.U32(samplesPerSec);
    riff.U32(avgBytesPerSec);
    riff.U16(blockAlign);
    riff.U16(bitsPerSample);
}

void AudioStreamList(RiffWriter& riff, const AviHeaders& h, int index, std::uint32_t length) {
    const std::string number = std::to_string(index);
    const std::size_t strl = riff.Begin("LIST", "strl");
    StreamHeader(riff, "auds", "\0\0\0\0", h.audioScale, h.audioRate, length, h.audioSampleSize,
                 index);
    const std::size_t strf = riff.Begin("strf");
    WaveFormat(riff, h.formatTag, h.channels, h.samplesPerSec, h.avgBytesPerSec, h.blockAlign,
               h.bitsPerSample);
    riff.U16(0); // no extra format bytes
    riff.End(strf, "strf" + number);
    riff.End(strl, "strl" + number);
}

struct IndexEntry {
    char id[5];
    std::uint32_t offset, size;
};

} // namespace

std::string MakeAvi(const AviHeaders& h) {
    RiffWriter riff(h.sizes);
    const std::size_t file = riff.Begin("RIFF", "AVI ");
    const std::size_t hdrl = riff.Begin("LIST", "hdrl");
    const std::size_t avih = riff.Begin("avih");
    for (const std::uint32_t field :
         {h.microSecPerFrame, h.maxBytesPerSec, 0u, 0x10u /* has an index */, h.totalFrames, 0u,
          h.streams, std::uint32_t{kFrameBytes}, h.width, h.height, 0u, 0u, 0u, 0u})
        riff.U32(field);
    riff.End(avih, "avih");

    const std::size_t videoList = riff.Begin("LIST", "strl");
    StreamHeader(riff, "vids", "DIB ", h.videoScale, h.videoRate, h.videoLength, 0, 0);
    const std::size_t bitmap = riff.Begin("strf");
    riff.U32(40);
    riff.U32(h.bitmapWidth);
    riff.U32(h.bitmapHeight);
    riff.U16(h.planes);
    riff.U16(h.bitCount);
    riff.U32(h.compression);
    riff.U32(kFrameBytes);
    riff.Fill(16, '\0'); // resolution and palette fields
    riff.End(bitmap, "strf0");
    riff.End(videoList, "strl0");
    AudioStreamList(riff, h, 1, h.audioLength);
    for (int i = 0; i < h.extraAudioStreams; ++i)
        AudioStreamList(riff, h, 2 + i, static_cast<std::uint32_t>(3 + i) * 80);
    riff.End(hdrl, "hdrl");

    std::vector<IndexEntry> index;
    const std::size_t movi = riff.Begin("LIST", "movi");
    const std::size_t moviStart = movi + 4; // offsets count from the list type
    for (int frame = 0; frame < kFrames; ++frame) {
        index.push_back(
            {"00db", static_cast<std::uint32_t>(riff.Position() - moviStart), kFrameBytes});
        const std::size_t picture = riff.Begin("00db");
        for (int i = 0; i < kFrameBytes; ++i)
            riff.Fill(1, static_cast<char>((i * 7 + frame * 31) & 0xFF));
        riff.End(picture, "00db");
        index.push_back(
            {"01wb", static_cast<std::uint32_t>(riff.Position() - moviStart), kAudioChunkBytes});
        const std::size_t sound = riff.Begin("01wb");
        for (int i = 0; i < kAudioChunkBytes / 2; ++i)
            riff.U16(static_cast<std::uint16_t>((i % 20) * 1500));
        riff.End(sound, "01wb");
    }
    riff.End(movi, "movi");

    const std::size_t idx1 = riff.Begin("idx1");
    for (const IndexEntry& entry : index) {
        riff.Tag(entry.id);
        riff.U32(0x10); // key frame
        riff.U32(entry.offset);
        riff.U32(entry.size);
    }
    riff.End(idx1, "idx1");
    riff.End(file, "RIFF");
    return riff.Take();
}

std::string MakeWav(const WavHeaders& h) {
    RiffWriter riff(h.sizes);
    const std::size_t file = riff.Begin("RIFF", "WAVE");
    const std::size_t format = riff.Begin("fmt ");
    WaveFormat(riff, h.formatTag, h.channels, h.samplesPerSec, h.avgBytesPerSec, h.blockAlign,
               h.bitsPerSample);
    riff.End(format, "fmt ");
    const std::size_t data = riff.Begin("data");
    for (int i = 0; i < 8000; ++i)
        riff.U16(static_cast<std::uint16_t>((i % 20) * 1500));
    riff.End(data, "data");
    riff.End(file, "RIFF");
    return riff.Take();
}

std::vector<LyingField<AviHeaders>> AviFields() {
    using H = AviHeaders;
    const auto u32 = [](std::uint32_t H::*field) {
        return [field](H& h, std::uint32_t value) { h.*field = value; };
    };
    const auto u16 = [](std::uint16_t H::*field) {
        return [field](H& h, std::uint32_t value) { h.*field = static_cast<std::uint16_t>(value); };
    };
    return {
        {"main header frame time", 32, u32(&H::microSecPerFrame)},
        {"main header bit rate", 32, u32(&H::maxBytesPerSec)},
        {"main header frame count", 32, u32(&H::totalFrames)},
        {"main header stream count", 32, u32(&H::streams)},
        {"main header width", 32, u32(&H::width)},
        {"main header height", 32, u32(&H::height)},
        {"video time scale", 32, u32(&H::videoScale)},
        {"video frame rate", 32, u32(&H::videoRate)},
        {"video frame count", 32, u32(&H::videoLength)},
        {"bitmap width", 32, u32(&H::bitmapWidth)},
        {"bitmap height", 32, u32(&H::bitmapHeight)},
        {"bitmap bit count", 16, u16(&H::bitCount)},
        {"bitmap planes", 16, u16(&H::planes)},
        {"bitmap compression", 32, u32(&H::compression)},
        {"audio time scale", 32, u32(&H::audioScale)},
        {"audio rate", 32, u32(&H::audioRate)},
        {"audio length", 32, u32(&H::audioLength)},
        {"audio sample size", 32, u32(&H::audioSampleSize)},
        {"audio format tag", 16, u16(&H::formatTag)},
        {"audio channels", 16, u16(&H::channels)},
        {"audio sample rate", 32, u32(&H::samplesPerSec)},
        {"audio bit rate", 32, u32(&H::avgBytesPerSec)},
        {"audio block size", 16, u16(&H::blockAlign)},
        {"audio bits per sample", 16, u16(&H::bitsPerSample)},
    };
}

std::vector<LyingField<WavHeaders>> WavFields() {
    using H = WavHeaders;
    const auto u32 = [](std::uint32_t H::*field) {
        return [field](H& h, std::uint32_t value) { h.*field = value; };
    };
    const auto u16 = [](std::uint16_t H::*field) {
        return [field](H& h, std::uint32_t value) { h.*field = static_cast<std::uint16_t>(value); };
    };
    return {
        {"format tag", 16, u16(&H::formatTag)},
        {"channels", 16, u16(&H::channels)},
        {"sample rate", 32, u32(&H::samplesPerSec)},
        {"bit rate", 32, u32(&H::avgBytesPerSec)},
        {"block size", 16, u16(&H::blockAlign)},
        {"bits per sample", 16, u16(&H::bitsPerSample)},
    };
}

std::vector<std::string> AviChunks() {
    return {"RIFF",  "hdrl",  "avih", "strl0", "strh0", "strf0", "strl1",
            "strh1", "strf1", "movi", "00db",  "01wb",  "idx1"};
}

std::vector<std::string> WavChunks() {
    return {"RIFF", "fmt ", "data"};
}

std::vector<std::uint32_t> LiesFor(int bits) {
    if (bits == 16)
        return {0, 0x7FFF, 0x8000, 0xFFFF};
    return {0, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
}

std::vector<std::uint32_t> ChunkSizeLies() {
    std::vector<std::uint32_t> lies = LiesFor(32);
    lies.push_back(1 << 20); // well past the end of these small files
    return lies;
}

} // namespace zarvo::hostile
