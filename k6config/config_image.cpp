#include "config_image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace dalvex::k6config {

namespace {
std::uint8_t* Allocate() {
    auto* p = static_cast<std::uint8_t*>(std::calloc(ConfigImage::kSize, 1));
    if (!p) throw std::bad_alloc();
    return p;
}
} // namespace

ConfigImage::ConfigImage()
    : bytes_(Allocate()) {}

ConfigImage::ConfigImage(const ConfigImage& other)
    : bytes_(Allocate()) {
    std::memcpy(bytes_.get(), other.bytes_.get(), kSize);
}

ConfigImage& ConfigImage::operator=(const ConfigImage& other) {
    if (this != &other) std::memcpy(bytes_.get(), other.bytes_.get(), kSize);
    return *this;
}

bool ConfigImage::operator==(const ConfigImage& other) const {
    return std::memcmp(bytes_.get(), other.bytes_.get(), kSize) == 0;
}

void ConfigImage::fill(std::uint32_t address, std::uint32_t length, std::uint8_t value) {
    if (address >= kSize) return;
    length = std::min(length, kSize - address);
    std::fill_n(bytes_.get() + address, length, value);
}

QByteArray ConfigImage::read(std::uint32_t address, std::uint32_t length) const {
    if (address >= kSize) return {};
    length = std::min(length, kSize - address);
    return QByteArray(reinterpret_cast<const char*>(bytes_.get() + address), static_cast<qsizetype>(length));
}

bool ConfigImage::write(std::uint32_t address, const QByteArray& data) {
    if (data.size() > qsizetype{kSize} || !contains(address, static_cast<std::uint32_t>(data.size())))
        return false;
    if (!data.isEmpty())
        std::memcpy(bytes_.get() + address, data.constData(), static_cast<size_t>(data.size()));
    return true;
}

} // namespace dalvex::k6config
