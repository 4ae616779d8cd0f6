// Every operation against every failure mode of the simulated module, with the real engine and
// every operation registered with it. Each pair is a row of one table: the operation completes
// (the fault is weathered), repeats its command without end (until the user stops it), ends with
// its own failure message, or ends because the port has gone. Whatever the outcome: the test
// thread never blocks (a watchdog aborts the test), the configuration image is untouched unless a
// read completed, and once the fault clears (or the adapter is plugged back in) the same operation
// runs to completion.
//
// Every pair runs on the in-process line (tests/support/sim_port.h), where the faults act as the
// pty transport applies them and time is the line's own: the outcome does not depend on the
// machine's load. A few pairs run again on a pseudo-terminal through the real serial component, for
// the serial path itself: a split reply, a hang-up, a pulled adapter, the search and a memory write.

#include "k6link/config_transfer.h"
#include "k6link/core_states.h"
#include "k6link/event_log.h"
#include "k6link/history_erase.h"
#include "k6link/memory_write.h"
#include "k6link/modem_mode.h"
#include "k6link/modem_ops.h"
#include "k6link/monitor_mode.h"
#include "k6link/signal_memory.h"
#include "k6link/status_poll.h"
#include "k6media/firmware_download.h"
#include "k6media/voice_slots.h"
#include "k6media/voice_upload.h"
#include "serial/async32.h"
#include "serial/serial_trace.h"
#include "sim/faults.h"
#include "sim/gsm_modem.h"
#include "sim/history_data.h"
#include "startup/device_search.h"
#include "tests/support/firmware_folder.h"
#include "tests/support/hosts.h"
#include "tests/support/sim_rig.h"
#include "tests/voice/wav_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>

using namespace dalvex;
using namespace dalvex::k6link;
using dalvex::test::Line;

namespace {

// --- Watchdog --------------------------------------------------------------------------------------

// Aborts the test program when the test thread has not come round its loop for kLimit: a handler
// or a call into the serial component that blocks would otherwise hang the whole run.
class Watchdog {
public:
    static constexpr std::chrono::seconds kLimit{20};

    explicit Watchdog(std::string what)
        : what_(std::move(what))
        , thread_([this] { Watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    void Beat() { beat_ = Now(); }

private:
    static std::int64_t Now() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void Watch() {
        std::unique_lock lock(m_);
        while (!cv_.wait_for(lock, std::chrono::milliseconds(250), [this] { return stop_; })) {
            if (Now() - beat_ > std::chrono::milliseconds(kLimit).count()) {
                std::fprintf(stderr, "watchdog: the test thread is stuck in %s\n", what_.c_str());
                std::abort();
            }
        }
    }

    std::string what_;
    std::atomic<std::int64_t> beat_{Now()};
    std::mutex m_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::thread thread_;
};

// The start window's side of the search, on the rig's port.
struct SearchRecorder final : SearchHost {
    explicit SearchRecorder(k6link::Port& port)
        : port(port) {}
    void SetPortName(const std::string& name) override { port.SetDeviceName(name); }
    void OpenPort() override { port.Open(); }
    void ClosePort() override { port.Close(); }
    void WriteFrame(const SixByteFrame& frame) override {
        port.Write(frame.bytes.data(), static_cast<int>(frame.bytes.size()));
    }
    QString ReadSetting(const QString& name) override {
        return name == QLatin1String("comport") ? QStringLiteral("COM1") : QString();
    }
    void WriteSetting(const QString&, const QString&) override {}
    void SelectPortPosition(int) override {}
    void EnableAutoSearchButton() override {}
    QString ModuleLabel() override { return label; }
    void SetModuleLabel(const QString& text) override { label = text; }
    void ModuleIdentified() override {}
    void EnableIndicator() override {}
    bool PortIsOpen() override { return port.IsOpen(); }
    bool PortLost() override { return port.Lost(); }
    void ModuleWithdrawn() override { ++withdrawn; }

    k6link::Port& port;
    QString label;
    int withdrawn = 0;
};

// --- The rig: one engine with every operation, and a module that can be unplugged ---------------

constexpr int kLogRecords = 10;
constexpr int kSignalSamples = 100;
constexpr int kPhonebookEntries = 3;
// The split fault's pieces come this far apart, so that a reply's pieces are all in before the
// next tick (on the pty the quiet check waits for them anyway). With the module's own gap (30 ms,
// on 50 ms ticks) the byte-wise transfers would take longer than the ticks a healthy run gets; the
// engine's tests take pieces that straddle a tick (tests/k6link/engine_sim_test.cpp).
constexpr std::chrono::milliseconds kSplitGap{1};
// The start window's search timer runs at 150 ms while it searches.
constexpr std::chrono::milliseconds kSearchTick{150};
// On the pty a memory write's silence is wall-clock time: its ticks keep the timer's pace there, so
// that the second of silence lies, as on the K6 window's timer, between the pause before the first
// block (5 ticks) and the repeat of an unanswered start frame (50 ticks) or block (120 ticks).
constexpr std::chrono::milliseconds kPtyMemoryWriteTick{50};

struct Rig {
    explicit Rig(Line line)
        : sim(line) {
        // DALVEX_CAMPAIGN_TRACE=file records the pty line's traffic, for looking into a failed pair.
        if (const char* t = std::getenv("DALVEX_CAMPAIGN_TRACE"); t && sim.comm()) {
            trace = std::make_shared<SerialTrace>();
            trace->Start(t);
            sim.comm()->SetTrace(trace);
        }
        sim.setSplitGap(kSplitGap);
        sim.receiver = [this](int count) {
            if (!searching) {
                engine.AsynComm321RxChar(count);
                return;
            }
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(count, 0)));
            bytes.resize(static_cast<std::size_t>(std::max(sim.port.Read(bytes.data(), count), 0)));
            search.ReceiveBytes(bytes);
        };
        sim.ticker = [this] {
            if (watchdog) watchdog->Beat();
            if (searching)
                search.SendTick();
            else
                engine.tick();
        };
        monitor.OnText = [this](std::span<const std::uint8_t> text) {
            monitorText.append(reinterpret_cast<const char*>(text.data()),
                               static_cast<qsizetype>(text.size()));
        };
    }
    ~Rig() { sim.port.Close(); }

