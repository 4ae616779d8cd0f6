// Dalvex: the program entry. The start window is created and shown, the other windows when they are
// first needed, and the program runs until the start window closes. The program takes no arguments of its own
// beyond --help and --version; Qt's own (-platform, -style, ...) are Qt's.

#include "forms.h"
#include "start_window.h"
#include "config_window.h"
#include "i18n/program_version.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <cstdio>
#include <string_view>

namespace {

const char* const kUsage =
    "usage: dalvex [--help | --version] [Qt options]\n"
    "The configuration and service tool for K6 GSM alarm communicators. It opens the start window,\n"
    "which looks for a module on the serial ports. Qt's options (-platform NAME, -style NAME, ...)\n"
    "are accepted. dalvex(1) describes the files and the environment it uses.\n";

} // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists, so they need no display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            std::puts(dalvex::VersionLine("dalvex").c_str());
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
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
    QTimer::singleShot(50, &app, [] {
        if (dalvex::ConfigWindow* k6 = dalvex::configWindow) k6->EnsurePages();
    });
    const int rc = QApplication::exec();
    dalvex::DestroyForms();
    return rc;
}
