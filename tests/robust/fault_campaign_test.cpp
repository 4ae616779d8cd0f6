// Every operation against every failure mode of the simulated module, over a real pseudo-terminal
// with the real serial component and engine. Each pair is a row of one table: the operation
// completes (the fault is weathered), repeats its command without end (until the user stops it),
// ends with its own failure message, or ends because the port has gone. Whatever the outcome:
// the user-interface thread never blocks (a watchdog aborts the test), the configuration image
// is untouched unless a read completed, and once the fault clears (or the adapter is plugged back
// in) the same operation runs to completion.

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
#include "sim/pty_module.h"
#include "startup/device_search.h"
#include "tests/firmware/firmware_fakes.h"
#include "tests/support/firmware_folder.h"
#include "tests/k6link/fakes.h"
#include "tests/support/counting_port.h"
#include "tests/support/wait.h"
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
#include <optional>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>

using namespace dalvex;
using namespace dalvex::k6link;
using dalvex::test::pumpFor;
using dalvex::test::waitFor;

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

// --- Hosts that record what the operations show -------------------------------------------------

struct TransferRecorder final : TransferHost {
    void SetProgress(int, int) override {}
    void StepProgress() override {}
    void ShowProgress(bool visible) override { progressVisible = visible; }
    void EnableTransferButtons(bool enabled) override { buttonsEnabled = enabled; }
    bool ContactIdTicked() override { return true; }
    void EncodeImage() override {}
    void DecodeImage() override { ++decoded; }
    QDateTime Now() override { return QDateTime(QDate(2026, 12, 10), QTime(9, 30, 15)); }

    bool progressVisible = false;
    bool buttonsEnabled = true;
    int decoded = 0;
};

struct LogRecorder final : EventLogHost {
    void ShowLogProgress(bool) override {}
    void SetLogProgress(int) override {}
    void SetLogRows(int firstRow, std::span<const LogRow> r) override {
        rows.resize(static_cast<std::size_t>(std::max(firstRow - 1, 0)));
        rows.insert(rows.end(), r.begin(), r.end());
    }
    std::vector<LogRow> rows;
};

struct SignalRecorder final : SignalHost {
    void ClearSignalChart() override { samples.clear(); }
    void AddSignalSamples(std::span<const SignalSample> s) override {
        samples.insert(samples.end(), s.begin(), s.end());
    }
    std::vector<SignalSample> samples;
};

struct StatusRecorder final : StatusHost {
    void StatusRefreshed(const StatusBytes&) override { ++passes; }
    void TestEndDone() override {}
    int passes = 0;
};

struct ModemRecorder final : ModemHost {
    void ClearPhonebook() override {
        for (auto& row : grid)
            row = {};
    }
    void SetPhonebookRow(int row, const QString& index, const QString& number, const QString& name) override {
        if (row >= 0 && row < static_cast<int>(grid.size()))
            grid[static_cast<std::size_t>(row)] = {index, number, name};
    }
    QString PhonebookNumber(int row) override { return grid.at(static_cast<std::size_t>(row))[1]; }
    QString PhonebookName(int row) override { return grid.at(static_cast<std::size_t>(row))[2]; }
    void SetPhonebookProgress(int, int) override {}
    void StepPhonebookProgress() override {}
    void ShowPhonebookProgress(bool visible) override { progressVisible = visible; }
    void EnablePhonebookRead(bool enabled) override { readEnabled = enabled; }
    void EnablePhonebookWrite(bool enabled) override { writeEnabled = enabled; }
    void SetInfoField(int field, const QString& text) override {
        if (field >= 0 && field < static_cast<int>(fields.size()))
            fields[static_cast<std::size_t>(field)] = text;
    }
    void SetServiceCentreStatus(const QString&) override {}

    std::array<std::array<QString, 3>, ModemOps::kPhonebookRows + 1> grid;
    std::array<QString, 9> fields;
    bool progressVisible = false;
    bool readEnabled = true;
    bool writeEnabled = true;
};

struct VoiceRecorder final : k6media::VoiceUploadHost {
    void ShowGauge(int) override { gaugeVisible = true; }
    void StepGauge() override {}
    void HideGauge() override { gaugeVisible = false; }
    void ClosePlayer(const k6media::VoiceSlot&) override {}
    void ReopenPlayers() override {}
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    bool Ask(const QString&) override { return false; }
    void SetEditText(const k6media::VoiceSlot&, const QString&) override {}
    bool EngineActive() override { return false; }

