// The report's text box: read-only plain text that leaves the program as plain text only.
#pragma once

#include <QPlainTextEdit>

namespace zarvo {

// No Q_OBJECT: to the toolkit, and so to screen readers, this is a plain text box.
class ReportMemo final : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    // The toolkit would also offer the selection as HTML and as an office document. The report is
    // plain text; a clipboard that keeps one format of many after the program ends (as Wayland
    // compositors and clipboard managers do) must find that one.
    QMimeData* createMimeDataFromSelection() const override;
};

} // namespace zarvo
