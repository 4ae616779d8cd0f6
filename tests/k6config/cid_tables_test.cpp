// The built-in Contact ID tables, the grids' editing rules and the SMS selection for all events.

#include "k6config/cid_tables.h"
#include "k6config/config_codec.h"
#include "k6config/controls.h"

#include <gtest/gtest.h>

using namespace dalvex::k6config;

namespace {

struct CidFixture : ::testing::Test {
    PageValues k6{K6Controls()};
    PageValues door{DoorPhoneControls()};
};

} // namespace

TEST_F(CidFixture, DefaultEventTableByLanguage) {
    struct Case {
        int language;
        const char* row1;
        const char* row46code;
        const char* row46name;
    };
    const Case cases[] = {
        {1, "Burglary", "E381", "Loss of supervision - RF"},
        {0, "Betores", "E384", "RF ado elem kimerult"},
        {2, "Betores", "E384", "RF ado elem kimerult"}, // German: the Hungarian table
        {3, "Vlamanie", "E384", "Slaba bateria RF vysielaca"},
        {7, "Vloupani", "E384", "Slaba baterie RF vysilace"},
        {9, "Betores", "E384", "RF ado elem kimerult"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        k6.setCell("StringGrid3", 150, 0, "E999");
        k6.setEventSmsMask(3, 0x81);
        LoadDefaultEventTable(k6, c.language);
        EXPECT_EQ(k6.cell("StringGrid3", 1, 0), "E130");
        EXPECT_EQ(k6.cell("StringGrid3", 1, 1), c.row1);
        EXPECT_EQ(k6.cell("StringGrid3", 46, 0), c.row46code);
        EXPECT_EQ(k6.cell("StringGrid3", 46, 1), c.row46name);
        EXPECT_EQ(k6.cell("StringGrid3", 100, 0), "E628");
        EXPECT_EQ(k6.cell("StringGrid3", 101, 0), "");
        EXPECT_EQ(k6.cell("StringGrid3", 150, 0), "") << "rows past 100 are emptied";
        EXPECT_EQ(k6.eventSmsMask(3), 0x81) << "the SMS selection is not the table's";
    }
    // Every variant has the same codes but for row 46, and names that fit a record.
    const auto en = DefaultEventRows(TableVariant::English);
    for (TableVariant v : {TableVariant::Hungarian, TableVariant::Slovak, TableVariant::Czech}) {
        const auto rows = DefaultEventRows(v);
        ASSERT_EQ(rows.size(), 100u);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (i != 45) {
                EXPECT_EQ(rows[i].code, en[i].code) << i + 1;
            }
            EXPECT_FALSE(rows[i].name.isEmpty());
            EXPECT_LE(rows[i].name.size(), kCidNameLength);
        }
    }
}

TEST_F(CidFixture, ZoneTemplateFillsTwentyOneRowsAndEmptiesTheRest) {
    k6.setCell("StringGrid2", 30, 0, "05005");
    k6.setCell("StringGrid2", 30, 1, "Garage");
    LoadZoneTemplate(k6, 1);
    EXPECT_EQ(k6.cell("StringGrid2", 1, 0), "01001");
    EXPECT_EQ(k6.cell("StringGrid2", 15, 1), "Zone 15");
    EXPECT_EQ(k6.cell("StringGrid2", 20, 0), "??001");
    EXPECT_EQ(k6.cell("StringGrid2", 21, 1), "All Zone");
    EXPECT_EQ(k6.cell("StringGrid2", 30, 0), "");
    EXPECT_EQ(k6.cell("StringGrid2", 30, 1), "");
    LoadZoneTemplate(k6, 0);
    EXPECT_EQ(k6.cell("StringGrid2", 16, 1), "2. partició Zona 01");

    // The next encode marks the emptied records as empty (0xFF) instead of keeping the old ones.
    ConfigImage image;
    image.fill(0x340000, 0x4000, 0x33);
    EncodeConfigImage(image, k6, door, ImageContext{74});
    EXPECT_NE(image.at(0x340000), 0xFF);
    const std::uint32_t row22 = 0x340000 + 64 * 21;
    for (std::uint32_t a = row22; a < 0x344000; a += 64)
        EXPECT_EQ(image.at(a), 0xFF) << std::hex << a;
}

TEST_F(CidFixture, SmsSelectionGoesToEveryEventWithACode) {
    LoadDefaultEventTable(k6, 1);
    k6.setEventSmsMask(150, 0x40); // an empty row keeps its byte
    ApplySmsMaskToAllEvents(k6, 0x05);
    for (int row = 1; row <= 100; ++row)
        EXPECT_EQ(k6.eventSmsMask(row), 0x05) << row;
    EXPECT_EQ(k6.eventSmsMask(150), 0x40);
    EXPECT_EQ(k6.eventSmsMask(101), 0x00);
}

TEST(CidCellEdits, CodesAreCutAndUpperCasedWhenCompleteNamesCutTo58) {
    struct Case {
        bool event;
        int column;
        const char* typed;
        QString kept;
    };
    const QString seventy(70, QLatin1Char('n'));
    const Case cases[] = {
        {true, 0, "e13", "e13"},         {true, 0, "e130", "E130"},    {true, 0, "e1305", "E130"},
        {false, 0, "??0a", "??0a"},      {false, 0, "??0a1", "??0A1"}, {false, 0, "01001x", "01001"},
        {true, 1, "kitchen", "kitchen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(c.event ? EditedEventCell(c.column, c.typed) : EditedZoneCell(c.column, c.typed), c.kept);
    }
    EXPECT_EQ(EditedEventCell(1, seventy), seventy.left(58));
    EXPECT_EQ(EditedZoneCell(1, seventy).size(), 58);
}
