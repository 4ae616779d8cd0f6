// The configuration as text: export and import give the file back byte for byte, edits in the text
// reach the image and nothing else, bad texts are refused naming their key, and the comparison of two
// files names what differs as the pages show it.

#include "tests/support/file_bytes.h"
#include "i18n/catalogue.h"
#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/page_outline.h"
#include "k6text/config_json.h"
#include "k6text/file_diff.h"
#include "k6text/sheet_content.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <set>

namespace {

using dalvex::test::ReadAll;

using namespace dalvex;
using k6text::ConfigDocument;

QString Preset(int type) {
    return QStringLiteral(DALVEX_SOURCE_DIR "/sim/presets/demo-%1.dat").arg(type);
}

ConfigDocument Open(int type) {
    ConfigDocument doc;
    EXPECT_TRUE(k6config::OpenConfigFile(Preset(type), doc.image, doc.customer)) << type;
    doc.moduleType = type;
    doc.version = 84;
    doc.fileLength = ReadAll(Preset(type)).size();
    return doc;
}

// The text with one member of "controls" replaced by `value` (JSON).
QByteArray WithControl(const QByteArray& json, const QString& key, const QByteArray& value) {
    QString text = QString::fromUtf8(json);
    const QRegularExpression member(QStringLiteral("(\"%1\": )([^\\n]*?)(,?\\n)").arg(QRegularExpression::escape(key)));
    const auto m = member.match(text);
    EXPECT_TRUE(m.hasMatch()) << key.toStdString();
    text.replace(m.capturedStart(2), m.capturedLength(2), QString::fromUtf8(value));
    return text.toUtf8();
}

QString KeyOf(const char* control) {
    for (const k6text::TextKey& k : k6text::TextKeys())
        if (k.window == k6config::OutlineWindow::Main && k.control == QLatin1String(control)) return k.key;
    ADD_FAILURE() << "no key for " << control;
    return {};
}

TEST(ConfigText, ExportThenImportGivesTheFileBackByteForByte) {
    // The demo presets of the four models, and a complete file with bytes in every area.
    for (const int type : {72, 73, 74, 75}) {
        SCOPED_TRACE(type);
        const ConfigDocument doc = Open(type);
        const QByteArray json = k6text::ExportJson(doc);
        k6text::JsonError error;
        const auto back = k6text::ImportJson(json, i18n::English, &error);
        ASSERT_TRUE(back) << error.message.toStdString();
        EXPECT_EQ(k6text::DocumentFileData(*back), ReadAll(Preset(type)));
        EXPECT_EQ(back->moduleType, type);
        EXPECT_EQ(back->version, 84);
        // The text says the same the second time.
        EXPECT_EQ(k6text::ExportJson(*back), json);
    }
    ConfigDocument noisy;
    for (std::uint32_t a = 0; a < 0x3E0400; a += 97)
        noisy.image.set(a, static_cast<std::uint8_t>(a * 31 + 7));
    noisy.customer = {"Kovács Kft.", "Szeged", "+36301112222", "panel", "", "2024.01.02."};
    const auto back = k6text::ImportJson(k6text::ExportJson(noisy), i18n::English, nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(k6text::DocumentFileData(*back), k6config::ConfigFileData(noisy.image, noisy.customer));
    EXPECT_FALSE(back->moduleType);
}

TEST(ConfigText, AnEditedNumberChangesItsBytesOnly) {
    const ConfigDocument doc = Open(74);
    const QByteArray json = k6text::ExportJson(doc);
    struct Edit {
        const char* control;
        QByteArray value;
    };
    const Edit edits[] = {
        {"MaskEdit2", "\"+36201234567\""},
        {"SpinEdit4", "45"},
        {"USER1", "\"bob\""}, // over bytes the codec does not give back as they were
        {"SMSst1", "[1, 8]"},
    };
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.control);
        const auto back = k6text::ImportJson(WithControl(json, KeyOf(e.control), e.value), i18n::English, nullptr);
        ASSERT_TRUE(back);
        k6text::ConfigValues before, after;
        k6text::Decode(doc.image, doc.customer, 74, before);
        k6text::Decode(back->image, back->customer, 74, after);
        int changed = 0;
        for (const k6config::ControlDef& d : k6config::K6Controls().controls()) {
            const std::string n = d.name.toStdString();
            if (d.kind == k6config::ControlKind::Grid) continue;
            const bool differs = before.k6.number(n) != after.k6.number(n) || before.k6.text(n) != after.k6.text(n);
            if (d.name == QLatin1String(e.control))
                EXPECT_TRUE(differs);
            else if (differs)
                ++changed;
        }
        EXPECT_EQ(changed, 0);
        const QJsonValue v = QJsonDocument::fromJson("[" + e.value + "]").array().at(0);
        if (v.isString()) {
            EXPECT_EQ(after.k6.text(e.control), v.toString());
        }
        if (v.isDouble()) {
            EXPECT_EQ(after.k6.number(e.control), v.toInt());
        }
    }
}

