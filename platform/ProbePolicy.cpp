// Which containers state every reported field in their headers, and which codecs only tell some
// fields once a frame is decoded. Each rule was measured against libavformat's full analysis.
#include "platform/ProbePolicy.h"

#include "platform/H264Header.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>
#include <optional>
#include <string>

namespace {

struct Container {
    const char* demuxer;                         // the demuxer's name as libavformat gives it
    std::initializer_list<const char*> suffixes; // extensions that name it, lower case
    // The segment's duration in the header is what every stream without its own length shows,
    // and the full analysis leaves it as it is.
    bool segmentLength;
};

// Containers whose headers may describe every field. The suffixes name demuxers that check the
// file's signature while reading the header.
const std::array<Container, 6> kContainers{{
    {"avi", {"avi"}, false},
    {"mov,mp4,m4a,3gp,3g2,mj2", {"mp4", "m4a", "m4v", "mov", "3gp", "3g2"}, false},
    {"matroska,webm", {"mkv", "mka", "mk3d", "webm"}, true},
    {"wav", {"wav"}, false},
    {"ogg", {"ogg", "ogv", "oga", "ogm", "opus", "spx"}, false},
    {"asf", {"asf", "wmv", "wma"}, false},
}};

const Container* FindContainer(std::string_view demuxer) {
    for (const Container& container : kContainers)
        if (demuxer == container.demuxer)
            return &container;
    return nullptr;
}

// Decoders that replace the bit rate the container states with the one their first frame
// states, which differs whenever the stream's rate varies.
bool DecoderRestatesBitRate(AVCodecID codec) {
    switch (codec) {
    case AV_CODEC_ID_MP1:
    case AV_CODEC_ID_MP2:
    case AV_CODEC_ID_MP3:
    case AV_CODEC_ID_MP3ADU:
    case AV_CODEC_ID_MP3ON4:
    case AV_CODEC_ID_AC3:
    case AV_CODEC_ID_EAC3:
    case AV_CODEC_ID_DTS:
        return true;
    default:
        return false;
    }
}

// The channel configuration of an AAC stream's AudioSpecificConfig: 0 means the channels are
// only told by a program element inside the audio; -1 when the config cannot be read.
int AacChannelConfiguration(const AVCodecParameters& codec) {
    if (codec.extradata == nullptr || codec.extradata_size < 2)
        return -1;
    std::uint64_t bits = 0;
    const int bytes = std::min(codec.extradata_size, 7);
    for (int i = 0; i < 7; ++i)
        bits = bits << 8 | (i < bytes ? codec.extradata[i] : 0u);
    int used = 0;
    const auto take = [&](int count) {
        used += count;
        return static_cast<int>(bits >> (56 - used) & ((1u << count) - 1));
    };
    if (take(5) == 31) // audio object type escape
        take(6);
    if (take(4) == 15) // sampling frequency index escape: the rate follows in full
        take(24);
    return used + 4 <= bytes * 8 ? take(4) : -1;
}

// Fields that a decoder tells differently from the header, by codec.
bool DecoderMayCorrect(const AVCodecParameters& codec) {
    switch (codec.codec_id) {
    case AV_CODEC_ID_OPUS:
        // Opus always decodes at 48 kHz, whatever input rate the header records.
        return codec.sample_rate != 48000;
    case AV_CODEC_ID_AAC:
        // A spectral band replication layer signalled only inside the audio doubles a core rate
        // of up to 24 kHz; a program element inside the audio can name other channels.
        return codec.sample_rate <= 24000 || AacChannelConfiguration(codec) <= 0;
    default:
        return DecoderRestatesBitRate(codec.codec_id);
    }
}

// The picture format the codec header already tells, for codecs whose decoder would otherwise
// have to decode a frame to tell it.
std::optional<AVPixelFormat> HeaderPixelFormat(const AVCodecParameters& codec) {
    switch (codec.codec_id) {
    case AV_CODEC_ID_H264:
        return H264PixelFormat(codec.extradata, codec.extradata_size);
    case AV_CODEC_ID_VP8:
        return AV_PIX_FMT_YUV420P; // the only picture format VP8 has
    default:
        return std::nullopt;
    }
}

bool HasOwnLength(const AVStream& stream) {
    return stream.duration != AV_NOPTS_VALUE && stream.duration > 0 && stream.time_base.den > 0;
}

bool VideoDescribed(const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    // The average rate only: the full analysis would work one out from the packets' times.
    const bool rate = stream.avg_frame_rate.num > 0 && stream.avg_frame_rate.den > 0;
    const bool bitCount = codec.bits_per_coded_sample > 0 || codec.format != AV_PIX_FMT_NONE ||
                          HeaderPixelFormat(codec).has_value();
    return codec.width > 0 && codec.height > 0 && rate && bitCount;
}

bool AudioDescribed(const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    return codec.sample_rate > 0 && codec.ch_layout.nb_channels > 0 && !DecoderMayCorrect(codec);
}

bool StreamDescribed(const AVFormatContext& context, const Container& container,
                     const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    if (codec.codec_type == AVMEDIA_TYPE_ATTACHMENT)
        return true; // never reported
    if (codec.codec_id == AV_CODEC_ID_NONE)
        return false; // only the packets can tell the codec
    const bool length =
        HasOwnLength(stream) ||
        (container.segmentLength && context.duration != AV_NOPTS_VALUE && context.duration >= 0);
    if (!length)
        return false;
    switch (codec.codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        return VideoDescribed(stream);
    case AVMEDIA_TYPE_AUDIO:
        return AudioDescribed(stream);
    default:
        return true; // subtitles and data: the kind and the length are all that is reported
    }
}

std::string LowerExtension(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    std::string extension(name.substr(dot + 1));
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

} // namespace

const AVInputFormat* FormatNamedByExtension(std::string_view path) {
    // Looked up once: the demuxer list does not change while the program runs.
    static const std::array<const AVInputFormat*, kContainers.size()> demuxers = [] {
        std::array<const AVInputFormat*, kContainers.size()> found{};
        for (std::size_t i = 0; i < kContainers.size(); ++i) {
            const std::string_view name = kContainers[i].demuxer;
            found[i] = av_find_input_format(std::string(name.substr(0, name.find(','))).c_str());
        }
        return found;
    }();
    const std::string extension = LowerExtension(path);
    if (extension.empty())
        return nullptr;
    for (std::size_t i = 0; i < kContainers.size(); ++i)
        for (const char* suffix : kContainers[i].suffixes)
            if (extension == suffix)
                return demuxers[i];
    return nullptr;
}

bool HeadersDescribeEveryField(const AVFormatContext& context) {
    const Container* container = FindContainer(context.iformat->name);
    if (container == nullptr || context.nb_streams == 0 ||
        (context.ctx_flags & AVFMTCTX_NOHEADER) != 0)
        return false;
    for (unsigned i = 0; i < context.nb_streams; ++i)
        if (!StreamDescribed(context, *container, *context.streams[i]))
            return false;
    return true;
}

void FillFromCodecHeaders(AVFormatContext& context) {
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        AVCodecParameters& codec = *context.streams[i]->codecpar;
        if (codec.codec_type != AVMEDIA_TYPE_VIDEO || codec.format != AV_PIX_FMT_NONE)
            continue;
        if (const std::optional<AVPixelFormat> format = HeaderPixelFormat(codec))
            codec.format = *format;
    }
}
