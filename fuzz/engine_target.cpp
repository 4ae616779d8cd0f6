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
#include "tests/support/hosts.h"

#include <memory>

namespace dalvex::fuzz {
namespace {

using namespace k6link;

// Everything the window wires together, once per input; the hosts show nothing.
struct Rig {
    Rig() {
        // The phonebook write finds a row to send.
        modemHost.number = QStringLiteral("+36123");
        modemHost.name = QStringLiteral("Name");
        voiceHost.answer = true;
    }

    k6link::test::FakePort port;
    k6link::test::FakeHost engineHost;
    dalvex::test::NullTransferHost transferHost;
    dalvex::test::NullEventLogHost logHost;
    dalvex::test::NullSignalHost signalHost;
    dalvex::test::NullStatusHost statusHost;
    dalvex::test::NullModemHost modemHost;
    dalvex::test::NullFirmwareHost firmwareHost;
    dalvex::test::NullVoiceUploadHost voiceHost;
    Engine engine{port, engineHost};
    ConfigTransfer transfer{engine, transferHost};
    EventLog eventLog{engine, logHost};
    SignalMemory signal{engine, signalHost};
    HistoryErase erase{engine};
    StatusPoll status{engine, statusHost};
    ModemMode modem{engine};
    ModemOps modemOps{engine, modem, modemHost};
    MonitorMode monitor{engine};
    MemoryWrite memoryWrite{engine};
    k6media::VoiceUpload voice{engine, memoryWrite, voiceHost};
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
    k6media::FirmwareDownload firmware(rig->engine, rig->memoryWrite, SharedFirmwareData(),
                                       rig->firmwareHost);
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
