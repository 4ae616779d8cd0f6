#include "config_json.h"

#include "i18n/catalogue.h"
#include "i18n/module_models.h"
#include "i18n/product_variant.h"
#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/memory_map.h"
#include "shown_values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QHash>
#include <algorithm>
#include <map>
#include <set>

namespace dalvex::k6text {

using k6config::ConfigImage;
using k6config::ControlDef;
using k6config::ControlKind;
using k6config::OutlineWindow;
using k6config::PageValues;

namespace {

const QString kFormat = QStringLiteral("dalvex-configuration");
// The image bytes a configuration file holds.
constexpr std::uint32_t kFileImageEnd =
    static_cast<std::uint32_t>(k6config::kConfigHeadSize + k6config::kConfigTailSize);
// A run of bytes in "bytes" ends after this many, or at this many zeros.
constexpr int kRunLength = 32;
constexpr int kZeroGap = 8;

const char* const kCustomerKeys[k6config::kCustomerFields] = {"name",      "address",          "gsmNumber",
                                                              "panelType", "communicatorType", "installationDate"};

QString Tr(const char* hungarian, int language) {
    const QString hu = QString::fromUtf8(hungarian);
    return i18n::Catalogue::Builtin().Message(hu, language).value_or(hu);
}

// "Phone number 1:" -> "phone_number_1".
QString Slug(const QString& text) {
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD)) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            out += c.toLower();
        else if (c.isLetterOrNumber() || c.category() == QChar::Mark_NonSpacing)
            continue;
        else if (!out.endsWith(QLatin1Char('_')))
            out += QLatin1Char('_');
    }
    while (out.startsWith(QLatin1Char('_')))
        out.remove(0, 1);
    while (out.endsWith(QLatin1Char('_')))
        out.chop(1);
    return out;
}

QString Purpose(const k6config::OutlineField& f) {
    const auto& outline = k6config::PageOutline::Builtin();
    const k6config::OutlinePage* page = outline.Page(f.window, f.page);
    QString pageSlug = page ? Slug(k6config::TextIn(page->caption, i18n::English)) : QString();
    if (const k6config::OutlinePage* top = page ? outline.TopPage(*page) : nullptr; top && top != page)
        pageSlug = Slug(k6config::TextIn(top->caption, i18n::English)) + QLatin1Char('_') + pageSlug;
    if (f.window == OutlineWindow::DoorPhone) pageSlug = QStringLiteral("door_phone");
    const QString caption = Slug(BareCaption(k6config::TextIn(f.caption, i18n::English)));
    if (caption.isEmpty() || caption == pageSlug) return pageSlug;
    return pageSlug.isEmpty() ? caption : pageSlug + QLatin1Char('_') + caption;
}

PageValues& TableOf(ConfigValues& v, OutlineWindow w) {
    return w == OutlineWindow::DoorPhone ? v.door : v.k6;
}

const ControlDef& DefOf(const TextKey& k) {
    const auto& table = k.window == OutlineWindow::DoorPhone ? k6config::DoorPhoneControls() : k6config::K6Controls();
    return table.at(table.indexOf(k.control.toStdString()));
}

bool IsEventGrid(const QString& grid) {
    for (const k6config::CidTableDef& t : k6config::CidTables())
        if (grid == QLatin1String(t.grid)) return t.kind == k6config::CidTableKind::Event;
    return false;
}

std::vector<TextKey> MakeKeys() {
    std::set<QString> shownForms; // an output's time as its page shows it, and its unit
    std::map<QString, QString> secondsOf;
    for (const k6config::OutputDef& o : k6config::Outputs()) {
        shownForms.insert(QString::fromLatin1(o.spin));
        shownForms.insert(QString::fromLatin1(o.unit));
        secondsOf[QString::fromLatin1(o.seconds)] = QString::fromLatin1(o.spin);
    }
    const auto& outline = k6config::PageOutline::Builtin();
    std::vector<TextKey> keys;
    std::set<QString> taken;
    const auto add = [&](OutlineWindow w, const QString& control, const QString& purpose) {
        if (!taken.insert(QString::number(int(w)) + control).second) return;
        keys.push_back({purpose.isEmpty() ? control : purpose + QLatin1Char('.') + control, w, control});
    };
    // The K6 window's stored controls in the order of its pages, then those no page shows.
    const auto& k6 = k6config::K6Controls();
    for (const k6config::OutlineField& f : outline.Fields())
        if (f.window == OutlineWindow::Main && k6.indexOf(f.control.toStdString()) >= 0 &&
            !shownForms.count(f.control))
            add(f.window, f.control, Purpose(f));
    for (const ControlDef& d : k6.controls()) {
        if (shownForms.count(d.name)) continue;
        QString purpose;
        if (secondsOf.count(d.name))
            if (const auto* spin = outline.Field(OutlineWindow::Main, secondsOf[d.name]))
                purpose = Purpose(*spin) + QStringLiteral("_seconds");
        add(OutlineWindow::Main, d.name, purpose);
    }
    // The door-phone window's own stored values; the others it mirrors from the K6 window's.
    std::set<QString> doorOwn;
    for (const k6config::ByteFieldDef& b : k6config::ByteFields())
        if (b.doorPhone && b.control) doorOwn.insert(QString::fromLatin1(b.control));
    for (const k6config::OutlineField& f : outline.Fields())
        if (f.window == OutlineWindow::DoorPhone && doorOwn.count(f.control)) add(f.window, f.control, Purpose(f));
    for (const QString& c : doorOwn)
        add(OutlineWindow::DoorPhone, c, QStringLiteral("door_phone"));
    return keys;
}

