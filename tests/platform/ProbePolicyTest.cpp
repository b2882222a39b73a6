// Which streams the headers describe well enough to skip libavformat's full analysis.
#include "platform/ProbePolicy.h"

#include "platform/Containers.h"
#include "support/CaseName.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace zarvo {
namespace {

using test::PrintTo;

struct ContextDeleter {
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
using Context = std::unique_ptr<AVFormatContext, ContextDeleter>;

// A stream as a demuxer's header reader would leave it, complete unless a case changes it. FFV1
// pictures carry no size of their own, so the container's is the decoder's.
void Video(AVStream& stream, AVCodecID codec = AV_CODEC_ID_FFV1) {
    AVCodecParameters& p = *stream.codecpar;
    p.codec_type = AVMEDIA_TYPE_VIDEO;
    p.codec_id = codec;
    p.width = 320;
    p.height = 240;
    p.bits_per_coded_sample = 24;
    stream.avg_frame_rate = {25, 1};
    stream.time_base = {1, 25};
    stream.duration = 50;
}

void Audio(AVStream& stream, AVCodecID codec, int sampleRate,
           std::vector<std::uint8_t> config = {}) {
    AVCodecParameters& p = *stream.codecpar;
    p.codec_type = AVMEDIA_TYPE_AUDIO;
    p.codec_id = codec;
    p.sample_rate = sampleRate;
    av_channel_layout_default(&p.ch_layout, 2);
    stream.time_base = {1, sampleRate};
    stream.duration = 2 * sampleRate;
    if (!config.empty()) {
        p.extradata =
            static_cast<std::uint8_t*>(av_mallocz(config.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        std::memcpy(p.extradata, config.data(), config.size());
        p.extradata_size = static_cast<int>(config.size());
    }
}

// AudioSpecificConfig: AAC LC at 48 kHz with two channels, and with channels left to the audio.
const std::vector<std::uint8_t> kAacStereo{0x11, 0x90};
const std::vector<std::uint8_t> kAacProgramElement{0x11, 0x80};

struct Case {
    const char* name;
    const char* demuxer;
    std::function<void(AVFormatContext&)> build;
    bool described;
};

AVStream& Add(AVFormatContext& context) {
    return *avformat_new_stream(&context, nullptr);
}

const Case kCases[] = {
    {"AviVideoAndPcm", "avi",
     [](AVFormatContext& c) {
         Video(Add(c));
         Audio(Add(c), AV_CODEC_ID_PCM_S16LE, 44100);
     },
     true},
    {"OnlyTheRealBaseRate", "avi",
     [](AVFormatContext& c) {
         AVStream& s = Add(c);
         Video(s);
         s.avg_frame_rate = {0, 1};
         s.r_frame_rate = {25, 1};
     },
     false},
    {"NoBitCountNoPictureFormat", "avi",
     [](AVFormatContext& c) { Video(Add(c)), c.streams[0]->codecpar->bits_per_coded_sample = 0; },
     false},
    {"Mpeg4StatesItsOwnSize", "avi", [](AVFormatContext& c) { Video(Add(c), AV_CODEC_ID_MPEG4); },
     false},
    {"Vp8StatesItsOwnSize", "matroska", [](AVFormatContext& c) { Video(Add(c), AV_CODEC_ID_VP8); },
     false},
    {"H264WithoutASequenceHeader", "mp4",
     [](AVFormatContext& c) { Video(Add(c), AV_CODEC_ID_H264); }, false},
    {"HevcIsNotReadHere", "mp4", [](AVFormatContext& c) { Video(Add(c), AV_CODEC_ID_HEVC); },
     false},
    {"PcmInMatroska", "matroska",
     [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_PCM_S24LE, 48000); }, true},
    {"AdpcmIsNoPcm", "wav", [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_ADPCM_MS, 22050); },
     false},
    {"Qdm2StatesItsRateInItsFrames", "mov",
     [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_QDM2, 44100); }, false},
    {"NoLengthAnywhere", "avi",
     [](AVFormatContext& c) { Video(Add(c)), c.streams[0]->duration = 0; }, false},
    {"SegmentLengthServesMatroska", "matroska",
     [](AVFormatContext& c) {
         Video(Add(c));
         c.streams[0]->duration = AV_NOPTS_VALUE;
         c.duration = 2 * AV_TIME_BASE;
     },
     true},
    {"ContainerLengthDoesNotServeAvi", "avi",
     [](AVFormatContext& c) {
         Video(Add(c));
         c.streams[0]->duration = AV_NOPTS_VALUE;
         c.duration = 2 * AV_TIME_BASE;
     },
     false},
    {"AacAt48kHz", "mp4",
     [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_AAC, 48000, kAacStereo); }, true},
    {"AacAt24kHzMayHideItsSbrLayer", "mp4",
     [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_AAC, 24000, kAacStereo); }, false},
    {"AacChannelsInAProgramElement", "mp4",
     [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_AAC, 48000, kAacProgramElement); }, false},
    {"AacWithoutConfig", "mp4", [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_AAC, 48000); },
     false},
    {"OpusRecordedAt24kHz", "matroska",
     [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_OPUS, 24000); }, false},
    {"OpusAt48kHz", "ogg", [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_OPUS, 48000); },
     true},
    {"Mp3RestatesItsBitRate", "avi",
     [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_MP3, 44100); }, false},
    {"Ac3RestatesItsBitRate", "matroska",
     [](AVFormatContext& c) { Audio(Add(c), AV_CODEC_ID_AC3, 48000); }, false},
    {"AudioWithoutChannels", "wav",
     [](AVFormatContext& c) {
         Audio(Add(c), AV_CODEC_ID_PCM_S16LE, 44100);
         av_channel_layout_uninit(&c.streams[0]->codecpar->ch_layout);
     },
     false},
    {"UnknownCodec", "avi",
     [](AVFormatContext& c) { Video(Add(c)), c.streams[0]->codecpar->codec_id = AV_CODEC_ID_NONE; },
     false},
    {"AttachmentsAreNotReported", "matroska",
     [](AVFormatContext& c) {
         Video(Add(c));
         Add(c).codecpar->codec_type = AVMEDIA_TYPE_ATTACHMENT;
     },
     true},
    {"CoverPicturesAreNotReported", "matroska",
     [](AVFormatContext& c) {
         Audio(Add(c), AV_CODEC_ID_FLAC, 44100);
         AVStream& cover = Add(c);
         cover.codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
         cover.codecpar->codec_id = AV_CODEC_ID_MJPEG;
         cover.disposition = AV_DISPOSITION_ATTACHED_PIC;
     },
     true},
    {"RealMjpegVideoStillNeedsTheAnalysis", "matroska",
     [](AVFormatContext& c) {
         Audio(Add(c), AV_CODEC_ID_FLAC, 44100);
         Video(Add(c), AV_CODEC_ID_MJPEG);
     },
     false},
    {"SubtitlesNeedOnlyALength", "matroska",
     [](AVFormatContext& c) {
         AVStream& s = Add(c);
         s.codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
         s.codecpar->codec_id = AV_CODEC_ID_SUBRIP;
         c.duration = AV_TIME_BASE;
     },
     true},
    {"NoStreams", "avi", [](AVFormatContext&) {}, false},
    {"ContainerNotTrusted", "flv", [](AVFormatContext& c) { Video(Add(c)); }, false},
};

