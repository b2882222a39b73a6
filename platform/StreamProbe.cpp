// Describes a media file's streams, in file order, from one read of the file with libavformat:
// the order in which the probe tries the demuxer's ways of reading, and the loop over streams.
#include "platform/StreamProbe.h"

#include "platform/Containers.h"
#include "platform/Demuxer.h"
#include "platform/DirectShow.h"
#include "platform/FormatBlocks.h"
#include "platform/H264Header.h"
#include "platform/ProbePolicy.h"
#include "platform/ProbeScore.h"
#include "platform/ProbeStatus.h"
#include "platform/ReportedStreams.h"
#include "platform/StreamTiming.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstring>

namespace zarvo {
namespace {

// Packets read for a sequence header that the container keeps in the stream.
constexpr int kPacketsForSequenceHeaders = 16;

// The stream's length in the container's own ticks, else the file's.
std::optional<TickSpan> Length(const AVFormatContext& context, const AVStream& stream) {
    switch (LengthThatCounts(context, stream)) {
    case LengthSource::Stream:
        return TickSpan{stream.duration, stream.time_base.num, stream.time_base.den};
    case LengthSource::File:
        return TickSpan{context.duration, 1, AV_TIME_BASE};
    case LengthSource::None:
        break;
    }
    return std::nullopt;
}

// Reads the first packets for the sequence headers of H.264 streams whose codec header has
// none, and keeps each as the stream's codec header. True when every such stream has one.
bool TakeSequenceHeadersFromPackets(Demuxer& demuxer, const Container* container) {
    AVFormatContext& context = demuxer.Context();
    AVPacket* packet = av_packet_alloc();
    if (packet == nullptr)
        return false;
    // The first packets of an interleaved file hold one of every stream.
    for (int i = 0; i < kPacketsForSequenceHeaders && LacksH264SequenceHeader(context, container);
         ++i) {
        if (demuxer.ReadPacket(*packet) < 0)
            break;
        AVCodecParameters& codec = *context.streams[packet->stream_index]->codecpar;
        if (H264WithoutCodecHeader(codec) && ReadH264Picture(packet->data, packet->size)) {
            av_freep(&codec.extradata);
            codec.extradata = static_cast<std::uint8_t*>(
                av_mallocz(static_cast<std::size_t>(packet->size) + AV_INPUT_BUFFER_PADDING_SIZE));
            if (codec.extradata != nullptr) {
                std::memcpy(codec.extradata, packet->data, static_cast<std::size_t>(packet->size));
                codec.extradata_size = packet->size;
            }
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return !LacksH264SequenceHeader(context, container);
}

// Completes the streams from their headers where those describe every field.
bool DescribedByHeaders(AVFormatContext& context, const Container* container) {
    if (!HeadersDescribeEveryField(context, container))
        return false;
    FillFromCodecHeaders(context);
    return true;
}

// Reads `path` as far as `depth` needs and sets `container` to the entry of the container it
// was read as. The name's demuxer is tried before the bytes are probed; the headers alone serve
// where they describe every field, after the first packets where those carry H.264's sequence
// header; every other file gets the full analysis.
HRESULT ReadFile(Demuxer& demuxer, std::string_view path, ProbeDepth depth,
                 const Container*& container) {
    if (const HRESULT status = demuxer.OpenFile(path); status != S_OK)
        return status;
    // The name's format is tried first, which spares probing the bytes against every demuxer; a
    // file whose name tells the wrong format fails that demuxer's signature check and is probed.
    const AVInputFormat* named =
        depth == ProbeDepth::Report ? FormatNamedByExtension(path) : nullptr;
    int result = named != nullptr ? demuxer.OpenWith(*named) : AVERROR_INVALIDDATA;
    if (result < 0 && !demuxer.CutShort()) {
        result = demuxer.Probe();
        // A format named at a weak score and not by the name describes noise, not media.
        if (result >= 0 && FormatIsAGuess(demuxer.Context(), path))
            return demuxer.ReadingStatus(VFW_E_UNKNOWN_FILE_TYPE);
    }
    if (result < 0)
        return demuxer.ReadingStatus(StatusFromAvError(result, VFW_E_UNKNOWN_FILE_TYPE));
    // Reopening below keeps the format, and with it the container.
    container = FindContainer(demuxer.Context().iformat->name);
    // The full analysis decodes the first frames of every stream, and for some containers reads
    // the file's end; it is skipped where the headers already state every field it would give.
    if (depth == ProbeDepth::Report) {
        if (DescribedByHeaders(demuxer.Context(), container))
            return demuxer.ReadingStatus(S_OK);
        // Some containers (AVI) carry H.264's sequence header only in the stream's first packet.
        if (LacksH264SequenceHeader(demuxer.Context(), container)) {
            const AVInputFormat& format = *demuxer.Context().iformat;
            if (TakeSequenceHeadersFromPackets(demuxer, container) &&
                DescribedByHeaders(demuxer.Context(), container))
                return demuxer.ReadingStatus(S_OK);
            // The full analysis starts from the first packet, as it would have.
            if (demuxer.CutShort() || (result = demuxer.OpenWith(format)) < 0)
                return demuxer.ReadingStatus(StatusFromAvError(result, VFW_E_INVALID_FILE_FORMAT));
        }
    }
    result = demuxer.FindStreamInfo();
    return demuxer.ReadingStatus(result < 0 ? StatusFromAvError(result, VFW_E_INVALID_FILE_FORMAT)
                                            : S_OK);
}

} // namespace

void SilenceMediaLibraryLog() {
    av_log_set_level(AV_LOG_QUIET);
}

HRESULT ProbeMediaFile(std::string_view path, std::vector<ProbedStream>& streams,
                       ProbeDepth depth) {
    streams.clear();
    Demuxer demuxer;
    const Container* container = nullptr;
    if (const HRESULT status = ReadFile(demuxer, path, depth, container); status != S_OK)
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
            DescribeVideo(context, container, stream, length, probed);
            break;
        case AVMEDIA_TYPE_AUDIO:
            DescribeAudio(
                container, stream,
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
