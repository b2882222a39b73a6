// corpus_check: holds the report of each listed file to the report of libavformat's full analysis.
//
//   corpus_check LIST...
//
// Each LIST names one media file a line. For every file, the report as the detector makes it
// and the report after the full analysis must be the same, byte for byte, or be refused alike.
// The report must also hold no section for a cover picture, and an audio stream that is all the
// file holds may not show 0 kbit/s outside AVI, WAV and ASF when it has a length. Prints each file
// that fails with its reports, then the counts; exits 1 when one fails or no file was listed.
#include "platform/MediaDet.h"
#include "report/ReportBuilder.h"
#include "support/RecordingView.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {
namespace {

// A video stream's count as its container states it, and its packets.
struct VideoCount {
    std::int64_t stated = 0; // 0 where the container states none
    std::int64_t packets = 0;
    std::int64_t played = 0; // the packets not marked as discarded
};

// What libavformat's full analysis tells of a file, held against the report.
struct Layout {
    std::string demuxer;
    int streams = 0;                     // streams that are neither attachments nor cover pictures
    int videos = 0;                      // video streams among them
    std::vector<VideoCount> counts = {}; // one a video stream, in order
};

std::int64_t StatedCount(const AVStream& stream) {
    if (stream.nb_frames > 0)
        return stream.nb_frames;
    const AVDictionaryEntry* tag = nullptr;
    while ((tag = av_dict_get(stream.metadata, "NUMBER_OF_FRAMES", tag, AV_DICT_IGNORE_SUFFIX))) {
        const std::string_view key = tag->key;
        if (key == "NUMBER_OF_FRAMES" || key.starts_with("NUMBER_OF_FRAMES-"))
            return std::atoll(tag->value);
    }
    return 0;
}

Layout LayoutOf(const std::string& path) {
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, ("file:" + path).c_str(), nullptr, nullptr) < 0)
        return {};
    Layout layout{context->iformat->name};
    if (avformat_find_stream_info(context, nullptr) >= 0) {
        // The stream's place in counts; the analysis may have found streams the header did not
        // list, and reading may find more, which count for nothing.
        std::vector<int> countOf(context->nb_streams, -1);
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            const AVStream& stream = *context->streams[i];
            const AVMediaType type = stream.codecpar->codec_type;
            if (type == AVMEDIA_TYPE_ATTACHMENT ||
                (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0)
                continue;
            ++layout.streams;
            if (type != AVMEDIA_TYPE_VIDEO)
                continue;
            ++layout.videos;
            countOf[i] = static_cast<int>(layout.counts.size());
            layout.counts.push_back({StatedCount(stream)});
        }
        AVPacket* packet = av_packet_alloc();
        while (packet != nullptr && av_read_frame(context, packet) >= 0) {
            const auto index = static_cast<std::size_t>(packet->stream_index);
            const int place = index < countOf.size() ? countOf[index] : -1;
            if (place >= 0) {
                VideoCount& count = layout.counts[static_cast<std::size_t>(place)];
                ++count.packets;
                count.played += (packet->flags & AV_PKT_FLAG_DISCARD) == 0 ? 1 : 0;
            }
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&context);
    return layout;
}

// The containers that store each audio stream's wave format block, whose rate is shown as
// stored, 0 included.
bool StoresWaveFormat(std::string_view demuxer) {
    return demuxer == "avi" || demuxer == "wav" || demuxer == "w64" || demuxer == "asf";
}

// One stream's section of a report, as far as the checks need it.
struct Section {
    std::string type;
    bool noRate = false;      // "Average bitrate: 0 kbit/sec"
    bool knownLength = false; // a duration other than "Unknown" and zero
    std::string frames = {};  // the "Frames" line's number
};

