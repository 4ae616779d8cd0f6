// The image text converter, the images the program carries and the slot table.

#include "k6media/firmware_image.h"
#include "k6media/firmware_slots.h"

#include <QList>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace dalvex::k6media;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Convert(std::string_view text, std::size_t* count = nullptr, std::uint8_t fill = 0xEE) {
    Bytes image(kFirmwareImageSize, fill);
    const std::size_t n = ConvertFirmwareText(text, image);
    if (count) *count = n;
    return Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n));
}

} // namespace

TEST(FirmwareConverter, TurnsDigitPairsIntoBytesAcrossLineBreaks) {
    struct Case {
        const char* name;
        std::string text;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"pairs and a line break", "C3AC\r\n0D", {0xC3, 0xAC, 0x0D}},
        {"pair split by a line break", "3\r\nA", {0x3A}},
        {"lower case", "c3ac\r\nff", {0xC3, 0xAC, 0xFF}},
        {"lone last character is the low nibble", "C3A", {0xC3, 0x0A}},
        {"other characters count as 0",
         "G1 Z\xC3"
         "5",
         {0x01, 0x00, 0x05}},
        {"line breaks inside a pair within eight characters", std::string("3\r\n\r\n\r\nA"), {0x3A}},
        {"eight characters examined at most",
         std::string("3\x01\x02\x03\x04\x05\x06\x07"
                     "A"),
         {0x03, 0x0A}},
        {"a final line break gives no byte", "C3\r\n", {0xC3}},
        {"empty text", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Convert(c.text), c.bytes);
    }
}

TEST(FirmwareConverter, BeginsNoByteAfterCharacter123000AndLeavesTheRestOfTheBuffer) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t bytes;
    };
    const std::string ones(130000, '1');
    const std::vector<Case> cases = {
        // Bytes begin at characters 1, 3 .. 122,999.
        {"pairs on odd positions", ones, 61500},
        // Byte 0 takes "\r11"; bytes then begin at 4, 6 .. 123,000, the last one reading
        // character 123,001.
        {"pairs on even positions", "\r" + ones, 61500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes image(kFirmwareImageSize, 0xEE);
        const std::size_t n = ConvertFirmwareText(c.text, image);
        EXPECT_EQ(n, c.bytes);
        EXPECT_EQ(image[n - 1], 0x11);
        EXPECT_EQ(image[n], 0xEE) << "the rest of the buffer keeps its content";
        EXPECT_EQ(image.back(), 0xEE);
    }
}

TEST(FirmwareConverter, JoinsLinesWithCrLf) {
    EXPECT_EQ(JoinFirmwareLines("AB\nCD\n"), QByteArray("AB\r\nCD"));
    EXPECT_EQ(JoinFirmwareLines("AB\r\nCD"), QByteArray("AB\r\nCD"));
    EXPECT_EQ(JoinFirmwareLines(""), QByteArray());
}

// The stand-in images have the shape of the product's: 114,720 digits in lines of 1 to 29
// characters, ending in 0xFF; about 56,840 to 56,940 bytes of each are converted.
TEST(FirmwareImages, EachPresentSlotCarriesAnImageOfTheProductsShape) {
    FirmwareData data;
    for (const FirmwareSlotDef& s : kFirmwareSlots) {
        SCOPED_TRACE(s.slot);
        ASSERT_EQ(data.HasImage(s.slot), s.present);
        if (!s.present) continue;
        const QList<QByteArray> lines = data.Text(s.slot).split('\n');
        std::size_t digits = 0;
        for (const QByteArray& l : lines) {
            const QByteArray line = l.endsWith('\r') ? l.chopped(1) : l;
            EXPECT_TRUE(line.size() >= 1 && line.size() <= 29) << line.size();
            digits += static_cast<std::size_t>(line.size());
        }
        EXPECT_EQ(digits, 2 * kFirmwareImageBytes);

        std::fill(data.FirmwareImage.begin(), data.FirmwareImage.end(), std::uint8_t{0xAA});
        data.FirmwareSlot = s.slot;
        const std::optional<std::size_t> n = data.ConvertSlot();
        ASSERT_TRUE(n);
        EXPECT_GE(*n, 56840u);
        EXPECT_LE(*n, 56940u);
        EXPECT_EQ(data.FirmwareImage[*n - 1], 0xFF);
        EXPECT_TRUE(std::all_of(data.FirmwareImage.begin() + static_cast<std::ptrdiff_t>(*n),
                                data.FirmwareImage.end(), [](std::uint8_t b) { return b == 0; }))
            << "an earlier buffer content never goes out with another image";
    }
}

TEST(FirmwareImages, SlotWithoutImageConvertsNothingAndLeavesTheBuffer) {
    FirmwareData data;
    data.FirmwareImage.assign(kFirmwareImageSize, 0xAA);
    for (int slot : {kNoSlot, 11, 15}) {
        SCOPED_TRACE(slot);
        data.FirmwareSlot = slot;
        EXPECT_FALSE(data.ConvertSlot());
        EXPECT_EQ(data.FirmwareImage[0], 0xAA);
    }
}

TEST(FirmwareSlots, VersionsAndRecognitionFollowTheTable) {
    EXPECT_EQ(ImageVersion(10), 83);
    EXPECT_EQ(ImageVersion(12), 83);
    EXPECT_EQ(ImageVersion(13), 84);
    EXPECT_EQ(ImageVersion(14), 83);
    EXPECT_FALSE(ImageVersion(11));
    EXPECT_FALSE(ImageVersion(0));
    EXPECT_EQ(MatchProcessor(kProcessors, 10, 75)->slot, 14);
    EXPECT_EQ(MatchProcessor(kOldProcessors, 10, 75), nullptr) << "older modules do not know slot 14";
    EXPECT_EQ(MatchProcessor(kProcessors, 11, 200)->slot, 11);
    EXPECT_EQ(MatchProcessor(kProcessors, 12, 72), nullptr);
}
