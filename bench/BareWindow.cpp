// bare-window: an empty Qt window of Zarvo's size, the yardstick for the window's start-up time.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(509, 261);
    window.show();
    return QApplication::exec();
}
