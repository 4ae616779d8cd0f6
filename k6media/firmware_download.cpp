#include "firmware_download.h"

#include "k6link/core_states.h"

#include <algorithm>

namespace dalvex::k6media {

using k6link::Cmd;
using k6link::Engine;
using k6link::Frame;
using k6link::kBlockSize;
using k6link::kFrameSize;
using k6link::ReplyKind;
using k6link::StateDef;

const QString& FirmwareTexts::Processor(ProcessorLabel label) const {
    switch (label) {
    case ProcessorLabel::J10Varnet:
        return ProcessorJ10Varnet;
    case ProcessorLabel::J10:
        return ProcessorJ10;
    case ProcessorLabel::J10Model:
        return ProcessorJ10Model;
    case ProcessorLabel::J11:
        return ProcessorJ11;
    case ProcessorLabel::K22:
        return ProcessorK22;
    case ProcessorLabel::K22Model:
        return ProcessorK22Model;
    }
    return ProcessorUnknown;
}

FirmwareDownload::FirmwareDownload(Engine& engine, k6link::MemoryWrite& memoryWrite, FirmwareData& data,
                                   FirmwareHost& host)
    : e_(engine)
    , mw_(memoryWrite)
    , data_(data)
    , host_(host) {
    Register();
    // A download cut off by a lost port has failed: the module waits for a complete one.
    e_.AddAbandonHandler([this](std::int32_t s, std::int32_t) {
        if (s < state::ProcessorQuery || s > state::FirmwareProgram) return;
        host_.SetProgress(0);
        ShowHeadline(&FirmwareTexts::TransferFailed);
    });
}

void FirmwareDownload::Register() {
    k6link::StateTable& t = e_.States();
    // The reply is collected as it comes (not as a checked frame), because older modules have it
    // taken before its check bytes are tested.
    t.add(StateDef(state::ProcessorQuery)
              .sends([](Engine& e) { e.SendFrame(Frame(0, Cmd::ProcessorQuery, 0, 0)); })
              .replies([this](Engine&, std::span<const std::uint8_t> r) { return ProcessorReply(r); },
                       ReplyKind::Text));
    t.add(StateDef(state::FirmwareStart)
              .sends([this](Engine&) {
                  ShowHeadline(&FirmwareTexts::MemoryDownload);
                  mw_.SendStart(kStartPage);
                  FwBlock = 0;
                  blockSent_ = false;
                  acknowledged_ = false;
              })
              .countdown(k6link::MemoryWrite::kStartTicks)
              .replies(
                  [](Engine& e, std::span<const std::uint8_t>) {
                      e.OpState = state::FirmwareBlocks;
                      e.RxCount = 0;
                      e.TimeoutTicks = kSettleTicks;
                      return true;
                  },
                  ReplyKind::AnyBytes));
    t.add(StateDef(state::FirmwareBlocks)
              .sends([this](Engine&) { SendNextBlock(); })
              .countdown(k6link::MemoryWrite::kBlockTicks)
              .replies(
                  [this](Engine& e, std::span<const std::uint8_t>) {
                      if (!blockSent_) { // the rest of the start reply
                          e.RxCount = 0;
                          return true;
                      }
                      BlockAcknowledged();
                      return true;
                  },
                  ReplyKind::EveryChunk));
    t.add(StateDef(state::FirmwareProgram).sends([this](Engine&) { SendProgramming(); }));
}

void FirmwareDownload::StartProcessorQuery(k6link::EndFn onEnd) {
    // Images put into a firmware folder since the window was last open are found.
    data_.Rescan();
    data_.FirmwareSlot = kNoSlot;
    standin_ = false;
    headline_ = &FirmwareTexts::Headline;
    e_.Begin(state::ProcessorQuery, std::move(onEnd));
}

void FirmwareDownload::Leave() {
    e_.Stop();
}

bool FirmwareDownload::ProcessorReply(std::span<const std::uint8_t> received) {
    if (received.size() > kFrameSize) { // too long for the reply: thrown away whole
        e_.ClearRx();
        return true;
    }
    if (received.size() < kFrameSize) return true;
    if (IsOldProcessorVersion(e_.Version)) {
        TakeOldReply(received);
        return true;
    }
    if (!SixByteFrame::isValid(received)) {
        e_.RxCount = 0;
        return true;
    }
    e_.TimeoutTicks = kVersionTicks;
    TakeReply(received);
    return true;
}

void FirmwareDownload::TakeOldReply(std::span<const std::uint8_t> r) {
    host_.ShowProcessor(Texts.ProcessorUnknown);
    data_.ModuleSoftware = r[2];
    data_.ModuleSoftware2 = r[3];
    data_.ModuleHardware = r[1];
    const ProcessorMatch* match = MatchProcessor(kOldProcessors, r[0], r[1]);
    if (!match) { // the query goes on; the next reply is read from the start
        e_.RxCount = 0;
        return;
    }
    ChooseSlot(match->slot);
    host_.ShowProcessor(ProcessorText(*match));
    host_.EnableDownload(true);
    e_.RxCount = 0;
    e_.OpState = k6link::state::Idle;
    e_.TimeoutTicks = kDoneTicks;
}

void FirmwareDownload::TakeReply(std::span<const std::uint8_t> r) {
    host_.ShowProcessor(Texts.ProcessorUnknown);
    data_.ModuleSoftware = r[2];
    data_.ModuleSoftware2 = r[3];
    data_.ModuleHardware = r[1];
    host_.ShowModuleVersions(Texts.Software + QString::number(r[2]), Texts.Hardware + QString::number(r[1]),
                             Texts.Software + QString::number(r[3]));
    data_.FirmwareSlot = kNoSlot;
    e_.RxCount = 0;
    e_.OpState = k6link::state::Idle;
    const ProcessorMatch* match = MatchProcessor(kProcessors, r[0], r[1]);
    if (!match) return; // "Download Start" stays disabled
    ChooseSlot(match->slot);
    host_.ShowProcessor(ProcessorText(*match));
    if (const std::optional<int> image = data_.ImageVersion(match->slot)) {
        const bool older = *image < r[2];
        host_.EnableDownload(!older);
        host_.ShowNoNewFirmware(older);
    } else {
        host_.EnableDownload(true);
        host_.ShowNoNewFirmware(false);
    }
    e_.TimeoutTicks = kDoneTicks;
}

QString FirmwareDownload::ProcessorText(const ProcessorMatch& match) {
    QString text = Texts.Processor(match.label);
    if (match.nameOf != kNoModelName) text += host_.ModelName(match.nameOf);
    return text;
}

void FirmwareDownload::ChooseSlot(int slot) {
    data_.FirmwareSlot = slot;
    const FirmwareEntry* entry = data_.Entry(slot);
    standin_ = entry && entry->standin;
    if (standin_) ShowHeadline(&FirmwareTexts::Headline);
}

void FirmwareDownload::ShowHeadline(QString FirmwareTexts::*which) {
    headline_ = which;
    host_.SetHeadline(HeadlineText());
}

QString FirmwareDownload::HeadlineText() const {
    const QString& text = Texts.*headline_;
    return standin_ ? text + QStringLiteral(" \u2013 ") + Texts.StandinLoaded : text;
}

QString FirmwareDownload::RefusalText(const PreparedImage& image) const {
    switch (image.problem) {
    case ImageProblem::None:
        break;
    case ImageProblem::NoImage:
        if (const FirmwareSlotDef* s = FindFirmwareSlot(data_.FirmwareSlot))
            return Texts.NoImage.arg(QStringLiteral("%1 %2").arg(QLatin1String(s->company), QLatin1String(s->processor)));
        return Texts.FaultFirmware;
    case ImageProblem::Unreadable:
        return Texts.Unreadable.arg(image.file);
    case ImageProblem::ChecksumMismatch:
        return Texts.ChecksumMismatch.arg(image.file);
    case ImageProblem::StandinRefused:
        return Texts.StandinRefused.arg(image.file);
    }
    return {};
}

PreparedImage FirmwareDownload::ConvertAndStart(k6link::EndFn onEnd) {
    const PreparedImage image = data_.ConvertSlot();
    if (!image.ok()) {
        host_.ShowMessage(RefusalText(image));
        return image;
    }
    if (image.standin && !standin_) {
        standin_ = true;
        ShowHeadline(&FirmwareTexts::Headline);
    }
    e_.Begin(state::FirmwareStart, std::move(onEnd));
    return image;
}

void FirmwareDownload::SendNextBlock() {
    // Here without an acknowledgement of the block last sent: its countdown ran out.
    if (blockSent_ && !acknowledged_) mw_.TransferError = true;
    std::array<std::uint8_t, kBlockSize> block;
    const auto from = data_.FirmwareImage.begin() + static_cast<std::ptrdiff_t>(FwBlock) * kBlockSize;
    std::copy(from, from + kBlockSize, block.begin());
    ++FwBlock;
    if (mw_.TransferError) {
        e_.Fail(k6link::FailReason::TransferError);
        host_.SetProgress(0);
        ShowHeadline(&FirmwareTexts::TransferFailed);
        return;
    }
    if (FwBlock == kFirmwareBlocks + 1) { // blocks 0 .. 254 are written; block 255 never is
        e_.RxCount = 0;
        e_.TimeoutTicks = kProgramDelay;
        e_.OpState = state::FirmwareProgram;
        return;
    }
    mw_.SendBlock(block);
    blockSent_ = true;
    acknowledged_ = false;
}

void FirmwareDownload::BlockAcknowledged() {
    if (e_.RxBuffer[0] != static_cast<std::uint8_t>((FwBlock - 1) & 0xFF)) mw_.TransferError = true;
    acknowledged_ = true;
    host_.StepProgress();
    e_.TimeoutTicks = k6link::MemoryWrite::kAckTicks;
    e_.SendStep();
}

void FirmwareDownload::SendProgramming() {
    ShowHeadline(&FirmwareTexts::Programming);
    host_.SetProgress(0);
    host_.StartProgrammingTimer();
    e_.SendFrame(Frame(0, Cmd::LogicLoad, k6link::kCommandKey, 0));
    if (FpgaRetry > 0) {
        --FpgaRetry;
        return;
    }
    // The operation goes on as the version query, whose reply closes the firmware window.
    e_.OpState = k6link::state::VersionQuery;
    e_.Notice = k6link::VersionNotice::AfterFirmware;
}

} // namespace dalvex::k6media
