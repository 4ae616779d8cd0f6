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

std::vector<std::int32_t> StateTable::ids() const {
    std::vector<std::int32_t> out;
    out.reserve(states_.size());
    for (const auto& entry : states_)
        out.push_back(entry.first);
    return out;
}

} // namespace dalvex::k6link
