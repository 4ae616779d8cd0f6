#pragma once
// Erasing the event log and the signal-strength memory: the first block of each is overwritten
// with 256 bytes of 0xFF (their end mark), then the module is restarted.
//
//   1110  F(0, 0xF6, 0x10, 0) + 256 x 0xFF (block 0x1000, the event log), countdown 50;
//         the acknowledgement 0 (the sum of the block): 1111
//   1111  F(0, 0xF6, 0x30, 0) + 256 x 0xFF (block 0x3000, the signal memory), countdown 50;
//         the acknowledgement: 200 and "Sikeres napló és térerő törlés"
//   200   the restart, then idle (the engine's own state)
//
// An acknowledgement only moves the state on: the next command goes when the block's countdown
// has run out (about 2.5 s at the engine's 50 ms tick), because a module may acknowledge a block
// before it has finished writing it into its flash.

#include "k6link/engine.h"

#include <QString>
#include <cstdint>

namespace dalvex::k6link {

namespace state {
inline constexpr std::int32_t EraseLog = 1110;
inline constexpr std::int32_t EraseSignal = 1111;
} // namespace state

struct EraseTexts {
    QString Done = QStringLiteral("Sikeres napló és térerő törlés");
};

class HistoryErase {
public:
    static constexpr std::uint8_t kLogBlock = 0x10;    // block 0x1000
    static constexpr std::uint8_t kSignalBlock = 0x30; // block 0x3000
    static constexpr std::int32_t kBlockTicks = 50;

    // Registers states 1110 and 1111 with the engine.
    explicit HistoryErase(Engine& engine);

    // "Napló/Térerő TÖRLÉSE": OpState := 1110 and its block goes out at once (at the next tick when
    // the port is not open yet).
    void Start(EndFn onEnd = {});

    EraseTexts Texts;

private:
    Engine& e_;
};

} // namespace dalvex::k6link
