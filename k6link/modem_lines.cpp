#include "modem_lines.h"

#include "k6config/cp1250.h"

#include <algorithm>

namespace dalvex::k6link {

namespace {

constexpr std::uint8_t kCr = 13;
constexpr std::uint8_t kLf = 10;
constexpr int kPhonebookLineLength = 12; // "AT+CPBR=nnn" CR
constexpr int kEmptyAt = kPhonebookLineLength + 2;
constexpr int kCrLfPairs = 3;
constexpr int kMaxIndexChars = 3;
constexpr int kMaxTypeSkip = 9;
constexpr int kImeiCount = 28;
constexpr int kImeiFrom = 10;
constexpr int kImeiChars = 16;
constexpr char kQuote = '"';

const QByteArray& Placeholder(char key, const LineArgs& a, QByteArray& scratch) {
    switch (key) {
    case 'i':
        scratch = ThreeDigits(a.index);
        return scratch;
    case 'p':
        return a.pin;
    case 'n':
        return a.number;
    case 'm':
        return a.name;
    case 't':
        return a.text;
    default:
        scratch.clear();
        return scratch;
    }
}

bool HasAt(Reply r, int pos, std::string_view s) {
    if (pos < 0 || pos + static_cast<int>(s.size()) > static_cast<int>(r.size())) return false;
    return std::equal(s.begin(), s.end(), r.begin() + pos);
}

// The bytes from `from` up to (not including) the first `stop` byte, at most `max` of them, within
// [from, end).
QString Take(Reply r, int from, int end, char stop, int max, int* next = nullptr) {
    QByteArray out;
    int i = from;
    for (; i < end && static_cast<int>(out.size()) < max && r[static_cast<std::size_t>(i)] != stop; ++i)
        out.append(static_cast<char>(r[static_cast<std::size_t>(i)]));
    if (next) *next = i;
    return k6config::FromCp1250(out);
}

} // namespace

QByteArray ThreeDigits(int index) {
    const QByteArray four = QByteArray::number(index).rightJustified(4, '0');
    return four.right(3);
}

QByteArray BuildLine(ModemLine line, const LineArgs& args) {
    const auto def = std::find_if(kModemLines.begin(), kModemLines.end(),
                                  [line](const ModemLineDef& d) { return d.line == line; });
    QByteArray out;
    if (def == kModemLines.end()) return out;
    const std::string_view p = def->pattern;
    QByteArray scratch;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] == '{' && i + 2 < p.size() && p[i + 2] == '}') {
            out += Placeholder(p[i + 1], args, scratch);
            i += 2;
            continue;
        }
        out += p[i];
    }
    return out;
}

std::optional<QString> DialableNumber(const QString& typed) {
    const auto separator = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('.') ||
               c == QLatin1Char('/') || c == QLatin1Char('(') || c == QLatin1Char(')');
    };
    const auto dialable = [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
               c == QLatin1Char('*') || c == QLatin1Char('#') || c == QLatin1Char('p') ||
               c == QLatin1Char('w');
    };
    QString number;
    for (const QChar c : typed) {
        if (separator(c)) continue;
        if (!dialable(c)) return std::nullopt;
        number += c;
    }
    if (number.size() > kMaxNumberLength) return std::nullopt;
    // "( )" or " - " names no number; only a really empty input is the empty number.
    if (number.isEmpty() && !typed.isEmpty()) return std::nullopt;
    return number;
}

bool CheckName(const QString& name) {
    const QByteArray bytes = k6config::ToCp1250(name);
    if (bytes.size() > kMaxNameLength) return false;
    // A character the code page cannot hold comes back as "?", which would store another name.
    if (k6config::FromCp1250(bytes) != name) return false;
    return std::all_of(bytes.begin(), bytes.end(), [](char ch) {
        const auto b = static_cast<std::uint8_t>(ch);
        return b >= 0x20 && b != 0x7F && b != static_cast<std::uint8_t>(kQuote) && b != 0x81 && b != 0x83 &&
               b != 0x88 && b != 0x90 && b != 0x98;
    });
}

bool CheckPin(const QString& pin) {
    return pin.size() == kPinLength && std::all_of(pin.begin(), pin.end(), [](QChar c) {
               return c >= QLatin1Char('0') && c <= QLatin1Char('9');
           });
}

