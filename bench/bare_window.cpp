// The yardstick for start-up: a bare Qt Widgets window of the start window's size, shown and
// left as soon as it is on screen.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.setFixedSize(549, 301);
    // With an argument, one line of text: the same program plus what any text costs (the font
    // database), to show how much of the difference that is.
    if (argc > 1) new QLabel(QStringLiteral("Dalvex"), &w);
    w.show();
    w.activateWindow();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}
