#pragma once
// The firmware images as the program carries them and the buffer the download sends from.
//
// An image is hexadecimal text, two digits per byte, most significant first, broken into lines
// of 1 to 29 characters at arbitrary places (so the two digits of a byte may stand on two lines).
// The texts are files of the firmware folders (firmware_library.h); nothing here depends on their
// content.
//
// Conversion (ConvertFirmwareText) walks the text with its lines joined by CR LF:
//   - one byte from the next two characters of code 0x20 or above; characters below 0x20 are
//     skipped, and at most 8 characters are examined per byte;
//   - the first character gives the high nibble, the second the low one; 0-9, A-F and a-f are
//     digits, any other character counts as 0; a lone character gives the low nibble alone;
//   - a new byte is begun only while the position is within the first 123,000 characters, so a
//     full image converts to about 56,900 bytes and the rest of the buffer is not written.
// Past the end of a shorter text nothing is examined and no further byte is written.

#include "k6media/firmware_library.h"
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

// How preparing an image for the download went.
struct PreparedImage {
    ImageProblem problem = ImageProblem::None;
    QString file;           // the image file, for messages
    std::size_t bytes = 0;  // bytes converted
    bool standin = false;   // a stand-in image (allowed by the developer switch, or refused)
    bool ok() const { return problem == ImageProblem::None; }
};

// What the hidden data window holds: the firmware folders' images, the download buffer, the chosen
// slot and the identification values of the module's processor reply.
class FirmwareData {
public:
    // The images of the default folders (FirmwareLibrary::DefaultFolders()).
    FirmwareData();
    // The images of `folders` only.
    explicit FirmwareData(QStringList folders);

    // Reads the manifests again, so an image put into a folder meanwhile is found.
    void Rescan();
    const FirmwareLibrary& Library() const { return library_; }

    // The manifest's line for the slot; null when no folder has an image for it.
    const FirmwareEntry* Entry(int slot) const { return library_.Find(slot); }
    // The image's version in tenths; nothing when the slot has no image.
    std::optional<int> ImageVersion(int slot) const;
    // "8.3 J10": the image's version and the slot's processor; empty when the slot has no image.
    QString ImageLabel(int slot) const;

    // Reads the chosen slot's image, checks it against its manifest line and converts it into
    // FirmwareImage. The buffer is first set back to what it holds at program start (all zero), so
    // an image always goes out with the same bytes whatever was converted before it. A stand-in is
    // converted, then refused (buffer cleared again) unless StandinAllowed(). On any problem the
    // result says which, and nothing may be sent.
    PreparedImage ConvertSlot();

    std::vector<std::uint8_t> FirmwareImage = std::vector<std::uint8_t>(kFirmwareImageSize, 0);
    int FirmwareSlot = kNoSlot;
    // The module's processor reply: software version (R2), second version byte (R3), hardware
    // code (R1).
    std::int32_t ModuleSoftware = 0;
    std::int32_t ModuleSoftware2 = 0;
    std::int32_t ModuleHardware = 0;

private:
    QStringList folders_;
    FirmwareLibrary library_;
};

} // namespace dalvex::k6media
