#include "status_window.h"

#include "pictures/svg_picture.h"

#include "forms.h"
#include "k6_status_side.h"
#include "k6link/core_states.h"
#include "start_window.h"
#include "config_window.h"
#include "own_activation.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

static void InitStatusPictures() {
    Q_INIT_RESOURCE(status_pictures);
}

namespace dalvex {

namespace {

constexpr int kPictureSize = 40;
constexpr int kSecond = 1000;
constexpr const char* kGrey = "#b8b8b8";
constexpr const char* kRed = "#e03030";
constexpr const char* kGreen = "#30b040";

const char* GaugeColourName(k6link::GaugeColour c) {
    switch (c) {
    case k6link::GaugeColour::Red:
        return "red";
    case k6link::GaugeColour::Yellow:
        return "yellow";
    case k6link::GaugeColour::Blue:
        return "blue";
    case k6link::GaugeColour::Green:
        return "green";
    case k6link::GaugeColour::Lime:
        return "lime";
    }
    return "red";
}

QLineEdit* ReadOnlyField(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    return e;
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text, QWidget* buddy = nullptr) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (buddy) l->setBuddy(buddy);
    return l;
}

constexpr const char* kLineValues[] = {"Label20", "Label21", "Label22", "VONFESZ"};
constexpr const char* kOutput2[] = {"Panel8", "Label13"};
constexpr const char* kTemperature[] = {"Label11", "Edit3"};

} // namespace

std::span<const char* const> StatusPartControls(k6link::StatusPart part) {
    switch (part) {
    case k6link::StatusPart::LineValues:
        return kLineValues;
    case k6link::StatusPart::Output2:
        return kOutput2;
    case k6link::StatusPart::Temperature:
        return kTemperature;
    }
    return {};
}

