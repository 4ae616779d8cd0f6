#include "voice_upload.h"

#include "k6link/core_states.h"
#include "k6media/wav_check.h"

#include <QFileInfo>

namespace dalvex::k6media {

namespace {
constexpr int kGaugeBytes = 256; // the gauge's maximum counts the whole file in 256-byte steps
} // namespace

VoiceUpload::VoiceUpload(k6link::Engine& engine, k6link::MemoryWrite& memoryWrite, VoiceUploadHost& host)
    : e_(engine)
    , mw_(memoryWrite)
    , host_(host) {
    Register();
    e_.AddAbandonHandler([this](std::int32_t s, std::int32_t) {
        if (s != state::VoiceStart && s != state::VoiceBlock) return;
        host_.HideGauge();
        Reset();
        host_.ReopenPlayers();
    });
}

bool VoiceUpload::Running() const {
    return e_.OpState == state::VoiceStart || e_.OpState == state::VoiceBlock;
}

void VoiceUpload::Register() {
    k6link::StateTable& t = e_.States();
    t.add(k6link::StateDef(state::VoiceStart)
              .sends([this](k6link::Engine& e) {
                  if (e.RxCount > 0) {
                      // Part of a reply came and the rest never did: it was a reply all the same.
                      e.OpState = state::VoiceBlock;
                      SendNextBlock();
                      return;
                  }
                  mw_.SendStart(static_cast<std::uint16_t>(StartPage));
                  startSent_ = true;
              })
              .countdown(k6link::MemoryWrite::kStartTicks)
              .replies(
                  [this](k6link::Engine& e, std::span<const std::uint8_t> r) {
                      // Bytes before the start frame went out (a late acknowledgement of an
                      // upload this one replaced) answer nothing of this upload.
                      if (!startSent_) {
                          e.ClearRx();
                          return true;
                      }
                      if (r[0] == k6link::kAckMark && r.size() < k6link::kFrameSize) return true;
                      e.OpState = state::VoiceBlock;
                      e.SendStep();
                      return true;
                  },
                  k6link::ReplyKind::AnyBytes));
    t.add(k6link::StateDef(state::VoiceBlock)
              .sends([this](k6link::Engine&) { SendNextBlock(); })
              .countdown(k6link::MemoryWrite::kBlockTicks)
              .replies(
                  [this](k6link::Engine& e, std::span<const std::uint8_t> r) {
                      if (r.empty() || !awaitingAck_) {
                          e.ClearRx();
                          return true;
                      }
                      awaitingAck_ = false;
                      if (r[0] != AckSeq) mw_.TransferError = true;
                      AckSeq = (AckSeq + 1) & 0xFF;
                      host_.StepGauge();
                      e.TimeoutTicks = k6link::MemoryWrite::kAckTicks;
                      if (sent_ >= static_cast<int>(blocks_.blocks.size())) {
                          if (blocks_.end == VoiceEnd::Budget) e.TimeoutTicks = kBudgetTicks;
                          Complete();
                      } else {
                          e.SendStep();
                      }
                      return true;
                  },
                  k6link::ReplyKind::EveryChunk));
}

void VoiceUpload::SendNextBlock() {
    // Here by the countdown with a block still unacknowledged: its acknowledgement is lost.
    if (awaitingAck_) mw_.TransferError = true;
    awaitingAck_ = false;
    if (sent_ >= static_cast<int>(blocks_.blocks.size())) {
        Complete();
        return;
    }
    const VoiceBlock& block = blocks_.blocks[static_cast<std::size_t>(sent_)];
    mw_.SendBlock(block);
    const bool partial =
        sent_ + 1 == static_cast<int>(blocks_.blocks.size()) && blocks_.end != VoiceEnd::Budget;
    if (!partial) --BlocksLeft;
    ++sent_;
    awaitingAck_ = true;
}

void VoiceUpload::Complete() {
    const bool failed = mw_.TransferError;
    if (failed)
        e_.Fail(k6link::FailReason::TransferError);
    else
        e_.OpState = k6link::state::Idle;
    host_.HideGauge();
    Reset();
    if (failed) host_.ShowMessage(Texts.TransferFailed);
    host_.ReopenPlayers();
}

void VoiceUpload::Reset() {
    blocks_ = {};
    sent_ = 0;
    awaitingAck_ = false;
    startSent_ = false;
}

void VoiceUpload::Abandon() {
    if (!Running()) return;
    e_.Stop();
    host_.HideGauge();
    Reset();
}

bool VoiceUpload::Start(const VoiceSlot& slot, const QString& editText, const QString& startDir,
                        k6link::EndFn onEnd) {
    if (!slot.developer) {
        if (editText.isEmpty()) return false;
        host_.ClosePlayer(slot);
    }
    QString path = UploadFile(slot, editText, startDir);
    QByteArray samples;
    WavCheck check = CheckWav(path, &samples, static_cast<qint64>(kVoiceBytesUsed));
    if (!check.ok()) {
        host_.ShowMessage(WavCheckMessage(check, path, Texts));
        return false;
    }
    if (!slot.developer) {
        const QString chosen = OfferConversion(&slot, path);
        if (chosen != path) {
            path = chosen;
            check = CheckWav(path, &samples, static_cast<qint64>(kVoiceBytesUsed));
            if (!check.ok()) {
                host_.ShowMessage(WavCheckMessage(check, path, Texts));
                return false;
            }
        }
    }

    blocks_ = BuildVoiceBlocks(std::span(reinterpret_cast<const std::uint8_t*>(samples.constData()),
                                         static_cast<std::size_t>(samples.size())));
    sent_ = 0;
    awaitingAck_ = false;
    startSent_ = false;
    StartPage = slot.startPage;
    BlocksLeft = kMaxVoiceBlocks;
    host_.ShowGauge(static_cast<int>(check.fileSize / kGaugeBytes));
    mw_.TransferError = false;
    AckSeq = StartPage & 0xFF;

    e_.Begin(state::VoiceStart, std::move(onEnd));
    e_.ClearRx();
    if (host_.EngineActive()) e_.SendStep();
    return true;
}

QString VoiceUpload::ChooseFile(const VoiceSlot& slot, const QString& path, const QString& previous) {
    const WavCheck check = CheckWav(path);
    if (!check.ok()) {
        host_.ShowMessage(WavCheckMessage(check, path, Texts));
        return check.problem == WavProblem::NoDataTag ? QString() : previous;
    }
    return OfferConversion(&slot, path);
}

QString VoiceUpload::OfferConversion(const VoiceSlot* slot, const QString& path) {
    QString error;
    const std::optional<WavFormat> format = ReadWavFormat(path, &error);
    if (!format) {
        host_.ShowMessage(Texts.Unreadable.arg(path, error));
        return path;
    }
    if (IsModuleFormat(*format)) return path;
    if (!host_.Ask(Texts.WrongFormat.arg(path, DescribeWavFormat(*format, Texts)))) return path;
    const QString target = ConvertedFileName(path);
    if (!ConvertToModuleFormat(path, target, &error)) {
        host_.ShowMessage(Texts.ConvertFailed.arg(error));
        return path;
    }
    if (slot && !slot->developer) host_.SetEditText(*slot, target);
    host_.ShowMessage(Texts.Converted.arg(target));
    return target;
}

} // namespace dalvex::k6media