    dalvex::test::SimRig sim;
    QTemporaryDir files;
    std::uint8_t type = 72;
    std::uint8_t version = 84;

    Engine& engine = sim.engine;
    dalvex::test::RecordingEngineHost& host = sim.host;
    dalvex::test::RecordingTransferHost transferHost;
    ConfigTransfer transfer{engine, transferHost};
    dalvex::test::RecordingEventLogHost logHost;
    EventLog log{engine, logHost};
    dalvex::test::RecordingSignalHost signalHost;
    SignalMemory signal{engine, signalHost};
    HistoryErase erase{engine};
    dalvex::test::RecordingStatusHost statusHost;
    StatusPoll status{engine, statusHost};
    ModemMode modemMode{engine};
    dalvex::test::RecordingModemHost modemHost;
    ModemOps modem{engine, modemMode, modemHost};
    MonitorMode monitor{engine};
    MemoryWrite memoryWrite{engine};
    dalvex::test::RecordingVoiceUploadHost voiceHost;
    k6media::VoiceUpload voice{engine, memoryWrite, voiceHost};
    dalvex::test::FirmwareFolder firmwareImages;
    k6media::FirmwareData firmwareData{QStringList{firmwareImages.addGoodImages().path()}};
    dalvex::test::RecordingFirmwareHost firmwareHost;
    k6media::FirmwareDownload firmware{engine, memoryWrite, firmwareData, firmwareHost};

    SearchRecorder searchHost{sim.port};
    DeviceSearch search{searchHost, ModelNames{}};
    bool searching = false; // the operation under test is the start window's

    std::shared_ptr<SerialTrace> trace;
    QByteArray monitorText;
    // How the operation under test ended, as its starter is told.
    std::optional<OperationEnd> ended;
    EndFn Ender() {
        ended.reset();
        return [this](const OperationEnd& e) { ended = e; };
    }
    Watchdog* watchdog = nullptr;

    // A module plugged in on COM1, with a history, a phonebook and its memory filled with a
    // pattern, so that a read that completes is told from one that did not.
    bool PlugIn() {
        return sim.plugIn([&](sim::ModuleSim& m) {
            m.setTypeCode(type);
            m.setVersion(version);
            sim::fillLog(m, kLogRecords);
            sim::fillSignal(m, kSignalSamples);
            m.modem().fillPhonebook(kPhonebookEntries);
            for (std::uint32_t a = 0; a < 0x600; ++a)
                m.memory()[a] = static_cast<std::uint8_t>(a * 7 + 3);
            for (std::uint32_t a = 0; a < 128u * 256u; ++a)
                m.memory()[0x340000u + a] = static_cast<std::uint8_t>(a * 13 + 1);
        });
    }

