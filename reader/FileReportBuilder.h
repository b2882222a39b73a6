// Building one file's report into memory, inside a reader.
#pragma once

#include "reader/WorkItem.h"
#include "report/FileReport.h"
#include "report/NumberFormat.h"

namespace zarvo {

// Builds the report of `item`, whole or not at all. With `forTerminal`, control characters of the
// file's name and path are escaped in the text, as in messages; otherwise its bytes are kept
// exactly. With `withFacts`, the numbers behind the report are kept as well. Every failure,
// running out of memory too, becomes an unreadable file.
FileReport BuildFileReport(const WorkItem& item, const FormatSettings& settings, bool forTerminal,
                           bool withFacts = false) noexcept;

} // namespace zarvo
