// The image text converter, the images the program carries and the slot table.

#include "k6media/firmware_image.h"
#include "k6media/firmware_slots.h"
#include "tests/support/firmware_folder.h"

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
TEST(FirmwareImages, EachStandinHasTheProductsShape) {
    dalvex::test::StandinSwitch standin;
    FirmwareData data{QStringList{dalvex::test::StandinFirmwareDir()}};
    EXPECT_TRUE(data.Library().Problems().isEmpty()) << data.Library().Problems().join('\n').toStdString();
    for (int slot : {10, 12, 13, 14}) {
        SCOPED_TRACE(slot);
        const FirmwareEntry* entry = data.Entry(slot);
        ASSERT_TRUE(entry);
        EXPECT_TRUE(entry->standin);
        const ImageFile file = ReadImageFile(*entry);
        ASSERT_EQ(file.problem, ImageProblem::None);
        std::size_t digits = 0;
        for (const QByteArray& line : JoinFirmwareLines(file.text).split('\n')) {
            const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
            EXPECT_TRUE(l.size() >= 1 && l.size() <= 29) << l.size();
            digits += static_cast<std::size_t>(l.size());
        }
        EXPECT_EQ(digits, 2 * kFirmwareImageBytes);

        std::fill(data.FirmwareImage.begin(), data.FirmwareImage.end(), std::uint8_t{0xAA});
        data.FirmwareSlot = slot;
        const PreparedImage image = data.ConvertSlot();
        ASSERT_TRUE(image.ok());
        EXPECT_TRUE(image.standin);
        EXPECT_GE(image.bytes, 56840u);
        EXPECT_LE(image.bytes, 56940u);
        EXPECT_EQ(data.FirmwareImage[image.bytes - 1], 0xFF);
        EXPECT_TRUE(std::all_of(data.FirmwareImage.begin() + static_cast<std::ptrdiff_t>(image.bytes),
                                data.FirmwareImage.end(), [](std::uint8_t b) { return b == 0; }))
            << "an earlier buffer content never goes out with another image";
    }
    EXPECT_EQ(data.ImageVersion(13), 84);
    EXPECT_EQ(data.ImageLabel(12), "8.3 26K22");
    EXPECT_FALSE(data.ImageVersion(11)) << "slot 11 has no image";
}

// Only an image that is what its manifest says, and no stand-in unless the developer switch is
// on, is converted for the download; anything else leaves the buffer empty and says why.
TEST(FirmwareImages, OnlyAVerifiedImageIsConverted) {
    const QByteArray good = dalvex::test::MakeImageText(5);
    dalvex::test::FirmwareFolder folder;
    folder.add(13, 84, good);
    folder.add(10, 83, good, false, QByteArray(64, 'a')); // the manifest's checksum is another file's
    folder.add(14, 83, good, true);                       // marked as a stand-in
    folder.appendManifest("12 83 " + QByteArray(64, '0') + " gone.txt\n");
    dalvex::test::FirmwareFolder standins;
    standins.copyStandins();

    const std::vector<std::uint8_t> expected = dalvex::test::ConvertedImage(good);

    struct Case {
        const char* name;
        QString folder;
        int slot;
        bool standinSwitch;
        ImageProblem problem;
        bool standin;
    };
    const std::vector<Case> cases = {
        {"good image", folder.path(), 13, false, ImageProblem::None, false},
        {"bad checksum", folder.path(), 10, true, ImageProblem::ChecksumMismatch, false},
        {"file missing", folder.path(), 12, true, ImageProblem::Unreadable, false},
        {"no image for the slot", folder.path(), 11, true, ImageProblem::NoImage, false},
        {"no slot", folder.path(), kNoSlot, true, ImageProblem::NoImage, false},
        {"marked stand-in without the switch", folder.path(), 14, false, ImageProblem::StandinRefused, true},
        {"stand-in by its bytes without the switch", standins.path(), 13, false, ImageProblem::StandinRefused, true},
        {"stand-in with the switch", standins.path(), 13, true, ImageProblem::None, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dalvex::test::StandinSwitch standinSwitch(c.standinSwitch);
        FirmwareData data{QStringList{c.folder}};
        data.FirmwareImage.assign(kFirmwareImageSize, 0xAA);
        data.FirmwareSlot = c.slot;
        const PreparedImage image = data.ConvertSlot();
        EXPECT_EQ(image.problem, c.problem);
        EXPECT_EQ(image.standin, c.standin);
        if (c.problem == ImageProblem::None) {
            if (c.folder == folder.path()) {
                EXPECT_EQ(data.FirmwareImage, expected);
            }
        } else if (c.problem == ImageProblem::StandinRefused) {
            EXPECT_TRUE(std::all_of(data.FirmwareImage.begin(), data.FirmwareImage.end(),
                                    [](std::uint8_t b) { return b == 0; }))
                << "a refused stand-in leaves nothing to send";
        } else {
            EXPECT_EQ(data.FirmwareImage[0], 0xAA) << "the buffer is untouched";
        }
        if (c.problem == ImageProblem::ChecksumMismatch) {
            EXPECT_EQ(image.file, folder.file(10));
        }
    }
}

// The manifest: lines that cannot be read are skipped and reported, a file outside the folder is
// never named, and the first folder that names a slot provides it.
TEST(FirmwareLibraryManifest, ReadsGoodLinesAndReportsTheRest) {
    const QByteArray sha(64, 'b');
    dalvex::test::FirmwareFolder first, second;
    first.appendManifest("# comment\n"
                         "\n"
                         "13 84 " + sha + " a.txt   # trailing comment\n"
                         "15 84 " + sha + " b.txt\n"
                         "12 x " + sha + " c.txt\n"
                         "12 83 " + sha.left(63) + " c.txt\n"
                         "12 83 " + sha + " ../c.txt\n"
                         "12 83 " + sha + " c.txt extra\n"
                         "13 85 " + sha + " later.txt\n");
    second.appendManifest("13 90 " + sha + " other.txt\n"
                          "14 83 " + sha.toUpper() + " d.txt standin\n");
    const FirmwareLibrary lib = FirmwareLibrary::Load({first.path(), second.path()});
    EXPECT_EQ(lib.Problems().size(), 5) << lib.Problems().join('\n').toStdString();
    ASSERT_TRUE(lib.Find(13));
    EXPECT_EQ(lib.Find(13)->version, 84);
    EXPECT_EQ(lib.Find(13)->path, first.path() + "/a.txt");
    EXPECT_FALSE(lib.Find(12));
    ASSERT_TRUE(lib.Find(14));
    EXPECT_TRUE(lib.Find(14)->standin);
    EXPECT_EQ(lib.Find(14)->sha256, sha);
}

TEST(FirmwareSlots, RecognitionFollowsTheTable) {
    EXPECT_EQ(MatchProcessor(kProcessors, 10, 75)->slot, 14);
    EXPECT_EQ(MatchProcessor(kOldProcessors, 10, 75), nullptr) << "older modules do not know slot 14";
    EXPECT_EQ(MatchProcessor(kProcessors, 11, 200)->slot, 11);
    EXPECT_EQ(MatchProcessor(kProcessors, 12, 72), nullptr);
}
