#include "page_contents.h"

#include "k6config/controls.h"
#include "k6config/field_codecs.h"
#include "k6config/memory_map.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtDebug>
#include <array>

namespace dalvex::k6pages {

namespace {

using k6config::BitRule;
using k6config::SourceRecordDef;

QString u(const char* text) {
    return QString::fromUtf8(text);
}

// Texts of the source pages.
constexpr const char* kSmsListCaption = "SMS küldés:";
constexpr const char* kVoiceListCaption = "Hívás:";
constexpr const char* kSmsTextCaption = "SMS szöveg:";
constexpr const char* kInvertedCaption = "Invertált működés";
// The option check boxes of a source, by the bit they set in the source's option byte.
constexpr std::array<const char*, 8> kOptionCaptions = {
    "Visszaállásról is SMS/hívás", nullptr, "Szirénahang", "Hangüzenet küldése", "Távfelügyelet értesítés",
    "Híváskor nem kell felvenni!", nullptr, nullptr};

// An alarm source's page: its type and sense, its option check boxes, its SMS and voice phone
// lists and its SMS text. The controls come from the source's record in the memory map; the
// labels carry the names of the window's design where it has them.
struct SourcePageDef {
    const char* typeBox; // finds the source's record
    const char* typeCaption;
    const char* typeLabel;
    const char* smsLabel;
    const char* voiceLabel;
    const char* text;
    const char* textCaption;
    const char* textLabel;
    void (*extras)(PageBuilder&); // the page's own controls, below the options
    const char* text2 = nullptr;  // a second SMS text
    const char* text2Caption = nullptr;
};

const SourceRecordDef* recordOf(const char* typeBox) {
    for (const SourceRecordDef& s : k6config::SourceRecords())
        if (QLatin1String(s.typeBox) == QLatin1String(typeBox)) return &s;
    qWarning("no alarm source has the type box %s", typeBox);
    return nullptr;
}

void phoneLists(PageBuilder& b, const char* sms, const char* smsLabel, const char* voice,
                const char* voiceLabel) {
    b.column();
    b.above(u(sms), u(kSmsListCaption), u(smsLabel));
    if (voice) {
        b.column();
        b.above(u(voice), u(kVoiceListCaption), u(voiceLabel));
    }
}

void smsText(PageBuilder& b, const char* text, const char* caption, const char* label) {
    b.field(u(text), u(caption), u(label));
}

void sourcePage(PageBuilder& b, const SourcePageDef& d) {
    const SourceRecordDef* r = recordOf(d.typeBox);
    if (!r) return;
    // Named for the language pass; the name leaves the group's hiding to its controls.
    b.group(u("Beállítások"))->setObjectName(u("Group") + u(r->typeBox));
    b.field(u(r->typeBox), u(d.typeCaption), u(d.typeLabel));
    if (r->opposite.rule == BitRule::Item)
        b.radio(u(r->opposite.control), u("Bemenet alaphelyzete"));
    else
        b.check(u(r->opposite.control), u(kInvertedCaption));
    for (std::size_t bit = 0; bit < r->options.size(); ++bit)
        if (r->options[bit]) b.check(u(r->options[bit]), u(kOptionCaptions[bit]));
    if (d.extras) d.extras(b);
    b.endGroup();
    phoneLists(b, r->smsList, d.smsLabel, r->voiceList, d.voiceLabel);
    b.section();
    b.column();
    smsText(b, d.text, d.textCaption, d.textLabel);
    if (d.text2) smsText(b, d.text2, d.text2Caption, nullptr);
}

// Inputs 1-4 and the sources that share their page.
const SourcePageDef kInput[] = {
    {"ComboBox1", "Bemenet típusa:", "Label13", "Label10", "Label12", "riasztas", kSmsTextCaption, "Label14",
     nullptr},
    {"ComboBox2", "Bemenet típusa:", "Label28", "Label19", "Label21", "riasztas2", kSmsTextCaption, "Label15",
     nullptr},
    {"ComboBox3", "Bemenet típusa:", "Label29", "Label20", "Label22", "riasztas3", kSmsTextCaption, "Label16",
     nullptr},
    {"ComboBox4", "Bemenet típusa:", "Label30", "Label26", "Label27", "riasztas4", kSmsTextCaption, "Label17",
     nullptr},
};

// The pages' own controls.
void powerMonitorExtras(PageBuilder& b) {
    b.field(u("ComboBox20"), u("Riasztási feszültség érték:"), u("Label175"));
}
void speedExtras(PageBuilder& b) {
    b.field(u("SpinEdit8"), u("Sebességhatár [km/h]:"));
}
// The lift page gives its value no caption.
void liftExtras(PageBuilder& b) {
    b.row({nullptr, b.make(u("SpinEdit9"))});
}
void temperatureExtras(PageBuilder& b) {
    b.checkWith(u("hkompmax"), u("Maximum hőmérséklet [°C]:"), u("SpinEdit6"));
    b.checkWith(u("hkompmin"), u("Minimum hőmérséklet [°C]:"), u("SpinEdit7"));
}

// clang-format off
const SourcePageDef kTamper = {"ComboBox9", "Tamper típusa:", "Label41", "Label38", "Label43",
                               "riasztas9", kSmsTextCaption, "Label40", nullptr};
const SourcePageDef kPowerMonitor = {"ComboBox10", "Tápmonitor típusa:", "Label46", "Label44", "Label45",
                                     "riasztas10", kSmsTextCaption, "Label48", powerMonitorExtras};
const SourcePageDef kSpeed = {"ComboBox5", "Sebesség figyelés:", "Label67", "Label65", "Label66",
                              "riasztas5", kSmsTextCaption, "Label53", speedExtras};
const SourcePageDef kLift = {"ComboBox6", "Emelés figyelés:", "Label71", "Label72", "Label73",
                             "riasztas6", kSmsTextCaption, "Label74", liftExtras};
const SourcePageDef kTemperature = {"ComboBox13", "Hőmérséklet figyelés:", nullptr, nullptr, nullptr,
                                    "riasztas13", "SMS szöveg (maximum):", nullptr, temperatureExtras,
                                    "riasztas13b", "SMS szöveg (minimum):"};
// clang-format on

// --- The other pages ------------------------------------------------------------------------------

void basicData(PageBuilder& b) {
    b.group(u("Ügyfél adatok"))->setObjectName(u("GroupCustomer"));
    const char* const customer[][2] = {{"Edit2", "Ügyfél név:"},         {"Edit3", "Telepítési cím:"},
                                       {"Edit4", "GSM telefonszám:"},    {"Edit5", "Riasztóközpont típusa:"},
                                       {"Edit6", "GSM átjelző típusa:"}, {"Edit7", "Telepítés dátuma:"}};
    for (const auto& [name, caption] : customer)
        b.field(u(name), u(caption));
    b.group(u("SMS fejléc"))->setObjectName(u("GroupSmsHeader"));
    QWidget* header = b.make(u("Edit12"), Captioned(u("SMS fejléc:")));
    // The characters left, kept up to date by Edit12Change.
    QLabel* left = b.label(u("Label181"), QString::number(b.bindings().def("Edit12")->typedLength));
    b.row({b.caption(header, u("SMS fejléc:")), header, left});
    b.check(u("CheckEgyeb2_0"), u("Automatikus riasztás bekapcsoláskor (BE1)"));
    b.group(u("Óra"))->setObjectName(u("GroupClock"));
    b.row({b.button(u("Button12"), u("Szinkronizálás")), nullptr});
}

void phoneNumbers(PageBuilder& b) {
    b.group(u("Telefonszámok"))->setObjectName(u("GroupPhones"));
    for (int n = 1; n <= k6config::kPhoneCount; ++n) {
        const QString name = QStringLiteral("MaskEdit%1").arg(n);
        WidgetOptions options;
        options.caption = QStringLiteral("Telefonszám %1:").arg(n);
        options.look = Look::Phone;
        QWidget* edit = b.make(name, options);
        // Label2..Label9 caption the numbers; numbers 5 to 8 need the expansion module.
        QLabel* note = nullptr;
        if (n == 5 || n == 7)
            note = b.label(n == 5 ? u("Label96") : u("Label98"), u("Bővítőmodullal használható!"));
        b.row({b.caption(edit, options.caption, QStringLiteral("Label%1").arg(n + 1)), edit, note});
    }
}

void voicePage(PageBuilder& b) {
    b.group(u("Hangüzenetek"))->setObjectName(u("GroupVoice"));
    b.check(u("CheckEgyeb7"), u("Azonosító üzenet lejátszása az esemény üzenet előtt"));
}

void emptyPage(PageBuilder&) {}

// Outputs 1 and 2, one panel each.
struct OutputPanelDef {
    const char* panel;
    const char* caption;
    const char* mode;
    const char* spin;
    const char* unit;
    const char* onAlarm;
    const char* onCall;
    const char* byCallerId;
    const char* onSms; // nullptr: the output has none
};
constexpr OutputPanelDef kOutputPanels[] = {
    {"Panel9", "Kimenet 1.", "ComboKi1", "SpinKI1", "KI1SECMIN", "CheckBox2KI1", "CheckBox1KI1",
     "CheckBox3KI1", "CheckBox5KI1"},
    {"Panel10", "Kimenet 2.", "ComboKi2", "SpinKI2", "KI2SECMIN", "CheckBox2KI2", "CheckBox1KI2",
     "CheckBox3KI2", nullptr},
};

void outputs(PageBuilder& b) {
    for (const OutputPanelDef& o : kOutputPanels) {
        b.column();
        b.group(u(o.caption), u(o.panel));
        b.field(u(o.mode), u("Üzemmód:"));
        QWidget* spin = b.make(u(o.spin), Captioned(u("Bekapcsolási idő:")));
        WidgetOptions unitOptions;
        unitOptions.caption = u("Időegység");
        unitOptions.look = Look::RadioRow;
        QWidget* unit = b.make(u(o.unit), unitOptions);
        if (auto* box = qobject_cast<QGroupBox*>(unit)) {
            box->setTitle(QString());
            box->setFlat(true);
        }
        b.row({b.caption(spin, u("Bekapcsolási idő:")), spin, unit});
        b.check(u(o.onAlarm), u("Riasztáskor vezérlés"));
        b.check(u(o.onCall), u("Bejövő híváskor vezérlés"));
        b.check(u(o.byCallerId), u("Hivószámazonosítással vezérlés"));
        if (o.onSms) b.check(u(o.onSms), u("SMS sending, output change"));
    }
}

void lifeSignal(PageBuilder& b) {
    b.group(u("Életjel"))->setObjectName(u("GroupLifeSignal"));
    b.check(u("CheckBox11"), u("Életjel küldés"));
    b.field(u("SpinEdit1"), u("Életjel gyakorisága [nap]:"));
    b.field(u("SpinEdit2"), u("Életjel időpontja [óra]:"));
    b.field(u("SpinEdit3"), u("Első életjel [nap múlva]:"));
    b.endGroup();
    phoneLists(b, "SMSst11", "Label84", nullptr, nullptr);
    b.section();
    b.column();
    smsText(b, "riasztas11", kSmsTextCaption, nullptr);
}

void other(PageBuilder& b) {
    b.group(u("Bemenetek"))->setObjectName(u("GroupInputs"));
    b.field(u("ComboBox12"), u("Digitális bemenet szűrés:"), u("Label57"));
    b.field(u("Edit8"), u("Bemenet visszaállás szöveg:"));
    b.field(u("ComboBox15"), u("Bővítő panel típusa:"));
    b.check(u("CheckBox12"), u("Élesítés impulzussal"));
    b.group(u("Késleltetés"))->setObjectName(u("GroupDelays"));
    b.field(u("SpinEdit15"), u("Belépési késleltetés:"), u("Label106"));
    b.field(u("SpinEdit16"), u("Kilépési késleltetés:"), u("Label107"));
    b.column();
    b.group(u("Hanghívás"))->setObjectName(u("GroupVoiceCall"));
    b.field(u("SpinEdit4"), u("Csöngetési idő [mp.]:"));
    b.field(u("SpinEdit5"), u("Hívásismétlések max. száma:"));
    b.field(u("SpinEdit18"), u("Max beszélgetési idő:"));
    b.check(u("CheckEgyeb1"), u("Körhívás funció"));
    b.group(u("SMS"));
    b.checkWith(u("CheckEgyeb2"), u("SMS átírányítás"), u("ComboBox11"));
    b.field(u("Edit1"), u("SMS biztonsági kód:"));
    b.group(u("További beállítások"))->setObjectName(u("GroupMore"));
    b.check(u("CheckEgyeb3"), u("LED-ek kikapcsolása csukot fedőnél"));
    b.check(u("CheckEgyeb4"), u("Kimenet mentése memóriába"));
    b.check(u("CheckEgyeb5"), u("Hívószámazonosításkor élesít/hatástalanít"));
    b.check(u("CheckEgyeb6"), u("Mikrofon üzemmód bekapcsolva"));
}

void callerId(PageBuilder& b) {
    b.section(true);
    b.column();
    WidgetOptions grid;
    grid.titles = {u("SIM"), u("Telefonszám"), u("Név")};
    grid.columnChars = {4, k6config::kDigitStringWidth};
    b.above(u("StringGrid1"), u("Hívószám azonosítás listája:"), {}, grid);
    // The SIM phonebook: read from and write to the module's SIM card (ui/k6_modem_side.*).
    auto* progress = new QProgressBar(b.container());
    progress->setObjectName(u("ProgressBar1"));
    progress->setMaximum(100);
    progress->hide();
    b.row({b.button(u("BitBtn5"), u("Kiolvasás")), b.button(u("BitBtn6"), u("Feltöltés")),
           b.button(u("Button2"), u("Új sor hozzáadása")), progress});
    b.row({b.button(u("Button3"), u("Fájlba mentés")), b.button(u("Button4"), u("Fájlból betöltés")),
           b.button(u("Button6"), u("Memory load")), b.button(u("Button19"), u("Modul állapotok")), nullptr});
}

void gps(PageBuilder& b) {
    b.group(u("GPS"));
    b.check(u("GPSbit0"), u("GPS vevő használata"));
    b.check(u("GPSbit1"), u("NMEA GPS kódok küldése"));
}

// A server profile's tab: the controls of profile n carry the number n.
void serverProfile(PageBuilder& b, int n) {
    const char* const captions[][2] = {
        {"APNNAME%1", "APN:"},    {"USER%1", "user:"},      {"PASS%1", "Password:"},   {"DNS1_%1", "DNS1:"},
        {"DNS2_%1", "DNS2:"},     {"KULCS%1", "Kulcs:"},    {"IPCIM%1", "Server IP:"}, {"IPPORT%1", "PORT:"},
        {"PROT%1", "Protokoll:"}, {"UDPTCP%1", "UDP/TCP:"},
    };
    for (const k6config::ProfileFieldDef& f : k6config::ProfileFields()) {
        QString caption;
        for (const auto& [pattern, text] : captions)
            if (QLatin1String(pattern) == QLatin1String(f.control)) caption = u(text);
        if (caption.isEmpty()) qWarning("server profile field %s has no caption", f.control);
        b.field(QString::fromLatin1(f.control).arg(n), caption);
    }
}

void gprs(PageBuilder& b) {
    b.group(u("Teszt jelentés"))->setObjectName(u("GroupTestReport"));
    b.field(u("SpinEdit10"), u("Teszt jelentés gyakorisága [perc]"));
    b.field(u("GPRSelet"), u("Contact ID kód:"));
    b.group(u("GPRS beállítások"))->setObjectName(u("GroupGprs"));
    b.radio(u("RadioGroup1"), u("GPRS ügyfélkód"));
    b.check(u("CheckBox15"), u("Saját jelzések küldése GPRS-en"));
    b.check(u("CheckBox16"), u("Kisoff jel sikeres átvitel esetén"));
    b.check(u("CheckBox17"), u("ContactID naplózás"));
    b.check(u("CheckBox18"), u("SMS után hívásjelzés is"));
    b.check(u("CheckBox19"), u("Nyitás/Zárás értesítés visszaküldése telefonszámra"));
    // The legacy server texts are kept but never shown.
    b.row({nullptr, b.make(u("Edit10"))});
    b.row({nullptr, b.make(u("Edit11"))});
    b.column();
    b.group(u("Szerver profilok"))->setObjectName(u("GroupProfiles"));
    auto* tabs = new QTabWidget(b.container());
    tabs->tabBar()->setUsesScrollButtons(false); // all four profiles in sight
    tabs->setObjectName(u("PageControl2"));
    const char* const profileTabs[] = {"Server1", "Server1_tart", "Server2", "Server2_tart"};
    for (int n = 1; n <= k6config::kProfileCount; ++n) {
        auto* tab = new QWidget(tabs);
        tab->setObjectName(QStringLiteral("SERVER%1").arg(n));
        tabs->addTab(tab, u(profileTabs[n - 1]));
        PageBuilder profile(tab, b.bindings());
        serverProfile(profile, n);
    }
    b.row({tabs});
}

void contactIdSms(PageBuilder& b) {
    b.section(true);
    WidgetOptions grid;
    grid.titles = {u("Kód"), u("Név")};
    grid.columnChars = {6};
    b.column(1);
    b.above(u("StringGrid2"), u("Partició elnevezések"), {}, grid);
    b.column(1);
    b.above(u("StringGrid3"), u("ContactID kódok elnevezései"), {}, grid);
    b.column();
    b.above(u("SMSst7"), u("SMS értesítés:"));
    QLabel* event = b.label(u("Label87"), QString());
    event->setWordWrap(true);
    b.row({event});
    b.row({b.button(u("Button20"), u("Összes jelzéshez hozzárendel"))});
    b.row({b.button(u("BitBtn16"), u("Alap kódtábla betöltése"))});
    b.row({b.button(u("BitBtn17"), u("Alap zónák betöltése"))});
    b.check(u("CheckBox14"), u("Contact ID tábla küldése/olvasása"));
    b.stretch();
}

void monitoring(PageBuilder& b) {
    b.group(u("Távfelügyelet"))->setObjectName(u("GroupMonitoring"));
    b.field(u("TAV1"), u("Telefonszám 1."), u("Label132"));
    b.field(u("TAV2"), u("Telefonszám 2."), u("Label133"));
    b.field(u("CIDUGYFEL"), u("Ügyfélkód:"));
    b.field(u("ComboBox17"), u("Jelszint TX:"));
    b.field(u("ComboBox16"), u("Jelszint RX:"));
    b.field(u("SpinEdit17"), u("Életjel ciklus: [perc]"), u("Label129"));
    b.column();
    b.group(u("Contact ID kódok"))->setObjectName(u("GroupCidCodes"));
    b.row({nullptr, b.label(u("LabelCidCode"), u("Eseménykód")), b.label(u("LabelCidZone"), u("Zóna"))});
    // Event code rows: caption, code, zone.
    const char* const rows[][4] = {
        {"TAVbe1", "Be1:", "CIDbe1", "ZONAbe1"},
        {"TAVbe2", "Be2:", "CIDbe2", "ZONAbe2"},
        {"TAVbe3", "Be3:", "CIDbe3", "ZONAbe3"},
        {"TAVbe4", "Be4:", "CIDbe4", "ZONAbe4"},
        {"Label136", "Tamper:", "CIDtamper", "ZONAtamper"},
        {nullptr, "Tápmonitor:", "CIDtap", "ZONAtap"},
    };
    for (const auto& [label, caption, code, zone] : rows) {
        QWidget* c = b.make(u(code));
        QWidget* z = b.make(u(zone));
        z->setAccessibleName(u(caption) + u(" zóna"));
        b.row({b.caption(c, u(caption), u(label)), c, z});
    }
    // Reports the module sends only while their box is ticked; their zone is always 001.
    const char* const switched[][4] = {{"ELETcid", "Életjel", "CIDelet", "Label138"},
                                       {"CheckEgyeb8", "Nyitás/zárás", "CIDnyit", "Label109"}};
    for (const auto& [check, caption, code, zone] : switched) {
        QWidget* box = b.make(u(check), Captioned(u(caption)));
        QWidget* c = b.make(u(code), Captioned(u(caption)));
        b.row({box, c, b.label(u(zone), u("001"))});
    }
}

void lineSimulator(PageBuilder& b) {
    b.group(u("Erősítés"))->setObjectName(u("GroupGains"));
    b.field(u("SpinEdit11"), u("PSTN Rx Gain:"));
    b.field(u("SpinEdit12"), u("PSTN Tx Gain:"));
    b.field(u("SpinEdit13"), u("DTMF Rx Gain:"));
    b.field(u("SpinEdit14"), u("DTMF Tx Gain:"));
    b.row({nullptr, b.button(u("Button5"), u("PSTN send")), nullptr});
    b.column();
    b.group(u("Vonal"))->setObjectName(u("GroupLine"));
    b.field(u("ComboBox18"), u("Üzemmód:"));
    b.field(u("VFESZ"), u("Vonali feszültség [V]:"));
}

void jammer(PageBuilder& b) {
    b.group(u("Beállítások"))->setObjectName(u("GroupJammer"));
    b.check(u("best153"), u(kOptionCaptions[2]));
    b.check(u("best155"), u(kOptionCaptions[4]));
    b.check(u("JammerKI1"), u("Kimenet1 vezérlése"));
    b.check(u("jammerKI2"), u("Kimenet2 vezérlése"));
    b.endGroup();
    phoneLists(b, "SMSst15", "Label170", "VOICEst15", "Label171");
    b.section();
    b.column();
    smsText(b, "riasztas15", kSmsTextCaption, "Label172");
}

void openingClosing(PageBuilder& b) {
    struct Side {
        const char* title;
        const char* list;
        const char* listCaption;
        const char* text;
        const char* textCaption;
        const char* automatic;
        const char* automaticCaption;
        const char* hour;
        const char* groupName;
    };
    const Side sides[] = {
        {"Nyitás", "SMSst16", "SMS értesítés nyitáskor:", "Edit17", "Nyitás SMS szöveg:", "AUTOOPEN",
         "Automatikus nyitás (órakor)", "SpinEdit19", "GroupOpening"},
        {"Zárás", "SMSst17", "SMS értesítés záráskor:", "Edit18", "Zárás SMS szöveg:", "AUTOCLOSE",
         "Automatikus zárás (órakor)", "SpinEdit20", "GroupClosing"},
    };
    for (const Side& s : sides) {
        b.column();
        b.group(u(s.title))->setObjectName(u(s.groupName));
        b.above(u(s.list), u(s.listCaption));
        b.field(u(s.text), u(s.textCaption));
        b.checkWith(u(s.automatic), u(s.automaticCaption), u(s.hour));
    }
}

template <const SourcePageDef& D> void source(PageBuilder& b) {
    sourcePage(b, D);
}
template <int N> void input(PageBuilder& b) {
    sourcePage(b, kInput[N]);
}

constexpr PageDef kPages[] = {
    {"TabSheet23", "Alapadatok", basicData},
    {"TabSheet1", "Telefonszámok", phoneNumbers},
    {"TabSheet2", "Be1", input<0>},
    {"TabSheet3", "Be2", input<1>},
    {"TabSheet4", "Be3", input<2>},
    {"TabSheet5", "Be4", input<3>},
    {"TabSheet22", "Hangok", voicePage},
    {"TabSheet6", "Be5", emptyPage},
    {"TabSheet7", "Be6", emptyPage},
    {"TabSheet8", "Be7", emptyPage},
    {"TabSheet9", "Be8", emptyPage},
    {"TabSheet10", "Kimenet", outputs},
    {"TabSheet11", "Tamper", source<kTamper>},
    {"TabSheet12", "Tápmonitor", source<kPowerMonitor>},
    {"TabSheet13", "Életjel", lifeSignal},
    {"TabSheet14", "Egyéb", other},
    {"TabSheet15", "Szám azonosítás", callerId},
    {"TabSheet16", "Hőméséklet", source<kTemperature>},
    {"TabSheet17", "GPS", gps},
    {"TabSheet18", "Sebesség", source<kSpeed>},
    {"TabSheet19", "Emelés", source<kLift>},
    {"TabSheet20", "GPRS", gprs},
    {"TabSheet21", "CID/SMS", contactIdSms},
    {"TabSheet24", "Távfelügyelet", monitoring},
    {"TabSheet25", "Vonalszimulátor", lineSimulator},
    {"TabSheet26", "Jammer", jammer},
    {"TabSheet27", "Nyitás/zárás", openingClosing},
};

constexpr const char* kAccentWarnedEditors[] = {
    "riasztas",   "riasztas2",  "riasztas3",   "riasztas4", "riasztas9",
    "riasztas10", "riasztas11", "riasztas15",  "Edit8",     "riasztas5",
    "riasztas6",  "riasztas13", "riasztas13b", "Edit17",    "Edit18",
};

} // namespace

std::span<const PageDef> K6PageDefs() {
    return kPages;
}

std::span<const char* const> AccentWarnedEditors() {
    return kAccentWarnedEditors;
}

} // namespace dalvex::k6pages
