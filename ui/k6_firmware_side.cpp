#include "k6_firmware_side.h"

#include "forms.h"
#include "i18n/module_models.h"
#include "firmware_images.h"
#include "config_window.h"
#include "firmware_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace dalvex {

K6FirmwareSide::K6FirmwareSide(ConfigWindow& window, k6link::MemoryWrite& memoryWrite)
    : w_(window)
    , form_(firmwareWindow)
    , data_(firmwareImages)
    , download_(std::make_unique<k6media::FirmwareDownload>(
          window.Engine(), memoryWrite, firmwareImages->Store, static_cast<k6media::FirmwareHost&>(*this))) {
    firmwareWindow->Operation = download_.get();
    firmwareImages->OnFirstTick = [this] { download_->ConvertAndStart(); };
}

K6FirmwareSide::~K6FirmwareSide() {
    if (form_) form_->Operation = nullptr;
    if (data_) data_->OnFirstTick = nullptr;
}

void K6FirmwareSide::ShowWindow() {
    // Modal, but without a nested event loop: the engine keeps running underneath.
    if (!form_) return;
    if (form_->isVisible()) {
        form_->raise();
        form_->activateWindow();
        return;
    }
    form_->show();
}

void K6FirmwareSide::FirmwareDownloadClick() {
    ShowWindow();
}

void K6FirmwareSide::FpgaDownloadTestClick() {
    ShowWindow();
}

void K6FirmwareSide::FpgaVer2Click() {
    download_->FpgaRetry = kVer2Retries;
    ShowWindow();
}

QString K6FirmwareSide::ModelName(int typeCode) {
    return dalvex::ModelName(typeCode, w_.Brand());
}

void K6FirmwareSide::ShowProcessor(const QString& text) {
    if (!form_) return;
    form_->ProcessorLabel->setText(text);
    form_->ProcessorLabel->show();
}

void K6FirmwareSide::ShowModuleVersions(const QString& software, const QString& hardware,
                                        const QString& software2) {
    if (!form_) return;
    form_->SoftwareVersionLabel->setText(software);
    form_->HardwareCodeLabel->setText(hardware);
    form_->SoftwareVersion2Label->setText(software2);
}

void K6FirmwareSide::EnableDownload(bool enabled) {
    if (form_) form_->DownloadButton->setEnabled(enabled);
}

void K6FirmwareSide::ShowNoNewFirmware(bool shown) {
    if (form_) form_->NoNewFirmwareLabel->setVisible(shown);
}

void K6FirmwareSide::SetHeadline(const QString& text) {
    if (form_) form_->Headline->setText(text);
}

void K6FirmwareSide::SetProgress(int position) {
    if (form_) form_->Progress->setValue(position);
}

void K6FirmwareSide::StepProgress() {
    if (!form_) return;
    QProgressBar* bar = form_->Progress;
    bar->setValue(std::min(bar->value() + 1, bar->maximum()));
}

void K6FirmwareSide::StartProgrammingTimer() {
    if (form_) form_->ProgrammingTimer->start();
}

void K6FirmwareSide::ShowMessage(const QString& text) {
    if (form_) form_->ShowMessage(text);
}

} // namespace dalvex
