// Every way a reader process can fail a report, and the one refusal each becomes, in the same
// words in the window and in zarvo-report.
#pragma once

#include "report/FileReport.h"

#include <string>

namespace zarvo {

struct ReaderFailure {
    enum class Kind {
        Signal,         // the reader died of `signal` (the box kills with SIGSYS)
        Exited,         // it ended, or closed its channel, without answering
        OutOfMemory,    // an allocation failed inside it while it read the file
        Stalled,        // the storage did not answer for the stall limit
        ProcessorLimit, // the report used more processor time than a probe may
        Malformed,      // it sent something that is not a well-formed answer
        DeviceStalling, // the file's device stalled again and again: refused without reading
        NotStarted,     // no reader could be started for it; `detail` says why
    };
    Kind kind = Kind::Exited;
    int signal = 0;
    std::string detail;
};

// The refusal's words: "the reader stopped: Segmentation fault", "out of memory", the probe's own
// words for a stall or for its processor limit, and so on.
std::string ReaderFailureText(const ReaderFailure& failure);

// zarvo-report's form of the refusal: an unreadable file, named with the words on standard error.
FileReport ReaderFailureReport(const ReaderFailure& failure);

} // namespace zarvo
