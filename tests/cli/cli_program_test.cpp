// The dalvex-cli program as a script runs it, against the simulator on a pty linked as COM1.

#include "k6config/config_file.h"
#include "sim/faults.h"
#include "sim/history_data.h"
#include "sim/module_sim.h"
#include "sim/pty_module.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using dalvex::sim::Fault;
using dalvex::sim::ModuleSim;
using dalvex::sim::PtyModule;

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

class CliFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        ports_ = tmp_.filePath("ports");
        ASSERT_TRUE(module_.start());
        ASSERT_TRUE(module_.linkAs(ports_.toStdString(), 1));
    }

    QString Path(const QString& name) const { return tmp_.filePath(name); }

    Result Run(const QStringList& args, int waitMs = 60000, const QStringList& extraEnv = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DALVEX_PORTS", ports_);
        env.insert("XDG_CONFIG_HOME", tmp_.filePath("config"));
        env.insert("XDG_DATA_HOME", tmp_.filePath("data"));
        env.insert("XDG_STATE_HOME", tmp_.filePath("state"));
        env.remove("DALVEX_STANDIN_FIRMWARE");
        for (const QString& e : extraEnv)
            env.insert(e.section('=', 0, 0), e.section('=', 1));
        p.setProcessEnvironment(env);
        p.start(DALVEX_CLI_PROGRAM, args);
        EXPECT_TRUE(p.waitForFinished(waitMs)) << args.join(' ').toStdString();
        Result r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    void SetModule(int type, int version) {
        module_.withModule([&](ModuleSim& m) {
            m.setTypeCode(static_cast<std::uint8_t>(type));
            m.setVersion(static_cast<std::uint8_t>(version));
        });
    }

    // A recognisable pattern in the configuration blocks and both banks the transfers move. The
    // fifth block of bank 0x35 is written by a send but never read, so it stays as a read leaves
    // it in the image (zero).
    void FillPattern(int seed) {
        module_.withModule([&](ModuleSim& m) {
            auto mem = m.memory();
            for (std::size_t i = 0; i < 0x600; ++i)
                mem[i] = static_cast<std::uint8_t>(i * 7 + seed);
            for (std::size_t i = 0x340000; i < 0x340000 + 128 * 256; ++i)
                mem[i] = static_cast<std::uint8_t>(i * 13 + seed);
            for (std::size_t i = 0x350000; i < 0x350000 + 4 * 256; ++i)
                mem[i] = static_cast<std::uint8_t>(i * 3 + seed);
        });
    }

    std::vector<std::uint8_t> Memory() {
        std::vector<std::uint8_t> copy;
        module_.withModule([&](ModuleSim& m) { copy.assign(m.memory().begin(), m.memory().end()); });
        return copy;
    }

    QTemporaryDir tmp_;
    QString ports_;
    PtyModule module_;
};