// --- Values to text ---------------------------------------------------------------------------------

QJsonValue ToJson(const ControlDef& d, const PageValues& v) {
    const std::string name = d.name.toStdString();
    switch (d.kind) {
    case ControlKind::Choice:
    case ControlKind::Spin:
    case ControlKind::Value:
        return v.number(name);
    case ControlKind::Check:
        return v.checked(name);
    case ControlKind::CheckList: {
        QJsonArray phones;
        for (int i = 0; i < d.itemCount(); ++i)
            if (v.itemChecked(name, i)) phones.append(i + 1);
        return phones;
    }
    case ControlKind::Text:
    case ControlKind::EditCombo:
        return v.text(name);
    case ControlKind::Grid: {
        QJsonObject rows;
        const bool events = IsEventGrid(d.name);
        for (int r = 1; r < d.rows; ++r) {
            QJsonArray cells;
            bool any = false;
            for (int c = 0; c < d.columns; ++c) {
                cells.append(v.cell(name, r, c));
                any = any || !v.cell(name, r, c).isEmpty();
            }
            if (!any) continue;
            if (events) {
                QJsonArray phones;
                for (int i = 0; i < k6config::kPhoneCount; ++i)
                    if (v.eventSmsMask(r) & (1u << i)) phones.append(i + 1);
                cells.append(phones);
            }
            rows.insert(QString::number(r), cells);
        }
        return rows;
    }
    }
    return {};
}

// --- Text to values --------------------------------------------------------------------------------

struct Reader {
    int language;
    JsonError error;

    bool fail(const QString& key, const QString& message) {
        error = {key, message};
        return false;
    }
    bool typeFail(const QString& key, const char* what) {
        return fail(key, Tr("%1: %2 kell ide", language).arg(key, Tr(what, language)));
    }

    std::optional<std::uint8_t> phones(const QString& key, const QJsonValue& value) {
        if (!value.isArray()) return typeFail(key, "telefonszám-sorszámok listája"), std::nullopt;
        std::uint8_t mask = 0;
        for (const QJsonValue& p : value.toArray()) {
            const double n = p.toDouble(-1);
            if (!p.isDouble() || n != int(n) || n < 1 || n > k6config::kPhoneCount) {
                fail(key, Tr("%1: %2 nincs %3…%4 között", language)
                              .arg(key, QString::fromUtf8(QJsonDocument(QJsonArray{p}).toJson(QJsonDocument::Compact))
                                            .mid(1)
                                            .chopped(1))
                              .arg(1)
                              .arg(k6config::kPhoneCount));
                return std::nullopt;
            }
            mask |= static_cast<std::uint8_t>(1u << (int(n) - 1));
        }
        return mask;
    }

    bool text(const QString& key, const QJsonValue& value, int maxLength, QString& out) {
        if (!value.isString()) return typeFail(key, "szöveg");
        out = value.toString();
        if (maxLength > 0 && out.size() > maxLength)
            return fail(key, Tr("%1: hosszabb %2 karakternél", language).arg(key).arg(maxLength));
        return true;
    }

    bool integer(const QString& key, const QJsonValue& value, int minimum, int maximum, int& out) {
        const double n = value.toDouble();
        if (!value.isDouble() || n != double(qint64(n))) return typeFail(key, "egész szám");
        if (n < minimum || n > maximum)
            return fail(key, Tr("%1: %2 nincs %3…%4 között", language)
                                 .arg(key)
                                 .arg(qint64(n))
                                 .arg(minimum)
                                 .arg(maximum));
        out = int(n);
        return true;
    }

    bool value(const ControlDef& d, const QString& key, const QJsonValue& value, PageValues& v) {
        const std::string name = d.name.toStdString();
        switch (d.kind) {
        case ControlKind::Choice: {
            int n = 0;
            if (!integer(key, value, -1, d.itemCount() - 1, n)) return false;
            v.setIndex(name, n);
            return true;
        }
        case ControlKind::Spin:
        case ControlKind::Value: {
            int n = 0;
            if (!integer(key, value, d.minimum, d.maximum, n)) return false;
            v.setNumber(name, n);
            return true;
        }
        case ControlKind::Check:
            if (!value.isBool()) return typeFail(key, "true vagy false");
            v.setChecked(name, value.toBool());
            return true;
        case ControlKind::CheckList: {
            const auto mask = phones(key, value);
            if (!mask) return false;
            v.setMask(name, *mask);
            return true;
        }
        case ControlKind::Text:
        case ControlKind::EditCombo: {
            QString t;
            if (!text(key, value, d.maxLength, t)) return false;
            v.setText(name, t);
            return true;
        }
        case ControlKind::Grid:
            return grid(d, key, value, v);
        }
        return false;
    }