bool OkAt(Reply r, int pos) {
    return HasAt(r, pos, "OK");
}

bool EndsWithOk(Reply r) {
    return HasAt(r, static_cast<int>(r.size()) - 4, "OK\r\n");
}

PhonebookReply ReadPhonebookReply(Reply r) {
    PhonebookReply out;
    const int n = static_cast<int>(r.size());
    // Positions count from the echo of the line. An entry is taken at its third CR LF, before the
    // modem's final "OK" CR LF has come, and the next line goes out at once, so the tail of the
    // previous answer can still stand in front of this one.
    int base = 0;
    for (int i = 0; i + 8 <= n; ++i)
        if (HasAt(r, i, "AT+CPBR=")) {
            base = i;
            break;
        }
    if (HasAt(r, base + kEmptyAt, "OK\r\n") || HasAt(r, base + kEmptyAt, "ER")) {
        out.kind = PhonebookReplyKind::Empty;
        return out;
    }
    int pairs = 0;
    for (int i = base; i < n && pairs < kCrLfPairs; ++i) {
        if (r[static_cast<std::size_t>(i)] < kLf) return out; // a byte below 10: wait for more
        if (i > 0 && r[static_cast<std::size_t>(i)] == kLf && r[static_cast<std::size_t>(i - 1)] == kCr)
            ++pairs;
    }
    if (pairs < kCrLfPairs) return out;

    int colon = -1;
    for (int i = base; i + 3 <= n; ++i)
        if (HasAt(r, i, "BR:")) {
            colon = i + 2;
            break;
        }
    if (colon < 0) return out;
    // The "+CPBR:" line must be complete: an unsolicited line before it can bring the third CR LF
    // while the entry is still on its way.
    int end = -1;
    for (int i = colon; i + 1 < n; ++i)
        if (r[static_cast<std::size_t>(i)] == kCr && r[static_cast<std::size_t>(i + 1)] == kLf) {
            end = i;
            break;
        }
    if (end < 0) return out;

    int pos = 0;
    out.index = Take(r, colon + 2, end, ',', kMaxIndexChars, &pos);
    pos += 2; // the comma and the opening quote
    out.number = Take(r, pos, end, kQuote, kMaxNumberLength, &pos);
    // A number longer than the field is cut; the rest of it is not taken for the type.
    while (pos < end && r[static_cast<std::size_t>(pos)] != kQuote)
        ++pos;
    ++pos; // the closing quote
    int skipped = 0;
    while (pos < end && skipped < kMaxTypeSkip && r[static_cast<std::size_t>(pos)] != kQuote)
        ++pos, ++skipped;
    ++pos; // the opening quote of the name
    out.name = Take(r, pos, end, kQuote, kMaxNameLength);
    out.kind = PhonebookReplyKind::Entry;
    return out;
}

std::optional<QString> ReadImeiReply(Reply r) {
    if (!HasAt(r, 3, "CGSN") || static_cast<int>(r.size()) < kImeiCount) return std::nullopt;
    QByteArray bytes(reinterpret_cast<const char*>(r.data()) + kImeiFrom, kImeiChars);
    return k6config::FromCp1250(bytes);
}

std::optional<QString> ReadInfoReply(const InfoQuery& q, Reply r) {
    const int n = static_cast<int>(r.size());
    if (!HasAt(r, 3, q.letters) || n < q.minCount || q.from >= n) return std::nullopt;
    if (q.flag)
        return r[static_cast<std::size_t>(q.from)] == '1' ? QStringLiteral("Enabled")
                                                          : QStringLiteral("Disabled");
    if (q.line == ModemLine::Imei) {
        if (n <= q.to) return std::nullopt;
        return Take(r, q.from, q.to + 1, '\0', q.to + 1 - q.from);
    }
    const int end = std::min(n, q.to + 1);
    int stop = 0;
    const QString text = Take(r, q.from, end, '\r', q.to + 1 - q.from, &stop);
    if (stop == n && n <= q.to) return std::nullopt; // neither the CR nor the last position yet
    return text;
}

} // namespace dalvex::k6link
