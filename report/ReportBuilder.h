// Builds the plain-text report of one media file.
#pragma once

#include "platform/DirectShow.h"
#include "platform/HResult.h"
#include "report/NumberFormat.h"
#include "report/ReportView.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zarvo {

enum class ReportResult {
    Reported,   // the view holds the new report
    NoDetector, // the detector could not be created; the view showed a message
    NotOpened,  // the detector could not open the file or count its streams; the view is unchanged
    NoStreams,  // the file has no streams; the view is unchanged
};

struct ReportOutcome {
    ReportResult result;
    HRESULT status; // the detector's status when it could not be created or could not open the file
};

// A failure status of the detector once the report has begun: the report is refused in the
// status's words.
class DetectorFailure : public std::runtime_error {
public:
    explicit DetectorFailure(HRESULT status);
    HRESULT Status() const noexcept { return status_; }

private:
    HRESULT status_;
};

// Writes the report of the file at `path` to `view`. When no report can be made, the view keeps
// its text, title and caption. A report cut short after it began (a failure status of the
// detector, a file whose size cannot be read) ends in an exception, with the lines written so far
// left in the view: such a report is no description of the file and must not be passed on.
// When `openAs` is given, the file is opened by that name instead (one that leads to a
// descriptor already open on it); `path` still names it, and its extension still picks the
// demuxer tried first.
ReportOutcome GetFileData(const std::string& path, ReportView& view,
                          const FormatSettings& settings = {}, const std::string& openAs = {});

// "0" put in front of `text` until it is at least `width` characters long.
std::string FillZero(std::string text, std::size_t width);
// "0" appended to `text` until it is at least `width` characters long.
std::string FillZeroMilliSeconds(std::string text, std::size_t width);

// The file's size in bytes; an exception when the file cannot be opened for reading or its size
// cannot be read. The count is 64-bit so that files over 4 GiB report their true size.
std::uint64_t FileSizeByName(const std::string& path);

// Releases the format block and interface reference that `mediaType` owns and zeroes it.
void FreeMediaType(AM_MEDIA_TYPE& mediaType);

// The duration text of a stream `seconds` long: hours, minutes, seconds and the fraction's
// digits, all separated by ":".
std::string DurationText(double seconds, const FormatSettings& settings);

} // namespace zarvo
