#pragma once
// Whether the module has stopped answering the operation in progress: nothing received and the
// operation no further along (state, block, address, bytes left) for ten seconds. The engine keeps
// repeating its command meanwhile, as it must; the watch only tells the host when to say so. Time
// is the host's monotonic milliseconds, so tests drive it without waiting.

#include "k6link/engine.h"

#include <array>
#include <cstdint>
#include <optional>

namespace dalvex::k6link {

class AnswerWatch {
public:
    static constexpr std::int64_t kLimitMs = 10000;

    // Bytes came from the module at `nowMs`.
    void Heard(std::int64_t nowMs) { since_ = nowMs; }
    // At every tick while an operation runs: true once nothing has been heard from the module and
    // the operation has not moved for kLimitMs.
    bool Silent(const Engine& engine, std::int64_t nowMs) {
        const Where where{engine.OpState, engine.BlockIndex, engine.MemAddr, engine.Remaining};
        if (!since_ || where != where_) since_ = nowMs;
        where_ = where;
        return nowMs - *since_ >= kLimitMs;
    }
    // No operation runs: the next one starts counting afresh.
    void Reset() { since_.reset(); }

private:
    using Where = std::array<std::int32_t, 4>;
    Where where_{};
    std::optional<std::int64_t> since_;
};

} // namespace dalvex::k6link
