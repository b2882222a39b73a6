// One file's report as zarvo-report prints it, made in a reader and handed back whole, so that
// reports made at once can be written in order.
#pragma once

#include "report/MediaStream.h"
#include "report/ReportBuilder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarvo {

enum class FileOutcome {
    Reported,
    NotMedia,   // not a media file, or one without streams: skipped quietly inside a folder
    Unreadable, // any other way of having no report: always named on standard error
};

// The numbers behind the lines of one stream's section, and of the file lines.
struct StreamFacts {
    std::int64_t number = 0; // as in the stream's heading, from 1
    TMediaStream stream;
    std::optional<double> length; // seconds; none where the report says "Unknown"
};

struct FileFacts {
    std::uint64_t size = 0;         // bytes
    std::optional<double> duration; // the first stream's length
    std::vector<StreamFacts> streams;
};

struct FileReport {
    FileOutcome outcome = FileOutcome::Reported;
    std::string text;    // the whole report, each line ended by a line feed; empty without one
    std::string problem; // why there is no report, for the line on standard error
    FileFacts facts;     // kept only when asked for
};

// How a detector outcome counts when the file was found in a folder.
FileOutcome ClassifyOutcome(const ReportOutcome& outcome);

} // namespace zarvo
