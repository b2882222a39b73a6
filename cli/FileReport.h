// One file's report, built into memory so that reports made at once can be written in order.
#pragma once

#include "cli/FolderWalk.h"
#include "report/NumberFormat.h"
#include "report/ReportBuilder.h"

#include <string>

namespace zarvo {

enum class FileOutcome {
    Reported,
    NotMedia,   // not a media file, or one without streams: skipped quietly inside a folder
    Unreadable, // any other way of having no report: always named on standard error
};

struct FileReport {
    FileOutcome outcome = FileOutcome::Reported;
    std::string text;    // the whole report, each line ended by a line feed; empty without one
    std::string problem; // why there is no report, for the line on standard error
};

// How a detector outcome counts when the file was found in a folder.
FileOutcome ClassifyOutcome(const ReportOutcome& outcome);

// Builds the report of `item`, whole or not at all. With `forTerminal`, control characters of the
// file's name and path are escaped in the text, as in messages; otherwise its bytes are kept
// exactly. Every failure, running out of memory too, becomes an unreadable file.
FileReport BuildFileReport(const WorkItem& item, const FormatSettings& settings,
                           bool forTerminal) noexcept;

} // namespace zarvo
