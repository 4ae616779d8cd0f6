// A send from the windows cut off, and the next start: the start window says so beside the module
// it found, and once the module's version is known the window offers to send the recorded
// configuration again, to read the module, or to decide later.

#include "k6config/send_journal.h"
#include "k6link/core_states.h"
#include "sim/faults.h"
#include "sim/module_sim.h"
#include "tests/support/window_fixture.h"
#include "ui/door_phone_window.h"
#include "ui/k6_journal_side.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>
#include <optional>

using namespace dalvex;

namespace {

struct CutOffWindowSend : test::SimWindowFixture {
    std::optional<QString> offered;
    K6JournalSide::Choice choice = K6JournalSide::Choice::Later;

    void SetUp() override {
        test::SimWindowFixture::SetUp();
        K6JournalSide::OfferHook = [this](const QString& text) {
            offered = text;
            return choice;
        };
    }
    void TearDown() override {
        K6JournalSide::OfferHook = nullptr;
        test::SimWindowFixture::TearDown();
    }
    std::uint64_t BlocksTaken() {
        std::uint64_t n = 0;
        module.withModule([&](sim::ModuleSim& m) { n = m.blockWrites(); });
        return n;
    }
    // The windows made, the module found and handed over, its version asked; the door phone too.
    void Start() {
        ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1)) << module.error();
        test::CreateFormsWithTimersHeld();
        ASSERT_TRUE(test::HandOverFoundModule(module));
        configWindow->Activate();
        startWindow->SendTick();
        ASSERT_TRUE(runToIdle());
    }
};

} // namespace

TEST_F(CutOffWindowSend, TheNextStartSaysSoAndOffersToSendAgainReadOrWait) {
    using Choice = K6JournalSide::Choice;
    struct Row {
        const char* name;
        int type;
        Choice choice;
        int blocks; // the send's blocks
    };
    const Row rows[] = {
        {"send again", 72, Choice::SendAgain, 6 + 5},
        {"read the module, from the door-phone window", 75, Choice::Read, 6 + 5},
        {"decide later", 74, Choice::Later, 6 + 128 + 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        module.withModule([&](sim::ModuleSim& m) {
            m.setTypeCode(static_cast<std::uint8_t>(row.type));
            m.setVersion(84);
        });
        // A send that the module stops answering after three blocks, stopped from the window.
        Start();
        EXPECT_TRUE(startWindow->PortStatus->text().isEmpty())
            << startWindow->PortStatus->text().toStdString();
        offered.reset();
        test::pumpFor(20);
        EXPECT_FALSE(offered) << "nothing to offer";
        module.setFault(sim::Fault::StopAfter, 3);
        const std::uint64_t from = BlocksTaken();
        if (row.type == 75)
            doorPhoneWindow->SendButton->click();
        else
            configWindow->SendClick();
        ASSERT_TRUE(runUntil([&] { return BlocksTaken() >= from + 4; }));
        configWindow->StopClick();
        configWindow->StopClick(); // the block in flight gets no answer: at once
        ASSERT_TRUE(runToIdle());
        module.setFault(sim::Fault::None);
        const auto entry = k6config::SendJournal().Find("COM1", row.type);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->written, 3);
        EXPECT_EQ(entry->planned, row.blocks);
        k6config::ConfigImage image;
        k6config::CustomerFields fields;
        ASSERT_TRUE(k6config::SendJournal().LoadImage(*entry, image, fields));
        DestroyForms();

        // The next start.
        const std::uint64_t sentBefore = BlocksTaken();
        choice = row.choice;
        Start();
        const QLocale hu(QStringLiteral("hu"));
        const QString notice =
            QStringLiteral("Az utolsó adatküldés ebbe a modulba (%1 %2) %3 blokkból 3 elküldése "
                           "után megszakadt: a modulban régi és új beállítások keveredhetnek")
                .arg(hu.toString(entry->when.date(), QLocale::ShortFormat),
                     hu.toString(entry->when.time(), QLocale::ShortFormat))
                .arg(row.blocks);
        EXPECT_EQ(startWindow->PortStatus->text(), notice);
        ASSERT_TRUE(test::waitFor([&] { return offered.has_value(); }, 2000))
            << "offered once the version is known";
        EXPECT_EQ(*offered, notice);
        ASSERT_TRUE(runToIdle());
        const auto left = k6config::SendJournal().Find("COM1", row.type);
        switch (row.choice) {
        case Choice::SendAgain:
            EXPECT_FALSE(left) << "a completed send clears it";
            EXPECT_EQ(BlocksTaken() - sentBefore, static_cast<std::uint64_t>(row.blocks)) << "whole";
            module.withModule([&](sim::ModuleSim& m) {
                for (std::uint32_t a = 0; a < 0x600; ++a)
                    ASSERT_EQ(m.memory()[a], image.at(a)) << "at " << a;
            });
            break;
        case Choice::Read:
            EXPECT_FALSE(left) << "a completed read clears it";
            EXPECT_EQ(BlocksTaken(), sentBefore) << "nothing sent";
            EXPECT_EQ(configWindow->StatusPanel(3), "Összes adat kiolvasása sikeres!");
            break;
        case Choice::Later:
            ASSERT_TRUE(left) << "still on record";
            EXPECT_EQ(left->written, 3);
            EXPECT_EQ(BlocksTaken(), sentBefore) << "nothing sent";
            break;
        }
        DestroyForms();
        k6config::SendJournal().Remove("COM1", row.type);
    }
}
