#include "start_window.h"

#include "windows.h"
#include "builtin_logo.h"
#include "forms.h"
#include "i18n/module_models.h"
#include "serial/com_names.h"
#include "serial/settings.h"
#include "startup/jpeg_logo.h"
#include "config_window.h"
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
    QWidget* owner = K6Form1;
    if (name.startsWith(kStatusPrefix)) {
        owner = K6Form2;
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

    AsynComm321 = new TAsynComm32(this);
    AsynComm321->setObjectName(QStringLiteral("AsynComm321"));
    AsynComm321->OnRxChar = [this](TCustomAsynComm32*, int count) { AsynComm321RxChar(count); };
    AsynComm321->OnOpen = [this](TCustomAsynComm32*, std::uint32_t, int error) { ShowOpenResult(error); };

    adas = new QTimer(this);
    adas->setObjectName(QStringLiteral("adas"));
    adas->setInterval(3000);
    connect(adas, &QTimer::timeout, this, &StartWindow::adasTimer);
    Kereso = new QTimer(this);
    Kereso->setObjectName(QStringLiteral("Kereso"));
    Kereso->setInterval(500);
    connect(Kereso, &QTimer::timeout, this, &StartWindow::KeresoTimer);
    ablakSTART = new QTimer(this);
    ablakSTART->setObjectName(QStringLiteral("ablakSTART"));
    ablakSTART->setInterval(1300);
    connect(ablakSTART, &QTimer::timeout, this, &StartWindow::ablakSTARTTimer);

    BuildControls();
    FormCreate();
    adas->start();
    Kereso->start();
}

StartWindow::~StartWindow() = default;

