// Every writer of the program on a disk that is full: the command ends with its exit status and a
// message that says why in the user's language, the previous file stays byte for byte, no
// temporary file is left, and no backup is pruned for a backup that was not saved.
//
// The disk is a small tmpfs that really runs full (small_disk.h); where none can be mounted, the
// writer's seam makes the writes fail as a full disk would, and the rows whose writer is not ours
// (the settings store) or that need room for one file but not the next are skipped.

#include "k6config/backups.h"
#include "k6config/config_file.h"
#include "k6media/wav_check.h"
#include "serial/settings.h"
#include "sim/pty_module.h"
#include "tests/files/small_disk.h"
#include "tests/support/window_fixture.h"
#include "ui/event_log_window.h"
#include "ui/k6_backup_side.h"
#include "ui/k6_text_side.h"
#include "ui/monitor_window.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <functional>
#include <map>
#include <optional>

namespace dalvex {
namespace {

const QString kRegKey = QStringLiteral("\\software\\GSM\\Dalvex");

QString Preset(int type) {
    return QStringLiteral(DALVEX_SOURCE_DIR "/sim/presets/demo-%1.dat").arg(type);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Every file below `folder`, hidden ones (a temporary file) included, with its bytes.
std::map<QString, QByteArray> Files(const QString& folder) {
    std::map<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out[QDir(folder).relativeFilePath(path)] = ReadAll(path);
    }
    return out;
}

struct Outcome {
    std::optional<int> code; // a program's exit status, a writer's result (1 done, 0 failed)
    QString said;            // its message
};

struct Row {
    const char* name;
    // Makes the previous files in the row's folder.
    std::function<void(const QString& dir)> before;
    std::function<Outcome(const QString& dir)> write;
    std::optional<int> code;
    const char* says;       // part of the message; empty: nothing to say
    qint64 roomPages = 0;   // blocks left free on the disk
    bool realDisk = false;  // needs the small disk (not the seam)
    QStringList gone = {};  // previous files the failure removes on purpose
    QStringList added = {}; // files it writes before the one that fails
};

class FullDisk : public test::WindowsEnvironment {
protected:
    void SetUp() override {
        WindowsEnvironment::SetUp();
        ASSERT_TRUE(module.start()) << module.error();
        ASSERT_TRUE(module.linkAs(ports.path().toStdString(), 1)) << module.error();
        // dalvex-cli reads its language from settings of its own: German.
        const QByteArray windows = qgetenv("XDG_CONFIG_HOME");
        setenv("XDG_CONFIG_HOME", cliConfig.path().toLocal8Bit().constData(), 1);
        WriteSetting(kRegKey, QStringLiteral("Language"), QStringLiteral("2"));
        setenv("XDG_CONFIG_HOME", windows.constData(), 1);
        test::CreateFormsWithTimersHeld();
        configWindow->EnsurePages();
        configWindow->Engine().Version = 84;
        // A JSON text to import, away from the full disk.
        const Outcome exported =
            Cli({"export", "--quiet", "--type", "74", Preset(74), "-o", work.filePath("in.json")});
        ASSERT_EQ(exported.code, 0) << exported.said.toStdString();
    }
    void TearDown() override {
        K6TextSide::SheetDialogHook = nullptr;
        k6config::FailWritesUnder({});
        WindowsEnvironment::TearDown();
        module.stop();
    }

    Outcome Cli(const QStringList& args, const QString& seamFolder = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DALVEX_PORTS"), ports.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), cliConfig.path());
        if (!seamFolder.isEmpty()) env.insert(QStringLiteral("DALVEX_FAIL_WRITES_UNDER"), seamFolder);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(DALVEX_CLI_PROGRAM), args);
        EXPECT_TRUE(p.waitForFinished(60000)) << args.join(' ').toStdString();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardError())};
    }
    // The file dialog answers `path`.
    void Choose(const QString& path) {
        K6FileCommands::FileDialogHook = [path](bool, const QString&, const QStringList&, const QString&, int& f) {
            f = 0;
            return path;
        };
    }
    QString LastMessage() const { return shown.empty() ? QString() : shown.back(); }

    sim::PtyModule module;
    QTemporaryDir cliConfig;
    QTemporaryDir work;
    QString seam; // the row's folder when the seam stands for the full disk

    void RunRows(bool realDisk);
};

