// zarvo-bench: times the in-process report of each file beside libavformat's bare open and probe.
#include "bench/ProbeDiff.h"
#include "measure/BytesRead.h"
#include "platform/MediaDet.h"
#include "platform/StreamProbe.h"
#include "report/ReportBuilder.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {
namespace {

using Clock = std::chrono::steady_clock;

// Keeps the report's lines as the window would, so building the text is part of the cost.
class TextView final : public zarvo::ReportView {
public:
    void SetApplicationTitle(const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void ClearReport() override { text_.clear(); }
    void AppendLine(std::string_view line) override {
        text_.append(line);
        text_.push_back('\n');
    }
    void ShowMessage(const std::string&) override {}
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// The least any program pays to learn a file's streams through libavformat: open and probe with
// the library's own file reader and default options.
bool BareProbe(const std::string& path) {
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0)
        return false;
    const bool probed = avformat_find_stream_info(context, nullptr) >= 0;
    avformat_close_input(&context);
    return probed;
}

bool Report(const std::string& path, TextView& view, const zarvo::FormatSettings& settings) {
    return zarvo::GetFileData(path, view, settings).result == zarvo::ReportResult::Reported;
}

using measure::BytesRead;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template <typename Step> double Microseconds(Step&& step) {
    const auto start = Clock::now();
    step();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// Bytes one call of `step` reads, beyond the bytes that looking at the count itself reads.
template <typename Step> long long BytesOf(Step&& step) {
    const long long idle = -(BytesRead() - BytesRead());
    const long long before = BytesRead();
    step();
    return BytesRead() - before - idle;
}

// Prints every field in which the report's probe and the full analysis disagree.
int Compare(const std::vector<std::string>& files) {
    int differing = 0;
    for (const std::string& file : files) {
        std::vector<ProbedStream> fast, full;
        const HRESULT fastStatus = ProbeMediaFile(file, fast, ProbeDepth::Report);
        const HRESULT fullStatus = ProbeMediaFile(file, full, ProbeDepth::Full);
        std::vector<std::string> differences = ProbeDifferences(fast, full);
        if (fastStatus != fullStatus)
            differences.insert(differences.begin(), "opens differently");
        for (const std::string& difference : differences)
            std::printf("%s\t%s\n", file.c_str(), difference.c_str());
        differing += differences.empty() ? 0 : 1;
    }
    std::printf("%d of %zu files differ\n", differing, files.size());
    return differing == 0 ? 0 : 1;
}

int Usage() {
    std::fputs(
        "Usage: zarvo-bench [--iterations N] [--only floor|report] FILE...\n"
        "       zarvo-bench --compare FILE...\n"
        "Prints per FILE, tab-separated: the file, the median microseconds of the bare\n"
        "libavformat open and probe and of the whole report, and the bytes each reads.\n"
        "--compare prints the fields in which the report's probe differs from the full one.\n",
        stderr);
    return 2;
}

// The program, in the namespace of everything it uses.
int Run(int argc, char** argv) {
    int iterations = 50;
    std::string_view only;
    bool compare = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--iterations" && i + 1 < argc)
            iterations = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (argument == "--compare")
            compare = true;
        else if (argument.starts_with("-"))
            return Usage();
        else
            files.emplace_back(argument);
    }
    if (files.empty() || (!only.empty() && only != "floor" && only != "report"))
        return Usage();

    SilenceMediaLibraryLog();
    if (compare)
        return Compare(files);
    const zarvo::FormatSettings settings = zarvo::LocaleFormatSettings();
    const ClassRegistration detector = RegisterMediaDet();
    TextView view;
    bool allRead = true;

    for (const std::string& file : files) {
        const auto floor = [&] { allRead = BareProbe(file) && allRead; };
        const auto report = [&] { allRead = Report(file, view, settings) && allRead; };
        // One untimed round of each brings the file and the library's tables into memory.
        const long long floorBytes = only == "report" ? 0 : BytesOf(floor);
        const long long reportBytes = only == "floor" ? 0 : BytesOf(report);
        std::vector<double> floorTimes, reportTimes;
        // Taking turns spreads whatever else the machine does evenly over both.
        for (int i = 0; i < iterations; ++i) {
            if (only != "report")
                floorTimes.push_back(Microseconds(floor));
            if (only != "floor")
                reportTimes.push_back(Microseconds(report));
        }
        std::printf("%s\t%.1f\t%.1f\t%lld\t%lld\n", file.c_str(),
                    floorTimes.empty() ? 0.0 : Median(floorTimes),
                    reportTimes.empty() ? 0.0 : Median(reportTimes), floorBytes, reportBytes);
    }
    if (!allRead)
        std::fputs("zarvo-bench: some file could not be read\n", stderr);
    return allRead ? 0 : 1;
}

} // namespace
} // namespace zarvo

int main(int argc, char** argv) {
    return zarvo::Run(argc, argv);
}
