// The About and Exit commands, and which buttons explain themselves in a tooltip.
#include "FormTestSupport.h"
#include "app/Unit2.h"
#include "support/CaseName.h"

#include <QHelpEvent>
#include <QTimer>
#include <QToolTip>

namespace zarvo::test {
namespace {

TEST_F(FormTest, CopyButtonExplainsItselfForSevenSecondsAndAboutHasNoTooltip) {
    TForm1& form = MakeForm();
    form.show();

    // The toolkit asks a widget for its tooltip when the mouse rests on it.
    const auto restOn = [](QWidget& widget) {
        QHelpEvent rest(QEvent::ToolTip, QPoint(10, 10), widget.mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(&widget, &rest);
        return rest.isAccepted();
    };

    EXPECT_TRUE(restOn(Button("CopyButton")));
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Copy to clipboard"));
    EXPECT_EQ(Button("CopyButton").toolTipDuration(), 7000);
    EXPECT_FALSE(restOn(Button("AboutButton")));
    QToolTip::hideText();
}

TEST_F(FormTest, AboutButtonShowsTheAboutBoxModally) {
    TForm1& form = MakeForm();
    TAboutForm about(&form, [](const QUrl&) {});
    form.SetAboutForm(&about);
    form.show();
    bool shownModally = false;
    QTimer::singleShot(0, &about, [&] {
        shownModally = QApplication::activeModalWidget() == &about && about.isVisible();
        about.reject();
    });

    Click("AboutButton");

    EXPECT_TRUE(shownModally);
    EXPECT_FALSE(about.isVisible());
}

TEST_F(FormTest, ExitButtonClosesTheWindow) {
    TForm1& form = MakeForm();
    form.show();

    Click("ExitButton");

    EXPECT_FALSE(form.isVisible());
}

struct WindowKeyCase {
    const char* name;
    Qt::Key key;
    bool opensDialog;
    bool closesWindow;
};

class WindowKeyTest : public FormTest, public ::testing::WithParamInterface<WindowKeyCase> {};

TEST_P(WindowKeyTest, CtrlKeyDoesWhatItDoesInOtherDesktopPrograms) {
    TForm1& form = MakeForm();
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    Memo().setFocus();

    QTest::keyClick(&Memo(), GetParam().key, Qt::ControlModifier);
    WaitForReport();

    EXPECT_EQ(desktop_.dialogFolders.size(), GetParam().opensDialog ? 1u : 0u);
    EXPECT_EQ(form.isVisible(), !GetParam().closesWindow);
}

INSTANTIATE_TEST_SUITE_P(Keys, WindowKeyTest,
                         ::testing::Values(WindowKeyCase{"CtrlO", Qt::Key_O, true, false},
                                           WindowKeyCase{"CtrlQ", Qt::Key_Q, false, true},
                                           // Ctrl+C copies; it neither opens nor closes.
                                           WindowKeyCase{"CtrlC", Qt::Key_C, false, false}),
                         CaseName{});

} // namespace
} // namespace zarvo::test
