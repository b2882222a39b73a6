// Naming a stream's kind from its major and format types, and reading its video or audio fields.
#include "report/StreamClassification.h"

#include "codecs/FourCC.h"
#include "report/MediaStream.h"

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace zarvo {

thread_local TMediaStream* CurrentStream = nullptr;

namespace {

struct KindRow {
    const GUID& type;
    std::string_view kind;
};

// Tested in this order; the first equal row wins.
// clang-format off
const std::array<KindRow, 15> kMajorTypes{
    {
     {MEDIATYPE_Video, "Video"},
     {MEDIATYPE_Audio, "Audio"},
     {MEDIATYPE_AnalogAudio, "AnalogAudio"},
     {MEDIATYPE_AnalogVideo, "Analogvideo"},
     {MEDIATYPE_AUXLine21Data, "AUXLine21Data"},
     {MEDIATYPE_File, "File"},
     {MEDIATYPE_Interleaved, "Interleaved"},
     {MEDIATYPE_LMRT, "LMRT"},
     {MEDIATYPE_Midi, "Midi"},
     {MEDIATYPE_MPEG2_PES, "MPEG2_PES"},
     {MEDIATYPE_ScriptCommand, "ScriptCommand"},
     {MEDIATYPE_Stream, "Stream"},
     {MEDIATYPE_Text, "Text"},
     {MEDIATYPE_Timecode, "Timecode"},
     {MEDIATYPE_URL_STREAM, "URL_STREAM"},
     }
};
// clang-format on

// Format types whose block is not read: they only name the stream's kind.
// clang-format off
const std::array<KindRow, 5> kUnreadFormats{
    {
     {FORMAT_DvInfo, "DvInfo"},
     {FORMAT_MPEGStreams, "MPEGStreams"},
     {FORMAT_DolbyAC3, "DolbyAC3"},
     {FORMAT_MPEG2Audio, "MPEG2Audio"},
     {FORMAT_DVD_LPCMAudio, "DVD_LPCMAudio"},
     }
};
// clang-format on

std::string_view MajorTypeKind(const GUID& majortype) {
    for (const KindRow& row : kMajorTypes)
        if (IsEqualGUID(row.type, majortype))
            return row.kind;
    return "Unknown";
}

// Holds its own reference on the record's interface for as long as it lives.
class HeldReference {
public:
    explicit HeldReference(IUnknown* unknown) : unknown_(unknown) {
        if (unknown_ != nullptr)
            unknown_->AddRef();
    }
    HeldReference(const HeldReference&) = delete;
    HeldReference& operator=(const HeldReference&) = delete;
    ~HeldReference() {
        if (unknown_ != nullptr)
            unknown_->Release();
    }

private:
    IUnknown* unknown_;
};

// Where the fields the video lines need lie inside a video format block.
struct VideoLayout {
    std::size_t avgTimePerFrame;
    std::size_t bitmap;
};

constexpr VideoLayout kVideoInfo{offsetof(VIDEOINFOHEADER, AvgTimePerFrame),
                                 offsetof(VIDEOINFOHEADER, bmiHeader)};
constexpr VideoLayout kVideoInfo2{offsetof(VIDEOINFOHEADER2, AvgTimePerFrame),
                                  offsetof(VIDEOINFOHEADER2, bmiHeader)};

// A frame count as the 32-bit field holds it: the low 32 bits of the count truncated toward zero.
// A count that is not finite or lies beyond 64-bit range means nothing, and counts as 0.
std::uint32_t FrameCount(float frameRate, double length) {
    const double product = static_cast<double>(frameRate) * length;
    // The length is the double nearest an exact count of ticks, and the product rounds once more:
    // a product short of a whole count by no more than those two roundings is that count, so
    // 10.2 s at 25 frames a second (254.99999999999997) makes 255 frames.
    const double above = std::ceil(product);
    const bool wholeCount =
        product > 0 && above - product <= product * std::numeric_limits<double>::epsilon();
    const double frames = wholeCount ? above : std::trunc(product);
    if (!std::isfinite(frames) || std::fabs(frames) >= 0x1p63)
        return 0;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(frames));
}

void SetVideoFields(TMediaStream& stream, const FormatBlockReader& block, VideoLayout layout,
                    double length, std::optional<std::int64_t> frames) {
    const auto avgTimePerFrame = block.Read<std::int64_t>(layout.avgTimePerFrame);
    const auto bitmapField = [&](std::size_t field) { return layout.bitmap + field; };
    const auto width = block.Read<std::int32_t>(bitmapField(offsetof(BITMAPINFOHEADER, biWidth)));
    const auto height = block.Read<std::int32_t>(bitmapField(offsetof(BITMAPINFOHEADER, biHeight)));
    const auto bitCount =
        block.Read<std::uint16_t>(bitmapField(offsetof(BITMAPINFOHEADER, biBitCount)));
    const auto compression =
        block.Read<std::uint32_t>(bitmapField(offsetof(BITMAPINFOHEADER, biCompression)));
    // A block too short for the fields the lines need describes nothing.
    if (!avgTimePerFrame || !width || !height || !bitCount || !compression)
        return;

    stream.FrameRate =
        *avgTimePerFrame > 0
            ? static_cast<float>(10'000'000.0 / static_cast<double>(*avgTimePerFrame))
            : 0.0f;
    stream.Resolution = std::to_string(*width) + "x" + std::to_string(*height);
    stream.ColorDepth = static_cast<std::uint8_t>(*bitCount);
    // The shown rate is narrowed to whole 100 ns per frame and to a float, so that 24 frames a
    // second become 23.99998 and 10 s of them 239.9998 frames: the detector's count, from the
    // container or the exact rate and length, is the true one.
    stream.Frames =
        frames ? static_cast<std::uint32_t>(*frames) : FrameCount(stream.FrameRate, length);
    stream.Codec = VideoCodecName(*compression);
    stream.Fields = TMediaStream::FieldSet::Video;
    stream.Width = *width;
    stream.Height = *height;
    stream.CodecCode = *compression;
    // A picture without height has no shape.
    stream.Ratio = *height != 0 ? static_cast<float>(static_cast<double>(*width) / *height) : 0.0f;
}

void SetAudioFields(TMediaStream& stream, const FormatBlockReader& block) {
    const auto tag = block.Read<std::uint16_t>(offsetof(WAVEFORMATEX, wFormatTag));
    const auto channels = block.Read<std::uint16_t>(offsetof(WAVEFORMATEX, nChannels));
    const auto samplesPerSec = block.Read<std::uint32_t>(offsetof(WAVEFORMATEX, nSamplesPerSec));
    const auto bytesPerSec = block.Read<std::uint32_t>(offsetof(WAVEFORMATEX, nAvgBytesPerSec));
    if (!tag || !channels || !samplesPerSec || !bytesPerSec)
        return;

    stream.Codec = AudioFormatName(*tag);
    stream.Bitrate = static_cast<std::uint32_t>(std::uint64_t{*bytesPerSec} * 8 / 1000);
    stream.SampleRate = static_cast<float>(*samplesPerSec / 1000.0);
    stream.Channels = static_cast<std::uint8_t>(*channels);
    stream.Fields = TMediaStream::FieldSet::Audio;
    stream.CodecCode = *tag;
    stream.SamplesPerSec = *samplesPerSec;
    stream.AvgBytesPerSec = *bytesPerSec;
}

std::string UnknownCode(std::uint32_t code) {
    return "Unknown (" + std::to_string(code) + ")";
}

} // namespace

