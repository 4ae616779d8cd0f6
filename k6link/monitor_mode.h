#pragma once
// The module's monitor mode, in which it streams its trace as text:
//
//   80  F(0, 0xFB, 1, 0); a reply frame with R0 = 0xAB and R1 = 0xAC: RxCount := 0, 82
//   82  nothing is sent; every received chunk is handed to the host as text, RxCount := 0
//   81  F(0, 0xFB, 0, 0) (monitor off, also when the SMS service-centre window closes); a reply
//       frame with R0 = 0xAB and R1 = 0xAC: RxCount := 0, F(2, 2, 0, 0) is sent, idle
//
// The terminal to the GSM modem enters 82 through the modem mode (20, 21) with NextOpState 82.

#include "k6link/engine.h"

#include <cstdint>
#include <functional>
#include <span>

namespace dalvex::k6link {

namespace state {
inline constexpr std::int32_t MonitorOn = 80;
inline constexpr std::int32_t MonitorOff = 81;
inline constexpr std::int32_t MonitorStream = 82;
} // namespace state

class MonitorMode {
public:
    // Registers states 80, 81 and 82 with the engine.
    explicit MonitorMode(Engine& engine);

    // Receives every chunk streamed in state 82. Unset: the chunks are dropped.
    std::function<void(std::span<const std::uint8_t>)> OnText;

    void Start() { e_.OpState = state::MonitorOn; }
    void Stop() { e_.OpState = state::MonitorOff; }

private:
    Engine& e_;
};

} // namespace dalvex::k6link
