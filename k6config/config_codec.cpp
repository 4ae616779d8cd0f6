#include "config_codec.h"

#include "cp1250.h"
#include "field_codecs.h"
#include "memory_map.h"

#include <string>
#include <vector>

namespace dalvex::k6config {
namespace {

constexpr std::uint8_t kEmpty = 0xFF;

bool bitOf(const PageValues& v, const FlagBit& b) {
    switch (b.rule) {
    case BitRule::Checked:
        return v.checked(b.control);
    case BitRule::Unchecked:
        return !v.checked(b.control);
    case BitRule::Item:
        return v.index(b.control) == b.item;
    }
    return false;
}

std::uint8_t packBits(const PageValues& v, std::span<const FlagBit> bits) {
    std::uint8_t byte = 0;
    for (const FlagBit& b : bits)
        if (bitOf(v, b)) byte |= static_cast<std::uint8_t>(1u << b.bit);
    return byte;
}

void unpackBits(PageValues& v, std::span<const FlagBit> bits, std::uint8_t byte) {
    // A choice spread over several bits starts at item 0; each of its bits that is set then
    // selects its item, the later bit winning.
    for (const FlagBit& b : bits)
        if (b.rule == BitRule::Item) v.setIndex(b.control, 0);
    for (const FlagBit& b : bits) {
        const bool set = (byte >> b.bit) & 1u;
        switch (b.rule) {
        case BitRule::Checked:
            v.setChecked(b.control, set);
            break;
        case BitRule::Unchecked:
            v.setChecked(b.control, !set);
            break;
        case BitRule::Item:
            if (set) v.setIndex(b.control, b.item);
            break;
        }
    }
}

std::uint8_t packOptions(const PageValues& v, const SourceRecordDef& s) {
    std::uint8_t byte = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (s.options[bit] && v.checked(s.options[bit])) byte |= static_cast<std::uint8_t>(1u << bit);
    return byte;
}

const ControlDef* controlDef(const PageValues& v, std::string_view name) {
    const int row = v.table().indexOf(name);
    return row < 0 ? nullptr : &v.table().at(row);
}

// The names of the server-profile controls, profile by profile, field by field.
const std::vector<std::string>& profileControlNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (int p = 1; p <= kProfileCount; ++p)
            for (const ProfileFieldDef& f : ProfileFields())
                n.push_back(QString::fromLatin1(f.control).arg(p).toStdString());
        return n;
    }();
    return names;
}

// Item 1 of an editable box that stores it as 0xFF ("AUTO", "OFF").
QString autoItem(const PageValues& v, std::string_view name) {
    const ControlDef* d = controlDef(v, name);
    return d && d->itemCount() > 1 ? d->items[1] : QString();
}

// --- Encoding ----------------------------------------------------------------------------------------

void encodeByteFields(ConfigImage& image, const PageValues& k6, const PageValues& door,
                      const ImageContext& context, int step) {
    for (const ByteFieldDef& f : ByteFields()) {
        if (f.encodeStep != step) continue;
        const PageValues& v = f.doorPhone ? door : k6;
        switch (f.codec) {
        case ByteCodec::Constant:
            WriteByteValue(image, f.offset, f.param);
            break;
        case ByteCodec::Value:
        case ByteCodec::WriteOnlyValue:
            WriteByteValue(image, f.offset, v.number(f.control) + f.param);
            break;
        case ByteCodec::Flags:
            image.set(f.offset, packBits(v, f.bits));
            break;
        case ByteCodec::PhoneMask:
            image.set(f.offset, v.mask(f.control));
            break;
        case ByteCodec::BE16:
            WriteBE16(image, f.offset, v.number(f.control));
            break;
        case ByteCodec::AsciiDigits2:
            WriteAsciiDigits2(image, f.offset, v.number(f.control));
            break;
        case ByteCodec::Gated:
        case ByteCodec::TemperatureLimit:
            if (v.checked(f.gate))
                WriteByteValue(image, f.offset, v.number(f.control) + f.param);
            else
                image.set(f.offset, f.off);
            break;
        case ByteCodec::SecurityCode: {
            // A code of another length keeps the module's previous code.
            const QString code = v.text(f.control);
            if (code.size() == 4) image.write(f.offset, ToCp1250(code));
            break;
        }
        case ByteCodec::InputFilter:
            image.set(f.offset, InputFilterByte(v.index(f.control)));
            break;
        case ByteCodec::ReceiveLevel:
            image.set(f.offset, ReceiveLevelByte(v.index(f.control), context.moduleType));
            break;
        case ByteCodec::PowerAlarmVoltage:
            image.set(f.offset, PowerAlarmVoltageByte(v.index(f.control)));
            break;
        case ByteCodec::LineVoltage:
            image.set(f.offset, LineVoltageByte(v.number(f.control)));
            break;
        case ByteCodec::CheckFF:
            image.set(f.offset, v.checked(f.control) ? 0xFF : 0x00);
            break;
        }
    }
}

