// What screen readers are told: the roles and names of the window's parts, the report's text,
// and the About box's link and its action.
#include "FormTestSupport.h"
#include "app/Unit2.h"
#include "support/CaseName.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleTextInterface>
#include <QLabel>

namespace zarvo::test {
namespace {

using test::PrintTo;

QAccessibleInterface& Described(QObject& object) {
    QAccessibleInterface* described = QAccessible::queryAccessibleInterface(&object);
    EXPECT_NE(described, nullptr) << object.objectName().toStdString();
    return *described;
}

struct PartCase {
    const char* name; // the part's object name
    QAccessible::Role role;
    const char* accessibleName; // empty: the window's caption
};

class AccessiblePartTest : public FormTest, public ::testing::WithParamInterface<PartCase> {};

TEST_P(AccessiblePartTest, HasItsRoleAndName) {
    MakeForm({kClip}).show();
    QObject* part = form_.get();
    if (form_->objectName() != QLatin1String(GetParam().name))
        part = Child<QWidget>(GetParam().name);
    ASSERT_NE(part, nullptr);

    const QAccessibleInterface& described = Described(*part);

    EXPECT_EQ(described.role(), GetParam().role);
    const QString expected = *GetParam().accessibleName != '\0'
                                 ? QString::fromUtf8(GetParam().accessibleName)
                                 : Title(kClip);
    EXPECT_EQ(described.text(QAccessible::Name), expected);
}

INSTANTIATE_TEST_SUITE_P(Parts, AccessiblePartTest,
                         ::testing::Values(PartCase{"Form1", QAccessible::Window, ""},
                                           PartCase{"Memo1", QAccessible::EditableText, "Report"},
                                           PartCase{"ExitButton", QAccessible::Button, "Exit"},
                                           PartCase{"OpenButton", QAccessible::Button, "Open..."},
                                           PartCase{"CopyButton", QAccessible::Button, "Copy"},
                                           PartCase{"AboutButton", QAccessible::Button,
                                                    "About..."}),
                         CaseName{});

TEST_F(FormTest, ReportIsReadOnlyTextThatAScreenReaderReadsWhole) {
    MakeForm({kClip}).show();
    QAccessibleInterface& report = Described(Memo());

    EXPECT_TRUE(report.state().readOnly);
    QAccessibleTextInterface* text = report.textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(0, text->characterCount()), ExpectedReport(kClip));
    // The window is the report's frame, so a screen reader names both.
    ASSERT_NE(report.parent(), nullptr);
    EXPECT_EQ(report.parent()->role(), QAccessible::Window);
}

TEST_F(FormTest, AboutLinkIsALinkWhosePressOpensTheAddressAsAClickDoes) {
    MakeForm();
    std::vector<QUrl> opened;
    TAboutForm about(form_.get(), [&opened](const QUrl& address) { opened.push_back(address); });
    auto* link = about.findChild<QLabel*>(QStringLiteral("HomepageLabel"));
    ASSERT_NE(link, nullptr);
    QAccessibleInterface& described = Described(*link);
    const QColor unvisited = link->palette().color(QPalette::WindowText);

    EXPECT_EQ(described.role(), QAccessible::Link);
    EXPECT_EQ(described.text(QAccessible::Name), QLatin1String(kHomepageAddress));
    EXPECT_FALSE(described.state().traversed);
    QAccessibleActionInterface* actions = described.actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_FALSE(actions->actionNames().isEmpty());
    EXPECT_EQ(actions->actionNames().constFirst(), QAccessibleActionInterface::pressAction());

    actions->doAction(QAccessibleActionInterface::pressAction());

    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QLatin1String(kHomepageAddress)));
    EXPECT_TRUE(described.state().traversed);
    EXPECT_NE(link->palette().color(QPalette::WindowText), unvisited);
}

} // namespace
} // namespace zarvo::test
