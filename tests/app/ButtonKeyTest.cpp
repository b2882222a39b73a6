// Keys on the buttons: Space, Enter and keypad Enter press the button that has the focus.
#include "FormTestSupport.h"
#include "app/Unit2.h"

#include <QTimer>

namespace zarvo::test {
namespace {

struct KeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

void PrintTo(const KeyCase& tested, std::ostream* out) {
    *out << tested.name;
}

class ButtonKeyTest : public FormTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ButtonKeyTest, PressesTheFocusedButton) {
    TForm1& form = MakeForm();
    TAboutForm about(&form, [](const QUrl&) {});
    form.SetAboutForm(&about);
    form.show();
    Button("AboutButton").setFocus();
    bool aboutShown = false;
    QTimer::singleShot(0, &about, [&] {
        aboutShown = about.isVisible();
        about.reject();
    });

    QTest::keyClick(&Button("AboutButton"), GetParam().key, GetParam().modifiers);

    EXPECT_TRUE(aboutShown);
}

INSTANTIATE_TEST_SUITE_P(Keys, ButtonKeyTest,
                         ::testing::Values(KeyCase{"Space", Qt::Key_Space, Qt::NoModifier},
                                           KeyCase{"Enter", Qt::Key_Return, Qt::NoModifier},
                                           KeyCase{"KeypadEnter", Qt::Key_Enter,
                                                   Qt::KeypadModifier}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace zarvo::test
