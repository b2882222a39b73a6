// A label that reports a click, as a link on a web page does, in the colours of a link.
#pragma once

#include <QLabel>

namespace zarvo {

class LinkLabel final : public QLabel {
    Q_OBJECT

public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

    // Once visited, the link keeps the visited colour.
    void SetVisited(bool visited);
    bool Visited() const { return visited_; }

    // What a click does: for the keyboard and for assistive technology.
    void Press() { emit clicked(); }

signals:
    // The left button went down and came up again over the label, or the link was pressed.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateColour();

    bool pressed_ = false;
    bool visited_ = false;
};

// The colour of a link on a surface whose palette is `surface`: blue, red once visited, as links
// always were on light surfaces; on a dark surface (its window colour darker than its text) the
// palette's own link colours, lightened where needed to be readable at 4.5:1.
QColor LinkColour(const QPalette& surface, bool visited);

// The contrast ratio of two colours as the web's accessibility guidelines measure it, from 1 to 21.
double ContrastRatio(const QColor& first, const QColor& second);

} // namespace zarvo
