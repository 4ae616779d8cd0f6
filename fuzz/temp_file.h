#pragma once
// The fuzz input as a file on disk, for the parts that only open files.

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>
#include <cstdint>
#include <span>

namespace dalvex::fuzz {

class InputFile {
public:
    explicit InputFile(std::span<const std::uint8_t> data) {
        if (!file_.open()) return;
        file_.write(reinterpret_cast<const char*>(data.data()), static_cast<qint64>(data.size()));
        file_.flush();
        ok_ = true;
    }
    bool ok() const { return ok_; }
    QString path() const { return file_.fileName(); }

private:
    QTemporaryFile file_;
    bool ok_ = false;
};

} // namespace dalvex::fuzz