    bool grid(const ControlDef& d, const QString& key, const QJsonValue& value, PageValues& v) {
        if (!value.isObject()) return typeFail(key, "objekt sorszámokkal");
        const std::string name = d.name.toStdString();
        const bool events = IsEventGrid(d.name);
        const QJsonObject rows = value.toObject();
        for (auto it = rows.begin(); it != rows.end(); ++it) {
            const QString rowKey = key + QLatin1Char('.') + it.key();
            bool ok = false;
            const int r = it.key().toInt(&ok);
            if (!ok || r < 1 || r >= d.rows)
                return fail(rowKey, Tr("%1: %2 nincs %3…%4 között", language)
                                        .arg(key, it.key())
                                        .arg(1)
                                        .arg(d.rows - 1));
            const QJsonArray cells = it.value().toArray();
            if (!it.value().isArray() || cells.size() != d.columns + (events ? 1 : 0))
                return typeFail(rowKey, events ? "[kód, név, [telefonok]]" : "[kód, név]");
            for (int c = 0; c < d.columns; ++c) {
                QString t;
                if (!text(rowKey, cells[c], 0, t)) return false;
                v.setCell(name, r, c, t);
            }
            if (events) {
                const auto mask = phones(rowKey, cells[d.columns]);
                if (!mask) return false;
                v.setEventSmsMask(r, *mask);
            }
        }
        return true;
    }

    bool fixups(const QJsonValue& value, std::map<std::uint32_t, std::pair<QByteArray, QByteArray>>& out) {
        const QString section = QStringLiteral("fixups");
        if (value.isUndefined() || value.isNull()) return true;
        if (!value.isObject()) return typeFail(section, "objekt címekkel");
        const QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            const QString key = section + QLatin1Char('.') + it.key();
            const QJsonArray pair = it.value().toArray();
            std::map<std::uint32_t, QByteArray> encoded, file;
            if (!it.value().isArray() || pair.size() != 2 ||
                !bytes(section, QJsonObject{{it.key(), pair[0]}}, encoded) ||
                !bytes(section, QJsonObject{{it.key(), pair[1]}}, file) ||
                encoded.begin()->second.size() != file.begin()->second.size())
                return error.key.isEmpty() ? typeFail(key, "[kódolt bájtok, fájl bájtjai]") : false;
            out[encoded.begin()->first] = {encoded.begin()->second, file.begin()->second};
        }
        return true;
    }

    bool bytes(const QString& section, const QJsonValue& value, std::map<std::uint32_t, QByteArray>& out) {
        if (value.isUndefined() || value.isNull()) return true;
        if (!value.isObject()) return typeFail(section, "objekt címekkel");
        const QJsonObject o = value.toObject();
        static const QRegularExpression hex(QStringLiteral("^([0-9a-fA-F]{2})*$"));
        for (auto it = o.begin(); it != o.end(); ++it) {
            const QString key = section + QLatin1Char('.') + it.key();
            bool ok = false;
            const std::uint32_t address = it.key().toUInt(&ok, 0);
            const QString text = it.value().toString();
            if (!it.value().isString() || !hex.match(text).hasMatch()) return typeFail(key, "hexadecimális bájtok");
            if (!ok || address >= kFileImageEnd || text.size() / 2 > qint64(kFileImageEnd - address))
                return fail(key, Tr("%1: a cím nincs a konfigurációs fájlban", language).arg(key));
            out[address] = QByteArray::fromHex(text.toLatin1());
        }
        return true;
    }
};

// The image of the values over `image`: what an import does between its "bytes" and its "fixups".
void Encode(ConfigValues& values, ConfigImage& image, int moduleType, const QString& brand) {
    k6config::ImageContext context{EngineType(moduleType), brand};
    k6config::EncodeConfigImage(image, values.k6, values.door, context);
}

void ApplyBytes(const std::map<std::uint32_t, QByteArray>& bytes, ConfigImage& image) {
    for (const auto& [address, data] : bytes)
        image.write(address, data);
}

// Purposes that files written by 2012.3 carry for controls whose caption was Hungarian in every
// language then; such a file still reads, the key standing for the key of now.
constexpr std::pair<const char*, const char*> kFormerPurposes[] = {
    {"monitoring_station_be1_zona", "monitoring_station_in1_zone"},
    {"monitoring_station_be2_zona", "monitoring_station_in2_zone"},
    {"monitoring_station_be3_zona", "monitoring_station_in3_zone"},
    {"monitoring_station_be4_zona", "monitoring_station_in4_zone"},
    {"monitoring_station_eletjel", "monitoring_station_life_signal"},
    {"monitoring_station_nyitas_zaras", "monitoring_station_opening_closing"},
    {"monitoring_station_tamper_zona", "monitoring_station_tamper_zone"},
    {"monitoring_station_tapmonitor_zona", "monitoring_station_power_monitor_zone"},
    {"opening_closing_automatikus_nyitas_orakor", "opening_closing_automatic_opening_at_hour"},
    {"opening_closing_automatikus_zaras_orakor", "opening_closing_automatic_closing_at_hour"},
    {"other_sms_atiranyitas", "other_sms_forwarding"},
    {"temperature_maximum_homerseklet_c", "temperature_maximum_temperature_c"},
    {"temperature_minimum_homerseklet_c", "temperature_minimum_temperature_c"},
};

