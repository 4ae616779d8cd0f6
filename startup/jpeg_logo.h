#pragma once
// Decoding of the optional logo picture of the start directory. A missing, unreadable or corrupt
// file gives nothing, and the window shows its built-in logo; a bad file never ends the program.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dalvex {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
};

// Pictures larger than this are refused rather than decoded.
inline constexpr int kMaxLogoSide = 4096;

std::optional<RgbImage> DecodeJpeg(const std::vector<std::uint8_t>& data);
std::optional<RgbImage> LoadJpegFile(const std::string& path);

}  // namespace dalvex