std::vector<Section> SectionsOf(const std::string& report) {
    std::vector<Section> sections;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Stream ")) {
            const std::size_t kind = line.find("  --  ");
            sections.push_back({kind == std::string::npos ? "" : line.substr(kind + 6)});
        } else if (!sections.empty() && line == "  Average bitrate: \t0 kbit/sec") {
            sections.back().noRate = true;
        } else if (!sections.empty() && line.starts_with("  Frames: \t\t")) {
            sections.back().frames = line.substr(12);
        } else if (!sections.empty() && line.starts_with("  Duration: \t")) {
            const std::string_view length = std::string_view(line).substr(13);
            sections.back().knownLength = length != "Unknown" && length != "00:00:00:00";
        }
    }
    return sections;
}

// How many video streams state a count their packets agree with, and how many of those the
// report shows.
struct Counted {
    int stated = 0;
    int shown = 0;
};

// What is wrong with a report beside its agreement with the full analysis, or nothing.
std::string FaultsOf(const std::string& report, const Layout& layout, Counted& counted) {
    int videoSections = 0;
    std::string faults;
    for (const Section& section : SectionsOf(report)) {
        if (section.type == "Video" &&
            static_cast<std::size_t>(videoSections) < layout.counts.size()) {
            const VideoCount& count = layout.counts[static_cast<std::size_t>(videoSections)];
            if (count.stated > 0 && count.stated == count.packets) {
                ++counted.stated;
                const std::string played = std::to_string(count.played);
                if (section.frames == played)
                    ++counted.shown;
                else
                    faults += "-- " + section.frames + " frames where the container states " +
                              std::to_string(count.stated) + " and " + played + " are played\n";
            }
        }
        videoSections += section.type == "Video" ? 1 : 0;
        const bool audio = section.type == "Audio" || section.type == "Ogg audio";
        // A stream among several keeps the rate its container states, if any: its share of the
        // file is not measured.
        if (audio && section.noRate && section.knownLength && layout.streams == 1 &&
            !StoresWaveFormat(layout.demuxer))
            faults += "-- 0 kbit/s audio in " + layout.demuxer + "\n";
    }
    if (videoSections > layout.videos)
        faults += "-- " + std::to_string(videoSections - layout.videos) +
                  " video section(s) for cover pictures\n";
    return faults;
}

// The report's text, or the reason there is none.
std::string ReportOf(const std::string& path, ProbeDepth depth) {
    const ClassRegistration detector = RegisterMediaDet(depth);
    zarvo::test::RecordingView view;
    view.lines.clear();
    const zarvo::ReportOutcome outcome = zarvo::GetFileData(path, view);
    if (outcome.result != zarvo::ReportResult::Reported)
        return "no report: " + DescribeStatus(outcome.status) + "\n";
    return view.Text();
}

// The program, in the namespace of everything it uses.
int Run(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::ifstream list(argv[i]);
        if (!list) {
            std::fprintf(stderr, "corpus_check: cannot read %s\n", argv[i]);
            return 2;
        }
        for (std::string line; std::getline(list, line);)
            if (!line.empty())
                files.push_back(line);
    }
    int differing = 0, reported = 0, faulty = 0;
    Counted counted;
    for (const std::string& file : files) {
        const std::string fast = ReportOf(file, ProbeDepth::Report);
        const std::string full = ReportOf(file, ProbeDepth::Full);
        const bool isReport = !fast.starts_with("no report: ");
        reported += isReport ? 1 : 0;
        if (fast != full) {
            ++differing;
            std::printf("== %s\n-- short probe:\n%s-- full analysis:\n%s", file.c_str(),
                        fast.c_str(), full.c_str());
        }
        const std::string faults = isReport ? FaultsOf(fast, LayoutOf(file), counted) : "";
        if (!faults.empty()) {
            ++faulty;
            std::printf("== %s\n%s-- report:\n%s", file.c_str(), faults.c_str(), fast.c_str());
        }
    }
    std::printf("%zu files, %d reported, %d differ, %d with a wrong field; %d of %d stated frame "
                "counts shown\n",
                files.size(), reported, differing, faulty, counted.shown, counted.stated);
    return files.empty() || differing > 0 || faulty > 0 ? 1 : 0;
}

} // namespace
} // namespace zarvo

int main(int argc, char** argv) {
    zarvo::SilenceMediaLibraryLog();
    return zarvo::Run(argc, argv);
}
