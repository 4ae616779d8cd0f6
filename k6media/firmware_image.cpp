#include "firmware_image.h"

#include <QFile>
#include <algorithm>

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

FirmwareData::FirmwareData()
    : FirmwareData(FirmwareLibrary::DefaultFolders()) {}

FirmwareData::FirmwareData(QStringList folders)
    : folders_(std::move(folders))
    , library_(FirmwareLibrary::Load(folders_)) {}

void FirmwareData::Rescan() {
    library_ = FirmwareLibrary::Load(folders_);
}

std::optional<int> FirmwareData::ImageVersion(int slot) const {
    const FirmwareEntry* e = Entry(slot);
    if (!e) return std::nullopt;
    return e->version;
}

QString FirmwareData::ImageLabel(int slot) const {
    const FirmwareEntry* e = Entry(slot);
    const FirmwareSlotDef* s = FindFirmwareSlot(slot);
    if (!e || !s) return {};
    return QStringLiteral("%1.%2 %3").arg(e->version / 10).arg(e->version % 10).arg(QLatin1String(s->processor));
}

PreparedImage FirmwareData::ConvertSlot() {
    PreparedImage result;
    const FirmwareEntry* entry = Entry(FirmwareSlot);
    if (!entry) {
        result.problem = ImageProblem::NoImage;
        return result;
    }
    result.file = entry->path;
    result.standin = entry->standin;
    const ImageFile file = ReadImageFile(*entry);
    if (file.problem != ImageProblem::None) {
        result.problem = file.problem;
        return result;
    }
    const QByteArray text = JoinFirmwareLines(file.text);
    std::fill(FirmwareImage.begin(), FirmwareImage.end(), std::uint8_t{0});
    result.bytes = ConvertFirmwareText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                                       FirmwareImage);
    const std::string_view converted(reinterpret_cast<const char*>(FirmwareImage.data()), result.bytes);
    result.standin = result.standin || HasStandinMarker(converted);
    if (result.standin && !StandinAllowed()) {
        std::fill(FirmwareImage.begin(), FirmwareImage.end(), std::uint8_t{0});
        result.problem = ImageProblem::StandinRefused;
    }
    return result;
}

} // namespace dalvex::k6media
