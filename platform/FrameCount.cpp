// Frame counts as containers state them: sample tables, stream headers and Matroska's statistics.
#include "platform/FrameCount.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace zarvo {
namespace {

// The frames of a QuickTime or MP4 track that a person playing the file sees: its samples, less
// those its edit list leaves out, which libavformat keeps for decoding and marks as discarded. A
// clip cut without re-encoding keeps the samples before the cut, which no player shows; the
// count of a file is what it shows, as its length is.
// Only where the sample tables list every sample indexed: the tables of a fragmented file may
// list its first fragment alone, and an edit list that repeats samples indexes them twice.
std::optional<std::int64_t> FramesShown(const AVStream& stream) {
    auto& indexed = const_cast<AVStream&>(stream);
    const int entries = avformat_index_get_entries_count(&indexed);
    if (stream.nb_frames <= 0 || entries != stream.nb_frames)
        return std::nullopt;
    std::int64_t shown = 0;
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(&indexed, i);
        shown += entry != nullptr && (entry->flags & AVINDEX_DISCARD_FRAME) == 0 ? 1 : 0;
    }
    return shown;
}

const char* TagValue(const AVDictionary* tags, const std::string& key) {
    const AVDictionaryEntry* entry = av_dict_get(tags, key.c_str(), nullptr, 0);
    return entry != nullptr ? entry->value : nullptr;
}

std::optional<std::int64_t> WholeNumber(const char* text) {
    if (text == nullptr)
        return std::nullopt;
    std::int64_t number = 0;
    const char* end = text + std::strlen(text);
    const auto [rest, error] = std::from_chars(text, end, number);
    if (error != std::errc{} || rest != end || number <= 0)
        return std::nullopt;
    return number;
}

// A statistics duration, "HH:MM:SS.nnnnnnnnn", in seconds.
std::optional<double> StatisticsSeconds(const char* text) {
    unsigned hours = 0, minutes = 0;
    double seconds = 0;
    int used = 0;
    if (text == nullptr ||
        std::sscanf(text, "%u:%u:%lf%n", &hours, &minutes, &seconds, &used) != 3 ||
        text[used] != '\0')
        return std::nullopt;
    return hours * 3600.0 + minutes * 60.0 + seconds;
}

// Matroska's statistics tag NUMBER_OF_FRAMES, which mkvmerge writes as it counts a track's
// frames; libavformat appends the tag's language to the name after a hyphen ("-eng") unless it is
// undetermined. Programs that cut a track copy its statistics without counting again, and may
// write a DURATION of their own, so the count holds only where the track's length by the same
// statistics (its bytes over its average rate) and their DURATION, where there is one, fit within
// the file's `length`, to the millisecond the file's length is kept in.
std::optional<std::int64_t> StatisticsFrames(const AVStream& stream,
                                             const std::optional<TickSpan>& length) {
    constexpr std::string_view kName = "NUMBER_OF_FRAMES";
    const AVDictionaryEntry* count = nullptr;
    while ((count = av_dict_get(stream.metadata, kName.data(), count, AV_DICT_IGNORE_SUFFIX))) {
        const std::string_view key = count->key;
        if (key.size() == kName.size() || key[kName.size()] == '-')
            break;
    }
    if (count == nullptr || !length)
        return std::nullopt;
    const std::string language = std::string(count->key).substr(kName.size());
    const double most = SpanSeconds(*length) + 0.001;
    const std::optional<std::int64_t> bytes =
        WholeNumber(TagValue(stream.metadata, "NUMBER_OF_BYTES" + language));
    const std::optional<std::int64_t> bitRate =
        WholeNumber(TagValue(stream.metadata, "BPS" + language));
    // The rate is truncated, so the track lasted at least its bits over one bit a second more.
    if (!bytes || !bitRate ||
        static_cast<double>(*bytes) * 8 / (static_cast<double>(*bitRate) + 1) > most)
        return std::nullopt;
    const char* duration = TagValue(stream.metadata, "DURATION" + language);
    const std::optional<double> seconds = StatisticsSeconds(duration);
    if (duration != nullptr && (!seconds || *seconds > most))
        return std::nullopt;
    return WholeNumber(count->value);
}

std::optional<std::int64_t> StatedFrames(const AVFormatContext& context, const AVStream& stream,
                                         const std::optional<TickSpan>& length) {
    const std::string_view demuxer = context.iformat->name;
    if (demuxer == "mov,mp4,m4a,3gp,3g2,mj2")
        return FramesShown(stream);
    if (stream.nb_frames > 0)
        return stream.nb_frames;
    if (demuxer == "matroska,webm")
        return StatisticsFrames(stream, length);
    return std::nullopt;
}

} // namespace

std::optional<std::int64_t> VideoFrameCount(const AVFormatContext& context, const AVStream& stream,
                                            std::int64_t rateNum, std::int64_t rateDen,
                                            const std::optional<TickSpan>& length) {
    if (const std::optional<std::int64_t> stated = StatedFrames(context, stream, length))
        return stated;
    if (!length)
        return std::nullopt;
    return FramesInSpan(*length, rateNum, rateDen);
}

} // namespace zarvo