// The controls with former keys under the keys of now; a file that has both keeps the former one
// as an unknown key.
QJsonObject WithKeysOfNow(const QJsonObject& controls) {
    QJsonObject out = controls;
    for (const QString& key : controls.keys()) {
        const qsizetype dot = key.indexOf(QLatin1Char('.'));
        if (dot < 0 || FindTextKey(key)) continue;
        for (const auto& [former, now] : kFormerPurposes) {
            if (QStringView(key).left(dot) != QLatin1String(former)) continue;
            const QString keyOfNow = QString::fromLatin1(now) + key.mid(dot);
            if (FindTextKey(keyOfNow) && !out.contains(keyOfNow)) out.insert(keyOfNow, out.take(key));
        }
    }
    return out;
}

bool ReadControls(Reader& r, const QJsonObject& fileControls, ConfigValues& values) {
    const QJsonObject controls = WithKeysOfNow(fileControls);
    // Unknown keys first: a renamed key is then reported as itself, with the key meant.
    for (auto it = controls.begin(); it != controls.end(); ++it) {
        if (FindTextKey(it.key())) continue;
        QString message = Tr("%1: ismeretlen kulcs", r.language).arg(it.key());
        const QString design = it.key().section(QLatin1Char('.'), -1);
        for (const TextKey& k : TextKeys())
            if (k.control == design) message += QStringLiteral(" (%1)").arg(Tr("erre gondolt: %1?", r.language).arg(k.key));
        return r.fail(it.key(), message);
    }
    for (const TextKey& k : TextKeys()) {
        const QJsonValue v = controls.value(k.key);
        if (v.isUndefined()) return r.fail(k.key, Tr("%1: hiányzik", r.language).arg(k.key));
        if (!r.value(DefOf(k), k.key, v, TableOf(values, k.window))) return false;
    }
    // The output times as the page shows them follow the seconds, as a decoding leaves them.
    for (const k6config::OutputDef& o : k6config::Outputs()) {
        values.k6.setIndex(o.unit, 0);
        values.k6.setNumber(o.spin, values.k6.number(o.seconds));
    }
    return true;
}

QJsonObject HexRuns(const ConfigImage& image, const std::vector<std::uint32_t>& addresses) {
    QJsonObject out;
    std::size_t i = 0;
    while (i < addresses.size()) {
        const std::uint32_t start = addresses[i];
        QByteArray run;
        std::uint32_t next = start;
        while (i < addresses.size() && addresses[i] - next <= kZeroGap && run.size() < kRunLength) {
            for (; next < addresses[i]; ++next)
                run += char(image.at(next)); // bytes in between are zeros no control describes
            run += char(image.at(addresses[i]));
            next = addresses[i] + 1;
            ++i;
        }
        out.insert(QStringLiteral("0x%1").arg(start, 6, 16, QLatin1Char('0')), QString::fromLatin1(run.toHex()));
    }
    return out;
}

// JSON text with the objects' keys in the order given, not sorted.
struct OrderedWriter {
    QByteArray out;
    static QByteArray value(const QJsonValue& v) {
        const QByteArray a = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
        return a.mid(1, a.size() - 2);
    }
};

QByteArray Member(const QString& key, const QByteArray& value, bool last, int indent) {
    return QByteArray(indent, ' ') + OrderedWriter::value(key) + ": " + value + (last ? "\n" : ",\n");
}

} // namespace

const std::vector<TextKey>& TextKeys() {
    static const std::vector<TextKey> keys = MakeKeys();
    return keys;
}

const TextKey* FindTextKey(const QString& key) {
    static const QHash<QString, const TextKey*> index = [] {
        QHash<QString, const TextKey*> h;
        for (const TextKey& k : TextKeys())
            h.insert(k.key, &k);
        return h;
    }();
    return index.value(key);
}

QByteArray DocumentFileData(const ConfigDocument& doc) {
    return k6config::ConfigFileData(doc.image, doc.customer).left(doc.fileLength);
}

QString VersionText(int version) {
    return QStringLiteral("%1.%2").arg(version / 10).arg(version % 10);
}

std::optional<int> VersionOfText(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2})\\.(\\d)$"));
    const auto m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    return m.captured(1).toInt() * 10 + m.captured(2).toInt();
}

