#include "tests/support/sim_rig.h"

#include "k6link/port.h"
#include "serial/async32.h"
#include "sim/pty_module.h"
#include "tests/support/pty_quiet.h"
#include "tests/support/wait.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace dalvex::test {

struct SimRig::PtyLine {
    QTemporaryDir ports;
    std::unique_ptr<sim::PtyModule> module = std::make_unique<sim::PtyModule>();
    TAsynComm32 comm;
    k6link::AsynCommPort port{comm};
    std::chrono::milliseconds silence{0}; // 0: the module's own
    std::chrono::milliseconds splitGap{sim::kSplitGap};
};

k6link::Port& SimRig::LinePort() {
    if (sim_) return *sim_;
    return pty_->port;
}

SimRig::SimRig(Line line, int comNumber)
    : sim_(line == Line::InProcess ? std::make_unique<SimPort>() : nullptr)
    , pty_(line == Line::Pty ? std::make_unique<PtyLine>() : nullptr)
    , comNumber_(comNumber) {
    if (sim_) {
        sim_->setPortName("COM" + std::to_string(comNumber));
        sim_->onReceived = [this](int count) {
            if (receiver) receiver(count);
        };
    } else {
        setenv("DALVEX_PORTS", pty_->ports.path().toLocal8Bit().constData(), 1);
        pty_->comm.OnRxChar = [this](TCustomAsynComm32*, int count) {
            if (receiver) receiver(count);
        };
    }
    receiver = [this](int count) { engine.AsynComm321RxChar(count); };
    ticker = [this] { engine.tick(); };
    plugIn();
}

SimRig::~SimRig() {
    if (pty_) {
        pty_->comm.Close();
        pty_->module->stop();
        unsetenv("DALVEX_PORTS");
    }
}

// --- The module -------------------------------------------------------------------------------------

bool SimRig::plugIn(const std::function<void(sim::ModuleSim&)>& setup) {
    if (sim_) {
        sim_->plugIn();
        if (setup) setup(sim_->module());
        return true;
    }
    pty_->module->stop();
    pty_->module = std::make_unique<sim::PtyModule>();
    sim::PtyModule& m = *pty_->module;
    if (pty_->silence.count() > 0) m.setMemoryWriteSilence(pty_->silence);
    m.setSplitGap(pty_->splitGap);
    if (setup) m.withModule(setup);
    return m.start() && m.linkAs(portsPath(), comNumber_);
}

bool SimRig::takeModule(SimRig& other) {
    if (sim_ && other.sim_) {
        sim_->plugIn(other.sim_->unplug());
        return true;
    }
    if (!pty_ || !other.pty_) return false;
    pty_->module->stop();
    pty_->module = std::move(other.pty_->module);
    other.pty_->module = std::make_unique<sim::PtyModule>();
    pty_->module->setFault(sim::Fault::None);
    return pty_->module->linkAs(portsPath(), comNumber_);
}

void SimRig::withModule(const std::function<void(sim::ModuleSim&)>& fn) {
    if (sim_)
        fn(sim_->module());
    else
        pty_->module->withModule(fn);
}

void SimRig::setFault(sim::Fault fault, int n) {
    if (sim_)
        sim_->setFault(fault, n);
    else
        pty_->module->setFault(fault, n);
}

void SimRig::hangUp() {
    if (sim_)
        sim_->hangUp();
    else
        pty_->module->hangUp();
}

void SimRig::vanish() {
    if (sim_)
        sim_->vanish();
    else
        pty_->module->vanish();
}

bool SimRig::lineClosed() const {
    return sim_ ? sim_->lineClosed() : pty_->module->lineClosed();
}

std::vector<std::uint8_t> SimRig::receivedBytes() const {
    return sim_ ? sim_->receivedBytes() : pty_->module->receivedBytes();
}

std::size_t SimRig::receivedCount() const {
    return sim_ ? sim_->receivedBytes().size() : pty_->module->receivedCount();
}

std::string SimRig::error() const {
    return sim_ ? std::string() : pty_->module->error();
}

void SimRig::setMemoryWriteSilence(std::chrono::milliseconds silence) {
    if (sim_) {
        sim_->setMemoryWriteSilence(silence);
        return;
    }
    pty_->silence = silence;
    pty_->module->setMemoryWriteSilence(silence);
}

void SimRig::setSplitGap(std::chrono::milliseconds gap) {
    if (sim_) {
        sim_->setSplitGap(gap);
        return;
    }
    pty_->splitGap = gap;
    pty_->module->setSplitGap(gap);
}

sim::PtyModule* SimRig::ptyModule() {
    return pty_ ? pty_->module.get() : nullptr;
}

TAsynComm32* SimRig::comm() {
    return pty_ ? &pty_->comm : nullptr;
}

std::string SimRig::portsPath() const {
    return pty_ ? pty_->ports.path().toStdString() : std::string();
}

// --- Time -------------------------------------------------------------------------------------------

void SimRig::settle() {
    if (sim_) {
        sim_->settle();
        if (sim_->runaway()) healthy_ = false;
        return;
    }
    // A line that never became quiet once is a fault of the test's rig: the test fails on
    // healthy(); meanwhile it goes on without waiting the limit at every step.
    if (!healthy_) {
        pumpFor(5);
        return;
    }
    if (!SettlePtyLine(*pty_->module, {&pty_->comm})) healthy_ = false;
}

void SimRig::tick() {
    settle();
    // A line that has hung up takes its device node with it: the name must not reach a
    // pseudo-terminal another test has been given meanwhile.
    if (pty_ && pty_->module->lineClosed()) {
        namespace fs = std::filesystem;
        const fs::path link = fs::path(portsPath()) / ("com" + std::to_string(comNumber_));
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(link, ec)) &&
            fs::read_symlink(link, ec) == fs::path(pty_->module->slavePath()))
            fs::remove(link, ec);
    }
    if (sim_) {
        sim_->advance(tickPeriod_);
    } else if (tickInterval_.count() > 0) {
        const auto due = lastTick_ + tickInterval_;
        while (std::chrono::steady_clock::now() < due) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            settle();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        lastTick_ = std::chrono::steady_clock::now();
    }
    if (ticker) ticker();
    settle();
}

void SimRig::ticks(int n) {
    for (int i = 0; i < n; ++i)
        tick();
}

void SimRig::pause(std::chrono::milliseconds d) {
    if (sim_) {
        sim_->advance(d);
        return;
    }
    pumpFor(static_cast<int>(d.count()));
    settle();
}

bool SimRig::run(const std::function<bool()>& stop, int maxTicks) {
    settle();
    for (int t = 0; t < maxTicks && healthy_; ++t) {
        if (stop()) return true;
        tick();
    }
    return stop();
}

bool SimRig::runToIdle(int maxTicks) {
    return run([this] { return engine.OpState == 0; }, maxTicks);
}

bool SimRig::settledTo(const std::function<bool()>& pred, int timeoutMs) {
    settle();
    if (sim_) return pred();
    return waitFor(
        [&] {
            settle();
            return pred();
        },
        timeoutMs);
}

} // namespace dalvex::test
