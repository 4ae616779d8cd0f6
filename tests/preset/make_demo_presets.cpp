// Writes the demo module configurations of the simulator (sim/presets/demo-NN.dat), one per module
// type, as the K6 window would save them. Run by hand after changing the values below:
//   cmake --build build --target make_demo_presets && build/tests/preset/make_demo_presets sim/presets
// The files end after the server profiles: the simulator takes nothing beyond them, and a
// configuration file may end there.

#include "k6config/cid_tables.h"
#include "k6config/config_codec.h"
#include "k6config/config_file.h"
#include "k6config/controls.h"
#include "k6config/memory_map.h"
#include "k6config/page_values.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

using namespace dalvex::k6config;

// The brand name at 0x180: the main model's name, as a K6 window without a "*" company setting
// writes it. Fixed here, so the files do not depend on who generates them.
const QString kBrand = QStringLiteral("Telgor GSM");

constexpr std::uint32_t kLastPresetByte = kProfileBase + 0x4FF;
constexpr qint64 kPresetFileSize = kConfigMinimumSize + (kLastPresetByte + 1 - kConfigHeadSize);

// A small-shop alarm: the owner, two keyholders, the guard service; a door, two PIR zones and a
// panic button; a siren and a gate output; Contact ID to the monitoring centre over GPRS.
void fillDemo(PageValues& v, int type) {
    const char* const phones[] = {"+36301234567", "+36209876543", "+36705551234", "+3612345678",
                                  "+36304445566"};
    for (int n = 0; n < 5; ++n)
        v.setText("MaskEdit" + std::to_string(n + 1), QString::fromLatin1(phones[n]));

    struct Input {
        int type;
        int invert;
        std::uint8_t sms, voice;
        const char* text;
    };
    const Input inputs[] = {
        {3, 0, 0x07, 0x01, "Bejarati ajto nyitva"},
        {2, 0, 0x07, 0x03, "Mozgas a raktarban"},
        {2, 1, 0x07, 0x03, "Mozgas az irodaban"},
        {1, 0, 0x1F, 0x0F, "Panik gomb megnyomva"},
    };
    for (int n = 1; n <= 4; ++n) {
        const Input& in = inputs[n - 1];
        const std::string k = std::to_string(n);
        v.setIndex("ComboBox" + k, in.type);
        v.setIndex("BE" + k + "inv", in.invert);
        v.setMask("SMSst" + k, in.sms);
        v.setMask("VOICEst" + k, in.voice);
        v.setText(n == 1 ? "riasztas" : "riasztas" + k, QString::fromLatin1(in.text));
    }
    v.setMask("SMSst9", 0x03);
    v.setText("riasztas9", QStringLiteral("Szabotazs a dobozon"));
    v.setMask("SMSst10", 0x03);
    v.setText("riasztas10", QStringLiteral("Halozati tap kimaradt"));
    v.setMask("SMSst15", 0x01);
    v.setText("riasztas15", QStringLiteral("Zavaro jel a GSM savban"));
    v.setText("Edit8", QStringLiteral("Helyreallt:"));

    // Output 1: a siren for three minutes; output 2: the gate, switched by the owner.
    v.setIndex("ComboKi1", 0);
    v.setNumber("SpinKI1", 3);
    v.setIndex("KI1SECMIN", 1);
    v.setNumber("Ki1Seconds", 180);
    v.setIndex("ComboKi2", 1);

    v.setText("Edit12", QStringLiteral("Kovacs Kft. raktar")); // SMS header
    v.setChecked("CheckBox11", true);                          // life signal
    v.setMask("SMSst11", 0x01);
    v.setText("riasztas11", QStringLiteral("Eletjel: a rendszer rendben mukodik"));

    LoadDefaultEventTable(v, 0);
    LoadZoneTemplate(v, 0);
    ApplySmsMaskToAllEvents(v, 0x01);
    v.setText("CIDUGYFEL", QStringLiteral("4821"));
    v.setMask("SMSst7", 0x08);

    if (type >= 74) {
        v.setText("APNNAME1", QStringLiteral("internet"));
        v.setText("IPCIM1", QStringLiteral("riaszto.example.hu"));
        v.setText("IPPORT1", QStringLiteral("5350"));
        v.setIndex("UDPTCP1", 1);
        v.setText("APNNAME2", QStringLiteral("net"));
        v.setText("IPCIM2", QStringLiteral("192.0.2.45"));
        v.setText("IPPORT2", QStringLiteral("5351"));
    }
    v.setText("TAV1", QStringLiteral("+36301234567"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_presets FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int type : {72, 73, 74, 75}) {
        PageValues k6(K6Controls());
        PageValues door(DoorPhoneControls());
        fillDemo(k6, type);
        ConfigImage image;
        EncodeConfigImage(image, k6, door, ImageContext{type, kBrand});
        CustomerFields fields = {QStringLiteral("Kovacs Kft."),    QStringLiteral("Budapest, Fo utca 12."),
                                 QStringLiteral("Kovacs Janos"),   QStringLiteral("+36301234567"),
                                 QStringLiteral("Bemutato modul"), QStringLiteral(" ")};
        const QString path = folder.filePath(QStringLiteral("demo-%1.dat").arg(type));
        if (!SaveConfigFile(path, image, fields)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        QFile file(path);
        if (!file.resize(kPresetFileSize)) {
            std::fprintf(stderr, "cannot shorten %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
