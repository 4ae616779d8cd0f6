// dalvex-cli and the files it is given: only a configuration is sent or opened as one (a text goes
// through the import), nothing that is not a regular file is waited on, names are bytes, and an
// output that cannot be written is said before the module is asked for anything.

#include "k6config/config_file.h"
#include "k6config/file_access.h"
#include "sim/module_sim.h"
#include "sim/pty_module.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using dalvex::k6config::NameBytes;
using dalvex::sim::ModuleSim;

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QString Preset(int type) {
    return QStringLiteral(DALVEX_SOURCE_DIR "/sim/presets/demo-%1.dat").arg(type);
}

// By the name's bytes: Qt would take them for UTF-8.
QByteArray ReadAll(const QByteArray& path) {
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    ::close(fd);
    return out;
}

bool Exists(const QByteArray& path) {
    return ::access(path.constData(), F_OK) == 0;
}

class CliFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        ASSERT_TRUE(module.start());
        ASSERT_TRUE(module.linkAs(tmp.filePath("ports").toStdString(), 1));
        SetModule(72);
    }
    void SetModule(int type) {
        module.withModule([&](ModuleSim& m) {
            m.setTypeCode(static_cast<std::uint8_t>(type));
            m.setVersion(84);
        });
    }
    QByteArray Path(const QByteArray& name) const { return NameBytes(tmp.path()) + '/' + name; }

    // dalvex-cli with its arguments as bytes (QProcess would take them for UTF-8), English.
    Result Run(const std::vector<QByteArray>& args) {
        const QByteArray out = Path(".out"), err = Path(".err");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        std::vector<QByteArray> env = {"DALVEX_PORTS=" + NameBytes(tmp.filePath("ports")),
                                       "XDG_CONFIG_HOME=" + NameBytes(tmp.filePath("config")),
                                       "XDG_DATA_HOME=" + NameBytes(tmp.filePath("data")), "QT_QPA_PLATFORM=offscreen"};
        for (char** e = environ; *e; ++e)
            if (!QByteArray(*e).startsWith("XDG_") && !QByteArray(*e).startsWith("DALVEX_")) env.push_back(*e);
        std::vector<char*> argv{const_cast<char*>(DALVEX_CLI_PROGRAM)};
        for (const QByteArray& a : args)
            argv.push_back(const_cast<char*>(a.constData()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const QByteArray& e : env)
            envp.push_back(const_cast<char*>(e.constData()));
        envp.push_back(nullptr);
        pid_t pid = 0;
        Result r;
        if (posix_spawn(&pid, DALVEX_CLI_PROGRAM, &actions, nullptr, argv.data(), envp.data()) == 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        r.out = ReadAll(out);
        r.err = ReadAll(err);
        ::unlink(out.constData());
        ::unlink(err.constData());
        return r;
    }
    std::vector<std::uint8_t> Memory() {
        std::vector<std::uint8_t> copy;
        module.withModule([&](ModuleSim& m) { copy.assign(m.memory().begin(), m.memory().end()); });
        return copy;
    }
    void Write(const QByteArray& path, const QByteArray& bytes) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())), bytes.size());
        ::close(fd);
    }

    QTemporaryDir tmp;
    dalvex::sim::PtyModule module;
};

// `send` programs a module with a configuration only; a JSON text goes in as the import makes it.
// Every command that opens a configuration refuses the rest the same way, without waiting on a
// FIFO and without reading a file that is too large to be one.
TEST_F(CliFiles, OnlyAConfigurationIsSentOrOpened) {
    QByteArray random(dalvex::k6config::kConfigFileSize, Qt::Uninitialized);
    QRandomGenerator rng(7);
    for (char& c : random)
        c = static_cast<char>(rng.bounded(256));
    Write(Path("random.dat"), random);
    Write(Path("notes.dat"), QByteArray(4000, 'n'));
    ASSERT_EQ(::truncate(Path("notes.dat").constData(), 4000), 0);
    Write(Path("huge.dat"), {});
    ASSERT_EQ(::truncate(Path("huge.dat").constData(), qint64(4) << 30), 0);
    ASSERT_EQ(::mkfifo(Path("fifo.dat").constData(), 0600), 0);
    ASSERT_EQ(::mkdir(Path("folder.dat").constData(), 0700), 0);
    ASSERT_EQ(::symlink(Path("loop-b.dat").constData(), Path("loop-a.dat").constData()), 0);
    ASSERT_EQ(::symlink(Path("loop-a.dat").constData(), Path("loop-b.dat").constData()), 0);

    struct Input {
        QByteArray file;
        const char* says;
    };
    const Input inputs[] = {
        {"random.dat", "neither a configuration file nor a configuration text"},
        {"notes.dat", "neither a configuration file nor a configuration text"},
        {"huge.dat", "too large"},
        {"fifo.dat", "Not a regular file"},
        {"folder.dat", "it is a folder, not a file"},
        {"loop-a.dat", "the symbolic links form a loop"},
        {"missing.dat", "File not found"},
    };
    const QByteArray preset = NameBytes(Preset(72));
    for (const Input& in : inputs) {
        const QByteArray file = Path(in.file);
        const std::vector<std::vector<QByteArray>> commands = {
            {"send", "--port", "COM1", "--quiet", file},
            {"send", "--port", "COM1", "--quiet", "--changed-since", file, preset},
            {"export", "--quiet", file, "-o", Path("out.json")},
            {"sheet", "--quiet", "--type", "72", file, "-o", Path("out.pdf")},
            {"diff", preset, file},
        };
        for (const auto& args : commands) {
            SCOPED_TRACE((args[0] + " " + in.file).toStdString());
            const Result r = Run(args);
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_TRUE(r.err.contains(in.says)) << r.err.toStdString();
            EXPECT_FALSE(Exists(Path("out.json")) || Exists(Path("out.pdf")));
        }
    }
    EXPECT_TRUE(module.receivedBytes().empty()) << "nothing reached the module";
}

