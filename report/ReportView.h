// What the report builder needs of the window that shows the report.
#pragma once

#include "report/MediaStream.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

class ReportView {
public:
    virtual ~ReportView() = default;

    virtual void SetApplicationTitle(const std::string& title) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void ClearReport() = 0;
    // Adds one line at the end of the report; the view supplies the line end.
    virtual void AppendLine(std::string_view line) = 0;
    // Adds the line that names the file: `label` (tabs included), then the file's name, the one
    // part of the report that comes from outside.
    virtual void AppendFileNameLine(std::string_view label, std::string_view name) {
        std::string line(label);
        line += name;
        AppendLine(line);
    }
    // The numbers behind the lines just written, for a view that keeps them beside the text:
    // the file's size in bytes and the first stream's length in seconds (none where the report
    // says "Unknown"), then each stream's record, numbered as in its heading, with its length.
    virtual void FileDescribed(std::uint64_t /*size*/, std::optional<double> /*duration*/) {}
    virtual void StreamDescribed(std::int64_t /*number*/, const TMediaStream& /*stream*/,
                                 std::optional<double> /*length*/) {}
    // A modal message with no icon and one OK button, captioned with the application title.
    virtual void ShowMessage(const std::string& text) = 0;
};

} // namespace zarvo
