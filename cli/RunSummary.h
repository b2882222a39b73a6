// The counts of a run over folders and the line that closes it.
#pragma once

#include <cstddef>
#include <string>

namespace zarvo {

struct RunCounts {
    std::size_t reports = 0;
    std::size_t notMedia = 0;
    std::size_t unreadable = 0;
};

// "zarvo-report: 1,204 reports, 37 files skipped as not media, 2 unreadable"
std::string SummaryLine(const RunCounts& counts);

// `count` in decimal with a comma between groups of three digits: 1,234,567.
std::string Grouped(std::size_t count);

} // namespace zarvo
