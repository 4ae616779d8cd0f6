#include "config_image.h"

#include <algorithm>
#include <cstring>

namespace dalvex::k6config {

ConfigImage::ConfigImage()
    : bytes_(kSize, 0) {}

void ConfigImage::fill(std::uint32_t address, std::uint32_t length, std::uint8_t value) {
    if (address >= kSize) return;
    length = std::min(length, kSize - address);
    std::fill_n(bytes_.begin() + address, length, value);
}

QByteArray ConfigImage::read(std::uint32_t address, std::uint32_t length) const {
    if (address >= kSize) return {};
    length = std::min(length, kSize - address);
    return QByteArray(reinterpret_cast<const char*>(bytes_.data() + address), static_cast<qsizetype>(length));
}

bool ConfigImage::write(std::uint32_t address, const QByteArray& data) {
    if (data.size() > qsizetype{kSize} || !contains(address, static_cast<std::uint32_t>(data.size())))
        return false;
    if (!data.isEmpty())
        std::memcpy(bytes_.data() + address, data.constData(), static_cast<size_t>(data.size()));
    return true;
}

} // namespace dalvex::k6config
