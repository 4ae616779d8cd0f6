#include "monitor_mode.h"

#include "k6link/core_states.h"

namespace dalvex::k6link {

namespace {

bool IsModeReply(std::span<const std::uint8_t> r) {
    return r[0] == kAckMark && r[1] == kModeMark;
}

} // namespace

MonitorMode::MonitorMode(Engine& engine)
    : e_(engine) {
    StateTable& t = e_.States();
    t.add(StateDef(state::MonitorOn)
              .sends([](Engine& e) { e.SendFrame(Frame(0, Cmd::Monitor, 1, 0)); })
              .replies([](Engine& e, std::span<const std::uint8_t> r) {
                  if (!IsModeReply(r)) return false;
                  e.RxCount = 0;
                  e.OpState = state::MonitorStream;
                  return true;
              }));
    t.add(StateDef(state::MonitorStream)
              .replies(
                  [this](Engine& e, std::span<const std::uint8_t> r) {
                      if (OnText) OnText(r);
                      e.RxCount = 0;
                      return true;
                  },
                  ReplyKind::Text));
    t.add(StateDef(state::MonitorOff)
              .sends([](Engine& e) { e.SendFrame(Frame(0, Cmd::Monitor, 0, 0)); })
              .replies([](Engine& e, std::span<const std::uint8_t> r) {
                  if (!IsModeReply(r)) return false;
                  e.RxCount = 0;
                  e.SendFrame(Frame(2, Cmd::ReadStatus, 0, 0));
                  e.OpState = state::Idle;
                  return true;
              }));
}

} // namespace dalvex::k6link