void encodeTexts(ConfigImage& image, const PageValues& v, int step) {
    for (const TextFieldDef& t : TextFields())
        if (t.encodeStep == step) WriteFoldedText(image, t.offset, t.width, v.text(t.control));
}

void encodeSource(ConfigImage& image, const PageValues& v, const SourceRecordDef& s) {
    image.set(s.offset, TypeByteOf(v.index(s.typeBox), bitOf(v, s.opposite)));
    image.set(s.offset + 1, v.mask(s.smsList));
    image.set(s.offset + 2, s.storesVoiceAndOptions ? v.mask(s.voiceList) : 0);
    image.set(s.offset + 3, s.storesVoiceAndOptions ? packOptions(v, s) : 0);
}

void encodeLegacyString(ConfigImage& image, const PageValues& v, const LegacyStringDef& d) {
    image.write(d.offset, d.prefix);
    const std::uint32_t end = WriteFoldedText(image, d.offset + static_cast<std::uint32_t>(d.prefix.size()),
                                              d.width, v.text(d.control));
    image.write(end, d.tail);
    image.set(end + static_cast<std::uint32_t>(d.tail.size()), kEmpty);
}

void encodeCidTable(ConfigImage& image, const PageValues& v, const CidTableDef& t) {
    for (int row = 1; row <= kGridRecords; ++row) {
        const std::uint32_t record = t.base + static_cast<std::uint32_t>(kCidRecordSize * (row - 1));
        const QString code = v.cell(t.grid, row, 0);
        if (code.isEmpty()) {
            // Only the mark: the rest of the record keeps its bytes.
            image.set(record, kEmpty);
            continue;
        }
        QString name = v.cell(t.grid, row, 1);
        if (t.kind == CidTableKind::Partition) {
            WriteCidDigits(image, record, 4, code.left(4));
            image.set(record + 4, code.size() > 4 ? CidDigitOf(code[4]) : 255);
            if (name.isEmpty()) name = QStringLiteral("Partition+zone: ") + code;
        } else {
            QString digits = code.left(4);
            if (digits.startsWith(QLatin1Char('E'))) digits[0] = QLatin1Char('1');
            WriteCidDigits(image, record, 4, digits);
            image.set(record + 4, v.eventSmsMask(row));
            if (name.isEmpty()) name = QStringLiteral("Event code: ") + code;
        }
        image.set(record + 5, 0);
        WritePlainText(image, record + 6, kCidNameWidth, name);
    }
}

