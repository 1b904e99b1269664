#include "platform/qt/program_icon.h"

#include <QPainter>

namespace dudo {

QPixmap ProgramPicture(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const int m = size / 16;
    const QRect frame(m, m * 2, size - 2 * m - 1, size - 4 * m - 1);
    p.fillRect(frame, Qt::white);
    p.fillRect(QRect(frame.left(), frame.top(), frame.width(), size / 4), QColor(0, 255, 255));  // cyan title bar
    p.setPen(QPen(Qt::black, std::max(1, size / 64)));
    p.drawRect(frame);
    p.drawLine(frame.left(), frame.top() + size / 4, frame.right(), frame.top() + size / 4);
    return pixmap;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ProgramPicture(size));
    return icon;
}

}  // namespace dudo
