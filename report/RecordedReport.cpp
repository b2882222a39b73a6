// Recording a report on the thread that reads the file, for the thread that shows it.
#include "report/RecordedReport.h"

#include "platform/HResult.h"

namespace zarvo {

void RecordedReport::SetApplicationTitle(const std::string& title) {
    calls_.push_back({Kind::Title, title});
}

void RecordedReport::SetCaption(const std::string& caption) {
    calls_.push_back({Kind::Caption, caption});
}

void RecordedReport::ClearReport() {
    calls_.push_back({Kind::Clear, {}});
}

void RecordedReport::AppendLine(std::string_view line) {
    calls_.push_back({Kind::Line, std::string(line)});
}

void RecordedReport::ShowMessage(const std::string& text) {
    calls_.push_back({Kind::Message, text});
}

void RecordedReport::Replay(ReportView& view) const {
    for (const Call& call : calls_) {
        switch (call.kind) {
        case Kind::Title:
            view.SetApplicationTitle(call.text);
            break;
        case Kind::Caption:
            view.SetCaption(call.text);
            break;
        case Kind::Clear:
            view.ClearReport();
            break;
        case Kind::Line:
            view.AppendLine(call.text);
            break;
        case Kind::Message:
            view.ShowMessage(call.text);
            break;
        }
    }
}

bool ReadingCutShort(const ReportOutcome& outcome) {
    if (outcome.result != ReportResult::NotOpened)
        return false;
    switch (outcome.status) {
    case ZARVO_E_READ_STALLED:
    case ZARVO_E_WORK_LIMIT:
    case ZARVO_E_SCAN_LIMIT:
    case ZARVO_E_FILE_CHANGED:
        return true;
    default:
        return IsReadErrorStatus(outcome.status);
    }
}

} // namespace zarvo
