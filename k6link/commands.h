#pragma once
// The K6 module's command codes and the formats of what goes over the line, in one place.
//
// Formats (all numbers are bytes, positions count from 0):
//   command frame      F(b0, b1, b2, b3): a SixByteFrame; b1 is the command code, byte-addressed
//                      commands carry the address high byte in b0 and the low byte in b2
//   reply frame        six bytes R0..R5, valid by the SixByteFrame check rule; R0 = 0xAB is the
//                      module's acknowledgement mark, byte replies echo the address low byte in R2
//                      and carry the value in R3, mode switches answer R0 = 0xAB or R1 = 0xAC
//   block write        262 bytes: F(S, 0xF6, P1, P2) and 256 data bytes, S = data sum mod 256;
//                      acknowledged by the single byte S
//   block read reply   257 bytes: 256 data bytes and their sum mod 256
//   event log block    256 bytes: four 64-byte records
//   modem lines        ASCII lines for the GSM modem, passed through in modem mode

#include "startup/six_byte_frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace dalvex::k6link {

// Byte 1 of a command frame.
enum class Cmd : std::uint8_t {
    ReadByte = 0x00,
    WriteByte = 0x01,
    ReadStatus = 0x02,
    ReadLog = 0x08,
    BlockWrite = 0xF6,
    BlockRead = 0xF7,
    ProcessorQuery = 0xF8,
    LogicLoad = 0xF9,
    BulkStart = 0xFA,
    Monitor = 0xFB,
    SetClock = 0xFC,
    ModemMode = 0xFD,
    Restart = 0xFF,
};

// What the module sends back for a command.
enum class Answer {
    SixByte,   // one reply frame
    LogBlock,  // 256 bytes of event log
    BlockRead, // 256 data bytes and their sum
    BlockSum,  // the one byte S of the block just written
    AnyBytes,  // anything; its arrival is what counts
    None,      // nothing is awaited
};

struct CommandInfo {
    Cmd code;
    std::string_view frame; // how the frame is built
    Answer answer;
};

inline constexpr std::array<CommandInfo, 13> kCommands{{
    {Cmd::ReadByte, "F(A >> 8, 0, A & 0xFF, 0)", Answer::SixByte},
    {Cmd::WriteByte, "F(A >> 8, 1, A & 0xFF, V)", Answer::SixByte},
    {Cmd::ReadStatus, "F(A >> 8, 2, A & 0xFF, 0)", Answer::SixByte},
    {Cmd::ReadLog, "F(0, 8, N & 0xFF, N >> 8)", Answer::LogBlock},
    {Cmd::BlockWrite, "F(S, 0xF6, P1, P2) + 256 data bytes", Answer::BlockSum},
    {Cmd::BlockRead, "F(0, 0xF7, P & 0xFF, P >> 8)", Answer::BlockRead},
    {Cmd::ProcessorQuery, "F(0, 0xF8, 0, 0)", Answer::SixByte},
    {Cmd::LogicLoad, "F(0, 0xF9, 0xAA, 0)", Answer::None},
    {Cmd::BulkStart, "F(0, 0xFA, x, y)", Answer::AnyBytes},
    {Cmd::Monitor, "F(0, 0xFB, on, 0)", Answer::SixByte},
    {Cmd::SetClock, "F(0, 0xFC, 0, 0) + 12 ASCII digits", Answer::SixByte},
    {Cmd::ModemMode, "F(0, 0xFD, 0, ConfigImage[BlockIndex])", Answer::SixByte},
    {Cmd::Restart, "F(0, 0xFF, 0xAA, 0)", Answer::None},
}};

constexpr const CommandInfo* findCommand(Cmd code) {
    for (const CommandInfo& c : kCommands)
        if (c.code == code) return &c;
    return nullptr;
}

inline constexpr std::uint8_t kAckMark = 0xAB;    // R0 of an acknowledging reply
inline constexpr std::uint8_t kModeMark = 0xAC;   // R1 of a mode-switch reply
inline constexpr std::uint8_t kClockMark = 0xAA;  // R1 of the clock-set reply
inline constexpr std::uint8_t kCommandKey = 0xAA; // b2 of the restart and logic-load commands

inline constexpr std::uint16_t kVersionAddress = 254; // the software version register
inline constexpr std::uint16_t kTypeAddress = 255;    // the type-code register

inline constexpr std::size_t kFrameSize = 6;
inline constexpr std::size_t kBlockSize = 256;
inline constexpr std::size_t kBlockWriteSize = kFrameSize + kBlockSize; // 262
inline constexpr std::size_t kBlockReadSize = kBlockSize + 1;           // 257
inline constexpr std::size_t kLogBlockSize = kBlockSize;                // 256

// F(b0, b1, b2, b3) with a command code.
constexpr SixByteFrame Frame(std::uint8_t b0, Cmd cmd, std::uint8_t b2, std::uint8_t b3) {
    return SixByteFrame::make(b0, static_cast<std::uint8_t>(cmd), b2, b3);
}

// The sum of a block's bytes modulo 256.
constexpr std::uint8_t BlockSum(std::span<const std::uint8_t> data) {
    unsigned s = 0;
    for (std::uint8_t b : data)
        s += b;
    return static_cast<std::uint8_t>(s & 0xFFu);
}

} // namespace dalvex::k6link
