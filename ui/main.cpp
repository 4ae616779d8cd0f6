// Dalvex: the program entry. Every window is created first, hidden; then the start window is shown,
// and the program runs until the start window closes.

#include "forms.h"
#include "start_window.h"
#include "config_window.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dalvex"));
    QApplication::setQuitOnLastWindowClosed(false);

    dalvex::ConfigWindow::DeferPages = true;
    dalvex::CreateForms();
    QObject::connect(dalvex::startWindow, &dalvex::StartWindow::FormClosed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    dalvex::startWindow->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                                         dalvex::startWindow->size(),
                                                         app.primaryScreen()->availableGeometry()));
    dalvex::startWindow->show();
    dalvex::startWindow->activateWindow();
    // Start-up measurements end the program as soon as the start window has been shown.
    if (qEnvironmentVariableIsSet("DALVEX_QUIT_WHEN_SHOWN")) QTimer::singleShot(0, &app, &QApplication::quit);
    // The editing pages are built once the start window is on screen; its first probe is 3 s away.
    QTimer::singleShot(50, dalvex::configWindow, &dalvex::ConfigWindow::EnsurePages);
    const int rc = QApplication::exec();
    dalvex::DestroyForms();
    return rc;
}
