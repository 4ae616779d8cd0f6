#pragma once
// The GSM modem inside a simulated K6 module, reached through the module's modem mode.
//
// Entering and leaving modem mode
//   0xFD modem mode: F(0, 0xFD, 0, x) -> F(0xAB, 0xFD, 0, x); from then on the module hands every
//        byte to the modem (ModuleSim's raw mode) and the modem's answers back.
//   The module keeps watching the byte stream for its own six-byte frames, so that the PC can get
//   it back without a restart:
//     - F(0, 0xFD, ...) again: acknowledged again, the module stays in modem mode (the PC repeats
//       the switch when the first acknowledgement was lost, and every modem operation starts with
//       it, also when the module is still in modem mode from the last one);
//     - any other valid frame whose command the module knows ends modem mode and is handled as
//       usual: the monitor-off F(0, 0xFB, 0, 0) that closing the SMS service-centre or monitor
//       window sends, the status read F(2, 2, 0, 0) at the end of the GSM reset, a restart, the
//       version query. When no command 0xFB is registered, a 0xFB frame is answered here with
//       F(0xAB, 0xAC, b2, 0) (the mode-switch reply) so that the PC's monitor-off still completes.
//     - a status read F(A >> 8, 2, A & 0xFF, 0) ends modem mode whether or not a command 2 is
//       registered (it closes the GSM reset, which awaits no answer).
//   Outside modem mode, F(0, 0xFB, x, 0) is answered with the mode-switch reply F(0xAB, 0xAC, x, 0)
//   unless a monitor mode registered command 0xFB before the modem was made (a registration after
//   it replaces this one).
//   A line of modem text cannot be taken for a frame: the frame must pass the check rule and name
//   a known command.
//
// The modem
//   A modem with echo on and verbose results: every command line ("AT" ... CR; characters before
//   "AT" are ignored, LF after CR too) is answered with the echo of the line (its CR included),
//   then CR LF and the answer lines, each followed by CR LF, the last being "OK" or "ERROR"
//   (information lines stand before a blank line: CR LF "+CPBR: ..." CR LF CR LF "OK" CR LF).
//   The echo comes with the answer when the line is complete, so one line is one exchange of the
//   transport (its failure modes and pacing apply).
//   Commands: AT, ATZ, ATE0/ATE1, ATD<number>[;], +COLP=, +CPBS=, +CPBS?, +CPBR=i[,j], +CPBW=,
//   +CPIN?, +CPIN="pin", +CLCK="SC",mode,"pin", +CGSN/+GSN, +CGMR/+GMR, +SJDR?, +CIMI, +CSCA?,
//   +CSCA="number"[,type], +CBAND?, +COPS?, +CSQ, +CMGF=, +CMGS="number" (prompt CR LF "> ", then
//   the text up to 0x1A is sent, ESC cancels). Anything else answers "ERROR".
//   SIM phonebook: 250 entries, numbers up to 40 and names up to 33 characters; an entry whose
//   number starts with "+" reads back with type 145, others with 129.
//   SIM PIN: the SIM lock is on with PIN "1234"; three wrong PINs block the SIM (every PIN
//   command answers "ERROR" from then on).
//
// Failure modes of the modem (beside the transport's): see ModemFault.

#include "sim/module_sim.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dalvex::sim {

inline constexpr std::uint8_t kCmdModemMode = 0xFD;
inline constexpr std::uint8_t kCmdMonitor = 0xFB;
inline constexpr std::uint8_t kCmdReadStatus = 2;
// R1 of a mode-switch reply.
inline constexpr std::uint8_t kModeMark = 0xAC;
inline constexpr int kPhonebookSize = 250;
inline constexpr std::size_t kPhonebookNumberMax = 40;
inline constexpr std::size_t kPhonebookNameMax = 33;
inline constexpr int kPinAttempts = 3;

struct PhonebookEntry {
    std::string number;
    std::string name;
    // What +CPBR reports: 145 for an international number ("+..."), 129 otherwise.
    int type() const { return !number.empty() && number.front() == '+' ? 145 : 129; }
    bool operator==(const PhonebookEntry&) const = default;
};

// What the modem answers about itself.
struct ModemIdentity {
    std::string imei = "356938035643809";
    std::string revision = "Revision:1137B10SIM900M64_ST";
    std::string imsi = "216301234567890";
    std::string serviceCentre = "+36209300099";
    std::string band = "EGSM_DCS_MODE";
    std::string operatorName = "Sim Mobile HU";
    bool jammerDetect = true;
};

enum class ModemFault {
    None,
    Error,       // every affected line is answered "ERROR"
    NoAnswer,    // every affected line is swallowed: no echo, no answer
    Unsolicited, // an unsolicited line (UnsolicitedLine) stands between the echo and the answer
};

struct ModemFaultInfo {
    std::string_view name;
    ModemFault fault;
    std::string_view description;
};

