#include "config_transfer.h"

#include "i18n/module_models.h"

#include "k6link/engine_host.h"

#include <array>

namespace dalvex::k6link {

namespace {

constexpr std::int32_t kByteReadTicks = 5;
constexpr std::int32_t kByteWriteTicks = 15;
constexpr std::int32_t kClockTicks = 20;
constexpr std::int32_t kBlockTicks = 50;
constexpr int kBlockProgressMaximum = 10;
constexpr int kContactIdProgressMaximum = 131;
constexpr int kContactIdProgressStart = 3;

std::uint8_t Lo(std::int32_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}
std::uint8_t Hi(std::int32_t v) {
    return static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// A byte reply to the byte command at MemAddr.
bool IsByteReply(const Engine& e, std::span<const std::uint8_t> r) {
    return r[0] == kAckMark && r[2] == Lo(e.MemAddr);
}

// The 256 data bytes of a block read reply, when their sum matches.
bool BlockSumOk(std::span<const std::uint8_t> r) {
    return r.size() == kBlockReadSize && BlockSum(r.first(kBlockSize)) == r[kBlockSize];
}

void SendImageBlock(Engine& e, std::uint8_t p1, std::uint8_t p2, std::uint32_t address) {
    std::array<std::uint8_t, kBlockSize> block;
    const auto span = e.ConfigImage.block(address, kBlockSize);
    for (std::size_t i = 0; i < kBlockSize; ++i)
        block[i] = i < span.size() ? span[i] : 0xFF;
    e.SendBlock(p1, p2, block);
}

void SendBlockRead(Engine& e) {
    e.SendFrame(Frame(0, Cmd::BlockRead, Lo(e.BlockIndex), Hi(e.BlockIndex)));
}

std::uint32_t BankAddress(std::int32_t bank, std::int32_t block) {
    return static_cast<std::uint32_t>(bank) * 0x10000u + 256u * static_cast<std::uint32_t>(block);
}

} // namespace

ConfigTransfer::ConfigTransfer(Engine& engine, TransferHost& host)
    : e_(engine)
    , host_(host) {
    Register();
    RegisterChangedSend();
    e_.AddAbandonHandler([this](std::int32_t s, std::int32_t) {
        if (IsTransferState(s)) Abandoned();
    });
}

bool ConfigTransfer::IsTransferState(std::int32_t s) {
    using namespace state;
    for (std::int32_t t : {ReadBytes, WriteBytes, WriteContactId, WriteBank35, ReadBlocks, WriteBlocks,
                           ReadContactId, ReadBank35, SetClock, CheckBlocks, CheckBytes, WriteChangedBytes,
                           WriteChangedBlocks, ReadBackBlocks})
        if (s == t) return true;
    return false;
}

void ConfigTransfer::Stage(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    if (!staged_.empty() && staged_.back().first + staged_.back().second.size() == address) {
        staged_.back().second.insert(staged_.back().second.end(), bytes.begin(), bytes.end());
        return;
    }
    staged_.emplace_back(address, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void ConfigTransfer::CommitStaged() {
    for (const auto& [address, bytes] : staged_)
        for (std::size_t i = 0; i < bytes.size(); ++i)
            e_.ConfigImage.set(address + static_cast<std::uint32_t>(i), bytes[i]);
    staged_.clear();
}

void ConfigTransfer::Abandoned() {
    staged_.clear();
    ClockOnly = false;
    PartialWrite = false;
    host_.ShowProgress(false);
    host_.EnableTransferButtons(true);
    // The engine has put its port-lost text in the status panel just before.
    Ended(TransferOutcome::PortLost, e_.Texts.PortLost);
}

int ConfigTransfer::ReadUnits(std::optional<bool> contactId) {
    if (e_.Version < kBytewiseBelowVersion) return kConfigBytes;
    const int configBlocks = kConfigBlockEnd / 16;
    const bool bank = HasContactIdTables(e_.ModuleType) && contactId.value_or(host_.ContactIdTicked());
    return configBlocks + (bank ? kContactIdBlocks : 0) + kBank35Read;
}

void ConfigTransfer::Stopped(const QString& text) {
    staged_.clear();
    ClockOnly = false;
    PartialWrite = false;
    host_.ShowProgress(false);
    host_.EnableTransferButtons(true);
    e_.ShowStatus(text);
    Ended(TransferOutcome::Stopped, text);
}

void ConfigTransfer::Ended(TransferOutcome outcome, const QString& text) {
    if (OnEnded) OnEnded(TransferEnd{kind_, outcome, text});
}

QByteArray ConfigTransfer::ClockDigits(const QDateTime& when) {
    return (when.toString(QStringLiteral("yyMMdd")) + when.toString(QStringLiteral("HHmmss"))).toLatin1();
}

void ConfigTransfer::Register() {
    StateTable& t = e_.States();

    // Byte-wise read.
    t.add(StateDef(state::ReadBytes)
              .sends([](Engine& e) { e.ReadByte(); })
              .countdown(kByteReadTicks)
              .replies([this](Engine& e, std::span<const std::uint8_t> r) {
                  if (!IsByteReply(e, r)) return false;
                  Stage(static_cast<std::uint32_t>(e.BlockIndex), r.subspan(3, 1));
                  ++e.BlockIndex, --e.Remaining, ++e.MemAddr;
                  e.ClearRx();
                  BlockStepped();
                  if (e.Remaining > 0) {
                      e.SendStep();
                  } else {
                      e.OpState = e.NextOpState;
                      FinishRead();
                  }
                  return true;
              }));

    // Byte-wise write: the module echoes the value written.
    t.add(StateDef(state::WriteBytes)
              .sends([this](Engine& e) {
                  if (e.Remaining <= 0) { // the last bytes were ones that are never sent
                      AfterBytesWritten();
                      return;
                  }
                  e.TimeoutTicks = kByteWriteTicks;
                  e.WriteByte();
              })
              .countdown(kByteWriteTicks)
              .replies([this](Engine& e, std::span<const std::uint8_t> r) {
                  if (!IsByteReply(e, r) ||
                      r[3] != e.ConfigImage.at(static_cast<std::uint32_t>(e.BlockIndex)))
                      return false;
                  ++e.BlockIndex, --e.Remaining, ++e.MemAddr;
                  e.ClearRx();
                  BlockStepped();
                  if (e.Remaining > 0)
                      e.SendStep();
                  else
                      AfterBytesWritten();
                  return true;
              }));

    // Block reads: the configuration (16-byte numbering), the Contact ID bank, bank 0x35.
    t.add(StateDef(state::ReadBlocks)
              .sends(SendBlockRead)
              .countdown(kBlockTicks)
              .replies(
                  [this](Engine& e, std::span<const std::uint8_t> r) {
                      if (!BlockSumOk(r)) return false;
                      Stage(16u * static_cast<std::uint32_t>(e.BlockIndex), r.first(kBlockSize));
                      e.RxCount = 0;
                      BlockStepped();
                      e.BlockIndex += 16;
                      if (e.BlockIndex < kConfigBlockEnd)
                          e.SendStep();
                      else
                          AfterConfigBlocksRead();
                      return true;
                  },
                  ReplyKind::Length, static_cast<int>(kBlockReadSize)));
    const auto bankRead = [this](std::int32_t end, std::function<void()> then) {
        return [this, end, then](Engine& e, std::span<const std::uint8_t> r) {
            if (!BlockSumOk(r)) return false;
            Stage(256u * static_cast<std::uint32_t>(e.BlockIndex), r.first(kBlockSize));
            e.RxCount = 0;
            BlockStepped();
            if (++e.BlockIndex < end)
                e.SendStep();
            else
                then();
            return true;
        };
    };
    t.add(StateDef(state::ReadContactId)
              .sends(SendBlockRead)
              .countdown(kBlockTicks)
              .replies(bankRead((kContactIdBank << 8) + kContactIdBlocks,
                                [this] {
                                    e_.OpState = state::ReadBank35;
                                    e_.BlockIndex = kBank35 << 8;
                                    e_.SendStep();
                                }),
                       ReplyKind::Length, static_cast<int>(kBlockReadSize)));
    t.add(StateDef(state::ReadBank35)
              .sends(SendBlockRead)
              .countdown(kBlockTicks)
              .replies(bankRead((kBank35 << 8) + kBank35Read,
                                [this] {
                                    e_.OpState = state::Idle;
                                    FinishRead();
                                }),
                       ReplyKind::Length, static_cast<int>(kBlockReadSize)));

    // Block writes, acknowledged by their sum.
    t.add(StateDef(state::WriteBlocks)
              .sends([](Engine& e) {
                  SendImageBlock(e, 0, Lo(16 * e.BlockIndex),
                                 256u * static_cast<std::uint32_t>(e.BlockIndex));
              })
              .countdown(kBlockTicks)
              .replies(
                  [this](Engine& e, std::span<const std::uint8_t>) {
                      e.RxCount = 0;
                      BlockStepped();
                      if (++e.BlockIndex < kConfigBlocksWritten)
                          e.SendStep();
                      else
                          AfterConfigBlocksWritten();
                      return true;
                  },
                  ReplyKind::BlockAck));
    t.add(StateDef(state::WriteContactId)
              .sends([](Engine& e) {
                  SendImageBlock(e, kContactIdBank, Lo(e.BlockIndex),
                                 BankAddress(kContactIdBank, e.BlockIndex));
              })
              .countdown(kBlockTicks)
              .replies(
                  [this](Engine& e, std::span<const std::uint8_t>) {
                      e.RxCount = 0;
                      BlockStepped();
                      if (++e.BlockIndex < kContactIdBlocks) {
                          e.SendStep();
                      } else {
                          e.OpState = state::WriteBank35;
                          e.BlockIndex = 0;
                          e.SendStep();
                      }
                      return true;
                  },
                  ReplyKind::BlockAck));
    t.add(StateDef(state::WriteBank35)
              .sends([](Engine& e) {
                  SendImageBlock(e, kBank35, Lo(e.BlockIndex), BankAddress(kBank35, e.BlockIndex));
              })
              .countdown(kBlockTicks)
              .replies(
                  [this](Engine& e, std::span<const std::uint8_t>) {
                      e.RxCount = 0;
                      BlockStepped();
                      if (++e.BlockIndex < kBank35Written)
                          e.SendStep();
                      else
                          StartClockSet();
                      return true;
                  },
                  ReplyKind::BlockAck));

    // Clock set.
    t.add(StateDef(state::SetClock)
              .sends([this](Engine& e) {
                  const SixByteFrame f = Frame(0, Cmd::SetClock, 0, 0);
                  std::array<std::uint8_t, kFrameSize + 12> bytes{};
                  std::copy(f.bytes.begin(), f.bytes.end(), bytes.begin());
                  const QByteArray digits = ClockDigits(host_.Now());
                  for (int i = 0; i < 12 && i < digits.size(); ++i)
                      bytes[kFrameSize + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(digits[i]);
                  e.SendBytes(bytes);
              })
              .countdown(kClockTicks)
              .replies([this](Engine& e, std::span<const std::uint8_t> r) {
                  if (r[0] != kAckMark || r[1] != kClockMark || r[2] != 0 || r[3] != 0) return false;
                  e.OpState = e.NextOpState;
                  if (ClockOnly) {
                      ClockOnly = false;
                      e.ShowStatus(Texts.ClockDone);
                      Ended(TransferOutcome::Done, Texts.ClockDone);
                  } else {
                      SendDone();
                  }
                  return true;
              }));
}

// --- Starts -------------------------------------------------------------------------------------

void ConfigTransfer::StartRead(EndFn onEnd, std::optional<bool> contactId) {
    kind_ = TransferKind::Read;
    contactId_ = contactId;
    staged_.clear();
    readContactId_ = false;
    e_.ShowStatus(Texts.Reading);
    e_.StatusPoll = 0;
    host_.EnableTransferButtons(false);
    EngineActive = e_.OpState != state::Idle;
    int maximum = kBlockProgressMaximum;
    if (e_.Version < kBytewiseBelowVersion) {
        e_.Begin(state::ReadBytes, std::move(onEnd));
        e_.MemAddr = 0;
        e_.Remaining = kConfigBytes;
        e_.NextOpState = state::Idle;
        e_.BlockIndex = 0;
        e_.ClearRx();
        maximum = kConfigBytes;
    } else {
        e_.Begin(state::ReadBlocks, std::move(onEnd));
        e_.BlockIndex = 0;
        e_.ClearRx();
        e_.TimeoutTicks = 2;
    }
    if (EngineActive) e_.SendStep();
    host_.SetProgress(maximum, 0);
    host_.ShowProgress(true);
}

void ConfigTransfer::StartSend(SendOptions options, EndFn onEnd) {
    kind_ = TransferKind::Send;
    setClock_ = options.setClock;
    contactId_ = options.contactId;
    e_.ShowStatus(Texts.Sending);
    ClockOnly = false;
    e_.StatusPoll = 0;
    EngineActive = e_.OpState != state::Idle;
    host_.EncodeImage();
    plan_ = Plan(options);
    report_ = SendReport{plan_.whole, 0, 0, std::nullopt};
    changed_ = plan_.Partial();
    if (changed_) {
        e_.ShowStatus(Texts.ChangedSending);
        host_.EnableTransferButtons(false);
        host_.SetProgress(static_cast<int>(plan_.probe.size() + plan_.learn.size()), 0);
        host_.ShowProgress(true);
        // A block module's first command goes out as the whole send's would.
        if (!plan_.shape.bytewise) e_.TimeoutTicks = 2;
        e_.Begin(state::CheckBlocks, std::move(onEnd));
        e_.NextOpState = state::Idle;
        e_.ClearRx();
        progress_ = 0;
        planEvents_ = e_.Events;
        EnterPhase(Phase::Check, EngineActive);
        return;
    }
    // What the module held is being overwritten: from here on only a read tells it again.
    known_.Forget();
    since_.reset();
    const bool bytewise = e_.Version < kBytewiseBelowVersion;
    if (!bytewise) e_.TimeoutTicks = 2;
    e_.Begin(bytewise ? state::WriteBytes : state::WriteBlocks, std::move(onEnd));
    const int maximum = SetUpWholeSend();
    if (EngineActive) e_.SendStep();
    host_.EnableTransferButtons(false);
    host_.SetProgress(maximum, 0);
    host_.ShowProgress(true);
}

std::int32_t ConfigTransfer::SetUpWholeSend() {
    int maximum = kBlockProgressMaximum;
    if (e_.Version < kBytewiseBelowVersion) {
        e_.OpState = state::WriteBytes;
        e_.MemAddr = 0;
        e_.Remaining = kConfigBytes;
        e_.NextOpState = state::Idle;
        maximum = kConfigBytes;
    } else {
        e_.OpState = state::WriteBlocks;
    }
    e_.BlockIndex = 0;
    e_.ClearRx();
    return maximum;
}

void ConfigTransfer::StartClockSync(EndFn onEnd) {
    kind_ = TransferKind::ClockSync;
    setClock_ = true;
    e_.ShowStatus(Texts.ClockRunning);
    ClockOnly = true;
    e_.NextOpState = state::Idle;
    e_.Begin(state::SetClock, std::move(onEnd));
}

void ConfigTransfer::StartPstnSend(EndFn onEnd) {
    kind_ = TransferKind::PstnSend;
    setClock_ = true;
    contactId_.reset();
    host_.EncodeImage();
    PartialWrite = true;
    e_.Begin(state::WriteBytes, std::move(onEnd));
    e_.MemAddr = kPstnAddress;
    e_.Remaining = kPstnBytes;
    e_.NextOpState = state::Idle;
    e_.BlockIndex = kPstnAddress;
    e_.ClearRx();
    if (EngineActive) e_.SendStep();
    host_.EnableTransferButtons(false);
}

// --- Steps between the states ------------------------------------------------------------------------

void ConfigTransfer::FinishRead() {
    known_.Forget();
    for (const auto& [address, bytes] : staged_)
        known_.Learn(address, bytes);
    since_ = Circumstances(readContactId_);
    CommitStaged();
    e_.ShowStatus(Texts.ReadDone);
    host_.EnableTransferButtons(true);
    host_.ShowProgress(false);
    host_.DecodeImage();
    if (OnReadDone) OnReadDone();
    Ended(TransferOutcome::Done, Texts.ReadDone);
}

void ConfigTransfer::AfterConfigBlocksRead() {
    if (HasContactIdTables(e_.ModuleType)) {
        e_.Remaining = 0;
        e_.BlockIndex = 0;
        if (ContactIdTables()) {
            readContactId_ = true;
            e_.OpState = state::ReadContactId;
            e_.BlockIndex = kContactIdBank << 8;
            host_.SetProgress(kContactIdProgressMaximum, kContactIdProgressStart);
            e_.ShowStatus(Texts.ContactId);
            // The first bank read goes out when the countdown runs out: at the next tick, not
            // after the long countdown the last block read left behind.
            e_.TimeoutTicks = 0;
            return;
        }
    }
    e_.OpState = state::ReadBank35;
    e_.BlockIndex = kBank35 << 8;
    e_.SendStep();
}

void ConfigTransfer::AfterBytesWritten() {
    if (HasContactIdTables(e_.ModuleType) && !PartialWrite) {
        // The whole Contact ID bank follows, from its first block.
        e_.Remaining = 32;
        e_.BlockIndex = 0;
        e_.OpState = state::WriteContactId;
        host_.SetProgress(kContactIdProgressMaximum, kContactIdProgressStart);
        e_.ShowStatus(Texts.ContactId);
        e_.TimeoutTicks = 0; // the bank's first block goes out at the next tick
        return;
    }
    PartialWrite = false;
    StartClockSet();
}

void ConfigTransfer::AfterConfigBlocksWritten() {
    if (HasContactIdTables(e_.ModuleType)) {
        if (PartialWrite) {
            PartialWrite = false;
            StartClockSet();
            return;
        }
        e_.Remaining = 0;
        e_.BlockIndex = 0;
        if (ContactIdTables()) {
            e_.OpState = state::WriteContactId;
            host_.SetProgress(kContactIdProgressMaximum, kContactIdProgressStart);
            e_.ShowStatus(Texts.ContactId);
            e_.TimeoutTicks = 0; // the bank's first block goes out at the next tick
            return;
        }
    }
    e_.OpState = state::WriteBank35;
    e_.BlockIndex = 0;
    e_.SendStep();
}

void ConfigTransfer::StartClockSet() {
    if (!setClock_) { // a send that leaves the module's clock as it is ends here
        e_.OpState = e_.NextOpState = state::Idle;
        SendDone();
        return;
    }
    e_.ShowStatus(Texts.ClockRunning);
    e_.OpState = state::SetClock;
    e_.SendStep();
}

void ConfigTransfer::SendDone() {
    QString text = Texts.SendDone;
    if (changed_) {
        // What was written has been read back (byte-wise: echoed); the module's own writes since
        // the read are these.
        changed_ = false;
        for (const SendUnit& u : plan_.write)
            known_.Learn(u, e_.ConfigImage);
        if (since_) since_->events = e_.Events;
        if (report_.written == 0)
            text = setClock_ ? Texts.NothingChanged : Texts.NothingSent;
        else
            text = (plan_.shape.bytewise ? Texts.ChangedBytesDone : Texts.ChangedBlocksDone)
                       .arg(report_.written);
    }
    e_.ShowStatus(text);
    host_.ShowProgress(false);
    host_.EnableTransferButtons(true);
    Ended(TransferOutcome::Done, text);
}

bool ConfigTransfer::ContactIdTables() {
    return contactId_.value_or(host_.ContactIdTicked());
}

ConfigTransfer::Writes ConfigTransfer::SendWrites() const {
    if (kind_ == TransferKind::PstnSend) return {kPstnBytes, true, false, false};
    if (kind_ != TransferKind::Send) return {};
    const SendShape& shape = plan_.shape;
    const int tail = BankTail(shape) ? 256 * (kContactIdBlocks + kBank35Written) : 0;
    const int units = changed_ ? static_cast<int>(plan_.write.size()) : plan_.WholeUnits();
    return {units + tail, shape.bytewise, !changed_, shape.lineSimulator && (shape.bytewise || shape.contactId)};
}

void ConfigTransfer::BlockStepped() {
    host_.StepProgress();
    e_.BlockDone();
}

} // namespace dalvex::k6link
