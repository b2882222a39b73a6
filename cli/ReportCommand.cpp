// zarvo-report: prints the report of each named media file on standard output.
#include "cli/PrintableName.h"
#include "platform/MediaDet.h"
#include "report/ReportBuilder.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "Usage: zarvo-report [--] FILE...\n"
    "Print what is inside each media FILE: its size, duration and streams.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Exit status: 0 when every FILE was reported, 1 when one was not, 2 for a usage error.\n";

// Writes each report to standard output, with one empty line between two reports.
class StdoutView final : public zarvo::ReportView {
public:
    void SetApplicationTitle(const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void ClearReport() override {
        if (reports_++ > 0)
            std::fputc('\n', stdout);
    }
    void AppendLine(std::string_view line) override {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    void ShowMessage(const std::string& text) override { message_ = text; }

    const std::string& Message() const { return message_; }

private:
    int reports_ = 0;
    std::string message_;
};

void Complain(std::string_view name, const std::string& why) {
    std::fprintf(stderr, "zarvo-report: %s: %s\n", zarvo::PrintableName(name).c_str(), why.c_str());
}

int UsageError(const std::string& why) {
    std::fprintf(stderr, "zarvo-report: %s\nTry 'zarvo-report --help'.\n", why.c_str());
    return 2;
}

// Reports one file; false, with a line on standard error, when it yields no report.
bool Report(const std::string& path, StdoutView& view, const zarvo::FormatSettings& settings) {
    try {
        const zarvo::ReportOutcome outcome = zarvo::GetFileData(path, view, settings);
        switch (outcome.result) {
        case zarvo::ReportResult::Reported:
            return true;
        case zarvo::ReportResult::NoDetector:
            Complain(path, view.Message());
            return false;
        case zarvo::ReportResult::NotOpened:
            Complain(path, DescribeStatus(outcome.status));
            return false;
        case zarvo::ReportResult::NoStreams:
            Complain(path, "no streams");
            return false;
        }
    } catch (const std::exception& error) {
        std::fflush(stdout);
        Complain(path, error.what());
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && argument == "--help") {
            std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
            return 0;
        } else if (options && argument == "--version") {
            std::puts("zarvo-report " ZARVO_VERSION);
            return 0;
        } else if (options && argument.size() > 1 && argument[0] == '-') {
            return UsageError("unknown option '" + zarvo::PrintableName(argument) + "'");
        } else {
            files.emplace_back(argument);
        }
    }
    if (files.empty())
        return UsageError("no file named");

    std::setlocale(LC_NUMERIC, "");
    const zarvo::FormatSettings settings = zarvo::LocaleFormatSettings();
    const ClassRegistration detector = RegisterMediaDet();

    StdoutView view;
    bool allReported = true;
    for (const std::string& file : files)
        allReported = Report(file, view, settings) && allReported;

    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "zarvo-report: cannot write the report: %s\n", std::strerror(errno));
        return 1;
    }
    return allReported ? 0 : 1;
}
