#include "controls.h"

#include <utility>

namespace dalvex::k6config {
namespace {

ControlDef make(const QString& name, ControlKind kind) {
    ControlDef d;
    d.name = name;
    d.kind = kind;
    return d;
}

ControlDef choice(const QString& name, QStringList items, int initialIndex) {
    ControlDef d = make(name, ControlKind::Choice);
    d.items = std::move(items);
    d.initialNumber = initialIndex;
    return d;
}

ControlDef check(const QString& name, bool initiallyChecked = false) {
    ControlDef d = make(name, ControlKind::Check);
    d.initialNumber = initiallyChecked ? 1 : 0;
    return d;
}

QStringList phoneCaptions() {
    QStringList items;
    for (int i = 0; i < kPhoneCount; ++i)
        items << PhoneItemCaption(i);
    return items;
}

ControlDef checkList(const QString& name) {
    ControlDef d = make(name, ControlKind::CheckList);
    d.items = phoneCaptions();
    return d;
}

ControlDef spin(const QString& name, int minimum, int maximum, int initial, int step = 1) {
    ControlDef d = make(name, ControlKind::Spin);
    d.minimum = minimum;
    d.maximum = maximum;
    d.initialNumber = initial;
    d.step = step;
    return d;
}

ControlDef value(const QString& name, int minimum, int maximum, int initial) {
    ControlDef d = spin(name, minimum, maximum, initial);
    d.kind = ControlKind::Value;
    return d;
}

ControlDef text(const QString& name, int maxLength, const QString& initial = {}) {
    ControlDef d = make(name, ControlKind::Text);
    d.maxLength = maxLength;
    d.initialText = initial;
    return d;
}

ControlDef editCombo(const QString& name, QStringList items, int maxLength, const QString& initial) {
    ControlDef d = make(name, ControlKind::EditCombo);
    d.items = std::move(items);
    d.maxLength = maxLength;
    d.initialText = initial;
    return d;
}

ControlDef grid(const QString& name, int rows, int columns) {
    ControlDef d = make(name, ControlKind::Grid);
    d.rows = rows;
    d.columns = columns;
    return d;
}

ControlDef disabled(ControlDef d) {
    d.initiallyEnabled = false;
    return d;
}

QString numbered(const char* pattern, int n) {
    return QString::fromLatin1(pattern).arg(n);
}
// best11, best13 .. best46: option k of input n.
QString inputOption(int n, int k) {
    return QStringLiteral("best%1%2").arg(n).arg(k);
}

const QStringList kSourceTypes = {
    QStringLiteral("00/ Nem használt"),       QStringLiteral("01/ 24h normál bemenet"),
    QStringLiteral("02/ Központi bemenet"),   QStringLiteral("03/ Központi késl. bemenet"),
    QStringLiteral("04/ Késletetet bemenet"), QStringLiteral("05/ Ki/be kapcsolás"),
};
const QStringList kInversion = {QStringLiteral("Alaphelyzetben zárt"),
                                QStringLiteral("Alaphelyzetben nyitott")};

// An alarm source's type box, phone lists and option check boxes. The lists start disabled when the
// type starts as "Nem használt".
void addSource(std::vector<ControlDef>& c, const QString& typeBox, int initialType, const QString& sms,
               const QString& voice, const QStringList& options) {
    c.push_back(choice(typeBox, kSourceTypes, initialType));
    for (const QString& list : {sms, voice}) {
        ControlDef d = checkList(list);
        d.initiallyEnabled = initialType != 0;
        c.push_back(d);
    }
    for (const QString& o : options)
        c.push_back(check(o));
}

std::vector<ControlDef> k6Rows() {
    std::vector<ControlDef> c;
    // Phone numbers; the edit mask "#999999999999999>;1;_" holds 16 characters.
    for (int n = 1; n <= kPhoneCount; ++n)
        c.push_back(text(numbered("MaskEdit%1", n), 16));

    // Inputs 1-4 and the sources that share their shape.
    const char* const inputTexts[] = {"1 bemenet riasztas", "2 bemenet riasztas", "3 bemenet riasztas",
                                      "4 bemenet riasztas"};
    for (int n = 1; n <= 4; ++n) {
        addSource(
            c, numbered("ComboBox%1", n), 1, numbered("SMSst%1", n), numbered("VOICEst%1", n),
            {inputOption(n, 1), inputOption(n, 3), inputOption(n, 4), inputOption(n, 5), inputOption(n, 6)});
        c.push_back(choice(numbered("BE%1inv", n), kInversion, 0));
        c.push_back(text(n == 1 ? QStringLiteral("riasztas") : numbered("riasztas%1", n), kSmsTextLength,
                         QString::fromUtf8(inputTexts[n - 1])));
    }
    // Speed and lift.
    addSource(c, QStringLiteral("ComboBox5"), 0, QStringLiteral("SMSst5"), QStringLiteral("VOICEst5"),
              {QStringLiteral("BEst51"), QStringLiteral("CheckBox5")});
    c.push_back(text(QStringLiteral("riasztas5"), kSmsTextLength, QStringLiteral("Sebesseg tullepes")));
    c.push_back(spin(QStringLiteral("SpinEdit8"), 10, 250, 120));
    addSource(c, QStringLiteral("ComboBox6"), 0, QStringLiteral("SMSst6"), QStringLiteral("VOICEst6"),
              {QStringLiteral("BEst61"), QStringLiteral("CheckBox6")});
    c.push_back(text(QStringLiteral("riasztas6"), kSmsTextLength, QStringLiteral("Sebesseg tullepes")));
    c.push_back(spin(QStringLiteral("SpinEdit9"), 1, 32, 6));
    // Tamper.
    addSource(c, QStringLiteral("ComboBox9"), 1, QStringLiteral("SMSst9"), QStringLiteral("VOICEst9"),
              {QStringLiteral("best91"), QStringLiteral("best93"), QStringLiteral("best94"),
               QStringLiteral("best95"), QStringLiteral("best96")});
    c.push_back(choice(QStringLiteral("BE9inv"), kInversion, 0));
    c.push_back(
        text(QStringLiteral("riasztas9"), kSmsTextLength, QStringLiteral("Belső szabotázs riasztás")));
    // Power monitor; CheckBox10 works in the opposite sense to the other inversion controls.
    addSource(c, QStringLiteral("ComboBox10"), 1, QStringLiteral("SMSst10"), QStringLiteral("VOICEst10"),
              {QStringLiteral("best101"), QStringLiteral("best103"), QStringLiteral("best104"),
               QStringLiteral("best105"), QStringLiteral("best106"), QStringLiteral("CheckBox10")});
    c.push_back(text(QStringLiteral("riasztas10"), kSmsTextLength, QStringLiteral("Belso taphiba riasztas")));
    c.push_back(choice(QStringLiteral("ComboBox20"),
                       {QStringLiteral("7V"), QStringLiteral("8V"), QStringLiteral("9V"),
                        QStringLiteral("9,5V"), QStringLiteral("10V"), QStringLiteral("10,5V"),
                        QStringLiteral("11V"), QStringLiteral("11,5V"), QStringLiteral("12V"),
                        QStringLiteral("12,5V"), QStringLiteral("13V")},
                       6));
    // Temperature; its limits are off while the type is "Nem használt".
    addSource(c, QStringLiteral("ComboBox13"), 0, QStringLiteral("SMSst13"), QStringLiteral("VOICEst13"),
              {QStringLiteral("best131"), QStringLiteral("CheckBox13")});
    c.push_back(disabled(check(QStringLiteral("hkompmax"))));
    c.push_back(disabled(check(QStringLiteral("hkompmin"))));
    c.push_back(disabled(spin(QStringLiteral("SpinEdit6"), 0, 120, 0)));
    c.push_back(disabled(spin(QStringLiteral("SpinEdit7"), 0, 120, 0)));
    // Jammer.
    c.push_back(checkList(QStringLiteral("SMSst15")));
    c.push_back(checkList(QStringLiteral("VOICEst15")));
    c.push_back(check(QStringLiteral("best153")));
    c.push_back(check(QStringLiteral("best155")));
    c.push_back(check(QStringLiteral("JammerKI1")));
    c.push_back(check(QStringLiteral("jammerKI2")));
    c.push_back(
        text(QStringLiteral("riasztas15"), kSmsTextLength, QStringLiteral("Riasztas, JAMMER detect")));

    // Outputs 1 and 2. The spin boxes show the time in the unit chosen; KinSeconds hold it in seconds.
    const QStringList outputModes = {QStringLiteral("Egyállapotú időzített (MONO)"),
                                     QStringLiteral("Kétállapotú (BI)"),
                                     QStringLiteral("Élesítés a kimeneten")};
    for (int n = 1; n <= 2; ++n) {
        c.push_back(choice(numbered("ComboKi%1", n), outputModes, 0));
        c.push_back(check(numbered("CheckBox2KI%1", n)));
        c.push_back(check(numbered("CheckBox1KI%1", n)));
        c.push_back(disabled(check(numbered("CheckBox3KI%1", n))));
        if (n == 1) c.push_back(check(QStringLiteral("CheckBox5KI1")));
        c.push_back(spin(numbered("SpinKI%1", n), 1, 65535, 3));
        c.push_back(choice(numbered("KI%1SECMIN", n), {QStringLiteral("Sec"), QStringLiteral("Min")}, 0));
        c.push_back(value(numbered("Ki%1Seconds", n), 1, 65535, 3));
    }

    // Life signal.
    c.push_back(check(QStringLiteral("CheckBox11")));
    c.push_back(disabled(spin(QStringLiteral("SpinEdit1"), 1, 255, 7)));
    c.push_back(disabled(spin(QStringLiteral("SpinEdit2"), 0, 23, 12)));
    // Days to the first life signal are stored plus one in a byte: 255 would be stored as 0.
    c.push_back(disabled(spin(QStringLiteral("SpinEdit3"), 0, 254, 0)));
    c.push_back(checkList(QStringLiteral("SMSst11")));
    c.push_back(text(QStringLiteral("riasztas11"), kSmsTextLength,
                     QStringLiteral("Eletjel kuldes, minden rendben..")));

    // "Egyéb" and the general flags.
    for (const char* name : {"CheckEgyeb1", "CheckEgyeb3", "CheckEgyeb4", "CheckEgyeb5", "CheckEgyeb6",
                             "CheckEgyeb7", "ELETcid", "CheckEgyeb8", "CheckEgyeb2_0"})
        c.push_back(check(QString::fromLatin1(name)));
    c.push_back(check(QStringLiteral("CheckEgyeb2")));
    c.push_back(disabled(choice(QStringLiteral("ComboBox11"), phoneCaptions(), 0)));
    c.push_back(spin(QStringLiteral("SpinEdit4"), 3, 180, 30));
    c.push_back(spin(QStringLiteral("SpinEdit5"), 1, 180, 50));
    c.push_back(spin(QStringLiteral("SpinEdit18"), 1, 255, 90));
    c.push_back(choice(QStringLiteral("ComboBox12"),
                       {QStringLiteral("Kikapcsolva"), QStringLiteral("Alacsony"), QStringLiteral("Normál"),
                        QStringLiteral("Közepes"), QStringLiteral("Erős")},
                       2));
    c.push_back(text(QStringLiteral("Edit8"), kSmsTextLength, QStringLiteral("Visszaallas:")));
    c.push_back(text(QStringLiteral("Edit1"), 4, QStringLiteral("7307")));
    c.push_back(spin(QStringLiteral("SpinEdit15"), 1, 255, 30));
    c.push_back(spin(QStringLiteral("SpinEdit16"), 1, 255, 60));
    c.push_back(choice(QStringLiteral("ComboBox15"),
                       {QStringLiteral("Kimeneti bővítő panel"), QStringLiteral("Központi bővítő panel")},
                       0));
    c.push_back(disabled(check(QStringLiteral("CheckBox12"))));
    // The SMS header's memory holds 127 characters, all of them read back; the editor takes 120.
    ControlDef header = text(QStringLiteral("Edit12"), 127);
    header.typedLength = 120;
    c.push_back(header);

    // GPS and GPRS reporting.
    c.push_back(check(QStringLiteral("GPSbit0")));
    c.push_back(check(QStringLiteral("GPSbit1")));
    c.push_back(choice(QStringLiteral("RadioGroup1"),
                       {QStringLiteral("Beállított ügyfélkód"), QStringLiteral("Tip/Ring -ről lopva")}, 0));
    for (int n = 15; n <= 19; ++n)
        c.push_back(check(numbered("CheckBox%1", n)));
    c.push_back(spin(QStringLiteral("SpinEdit10"), 0, 65000, 0));

    // Server profiles: the controls of profile n carry the number n.
    for (int n = 1; n <= 4; ++n) {
        c.push_back(editCombo(
            numbered("APNNAME%1", n),
            {QString(), QStringLiteral("internet"), QStringLiteral("net"), QStringLiteral("Internet")}, 64,
            QString()));
        c.push_back(text(numbered("USER%1", n), 32));
        c.push_back(text(numbered("PASS%1", n), 32));
        c.push_back(editCombo(numbered("DNS1_%1", n), {QString(), QStringLiteral("AUTO")}, 16,
                              QStringLiteral("AUTO")));
        c.push_back(editCombo(numbered("DNS2_%1", n), {QString(), QStringLiteral("AUTO")}, 16,
                              QStringLiteral("AUTO")));
        c.push_back(disabled(editCombo(numbered("KULCS%1", n), {QString(), QStringLiteral("OFF")}, 16,
                                       QStringLiteral("OFF"))));
        c.push_back(text(numbered("IPCIM%1", n), 64));
        c.push_back(text(numbered("IPPORT%1", n), 5));
        c.push_back(choice(numbered("PROT%1", n), {QStringLiteral("OFF"), QStringLiteral("ENIGMA")}, 0));
        c.push_back(choice(numbered("UDPTCP%1", n), {QStringLiteral("UDP"), QStringLiteral("TCP")}, 0));
    }
    // Hidden legacy server texts.
    c.push_back(text(QStringLiteral("Edit10"), 63));
    c.push_back(text(QStringLiteral("Edit11"), 45));

    // Contact ID tables.
    c.push_back(grid(QStringLiteral("StringGrid2"), kGridRecords + 1, 2));
    c.push_back(grid(QStringLiteral("StringGrid3"), kGridRecords + 1, 2));
    c.push_back(checkList(QStringLiteral("SMSst7")));

    // Remote monitoring.
    c.push_back(text(QStringLiteral("TAV1"), 16));
    c.push_back(text(QStringLiteral("TAV2"), 16));
    c.push_back(text(QStringLiteral("CIDUGYFEL"), 4, QStringLiteral("1234")));
    for (int n = 1; n <= 4; ++n) {
        c.push_back(text(numbered("CIDbe%1", n), 3, QStringLiteral("130")));
        c.push_back(text(numbered("ZONAbe%1", n), 3, QStringLiteral("00%1").arg(n)));
    }
    c.push_back(text(QStringLiteral("CIDtamper"), 3, QStringLiteral("137")));
    c.push_back(text(QStringLiteral("ZONAtamper"), 3, QStringLiteral("001")));
    c.push_back(text(QStringLiteral("CIDtap"), 3, QStringLiteral("302")));
    c.push_back(text(QStringLiteral("ZONAtap"), 3, QStringLiteral("001")));
    c.push_back(text(QStringLiteral("GPRSelet"), 3, QStringLiteral("603")));
    c.push_back(text(QStringLiteral("CIDelet"), 3, QStringLiteral("602")));
    c.push_back(text(QStringLiteral("CIDnyit"), 3, QStringLiteral("401")));
    c.push_back(choice(QStringLiteral("ComboBox17"),
                       {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                        QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                        QStringLiteral("9")},
                       0));
    c.push_back(choice(QStringLiteral("ComboBox16"),
                       {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                        QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                        QStringLiteral("9"), QStringLiteral("10")},
                       4));
    c.push_back(spin(QStringLiteral("SpinEdit17"), 1, 65000, 1440));

    // Line simulator.
    c.push_back(spin(QStringLiteral("SpinEdit11"), 3, 80, 14));
    c.push_back(spin(QStringLiteral("SpinEdit12"), 1, 80, 20));
    c.push_back(spin(QStringLiteral("SpinEdit13"), 1, 80, 12));
    c.push_back(spin(QStringLiteral("SpinEdit14"), 1, 80, 35));
    c.push_back(choice(QStringLiteral("ComboBox18"),
                       {QStringLiteral("Csak GSM használat"), QStringLiteral("Telefonvonal/tartalék GSM"),
                        QStringLiteral("GSM/tartalék telefonvonal")},
                       0));
    c.push_back(spin(QStringLiteral("VFESZ"), 30, 72, 48, 3));

    // Opening and closing.
    c.push_back(checkList(QStringLiteral("SMSst16")));
    c.push_back(checkList(QStringLiteral("SMSst17")));
    c.push_back(text(QStringLiteral("Edit17"), kSmsTextLength, QStringLiteral("nyitás")));
    c.push_back(text(QStringLiteral("Edit18"), kSmsTextLength, QStringLiteral("zárás")));
    c.push_back(check(QStringLiteral("AUTOOPEN")));
    c.push_back(disabled(spin(QStringLiteral("SpinEdit19"), 0, 23, 0)));
    c.push_back(check(QStringLiteral("AUTOCLOSE")));
    c.push_back(disabled(spin(QStringLiteral("SpinEdit20"), 0, 23, 0)));
    return c;
}

std::vector<ControlDef> doorPhoneRows() {
    std::vector<ControlDef> c;
    for (int n = 1; n <= kPhoneCount; ++n)
        c.push_back(text(numbered("MaskEdit%1", n), 16));
    c.push_back(spin(QStringLiteral("SpinEdit4"), 3, 180, 30));
    c.push_back(spin(QStringLiteral("SpinEdit18"), 3, 180, 30));
    c.push_back(spin(QStringLiteral("SpinKI1"), 1, 65000, 3));
    c.push_back(check(QStringLiteral("CheckBox1KI1"), true));
    c.push_back(check(QStringLiteral("CheckBox3KI1"), true));
    c.push_back(spin(QStringLiteral("SpinKI2"), 1, 65535, 3));
    c.push_back(check(QStringLiteral("CheckBox1KI2")));
    c.push_back(check(QStringLiteral("CheckBox3KI2")));
    c.push_back(check(QStringLiteral("CheckEgyeb2")));
    c.push_back(disabled(choice(QStringLiteral("ComboBox11"), phoneCaptions(), -1)));
    c.push_back(text(QStringLiteral("Edit1"), 4, QStringLiteral("7307")));
    // Stored by the image codec itself (bytes 111, 112, 115, 116, 117).
    c.push_back(check(QStringLiteral("CheckBox1")));
    ControlDef from = spin(QStringLiteral("SpinEdit2"), -1, 24, 23);
    from.wraps = true;
    c.push_back(from);
    ControlDef until = spin(QStringLiteral("SpinEdit3"), -1, 24, 6);
    until.wraps = true;
    c.push_back(until);
    c.push_back(spin(QStringLiteral("TrackBar1"), 0, 9, 5));
    c.push_back(spin(QStringLiteral("TrackBar2"), 0, 9, 5));
    return c;
}

std::vector<ControlDef> k6LocalRows() {
    std::vector<ControlDef> c;
    // Customer records: name, address, GSM number, panel type, communicator type, installation date.
    for (int n = 2; n <= 7; ++n)
        c.push_back(text(numbered("Edit%1", n), 128));
    // Temperature SMS texts (upper and lower limit).
    c.push_back(text(QStringLiteral("riasztas13"), kSmsTextLength));
    c.push_back(text(QStringLiteral("riasztas13b"), kSmsTextLength));
    // "Contact ID tábla küldése/olvasása": a missing setting counts as ticked.
    c.push_back(check(QStringLiteral("CheckBox14"), true));
    // Caller-ID list: SIM index, number, name.
    c.push_back(grid(QStringLiteral("StringGrid1"), kPhonebookRows + 1, 3));
    return c;
}

} // namespace

ControlTable::ControlTable(QString window, std::vector<ControlDef> controls)
    : window_(std::move(window))
    , controls_(std::move(controls)) {
    keys_.reserve(controls_.size());
    for (const ControlDef& d : controls_)
        keys_.push_back(d.name.toStdString());
    for (std::size_t i = 0; i < keys_.size(); ++i)
        index_.emplace(keys_[i], static_cast<int>(i));
}

int ControlTable::indexOf(std::string_view name) const {
    const auto it = index_.find(name);
    return it == index_.end() ? -1 : it->second;
}

const ControlTable& K6Controls() {
    static const ControlTable table(QStringLiteral("TK6Form1"), k6Rows());
    return table;
}

const ControlTable& DoorPhoneControls() {
    static const ControlTable table(QStringLiteral("TDPhone1"), doorPhoneRows());
    return table;
}

const ControlTable& K6LocalControls() {
    static const ControlTable table(QStringLiteral("TK6Form1"), k6LocalRows());
    return table;
}

QString PhoneItemCaption(int item) {
    return QStringLiteral("Phone%1").arg(item + 1);
}

} // namespace dalvex::k6config
