#include "module_sim.h"

#include "sim/gsm_modem.h"
#include "sim/history_data.h"

#include <algorithm>
#include <utility>

namespace dalvex::sim {

void Exchange::reply(std::span<const std::uint8_t> bytes, ReplyKind kind) {
    replyBytes_.insert(replyBytes_.end(), bytes.begin(), bytes.end());
    replyKind_ = kind;
}

void Exchange::replyFrame(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    reply(SixByteFrame::make(b0, b1, b2, b3).bytes, ReplyKind::Frame);
}

void Exchange::expectPayload(std::size_t n, PayloadHandler then) {
    payloadSize_ = n;
    payloadHandler_ = std::move(then);
}

ModuleSim::ModuleSim()
    : memory_(kMemorySize, 0) {
    registerBuiltInCommands();
    modem_ = std::make_unique<GsmModem>(*this);
}

ModuleSim::~ModuleSim() = default;

void ModuleSim::sendRaw(std::span<const std::uint8_t> bytes, ReplyKind kind) {
    Reply reply{std::vector<std::uint8_t>(bytes.begin(), bytes.end()), kind, 0};
    if (!sink_) {
        unaskedReplies_.push_back(std::move(reply));
        return;
    }
    reply.exchange = ++exchanges_;
    if (*sink_) (*sink_)(reply);
}

void ModuleSim::handleFrame(const SixByteFrame& frame) {
    static const ReplySink kNoSink;
    dispatch(frame, sink_ ? *sink_ : kNoSink);
}

void ModuleSim::registerCommand(std::uint8_t code, CommandHandler handler) {
    commands_[code] = std::move(handler);
}

std::uint8_t ModuleSim::readByte(std::uint16_t address) const {
    if (address == kTypeAddress) return typeCode_;
    if (address == kVersionAddress) return version_;
    return memory_[address];
}

void ModuleSim::writeByte(std::uint16_t address, std::uint8_t value) {
    if (address == kTypeAddress || address == kVersionAddress) return;
    memory_[address] = value;
}

void ModuleSim::registerBuiltInCommands() {
    registerCommand(kCmdReadByte, [](Exchange& ex) {
        const SixByteFrame& f = ex.frame();
        ex.replyFrame(kAckMark, f.command(), f.addressLow(), ex.module().readByte(f.address()));
    });
    registerCommand(kCmdWriteByte, [](Exchange& ex) {
        const SixByteFrame& f = ex.frame();
        ex.module().writeByte(f.address(), f.data());
        ex.replyFrame(kAckMark, f.command(), f.addressLow(), f.data());
    });
    registerCommand(kCmdProbe, [](Exchange& ex) {
        ex.replyFrame(kAckMark, ex.frame().command(), 0, ex.module().typeCode());
    });
    registerCommand(kCmdBlockWrite, [](Exchange& ex) {
        const std::uint32_t address = blockAddress(ex.frame().addressLow(), ex.frame().data());
        ex.expectPayload(kBlockSize, [address](Exchange& done, std::span<const std::uint8_t> block) {
            ModuleSim& m = done.module();
            ++m.blockWrites_;
            const bool dropped = m.dropAt_ && m.blockWrites_ == *m.dropAt_;
            if (dropped) m.dropAt_.reset();
            std::span<std::uint8_t> memory = m.memory();
            unsigned sum = 0;
            for (std::size_t i = 0; i < block.size(); ++i) {
                sum += block[i];
                if (!dropped && address + i < memory.size()) memory[address + i] = block[i];
            }
            const std::uint8_t ack = static_cast<std::uint8_t>(sum & 0xFFu);
            done.reply(std::span<const std::uint8_t>(&ack, 1), ReplyKind::Sum);
        });
    });
    registerCommand(kCmdBlockRead, [](Exchange& ex) {
        const std::uint32_t address = blockAddress(ex.frame().data(), ex.frame().addressLow());
        std::vector<std::uint8_t> out(kBlockSize + 1, 0xFF);
        std::span<const std::uint8_t> memory = ex.module().memory();
        unsigned sum = 0;
        for (std::size_t i = 0; i < kBlockSize; ++i) {
            if (address + i < memory.size()) out[i] = memory[address + i];
            sum += out[i];
        }
        out[kBlockSize] = static_cast<std::uint8_t>(sum & 0xFFu);
        ex.reply(out, ReplyKind::Sum);
    });
    registerCommand(kCmdSetClock, [](Exchange& ex) {
        ex.expectPayload(kClockDigits, [](Exchange& done, std::span<const std::uint8_t> digits) {
            done.module().clockDigits_.assign(digits.begin(), digits.end());
            ++done.module().clockSets_;
            done.replyFrame(kAckMark, kClockAck, 0, 0);
        });
    });
    registerCommand(kCmdMemoryWrite, [](Exchange& ex) {
        const SixByteFrame& f = ex.frame();
        ex.replyFrame(kAckMark, kCmdMemoryWrite, f.addressLow(), f.data());
        ex.module().expectMemoryBlock(ex, static_cast<std::uint32_t>(f.addressLow()) << 8 | f.data(),
                                      kMemoryWriteBlocks);
    });
    registerCommand(kCmdRestart, [](Exchange& ex) {
        if (ex.frame().addressLow() == kRestartKey) ++ex.module().restarts_;
    });
    registerFirmwareCommands(*this);
    registerStatusMonitorCommands(*this);
    registerHistoryCommands(*this);
}

void ModuleSim::expectMemoryBlock(Exchange& ex, std::uint32_t page, int blocksLeft) {
    ex.expectPayload(kBlockSize, [page, blocksLeft](Exchange& done, std::span<const std::uint8_t> block) {
        ModuleSim& m = done.module();
        const std::size_t address = static_cast<std::size_t>(page) * kBlockSize;
        for (std::size_t i = 0; i < block.size() && address + i < m.memory_.size(); ++i)
            m.memory_[address + i] = block[i];
        ++m.memoryWriteBlocks_;
        const std::uint8_t ack = static_cast<std::uint8_t>(page & 0xFFu);
        done.reply(std::span<const std::uint8_t>(&ack, 1), ReplyKind::Ack);
        if (blocksLeft > 1) m.expectMemoryBlock(done, page + 1, blocksLeft - 1);
    });
}

std::vector<std::uint8_t> ModuleSim::feed(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    feed(bytes, [&out](const Reply& r) { out.insert(out.end(), r.bytes.begin(), r.bytes.end()); });
    return out;
}

void ModuleSim::feed(std::span<const std::uint8_t> bytes, const ReplySink& sink) {
    const ReplySink* outer = sink_;
    sink_ = &sink;
    for (Reply& r : std::exchange(unaskedReplies_, {}))
        sendRaw(r.bytes, r.kind);
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (pending_) {
            std::vector<std::uint8_t>& data = pending_->data;
            const std::size_t take = std::min(pending_->size - data.size(), bytes.size() - i);
            data.insert(data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i),
                        bytes.begin() + static_cast<std::ptrdiff_t>(i + take));
            i += take;
            runPayloadIfComplete(sink);
            continue;
        }
        if (rawHandler_) {
            // A copy: the handler may clear or replace itself.
            const RawHandler handler = rawHandler_;
            handler(*this, bytes[i++]);
            continue;
        }
        frameBuffer_[frameCount_++] = bytes[i++];
        if (frameCount_ < frameBuffer_.size()) continue;
        if (!SixByteFrame::isValid(frameBuffer_)) {
            // Resynchronise: the frame may start at any of the following bytes.
            std::copy(frameBuffer_.begin() + 1, frameBuffer_.end(), frameBuffer_.begin());
            frameCount_ = frameBuffer_.size() - 1;
            continue;
        }
        frameCount_ = 0;
        dispatch(SixByteFrame::fromBytes(frameBuffer_), sink);
    }
    sink_ = outer;
}

void ModuleSim::dispatch(const SixByteFrame& frame, const ReplySink& sink) {
    const CommandHandler& handler = commands_[frame.command()];
    if (!handler) return;
    Exchange step(*this, frame);
    handler(step);
    finishStep(step, sink);
}

void ModuleSim::finishStep(Exchange& step, const ReplySink& sink) {
    const bool wantsPayload = step.payloadSize_.has_value();
    if (wantsPayload)
        pending_ = PendingPayload{step.frame_, *step.payloadSize_, std::move(step.payloadHandler_), {}};
    if (!step.replyBytes_.empty() || !wantsPayload) {
        ++exchanges_;
        if (sink)
            sink(Reply{std::move(step.replyBytes_), step.replyKind_, exchanges_, step.frame_.command()});
    }
    if (wantsPayload) runPayloadIfComplete(sink);
}

void ModuleSim::runPayloadIfComplete(const ReplySink& sink) {
    if (!pending_ || pending_->data.size() < pending_->size) return;
    // Taken out first: the handler may ask for the next payload.
    PendingPayload done = std::move(*pending_);
    pending_.reset();
    Exchange step(*this, done.frame);
    done.handler(step, done.data);
    finishStep(step, sink);
}

} // namespace dalvex::sim
