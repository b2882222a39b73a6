// The fixed layout of both windows: client sizes, control rectangles, texts and tab order.
#include "FormTestSupport.h"
#include "app/Unit2.h"

#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <set>

namespace zarvo::test {
namespace {

struct Control {
    const char* name;
    const char* parent;
    QRect geometry; // an empty size stands for a label that takes the size of its text
    const char* text;
};

void ExpectLayout(const QWidget& window, QSize client, const std::vector<Control>& controls) {
    EXPECT_EQ(window.size(), client);
    // Not resizable: the smallest and largest sizes are the size itself.
    EXPECT_EQ(window.minimumSize(), client);
    EXPECT_EQ(window.maximumSize(), client);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    for (const Control& control : controls) {
        SCOPED_TRACE(control.name);
        const auto* widget = window.findChild<QWidget*>(QLatin1String(control.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QLatin1String(control.parent));
        if (control.geometry.size().isEmpty()) {
            EXPECT_EQ(widget->pos(), control.geometry.topLeft());
            // A label sized to its text shows all of it, and stays inside its panel.
            EXPECT_GE(widget->width(), widget->sizeHint().width());
            EXPECT_LE(widget->geometry().right(), widget->parentWidget()->width() - 3);
        } else {
            EXPECT_EQ(widget->geometry(), control.geometry);
        }
        if (control.text == nullptr)
            continue;
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), QLatin1String(control.text));
        } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            EXPECT_EQ(label->text(), QLatin1String(control.text));
        } else {
            ADD_FAILURE() << "a text is given for a control that shows none";
        }
    }
}

TEST_F(FormTest, MainWindowLayout) {
    TForm1& form = MakeForm();
    form.show();

    ExpectLayout(form, QSize(509, 261),
                 {
                     {"Memo1", "Form1", QRect(3, 3, 414, 254), nullptr},
                     {"ExitButton", "Form1", QRect(424, 231, 75, 25), "Exit"},
                     {"OpenButton", "Form1", QRect(424, 123, 75, 25), "Open..."},
                     {"CopyButton", "Form1", QRect(424, 155, 75, 25), "Copy"},
                     {"AboutButton", "Form1", QRect(424, 187, 75, 25), "About..."},
                 });
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(Memo().isReadOnly());
    EXPECT_EQ(Memo().lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(Memo().verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(Memo().horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(FormTest, TabGoesFromTheTextToExitOpenCopyAbout) {
    MakeForm().show();
    const QStringList order = {"Memo1", "ExitButton", "OpenButton", "CopyButton", "AboutButton"};

    QStringList visited;
    QWidget* widget = &Memo();
    do {
        if (order.contains(widget->objectName()) && (widget->focusPolicy() & Qt::TabFocus))
            visited << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != &Memo());

    EXPECT_EQ(visited, order);
}

TEST_F(FormTest, ReportValuesLineUpInOneColumn) {
    MakeForm({MediaPath("xvid_mp3.avi")}).show();
    QCoreApplication::sendPostedEvents();

    std::set<int> columns;
    for (QTextBlock block = Memo().document()->begin(); block.isValid(); block = block.next()) {
        const qsizetype tab = block.text().lastIndexOf(QLatin1Char('\t'));
        if (tab < 0)
            continue;
        QTextCursor value(block);
        value.setPosition(block.position() + static_cast<int>(tab) + 1);
        columns.insert(Memo().cursorRect(value).left());
    }
    EXPECT_EQ(columns.size(), 1u) << "values start at " << columns.size() << " columns";
}

TEST_F(FormTest, ReportIsScrolledToItsTop) {
    TForm1& form = MakeForm();
    form.show();
    // A long report, so that there is something to scroll: many lines, then a new report.
    for (int i = 0; i < 200; ++i)
        form.AppendLine("filler");
    Memo().verticalScrollBar()->setValue(Memo().verticalScrollBar()->maximum());

    OpenThroughDialog(QString::fromStdString(MediaPath("h264_aac_srt.mkv")));

    EXPECT_EQ(Memo().verticalScrollBar()->value(), 0);
    EXPECT_EQ(Memo().cursorForPosition(QPoint(0, 0)).blockNumber(), 0);
}

TEST_F(FormTest, BothWindowsAreCentredFrameIncluded) {
    TForm1& form = MakeForm();
    TAboutForm about(&form);
    form.show();
    about.show();
    QCoreApplication::sendPostedEvents();

    for (const QWidget* window : {static_cast<QWidget*>(&form), static_cast<QWidget*>(&about)}) {
        SCOPED_TRACE(window->objectName().toStdString());
        // A frame that is no wider at the top than at the bottom still shifts a window that is
        // centred without it.
        ASSERT_NE(window->frameGeometry().size(), window->size()) << "no frame to centre";
        const QPoint offset =
            window->frameGeometry().center() - window->screen()->geometry().center();
        EXPECT_LE(offset.manhattanLength(), 1) << offset.x() << ", " << offset.y();
    }
}

TEST_F(FormTest, AboutBoxLayout) {
    MakeForm();
    TAboutForm about(form_.get());
    about.show();

    ExpectLayout(about, QSize(298, 196),
                 {
                     {"Panel1", "AboutForm", QRect(8, 8, 281, 145), nullptr},
                     {"ProgramIcon", "Panel1", QRect(8, 8, 48, 48), nullptr},
                     {"Bevel1", "Panel1", QRect(8, 8, 48, 48), nullptr},
                     {"ProductName", "Panel1", QRect(88, 16, 0, 0), "Zarvo"},
                     {"Version", "Panel1", QRect(88, 40, 0, 0), "Compiled on 4 November 2004"},
                     {"CommentsLabel", "Panel1", QRect(8, 80, 265, 33), nullptr},
                     {"HomepageLabel", "Panel1", QRect(12, 117, 0, 0), nullptr},
                     {"OKButton", "AboutForm", QRect(111, 164, 75, 25), "OK"},
                 });
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMinimizeButtonHint);

    const auto* icon = about.findChild<QLabel*>(QStringLiteral("ProgramIcon"));
    EXPECT_EQ(icon->pixmap().size(), QSize(48, 48));
    // The thanks are written to fit their fixed box, word-wrapped.
    const auto* thanks = about.findChild<QLabel*>(QStringLiteral("CommentsLabel"));
    EXPECT_TRUE(thanks->wordWrap());
    EXPECT_LE(thanks->heightForWidth(thanks->width()), thanks->height());
}

} // namespace
} // namespace zarvo::test
