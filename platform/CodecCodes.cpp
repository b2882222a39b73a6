// Maps libavformat's codec identifiers to the codes of the bitmap header and the wave format.
#include "platform/CodecCodes.h"

#include "codecs/FourCC.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace zarvo {
namespace {
struct NamedCode {
    AVCodecID codec;
    std::uint32_t code;
};

// The upper-case code under which the video codec table names a codec, by codec.
// clang-format off
constexpr NamedCode kNamedVideoCodes[] = {
    {AV_CODEC_ID_H264,        FourCC("H264")},
    {AV_CODEC_ID_HEVC,        FourCC("H265")},
    {AV_CODEC_ID_H261,        FourCC("H261")},
    {AV_CODEC_ID_H263,        FourCC("H263")},
    {AV_CODEC_ID_MPEG4,       FourCC("MP4V")},
    {AV_CODEC_ID_MPEG1VIDEO,  FourCC("MPG1")},
    {AV_CODEC_ID_MPEG2VIDEO,  FourCC("MPG2")},
    {AV_CODEC_ID_MJPEG,       FourCC("MJPG")},
    {AV_CODEC_ID_MJPEGB,      FourCC("MJPB")},
    {AV_CODEC_ID_DVVIDEO,     FourCC("DVSD")},
    {AV_CODEC_ID_WMV1,        FourCC("WMV1")},
    {AV_CODEC_ID_WMV2,        FourCC("WMV2")},
    {AV_CODEC_ID_WMV3,        FourCC("WMV3")},
    {AV_CODEC_ID_MSMPEG4V2,   FourCC("MP42")},
    {AV_CODEC_ID_MSMPEG4V3,   FourCC("MP43")},
    {AV_CODEC_ID_CINEPAK,     FourCC("CVID")},
    {AV_CODEC_ID_HUFFYUV,     FourCC("HFYU")},
    {AV_CODEC_ID_MSVIDEO1,    FourCC("MSVC")},
    {AV_CODEC_ID_MSRLE,       FourCC("MRLE")},
    {AV_CODEC_ID_INDEO3,      FourCC("IV32")},
    {AV_CODEC_ID_INDEO4,      FourCC("IV41")},
    {AV_CODEC_ID_INDEO5,      FourCC("IV50")},
    {AV_CODEC_ID_SVQ1,        FourCC("SVQ1")},
    {AV_CODEC_ID_SVQ3,        FourCC("SVQ3")},
    {AV_CODEC_ID_VP3,         FourCC("VP31")},
    {AV_CODEC_ID_RV10,        FourCC("RV10")},
    {AV_CODEC_ID_RV20,        FourCC("RV20")},
    {AV_CODEC_ID_RV30,        FourCC("RV30")},
    {AV_CODEC_ID_TSCC,        FourCC("TSCC")},
    {AV_CODEC_ID_ZLIB,        FourCC("ZLIB")},
    {AV_CODEC_ID_MSZH,        FourCC("MSZH")},
    {AV_CODEC_ID_QPEG,        FourCC("QPEG")},
    {AV_CODEC_ID_ASV1,        FourCC("ASV1")},
    {AV_CODEC_ID_ASV2,        FourCC("ASV2")},
    {AV_CODEC_ID_CLJR,        FourCC("CLJR")},
    {AV_CODEC_ID_VCR1,        FourCC("VCR1")},
    {AV_CODEC_ID_ULTI,        FourCC("ULTI")},
    {AV_CODEC_ID_WNV1,        FourCC("WNV1")},
    {AV_CODEC_ID_AASC,        FourCC("AASC")},
    {AV_CODEC_ID_KMVC,        FourCC("KMVC")},
    {AV_CODEC_ID_MSS1,        FourCC("MSS1")},
    {AV_CODEC_ID_RPZA,        FourCC("RPZA")},
    {AV_CODEC_ID_SMC,         FourCC("SMC")},
    {AV_CODEC_ID_CYUV,        FourCC("CYUV")},
    {AV_CODEC_ID_AVRN,        FourCC("AVRN")},
    {AV_CODEC_ID_FRWU,        FourCC("FRWU")},
};
// clang-format on

std::uint32_t NamedVideoCode(AVCodecID codec) {
    for (const NamedCode& row : kNamedVideoCodes)
        if (row.codec == codec)
            return row.code;
    return 0;
}

} // namespace

std::uint32_t VideoCompressionCode(const AVCodecParameters& codec, bool storesRiffCodes) {
    if (storesRiffCodes && codec.codec_tag != 0)
        return codec.codec_tag;
    if (const std::uint32_t named = NamedVideoCode(codec.codec_id))
        return named;
    const AVCodecTag* const tags[] = {avformat_get_riff_video_tags(), nullptr};
    return av_codec_get_tag(tags, codec.codec_id);
}

std::uint16_t WaveFormatTag(const AVCodecParameters& codec, bool storesRiffCodes) {
    if (storesRiffCodes && codec.codec_tag >= 1 && codec.codec_tag <= 0xFFFF)
        return static_cast<std::uint16_t>(codec.codec_tag);
    const AVCodecTag* const tags[] = {avformat_get_riff_audio_tags(), nullptr};
    return static_cast<std::uint16_t>(av_codec_get_tag(tags, codec.codec_id));
}

} // namespace zarvo
