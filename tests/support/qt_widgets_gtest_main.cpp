#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Window tests run without a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // What the windows keep of their own accord (the send journal of every send) stays in a folder
    // of the test's: a send a test cuts off is no one else's business.
    const QTemporaryDir state;
    if (state.isValid()) setenv("XDG_STATE_HOME", state.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
