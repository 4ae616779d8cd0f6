// The dalvex-sim program as a user runs it.

#include "pc_port.h"
#include "startup/six_byte_frame.h"

#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using dalvex::sim::test::Bytes;
using dalvex::sim::test::PcPort;

TEST(SimProgram, BadOptionsExitWithTwo) {
    const QStringList cases[] = {
        {"--type", "300"},
        {"--version", "x"},
        {"--baud", "-1"},
        {"--fault", "bogus"},
        {"--fault", "split:2"},
        {"--com", "0"},
        {"--baud"},
        {"--unknown-option"},
        {"extra-argument"},
        {"--processor", "10"},
        {"--processor", "10,300"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess p;
        p.start(DALVEX_SIM_PROGRAM, args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 2);
        EXPECT_FALSE(p.readAllStandardError().isEmpty());
    }
}

TEST(SimProgram, HelpListsTheFailureModes) {
    QProcess p;
    p.start(DALVEX_SIM_PROGRAM, {"--help"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString help = QString::fromUtf8(p.readAllStandardOutput());
    for (const char* word : {"--type", "--version", "--baud", "--fault", "--com", "--ports", "stop-after",
                             "hang-up", "--log-records", "--signal-samples"})
        EXPECT_TRUE(help.contains(word)) << word;
}

TEST(SimProgram, AnswersOnItsComLinkUntilTerminated) {
    namespace fs = std::filesystem;
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const fs::path folder = fs::path(tmp.path().toStdString()) / "ports";
    const fs::path link = folder / "com7";

    QProcess p;
    p.start(DALVEX_SIM_PROGRAM, {"--type", "74", "--version", "91", "--com", "7", "--processor", "11,5",
                                 "--ports", QString::fromStdString(folder.string())});
    ASSERT_TRUE(p.waitForStarted(10000));
    QByteArray out;
    while (!out.contains('\n') && p.waitForReadyRead(10000))
        out += p.readAllStandardOutput();
    const std::string line = out.toStdString();
    EXPECT_NE(line.find("type 74, version 9.1 on COM7 (" + link.string() + " -> /dev/pts/"),
              std::string::npos)
        << line;

    {
        PcPort pc(link.string());
        ASSERT_TRUE(pc.isOpen());
        ASSERT_TRUE(pc.send(
            Bytes(dalvex::kIdentificationProbe.bytes.begin(), dalvex::kIdentificationProbe.bytes.end())));
        const Bytes reply = pc.read(6);
        ASSERT_EQ(reply.size(), 6u);
        EXPECT_EQ(reply[3], 74);
        const auto query = dalvex::SixByteFrame::make(0, 0xF8, 0, 0);
        ASSERT_TRUE(pc.send(Bytes(query.bytes.begin(), query.bytes.end())));
        const Bytes processor = pc.read(6);
        ASSERT_EQ(processor.size(), 6u);
        EXPECT_EQ(processor[0], 11);
        EXPECT_EQ(processor[1], 5);
        EXPECT_EQ(processor[2], 91);
    }

    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(SimProgram, FillsTheLogAndTheSignalMemoryWhenAsked) {
    for (const QStringList& args :
         {QStringList{"--log-records", "16385"}, QStringList{"--signal-samples", "327425"},
          QStringList{"--signal-samples", "-1"}}) {
        QProcess bad;
        bad.start(DALVEX_SIM_PROGRAM, args);
        ASSERT_TRUE(bad.waitForFinished(10000));
        EXPECT_EQ(bad.exitCode(), 2) << args.join(' ').toStdString();
    }

    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QProcess p;
    p.start(DALVEX_SIM_PROGRAM,
            {"--com", "3", "--ports", tmp.path(), "--log-records", "5", "--signal-samples", "10"});
    ASSERT_TRUE(p.waitForStarted(10000));
    QByteArray out;
    while (!out.contains('\n') && p.waitForReadyRead(10000))
        out += p.readAllStandardOutput();
    {
        PcPort pc((tmp.path() + "/com3").toStdString());
        ASSERT_TRUE(pc.isOpen());
        // Records 4 .. 7 of the log: the newest of them (record 4) last in the block, then the end.
        const auto log = dalvex::SixByteFrame::make(0, 8, 8, 0);
        ASSERT_TRUE(pc.send(Bytes(log.bytes.begin(), log.bytes.end())));
        const Bytes block = pc.read(256);
        ASSERT_EQ(block.size(), 256u);
        EXPECT_EQ(block[192], 9) << "record 4: the fifth event code";
        EXPECT_EQ(block[128], 0xFF) << "record 5: the end mark";
        const auto signal = dalvex::SixByteFrame::make(0, 0xF7, 0, 0x30);
        ASSERT_TRUE(pc.send(Bytes(signal.bytes.begin(), signal.bytes.end())));
        const Bytes samples = pc.read(257);
        ASSERT_EQ(samples.size(), 257u);
        EXPECT_LE(samples[9], 31);
        EXPECT_EQ(samples[10], 0xFF);
    }
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
}

// The COM name is the user's too: one that exists is refused and named, and at the end only the
// simulator's own link goes (a hang-up of its terminal included).
TEST(SimProgram, TakesNoComNameItDidNotMakeAndRemovesOnlyItsOwn) {
    namespace fs = std::filesystem;
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const fs::path folder = tmp.path().toStdString();
    const fs::path link = folder / "com5";
    fs::create_symlink("/dev/ttyUSB4", link); // the user's adapter, unplugged now

    QProcess refused;
    refused.start(DALVEX_SIM_PROGRAM, {"--com", "5", "--ports", tmp.path()});
    ASSERT_TRUE(refused.waitForFinished(10000));
    EXPECT_EQ(refused.exitCode(), 1);
    EXPECT_TRUE(refused.readAllStandardError().contains(QByteArray::fromStdString(link.string())));
    EXPECT_EQ(fs::read_symlink(link), "/dev/ttyUSB4");

    fs::remove(link);
    struct Ending {
        const char* what;
        int signal;
    };
    for (const Ending& end : {Ending{"terminated", SIGTERM}, Ending{"its terminal hung up", SIGHUP}}) {
        SCOPED_TRACE(end.what);
        QProcess p;
        p.start(DALVEX_SIM_PROGRAM, {"--com", "5", "--ports", tmp.path()});
        ASSERT_TRUE(p.waitForStarted(10000));
        QByteArray out;
        while (!out.contains('\n') && p.waitForReadyRead(10000))
            out += p.readAllStandardOutput();
        ASSERT_TRUE(fs::is_symlink(link));
        // The user points the name at an adapter of theirs while it runs.
        fs::remove(link);
        fs::create_symlink("/dev/ttyUSB4", link);
        ::kill(static_cast<pid_t>(p.processId()), end.signal);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(fs::read_symlink(link), "/dev/ttyUSB4") << "the user's link stays";
        fs::remove(link);
    }
}

} // namespace
