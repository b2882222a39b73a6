// Building one file's report into memory.
#include "reader/FileReportBuilder.h"

#include "cli/PrintableName.h"
#include "reader/FolderChain.h"

#include <exception>
#include <new>
#include <string_view>

namespace zarvo {
namespace {

// Collects the report's lines; the line before the report names the file's path when it was
// found in a folder.
class BufferView final : public ReportView {
public:
    BufferView(const WorkItem& item, bool forTerminal, bool withFacts)
        : item_(item), forTerminal_(forTerminal), withFacts_(withFacts) {}

    void SetApplicationTitle(const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void ClearReport() override {
        text_.clear();
        if (item_.inFolder)
            text_ += "==> " + Shown(item_.shownPath) + " <==\n";
    }
    void AppendLine(std::string_view line) override {
        text_ += line;
        text_ += '\n';
    }
    // Only the file's name comes from outside; every other line is our own.
    void AppendFileNameLine(std::string_view label, std::string_view name) override {
        text_ += label;
        if (forTerminal_)
            text_ += PrintableName(name);
        else
            text_ += name;
        text_ += '\n';
    }
    void FileDescribed(std::uint64_t size, std::optional<double> duration) override {
        if (withFacts_)
            facts_ = FileFacts{size, duration, {}};
    }
    void StreamDescribed(std::int64_t number, const TMediaStream& stream,
                         std::optional<double> length) override {
        if (withFacts_)
            facts_.streams.push_back({number, stream, length});
    }
    void ShowMessage(const std::string& text) override { message_ = text; }

    std::string& Text() { return text_; }
    FileFacts& Facts() { return facts_; }
    const std::string& Message() const { return message_; }

private:
    std::string Shown(const std::string& name) const {
        return forTerminal_ ? PrintableName(name) : name;
    }

    const WorkItem& item_;
    const bool forTerminal_;
    const bool withFacts_;
    std::string text_;
    FileFacts facts_;
    std::string message_;
};

} // namespace

FileReport BuildFileReport(const WorkItem& item, const FormatSettings& settings, bool forTerminal,
                           bool withFacts) noexcept {
    try {
        if (!item.listError.empty())
            return {FileOutcome::Unreadable, {}, item.listError, {}};
        // A file found in a folder is read through the descriptor its folder's listing led to,
        // so that the report is of the file listed, wherever a replaced entry would lead its name.
        ListedFile listed;
        std::string openAs;
        if (item.folder) {
            listed = OpenListedFile(item);
            if (!listed.fd.IsOpen())
                return {FileOutcome::Unreadable, {}, listed.problem, {}};
            openAs = ReopenPath(listed.fd.Get());
            if (openAs.empty())
                return {FileOutcome::Unreadable,
                        {},
                        "cannot be opened safely without /proc mounted",
                        {}};
        }
        BufferView view(item, forTerminal, withFacts);
        const ReportOutcome outcome = GetFileData(item.path, view, settings, openAs);
        FileReport report{ClassifyOutcome(outcome), std::move(view.Text()), {}, {}};
        if (outcome.result == ReportResult::Reported)
            report.facts = std::move(view.Facts());
        switch (outcome.result) {
        case ReportResult::Reported:
            break;
        case ReportResult::NoDetector:
            report.problem = view.Message();
            break;
        case ReportResult::NotOpened:
            report.problem = DescribeStatus(outcome.status);
            break;
        case ReportResult::NoStreams:
            report.problem = "no streams";
            break;
        }
        return report;
    } catch (const std::bad_alloc&) {
    } catch (const std::exception& error) {
        // A report cut short describes only part of the file: none of its lines is passed on.
        try {
            return {FileOutcome::Unreadable, {}, error.what(), {}};
        } catch (const std::bad_alloc&) {
        }
    }
    // Short enough to be held without allocating, as memory may have run out.
    return {FileOutcome::Unreadable, {}, "out of memory", {}};
}

} // namespace zarvo
