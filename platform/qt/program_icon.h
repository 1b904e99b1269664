// The program's picture, a window with a cyan title bar, drawn at any size
// so that every place that shows it (window, tray, menu entry) gets it crisp.
#pragma once
#include <QIcon>
#include <QPixmap>

namespace dudo {

QPixmap ProgramPicture(int size);
// The picture at the sizes desktops ask for, 16 to 256 pixels.
QIcon ProgramIcon();

}  // namespace dudo
