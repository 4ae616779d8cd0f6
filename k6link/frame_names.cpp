#include "frame_names.h"

#include "k6link/commands.h"

#include <cstdio>

namespace dalvex::k6link {

namespace {

std::string Hex(unsigned value, int digits) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%0*X", digits, value);
    return b;
}

} // namespace

std::string DescribeCommand(std::span<const std::uint8_t> chunk) {
    if (chunk.size() < kFrameSize || !SixByteFrame::isValid(chunk.first(kFrameSize))) return {};
    const std::uint8_t b0 = chunk[0], b2 = chunk[2], b3 = chunk[3];
    const unsigned address = static_cast<unsigned>(b0) << 8 | b2;
    const std::size_t payload = chunk.size() - kFrameSize;
    switch (static_cast<Cmd>(chunk[1])) {
    case Cmd::ReadByte:
        if (address == kTypeAddress) return "identification probe (byte read 0x00FF)";
        if (address == kVersionAddress) return "version query (byte read 0x00FE)";
        return "byte read " + Hex(address, 4);
    case Cmd::WriteByte:
        return "byte write " + Hex(address, 4) + " = " + Hex(b3, 2);
    case Cmd::ReadStatus:
        return "status read " + Hex(address, 4);
    case Cmd::ReadLog:
        return "event log block " + std::to_string(static_cast<unsigned>(b3) << 8 | b2);
    case Cmd::BlockWrite:
        return "block write " + Hex(static_cast<unsigned>(b2) << 8 | b3, 4) + ", sum " + Hex(b0, 2) +
               (payload == kBlockSize ? "" : " (" + std::to_string(payload) + " data bytes in this chunk)");
    case Cmd::BlockRead:
        return "block read " + Hex(static_cast<unsigned>(b3) << 8 | b2, 4);
    case Cmd::ProcessorQuery:
        return "processor query";
    case Cmd::LogicLoad:
        return "programmable logic load";
    case Cmd::BulkStart:
        return "memory write from page " + Hex(static_cast<unsigned>(b2) << 8 | b3, 4);
    case Cmd::Monitor:
        return b2 ? "monitor on" : "monitor off";
    case Cmd::SetClock: {
        std::string digits(chunk.begin() + kFrameSize, chunk.end());
        return "clock set" + (digits.empty() ? std::string() : " " + digits);
    }
    case Cmd::ModemMode:
        return "GSM modem mode";
    case Cmd::Restart:
        return "restart";
    }
    if (chunk[1] == 254) return "identification probe";
    return {};
}

std::string DescribeReply(std::span<const std::uint8_t> chunk) {
    if (chunk.size() == kBlockReadSize && BlockSum(chunk.first(kBlockSize)) == chunk[kBlockSize])
        return "256 data bytes and their sum";
    if (chunk.size() != kFrameSize || !SixByteFrame::isValid(chunk)) return {};
    if (chunk[1] == kModeMark) return "reply: mode switched";
    if (chunk[0] == kAckMark && chunk[1] == kClockMark) return "reply: clock set";
    if (chunk[0] == kAckMark) return "reply: " + Hex(chunk[3], 2) + " at " + Hex(chunk[2], 2);
    return "reply frame";
}

} // namespace dalvex::k6link
