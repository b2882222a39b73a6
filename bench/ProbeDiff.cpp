// Compares two probes of one file field by field, naming the fields as the format blocks do.
#include "bench/ProbeDiff.h"

#include "platform/DirectShow.h"

#include <cstddef>
#include <cstring>
#include <sstream>

namespace zarvo {
namespace {

struct Field {
    const char* name;
    std::size_t offset;
    std::size_t size;
};

// The block fields the report reads, by format type.
constexpr Field kVideoInfoFields[] = {
    {"bit rate", offsetof(VIDEOINFOHEADER, dwBitRate), 4},
    {"time per frame", offsetof(VIDEOINFOHEADER, AvgTimePerFrame), 8},
    {"width", offsetof(VIDEOINFOHEADER, bmiHeader) + offsetof(BITMAPINFOHEADER, biWidth), 4},
    {"height", offsetof(VIDEOINFOHEADER, bmiHeader) + offsetof(BITMAPINFOHEADER, biHeight), 4},
    {"bit count", offsetof(VIDEOINFOHEADER, bmiHeader) + offsetof(BITMAPINFOHEADER, biBitCount), 2},
    {"compression",
     offsetof(VIDEOINFOHEADER, bmiHeader) + offsetof(BITMAPINFOHEADER, biCompression), 4},
};
constexpr Field kVideoInfo2Fields[] = {
    {"bit rate", offsetof(VIDEOINFOHEADER2, dwBitRate), 4},
    {"time per frame", offsetof(VIDEOINFOHEADER2, AvgTimePerFrame), 8},
    {"aspect x", offsetof(VIDEOINFOHEADER2, dwPictAspectRatioX), 4},
    {"aspect y", offsetof(VIDEOINFOHEADER2, dwPictAspectRatioY), 4},
    {"width", offsetof(VIDEOINFOHEADER2, bmiHeader) + offsetof(BITMAPINFOHEADER, biWidth), 4},
    {"height", offsetof(VIDEOINFOHEADER2, bmiHeader) + offsetof(BITMAPINFOHEADER, biHeight), 4},
    {"bit count", offsetof(VIDEOINFOHEADER2, bmiHeader) + offsetof(BITMAPINFOHEADER, biBitCount),
     2},
    {"compression",
     offsetof(VIDEOINFOHEADER2, bmiHeader) + offsetof(BITMAPINFOHEADER, biCompression), 4},
};
constexpr Field kWaveFields[] = {
    {"format tag", offsetof(WAVEFORMATEX, wFormatTag), 2},
    {"channels", offsetof(WAVEFORMATEX, nChannels), 2},
    {"sample rate", offsetof(WAVEFORMATEX, nSamplesPerSec), 4},
    {"bytes per second", offsetof(WAVEFORMATEX, nAvgBytesPerSec), 4},
    {"block align", offsetof(WAVEFORMATEX, nBlockAlign), 2},
    {"bits per sample", offsetof(WAVEFORMATEX, wBitsPerSample), 2},
};

std::uint64_t Value(const std::vector<std::uint8_t>& block, const Field& field) {
    std::uint64_t value = 0;
    if (field.offset + field.size <= block.size())
        std::memcpy(&value, block.data() + field.offset, field.size);
    return value;
}

template <typename T> std::string Text(const T& value) {
    std::ostringstream text;
    text.precision(17);
    text << value;
    return text.str();
}

template <typename T> std::string Text(const std::optional<T>& value) {
    return value ? Text(*value) : std::string("none");
}

template <std::size_t N>
void CompareBlocks(const ProbedStream& fast, const ProbedStream& full, const Field (&fields)[N],
                   const std::string& stream, std::vector<std::string>& out) {
    for (const Field& field : fields) {
        const std::uint64_t a = Value(fast.format, field), b = Value(full.format, field);
        if (a != b)
            out.push_back(stream + field.name + ": " + Text(a) + " against " + Text(b));
    }
}

} // namespace

std::vector<std::string> ProbeDifferences(const std::vector<ProbedStream>& fast,
                                          const std::vector<ProbedStream>& full) {
    std::vector<std::string> out;
    if (fast.size() != full.size()) {
        out.push_back("stream count: " + Text(fast.size()) + " against " + Text(full.size()));
        return out;
    }
    for (std::size_t i = 0; i < fast.size(); ++i) {
        const ProbedStream& a = fast[i];
        const ProbedStream& b = full[i];
        const std::string stream = "stream " + Text(i + 1) + " ";
        if (a.majortype != b.majortype || a.formattype != b.formattype ||
            a.format.size() != b.format.size()) {
            out.push_back(stream + "kind or format type differs");
            continue;
        }
        if (a.length != b.length)
            out.push_back(stream + "length: " + Text(a.length) + " against " + Text(b.length));
        if (a.frameRate != b.frameRate)
            out.push_back(stream + "frame rate: " + Text(a.frameRate) + " against " +
                          Text(b.frameRate));
        if (a.frames != b.frames)
            out.push_back(stream + "frames: " + Text(a.frames) + " against " + Text(b.frames));
        if (a.formattype == FORMAT_VideoInfo || a.formattype == FORMAT_MPEGVideo)
            CompareBlocks(a, b, kVideoInfoFields, stream, out);
        else if (a.formattype == FORMAT_VideoInfo2 || a.formattype == FORMAT_MPEG2Video)
            CompareBlocks(a, b, kVideoInfo2Fields, stream, out);
        else if (a.formattype == FORMAT_WaveFormatEx || a.formattype == FORMAT_OggAudio)
            CompareBlocks(a, b, kWaveFields, stream, out);
        else if (a.format != b.format)
            out.push_back(stream + "format block differs");
    }
    return out;
}

} // namespace zarvo
