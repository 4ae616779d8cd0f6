// The send by what changed (send_plan.h): its states and steps, beside the whole send of
// config_transfer.cpp, whose frames it uses.
//
//   120  block reads before writing: the units asserted but not yet checked, then those never read
//   121  byte-wise: byte reads of the units asserted
//   122  byte writes of the changed bytes, each echoed
//   123  block writes of the changed blocks, each acknowledged by its sum
//   124  the written blocks read back and compared with the image
// then, byte-wise on the line simulator model, the whole banks (102, 104); then the clock (210).

#include "config_transfer.h"
#include "i18n/module_models.h"
#include "k6link/engine_host.h"

#include <algorithm>
#include <array>

namespace dalvex::k6link {

namespace {

constexpr std::int32_t kByteTicks = 5;
constexpr std::int32_t kByteWriteTicks = 15;
constexpr std::int32_t kBlockTicks = 50;

std::uint8_t Lo(std::int32_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}
std::uint8_t Hi(std::int32_t v) {
    return static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

bool ByteReply(const Engine& e, std::span<const std::uint8_t> r) {
    return r[0] == kAckMark && r[2] == Lo(e.MemAddr);
}

bool SumOk(std::span<const std::uint8_t> r) {
    return r.size() == kBlockReadSize && BlockSum(r.first(kBlockSize)) == r[kBlockSize];
}

void SendRead(Engine& e) {
    e.SendFrame(Frame(0, Cmd::BlockRead, Lo(e.BlockIndex), Hi(e.BlockIndex)));
}

std::uint8_t ImageByte(const Engine& e) {
    return e.ConfigImage.at(static_cast<std::uint32_t>(e.MemAddr));
}

} // namespace

void ConfigTransfer::RegisterChangedSend() {
    StateTable& t = e_.States();
    // The unit in hand; a state entered without one (nothing planned) sends nothing and takes no reply.
    const auto inHand = [this] { return at_ < queue_.size(); };
    const auto unit = [this] { return queue_[at_]; };
    // The plan holds while the line does: a port lost or a restart sent after it was made (an
    // adapter missing when the send began opens late, on whatever module is there then) sends
    // the whole configuration instead.
    const auto guard = [this, inHand](SendFn send) {
        return [this, inHand, send](Engine& e) {
            if (!inHand()) return;
            if (e.Events.portLosses != planEvents_.portLosses)
                return GoWhole(WholeReason::PortLost, {}, false);
            if (e.Events.restarts != planEvents_.restarts)
                return GoWhole(WholeReason::ModuleRestarted, {}, false);
            send(e);
        };
    };

    t.add(StateDef(state::CheckBlocks)
              .sends(guard(SendRead))
              .countdown(kBlockTicks)
              .replies(
                  [this, inHand](Engine&, std::span<const std::uint8_t> r) {
                      if (!inHand() || !SumOk(r)) return false;
                      CheckedBlock(r.first(kBlockSize));
                      return true;
                  },
                  ReplyKind::Length, static_cast<int>(kBlockReadSize)));
    t.add(StateDef(state::CheckBytes)
              .sends(guard([](Engine& e) { e.ReadByte(); }))
              .countdown(kByteTicks)
              .replies([this, inHand, unit](Engine& e, std::span<const std::uint8_t> r) {
                  if (!inHand() || !ByteReply(e, r)) return false;
                  if (!known_.Matches(unit(), r.subspan(3, 1))) {
                      GoWhole(WholeReason::NotHeld, unit(), true);
                      return true;
                  }
                  ++report_.checked;
                  UnitDone();
                  return true;
              }));
    t.add(StateDef(state::WriteChangedBytes)
              .sends(guard([](Engine& e) {
                  e.SendFrame(Frame(Hi(e.MemAddr), Cmd::WriteByte, Lo(e.MemAddr), ImageByte(e)));
              }))
              .countdown(kByteWriteTicks)
              .replies([this, inHand](Engine& e, std::span<const std::uint8_t> r) {
                  if (!inHand() || !ByteReply(e, r) || r[3] != ImageByte(e)) return false;
                  ++report_.written;
                  UnitDone();
                  return true;
              }));
    t.add(StateDef(state::WriteChangedBlocks)
              .sends(guard([unit](Engine& e) {
                  const SendUnit u = unit();
                  std::array<std::uint8_t, kBlockSize> block;
                  block.fill(0xFF);
                  const auto bytes = e.ConfigImage.block(u.Address(), kBlockSize);
                  std::copy(bytes.begin(), bytes.end(), block.begin());
                  e.SendBlock(u.WriteP1(), u.WriteP2(), block);
              }))
              .countdown(kBlockTicks)
              .replies(
                  [this, inHand](Engine&, std::span<const std::uint8_t>) {
                      if (!inHand()) return false;
                      ++report_.written;
                      UnitDone();
                      return true;
                  },
                  ReplyKind::BlockAck));
    t.add(StateDef(state::ReadBackBlocks)
              .sends(guard(SendRead))
              .countdown(kBlockTicks)
              .replies(
                  [this, inHand, unit](Engine& e, std::span<const std::uint8_t> r) {
                      if (!inHand() || !SumOk(r)) return false;
                      const SendUnit u = unit();
                      const auto sent = e.ConfigImage.block(u.Address(), u.Length());
                      if (!std::equal(sent.begin(), sent.end(), r.begin())) {
                          ReadBackFailed();
                          return true;
                      }
                      UnitDone();
                      return true;
                  },
                  ReplyKind::Length, static_cast<int>(kBlockReadSize)));
}

SendShape ConfigTransfer::Shape(const SendOptions& options) {
    SendShape s;
    s.bytewise = e_.Version < kBytewiseBelowVersion;
    s.lineSimulator = HasContactIdTables(e_.ModuleType);
    s.contactId = options.contactId.value_or(host_.ContactIdTicked());
    s.companyMark = e_.CompanyMark;
    return s;
}

KnownSince ConfigTransfer::Circumstances(bool contactId) {
    KnownSince k;
    k.moduleType = e_.ModuleType;
    k.version = e_.Version;
    k.port = e_.Host().ReadSetting(QStringLiteral("comport"));
    if (k.port.isEmpty()) k.port = QString::fromLatin1(Engine::kDefaultPort);
    k.contactId = contactId;
    k.events = e_.Events;
    return k;
}

SendPlan ConfigTransfer::Plan(const SendOptions& options) {
    const SendShape shape = Shape(options);
    return PlanSend(e_.ConfigImage, shape, options.setClock, host_.SendChangedOnly(), known_, since_,
                    Circumstances(shape.contactId));
}

void ConfigTransfer::FileOpened() {
    if (since_) since_->fileOpened = true;
}

void ConfigTransfer::AssumeHeld(const k6config::ConfigImage& image, bool contactId) {
    const SendShape shape = Shape(SendOptions{true, contactId});
    known_.Forget();
    // Where a read would have brought something in.
    const auto learn = [&](std::uint32_t address, std::uint32_t length) {
        known_.Learn(address, image.block(address, length));
    };
    if (shape.bytewise) {
        learn(0, kConfigBytes);
    } else {
        learn(0, 16u * kConfigBlockEnd);
        if (shape.lineSimulator && contactId) learn(kContactIdBank << 16, 256u * kContactIdBlocks);
        learn(kBank35 << 16, 256u * kBank35Read);
    }
    since_ = Circumstances(!shape.bytewise && shape.lineSimulator && contactId);
    since_->asserted = true;
}

void ConfigTransfer::EnterPhase(Phase phase, bool atOnce) {
    const bool bytes = plan_.shape.bytewise;
    for (;; phase = static_cast<Phase>(static_cast<int>(phase) + 1)) {
        phase_ = phase;
        at_ = 0;
        queue_.clear();
        std::int32_t next = state::Idle;
        switch (phase) {
        case Phase::Check:
            queue_ = plan_.probe;
            queue_.insert(queue_.end(), plan_.learn.begin(), plan_.learn.end());
            next = bytes ? state::CheckBytes : state::CheckBlocks;
            break;
        case Phase::Write:
            // Blocks learned to differ join the others, all in the whole send's order.
            std::sort(plan_.write.begin(), plan_.write.end(), [](const SendUnit& a, const SendUnit& b) {
                return std::pair(a.kind, a.index) < std::pair(b.kind, b.index);
            });
            queue_ = plan_.write;
            next = bytes ? state::WriteChangedBytes : state::WriteChangedBlocks;
            if (!queue_.empty())
                host_.SetProgress(progress_ + static_cast<int>(queue_.size()) * (bytes ? 1 : 2), progress_);
            break;
        case Phase::ReadBack:
            if (!bytes) queue_ = plan_.write; // byte-wise writes are echoed one by one
            next = state::ReadBackBlocks;
            if (!queue_.empty()) e_.ShowStatus(Texts.ReadingBack);
            break;
        case Phase::Finish:
            if (BankTail(plan_.shape)) {
                AfterBytesWritten(); // the banks go whole, then the clock
            } else if (!setClock_) {
                e_.OpState = e_.NextOpState = state::Idle;
                SendDone();
            } else {
                e_.ShowStatus(Texts.ClockRunning);
                e_.OpState = state::SetClock;
                if (atOnce) e_.SendStep();
            }
            return;
        }
        if (!queue_.empty()) {
            e_.OpState = next;
            PointAt(queue_.front());
            if (atOnce) e_.SendStep();
            return;
        }
    }
}

void ConfigTransfer::PointAt(const SendUnit& unit) {
    e_.BlockIndex = unit.IsBlock() ? unit.ReadNumber() : unit.index;
    e_.MemAddr = unit.IsBlock() ? 0 : unit.index;
    e_.Remaining = static_cast<std::int32_t>(queue_.size() - at_);
}

void ConfigTransfer::UnitDone() {
    if (plan_.shape.bytewise)
        e_.ClearRx();
    else
        e_.RxCount = 0;
    ++progress_;
    BlockStepped();
    if (++at_ < queue_.size()) {
        PointAt(queue_[at_]);
        e_.SendStep();
        return;
    }
    EnterPhase(static_cast<Phase>(static_cast<int>(phase_) + 1), true);
}

void ConfigTransfer::CheckedBlock(std::span<const std::uint8_t> bytes) {
    const SendUnit u = queue_[at_];
    if (at_ < plan_.probe.size()) {
        if (!known_.Matches(u, bytes)) {
            GoWhole(WholeReason::NotHeld, u, true);
            return;
        }
    } else {
        known_.Learn(u.Address(), bytes);
        if (!known_.Matches(u, e_.ConfigImage)) plan_.write.push_back(u);
    }
    ++report_.checked;
    UnitDone();
}

void ConfigTransfer::GoWhole(WholeReason why, std::optional<SendUnit> unit, bool atOnce) {
    report_.whole = why;
    report_.notHeld = unit;
    known_.Forget();
    since_.reset();
    changed_ = false;
    e_.ShowStatus(Texts.Sending);
    host_.SetProgress(SetUpWholeSend(), 0);
    if (atOnce)
        e_.SendStep();
    else
        e_.TimeoutTicks = 0;
}

void ConfigTransfer::ReadBackFailed() {
    // Nothing is known any more of what the module holds: the next send goes whole.
    known_.Forget();
    since_.reset();
    changed_ = false;
    e_.RxCount = 0;
    e_.Fail(FailReason::NotVerified);
    e_.ShowStatus(Texts.ReadBackFailed);
    host_.ShowProgress(false);
    host_.EnableTransferButtons(true);
    Ended(TransferOutcome::Failed, Texts.ReadBackFailed);
    e_.Host().ShowMessage(Texts.ReadBackFailed);
}

} // namespace dalvex::k6link