class ProbePolicyTest : public ::testing::TestWithParam<Case> {};

TEST_P(ProbePolicyTest, DecidesWhetherTheHeadersSuffice) {
    Context context(avformat_alloc_context());
    ASSERT_TRUE(context);
    context->iformat = av_find_input_format(GetParam().demuxer);
    ASSERT_NE(context->iformat, nullptr);
    GetParam().build(*context);
    EXPECT_EQ(HeadersDescribeEveryField(*context, FindContainer(context->iformat->name)),
              GetParam().described);
}

INSTANTIATE_TEST_SUITE_P(Streams, ProbePolicyTest, ::testing::ValuesIn(kCases), test::CaseName{});

TEST(ProbePolicyTest, HeaderlessFormatsAreNeverDescribed) {
    Context context(avformat_alloc_context());
    context->iformat = av_find_input_format("matroska");
    Video(Add(*context));
    context->ctx_flags |= AVFMTCTX_NOHEADER;
    EXPECT_FALSE(HeadersDescribeEveryField(*context, FindContainer(context->iformat->name)));
}

TEST(ProbePolicyTest, FillsInThePcmBitRateTheDecoderWouldState) {
    struct Pcm {
        AVCodecID codec;
        std::int64_t stated, expected;
    };
    const Pcm kPcm[] = {
        {AV_CODEC_ID_PCM_S24LE, 0, 2'304'000}, // 48 kHz stereo, 24 bits
        {AV_CODEC_ID_PCM_F32LE, 0, 3'072'000},
        {AV_CODEC_ID_PCM_S16BE, 0, 1'536'000},
        {AV_CODEC_ID_PCM_S16LE, 1'411'200, 1'411'200}, // a rate the container states stays
    };
    for (const Pcm& pcm : kPcm) {
        SCOPED_TRACE(avcodec_get_name(pcm.codec));
        Context context(avformat_alloc_context());
        context->iformat = av_find_input_format("matroska");
        Audio(Add(*context), pcm.codec, 48000);
        context->streams[0]->codecpar->bit_rate = pcm.stated;
        ASSERT_TRUE(HeadersDescribeEveryField(*context, FindContainer(context->iformat->name)));
        FillFromCodecHeaders(*context);
        EXPECT_EQ(context->streams[0]->codecpar->bit_rate, pcm.expected);
    }
}

struct Named {
    const char* path;
    const char* demuxer; // null: probed from the bytes
};

const Named kNames[] = {
    {"clip.avi", "avi"},
    {"/films/Clip.MP4", "mov,mp4,m4a,3gp,3g2,mj2"},
    {"a.b/c.mkv", "matroska,webm"},
    {"song.opus", "ogg"},
    {"talk.WAV", "wav"},
    {"show.wmv", "asf"},
    {"dvd.mpg", nullptr},       // the program stream reader takes any bytes: probe them
    {"clip.avi.part", nullptr}, // only the last extension counts
    {"films.avi/clip", nullptr},
    {".avi", "avi"}, // a hidden file's name is its extension too
    {"clip", nullptr},
};

TEST(ProbePolicyTest, NamesTheFormatOnlyWhereItsReaderChecksTheSignature) {
    for (const Named& named : kNames) {
        SCOPED_TRACE(named.path);
        const AVInputFormat* format = FormatNamedByExtension(named.path);
        if (named.demuxer == nullptr) {
            EXPECT_EQ(format, nullptr);
        } else {
            ASSERT_NE(format, nullptr);
            EXPECT_STREQ(format->name, named.demuxer);
        }
    }
}

} // namespace
} // namespace zarvo
