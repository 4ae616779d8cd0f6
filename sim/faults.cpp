#include "faults.h"

#include <algorithm>
#include <charconv>

namespace dalvex::sim {

const FaultInfo* findFault(std::string_view name) {
    for (const FaultInfo& f : kFaults)
        if (f.name == name) return &f;
    return nullptr;
}

const FaultInfo& faultInfo(Fault fault) {
    for (const FaultInfo& f : kFaults)
        if (f.fault == fault) return f;
    return kFaults.front();
}

std::optional<FaultSetting> parseFault(std::string_view text, std::string* error) {
    auto fail = [error](std::string message) -> std::optional<FaultSetting> {
        if (error) *error = std::move(message);
        return std::nullopt;
    };
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const FaultInfo* info = findFault(name);
    if (!info) return fail("unknown failure mode \"" + std::string(name) + "\"");

    FaultSetting setting{info->fault, 0};
    if (colon == std::string_view::npos) return setting;
    if (!info->takesCount) return fail("failure mode \"" + std::string(name) + "\" takes no count");
    const std::string_view count = text.substr(colon + 1);
    const char* end = count.data() + count.size();
    auto [ptr, ec] = std::from_chars(count.data(), end, setting.count);
    if (count.empty() || ec != std::errc() || ptr != end || setting.count < 0)
        return fail("the count of \"" + std::string(name) + "\" must be a whole number from 0 up");
    return setting;
}

std::string faultHelp(int indent) {
    constexpr std::size_t kNameWidth = 16;
    std::string out;
    for (const FaultInfo& f : kFaults) {
        std::string name(f.name);
        if (f.takesCount) name += ":N";
        out += std::string(static_cast<std::size_t>(std::max(indent, 0)), ' ') + name +
               std::string(name.size() < kNameWidth ? kNameWidth - name.size() : 1, ' ') +
               std::string(f.description) + "\n";
    }
    return out;
}

} // namespace dalvex::sim
