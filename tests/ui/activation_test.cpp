// Activation handlers run when activation moves between the program's own windows, never when the
// user comes back from another program: against the simulated module, activation is moved as the
// window system would move it (QApplication::setActiveWindow; no window of ours active stands for
// another program in front).

#include "k6link/core_states.h"
#include "tests/support/window_fixture.h"
#include "ui/forms.h"
#include "ui/gsm_info_window.h"
#include "ui/resolution_window.h"

#include <QApplication>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace dalvex;

namespace {

struct ActivationFixture : test::SimWindowFixture {
    void activate(QWidget* window) {
        QApplication::setActiveWindow(window);
        QCoreApplication::processEvents();
    }
    // Another program comes to the front and goes again, leaving `window` active as before.
    void roundTripThroughAnotherProgram(QWidget* window) {
        activate(nullptr);
        ASSERT_FALSE(window->isActiveWindow());
        activate(window);
        ASSERT_TRUE(window->isActiveWindow());
    }
};

} // namespace

TEST_F(ActivationFixture, ReturningFromAnotherProgramRunsNoHandlerMovingBetweenOursDoes) {
    connect();
    QCoreApplication::processEvents();

    // From the start window to the K6 window: the activation asks for the module's version.
    activate(startWindow);
    activate(configWindow);
    EXPECT_EQ(engine().OpState, k6link::state::VersionQuery);
    ASSERT_TRUE(runToIdle());

    std::size_t before = module.receivedCount();
    roundTripThroughAnotherProgram(configWindow);
    EXPECT_EQ(engine().OpState, 0) << "no version query on a return from another program";
    runUntil([] { return false; }, 40);
    EXPECT_EQ(module.receivedCount(), before) << "nothing was sent";

    // The GSM information window empties its fields when activation moves to it from ours, and
    // keeps what it shows across a visit to another program.
    gsmInfoWindow->show();
    activate(gsmInfoWindow);
    gsmInfoWindow->Edits[1]->setText("123456789012345");
    roundTripThroughAnotherProgram(gsmInfoWindow);
    EXPECT_EQ(gsmInfoWindow->Edits[1]->text(), "123456789012345");
    activate(configWindow);
    activate(gsmInfoWindow);
    EXPECT_EQ(gsmInfoWindow->Edits[1]->text(), "") << "moving between our windows still runs the handler";
    gsmInfoWindow->hide();

    // The resolution window keeps a choice not yet stored.
    resolutionWindow->show();
    activate(resolutionWindow);
    const int stored = resolutionWindow->ItemIndex();
    const int chosen = stored == 0 ? 1 : 0;
    resolutionWindow->SetItemIndex(chosen);
    roundTripThroughAnotherProgram(resolutionWindow);
    EXPECT_EQ(resolutionWindow->ItemIndex(), chosen);
    resolutionWindow->hide();

    // A window hidden and shown again runs its handler on its first activation, whichever window
    // was active last.
    gsmInfoWindow->Edits[1]->setText("kept?");
    gsmInfoWindow->show();
    activate(gsmInfoWindow);
    EXPECT_EQ(gsmInfoWindow->Edits[1]->text(), "");

    before = module.receivedCount();
    activate(configWindow);
    EXPECT_EQ(engine().OpState, k6link::state::VersionQuery) << "from our own window: the query goes";
    ASSERT_TRUE(runToIdle());
    EXPECT_GT(module.receivedCount(), before);
}
