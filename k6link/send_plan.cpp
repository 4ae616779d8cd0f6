#include "send_plan.h"

#include "k6config/image_diff.h"
#include "k6config/memory_map.h"
#include "k6link/commands.h"

#include <algorithm>

namespace dalvex::k6link {

namespace {

using k6config::ImageArea;

constexpr std::uint32_t kContactIdBase = k6config::kContactIdArea.first;
constexpr std::uint32_t kProfileBase = k6config::kProfileBase;
constexpr std::int32_t kConfigBlocks = k6config::kConfigArea.end / 256;
constexpr std::int32_t kContactIdBlocks = 128; // the bank holds 256; a send writes the first 128
constexpr std::int32_t kProfileBlocksWritten = (k6config::kProfileArea.end - kProfileBase) / 256;
constexpr std::int32_t kConfigBytes = k6config::kBytewiseConfigArea.end;

// The areas a send writes, packed one after the other in KnownMemory.
constexpr ImageArea kAreas[] = {
    k6config::kConfigArea,
    {kContactIdBase, kContactIdBase + kContactIdBlocks * 256},
    k6config::kProfileArea,
};
constexpr std::size_t kKnownSize = [] {
    std::size_t n = 0;
    for (const ImageArea& a : kAreas)
        n += a.end - a.first;
    return n;
}();

// On the line, both ways.
constexpr std::int64_t kBlockRead = kFrameSize + kBlockReadSize; // 263
constexpr std::int64_t kBlockWrite = kBlockWriteSize + 1;        // 263
constexpr std::int64_t kByteExchange = 2 * kFrameSize;           // 12
constexpr std::int64_t kClockSet = kFrameSize + 12 + kFrameSize; // 24
constexpr std::int64_t kBankTailBlocks = kContactIdBlocks + kProfileBlocksWritten;

// A byte read answers the version and type registers at these addresses, not the memory beneath.
bool IsRegister(std::int32_t address) {
    return address == kVersionAddress || address == kTypeAddress;
}

int AreaOf(const SendUnit& u) {
    switch (u.kind) {
    case SendUnit::Kind::Byte:
    case SendUnit::Kind::ConfigBlock:
        return 0;
    case SendUnit::Kind::ContactIdBlock:
        return 1;
    case SendUnit::Kind::ProfileBlock:
        return 2;
    }
    return 0;
}

// The technician's word is checked on one unit-span of each area the send leaves alone: a block,
// or byte-wise the unchanged bytes of the 256-byte span with the fewest changes.
std::vector<SendUnit> Probes(const std::vector<SendUnit>& units, const std::vector<SendUnit>& write,
                             const KnownMemory& known, bool bytewise) {
    const auto written = [&](const SendUnit& u) {
        return std::find(write.begin(), write.end(), u) != write.end();
    };
    std::vector<SendUnit> probes;
    if (!bytewise) {
        bool probed[3] = {};
        for (const SendUnit& u : units)
            if (!probed[AreaOf(u)] && known.Knows(u) && !written(u)) {
                probed[AreaOf(u)] = true;
                probes.push_back(u);
            }
        return probes;
    }
    int best = -1;
    std::size_t fewest = SIZE_MAX;
    for (int span = 0; span < kConfigBytes / 256; ++span) {
        const std::size_t changes = static_cast<std::size_t>(std::count_if(
            write.begin(), write.end(), [span](const SendUnit& u) { return u.index / 256 == span; }));
        if (changes < fewest) fewest = changes, best = span;
    }
    for (std::int32_t a = best * 256; a < (best + 1) * 256; ++a) {
        const SendUnit u{SendUnit::Kind::Byte, a};
        if (!IsRegister(a) && known.Knows(u) && !written(u)) probes.push_back(u);
    }
    return probes;
}

} // namespace

// --- Units ---------------------------------------------------------------------------------------

std::uint32_t SendUnit::Address() const {
    switch (kind) {
    case Kind::Byte:
        return static_cast<std::uint32_t>(index);
    case Kind::ConfigBlock:
        return 256u * static_cast<std::uint32_t>(index);
    case Kind::ContactIdBlock:
        return kContactIdBase + 256u * static_cast<std::uint32_t>(index);
    case Kind::ProfileBlock:
        return kProfileBase + 256u * static_cast<std::uint32_t>(index);
    }
    return 0;
}

std::int32_t SendUnit::ReadNumber() const {
    switch (kind) {
    case Kind::ConfigBlock:
        return 16 * index;
    case Kind::ContactIdBlock:
        return 0x3400 + index;
    case Kind::ProfileBlock:
        return 0x3500 + index;
    case Kind::Byte:
        break;
    }
    return 0;
}

std::uint8_t SendUnit::WriteP1() const {
    switch (kind) {
    case Kind::ContactIdBlock:
        return 0x34;
    case Kind::ProfileBlock:
        return 0x35;
    default:
        return 0;
    }
}

std::uint8_t SendUnit::WriteP2() const {
    return static_cast<std::uint8_t>((kind == Kind::ConfigBlock ? 16 * index : index) & 0xFF);
}

std::vector<SendUnit> WholeSendUnits(const SendShape& shape) {
    std::vector<SendUnit> units;
    if (shape.bytewise) {
        for (std::int32_t a = 0; a < kConfigBytes; ++a)
            if (!Engine::IsSkippedImageByte(a, shape.companyMark)) units.push_back({SendUnit::Kind::Byte, a});
        return units;
    }
    for (std::int32_t i = 0; i < kConfigBlocks; ++i)
        units.push_back({SendUnit::Kind::ConfigBlock, i});
    if (shape.lineSimulator && shape.contactId)
        for (std::int32_t i = 0; i < kContactIdBlocks; ++i)
            units.push_back({SendUnit::Kind::ContactIdBlock, i});
    for (std::int32_t i = 0; i < kProfileBlocksWritten; ++i)
        units.push_back({SendUnit::Kind::ProfileBlock, i});
    return units;
}

// --- What is known -------------------------------------------------------------------------------

KnownMemory::KnownMemory()
    : bytes_(kKnownSize, 0)
    , known_(kKnownSize, false) {}

void KnownMemory::Forget() {
    std::fill(known_.begin(), known_.end(), false);
    knownCount_ = 0;
}

std::optional<std::size_t> KnownMemory::Offset(std::uint32_t address) {
    std::size_t base = 0;
    for (const ImageArea& a : kAreas) {
        if (address >= a.first && address < a.end) return base + (address - a.first);
        base += a.end - a.first;
    }
    return std::nullopt;
}

void KnownMemory::Learn(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (const auto at = Offset(address + static_cast<std::uint32_t>(i))) {
            if (!known_[*at]) ++knownCount_;
            known_[*at] = true;
            bytes_[*at] = bytes[i];
        }
}

void KnownMemory::Learn(const SendUnit& unit, const k6config::ConfigImage& image) {
    Learn(unit.Address(), image.block(unit.Address(), unit.Length()));
}

bool KnownMemory::Knows(const SendUnit& unit) const {
    for (std::uint32_t i = 0; i < unit.Length(); ++i) {
        const auto at = Offset(unit.Address() + i);
        if (!at || !known_[*at]) return false;
    }
    return true;
}

bool KnownMemory::Matches(const SendUnit& unit, std::span<const std::uint8_t> bytes) const {
    if (bytes.size() != unit.Length()) return false;
    for (std::uint32_t i = 0; i < unit.Length(); ++i) {
        const auto at = Offset(unit.Address() + i);
        if (!at || !known_[*at] || bytes_[*at] != bytes[i]) return false;
    }
    return true;
}

bool KnownMemory::Matches(const SendUnit& unit, const k6config::ConfigImage& image) const {
    return Matches(unit, image.block(unit.Address(), unit.Length()));
}

// --- The plan ------------------------------------------------------------------------------------

QString WholeReasonTexts::Text(WholeReason reason) const {
    switch (reason) {
    case WholeReason::None:
        return {};
    case WholeReason::SwitchedOff:
        return SwitchedOff;
    case WholeReason::NoRead:
        return NoRead;
    case WholeReason::AnotherModule:
        return AnotherModule;
    case WholeReason::PortLost:
        return PortLost;
    case WholeReason::ModuleRestarted:
        return ModuleRestarted;
    case WholeReason::MemoryWritten:
        return MemoryWritten;
    case WholeReason::FileOpened:
        return FileOpened;
    case WholeReason::ContactIdChanged:
        return ContactIdChanged;
    case WholeReason::NotHeld:
        return NotHeld;
    }
    return {};
}

int SendPlan::WholeUnits() const {
    return static_cast<int>(WholeSendUnits(shape).size());
}

std::int64_t SendPlan::MostLineBytes() const {
    const std::int64_t clock = setClock ? kClockSet : 0;
    const auto n = [](const std::vector<SendUnit>& v) { return static_cast<std::int64_t>(v.size()); };
    if (shape.bytewise)
        return (n(probe) + n(write)) * kByteExchange + (BankTail(shape) ? kBankTailBlocks * kBlockWrite : 0) +
               clock;
    return (n(probe) + n(learn)) * kBlockRead + (n(write) + n(learn)) * (kBlockWrite + kBlockRead) + clock;
}

std::int64_t SendPlan::WholeLineBytes() const {
    const std::int64_t clock = setClock ? kClockSet : 0;
    const std::int64_t units = WholeUnits();
    if (shape.bytewise)
        return units * kByteExchange + (BankTail(shape) ? kBankTailBlocks * kBlockWrite : 0) + clock;
    return units * kBlockWrite + clock;
}

SendPlan PlanSend(const k6config::ConfigImage& image, const SendShape& shape, bool setClock, bool changedOnly,
                  const KnownMemory& known, const std::optional<KnownSince>& since, const KnownSince& now) {
    SendPlan plan;
    plan.shape = shape;
    plan.setClock = setClock;
    const auto whole = [&](WholeReason why) {
        plan.whole = why;
        return plan;
    };
    if (!changedOnly) return whole(WholeReason::SwitchedOff);
    if (!since || known.Empty()) return whole(WholeReason::NoRead);
    if (since->moduleType != now.moduleType || since->version != now.version || since->port != now.port)
        return whole(WholeReason::AnotherModule);
    if (since->events.portLosses != now.events.portLosses) return whole(WholeReason::PortLost);
    if (since->events.restarts != now.events.restarts) return whole(WholeReason::ModuleRestarted);
    if (since->events.memoryWrites != now.events.memoryWrites) return whole(WholeReason::MemoryWritten);
    if (since->fileOpened) return whole(WholeReason::FileOpened);
    if (!shape.bytewise && shape.lineSimulator && since->contactId != shape.contactId)
        return whole(WholeReason::ContactIdChanged);

    const std::vector<SendUnit> units = WholeSendUnits(shape);
    for (const SendUnit& u : units) {
        if (!known.Knows(u)) {
            // A byte-wise read brings in every byte the send writes; an unknown one is simply sent.
            (u.IsBlock() ? plan.learn : plan.write).push_back(u);
        } else if (!known.Matches(u, image)) {
            plan.write.push_back(u);
        }
    }
    if (since->asserted) plan.probe = Probes(units, plan.write, known, shape.bytewise);
    plan.whole = WholeReason::None;
    return plan;
}

} // namespace dalvex::k6link
