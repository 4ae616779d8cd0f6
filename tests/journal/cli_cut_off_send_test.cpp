// dalvex-cli sends cut off every way a field engineer meets: the adapter pulled, the program killed,
// the terminal closed, SIGTERM, Ctrl-C. Whatever cut it off, the next probe says how far it got,
// and a completed read or send (the file again, or send --again) clears the record.

#include "k6config/config_file.h"
#include "sim/faults.h"
#include "sim/module_sim.h"
#include "sim/pty_module.h"

#include <QDir>
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
#include <memory>
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

constexpr int kType = 72, kVersion = 84;
constexpr int kBlocks = 6 + 5; // what a send to this module writes
constexpr std::size_t kFrame = 6, kBlockWrite = 6 + 256;

struct CutOffSend : ::testing::Test {
    QTemporaryDir tmp;
    QString ports = tmp.filePath("ports");
    std::unique_ptr<PtyModule> module;

    void SetUp() override { PlugIn({}); }

    // A module on COM1: a fresh one, holding `memory` when given (the same module plugged in again).
    void PlugIn(const std::vector<std::uint8_t>& memory) {
        if (module) module->stop();
        module = std::make_unique<PtyModule>();
        ASSERT_TRUE(module->start()) << module->error();
        module->withModule([&](ModuleSim& m) {
            m.setTypeCode(kType);
            m.setVersion(kVersion);
            if (!memory.empty()) std::copy(memory.begin(), memory.end(), m.memory().begin());
        });
        ASSERT_TRUE(module->linkAs(ports.toStdString(), 1)) << module->error();
    }
    std::vector<std::uint8_t> Memory() {
        std::vector<std::uint8_t> copy;
        module->withModule([&](ModuleSim& m) { copy.assign(m.memory().begin(), m.memory().end()); });
        return copy;
    }
    void Fill(int seed) {
        module->withModule([&](ModuleSim& m) {
            auto mem = m.memory();
            for (std::size_t i = 0; i < 0x600; ++i)
                mem[i] = static_cast<std::uint8_t>(i * 7 + seed);
            for (std::size_t i = 0x350000; i < 0x350000 + 5 * 256; ++i)
                mem[i] = static_cast<std::uint8_t>(i * 3 + seed);
        });
    }

    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DALVEX_PORTS", ports);
        env.insert("XDG_CONFIG_HOME", tmp.filePath("config"));
        env.insert("XDG_DATA_HOME", tmp.filePath("data"));
        env.insert("XDG_STATE_HOME", tmp.filePath("state"));
        return env;
    }
    QString Journal() const { return tmp.filePath("state/Dalvex/journal"); }
    Result Finish(QProcess& p) {
        EXPECT_TRUE(p.waitForFinished(60000));
        Result r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    Result Run(const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start(DALVEX_CLI_PROGRAM, args);
        return Finish(p);
    }
    // What the next command says of the last send: the count of "stopped after N of M blocks",
    // or -1 when it says nothing of one.
    static int SaysStoppedAfter(const QString& err) {
        static const QRegularExpression said("The last send to this module, on \\d\\d/\\d\\d/\\d{4} at "
                                             "\\d\\d:\\d\\d, stopped after (\\d+) of " +
                                             QString::number(kBlocks) +
                                             " blocks: it may hold a mix of old and new settings");
        const auto m = said.match(err);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
};

} // namespace

