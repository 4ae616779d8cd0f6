#include "image_places.h"

#include "k6config/controls.h"
#include "k6config/door_phone.h"
#include "k6config/field_codecs.h"
#include "k6config/memory_map.h"

#include <QStringList>
#include <iterator>

namespace dalvex::controls_doc {
namespace {

using namespace k6config;

class Builder {
public:
    Builder()
        : k6_(K6Controls().window())
        , door_(DoorPhoneControls().window()) {}

    PlaceIndex build() {
        sources();
        byteFields();
        outputs();
        texts();
        legacy(LegacyApnString(), QStringLiteral("legacy APN string"));
        legacy(LegacyUdpString(), QStringLiteral("legacy UDP string"));
        remoteMonitoring();
        cidTables();
        profiles();
        // The phone numbers: number n at kPhoneBase + kPhoneStride * (n - 1).
        for (int n = 1; n <= kPhoneCount; ++n)
            value(k6_, QStringLiteral("MaskEdit%1").arg(n),
                  range(kPhoneBase + kPhoneStride * static_cast<std::uint32_t>(n - 1), kDigitStringWidth));
        doorPhoneMirrors();
        return std::move(index_);
    }

private:
    static ImagePlace range(std::uint32_t begin, std::uint32_t size) {
        ImagePlace p;
        p.begin = begin;
        p.size = size;
        return p;
    }
    static ImagePlace bits(std::uint32_t offset, std::uint8_t mask) {
        ImagePlace p = range(offset, 1);
        p.mask = mask;
        return p;
    }

    void add(const QString& window, const QString& control, ImagePlace place, const QString& field = {}) {
        ControlPlaces& c = index_[{window, control}];
        if (!field.isEmpty() && c.field.isEmpty()) c.field = field;
        for (ImagePlace& p : c.places) {
            if (p.begin != place.begin || p.size != place.size || p.role != place.role ||
                p.through != place.through)
                continue;
            p.mask |= place.mask; // bits of one byte (an output's mode box sets two) are one place
            return;
        }
        c.places.push_back(std::move(place));
    }
    void value(const QString& window, const char* control, ImagePlace place, const QString& field = {}) {
        add(window, QString::fromLatin1(control), std::move(place), field);
    }
    void value(const QString& window, const QString& control, ImagePlace place, const QString& field = {}) {
        add(window, control, std::move(place), field);
    }
    void switches(const QString& window, const char* control, std::uint32_t offset) {
        ImagePlace p = range(offset, 1);
        p.role = PlaceRole::Switch;
        add(window, QString::fromLatin1(control), p);
    }
    void flagBits(const QString& window, std::uint32_t offset, std::span<const FlagBit> flags,
                  const QString& field = {}) {
        for (const FlagBit& b : flags)
            value(window, b.control, bits(offset, static_cast<std::uint8_t>(1u << b.bit)), field);
    }

    // An alarm source: +0 the type (bits 0-6) and its sense (bit 7), +1 and +2 the SMS and voice
    // phone masks, +3 the options.
    void sources() {
        for (const SourceRecordDef& s : SourceRecords()) {
            const QString field = QString::fromLatin1(s.name);
            value(k6_, s.typeBox, bits(s.offset, 0x7F), field);
            value(k6_, s.opposite.control, bits(s.offset, static_cast<std::uint8_t>(1u << s.opposite.bit)),
                  field);
            value(k6_, s.smsList, range(s.offset + 1, 1), field);
            ImagePlace voice = range(s.offset + 2, 1);
            if (!s.storesVoiceAndOptions) voice.role = PlaceRole::Zero;
            value(k6_, s.voiceList, voice, field);
            for (std::size_t bit = 0; bit < s.options.size(); ++bit) {
                if (!s.options[bit]) continue;
                ImagePlace option = bits(s.offset + 3, static_cast<std::uint8_t>(1u << bit));
                if (!s.storesVoiceAndOptions) option.role = PlaceRole::Zero;
                value(k6_, s.options[bit], option, field);
            }
        }
    }

    static std::uint32_t widthOf(ByteCodec codec) {
        switch (codec) {
        case ByteCodec::BE16:
        case ByteCodec::AsciiDigits2:
            return 2;
        case ByteCodec::SecurityCode:
            return 4;
        default:
            return 1;
        }
    }

    void byteFields() {
        for (const ByteFieldDef& f : ByteFields()) {
            const QString& window = f.doorPhone ? door_ : k6_;
            if (f.codec == ByteCodec::Constant) continue; // no control
            if (f.codec == ByteCodec::Flags) {
                flagBits(window, f.offset, f.bits);
                continue;
            }
            if (f.codec == ByteCodec::Gated || f.codec == ByteCodec::TemperatureLimit)
                switches(window, f.gate, f.offset);
            if (f.codec == ByteCodec::TemperatureLimit) switches(window, f.typeBox, f.offset);
            value(window, f.control, range(f.offset, widthOf(f.codec)));
        }
    }

    // An output: its mode flags and its on-time in seconds; the spin box and the unit selector show
    // the time, the seconds value is what is stored.
    void outputs() {
        int n = 0;
        for (const OutputDef& o : Outputs()) {
            const QString field = QStringLiteral("output %1").arg(++n);
            flagBits(k6_, o.flagsOffset, o.bits, field);
            const ImagePlace time = range(o.timeOffset, 2);
            value(k6_, o.seconds, time, field);
            for (const char* shown : {o.spin, o.unit}) {
                ImagePlace p = time;
                p.through = QString::fromLatin1(o.seconds);
                value(k6_, shown, p, field);
            }
        }
    }