inline constexpr std::array<ModemFaultInfo, 4> kModemFaults{{
    {"none", ModemFault::None, "the modem answers every line"},
    {"error", ModemFault::Error, "the modem answers ERROR to every line"},
    {"no-answer", ModemFault::NoAnswer, "the modem swallows every line"},
    {"unsolicited", ModemFault::Unsolicited, "a RING line comes between each line's echo and its answer"},
}};

struct ModemFaultSetting {
    ModemFault fault = ModemFault::None;
    int after = 0; // lines answered normally before the fault strikes
};

// Parses "NAME" or "NAME:N" (N lines answered normally first). On failure returns nothing and,
// when `error` is given, a message for the user.
std::optional<ModemFaultSetting> parseModemFault(std::string_view text, std::string* error = nullptr);
std::string modemFaultHelp(int indent = 2);

struct SentSms {
    std::string number;
    std::string text; // the bytes before 0x1A
};

class GsmModem {
public:
    // Registers command 0xFD with the module.
    explicit GsmModem(ModuleSim& module);
    GsmModem(const GsmModem&) = delete;
    GsmModem& operator=(const GsmModem&) = delete;

    // Whether the module is in modem mode.
    bool active() const;

    // SIM phonebook, indices 1 to kPhonebookSize.
    std::optional<PhonebookEntry> entry(int index) const;
    // False for an index out of range.
    bool setEntry(int index, PhonebookEntry entry);
    void clearPhonebook();
    // Entries 1 to count get generated numbers "+3630100" + index (4 digits) and names "Name " +
    // index; the rest is emptied.
    void fillPhonebook(int count);
    // Reads "index;number;name" lines (a "," works as the separator too; "#" starts a comment).
    // The phonebook is replaced only when the whole file reads; otherwise false and a message.
    bool loadPhonebook(const std::string& path, std::string* error = nullptr);
    int usedEntries() const;

    ModemIdentity& identity() { return identity_; }
    const ModemIdentity& identity() const { return identity_; }

    // SIM PIN.
    void setPin(std::string pin) { pin_ = std::move(pin); }
    const std::string& pin() const { return pin_; }
    bool pinLock() const { return pinLock_; }
    void setPinLock(bool on) { pinLock_ = on; }
    bool simBlocked() const { return pinTriesLeft_ <= 0; }

    // Failure modes. `after` lines are answered normally first; `lines` lines are affected, then
    // the modem is healthy again (-1: all from then on).
    void setFault(ModemFault fault, int after = 0, int lines = -1);
    // The unsolicited line of ModemFault::Unsolicited, without CR LF.
    void setUnsolicitedLine(std::string line) { unsolicited_ = std::move(line); }

    // What the modem has seen and done.
    const std::vector<std::string>& lines() const { return lines_; } // command lines, without CR
    const std::vector<std::string>& dialled() const { return dialled_; }
    const std::vector<SentSms>& sentSms() const { return sentSms_; }
    int resets() const { return resets_; }
    bool echo() const { return echo_; }
    // How often the module entered modem mode, and left it.
    int entries() const { return entries_; }
    int exits() const { return exits_; }

private:
    void enter();
    void leave();
    void receive(std::uint8_t byte);
    bool takeFrame(std::uint8_t byte);
    void commandByte(std::uint8_t byte);
    void textByte(std::uint8_t byte);
    void runLine(const std::string& line);
    // Runs one command (the part after "AT"); appends the answer lines, returns the final result.
    std::string execute(const std::string& command, std::vector<std::string>& info);
    std::string phonebookRead(const std::string& args, std::vector<std::string>& info) const;
    std::string phonebookWrite(const std::string& args);
    std::string pinCommand(const std::string& args);
    std::string lockCommand(const std::string& args);
    ModemFault faultForNextLine();
    void send(const std::string& bytes);

    ModuleSim& module_;
    std::array<std::optional<PhonebookEntry>, kPhonebookSize> phonebook_;
    ModemIdentity identity_;
    std::string pin_ = "1234";
    bool pinLock_ = true;
    bool pinEntered_ = false;
    int pinTriesLeft_ = kPinAttempts;
    bool echo_ = true;

    ModemFault fault_ = ModemFault::None;
    int faultAfter_ = 0;
    int faultLines_ = -1;
    std::string unsolicited_ = "RING";

    // Receiving.
    enum class Input { Idle, SawA, Line, Text };
    Input input_ = Input::Idle;
    std::string line_;
    std::string smsNumber_;
    std::string smsText_;
    std::array<std::uint8_t, 6> recent_{};
    std::size_t recentCount_ = 0;

    std::vector<std::string> lines_;
    std::vector<std::string> dialled_;
    std::vector<SentSms> sentSms_;
    int resets_ = 0;
    int entries_ = 0;
    int exits_ = 0;
};

} // namespace dalvex::sim