QByteArray ExportJson(const ConfigDocument& doc) {
    const int moduleType = doc.moduleType.value_or(72);
    const QString brand = StoredBrandName(doc.image);
    ConfigValues values;
    Decode(doc.image, doc.customer, moduleType, values);

    QByteArray controls = "{\n";
    QJsonObject controlsObject;
    const auto& keys = TextKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const QJsonValue v = ToJson(DefOf(keys[i]), TableOf(values, keys[i].window));
        controlsObject.insert(keys[i].key, v);
        controls += Member(keys[i].key, OrderedWriter::value(v), i + 1 == keys.size(), 4);
    }
    controls += "  }";

    // What the controls give, over zeros and over ones: the bytes where both agree are theirs.
    Reader reader{i18n::English, {}};
    ConfigValues onZeros, onOnes;
    ReadControls(reader, controlsObject, onZeros);
    ReadControls(reader, controlsObject, onOnes);
    ConfigImage zeros, ones;
    ones.fill(0, kFileImageEnd, 0xFF);
    Encode(onZeros, zeros, moduleType, brand);
    Encode(onOnes, ones, moduleType, brand);
    std::vector<std::uint32_t> raw;
    for (std::uint32_t a = 0; a < kFileImageEnd; ++a)
        if (doc.image.at(a) != 0 && zeros.at(a) != ones.at(a)) raw.push_back(a);
    const QJsonObject bytes = HexRuns(doc.image, raw);

    // What an import of this text gives; the bytes it would get wrong are put right afterwards.
    ConfigImage rebuilt;
    std::map<std::uint32_t, QByteArray> rawBytes;
    reader.bytes(QStringLiteral("bytes"), bytes, rawBytes);
    ApplyBytes(rawBytes, rebuilt);
    ConfigValues again;
    ReadControls(reader, controlsObject, again);
    Encode(again, rebuilt, moduleType, brand);
    std::vector<std::uint32_t> wrong;
    for (std::uint32_t a = 0; a < kFileImageEnd; ++a)
        if (rebuilt.at(a) != doc.image.at(a)) wrong.push_back(a);

    QJsonObject customer;
    QByteArray customerText = "{\n";
    for (int i = 0; i < k6config::kCustomerFields; ++i)
        customerText += Member(QString::fromLatin1(kCustomerKeys[i]),
                               OrderedWriter::value(doc.customer[static_cast<std::size_t>(i)]),
                               i + 1 == k6config::kCustomerFields, 4);
    customerText += "  }";

    QJsonValue model = QJsonValue::Null;
    if (doc.moduleType)
        model = QJsonObject{{QStringLiteral("type"), *doc.moduleType},
                            {QStringLiteral("name"), ModelName(*doc.moduleType, MakeBrandFields())}};
    const QJsonValue version = doc.version ? QJsonValue(VersionText(*doc.version)) : QJsonValue::Null;

    QByteArray out = "{\n";
    out += Member(QStringLiteral("format"), OrderedWriter::value(kFormat), false, 2);
    out += Member(QStringLiteral("formatVersion"), OrderedWriter::value(kJsonFormatVersion), false, 2);
    out += Member(QStringLiteral("model"), OrderedWriter::value(model), false, 2);
    out += Member(QStringLiteral("version"), OrderedWriter::value(version), false, 2);
    out += Member(QStringLiteral("brand"), OrderedWriter::value(brand), false, 2);
    out += Member(QStringLiteral("customer"), customerText, false, 2);
    out += Member(QStringLiteral("controls"), controls, false, 2);
    const auto hexObject = [](const QJsonObject& o) {
        if (o.isEmpty()) return QByteArray("{}");
        QByteArray t = "{\n";
        int n = 0;
        for (auto it = o.begin(); it != o.end(); ++it)
            t += Member(it.key(), OrderedWriter::value(it.value()), ++n == o.size(), 4);
        return t + "  }";
    };
    out += Member(QStringLiteral("bytes"), hexObject(bytes), false, 2);
    QJsonObject fixups;
    for (std::size_t i = 0; i < wrong.size();) {
        std::size_t j = i + 1;
        while (j < wrong.size() && wrong[j] == wrong[j - 1] + 1 && j - i < kRunLength)
            ++j;
        const std::uint32_t first = wrong[i];
        const auto length = static_cast<std::uint32_t>(j - i);
        fixups.insert(QStringLiteral("0x%1").arg(first, 6, 16, QLatin1Char('0')),
                      QJsonArray{QString::fromLatin1(rebuilt.read(first, length).toHex()),
                                 QString::fromLatin1(doc.image.read(first, length).toHex())});
        i = j;
    }
    out += Member(QStringLiteral("fixups"), hexObject(fixups), false, 2);
    out += Member(QStringLiteral("length"), OrderedWriter::value(doc.fileLength), true, 2);
    out += "}\n";
    return out;
}