StatusWindow::StatusWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    InitStatusPictures();
    setObjectName(QStringLiteral("TK6Form2"));
    setWindowTitle(QStringLiteral("Modul állapot"));
    auto* root = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    ModulePicture = new QLabel(this);
    ModulePicture->setObjectName(QStringLiteral("Image1"));
    ModulePicture->setMinimumSize(64, 48);
    top->addWidget(ModulePicture);

    auto* inputBox = new QGroupBox(QStringLiteral("Bemenetek"), this);
    inputBox->setObjectName(QStringLiteral("GroupInputs"));
    auto* inputGrid = new QGridLayout(inputBox);
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QFrame(inputBox);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setAutoFillBackground(true);
        auto* pl = new QVBoxLayout(panel);
        inputs_[static_cast<std::size_t>(i)] = new QLabel(panel);
        inputs_[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("ImageBe%1").arg(i + 1));
        inputs_[static_cast<std::size_t>(i)]->setFixedSize(kPictureSize, kPictureSize);
        inputLabels_[static_cast<std::size_t>(i)] =
            Caption(panel, "", QStringLiteral("Be %1:").arg(i + 1), inputs_[static_cast<std::size_t>(i)]);
        inputLabels_[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("LabelBe%1").arg(i + 1));
        pl->addWidget(inputLabels_[static_cast<std::size_t>(i)], 0, Qt::AlignHCenter);
        pl->addWidget(inputs_[static_cast<std::size_t>(i)], 0, Qt::AlignHCenter);
        inputGrid->addWidget(panel, 0, i);
        inputPanels_[static_cast<std::size_t>(i)] = panel;
    }
    top->addWidget(inputBox, 1);

    SignalGauge = new QProgressBar(this);
    SignalGauge->setObjectName(QStringLiteral("Gauge1"));
    SignalGauge->setOrientation(Qt::Vertical);
    SignalGauge->setRange(0, 31);
    SignalGauge->setValue(0);
    SignalGauge->setTextVisible(false);
    SignalGauge->setMinimumHeight(90);
    auto* gaugeBox = new QVBoxLayout;
    gaugeBox->addWidget(Caption(this, "Label14", QStringLiteral("Térerő"), SignalGauge), 0, Qt::AlignHCenter);
    gaugeBox->addWidget(SignalGauge, 1, Qt::AlignHCenter);
    top->addLayout(gaugeBox);
    root->addLayout(top);

    auto* outBox = new QGroupBox(QStringLiteral("Állapotok"), this);
    outBox->setObjectName(QStringLiteral("GroupStates"));
    auto* outGrid = new QGridLayout(outBox);
    tamper_ = AddPicture(outGrid, 0, "ImageTamper", "Label9", QStringLiteral("Tamper:"));
    tamperLabel_ = findChild<QLabel*>(QStringLiteral("Label9"));
    supply_ = AddPicture(outGrid, 1, "ImageTap", "Label10", QStringLiteral("Táp:"));
    out1_ = AddPicture(outGrid, 2, "ImageKi1", "Label12", QStringLiteral("Ki 1:"));
    out2_ = AddPicture(outGrid, 3, "ImageKi2", "Label13", QStringLiteral("Ki 2:"));
    out2Label_ = findChild<QLabel*>(QStringLiteral("Label13"));
    arming_ = AddPicture(outGrid, 4, "ImageElesit", "Label15", QStringLiteral("Élesítés:"));
    armingLabel_ = findChild<QLabel*>(QStringLiteral("Label15"));
    line_ = AddPicture(outGrid, 5, "ImageVonal", "Label20", QStringLiteral("Vonal:"));
    lineLabel_ = findChild<QLabel*>(QStringLiteral("Label20"));
    outGrid->addWidget(Caption(outBox, "Label21", QStringLiteral("LE")), 5, 2);
    outGrid->addWidget(Caption(outBox, "Label22", QStringLiteral("FEL")), 5, 3);
    // The two coloured panels: supply and output 2.
    SupplyPanel = new QFrame(outBox);
    SupplyPanel->setObjectName(QStringLiteral("Panel7"));
    Output2Panel = new QFrame(outBox);
    Output2Panel->setObjectName(QStringLiteral("Panel8"));
    for (QFrame* p : {SupplyPanel, Output2Panel}) {
        p->setFrameShape(QFrame::StyledPanel);
        p->setFixedSize(24, 24);
        p->setAutoFillBackground(true);
    }
    outGrid->addWidget(SupplyPanel, 1, 2);
    outGrid->addWidget(Output2Panel, 3, 2);
    root->addWidget(outBox);

    auto* fields = new QGridLayout;
    GsmStatus = ReadOnlyField(this, "Edit1");
    ErrorCode = ReadOnlyField(this, "Edit2");
    Temperature = ReadOnlyField(this, "Edit3");
    fields->addWidget(Caption(this, "Label16", QStringLiteral("GSM Státusz:"), GsmStatus), 0, 0);
    fields->addWidget(GsmStatus, 0, 1);
    fields->addWidget(Caption(this, "Label17", QStringLiteral("Hibakód/CID:"), ErrorCode), 1, 0);
    fields->addWidget(ErrorCode, 1, 1);
    fields->addWidget(Caption(this, "Label11", QStringLiteral("Hőméséklet:"), Temperature), 2, 0);
    fields->addWidget(Temperature, 2, 1);
    LineVoltage = Caption(this, "VONFESZ", Texts.LineVoltage);
    fields->addWidget(LineVoltage, 3, 0, 1, 2);
    ConnectLabel = Caption(this, "ConnectLabel", Texts.Connect + QLatin1Char('0'));
    fields->addWidget(ConnectLabel, 4, 0);
    TestEndButton = new QPushButton(QStringLiteral("Tesztelés END"), this);
    TestEndButton->setObjectName(QStringLiteral("Button1"));
    TestEndButton->hide(); // developer access code only
    fields->addWidget(TestEndButton, 4, 1, Qt::AlignRight);
    root->addLayout(fields);

    StatusLine = new QStatusBar(this);
    StatusLine->setObjectName(QStringLiteral("StatusBar1"));
    StatusLine->setSizeGripEnabled(false);
    StatusLine->setAutoFillBackground(true);
    for (int i = 0; i < 2; ++i) {
        panels_[i] = new QLabel(StatusLine);
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panels_[i]->setMinimumWidth(150);
        StatusLine->addWidget(panels_[i], i);
    }
    root->addWidget(StatusLine);

    PollTimer = new QTimer(this);
    PollTimer->setObjectName(QStringLiteral("Timer1"));
    PollTimer->setInterval(kSecond);
    connect(PollTimer, &QTimer::timeout, this, &StatusWindow::PollTick);
    connect(TestEndButton, &QPushButton::clicked, this, &StatusWindow::TestEndClick);
    resize(560, 480);
}

