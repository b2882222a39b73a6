// What the program's two windows share in look and placement.
#pragma once

#include <QFont>

class QWidget;

namespace zarvo {

// "MS Sans Serif" at 11 pixels (8 points at 96 pixels per inch). Where that face is missing the
// system's sans-serif face stands in, at the same pixel size so that texts fit the fixed layout.
QFont FormFont();

// Places a top-level window, frame included, in the middle of its screen: now, when it is shown,
// and once more when the window manager's frame around it is first known.
void CentreOnScreen(QWidget& window);

} // namespace zarvo
