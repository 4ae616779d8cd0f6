// The door-phone window's rules over the values: what its send puts into the K6 window's values,
// what the image then holds, and the SMS forwarding target's items.

#include "k6config/config_codec.h"
#include "k6config/config_image.h"
#include "k6config/controls.h"
#include "k6config/door_phone.h"
#include "k6config/field_codecs.h"
#include "k6config/memory_map.h"
#include "k6config/page_values.h"

#include <gtest/gtest.h>

using namespace dalvex::k6config;

namespace {

const char* const kVoice[] = {"VOICEst1", "VOICEst2", "VOICEst3", "VOICEst4"};
const char* const kSms[] = {"SMSst1", "SMSst2", "SMSst3", "SMSst4"};

struct DoorPhoneFixture : ::testing::Test {
    PageValues k6{K6Controls()};
    PageValues door{DoorPhoneControls()};

    // A K6 window whose user set everything the door-phone presets undo.
    void spoilK6() {
        for (int i = 0; i < 4; ++i) {
            k6.setMask(kVoice[i], 0xFF);
            k6.setMask(kSms[i], 0xFF);
            k6.setChecked((QStringLiteral("best%1").arg(i + 1) + u'3').toStdString(), true);
            k6.setIndex(QStringLiteral("BE%1inv").arg(i + 1).toStdString(), 0);
        }
        k6.setNumber("SpinEdit5", 9);
        k6.setChecked("CheckEgyeb6", false);
        k6.setIndex("ComboBox12", 4);
    }
    void phone(int n, const QString& number) {
        door.setText(QStringLiteral("MaskEdit%1").arg(n).toStdString(), number);
    }
};

} // namespace

TEST_F(DoorPhoneFixture, EachFlatNumberTicksOnlyItsOwnItemOnItsBellInput) {
    // Number n belongs to bell input (n+1)/2 and is item n-1 of that input's voice list.
    for (int n = 0; n <= kPhoneCount; ++n) {
        SCOPED_TRACE(n);
        spoilK6();
        for (int m = 1; m <= kPhoneCount; ++m)
            phone(m, m == n ? QStringLiteral("+3630123456%1").arg(m) : QString());
        PrepareDoorPhoneSend(door, k6);
        for (int i = 0; i < 4; ++i) {
            const int expected = n > 0 && (n - 1) / 2 == i ? 1 << (n - 1) : 0;
            EXPECT_EQ(k6.mask(kVoice[i]), expected) << kVoice[i];
            EXPECT_EQ(k6.mask(kSms[i]), 0) << "no bell input sends an SMS";
        }
    }
}

TEST_F(DoorPhoneFixture, SendCopiesTheMirroredValuesAndSetsThePresets) {
    spoilK6();
    phone(1, "06301111111");
    phone(8, "+36208888888");
    phone(3, " 123"); // a number beginning with a blank is no number
    door.setNumber("SpinEdit4", 45);
    door.setNumber("SpinEdit18", 120);
    door.setNumber("SpinKI1", 7);
    door.setNumber("SpinKI2", 600);
    door.setChecked("CheckBox1KI1", false);
    door.setChecked("CheckBox3KI1", false);
    door.setChecked("CheckBox1KI2", true);
    door.setChecked("CheckBox3KI2", true);
    door.setChecked("CheckEgyeb2", true);
    door.setIndex("ComboBox11", 7);
    door.setText("Edit1", "4321");
    // The K6 window shows output 2 in minutes: the seconds must not be taken as minutes.
    k6.setIndex("KI2SECMIN", 1);

    PrepareDoorPhoneSend(door, k6);

    EXPECT_EQ(k6.text("MaskEdit1"), "06301111111");
    EXPECT_EQ(k6.text("MaskEdit8"), "+36208888888");
    EXPECT_EQ(k6.text("MaskEdit3"), " 123");
    EXPECT_EQ(k6.mask("VOICEst1"), 0x01);
    EXPECT_EQ(k6.mask("VOICEst2"), 0x00);
    EXPECT_EQ(k6.mask("VOICEst4"), 0x80);
    EXPECT_EQ(k6.number("SpinEdit4"), 45);
    EXPECT_EQ(k6.number("SpinEdit18"), 120);
    EXPECT_EQ(k6.number("Ki1Seconds"), 7);
    EXPECT_EQ(k6.number("Ki2Seconds"), 600);
    EXPECT_EQ(k6.index("KI2SECMIN"), 0);
    EXPECT_EQ(k6.number("SpinKI2"), 600);
    EXPECT_FALSE(k6.checked("CheckBox1KI1"));
    EXPECT_FALSE(k6.checked("CheckBox3KI1"));
    EXPECT_TRUE(k6.checked("CheckBox1KI2"));
    EXPECT_TRUE(k6.checked("CheckBox3KI2"));
    EXPECT_TRUE(k6.checked("CheckEgyeb2"));
    EXPECT_EQ(k6.index("ComboBox11"), 7);
    EXPECT_EQ(k6.text("Edit1"), "4321");

    EXPECT_EQ(k6.number("SpinEdit5"), 4);
    EXPECT_TRUE(k6.checked("CheckEgyeb6"));
    EXPECT_EQ(k6.index("ComboBox12"), 1);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_FALSE(k6.checked((QStringLiteral("best%1").arg(i) + u'3').toStdString())) << i;
        EXPECT_EQ(k6.index(QStringLiteral("BE%1inv").arg(i).toStdString()), 1) << i;
    }
}

