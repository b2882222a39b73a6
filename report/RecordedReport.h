// A report made on one thread and shown on another: the builder's calls on its view, kept in
// order, with how the report ended.
#pragma once

#include "report/NumberFormat.h"
#include "report/ReportBuilder.h"
#include "report/ReportView.h"

#include <optional>
#include <string>
#include <vector>

namespace zarvo {

class RecordedReport final : public ReportView {
public:
    void SetApplicationTitle(const std::string& title) override;
    void SetCaption(const std::string& caption) override;
    void ClearReport() override;
    void AppendLine(std::string_view line) override;
    void ShowMessage(const std::string& text) override;

    // Makes the same calls on `view`, in the order the builder made them.
    void Replay(ReportView& view) const;

    // How the builder ended; nothing when an error cut the report short.
    std::optional<ReportOutcome> outcome;
    // The text of the error that cut the report short, when it had one.
    std::optional<std::string> error;

private:
    enum class Kind { Title, Caption, Clear, Line, Message };
    struct Call {
        Kind kind;
        std::string text;
    };
    std::vector<Call> calls_;
};

// Builds the report of `path` into a recording. An error that ends the report is kept with the
// lines written before it, never thrown, so that the thread that shows the report can say it.
RecordedReport RecordReport(const std::string& path, const FormatSettings& settings);

// True when the report was refused because its reading was cut short (a limit, a read error, a
// file that changed) rather than because the file holds no media: such a refusal is told, a
// file that is simply not media stays quiet.
bool ReadingCutShort(const ReportOutcome& outcome);

} // namespace zarvo