    // Ticks whichever timer drives the operation, once the line is quiet, until `stop` holds or
    // `ticks` ticks have gone by.
    bool Run(const std::function<bool()>& stop, int ticks) { return sim.run(stop, ticks); }
};

// --- The operations -----------------------------------------------------------------------------

struct Operation {
    const char* name;
    std::uint8_t type;
    std::uint8_t version;
    // The exchanges a counted fault lets through before it strikes: about half of the
    // operation's exchanges, so that it strikes in the middle.
    int faultAfter;
    // Ticks within which a healthy run completes; a run still going after them repeats.
    int ticks;
    std::function<void(Rig&)> prepare = nullptr; // before the fault is set (may be empty)
    std::function<void(Rig&)> start;
    // Its result is there (an operation that ends must also have ended Done).
    std::function<bool(Rig&)> done;
    // The failure an operation that gives up ends with.
    FailReason failure = FailReason::None;
    std::function<void(Rig&)> stop = [](Rig&) {}; // how the user ends it
    bool continuous = false; // runs until stopped (status poll, monitor): no outcome of its own
    bool readsImage = false;                                       // a completed run changes the image
    bool search = false;                                           // the start window's operation
    bool writesMemory = false;                                     // a memory write (voice, firmware)
};

bool Idle(Rig& r) {
    return r.engine.OpState == state::Idle;
}

bool ImageHolds(Rig& r, std::uint32_t address, std::uint32_t length) {
    bool same = true;
    r.sim.withModule([&](sim::ModuleSim& m) {
        for (std::uint32_t a = address; a < address + length && same; ++a)
            same = r.engine.ConfigImage.at(a) == m.memory()[a];
    });
    return same;
}

// The operation under test has ended, and completed.
bool Done(Rig& r) {
    return r.ended && r.ended->outcome == k6link::Outcome::Done;
}

void StartConfigRead(Rig& r) {
    r.engine.Version = r.version;
    r.engine.ModuleType = r.type;
    r.transfer.StartRead(r.Ender());
}

void StartConfigSend(Rig& r) {
    r.engine.Version = r.version;
    r.engine.ModuleType = r.type;
    r.transfer.StartSend({}, r.Ender());
}

// A read completes, then a phone number and a Contact ID table row change: the send writes those
// two blocks (and block 4 of bank 0x35 when the module's differs from the image's) and reads
// them back.
void PrepareChangedSend(Rig& r) {
    r.engine.Version = r.version;
    r.engine.ModuleType = r.type;
    r.transfer.StartRead(r.Ender());
    ASSERT_TRUE(r.Run([&] { return Done(r); }, 1000)) << "the read before the send";
    r.engine.ConfigImage.set(0x105, '9');
    r.engine.ConfigImage.set(0x340000 + 40 * 256 + 3, 0x42);
}

std::vector<Operation> Operations() {
    const QString imei = QStringLiteral("356938035643809");
    return {
        {.name = "identify",
         .type = 73,
         .version = 84,
         .faultAfter = 0,
         .ticks = 60,
         .start =
             [](Rig& r) {
                 r.searching = true;
                 r.search.SearchState = DeviceSearch::ReopenPort;
             },
         .done = [](Rig& r) { return r.search.ModuleCode == 73 && r.search.CanStart(); },
         .stop = [](Rig& r) { r.search.SearchState = DeviceSearch::Stopped; },
         .search = true},
        {.name = "port_search",
         .type = 74,
         .version = 84,
         .faultAfter = 0,
         .ticks = 250,
         .start =
             [](Rig& r) {
                 r.searching = true;
                 r.search.StartAutoSearch();
             },
         .done = [](Rig& r) { return r.search.PortFound && r.search.ModuleCode == 74; },
         .stop = [](Rig& r) { r.search.SearchState = DeviceSearch::Stopped; },
         .search = true},
        {.name = "version",
         .type = 72,
         .version = 77,
         .faultAfter = 0,
         .ticks = 40,
         .start =
             [](Rig& r) {
                 r.engine.Version = 0;
                 r.engine.StartVersionQuery(VersionNotice::None, r.Ender());
             },
         .done = [](Rig& r) { return Done(r) && r.engine.Version == 77; }},
        {.name = "read_bytewise",
         .type = 72,
         .version = 72,
         .faultAfter = 500,
         .ticks = 150,
         .start = StartConfigRead,
         .done =
             [](Rig& r) {
                 // Bytes 254 and 255 answer as the version and type registers.
                 return Done(r) && ImageHolds(r, 0, 254) && ImageHolds(r, 256, 1024 - 256);
             },
         .readsImage = true},
        {.name = "read_blocks",
         .type = 72,
         .version = 84,
         .faultAfter = 3,
         .ticks = 200,
         .start = StartConfigRead,
         .done =
             [](Rig& r) {
                 return Done(r) && ImageHolds(r, 0, 0x600);
             },
         .readsImage = true},
        {.name = "read_blocks_contact_id",
         .type = 74,
         .version = 84,
         .faultAfter = 70,
         .ticks = 200,
         .start = StartConfigRead,
         .done =
             [](Rig& r) {
                 return Done(r) && ImageHolds(r, 0, 0x600) && ImageHolds(r, 0x340000, 128 * 256);
             },
         .readsImage = true},
        {.name = "send_bytewise",
         .type = 72,
         .version = 72,
         .faultAfter = 500,
         .ticks = 150,
         .start = StartConfigSend,
         .done = Done},
        {.name = "send_blocks",
         .type = 74,
         .version = 84,
         .faultAfter = 60,
         .ticks = 200,
         .start = StartConfigSend,
         .done = Done},
        {.name = "send_changed",
         .type = 74,
         .version = 84,
         .faultAfter = 1,
         .ticks = 200,
         .prepare = PrepareChangedSend,
         .start = StartConfigSend,
         .done =
             [](Rig& r) {
                 return Done(r) && r.transfer.LastSend().whole == WholeReason::None &&
                        ImageHolds(r, 0, 0x600) && ImageHolds(r, 0x340000, 128 * 256) &&
                        ImageHolds(r, 0x350000, 5 * 256);
             },
         .failure = FailReason::NotVerified},
        {.name = "clock",
         .type = 72,
         .version = 84,
         .faultAfter = 0,
         .ticks = 80,
         .start = [](Rig& r) { r.transfer.StartClockSync(r.Ender()); },
         .done = Done},
        {.name = "pstn_send",
         .type = 72,
         .version = 84,
         .faultAfter = 1,
         .ticks = 80,
         .start = [](Rig& r) { r.transfer.StartPstnSend(r.Ender()); },
         .done = Done},
        {.name = "log",
         .type = 72,
         .version = 84,
         .faultAfter = 1,
         .ticks = 200,
         .start = [](Rig& r) { r.log.Start(r.Ender()); },
         .done = [](Rig& r) { return Done(r) && r.logHost.rows.size() == kLogRecords; },
         .stop = [](Rig& r) { r.log.Stop(); }},
        {.name = "signal",
         .type = 72,
         .version = 84,
         .faultAfter = 0,
         .ticks = 200,
         .start = [](Rig& r) { r.signal.Start(r.Ender()); },
         .done = [](Rig& r) { return Done(r) && r.signalHost.samples.size() == kSignalSamples; }},
        {.name = "erase",
         .type = 72,
         .version = 84,
         .faultAfter = 1,
         .ticks = 200,
         .start = [](Rig& r) { r.erase.Start(r.Ender()); },
         .done = Done},
        {.name = "status_poll",
         .type = 72,
         .version = 84,
         .faultAfter = 20,
         .ticks = 60,
         .start =
             [](Rig& r) {
                 r.status.Open();
                 r.status.Start();
             },
         .done = [](Rig& r) { return r.statusHost.passes() >= 3; },
         .stop = [](Rig& r) { r.status.Stop(); },
         .continuous = true},
        {.name = "monitor",
         .type = 72,
         .version = 84,
         .faultAfter = 0,
         .ticks = 60,
         .start = [](Rig& r) { r.monitor.Start(); },
         .done = [](Rig& r) { return r.engine.OpState == state::MonitorStream && r.monitorText.size() >= 8; },
         .stop =
             [](Rig& r) {
                 r.monitor.Stop();
                 r.Run([&] { return Idle(r); }, 40);
                 r.engine.Stop();
             },
         .continuous = true},
        {.name = "phonebook_read",
         .type = 72,
         .version = 84,
         .faultAfter = 6,
         .ticks = 300,
         .start = [](Rig& r) { r.modem.StartPhonebookRead(r.Ender()); },
         .done =
             [](Rig& r) {
                 const auto filled = std::count_if(r.modemHost.grid.begin(), r.modemHost.grid.end(),
                                                   [](const auto& row) { return !row[1].isEmpty(); });
                 return Done(r) && filled == kPhonebookEntries;
             }},
        {.name = "phonebook_write",
         .type = 72,
         .version = 84,
         .faultAfter = 3,
         .ticks = 200,
         .start =
             [](Rig& r) {
                 r.modemHost.grid[1] = {"1", "+36301112222", "Anna"};
                 r.modemHost.grid[7] = {"7", "06201234567", "Bea"};
                 r.modem.StartPhonebookWrite(r.Ender());
             },
         .done = Done},
        {.name = "pin",
         .type = 72,
         .version = 84,
         .faultAfter = 2,
         .ticks = 200,
         .start = [](Rig& r) { r.modem.StartPinSwitchOff(QStringLiteral("1234"), r.Ender()); },
         .done = Done,
         .failure = FailReason::PinRefused},
        {.name = "imei",
         .type = 72,
         .version = 84,
         .faultAfter = 1,
         .ticks = 150,
         .start = [](Rig& r) { r.modem.StartImei(r.Ender()); },
         .done =
             [imei](Rig& r) {
                 return Done(r) && std::any_of(r.host.messages.begin(), r.host.messages.end(),
                                               [&](const QString& m) { return m.contains(imei); });
             }},
        {.name = "gsm_info",
         .type = 72,
         .version = 84,
         .faultAfter = 1,
         .ticks = 200,
         .start = [](Rig& r) { r.modem.StartGsmInfo(r.Ender()); },
         .done = [imei](Rig& r) { return Done(r) && r.modemHost.fields[4] == imei; }},
        {.name = "voice",
         .type = 72,
         .version = 84,
         .faultAfter = 0,
         .ticks = 400,
         .start =
             [](Rig& r) {
                 const QString path = r.files.filePath(QStringLiteral("in1.wav"));
                 ASSERT_TRUE(voice::test::WriteBytes(
                     path, voice::test::CanonicalWav(voice::test::Counting(5 * 256))));
                 ASSERT_TRUE(r.voice.Start(k6media::VoiceSlotOf(k6media::VoiceMessage::Input1), path,
                                           r.files.path(), r.Ender()));
             },
         .done =
             [](Rig& r) {
                 std::uint64_t stored = 0;
                 r.sim.withModule([&](sim::ModuleSim& m) { stored = m.memoryWriteBlocks(); });
                 return Done(r) && !r.voiceHost.gaugeVisible && stored >= 5;
             },
         .failure = FailReason::TransferError,
         .stop = [](Rig& r) { r.voice.Abandon(); },
         .writesMemory = true},
        {.name = "processor_query",
         .type = 74,
         .version = 84,
         .faultAfter = 0,
         .ticks = 60,
         .start =
             [](Rig& r) {
                 r.engine.Version = r.version;
                 r.firmware.StartProcessorQuery(r.Ender());
             },
         .done = [](Rig& r) { return Done(r) && r.firmwareHost.downloadEnabled; },
         .stop = [](Rig& r) { r.firmware.Leave(); }},
        {.name = "firmware",
         .type = 74,
         .version = 84,
         .faultAfter = 120,
         .ticks = 250,
         .prepare =
             [](Rig& r) {
                 r.engine.Version = r.version;
                 r.firmware.StartProcessorQuery();
                 // The query waits for the countdown an earlier download left behind.
                 ASSERT_TRUE(r.Run([&] { return Idle(r) && r.firmwareHost.downloadEnabled; }, 400))
                     << "state " << r.engine.OpState << " processor "
                     << r.firmwareHost.processor.toStdString() << " rx " << r.engine.RxCount << " mw "
                     << r.sim.receivedCount();
             },
         .start = [](Rig& r) { ASSERT_TRUE(r.firmware.ConvertAndStart(r.Ender()).ok()); },
         .done = [](Rig& r) { return Done(r) && r.host.firmwareClosed > 0; },
         .failure = FailReason::TransferError,
         .stop = [](Rig& r) { r.firmware.Leave(); },
         .writesMemory = true},
    };
}

// --- Outcomes -----------------------------------------------------------------------------------

enum class Verdict : char {
    Completes = 'C', // the fault is weathered
    Repeats = 'R',   // the command goes out again and again until the user stops it
    Fails = 'F',     // ends with the operation's own failure message
    Lost = 'L',      // ends with "COM port lost"; the port is closed
    Ended = '?',     // ended without a result and without saying why: never expected
};

// The expected outcome of every operation (rows) under every failure mode (columns). The columns
// are named here, in order; a test checks them against the simulator's list of failure modes, so a
// mode added, removed or moved there cannot shift the letters silently.
constexpr std::array<std::string_view, 16> kFaultColumns = {
    "none",         "silent",   "wrong-check", "split",     "extra", "stop-after",  "hang-up", "wrong-sum",
    "no-processor", "drop-ack", "no-ack",      "wrong-ack", "short", "unsolicited", "vanish",  "drop-write",
};
struct Expectation {
    const char* operation;
    const char* outcomes;
};
constexpr Expectation kExpected[] = {
    // clang-format off
    //                           1234567890123456
    {"identify",               "CRRCRRLCCCCCCCLC"},
    {"port_search",            "CRRCRRRCCCCCCCRC"},
    {"version",                "CRRCRRLCCCCCCCLC"},
    {"read_bytewise",          "CRRCRRLCCCCCCCLC"},
    {"read_blocks",            "CRCCRRLRCCCCRCLC"},
    {"read_blocks_contact_id", "CRCCRRLRCCCCRCLC"},
    {"send_bytewise",          "CRRCRRLCCCCCCCLC"},
    {"send_blocks",            "CRRCRRLRCCCCCCLC"},
    {"send_changed",           "CRRCRRLRCCCCRCLF"},
    {"clock",                  "CRRCRRLCCCCCCCLC"},
    {"pstn_send",              "CRRCRRLCCCCCCCLC"},
    {"log",                    "CRCCRRLCCCCCRCLC"},
    {"signal",                 "CRCCRRLRCCCCRCLC"},
    {"erase",                  "CRCCRRLRCCCCCCLC"},
    {"status_poll",            "CRRCRRLCCCCCCCLC"},
    {"monitor",                "CRRCRRLCCCCCCCLC"},
    {"phonebook_read",         "CRRCRRLCCCCCCCLC"},
    {"phonebook_write",        "CRRCRRLCCCCCCCLC"},
    {"pin",                    "CRRCRFLCCCCCCFLC"},
    {"imei",                   "CRRCRRLCCCCCCCLC"},
    {"gsm_info",               "CRRCRRLCCCCCCCLC"},
    {"voice",                  "CRCCCRLFCFFFCCLC"},
    {"processor_query",        "CRRCRRLCRCCCCCLC"},
    {"firmware",               "CRRCRFLFCFFFCFLC"},
    // clang-format on
};

Verdict Expected(const std::string& operation, std::size_t fault) {
    for (const Expectation& e : kExpected)
        if (operation == e.operation && fault < std::strlen(e.outcomes))
            return static_cast<Verdict>(e.outcomes[fault]);
    ADD_FAILURE() << "no expectation for " << operation;
    return Verdict::Ended;
}

struct Pair {
    std::size_t operation;
    std::size_t fault;
    Line line = Line::InProcess;
};

// The pair as test listings show it.
void PrintTo(const Pair& pair, std::ostream* os) {
    *os << Operations()[pair.operation].name << " under " << sim::kFaults[pair.fault].name
        << (pair.line == Line::Pty ? " on the pty" : "");
}

std::size_t OperationIndex(std::string_view name) {
    const auto ops = Operations();
    for (std::size_t o = 0; o < ops.size(); ++o)
        if (ops[o].name == name) return o;
    ADD_FAILURE() << "no operation " << name;
    return 0;
}

std::size_t FaultIndex(std::string_view name) {
    for (std::size_t f = 0; f < sim::kFaults.size(); ++f)
        if (sim::kFaults[f].name == name) return f;
    ADD_FAILURE() << "no failure mode " << name;
    return 0;
}

std::vector<Pair> AllPairs() {
    std::vector<Pair> pairs;
    const std::size_t operations = Operations().size();
    for (std::size_t o = 0; o < operations; ++o)
        for (std::size_t f = 0; f < sim::kFaults.size(); ++f)
            pairs.push_back({o, f});
    return pairs;
}

// The pairs that run on the pseudo-terminal as well: what the serial component and the pty
// transport do themselves (a reply in pieces, a line hung up, an adapter pulled, the search's own
// use of the port, a memory write's acknowledgements).
std::vector<Pair> PtyPairs() {
    std::vector<Pair> pairs;
    for (auto [operation, fault] : {std::pair{"read_blocks", "split"}, std::pair{"send_blocks", "hang-up"},
                                    std::pair{"version", "vanish"}, std::pair{"identify", "wrong-check"},
                                    std::pair{"voice", "none"}})
        pairs.push_back({OperationIndex(operation), FaultIndex(fault), Line::Pty});
    return pairs;
}

std::string PairName(const ::testing::TestParamInfo<Pair>& info) {
    std::string fault(sim::kFaults[info.param.fault].name);
    std::replace(fault.begin(), fault.end(), '-', '_');
    return std::string(Operations()[info.param.operation].name) + "__" + fault;
}

class FaultCampaign : public ::testing::TestWithParam<Pair> {};

// Where the engine stands, for the message of a failed check.
std::string Describe(Rig& r) {
    std::uint64_t stored = 0;
    r.sim.withModule([&](sim::ModuleSim& m) { stored = m.memoryWriteBlocks(); });
    return "state " + std::to_string(r.engine.OpState) + ", countdown " +
           std::to_string(r.engine.TimeoutTicks) + ", panel 3 \"" + r.host.panels[3].toStdString() +
           "\", headline \"" + r.firmwareHost.headline.toStdString() + "\", firmware block " +
           std::to_string(r.firmware.FwBlock) + ", blocks stored " + std::to_string(stored) + ", line " +
           (r.sim.lineClosed() ? "closed" : "open") + (r.sim.healthy() ? "" : ", the rig's line never settled");
}

// How a run ended, judged when it stopped. `writesBefore` and `probedBefore` are the engine's
// writes and the bytes the module had received halfway through the run.
Verdict Judge(Rig& r, const Operation& op, int writesBefore, std::size_t probedBefore) {
    if (op.search) {
        if (op.done(r)) return Verdict::Completes;
        if (r.searchHost.withdrawn > 0) return r.sim.port.IsOpen() ? Verdict::Ended : Verdict::Lost;
        const int s = r.search.SearchState;
        if (s == DeviceSearch::NextPort || s == DeviceSearch::ProbePort || s == DeviceSearch::JudgePort)
            return Verdict::Repeats; // on to the next port, round and round
        // Identifying: the probes must still be going out.
        return r.sim.receivedCount() > probedBefore || r.sim.lineClosed() ? Verdict::Repeats : Verdict::Ended;
    }
    if (r.ended) {
        switch (r.ended->outcome) {
        case k6link::Outcome::Done:
            return op.done(r) ? Verdict::Completes : Verdict::Ended; // done, yet without its result
        case k6link::Outcome::Failed:
            return r.ended->reason == op.failure ? Verdict::Fails : Verdict::Ended;
        case k6link::Outcome::PortLost:
            return r.sim.port.IsOpen() ? Verdict::Ended : Verdict::Lost;
        case k6link::Outcome::Stopped:
            return Verdict::Ended; // nobody stopped it
        }
    }
    if (op.continuous) {
        if (op.done(r)) return Verdict::Completes;
        if (Idle(r) && r.engine.PortGone) return r.sim.port.IsOpen() ? Verdict::Ended : Verdict::Lost;
    }
    // The version query alone outlives a lost port: it waits, sending nothing, for the adapter.
    if (r.engine.PortGone) return r.sim.port.IsOpen() ? Verdict::Ended : Verdict::Lost;
    // Still going: it must still be sending, not stuck waiting for nothing.
    if (!Idle(r)) return r.sim.port.writes > writesBefore ? Verdict::Repeats : Verdict::Ended;
    return Verdict::Ended;
}

TEST_P(FaultCampaign, OperationUnderFault) {
    const Pair pair = GetParam();
    const Operation op = Operations()[pair.operation];
    const sim::FaultInfo& fault = sim::kFaults[pair.fault];
    const Verdict expected = Expected(op.name, pair.fault);
    Watchdog watchdog(std::string(op.name) + " under " + std::string(fault.name));

    Rig r(pair.line);
    r.watchdog = &watchdog;
    r.type = op.type;
    r.version = op.version;
    if (op.writesMemory && pair.line == Line::Pty) r.sim.setTickInterval(kPtyMemoryWriteTick);
    if (op.search) r.sim.setTickPeriod(kSearchTick);
    ASSERT_TRUE(r.PlugIn()) << r.sim.error();
    // The image as the windows left it, different from the module's memory.
    for (std::uint32_t a = 0; a < 0x600; ++a)
        r.engine.ConfigImage.set(a, static_cast<std::uint8_t>(a ^ 0x5A));
    if (op.prepare) op.prepare(r);
    if (HasFatalFailure()) return;
    const k6config::ConfigImage before = r.engine.ConfigImage;

    r.sim.setFault(fault.fault, fault.takesCount ? op.faultAfter : 0);
    op.start(r);
    if (HasFatalFailure()) return;
    // Half the ticks to settle, half to show that a run still going keeps sending.
    const auto settled = [&] {
        return op.done(r) || r.ended || (!op.search && Idle(r)) || (op.search && r.searchHost.withdrawn > 0);
    };
    r.Run(settled, op.ticks);
    const int writesHalfway = r.sim.port.writes;
    const std::size_t probedHalfway = r.sim.receivedCount();
    r.Run(settled, op.ticks);
    const Verdict outcome = Judge(r, op, writesHalfway, probedHalfway);
    std::printf("[ outcome  ] %s %s %c\n", op.name, std::string(fault.name).c_str(),
                static_cast<char>(outcome));
    EXPECT_EQ(static_cast<char>(outcome), static_cast<char>(expected))
        << op.name << " under " << fault.name << " (" << Describe(r) << ")";
    EXPECT_TRUE(r.sim.healthy()) << Describe(r);

    op.stop(r);
    const bool imageMayChange = op.readsImage && outcome == Verdict::Completes;
    if (!imageMayChange) {
        EXPECT_TRUE(r.engine.ConfigImage == before) << "the image was changed";
    }
    if (op.readsImage && outcome != Verdict::Completes) {
        EXPECT_EQ(r.transferHost.decodes, 0) << "the pages were given an incomplete image";
    }

    // The fault clears (a pulled adapter is plugged back in) and the operation runs again, on a
    // fresh rig: nothing the faulty run left in the hosts can make the recovery look complete.
    r.sim.port.Close();
    Rig fresh(pair.line);
    fresh.watchdog = &watchdog;
    fresh.type = op.type;
    fresh.version = op.version;
    if (op.writesMemory && pair.line == Line::Pty) fresh.sim.setTickInterval(kPtyMemoryWriteTick);
    if (op.search) fresh.sim.setTickPeriod(kSearchTick);
    if (r.sim.lineClosed()) {
        ASSERT_TRUE(fresh.PlugIn()) << fresh.sim.error();
    } else {
        r.sim.setFault(sim::Fault::None);
        // A memory write cut off ends after its silence.
        if (op.writesMemory) r.sim.pause(2 * std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  dalvex::test::SimPort::kMemoryWriteSilence));
        ASSERT_TRUE(fresh.sim.takeModule(r.sim)) << fresh.sim.error();
    }
    if (op.prepare) op.prepare(fresh);
    if (HasFatalFailure()) return;
    op.start(fresh);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(fresh.Run([&] { return op.done(fresh); }, 2000))
        << op.name << " did not recover after " << fault.name << " (" << Describe(fresh) << ")";
    EXPECT_TRUE(fresh.sim.healthy()) << Describe(fresh);
    op.stop(fresh);
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, FaultCampaign, ::testing::ValuesIn(AllPairs()), PairName);
INSTANTIATE_TEST_SUITE_P(OverThePty, FaultCampaign, ::testing::ValuesIn(PtyPairs()), PairName);

// The table holds a row for every operation and a column for every failure mode.
TEST(FaultCampaignTable, CoversEveryOperationAndFault) {
    const auto ops = Operations();
    ASSERT_EQ(kFaultColumns.size(), sim::kFaults.size());
    for (std::size_t f = 0; f < sim::kFaults.size(); ++f)
        EXPECT_EQ(kFaultColumns[f], sim::kFaults[f].name) << "column " << f + 1;
    ASSERT_EQ(std::size(kExpected), ops.size());
    for (std::size_t i = 0; i < ops.size(); ++i) {
        EXPECT_STREQ(kExpected[i].operation, ops[i].name);
        EXPECT_EQ(std::strlen(kExpected[i].outcomes), sim::kFaults.size()) << ops[i].name;
    }
}

} // namespace
