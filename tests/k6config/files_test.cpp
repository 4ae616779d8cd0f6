// Configuration files and caller-ID list files, byte for byte.

#include "tests/support/file_bytes.h"
#include "k6config/callerid_files.h"
#include "k6config/config_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace dalvex::k6config;

namespace {

using dalvex::test::ReadAll;
using dalvex::test::WriteAll;

// An image with a recognisable pattern everywhere a file holds it, and different bytes beyond.
ConfigImage PatternImage(std::uint8_t seed) {
    ConfigImage img;
    for (std::uint32_t a = 0; a < ConfigImage::kSize; a += 997)
        img.set(a, static_cast<std::uint8_t>(a / 997 + seed));
    img.set(0x3E03FF, 0x5A);
    img.set(0x3E0400, 0xA5); // not stored in a file
    return img;
}

struct FilesFixture : ::testing::Test {
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

} // namespace

TEST_F(FilesFixture, ConfigFileLayoutAndRoundTrip) {
    const ConfigImage image = PatternImage(1);
    const QString longText(128, QLatin1Char('x'));
    const CustomerFields fields = {"Kovács Ödön", "Győr, Fő tér 1.", "+36301234567",
                                   "Riasztó 9",   longText,          ""};
    ASSERT_TRUE(SaveConfigFile(path("a.dat"), image, fields));

    const QByteArray file = ReadAll(path("a.dat"));
    ASSERT_EQ(file.size(), kConfigFileSize);
    EXPECT_EQ(file.left(1024), image.read(0, 1024));
    EXPECT_EQ(file.mid(1792), image.read(0x400, 0x3E0000));
    const QByteArray rec1 = file.mid(1024, 128);
    EXPECT_EQ(rec1[0], '\0');
    EXPECT_EQ(rec1.mid(1, 11), QByteArray("Kov\xe1"
                                          "cs \xd6"
                                          "d\xf6n")); // Windows-1250
    EXPECT_EQ(rec1[12], '\0');

    ConfigImage back;
    back.set(0x3E0400, 0xA5);
    CustomerFields read;
    ASSERT_TRUE(OpenConfigFile(path("a.dat"), back, read));
    EXPECT_EQ(back.read(0, 0x3E0400), image.read(0, 0x3E0400));
    EXPECT_EQ(back.at(0x3E0400), 0xA5) << "the part no file holds is left alone";
    EXPECT_EQ(read[0], fields[0]);
    EXPECT_EQ(read[1], fields[1]);
    EXPECT_EQ(read[4], longText.left(127)) << "a 128-character text comes back as its first 127";
    EXPECT_EQ(read[5], "");
}

TEST_F(FilesFixture, EmptyCustomerFieldsAreSavedAsASpace) {
    CustomerFields fields;
    FillEmptyCustomerFields(fields);
    for (const QString& f : fields)
        EXPECT_EQ(f, " ");
    ASSERT_TRUE(SaveConfigFile(path("e.dat"), ConfigImage(), fields));
    const QByteArray file = ReadAll(path("e.dat"));
    for (int i = 0; i < kCustomerFields; ++i) {
        EXPECT_EQ(file[1024 + i * 128 + 1], ' ');
        EXPECT_EQ(file[1024 + i * 128 + 2], '\0');
    }
}

TEST_F(FilesFixture, ShortFilesKeepTheRestOrAreRefusedWhole) {
    const ConfigImage saved = PatternImage(7);
    ASSERT_TRUE(SaveConfigFile(path("full.dat"), saved, {"a", "b", "c", "d", "e", "f"}));
    const QByteArray full = ReadAll(path("full.dat"));

    struct Case {
        qsizetype size;
        bool opens;
    };
    for (const Case& c : {Case{1792, true}, Case{1792 + 5000, true}, Case{1791, false}, Case{0, false}}) {
        SCOPED_TRACE(c.size);
        WriteAll(path("short.dat"), full.left(c.size));
        const ConfigImage before = PatternImage(99);
        ConfigImage image = before;
        CustomerFields fields = {"keep", "", "", "", "", ""};
        const FileResult r = OpenConfigFile(path("short.dat"), image, fields);
        EXPECT_EQ(bool(r), c.opens);
        if (c.opens) {
            EXPECT_EQ(image.read(0, 1024), saved.read(0, 1024));
            EXPECT_EQ(fields[5], "f");
            const auto tail = static_cast<std::uint32_t>(c.size - 1792);
            EXPECT_EQ(image.read(0x400, tail), saved.read(0x400, tail));
            EXPECT_EQ(image.read(0x400 + tail, 0x1000), before.read(0x400 + tail, 0x1000))
                << "the rest of the image keeps its contents";
        } else {
            EXPECT_EQ(r.error, FileError::TooShort);
            EXPECT_EQ(image, before) << "a refused file changes nothing";
            EXPECT_EQ(fields[0], "keep");
        }
    }
    ConfigImage image;
    CustomerFields fields;
    EXPECT_EQ(OpenConfigFile(path("missing.dat"), image, fields).error, FileError::NotFound);
}

TEST_F(FilesFixture, FailedSaveLeavesThePreviousFileIntact) {
    ASSERT_TRUE(SaveConfigFile(path("keep.dat"), PatternImage(3), {"old", "", "", "", "", ""}));
    const QByteArray before = ReadAll(path("keep.dat"));

    // The disk "fills up" half-way through the new file.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1 << 20;
    setrlimit(RLIMIT_FSIZE, &small);
    const FileResult r = SaveConfigFile(path("keep.dat"), PatternImage(4), {"new", "", "", "", "", ""});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, FileError::Io);
    EXPECT_EQ(ReadAll(path("keep.dat")), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.dat"})
        << "no temporary file is left";

    if (geteuid() != 0) { // root writes through folder permissions
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(SaveConfigFile(path("keep.dat"), PatternImage(5), {}).error, FileError::AccessDenied);
        QFile::setPermissions(dir.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(ReadAll(path("keep.dat")), before);
    }
    // Not "file not found": the folder is what is missing.
    const FileResult noFolder = SaveConfigFile(dir.filePath("no/such/folder.dat"), PatternImage(5), {});
    EXPECT_EQ(noFolder.error, FileError::Io);
    EXPECT_EQ(ReasonOf(noFolder.code), FileReason::NoFolder);
}

TEST(CallerIdFiles, Export) {
    CallerIdList list;
    list.rowCount = 3;
    list.rows = {{"+36301111111", "Kovács"}, {"06201234567", "Ügyelet"}};
    EXPECT_EQ(ExportCallerIds(list, CallerIdFormat::Csv), QByteArray("+36301111111;Kov\xe1"
                                                                     "cs\r\n06201234567;\xdc"
                                                                     "gyelet\r\n"));
    const QByteArray sim = ExportCallerIds(list, CallerIdFormat::Sim);
    EXPECT_TRUE(sim.startsWith("3\r\n+36301111111\r\nKov\xe1"
                               "cs\r\n06201234567\r\n"));
    EXPECT_EQ(sim.count("\r\n"), 501);

    const CallerIdList empty;
    EXPECT_EQ(ExportCallerIds(empty, CallerIdFormat::Csv), QByteArray());
    EXPECT_EQ(ExportCallerIds(empty, CallerIdFormat::Sim),
              QByteArray("1\r\n") + QByteArray(500, '\0').replace('\0', "\r\n"));
}

TEST(CallerIdFiles, Import) {
    struct Case {
        const char* what;
        QByteArray data;
        CallerIdFormat format;
        FileError error;
        int rowCount;
        std::vector<CallerIdEntry> first;
    };
    const QByteArray thirty(30, '7');
    const QByteArray long120 = QByteArray(105, '1') + ";x";
    const Case cases[] = {
        {"csv",
         "111;A\r\n222;B;C\r\n",
         CallerIdFormat::Csv,
         FileError::None,
         3,
         {{"111", "A"}, {"222", "B;C"}}},
        {"no separator", thirty + "\r\n", CallerIdFormat::Csv, FileError::None, 2, {{QString(thirty), ""}}},
        {"separator past 100",
         long120 + "\r\n",
         CallerIdFormat::Csv,
         FileError::None,
         2,
         {{QString(long120.left(100)), QString(long120.mid(101))}}},
        {"empty third line ends",
         "1;a\n2;b\n\n4;d\n",
         CallerIdFormat::Csv,
         FileError::None,
         3,
         {{"1", "a"}, {"2", "b"}}},
        {"sim",
         "3\r\n111\r\nA\r\n222\r\nB\r\n",
         CallerIdFormat::Sim,
         FileError::None,
         3,
         {{"111", "A"}, {"222", "B"}}},
        {"sim short file", "3\r\n111\r\n", CallerIdFormat::Sim, FileError::None, 3, {{"111", ""}, {"", ""}}},
        {"sim count kept in range", "9999\r\n", CallerIdFormat::Sim, FileError::None, 251, {}},
        {"sim not a number", "abc\r\n111\r\n", CallerIdFormat::Sim, FileError::NotANumber, 7, {}},
        {"sim empty", "", CallerIdFormat::Sim, FileError::NotANumber, 7, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CallerIdList list;
        list.rowCount = 7; // what a failed import must leave alone
        const FileResult r = ImportCallerIds(c.data, c.format, list);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(list.rowCount, c.rowCount);
        for (std::size_t i = 0; i < c.first.size(); ++i) {
            ASSERT_LT(i, list.rows.size());
            EXPECT_EQ(list.rows[i].number, c.first[i].number);
            EXPECT_EQ(list.rows[i].name, c.first[i].name);
        }
    }
}

TEST_F(FilesFixture, CallerIdRoundTripThroughFiles) {
    CallerIdList list;
    list.rowCount = 4;
    list.rows = {{"+3630", "Éva"}, {"", ""}, {"0620", "Ödön"}};
    for (CallerIdFormat f : {CallerIdFormat::Csv, CallerIdFormat::Sim}) {
        ASSERT_TRUE(SaveCallerIdFile(path("l.txt"), list, f));
        CallerIdList back;
        ASSERT_TRUE(OpenCallerIdFile(path("l.txt"), f, back));
        // An empty row is written as ";" (CSV) or two empty lines (SIM) and comes back empty.
        EXPECT_EQ(back.rowCount, 4);
        ASSERT_EQ(back.rows.size(), 3u);
        EXPECT_EQ(back.rows[0].name, "Éva");
        EXPECT_EQ(back.rows[1].number, "");
        EXPECT_EQ(back.rows[2].name, "Ödön");
    }
    CallerIdList back;
    EXPECT_EQ(OpenCallerIdFile(path("none.csv"), CallerIdFormat::Csv, back).error, FileError::NotFound);
}
