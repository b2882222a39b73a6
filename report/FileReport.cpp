// How a file without a report counts.
#include "report/FileReport.h"

namespace zarvo {

FileOutcome ClassifyOutcome(const ReportOutcome& outcome) {
    // A folder may hold anything: a file that is no media at all, or has nothing to report, is
    // no news to the user. Any other failure (permission, damage, an I/O error, a time limit,
    // something that is not a regular file, a status the detector learns later) may hide a
    // media file the user expects to see, so it is told rather than passed over.
    switch (outcome.result) {
    case ReportResult::Reported:
        return FileOutcome::Reported;
    case ReportResult::NoStreams:
        return FileOutcome::NotMedia;
    case ReportResult::NotOpened:
        return outcome.status == VFW_E_UNKNOWN_FILE_TYPE ? FileOutcome::NotMedia
                                                         : FileOutcome::Unreadable;
    case ReportResult::NoDetector:
        break;
    }
    return FileOutcome::Unreadable;
}

} // namespace zarvo
