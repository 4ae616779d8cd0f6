#include "start_window.h"

#include "windows.h"
#include "builtin_logo.h"
#include "forms.h"
#include "i18n/catalogue.h"
#include "i18n/module_models.h"
#include "serial/com_names.h"
#include "serial/settings.h"
#include "startup/jpeg_logo.h"
#include "config_window.h"
#include "k6_journal_side.h"
#include "own_activation.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <span>

namespace dalvex {

namespace {

// A control of the K6 window, or of the status window with the model table's "StatusWindow." prefix.
QWidget* FindControl(const char* qualified) {
    static const QLatin1String kStatusPrefix("StatusWindow.");
    QString name = QString::fromLatin1(qualified);
    QWidget* owner = configWindow;
    if (name.startsWith(kStatusPrefix)) {
        owner = statusWindow;
        name = name.mid(kStatusPrefix.size());
    }
    return owner ? owner->findChild<QWidget*>(name) : nullptr;
}

void SetControlsVisible(std::span<const char* const> names, bool visible) {
    for (const char* n : names)
        if (QWidget* w = FindControl(n)) w->setVisible(visible);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    return l;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    return b;
}

} // namespace

StartWindow::StartWindow(QWidget* parent)
    : QWidget(parent)
    , Search(*this, ModelNames{}) {
    setObjectName(QStringLiteral("Form1"));
    setWindowFlag(Qt::Tool, false);
    setFixedSize(549, 301);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    SerialPort = new TAsynComm32(this);
    SerialPort->setObjectName(QStringLiteral("AsynComm321"));
    SerialPort->OnRxChar = [this](TCustomAsynComm32*, int count) { PortReceived(count); };
    SerialPort->OnOpen = [this](TCustomAsynComm32*, std::uint32_t, int error) { ShowOpenResult(error); };

    SendTimer = new QTimer(this);
    SendTimer->setObjectName(QStringLiteral("adas"));
    SendTimer->setInterval(3000);
    connect(SendTimer, &QTimer::timeout, this, &StartWindow::SendTick);
    IndicatorTimer = new QTimer(this);
    IndicatorTimer->setObjectName(QStringLiteral("Kereso"));
    IndicatorTimer->setInterval(500);
    connect(IndicatorTimer, &QTimer::timeout, this, &StartWindow::IndicatorTick);
    HandOverTimer = new QTimer(this);
    HandOverTimer->setObjectName(QStringLiteral("ablakSTART"));
    HandOverTimer->setInterval(1300);
    connect(HandOverTimer, &QTimer::timeout, this, &StartWindow::HandOverTick);

    BuildControls();
    Prepare();
    SendTimer->start();
    IndicatorTimer->start();
}

StartWindow::~StartWindow() = default;

void StartWindow::BuildControls() {
    ToolLabel = MakeLabel(this, "Label5", QString(), {16, 8, 300, 40});
    QFont big = ToolLabel->font();
    big.setPointSize(22);
    big.setBold(true);
    ToolLabel->setFont(big);
    VersionLabel = MakeLabel(this, "Label6", QString(), {18, 48, 200, 18});
    Logo = MakeLabel(this, "Image2", QString(), {389, 8, 150, 60});
    Logo->setAlignment(Qt::AlignRight | Qt::AlignTop);

    LanguageLabel = MakeLabel(this, "Label7", QStringLiteral("Válasszon nyelvet"), {16, 78, 150, 20});
    LanguageChoice = new QComboBox(this);
    LanguageChoice->setObjectName(QStringLiteral("ComboBox4"));
    LanguageChoice->setGeometry(16, 98, 150, 24);
    LanguageChoice->addItems({QStringLiteral("Magyar"), QStringLiteral("English"), QStringLiteral("Deutsch"),
                              QStringLiteral("Slovenský SK"), QStringLiteral("Italiano"),
                              QStringLiteral("Slovenský SI"), QStringLiteral("Dutch"),
                              QStringLiteral("Český")});
    LanguageLabel->setBuddy(LanguageChoice);
    connect(LanguageChoice, &QComboBox::activated, this, &StartWindow::LanguageChosen);

    PortChoice = new QComboBox(this);
    PortChoice->setObjectName(QStringLiteral("ComboBox3"));
    PortChoice->setGeometry(16, 134, 150, 24);
    PortChoice->setMaxVisibleItems(16);
    PortChoice->setPlaceholderText(QStringLiteral("Válaszon COM portot"));
    connect(PortChoice, &QComboBox::activated, this, &StartWindow::PortChosen);
    PortStatus = MakeLabel(this, "PortStatus", QString(), {16, 160, 250, 44});
    PortStatus->setWordWrap(true);
    QFont small = PortStatus->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    PortStatus->setFont(small);
    QPalette warn = PortStatus->palette();
    warn.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x20));
    PortStatus->setPalette(warn);

    AutoSearchButton =
        MakeButton(this, "Button2", QStringLiteral("COM port automatikus keresése"), {16, 206, 230, 28});
    connect(AutoSearchButton, &QPushButton::clicked, this, &StartWindow::AutoSearchClick);
    ExitButton = MakeButton(this, "Button3", QStringLiteral("Kilépés"), {16, 262, 100, 28});
    connect(ExitButton, &QPushButton::clicked, this, &StartWindow::ExitClick);

    ConnectBox = new QGroupBox(QStringLiteral("  Termékcsatlakoztatás  "), this);
    ConnectBox->setObjectName(QStringLiteral("GroupBox1"));
    ConnectBox->setGeometry(276, 78, 263, 70);
    FoundModel = MakeLabel(ConnectBox, "Label10", QStringLiteral("???"), {10, 24, 160, 36});
    QFont mid = FoundModel->font();
    mid.setPointSize(11);
    mid.setBold(true);
    FoundModel->setFont(mid);
    StartButton = MakeButton(ConnectBox, "Button5", QStringLiteral("Indít"), {176, 28, 76, 30});
    StartButton->setEnabled(false);
    connect(StartButton, &QPushButton::clicked, this, &StartWindow::StartClick);

    TryOutBox = new QGroupBox(QStringLiteral("  Termékek - kipróbálás  "), this);
    TryOutBox->setObjectName(QStringLiteral("GroupBox2"));
    TryOutBox->setGeometry(276, 154, 263, 138);
    struct Row {
        QLabel** name;
        const char* nameId;
        QPushButton** button;
        const char* buttonId;
        QLabel** version;
        const char* versionId;
        int code;
    };
    const Row rows[] = {
        {&ProModelLabel, "Label8", &ProTryOutButton, "Button4", &ProVersionLabel, "Label12", 72},
        {&LineModelLabel, "Label9", &LineTryOutButton, "Button6", &LineVersionLabel, "Label13", 74},
        {&MiniModelLabel, "Label11", &MiniTryOutButton, "Button7", &MiniVersionLabel, "Label14", 73},
        {&DoorModelLabel, "Label15", &DoorTryOutButton, "Button8", &DoorVersionLabel, "Label16", 75},
    };
    int y = 22;
    for (const Row& r : rows) {
        *r.name = MakeLabel(TryOutBox, r.nameId, QString(), {10, y + 4, 110, 20});
        *r.version = MakeLabel(TryOutBox, r.versionId, QStringLiteral("–"), {124, y + 4, 50, 20});
        *r.button = MakeButton(TryOutBox, r.buttonId, QStringLiteral("Próba"), {180, y, 72, 26});
        const int code = r.code;
        connect(*r.button, &QPushButton::clicked, this, [this, code] { TryOutClick(code); });
        y += 28;
    }
}