void encodeProfiles(ConfigImage& image, const PageValues& v) {
    const auto& names = profileControlNames();
    std::size_t n = 0;
    for (int p = 0; p < kProfileCount; ++p) {
        const std::uint32_t base = kProfileBase + kProfileStride * static_cast<std::uint32_t>(p);
        for (const ProfileFieldDef& f : ProfileFields()) {
            const std::string& name = names[n++];
            const std::uint32_t at = base + f.offset;
            switch (f.codec) {
            case ProfileCodec::Folded:
                WriteFoldedText(image, at, f.width, v.text(name));
                break;
            case ProfileCodec::AutoItem:
                if (v.text(name) == autoItem(v, name))
                    image.set(at, kEmpty);
                else
                    WriteFoldedText(image, at, f.width, v.text(name));
                break;
            case ProfileCodec::Protocol: {
                const int item = v.index(name);
                image.set(at, item == 0 ? kEmpty : static_cast<std::uint8_t>(item & 0xFF));
                break;
            }
            case ProfileCodec::Byte:
                image.set(at, static_cast<std::uint8_t>(v.index(name) & 0xFF));
                break;
            }
        }
    }
}

std::string phoneControl(int n) {
    return "MaskEdit" + std::to_string(n);
}

// --- Decoding ----------------------------------------------------------------------------------------

void decodeByteFields(const ConfigImage& image, PageValues& k6, PageValues& door, const ImageContext& context,
                      int step) {
    for (const ByteFieldDef& f : ByteFields()) {
        if (f.decodeStep != step) continue;
        PageValues& v = f.doorPhone ? door : k6;
        const std::uint8_t byte = image.at(f.offset);
        switch (f.codec) {
        case ByteCodec::Constant:
        case ByteCodec::WriteOnlyValue:
            break;
        case ByteCodec::Value:
            v.setNumber(f.control, byte - f.param);
            break;
        case ByteCodec::Flags:
            unpackBits(v, f.bits, byte);
            break;
        case ByteCodec::PhoneMask:
            v.setMask(f.control, byte);
            break;
        case ByteCodec::BE16:
            v.setNumber(f.control, ReadBE16(image, f.offset));
            break;
        case ByteCodec::AsciiDigits2:
            v.setNumber(f.control, ReadAsciiDigits2(image, f.offset));
            break;
        case ByteCodec::TemperatureLimit:
            // The limits take input only while the temperature source is in use.
            if (v.index(f.typeBox) == 0) {
                v.setNumber(f.control, 0);
                v.setEnabled(f.gate, false);
                v.setEnabled(f.control, false);
                break;
            }
            v.setEnabled(f.gate, true);
            v.setEnabled(f.control, true);
            [[fallthrough]];
        case ByteCodec::Gated: {
            const bool on = byte != f.off;
            v.setChecked(f.gate, on);
            if (on || f.gateOff == GateOff::ShowByte)
                v.setNumber(f.control, byte & f.valueMask);
            else if (f.gateOff == GateOff::ShowZero)
                v.setNumber(f.control, 0);
            break;
        }
        case ByteCodec::SecurityCode: {
            QByteArray code = image.read(f.offset, 4);
            const qsizetype nul = code.indexOf('\0');
            if (nul >= 0) code.truncate(nul);
            v.setText(f.control, FromCp1250(code));
            break;
        }
        case ByteCodec::InputFilter:
            if (const auto item = InputFilterItem(byte)) v.setIndex(f.control, *item);
            break;
        case ByteCodec::ReceiveLevel:
            v.setIndex(f.control, ReceiveLevelItem(byte, context.moduleType));
            break;
        case ByteCodec::PowerAlarmVoltage:
            v.setIndex(f.control, PowerAlarmVoltageItem(byte));
            break;
        case ByteCodec::LineVoltage:
            v.setNumber(f.control, LineVoltageVolts(byte));
            break;
        case ByteCodec::CheckFF:
            v.setChecked(f.control, byte != 0);
            break;
        }
    }
}

void decodeTexts(const ConfigImage& image, PageValues& v, int step) {
    for (const TextFieldDef& t : TextFields())
        if (t.decodeStep == step) v.setText(t.control, ReadFoldedText(image, t.offset, t.width));
}

void showPage(PageValues& v, const char* page) {
    const QString name = QString::fromLatin1(page);
    RefreshPhoneItems(v, name);
    v.requestShowHandler(name);
}

