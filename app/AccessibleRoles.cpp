// What screen readers are told about the program's own kinds of widget.
#include "app/AccessibleRoles.h"

#include "app/LinkLabel.h"
#include "app/Unit1.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <mutex>

namespace zarvo {
namespace {

// The toolkit names a link by its text; pressing it does what a click does.
class AccessibleLink final : public QAccessibleWidget {
public:
    explicit AccessibleLink(LinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && Link().accessibleName().isEmpty())
            return Link().text();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = true;
        state.traversed = Link().Visited();
        return state;
    }

    // The press comes first, since screen readers offer a link's first action to the user.
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == pressAction())
            Link().Press();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    LinkLabel& Link() const { return *static_cast<LinkLabel*>(widget()); }
};

QAccessibleInterface* DescribeWidget(const QString& className, QObject* object) {
    if (className == QLatin1String(TForm1::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    if (className == QLatin1String(LinkLabel::staticMetaObject.className()))
        return new AccessibleLink(static_cast<LinkLabel*>(object));
    return nullptr;
}

} // namespace

void InstallAccessibleRoles() {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(DescribeWidget); });
}

} // namespace zarvo