std::optional<ConfigDocument> ImportJson(const QByteArray& json, int language, JsonError* error) {
    Reader r{language, {}};
    const auto failed = [&]() -> std::optional<ConfigDocument> {
        if (error) *error = r.error;
        return std::nullopt;
    };
    if (json.size() > kMaxTextSize) {
        r.fail({}, Tr("A szöveg hosszabb %1 bájtnál", language).arg(kMaxTextSize));
        return failed();
    }
    QJsonParseError parse{};
    const QJsonDocument d = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        r.fail({}, Tr("Hibás JSON a(z) %1. karakternél: %2", language).arg(parse.offset + 1).arg(parse.errorString()));
        return failed();
    }
    const QJsonObject o = d.object();
    if (!d.isObject() || o.value(QStringLiteral("format")).toString() != kFormat) {
        r.fail(QStringLiteral("format"), Tr("Nem Dalvex konfiguráció (\"format\": \"%1\" kell)", language).arg(kFormat));
        return failed();
    }
    static const QStringList topKeys = {QStringLiteral("format"),   QStringLiteral("formatVersion"),
                                        QStringLiteral("model"),    QStringLiteral("version"),
                                        QStringLiteral("brand"),    QStringLiteral("customer"),
                                        QStringLiteral("controls"), QStringLiteral("bytes"),
                                        QStringLiteral("fixups"),   QStringLiteral("length")};
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!topKeys.contains(it.key())) {
            r.fail(it.key(), Tr("%1: ismeretlen kulcs", language).arg(it.key()));
            return failed();
        }
    int formatVersion = 0;
    if (!r.integer(QStringLiteral("formatVersion"), o.value(QStringLiteral("formatVersion")), 1, kJsonFormatVersion,
                   formatVersion))
        return failed();

    ConfigDocument doc;
    const QJsonValue model = o.value(QStringLiteral("model"));
    if (model.isObject()) {
        int type = 0;
        const QString key = QStringLiteral("model.type");
        if (!r.integer(key, model.toObject().value(QStringLiteral("type")), 0, 255, type)) return failed();
        if (!FindModel(type)) {
            r.fail(key, Tr("%1: ismeretlen modul típus: %2", language).arg(key).arg(type));
            return failed();
        }
        doc.moduleType = type;
    } else if (!model.isNull() && !model.isUndefined()) {
        r.typeFail(QStringLiteral("model"), "objekt vagy null");
        return failed();
    }
    const QJsonValue version = o.value(QStringLiteral("version"));
    if (version.isString()) {
        doc.version = VersionOfText(version.toString());
        if (!doc.version) {
            r.typeFail(QStringLiteral("version"), "verziószám (például \"8.4\")");
            return failed();
        }
    } else if (!version.isNull() && !version.isUndefined()) {
        r.typeFail(QStringLiteral("version"), "verziószám (például \"8.4\")");
        return failed();
    }
    QString brand;
    if (!r.text(QStringLiteral("brand"), o.value(QStringLiteral("brand")), k6config::kBrandWidth, brand)) return failed();

    const QJsonValue customerValue = o.value(QStringLiteral("customer"));
    if (!customerValue.isObject()) {
        r.typeFail(QStringLiteral("customer"), "objekt");
        return failed();
    }
    const QJsonObject customer = customerValue.toObject();
    for (auto it = customer.begin(); it != customer.end(); ++it)
        if (std::none_of(std::begin(kCustomerKeys), std::end(kCustomerKeys),
                         [&](const char* k) { return it.key() == QLatin1String(k); })) {
            r.fail(QStringLiteral("customer.") + it.key(),
                   Tr("%1: ismeretlen kulcs", language).arg(QStringLiteral("customer.") + it.key()));
            return failed();
        }
    for (int i = 0; i < k6config::kCustomerFields; ++i) {
        const QString key = QStringLiteral("customer.") + QLatin1String(kCustomerKeys[i]);
        const QJsonValue v = customer.value(QLatin1String(kCustomerKeys[i]));
        if (v.isUndefined()) {
            r.fail(key, Tr("%1: hiányzik", language).arg(key));
            return failed();
        }
        if (!r.text(key, v, k6config::kCustomerRecordSize - 1, doc.customer[static_cast<std::size_t>(i)]))
            return failed();
    }

    const QJsonValue controls = o.value(QStringLiteral("controls"));
    if (!controls.isObject()) {
        r.typeFail(QStringLiteral("controls"), "objekt");
        return failed();
    }
    ConfigValues values;
    if (!ReadControls(r, controls.toObject(), values)) return failed();
    std::map<std::uint32_t, QByteArray> bytes;
    std::map<std::uint32_t, std::pair<QByteArray, QByteArray>> fixups;
    if (!r.bytes(QStringLiteral("bytes"), o.value(QStringLiteral("bytes")), bytes) ||
        !r.fixups(o.value(QStringLiteral("fixups")), fixups))
        return failed();
    const QJsonValue length = o.value(QStringLiteral("length"));
    if (!length.isUndefined()) {
        int n = 0;
        if (!r.integer(QStringLiteral("length"), length, int(k6config::kConfigMinimumSize), int(k6config::kConfigFileSize), n))
            return failed();
        doc.fileLength = n;
    }

    ApplyBytes(bytes, doc.image);
    Encode(values, doc.image, doc.moduleType.value_or(72), brand);
    for (const auto& [address, pair] : fixups)
        for (qsizetype i = 0; i < pair.first.size(); ++i)
            if (doc.image.at(address + std::uint32_t(i)) == std::uint8_t(pair.first[i]))
                doc.image.set(address + std::uint32_t(i), std::uint8_t(pair.second[i]));
    return doc;
}


