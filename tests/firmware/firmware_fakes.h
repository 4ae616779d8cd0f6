#pragma once
// A firmware host that records what the download shows.

#include "k6media/firmware_download.h"

#include <QString>
#include <vector>

namespace dalvex::k6media::test {

class FakeFirmwareHost final : public FirmwareHost {
public:
    QString ModelName(int typeCode) override {
        switch (typeCode) {
        case 72:
            return QStringLiteral("Pro");
        case 73:
            return QStringLiteral("Mini");
        case 75:
            return QStringLiteral("Door");
        default:
            return {};
        }
    }
    void ShowProcessor(const QString& text) override { processor = text; }
    void ShowModuleVersions(const QString& sw, const QString& hw, const QString& sw2) override {
        software = sw;
        hardware = hw;
        software2 = sw2;
    }
    void EnableDownload(bool enabled) override { downloadEnabled = enabled; }
    void ShowNoNewFirmware(bool shown) override { noNewFirmware = shown; }
    void SetHeadline(const QString& text) override { headline = text; }
    void SetProgress(int position) override { progress = position; }
    void StepProgress() override { ++progress; }
    void StartProgrammingTimer() override { ++programmingTimerStarts; }
    void ShowMessage(const QString& text) override { messages.push_back(text); }

    QString processor = QStringLiteral("?");
    QString software = QStringLiteral("?"), hardware = QStringLiteral("?"), software2 = QStringLiteral("?");
    bool downloadEnabled = false;
    bool noNewFirmware = false;
    QString headline;
    int progress = 0;
    int programmingTimerStarts = 0;
    std::vector<QString> messages;
};

} // namespace dalvex::k6media::test
