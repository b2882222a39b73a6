// The program's icon: a strip of film under a magnifying glass, drawn in code at any size.
#include "app/ProgramIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zarvo {
namespace {

// The drawing is laid out on a 48 x 48 grid and scaled to the size asked for.
constexpr qreal kGrid = 48;

void DrawFilmStrip(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x26, 0x32, 0x38));
    painter.drawRoundedRect(QRectF(2, 8, 40, 30), 3, 3);

    painter.setBrush(QColor(0xEC, 0xEF, 0xF1));
    for (qreal x = 5; x < 40; x += 6) {
        painter.drawRoundedRect(QRectF(x, 10, 3, 3), 0.8, 0.8);
        painter.drawRoundedRect(QRectF(x, 33, 3, 3), 0.8, 0.8);
    }

    QLinearGradient sky(0, 15, 0, 31);
    sky.setColorAt(0, QColor(0x81, 0xD4, 0xFA));
    sky.setColorAt(1, QColor(0x02, 0x77, 0xBD));
    painter.setBrush(sky);
    painter.drawRect(QRectF(5, 15, 34, 16));

    QPainterPath play;
    play.moveTo(10, 18);
    play.lineTo(10, 28);
    play.lineTo(18, 23);
    play.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(play);
}

void DrawMagnifier(QPainter& painter) {
    const QPointF centre(32, 28);
    constexpr qreal radius = 9;

    QPen handle(QColor(0xFF, 0x8F, 0x00), 5, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(handle);
    painter.drawLine(QPointF(38.5, 34.5), QPointF(44, 40));

    painter.setPen(QPen(QColor(0x37, 0x47, 0x4F), 4.5));
    painter.setBrush(QColor(255, 255, 255, 90));
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(QColor(0xEC, 0xEF, 0xF1), 2.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius, radius);

    // A glint on the glass, so that it reads as a lens at small sizes too.
    painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(centre.x() - 5.5, centre.y() - 5.5, 11, 11), 100 * 16, 60 * 16);
}

} // namespace

QImage DrawProgramIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kGrid, size / kGrid);
    DrawFilmStrip(painter);
    DrawMagnifier(painter);
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    // Every size is drawn at start and sent to the X server with each window, so only those that
    // title bars and task bars show; larger pictures come from the installed theme icons.
    for (const int size : {16, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
    return icon;
}

} // namespace zarvo