// The table, on the small disk or (`realDisk` false) through the writer's seam.
void FullDisk::RunRows(bool realDisk) {
    const QString json = work.filePath(QStringLiteral("in.json"));
    const QByteArray previousDat = ReadAll(Preset(72));
    const QByteArray oldNote = "type=72\nversion=84\nmodel=Telgor GSM\ncontactid=1\n";
    // German for dalvex-cli, Hungarian for the windows.
    const char* const full = "der Datenträger ist voll";
    const char* const fullHu = "a lemez megtelt";
    const auto cli = [this](QStringList args) {
        return [this, args](const QString& dir) {
            QStringList a = args;
            a.replaceInStrings(QStringLiteral("DIR"), dir);
            return Cli(a, seam);
        };
    };
    const auto previous = [](std::map<QString, QByteArray> files) {
        return [files](const QString& dir) {
            for (const auto& [name, bytes] : files)
                WriteAll(dir + QLatin1Char('/') + name, bytes);
        };
    };
    const auto backupName = [](int n) {
        return QStringLiteral("backups/Telgor-GSM_v8.4_2020-01-0%1_10-00-00.dat.gz").arg(n);
    };

    const qint64 presetPages = (ReadAll(Preset(74)).size() + 4095) / 4096;
    // A trace that fills its last block exactly, so that the next line needs a new one.
    const QByteArray trace = (QByteArray("     0.000 * open COM1").leftJustified(31, ' ') + '\n').repeated(128);

    const Row rows[] = {
        {"export (JSON)", previous({{"out.json", "previous text"}}),
         cli({"export", "--quiet", Preset(72), "-o", "DIR/out.json"}), 2, full},
        {"import", previous({{"out.dat", previousDat}, {"out.dat.module", oldNote}}),
         cli({"import", "--quiet", json, "-o", "DIR/out.dat"}), 2, full},
        // Room for the configuration file, none for its note: the old note (of another module)
        // does not stay beside the new file, and the command fails.
        {"import, the module note", previous({{"out.dat.module", "type=73\nversion=91\n"}}),
         cli({"import", "--quiet", json, "-o", "DIR/out.dat"}), 2, full, presetPages, true, {"out.dat.module"},
         {"out.dat"}},
        {"read -o", previous({{"out.dat", previousDat}, {"out.dat.module", oldNote}}),
         cli({"read", "--port", "COM1", "--quiet", "-o", "DIR/out.dat"}), 2, full},
        {"log -o", previous({{"log.csv", "previous log\r\n"}}),
         cli({"log", "--port", "COM1", "--quiet", "-o", "DIR/log.csv"}), 2, full},
        {"sheet -o", previous({{"out.pdf", "%PDF previous"}}),
         cli({"sheet", "--quiet", "--type", "72", Preset(72), "-o", "DIR/out.pdf"}), 2, full},
        // What the command did stands; the trace says it could not go on.
        {"--trace", previous({{"t.trace", trace}}),
         cli({"probe", "--port", "COM1", "--quiet", "--trace", "DIR/t.trace"}), 0, full, 0, true},
        {"Mentés fájlba", previous({{"saved.dat", previousDat}}),
         [this](const QString& dir) {
             Choose(dir + QStringLiteral("/saved.dat"));
             configWindow->Files->SaveFileClick();
             return Outcome{std::nullopt, LastMessage()};
         },
         std::nullopt, fullHu},
        {"backup after a read",
         previous({{backupName(1), ReadAll(Preset(72)).left(100)}, {backupName(2), ReadAll(Preset(72)).left(100)}}),
         [this](const QString& dir) {
             WriteSetting(kRegKey, QStringLiteral("BackupFolder"), dir + QStringLiteral("/backups"));
             WriteSetting(kRegKey, QStringLiteral("BackupsKept"), QStringLiteral("1"));
             configWindow->ModuleCode = 72;
             configWindow->Backups->LastBackup.clear();
             configWindow->Backups->ReadCompleted();
             return Outcome{configWindow->Backups->LastBackup.isEmpty() ? 0 : 1, configWindow->StatusPanel(3)};
         },
         0, fullHu},
        {"Exportálás szövegként (JSON)", previous({{"out.json", "previous text"}}),
         [this](const QString& dir) {
             Choose(dir + QStringLiteral("/out.json"));
             configWindow->TextSide->ExportClick();
             return Outcome{std::nullopt, LastMessage()};
         },
         std::nullopt, fullHu},
        {"Konfigurációs lap (PDF)", previous({{"out.pdf", "%PDF previous"}}),
         [this](const QString& dir) {
             Choose(dir + QStringLiteral("/out.pdf"));
             K6TextSide::SheetDialogHook = [](K6TextSide::SheetChoice&) { return true; };
             configWindow->TextSide->SheetClick();
             return Outcome{std::nullopt, LastMessage()};
         },
         std::nullopt, fullHu},
        {"caller-ID list", previous({{"list.csv", "+3611;old\r\n"}}),
         [this](const QString& dir) {
             configWindow->LocalValues->setCell("StringGrid1", 1, 1, QStringLiteral("+36301234567"));
             configWindow->LocalValues->setCell("StringGrid1", 1, 2, QStringLiteral("Anna"));
             Choose(dir + QStringLiteral("/list.csv"));
             configWindow->Files->SaveCallerIdsClick();
             return Outcome{std::nullopt, LastMessage()};
         },
         std::nullopt, fullHu},
        {"event log CSV", previous({{"log.csv", "previous log\r\n"}}),
         [](const QString& dir) { return Outcome{std::nullopt, eventLogWindow->ExportCsv(dir + QStringLiteral("/log.csv"))}; },
         std::nullopt, fullHu},
        {"monitor window", previous({{"monitor.TXT", "previous trace\n"}}),
         [this](const QString& dir) {
             Choose(dir + QStringLiteral("/monitor.TXT"));
             monitorWindow->AsynText(std::span(reinterpret_cast<const std::uint8_t*>("IN=1\r\n"), 6));
             monitorWindow->SaveClick();
             return Outcome{std::nullopt, LastMessage()};
         },
         std::nullopt, fullHu},
        {"voice recording (WAV)", previous({{"rec.wav", "RIFF previous"}}),
         [](const QString& dir) {
             const std::vector<std::uint8_t> samples(8000, 0x80);
             QString error;
             const bool ok = k6media::WriteModuleWav(dir + QStringLiteral("/rec.wav"), samples, &error);
             return Outcome{ok ? 1 : 0, error};
         },
         0, ""},
        // The windows carry on with what they hold (a store that cannot be written is no message).
        {"settings", previous({{"config/GSM/Dalvex.conf", "[General]\nLanguage=0\n"}}),
         [](const QString& dir) {
             setenv("XDG_CONFIG_HOME", (dir + QStringLiteral("/config")).toLocal8Bit().constData(), 1);
             const bool ok = WriteSetting(kRegKey, QStringLiteral("Language"), QStringLiteral("3"));
             return Outcome{ok ? 1 : 0, {}};
         },
         0, "", 0, true},
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.realDisk && !realDisk) {
            std::fprintf(stderr, "[  NOTE    ] %s: needs the small disk, which could not be mounted here\n", row.name);
            continue;
        }
        QTemporaryDir scratch; // the row's folder when there is no small disk
        const QString dir = realDisk ? test::SmallDisk() + QStringLiteral("/row") : scratch.path();
        ASSERT_TRUE(QDir().mkpath(dir));
        const QByteArray windowsConfig = qgetenv("XDG_CONFIG_HOME");
        row.before(dir);
        const auto before = Files(dir);
        shown.clear();
        if (realDisk) {
            ASSERT_TRUE(test::FillSmallDisk(row.roomPages));
        } else {
            seam = dir;
            k6config::FailWritesUnder(dir);
        }
        const Outcome outcome = row.write(dir);
        test::EmptySmallDisk();
        k6config::FailWritesUnder({});
        seam.clear();
        setenv("XDG_CONFIG_HOME", windowsConfig.constData(), 1);

        EXPECT_EQ(outcome.code, row.code) << outcome.said.toStdString();
        if (*row.says) {
            EXPECT_TRUE(outcome.said.contains(QString::fromUtf8(row.says))) << outcome.said.toStdString();
        }
        auto after = Files(dir);
        for (const QString& name : row.added)
            EXPECT_EQ(after.erase(name), 1u) << name.toStdString() << " was written before the failure";
        auto expected = before;
        for (const QString& name : row.gone)
            expected.erase(name);
        for (const auto& [name, bytes] : after) {
            const auto was = expected.find(name);
            if (was == expected.end())
                ADD_FAILURE() << name.toStdString() << " is left behind";
            else
                EXPECT_TRUE(bytes == was->second) << name.toStdString() << " changed";
        }
        EXPECT_EQ(after.size(), expected.size()) << "a previous file is gone";
        QDir(dir).removeRecursively();
    }
}

TEST_F(FullDisk, EveryWriterKeepsThePreviousFileLeavesNoTemporaryAndSaysWhy) {
    if (test::SmallDisk().isEmpty())
        std::fprintf(stderr, "[  NOTE    ] no small disk could be mounted here: the writer's seam stands in\n");
    RunRows(!test::SmallDisk().isEmpty());
}

// Where no file system can be mounted the seam stands in; it must fail the writers as the disk does.
TEST_F(FullDisk, TheSeamFailsTheWritersAsAFullDiskDoes) {
    RunRows(false);
}

} // namespace
} // namespace dalvex
