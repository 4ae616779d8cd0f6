#pragma once
// The hosts of the engine and its operations for tests, benchmarks and fuzz targets: for each host
// interface a null host (shows nothing, answers as a technician who agrees to nothing would, for
// programs that only time or feed an operation) and a recording host (keeps what the operation
// showed, for tests that judge it). Both may be derived from, to time or count one call more.
//
// Header only, and only on k6link/ and k6media/, so the fuzz build (which has no simulator) uses
// them too.

#include "k6link/config_transfer.h"
#include "k6link/engine_host.h"
#include "k6link/event_log.h"
#include "k6link/modem_ops.h"
#include "k6link/signal_memory.h"
#include "k6link/status_poll.h"
#include "k6media/firmware_download.h"
#include "k6media/voice_upload.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <algorithm>
#include <array>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace dalvex::test {

// The PC's clock as the transfer hosts tell it, unless a test sets another.
inline QDateTime FixedNow() {
    return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
}

// --- The engine ----------------------------------------------------------------------------------

// Finds the port released and no setting stored (the engine then uses COM1).
class NullEngineHost : public k6link::EngineHost {
public:
    void ShowClockAndCustomer() override {}
    bool PortReleased() override { return true; }
    QString ReadSetting(const QString&) override { return {}; }
    void SetStatusPanel(int, const QString&) override {}
    void ShowMessage(const QString&) override {}
    void OperationRunning() override {}
    void EnableTransferButtons() override {}
    void CloseFirmwareWindow() override {}
    void ApplyVersionRules(int, int) override {}
};

class RecordingEngineHost : public k6link::EngineHost {
public:
    void ShowClockAndCustomer() override { ++clockShown; }
    bool PortReleased() override { return released; }
    QString ReadSetting(const QString& name) override { return settings.value(name); }
    void SetStatusPanel(int panel, const QString& text) override {
        if (panel >= 0 && panel < static_cast<int>(std::size(panels))) panels[panel] = text;
    }
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    void OperationRunning() override { ++running; }
    void EnableTransferButtons() override { buttonsEnabled = true; }
    void CloseFirmwareWindow() override { ++firmwareClosed; }
    void ApplyVersionRules(int version, int moduleType) override { rules.emplace_back(version, moduleType); }

    bool released = true;
    QHash<QString, QString> settings; // "comport" names the port
    QString panels[5];
    std::vector<QString> messages;
    int clockShown = 0;
    int running = 0;
    bool buttonsEnabled = false;
    int firmwareClosed = 0;
    std::vector<std::pair<int, int>> rules;
};

// --- The configuration transfer ------------------------------------------------------------------

class NullTransferHost : public k6link::TransferHost {
public:
    void SetProgress(int, int) override {}
    void StepProgress() override {}
    void ShowProgress(bool) override {}
    void EnableTransferButtons(bool) override {}
    bool ContactIdTicked() override { return true; }
    void EncodeImage() override {}
    void DecodeImage() override {}
    QDateTime Now() override { return FixedNow(); }
};

class RecordingTransferHost : public k6link::TransferHost {
public:
    void SetProgress(int m, int p) override {
        maximum = m;
        position = p;
    }
    void StepProgress() override {
        ++position;
        ++steps;
    }
    void ShowProgress(bool visible) override { progressVisible = visible; }
    void EnableTransferButtons(bool enabled) override { buttonsEnabled = enabled; }
    bool ContactIdTicked() override { return contactIdTicked; }
    bool SendChangedOnly() override { return changedOnly; }
    void EncodeImage() override { ++encodes; }
    void DecodeImage() override { ++decodes; }
    QDateTime Now() override { return now; }

    int maximum = 0;
    int position = 0;
    int steps = 0; // every step since the host was made
    bool progressVisible = false;
    bool buttonsEnabled = true;
    bool contactIdTicked = true;
    bool changedOnly = true;
    int encodes = 0;
    int decodes = 0;
    QDateTime now = FixedNow();
};

// --- The event log and the signal memory ---------------------------------------------------------

class NullEventLogHost : public k6link::EventLogHost {
public:
    void ShowLogProgress(bool) override {}
    void SetLogProgress(int) override {}
    void SetLogRows(int, std::span<const k6link::LogRow>) override {}
};

class RecordingEventLogHost : public k6link::EventLogHost {
public:
    void ShowLogProgress(bool visible) override { progressVisible = visible; }
    void SetLogProgress(int position) override { progress = position; }
    void SetLogRows(int firstRow, std::span<const k6link::LogRow> r) override {
        ++updates;
        rows.resize(static_cast<std::size_t>(std::max(firstRow - 1, 0)));
        rows.insert(rows.end(), r.begin(), r.end());
    }

    bool progressVisible = false;
    int progress = -1;
    int updates = 0;
    std::vector<k6link::LogRow> rows; // grid rows 1 ..
};

class NullSignalHost : public k6link::SignalHost {
public:
    void ClearSignalChart() override {}
    void AddSignalSamples(std::span<const k6link::SignalSample>) override {}
};

class RecordingSignalHost : public k6link::SignalHost {
public:
    void ClearSignalChart() override {
        ++clears;
        samples.clear();
    }
    void AddSignalSamples(std::span<const k6link::SignalSample> s) override {
        ++updates;
        samples.insert(samples.end(), s.begin(), s.end());
    }

    int clears = 0;
    int updates = 0;
    std::vector<k6link::SignalSample> samples;
};

// --- The status window ---------------------------------------------------------------------------

class NullStatusHost : public k6link::StatusHost {
public:
    void StatusRefreshed(const k6link::StatusBytes&) override {}
    void TestEndDone() override {}
};

