#include "door_phone.h"

#include "config_codec.h"
#include "memory_map.h"

#include <string>

namespace dalvex::k6config {
namespace {

// Bell input n (1..4) is input n of the K6 window.
constexpr int kBellInputs = 4;
constexpr const char* kVoiceLists[kBellInputs] = {"VOICEst1", "VOICEst2", "VOICEst3", "VOICEst4"};
constexpr const char* kSmsLists[kBellInputs] = {"SMSst1", "SMSst2", "SMSst3", "SMSst4"};
constexpr const char* kSirenTones[kBellInputs] = {"best13", "best23", "best33", "best43"};
constexpr const char* kInversions[kBellInputs] = {"BE1inv", "BE2inv", "BE3inv", "BE4inv"};

constexpr int kCallRepetitions = 4;
constexpr int kInputFilterLow = 1; // "Alacsony"
constexpr int kNormallyOpen = 1;   // "Alaphelyzetben nyitott"

std::string key(const QString& name) {
    return name.toStdString();
}

QString phoneControl(int n) {
    return QStringLiteral("MaskEdit%1").arg(n);
}

} // namespace

const QStringList& DoorPhoneMirroredControls() {
    static const QStringList names = [] {
        QStringList n;
        for (int i = 1; i <= kPhoneCount; ++i)
            n << phoneControl(i);
        n << QStringLiteral("SpinEdit4") << QStringLiteral("SpinEdit18") << QStringLiteral("SpinKI1")
          << QStringLiteral("CheckBox1KI1") << QStringLiteral("CheckBox3KI1") << QStringLiteral("SpinKI2")
          << QStringLiteral("CheckBox1KI2") << QStringLiteral("CheckBox3KI2") << QStringLiteral("CheckEgyeb2")
          << QStringLiteral("ComboBox11") << QStringLiteral("Edit1");
        return n;
    }();
    return names;
}

const QStringList& DoorPhoneSetControls() {
    static const QStringList names = [] {
        QStringList n{QStringLiteral("SpinEdit5"), QStringLiteral("CheckEgyeb6"), QStringLiteral("ComboBox12")};
        for (const auto* list : {&kSirenTones, &kInversions, &kVoiceLists, &kSmsLists})
            for (const char* name : *list)
                n << QString::fromLatin1(name);
        return n;
    }();
    return names;
}

void CopyDoorPhoneToK6(const PageValues& door, PageValues& k6) {
    for (const QString& name : DoorPhoneMirroredControls()) {
        const std::string k = key(name);
        const ControlKind kind = door.table().at(door.table().indexOf(k)).kind;
        if (kind == ControlKind::Text || kind == ControlKind::EditCombo) {
            k6.setText(k, door.text(k));
            continue;
        }
        // The door-phone window shows the output times in seconds; the K6 window's spin boxes show
        // them in the unit selected beside them and the image takes the seconds value.
        for (const OutputDef& o : Outputs()) {
            if (name != QLatin1String(o.spin)) continue;
            k6.setIndex(o.unit, 0);
            k6.setNumber(o.seconds, door.number(k));
        }
        k6.setNumber(k, door.number(k));
    }
}

void ApplyDoorPhonePresets(PageValues& k6) {
    k6.setNumber("SpinEdit5", kCallRepetitions);
    k6.setChecked("CheckEgyeb6", true);
    k6.setIndex("ComboBox12", kInputFilterLow);
    for (int i = 0; i < kBellInputs; ++i) {
        k6.setChecked(kSirenTones[i], false);
        k6.setIndex(kInversions[i], kNormallyOpen);
        k6.setMask(kVoiceLists[i], 0);
        k6.setMask(kSmsLists[i], 0);
    }
}

void TickBellTargets(const PageValues& door, PageValues& k6) {
    for (int n = 1; n <= kPhoneCount; ++n)
        if (IsPhoneSet(door.text(key(phoneControl(n)))))
            k6.setItemChecked(kVoiceLists[(n - 1) / 2], n - 1, true);
}

void PrepareDoorPhoneSend(const PageValues& door, PageValues& k6) {
    CopyDoorPhoneToK6(door, k6);
    ApplyDoorPhonePresets(k6);
    TickBellTargets(door, k6);
}

QStringList DoorPhoneTargetItems(const PageValues& door) {
    QStringList items;
    for (int n = 1; n <= kPhoneCount; ++n) {
        const QString number = door.text(key(phoneControl(n)));
        items << (IsPhoneSet(number) ? number : PhoneItemCaption(n - 1));
    }
    return items;
}

} // namespace dalvex::k6config
