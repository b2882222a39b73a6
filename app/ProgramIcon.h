// The program's icon: a strip of film under a magnifying glass, drawn in code at any size.
#pragma once

#include <QIcon>
#include <QImage>

namespace zarvo {

// The icon as a square picture `size` pixels wide, transparent around the drawing.
QImage DrawProgramIcon(int size);

// The icon at the sizes that title bars and task bars ask for.
QIcon ProgramIcon();

} // namespace zarvo