void StartWindow::BuildControls() {
    Label5 = MakeLabel(this, "Label5", QString(), {16, 8, 300, 40});
    QFont big = Label5->font();
    big.setPointSize(22);
    big.setBold(true);
    Label5->setFont(big);
    Label6 = MakeLabel(this, "Label6", QString(), {18, 48, 200, 18});
    Image2 = MakeLabel(this, "Image2", QString(), {389, 8, 150, 60});
    Image2->setAlignment(Qt::AlignRight | Qt::AlignTop);

    Label7 = MakeLabel(this, "Label7", QStringLiteral("Válasszon nyelvet"), {16, 78, 150, 20});
    ComboBox4 = new QComboBox(this);
    ComboBox4->setObjectName(QStringLiteral("ComboBox4"));
    ComboBox4->setGeometry(16, 98, 150, 24);
    ComboBox4->addItems({QStringLiteral("Magyar"), QStringLiteral("English"), QStringLiteral("Deutsch"),
                         QStringLiteral("Slovenský SK"), QStringLiteral("Italiano"),
                         QStringLiteral("Slovenský SI"), QStringLiteral("Dutch"), QStringLiteral("Český")});
    Label7->setBuddy(ComboBox4);
    connect(ComboBox4, &QComboBox::activated, this, &StartWindow::ComboBox4Change);

    ComboBox3 = new QComboBox(this);
    ComboBox3->setObjectName(QStringLiteral("ComboBox3"));
    ComboBox3->setGeometry(16, 134, 150, 24);
    ComboBox3->setMaxVisibleItems(16);
    ComboBox3->setPlaceholderText(QStringLiteral("Válaszon COM portot"));
    connect(ComboBox3, &QComboBox::activated, this, &StartWindow::ComboBox3Change);
    PortStatus = MakeLabel(this, "PortStatus", QString(), {16, 160, 250, 44});
    PortStatus->setWordWrap(true);
    QFont small = PortStatus->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    PortStatus->setFont(small);
    QPalette warn = PortStatus->palette();
    warn.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x20));
    PortStatus->setPalette(warn);

    Button2 =
        MakeButton(this, "Button2", QStringLiteral("COM port automatikus keresése"), {16, 206, 230, 28});
    connect(Button2, &QPushButton::clicked, this, &StartWindow::Button2Click);
    Button3 = MakeButton(this, "Button3", QStringLiteral("Kilépés"), {16, 262, 100, 28});
    connect(Button3, &QPushButton::clicked, this, &StartWindow::Button3Click);

    GroupBox1 = new QGroupBox(QStringLiteral("  Termékcsatlakoztatás  "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(276, 78, 263, 70);
    Label10 = MakeLabel(GroupBox1, "Label10", QStringLiteral("???"), {10, 24, 160, 36});
    QFont mid = Label10->font();
    mid.setPointSize(11);
    mid.setBold(true);
    Label10->setFont(mid);
    Button5 = MakeButton(GroupBox1, "Button5", QStringLiteral("Indít"), {176, 28, 76, 30});
    Button5->setEnabled(false);
    connect(Button5, &QPushButton::clicked, this, &StartWindow::Button5Click);

    GroupBox2 = new QGroupBox(QStringLiteral("  Termékek - kipróbálás  "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(276, 154, 263, 138);
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
        {&Label8, "Label8", &Button4, "Button4", &Label12, "Label12", 72},
        {&Label9, "Label9", &Button6, "Button6", &Label13, "Label13", 74},
        {&Label11, "Label11", &Button7, "Button7", &Label14, "Label14", 73},
        {&Label15, "Label15", &Button8, "Button8", &Label16, "Label16", 75},
    };
    int y = 22;
    for (const Row& r : rows) {
        *r.name = MakeLabel(GroupBox2, r.nameId, QString(), {10, y + 4, 110, 20});
        *r.version = MakeLabel(GroupBox2, r.versionId, QStringLiteral("–"), {124, y + 4, 50, 20});
        *r.button = MakeButton(GroupBox2, r.buttonId, QStringLiteral("Próba"), {180, y, 72, 26});
        const int code = r.code;
        connect(*r.button, &QPushButton::clicked, this, [this, code] { TryOutClick(code); });
        y += 28;
    }
}

void StartWindow::FormCreate() {
    StartDirectory = QDir::currentPath();
    ComboBox3->clear();
    QStringList ports;
    ports.reserve(512);
    for (int n = 1; n <= 512; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    ComboBox3->addItems(ports);
    ComboBox3->setCurrentIndex(-1);
}

QString StartWindow::RegKey() const {
    return K6Form1 ? K6Form1->RegKey : MakeRegKey(MakeBrandFields());
}

void StartWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        FormActivate();
}

void StartWindow::FormActivate() {
    const BrandFields brand = MakeBrandFields();
    Label6->setText(QStringLiteral("version: ") + QString::fromLatin1(BuildDate));
    const QString tool = K6Form1 ? K6Form1->ToolName : brand.ToolName;
    Label5->setText(tool);
    setWindowTitle(tool);
    Label8->setText(K6Form1 ? K6Form1->ProModelName : brand.ProModelName);
    Label9->setText(K6Form1 ? K6Form1->LineModelName : brand.LineModelName);
    Label11->setText(K6Form1 ? K6Form1->MiniModelName : brand.MiniModelName);
    Label15->setText(K6Form1 ? K6Form1->DoorModelName : brand.DoorModelName);
    ModelNames names;
    names.ProModelName = Label8->text();
    names.MiniModelName = Label11->text();
    names.LineModelName = Label9->text();
    names.DoorModelName = Label15->text();
    Search.SetModelNames(names);

    ShowLogo();

    const QString device = ReadSetting(QStringLiteral("Device"));
    if (!device.isEmpty())
        Search.SetDeviceSetting(device);
    else
        WriteSetting(QStringLiteral("Device"), QStringLiteral("0"));

    const int defaultLanguage = K6Form1 ? K6Form1->DefaultLanguage : brand.DefaultLanguage;
    const QString language = ReadSetting(QStringLiteral("Language"));
    if (!language.isEmpty()) {
        bool ok = false;
        const int index = language.toInt(&ok);
        // A value that is no language index selects the default, without storing it.
        ComboBox4->setCurrentIndex(ok && index >= 0 && index < ComboBox4->count() ? index : defaultLanguage);
    } else {
        WriteSetting(QStringLiteral("Language"), QString::number(defaultLanguage));
        ComboBox4->setCurrentIndex(defaultLanguage);
    }

    const QString port = ReadSetting(QStringLiteral("comport"));
    AsynComm321->SetDeviceName(port.isEmpty() ? "COM1" : port.toStdString());
    ComboBox3->setCurrentIndex(-1);
    if (const auto n = comPortNumber(AsynComm321->DeviceName()); n && *n <= ComboBox3->count())
        ComboBox3->setCurrentIndex(*n - 1);

    if (ReadSetting(QStringLiteral("mode")) == QLatin1String("RALLY")) AsynComm321->SetBaudRate(cbr4800);
    AsynComm321->Open();
    WriteSetting(QStringLiteral("StartDir"), StartDirectory);
    Search.SearchState = DeviceSearch::Identify;
    if (K6Form1) K6Form1->Language->start();
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
    if (logo.width() > Image2->width() || logo.height() > Image2->height())
        logo = logo.scaled(Image2->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    Image2->setPixmap(logo);
}

void StartWindow::adasTimer() {
    const bool released = Search.SearchState == DeviceSearch::Stopped && Search.PortReleased;
    Search.SendTick();
    if (!released) adas->setInterval(150);
}

void StartWindow::AsynComm321RxChar(int Count) {
    // Read everything that waits; the framing drops a chunk that would overflow the frame.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(Count, 0)));
    const int n = AsynComm321->Read(bytes.data(), Count);
    bytes.resize(static_cast<std::size_t>(std::max(n, 0)));
    Search.ReceiveBytes(bytes);
}

void StartWindow::KeresoTimer() {
    if (const auto text = indicator_.Tick(Label10->text(), Search.SearchState, Search.PortNumber))
        Label10->setText(*text);
}

void StartWindow::SetSearchWord(const QString& word) {
    searchWord_ = word;
    if (Kereso->isActive() && (Label10->text().isEmpty() || Label10->text() == QLatin1String("???")))
        Label10->setText(word);
}

void StartWindow::ablakSTARTTimer() {
    ablakSTART->stop();
    const int code = Search.ModuleCode;
    if (!DeviceSearch::IsSupported(code) || !K6Form1) return;
    K6Form1->EnsurePages();

    for (const char* page : {"TabSheet20", "TabSheet21", "TabSheet22", "TabSheet25"})
        K6Form1->SetPageVisible(page, false);
    Search.SearchState = DeviceSearch::Stopped;
    hide();
    const ModuleModel& model = *FindModel(code);
    K6Form1->SetStatusPanel(1, K6Form1->Brand().*(model.name));
    K6Form1->ModuleCode = code;
    K6Form1->Engine().SetModuleType(model.engineType);
    for (const char* p : model.shownPages)
        K6Form1->SetPageVisible(p, true);
    for (const char* p : model.hiddenPages)
        K6Form1->SetPageVisible(p, false);
    SetControlsVisible(model.shownControls, true);
    SetControlsVisible(model.hiddenControls, false);

    QWidget* next = model.doorPhone ? static_cast<QWidget*>(DPhone1) : K6Form1;
    if (next) {
        next->show();
        next->raise();
        next->activateWindow();
    }
}

void StartWindow::ComboBox3Change() {
    if (!ComboBox3->currentText().startsWith(QLatin1String("COM"))) {
        QMessageBox::critical(this, windowTitle(), QStringLiteral("ERROR"));
        return;
    }
    Search.ChoosePort(ComboBox3->currentIndex());
}

void StartWindow::ComboBox4Change() {
    Label10->clear();
    indicator_.Restart();
    WriteSetting(QStringLiteral("Language"), QString::number(ComboBox4->currentIndex()));
    if (K6Form1) K6Form1->Language->start();
}

void StartWindow::Button2Click() {
    Button2->setEnabled(false);
    Search.StartAutoSearch();
}

void StartWindow::Button5Click() {
    if (!Search.CanStart()) return;
    ablakSTART->start();
    Button5->setEnabled(false);
    AsynComm321->Close();
}

void StartWindow::TryOutClick(int moduleCode) {
    Search.ModuleCode = moduleCode;
    ablakSTART->start();
    if (K6Form1) K6Form1->Engine().SetDemoMode(true);
}

void StartWindow::Button3Click() {
    close();
}

void StartWindow::closeEvent(QCloseEvent* event) {
    AsynComm321->Close();
    adas->stop();
    Kereso->stop();
    ablakSTART->stop();
    event->accept();
    emit FormClosed();
}

// SearchHost

void StartWindow::SetPortName(const std::string& deviceName) {
    AsynComm321->SetDeviceName(deviceName);
}
void StartWindow::OpenPort() {
    AsynComm321->Open();
}
void StartWindow::ClosePort() {
    AsynComm321->Close();
}
void StartWindow::WriteFrame(const SixByteFrame& frame) {
    AsynComm321->Write(frame.bytes.data(), static_cast<int>(frame.bytes.size()));
}
QString StartWindow::ReadSetting(const QString& name) {
    return dalvex::ReadSetting(RegKey(), name);
}
void StartWindow::WriteSetting(const QString& name, const QString& value) {
    dalvex::WriteSetting(RegKey(), name, value);
}
void StartWindow::SelectPortPosition(int position) {
    ComboBox3->setCurrentIndex(position);
}
void StartWindow::EnableAutoSearchButton() {
    Button2->setEnabled(true);
}
QString StartWindow::ModuleLabel() {
    return Label10->text();
}
void StartWindow::SetModuleLabel(const QString& text) {
    Label10->setText(text);
}
void StartWindow::ModuleIdentified() {
    Kereso->stop();
    Button5->setEnabled(true);
    for (QPushButton* b : {Button4, Button6, Button7, Button8})
        b->setEnabled(false);
}
void StartWindow::EnableIndicator() {
    Kereso->start();
}
bool StartWindow::PortIsOpen() {
    return AsynComm321->IsOpen();
}
bool StartWindow::PortLost() {
    return AsynComm321->Lost();
}
void StartWindow::ModuleWithdrawn() {
    Button5->setEnabled(false);
    for (QPushButton* b : {Button4, Button6, Button7, Button8})
        b->setEnabled(true);
    indicator_.Restart();
    Label10->setText(searchWord_.isEmpty() ? QStringLiteral("???") : searchWord_);
    Kereso->start();
    portLost_ = true;
    const auto [port, where] = PortWords();
    PortStatus->setText(Texts.PortLost.arg(port, where));
}

std::pair<QString, QString> StartWindow::PortWords() const {
    const QString port = QString::fromStdString(comDisplayName(AsynComm321->DeviceName()));
    const auto device = resolveComDevice(AsynComm321->DeviceName());
    const QString where = device ? QStringLiteral(" (%1)").arg(QString::fromStdString(*device)) : QString();
    return {port, where};
}

void StartWindow::ShowOpenResult(int error) {
    // Only the saved port's failures are worth a word; the automatic search tries ports that do
    // not exist on purpose.
    const int s = Search.SearchState;
    if (s == DeviceSearch::NextPort || s == DeviceSearch::ProbePort || s == DeviceSearch::JudgePort) return;
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
