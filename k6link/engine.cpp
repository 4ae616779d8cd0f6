#include "engine.h"

#include "k6link/core_states.h"
#include "k6link/engine_host.h"
#include "k6link/port.h"
#include "serial/com_names.h"

#include <algorithm>
#include <cstring>

namespace dalvex::k6link {

Engine::Engine(Port& port, EngineHost& host)
    : port_(port)
    , host_(host) {
    RegisterEngineStates(states_);
}

void Engine::tick() {
    host_.ShowClockAndCustomer();
    if (!host_.PortReleased()) return; // the start window still owns the port

    if (Notice == VersionNotice::ShowNow) {
        Notice = VersionNotice::None;
        host_.ShowMessage(Texts.ModuleVersion + VersionText(Version));
    }

    if (PortOpen && port_.Lost()) PortLost();

    if (OpState != 0) {
        const bool openedNow = !PortOpen;
        if (openedNow) OpenPort();
        host_.OperationRunning();
        if (TimeoutTicks <= 0) {
            // A port that would not open is tried again when the command is due.
            if (!openedNow && !DemoMode && !port_.IsOpen()) OpenPort();
            // After a loss nothing goes out until the device is back: the countdown starts over.
            if (PortGone && !DemoMode && !port_.IsOpen())
                TimeoutTicks = kTimeoutTicks;
            else
                SendStep();
        } else {
            --TimeoutTicks;
        }
    }

    Settle();

    // The port stays open for the rest of the countdown after the last operation ended, so an
    // operation started meanwhile goes out on it at once.
    if (OpState == 0 && PortOpen) {
        if (TimeoutTicks <= 0) {
            PortOpen = false;
            port_.Close();
        } else {
            --TimeoutTicks;
        }
    }
}

void Engine::OpenPort() {
    // An open that fails is not reported: the commands go nowhere and repeat, and the port name
    // in the status bar is the only sign.
    PortOpen = true;
    QString name = host_.ReadSetting(QStringLiteral("comport"));
    if (name.isEmpty()) name = QString::fromLatin1(kDefaultPort);
    const std::string device = name.toStdString();
    port_.SetDeviceName(device);
    port_.Open();
    if (port_.IsOpen())
        PortGone = false;
    else
        ++Events.portLosses; // whatever is on the line once it opens may be another module
    host_.SetStatusPanel(0, QString::fromStdString(comDisplayName(device)));
}

void Engine::PortLost() {
    ++Events.portLosses;
    port_.Close();
    PortOpen = false;
    PortGone = true;
    if (OpState == state::VersionQuery) { // waits for the port; see the header
        TimeoutTicks = 0;
        ClearRx();
        ShowStatus(Texts.PortLost);
        return;
    }
    const std::int32_t state = OpState;
    const std::int32_t next = NextOpState;
    OpState = state::Idle;
    NextOpState = state::Idle;
    TimeoutTicks = 0;
    ClearRx();
    ShowStatus(Texts.PortLost);
    if (state != state::Idle)
        for (const AbandonFn& fn : abandonHandlers_)
            fn(state, next);
    if (current_.active) End(Outcome::PortLost);
}

void Engine::Begin(std::int32_t state, EndFn onEnd) {
    if (current_.active) End(Outcome::Stopped);
    current_.active = true;
    current_.startState = state;
    current_.onEnd = std::move(onEnd);
    current_.failure = FailReason::None;
    OpState = state;
}

void Engine::Stop(StopMode mode) {
    if (mode == StopMode::BetweenBlocks && OpState != state::Idle) {
        stopAfterBlock_ = true;
        return;
    }
    OpState = state::Idle;
    if (current_.active) End(Outcome::Stopped);
}

void Engine::Fail(FailReason reason) {
    OpState = state::Idle;
    if (current_.active) current_.failure = reason;
}

void Engine::BlockDone() {
    for (const LineObserver& o : observers_)
        if (o.blockDone) o.blockDone();
    if (stopAfterBlock_) haltBeforeSend_ = true;
}

void Engine::End(Outcome outcome) {
    Current ended = std::move(current_);
    current_ = Current{};
    stopAfterBlock_ = false;
    haltBeforeSend_ = false;
    const OperationEnd end{outcome, ended.failure, ended.startState};
    for (const LineObserver& o : observers_)
        if (o.ended) o.ended(end);
    if (ended.onEnd) ended.onEnd(end);
}

void Engine::Settle() {
    if (!current_.active || OpState != state::Idle) return;
    End(current_.failure == FailReason::None ? Outcome::Done : Outcome::Failed);
}

void Engine::StartVersionQuery(VersionNotice notice, EndFn onEnd) {
    if (notice != VersionNotice::None) Notice = notice;
    Begin(state::VersionQuery, std::move(onEnd));
}

void Engine::StartRestart(EndFn onEnd) {
    Begin(state::Restart, std::move(onEnd));
}

void Engine::StartSend256(EndFn onEnd) {
    Begin(state::Send256, std::move(onEnd));
}

void Engine::SendStep() {
    TimeoutTicks = kTimeoutTicks;
    if (DemoMode) {
        OpState = 0;
        return;
    }
    if (haltBeforeSend_) { // a stop between blocks: the block in flight is done
        OpState = state::Idle;
        if (current_.active) End(Outcome::Stopped);
        return;
    }
    const StateDef* def = states_.find(OpState);
    if (!def) return;
    // The countdown first: a send step may shorten it (WriteByte passing a byte over).
    TimeoutTicks = def->timeoutTicks;
    if (def->send) def->send(*this);
    if (def->nextAtOnce) OpState = *def->nextAtOnce;
}

void Engine::ClearRx() {
    std::fill_n(RxBuffer.begin(), kRxClearedBytes, std::uint8_t{0xFF});
    RxCount = 0;
}

void Engine::ReadByte() {
    SendFrame(SixByteFrame::make(static_cast<std::uint8_t>(MemAddr >> 8), StatusPoll,
                                 static_cast<std::uint8_t>(MemAddr & 0xFF), 0));
}

bool Engine::IsSkippedImageByte(std::int32_t index, bool companyMark) {
    if (index == 75 || index == 254 || index == 255) return true;
    return !companyMark && index >= 384 && index <= 399;
}

void Engine::WriteByte() {
    if (IsSkippedImageByte(BlockIndex, CompanyMark)) {
        ++BlockIndex;
        --Remaining;
        ++MemAddr;
        ClearRx();
        TimeoutTicks = 0;
        return;
    }
    SendFrame(Frame(static_cast<std::uint8_t>(MemAddr >> 8), Cmd::WriteByte,
                    static_cast<std::uint8_t>(MemAddr & 0xFF),
                    ConfigImage.at(static_cast<std::uint32_t>(BlockIndex))));
}

void Engine::SendFrame(const SixByteFrame& frame) {
    std::copy(frame.bytes.begin(), frame.bytes.end(), TxBuffer.begin());
    Write(static_cast<int>(frame.bytes.size()));
}

void Engine::SendBlock(std::uint8_t p1, std::uint8_t p2, std::span<const std::uint8_t, kBlockSize> data) {
    const SixByteFrame head = Frame(BlockSum(data), Cmd::BlockWrite, p1, p2);
    std::copy(head.bytes.begin(), head.bytes.end(), TxBuffer.begin());
    std::copy(data.begin(), data.end(), TxBuffer.begin() + kFrameSize);
    Write(static_cast<int>(kBlockWriteSize));
}

bool Engine::SendBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > TxBuffer.size()) return false;
    std::copy(bytes.begin(), bytes.end(), TxBuffer.begin());
    Write(static_cast<int>(bytes.size()));
    return true;
}

