// A plain toolkit window with that title and width, in the program's font,
// for the desktop tests to see how the desktop's title bar shows a caption
// with room to spare (the toolkit's own title bar draws in that font).
#include <QApplication>
#include <QWidget>

#include "platform/qt/qt_view.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) return 2;
    app.setFont(dudo::QtView::PanelFont(15));
    QWidget window;
    window.setWindowTitle(QString::fromUtf8(argv[1]));
    window.setFixedSize(QString(argv[2]).toInt(), 120);
    window.show();
    return app.exec();
}
