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

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {
namespace {

// What libavformat's full analysis tells of a file, held against the report.
struct Layout {
    std::string demuxer;
    int streams = 0; // streams that are neither attachments nor cover pictures
    int videos = 0;  // video streams among them
};

Layout LayoutOf(const std::string& path) {
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, ("file:" + path).c_str(), nullptr, nullptr) < 0)
        return {};
    Layout layout{context->iformat->name};
    if (avformat_find_stream_info(context, nullptr) >= 0) {
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            const AVStream& stream = *context->streams[i];
            const AVMediaType type = stream.codecpar->codec_type;
            if (type == AVMEDIA_TYPE_ATTACHMENT ||
                (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0)
                continue;
            ++layout.streams;
            layout.videos += type == AVMEDIA_TYPE_VIDEO ? 1 : 0;
        }
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
        } else if (!sections.empty() && line.starts_with("  Duration: \t")) {
            const std::string_view length = std::string_view(line).substr(13);
            sections.back().knownLength = length != "Unknown" && length != "00:00:00:00";
        }
    }
    return sections;
}

// What is wrong with a report beside its agreement with the full analysis, or nothing.
std::string FaultsOf(const std::string& report, const Layout& layout) {
    int videoSections = 0;
    std::string faults;
    for (const Section& section : SectionsOf(report)) {
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
        const std::string faults = isReport ? FaultsOf(fast, LayoutOf(file)) : "";
        if (!faults.empty()) {
            ++faulty;
            std::printf("== %s\n%s-- report:\n%s", file.c_str(), faults.c_str(), fast.c_str());
        }
    }
    std::printf("%zu files, %d reported, %d differ, %d with a wrong field\n", files.size(),
                reported, differing, faulty);
    return files.empty() || differing > 0 || faulty > 0 ? 1 : 0;
}

} // namespace
} // namespace zarvo

int main(int argc, char** argv) {
    zarvo::SilenceMediaLibraryLog();
    return zarvo::Run(argc, argv);
}
