// Compressed configuration files and the pruning of the backup folder: a compressed file opens to
// exactly what a plain one holds, whatever its name; a damaged one is refused whole; pruning keeps
// the newest per model and the folder within its size, never removing the backup just saved.

#include "tests/support/file_bytes.h"
#include "k6config/backups.h"
#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "rich_model.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <zlib.h>

using namespace dalvex::k6config;

namespace {

using dalvex::test::ReadAll;
using dalvex::test::WriteAll;

// gzip of any bytes, made independently of the code under test.
QByteArray Gzip(const QByteArray& data) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    QByteArray out(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(data.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    return out;
}

ConfigImage RichImage() {
    PageValues v(K6Controls()), door(DoorPhoneControls());
    makeRich(v);
    ConfigImage image;
    EncodeConfigImage(image, v, door, ImageContext{74, QStringLiteral("Varnet GSM")});
    image.set(0x3E03FF, 0x5A); // the last byte a file holds
    return image;
}

const CustomerFields kFields = {"Kovács Ödön", "Győr, Fő tér 1.", "+36301234567",
                                "Riasztó 9",   "K6",              "2026.12.10"};

struct CompressedFiles : ::testing::Test {
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

} // namespace

TEST_F(CompressedFiles, HoldTheSameBytesAsAPlainFileAndAreKnownByContent) {
    const ConfigImage image = RichImage();
    ASSERT_TRUE(SaveConfigFile(path("plain.dat"), image, kFields));
    ASSERT_TRUE(SaveConfigFile(path("packed.dat.gz"), image, kFields, FileFormat::Gzip));
    const QByteArray plain = ReadAll(path("plain.dat"));
    const QByteArray packed = ReadAll(path("packed.dat.gz"));
    ASSERT_EQ(plain.size(), kConfigFileSize);
    EXPECT_TRUE(packed.startsWith("\x1f\x8b\x08"));
    EXPECT_LT(packed.size(), 64 * 1024) << "the mostly empty memory compresses";

    ConfigContent content;
    ASSERT_TRUE(ReadConfigContent(path("packed.dat.gz"), kConfigFileSize, content));
    EXPECT_TRUE(content.compressed);
    EXPECT_FALSE(content.more);
    EXPECT_TRUE(content.bytes == plain) << "inflated, byte for byte the plain file";

    // The names swapped: each is read by what it holds.
    WriteAll(path("swapped.dat"), packed);
    WriteAll(path("swapped.dat.gz"), plain);
    for (const char* name : {"packed.dat.gz", "swapped.dat", "swapped.dat.gz"}) {
        SCOPED_TRACE(name);
        ConfigImage back;
        back.set(0x3E0400, 0xA5);
        CustomerFields fields;
        ASSERT_TRUE(OpenConfigFile(path(name), back, fields));
        EXPECT_EQ(back.read(0, 0x3E0400), image.read(0, 0x3E0400));
        EXPECT_EQ(back.at(0x3E0400), 0xA5) << "the part no file holds is left alone";
        EXPECT_EQ(fields, kFields);
    }
}

TEST_F(CompressedFiles, ADamagedOneIsRefusedWholeAndChangesNothing) {
    const ConfigImage saved = RichImage();
    ASSERT_TRUE(SaveConfigFile(path("good.dat"), saved, kFields));
    ASSERT_TRUE(SaveConfigFile(path("good.dat.gz"), saved, kFields, FileFormat::Gzip));
    const QByteArray plain = ReadAll(path("good.dat"));
    const QByteArray good = ReadAll(path("good.dat.gz"));
    const auto flipped = [&](qsizetype at, qsizetype count = 1) {
        QByteArray b = good;
        for (qsizetype i = at; i < at + count; ++i)
            b[i] = static_cast<char>(b[i] ^ 0x55);
        return b;
    };

    struct Case {
        const char* what;
        QByteArray file;
        FileError error;
    };
    const Case cases[] = {
        {"only the gzip mark", QByteArray("\x1f\x8b\x08", 3), FileError::Damaged},
        {"cut after the header", good.left(10), FileError::Damaged},
        {"cut in the middle", good.left(good.size() / 2), FileError::Damaged},
        {"check sum and length missing", good.chopped(8), FileError::Damaged},
        {"last byte missing", good.chopped(1), FileError::Damaged},
        // A run of bytes: a single one may sit where a change alters nothing inflated.
        {"compressed data damaged", flipped(good.size() / 2, 16), FileError::Damaged},
        {"check sum wrong", flipped(good.size() - 8), FileError::Damaged},
        {"length wrong", flipped(good.size() - 1), FileError::Damaged},
        {"more than a configuration file", Gzip(plain + "x"), FileError::Damaged},
        {"less than the customer records", Gzip(plain.left(kConfigMinimumSize - 1)), FileError::TooShort},
        // As a plain file, the customer records without the rest open.
        {"the customer records without the rest", Gzip(plain.left(kConfigMinimumSize)), FileError::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(path("bad.dat.gz"), c.file);
        ConfigImage before;
        before.fill(0, ConfigImage::kSize, 0x33);
        ConfigImage image = before;
        CustomerFields fields = {"keep", "", "", "", "", ""};
        const FileResult r = OpenConfigFile(path("bad.dat.gz"), image, fields);
        EXPECT_EQ(r.error, c.error);
        if (c.error == FileError::None) {
            EXPECT_EQ(image.read(0, 1024), saved.read(0, 1024));
            EXPECT_EQ(image.read(0x400, 0x1000), before.read(0x400, 0x1000));
            EXPECT_EQ(fields, kFields);
        } else {
            EXPECT_TRUE(image == before) << "nothing of a refused file is used";
            EXPECT_EQ(fields[0], "keep");
        }
    }
}

TEST_F(CompressedFiles, BackupsOfBothKindsAreListedWithTheirCustomers) {
    const QDateTime t0(QDate(2026, 12, 10), QTime(14, 3, 22));
    const QString folder = path("b");
    ASSERT_TRUE(SaveBackup(folder, QStringLiteral("Varnet GSM"), 84, t0.addSecs(60), ConfigImage(),
                           {"Új ügyfél", "", "", "", "", ""}));
    // A backup of an earlier version: plain, named ".dat".
    ASSERT_TRUE(SaveConfigFile(folder + QStringLiteral("/Varnet-GSM_v8.3_2026-12-10_14-03-22.dat"),
                               ConfigImage(), {"Régi ügyfél", "", "", "", "", ""}));
    const auto list = ListBackups(folder, QStringLiteral("Varnet GSM"));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].path.endsWith(QStringLiteral(".dat.gz")));
    EXPECT_EQ(list[0].customer, QStringLiteral("Új ügyfél"));
    EXPECT_EQ(list[0].when, t0.addSecs(60));
    EXPECT_EQ(list[0].bytes, QFileInfo(list[0].path).size());
    EXPECT_EQ(list[1].customer, QStringLiteral("Régi ügyfél"));
    EXPECT_EQ(list[1].version, 83);
    EXPECT_EQ(list[1].bytes, kConfigFileSize);
}

TEST(BackupPruning, ByCountPerModelAndBySizeOldestFirstNeverTheOneJustSaved) {
    struct File {
        const char* model;
        int minute;
        qint64 bytes;
        bool plain = false; // a backup of an earlier version
    };
    struct Case {
        const char* what;
        std::vector<File> files;
        std::size_t justSaved; // index into files
        BackupLimits limits;
        std::set<std::size_t> left;
    };
    constexpr qint64 kNoSize = 1 << 30;
    const Case cases[] = {
        {"count: the model's newest; plain ones alike; another model untouched",
         {{"Varnet-GSM", 0, 100, true}, {"Varnet-GSM", 1, 100, true}, {"Varnet-GSM", 2, 100},
          {"Varnet-GSM", 3, 100}, {"Varnet-GSM", 4, 100}, {"Telgor-GSM", 0, 100}},
         4, {.kept = 2, .maxBytes = kNoSize}, {3, 4, 5}},
        {"size: oldest first, of any model, until the folder fits",
         {{"Varnet-GSM", 0, 4000, true}, {"Telgor-GSM", 1, 1000}, {"Varnet-GSM", 2, 1000},
          {"Telgor-GSM", 3, 1000}, {"Varnet-GSM", 4, 1000}},
         4, {.kept = 200, .maxBytes = 3500}, {2, 3, 4}},
        {"both: count first, then size over what is left",
         {{"Varnet-GSM", 0, 1000}, {"Varnet-GSM", 2, 1000}, {"Varnet-GSM", 3, 1000},
          {"Varnet-GSM", 4, 1000}, {"Varnet-GSM", 5, 1000}, {"Telgor-GSM", 1, 3000}},
         4, {.kept = 3, .maxBytes = 4000}, {2, 3, 4}},
        {"exactly at the size: nothing goes",
         {{"Varnet-GSM", 0, 1000}, {"Varnet-GSM", 1, 1000}}, 1, {.kept = 2, .maxBytes = 2000}, {0, 1}},
        {"the one just saved is the newest although the clock was behind",
         {{"Varnet-GSM", 10, 100}, {"Varnet-GSM", 20, 100}, {"Varnet-GSM", 30, 100}, {"Varnet-GSM", 0, 100}},
         3, {.kept = 1, .maxBytes = kNoSize}, {3}},
        {"the one just saved stays when it alone is over the size",
         {{"Varnet-GSM", 0, 1000}, {"Varnet-GSM", 1, 5000}}, 1, {.kept = 200, .maxBytes = 2000}, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        // Other files in the folder are neither counted nor removed.
        WriteAll(dir.filePath(QStringLiteral("notes.dat")), QByteArray(100000, 'n'));
        WriteAll(dir.filePath(QStringLiteral("Varnet-GSM_v8.4_2026-13-40_14-00-00.dat.gz")), QByteArray(100000, 'n'));
        std::vector<QString> paths;
        for (const File& f : c.files) {
            const QString name = QStringLiteral("%1_v8.4_2026-12-10_14-%2-00.dat%3")
                                     .arg(QLatin1String(f.model))
                                     .arg(f.minute, 2, 10, QLatin1Char('0'))
                                     .arg(f.plain ? QString() : QStringLiteral(".gz"));
            paths.push_back(dir.filePath(name));
            WriteAll(paths.back(), QByteArray(static_cast<qsizetype>(f.bytes), 'b'));
        }
        const int removed = PruneBackups(dir.path(), QStringLiteral("Varnet GSM"), c.limits, paths[c.justSaved]);
        EXPECT_EQ(removed, static_cast<int>(c.files.size() - c.left.size()));
        for (std::size_t i = 0; i < paths.size(); ++i)
            EXPECT_EQ(QFile::exists(paths[i]), c.left.count(i) == 1) << QFileInfo(paths[i]).fileName().toStdString();
        EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("notes.dat"))));
        EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Varnet-GSM_v8.4_2026-13-40_14-00-00.dat.gz"))));
    }
}
