// corpus_check: holds the report of each listed file to the report of libavformat's full analysis.
//
//   corpus_check LIST...
//
// Each LIST names one media file a line. For every file, the report as the detector makes it
// and the report after the full analysis must be the same, byte for byte, or be refused alike.
// Prints each file that differs with both reports, then "N files, M differ"; exits 1 when one
// differs or no file was listed.
#include "platform/MediaDet.h"
#include "report/ReportBuilder.h"
#include "support/RecordingView.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace zarvo {
namespace {

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
    int differing = 0, reported = 0;
    for (const std::string& file : files) {
        const std::string fast = ReportOf(file, ProbeDepth::Report);
        const std::string full = ReportOf(file, ProbeDepth::Full);
        reported += fast.starts_with("no report: ") ? 0 : 1;
        if (fast == full)
            continue;
        ++differing;
        std::printf("== %s\n-- short probe:\n%s-- full analysis:\n%s", file.c_str(), fast.c_str(),
                    full.c_str());
    }
    std::printf("%zu files, %d reported, %d differ\n", files.size(), reported, differing);
    return files.empty() || differing > 0 ? 1 : 0;
}

} // namespace
} // namespace zarvo

int main(int argc, char** argv) {
    zarvo::SilenceMediaLibraryLog();
    return zarvo::Run(argc, argv);
}
