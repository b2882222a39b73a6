// A frame of one or more bevels, as drawn around panels and pictures.
#include "app/BevelFrame.h"

#include <QPainter>
#include <qdrawutil.h>

namespace zarvo {

BevelFrame::BevelFrame(std::vector<Bevel> bevels, QWidget* parent)
    : QWidget(parent), bevels_(std::move(bevels)) {}

void BevelFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect area = rect();
    for (const Bevel bevel : bevels_) {
        if (area.width() < 2 || area.height() < 2)
            return;
        qDrawShadePanel(&painter, area, palette(), bevel == Bevel::Lowered, 1);
        area.adjust(1, 1, -1, -1);
    }
}

} // namespace zarvo