namespace {

QJsonObject ControlSchema(const TextKey& k) {
    const ControlDef& d = DefOf(k);
    const auto& outline = k6config::PageOutline::Builtin();
    const k6config::OutlineField* f = outline.Field(k.window, k.control);
    QString about;
    if (f) {
        if (const k6config::OutlinePage* p = outline.Page(f->window, f->page))
            about = k6config::TextIn(p->caption, i18n::English);
        const QString caption = BareCaption(k6config::TextIn(f->caption, i18n::English));
        if (!caption.isEmpty()) about += QStringLiteral(" › ") + caption;
    }
    about += QStringLiteral(" (%1)").arg(k.control);
    QJsonObject s{{QStringLiteral("description"), about.trimmed()}};
    const QJsonObject phones{{QStringLiteral("$ref"), QStringLiteral("#/$defs/phones")}};
    switch (d.kind) {
    case ControlKind::Choice: {
        s.insert(QStringLiteral("type"), QStringLiteral("integer"));
        s.insert(QStringLiteral("minimum"), -1);
        s.insert(QStringLiteral("maximum"), d.itemCount() - 1);
        QStringList items;
        for (int i = 0; i < d.itemCount(); ++i)
            items << QStringLiteral("%1 = %2").arg(i).arg(f ? f->Item(i, i18n::English, 72) : d.items[i]);
        s.insert(QStringLiteral("description"), about + QStringLiteral("; -1 = none, ") + items.join(QStringLiteral(", ")));
        break;
    }
    case ControlKind::Spin:
    case ControlKind::Value:
        s.insert(QStringLiteral("type"), QStringLiteral("integer"));
        s.insert(QStringLiteral("minimum"), d.minimum);
        s.insert(QStringLiteral("maximum"), d.maximum);
        break;
    case ControlKind::Check:
        s.insert(QStringLiteral("type"), QStringLiteral("boolean"));
        break;
    case ControlKind::CheckList:
        for (auto it = phones.begin(); it != phones.end(); ++it)
            s.insert(it.key(), it.value());
        break;
    case ControlKind::Text:
    case ControlKind::EditCombo:
        s.insert(QStringLiteral("type"), QStringLiteral("string"));
        s.insert(QStringLiteral("maxLength"), d.maxLength);
        break;
    case ControlKind::Grid: {
        QJsonArray cells;
        for (int c = 0; c < d.columns; ++c)
            cells.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("string")}});
        if (IsEventGrid(d.name)) cells.append(phones);
        s.insert(QStringLiteral("type"), QStringLiteral("object"));
        s.insert(QStringLiteral("propertyNames"),
                 QJsonObject{{QStringLiteral("pattern"), QStringLiteral("^[1-9][0-9]*$")}});
        s.insert(QStringLiteral("additionalProperties"),
                 QJsonObject{{QStringLiteral("type"), QStringLiteral("array")},
                             {QStringLiteral("prefixItems"), cells},
                             {QStringLiteral("items"), false},
                             {QStringLiteral("minItems"), cells.size()}});
        break;
    }
    }
    return s;
}

} // namespace

