#include "k6config/controls.h"
#include "k6config/memory_map.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace dalvex::k6config {
namespace {

// Every name a field refers to is a control of the kind its codec expects, so a misspelt or
// retyped control fails here rather than on a page.
TEST(MemoryMap, EveryFieldNamesAControlOfTheRightKind) {
    using K = ControlKind;
    auto expect = [](const ControlTable& table, const char* name, std::set<K> kinds) {
        ASSERT_NE(name, nullptr);
        const int row = table.indexOf(name);
        ASSERT_GE(row, 0) << name << " is not a control of " << table.window().toStdString();
        EXPECT_TRUE(kinds.count(table.at(row).kind)) << name;
    };
    const ControlTable& k6 = K6Controls();
    auto expectBit = [&](const ControlTable& table, const FlagBit& b) {
        expect(table, b.control, {b.rule == BitRule::Item ? K::Choice : K::Check});
        if (b.rule == BitRule::Item) {
            EXPECT_LT(b.item, table.at(table.indexOf(b.control)).itemCount()) << b.control;
        }
    };

    for (const SourceRecordDef& s : SourceRecords()) {
        expect(k6, s.typeBox, {K::Choice});
        expectBit(k6, s.opposite);
        expect(k6, s.smsList, {K::CheckList});
        expect(k6, s.voiceList, {K::CheckList});
        for (const char* o : s.options)
            if (o) expect(k6, o, {K::Check});
    }
    for (const PhoneListDef& l : PhoneLists())
        expect(k6, l.list, {K::CheckList});
    for (const OutputDef& o : Outputs()) {
        for (const FlagBit& b : o.bits)
            expectBit(k6, b);
        expect(k6, o.modeBox, {K::Choice});
        expect(k6, o.spin, {K::Spin});
        expect(k6, o.unit, {K::Choice});
        expect(k6, o.seconds, {K::Value});
    }
    for (const ByteFieldDef& f : ByteFields()) {
        SCOPED_TRACE("byte " + std::to_string(f.offset));
        const ControlTable& table = f.doorPhone ? DoorPhoneControls() : k6;
        for (const FlagBit& b : f.bits)
            expectBit(table, b);
        if (f.gate) expect(table, f.gate, {K::Check});
        if (f.typeBox) expect(table, f.typeBox, {K::Choice});
        switch (f.codec) {
        case ByteCodec::Constant:
        case ByteCodec::Flags:
            break;
        case ByteCodec::PhoneMask:
            expect(table, f.control, {K::CheckList});
            break;
        case ByteCodec::SecurityCode:
            expect(table, f.control, {K::Text});
            break;
        case ByteCodec::CheckFF:
            expect(table, f.control, {K::Check});
            break;
        case ByteCodec::InputFilter:
        case ByteCodec::ReceiveLevel:
        case ByteCodec::PowerAlarmVoltage:
            expect(table, f.control, {K::Choice});
            break;
        default:
            expect(table, f.control, {K::Spin, K::Choice, K::Value});
        }
    }
    for (const TextFieldDef& t : TextFields())
        expect(k6, t.control, {K::Text});
    expect(k6, LegacyApnString().control, {K::Text});
    expect(k6, LegacyUdpString().control, {K::Text});
    expect(k6, kAccountControl, {K::Text});
    for (const char* tav : kMonitoringPhoneControls)
        expect(k6, tav, {K::Text});
    for (const CidCodeDef& c : CidCodes()) {
        expect(k6, c.code, {K::Text});
        if (c.zone) expect(k6, c.zone, {K::Text});
    }
    for (const CidTableDef& t : CidTables())
        expect(k6, t.grid, {K::Grid});
    for (int n = 1; n <= kProfileCount; ++n)
        for (const ProfileFieldDef& f : ProfileFields()) {
            const std::string name = QString::fromLatin1(f.control).arg(n).toStdString();
            const bool box = f.codec == ProfileCodec::Protocol || f.codec == ProfileCodec::Byte;
            expect(k6, name.c_str(), box ? std::set<K>{K::Choice} : std::set<K>{K::Text, K::EditCombo});
        }
}

TEST(MemoryMap, ControlNamesAreUniqueAndInitialValuesKeepToTheirLimits) {
    for (const ControlTable* table : {&K6Controls(), &DoorPhoneControls()}) {
        std::set<QString> names;
        for (const ControlDef& d : table->controls()) {
            EXPECT_TRUE(names.insert(d.name).second) << d.name.toStdString() << " twice";
            if (d.kind == ControlKind::Spin || d.kind == ControlKind::Value) {
                EXPECT_GE(d.initialNumber, d.minimum) << d.name.toStdString();
                EXPECT_LE(d.initialNumber, d.maximum) << d.name.toStdString();
            }
            if (d.kind == ControlKind::Choice) {
                EXPECT_LT(d.initialNumber, d.itemCount()) << d.name.toStdString();
            }
            if (d.kind == ControlKind::Text || d.kind == ControlKind::EditCombo) {
                EXPECT_LE(d.initialText.size(), d.maxLength) << d.name.toStdString();
            }
        }
    }
}

} // namespace
} // namespace dalvex::k6config