void decodeSources(const ConfigImage& image, PageValues& v, int step) {
    for (const SourceRecordDef& s : SourceRecords()) {
        if (s.decodeStep != step) continue;
        const std::uint8_t type = image.at(s.offset);
        v.setIndex(s.typeBox, ReadTypeByte(type).itemIndex);
        unpackBits(v, std::span(&s.opposite, 1), type);
        v.setMask(s.smsList, image.at(s.offset + 1));
        v.setMask(s.voiceList, image.at(s.offset + 2));
        const std::uint8_t options = image.at(s.offset + 3);
        for (int bit = 0; bit < 8; ++bit)
            if (s.options[bit]) v.setChecked(s.options[bit], (options >> bit) & 1u);
        if (s.page) showPage(v, s.page);
    }
}

void decodeOutputs(const ConfigImage& image, PageValues& v, int step) {
    for (std::size_t i = 0; i < Outputs().size(); ++i) {
        const OutputDef& o = Outputs()[i];
        if (o.decodeStep != step) continue;
        unpackBits(v, o.bits, image.at(o.flagsOffset));
        v.setIndex(o.unit, 0); // "Sec"
        const int seconds = ReadBE16(image, o.timeOffset);
        v.setNumber(o.spin, seconds);
        v.setNumber(o.seconds, seconds);
        ApplyOutputMode(v, static_cast<int>(i) + 1);
    }
}

void decodeLegacyString(const ConfigImage& image, PageValues& v, const LegacyStringDef& d) {
    QString text = ReadFoldedText(image, d.offset + static_cast<std::uint32_t>(d.prefix.size()), d.width);
    const qsizetype quote = text.indexOf(QLatin1Char('"'));
    if (quote >= 0) text.truncate(quote);
    v.setText(d.control, text);
}

void decodeCidTable(const ConfigImage& image, PageValues& v, const CidTableDef& t) {
    for (int row = 1; row <= kGridRecords; ++row) {
        const std::uint32_t record = t.base + static_cast<std::uint32_t>(kCidRecordSize * (row - 1));
        if (image.at(record) == kEmpty) {
            v.setCell(t.grid, row, 0, QString());
            v.setCell(t.grid, row, 1, QString());
            if (t.kind == CidTableKind::Event) v.setEventSmsMask(row, 0);
            continue;
        }
        QString code = ReadCidDigits(image, record, 4);
        if (t.kind == CidTableKind::Partition) {
            code.append(CidCharOf(image.at(record + 4)));
        } else {
            if (code[0] == QLatin1Char('1'))
                code[0] = QLatin1Char('E');
            else if (code[0] == QLatin1Char('3'))
                code[0] = QLatin1Char('R');
            v.setEventSmsMask(row, image.at(record + 4));
        }
        v.setCell(t.grid, row, 0, code);
        v.setCell(t.grid, row, 1, ReadPlainText(image, record + 6, kCidNameWidth));
    }
}

void decodeProfiles(const ConfigImage& image, PageValues& v) {
    const auto& names = profileControlNames();
    // The protocol and transport boxes first, then the texts.
    for (const bool texts : {false, true}) {
        std::size_t n = 0;
        for (int p = 0; p < kProfileCount; ++p) {
            const std::uint32_t base = kProfileBase + kProfileStride * static_cast<std::uint32_t>(p);
            for (const ProfileFieldDef& f : ProfileFields()) {
                const std::string& name = names[n++];
                const std::uint32_t at = base + f.offset;
                const bool isText = f.codec == ProfileCodec::Folded || f.codec == ProfileCodec::AutoItem;
                if (isText != texts) continue;
                const std::uint8_t byte = image.at(at);
                switch (f.codec) {
                case ProfileCodec::Folded:
                    v.setText(name, ReadFoldedText(image, at, f.width));
                    break;
                case ProfileCodec::AutoItem:
                    v.setText(name, byte == kEmpty ? autoItem(v, name) : ReadFoldedText(image, at, f.width));
                    break;
                case ProfileCodec::Protocol:
                    v.setIndex(name, byte == kEmpty || byte == 0 ? 0 : byte);
                    break;
                case ProfileCodec::Byte:
                    v.setIndex(name, byte);
                    break;
                }
            }
        }
    }
}

