#pragma once
// The enumerated types, sets and event-handler types of the serial port component.

#include <cstdint>
#include <functional>
#include <initializer_list>

namespace dalvex {

enum TBaudRate {
    cbr110,
    cbr300,
    cbr600,
    cbr1200,
    cbr2400,
    cbr4800,
    cbr9600,
    cbr14400,
    cbr19200,
    cbr38400,
    cbr56000,
    cbr57600,
    cbr115200,
    cbr128000,
    cbr256000
};
enum TParity { paNone, paOdd, paEven, paMark, paSpace };
enum TStopbits { sb10, sb15, sb20 };
enum TDatabits { da4, da5, da6, da7, da8 };
enum TFlowControl { fcNone, fcCTS, fcDTR, fcSoftware, fcDefault };
enum TAsynComm32Option { osParityCheck, osDsrSensitivity, osIgnoreXOff, osErrorChar, osNullStrip };
enum TC32EventType { evBreak, evCTS, evDSR, evError, evRing, evRlsd, evRxChar, evRxFlag, evTxEmpty };

// The line speed in baud of a TBaudRate.
int BaudRateValue(TBaudRate rate);

// A set of enumeration members, as the component's option and event sets are.
template <typename E> class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members) {
        for (E m : members)
            bits_ |= bit(m);
    }
    static constexpr TSet fromBits(std::uint32_t bits) {
        TSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr bool contains(E m) const { return (bits_ & bit(m)) != 0; }
    constexpr TSet& include(E m) {
        bits_ |= bit(m);
        return *this;
    }
    constexpr TSet& exclude(E m) {
        bits_ &= ~bit(m);
        return *this;
    }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr std::uint32_t bits() const { return bits_; }
    constexpr TSet operator&(TSet o) const { return fromBits(bits_ & o.bits_); }
    constexpr TSet operator|(TSet o) const { return fromBits(bits_ | o.bits_); }
    friend constexpr bool operator==(TSet, TSet) = default;

private:
    static constexpr std::uint32_t bit(E m) { return 1u << static_cast<unsigned>(m); }
    std::uint32_t bits_ = 0;
};

using TAsynComm32Options = TSet<TAsynComm32Option>;
using TC32EventState = TSet<TC32EventType>;

inline constexpr TC32EventState kAllEvents{evBreak, evCTS,    evDSR,    evError,  evRing,
                                           evRlsd,  evRxChar, evRxFlag, evTxEmpty};

// Line-error bits passed to OnError, with the values the module tools have always used.
enum : std::uint32_t {
    CE_RXOVER = 0x0001,   // input buffer overflow
    CE_OVERRUN = 0x0002,  // character lost by the hardware
    CE_RXPARITY = 0x0004, // parity error
    CE_FRAME = 0x0008,    // framing error
    CE_BREAK = 0x0010,    // break condition
    CE_IOE = 0x0400,      // the device is gone (an unplugged adapter, a closed pseudo-terminal)
};

// Provider subtype reported by OnOpen for a serial port.
inline constexpr std::uint32_t PST_RS232 = 1;

class TCustomAsynComm32;
using TNotifyEvent = std::function<void(TCustomAsynComm32* Sender)>;
using TC32RxCharEvent = std::function<void(TCustomAsynComm32* Sender, int Count)>;
using TC32ErrorEvent = std::function<void(TCustomAsynComm32* Sender, std::uint32_t Errors)>;
using TC32OpenEvent =
    std::function<void(TCustomAsynComm32* Sender, std::uint32_t ProviderSubType, int Error)>;

} // namespace dalvex
