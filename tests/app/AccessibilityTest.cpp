// What screen readers are told: the roles and names of the window's parts, and the About box's
// link and its action.
#include "FormTestSupport.h"
#include "app/Unit2.h"
#include "support/CaseName.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
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

TEST_F(FormTest, AboutLinkIsALinkWhosePressOpensTheAddressAsAClickDoes) {
    MakeForm();
    std::vector<QUrl> opened;
    TAboutForm about(form_.get(), [&opened](const QUrl& address) { opened.push_back(address); });
    auto* link = about.findChild<QLabel*>(QStringLiteral("HomepageLabel"));
    ASSERT_NE(link, nullptr);
    QAccessibleInterface& described = Described(*link);

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
}

} // namespace
} // namespace zarvo::test
