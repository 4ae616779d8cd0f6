// The engine's receive path: an engine with every operation registered, put into one of its
// registered states, is fed the input as chunks (and ticks) the way the port would hand them over.
#include "fuzz/fuzz_targets.h"
#include "k6link/config_transfer.h"
#include "k6link/event_log.h"
#include "k6link/history_erase.h"
#include "k6link/memory_write.h"
#include "k6link/modem_mode.h"
#include "k6link/modem_ops.h"
#include "k6link/monitor_mode.h"
#include "k6link/signal_memory.h"
#include "k6link/status_poll.h"
#include "k6media/firmware_download.h"
#include "k6media/firmware_image.h"
#include "k6media/voice_upload.h"
#include "tests/k6link/fakes.h"

#include <QDateTime>
#include <memory>

namespace dalvex::fuzz {
namespace {

using namespace k6link;

struct Hosts final : TransferHost,
                     EventLogHost,
                     SignalHost,
                     StatusHost,
                     ModemHost,
                     k6media::FirmwareHost,
                     k6media::VoiceUploadHost {
    // TransferHost
    void SetProgress(int, int) override {}
    void StepProgress() override {}
    void ShowProgress(bool) override {}
    void EnableTransferButtons(bool) override {}
    bool ContactIdTicked() override { return true; }
    void EncodeImage() override {}
    void DecodeImage() override {}
    QDateTime Now() override { return QDateTime(QDate(2012, 3, 4), QTime(5, 6, 7)); }
    // EventLogHost
    void ShowLogProgress(bool) override {}
    void SetLogProgress(int) override {}
    void SetLogRows(int, std::span<const LogRow>) override {}
    // SignalHost
    void ClearSignalChart() override {}
    void AddSignalSamples(std::span<const SignalSample>) override {}
    // StatusHost
    void StatusRefreshed(const StatusBytes&) override {}
    void TestEndDone() override {}
    // ModemHost
    void ClearPhonebook() override {}
    void SetPhonebookRow(int, const QString&, const QString&, const QString&) override {}
    QString PhonebookNumber(int) override { return QStringLiteral("+36123"); }
    QString PhonebookName(int) override { return QStringLiteral("Name"); }
    void SetPhonebookProgress(int, int) override {}
    void StepPhonebookProgress() override {}
    void ShowPhonebookProgress(bool) override {}
    void EnablePhonebookRead(bool) override {}
    void EnablePhonebookWrite(bool) override {}
    void SetInfoField(int, const QString&) override {}
    void SetServiceCentreStatus(const QString&) override {}
    // FirmwareHost
    QString ModelName(int) override { return QStringLiteral("K6"); }
    void ShowProcessor(const QString&) override {}
    void ShowModuleVersions(const QString&, const QString&, const QString&) override {}
    void EnableDownload(bool) override {}
    void ShowNoNewFirmware(bool) override {}
    void SetHeadline(const QString&) override {}
    void SetProgress(int) override {}
    void StartProgrammingTimer() override {}
    void ShowMessage(const QString&) override {}
    // VoiceUploadHost
    void ShowGauge(int) override {}
    void StepGauge() override {}
    void HideGauge() override {}
    void ClosePlayer(const k6media::VoiceSlot&) override {}
    void ReopenPlayers() override {}
    bool Ask(const QString&) override { return true; }
    void SetEditText(const k6media::VoiceSlot&, const QString&) override {}
    bool EngineActive() override { return false; }
};

// Everything the window wires together, once per input.
struct Rig {
    k6link::test::FakePort port;
    k6link::test::FakeHost engineHost;
    Hosts hosts;
    Engine engine{port, engineHost};
    ConfigTransfer transfer{engine, hosts};
    EventLog eventLog{engine, hosts};
    SignalMemory signal{engine, hosts};
    HistoryErase erase{engine};
    StatusPoll status{engine, hosts};
    ModemMode modem{engine};
    ModemOps modemOps{engine, modem, hosts};
    MonitorMode monitor{engine};
    MemoryWrite memoryWrite{engine};
    k6media::VoiceUpload voice{engine, memoryWrite, hosts};
};

k6media::FirmwareData& SharedFirmwareData() {
    static k6media::FirmwareData data;
    return data;
}

// The table has no listing of its own: the states are looked up once over a range well past the
// highest one any operation uses (100000, the block-write test).
const std::vector<std::int32_t>& RegisteredStates(const StateTable& table) {
    static const std::vector<std::int32_t> states = [&] {
        std::vector<std::int32_t> out;
        for (std::int32_t s = 0; s <= 200000; ++s)
            if (table.contains(s)) out.push_back(s);
        return out;
    }();
    return states;
}

} // namespace

std::size_t EngineStateCount() {
    Rig rig;
    return RegisteredStates(rig.engine.States()).size();
}

void FuzzEngineReceive(Input data) {
    if (data.size() < 2) return;
    auto rig = std::make_unique<Rig>();
    k6media::FirmwareDownload firmware(rig->engine, rig->memoryWrite, SharedFirmwareData(), rig->hosts);
    rig->monitor.OnText = [](std::span<const std::uint8_t>) {};
    Engine& e = rig->engine;
    e.PortOpen = true;
    rig->port.open = true;

    const std::vector<std::int32_t>& states = RegisteredStates(e.States());
    e.OpState = states[(data[0] | data[1] << 8) % states.size()];
    e.TimeoutTicks = Engine::kTimeoutTicks;
    // Then chunks: a length byte and that many bytes; a length of 0 is a tick of the timers.
    std::size_t at = 2;
    while (at < data.size()) {
        const std::size_t length = data[at++];
        const std::size_t n = std::min(length, data.size() - at);
        if (n == 0) {
            e.tick();
            continue;
        }
        rig->port.waiting.insert(rig->port.waiting.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                                 data.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
        e.AsynComm321RxChar(static_cast<int>(rig->port.waiting.size()));
        rig->port.writes.clear();
    }
}

} // namespace dalvex::fuzz
