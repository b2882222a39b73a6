// The words of a reader's failure.
#include "report/ReaderFailure.h"

#include "platform/HResult.h"

#include <cstring>

namespace zarvo {

std::string ReaderFailureText(const ReaderFailure& failure) {
    switch (failure.kind) {
    case ReaderFailure::Kind::Signal: {
        // strsignal's text for a number it does not know still names the number.
        const char* name = ::strsignal(failure.signal);
        return std::string("the reader stopped: ") +
               (name != nullptr ? name : "signal " + std::to_string(failure.signal));
    }
    case ReaderFailure::Kind::Exited:
        return "the reader stopped";
    case ReaderFailure::Kind::OutOfMemory:
        return "out of memory";
    case ReaderFailure::Kind::Stalled:
    case ReaderFailure::Kind::DeviceStalling:
        return DescribeStatus(ZARVO_E_READ_STALLED);
    case ReaderFailure::Kind::ProcessorLimit:
        return DescribeStatus(ZARVO_E_WORK_LIMIT);
    case ReaderFailure::Kind::Malformed:
        return "the reader sent a malformed reply";
    case ReaderFailure::Kind::NotStarted:
        return "no reader could be started: " + failure.detail;
    }
    return "the reader stopped";
}

FileReport ReaderFailureReport(const ReaderFailure& failure) {
    return {FileOutcome::Unreadable, {}, ReaderFailureText(failure), {}};
}

} // namespace zarvo
