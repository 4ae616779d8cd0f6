#pragma once
// The K6 window's side of the firmware download: the download operation on the window's engine,
// shown in the firmware window (FirmwareWindow) with its images in the data window (FirmwareImages), and the
// menu items that open it.

#include "k6media/firmware_download.h"

#include <QPointer>
#include <memory>

namespace dalvex {

class FirmwareImages;
class ConfigWindow;
class FirmwareWindow;

class K6FirmwareSide final : private k6media::FirmwareHost {
public:
    // Needs the firmware and data windows (CreateForms makes them).
    K6FirmwareSide(ConfigWindow& window, k6link::MemoryWrite& memoryWrite);
    ~K6FirmwareSide() override;

    static constexpr int kVer2Retries = 20;

    // "Firmware Download", also the door-phone window's entry.
    void FirmwareDownloadClick(); // design: FirmwareDownload1Click
    void FpgaDownloadTestClick(); // design: FPGAdownloadteszt1Click; developer "FPGA download teszt"
    void FpgaVer2Click(); // design: FPGAVER21Click; developer "FPGA_VER2": the programming command 21 times

    k6media::FirmwareDownload& Download() { return *download_; }

private:
    void ShowWindow();

    // FirmwareHost
    QString ModelName(int typeCode) override;
    void ShowProcessor(const QString& text) override;
    void ShowModuleVersions(const QString& software, const QString& hardware,
                            const QString& software2) override;
    void EnableDownload(bool enabled) override;
    void ShowNoNewFirmware(bool shown) override;
    void SetHeadline(const QString& text) override;
    void SetProgress(int position) override;
    void StepProgress() override;
    void StartProgrammingTimer() override;
    void ShowMessage(const QString& text) override;

    ConfigWindow& w_;
    // The windows may go before the K6 window does.
    QPointer<FirmwareWindow> form_;
    QPointer<FirmwareImages> data_;
    std::unique_ptr<k6media::FirmwareDownload> download_;
};

} // namespace dalvex
