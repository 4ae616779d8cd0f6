#pragma once
// The module status poll and what the status window makes of the status bytes.
//
//   5    byte read at MemAddr with the command StatusPoll (2 while the status window is open):
//        F(MemAddr >> 8, 2, MemAddr & 0xFF, 0). A reply frame with R0 = 0xAB and R2 = the low
//        byte of MemAddr: ConfigImage[BlockIndex] := R3, on to the next byte at once. After the
//        16th byte the pass is complete: the counters start again at 512, the host refreshes the
//        window, and the next pass goes out when the countdown (5 ticks) has run out.
//   250  the hidden "Tesztelés END": F(0, 1, 0x4B, 0xBB), the write of 0xBB to address 75. Any
//        reply frame with R0 = 0xAB completes it: "REG ok", idle, or the poll again while the
//        status window is open.
//
// The status bytes S[0 .. 15] are stored in ConfigImage from offset 0, which is scratch while
// the status window is open. Image bytes 4 .. 7 (and 0 .. 3 while the SMS code is not four
// characters long) are never rebuilt from the pages, so a send after the status window would
// write status bytes into the module's configuration: the poll keeps the 16 image bytes aside
// while the window is open and puts them back when it closes.
//
// StatusDisplayOf is the whole mapping from S[0 .. 15] and the module's identity to what the
// window shows; the window only paints it.

#include "k6link/engine.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace dalvex::k6link {

namespace state {
inline constexpr std::int32_t StatusPollState = 5;
inline constexpr std::int32_t TestEnd = 250;
} // namespace state

inline constexpr std::int32_t kStatusAddress = 512;
inline constexpr std::int32_t kStatusBytes = 16;
inline constexpr std::uint8_t kStatusPollCommand = 2; // StatusPoll while the status window is open
inline constexpr std::uint16_t kTestEndAddress = 75;
inline constexpr std::uint8_t kTestEndValue = 0xBB;
// Seconds for which a completed pass counts as current ("COM OK").
inline constexpr int kAliveSeconds = 3;

using StatusBytes = std::array<std::uint8_t, kStatusBytes>;

// Catalogue texts of the status window; the language pass replaces them. The texts the module
// reports in fixed wording are kStatusFixed below.
struct StatusTexts {
    std::array<QString, 4> Network = {
        QStringLiteral("Hálózatra nincs feljelentkezve"),
        QStringLiteral("Saját hálózatra feljelentkezve"),
        QStringLiteral("Hálózatra nincs feljelentkezve, előző roaming volt"),
        QStringLiteral("Roaming hálózatra feljelentkezve"),
    };
    QString NoError = QStringLiteral("Nincs hiba");             // S[2] 0
    QString ModemConfig = QStringLiteral("Modem konfigurálás"); // 1
    QString NoGsmModule = QStringLiteral("GSM modul nem látható");
    QString NoSim = QStringLiteral("SIM kártya nincs behelyezve");
    QString SimLocked = QStringLiteral("SIM kártya PIN kóddal zárolva");
    QString ModemMode = QStringLiteral("GSM Modem módban van"); // 10
    QString GsmTime = QStringLiteral("GSM idő: ");
    QString LineVoltage = QStringLiteral("Vonali feszültség: ");
    QString RegOk = QStringLiteral("REG ok");
    QString ComOk = QStringLiteral("COM OK");
    QString ComError = QStringLiteral("COM ERROR");
    QString Connect = QStringLiteral("Connect: ");
};

// Texts shown in the module's own wording, never translated.
namespace kStatusFixed {
inline constexpr const char* MonitorMode = "GSM monitor mode"; // S[2] 12
inline constexpr const char* MemoryFault = "MEMORY FAULT";
inline constexpr const char* UnknownError = "Ismeretlen hiba: ";
inline constexpr const char* UnknownNetwork = "Ismeretlen állapot: ";
inline constexpr const char* SlicPrefix = "SLIC statusz:";
} // namespace kStatusFixed