// Values of the K6 window that the door-phone window shows as well.
constexpr const char* kDoorPhoneMirrors[] = {
    "MaskEdit1",   "MaskEdit2",    "MaskEdit3",    "MaskEdit4",    "MaskEdit5",    "MaskEdit6", "MaskEdit7",
    "MaskEdit8",   "SpinEdit4",    "SpinEdit18",   "ComboBox11",   "Edit1",        "SpinKI1",   "SpinKI2",
    "CheckEgyeb2", "CheckBox1KI1", "CheckBox1KI2", "CheckBox3KI1", "CheckBox3KI2",
};

void copyToDoorPhone(const PageValues& k6, PageValues& door) {
    for (const char* name : kDoorPhoneMirrors) {
        const ControlDef* d = controlDef(door, name);
        if (d && (d->kind == ControlKind::Text || d->kind == ControlKind::EditCombo))
            door.setText(name, k6.text(name));
        else
            door.setNumber(name, k6.number(name));
    }
}

} // namespace

QString BrandName(const QString& companySetting, const QString& proModelName) {
    if (companySetting.startsWith(QLatin1Char('*'))) return companySetting.mid(1);
    return proModelName;
}

bool IsPhoneSet(const QString& number) {
    return !number.isEmpty() && number[0] != QLatin1Char(' ');
}

std::uint8_t PhonesSetMask(const PageValues& k6) {
    std::uint8_t mask = 0;
    for (int n = 1; n <= kPhoneCount; ++n)
        if (IsPhoneSet(k6.text(phoneControl(n)))) mask |= static_cast<std::uint8_t>(1u << (n - 1));
    return mask;
}

void RefreshPhoneItems(PageValues& k6, const QString& page) {
    const std::uint8_t set = PhonesSetMask(k6);
    for (const PhoneListDef& l : PhoneLists())
        if (page == QLatin1String(l.page)) k6.setItemEnabledMask(l.list, set);
}

void ApplyOutputMode(PageValues& k6, int output) {
    if (output < 1 || output > static_cast<int>(Outputs().size())) return;
    const OutputDef& o = Outputs()[static_cast<std::size_t>(output - 1)];
    const bool mono = k6.index(o.modeBox) == 0;
    k6.setEnabled(o.spin, mono);
    k6.setEnabled(o.unit, mono);
}