QLabel* StatusWindow::AddPicture(QGridLayout* grid, int row, const char* name, const char* labelName,
                             const QString& caption) {
    auto* picture = new QLabel(grid->parentWidget());
    picture->setObjectName(QString::fromLatin1(name));
    picture->setFixedSize(kPictureSize, kPictureSize);
    grid->addWidget(Caption(grid->parentWidget(), labelName, caption, picture), row, 0);
    grid->addWidget(picture, row, 1);
    SetPicture(picture, k6link::Picture::Blank);
    return picture;
}

void StatusWindow::SetPicture(QLabel* picture, k6link::Picture p) {
    picture->setProperty("picture", static_cast<int>(p));
    const QSize size(kPictureSize, kPictureSize);
    switch (p) {
    case k6link::Picture::Ki:
        picture->setPixmap(LocalisedPixmap(QStringLiteral(":/status/ki.svg"), size));
        break;
    case k6link::Picture::Be:
        picture->setPixmap(LocalisedPixmap(QStringLiteral(":/status/be.svg"), size));
        break;
    case k6link::Picture::Blank:
        picture->clear();
        break;
    }
}

void StatusWindow::RedrawPictures() {
    for (QLabel* l : findChildren<QLabel*>())
        if (l->property("picture").isValid()) SetPicture(l, static_cast<k6link::Picture>(l->property("picture").toInt()));
}

k6link::Picture StatusWindow::PictureOf(const QString& name) const {
    const auto* l = findChild<QLabel*>(name);
    if (!l || !l->property("picture").isValid()) return k6link::Picture::Blank;
    return static_cast<k6link::Picture>(l->property("picture").toInt());
}

k6link::StatusPoll* StatusWindow::Poll() const {
    return configWindow && configWindow->Status ? &configWindow->Status->Poll() : nullptr;
}

void StatusWindow::SetPanelColour(QFrame* panel, const char* colour) {
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, QColor(QString::fromLatin1(colour)));
    panel->setPalette(p);
    panel->setProperty("colour", QString::fromLatin1(colour));
}

void StatusWindow::SetStatusBarRed(bool red) {
    statusRed_ = red;
    QPalette p = StatusLine->palette();
    p.setColor(QPalette::Window, red ? QColor(QString::fromLatin1(kRed)) : palette().color(QPalette::Window));
    StatusLine->setPalette(p);
}

QString StatusWindow::StatusPanel(int panel) const {
    return panel >= 0 && panel < 2 ? panels_[panel]->text() : QString();
}

void StatusWindow::Open() {
    for (QFrame* p : inputPanels_)
        SetPanelColour(p, kGrey);
    if (k6link::StatusPoll* poll = Poll()) poll->Open();
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void StatusWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        Activate();
}

void StatusWindow::Activate() {
    // The K6 window's picture of the module model.
    if (configWindow) {
        for (const char* name : {"Image21", "Image20", "Image1"}) {
            const auto* source = configWindow->findChild<QLabel*>(QString::fromLatin1(name));
            if (source && source->isVisibleTo(configWindow) && !source->pixmap().isNull()) {
                ModulePicture->setPixmap(source->pixmap());
                break;
            }
        }
    }
    if (k6link::StatusPoll* poll = Poll()) poll->Start();
    SetStatusBarRed(true);
    PollTimer->start();
}

void StatusWindow::closeEvent(QCloseEvent* event) {
    PollTimer->stop();
    if (k6link::StatusPoll* poll = Poll()) poll->Stop();
    event->accept();
}