// The colour of the signal gauge.
enum class GaugeColour { Red, Yellow, Blue, Green, Lime };

// A picture of the status window: "KI" for a set bit, "BE" for a clear one, or blank.
enum class Picture { Be, Ki, Blank };

struct StatusDisplay {
    std::array<Picture, 4> Inputs{}; // inputs 1 .. 4
    Picture Tamper = Picture::Be;
    Picture Supply = Picture::Be;
    Picture Output1 = Picture::Be;
    Picture Output2 = Picture::Be;
    Picture Arming = Picture::Be;
    Picture Line = Picture::Blank; // the line picture: ModuleType 74 only
    bool SupplyPanelRed = false;   // S[4] bit 1
    bool Output2PanelRed = false;  // S[4] bit 3

    QString Network;    // "GSM Státusz:"
    QString ErrorField; // "Hibakód/CID:"
    int Signal = 0;     // gauge position, 0 .. 31
    GaugeColour Colour = GaugeColour::Red;
    QString GsmTime;     // status panel 0
    int Temperature = 0; // degrees, signed
    QString TemperatureText;
    QString LineVoltage; // "Vonali feszültség: " and the voltage; empty unless ModuleType 74
    // ModuleCode 73: the controls that model lacks (inputs 3 and 4, tamper, output 2, arming, line)
    // are blanked and their labels disabled, the line-voltage label hidden.
    bool CompactModel = false;
};

// What the window shows for the status bytes of a module.
StatusDisplay StatusDisplayOf(const StatusBytes& s, int moduleType, int moduleCode, const StatusTexts& texts);

GaugeColour GaugeColourOf(int signal);
// Bits 0 .. 6 the magnitude, bit 7 the sign.
int TemperatureOf(std::uint8_t byte);

// The parts of the status window that the module's software version shows or hides.
enum class StatusPart {
    LineValues,  // the line picture's caption, its "LE" and "FEL" marks and the line voltage
    Output2,     // output 2's coloured panel and its caption
    Temperature, // the temperature field and its caption
};

// The status window's visibility rules of the version reply, in their order. Each is a part of
// the window and whether the rule shows it (true) or hides it; a part no rule names keeps its state.
struct VisibilityRule {
    StatusPart part;
    bool visible;
};
std::vector<VisibilityRule> StatusVersionRules(int version, int moduleType);

// What the poll needs from the status window.
class StatusHost {
public:
    virtual ~StatusHost() = default;
    // A pass is complete: S[0 .. 15] are fresh.
    virtual void StatusRefreshed(const StatusBytes& s) = 0;
    // The "Tesztelés END" write was acknowledged.
    virtual void TestEndDone() = 0;
};

class StatusPoll {
public:
    // Registers states 5 and 250 with the engine.
    StatusPoll(Engine& engine, StatusHost& host);

    // Opening the window: the counters of the first pass. The image bytes the poll uses as
    // scratch are kept aside until Stop.
    void Open();
    // The counters of a pass: MemAddr 512, BlockIndex 0, Remaining 16.
    void Prepare();
    // Activation: the poll runs with the status-read command.
    void Start();
    // Closing: idle, byte reads go back to command 0, the image bytes are as before Open.
    void Stop();
    // "Tesztelés END".
    void StartTestEnd();

    // The status window's second timer: true ("COM OK") while the last completed pass is less
    // than kAliveSeconds old, false ("COM ERROR") after that.
    bool SecondElapsed();

    // The bytes of the last completed pass.
    const StatusBytes& Bytes() const { return last_; }
    // Seconds for which the last completed pass still counts as current.
    int AliveTicks = 0;
    // Completed passes since program start.
    int ConnectCount = 0;

private:
    Engine& e_;
    StatusHost& host_;
    StatusBytes last_{};
    std::optional<StatusBytes> saved_;
};

} // namespace dalvex::k6link
