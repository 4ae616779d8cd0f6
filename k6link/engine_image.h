#pragma once
// The configuration image as the engine sees it: the module's 4 MiB memory at module addresses,
// owned by the engine for the whole run. The engine and its operations reach the image only
// through ConfigImageType's at(), set() and block(), so the image type is chosen here and nowhere
// else.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <span>

namespace dalvex::k6link {

class EngineImage {
public:
    static constexpr std::uint32_t kSize = 0x400000;

    // Zeroed by calloc, so the pages of an image nobody has filled yet cost no memory.
    EngineImage()
        : bytes_(static_cast<std::uint8_t*>(std::calloc(kSize, 1))) {
        if (!bytes_) throw std::bad_alloc();
    }

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
        return std::span<const std::uint8_t>(bytes_.get() + address, length);
    }

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t[], Free> bytes_;
};

using ConfigImageType = EngineImage;

} // namespace dalvex::k6link
