#pragma once
// Every window of the program in a temporary settings store, start directory and ports folder,
// with every timer held by the test. The module status window is given the indicators the version
// rules name when it has none of its own yet.

#include "serial/settings.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "tests/support/window_fixture.h"
#include "ui/forms.h"
#include "ui/start_window.h"
#include "ui/config_window.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace dalvex::test {

inline const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

inline QWidget* TopWindow(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name)) return w;
    return nullptr;
}

struct WindowsFixture : WindowsEnvironment {
    void setting(const char* name, const QString& value) { WriteSetting(kKey, name, value); }
    QString setting(const char* name) { return ReadSetting(kKey, name); }

    // The windows, with no module on COM1, and the start window activated.
    void start() {
        if (!QFile::exists(ports.path() + "/com1"))
            symlink("/nonexistent/tty", (ports.path() + "/com1").toLocal8Bit().constData());
        CreateFormsWithTimersHeld();
        addStatusIndicators();
        startWindow->Activate();
    }

    // The start window hands a module of `code` over (try-out when `demo`), as "Indít" does.
    void handOver(int code, bool demo) {
        if (demo)
            startWindow->TryOutClick(code);
        else
            startWindow->Search.ModuleCode = code;
        startWindow->HandOverTick();
    }

    QWidget* status(const char* name) {
        QWidget* w = TopWindow("TK6Form2");
        return w ? w->findChild<QWidget*>(QString::fromLatin1(name)) : nullptr;
    }
    bool statusShown(const char* name) {
        QWidget* c = status(name);
        return c && !c->isHidden();
    }

private:
    void addStatusIndicators() {
        QWidget* window = TopWindow("TK6Form2");
        ASSERT_NE(window, nullptr);
        for (const char* name : {"VONFESZ", "Label20", "Label21", "Label22", "Panel8", "Label13", "Button1"})
            if (!status(name))
                (new QLabel(QString::fromLatin1(name), window))->setObjectName(QString::fromLatin1(name));
        status("Button1")->hide(); // "Tesztelés END" is a developer control
    }
};

} // namespace dalvex::test
