// What the program's two windows share in look and placement.
#include "app/FormStyle.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace zarvo {
namespace {

// The window manager's frame around the window; none until the window has been framed.
QMargins FrameOf(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return handle != nullptr ? handle->frameMargins() : QMargins();
}

// The frame that the window has, or, before it is framed, the one that the window it belongs
// to has: both are framed by the same window manager, so that is the closest guess.
QMargins BestKnownFrameOf(const QWidget& window) {
    const QMargins own = FrameOf(window);
    if (!own.isNull() || window.parentWidget() == nullptr)
        return own;
    return FrameOf(*window.parentWidget()->window());
}

void Place(QWidget& window, const QMargins& frame) {
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const QSize outer = window.size().grownBy(frame);
    const QPoint frameCorner(area.x() + (area.width() - outer.width()) / 2,
                             area.y() + (area.height() - outer.height()) / 2);
    // The window's own area is placed, not its frame: the toolkit can place a frame only once it
    // knows it, and the frame is what is not known yet.
    window.setGeometry(QRect(frameCorner + QPoint(frame.left(), frame.top()), window.size()));
}

// Centres the window when it is shown, and once more as soon as the window manager has framed
// it, if the frame is not the one it was placed with: before that its size is a guess, and a
// window centred without its title bar sits half a title bar low.
class FrameCentring final : public QObject {
public:
    explicit FrameCentring(QWidget& window) : QObject(&window), window_(window) {
        window.installEventFilter(this);
        placedWith_ = BestKnownFrameOf(window);
        Place(window, placedWith_);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &window_)
            return false;
        if (event->type() == QEvent::Show) {
            placedWith_ = BestKnownFrameOf(window_);
            Place(window_, placedWith_);
        } else if (event->type() == QEvent::Paint || event->type() == QEvent::Move) {
            // The frame is there by the first paint, which follows the window manager's mapping
            // of the framed window; a move is how some window managers report the framing.
            const QMargins frame = FrameOf(window_);
            if (frame.isNull())
                return false;
            if (frame != placedWith_)
                Place(window_, frame);
            // Placed with its real frame: from now on the window stays where the user puts it.
            window_.removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QWidget& window_;
    QMargins placedWith_;
};

} // namespace

QFont FormFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

void CentreOnScreen(QWidget& window) {
    new FrameCentring(window);
}

} // namespace zarvo
