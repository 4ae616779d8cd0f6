#pragma once
// Names for what goes over the line, for the serial trace: a chunk that is a command frame (with
// its payload, where the command has one) or a reply frame is named after the command table,
// "block read 0x3400", so a trace can be read without the protocol at hand.

#include <cstdint>
#include <span>
#include <string>

namespace dalvex::k6link {

// A chunk the PC sent. Empty when it is no command frame (modem text, a raw block).
std::string DescribeCommand(std::span<const std::uint8_t> chunk);
// A chunk the module sent. Empty when it is no reply frame and no checked block.
std::string DescribeReply(std::span<const std::uint8_t> chunk);

} // namespace dalvex::k6link
