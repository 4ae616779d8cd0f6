#pragma once
// The module's event log records and what the log window shows of them, without any I/O.
//
// A log block is 256 bytes: four 64-byte records at offsets 0, 64, 128 and 192. A record:
//   0        event code; 0 or 0xFF marks the end of the log
//   2 .. 13  date and time as twelve ASCII digits: yy mm dd hh nn ss (the year within 2000-2099)
//   17       GSM signal level 0-31
//   18       network state: 0 not connected, 1 connected, 3 roaming, any other value a fault number
//   20 .. 63 note or parameter text, ended by a byte 0 or 0xFF or by the end of the record
// Bytes 1, 14 to 16 and 19 are not shown.
//
// The module's bytes are shown as they come: a date with other bytes than digits shows those
// bytes, an unknown code shows its number. Nothing here reads outside the record it is given.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace dalvex::k6link {

inline constexpr std::size_t kLogRecordSize = 64;
inline constexpr int kLogRecordsPerBlock = 4;
inline constexpr std::size_t kLogNoteStart = 20;
inline constexpr std::size_t kLogNoteMax = kLogRecordSize - kLogNoteStart; // 44
inline constexpr std::size_t kLogSignalByte = 17;
inline constexpr std::size_t kLogNetworkByte = 18;
inline constexpr std::size_t kLogDateStart = 2;

// Texts the log shows that follow the language: the page captions (input, tamper, power monitor and
// jammer pages, as the K6 window's page control shows them), the catalogue's event and network
// texts, the grid's header and the CSV header line. The language pass replaces them.
struct LogTexts {
    // Page captions.
    QString Input1 = QStringLiteral("Be1");
    QString Input2 = QStringLiteral("Be2");
    QString Input3 = QStringLiteral("Be3");
    QString Input4 = QStringLiteral("Be4");
    QString Tamper = QStringLiteral("Tamper");
    QString PowerMonitor = QStringLiteral("Tápmonitor");
    QString Jammer = QStringLiteral("Jammer");
    // Event texts.
    QString CallIdentified = QStringLiteral("Bejövő hívás azonosítva");
    QString CallRejected = QStringLiteral("Bejövő hívás elutasítva");
    QString GsmLost = QStringLiteral("GSM leszakadt");
    QString GsmRegistered = QStringLiteral("GSM feljelentkezve");
    QString Closing = QStringLiteral("Zárás");
    QString Opening = QStringLiteral("Nyitás");
    QString Unknown = QStringLiteral("Ismeretlen/");
    // Network states.
    QString NotConnected = QStringLiteral("Nincs csatlakozva");
    QString Connected = QStringLiteral("Csatlakozva");
    QString Roaming = QStringLiteral("Roaming");
    QString Fault = QStringLiteral("Fault:");
    // Grid header, columns 1 to 5.
    std::array<QString, 5> Header{QStringLiteral("JELZÉS"), QStringLiteral("DÁTUM"),
                                  QStringLiteral("GSM 0-31"), QStringLiteral("Hálózat"),
                                  QStringLiteral("Megjegyzés / paraméter")};
    // First line of the CSV export.
    QString CsvHeader =
        QStringLiteral("Jelzés;Dátum;GSM térerő (0-31);Hálózat státusza;Megjegyzés/Paraméter;");
};

// Columns 1 to 5 of one grid row: event, date, signal, network, note.
struct LogRow {
    QString Event;
    QString Date;
    QString Signal;
    QString Network;
    QString Note;

    const QString& column(int c) const;
    bool operator==(const LogRow&) const = default;
};

// One entry of the event code table. The text is either a LogTexts field (with a fixed suffix) or
// a fixed text.
struct LogEventDef {
    int code;
    QString LogTexts::*text; // nullptr: `fixed` alone
    const char* fixed;       // the fixed text, or the suffix after the LogTexts field
};

// The event code table, in code order.
std::span<const LogEventDef> LogEvents();

// A record's code byte that marks the end of the log.
constexpr bool IsLogEnd(std::uint8_t code) {
    return code == 0 || code == 0xFF;
}

// Column 1: the event text of a code; an unknown code shows "Ismeretlen/" and its number.
QString LogEventText(int code, const LogTexts& texts);
// Column 2: "20yy.mm.dd.   hh:nn:ss" from the record's bytes 2 to 13, taken as they are.
QString LogDateText(std::span<const std::uint8_t, kLogRecordSize> record);
// Column 4.
QString LogNetworkText(std::uint8_t state, const LogTexts& texts);
// Column 5: from byte 20 up to a byte 0 or 0xFF, at most 44 characters.
QString LogNoteText(std::span<const std::uint8_t, kLogRecordSize> record);

// All five columns of a record (the record is not checked for the end mark).
LogRow DecodeLogRecord(std::span<const std::uint8_t, kLogRecordSize> record, const LogTexts& texts);

// Record `index` (0 to 3) of a log block.
std::span<const std::uint8_t, kLogRecordSize> LogRecordOf(std::span<const std::uint8_t, 256> block,
                                                          int index);

// The CSV export of the grid's rows: the header line, then one line per row with columns 1 to 5
// each followed by ";"; lines end with CR LF; Windows-1250 bytes. A field that holds ";", a double
// quote, CR or LF is written in double quotes with its quotes doubled, so that it stays one field
// in a spreadsheet; every other field is written as it is.
QByteArray LogCsv(std::span<const LogRow> rows, const LogTexts& texts);
// One CSV field as LogCsv writes it.
QString LogCsvField(const QString& field);

} // namespace dalvex::k6link
