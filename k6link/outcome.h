#pragma once
// How an operation of the engine ended, told once to whoever started it. Windows render it as their
// status texts; dalvex-cli maps it to an exit code; tests judge by it. Display texts are never
// compared to learn it.

#include <cstdint>
#include <functional>

namespace dalvex::k6link {

enum class Outcome {
    Done,     // the operation's last step completed
    Failed,   // the operation gave up; `reason` says why (its window has said so in its own words)
    PortLost, // the port's device went away in the middle of it
    Stopped,  // stopped by the user, or abandoned by the start of another operation
};

enum class FailReason {
    None,
    TransferError, // a memory-write block was not acknowledged as written (voice, firmware)
    PinRefused,    // the SIM refused the PIN, or never became ready for it
    NotVerified,   // blocks a send wrote did not read back as they were sent
};

struct OperationEnd {
    Outcome outcome = Outcome::Done;
    FailReason reason = FailReason::None;
    std::int32_t startState = 0; // the state the operation was begun with
};

using EndFn = std::function<void(const OperationEnd&)>;

// How Engine::Stop ends an operation.
enum class StopMode {
    AtOnce,        // nothing more is sent
    BetweenBlocks, // the block in flight is finished (acknowledged or given up on), then nothing more
};

// What the engine does with the next software version reply.
enum class VersionNotice {
    None,
    ShowNow,       // show the version message at the next tick
    FromMenu,      // asked for from the menu: show it when it arrives
    AfterFirmware, // close the firmware window when it arrives
};

} // namespace dalvex::k6link
