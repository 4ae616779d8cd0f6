#include "tests/support/sim_port.h"

#include <algorithm>
#include <cctype>
#include <span>

namespace dalvex::test {

SimPort::SimPort()
    : splitGapNs_(std::chrono::nanoseconds(sim::kSplitGap).count())
    , silenceNs_(std::chrono::nanoseconds(kMemoryWriteSilence).count()) {
    plugIn();
}

SimPort::~SimPort() = default;

void SimPort::plugIn(std::unique_ptr<sim::ModuleSim> module) {
    module_ = module ? std::move(module) : std::make_unique<sim::ModuleSim>();
    shaper_.set(sim::Fault::None, 0, *module_);
    lineClosed_ = false;
    vanished_ = false;
    lastInputNs_ = nowNs_;
}

std::unique_ptr<sim::ModuleSim> SimPort::unplug() {
    closeLine(true);
    auto m = std::move(module_);
    module_ = std::make_unique<sim::ModuleSim>(); // module() stays valid; the line stays closed
    return m;
}

void SimPort::setFault(sim::Fault fault, int n) {
    shaper_.set(fault, n, *module_);
}

void SimPort::closeLine(bool vanish) {
    if (lineClosed_) return;
    lineClosed_ = true;
    vanished_ = vanish;
    pieces_.clear();
    if (open_) lost_ = true;
}

void SimPort::purge() {
    waiting_.clear();
    pieces_.clear();
    lineFreeNs_ = nowNs_;
}

namespace {

// "\\.\com3:" -> "COM3"
std::string PlainPortName(std::string name) {
    if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
    if (!name.empty() && name.back() == ':') name.pop_back();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

} // namespace

void SimPort::Open() {
    purge();
    lost_ = false;
    open_ = !lineClosed_ && PlainPortName(deviceName_) == PlainPortName(portName_);
}

void SimPort::Close() {
    purge();
    open_ = false;
    lost_ = false;
}

int SimPort::Write(const void* buffer, int count) {
    // As the serial component: nothing goes out on a port that is closed or whose device has gone.
    if (!open_ || lost_ || count < 0) return 1;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const std::span<const std::uint8_t> chunk(bytes, static_cast<std::size_t>(count));
    received_.insert(received_.end(), chunk.begin(), chunk.end());
    lastInputNs_ = nowNs_;
    std::vector<sim::Outgoing> outgoing;
    module_->feed(chunk, [&](const sim::Reply& r) { outgoing.push_back(shaper_.shape(r, *module_)); });
    for (const sim::Outgoing& out : outgoing) {
        take(out);
        // The pty transport stops at a hang-up: nothing after it leaves.
        if (lineClosed_) break;
    }
    return count;
}

int SimPort::Read(void* buffer, int count) {
    if (!open_ || count <= 0) return 0;
    const int n = std::min<int>(count, static_cast<int>(waiting_.size()));
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (int i = 0; i < n; ++i) {
        out[i] = waiting_.front();
        waiting_.pop_front();
    }
    return n;
}

void SimPort::take(const sim::Outgoing& out) {
    switch (out.action) {
    case sim::Outgoing::Action::Drop:
        return;
    case sim::Outgoing::Action::HangUp:
        closeLine(false);
        return;
    case sim::Outgoing::Action::Vanish:
        closeLine(true);
        return;
    case sim::Outgoing::Action::Write:
        break;
    }
    // Bytes sent while the port is closed are purged by its next open.
    if (!open_ || lineClosed_) return;
    // One reply after the other: a split reply holds back what follows it.
    Ns due = std::max(nowNs_, lineFreeNs_);
    for (std::size_t p = 0; p < out.pieces.size(); ++p) {
        if (p > 0) due += splitGapNs_;
        pieces_.push_back({due, out.pieces[p]});
    }
    lineFreeNs_ = due;
}

void SimPort::tickModule() {
    nextModuleTickNs_ += std::chrono::nanoseconds(kModuleTickPeriod).count();
    if (lineClosed_) return;
    std::vector<std::uint8_t> bytes = module_->tick(nowNs_);
    if (bytes.empty()) return;
    const sim::Reply r{std::move(bytes), sim::ReplyKind::Raw, module_->exchanges()};
    take(shaper_.shape(r, *module_));
}

void SimPort::settle() {
    if (delivering_ || runaway_) return;
    delivering_ = true;
    int events = 0;
    while (!pieces_.empty() && pieces_.front().due <= nowNs_) {
        if (++events > kRunawayEvents) {
            runaway_ = true;
            break;
        }
        Piece piece = std::move(pieces_.front());
        pieces_.pop_front();
        waiting_.insert(waiting_.end(), piece.bytes.begin(), piece.bytes.end());
        if (onReceived) onReceived(static_cast<int>(waiting_.size()));
    }
    delivering_ = false;
}

void SimPort::advanceTo(Ns t) {
    settle();
    for (;;) {
        Ns next = nextModuleTickNs_;
        if (!pieces_.empty()) next = std::min(next, pieces_.front().due);
        const bool awaitingWrite = !lineClosed_ && module_->awaitingMemoryWrite();
        if (awaitingWrite) next = std::min(next, lastInputNs_ + silenceNs_);
        if (next > t || runaway_) break;
        nowNs_ = std::max(nowNs_, next);
        if (awaitingWrite && nowNs_ >= lastInputNs_ + silenceNs_) module_->endMemoryWrite();
        if (nowNs_ >= nextModuleTickNs_) tickModule();
        settle();
    }
    nowNs_ = std::max(nowNs_, t);
    settle();
}

} // namespace dalvex::test
