#include "signal_memory.h"

#include "k6link/core_states.h"

namespace dalvex::k6link {

SignalMemory::SignalMemory(Engine& engine, SignalHost& host)
    : e_(engine)
    , host_(host) {
    samples_.reserve(kBlockSize);
    e_.States().add(StateDef(state::SignalRead)
                        .sends([this](Engine& e) {
                            e.SendFrame(Frame(0, Cmd::BlockRead,
                                              static_cast<std::uint8_t>(SignalBlock & 0xFF),
                                              static_cast<std::uint8_t>((SignalBlock >> 8) + 0x30)));
                        })
                        .countdown(kBlockTicks)
                        .replies([this](Engine&, std::span<const std::uint8_t> r) { return OnBlock(r); },
                                 ReplyKind::Length, static_cast<int>(kBlockReadSize)));
}

void SignalMemory::Start(EndFn onEnd) {
    host_.ClearSignalChart();
    e_.Begin(state::SignalRead, std::move(onEnd));
}

bool SignalMemory::OnBlock(std::span<const std::uint8_t> r) {
    if (r.size() != kBlockReadSize || BlockSum(r.first(kBlockSize)) != r[kBlockSize]) return false;
    e_.RxCount = 0;
    samples_.clear();
    for (std::size_t i = 0; i < kBlockSize; ++i) {
        if (r[i] == kEndMark) {
            if (!samples_.empty()) host_.AddSignalSamples(samples_);
            SampleCount = 0;
            SignalBlock = 0;
            e_.OpState = state::Idle;
            return true;
        }
        ++SampleCount;
        samples_.push_back(SignalSample{r[i], SignalLabel(SampleCount)});
    }
    host_.AddSignalSamples(samples_);
    if (++SignalBlock >= kBlocks)
        e_.OpState = state::Idle;
    else
        e_.SendStep();
    return true;
}

} // namespace dalvex::k6link
