// dalvex-cli when the adapter is pulled out in the middle of a command: the command fails with
// the port named, writes no file, and a script can go on once the adapter is back.

#include "sim/faults.h"
#include "sim/pty_module.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Result {
    int exitCode = -1;
    QString err;
};

struct CliPulledAdapter : ::testing::Test {
    QTemporaryDir tmp;
    QString ports = tmp.filePath("ports");

    Result Run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DALVEX_PORTS", ports);
        env.insert("XDG_CONFIG_HOME", tmp.filePath("config"));
        env.insert("XDG_STATE_HOME", tmp.filePath("state"));
        p.setProcessEnvironment(env);
        p.start(DALVEX_CLI_PROGRAM, args);
        EXPECT_TRUE(p.waitForFinished(60000)) << args.join(' ').toStdString();
        Result r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
};

} // namespace

TEST_F(CliPulledAdapter, CommandCutOffFailsAndWritesNoFile) {
    struct Case {
        const char* name;
        int exchanges; // answered before the adapter goes: the probe and the version query are two
        QStringList args;
    };
    const QString file = tmp.filePath("module.dat");
    const QString cut = tmp.filePath("cut.dat");
    const Case cases[] = {
        {"read", 4, {"read", "--port", "COM1", "-o", cut, "--quiet"}},
        {"send", 4, {"send", "--port", "COM1", file, "--quiet"}},
        {"probe, at the version query", 1, {"probe", "--port", "COM1"}},
    };
    {
        dalvex::sim::PtyModule module;
        ASSERT_TRUE(module.start());
        ASSERT_TRUE(module.linkAs(ports.toStdString(), 1));
        ASSERT_EQ(Run({"read", "--port", "COM1", "-o", file, "--quiet"}).exitCode, 0);
        module.stop();
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dalvex::sim::PtyModule module;
        ASSERT_TRUE(module.start());
        ASSERT_TRUE(module.linkAs(ports.toStdString(), 1));
        module.setFault(dalvex::sim::Fault::Vanish, c.exchanges);
        const Result r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("COM1")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("lost")) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(cut)) << "no file from a read cut off";
        module.stop();
    }
    // Back: the same command works.
    dalvex::sim::PtyModule module;
    ASSERT_TRUE(module.start());
    ASSERT_TRUE(module.linkAs(ports.toStdString(), 1));
    const Result again = Run({"send", "--port", "COM1", file, "--quiet"});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
}
