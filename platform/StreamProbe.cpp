// Describes a media file's streams, in file order, from one read of the file with libavformat.
#include "platform/StreamProbe.h"

#include "platform/Demuxer.h"
#include "platform/DirectShow.h"
#include "platform/FormatBlocks.h"
#include "platform/ReportedStreams.h"
#include "platform/StreamTiming.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace zarvo {
namespace {

// The stream's length in the container's own ticks, else the file's.
std::optional<TickSpan> Length(const AVFormatContext& context, const AVStream& stream) {
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0 && stream.time_base.num > 0 &&
        stream.time_base.den > 0)
        return TickSpan{stream.duration, stream.time_base.num, stream.time_base.den};
    if (context.duration != AV_NOPTS_VALUE && context.duration >= 0)
        return TickSpan{context.duration, 1, AV_TIME_BASE};
    return std::nullopt;
}

} // namespace

HRESULT ProbeMediaFile(std::string_view path, std::vector<ProbedStream>& streams,
                       ProbeDepth depth) {
    // The library's warnings about damaged files are no concern of the user; the outcome is.
    static const bool silenced = (av_log_set_level(AV_LOG_QUIET), true);
    (void)silenced;

    streams.clear();
    Demuxer demuxer;
    if (const HRESULT status = demuxer.Open(path, depth); status != S_OK)
        return status;

    const AVFormatContext& context = demuxer.Context();
    // Where a stream is all the file holds, the file's media bytes over its length are its rate.
    const bool soleStream = MediaStreamCount(context) == 1;
    streams.reserve(context.nb_streams);
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        const AVStream& stream = *context.streams[i];
        if (!IsMediaStream(stream))
            continue;
        const std::optional<TickSpan> length = Length(context, stream);
        ProbedStream probed;
        switch (stream.codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            DescribeVideo(context, stream, probed);
            break;
        case AVMEDIA_TYPE_AUDIO:
            DescribeAudio(
                context, stream,
                soleStream && length ? AverageBitsPerSecond(demuxer.MediaDataBytes(), *length) : 0,
                probed);
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            probed.majortype = MEDIATYPE_Text;
            break;
        case AVMEDIA_TYPE_DATA:
            probed.majortype = MEDIATYPE_Stream;
            break;
        default:
            break;
        }
        if (length)
            probed.length = SpanSeconds(*length);
        streams.push_back(std::move(probed));
    }
    return S_OK;
}

} // namespace zarvo
