// Files as the program meets them: names that are bytes, inputs that are no regular file or no
// configuration (refused before they could hang or be read whole), and outputs that either replace
// the previous file whole or leave it.

#include "k6config/backups.h"
#include "k6config/callerid_files.h"
#include "k6config/config_file.h"
#include "k6config/file_access.h"
#include "k6text/config_json.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace dalvex::k6config {
namespace {

QString Preset(int type) {
    return QStringLiteral(DALVEX_SOURCE_DIR "/sim/presets/demo-%1.dat").arg(type);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray Gzip(const QByteArray& data) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(data.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.truncate(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    return out;
}

QByteArray Random(qsizetype size, char first = 0) {
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator rng(44);
    for (char& c : out)
        c = static_cast<char>(rng.bounded(256));
    if (first) out[0] = first;
    return out;
}

// The hidden temporary files a writer would leave.
QStringList Leftovers(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(QRegularExpression("^\\."));
}

TEST(FileNames, BytesThatAreNotUtf8SurviveAndShowAsReplacementCharacters) {
    struct Case {
        const char* what;
        QByteArray bytes;
        bool utf8;
    };
    const Case cases[] = {
        {"ASCII", "plain-name.dat", true},
        {"UTF-8 accents", "\xC3\xBCgyf\xC3\xA9l.dat", true},
        {"four-byte UTF-8", "\xF0\x9F\x93\x9E.json", true},
        {"Latin-2 from a FAT stick", "\xFCgyf\xE9l \xE1rv\xED.dat", false},
        {"overlong slash", "a\xC0\xAF" "b", false},
        {"cut short at the end", "name\xE2\x82", false},
        {"an encoded surrogate", "x\xED\xA0\x80y", false},
        {"beyond Unicode", "\xF5\x80\x80\x80", false},
        {"a lone continuation byte", "\x80", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = NameFromBytes(c.bytes);
        EXPECT_EQ(NameBytes(name), c.bytes) << "the same bytes again";
        if (c.utf8) {
            EXPECT_EQ(name, QString::fromUtf8(c.bytes));
            EXPECT_EQ(ShownName(name), name);
        } else {
            EXPECT_TRUE(ShownName(name).contains(QChar(QChar::ReplacementCharacter)));
            EXPECT_FALSE(ShownName(name).toUtf8().contains("\xED\xB0")) << "no surrogate reaches a message";
        }
    }
}

class Files : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

// What may be opened as a configuration: what the format holds, whatever the name; anything else
// is refused naming what it is not, changes nothing, and is not read when its size says enough.
TEST_F(Files, OnlyAConfigurationOpensAsOne) {
    const QByteArray demo = ReadAll(Preset(74));
    ASSERT_FALSE(demo.isEmpty());
    ConfigImage image;
    CustomerFields fields{"a", "b", "c", "d", "e", "f"};
    ASSERT_TRUE(SaveConfigFile(Path("full.dat"), image, fields));
    ASSERT_TRUE(SaveConfigFile(Path("packed.dat.gz"), image, fields, FileFormat::Gzip));
    const QByteArray full = ReadAll(Path("full.dat"));
    QByteArray exported;
    {
        const auto doc = std::make_unique<k6text::ConfigDocument>();
        ASSERT_TRUE(OpenConfigFile(Preset(74), doc->image, doc->customer));
        exported = k6text::ExportJson(*doc);
    }
    WriteAll(Path("demo.json"), exported);
    WriteAll(Path("demo-json.dat"), exported);
    WriteAll(Path("bom.json"), "\xEF\xBB\xBF \r\n" + exported);
    WriteAll(Path("random.dat"), Random(kConfigFileSize));
    WriteAll(Path("random-brace.dat"), Random(kConfigFileSize, '{'));
    WriteAll(Path("random.dat.gz"), Gzip(Random(kConfigFileSize)));
    WriteAll(Path("json.gz"), Gzip(exported));
    WriteAll(Path("notes.txt"), QByteArray(3000, 'n'));
    QByteArray oneRecordOff = full;
    oneRecordOff[kConfigHeadSize + 3 * kCustomerRecordSize + 100] = 'x'; // after the text's end
    WriteAll(Path("stray.dat"), oneRecordOff);
    WriteAll(Path("longer.dat"), full + "x");
    // 4 GB that is never read (a sparse file: no disk is used).
    {
        QFile huge(Path("huge.dat"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(4) << 30));
    }
    {
        QFile huge(Path("huge.dat.gz"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        huge.write(Gzip(full));
        ASSERT_TRUE(huge.resize(qint64(4) << 30));
    }
    ASSERT_EQ(::mkfifo(Path("fifo.dat").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(Path("folder.dat")));
    ASSERT_TRUE(QFile::link(Path("loop-b.dat"), Path("loop-a.dat")));
    ASSERT_TRUE(QFile::link(Path("loop-a.dat"), Path("loop-b.dat")));

    struct Case {
        QString file;
        FileError error;
        const char* says = ""; // in the texts' language (Hungarian, the key language)
    };
    const Case cases[] = {
        {Preset(72), FileError::None},
        {Path("full.dat"), FileError::None},
        {Path("packed.dat.gz"), FileError::None},
        {Path("demo.json"), FileError::ConfigurationText},
        {Path("demo-json.dat"), FileError::ConfigurationText},
        {Path("bom.json"), FileError::ConfigurationText},
        {Path("random.dat"), FileError::NotConfiguration, "nem konfigurációs fájl és nem konfigurációs szöveg"},
        {Path("random-brace.dat"), FileError::ConfigurationText},
        {Path("random.dat.gz"), FileError::NotConfiguration},
        {Path("json.gz"), FileError::NotConfiguration},
        {Path("notes.txt"), FileError::NotConfiguration},
        {Path("stray.dat"), FileError::NotConfiguration},
        {Path("longer.dat"), FileError::TooLarge, "legfeljebb 4065024 bájt"},
        {Path("huge.dat"), FileError::TooLarge},
        {Path("huge.dat.gz"), FileError::TooLarge},
        {Path("fifo.dat"), FileError::NotRegular, "Nem közönséges fájl"},
        {Path("folder.dat"), FileError::Io, "ez egy mappa, nem fájl"},
        {QStringLiteral("/dev/null"), FileError::NotRegular},
        {Path("loop-a.dat"), FileError::Io, "a szimbolikus linkek körbe mutatnak"},
        {Path("missing.dat"), FileError::NotFound, "nem található"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        ConfigImage opened;
        opened.set(0x500, 0x5A);
        CustomerFields kept{"keep", "", "", "", "", ""};
        const FileResult r = OpenConfigFile(c.file, opened, kept);
        EXPECT_EQ(r.error, c.error);
        EXPECT_TRUE(FileResultText(r, c.file, ConfigFileTexts{}).contains(QString::fromUtf8(c.says)))
            << FileResultText(r, c.file, ConfigFileTexts{}).toStdString();
        if (r) continue;
        EXPECT_EQ(opened.at(0x500), 0x5A) << "a refused file changes nothing";
        EXPECT_EQ(kept[0], "keep");
    }
}

// The caller-ID lists and the texts are read the same way: never from a FIFO, never whole when
// too long.
TEST_F(Files, OtherInputsAreRegularFilesOfTheirSize) {
    ASSERT_EQ(::mkfifo(Path("fifo").toLocal8Bit().constData(), 0600), 0);
    WriteAll(Path("big.csv"), QByteArray(kCallerIdFileLimit + 1, 'x'));
    {
        QFile huge(Path("huge.json"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(4) << 30));
    }
    struct Case {
        const char* what;
        std::function<FileResult()> read;
        FileError error;
    };
    CallerIdList list;
    QByteArray text;
    const Case cases[] = {
        {"caller-ID list from a FIFO", [&] { return OpenCallerIdFile(Path("fifo"), CallerIdFormat::Csv, list); },
         FileError::NotRegular},
        {"caller-ID list of more than a list holds",
         [&] { return OpenCallerIdFile(Path("big.csv"), CallerIdFormat::Csv, list); }, FileError::TooLarge},
        {"text of 4 GB", [&] { return ReadInputFile(Path("huge.json"), k6text::kMaxTextSize, text); },
         FileError::TooLarge},
        {"text from a FIFO", [&] { return ReadInputFile(Path("fifo"), k6text::kMaxTextSize, text); },
         FileError::NotRegular},
        {"text from a device", [&] { return ReadInputFile(QStringLiteral("/dev/zero"), k6text::kMaxTextSize, text); },
         FileError::NotRegular},
        {"backup head from a FIFO",
         [&] {
             ConfigContent c;
             return ReadConfigContent(Path("fifo"), kConfigMinimumSize, c);
         },
         FileError::NotRegular},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.read().error, c.error);
    }
    // A text longer than any configuration text is refused by the import too.
    k6text::JsonError error;
    EXPECT_FALSE(k6text::ImportJson(QByteArray(k6text::kMaxTextSize + 1, ' '), 1, &error));
    EXPECT_TRUE(error.message.contains(QStringLiteral("longer than"))) << error.message.toStdString();
}

// The writer replaces a file whole or leaves it, says why it could not, and leaves no temporary
// file; what it may not write over is refused before a byte is written.
TEST_F(Files, WritesReplaceWholeOrLeaveThePreviousFile) {
    const QByteArray data = "new contents";
    WriteAll(Path("old.txt"), "old");
    ASSERT_TRUE(QFile::setPermissions(Path("old.txt"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                           QFile::ReadOther));
    ASSERT_TRUE(QDir().mkdir(Path("sub")));
    WriteAll(Path("sub/target.txt"), "old target");
    ASSERT_TRUE(QFile::link(QStringLiteral("sub/target.txt"), Path("link.txt")));
    ASSERT_TRUE(QFile::link(Path("loop-b"), Path("loop-a")));
    ASSERT_TRUE(QFile::link(Path("loop-a"), Path("loop-b")));
    ASSERT_EQ(::mkfifo(Path("fifo").toLocal8Bit().constData(), 0600), 0);
    const QString latin2 = NameFromBytes(NameBytes(dir.path()) + "/\xFCgyf\xE9l.dat");

    struct Case {
        QString target;
        FileError error;
        const char* says = "";
        std::function<void()> check = [] {};
    };
    const auto mode = [](const QString& path) {
        struct stat st {};
        ::lstat(NameBytes(path).constData(), &st);
        return st.st_mode & 07777;
    };
    const Case cases[] = {
        {Path("new.txt"), FileError::None, "", [&] { EXPECT_EQ(mode(Path("new.txt")), 0600u) << "a new file is private"; }},
        {Path("old.txt"), FileError::None, "",
         [&] { EXPECT_EQ(mode(Path("old.txt")), 0644u) << "a replaced file keeps its permissions"; }},
        {Path("link.txt"), FileError::None, "",
         [&] {
             EXPECT_TRUE(QFileInfo(Path("link.txt")).isSymLink()) << "the link stays a link";
             EXPECT_EQ(ReadAll(Path("sub/target.txt")), data);
         }},
        {latin2, FileError::None, "",
         [&] {
             const QByteArray exact = NameBytes(dir.path()) + "/\xFCgyf\xE9l.dat";
             EXPECT_EQ(::access(exact.constData(), F_OK), 0) << "written under exactly the bytes given";
         }},
        {Path("loop-a"), FileError::Io, "a szimbolikus linkek körbe mutatnak"},
        {Path("sub"), FileError::Io, "ez egy mappa, nem fájl"},
        {Path("fifo"), FileError::NotRegular, "Nem közönséges fájl"},
        {Path("missing/x.txt"), FileError::Io, "a mappa nem létezik"},
        {Path("old.txt/x.txt"), FileError::Io, "az útvonal egyik tagja nem mappa"},
        {Path(QString(300, QLatin1Char('n'))), FileError::Io, "a fájlnév túl hosszú"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        const FileResult checked = CheckOutputFile(c.target);
        const FileResult r = WriteFileAtomically(c.target, data);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(checked.error, c.error) << "the check before a transfer says the same";
        EXPECT_TRUE(FileResultText(r, c.target, ConfigFileTexts{}).contains(QString::fromUtf8(c.says)))
            << FileResultText(r, c.target, ConfigFileTexts{}).toStdString();
        if (r) c.check();
        EXPECT_TRUE(Leftovers(dir.path()).isEmpty()) << Leftovers(dir.path()).join(' ').toStdString();
        EXPECT_TRUE(Leftovers(Path("sub")).isEmpty());
    }
    EXPECT_EQ(ReadAll(Path("old.txt")), data);

    // Without a commit nothing of it is left, and the previous file stays.
    {
        AtomicFile f;
        ASSERT_TRUE(f.Open(Path("old.txt")));
        ASSERT_TRUE(f.Write("half"));
    }
    EXPECT_EQ(ReadAll(Path("old.txt")), data);
    EXPECT_TRUE(Leftovers(dir.path()).isEmpty());
}

// The backup folder the user chose keeps its permissions; the folders made for it are private.
TEST_F(Files, OnlyFoldersItMakesArePrivate) {
    ASSERT_TRUE(QDir().mkdir(Path("shared")));
    ASSERT_TRUE(QFile::setPermissions(Path("shared"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                          QFile::ExeOther));
    ConfigImage image;
    ASSERT_TRUE(SaveBackup(Path("shared/made/backups"), QStringLiteral("Telgor GSM"), 84, QDateTime::currentDateTime(),
                           image, CustomerFields{}));
    const auto mode = [](const QString& path) {
        struct stat st {};
        ::stat(path.toLocal8Bit().constData(), &st);
        return st.st_mode & 07777;
    };
    EXPECT_EQ(mode(Path("shared")), 0755u);
    EXPECT_EQ(mode(Path("shared/made")), 0700u);
    EXPECT_EQ(mode(Path("shared/made/backups")), 0700u);
}

} // namespace
} // namespace dalvex::k6config
