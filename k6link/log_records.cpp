#include "log_records.h"

#include "k6config/cp1250.h"

#include <algorithm>

namespace dalvex::k6link {

namespace {

const LogEventDef kEvents[] = {
    {1, &LogTexts::Input1, ""},
    {2, &LogTexts::Input2, ""},
    {3, &LogTexts::Input3, ""},
    {4, &LogTexts::Input4, ""},
    {9, &LogTexts::Tamper, ""},
    {10, &LogTexts::PowerMonitor, ""},
    {13, nullptr, "Hőméséklet max"},
    {14, nullptr, "Hőméséklet min"},
    {15, &LogTexts::Jammer, ""},
    {33, &LogTexts::CallIdentified, ""},
    {34, &LogTexts::CallRejected, ""},
    {48, &LogTexts::GsmLost, ""},
    {49, &LogTexts::GsmRegistered, ""},
    {50, &LogTexts::Closing, " (GSM)"},
    {51, &LogTexts::Closing, ""},
    {52, &LogTexts::Opening, " (GSM)"},
    {53, &LogTexts::Opening, ""},
    {54, nullptr, "SLIC RESTART"},
    {55, nullptr, "CID OK"},
    {56, nullptr, "CID CHK ERROR"},
    {57, nullptr, "GPRS ERROR"},
    {64, nullptr, "JAMMER DETECT"},
    {65, nullptr, "JAMMER END"},
    {66, nullptr, "SMS Send OK."},
    {67, nullptr, "Incoming SMS"},
    {68, nullptr, "SMS send FAIL"},
    {69, nullptr, "OUT call (successful)"},
    {70, &LogTexts::Closing, " (Auto)"},
    {71, &LogTexts::Opening, " (Auto)"},
    {72, nullptr, "First Alarm (IN1)"},
    {73, nullptr, "Microcontroller START/RESTAR"},
};

QString Bytes(std::span<const std::uint8_t> bytes) {
    return k6config::FromCp1250(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
}

} // namespace

const QString& LogRow::column(int c) const {
    switch (c) {
    case 1:
        return Event;
    case 2:
        return Date;
    case 3:
        return Signal;
    case 4:
        return Network;
    default:
        return Note;
    }
}

std::span<const LogEventDef> LogEvents() {
    return kEvents;
}

QString LogEventText(int code, const LogTexts& texts) {
    const auto* it = std::find_if(std::begin(kEvents), std::end(kEvents),
                                  [code](const LogEventDef& d) { return d.code == code; });
    if (it == std::end(kEvents)) return texts.Unknown + QString::number(code);
    const QString fixed = QString::fromUtf8(it->fixed);
    return it->text ? texts.*(it->text) + fixed : fixed;
}

QString LogDateText(std::span<const std::uint8_t, kLogRecordSize> r) {
    const auto pair = [&](std::size_t at) { return Bytes(r.subspan(kLogDateStart + at, 2)); };
    return QStringLiteral("20") + pair(0) + QLatin1Char('.') + pair(2) + QLatin1Char('.') + pair(4) +
           QStringLiteral(".   ") + pair(6) + QLatin1Char(':') + pair(8) + QLatin1Char(':') + pair(10);
}

QString LogNetworkText(std::uint8_t state, const LogTexts& texts) {
    switch (state) {
    case 0:
        return texts.NotConnected;
    case 1:
        return texts.Connected;
    case 3:
        return texts.Roaming;
    default:
        return texts.Fault + QString::number(state);
    }
}

QString LogNoteText(std::span<const std::uint8_t, kLogRecordSize> r) {
    const auto note = r.subspan(kLogNoteStart, kLogNoteMax);
    const auto end =
        std::find_if(note.begin(), note.end(), [](std::uint8_t b) { return b == 0 || b == 0xFF; });
    return Bytes(note.first(static_cast<std::size_t>(end - note.begin())));
}

LogRow DecodeLogRecord(std::span<const std::uint8_t, kLogRecordSize> r, const LogTexts& texts) {
    return LogRow{LogEventText(r[0], texts), LogDateText(r), QString::number(r[kLogSignalByte]),
                  LogNetworkText(r[kLogNetworkByte], texts), LogNoteText(r)};
}

std::span<const std::uint8_t, kLogRecordSize> LogRecordOf(std::span<const std::uint8_t, 256> block,
                                                          int index) {
    return block
        .subspan(static_cast<std::size_t>(std::clamp(index, 0, kLogRecordsPerBlock - 1)) * kLogRecordSize)
        .first<kLogRecordSize>();
}

QString LogCsvField(const QString& field) {
    const bool quote = field.contains(QLatin1Char(';')) || field.contains(QLatin1Char('"')) ||
                       field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n'));
    if (!quote) return field;
    QString f = field;
    f.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + f + QLatin1Char('"');
}

QByteArray LogCsv(std::span<const LogRow> rows, const LogTexts& texts) {
    QString text = texts.CsvHeader + QStringLiteral("\r\n");
    text.reserve(text.size() + static_cast<qsizetype>(rows.size()) * 96);
    for (const LogRow& row : rows) {
        for (int c = 1; c <= 5; ++c) {
            text += LogCsvField(row.column(c));
            text += QLatin1Char(';');
        }
        text += QStringLiteral("\r\n");
    }
    return k6config::ToCp1250(text);
}

} // namespace dalvex::k6link
