// The Copy command: the selection, or the whole report, on the clipboard.
#include "FormTestSupport.h"
#include "support/CaseName.h"

#include <QMimeData>
#include <QTextCursor>

namespace zarvo::test {
namespace {

using test::PrintTo;

struct CopyCase {
    const char* name;
    const char* selected; // text to select before the copy; empty for no selection
    bool byKeyboard;      // Ctrl+C in the report rather than a click on "Copy"
};

class CopyTest : public FormTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(CopyTest, PutsTheSelectionOrTheWholeReportOnTheClipboard) {
    TForm1& form = MakeForm({kClip});
    form.show();
    const QString report = Memo().toPlainText();
    const QString selected = QString::fromUtf8(GetParam().selected);
    const int start = selected.isEmpty() ? 0 : static_cast<int>(report.indexOf(selected));
    ASSERT_GE(start, 0) << "the report has no text " << GetParam().selected;
    // The caret sits somewhere in the middle, as after a click into the text.
    QTextCursor cursor = Memo().textCursor();
    cursor.setPosition(selected.isEmpty() ? 40 : start);
    if (!selected.isEmpty())
        cursor.setPosition(start + static_cast<int>(selected.size()), QTextCursor::KeepAnchor);
    Memo().setTextCursor(cursor);

    if (GetParam().byKeyboard)
        QTest::keyClick(&Memo(), Qt::Key_C, Qt::ControlModifier);
    else
        Click("CopyButton");

    const QTextCursor after = Memo().textCursor();
    // Plain text only, in UTF-8: a clipboard that keeps one format after the program has ended
    // must find the report.
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->formats(), QStringList(QStringLiteral("text/plain")));
    EXPECT_EQ(copied->data(QStringLiteral("text/plain")),
              (selected.isEmpty() ? ExpectedReport(kClip) : selected).toUtf8());
    if (selected.isEmpty()) {
        EXPECT_EQ(QGuiApplication::clipboard()->text(), ExpectedReport(kClip));
        EXPECT_FALSE(after.hasSelection());
        EXPECT_EQ(after.position(), 0);
    } else {
        EXPECT_EQ(QGuiApplication::clipboard()->text(), selected);
        EXPECT_EQ(after.selectionStart(), start);
        EXPECT_EQ(after.selectionEnd(), start + selected.size());
    }
    EXPECT_EQ(Memo().toPlainText(), report);
}

INSTANTIATE_TEST_SUITE_P(Selections, CopyTest,
                         ::testing::Values(CopyCase{"NothingSelected", "", false},
                                           CopyCase{"OneLine", "Stream 1  --  Video", false},
                                           CopyCase{"AcrossLines", "Video\n======", false},
                                           CopyCase{"WithTabs", "Codec: \t\t", false},
                                           CopyCase{"AcrossLinesByKeyboard",
                                                    "Video\n======", true}),
                         CaseName{});

TEST_F(FormTest, KeyboardSelectsThePartOfTheReportThatCopyTakes) {
    MakeForm({kClip}).show();
    const QStringList lines = ExpectedReport(kClip).split(QLatin1Char('\n'));

    QTest::keyClick(&Memo(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&Memo(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&Memo(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&Memo(), Qt::Key_Down, Qt::ShiftModifier);
    Click("CopyButton");

    EXPECT_EQ(QGuiApplication::clipboard()->text(), lines[0] + "\n" + lines[1] + "\n");
    EXPECT_TRUE(Memo().textCursor().hasSelection());
    EXPECT_TRUE(Memo().isReadOnly());
}

TEST_F(FormTest, CopyBeforeAnyReportCopiesTheUsageLines) {
    MakeForm().show();

    Click("CopyButton");

    EXPECT_EQ(QGuiApplication::clipboard()->text(), kUsageText);
}

} // namespace
} // namespace zarvo::test