void StartWindow::Prepare() {
    StartDirectory = QDir::currentPath();
    PortChoice->clear();
    QStringList ports;
    ports.reserve(512);
    for (int n = 1; n <= 512; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    PortChoice->addItems(ports);
    PortChoice->setCurrentIndex(-1);
}

QString StartWindow::RegKey() const {
    const ConfigWindow* k6 = configWindow.Existing();
    return k6 ? k6->RegKey : MakeRegKey(MakeBrandFields());
}

void StartWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        Activate();
}

void StartWindow::Activate() {
    const BrandFields brand = MakeBrandFields();
    // The K6 window's names when it exists already; it is made once this window is on screen.
    const ConfigWindow* k6 = configWindow.Existing();
    VersionLabel->setText(QStringLiteral("version: ") + QString::fromLatin1(BuildDate));
    const QString tool = k6 ? k6->ToolName : brand.ToolName;
    ToolLabel->setText(tool);
    setWindowTitle(tool);
    ProModelLabel->setText(k6 ? k6->ProModelName : brand.ProModelName);
    LineModelLabel->setText(k6 ? k6->LineModelName : brand.LineModelName);
    MiniModelLabel->setText(k6 ? k6->MiniModelName : brand.MiniModelName);
    DoorModelLabel->setText(k6 ? k6->DoorModelName : brand.DoorModelName);
    ModelNames names;
    names.ProModelName = ProModelLabel->text();
    names.MiniModelName = MiniModelLabel->text();
    names.LineModelName = LineModelLabel->text();
    names.DoorModelName = DoorModelLabel->text();
    Search.SetModelNames(names);

    ShowLogo();

    const QString device = ReadSetting(QStringLiteral("Device"));
    if (!device.isEmpty())
        Search.SetDeviceSetting(device);
    else
        WriteSetting(QStringLiteral("Device"), QStringLiteral("0"));

    const int defaultLanguage = k6 ? k6->DefaultLanguage : brand.DefaultLanguage;
    const QString language = ReadSetting(QStringLiteral("Language"));
    if (!language.isEmpty()) {
        bool ok = false;
        const int index = language.toInt(&ok);
        // A value that is no language index selects the default, without storing it.
        LanguageChoice->setCurrentIndex(
            ok && index >= 0 && index < LanguageChoice->count() ? index : defaultLanguage);
    } else {
        WriteSetting(QStringLiteral("Language"), QString::number(defaultLanguage));
        LanguageChoice->setCurrentIndex(defaultLanguage);
    }

    const QString port = ReadSetting(QStringLiteral("comport"));
    SerialPort->SetDeviceName(port.isEmpty() ? "COM1" : port.toStdString());
    PortChoice->setCurrentIndex(-1);
    if (const auto n = comPortNumber(SerialPort->DeviceName()); n && *n <= PortChoice->count())
        PortChoice->setCurrentIndex(*n - 1);

    if (ReadSetting(QStringLiteral("mode")) == QLatin1String("RALLY")) SerialPort->SetBaudRate(cbr4800);
    SerialPort->Open();
    WriteSetting(QStringLiteral("StartDir"), StartDirectory);
    Search.SearchState = DeviceSearch::Identify;
    configWindow.Soon([](ConfigWindow& w) { w.Language->start(); });
}

