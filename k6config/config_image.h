#pragma once
// The configuration image: the module's 4 MiB memory mirrored byte for byte at module addresses.
// Every access is checked against the image's size; nothing here can write outside it.

#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

namespace dalvex::k6config {

class ConfigImage {
public:
    static constexpr std::uint32_t kSize = 0x400000;

    // Zeroed by calloc, so the pages of an image nobody has filled cost no memory.
    ConfigImage();
    ConfigImage(const ConfigImage& other);
    ConfigImage& operator=(const ConfigImage& other);
    ConfigImage(ConfigImage&&) noexcept = default;
    ConfigImage& operator=(ConfigImage&&) noexcept = default;

    static constexpr std::uint32_t size() { return kSize; }
    // True when the `length` bytes from `address` all lie inside the image.
    static constexpr bool contains(std::uint32_t address, std::uint32_t length = 1) {
        return address <= kSize && length <= kSize - address;
    }

    // A byte outside the image reads as 0xFF (unprogrammed memory) and is never written.
    std::uint8_t at(std::uint32_t address) const { return contains(address) ? bytes_[address] : 0xFF; }
    void set(std::uint32_t address, std::uint8_t value) {
        if (contains(address)) bytes_[address] = value;
    }
    void fill(std::uint32_t address, std::uint32_t length, std::uint8_t value);

    // Block copies for the transfers and files. `read` gives fewer bytes (possibly none) where the
    // range leaves the image; `write` stores nothing and returns false when it would.
    QByteArray read(std::uint32_t address, std::uint32_t length) const;
    bool write(std::uint32_t address, const QByteArray& data);

    // `length` bytes from `address`; empty when the range leaves the image.
    std::span<const std::uint8_t> block(std::uint32_t address, std::uint32_t length) const {
        if (!contains(address, length)) return {};
        return {bytes_.get() + address, length};
    }

    const std::uint8_t* data() const { return bytes_.get(); }

    bool operator==(const ConfigImage& other) const;

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t[], Free> bytes_;
};

} // namespace dalvex::k6config