void GetMediaTypeDescriptionX(AM_MEDIA_TYPE mediaType, double length,
                              std::optional<std::int64_t> frames) {
    // Without a record there is nowhere to put the fields; going on would describe nothing.
    if (CurrentStream == nullptr)
        throw std::logic_error("no stream record to classify into");
    TMediaStream& stream = *CurrentStream;
    const HeldReference unknown(mediaType.pUnk);

    stream.StreamType = MajorTypeKind(mediaType.majortype);

    const bool present = mediaType.cbFormat != 0 && mediaType.pbFormat != nullptr;
    const FormatBlockReader block(mediaType.pbFormat, present ? mediaType.cbFormat : 0);
    const GUID& format = mediaType.formattype;
    if (IsEqualGUID(format, FORMAT_VideoInfo) || IsEqualGUID(format, FORMAT_MPEGVideo)) {
        if (present)
            SetVideoFields(stream, block, kVideoInfo, length, frames);
        return;
    }
    if (IsEqualGUID(format, FORMAT_VideoInfo2) || IsEqualGUID(format, FORMAT_MPEG2Video)) {
        if (present)
            SetVideoFields(stream, block, kVideoInfo2, length, frames);
        return;
    }
    if (IsEqualGUID(format, FORMAT_WaveFormatEx)) {
        if (present)
            SetAudioFields(stream, block);
        return;
    }
    if (IsEqualGUID(format, FORMAT_OggAudio)) {
        stream.StreamType = "Ogg audio";
        if (present)
            SetAudioFields(stream, block);
        return;
    }
    for (const KindRow& row : kUnreadFormats) {
        if (IsEqualGUID(row.type, format)) {
            stream.StreamType = row.kind;
            return;
        }
    }
    stream.StreamType = "Unknown";
}

std::string VideoCodecName(std::uint32_t code) {
    if (const auto name = FindVideoCodecName(code))
        return std::string(*name);
    return UnknownCode(code);
}

std::string AudioFormatName(std::uint16_t tag) {
    if (const auto name = FindAudioFormatName(tag))
        return std::string(*name);
    return UnknownCode(tag);
}

} // namespace zarvo
