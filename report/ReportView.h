// What the report builder needs of the window that shows the report.
#pragma once

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
    // A modal message with no icon and one OK button, captioned with the application title.
    virtual void ShowMessage(const std::string& text) = 0;
};

} // namespace zarvo
