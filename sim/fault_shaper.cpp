#include "fault_shaper.h"

#include <algorithm>

namespace dalvex::sim {

void FaultShaper::set(Fault fault, int n, ModuleSim& module) {
    fault_ = fault;
    count_ = std::max(0, n);
    module.dropBlockWrite(fault == Fault::DropWrite ? std::optional<int>(count_) : std::nullopt);
    base_ = module.exchanges();
    blockBase_ = module.memoryWriteBlocks();
}

Outgoing FaultShaper::shape(const Reply& reply, const ModuleSim& module) const {
    Outgoing out;
    const std::uint64_t ordinal = reply.exchange - base_;
    const bool pastCount = ordinal > static_cast<std::uint64_t>(count_);
    if (fault_ == Fault::Silent || (fault_ == Fault::StopAfter && pastCount)) return out;
    if ((fault_ == Fault::HangUp || fault_ == Fault::Vanish) && pastCount) {
        out.action = fault_ == Fault::HangUp ? Outgoing::Action::HangUp : Outgoing::Action::Vanish;
        return out;
    }
    if (reply.bytes.empty()) return out;
    if (fault_ == Fault::NoProcessorReply && reply.command == kCmdProcessorQuery) return out;
    // Shaped right after the block was stored, so the module's count includes it.
    if (fault_ == Fault::DropAck && reply.command == kCmdMemoryWrite && reply.kind == ReplyKind::Ack &&
        module.memoryWriteBlocks() - blockBase_ == static_cast<std::uint64_t>(count_) + 1)
        return out;

    std::vector<std::uint8_t> bytes = reply.bytes;
    if (fault_ == Fault::WrongCheck && reply.kind == ReplyKind::Frame && bytes.size() == 6) ++bytes[5];
    const bool ack = reply.kind == ReplyKind::Ack;
    if (fault_ == Fault::NoAck && ack && pastCount) return out;
    if (fault_ == Fault::WrongSum && (reply.kind == ReplyKind::Sum || ack)) ++bytes.back();
    if (fault_ == Fault::WrongAck && ack && pastCount) ++bytes.back();
    if (fault_ == Fault::Short && bytes.size() >= kShortFrom) bytes.pop_back();
    if (fault_ == Fault::Extra) bytes.insert(bytes.end(), kExtraBytes.begin(), kExtraBytes.end());
    if (fault_ == Fault::Unsolicited && ordinal == static_cast<std::uint64_t>(count_) + 1)
        bytes.insert(bytes.begin(), kUnsolicitedLine.begin(), kUnsolicitedLine.end());

    out.action = Outgoing::Action::Write;
    if (fault_ != Fault::Split) {
        out.pieces.push_back(std::move(bytes));
        return out;
    }
    const std::size_t pieces = std::min<std::size_t>(kSplitPieces, bytes.size());
    std::size_t from = 0;
    for (std::size_t p = 0; p < pieces; ++p) {
        const std::size_t to = bytes.size() * (p + 1) / pieces;
        out.pieces.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                bytes.begin() + static_cast<std::ptrdiff_t>(to));
        from = to;
    }
    return out;
}

} // namespace dalvex::sim
