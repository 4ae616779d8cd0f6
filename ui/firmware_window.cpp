#include "firmware_window.h"

#include "forms.h"
#include "k6media/firmware_download.h"
#include "firmware_images.h"
#include "config_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QRegion>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace dalvex {

namespace {
constexpr int kProgressMaximum = 255;
constexpr int kProgressInterval = 300;
} // namespace

FirmwareWindow::FirmwareWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TK6Form9"));
    setWindowModality(Qt::ApplicationModal);
    const k6media::FirmwareTexts texts;
    setWindowTitle(texts.Headline);
    idleHeadline_ = texts.Headline;

    const auto label = [this](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    Headline = label("Label1", texts.Headline);
    QFont headline = Headline->font();
    headline.setBold(true);
    Headline->setFont(headline);
    ProcessorLabel = label("Label2", texts.NotKnownYet);
    SoftwareVersionLabel = label("Label3", texts.NotKnownYet);
    HardwareCodeLabel = label("Label4", texts.NotKnownYet);
    SoftwareVersion2Label = label("Label5", texts.NotKnownYet);
    NoNewFirmwareLabel = label("Label6", texts.NoNewFirmware);
    NoNewFirmwareLabel->setStyleSheet(QStringLiteral("color: red"));
    NoNewFirmwareLabel->hide();
    OldFirmwareItem = new QAction(texts.DownloadOld, NoNewFirmwareLabel);
    OldFirmwareItem->setObjectName(QStringLiteral("DownloadOLDfirmware1"));
    NoNewFirmwareLabel->addAction(OldFirmwareItem);
    NoNewFirmwareLabel->setContextMenuPolicy(Qt::ActionsContextMenu);

    DownloadButton = new QPushButton(texts.DownloadStart, this);
    DownloadButton->setObjectName(QStringLiteral("Button1"));
    DownloadButton->setEnabled(false);
    ExitButton = new QPushButton(texts.Exit, this);
    ExitButton->setObjectName(QStringLiteral("BitBtn3"));
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("ProgressBar1"));
    Progress->setRange(0, kProgressMaximum);
    Progress->setValue(0);
    Progress->setTextVisible(false);
    ProgrammingTimer = new QTimer(this);
    ProgrammingTimer->setObjectName(QStringLiteral("Timer1"));
    ProgrammingTimer->setInterval(kProgressInterval);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(Headline);
    layout->addWidget(ProcessorLabel);
    auto* versions = new QHBoxLayout;
    for (QLabel* l : {SoftwareVersionLabel, HardwareCodeLabel, SoftwareVersion2Label})
        versions->addWidget(l);
    layout->addLayout(versions);
    layout->addWidget(NoNewFirmwareLabel);
    layout->addWidget(Progress);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DownloadButton);
    buttons->addStretch(1);
    buttons->addWidget(ExitButton);
    layout->addLayout(buttons);
    resize(420, 230);

    connect(DownloadButton, &QPushButton::clicked, this, &FirmwareWindow::DownloadClick);
    connect(OldFirmwareItem, &QAction::triggered, this, &FirmwareWindow::OldFirmwareClick);
    connect(ExitButton, &QPushButton::clicked, this, &FirmwareWindow::ExitClick);
    connect(ProgrammingTimer, &QTimer::timeout, this, &FirmwareWindow::ProgrammingTick);

    Prepare();
}

void FirmwareWindow::Prepare() {
    ShowDownloadButton(k6media::FirmwareTexts{}.DownloadStart);
    // The rounded region follows the size (resizeEvent).
}

void FirmwareWindow::ShowDownloadButton(const QString& caption) {
    // The button names the image of the main model, whatever the module turns out to be.
    const QString image =
        firmwareImages && firmwareImages->MainImageLabel ? firmwareImages->MainImageLabel->text() : QString();
    DownloadButton->setText(image.isEmpty() ? caption
                                            : caption + QStringLiteral(" (") + image + QLatin1Char(')'));
}

void FirmwareWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kCornerEllipse / 2.0, kCornerEllipse / 2.0);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void FirmwareWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Once per opening, not when the window system shows it again (restored, another program in
    // front and back again): that must not restart the query in the middle of a download.
    if (!event->spontaneous()) Activate();
}

void FirmwareWindow::ApplyTexts() {
    const k6media::FirmwareTexts texts = Operation ? Operation->Texts : k6media::FirmwareTexts{};
    setWindowTitle(texts.Headline);
    // A download's step stays in the headline through a language pass (the K6 window's language
    // timer may run in the middle of one); the idle headline follows the language.
    if (Headline->text() == idleHeadline_) Headline->setText(texts.Headline);
    idleHeadline_ = texts.Headline;
    NoNewFirmwareLabel->setText(texts.NoNewFirmware);
    OldFirmwareItem->setText(texts.DownloadOld);
    ExitButton->setText(texts.Exit);
    ShowDownloadButton(texts.DownloadStart);
}

void FirmwareWindow::Activate() {
    setWindowOpacity(kOpacity);
    const k6media::FirmwareTexts texts = Operation ? Operation->Texts : k6media::FirmwareTexts{};
    for (QLabel* l : {ProcessorLabel, SoftwareVersionLabel, HardwareCodeLabel, SoftwareVersion2Label})
        l->setText(texts.NotKnownYet);
    NoNewFirmwareLabel->hide();
    DownloadButton->setEnabled(false);
    if (Operation) Operation->StartProcessorQuery();
    // The query has read the firmware folders again: the button names the image found now.
    if (firmwareImages) firmwareImages->ShowImages();
    // Opened, the window starts from the idle headline.
    Headline->setText(idleHeadline_);
    ApplyTexts();
}

void FirmwareWindow::DownloadClick() {
    if (firmwareImages) firmwareImages->ConversionTimer->start();
}

void FirmwareWindow::OldFirmwareClick() {
    // Also while "Download Start" is disabled: an image older than the module's can be loaded.
    DownloadClick();
}

void FirmwareWindow::ExitClick() {
    if (Operation) Operation->Leave();
    close();
}

void FirmwareWindow::keyPressEvent(QKeyEvent* event) {
    // Without a frame there is no close button: Escape leaves as "Kilépés" does.
    if (event->key() == Qt::Key_Escape) {
        ExitClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FirmwareWindow::closeEvent(QCloseEvent* event) {
    Closing();
    QWidget::closeEvent(event);
}

void FirmwareWindow::Closing() {
    ProgrammingTimer->stop();
    Progress->setValue(0);
}

void FirmwareWindow::ProgrammingTick() {
    Progress->setValue(std::min(Progress->value() + 1, Progress->maximum()));
}

void FirmwareWindow::ShowMessage(const QString& text) {
    if (ConfigWindow::MessageBoxHook)
        ConfigWindow::MessageBoxHook(text, QMessageBox::Ok);
    else
        QMessageBox::warning(this, windowTitle(), text);
}

} // namespace dalvex
