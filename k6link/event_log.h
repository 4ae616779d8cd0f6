#pragma once
// The event log read, by record number with command 8:
//
//   500  LogRecordNo := 4, then as 501 at once
//   501  F(0, 8, LogRecordNo & 0xFF, LogRecordNo >> 8), countdown 50; the reply is complete at 256
//        bytes. Its records are taken in the order 3, 2, 1, 0; each goes into grid row
//        LogRecordNo - 3 and moves LogRecordNo on, until a record with the end mark (code 0 or
//        0xFF) ends the read. After the fourth record the next block is asked for at once, up to
//        record 16384.
//
// A block that never reaches 256 bytes is asked for again when the countdown runs out, without
// limit; the user ends the read with Stop() (the window's "Olvasás megállítása" and its closing).
// The rows of a block go to the grid together, so a full log of 16384 records is 4096 updates of
// the grid, not one per cell.

#include "k6link/engine.h"
#include "k6link/log_records.h"

#include <cstdint>
#include <span>

namespace dalvex::k6link {

namespace state {
inline constexpr std::int32_t LogStart = 500;
inline constexpr std::int32_t LogBlock = 501;
} // namespace state

// What the log read needs from the log window.
class EventLogHost {
public:
    virtual ~EventLogHost() = default;
    // The window's progress bar.
    virtual void ShowLogProgress(bool visible) = 0;
    virtual void SetLogProgress(int position) = 0;
    // Grid rows from `firstRow` (1 is the first row under the header) are `rows`; rows after them
    // go. With no rows the grid keeps rows 1 .. firstRow - 1 only.
    virtual void SetLogRows(int firstRow, std::span<const LogRow> rows) = 0;
};

class EventLog {
public:
    static constexpr std::int32_t kFirstRecord = 4;
    static constexpr std::int32_t kRecordLimit = 16384; // no block is asked for from here on
    static constexpr std::int32_t kBlockTicks = 50;
    static constexpr int kProgressStep = 5;
    static constexpr int kProgressWrap = 100;

    // Registers states 500 and 501 with the engine.
    EventLog(Engine& engine, EventLogHost& host);

    // "Olvasás": the progress bar at 0, an empty grid, OpState := 500.
    void Start(EndFn onEnd = {});
    // "Olvasás megállítása" and closing the window: the progress bar hidden at 0, OpState := 0.
    void Stop();

    std::int32_t LogRecordNo = kFirstRecord; // the next record
    int Progress = 0;                        // the progress bar's position
    LogTexts Texts;

private:
    bool OnBlock(std::span<const std::uint8_t> block);

    Engine& e_;
    EventLogHost& host_;
    std::vector<LogRow> rows_; // the rows of the block in hand
};

} // namespace dalvex::k6link
