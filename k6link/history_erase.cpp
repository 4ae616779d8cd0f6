#include "history_erase.h"

#include "k6link/core_states.h"

#include <array>

namespace dalvex::k6link {

namespace {

void SendErasedBlock(Engine& e, std::uint8_t block) {
    std::array<std::uint8_t, kBlockSize> erased;
    erased.fill(0xFF);
    e.SendBlock(block, 0, erased);
}

} // namespace

HistoryErase::HistoryErase(Engine& engine)
    : e_(engine) {
    StateTable& t = e_.States();
    t.add(StateDef(state::EraseLog)
              .sends([](Engine& e) { SendErasedBlock(e, kLogBlock); })
              .countdown(kBlockTicks)
              .replies(
                  [](Engine& e, std::span<const std::uint8_t>) {
                      // The next block waits for the rest of the countdown: the module may
                      // acknowledge before its flash has been written.
                      e.RxCount = 0;
                      e.OpState = state::EraseSignal;
                      return true;
                  },
                  ReplyKind::BlockAck));
    t.add(StateDef(state::EraseSignal)
              .sends([](Engine& e) { SendErasedBlock(e, kSignalBlock); })
              .countdown(kBlockTicks)
              .replies(
                  [this](Engine& e, std::span<const std::uint8_t>) {
                      e.RxCount = 0;
                      e.OpState = state::Restart; // also after the rest of the countdown
                      e.ShowStatus(Texts.Done);
                      return true;
                  },
                  ReplyKind::BlockAck));
}

void HistoryErase::Start(EndFn onEnd) {
    e_.Begin(state::EraseLog, std::move(onEnd));
    // With the port closed (the engine idle for a while) the block would go nowhere and wait out
    // its long countdown: the next tick opens the port and sends it instead.
    if (e_.PortOpen)
        e_.SendStep();
    else
        e_.TimeoutTicks = 0;
}

} // namespace dalvex::k6link