void StartWindow::ShowLogo() {
    const QString path = StartDirectory + QStringLiteral("/logo.jpg");
    const QFileInfo info(path);
    const QString key = info.exists() ? path + QString::number(info.size()) +
                                            QString::number(info.lastModified().toMSecsSinceEpoch())
                                      : QStringLiteral("builtin");
    if (key == logoKey_) return;
    logoKey_ = key;
    QPixmap logo;
    if (info.exists()) {
        if (const auto img = LoadJpegFile(path.toStdString())) {
            const QImage q(img->rgb.data(), img->width, img->height, img->width * 3, QImage::Format_RGB888);
            logo = QPixmap::fromImage(q.copy());
        }
    }
    if (logo.isNull()) logo = BuiltinLogo();
    if (logo.width() > Logo->width() || logo.height() > Logo->height())
        logo = logo.scaled(Logo->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    Logo->setPixmap(logo);
}

void StartWindow::SendTick() {
    const bool released = Search.SearchState == DeviceSearch::Stopped && Search.PortReleased;
    Search.SendTick();
    if (!released) SendTimer->setInterval(150);
}

void StartWindow::PortReceived(int Count) {
    // Read everything that waits; the framing drops a chunk that would overflow the frame.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(Count, 0)));
    const int n = SerialPort->Read(bytes.data(), Count);
    bytes.resize(static_cast<std::size_t>(std::max(n, 0)));
    Search.ReceiveBytes(bytes);
}

void StartWindow::IndicatorTick() {
    if (const auto text = indicator_.Tick(FoundModel->text(), Search.SearchState, Search.PortNumber))
        FoundModel->setText(*text);
}

void StartWindow::SetSearchWord(const QString& word) {
    searchWord_ = word;
    if (IndicatorTimer->isActive() &&
        (FoundModel->text().isEmpty() || FoundModel->text() == QLatin1String("???")))
        FoundModel->setText(word);
}

void StartWindow::HandOverTick() {
    HandOverTimer->stop();
    const int code = Search.ModuleCode;
    if (!DeviceSearch::IsSupported(code) || !configWindow) return;
    configWindow->EnsurePages();

    for (const char* page : {"TabSheet20", "TabSheet21", "TabSheet22", "TabSheet25"})
        configWindow->SetPageVisible(page, false);
    Search.SearchState = DeviceSearch::Stopped;
    hide();
    const ModuleModel& model = *FindModel(code);
    configWindow->SetStatusPanel(1, configWindow->Brand().*(model.name));
    configWindow->ModuleCode = code;
    configWindow->Engine().SetModuleType(model.engineType);
    if (configWindow->Journal) configWindow->Journal->HandedOver();
    for (const char* p : model.shownPages)
        configWindow->SetPageVisible(p, true);
    for (const char* p : model.hiddenPages)
        configWindow->SetPageVisible(p, false);
    SetControlsVisible(model.shownControls, true);
    SetControlsVisible(model.hiddenControls, false);

    QWidget* next = model.doorPhone ? static_cast<QWidget*>(doorPhoneWindow) : configWindow;
    if (next) {
        next->show();
        next->raise();
        next->activateWindow();
    }
}

void StartWindow::PortChosen() {
    if (!PortChoice->currentText().startsWith(QLatin1String("COM"))) {
        QMessageBox::critical(this, windowTitle(), QStringLiteral("ERROR"));
        return;
    }
    Search.ChoosePort(PortChoice->currentIndex());
}

void StartWindow::LanguageChosen() {
    FoundModel->clear();
    indicator_.Restart();
    WriteSetting(QStringLiteral("Language"), QString::number(LanguageChoice->currentIndex()));
    if (configWindow) configWindow->Language->start();
}

void StartWindow::AutoSearchClick() {
    AutoSearchButton->setEnabled(false);
    Search.StartAutoSearch();
}

void StartWindow::StartClick() {
    if (!Search.CanStart()) return;
    HandOverTimer->start();
    StartButton->setEnabled(false);
    SerialPort->Close();
}

void StartWindow::TryOutClick(int moduleCode) {
    Search.ModuleCode = moduleCode;
    HandOverTimer->start();
    if (configWindow) configWindow->Engine().SetDemoMode(true);
}

void StartWindow::ExitClick() {
    close();
}

void StartWindow::closeEvent(QCloseEvent* event) {
    SerialPort->Close();
    SendTimer->stop();
    IndicatorTimer->stop();
    HandOverTimer->stop();
    event->accept();
    emit FormClosed();
}

// SearchHost

void StartWindow::SetPortName(const std::string& deviceName) {
    SerialPort->SetDeviceName(deviceName);
}
void StartWindow::OpenPort() {
    SerialPort->Open();
}
void StartWindow::ClosePort() {
    SerialPort->Close();
}
void StartWindow::WriteFrame(const SixByteFrame& frame) {
    SerialPort->Write(frame.bytes.data(), static_cast<int>(frame.bytes.size()));
}
QString StartWindow::ReadSetting(const QString& name) {
    return dalvex::ReadSetting(RegKey(), name);
}
void StartWindow::WriteSetting(const QString& name, const QString& value) {
    dalvex::WriteSetting(RegKey(), name, value);
}
void StartWindow::SelectPortPosition(int position) {
    PortChoice->setCurrentIndex(position);
}
void StartWindow::EnableAutoSearchButton() {
    AutoSearchButton->setEnabled(true);
}
QString StartWindow::ModuleLabel() {
    return FoundModel->text();
}
void StartWindow::SetModuleLabel(const QString& text) {
    FoundModel->setText(text);
}
void StartWindow::ModuleIdentified() {
    IndicatorTimer->stop();
    StartButton->setEnabled(true);
    for (QPushButton* b : {ProTryOutButton, LineTryOutButton, MiniTryOutButton, DoorTryOutButton})
        b->setEnabled(false);
    ShowCutOffSend();
}
void StartWindow::EnableIndicator() {
    IndicatorTimer->start();
}
bool StartWindow::PortIsOpen() {
    return SerialPort->IsOpen();
}
bool StartWindow::PortLost() {
    return SerialPort->Lost();
}
void StartWindow::ModuleWithdrawn() {
    StartButton->setEnabled(false);
    for (QPushButton* b : {ProTryOutButton, LineTryOutButton, MiniTryOutButton, DoorTryOutButton})
        b->setEnabled(true);
    indicator_.Restart();
    FoundModel->setText(searchWord_.isEmpty() ? QStringLiteral("???") : searchWord_);
    IndicatorTimer->start();
    portLost_ = true;
    cutOffAsked_.clear();
    const auto [port, where] = PortWords();
    PortStatus->setText(Texts.PortLost.arg(port, where));
}

void StartWindow::ShowCutOffSend() {
    // Each reply identifies the module again: the journal is read once for each module found.
    const QString port = k6link::JournalPortName(PortWords().first);
    const QString asked = port + QLatin1Char('/') + QString::number(Search.ModuleCode);
    if (asked == cutOffAsked_) return;
    cutOffAsked_ = asked;
    const auto entry = k6config::SendJournal().Find(port, Search.ModuleCode);
    if (!entry) return;
    const QString text =
        CutOffTexts.Text(*entry, i18n::ActivationLanguage(ReadSetting(QStringLiteral("Language"))));
    PortStatus->setText(text);
    PortStatus->setToolTip(text);
}

std::pair<QString, QString> StartWindow::PortWords() const {
    const QString port = QString::fromStdString(comDisplayName(SerialPort->DeviceName()));
    const auto device = resolveComDevice(SerialPort->DeviceName());
    const QString where = device ? QStringLiteral(" (%1)").arg(QString::fromStdString(*device)) : QString();
    return {port, where};
}

void StartWindow::ShowOpenResult(int error) {
    // Only the saved port's failures are worth a word; the automatic search tries ports that do
    // not exist on purpose.
    const int s = Search.SearchState;
    if (s == DeviceSearch::NextPort || s == DeviceSearch::ProbePort || s == DeviceSearch::JudgePort) return;
    cutOffAsked_.clear();
    PortStatus->setToolTip(QString());
    const auto [port, where] = PortWords();
    if (portLost_ && (error == ENOENT || error == ENODEV || error == ENXIO)) {
        PortStatus->setText(Texts.PortLost.arg(port, where));
        return;
    }
    switch (error) {
    case 0:
        portLost_ = false;
        PortStatus->clear();
        break;
    case EACCES:
    case EPERM:
        PortStatus->setText(Texts.NoPermission.arg(port, where));
        break;
    case EBUSY:
        PortStatus->setText(Texts.PortBusy.arg(port, where));
        break;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        PortStatus->setText(Texts.NoSuchPort.arg(port, where));
        break;
    default:
        PortStatus->setText(Texts.CannotOpen.arg(port, where, QString::fromLocal8Bit(strerror(error))));
        break;
    }
}

} // namespace dalvex