void StatusWindow::PollTick() {
    k6link::StatusPoll* poll = Poll();
    // A lost port ends the poll like any operation; while the window is open it is started again,
    // so the window refreshes by itself once the adapter is back. Try-out has no module to poll:
    // its engine ends every operation without sending, so a restart would only reopen the port.
    if (poll && isVisible() && configWindow && !configWindow->Engine().DemoMode &&
        configWindow->Engine().OpState == k6link::state::Idle)
        poll->Start();
    const bool alive = poll && poll->SecondElapsed();
    ShowLink(alive ? Link::Ok : Link::Error);
    SetStatusBarRed(!alive);
}

void StatusWindow::ShowLink(Link link) {
    link_ = link;
    switch (link) {
    case Link::None:
        break;
    case Link::Ok:
        panels_[1]->setText(Texts.ComOk);
        break;
    case Link::Error:
        panels_[1]->setText(Texts.ComError);
        break;
    case Link::RegOk:
        panels_[1]->setText(Texts.RegOk);
        break;
    }
}

void StatusWindow::ApplyTexts() {
    RedrawPictures();
    if (lastShown_) {
        Refresh(*lastShown_);
    } else {
        const k6link::StatusPoll* poll = Poll();
        ConnectLabel->setText(Texts.Connect + QString::number(poll ? poll->ConnectCount : 0));
    }
    ShowLink(link_);
}

void StatusWindow::TestEndClick() {
    if (k6link::StatusPoll* poll = Poll()) poll->StartTestEnd();
}

void StatusWindow::ShowRegOk() {
    ShowLink(Link::RegOk);
}

void StatusWindow::Refresh(const k6link::StatusBytes& s) {
    const int moduleType = configWindow ? configWindow->ModuleType : 72;
    const int moduleCode = startWindow ? startWindow->Search.ModuleCode : moduleType;
    const k6link::StatusDisplay d = k6link::StatusDisplayOf(s, moduleType, moduleCode, Texts);
    lastShown_ = s;

    for (std::size_t i = 0; i < inputs_.size(); ++i) {
        SetPicture(inputs_[i], d.Inputs[i]);
        SetPanelColour(inputPanels_[i], "transparent");
    }
    SetPicture(tamper_, d.Tamper);
    SetPicture(supply_, d.Supply);
    SetPicture(out1_, d.Output1);
    SetPicture(out2_, d.Output2);
    SetPicture(arming_, d.Arming);
    SetPicture(line_, d.Line);
    SetPanelColour(SupplyPanel, d.SupplyPanelRed ? kRed : kGreen);
    SetPanelColour(Output2Panel, d.Output2PanelRed ? kRed : kGreen);

    for (QLabel* l : {inputLabels_[2], inputLabels_[3], tamperLabel_, out2Label_, armingLabel_, lineLabel_})
        l->setEnabled(!d.CompactModel);
    if (d.CompactModel) LineVoltage->hide();

    GsmStatus->setText(d.Network);
    ErrorCode->setText(d.ErrorField);
    SignalGauge->setValue(d.Signal);
    const QString colour = QString::fromLatin1(GaugeColourName(d.Colour));
    if (SignalGauge->property("colour").toString() != colour) {
        SignalGauge->setProperty("colour", colour);
        SignalGauge->setStyleSheet(
            QStringLiteral("QProgressBar::chunk { background-color: %1; }").arg(colour));
    }
    panels_[0]->setText(d.GsmTime);
    Temperature->setText(d.TemperatureText);
    if (moduleType == 74) LineVoltage->setText(d.LineVoltage);

    if (k6link::StatusPoll* poll = Poll())
        ConnectLabel->setText(Texts.Connect + QString::number(poll->ConnectCount));
}

void StatusWindow::ApplyVersionRules(int version, int moduleType) {
    for (const k6link::VisibilityRule& r : k6link::StatusVersionRules(version, moduleType))
        for (const char* name : StatusPartControls(r.part))
            if (auto* w = findChild<QWidget*>(QString::fromLatin1(name))) w->setVisible(r.visible);
}

} // namespace dalvex
