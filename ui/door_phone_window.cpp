#include "door_phone_window.h"

#include "k6_backup_side.h"

#include "builtin_logo.h"
#include "forms.h"
#include "k6config/controls.h"
#include "k6config/door_phone.h"
#include "k6config/page_values.h"
#include "k6link/config_transfer.h"
#include "k6link/core_states.h"
#include "k6pages/bound_widgets.h"
#include "start_window.h"
#include "config_window.h"
#include "own_activation.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QVBoxLayout>

// Resources of a static library are registered by hand, outside any namespace.
static void InitDoorPhonePictures() {
    Q_INIT_RESOURCE(door_phone_pictures);
}

namespace dalvex {

namespace {

using k6pages::Captioned;
using k6pages::Look;

constexpr QColor kSilver(192, 192, 192);

QPixmap Picture(const QString& resource, const QSize& size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QSvgRenderer svg(resource);
    if (svg.isValid()) {
        QPainter p(&pm);
        svg.render(&p);
    }
    return pm;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

DoorPhoneWindow::DoorPhoneWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , HoverColor(kSilver) {
    InitDoorPhonePictures();
    setObjectName(QStringLiteral("TDPhone1"));
    setWindowTitle(QStringLiteral("Kompakt nézet"));
    // The bare window's mouse moves reset the first phone field's hover colour.
    setMouseTracking(true);
    Values = configWindow ? configWindow->DoorPhoneValues
                          : new k6config::PageValues(k6config::DoorPhoneControls(), this);
    bindings_ = std::make_unique<k6pages::Bindings>(this);
    bindings_->add(*Values);
    BuildControls();
    if (configWindow)
        connect(configWindow, &ConfigWindow::TransferEnded, this, &DoorPhoneWindow::K6TransferEnded);
}

DoorPhoneWindow::~DoorPhoneWindow() = default;

void DoorPhoneWindow::BuildControls() {
    auto* outer = new QHBoxLayout(this);

    Background = MakeLabel(this, "Image1", QString());
    Background->setPixmap(Picture(QStringLiteral(":/door_phone/panel.svg"), QSize(160, 360)));
    Background->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    Background->setMouseTracking(true);
    Background->installEventFilter(this);
    outer->addWidget(Background);

    auto* main = new QVBoxLayout;
    outer->addLayout(main, 1);

    // Heading: the model emblem, the title, the model's name (with the firmware pop-up), the logo.
    auto* header = new QHBoxLayout;
    ModelEmblem = MakeLabel(this, "Image17", QString());
    ModelEmblem->setPixmap(Picture(QStringLiteral(":/door_phone/model.svg"), QSize(96, 72)));
    auto* title = MakeLabel(this, "Label25", QStringLiteral("Kaputelefon telefonszámok beállítása"));
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    title->setFont(big);
    ModelLabel =
        MakeLabel(this, "Label12", configWindow ? configWindow->DoorModelName : QStringLiteral("Portun GSM"));
    ModelLabel->setContextMenuPolicy(Qt::CustomContextMenu);
    ModelMenu = new QMenu(this);
    ModelMenu->setObjectName(QStringLiteral("PopupMenu1"));
    FirmwareUpdateItem = ModelMenu->addAction(QStringLiteral("Eszköz Programfrissítése"));
    FirmwareUpdateItem->setObjectName(QStringLiteral("EszkzProgramfrisstse1"));
    connect(FirmwareUpdateItem, &QAction::triggered, this, &DoorPhoneWindow::FirmwareUpdateClick);
    connect(ModelLabel, &QLabel::customContextMenuRequested, this,
            [this](const QPoint& at) { ModelMenu->popup(ModelLabel->mapToGlobal(at)); });
    Logo = MakeLabel(this, "Image2", QString());
    Logo->setPixmap(BuiltinLogo());
    header->addWidget(ModelEmblem);
    auto* titles = new QVBoxLayout;
    titles->addWidget(title);
    titles->addWidget(ModelLabel);
    header->addLayout(titles, 1);
    header->addWidget(Logo);
    main->addLayout(header);

    const auto field = [this](const char* name, Look look = Look::Default) {
        QWidget* w = bindings_->make(QString::fromLatin1(name), this, Captioned({}, look));
        return w;
    };
    const auto caption = [this](const char* name, const QString& text, QWidget* buddy) {
        QLabel* l = MakeLabel(this, name, text);
        if (buddy) {
            l->setBuddy(buddy);
            buddy->setAccessibleName(text.trimmed());
        }
        return l;
    };
    const auto check = [this](const char* name, const QString& text) {
        return bindings_->make(QString::fromLatin1(name), this, Captioned(text));
    };

    // The flats' numbers: main and reserve side by side.
    auto* phones = new QGroupBox(this);
    phones->setObjectName(QStringLiteral("GroupBox1"));
    auto* phoneGrid = new QGridLayout(phones);
    const char* const phoneCaptions[] = {"Lakás1:",  "Lakás 1 tartalék:", "Lakás 2:",  "Lakás 2 tartalék:",
                                         "Lakás 3:", "Lakás 3 tartalék:", "Lakás 4: ", "Lakás 4 tartalék:"};
    for (int n = 1; n <= k6config::kPhoneCount; ++n) {
        const QByteArray name = QStringLiteral("MaskEdit%1").arg(n).toLatin1();
        QWidget* edit = field(name.constData(), Look::Phone);
        const QByteArray labelName = QStringLiteral("Label%1").arg(n).toLatin1();
        QLabel* l = caption(labelName.constData(), QString::fromUtf8(phoneCaptions[n - 1]), edit);
        const int row = (n - 1) / 2;
        const int col = (n - 1) % 2 * 2;
        phoneGrid->addWidget(l, row, col);
        phoneGrid->addWidget(edit, row, col + 1);
        hoverFields_ << edit;
    }
    main->addWidget(phones);

    auto* settings = new QGridLayout;
    int row = 0;
    // Ring and talk times.
    QWidget* ring = field("SpinEdit4");
    QWidget* talk = field("SpinEdit18");
    settings->addWidget(caption("Label9", QStringLiteral("Csöngetési idő [mp.]:"), ring), row, 0);
    settings->addWidget(ring, row, 1);
    settings->addWidget(caption("Label10", QStringLiteral("Beszélgetési idő:"), talk), row, 2);
    settings->addWidget(talk, row, 3);
    ++row;
    // The two outputs: time, and when they switch.
    struct Output {
        const char* label;
        const char* text;
        const char* spin;
        const char* unitLabel;
        const char* unit;
        const char* onCall;
        const char* onCallerId;
    };
    const Output outputs[] = {
        {"Label19", "Kimenet 1.", "SpinKI1", "Label21", "mp.", "CheckBox1KI1", "CheckBox3KI1"},
        {"Label20", "Kimenet 2.", "SpinKI2", "Label22", "sec", "CheckBox1KI2", "CheckBox3KI2"},
    };
    for (const Output& o : outputs) {
        QWidget* spin = field(o.spin);
        settings->addWidget(caption(o.label, QString::fromUtf8(o.text), spin), row, 0);
        auto* time = new QHBoxLayout;
        time->addWidget(spin);
        time->addWidget(MakeLabel(this, o.unitLabel, QString::fromUtf8(o.unit)));
        time->addStretch(1);
        settings->addLayout(time, row, 1);
        settings->addWidget(check(o.onCall, QStringLiteral("Bejövő híváskor vezérlés")), row, 2);
        settings->addWidget(check(o.onCallerId, QStringLiteral("Hivószámazonosítással vezérlés")), row, 3);
        hoverFields_ << spin;
        ++row;
    }
    // SMS forwarding and the SMS security code.
    QWidget* forward = check("CheckEgyeb2", QStringLiteral("SMS átírányítás"));
    ForwardingTarget = qobject_cast<QComboBox*>(field("ComboBox11"));
    ForwardingTarget->installEventFilter(this);
    ForwardingTarget->setAccessibleName(QStringLiteral("SMS átírányítás"));
    settings->addWidget(forward, row, 0);
    settings->addWidget(ForwardingTarget, row, 1);
    QWidget* code = field("Edit1");
    settings->addWidget(caption("Label11", QStringLiteral("SMS biztonsági kód:"), code), row, 2);
    settings->addWidget(code, row, 3);
    ++row;
    // Night block: no ringing between the two hours.
    QWidget* night = check("CheckBox1", QStringLiteral("Éjszakai tiltás"));
    QWidget* from = field("SpinEdit2");
    QWidget* until = field("SpinEdit3");
    settings->addWidget(night, row, 0);
    auto* hours = new QHBoxLayout;
    hours->addWidget(from);
    hours->addWidget(caption("Label13", QStringLiteral("órától"), from));
    hours->addWidget(until);
    hours->addWidget(caption("Label14", QStringLiteral("óráig"), until));
    hours->addStretch(1);
    settings->addLayout(hours, row, 1, 1, 3);
    ++row;
    // An hour typed as -1 or 24 is held as 23 or 0: the box shows what is held, also when the
    // value held does not change (23 typed as -1).
    for (QWidget* w : {from, until}) {
        auto* spin = qobject_cast<QSpinBox*>(w);
        const std::string key = spin->objectName().toStdString();
        connect(spin, &QSpinBox::valueChanged, this, [this, spin, key](int shown) {
            if (shown != Values->number(key)) spin->setValue(Values->number(key));
        });
    }
    // Audio levels.
    const struct {
        const char* label;
        const char* text;
        const char* name;
        QSlider** slider;
        const char* unitLabel;
    } levels[] = {{"Label15", "Mikrofon ", "TrackBar1", &MicrophoneLevel, "Label16"},
                  {"Label17", "Hangszoró", "TrackBar2", &SpeakerLevel, "Label18"}};
    for (const auto& l : levels) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(QString::fromLatin1(l.name));
        const k6config::ControlDef* def = bindings_->def(l.name);
        slider->setRange(def->minimum, def->maximum);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setPageStep(1);
        const std::string key = l.name;
        QPointer<QSlider> p(slider);
        const auto sync = [p, this, key] {
            if (p && p->value() != Values->number(key)) p->setValue(Values->number(key));
        };
        sync();
        bindings_->watchOf(key)->onValue(QString::fromLatin1(l.name), sync);
        connect(slider, &QSlider::valueChanged, this, [this, key](int v) { Values->setNumber(key, v); });
        *l.slider = slider;
        settings->addWidget(caption(l.label, QString::fromUtf8(l.text), slider), row, 0);
        settings->addWidget(slider, row, 1, 1, 2);
        settings->addWidget(MakeLabel(this, l.unitLabel, QStringLiteral("dBi")), row, 3);
        ++row;
    }
    main->addLayout(settings);
    hoverFields_ << ring << talk << from << until << code;
    for (QWidget* w : hoverFields_)
        w->installEventFilter(this);

    // SMS forwarding target: only while forwarding is ticked.
    bindings_->watchOf("CheckEgyeb2")->onValue(QStringLiteral("CheckEgyeb2"), [this] { ForwardingClick(); });
    ForwardingClick();

    TransferProgress = new QProgressBar(this);
    TransferProgress->setObjectName(QStringLiteral("kijelzo"));
    TransferProgress->setTextVisible(false);
    TransferProgress->hide();
    main->addWidget(TransferProgress);
    TransferStatus = MakeLabel(this, "TransferStatus", QString());
    main->addWidget(TransferStatus);
    main->addStretch(1);

    const auto button = [this](QPushButton*& b, const char* name, const char* text) {
        b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->installEventFilter(this);
        buttons_ << b;
    };
    button(NormalViewButton, "Button1", "Normál nézetre vált");
    button(ModuleStatusButton, "Button2", "Modul állapotok megjelenítése");
    button(EventLogButton, "Button3", "Napló kiolvasása");
    button(SignalButton, "Button4", "Térerő");
    button(ReadButton, "BitBtn2", "Olvasás");
    button(SendButton, "BitBtn1", "Elküldés");
    button(RestartButton, "BitBtn4", "Újrainditás");
    button(ExitButton, "BitBtn3", "Kilépés");
    // Read and send wait for the module's software version, which chooses the transfer method.
    SendButton->setEnabled(false);
    ReadButton->setEnabled(false);
    auto* windows = new QHBoxLayout;
    for (QPushButton* b : {NormalViewButton, ModuleStatusButton, EventLogButton, SignalButton})
        windows->addWidget(b);
    windows->addStretch(1);
    main->addLayout(windows);
    auto* commands = new QHBoxLayout;
    for (QPushButton* b : {ReadButton, SendButton, RestartButton})
        commands->addWidget(b);
    commands->addStretch(1);
    commands->addWidget(ExitButton);
    main->addLayout(commands);

    connect(SendButton, &QPushButton::clicked, this, &DoorPhoneWindow::SendClick);
    connect(ReadButton, &QPushButton::clicked, this, &DoorPhoneWindow::ReadClick);
    connect(ExitButton, &QPushButton::clicked, this, &DoorPhoneWindow::ExitClick);
    connect(RestartButton, &QPushButton::clicked, this, &DoorPhoneWindow::RestartClick);
    connect(NormalViewButton, &QPushButton::clicked, this, &DoorPhoneWindow::NormalViewClick);
    connect(ModuleStatusButton, &QPushButton::clicked, this, &DoorPhoneWindow::ModuleStatusClick);
    connect(EventLogButton, &QPushButton::clicked, this, &DoorPhoneWindow::EventLogClick);
    connect(SignalButton, &QPushButton::clicked, this, &DoorPhoneWindow::SignalClick);
}

QWidget* DoorPhoneWindow::Control(const QString& name) const {
    return findChild<QWidget*>(name);
}

void DoorPhoneWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        Activate();
}

void DoorPhoneWindow::Activate() {
    HoverColor = kSilver;
    if (configWindow)
        setWindowTitle(configWindow->ToolName + QStringLiteral(" - ") + configWindow->DoorModelName);
    RunK6Activation();
}

void DoorPhoneWindow::RunK6Activation() {
    if (configWindow) configWindow->Activate();
}

void DoorPhoneWindow::SendClick() {
    if (!configWindow) return;
    k6config::PrepareDoorPhoneSend(*Values, *configWindow->Values);
    TransferProgress->show();
    // The list of changes names the fields as this window does.
    if (configWindow->Backups) configWindow->Backups->FromDoorPhone = true;
    configWindow->SendClick();
    if (configWindow->Backups) configWindow->Backups->FromDoorPhone = false;
    ShowTransferStarted();
}

void DoorPhoneWindow::ReadClick() {
    if (!configWindow) return;
    configWindow->ReadClick();
    TransferProgress->show();
    ShowTransferStarted();
}

void DoorPhoneWindow::ShowTransferStarted() {
    // The K6 window may turn a send down (its list of changes declined): nothing runs then, and
    // no end will come to hide the strip.
    if (!k6link::ConfigTransfer::IsTransferState(configWindow->Engine().OpState)) {
        TransferProgress->hide();
        return;
    }
    TransferStatus->setText(configWindow->StatusPanel(3));
}

void DoorPhoneWindow::K6TransferEnded(const k6link::TransferEnd& end) {
    // The clock sync and the PSTN send are the K6 window's own; this window's values come and go
    // with reads and sends, whichever window started them.
    using k6link::TransferKind;
    if (end.kind != TransferKind::Read && end.kind != TransferKind::Send) return;
    TransferProgress->hide();
    TransferStatus->setText(end.text);
}

void DoorPhoneWindow::ExitClick() {
    close();
}

void DoorPhoneWindow::RestartClick() {
    if (configWindow) configWindow->RestartClick();
}

void DoorPhoneWindow::NormalViewClick() {
    if (!configWindow) return;
    configWindow->show();
    configWindow->raise();
    configWindow->activateWindow();
}

void DoorPhoneWindow::ClickK6MenuItem(const char* name) {
    if (!configWindow) return;
    // A menu item whose window is not built yet is disabled there, and stays without effect here.
    if (QAction* item = configWindow->MenuItem(QString::fromLatin1(name))) item->trigger();
}

void DoorPhoneWindow::ModuleStatusClick() {
    ClickK6MenuItem("Modulllapotmegjelentse1"); // "Modul állapot megjelenítése"
}

void DoorPhoneWindow::EventLogClick() {
    ClickK6MenuItem("Naplokiolvassa1"); // "Naplo kiolvasása"
}

void DoorPhoneWindow::SignalClick() {
    ClickK6MenuItem("rer1"); // "Térerő"
}

void DoorPhoneWindow::FirmwareUpdateClick() {
    ClickK6MenuItem("FirmwareDownload1"); // "Firmware Download"
}

void DoorPhoneWindow::ForwardingClick() {
    const bool on = Values->checked("CheckEgyeb2");
    Values->setEnabled("ComboBox11", on);
    // Forwarding ticked without a target would be stored as no forwarding at all.
    if (on && Values->index("ComboBox11") < 0) Values->setIndex("ComboBox11", 0);
}

void DoorPhoneWindow::ForwardingTargetEnter() {
    const QStringList items = k6config::DoorPhoneTargetItems(*Values);
    for (int i = 0; i < ForwardingTarget->count() && i < items.size(); ++i)
        ForwardingTarget->setItemText(i, items[i]);
}

void DoorPhoneWindow::closeEvent(QCloseEvent* event) {
    // As the K6 window does: ending the program in the middle of an operation is asked first (the
    // version query of an activation is no such operation), and unsent edits are not lost unasked.
    if (configWindow && !configWindow->OperationInProgress() && !configWindow->MayLeaveEdits()) {
        event->ignore();
        return;
    }
    if (configWindow && configWindow->OperationInProgress()) {
        const QString text = configWindow->Texts.ExitQuestion;
        const QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
        const QMessageBox::StandardButton answer =
            ConfigWindow::MessageBoxHook ? ConfigWindow::MessageBoxHook(text, buttons)
                                     : QMessageBox::question(this, windowTitle(), text, buttons);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    event->accept();
    if (startWindow) startWindow->close();
}

// Hover feedback

void DoorPhoneWindow::SetFieldColour(QWidget* field, const QColor& colour) {
    QPalette p = field->palette();
    p.setColor(QPalette::Base, colour);
    field->setPalette(p);
}

void DoorPhoneWindow::ShowFieldHover(QWidget* field) {
    SetFieldColour(field, HoverColor);
}

void DoorPhoneWindow::SetBold(QPushButton* button, bool bold) {
    QFont f = button->font();
    f.setBold(bold);
    button->setFont(f);
}

void DoorPhoneWindow::ResetHover() {
    const QColor window = palette().color(QPalette::Base);
    for (QWidget* w : hoverFields_)
        SetFieldColour(w, window);
    for (QPushButton* b : buttons_)
        SetBold(b, false);
}

void DoorPhoneWindow::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    if (!childAt(event->position().toPoint()))
        if (QWidget* first = Control(QStringLiteral("MaskEdit1")))
            SetFieldColour(first, palette().color(QPalette::Base));
}

bool DoorPhoneWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (watched == ForwardingTarget && (t == QEvent::FocusIn || t == QEvent::MouseButtonPress))
        ForwardingTargetEnter();
    if (t == QEvent::Enter || t == QEvent::MouseMove) {
        if (watched == Background)
            ResetHover();
        else if (auto* b = qobject_cast<QPushButton*>(watched); b && buttons_.contains(b))
            SetBold(b, true);
        else if (auto* w = qobject_cast<QWidget*>(watched); w && hoverFields_.contains(w))
            ShowFieldHover(w);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace dalvex