void Engine::Write(int count) {
    txCount_ = count;
    const std::span<const std::uint8_t> head(TxBuffer.data(), static_cast<std::size_t>(count));
    if (SixByteFrame::isValid(head)) {
        switch (static_cast<Cmd>(head[1])) {
        case Cmd::Restart:
        case Cmd::LogicLoad:
            ++Events.restarts;
            break;
        case Cmd::WriteByte:
        case Cmd::BlockWrite:
        case Cmd::BulkStart:
            ++Events.memoryWrites;
            if (port_.IsOpen())
                for (const LineObserver& o : observers_)
                    if (o.beforeMemoryWrite) o.beforeMemoryWrite();
            break;
        default:
            break;
        }
    }
    port_.Write(TxBuffer.data(), count);
    RxCount = 0;
}

void Engine::ShowStatus(const QString& text) {
    host_.SetStatusPanel(3, text);
}

QString Engine::VersionText(int version) {
    return QString::number(version / 10) + QLatin1Char('.') + QString::number(version % 10);
}

void Engine::AsynComm321RxChar(int Count) {
    if (Count <= 0) return;
    if (RxCount < 0 || RxCount > kRxBufferSize) ClearRx();
    if (Count > kRxBufferSize - RxCount) {
        // No reply of any state is this long: the chunk and what came before it are dropped.
        DiscardWaiting(Count);
        ClearRx();
        return;
    }
    const int from = RxCount;
    const int got = port_.Read(RxBuffer.data() + from, Count);
    if (got <= 0) return;
    RxCount = from + got;
    Dispatch(states_.find(OpState), from, got);
    Settle();
}

void Engine::DiscardWaiting(int count) {
    std::array<std::uint8_t, 512> scratch;
    while (count > 0) {
        const int got = port_.Read(scratch.data(), std::min<int>(count, static_cast<int>(scratch.size())));
        if (got <= 0) break;
        count -= got;
    }
}

void Engine::Dispatch(const StateDef* def, int chunkStart, int chunkLength) {
    const std::span<const std::uint8_t> received(RxBuffer.data(), static_cast<std::size_t>(RxCount));
    const ReplyKind kind = def ? def->reply : ReplyKind::SixByte;
    const bool handled = def && def->onReply;
    switch (kind) {
    case ReplyKind::AnyBytes:
        if (handled) def->onReply(*this, received);
        return;
    case ReplyKind::EveryChunk:
        if (handled)
            def->onReply(*this, received.subspan(static_cast<std::size_t>(chunkStart),
                                                 static_cast<std::size_t>(chunkLength)));
        return;
    case ReplyKind::Length:
        if (handled && RxCount == def->replyLength) def->onReply(*this, received);
        return;
    case ReplyKind::BlockAck:
        if (handled && RxCount == 1 && RxBuffer[0] == TxBuffer[0]) def->onReply(*this, received);
        return;
    case ReplyKind::Text:
        if (handled) def->onReply(*this, received);
        return;
    case ReplyKind::SixByte:
        break;
    }

    if (RxCount > static_cast<int>(kFrameSize)) { // too long for a reply frame: thrown away whole
        ClearRx();
        return;
    }
    if (RxCount < static_cast<int>(kFrameSize)) return;
    const std::span<const std::uint8_t> frame = received.first(kFrameSize);
    if (!SixByteFrame::isValid(frame)) {
        RxCount = 0;
        return;
    }
    TimeoutTicks = kTimeoutTicks;
    if (!handled) {
        ClearRx();
        return;
    }
    if (!def->onReply(*this, frame)) RxCount = 0;
}

} // namespace dalvex::k6link
