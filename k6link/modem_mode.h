#pragma once
// Entering the GSM modem mode, the first two steps of every operation that talks to the module's
// modem (phonebook, PIN, tests, IMEI, reset, GSM information, service centre, the monitor's
// terminal):
//
//   20  F(0, 0xFD, 0, ConfigImage[BlockIndex]); a reply frame with R0 = 0xAB or R1 = 0xAC: 21
//   21  "AT" CR; the modem's "OK" at positions 5 and 6: OpState := NextOpState. The byte at
//       position 5 is overwritten with "x" and RxCount := 1, so the "OK" is not taken again; the
//       operation's first line goes out when the countdown runs out.

#include "k6link/engine.h"

#include <QString>
#include <cstdint>

namespace dalvex::k6link {

namespace state {
inline constexpr std::int32_t ModemSwitch = 20;
inline constexpr std::int32_t ModemAt = 21;
} // namespace state

// Catalogue texts of the modem-mode entry; the language pass replaces them.
struct ModemModeTexts {
    QString Switching = QStringLiteral("GSM program leállítása...!");
    QString ModemMode = QStringLiteral("GSM modem mód!");
    QString Routing = QStringLiteral("GSM útvonal beállítás...");
    QString Ready = QStringLiteral("GSM modem mód rendben!");
};

class ModemMode {
public:
    static constexpr std::int32_t kAtTicks = 50;
    // Where the modem's "OK" stands after the echo of "AT" CR and the CR LF before the answer.
    static constexpr int kOkPosition = 5;

    // Registers states 20 and 21 with the engine.
    explicit ModemMode(Engine& engine);

    // Starts an operation that needs the modem: NextOpState := next, OpState := 20. With sendNow
    // the switch frame goes out at once, otherwise at the next tick.
    void Enter(std::int32_t next, bool sendNow = true, EndFn onEnd = {});

    ModemModeTexts Texts;

private:
    Engine& e_;
};

} // namespace dalvex::k6link
