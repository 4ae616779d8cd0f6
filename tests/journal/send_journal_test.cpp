// The send journal: its files on disk, and the keeper that follows an engine's sends against the
// simulated module. One table says, for each way a send or read runs or ends, which entry is left.

#include "k6config/send_journal.h"
#include "k6link/config_transfer.h"
#include "k6link/send_journal_keeper.h"
#include "sim/module_sim.h"
#include "tests/support/hosts.h"
#include "tests/support/sim_rig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using namespace dalvex;
using namespace dalvex::k6link;
using dalvex::k6config::JournalEntry;
using dalvex::k6config::SendJournal;
using dalvex::test::SimRig;

namespace {

mode_t Mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

k6config::ConfigImage Pattern(int seed) {
    k6config::ConfigImage image;
    for (std::uint32_t a = 0; a < 0x600; ++a)
        image.set(a, static_cast<std::uint8_t>(a * 7 + seed));
    for (std::uint32_t a = 0x340000; a < 0x340000 + 128 * 256; ++a)
        image.set(a, static_cast<std::uint8_t>(a * 13 + seed));
    for (std::uint32_t a = 0x350000; a < 0x350000 + 5 * 256; ++a)
        image.set(a, static_cast<std::uint8_t>(a * 3 + seed));
    return image;
}

JournalEntry Entry(const QString& port, int code, int written, int planned) {
    JournalEntry e;
    e.port = port;
    e.moduleCode = code;
    e.model = QStringLiteral("Varnet GSM");
    e.version = 84;
    e.when = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
    e.written = written;
    e.planned = planned;
    return e;
}

} // namespace

