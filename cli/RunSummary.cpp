// Wording the counts of a run for people: digit groups and singular or plural.
#include "cli/RunSummary.h"

namespace zarvo {
namespace {

std::string Counted(std::size_t count, const char* one, const char* many) {
    return Grouped(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::string SummaryLine(const RunCounts& counts) {
    return "zarvo-report: " + Counted(counts.reports, "report", "reports") + ", " +
           Counted(counts.notMedia, "file skipped as not media", "files skipped as not media") +
           ", " + Grouped(counts.unreadable) + " unreadable";
}

std::string Grouped(std::size_t count) {
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

} // namespace zarvo