TEST_F(DoorPhoneFixture, TheImageHoldsTheFlatsThePresetsAndTheDoorPhoneBytes) {
    spoilK6();
    phone(1, "06301111111");
    phone(8, "+36208888888");
    door.setChecked("CheckBox1", true);
    door.setNumber("SpinEdit2", 22);
    door.setNumber("SpinEdit3", 5);
    door.setNumber("TrackBar1", 7);
    door.setNumber("TrackBar2", 2);
    door.setNumber("SpinKI1", 300);
    PrepareDoorPhoneSend(door, k6);
    ConfigImage image;
    EncodeConfigImage(image, k6, door, {});

    // Input records at 8, 12, 16, 20: type (bit 7: normally open), SMS, voice, options.
    const std::uint8_t voice[] = {0x01, 0x00, 0x00, 0x80};
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t at = 8 + 4 * static_cast<std::uint32_t>(i);
        EXPECT_EQ(image.at(at) & 0x80, 0x80) << i;
        EXPECT_EQ(image.at(at + 1), 0) << i;
        EXPECT_EQ(image.at(at + 2), voice[i]) << i;
        EXPECT_EQ(image.at(at + 3) & 0x04, 0) << "no siren tone on input " << i + 1;
    }
    EXPECT_EQ(image.read(kPhoneBase, 11), QByteArray("06301111111"));
    EXPECT_EQ(image.read(kPhoneBase + 7 * kPhoneStride, 12), QByteArray("+36208888888"));
    EXPECT_EQ(image.at(79), 4);
    EXPECT_EQ(image.at(80), InputFilterByte(1));
    EXPECT_EQ(image.at(76) & 0x10, 0x10) << "microphone mode";
    EXPECT_EQ(image.at(65) << 8 | image.at(66), 300);
    EXPECT_EQ(image.at(111), 7);
    EXPECT_EQ(image.at(112), 2);
    EXPECT_EQ(image.at(115), 0xFF);
    EXPECT_EQ(image.at(116), 22);
    EXPECT_EQ(image.at(117), 5);

    door.setChecked("CheckBox1", false);
    EncodeConfigImage(image, k6, door, {});
    EXPECT_EQ(image.at(115), 0);
}

TEST_F(DoorPhoneFixture, HoursWrapAroundAtTheirLimits) {
    struct Case {
        const char* spin;
        int typed;
        int held;
    };
    for (const Case& c : {Case{"SpinEdit2", -1, 23}, Case{"SpinEdit3", 24, 0}, Case{"SpinEdit2", 0, 0},
                          Case{"SpinEdit3", 23, 23}, Case{"SpinEdit2", -5, 23}, Case{"SpinEdit3", 99, 0}}) {
        SCOPED_TRACE(testing::Message() << c.spin << " " << c.typed);
        door.setNumber(c.spin, c.typed);
        EXPECT_EQ(door.number(c.spin), c.held);
    }
}

TEST_F(DoorPhoneFixture, TargetItemsShowTheNumbersSet) {
    EXPECT_EQ(DoorPhoneTargetItems(door),
              (QStringList{"Phone1", "Phone2", "Phone3", "Phone4", "Phone5", "Phone6", "Phone7", "Phone8"}));
    phone(3, "06701234567");
    phone(5, " 5");
    EXPECT_EQ(DoorPhoneTargetItems(door), (QStringList{"Phone1", "Phone2", "06701234567", "Phone4", "Phone5",
                                                       "Phone6", "Phone7", "Phone8"}));
}

TEST_F(DoorPhoneFixture, ReadCopiesTheMirroredValuesBackAndSendingThemAgainChangesNothing) {
    // What a read brings into the door-phone window is what its next send stores again.
    ConfigImage image;
    k6.setText("MaskEdit2", "0612345678");
    k6.setNumber("SpinEdit4", 60);
    k6.setNumber("SpinEdit18", 150);
    k6.setNumber("SpinKI2", 9);
    k6.setNumber("Ki2Seconds", 9);
    k6.setChecked("CheckEgyeb2", true);
    k6.setIndex("ComboBox11", 2);
    door.setNumber("TrackBar2", 8);
    EncodeConfigImage(image, k6, door, {});

    PageValues k6b{K6Controls()};
    PageValues doorb{DoorPhoneControls()};
    DecodeConfigImage(image, k6b, doorb, {});
    EXPECT_EQ(doorb.text("MaskEdit2"), "0612345678");
    EXPECT_EQ(doorb.number("SpinEdit4"), 60);
    EXPECT_EQ(doorb.number("SpinEdit18"), 150);
    EXPECT_EQ(doorb.number("SpinKI2"), 9);
    EXPECT_TRUE(doorb.checked("CheckEgyeb2"));
    EXPECT_EQ(doorb.index("ComboBox11"), 2);
    EXPECT_EQ(doorb.number("TrackBar2"), 8);

    PrepareDoorPhoneSend(doorb, k6b);
    ConfigImage again;
    EncodeConfigImage(again, k6b, doorb, {});
    for (std::uint32_t a : {77u, 78u, 113u, 68u, 69u, 112u})
        EXPECT_EQ(again.at(a), image.at(a)) << a;
    EXPECT_EQ(again.read(kPhoneBase + kPhoneStride, 16), image.read(kPhoneBase + kPhoneStride, 16));
    EXPECT_EQ(again.at(10), 0x02) << "input 1 calls flat 1's reserve number";
}
