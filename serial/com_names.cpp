#include "com_names.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace dalvex {

namespace {

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

struct DefaultRange {
    int first, last;
    const char* devicePrefix;
};
constexpr DefaultRange kDefaultDevices[] = {
    {1, 16, "/dev/ttyUSB"},
    {17, 32, "/dev/ttyACM"},
    {33, 64, "/dev/ttyS"},
};

} // namespace

std::string configHome() {
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return x;
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config";
    return ".config";
}

std::string portsFolder(const std::string& toolName) {
    if (const char* p = std::getenv("DALVEX_PORTS"); p && *p) return p;
    return configHome() + "/GSM/" + toolName + "/ports";
}

std::optional<int> comPortNumber(const std::string& name) {
    std::string_view s = name;
    if (s.starts_with("\\\\.\\")) s.remove_prefix(4);
    if (s.ends_with(':')) s.remove_suffix(1);
    if (!startsWithNoCase(s, "COM")) return std::nullopt;
    s.remove_prefix(3);
    if (s.empty() || s.size() > 6) return std::nullopt;
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1) return std::nullopt;
    return n;
}

std::optional<std::string> resolveComDevice(const std::string& name) {
    namespace fs = std::filesystem;
    if (name.starts_with('/')) return name;
    const auto n = comPortNumber(name);
    if (!n) return std::nullopt;

    // Link names are matched without regard to case, as COM names are.
    const std::string wanted = "com" + std::to_string(*n);
    std::error_code ec;
    for (fs::directory_iterator it(portsFolder(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.size() == wanted.size() && startsWithNoCase(file, wanted)) return it->path().string();
    }
    for (const auto& r : kDefaultDevices)
        if (*n >= r.first && *n <= r.last) return r.devicePrefix + std::to_string(*n - r.first);
    return std::nullopt;
}

std::string comPortName(int n) {
    return (n <= 9 ? "COM" : "\\\\.\\COM") + std::to_string(n);
}

std::string comDisplayName(const std::string& name) {
    return name.starts_with("\\\\.\\") ? name.substr(4) : name;
}

} // namespace dalvex