// An entry is its two files, private, in folders made private; the count changes in place; a
// second send of the same module replaces the entry and its image; removal takes both.
TEST(SendJournalFiles, AnEntryIsWrittenPrivatelyCountedInPlaceReplacedAndRemoved) {
    QTemporaryDir tmp;
    ASSERT_TRUE(QDir(tmp.path()).mkdir("shared"));
    ASSERT_EQ(::chmod(QFile::encodeName(tmp.filePath("shared")).constData(), 0755), 0);
    const QString folder = tmp.filePath("shared/state/Dalvex/journal");
    SendJournal journal(folder);
    k6config::CustomerFields customer;
    customer[0] = QStringLiteral("Kovács Bt.");
    const k6config::ConfigImage first = Pattern(1);
    ASSERT_TRUE(journal.Begin(Entry("COM1", 74, 0, 139), first, customer));
    EXPECT_EQ(Mode(tmp.filePath("shared/state")), 0700u) << "every folder it made is private";
    EXPECT_EQ(Mode(folder), 0700u);
    EXPECT_EQ(Mode(tmp.filePath("shared")), 0755u) << "a folder it did not make is left as it was";
    const auto entries = journal.List();
    ASSERT_EQ(entries.size(), 1u);
    const JournalEntry e = entries[0];
    EXPECT_EQ(Mode(e.path), 0600u);
    EXPECT_EQ(Mode(e.imagePath), 0600u);
    EXPECT_EQ(e.port, "COM1");
    EXPECT_EQ(e.moduleCode, 74);
    EXPECT_EQ(e.model, "Varnet GSM");
    EXPECT_EQ(e.version, 84);
    EXPECT_EQ(e.when, QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    EXPECT_EQ(e.planned, 139);
    EXPECT_EQ(e.written, 0);

    const qint64 size = QFileInfo(e.path).size();
    ASSERT_TRUE(journal.Progress(17));
    ASSERT_TRUE(journal.Progress(123));
    EXPECT_EQ(journal.Find("COM1", 74)->written, 123);
    EXPECT_EQ(QFileInfo(e.path).size(), size) << "the count is rewritten in place";
    k6config::ConfigImage loaded;
    k6config::CustomerFields fields;
    ASSERT_TRUE(journal.LoadImage(e, loaded, fields));
    EXPECT_TRUE(loaded == first);
    EXPECT_EQ(fields[0], "Kovács Bt.");

    // Another module type on the port is another entry; the same one replaces it, image and all.
    ASSERT_TRUE(journal.Begin(Entry("COM1", 72, 0, 11), Pattern(2), {}));
    ASSERT_TRUE(journal.Begin(Entry("COM1", 74, 4, 139), Pattern(3), {}));
    journal.Close();
    EXPECT_FALSE(journal.Progress(5)) << "closed: nothing in hand";
    EXPECT_EQ(journal.List().size(), 2u);
    EXPECT_EQ(QDir(folder).entryList({"*.dat.gz"}, QDir::Files).size(), 2) << "the replaced image is gone";
    const auto replaced = journal.Find("COM1", 74);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->written, 4);
    ASSERT_TRUE(journal.LoadImage(*replaced, loaded, fields));
    EXPECT_TRUE(loaded == Pattern(3));
    EXPECT_FALSE(journal.Find("COM2", 74));
    EXPECT_FALSE(journal.Find("COM1", 73));

    // What is no entry is left out.
    QFile junk(QDir(folder).filePath("COM9_74.send"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("port=COM9\n");
    junk.close();
    EXPECT_EQ(journal.List().size(), 2u);
    EXPECT_FALSE(journal.Find("COM9", 74));

    EXPECT_TRUE(journal.Remove("COM1", 74));
    EXPECT_FALSE(journal.Remove("COM1", 74));
    EXPECT_FALSE(journal.Find("COM1", 74));
    EXPECT_EQ(QDir(folder).entryList({"COM1_74*"}, QDir::Files | QDir::Hidden).size(), 0);
    EXPECT_TRUE(journal.Find("COM1", 72));

    // A folder that cannot be made: the reason, and nothing in hand.
    SendJournal blocked(QDir(folder).filePath("COM1_72.send/sub"));
    const auto r = blocked.Begin(Entry("COM1", 72, 0, 11), Pattern(1), {});
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.detail.isEmpty());
    EXPECT_FALSE(blocked.InHand());
}

TEST(SendJournalFiles, EntriesNameThePortOneWayAndSayItInTheUsersLanguage) {
    for (const char* spelling : {"COM12", "com12", "\\\\.\\COM12", "COM12:"})
        EXPECT_EQ(JournalPortName(QString::fromLatin1(spelling)), "COM12") << spelling;
    EXPECT_EQ(JournalPortName("/dev/ttyUSB3"), "/dev/ttyUSB3");

    JournalEntry e = Entry("COM1", 74, 3, 139);
    const JournalTexts hungarian;
    EXPECT_EQ(hungarian.Text(e, 0),
              "Az utolsó adatküldés ebbe a modulba (2024. 03. 05. 14:07) 139 blokkból 3 "
              "elküldése után megszakadt: a modulban régi és új beállítások keveredhetnek");
    JournalTexts english;
    english.InterruptedBlocks =
        "The last send to this module, on %1 at %2, stopped after %3 of %4 blocks: it "
        "may hold a mix of old and new settings";
    english.InterruptedBytes = "%3 of %4 bytes, %1 %2";
    EXPECT_EQ(english.Text(e, 1),
              "The last send to this module, on 05/03/2024 at 14:07, stopped after 3 of 139 "
              "blocks: it may hold a mix of old and new settings");
    e.bytes = true;
    e.written = 2000; // never more than planned
    e.planned = 1005;
    EXPECT_EQ(english.Text(e, 1), "1005 of 1005 bytes, 05/03/2024 14:07");
}

namespace {

// The keeper of an engine talking to the simulated module on COM1, its journal in a folder of its
// own.
struct Keeper {
    QTemporaryDir dir;
    SimRig rig;
    dalvex::test::RecordingTransferHost side;
    ConfigTransfer transfer{rig.engine, side};
    int code = 74;
    SendJournalKeeper keeper{rig.engine, transfer,
                             [this] {
                                 return SendJournalKeeper::Module{code, QStringLiteral("Varnet GSM"), {}};
                             },
                             dir.filePath("journal")};
    std::optional<OperationEnd> ended;
    std::vector<QString> errors;

    Keeper(int type, int version) {
        code = type;
        rig.withModule([&](sim::ModuleSim& m) {
            m.setTypeCode(static_cast<std::uint8_t>(type));
            m.setVersion(static_cast<std::uint8_t>(version));
        });
        rig.engine.SetModuleType(type == 75 ? 72 : type);
        rig.engine.Version = version;
        rig.engine.ConfigImage = Pattern(9);
        keeper.OnError = [this](const QString& why) { errors.push_back(why); };
    }
    EndFn Ender() {
        ended.reset();
        return [this](const OperationEnd& e) { ended = e; };
    }
    bool ToTheEnd() {
        return rig.run([&] { return ended.has_value(); }, 200000);
    }
    std::uint64_t BlocksTaken() {
        std::uint64_t n = 0;
        rig.withModule([&](sim::ModuleSim& m) { n = m.blockWrites(); });
        return n;
    }
    std::optional<JournalEntry> Recorded() { return keeper.Recorded(code); }
    void Send() {
        transfer.StartSend({}, Ender());
        ASSERT_TRUE(ToTheEnd());
    }
    // The module answers `exchanges` of the send's exchanges, then falls silent: once the unanswered
    // write has gone out again, the send is stopped.
    void SendStoppedAfter(int exchanges) {
        rig.setFault(sim::Fault::StopAfter, exchanges);
        const std::uint64_t writes = rig.engine.Events.memoryWrites;
        transfer.StartSend({}, Ender());
        ASSERT_TRUE(rig.run([&] { return rig.engine.Events.memoryWrites > writes + exchanges + 1; }, 200000));
        rig.engine.Stop(StopMode::AtOnce);
        ASSERT_TRUE(ended && ended->outcome == Outcome::Stopped);
        rig.setFault(sim::Fault::None);
    }
    void Read() {
        transfer.StartRead(Ender());
        ASSERT_TRUE(ToTheEnd());
        ASSERT_EQ(ended->outcome, Outcome::Done);
    }
};

struct Expected {
    int written, planned;
};

} // namespace

// Which entry each way of sending or reading leaves: none once a send or read has completed, the
// count of what the module acknowledged when one was cut off, and an older send's entry as it was
// after a send that writes only part of the configuration.
TEST(SendJournalKeeper, EachWayASendOrReadEndsLeavesItsEntry) {
    const Expected older{5, 139}; // a send cut off before this one, on record at the start of a row
    struct Row {
        const char* name;
        int type, version;
        bool olderOnRecord;
        std::function<void(Keeper&)> act;
        std::optional<Expected> left; // the entry left after the row; nothing: none
    };
    const Row rows[] = {
        {"a whole send completes, on record from its first block on", 74, 84, false,
         [](Keeper& k) {
             k.rig.setFault(sim::Fault::Silent);
             k.transfer.StartSend({}, k.Ender());
             EXPECT_FALSE(k.Recorded()) << "nothing on record before the send writes";
             ASSERT_TRUE(k.rig.run([&] { return k.BlocksTaken() > 0; }, 1000));
             const auto during = k.Recorded();
             ASSERT_TRUE(during) << "on record when the first block reaches the module";
             EXPECT_EQ(during->planned, 6 + 128 + 5);
             EXPECT_EQ(during->written, 0);
             k.rig.setFault(sim::Fault::None);
             ASSERT_TRUE(k.ToTheEnd());
             EXPECT_EQ(k.ended->outcome, Outcome::Done);
         },
         std::nullopt},
        {"a whole send stopped after 3 blocks", 74, 84, false, [](Keeper& k) { k.SendStoppedAfter(3); },
         Expected{3, 139}},
        {"a whole send without the Contact ID tables, cut off by a pulled adapter", 74, 84, false,
         [](Keeper& k) {
             k.side.contactIdTicked = false;
             k.rig.setFault(sim::Fault::Vanish, 7);
             k.transfer.StartSend({}, k.Ender());
             ASSERT_TRUE(k.ToTheEnd());
             EXPECT_EQ(k.ended->outcome, Outcome::PortLost);
         },
         Expected{7, 11}},
        {"a byte-wise send cut off in the banks counts them as bytes", 74, 70, false,
         [](Keeper& k) { k.SendStoppedAfter(1005 + 2); }, Expected{1005 + 2 * 256, 1005 + 133 * 256}},
        {"a whole send replaces an older entry and clears it by completing", 74, 84, true,
         [](Keeper& k) { k.Send(); }, std::nullopt},
        {"a whole send cut off replaces an older entry", 72, 84, true,
         [](Keeper& k) { k.SendStoppedAfter(2); }, Expected{2, 11}},
        {"a completed read clears an older entry", 74, 84, true, [](Keeper& k) { k.Read(); }, std::nullopt},
        {"a read cut off leaves it", 74, 84, true,
         [](Keeper& k) {
             k.rig.setFault(sim::Fault::Vanish, 3);
             k.transfer.StartRead(k.Ender());
             ASSERT_TRUE(k.ToTheEnd());
             EXPECT_EQ(k.ended->outcome, Outcome::PortLost);
         },
         older},
        {"try-out reads nothing and clears nothing", 74, 84, true,
         [](Keeper& k) {
             k.rig.engine.SetDemoMode(true);
             k.transfer.StartRead(k.Ender());
             ASSERT_TRUE(k.ToTheEnd());
         },
         older},
        {"the clock set writes no configuration", 74, 84, true,
         [](Keeper& k) {
             k.transfer.StartClockSync(k.Ender());
             ASSERT_TRUE(k.ToTheEnd());
         },
         older},
        {"a PSTN send completes", 74, 84, false,
         [](Keeper& k) {
             k.transfer.StartPstnSend(k.Ender());
             ASSERT_TRUE(k.ToTheEnd());
             EXPECT_EQ(k.ended->outcome, Outcome::Done);
         },
         std::nullopt},
        {"a PSTN send leaves an older entry as it was", 74, 84, true,
         [](Keeper& k) {
             k.transfer.StartPstnSend(k.Ender());
             ASSERT_TRUE(k.ToTheEnd());
         },
         older},
        {"a send by what changed cut off after its first changed block", 74, 84, false,
         [](Keeper& k) {
             k.Read();
             for (std::uint32_t a : {0x10u, 0x210u, 0x350010u}) // three blocks change
                 k.rig.engine.ConfigImage.set(
                     a, static_cast<std::uint8_t>(k.rig.engine.ConfigImage.at(a) ^ 0xFF));
             // The fifth block of bank 0x35, never read, is read first and differs: four go.
             k.SendStoppedAfter(2);
             EXPECT_EQ(k.transfer.LastSend().whole, WholeReason::None) << "it went by what changed";
         },
         Expected{1, 4}},
        {"a send by what changed completes", 74, 84, false,
         [](Keeper& k) {
             k.Read();
             k.rig.engine.ConfigImage.set(0x10, 0x42);
             k.Send();
             EXPECT_EQ(k.transfer.LastSend().whole, WholeReason::None);
         },
         std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Keeper k(row.type, row.version);
        if (row.olderOnRecord) {
            k6config::SendJournal planted(k.keeper.Journal().Folder());
            ASSERT_TRUE(planted.Begin(Entry("COM1", row.type, older.written, older.planned), Pattern(4), {}));
        }
        row.act(k);
        const auto entry = k.Recorded();
        ASSERT_EQ(entry.has_value(), row.left.has_value());
        if (entry) {
            EXPECT_EQ(entry->written, row.left->written);
            EXPECT_EQ(entry->planned, row.left->planned);
        }
        EXPECT_TRUE(k.errors.empty());
    }
}

// What the entry of a send cut off holds: the module, the time, the image as it was being sent, and
// whether the Contact ID tables went; a journal that cannot be written leaves the send going.
TEST(SendJournalKeeper, TheEntryHoldsWhatWasBeingSentAndAJournalThatFailsStopsNoSend) {
    Keeper k(74, 84);
    k.rig.host.settings.insert("comport", "\\\\.\\COM1");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    k.SendStoppedAfter(4);
    const auto entry = k.Recorded();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->port, "COM1");
    EXPECT_EQ(entry->moduleCode, 74);
    EXPECT_EQ(entry->model, "Varnet GSM");
    EXPECT_EQ(entry->version, 84);
    EXPECT_FALSE(entry->bytes);
    EXPECT_TRUE(entry->contactId);
    EXPECT_GE(entry->when, before);
    EXPECT_LE(entry->when, QDateTime::currentDateTime());
    k6config::ConfigImage image;
    k6config::CustomerFields fields;
    ASSERT_TRUE(k.keeper.Journal().LoadImage(*entry, image, fields));
    EXPECT_TRUE(image == k.rig.engine.ConfigImage);

    // The journal's folder is a file: the send goes on, completes, and the failure is told once.
    Keeper blocked(72, 84);
    QFile file(blocked.dir.filePath("journal"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    blocked.Send();
    EXPECT_EQ(blocked.ended->outcome, Outcome::Done);
    ASSERT_EQ(blocked.errors.size(), 1u);
    EXPECT_TRUE(blocked.errors[0].contains(blocked.dir.filePath("journal")))
        << blocked.errors[0].toStdString();
}
