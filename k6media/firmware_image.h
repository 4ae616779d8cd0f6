#pragma once
// The firmware images as the program carries them and the buffer the download sends from.
//
// An image is hexadecimal text, two digits per byte, most significant first, broken into lines
// of 1 to 29 characters at arbitrary places (so the two digits of a byte may stand on two lines).
// The texts are resources (k6media/firmware_images.qrc): a build swaps in other images by
// pointing the resource entries at other files; nothing here depends on their content.
//
// Conversion (ConvertFirmwareText) walks the text with its lines joined by CR LF:
//   - one byte from the next two characters of code 0x20 or above; characters below 0x20 are
//     skipped, and at most 8 characters are examined per byte;
//   - the first character gives the high nibble, the second the low one; 0-9, A-F and a-f are
//     digits, any other character counts as 0; a lone character gives the low nibble alone;
//   - a new byte is begun only while the position is within the first 123,000 characters, so a
//     full image converts to about 56,900 bytes and the rest of the buffer is not written.
// Past the end of a shorter text nothing is examined and no further byte is written.

#include "k6media/firmware_slots.h"

#include <QByteArray>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace dalvex::k6media {

inline constexpr std::size_t kFirmwareImageSize = 128 * 1024;                // FirmwareImage
inline constexpr int kFirmwareBlocks = 255;                                  // blocks 0 .. 254 are sent
inline constexpr std::size_t kFirmwareTransferBytes = 256 * kFirmwareBlocks; // 65,280
inline constexpr std::size_t kConversionCharacters = 123000;
inline constexpr int kCharactersPerByte = 8;
// A present image: 57,360 bytes, 114,720 digits.
inline constexpr std::size_t kFirmwareImageBytes = 57360;

// The value of one hexadecimal digit; 0 for any other character.
std::uint8_t HexNibble(char c);

// Converts `text` into `image` from its first byte on, as described above. Returns how many bytes
// were written; bytes behind them keep their content.
std::size_t ConvertFirmwareText(std::string_view text, std::span<std::uint8_t> image);

// A resource or file's lines (LF or CR LF) joined by CR LF, without a line break at the end.
QByteArray JoinFirmwareLines(const QByteArray& file);

// What the hidden data window holds: the image texts, the download buffer, the chosen slot and
// the identification values of the module's processor reply.
class FirmwareData {
public:
    // Loads the images of the slots whose image is present from the program's resources.
    FirmwareData();

    // The slot's text with its lines joined by CR LF; empty when the slot has no image.
    const QByteArray& Text(int slot) const;
    bool HasImage(int slot) const { return !Text(slot).isEmpty(); }
    // Replaces a slot's image text (lines as in a file); a slot outside the table is ignored.
    void SetText(int slot, const QByteArray& lines);

    // Converts the chosen slot's image into FirmwareImage. The buffer is first set back to what
    // it holds at program start (all zero), so an image always goes out with the same bytes
    // whatever was converted before it. Nothing, and the buffer unchanged, when the slot has no
    // image.
    std::optional<std::size_t> ConvertSlot();

    std::vector<std::uint8_t> FirmwareImage = std::vector<std::uint8_t>(kFirmwareImageSize, 0);
    int FirmwareSlot = kNoSlot;
    // The module's processor reply: software version (R2), second version byte (R3), hardware
    // code (R1).
    std::int32_t ModuleSoftware = 0;
    std::int32_t ModuleSoftware2 = 0;
    std::int32_t ModuleHardware = 0;

private:
    std::array<QByteArray, kFirmwareSlots.size()> texts_;
};

} // namespace dalvex::k6media
