#include "firmware_image.h"

#include <QFile>
#include <algorithm>

// The image resources live in this static library; without a reference from its code the linker
// would drop them.
static void InitFirmwareResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(firmware_images);
        return true;
    }();
    (void)done;
}

namespace dalvex::k6media {

namespace {

constexpr std::array<std::uint8_t, 256> MakeNibbles() {
    std::array<std::uint8_t, 256> t{};
    for (int c = '0'; c <= '9'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
    return t;
}
constexpr std::array<std::uint8_t, 256> kNibbles = MakeNibbles();

std::size_t SlotIndex(int slot) {
    for (std::size_t i = 0; i < kFirmwareSlots.size(); ++i)
        if (kFirmwareSlots[i].slot == slot) return i;
    return kFirmwareSlots.size();
}

} // namespace

std::uint8_t HexNibble(char c) {
    return kNibbles[static_cast<unsigned char>(c)];
}

std::size_t ConvertFirmwareText(std::string_view text, std::span<std::uint8_t> image) {
    const std::size_t limit = std::min(text.size(), kConversionCharacters);
    std::size_t p = 0; // the next character to examine
    std::size_t i = 0;
    while (p < limit && i < image.size()) {
        std::uint8_t digits[2] = {0, 0};
        int collected = 0;
        for (int examined = 0; examined < kCharactersPerByte && collected < 2 && p < text.size();
             ++examined) {
            const auto c = static_cast<unsigned char>(text[p++]);
            if (c >= 0x20) digits[collected++] = kNibbles[c];
        }
        if (collected == 0 && p >= text.size()) break; // only line breaks were left
        image[i++] = collected == 2 ? static_cast<std::uint8_t>(digits[0] << 4 | digits[1]) : digits[0];
    }
    return i;
}

QByteArray JoinFirmwareLines(const QByteArray& file) {
    QList<QByteArray> lines = file.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    return lines.join("\r\n");
}

FirmwareData::FirmwareData() {
    InitFirmwareResources();
    // Every slot whose resource exists gets its image, so a build that adds one needs no change here.
    for (std::size_t i = 0; i < kFirmwareSlots.size(); ++i) {
        QFile file(QString::fromLatin1(kFirmwareSlots[i].resource));
        if (file.open(QIODevice::ReadOnly)) texts_[i] = JoinFirmwareLines(file.readAll());
    }
}

const QByteArray& FirmwareData::Text(int slot) const {
    static const QByteArray none;
    const std::size_t i = SlotIndex(slot);
    return i < texts_.size() ? texts_[i] : none;
}

void FirmwareData::SetText(int slot, const QByteArray& lines) {
    const std::size_t i = SlotIndex(slot);
    if (i < texts_.size()) texts_[i] = JoinFirmwareLines(lines);
}

std::optional<std::size_t> FirmwareData::ConvertSlot() {
    const QByteArray& text = Text(FirmwareSlot);
    if (text.isEmpty()) return std::nullopt;
    std::fill(FirmwareImage.begin(), FirmwareImage.end(), std::uint8_t{0});
    return ConvertFirmwareText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                               FirmwareImage);
}

} // namespace dalvex::k6media
