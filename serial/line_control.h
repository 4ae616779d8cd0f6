#pragma once
// The line-control block of a serial device: speed, character format, flow control and options,
// mapped on Linux termios. Kept apart from the component because the kernel's termios2 (needed for
// speeds such as 14400 or 56000 baud) cannot share a translation unit with <termios.h>.

#include "async32_types.h"

#include <cstdint>

namespace dalvex::line {

struct LineSettings {
    TBaudRate baudRate = cbr9600;
    TParity parity = paNone;
    TStopbits stopbits = sb10;
    TDatabits databits = da8;
    TFlowControl flowControl = fcDefault;
    std::uint8_t xonChar = 17;
    std::uint8_t xoffChar = 19;
    TAsynComm32Options options;
};

// Which part of the block to change; All applies every field.
enum class Field { All, BaudRate, Parity, Stopbits, Databits, FlowControl, XonXoff, Options };

// Puts the line into the driver's plain state: raw bytes, receiver on, no echo, no translation,
// reads never block (VMIN = VTIME = 0). Returns 0 or an errno value.
int ResetLine(int fd);
// Reads the current block, changes `which` from `s`, writes the block back. Returns 0 or errno.
int ApplyLineSettings(int fd, const LineSettings& s, Field which);
// The output speed the driver holds now, in baud; -1 when it cannot be read.
int CurrentBaud(int fd);
// Discards both driver queues.
void Purge(int fd);

} // namespace dalvex::line