QByteArray JsonSchema() {
    const QJsonObject text{{QStringLiteral("type"), QStringLiteral("string")}};
    QJsonObject customerProperties;
    QJsonArray customerRequired;
    for (const char* k : kCustomerKeys) {
        customerProperties.insert(QLatin1String(k), QJsonObject{{QStringLiteral("type"), QStringLiteral("string")},
                                                                 {QStringLiteral("maxLength"), k6config::kCustomerRecordSize - 1}});
        customerRequired.append(QLatin1String(k));
    }
    QJsonObject controlProperties;
    QJsonArray controlRequired;
    for (const TextKey& k : TextKeys()) {
        controlProperties.insert(k.key, ControlSchema(k));
        controlRequired.append(k.key);
    }
    QJsonArray modelTypes;
    for (const ModuleModel& m : kModuleModels)
        modelTypes.append(m.typeCode);
    const QJsonObject bytesRef{{QStringLiteral("$ref"), QStringLiteral("#/$defs/bytes")}};
    const QJsonObject schema{
        {QStringLiteral("$schema"), QStringLiteral("https://json-schema.org/draft/2020-12/schema")},
        {QStringLiteral("title"), QStringLiteral("Dalvex configuration")},
        {QStringLiteral("description"),
         QStringLiteral("A K6 module's configuration file as text, written by `dalvex-cli export` and read by "
                        "`dalvex-cli import`.")},
        {QStringLiteral("type"), QStringLiteral("object")},
        {QStringLiteral("additionalProperties"), false},
        {QStringLiteral("required"),
         QJsonArray{QStringLiteral("format"), QStringLiteral("formatVersion"), QStringLiteral("brand"),
                    QStringLiteral("customer"), QStringLiteral("controls")}},
        {QStringLiteral("properties"),
         QJsonObject{
             {QStringLiteral("format"), QJsonObject{{QStringLiteral("const"), kFormat}}},
             {QStringLiteral("formatVersion"), QJsonObject{{QStringLiteral("const"), kJsonFormatVersion}}},
             {QStringLiteral("model"),
              QJsonObject{{QStringLiteral("oneOf"),
                           QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("null")}},
                                      QJsonObject{{QStringLiteral("type"), QStringLiteral("object")},
                                                  {QStringLiteral("additionalProperties"), false},
                                                  {QStringLiteral("required"), QJsonArray{QStringLiteral("type")}},
                                                  {QStringLiteral("properties"),
                                                   QJsonObject{{QStringLiteral("type"),
                                                                QJsonObject{{QStringLiteral("enum"), modelTypes}}},
                                                               {QStringLiteral("name"), text}}}}}}}},
             {QStringLiteral("version"),
              QJsonObject{{QStringLiteral("oneOf"),
                           QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("null")}},
                                      QJsonObject{{QStringLiteral("type"), QStringLiteral("string")},
                                                  {QStringLiteral("pattern"), QStringLiteral("^[0-9]{1,2}[.][0-9]$")}}}}}},
             {QStringLiteral("brand"),
              QJsonObject{{QStringLiteral("type"), QStringLiteral("string")},
                          {QStringLiteral("maxLength"), k6config::kBrandWidth}}},
             {QStringLiteral("customer"),
              QJsonObject{{QStringLiteral("type"), QStringLiteral("object")},
                          {QStringLiteral("additionalProperties"), false},
                          {QStringLiteral("required"), customerRequired},
                          {QStringLiteral("properties"), customerProperties}}},
             {QStringLiteral("controls"),
              QJsonObject{{QStringLiteral("type"), QStringLiteral("object")},
                          {QStringLiteral("additionalProperties"), false},
                          {QStringLiteral("required"), controlRequired},
                          {QStringLiteral("properties"), controlProperties}}},
             {QStringLiteral("bytes"), bytesRef},
             {QStringLiteral("fixups"),
              QJsonObject{{QStringLiteral("description"),
                           QStringLiteral("bytes the codec would not give back: by address, [as the controls "
                                          "encode, as the file holds]")},
                          {QStringLiteral("type"), QStringLiteral("object")},
                          {QStringLiteral("propertyNames"),
                           QJsonObject{{QStringLiteral("pattern"), QStringLiteral("^0x[0-9a-fA-F]{1,6}$")}}},
                          {QStringLiteral("additionalProperties"),
                           QJsonObject{{QStringLiteral("type"), QStringLiteral("array")},
                                       {QStringLiteral("minItems"), 2},
                                       {QStringLiteral("maxItems"), 2},
                                       {QStringLiteral("items"), QJsonObject{{QStringLiteral("type"), QStringLiteral("string")},
                                                                             {QStringLiteral("pattern"), QStringLiteral("^([0-9a-fA-F]{2})*$")}}}}}}},
             {QStringLiteral("length"),
              QJsonObject{{QStringLiteral("description"), QStringLiteral("the configuration file's length in bytes")},
                          {QStringLiteral("type"), QStringLiteral("integer")},
                          {QStringLiteral("minimum"), int(k6config::kConfigMinimumSize)},
                          {QStringLiteral("maximum"), int(k6config::kConfigFileSize)}}},
         }},
        {QStringLiteral("$defs"),
         QJsonObject{
             {QStringLiteral("phones"),
              QJsonObject{{QStringLiteral("description"), QStringLiteral("the phone numbers (1..8) ticked")},
                          {QStringLiteral("type"), QStringLiteral("array")},
                          {QStringLiteral("uniqueItems"), true},
                          {QStringLiteral("items"), QJsonObject{{QStringLiteral("type"), QStringLiteral("integer")},
                                                                {QStringLiteral("minimum"), 1},
                                                                {QStringLiteral("maximum"), k6config::kPhoneCount}}}}},
             {QStringLiteral("bytes"),
              QJsonObject{{QStringLiteral("description"),
                           QStringLiteral("image bytes by address (hexadecimal), as hexadecimal digits")},
                          {QStringLiteral("type"), QStringLiteral("object")},
                          {QStringLiteral("propertyNames"),
                           QJsonObject{{QStringLiteral("pattern"), QStringLiteral("^0x[0-9a-fA-F]{1,6}$")}}},
                          {QStringLiteral("additionalProperties"),
                           QJsonObject{{QStringLiteral("type"), QStringLiteral("string")},
                                       {QStringLiteral("pattern"), QStringLiteral("^([0-9a-fA-F]{2})*$")}}}}},
         }},
    };
    return QJsonDocument(schema).toJson(QJsonDocument::Indented);
}

} // namespace dalvex::k6text
