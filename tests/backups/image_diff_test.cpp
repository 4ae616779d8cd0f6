// What a send will change, control by control, and the backup files' names, listing and pruning.

#include "k6config/backups.h"
#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/image_diff.h"
#include "rich_model.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace dalvex::k6config;

namespace {

struct Images {
    ConfigImage before, after;
};

// The rich model encoded, then the same model with one change encoded again.
Images Encoded(const std::function<void(PageValues&)>& change, const ImageContext& context) {
    PageValues v(K6Controls()), door(DoorPhoneControls());
    makeRich(v);
    Images im;
    EncodeConfigImage(im.before, v, door, context);
    CopySentAreas(im.before, im.after);
    change(v);
    EncodeConfigImage(im.after, v, door, context);
    return im;
}

TEST(DiffImages, EachChangeIsOneRowAsThePagesShowIt) {
    const ImageContext context{74, QStringLiteral("Telgor GSM")};
    struct Case {
        const char* what;
        std::function<void(PageValues&)> change;
        QString control;
        int row;
    };
    const std::vector<Case> cases = {
        {"phone number", [](PageValues& v) { v.setText("MaskEdit3", QStringLiteral("36301234567")); },
         QStringLiteral("MaskEdit3"), -1},
        {"input type",
         [](PageValues& v) {
             v.setIndex("ComboBox1", (v.index("ComboBox1") + 1) %
                                         K6Controls().at(K6Controls().indexOf("ComboBox1")).itemCount());
         },
         QStringLiteral("ComboBox1"), -1},
        {"Contact ID row",
         [](PageValues& v) { v.setCell("StringGrid3", 7, 1, QStringLiteral("Nyitas ujra")); },
         QStringLiteral("StringGrid3"), 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Images im = Encoded(c.change, context);
        const auto rows = DiffImages(im.before, im.after, context);
        std::string all;
        for (const auto& r : rows)
            all += r.control.toStdString() + "[" + std::to_string(r.row) + "," + std::to_string(r.address) +
                   "] " + r.before.toStdString() + " -> " + r.after.toStdString() + "\n";
        ASSERT_EQ(rows.size(), 1u) << all;
        EXPECT_EQ(rows[0].control, c.control);
        EXPECT_EQ(rows[0].row, c.row);
        EXPECT_NE(rows[0].before, rows[0].after);
    }
    const Images same = Encoded([](PageValues&) {}, context);
    EXPECT_TRUE(DiffImages(same.before, same.after, context).empty());
}

TEST(DiffImages, BytesNoFieldDescribesAreReportedByAddress) {
    const ImageContext context{72, QStringLiteral("Telgor GSM")};
    Images im = Encoded([](PageValues&) {}, context);
    // Byte 75 is the module's own register: no page field stores it.
    im.after.set(75, static_cast<std::uint8_t>(im.before.at(75) ^ 0x5A));
    const auto rows = DiffImages(im.before, im.after, context);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].raw());
    EXPECT_EQ(rows[0].address, 75u);
}

TEST(Backups, NamedByModelVersionAndTimeListedNewestFirstAndPruned) {
    const QDateTime t0(QDate(2026, 12, 10), QTime(14, 3, 22));
    EXPECT_EQ(BackupFileName(QStringLiteral("Varnet GSM"), 84, t0),
              QStringLiteral("Varnet-GSM_v8.4_2026-12-10_14-03-22.dat.gz"));
    // Compressed backups and the plain ones of earlier versions.
    for (const char* name : {"Varnet-GSM_v8.4_2026-12-10_14-03-22.dat.gz", "Varnet-GSM_v8.4_2026-12-10_14-03-22.dat"}) {
        const auto parsed = ParseBackupName(QString::fromLatin1(name));
        ASSERT_TRUE(parsed) << name;
        EXPECT_EQ(parsed->model, QStringLiteral("Varnet-GSM"));
        EXPECT_EQ(parsed->version, 84);
        EXPECT_EQ(parsed->when, t0);
    }
    EXPECT_FALSE(ParseBackupName(QStringLiteral("notes.dat")));
    EXPECT_FALSE(ParseBackupName(QStringLiteral("Varnet-GSM_v8.4_2026-12-10_14-03-22.dat.gz.tmp")));

    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/b");
    ConfigImage image;
    CustomerFields fields;
    fields.fill(QStringLiteral(" "));
    for (int i = 0; i < 5; ++i) {
        fields[0] = QStringLiteral("Ügyfél %1").arg(i);
        ASSERT_TRUE(SaveBackup(folder, QStringLiteral("Varnet GSM"), 84, t0.addSecs(i * 60), image, fields));
    }
    ASSERT_TRUE(SaveBackup(folder, QStringLiteral("Telgor GSM"), 84, t0, image, fields));
    // Owner only: nothing for the group or others.
    EXPECT_EQ(QFile::permissions(folder) & 0x7077,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    auto list = ListBackups(folder, QStringLiteral("Varnet GSM"));
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].customer, QStringLiteral("Ügyfél 4"));
    EXPECT_EQ(QFile::permissions(list[0].path) & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    EXPECT_EQ(PruneBackups(folder, QStringLiteral("Varnet GSM"), BackupLimits{.kept = 2}), 3);
    list = ListBackups(folder, QStringLiteral("Varnet GSM"));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].customer, QStringLiteral("Ügyfél 4"));
    EXPECT_EQ(list[1].customer, QStringLiteral("Ügyfél 3"));
    EXPECT_EQ(ListBackups(folder, QStringLiteral("Telgor GSM")).size(), 1u) << "another model is left alone";
}

} // namespace
