#pragma once
// What a send will change: the image about to be sent compared with the image last read, control
// by control as the pages show them. Both images are decoded through the memory map into page
// values and the values are compared, so a change appears once, as the technician knows it ("Phone 3:
// 3620... → 3630..."), however many bytes it touched. Bytes that no field of the map describes are
// compared raw and reported by address. Only the areas a send writes are compared: the
// configuration (0..1023), the Contact ID bank (0x340000..) and the server profiles (0x350000..).

#include "config_codec.h"
#include "config_image.h"

#include <QString>
#include <cstdint>
#include <span>
#include <vector>

namespace dalvex::k6config {

struct DiffRow {
    QString control; // component name; empty for a raw byte
    int row = -1;    // grid cell, or -1
    int column = -1;
    QString before; // as the page shows it
    QString after;
    std::uint32_t address = 0; // raw bytes only
    bool raw() const { return control.isEmpty(); }
};

// The areas of the image a send writes: [first, end) pairs.
struct ImageArea {
    std::uint32_t first, end;
};
inline constexpr ImageArea kConfigArea{0, 1536};         // six 256-byte blocks
inline constexpr ImageArea kBytewiseConfigArea{0, 1024}; // what the byte-wise transfer moves
inline constexpr ImageArea kContactIdArea{0x340000, 0x350000};
inline constexpr ImageArea kProfileArea{0x350000, 0x350500};
inline constexpr ImageArea kSentAreas[] = {kConfigArea, kContactIdArea, kProfileArea};

// Compares the areas `compared` (those the last read brought in and the send will write); in the
// other areas `after` counts for both, so what the module was never asked for shows no change.
std::vector<DiffRow> DiffImages(const ConfigImage& before, const ConfigImage& after,
                                const ImageContext& context,
                                std::span<const ImageArea> compared = kSentAreas);

// Copies the sent areas of `from` into `to`; the rest of `to` is left as it is.
void CopySentAreas(const ConfigImage& from, ConfigImage& to);

} // namespace dalvex::k6config