class RecordingStatusHost : public k6link::StatusHost {
public:
    void StatusRefreshed(const k6link::StatusBytes& s) override { refreshed.push_back(s); }
    void TestEndDone() override { ++testEnds; }

    // Completed passes.
    int passes() const { return static_cast<int>(refreshed.size()); }

    std::vector<k6link::StatusBytes> refreshed;
    int testEnds = 0;
};

// --- The modem windows ---------------------------------------------------------------------------

// Every phonebook row holds `number` and `name` (empty: nothing to write).
class NullModemHost : public k6link::ModemHost {
public:
    void ClearPhonebook() override {}
    void SetPhonebookRow(int, const QString&, const QString&, const QString&) override {}
    QString PhonebookNumber(int) override { return number; }
    QString PhonebookName(int) override { return name; }
    void SetPhonebookProgress(int, int) override {}
    void StepPhonebookProgress() override {}
    void ShowPhonebookProgress(bool) override {}
    void EnablePhonebookRead(bool) override {}
    void EnablePhonebookWrite(bool) override {}
    void SetInfoField(int, const QString&) override {}
    void SetServiceCentreStatus(const QString&) override {}

    QString number;
    QString name;
};

// Rows and fields outside the grid are counted in `outside`, never stored.
class RecordingModemHost : public k6link::ModemHost {
public:
    using Row = std::array<QString, 3>; // index, number, name

    void ClearPhonebook() override {
        for (Row& row : grid)
            row = {};
    }
    void SetPhonebookRow(int row, const QString& index, const QString& number, const QString& name) override {
        if (Row* r = at(row)) *r = {index, number, name};
    }
    QString PhonebookNumber(int row) override {
        const Row* r = at(row);
        return r ? (*r)[1] : QString();
    }
    QString PhonebookName(int row) override {
        const Row* r = at(row);
        return r ? (*r)[2] : QString();
    }
    void SetPhonebookProgress(int maximum, int position) override {
        progressMax = maximum;
        progress = position;
    }
    void StepPhonebookProgress() override { ++progress; }
    void ShowPhonebookProgress(bool visible) override { progressVisible = visible; }
    void EnablePhonebookRead(bool enabled) override { readEnabled = enabled; }
    void EnablePhonebookWrite(bool enabled) override { writeEnabled = enabled; }
    void SetInfoField(int field, const QString& text) override {
        if (field >= 0 && field < static_cast<int>(fields.size()))
            fields[static_cast<std::size_t>(field)] = text;
        else
            ++outside;
    }
    void SetServiceCentreStatus(const QString& text) override { serviceStatus = text; }

    std::array<Row, k6link::ModemOps::kPhonebookRows + 1> grid; // row 0 is the header
    int progressMax = 0;
    int progress = 0;
    bool progressVisible = false;
    bool readEnabled = true;
    bool writeEnabled = true;
    std::array<QString, 9> fields; // Edit1 .. Edit8 at 1 .. 8
    QString serviceStatus;
    int outside = 0;

private:
    Row* at(int row) {
        if (row >= 0 && row < static_cast<int>(grid.size())) return &grid[static_cast<std::size_t>(row)];
        ++outside;
        return nullptr;
    }
};

// --- The firmware window -------------------------------------------------------------------------

class NullFirmwareHost : public k6media::FirmwareHost {
public:
    QString ModelName(int) override { return {}; }
    void ShowProcessor(const QString&) override {}
    void ShowModuleVersions(const QString&, const QString&, const QString&) override {}
    void EnableDownload(bool) override {}
    void ShowNoNewFirmware(bool) override {}
    void SetHeadline(const QString&) override {}
    void SetProgress(int) override {}
    void StepProgress() override {}
    void StartProgrammingTimer() override {}
    void ShowMessage(const QString&) override {}
};

class RecordingFirmwareHost : public k6media::FirmwareHost {
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

// --- The voice page ------------------------------------------------------------------------------

// Questions are answered `answer`.
class NullVoiceUploadHost : public k6media::VoiceUploadHost {
public:
    void ShowGauge(int) override {}
    void StepGauge() override {}
    void HideGauge() override {}
    void ClosePlayer(const k6media::VoiceSlot&) override {}
    void ReopenPlayers() override {}
    void ShowMessage(const QString&) override {}
    bool Ask(const QString&) override { return answer; }
    void SetEditText(const k6media::VoiceSlot&, const QString&) override {}
    bool EngineActive() override { return false; }

    bool answer = false;
};

// Questions are answered from `answers` in order, then No.
class RecordingVoiceUploadHost : public k6media::VoiceUploadHost {
public:
    void ShowGauge(int maximum) override {
        gaugeVisible = true;
        gaugeMax = maximum;
        gauge = 0;
    }
    void StepGauge() override { ++gauge; }
    void HideGauge() override { gaugeVisible = false; }
    void ClosePlayer(const k6media::VoiceSlot& slot) override {
        closed.push_back(slot.id);
    }
    void ReopenPlayers() override { ++reopened; }
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    bool Ask(const QString& text) override {
        questions.push_back(text);
        const bool a = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        return a;
    }
    void SetEditText(const k6media::VoiceSlot& slot, const QString& text) override {
        edits[slot.id] = text;
    }
    bool EngineActive() override { return engineActive; }

    bool gaugeVisible = false;
    int gaugeMax = -1;
    int gauge = 0;
    std::vector<k6media::VoiceMessage> closed; // the players stopped, by message
    int reopened = 0;
    std::vector<QString> messages;
    std::vector<QString> questions;
    std::deque<bool> answers;
    std::map<k6media::VoiceMessage, QString> edits;
    bool engineActive = false;
};

} // namespace dalvex::test
