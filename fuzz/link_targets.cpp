// Event log records and modem replies.
#include "fuzz/fuzz_targets.h"
#include "k6link/log_records.h"
#include "k6link/modem_lines.h"

#include <QString>
#include <array>
#include <vector>

namespace dalvex::fuzz {

void FuzzLogRecords(Input data) {
    const k6link::LogTexts texts;
    std::vector<k6link::LogRow> rows;
    std::array<std::uint8_t, 256> block{};
    for (std::size_t at = 0; at < data.size(); at += block.size()) {
        block.fill(0xFF);
        const std::size_t n = std::min(block.size(), data.size() - at);
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at), n, block.begin());
        for (int i = 0; i < 4; ++i) {
            const auto record = k6link::LogRecordOf(block, i);
            if (k6link::IsLogEnd(record[0])) continue;
            rows.push_back(k6link::DecodeLogRecord(record, texts));
        }
    }
    (void)k6link::LogCsv(rows, texts);
}

void FuzzModemReplies(Input data) {
    const k6link::Reply r = data;
    (void)k6link::EndsWithOk(r);
    for (int pos = -2; pos < static_cast<int>(data.size()) + 2; ++pos)
        (void)k6link::OkAt(r, pos);
    (void)k6link::ReadPhonebookReply(r);
    (void)k6link::ReadImeiReply(r);
    for (const k6link::InfoQuery& q : k6link::kInfoQueries)
        (void)k6link::ReadInfoReply(q, r);
    const QString text =
        QString::fromLatin1(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    (void)k6link::DialableNumber(text);
    (void)k6link::CheckName(text);
    (void)k6link::CheckPin(text);
}

} // namespace dalvex::fuzz
