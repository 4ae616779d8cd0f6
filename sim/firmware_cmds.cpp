#include "firmware_cmds.h"

#include "module_sim.h"

namespace dalvex::sim {

Processor processorOf(std::uint8_t typeCode) {
    switch (typeCode) {
    case 72:
        return {10, 72};
    case 73:
        return {12, 73};
    case 74:
        return {10, 74};
    case 75:
        return {10, 75};
    default:
        return {0, typeCode};
    }
}

void registerFirmwareCommands(ModuleSim& module) {
    module.registerCommand(kCmdProcessorQuery, [](Exchange& ex) {
        ModuleSim& m = ex.module();
        FirmwareState& f = m.firmware();
        ++f.processorQueries;
        const Processor p = f.processor.value_or(processorOf(m.typeCode()));
        ex.replyFrame(p[0], p[1], m.version(), f.version2);
    });
    module.registerCommand(kCmdLogicLoad, [](Exchange& ex) {
        if (ex.frame().addressLow() == kLogicLoadKey) ++ex.module().firmware().logicLoads;
    });
}

} // namespace dalvex::sim
