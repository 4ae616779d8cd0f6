#include "monitor_text.h"

#include "k6config/cp1250.h"

#include <array>

namespace dalvex::k6link {

namespace {

constexpr char16_t kControlPictures = 0x2400;
constexpr char16_t kDeletePicture = 0x2421;

const std::array<QChar, 256>& Table() {
    static const std::array<QChar, 256> table = [] {
        std::array<QChar, 256> t{};
        for (int b = 0; b < 256; ++b) {
            if (b < 0x20) {
                t[static_cast<std::size_t>(b)] = QChar(static_cast<char16_t>(kControlPictures + b));
            } else if (b == 0x7F) {
                t[static_cast<std::size_t>(b)] = QChar(kDeletePicture);
            } else {
                const QString s = k6config::FromCp1250(QByteArray(1, static_cast<char>(b)));
                const QChar c = s.isEmpty() ? QChar(QChar::ReplacementCharacter) : s.at(0);
                t[static_cast<std::size_t>(b)] =
                    c.category() == QChar::Other_Control ? QChar(QChar::ReplacementCharacter) : c;
            }
        }
        t['\t'] = QLatin1Char('\t');
        return t;
    }();
    return table;
}

} // namespace

void MonitorTextDecoder::Decode(std::span<const std::uint8_t> bytes, QString& out) {
    const auto& table = Table();
    for (const std::uint8_t b : bytes) {
        if (b == '\n' && afterCr_) {
            afterCr_ = false;
            continue;
        }
        afterCr_ = b == '\r';
        if (b == '\r' || b == '\n') {
            out += QLatin1Char('\n');
            atLineStart_ = true;
            continue;
        }
        out += table[b];
        atLineStart_ = false;
    }
}

void MonitorTextDecoder::Appended(const QString& text) {
    if (text.isEmpty()) return;
    afterCr_ = false;
    atLineStart_ = text.endsWith(QLatin1Char('\n'));
}

void MonitorTextDecoder::Reset() {
    afterCr_ = false;
    atLineStart_ = true;
}

} // namespace dalvex::k6link
