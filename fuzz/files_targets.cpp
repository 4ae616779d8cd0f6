// Configuration files and caller-ID lists.
#include "fuzz/fuzz_targets.h"
#include "fuzz/temp_file.h"
#include "k6config/callerid_files.h"
#include "k6config/config_file.h"

namespace dalvex::fuzz {

void FuzzConfigFile(Input data) {
    // One image for every run: it is four megabytes.
    static k6config::ConfigImage image;
    InputFile file(data);
    if (!file.ok()) return;
    k6config::CustomerFields fields;
    (void)k6config::OpenConfigFile(file.path(), image, fields);
    const QByteArray bytes(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    (void)k6config::CustomerText(bytes.left(k6config::kCustomerRecordSize));
}

void FuzzCallerIdFiles(Input data) {
    const QByteArray bytes(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    for (const auto format : {k6config::CallerIdFormat::Csv, k6config::CallerIdFormat::Sim}) {
        k6config::CallerIdList list;
        if (k6config::ImportCallerIds(bytes, format, list)) {
            // What was read must export again.
            (void)k6config::ExportCallerIds(list, format);
        }
    }
}

} // namespace dalvex::fuzz
