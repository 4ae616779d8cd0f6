#include "k6_send_switch.h"

#include "config_window.h"
#include "serial/async32.h"
#include "serial/settings.h"

#include <QAction>
#include <QMenu>

namespace dalvex {

SendChangedSwitch::SendChangedSwitch(ConfigWindow& window)
    : QObject(&window)
    , w_(window) {
    if (auto* menu = window.findChild<QMenu*>(QStringLiteral("Belltsok1"))) {
        Item = menu->addAction(Texts.MenuItem);
        Item->setObjectName(QStringLiteral("CsakValtozasok1"));
        Item->setCheckable(true);
        Item->setChecked(On(window.RegKey));
        connect(Item, &QAction::toggled, this, [this](bool on) {
            WriteSetting(w_.RegKey, QString::fromLatin1(kSetting),
                         on ? QStringLiteral("1") : QStringLiteral("0"));
        });
    }
}

bool SendChangedSwitch::On(const QString& regKey) {
    return ReadSetting(regKey, QString::fromLatin1(kSetting)) != QLatin1String("0");
}

QString SendChangedSwitch::PlanLine(const k6link::SendPlan& plan) const {
    const int baud = BaudRateValue(w_.SerialPort->BaudRate());
    const bool bytes = plan.shape.bytewise;
    const auto seconds = [baud](std::int64_t lineBytes) {
        return QString::number(k6link::SendPlan::Seconds(lineBytes, baud), 'f', 1);
    };
    if (plan.Partial())
        return (bytes ? Texts.ChangedBytes : Texts.ChangedBlocks)
            .arg(plan.MostUnits())
            .arg(seconds(plan.MostLineBytes()))
            .arg(baud);
    return (bytes ? Texts.WholeBytes : Texts.WholeBlocks)
        .arg(w_.Transfer().ReasonTexts.Text(plan.whole))
        .arg(plan.WholeUnits())
        .arg(seconds(plan.WholeLineBytes()))
        .arg(baud);
}

void SendChangedSwitch::ApplyTexts() {
    if (Item) Item->setText(Texts.MenuItem);
}

} // namespace dalvex
