// A label that reports a click, as a link on a web page does, in the colours of a link.
#include "app/LinkLabel.h"

#include <QEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

namespace zarvo {
namespace {

// The least contrast at which text of the About box's size is readable.
constexpr double kReadableContrast = 4.5;

double Luminance(const QColor& colour) {
    const auto linear = [](float channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

} // namespace

double ContrastRatio(const QColor& first, const QColor& second) {
    const double a = Luminance(first);
    const double b = Luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor LinkColour(const QPalette& surface, bool visited) {
    const QColor window = surface.color(QPalette::Window);
    if (Luminance(window) >= Luminance(surface.color(QPalette::WindowText)))
        return visited ? QColor(Qt::red) : QColor(Qt::blue);
    // Many dark themes leave the link colours at the toolkit's blue and magenta, which are
    // unreadable there: the hue stays, the colour is lightened until it reads.
    const QColor given = surface.color(visited ? QPalette::LinkVisited : QPalette::Link);
    if (ContrastRatio(given, window) >= kReadableContrast)
        return given;
    QColor colour = given.toHsl();
    while (ContrastRatio(colour, window) < kReadableContrast && colour.lightness() < 255)
        colour.setHsl(colour.hslHue(), colour.hslSaturation(),
                      std::min(255, colour.lightness() + 8));
    return colour.toRgb();
}

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    UpdateColour();
}

void LinkLabel::SetVisited(bool visited) {
    visited_ = visited;
    UpdateColour();
}

void LinkLabel::UpdateColour() {
    // The surface is what the label stands on: its own palette has the link's colour as text.
    const QPalette surface = parentWidget() != nullptr ? parentWidget()->palette() : palette();
    const QColor colour = LinkColour(surface, visited_);
    if (palette().color(QPalette::WindowText) == colour)
        return;
    QPalette own = palette();
    own.setColor(QPalette::WindowText, colour);
    setPalette(own);
}

void LinkLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    // A change of theme while the program runs reaches the label through its parent.
    if (event->type() == QEvent::PaletteChange)
        UpdateColour();
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    // Letting go elsewhere is how a user takes a click back.
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Press();
}

} // namespace zarvo
