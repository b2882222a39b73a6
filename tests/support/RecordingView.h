// A report view that records what the report builder did to it.
#pragma once

#include "report/ReportView.h"

#include <string>
#include <vector>

namespace zarvo::test {

// Report lines as the window holds them, each ended by "\n".
inline std::string LinesText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

class RecordingView final : public ReportView {
public:
    void SetApplicationTitle(const std::string& text) override { title = text; }
    void SetCaption(const std::string& text) override { caption = text; }
    void ClearReport() override { lines.clear(); }
    void AppendLine(std::string_view line) override { lines.emplace_back(line); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    std::string Text() const { return LinesText(lines); }

    std::string title = "previous title";
    std::string caption = "previous caption";
    std::vector<std::string> lines{"previous report"};
    std::vector<std::string> messages;
};

} // namespace zarvo::test
