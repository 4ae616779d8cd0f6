#pragma once
// "Beállítások → Csak a változások elküldése": whether "Elküldés" after a read from the same module
// writes only what changed since (the setting "SendChangedOnly", on unless "0"), and the line the
// list of changes shows about the send ahead: whole or by what changed, how many blocks (or bytes)
// go and how long that takes at the port's line speed.

#include "k6link/send_plan.h"

#include <QObject>
#include <QString>

class QAction;

namespace dalvex {

class ConfigWindow;

// Catalogue texts of the switch; the language pass replaces them.
struct SendSwitchTexts {
    QString MenuItem = QStringLiteral("Csak a változások elküldése");
    QString ChangedBlocks = QStringLiteral("Csak a változások mennek el. Elküldendő blokkok: %1, legfeljebb "
                                           "%2 s (%3 baud), visszaolvasással együtt.");
    QString ChangedBytes =
        QStringLiteral("Csak a változások mennek el. Elküldendő bájtok: %1, kb. %2 s (%3 baud).");
    QString WholeBlocks = QStringLiteral("Teljes küldés (%1). Elküldendő blokkok: %2, kb. %3 s (%4 baud).");
    QString WholeBytes = QStringLiteral("Teljes küldés (%1). Elküldendő bájtok: %2, kb. %3 s (%4 baud).");
};

class SendChangedSwitch : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kSetting = "SendChangedOnly";

    explicit SendChangedSwitch(ConfigWindow& window);

    // The setting as it stands (read at every call: nothing is kept).
    static bool On(const QString& regKey);
    // The plan of a send in words, at the window's line speed.
    QString PlanLine(const k6link::SendPlan& plan) const;
    // Re-applies the texts after a language switch.
    void ApplyTexts();

    QAction* Item = nullptr;
    SendSwitchTexts Texts;

private:
    ConfigWindow& w_;
};

} // namespace dalvex
