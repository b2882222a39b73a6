// Format blocks as the media detector hands them out, filled from libavformat's stream records.
#include "platform/FormatBlocks.h"

#include "platform/CodecCodes.h"
#include "platform/Containers.h"
#include "platform/DirectShow.h"
#include "platform/FrameCount.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

// Format blocks are built by copying the record, which gives their stored byte order only here.
static_assert(std::endian::native == std::endian::little);

namespace zarvo {
namespace {

template <typename To, typename From> To Clamp(From value) {
    return static_cast<To>(std::clamp<std::int64_t>(value, std::numeric_limits<To>::min(),
                                                    std::numeric_limits<To>::max()));
}

bool StoresRiffCodes(const Container* container) {
    return container != nullptr && container->storesRiffCodes;
}

bool OggAudio(const Container* container) {
    return container != nullptr && container->oggAudio;
}

bool StoresWaveFormat(const Container* container) {
    return container != nullptr && container->storesWaveFormat;
}

// Bits per second: the stream's own figure, else the statistics some muxers write as tags.
std::int64_t BitRate(const AVStream& stream) {
    if (stream.codecpar->bit_rate > 0)
        return stream.codecpar->bit_rate;
    const AVDictionaryEntry* tag =
        av_dict_get(stream.metadata, "BPS", nullptr, AV_DICT_IGNORE_SUFFIX);
    if (tag == nullptr)
        return 0;
    std::int64_t bits = 0;
    const char* end = tag->value + std::strlen(tag->value);
    const auto [rest, error] = std::from_chars(tag->value, end, bits);
    return error == std::errc{} && rest == end && bits > 0 ? bits : 0;
}

std::uint16_t BitCount(const AVCodecParameters& codec) {
    if (codec.bits_per_coded_sample > 0)
        return Clamp<std::uint16_t>(codec.bits_per_coded_sample);
    if (const AVPixFmtDescriptor* pixels = av_pix_fmt_desc_get(AVPixelFormat(codec.format)))
        return Clamp<std::uint16_t>(av_get_bits_per_pixel(pixels));
    return 0;
}

// The average frame rate, or the real base rate when the container does not know the average.
AVRational FrameRate(const AVStream& stream) {
    if (stream.avg_frame_rate.num > 0 && stream.avg_frame_rate.den > 0)
        return stream.avg_frame_rate;
    if (stream.r_frame_rate.num > 0 && stream.r_frame_rate.den > 0)
        return stream.r_frame_rate;
    return {0, 1};
}

template <typename Block> std::vector<std::uint8_t> BlockBytes(const Block& block) {
    std::vector<std::uint8_t> bytes(sizeof block);
    std::memcpy(bytes.data(), &block, sizeof block);
    return bytes;
}

// Fills the fields that VIDEOINFOHEADER and VIDEOINFOHEADER2 share.
template <typename Header>
void FillVideoHeader(Header& header, const AVStream& stream, bool storesRiffCodes) {
    const AVCodecParameters& codec = *stream.codecpar;
    const AVRational rate = FrameRate(stream);
    header.dwBitRate = Clamp<std::uint32_t>(codec.bit_rate);
    header.AvgTimePerFrame = rate.num > 0 ? av_rescale(10'000'000, rate.den, rate.num) : 0;
    BITMAPINFOHEADER& bitmap = header.bmiHeader;
    bitmap.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.biWidth = codec.width;
    bitmap.biHeight = codec.height;
    bitmap.biPlanes = 1;
    bitmap.biBitCount = BitCount(codec);
    bitmap.biCompression = VideoCompressionCode(codec, storesRiffCodes);
}

} // namespace

void DescribeVideo(const AVFormatContext& context, const Container* container,
                   const AVStream& stream, const std::optional<TickSpan>& length,
                   ProbedStream& out) {
    const bool storesRiffCodes = StoresRiffCodes(container);
    const AVRational rate = FrameRate(stream);
    out.majortype = MEDIATYPE_Video;
    out.frameRate = rate.num > 0 ? av_q2d(rate) : 0.0;
    out.frames = VideoFrameCount(context, stream, rate.num, rate.den, length);

    const AVCodecID codec = stream.codecpar->codec_id;
    if (codec == AV_CODEC_ID_MPEG1VIDEO) {
        MPEG1VIDEOINFO info{};
        FillVideoHeader(info.hdr, stream, storesRiffCodes);
        out.formattype = FORMAT_MPEGVideo;
        out.format = BlockBytes(info);
        return;
    }
    const AVRational pixel = av_guess_sample_aspect_ratio(const_cast<AVFormatContext*>(&context),
                                                          const_cast<AVStream*>(&stream), nullptr);
    const bool squarePixels = pixel.num <= 0 || pixel.den <= 0 || pixel.num == pixel.den;
    if (codec != AV_CODEC_ID_MPEG2VIDEO && squarePixels) {
        VIDEOINFOHEADER info{};
        FillVideoHeader(info, stream, storesRiffCodes);
        out.formattype = FORMAT_VideoInfo;
        out.format = BlockBytes(info);
        return;
    }
    VIDEOINFOHEADER2 header{};
    FillVideoHeader(header, stream, storesRiffCodes);
    int aspectX = 0, aspectY = 0;
    const AVRational square{1, 1};
    const AVRational shape = squarePixels ? square : pixel;
    av_reduce(&aspectX, &aspectY, std::int64_t{stream.codecpar->width} * shape.num,
              std::int64_t{stream.codecpar->height} * shape.den, std::numeric_limits<int>::max());
    header.dwPictAspectRatioX = Clamp<std::uint32_t>(aspectX);
    header.dwPictAspectRatioY = Clamp<std::uint32_t>(aspectY);
    if (codec == AV_CODEC_ID_MPEG2VIDEO) {
        MPEG2VIDEOINFO info{};
        info.hdr = header;
        out.formattype = FORMAT_MPEG2Video;
        out.format = BlockBytes(info);
    } else {
        out.formattype = FORMAT_VideoInfo2;
        out.format = BlockBytes(header);
    }
}

void DescribeAudio(const Container* container, const AVStream& stream, std::int64_t fileBitRate,
                   ProbedStream& out) {
    const AVCodecParameters& codec = *stream.codecpar;
    std::int64_t bitRate = BitRate(stream);
    if (bitRate <= 0 && !StoresWaveFormat(container))
        bitRate = fileBitRate;
    WAVEFORMATEX wave{};
    wave.wFormatTag = WaveFormatTag(codec, StoresRiffCodes(container));
    wave.nChannels = Clamp<std::uint16_t>(codec.ch_layout.nb_channels);
    wave.nSamplesPerSec = Clamp<std::uint32_t>(codec.sample_rate);
    wave.nAvgBytesPerSec = Clamp<std::uint32_t>(bitRate / 8);
    wave.nBlockAlign = Clamp<std::uint16_t>(codec.block_align);
    wave.wBitsPerSample = Clamp<std::uint16_t>(codec.bits_per_coded_sample);
    out.majortype = MEDIATYPE_Audio;
    out.formattype = OggAudio(container) ? FORMAT_OggAudio : FORMAT_WaveFormatEx;
    out.format = BlockBytes(wave);
}

} // namespace zarvo
