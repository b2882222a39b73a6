// The rules that let a probe skip the full analysis: a codec is trusted only where its decoder
// takes each reported field from the headers, or where this program reads the field from the
// codec's own header as the decoder does. Each rule is held to the full analysis on the corpus.
#include "platform/ProbePolicy.h"

#include "platform/AacConfig.h"
#include "platform/Containers.h"
#include "platform/H264Header.h"
#include "platform/ReportedStreams.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <optional>

namespace zarvo {
namespace {

bool IsPcm(AVCodecID codec) {
    return codec >= AV_CODEC_ID_FIRST_AUDIO && codec < AV_CODEC_ID_ADPCM_IMA_QT &&
           av_get_bits_per_sample(codec) > 0;
}

std::optional<H264Picture> H264PictureOf(const AVCodecParameters& codec) {
    return ReadH264Picture(codec.extradata, codec.extradata_size);
}

// libavcodec's H.264 decoder keeps a size the container states when it only trims the
// set's cropped picture within the same 16-pixel blocks, and takes the set's size otherwise.
void TakeH264Size(AVCodecParameters& codec, const H264Picture& picture) {
    const auto blocks = [](int pixels) { return (pixels + 15) / 16; };
    const bool containerTrims = codec.width > 0 && codec.height > 0 && !picture.cropsTopOrLeft &&
                                blocks(codec.width) == blocks(picture.width) &&
                                blocks(codec.height) == blocks(picture.height) &&
                                codec.width <= picture.width && codec.height <= picture.height;
    if (containerTrims)
        return;
    codec.width = picture.width;
    codec.height = picture.height;
}

bool VideoFromHeaders(const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    // The average rate only: the full analysis would work one out from the packets' times.
    if (stream.avg_frame_rate.num <= 0 || stream.avg_frame_rate.den <= 0)
        return false;
    if (codec.width <= 0 || codec.height <= 0)
        return false;
    const bool bitCount = codec.bits_per_coded_sample > 0 || codec.format != AV_PIX_FMT_NONE;
    switch (codec.codec_id) {
    case AV_CODEC_ID_H264:
        // Format, size and pixel shape are read from the sequence header as the decoder would.
        return H264PictureOf(codec).has_value();
    case AV_CODEC_ID_FFV1:
    case AV_CODEC_ID_RAWVIDEO:
    case AV_CODEC_ID_MSVIDEO1:
    case AV_CODEC_ID_QTRLE:
        // Their pictures carry no size of their own: the decoder takes the container's.
        return bitCount;
    default:
        return false;
    }
}

bool AudioFromHeaders(const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    if (codec.sample_rate <= 0 || codec.ch_layout.nb_channels <= 0)
        return false;
    switch (codec.codec_id) {
    case AV_CODEC_ID_AAC:
        // A spectral band replication layer signalled only inside the audio doubles a core rate
        // of up to 24 kHz; a program element inside the audio can name other channels.
        return codec.sample_rate > 24000 &&
               AacChannelConfiguration(codec.extradata, codec.extradata_size) > 0;
    case AV_CODEC_ID_OPUS:
        // Opus always decodes at 48 kHz, whatever input rate the header records.
        return codec.sample_rate == 48000;
    case AV_CODEC_ID_VORBIS:
    case AV_CODEC_ID_FLAC:
        // Rate and channels come from the codec's own identification header, which the demuxer
        // has read as the decoder does; neither decoder states a bit rate.
        return true;
    default:
        // PCM states everything in the container; its bit rate follows from the sample format.
        return IsPcm(codec.codec_id);
    }
}

bool StreamFromHeaders(const AVFormatContext& context, const Container& container,
                       const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    if (!IsMediaStream(stream))
        return true; // never reported
    if (codec.codec_id == AV_CODEC_ID_NONE)
        return false; // only the packets can tell the codec
    // The full analysis may work out a stream's own length where the file's stands in for it,
    // except in containers whose streams all show the segment's.
    const LengthSource length = LengthThatCounts(context, stream);
    if (length == LengthSource::None || (length == LengthSource::File && !container.segmentLength))
        return false;
    switch (codec.codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        return VideoFromHeaders(stream);
    case AVMEDIA_TYPE_AUDIO:
        return AudioFromHeaders(stream);
    default:
        return true; // subtitles and data: the kind and the length are all that is reported
    }
}

} // namespace

LengthSource LengthThatCounts(const AVFormatContext& context, const AVStream& stream) {
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0 && stream.time_base.num > 0 &&
        stream.time_base.den > 0)
        return LengthSource::Stream;
    if (context.duration != AV_NOPTS_VALUE && context.duration >= 0)
        return LengthSource::File;
    return LengthSource::None;
}

bool HeadersDescribeEveryField(const AVFormatContext& context, const Container* container) {
    if (container == nullptr || context.nb_streams == 0 ||
        (context.ctx_flags & AVFMTCTX_NOHEADER) != 0)
        return false;
    for (unsigned i = 0; i < context.nb_streams; ++i)
        if (!StreamFromHeaders(context, *container, *context.streams[i]))
            return false;
    return true;
}

bool H264WithoutCodecHeader(const AVCodecParameters& codec) {
    return codec.codec_id == AV_CODEC_ID_H264 && codec.extradata_size <= 0;
}

bool LacksH264SequenceHeader(const AVFormatContext& context, const Container* container) {
    if (container == nullptr)
        return false;
    for (unsigned i = 0; i < context.nb_streams; ++i)
        if (H264WithoutCodecHeader(*context.streams[i]->codecpar))
            return true;
    return false;
}

void FillFromCodecHeaders(AVFormatContext& context) {
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        AVCodecParameters& codec = *context.streams[i]->codecpar;
        if (codec.codec_id == AV_CODEC_ID_H264) {
            if (const std::optional<H264Picture> picture = H264PictureOf(codec)) {
                codec.format = picture->format;
                TakeH264Size(codec, *picture);
                codec.sample_aspect_ratio = picture->sampleAspect;
            }
        } else if (codec.codec_type == AVMEDIA_TYPE_AUDIO && IsPcm(codec.codec_id) &&
                   codec.bit_rate <= 0) {
            codec.bit_rate = std::int64_t{codec.sample_rate} * codec.ch_layout.nb_channels *
                             av_get_bits_per_sample(codec.codec_id);
        }
    }
}

} // namespace zarvo
