#pragma once
// The GSM modem's command lines, the checks on what the user types into them, and the readers of
// the modem's answers. Pure functions: no engine, no window.
//
// Every line is built from one row of kModemLines: its text with placeholders, expanded by
// BuildLine. The placeholders are
//   {i}  the phonebook index as three digits (7 -> "007", 123 -> "123", 1234 -> "234")
//   {p}  the four PIN digits        {n}  a phone number        {m}  a phonebook name
//   {t}  the test SMS text
// Lines end in CR, a few in CR LF, the SMS text in 0x1A.
//
// What the user types goes into these lines between double quotes or at the end of a line, so a
// double quote, CR, LF or 0x1A in it would end the line early and let the rest run as another
// modem command. The checks below refuse such input before anything is sent: numbers hold only
// digits, "+", "*", "#", "p" and "w" once the separators people write them with are dropped
// (DialableNumber); names printable Windows-1250 characters except the double quote; a PIN
// exactly four digits.
//
// Replies: the modem echoes the line (with its CR), then sends CR LF and its answer, so the answer
// stands at a position that follows from the line's length. Each reader gets RxBuffer[0 ..
// RxCount) and reads no position outside it; a position not received yet means "not yet".

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace dalvex::k6link {

enum class ModemLine {
    PhonebookSelect,    // 29, 39
    PhonebookRead,      // 30
    PinEnter,           // 35
    PinLockOff,         // 37
    PhonebookWrite,     // 40
    ServiceCentre,      // 50
    DataCall,           // 260
    VoiceCall,          // 270
    SmsStart,           // 280
    SmsText,            // 281
    Imei,               // 290, 320
    Reset,              // 300
    ConnectedLineOff,   // 301
    Revision,           // 321
    JammerQuery,        // 322
    Imsi,               // 323
    ServiceCentreQuery, // 324
    BandQuery,          // 325
    OperatorQuery,      // 326
};

struct ModemLineDef {
    ModemLine line;
    std::string_view pattern;
};

inline constexpr std::array<ModemLineDef, 19> kModemLines{{
    {ModemLine::PhonebookSelect, "AT+CPBS=\"SM\"\r\n"},
    {ModemLine::PhonebookRead, "AT+CPBR={i}\r"},
    {ModemLine::PinEnter, "AT+CPIN=\"{p}\"\r"},
    {ModemLine::PinLockOff, "AT+CLCK=\"SC\",0,\"{p}\"\r"},
    {ModemLine::PhonebookWrite, "AT+CPBW={i},\"{n}\",129,\"{m}\"\r"},
    {ModemLine::ServiceCentre, "AT+CSCA=\"{n}\",145\r\n"},
    {ModemLine::DataCall, "ATD{n}\r"},
    {ModemLine::VoiceCall, "ATD{n};\r"},
    {ModemLine::SmsStart, "AT+CMGS=\"{n}\"\r"},
    {ModemLine::SmsText, "{t}\x1A"},
    {ModemLine::Imei, "AT+CGSN\r"},
    {ModemLine::Reset, "ATZ\r"},
    {ModemLine::ConnectedLineOff, "AT+COLP=0\r"},
    {ModemLine::Revision, "AT+CGMR\r"},
    {ModemLine::JammerQuery, "AT+SJDR?\r"},
    {ModemLine::Imsi, "AT+CIMI\r"},
    {ModemLine::ServiceCentreQuery, "AT+CSCA?\r"},
    {ModemLine::BandQuery, "AT+CBAND?\r"},
    {ModemLine::OperatorQuery, "AT+COPS?\r"},
}};

// What goes into a line's placeholders; texts are Windows-1250 bytes already.
struct LineArgs {
    int index = 0;
    QByteArray pin;
    QByteArray number;
    QByteArray name;
    QByteArray text;
};

// The bytes of a line. Checking the arguments is the caller's business (Check... below).
QByteArray BuildLine(ModemLine line, const LineArgs& args = {});
// "007" for 7: the index filled with zeros to four digits, the last three taken.
QByteArray ThreeDigits(int index);

// --- Input checks -----------------------------------------------------------------------------------
inline constexpr int kMaxNumberLength = 33; // what a phonebook reply can carry back
inline constexpr int kMaxNameLength = 33;
inline constexpr int kPinLength = 4;

// A phone number as people type it ("+36 (30) 123-4567", "06-30/123.4567"), made into what the
// modem dials: spaces and the separators - . / ( ) are dropped, and what is left must be only
// 0-9 + * # p w, at most kMaxNumberLength characters. Nothing for anything else (a quote, a
// control character, ';', ',', another letter), and for an input of separators only. An empty
// input gives an empty number: the callers decide whether empty is allowed.
// Every caller that checks a typed number sends the number returned here, never the typed text.
std::optional<QString> DialableNumber(const QString& typed);
// A phonebook name: printable Windows-1250 characters except the double quote, at most
// kMaxNameLength bytes.
bool CheckName(const QString& name);
// Exactly four digits.
bool CheckPin(const QString& pin);

// --- Reply readers -----------------------------------------------------------------------------------
using Reply = std::span<const std::uint8_t>;

// The two bytes at pos and pos + 1 are "OK".
bool OkAt(Reply r, int pos);
// The reply ends in "OK" CR LF.
bool EndsWithOk(Reply r);

enum class PhonebookReplyKind {
    Waiting, // not complete yet (or no "BR:" in it): wait, the line is repeated on time-out
    Empty,   // no entry at this index ("OK" or "ERROR" right after the echo)
    Entry,
};

struct PhonebookReply {
    PhonebookReplyKind kind = PhonebookReplyKind::Waiting;
    QString index;
    QString number;
    QString name;
};

// The answer to a CPBR line (12 bytes): empty when positions 14 to 17 hold "OK" CR LF or 14 and
// 15 hold "ER"; an entry once three CR LF pairs have come and the "+CPBR:" line is complete.
// Positions count from the line's echo, wherever in the buffer it starts.
PhonebookReply ReadPhonebookReply(Reply r);

// The IMEI reply: "CGSN" at 3 to 6 and at least 28 bytes: the 16 characters at 10 to 25.
std::optional<QString> ReadImeiReply(Reply r);

// The fields of the GSM information window, numbered from 1 in the window's order.
namespace info_field {
inline constexpr int Network = 1;
inline constexpr int ModemSoftware = 2;
inline constexpr int JammerDetect = 3;
inline constexpr int Imei = 4;
inline constexpr int SimNumber = 5;
inline constexpr int ServiceCentre = 6;
inline constexpr int NetworkType = 7;
inline constexpr int NetworkName = 8;
inline constexpr int Count = 8;
} // namespace info_field

// One answer of the GSM information window (states 320 to 326, index 0 to 6).
struct InfoQuery {
    ModemLine line;
    std::string_view letters; // at positions 3 to 6
    int minCount;             // RxCount needed
    int field;                // the window's field (info_field)
    int from;                 // first position of the text
    int to;                   // last position the text may reach (up to the first CR)
    bool flag;                // the text is "Enabled"/"Disabled" by position `from` holding "1"
};

inline constexpr std::array<InfoQuery, 7> kInfoQueries{{
    {ModemLine::Imei, "CGSN", 28, info_field::Imei, 10, 24, false},
    {ModemLine::Revision, "CGMR", 41, info_field::ModemSoftware, 10, 50, false},
    {ModemLine::JammerQuery, "SJDR", 16, info_field::JammerDetect, 18, 18, true},
    {ModemLine::Imsi, "CIMI", 28, info_field::SimNumber, 10, 50, false},
    {ModemLine::ServiceCentreQuery, "CSCA", 41, info_field::ServiceCentre, 19, 50, false},
    {ModemLine::BandQuery, "CBAN", 26, info_field::NetworkType, 20, 60, false},
    {ModemLine::OperatorQuery, "COPS", 26, info_field::NetworkName, 20, 60, false},
}};

// The field's text once the answer is there; nothing while it is not (or is not this answer).
// The IMEI takes exactly positions 10 to 24; the others stop at the first CR, and wait when
// neither a CR nor their last position has come yet.
std::optional<QString> ReadInfoReply(const InfoQuery& q, Reply r);

} // namespace dalvex::k6link
