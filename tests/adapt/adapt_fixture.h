#pragma once
// Every window of the program in a temporary settings store, start directory and ports folder,
// with every timer held by the test. The module status window is given the indicators the version
// rules name when it has none of its own yet.

#include "serial/settings.h"
#include "tests/support/wait.h"
#include "ui/forms.h"
#include "ui/tform1.h"
#include "ui/tk6form1.h"

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

struct WindowsFixture : ::testing::Test {
    QTemporaryDir home;
    QTemporaryDir ports;
    QTemporaryDir startDir;
    QString oldDir = QDir::currentPath();

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        // The texts the tests expect are the Hungarian ones.
        WriteSetting(QStringLiteral("\\software\\GSM\\Dalvex"), QStringLiteral("Language"),
                     QStringLiteral("0"));
        QDir::setCurrent(startDir.path());
        TK6Form1::MessageBoxHook = [](const QString&, QMessageBox::StandardButtons) {
            return QMessageBox::Ok;
        };
    }
    void TearDown() override {
        DestroyForms();
        TK6Form1::MessageBoxHook = nullptr;
        QDir::setCurrent(oldDir);
        unsetenv("DALVEX_PORTS");
        unsetenv("XDG_CONFIG_HOME");
    }

    void setting(const char* name, const QString& value) { WriteSetting(kKey, name, value); }
    QString setting(const char* name) { return ReadSetting(kKey, name); }

    // The windows, with no module on COM1, and the start window activated.
    void start() {
        if (!QFile::exists(ports.path() + "/com1"))
            symlink("/nonexistent/tty", (ports.path() + "/com1").toLocal8Bit().constData());
        CreateForms();
        Form1->adas->stop();
        Form1->Kereso->stop();
        for (QTimer* t : {K6Form1->adas, K6Form1->Timer1, K6Form1->Timer2, K6Form1->Timer3, K6Form1->Timer4})
            t->stop();
        addStatusIndicators();
        Form1->FormActivate();
    }

    // The start window hands a module of `code` over (try-out when `demo`), as "Indít" does.
    void handOver(int code, bool demo) {
        if (demo)
            Form1->TryOutClick(code);
        else
            Form1->Search.ModuleCode = code;
        Form1->ablakSTARTTimer();
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