// One row per way a send is cut off, with what comes after it: the probe (twice, the second as
// JSON), then one command that completes, after which nothing is said any more.
TEST_F(CutOffSend, TheNextProbeSaysHowFarItGotUntilAReadOrSendCompletes) {
    // The file to send, and a module that holds something else.
    Fill(1);
    const QString file = tmp.filePath("site.dat");
    ASSERT_EQ(Run({"read", "--port", "COM1", "-o", file, "--quiet"}).exitCode, 0);
    dalvex::k6config::ConfigImage sent;
    dalvex::k6config::CustomerFields fields;
    ASSERT_TRUE(dalvex::k6config::OpenConfigFile(file, sent, fields));
    const auto holdsTheFile = [&] {
        const auto m = Memory();
        for (std::uint32_t a : {0x0u, 0x350000u})
            for (std::uint32_t i = 0; i < (a ? 5 * 256u : 0x600u); ++i)
                if (m[a + i] != sent.at(a + i)) return false;
        return true;
    };

    enum class Cut { Pulled, Signal };
    struct Row {
        const char* name;
        Cut cut;
        int signal;   // Signal: sent in the middle of block 4
        int exitCode; // of the send cut off (-1: killed)
        int written;  // blocks acknowledged when it ended
        QStringList then;
    };
    const Row rows[] = {
        // The probe and the version query, then four blocks: the adapter goes at the fifth.
        {"adapter pulled", Cut::Pulled, 0, 1, 4, {"read", "-o", tmp.filePath("mix.dat")}},
        // Killed as block 4 goes out: the count is that of the last acknowledgement.
        {"killed (SIGKILL)", Cut::Signal, SIGKILL, -1, 3, {"send", "--again"}},
        // The others let block 4 finish.
        {"terminal closed (SIGHUP)", Cut::Signal, SIGHUP, 129, 4, {"send", file}},
        {"SIGTERM", Cut::Signal, SIGTERM, 143, 4, {"send", "--again"}},
        {"Ctrl-C", Cut::Signal, SIGINT, 130, 4, {"read", "-o", tmp.filePath("mix.dat")}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fill(2);
        Result cut;
        if (row.cut == Cut::Pulled) {
            module->setFault(Fault::Vanish, 2 + row.written);
            cut = Run({"send", "--port", "COM1", file});
            EXPECT_TRUE(cut.err.contains("COM port lost")) << cut.err.toStdString();
            PlugIn(Memory()); // the same module, plugged in again
        } else {
            // Paced, so that the signal falls in the middle of a block.
            module->setBaud(9600);
            const std::size_t before = module->receivedCount();
            QProcess p;
            p.setProcessEnvironment(Environment());
            p.start(DALVEX_CLI_PROGRAM, {"send", "--port", "COM1", file});
            ASSERT_TRUE(p.waitForStarted(10000));
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (module->receivedCount() < before + 2 * kFrame + 3 * kBlockWrite + 100 &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ::kill(static_cast<pid_t>(p.processId()), row.signal);
            cut = Finish(p);
            module->setBaud(0);
        }
        EXPECT_EQ(cut.exitCode, row.exitCode) << cut.err.toStdString();
        if (row.signal != SIGKILL) {
            EXPECT_TRUE(cut.err.contains("partial configuration")) << cut.err.toStdString();
        }
        EXPECT_FALSE(holdsTheFile());

        // The next probe says how far it got, as often as it is asked.
        const Result probe = Run({"probe", "--port", "COM1"});
        EXPECT_EQ(probe.exitCode, 0) << probe.err.toStdString();
        EXPECT_EQ(SaysStoppedAfter(probe.err), row.written) << probe.err.toStdString();
        const Result json = Run({"probe", "--port", "COM1", "--json"});
        const QJsonObject cutOff =
            QJsonDocument::fromJson(json.out.toUtf8()).object()["cutOffSend"].toObject();
        EXPECT_EQ(cutOff["written"].toInt(), row.written) << json.out.toStdString();
        EXPECT_EQ(cutOff["planned"].toInt(), kBlocks);
        EXPECT_EQ(cutOff["units"].toString(), "blocks");

        // A command that completes says it too, and clears it.
        QStringList args = row.then;
        args << "--port"
             << "COM1";
        const Result then = Run(args);
        EXPECT_EQ(then.exitCode, 0) << then.err.toStdString();
        EXPECT_EQ(SaysStoppedAfter(then.err), row.written) << then.err.toStdString();
        if (row.then[0] == "send") {
            EXPECT_TRUE(holdsTheFile()) << "what was being sent is in the module";
        }
        const Result after = Run({"probe", "--port", "COM1"});
        EXPECT_EQ(SaysStoppedAfter(after.err), -1) << after.err.toStdString();
        EXPECT_TRUE(QDir(Journal()).entryList(QDir::Files | QDir::Hidden).isEmpty())
            << QDir(Journal()).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
    }
}

// send --again with nothing on record sends nothing; a send that completes leaves nothing on record;
// the journal is private.
TEST_F(CutOffSend, SendAgainNeedsARecordAndACompletedSendLeavesNone) {
    Fill(3);
    const QString file = tmp.filePath("site.dat");
    ASSERT_EQ(Run({"read", "--port", "COM1", "-o", file, "--quiet"}).exitCode, 0);
    const std::size_t before = module->receivedCount();
    const Result none = Run({"send", "--again", "--port", "COM1"});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(none.err.contains("nothing was sent")) << none.err.toStdString();
    EXPECT_LT(module->receivedCount(), before + kBlockWrite) << "no block went out";
    EXPECT_EQ(Run({"send", "--again", file, "--port", "COM1"}).exitCode, 2) << "--again takes no file";

    const Result sent = Run({"send", "--port", "COM1", file});
    EXPECT_EQ(sent.exitCode, 0) << sent.err.toStdString();
    EXPECT_EQ(SaysStoppedAfter(sent.err), -1);
    EXPECT_TRUE(QDir(Journal()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(QFileInfo(Journal()).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                                    QFileDevice::ExeGroup | QFileDevice::ExeOther),
              0);
}