TEST(ConfigText, BadTextsAreRefusedNamingTheKey) {
    const QByteArray json = k6text::ExportJson(Open(72));
    const QString phone = KeyOf("MaskEdit1");
    const QString ring = KeyOf("SpinEdit4"); // 3..180
    const QString type = KeyOf("ComboBox1");
    struct Case {
        const char* what;
        QByteArray text;
        QString key;     // the key the error names
        QString message; // part of its message
    };
    QByteArray unknown = json;
    unknown.replace("\"controls\": {\n", "\"controls\": {\n    \"no_such.Thing1\": 1,\n");
    QByteArray renamed = json;
    renamed.replace(ring.toUtf8() + "\"", "ringing.SpinEdit4\"");
    QByteArray missingCustomer = json;
    missingCustomer.replace("    \"address\":", "    \"addresss\":");
    const Case cases[] = {
        {"not JSON", json.left(200), {}, "Invalid JSON at character"},
        {"no configuration", "{\"format\": \"other\"}", "format", "Not a Dalvex configuration"},
        {"unknown key", unknown, "no_such.Thing1", "no_such.Thing1: unknown key"},
        {"renamed key", renamed, "ringing.SpinEdit4", "did you mean " + ring},
        {"above the limit", WithControl(json, ring, "181"), ring, ring + ": 181 is not within 3…180"},
        {"below the limit", WithControl(json, ring, "2"), ring, "is not within 3…180"},
        {"no such item", WithControl(json, type, "6"), type, "6 is not within -1…5"},
        {"a fraction", WithControl(json, ring, "30.5"), ring, "a whole number expected"},
        {"too long", WithControl(json, phone, "\"+3630123456789012\""), phone, "longer than 16 characters"},
        {"a number for a text", WithControl(json, phone, "5"), phone, "a text expected"},
        {"a phone out of the list", WithControl(json, KeyOf("SMSst1"), "[9]"), KeyOf("SMSst1"), "9 is not within 1…8"},
        {"unknown customer field", missingCustomer, "customer.addresss", "unknown key"},
        {"unknown model", QByteArray(json).replace("\"type\":72", "\"type\":71"), "model.type", "unknown module type: 71"},
        {"bad hex", QByteArray(json).replace("\"bytes\": {", "\"bytes\": {\"0x000004\": \"0g\","), "bytes.0x000004",
         "hexadecimal bytes"},
        {"address outside the file", QByteArray(json).replace("\"bytes\": {", "\"bytes\": {\"0x3f0000\": \"00\","),
         "bytes.0x3f0000", "outside the configuration file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        k6text::JsonError error;
        EXPECT_FALSE(k6text::ImportJson(c.text, i18n::English, &error));
        EXPECT_EQ(error.key, c.key);
        EXPECT_TRUE(error.message.contains(c.message)) << error.message.toStdString();
    }
    // In the window's language.
    k6text::JsonError error;
    k6text::ImportJson(WithControl(json, ring, "181"), i18n::German, &error);
    EXPECT_TRUE(error.message.contains("liegt nicht zwischen 3…180")) << error.message.toStdString();
}

TEST(ConfigText, KeysNameThePurposeAndTheDesignName) {
    std::set<QString> keys;
    for (const k6text::TextKey& k : k6text::TextKeys()) {
        EXPECT_TRUE(keys.insert(k.key).second) << k.key.toStdString();
        EXPECT_TRUE(k.key.endsWith(QLatin1Char('.') + k.control)) << k.key.toStdString();
        EXPECT_FALSE(k.key.startsWith(k.control)) << "a key without its purpose: " << k.key.toStdString();
    }
    EXPECT_EQ(KeyOf("MaskEdit1"), "phone_numbers_phone_number_1.MaskEdit1");
    EXPECT_EQ(KeyOf("Ki1Seconds"), "output_on_time_seconds.Ki1Seconds");
}

// Files exported by 2012.3 named a few controls by their Hungarian captions; they still import.
TEST(ConfigText, KeysOfTheFirstReleaseStillRead) {
    const ConfigDocument doc = Open(74);
    const QByteArray json = k6text::ExportJson(doc);
    const std::pair<const char*, const char*> renamed[] = {
        {"monitoring_station_be1_zona.ZONAbe1", "ZONAbe1"},
        {"monitoring_station_tapmonitor_zona.ZONAtap", "ZONAtap"},
        {"monitoring_station_eletjel.CIDelet", "CIDelet"},
        {"monitoring_station_nyitas_zaras.CIDnyit", "CIDnyit"},
        {"opening_closing_automatikus_nyitas_orakor.SpinEdit19", "SpinEdit19"},
        {"other_sms_atiranyitas.ComboBox11", "ComboBox11"},
        {"temperature_maximum_homerseklet_c.SpinEdit6", "SpinEdit6"},
    };
    QByteArray old = json;
    for (const auto& [former, control] : renamed) {
        const QByteArray now = "\"" + KeyOf(control).toUtf8() + "\":";
        ASSERT_TRUE(old.contains(now)) << control;
        old.replace(now, "\"" + QByteArray(former) + "\":");
    }
    k6text::JsonError error;
    const auto back = k6text::ImportJson(old, i18n::English, &error);
    ASSERT_TRUE(back) << error.message.toStdString();
    EXPECT_EQ(k6text::DocumentFileData(*back), ReadAll(Preset(74)));

    // Both keys of one control: the former one is an unknown key, nothing is guessed.
    QByteArray both = json;
    both.replace("\"controls\": {\n", "\"controls\": {\n    \"other_sms_atiranyitas.ComboBox11\": 0,\n");
    EXPECT_FALSE(k6text::ImportJson(both, i18n::English, &error));
    EXPECT_EQ(error.key, "other_sms_atiranyitas.ComboBox11");
}

TEST(ConfigText, DiffNamesPagesAndFieldsAsTheyShow) {
    const ConfigDocument a = Open(74);
    EXPECT_TRUE(k6text::DiffDocuments(a, a, i18n::English).empty());
    const QByteArray json = k6text::ExportJson(a);
    QByteArray edited = WithControl(json, KeyOf("MaskEdit3"), "\"+36301110000\"");
    edited = WithControl(edited, KeyOf("ComboBox2"), "1");
    edited.replace("\"Kovacs Kft.\"", "\"Szabo Bt.\"");
    const auto b = k6text::ImportJson(edited, i18n::English, nullptr);
    ASSERT_TRUE(b);
    struct Row {
        int language;
        QString page, field, before, after;
    };
    const Row expected[] = {
        {i18n::English, "Basic data", "Customer name", "Kovacs Kft.", "Szabo Bt."},
        {i18n::English, "Phone numbers", "Phone number 3", "+36705551234", "+36301110000"},
        {i18n::English, "In2", "Input type", "02/ Reserved", "01/ 24h normal input"},
        {i18n::Hungarian, "Be2", "Bemenet típusa", "02/ Tartalék", "01/ 24h normál bemenet"},
    };
    for (const Row& e : expected) {
        const auto rows = k6text::DiffDocuments(a, *b, e.language);
        const bool found = std::any_of(rows.begin(), rows.end(), [&](const k6text::FileDiffRow& r) {
            return r.page == e.page && r.field == e.field && r.before == e.before && r.after == e.after;
        });
        EXPECT_TRUE(found) << e.field.toStdString();
    }
    // A byte outside what a send writes is a difference too.
    ConfigDocument c = a;
    c.image.set(0x200000, 0x55);
    const auto rows = k6text::DiffDocuments(a, c, i18n::English);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].field, "0x200000");
}

TEST(ConfigText, SheetMasksSecretsUnlessAsked) {
    const ConfigDocument doc = Open(74);
    k6text::ConfigValues values;
    k6text::Decode(doc.image, doc.customer, 74, values);
    k6text::SheetOptions o;
    o.show.moduleType = 74;
    o.show.version = 84;
    const auto texts = [&](bool secrets) {
        o.show.secrets = secrets;
        QStringList all;
        for (const auto& s : k6text::BuildSheet(values, o).pages)
            for (const auto& r : s.rows)
                all << r.value;
        return all.join('\n');
    };
    const QString code = values.k6.text("Edit1");
    ASSERT_EQ(code.size(), 4);
    EXPECT_FALSE(texts(false).contains(code));
    EXPECT_TRUE(texts(false).contains(k6text::kMasked));
    EXPECT_TRUE(texts(true).contains(code));
}

} // namespace
