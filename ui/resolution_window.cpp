#include "resolution_window.h"

#include "forms.h"
#include "i18n/product_variant.h"
#include "k6_activation.h"
#include "serial/settings.h"
#include "config_window.h"
#include "own_activation.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace dalvex {

namespace {
constexpr const char* kSizes[] = {"600 x 480", "800 x 600", "1024 x 768", "1280 x 1024", "1600 x 1280"};
const QString kMonitor = QStringLiteral("monitor");
} // namespace

ResolutionWindow::ResolutionWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TK6Form7"));
    setWindowTitle(QStringLiteral("Képernyőfelbontás"));
    auto* layout = new QVBoxLayout(this);

    ResolutionGroup = new QGroupBox(QStringLiteral("  Képernyőfelbontás  "), this);
    ResolutionGroup->setObjectName(QStringLiteral("RadioGroup1"));
    auto* items = new QVBoxLayout(ResolutionGroup);
    RadioItems = new QButtonGroup(ResolutionGroup);
    for (int i = 0; i < int(std::size(kSizes)); ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(kSizes[i]), ResolutionGroup);
        b->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
        RadioItems->addButton(b, i);
        items->addWidget(b);
    }
    layout->addWidget(ResolutionGroup);

    Explanation =
        new QLabel(QStringLiteral("A kiválasztott képernyőfelbontásoz igazítjuk a Dalvex ablakjait, így "
                                  "optimális méretben tudja használni."),
                   this);
    Explanation->setObjectName(QStringLiteral("Label2"));
    Explanation->setWordWrap(true);
    layout->addWidget(Explanation);
    RestartNote = new QLabel(QStringLiteral("A modósításokhoz újrainditás szükséges!"), this);
    RestartNote->setObjectName(QStringLiteral("Label1"));
    RestartNote->setWordWrap(true);
    RestartNote->hide();
    layout->addWidget(RestartNote);

    ApplyButton = new QPushButton(QStringLiteral("Beállít"), this);
    ApplyButton->setObjectName(QStringLiteral("Button1"));
    connect(ApplyButton, &QPushButton::clicked, this, &ResolutionWindow::ApplyClick);
    layout->addWidget(ApplyButton, 0, Qt::AlignRight);
    setWindowModality(Qt::ApplicationModal);
}

QString ResolutionWindow::RegKey() const {
    return configWindow ? configWindow->RegKey : MakeRegKey(MakeBrandFields());
}

int ResolutionWindow::ItemIndex() const {
    return RadioItems->checkedId();
}

void ResolutionWindow::SetItemIndex(int index) {
    if (QAbstractButton* b = RadioItems->button(index)) b->setChecked(true);
}

void ResolutionWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        Activate();
}

void ResolutionWindow::Activate() {
    QString monitor = ReadSetting(RegKey(), kMonitor);
    if (monitor.isEmpty()) {
        monitor = QStringLiteral("1");
        WriteSetting(RegKey(), kMonitor, monitor);
    }
    // A value the K6 window does not scale by leaves it at its design size: that is the item
    // shown for it, rather than no item at all (which "Beállít" could not store).
    const int item = K6Activation::ScaleFactor(monitor) ? monitor.toInt() : K6Activation::kDesignSizeItem;
    SetItemIndex(item);
    RestartNote->show();
}

void ResolutionWindow::ApplyClick() {
    if (ItemIndex() >= 0) WriteSetting(RegKey(), kMonitor, QString::number(ItemIndex()));
    close();
}

} // namespace dalvex