TEST_F(CliFixture, ProbeNamesTheModule) {
    SetModule(74, 84);
    const Result plain = Run({"probe", "--port", "COM1"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_TRUE(plain.out.contains("Varnet GSM (type 74, software 8.4)")) << plain.out.toStdString();

    const Result json = Run({"probe", "--port", "COM1", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(o["code"].toInt(), 74);
    EXPECT_EQ(o["version"].toString(), "8.4");
    EXPECT_EQ(o["model"].toString(), "Varnet GSM");
    EXPECT_EQ(o["port"].toString(), "COM1");

    const Result traced = Run({"probe", "--port", "COM1", "--quiet", "--trace", Path("trace/port.txt")});
    ASSERT_EQ(traced.exitCode, 0) << traced.err.toStdString();
    QFile trace(Path("trace/port.txt"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(trace.readAll());
    EXPECT_TRUE(text.contains(" > ") && text.contains(" < ")) << text.toStdString();
}

TEST_F(CliFixture, ReadThenSendLeavesTheModuleUnchanged) {
    SetModule(74, 84);
    FillPattern(5);
    const auto before = Memory();
    const QString file = Path("module.dat");
    const Result read = Run({"read", "--port", "COM1", "-o", file, "--quiet"});
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_EQ(QFileInfo(file).size(), dalvex::k6config::kConfigFileSize);
    EXPECT_EQ(QFileInfo(file).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);

    const Result send = Run({"send", "--port", "COM1", file});
    ASSERT_EQ(send.exitCode, 0) << send.err.toStdString();
    EXPECT_TRUE(Memory() == before) << "a read and a send of what was read changes nothing";
    std::uint64_t clockSets = 0;
    module_.withModule([&](ModuleSim& m) { clockSets = m.clockSets(); });
    EXPECT_EQ(clockSets, 1u);

    const Result noClock = Run({"send", "--port", "COM1", "--no-clock", "--contact-id", "no", file});
    ASSERT_EQ(noClock.exitCode, 0) << noClock.err.toStdString();
    module_.withModule([&](ModuleSim& m) { clockSets = m.clockSets(); });
    EXPECT_EQ(clockSets, 1u) << "--no-clock leaves the clock alone";
    EXPECT_TRUE(Memory() == before);
}

// send --changed-since OLD.dat: the module is checked to hold OLD.dat (one unchanged block of each
// area read first), then only what FILE.dat changes goes and is read back; a module that does not
// hold OLD.dat gets the whole file, and says so. Either way it ends holding what a whole send of
// FILE.dat leaves.
TEST_F(CliFixture, ChangedSinceSendsWhatDiffersOrTheWholeFile) {
    SetModule(74, 84);
    FillPattern(5);
    const QString old = Path("old.dat"), file = Path("new.dat");
    ASSERT_EQ(Run({"read", "--port", "COM1", "-o", old, "--quiet"}).exitCode, 0);
    QFile in(old);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    bytes[0x105] = static_cast<char>(bytes[0x105] ^ 0x55); // configuration block 1
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
    out.close();
    ASSERT_TRUE(QFile::copy(old + ".module", file + ".module"));
    const auto sent = [&] {
        auto m = Memory();
        m[0x105] = static_cast<std::uint8_t>(bytes[0x105]);
        return m;
    }();

    struct Case {
        const char* name;
        QString since;
        std::function<void()> before;
        const char* says;
        int blockWrites;
    };
    const std::vector<Case> cases = {
        {"held", old, [] {}, "Only what differs from", 1},
        {"nothing differs", file, [] {}, "Nothing differs from", 0},
        {"not held", old,
         [&] {
             module_.withModule([](ModuleSim& m) { m.memory()[0x20] ^= 0x01; });
         },
         "does not hold", 6 + 128 + 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        std::uint64_t writesBefore = 0;
        module_.withModule([&](ModuleSim& m) { writesBefore = m.blockWrites(); });
        const Result r = Run({"send", "--port", "COM1", "--changed-since", c.since, file});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
        module_.withModule([&](ModuleSim& m) { EXPECT_EQ(m.blockWrites() - writesBefore, c.blockWrites); });
        EXPECT_TRUE(Memory() == sent) << "the module holds what a whole send of the file leaves";
    }
}

TEST_F(CliFixture, SendOfAnotherModulesFileIsRefused) {
    SetModule(74, 84);
    FillPattern(1);
    const QString file = Path("line.dat");
    ASSERT_EQ(Run({"read", "--port", "COM1", "-o", file, "--quiet"}).exitCode, 0);

    SetModule(72, 84);
    FillPattern(9);
    const auto before = Memory();
    const Result refused = Run({"send", "--port", "COM1", file});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("Nothing was sent")) << refused.err.toStdString();
    EXPECT_TRUE(Memory() == before);

    const Result forced = Run({"send", "--port", "COM1", "--force", "--quiet", file});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_FALSE(Memory() == before);
}

TEST_F(CliFixture, ASilentModuleEndsWithinTheTimeout) {
    SetModule(74, 84);
    struct Case {
        Fault fault;
        int n;
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {Fault::Silent, 0, {"probe", "--port", "COM1", "--timeout", "1"}, "no answer"},
        {Fault::Silent, 0, {"clock", "--port", "COM1", "--timeout", "1"}, "no answer"},
        // Answers the probe and the version query, then falls silent in the middle of the read.
        {Fault::StopAfter, 4, {"read", "--port", "COM1", "--timeout", "1", "-o", Path("x.dat")}, "no answer"},
        // The adapter is pulled in the middle of the read: a failure, not a read that ended.
        {Fault::Vanish, 4, {"read", "--port", "COM1", "-o", Path("y.dat")}, "COM port lost"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        module_.setFault(c.fault, c.n);
        const Result r = Run(c.args, 15000);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(Path("x.dat"))) << "a failed read writes no file";
    EXPECT_FALSE(QFileInfo::exists(Path("y.dat")));
}

TEST_F(CliFixture, PortsListsTheLinkedPort) {
    const Result r = Run({"ports"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString line = r.out.split('\n').filter(QRegularExpression("^COM1 ")).value(0);
    EXPECT_TRUE(line.contains(QString::fromStdString(module_.slavePath()))) << r.out.toStdString();
    EXPECT_TRUE(line.contains("readable")) << line.toStdString();
    EXPECT_TRUE(line.contains("free")) << line.toStdString();
}

TEST_F(CliFixture, BadUseEndsWithTwo) {
    QFile shortFile(Path("short.dat"));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(100, 'x'));
    shortFile.close();
    const QStringList cases[] = {
        {},
        {"bogus"},
        {"read", "--port", "COM1"},
        {"read", "--port", "COM1", "-o", Path("missing/folder/x.dat")},
        {"probe", "--baud", "12345"},
        {"probe", "--timeout", "soon"},
        {"probe", "--unknown"},
        {"send", "--port", "COM1", Path("nothing.dat")},
        {"send", "--port", "COM1", Path("short.dat")},
        {"send", "--port", "COM1", "--contact-id", "maybe", Path("short.dat")},
        {"send", "--port", "COM1"},
        {"probe", "--port", "CON"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Result r = Run(args, 15000);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_TRUE(module_.receivedBytes().empty()) << "nothing reaches the module";
}

TEST_F(CliFixture, CtrlCDuringASendStopsBetweenBlocks) {
    SetModule(74, 84);
    const QString file = Path("module.dat");
    ASSERT_EQ(Run({"read", "--port", "COM1", "-o", file, "--quiet"}).exitCode, 0);
    module_.setBaud(9600); // a send of 139 blocks takes about 40 s: time to interrupt it
    const std::size_t before = module_.receivedBytes().size();

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DALVEX_PORTS", ports_);
    env.insert("XDG_CONFIG_HOME", tmp_.filePath("config"));
    env.insert("XDG_STATE_HOME", tmp_.filePath("state"));
    p.setProcessEnvironment(env);
    p.start(DALVEX_CLI_PROGRAM, {"send", "--port", "COM1", file});
    ASSERT_TRUE(p.waitForStarted(10000));
    constexpr std::size_t kFrame = 6, kBlockWrite = 6 + 256;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    // Into the middle of the third block.
    while (module_.receivedBytes().size() < before + 2 * kFrame + 2 * kBlockWrite + 100 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 130);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("partial configuration"));
    const std::size_t sent = module_.receivedBytes().size() - before - 2 * kFrame;
    EXPECT_EQ(sent % kBlockWrite, 0u) << "the block in flight was finished, no other was begun";
    EXPECT_GE(sent / kBlockWrite, 3u);
    EXPECT_LT(sent / kBlockWrite, 10u);
    std::uint64_t clockSets = 0;
    module_.withModule([&](ModuleSim& m) { clockSets = m.clockSets(); });
    EXPECT_EQ(clockSets, 0u);
}

TEST_F(CliFixture, LogSignalAndErase) {
    SetModule(72, 84);
    module_.withModule([](ModuleSim& m) {
        dalvex::sim::fillLog(m, 10);
        dalvex::sim::fillSignal(m, 300);
    });
    const Result log = Run({"log", "--port", "COM1", "--quiet", "-o", Path("log.csv")});
    ASSERT_EQ(log.exitCode, 0) << log.err.toStdString();
    QFile logFile(Path("log.csv"));
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(logFile.readAll().count('\n'), 1 + 10) << "the header and one line a record";

    const Result signal = Run({"signal", "--port", "COM1", "--quiet", "-o", Path("signal.csv")});
    ASSERT_EQ(signal.exitCode, 0) << signal.err.toStdString();
    QFile signalFile(Path("signal.csv"));
    ASSERT_TRUE(signalFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = signalFile.readAll().split('\n');
    EXPECT_EQ(lines.value(0).trimmed(), "sample,value");
    EXPECT_EQ(lines.size(), 1 + 300 + 1);
    EXPECT_TRUE(lines.value(300).startsWith("300,"));

    EXPECT_EQ(Run({"erase-history", "--port", "COM1"}).exitCode, 2) << "not without --yes";
    const Result erase = Run({"erase-history", "--port", "COM1", "--yes"});
    ASSERT_EQ(erase.exitCode, 0) << erase.err.toStdString();
    ASSERT_EQ(Run({"log", "--port", "COM1", "--quiet", "-o", Path("log.csv")}).exitCode, 0);
    QFile empty(Path("log.csv"));
    ASSERT_TRUE(empty.open(QIODevice::ReadOnly));
    EXPECT_EQ(empty.readAll().count('\n'), 1) << "only the header after the erase";
}

// A WAV file of `channels` channels, 8 kHz, 8 bit, `bytes` bytes of samples.
QByteArray Wav(int channels, int bytes) {
    auto le32 = [](QByteArray& b, quint32 v) {
        for (int i = 0; i < 4; ++i)
            b += char((v >> (8 * i)) & 0xFF);
    };
    auto le16 = [](QByteArray& b, quint16 v) {
        b += char(v & 0xFF);
        b += char(v >> 8);
    };
    QByteArray w = "RIFF";
    le32(w, static_cast<quint32>(36 + bytes));
    w += "WAVEfmt ";
    le32(w, 16);
    le16(w, 1);
    le16(w, static_cast<quint16>(channels));
    le32(w, 8000);
    le32(w, static_cast<quint32>(8000 * channels));
    le16(w, static_cast<quint16>(channels));
    le16(w, 8);
    w += "data";
    le32(w, static_cast<quint32>(bytes));
    for (int i = 0; i < bytes; ++i)
        w += char(128 + (i % 64));
    return w;
}

TEST_F(CliFixture, VoiceAndFirmwareMakeTheWindowsChecks) {
    SetModule(72, 84);
    const auto write = [&](const QString& name, const QByteArray& data) {
        QFile f(Path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return Path(name);
    };
    const QString good = write("good.wav", Wav(1, 4000));
    const QString stereo = write("stereo.wav", Wav(2, 4000));
    const QString notWav = write("text.wav", QByteArray(1000, 'x'));

    const Result uploaded = Run({"voice", "--port", "COM1", "--slot", "1", "--quiet", good});
    EXPECT_EQ(uploaded.exitCode, 0) << uploaded.err.toStdString();
    for (const QStringList& args : {QStringList{"voice", "--port", "COM1", "--slot", "1", stereo},
                                    QStringList{"voice", "--port", "COM1", "--slot", "1", notWav},
                                    QStringList{"voice", "--port", "COM1", "--slot", "8", good}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Result r = Run(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_FALSE(r.err.isEmpty());
    }

    const Result upToDate = Run({"firmware", "--port", "COM1"});
    EXPECT_EQ(upToDate.exitCode, 0) << upToDate.err.toStdString();
    EXPECT_TRUE(upToDate.err.contains("No newer firmware")) << upToDate.err.toStdString();
    // The build's images are stand-ins: refused without the developer switch, with nothing sent
    // after the processor query.
    std::size_t before = module_.receivedBytes().size();
    const Result refused = Run({"firmware", "--port", "COM1", "--old", "--quiet"});
    EXPECT_EQ(refused.exitCode, 1) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("standin-slot10.txt is not real firmware")) << refused.err.toStdString();
    EXPECT_LT(module_.receivedBytes().size(), before + 256u) << "no block went out";
    before = module_.receivedBytes().size();
    const Result old = Run({"firmware", "--port", "COM1", "--old", "--quiet"}, 60000,
                           {"DALVEX_STANDIN_FIRMWARE=1"});
    EXPECT_EQ(old.exitCode, 0) << old.err.toStdString();
    EXPECT_GT(module_.receivedBytes().size(), before + 255u * 256u) << "every block went out";
}

} // namespace

// "read" counts its progress over the bytes or blocks it really moves: the configuration blocks,
// the Contact ID bank when it is read, the four blocks of bank 0x35; byte-wise, the 1024 bytes.
// No line counts past its whole, and the last one says all of it.
TEST_F(CliFixture, ReadCountsOverWhatItMoves) {
    struct Case {
        int type, version;
        const char* contactId;
        int units;
    };
    for (const Case c : {Case{74, 84, "yes", 6 + 128 + 4}, Case{74, 84, "no", 6 + 4}, Case{72, 84, "yes", 6 + 4},
                         Case{72, 70, "yes", 1024}}) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " version " << c.version << " Contact ID "
                                        << c.contactId);
        SetModule(c.type, c.version);
        const Result read =
            Run({"read", "--port", "COM1", "--contact-id", c.contactId, "-o", Path("progress.dat")});
        ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
        const QRegularExpression line(QStringLiteral("^read (\\d+)/(\\d+)"), QRegularExpression::MultilineOption);
        int lines = 0;
        QString last;
        for (auto it = line.globalMatch(read.err); it.hasNext();) {
            const auto m = it.next();
            ++lines;
            EXPECT_EQ(m.captured(2).toInt(), c.units) << m.captured(0).toStdString();
            EXPECT_LE(m.captured(1).toInt(), c.units) << m.captured(0).toStdString();
            last = m.captured(0);
        }
        ASSERT_GT(lines, 0) << read.err.toStdString();
        EXPECT_EQ(last, QStringLiteral("read %1/%1").arg(c.units));
    }
}
