#include "state_table.h"

#include <utility>

namespace dalvex::k6link {

bool StateTable::add(StateDef def) {
    const std::int32_t state = def.state;
    return states_.try_emplace(state, std::move(def)).second;
}

const StateDef* StateTable::find(std::int32_t state) const {
    const auto it = states_.find(state);
    return it == states_.end() ? nullptr : &it->second;
}

} // namespace dalvex::k6link