    bool gaugeVisible = false;
    std::vector<QString> messages;
};

// The start window's side of the search, on a port of its own.
struct SearchRecorder final : SearchHost {
    explicit SearchRecorder(TAsynComm32& comm)
        : comm(comm) {}
    void SetPortName(const std::string& name) override { comm.SetDeviceName(name); }
    void OpenPort() override { comm.Open(); }
    void ClosePort() override { comm.Close(); }
    void WriteFrame(const SixByteFrame& frame) override {
        comm.Write(frame.bytes.data(), static_cast<int>(frame.bytes.size()));
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
    bool PortIsOpen() override { return comm.IsOpen(); }
    bool PortLost() override { return comm.Lost(); }
    void ModuleWithdrawn() override { ++withdrawn; }

    TAsynComm32& comm;
    QString label;
    int withdrawn = 0;
};

// --- The rig: one engine with every operation, and a module that can be unplugged ---------------

constexpr int kLogRecords = 10;
constexpr int kSignalSamples = 100;
constexpr int kPhonebookEntries = 3;
constexpr int kComNumber = 1;
// How long the line must be quiet before the next tick. Short, so that a repeating operation
// shows its repeats quickly; longer than the split fault's gaps where that fault is on, so that
// ticks alone never make a split reply late.
constexpr int kQuietMs = 4;
constexpr int kSplitQuietMs = 8;
// The split fault's pieces come this far apart (shortened, as the ticks are).
constexpr std::chrono::milliseconds kSplitGap{1};
// The module ends a memory write after a second of silence. On the engine's 50 ms ticks that lies
// between the pause before the first block (5 ticks) and the repeat of an unanswered start frame
// (50 ticks) or block (120 ticks). The memory writes here tick every kMemoryWriteQuietMs, so the
// silence sits between 40 and 400 ms, and long enough that a busy machine's pause between two
// blocks does not end a transfer.
constexpr int kMemoryWriteQuietMs = 8;
constexpr std::chrono::milliseconds kMemoryWriteSilence{250};
// The automatic search judges a port at the tick after its probe: the answer gets this long.
constexpr int kJudgeWaitMs = 50;

struct Rig {
    QTemporaryDir ports;
    QTemporaryDir files;
    std::unique_ptr<sim::PtyModule> module;
    std::uint8_t type = 72;
    std::uint8_t version = 84;

    TAsynComm32 comm;
    k6link::AsynCommPort commPort{comm};
    dalvex::test::CountingPort port{commPort};
    k6link::test::FakeHost host;
    Engine engine{port, host};
    TransferRecorder transferHost;
    ConfigTransfer transfer{engine, transferHost};
    LogRecorder logHost;
    EventLog log{engine, logHost};
    SignalRecorder signalHost;
    SignalMemory signal{engine, signalHost};
    HistoryErase erase{engine};
    StatusRecorder statusHost;
    StatusPoll status{engine, statusHost};
    ModemMode modemMode{engine};
    ModemRecorder modemHost;
    ModemOps modem{engine, modemMode, modemHost};
    MonitorMode monitor{engine};
    MemoryWrite memoryWrite{engine};
    VoiceRecorder voiceHost;
    k6media::VoiceUpload voice{engine, memoryWrite, voiceHost};
    dalvex::test::FirmwareFolder firmwareImages;
    k6media::FirmwareData firmwareData{QStringList{firmwareImages.addGoodImages().path()}};
    k6media::test::FakeFirmwareHost firmwareHost;
    k6media::FirmwareDownload firmware{engine, memoryWrite, firmwareData, firmwareHost};

    TAsynComm32 searchComm;
    SearchRecorder searchHost{searchComm};
    DeviceSearch search{searchHost, ModelNames{}};
    bool searching = false; // the operation under test is the start window's
    std::size_t searchBytesIn = 0;

    std::shared_ptr<SerialTrace> trace;
    QByteArray monitorText;
    // How the operation under test ended, as its starter is told.
    std::optional<OperationEnd> ended;
    EndFn Ender() {
        ended.reset();
        return [this](const OperationEnd& e) { ended = e; };
    }
    int quietMs = kQuietMs;
    Watchdog* watchdog = nullptr;

