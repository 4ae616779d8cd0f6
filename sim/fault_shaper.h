#pragma once
// What a failure mode does to the module's replies as they leave: one decision per reply, shared
// by every transport that carries the module's bytes (the pseudo-terminal of pty_module.h, and a
// transport that hands them to the PC side in the same process). The transport carries out the
// decision: writes the pieces (a split reply's kSplitGap apart), drops the reply, or closes the line.
//
// Counting follows faults.h: exchanges count from the moment the fault is set, memory-write blocks
// likewise for drop-ack.

#include "sim/faults.h"
#include "sim/module_sim.h"

#include <cstdint>
#include <vector>

namespace dalvex::sim {

struct Outgoing {
    enum class Action {
        Write,  // the pieces go out, in order
        Drop,   // nothing goes out
        HangUp, // the line closes
        Vanish, // the line closes and the adapter's port names disappear
    };
    Action action = Action::Drop;
    std::vector<std::vector<std::uint8_t>> pieces;
};

class FaultShaper {
public:
    // Sets the failure mode; counting starts with the module's next exchange and memory-write block.
    // drop-write is handed to the module (ModuleSim::dropBlockWrite); any other mode takes it back.
    void set(Fault fault, int n, ModuleSim& module);
    Fault fault() const { return fault_; }
    // What leaves the line for `reply`, decided right after the module produced it.
    Outgoing shape(const Reply& reply, const ModuleSim& module) const;

private:
    Fault fault_ = Fault::None;
    int count_ = 0;
    std::uint64_t base_ = 0;      // exchanges before the fault was set
    std::uint64_t blockBase_ = 0; // memory-write blocks before the fault was set
};

} // namespace dalvex::sim
