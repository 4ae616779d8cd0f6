#pragma once
// A send that costs what changed: what the module is known to hold, and the plan of a send drawn
// from it.
//
// A whole send writes every unit of the configuration: the bytes 0..1023 of the byte-wise protocol
// (less the ones it never sends), or the 256-byte blocks of the block protocol (six configuration
// blocks, the Contact ID bank when it goes, five blocks of bank 0x35). What the module holds is
// known from the last completed read of this session and from what a send since has written and
// read back (or, byte-wise, seen echoed). When nothing may have parted the module from that
// knowledge, a send writes only the units whose bytes differ from it, in the whole send's order and
// frames, and reads the written blocks back; otherwise it is the whole send.
//
// What may part them, and how it shows (WholeReason):
//   - nothing read, or the last send went whole or failed its read-back     the knowledge is empty
//   - another module: the module type, software version or port differ     compared with the read's
//   - the port lost, or an open that failed, since the read                 LineEvents::portLosses
//   - a restart or programmable-logic load sent since the read              LineEvents::restarts
//   - the module's memory written by another operation since the read      LineEvents::memoryWrites
//   - a configuration file opened into the pages since the read             told by the window
//   - the Contact ID option changed since the read                          compared with the read's
//
// Units the knowledge does not hold although the send writes them (block 4 of bank 0x35, which a
// read never brings in) are read first and written only when they differ. Knowledge that the
// technician asserts rather than a read (dalvex-cli send --changed-since) is checked first by
// reading one unchanged unit-span of each area; a difference sends the whole configuration.

#include "k6config/config_image.h"
#include "k6link/engine.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace dalvex::k6link {

// One piece of a send on the line.
struct SendUnit {
    enum class Kind : std::uint8_t {
        Byte,           // byte-wise: the byte at `index`
        ConfigBlock,    // configuration block `index` (0..5): F(S, 0xF6, 0, 16·index)
        ContactIdBlock, // Contact ID bank block `index` (0..127): F(S, 0xF6, 0x34, index)
        ProfileBlock,   // bank 0x35 block `index` (0..4): F(S, 0xF6, 0x35, index)
    };
    Kind kind = Kind::Byte;
    std::int32_t index = 0;

    bool IsBlock() const { return kind != Kind::Byte; }
    // Image address of its first byte, and its length.
    std::uint32_t Address() const;
    std::uint32_t Length() const { return IsBlock() ? 256u : 1u; }
    // The block number of a block read, F(0, 0xF7, low, high).
    std::int32_t ReadNumber() const;
    // Bytes 2 and 3 of a block write, F(S, 0xF6, p1, p2).
    std::uint8_t WriteP1() const;
    std::uint8_t WriteP2() const;
    friend bool operator==(const SendUnit&, const SendUnit&) = default;
};

// What shapes a whole send.
struct SendShape {
    bool bytewise = false;      // Version below 7.3
    bool lineSimulator = false; // a model with the Contact ID bank (type 74)
    bool contactId = false;     // block protocol: the Contact ID bank goes
    bool companyMark = false;   // byte-wise: bytes 384..399 go too
};

// Every unit a whole send writes, in its order. Byte-wise, the banks that follow the bytes of a
// line simulator model are not listed: they go whole whatever changed (`bankTail`).
std::vector<SendUnit> WholeSendUnits(const SendShape& shape);
// The byte-wise send of a line simulator model goes on with the whole Contact ID bank and bank 0x35.
inline bool BankTail(const SendShape& shape) {
    return shape.bytewise && shape.lineSimulator;
}

// What the module holds in the areas a send writes, as far as this session knows, byte by byte.
class KnownMemory {
public:
    KnownMemory();
    void Forget();
    bool Empty() const { return knownCount_ == 0; }
    // The module holds `bytes` from `address` on (bytes outside the send's areas are not kept).
    void Learn(std::uint32_t address, std::span<const std::uint8_t> bytes);
    void Learn(const SendUnit& unit, const k6config::ConfigImage& image);
    bool Knows(const SendUnit& unit) const;
    // Known, and equal to the image's bytes of the unit.
    bool Matches(const SendUnit& unit, const k6config::ConfigImage& image) const;
    // Known, and equal to `bytes` (a unit read from the module).
    bool Matches(const SendUnit& unit, std::span<const std::uint8_t> bytes) const;

private:
    static std::optional<std::size_t> Offset(std::uint32_t address);
    std::vector<std::uint8_t> bytes_;
    std::vector<bool> known_;
    std::size_t knownCount_ = 0;
};

