#include "modem_mode.h"

#include <array>

namespace dalvex::k6link {

ModemMode::ModemMode(Engine& engine)
    : e_(engine) {
    StateTable& t = e_.States();
    t.add(StateDef(state::ModemSwitch)
              .sends([this](Engine& e) {
                  const auto index = static_cast<std::uint32_t>(e.BlockIndex);
                  e.SendFrame(Frame(0, Cmd::ModemMode, 0, e.ConfigImage.at(index)));
                  e.ShowStatus(Texts.Switching);
              })
              .replies([this](Engine& e, std::span<const std::uint8_t> r) {
                  if (r[0] != kAckMark && r[1] != kModeMark) return false;
                  e.OpState = state::ModemAt;
                  e.ShowStatus(Texts.ModemMode);
                  return true;
              }));
    t.add(StateDef(state::ModemAt)
              .sends([this](Engine& e) {
                  static constexpr std::array<std::uint8_t, 3> kAt{'A', 'T', '\r'};
                  e.SendBytes(kAt);
                  e.ShowStatus(Texts.Routing);
              })
              .countdown(kAtTicks)
              .replies(
                  [this](Engine& e, std::span<const std::uint8_t> r) {
                      if (static_cast<int>(r.size()) <= kOkPosition + 1) return false;
                      if (r[kOkPosition] != 'O' || r[kOkPosition + 1] != 'K') return false;
                      e.OpState = e.NextOpState;
                      e.ShowStatus(Texts.Ready);
                      e.RxBuffer[kOkPosition] = 'x';
                      e.RxCount = 1;
                      return true;
                  },
                  ReplyKind::Text));
}

void ModemMode::Enter(std::int32_t next, bool sendNow, EndFn onEnd) {
    e_.Begin(state::ModemSwitch, std::move(onEnd));
    e_.NextOpState = next;
    if (sendNow) e_.SendStep();
}

} // namespace dalvex::k6link
