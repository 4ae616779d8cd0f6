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

    const auto label = [this](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    Label1 = label("Label1", texts.Headline);
    QFont headline = Label1->font();
    headline.setBold(true);
    Label1->setFont(headline);
    Label2 = label("Label2", texts.NotKnownYet);
    Label3 = label("Label3", texts.NotKnownYet);
    Label4 = label("Label4", texts.NotKnownYet);
    Label5 = label("Label5", texts.NotKnownYet);
    Label6 = label("Label6", texts.NoNewFirmware);
    Label6->setStyleSheet(QStringLiteral("color: red"));
    Label6->hide();
    DownloadOLDfirmware1 = new QAction(texts.DownloadOld, Label6);
    DownloadOLDfirmware1->setObjectName(QStringLiteral("DownloadOLDfirmware1"));
    Label6->addAction(DownloadOLDfirmware1);
    Label6->setContextMenuPolicy(Qt::ActionsContextMenu);

    Button1 = new QPushButton(texts.DownloadStart, this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setEnabled(false);
    BitBtn3 = new QPushButton(texts.Exit, this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, kProgressMaximum);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kProgressInterval);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    auto* versions = new QHBoxLayout;
    for (QLabel* l : {Label3, Label4, Label5})
        versions->addWidget(l);
    layout->addLayout(versions);
    layout->addWidget(Label6);
    layout->addWidget(ProgressBar1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn3);
    layout->addLayout(buttons);
    resize(420, 230);

    connect(Button1, &QPushButton::clicked, this, &FirmwareWindow::Button1Click);
    connect(DownloadOLDfirmware1, &QAction::triggered, this, &FirmwareWindow::DownloadOLDfirmware1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &FirmwareWindow::BitBtn3Click);
    connect(Timer1, &QTimer::timeout, this, &FirmwareWindow::Timer1Timer);

    FormCreate();
}

void FirmwareWindow::FormCreate() {
    ShowDownloadButton(k6media::FirmwareTexts{}.DownloadStart);
    // The rounded region follows the size (resizeEvent).
}

void FirmwareWindow::ShowDownloadButton(const QString& caption) {
    // The button names the image of the main model, whatever the module turns out to be.
    const QString image = Firmware && Firmware->Label2 ? Firmware->Label2->text() : QString();
    Button1->setText(image.isEmpty() ? caption : caption + QStringLiteral(" (") + image + QLatin1Char(')'));
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
    if (!event->spontaneous()) FormActivate();
}

void FirmwareWindow::ApplyTexts() {
    const k6media::FirmwareTexts texts = Operation ? Operation->Texts : k6media::FirmwareTexts{};
    setWindowTitle(texts.Headline);
    Label1->setText(texts.Headline);
    Label6->setText(texts.NoNewFirmware);
    DownloadOLDfirmware1->setText(texts.DownloadOld);
    BitBtn3->setText(texts.Exit);
    ShowDownloadButton(texts.DownloadStart);
}

void FirmwareWindow::FormActivate() {
    setWindowOpacity(kOpacity);
    const k6media::FirmwareTexts texts = Operation ? Operation->Texts : k6media::FirmwareTexts{};
    for (QLabel* l : {Label2, Label3, Label4, Label5})
        l->setText(texts.NotKnownYet);
    Label6->hide();
    Button1->setEnabled(false);
    if (Operation) Operation->StartProcessorQuery();
    // The query has read the firmware folders again: the button names the image found now.
    if (Firmware) Firmware->ShowImages();
    ApplyTexts();
}

void FirmwareWindow::Button1Click() {
    if (Firmware) Firmware->Timer1->start();
}

void FirmwareWindow::DownloadOLDfirmware1Click() {
    // Also while "Download Start" is disabled: an image older than the module's can be loaded.
    Button1Click();
}

void FirmwareWindow::BitBtn3Click() {
    if (Operation) Operation->Leave();
    close();
}

void FirmwareWindow::keyPressEvent(QKeyEvent* event) {
    // Without a frame there is no close button: Escape leaves as "Kilépés" does.
    if (event->key() == Qt::Key_Escape) {
        BitBtn3Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FirmwareWindow::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

void FirmwareWindow::FormClose() {
    Timer1->stop();
    ProgressBar1->setValue(0);
}

void FirmwareWindow::Timer1Timer() {
    ProgressBar1->setValue(std::min(ProgressBar1->value() + 1, ProgressBar1->maximum()));
}

void FirmwareWindow::ShowMessage(const QString& text) {
    if (ConfigWindow::MessageBoxHook)
        ConfigWindow::MessageBoxHook(text, QMessageBox::Ok);
    else
        QMessageBox::warning(this, windowTitle(), text);
}

} // namespace dalvex
