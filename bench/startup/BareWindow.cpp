// The yardstick for quorvel's start-up: the least a Qt Widgets program does to put one window on screen.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.resize(376, 390); // about the size of quorvel's first window
    window.show();
    return QApplication::exec();
}