    void texts() {
        for (const TextFieldDef& t : TextFields())
            value(k6_, t.control, range(t.offset, static_cast<std::uint32_t>(t.width)));
    }

    // Prefix, the text (at most `width`), tail and 0xFF: the whole frame moves with the text's length.
    void legacy(const LegacyStringDef& d, const QString& field) {
        ImagePlace p =
            range(d.offset, static_cast<std::uint32_t>(d.prefix.size() + d.width + d.tail.size() + 1));
        p.note = QStringLiteral("framed text");
        value(k6_, d.control, p, field);
    }

    void remoteMonitoring() {
        value(k6_, kAccountControl, range(kAccountOffset, kAccountDigits));
        for (std::size_t i = 0; i < std::size(kMonitoringPhones); ++i)
            value(k6_, kMonitoringPhoneControls[i], range(kMonitoringPhones[i], kDigitStringWidth));
        for (const CidCodeDef& c : CidCodes()) {
            value(k6_, c.code, range(c.offset, 3));
            if (c.zone) value(k6_, c.zone, range(c.offset + 3, 3));
        }
    }

    void cidTables() {
        for (const CidTableDef& t : CidTables()) {
            ImagePlace p = range(t.base, static_cast<std::uint32_t>(kCidRecordSize * kGridRecords));
            p.note = QStringLiteral("%1 records of %2 bytes").arg(kGridRecords).arg(kCidRecordSize);
            value(k6_, t.grid, p,
                  t.kind == CidTableKind::Partition ? QStringLiteral("Contact ID partition table")
                                                    : QStringLiteral("Contact ID event table"));
        }
    }

    void profiles() {
        for (int n = 1; n <= kProfileCount; ++n) {
            const std::uint32_t base = kProfileBase + kProfileStride * static_cast<std::uint32_t>(n - 1);
            for (const ProfileFieldDef& f : ProfileFields())
                value(k6_, QString::fromLatin1(f.control).arg(n),
                      range(base + f.offset, static_cast<std::uint32_t>(f.width)),
                      QStringLiteral("server profile %1").arg(n));
        }
    }

    // The door-phone window's send puts these values into the K6 window's before the K6 window
    // encodes them.
    void doorPhoneMirrors() {
        for (const QString& name : DoorPhoneMirroredControls()) {
            const auto it = index_.find({k6_, name});
            if (it == index_.end()) continue;
            const ControlPlaces k6 = it->second;
            for (ImagePlace p : k6.places) {
                if (p.role == PlaceRole::Zero) continue;
                p.through = k6_ + QLatin1Char('.') + name;
                add(door_, name, p, k6.field);
            }
        }
        // An output's time goes in as the K6 window's seconds value.
        for (const OutputDef& o : Outputs()) {
            auto it = index_.find({door_, QString::fromLatin1(o.spin)});
            if (it == index_.end()) continue;
            for (ImagePlace& p : it->second.places)
                p.through = k6_ + QLatin1Char('.') + QString::fromLatin1(o.seconds);
        }
    }

    QString k6_;
    QString door_;
    PlaceIndex index_;
};

QString hex(std::uint32_t offset, int digits) {
    return QStringLiteral("0x") +
           QString::number(offset, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

// The general bytes as the byte tables number them: decimal, with the hexadecimal beside it.
QString offsetText(std::uint32_t begin, std::uint32_t end) {
    const std::uint32_t last = end - 1;
    if (last < 0x100) {
        if (begin == last) return QStringLiteral("%1 (%2)").arg(begin).arg(hex(begin, 2));
        return QStringLiteral("%1–%2 (%3–%4)").arg(begin).arg(last).arg(hex(begin, 2), hex(last, 2));
    }
    const int digits = last < 0x1000 ? 3 : 6;
    if (begin == last) return hex(begin, digits);
    return hex(begin, digits) + QStringLiteral("–") + hex(last, digits);
}

QString maskText(std::uint8_t mask) {
    if (mask == 0xFF) return {};
    int first = -1;
    int last = -1;
    int count = 0;
    for (int b = 0; b < 8; ++b) {
        if (!((mask >> b) & 1u)) continue;
        if (first < 0) first = b;
        last = b;
        ++count;
    }
    if (count == 1) return QStringLiteral(" bit %1").arg(first);
    if (count == last - first + 1) return QStringLiteral(" bits %1–%2").arg(first).arg(last);
    QStringList list;
    for (int b = 0; b < 8; ++b)
        if ((mask >> b) & 1u) list << QString::number(b);
    return QStringLiteral(" bits ") + list.join(QStringLiteral(", "));
}

} // namespace

const PlaceIndex& ImagePlaces() {
    static const PlaceIndex index = Builder().build();
    return index;
}

QString DescribePlace(const ImagePlace& p) {
    QString text = offsetText(p.begin, p.end()) + maskText(p.mask);
    if (!p.note.isEmpty()) text += QStringLiteral(", ") + p.note;
    switch (p.role) {
    case PlaceRole::Value:
        break;
    case PlaceRole::Switch:
        text = QStringLiteral("switches ") + text;
        break;
    case PlaceRole::Zero:
        text += QStringLiteral(" (always written 0)");
        break;
    }
    if (!p.through.isEmpty()) text += QStringLiteral(" as ") + p.through;
    return text;
}

} // namespace dalvex::controls_doc