    Rig() {
        // DALVEX_CAMPAIGN_TRACE=file records the engine's traffic, for looking into a failed pair.
        if (const char* t = std::getenv("DALVEX_CAMPAIGN_TRACE")) {
            trace = std::make_shared<SerialTrace>();
            trace->Start(t);
            comm.SetTrace(trace);
        }
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        comm.OnRxChar = [this](TCustomAsynComm32*, int count) { engine.AsynComm321RxChar(count); };
        searchComm.OnRxChar = [this](TCustomAsynComm32*, int count) {
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(count, 0)));
            bytes.resize(static_cast<std::size_t>(std::max(searchComm.Read(bytes.data(), count), 0)));
            searchBytesIn += bytes.size();
            search.ReceiveBytes(bytes);
        };
        monitor.OnText = [this](std::span<const std::uint8_t> text) {
            monitorText.append(reinterpret_cast<const char*>(text.data()),
                               static_cast<qsizetype>(text.size()));
        };
    }
    ~Rig() {
        comm.Close();
        searchComm.Close();
        if (module) module->stop();
        unsetenv("DALVEX_PORTS");
    }

    // A module plugged in on COM1, with a history, a phonebook and its memory filled with a
    // pattern, so that a read that completes is told from one that did not.
    bool PlugIn() {
        if (module) module->stop();
        module = std::make_unique<sim::PtyModule>();
        module->setMemoryWriteSilence(kMemoryWriteSilence);
        module->setSplitGap(kSplitGap);
        module->withModule([&](sim::ModuleSim& m) {
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
        return module->start() && module->linkAs(ports.path().toStdString(), kComNumber);
    }

    void SetQuiet(int ms) { quietMs = ms; }

    // One tick of whichever timer drives the operation.
    void Tick() {
        if (searching)
            search.SendTick();
        else
            engine.tick();
    }

    // Bytes that have crossed the line either way.
    std::size_t Traffic() const { return module->receivedCount() + port.received.size() + searchBytesIn; }

    // Ticks whenever the line has been quiet both ways for quietMs, until `stop` holds or `ticks`
    // ticks have gone by.
    bool Run(const std::function<bool()>& stop, int ticks) {
        std::size_t seen = Traffic();
        for (int t = 0; t < ticks;) {
            if (watchdog) watchdog->Beat();
            // A line that has hung up takes its device node with it: the name must not reach
            // a pseudo-terminal another test has been given meanwhile.
            if (module->lineClosed()) QFile::remove(ports.filePath(QStringLiteral("com%1").arg(kComNumber)));
            if (stop()) return true;
            const bool judging =
                searching && search.SearchState == DeviceSearch::JudgePort && searchComm.IsOpen();
            waitFor(stop, judging ? kJudgeWaitMs : quietMs);
            const std::size_t now = Traffic();
            if (now != seen) {
                seen = now;
                continue;
            }
            Tick();
            ++t;
        }
        return stop();
    }
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
    r.module->withModule([&](sim::ModuleSim& m) {
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
         .done = [](Rig& r) { return r.statusHost.passes >= 3; },
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
                 ASSERT_TRUE(r.voice.Start(*k6media::FindVoiceSlot(QStringLiteral("Edit9")), path, r.files.path(),
                                           r.Ender()));
             },
         .done =
             [](Rig& r) {
                 std::uint64_t stored = 0;
                 r.module->withModule([&](sim::ModuleSim& m) { stored = m.memoryWriteBlocks(); });
                 return Done(r) && !r.voiceHost.gaugeVisible && stored >= 5;
             },
         .failure = FailReason::TransferError,
         .stop = [](Rig& r) { r.voice.TabSheet22Exit(); },
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
                     << r.module->receivedCount();
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
constexpr std::array<std::string_view, 15> kFaultColumns = {
    "none",      "silent",  "wrong-check", "split", "extra",     "stop-after",  "hang-up", "wrong-sum",
    "no-processor", "drop-ack", "no-ack", "wrong-ack", "short", "unsolicited", "vanish",
};
struct Expectation {
    const char* operation;
    const char* outcomes;
};
constexpr Expectation kExpected[] = {
    // clang-format off
    //                           123456789012345
    {"identify",               "CRRCRRLCCCCCCCL"},
    {"port_search",            "CRRCRRRCCCCCCCR"},
    {"version",                "CRRCRRLCCCCCCCL"},
    {"read_bytewise",          "CRRCRRLCCCCCCCL"},
    {"read_blocks",            "CRCCRRLRCCCCRCL"},
    {"read_blocks_contact_id", "CRCCRRLRCCCCRCL"},
    {"send_bytewise",          "CRRCRRLCCCCCCCL"},
    {"send_blocks",            "CRRCRRLRCCCCCCL"},
    {"clock",                  "CRRCRRLCCCCCCCL"},
    {"pstn_send",              "CRRCRRLCCCCCCCL"},
    {"log",                    "CRCCRRLCCCCCRCL"},
    {"signal",                 "CRCCRRLRCCCCRCL"},
    {"erase",                  "CRCCRRLRCCCCCCL"},
    {"status_poll",            "CRRCRRLCCCCCCCL"},
    {"monitor",                "CRRCRRLCCCCCCCL"},
    {"phonebook_read",         "CRRCRRLCCCCCCCL"},
    {"phonebook_write",        "CRRCRRLCCCCCCCL"},
    {"pin",                    "CRRCRFLCCCCCCFL"},
    {"imei",                   "CRRCRRLCCCCCCCL"},
    {"gsm_info",               "CRRCRRLCCCCCCCL"},
    {"voice",                  "CRCCCRLFCFFFCCL"},
    {"processor_query",        "CRRCRRLCRCCCCCL"},
    {"firmware",               "CRRCRFLFCFFFCFL"},
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
};

// The pair as test listings show it.
void PrintTo(const Pair& pair, std::ostream* os) {
    *os << Operations()[pair.operation].name << " under " << sim::kFaults[pair.fault].name;
}

std::vector<Pair> AllPairs() {
    std::vector<Pair> pairs;
    const std::size_t operations = Operations().size();
    for (std::size_t o = 0; o < operations; ++o)
        for (std::size_t f = 0; f < sim::kFaults.size(); ++f)
            pairs.push_back({o, f});
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
    r.module->withModule([&](sim::ModuleSim& m) { stored = m.memoryWriteBlocks(); });
    return "state " + std::to_string(r.engine.OpState) + ", countdown " +
           std::to_string(r.engine.TimeoutTicks) + ", panel 3 \"" + r.host.panels[3].toStdString() +
           "\", headline \"" + r.firmwareHost.headline.toStdString() + "\", firmware block " +
           std::to_string(r.firmware.FwBlock) + ", blocks stored " + std::to_string(stored) + ", line " +
           (r.module->lineClosed() ? "closed" : "open");
}

// How a run ended, judged when it stopped. `writesBefore` and `probedBefore` are the engine's
// writes and the bytes the module had received halfway through the run.
Verdict Judge(Rig& r, const Operation& op, int writesBefore, std::size_t probedBefore) {
    if (op.search) {
        if (op.done(r)) return Verdict::Completes;
        if (r.searchHost.withdrawn > 0) return r.searchComm.IsOpen() ? Verdict::Ended : Verdict::Lost;
        const int s = r.search.SearchState;
        if (s == DeviceSearch::NextPort || s == DeviceSearch::ProbePort || s == DeviceSearch::JudgePort)
            return Verdict::Repeats; // on to the next port, round and round
        // Identifying: the probes must still be going out.
        return r.module->receivedCount() > probedBefore || r.module->lineClosed() ? Verdict::Repeats
                                                                                  : Verdict::Ended;
    }
    if (r.ended) {
        switch (r.ended->outcome) {
        case k6link::Outcome::Done:
            return op.done(r) ? Verdict::Completes : Verdict::Ended; // done, yet without its result
        case k6link::Outcome::Failed:
            return r.ended->reason == op.failure ? Verdict::Fails : Verdict::Ended;
        case k6link::Outcome::PortLost:
            return r.comm.IsOpen() ? Verdict::Ended : Verdict::Lost;
        case k6link::Outcome::Stopped:
            return Verdict::Ended; // nobody stopped it
        }
    }
    if (op.continuous) {
        if (op.done(r)) return Verdict::Completes;
        if (Idle(r) && r.engine.PortGone) return r.comm.IsOpen() ? Verdict::Ended : Verdict::Lost;
    }
    // The version query alone outlives a lost port: it waits, sending nothing, for the adapter.
    if (r.engine.PortGone) return r.comm.IsOpen() ? Verdict::Ended : Verdict::Lost;
    // Still going: it must still be sending, not stuck waiting for nothing.
    if (!Idle(r)) return r.port.writes > writesBefore ? Verdict::Repeats : Verdict::Ended;
    return Verdict::Ended;
}

TEST_P(FaultCampaign, OperationUnderFault) {
    const Pair pair = GetParam();
    const Operation op = Operations()[pair.operation];
    const sim::FaultInfo& fault = sim::kFaults[pair.fault];
    const Verdict expected = Expected(op.name, pair.fault);
    Watchdog watchdog(std::string(op.name) + " under " + std::string(fault.name));

    Rig r;
    r.watchdog = &watchdog;
    r.type = op.type;
    r.version = op.version;
    ASSERT_TRUE(r.PlugIn()) << r.module->error();
    // The image as the windows left it, different from the module's memory.
    for (std::uint32_t a = 0; a < 0x600; ++a)
        r.engine.ConfigImage.set(a, static_cast<std::uint8_t>(a ^ 0x5A));
    if (op.prepare) op.prepare(r);
    if (HasFatalFailure()) return;
    const k6config::ConfigImage before = r.engine.ConfigImage;

    const int quiet = op.writesMemory ? kMemoryWriteQuietMs : kQuietMs;
    r.SetQuiet(fault.fault == sim::Fault::Split ? quiet + kSplitQuietMs - kQuietMs : quiet);
    r.module->setFault(fault.fault, fault.takesCount ? op.faultAfter : 0);
    op.start(r);
    if (HasFatalFailure()) return;
    // Half the ticks to settle, half to show that a run still going keeps sending.
    const auto settled = [&] {
        return op.done(r) || r.ended || (!op.search && Idle(r)) || (op.search && r.searchHost.withdrawn > 0);
    };
    r.Run(settled, op.ticks);
    const int writesHalfway = r.port.writes;
    const std::size_t probedHalfway = r.module->receivedCount();
    r.Run(settled, op.ticks);
    const Verdict outcome = Judge(r, op, writesHalfway, probedHalfway);
    std::printf("[ outcome  ] %s %s %c\n", op.name, std::string(fault.name).c_str(),
                static_cast<char>(outcome));
    EXPECT_EQ(static_cast<char>(outcome), static_cast<char>(expected))
        << op.name << " under " << fault.name << " (" << Describe(r) << ")";

    op.stop(r);
    const bool imageMayChange = op.readsImage && outcome == Verdict::Completes;
    if (!imageMayChange) {
        EXPECT_TRUE(r.engine.ConfigImage == before) << "the image was changed";
    }
    if (op.readsImage && outcome != Verdict::Completes) {
        EXPECT_EQ(r.transferHost.decoded, 0) << "the pages were given an incomplete image";
    }

    // The fault clears (a pulled adapter is plugged back in) and the operation runs again, on a
    // fresh rig: nothing the faulty run left in the hosts can make the recovery look complete.
    r.comm.Close();
    r.searchComm.Close();
    Rig fresh;
    fresh.watchdog = &watchdog;
    fresh.type = op.type;
    fresh.version = op.version;
    if (r.module->lineClosed()) {
        ASSERT_TRUE(fresh.PlugIn()) << fresh.module->error();
    } else {
        r.module->setFault(sim::Fault::None);
        // A memory write cut off ends after its silence.
        if (op.writesMemory) pumpFor(2 * static_cast<int>(kMemoryWriteSilence.count()));
        fresh.module = std::move(r.module);
        ASSERT_TRUE(fresh.module->linkAs(fresh.ports.path().toStdString(), kComNumber)) << fresh.module->error();
    }
    fresh.SetQuiet(quiet);
    if (op.prepare) op.prepare(fresh);
    if (HasFatalFailure()) return;
    op.start(fresh);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(fresh.Run([&] { return op.done(fresh); }, 2000))
        << op.name << " did not recover after " << fault.name << " (" << Describe(fresh) << ")";
    op.stop(fresh);
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, FaultCampaign, ::testing::ValuesIn(AllPairs()), PairName);

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