// The circumstances of what is known: compared with those of a send.
struct KnownSince {
    std::int32_t moduleType = 0;
    std::int32_t version = 0;
    QString port;
    bool contactId = false; // the Contact ID bank is known
    LineEvents events;
    bool fileOpened = false;
    bool asserted = false; // the technician says so (probe first); not read in this session
};

// Why a send goes whole. None: it goes by what changed.
enum class WholeReason {
    None,
    SwitchedOff,      // "SendChangedOnly" is off
    NoRead,           // nothing read or verified since the session began, or since the last whole send
    AnotherModule,    // the module type, software version or port differ from the read's
    PortLost,         // the port was lost, or would not open, since the read
    ModuleRestarted,  // a restart or programmable-logic load was sent since the read
    MemoryWritten,    // another operation wrote the module's memory since the read
    FileOpened,       // a configuration file was opened since the read
    ContactIdChanged, // the Contact ID option is not what it was at the read
    NotHeld,          // asserted knowledge: a unit read first differed from it
};

// Why a send goes whole, in words: catalogue texts, which the language pass replaces.
struct WholeReasonTexts {
    QString SwitchedOff = QStringLiteral("a „Csak a változások elküldése” beállítás ki van kapcsolva");
    QString NoRead = QStringLiteral("nincs ellenőrzött olvasás ebből a modulból");
    QString AnotherModule = QStringLiteral("más modul vagy port, mint az olvasáskor");
    QString PortLost = QStringLiteral("a COM port elveszett az olvasás óta");
    QString ModuleRestarted = QStringLiteral("a modul újraindult az olvasás óta");
    QString MemoryWritten = QStringLiteral("más művelet írt a modul memóriájába az olvasás óta");
    QString FileOpened = QStringLiteral("fájl lett megnyitva az olvasás óta");
    QString ContactIdChanged = QStringLiteral("a Contact ID tábla beállítása megváltozott az olvasás óta");
    QString NotHeld = QStringLiteral("a modul nem azt tartalmazza, amit a fájl szerint kellene");
    // Empty for WholeReason::None.
    QString Text(WholeReason reason) const;
};

struct SendPlan {
    WholeReason whole = WholeReason::NoRead;
    SendShape shape;
    bool setClock = true;
    std::vector<SendUnit> probe; // asserted knowledge: read first, compared with it
    std::vector<SendUnit> learn; // not known: read first, written when they differ from the image
    std::vector<SendUnit> write; // differ from what is known, in the whole send's order

    bool Partial() const { return whole == WholeReason::None; }
    // Units the plan writes at most (learned ones counted as written) and a whole send writes.
    int MostUnits() const { return static_cast<int>(write.size() + learn.size()); }
    int WholeUnits() const;
    // Bytes on the line, both ways: the plan at most (reads, writes, read-backs, the whole banks of
    // a byte-wise line simulator, the clock), and the whole send.
    std::int64_t MostLineBytes() const;
    std::int64_t WholeLineBytes() const;
    // Seconds the bytes take at `baud`, ten bits a byte.
    static double Seconds(std::int64_t lineBytes, int baud) {
        return baud > 0 ? static_cast<double>(lineBytes) * 10.0 / baud : 0;
    }
};

// The plan of a send of `image` by `shape`, given what is known and since when, and the send's own
// circumstances in `now` (its contactId is the send's option; asserted and fileOpened are unused).
SendPlan PlanSend(const k6config::ConfigImage& image, const SendShape& shape, bool setClock, bool changedOnly,
                  const KnownMemory& known, const std::optional<KnownSince>& since, const KnownSince& now);

} // namespace dalvex::k6link
