// One display time for every tooltip of the application.
#pragma once

#include <QObject>

namespace zarvo {

// Watches the whole application once installed on it: a widget that has not chosen its own
// tooltip display time gets this one just before its tooltip is shown.
class ToolTipTime final : public QObject {
public:
    ToolTipTime(int milliseconds, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int milliseconds_;
};

} // namespace zarvo
