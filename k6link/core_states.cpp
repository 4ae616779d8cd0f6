#include "core_states.h"

#include "k6link/engine.h"
#include "k6link/engine_host.h"

#include <array>

namespace dalvex::k6link {

namespace {

void SendVersionQuery(Engine& e) {
    e.SendFrame(Frame(0, Cmd::ReadByte, kVersionAddress, 0));
    e.ShowStatus(e.Texts.VersionCheck);
}

bool VersionReply(Engine& e, std::span<const std::uint8_t> r) {
    if (r[0] != kAckMark || r[2] != kVersionAddress) return false;
    if (r[3] > kNoVersionUpTo) e.Version = r[3];
    e.RxCount = 0;
    e.OpState = state::Idle;
    EngineHost& host = e.Host();
    host.SetStatusPanel(3, QString());
    host.SetStatusPanel(2, QString::fromLatin1(kVersionPrefix) + Engine::VersionText(e.Version));
    host.EnableTransferButtons();
    if (e.Notice == notice::FromMenu) {
        e.Notice = notice::ShowNow;
    } else if (e.Notice == notice::AfterFirmware) {
        host.CloseFirmwareWindow();
        e.Notice = notice::None;
    }
    host.ApplyVersionRules(e.Version, e.ModuleType);
    return true;
}

void SendRestart(Engine& e) {
    e.SendFrame(Frame(0, Cmd::Restart, kCommandKey, 0));
}

void SendTestBlock(Engine& e) {
    std::array<std::uint8_t, kBlockSize> block;
    block.fill(kSend256Fill);
    e.SendBlock(kSend256Block, 0, block);
}

} // namespace

void RegisterEngineStates(StateTable& table) {
    table.add(StateDef(state::Idle));
    table.add(StateDef(state::VersionQuery).sends(SendVersionQuery).replies(VersionReply));
    table.add(StateDef(state::Restart).sends(SendRestart).thenAtOnce(state::Idle));
    table.add(StateDef(state::Send256).sends(SendTestBlock).thenAtOnce(state::Idle));
}

} // namespace dalvex::k6link
