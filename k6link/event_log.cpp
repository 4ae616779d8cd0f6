#include "event_log.h"

#include "k6link/core_states.h"

namespace dalvex::k6link {

namespace {

void SendLogRead(Engine& e, std::int32_t record) {
    e.SendFrame(Frame(0, Cmd::ReadLog, static_cast<std::uint8_t>(record & 0xFF),
                      static_cast<std::uint8_t>((record >> 8) & 0xFF)));
}

} // namespace

EventLog::EventLog(Engine& engine, EventLogHost& host)
    : e_(engine)
    , host_(host) {
    e_.AddAbandonHandler([this](std::int32_t s, std::int32_t) {
        if (s == state::LogStart || s == state::LogBlock) Stop();
    });
    StateTable& t = e_.States();
    t.add(StateDef(state::LogStart)
              .sends([this](Engine& e) {
                  LogRecordNo = kFirstRecord;
                  SendLogRead(e, LogRecordNo);
              })
              .countdown(kBlockTicks)
              .thenAtOnce(state::LogBlock));
    t.add(StateDef(state::LogBlock)
              .sends([this](Engine& e) { SendLogRead(e, LogRecordNo); })
              .countdown(kBlockTicks)
              .replies([this](Engine&, std::span<const std::uint8_t> r) { return OnBlock(r); },
                       ReplyKind::Length, static_cast<int>(kLogBlockSize)));
}

void EventLog::Start(EndFn onEnd) {
    Progress = 0;
    // A grid left from an earlier read would otherwise stay on screen when the log is now empty
    // (after an erase): the first record ends the read before any row is set.
    host_.SetLogRows(1, {});
    host_.SetLogProgress(Progress);
    host_.ShowLogProgress(true);
    e_.Begin(state::LogStart, std::move(onEnd));
}

void EventLog::Stop() {
    Progress = 0;
    host_.ShowLogProgress(false);
    host_.SetLogProgress(Progress);
    // Also called when the engine has abandoned the read already (the port went).
    if (e_.OpState == state::LogStart || e_.OpState == state::LogBlock) e_.Stop();
}

bool EventLog::OnBlock(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kLogBlockSize) return false;
    const std::span<const std::uint8_t, 256> block = bytes.first<256>();
    e_.RxCount = 0;
    const int firstRow = LogRecordNo - 3;
    rows_.clear();
    for (int index = kLogRecordsPerBlock - 1; index >= 0; --index) {
        const auto record = LogRecordOf(block, index);
        if (IsLogEnd(record[0])) {
            if (!rows_.empty()) host_.SetLogRows(firstRow, rows_);
            host_.SetLogProgress(Progress);
            host_.ShowLogProgress(false);
            e_.OpState = state::Idle;
            return true;
        }
        Progress += kProgressStep;
        if (Progress >= kProgressWrap) Progress = 0;
        rows_.push_back(DecodeLogRecord(record, Texts));
        ++LogRecordNo;
    }
    host_.SetLogRows(firstRow, rows_);
    host_.SetLogProgress(Progress);
    if (LogRecordNo < kRecordLimit)
        e_.SendStep();
    else
        e_.OpState = state::Idle;
    return true;
}

} // namespace dalvex::k6link
