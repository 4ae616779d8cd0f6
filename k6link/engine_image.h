#pragma once
// The configuration image as the engine sees it: the module's 4 MiB memory at module addresses,
// owned by the engine for the whole run. The engine and its operations reach the image only
// through ConfigImageType's at(), set() and block(), so the image type is chosen here and nowhere
// else.

#include <cstdint>
#include <span>
#include <vector>

namespace dalvex::k6link {

class EngineImage {
public:
    static constexpr std::uint32_t kSize = 0x400000;

    EngineImage()
        : bytes_(kSize, 0) {}

    static constexpr std::uint32_t size() { return kSize; }
    static constexpr bool contains(std::uint32_t address, std::uint32_t length = 1) {
        return address <= kSize && length <= kSize - address;
    }

    // A byte outside the image reads as 0xFF (unprogrammed memory) and is never written.
    std::uint8_t at(std::uint32_t address) const { return contains(address) ? bytes_[address] : 0xFF; }
    void set(std::uint32_t address, std::uint8_t value) {
        if (contains(address)) bytes_[address] = value;
    }
    // `length` bytes from `address`; empty when the range leaves the image.
    std::span<const std::uint8_t> block(std::uint32_t address, std::uint32_t length) const {
        if (!contains(address, length)) return {};
        return std::span<const std::uint8_t>(bytes_).subspan(address, length);
    }

private:
    std::vector<std::uint8_t> bytes_;
};

using ConfigImageType = EngineImage;

} // namespace dalvex::k6link
