// A label that reports a click, as a link on a web page does.
#pragma once

#include <QLabel>

namespace zarvo {

class LinkLabel final : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    // The left button went down and came up again over the label.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace zarvo
