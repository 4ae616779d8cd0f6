// `--version` of the three programs: the program's name and the project's version on standard
// output, exit status 0, and nothing else done. Run without a display, as on a server or in a
// package check: the window program must answer before it needs one.

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct VersionCase {
    const char* program;
    const char* name;
    QStringList args;
};

TEST(ProgramVersion, NamesTheProgramAndTheProjectVersion) {
    const VersionCase cases[] = {
        {DALVEX_GUI_PROGRAM, "dalvex", {"--version"}},
        {DALVEX_CLI_PROGRAM, "dalvex-cli", {"--version"}},
        // After a command: still only the version, no port is opened.
        {DALVEX_CLI_PROGRAM, "dalvex-cli", {"probe", "--port", "COM1", "--version"}},
        {DALVEX_SIM_PROGRAM, "dalvex-sim", {"--version"}},
        // The simulator's --version N is the module's software version; alone it is the program's.
        {DALVEX_SIM_PROGRAM, "dalvex-sim", {"--version", "--com", "7"}},
    };
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    // A ports folder of its own: a simulator that started after all would leave its link here.
    env.insert("DALVEX_PORTS", home.filePath("ports"));
    const QByteArray expectedTail = QByteArray(" (Dalvex) ") + DALVEX_PROJECT_VERSION + "\n";

    for (const VersionCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.args.join(' ').toStdString());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(c.program, c.args);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_EQ(p.readAllStandardOutput(), c.name + expectedTail);
        EXPECT_EQ(p.readAllStandardError(), QByteArray());
    }
    EXPECT_FALSE(QFileInfo::exists(home.filePath("ports"))) << "a program did more than answer";
}

} // namespace