void EncodeConfigImage(ConfigImage& image, PageValues& k6, const PageValues& door,
                       const ImageContext& context) {
    // 1. Models 72 and 73 report over GPRS only with these settings; the pages show the change.
    if (context.moduleType == 72 || context.moduleType == 73) {
        k6.setChecked("CheckBox15", true);
        k6.setChecked("CheckBox16", false);
        k6.setIndex("RadioGroup1", 0);
    }
    // 2. The SMS security code.
    encodeByteFields(image, k6, door, context, 2);
    // 3.
    image.fill(kSourceZeroFrom, kSourceZeroTo - kSourceZeroFrom + 1, 0);
    // 4. Items of empty phone numbers are disabled and must not be stored as chosen.
    const std::uint8_t set = PhonesSetMask(k6);
    for (const PhoneListDef& l : PhoneLists()) {
        if (!l.cleanedOnEncode) continue;
        k6.setItemEnabledMask(l.list, set);
        k6.setMask(l.list, k6.mask(l.list) & set);
    }
    // 5. Alarm sources and the notification lists.
    for (const SourceRecordDef& s : SourceRecords())
        encodeSource(image, k6, s);
    encodeByteFields(image, k6, door, context, 5);
    // 6. Outputs, life signal, SMS texts, automatic opening/closing.
    for (const OutputDef& o : Outputs()) {
        image.set(o.flagsOffset, packBits(k6, o.bits));
        WriteBE16(image, o.timeOffset, k6.number(o.seconds));
    }
    encodeByteFields(image, k6, door, context, 6);
    encodeTexts(image, k6, 6);
    // 7. The other general bytes.
    encodeByteFields(image, k6, door, context, 7);
    // 8. Phone numbers, then the brand name.
    for (int n = 1; n <= kPhoneCount; ++n)
        WriteDigitString(image, kPhoneBase + kPhoneStride * static_cast<std::uint32_t>(n - 1),
                         k6.text(phoneControl(n)));
    WritePlainText(image, kBrandOffset, kBrandWidth, context.brandName);
    // 9. The SMS header.
    encodeTexts(image, k6, 9);
    // 10. The Contact ID tables.
    for (const CidTableDef& t : CidTables())
        encodeCidTable(image, k6, t);
    // 11.
    encodeProfiles(image, k6);
    // 12. The legacy strings; the APN string overwrites the speed and lift texts.
    encodeLegacyString(image, k6, LegacyApnString());
    encodeLegacyString(image, k6, LegacyUdpString());
    // 13. Remote monitoring.
    for (int i = 0; i < 2; ++i)
        WritePlainString16(image, kMonitoringPhones[i], k6.text(kMonitoringPhoneControls[i]));
    WriteCidDigits(image, kAccountOffset, kAccountDigits, k6.text(kAccountControl));
    for (const CidCodeDef& c : CidCodes()) {
        WriteCidDigits(image, c.offset, 3, k6.text(c.code));
        WriteCidDigits(image, c.offset + 3, 3, c.zone ? k6.text(c.zone) : QStringLiteral("001"));
    }
}

void DecodeConfigImage(const ConfigImage& image, PageValues& k6, PageValues& door,
                       const ImageContext& context) {
    // 1.
    for (int n = 1; n <= kPhoneCount; ++n)
        k6.setText(phoneControl(n),
                   ReadDigitString(image, kPhoneBase + kPhoneStride * static_cast<std::uint32_t>(n - 1)));
    // 2. Inputs, speed, lift, tamper, power monitor, life signal.
    decodeSources(image, k6, 2);
    decodeByteFields(image, k6, door, context, 2);
    decodeTexts(image, k6, 2);
    showPage(k6, "TabSheet13");
    // 3. Temperature and its limits; opening/closing texts and automatic opening/closing.
    decodeSources(image, k6, 3);
    decodeByteFields(image, k6, door, context, 3);
    decodeTexts(image, k6, 3);
    // 4.
    decodeByteFields(image, k6, door, context, 4);
    decodeTexts(image, k6, 4);
    // 5.
    decodeProfiles(image, k6);
    // 6.
    decodeLegacyString(image, k6, LegacyApnString());
    decodeLegacyString(image, k6, LegacyUdpString());
    // 7.-9. Output 1, flags 76 and 122, output 2.
    decodeOutputs(image, k6, 7);
    decodeByteFields(image, k6, door, context, 8);
    decodeOutputs(image, k6, 9);
    // 10.
    decodeByteFields(image, k6, door, context, 10);
    decodeTexts(image, k6, 10);
    // 11.
    for (const CidTableDef& t : CidTables())
        decodeCidTable(image, k6, t);
    // 12.
    for (int i = 0; i < 2; ++i)
        k6.setText(kMonitoringPhoneControls[i], ReadDigitString(image, kMonitoringPhones[i]));
    k6.setText(kAccountControl, ReadCidDigits(image, kAccountOffset, kAccountDigits));
    for (const CidCodeDef& c : CidCodes()) {
        k6.setText(c.code, ReadCidDigits(image, c.offset, 3));
        if (c.zone) k6.setText(c.zone, ReadCidDigits(image, c.offset + 3, 3));
    }
    // 13. Signal levels, life-signal cycle, and the test-report period from its copy.
    decodeByteFields(image, k6, door, context, 13);
    // 14.
    copyToDoorPhone(k6, door);
}

} // namespace dalvex::k6config
