// Building a report into a recording: kept apart from the recording itself, which the front ends
// replay without ever reading a file.
#include "report/RecordedReport.h"

#include <exception>

namespace zarvo {

RecordedReport RecordReport(const std::string& path, const FormatSettings& settings) {
    RecordedReport report;
    try {
        report.outcome = GetFileData(path, report, settings);
    } catch (const std::exception& error) {
        report.error = error.what();
    } catch (...) {
        report.error.emplace();
    }
    return report;
}

} // namespace zarvo