TEST_F(CliFiles, SendOfAConfigurationTextIsImportThenSend) {
    SetModule(74);
    const QByteArray json = Path("site.json"), dat = Path("site.dat");
    ASSERT_EQ(Run({"export", "--quiet", "--type", "74", NameBytes(Preset(74)), "-o", json}).exitCode, 0);
    const auto fresh = Memory();

    const Result direct = Run({"send", "--port", "COM1", "--quiet", json});
    ASSERT_EQ(direct.exitCode, 0) << direct.err.toStdString();
    const auto sentAsText = Memory();
    EXPECT_NE(sentAsText, fresh);

    module.withModule([&](ModuleSim& m) { std::copy(fresh.begin(), fresh.end(), m.memory().begin()); });
    ASSERT_EQ(Run({"import", "--quiet", json, "-o", dat}).exitCode, 0);
    const Result viaFile = Run({"send", "--port", "COM1", "--quiet", dat});
    ASSERT_EQ(viaFile.exitCode, 0) << viaFile.err.toStdString();
    EXPECT_TRUE(Memory() == sentAsText) << "the text sends what import-then-send sends";

    // Its model is checked as a read's note is.
    SetModule(72);
    const Result other = Run({"send", "--port", "COM1", "--quiet", json});
    EXPECT_EQ(other.exitCode, 2);
    EXPECT_TRUE(other.err.contains("holds the configuration of a Varnet GSM")) << other.err.toStdString();
}

// A Latin-2 name from a FAT stick is found, and -o writes exactly the name given; messages show
// the bytes they cannot show as U+FFFD.
TEST_F(CliFiles, FileNamesAreBytes) {
    const QByteArray in = Path("\xE1rv\xED.dat"), json = Path("\xFCgyf\xE9l.json");
    const QByteArray read = Path("\xFCgyf\xE9l.dat");
    Write(in, ReadAll(NameBytes(Preset(72))));

    const Result exported = Run({"export", in, "-o", json});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_TRUE(Exists(json));
    EXPECT_TRUE(exported.err.contains("gyf\xEF\xBF\xBDl.json")) << exported.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(exported.err).toUtf8() == exported.err) << "the message is UTF-8";

    const Result r = Run({"read", "--port", "COM1", "--quiet", "-o", read});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(ReadAll(read).size(), dalvex::k6config::kConfigFileSize);
    EXPECT_TRUE(ReadAll(read + ".module").contains("type=72"));
    EXPECT_EQ(Run({"send", "--port", "COM1", "--quiet", read}).exitCode, 0);
    EXPECT_FALSE(Exists(Path("\xEF\xBF\xBDgyf\xEF\xBF\xBDl.dat"))) << "no mangled name was written";
}

// read and log are 38 s of transfer at most: an output that cannot be written is said first, and
// the module is not asked for anything.
TEST_F(CliFiles, OutputsThatCannotBeWrittenAreSaidBeforeTheTransfer) {
    ASSERT_EQ(::mkdir(Path("folder.dat").constData(), 0700), 0);
    ASSERT_EQ(::mkfifo(Path("fifo.csv").constData(), 0600), 0);
    Write(Path("plain"), "x");
    ASSERT_EQ(::symlink(Path("loop-b").constData(), Path("loop-a").constData()), 0);
    ASSERT_EQ(::symlink(Path("loop-a").constData(), Path("loop-b").constData()), 0);
    struct Case {
        QByteArray output;
        const char* says;
    };
    const Case cases[] = {
        {"missing/out", "the folder does not exist"},
        {"folder.dat", "it is a folder, not a file"},
        {"fifo.csv", "Not a regular file"},
        {"loop-a", "the symbolic links form a loop"},
        {"plain/out", "a part of the path is not a folder"},
    };
    for (const Case& c : cases)
        for (const char* command : {"read", "log", "signal"}) {
            SCOPED_TRACE(std::string(command) + " -o " + c.output.toStdString());
            const Result r = Run({command, "--port", "COM1", "--quiet", "-o", Path(c.output)});
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        }
    EXPECT_TRUE(module.receivedBytes().empty()) << "nothing was asked of the module";
}

} // namespace
