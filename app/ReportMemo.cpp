// The report's text box: read-only plain text that leaves the program as plain text only.
#include "app/ReportMemo.h"

#include <QMimeData>
#include <QTextDocumentFragment>

namespace zarvo {

QMimeData* ReportMemo::createMimeDataFromSelection() const {
    auto* plain = new QMimeData;
    // The fragment turns the document's paragraph breaks into "\n", as the toolkit's copy does.
    plain->setText(QTextDocumentFragment(textCursor()).toPlainText());
    return plain;
}

} // namespace zarvo
