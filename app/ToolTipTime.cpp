// One display time for every tooltip of the application.
#include "app/ToolTipTime.h"

#include <QEvent>
#include <QWidget>

namespace zarvo {

ToolTipTime::ToolTipTime(int milliseconds, QObject* parent)
    : QObject(parent), milliseconds_(milliseconds) {}

bool ToolTipTime::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    // -1 is the toolkit's "not chosen": its own default time applies then.
    if (widget->toolTipDuration() < 0)
        widget->setToolTipDuration(milliseconds_);
    return false;
}

} // namespace zarvo
