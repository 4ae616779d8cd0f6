// The send by what changed, against the simulated module: one table of what happens between the
// read and "Elküldés", and how the send goes. Whatever a row does, the module ends holding exactly
// what a whole send of the same image leaves in it (a whole send run on a copy of the module as it
// stood before the send); a read-back that finds a difference ends in the send's failure and the
// next send goes whole.

#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/page_values.h"
#include "k6link/config_transfer.h"
#include "sim/presets.h"
#include "tests/support/programmed_module.h"
#include "tests/support/sim_rig.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace dalvex;
using namespace dalvex::k6link;
using dalvex::test::SimRig;

namespace {

using Memory = std::vector<std::uint8_t>;

struct Fixture {
    SimRig rig;
    dalvex::test::RecordingTransferHost side;
    ConfigTransfer transfer{rig.engine, side};
    std::optional<OperationEnd> ended;
    std::optional<bool> sendContactId;    // the send's option (unset: as ticked)
    std::unique_ptr<sim::ModuleSim> away; // a module taken off the line

    Engine& engine() { return rig.engine; }
    EndFn Ender() {
        ended.reset();
        return [this](const OperationEnd& e) { ended = e; };
    }
    Memory memory() {
        Memory m;
        if (away) return Memory(away->memory().begin(), away->memory().end());
        rig.withModule([&](sim::ModuleSim& s) { m.assign(s.memory().begin(), s.memory().end()); });
        return m;
    }
    // The pages as the window holds them: the image decoded, changed by `change`, encoded again.
    void Edit(const std::function<void(k6config::PageValues&)>& change) {
        k6config::PageValues values(k6config::K6Controls()), door(k6config::DoorPhoneControls());
        const k6config::ImageContext context{engine().ModuleType};
        k6config::DecodeConfigImage(engine().ConfigImage, values, door, context);
        change(values);
        k6config::EncodeConfigImage(engine().ConfigImage, values, door, context);
    }
    void Phone(int n, const char* number) {
        Edit([&](k6config::PageValues& v) {
            v.setText("MaskEdit" + std::to_string(n), QString::fromLatin1(number));
        });
    }
    bool Read() {
        transfer.StartRead(Ender());
        return rig.run([&] { return ended.has_value(); }, 2000) && ended->outcome == Outcome::Done;
    }
    bool Send() {
        transfer.StartSend(SendOptions{true, sendContactId}, Ender());
        return rig.run([&] { return ended.has_value(); }, 5000);
    }
    // The module is taken off the line and put back (an adapter pulled and plugged in again).
    void Replug() {
        auto module = rig.simPort()->unplug();
        rig.ticks(2);
        rig.simPort()->plugIn(std::move(module));
    }
};

// A module of `type` and `version` holding the demo configuration as this tool programmed it.
void Programmed(sim::ModuleSim& m, int type, int version) {
    std::string error;
    ASSERT_TRUE(dalvex::test::ProgramDemo(m, type, version, &error)) << error;
}

// What a whole send of `image` leaves in a module that held `before`.
Memory WholeSendOnto(const Memory& before, const k6config::ConfigImage& image, const Engine& like,
                     std::optional<bool> contactId, bool ticked) {
    Fixture f;
    f.rig.withModule([&](sim::ModuleSim& m) {
        std::copy(before.begin(), before.end(), m.memory().begin());
        m.setTypeCode(static_cast<std::uint8_t>(like.ModuleType));
        m.setVersion(static_cast<std::uint8_t>(like.Version));
    });
    f.engine().ModuleType = like.ModuleType;
    f.engine().Version = like.Version;
    f.engine().ConfigImage = image;
    f.side.contactIdTicked = ticked;
    f.side.changedOnly = false;
    f.sendContactId = contactId;
    EXPECT_TRUE(f.Send() && f.ended->outcome == Outcome::Done) << "the whole send of the reference";
    return f.memory();
}

// One send of a row and how it must go.
struct Expect {
    WholeReason whole = WholeReason::None;
    int written = -1; // units written by what changed (-1: any)
    bool fails = false;
};

struct Row {
    const char* name;
    int type = 74;
    int version = 84;
    bool contactId = true;
    // After the read: edits of the pages and what else happens.
    std::function<void(Fixture&)> between;
    Expect first;
    // Before a second send, when there is one.
    std::function<void(Fixture&)> again = nullptr;
    Expect second{};
    // Right after the first send has begun.
    std::function<void(Fixture&)> started = nullptr;
    // The knowledge comes from the technician's word (dalvex-cli send --changed-since) instead
    // of a read: the module holds what its memory holds.
    bool asserted = false;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

std::vector<Row> Rows() {
    using W = WholeReason;
    const auto phone = [](Fixture& f) { f.Phone(1, "+36301112299"); };
    return {
        {.name = "one field changed", .between = phone, .first = {W::None, 1}},
        {.name = "several blocks changed",
         .between =
             [](Fixture& f) {
                 f.Phone(1, "+36301112299");
                 f.Edit([](k6config::PageValues& v) {
                     for (int row : {1, 200}) {
                         v.setCell("StringGrid3", row, 0, QStringLiteral("1130"));
                         v.setCell("StringGrid3", row, 1, QStringLiteral("Betores hatso ajto"));
                     }
                     v.setText("APNNAME2", QStringLiteral("internet.example"));
                 });
             },
         .first = {W::None, 4}},
        {.name = "nothing changed",
         .between = [](Fixture& f) { f.Edit([](k6config::PageValues&) {}); },
         .first = {W::None, 0}},
        {.name = "a Contact ID table row changed",
         .between =
             [](Fixture& f) {
                 f.Edit([](auto& v) { v.setCell("StringGrid3", 10, 1, QStringLiteral("Ajto")); });
             },
         .first = {W::None, 1}},
        {.name = "bank 0x35 block 4 differs from the image and is written",
         .between =
             [phone](Fixture& f) {
                 f.rig.withModule([](sim::ModuleSim& m) { m.memory()[0x350400 + 9] ^= 0x5A; });
                 phone(f);
             },
         .first = {W::None, 2}},
        {.name = "a change, then another after the partial send",
         .between = phone,
         .first = {W::None, 1},
         .again =
             [](Fixture& f) {
                 f.Edit([](auto& v) { v.setCell("StringGrid3", 10, 1, QStringLiteral("Ajto")); });
             },
         .second = {W::None, 1}},
        {.name = "a change undone after the partial send",
         .between = phone,
         .first = {W::None, 1},
         .again = [](Fixture& f) { f.Phone(1, "+36301234567"); },
         .second = {W::None, 1}},
        {.name = "option off",
         .between =
             [](Fixture& f) {
                 f.side.changedOnly = false;
                 f.Phone(1, "+36301112299");
             },
         .first = {W::SwitchedOff}},
        {.name = "port lost between read and send",
         .between =
             [](Fixture& f) {
                 f.Replug();
                 f.Phone(1, "+36301112299");
             },
         .first = {W::PortLost}},
        {.name = "port gone when the send begins, back at its next open",
         .between =
             [](Fixture& f) {
                 // The port has closed after the read; the adapter goes meanwhile.
                 ASSERT_TRUE(f.rig.run([&] { return !f.engine().PortOpen; }, 200));
                 f.away = f.rig.simPort()->unplug();
                 f.Phone(1, "+36301112299");
             },
         .first = {W::PortLost},
         .started =
             [](Fixture& f) {
                 f.rig.ticks(3); // the open fails
                 f.rig.simPort()->plugIn(std::move(f.away));
             }},
        {.name = "module restarted",
         .between =
             [](Fixture& f) {
                 f.engine().StartRestart();
                 f.rig.runToIdle();
                 f.Phone(1, "+36301112299");
             },
         .first = {W::ModuleRestarted}},
        {.name = "another module on the port",
         .between =
             [](Fixture& f) {
                 f.rig.simPort()->plugIn(nullptr);
                 f.rig.withModule([](sim::ModuleSim& m) {
                     Programmed(m, 74, 85);
                     m.memory()[0x100] = '9';
                 });
                 // The window asks for the version whenever it becomes active again.
                 f.engine().StartVersionQuery();
                 f.rig.runToIdle();
                 f.Phone(1, "+36301112299");
             },
         .first = {W::AnotherModule}},
        {.name = "a file opened",
         .between =
             [](Fixture& f) {
                 f.transfer.FileOpened();
                 f.Phone(1, "+36301112299");
             },
         .first = {W::FileOpened}},
        {.name = "Contact ID option changed",
         .between =
             [](Fixture& f) {
                 f.sendContactId = false;
                 f.Phone(1, "+36301112299");
             },
         .first = {W::ContactIdChanged}},
        {.name = "memory written by another operation (PSTN send)",
         .between =
             [](Fixture& f) {
                 f.Phone(1, "+36301112299");
                 f.transfer.StartPstnSend();
                 f.rig.runToIdle();
             },
         .first = {W::MemoryWritten}},
        {.name = "read-back mismatch: failure, then a whole send",
         .between =
             [](Fixture& f) {
                 f.Phone(1, "+36301112299");
                 f.rig.setFault(sim::Fault::DropWrite, 0);
             },
         .first = {W::None, 1, true},
         .again = [](Fixture&) {},
         .second = {W::NoRead}},
        {.name = "read without the Contact ID tables, sent without them",
         .contactId = false,
         .between = [](Fixture& f) { f.Phone(2, "+36201234000"); },
         .first = {W::None, 1}},
        {.name = "byte-wise, one byte changed",
         .type = 72,
         .version = 72,
         .between = [](Fixture& f) { f.Phone(1, "+36301234568"); },
         .first = {W::None, 1}},
        {.name = "byte-wise line simulator: the banks go whole after the bytes",
         .version = 72,
         .between = [](Fixture& f) { f.Phone(1, "+36301234568"); },
         .first = {W::None, 1}},
        {.name = "byte-wise, port lost",
         .type = 72,
         .version = 72,
         .between =
             [](Fixture& f) {
                 f.Replug();
                 f.Phone(1, "+36301234568");
             },
         .first = {W::PortLost}},
        {.name = "asserted and held: checked, then only the change",
         .between = phone,
         .first = {W::None, 1},
         .asserted = true},
        {.name = "asserted but not held: the whole send",
         .between =
             [](Fixture& f) {
                 // In the block the check reads.
                 f.rig.withModule([](sim::ModuleSim& m) { m.memory()[0x20] ^= 0x01; });
                 f.Phone(1, "+36301112299");
             },
         .first = {W::NotHeld},
         .asserted = true},
        {.name = "byte-wise, asserted and held",
         .type = 72,
         .version = 72,
         .between = [](Fixture& f) { f.Phone(1, "+36301234568"); },
         .first = {W::None, 1},
         .asserted = true},
    };
}

// Sends once as `expect` says; the module then holds what a whole send would have left.
void SendAndCompare(Fixture& f, const Expect& expect, const std::function<void(Fixture&)>& started) {
    const Memory before = f.memory();
    const k6config::ConfigImage image = f.engine().ConfigImage;
    const std::uint64_t clocks = [&] {
        std::uint64_t n = 0;
        f.rig.withModule([&](sim::ModuleSim& m) { n = m.clockSets(); });
        return n;
    }();
    f.rig.host.messages.clear();
    f.transfer.StartSend(SendOptions{true, f.sendContactId}, f.Ender());
    if (started) started(f);
    ASSERT_TRUE(f.rig.run([&] { return f.ended.has_value(); }, 5000)) << "the send ends";
    const SendReport& report = f.transfer.LastSend();
    EXPECT_EQ(static_cast<int>(report.whole), static_cast<int>(expect.whole));
    if (expect.written >= 0) {
        EXPECT_EQ(report.written, expect.written);
    }
    const QString status = f.rig.host.panels[3];
    if (expect.fails) {
        EXPECT_EQ(f.ended->outcome, Outcome::Failed);
        EXPECT_EQ(f.ended->reason, FailReason::NotVerified);
        EXPECT_EQ(status, f.transfer.Texts.ReadBackFailed);
        EXPECT_EQ(f.rig.host.messages, std::vector<QString>{f.transfer.Texts.ReadBackFailed});
        EXPECT_FALSE(status.contains(QStringLiteral("sikeres"))) << "nothing is reported as sent";
        f.rig.withModule(
            [&](sim::ModuleSim& m) { EXPECT_EQ(m.clockSets(), clocks) << "no clock set after it"; });
        return;
    }
    ASSERT_EQ(f.ended->outcome, Outcome::Done);
    f.rig.withModule([&](sim::ModuleSim& m) { EXPECT_EQ(m.clockSets(), clocks + 1) << "the clock is set"; });
    if (expect.whole != WholeReason::None)
        EXPECT_EQ(status, f.transfer.Texts.SendDone);
    else if (expect.written == 0)
        EXPECT_EQ(status, f.transfer.Texts.NothingChanged);
    else
        EXPECT_TRUE(status.startsWith(QStringLiteral("Adatküldés sikeres! Elküldött")))
            << status.toStdString();
    EXPECT_TRUE(f.memory() ==
                WholeSendOnto(before, image, f.engine(), f.sendContactId, f.side.contactIdTicked))
        << "the module holds what a whole send leaves";
}

class ChangedSend : public ::testing::TestWithParam<Row> {};

TEST_P(ChangedSend, LeavesWhatAWholeSendLeaves) {
    const Row& row = GetParam();
    Fixture f;
    f.rig.withModule([&](sim::ModuleSim& m) { Programmed(m, row.type, row.version); });
    f.engine().ModuleType = row.type;
    f.engine().Version = row.version;
    f.side.contactIdTicked = row.contactId;
    if (row.asserted) {
        k6config::ConfigImage held;
        f.rig.withModule([&](sim::ModuleSim& m) {
            for (std::uint32_t a : {0u, 0x340000u, 0x350000u})
                for (std::uint32_t i = 0; i < 0x8000; ++i)
                    held.set(a + i, m.memory()[a + i]);
        });
        f.engine().ConfigImage = held;
        f.transfer.AssumeHeld(held, row.contactId);
    } else {
        ASSERT_TRUE(f.Read());
    }
    row.between(f);
    SendAndCompare(f, row.first, row.started);
    if (HasFailure() || !row.again) return;
    f.rig.setFault(sim::Fault::None);
    row.again(f);
    SendAndCompare(f, row.second, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChangedSend, ::testing::ValuesIn(Rows()), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

// The changed block goes alone and is read back; the block of bank 0x35 that no read brings in is
// read first. Nothing else crosses the line but the clock.
TEST(ChangedSendOnTheLine, OneChangedBlockIsWrittenReadBackAndTheClockSet) {
    Fixture f;
    f.rig.withModule([](sim::ModuleSim& m) { Programmed(m, 74, 84); });
    f.engine().ModuleType = 74;
    f.engine().Version = 84;
    ASSERT_TRUE(f.Read());
    f.Phone(1, "+36301112299");
    const std::size_t from = f.rig.receivedCount();
    ASSERT_TRUE(f.Send());
    const std::vector<std::uint8_t> all = f.rig.receivedBytes();
    const std::vector<std::uint8_t> sent(all.begin() + static_cast<long>(from), all.end());
    const auto frame = [](std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
        const auto fr = SixByteFrame::make(b0, b1, b2, b3).bytes;
        return std::vector<std::uint8_t>(fr.begin(), fr.end());
    };
    std::vector<std::uint8_t> expected = frame(0, 0xF7, 0x04, 0x35); // bank 0x35 block 4, read first
    const auto block = f.engine().ConfigImage.block(0x100, 256);
    const auto write = frame(BlockSum(block), 0xF6, 0, 16); // configuration block 1
    expected.insert(expected.end(), write.begin(), write.end());
    expected.insert(expected.end(), block.begin(), block.end());
    const auto readBack = frame(0, 0xF7, 16, 0);
    expected.insert(expected.end(), readBack.begin(), readBack.end());
    const auto clock = frame(0, 0xFC, 0, 0);
    expected.insert(expected.end(), clock.begin(), clock.end());
    ASSERT_EQ(sent.size(), expected.size() + 12) << "and the twelve clock digits";
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), sent.begin()));
}

} // namespace
