#pragma once
// A file's bytes for tests: read whole (empty when it cannot be read), written whole.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace dalvex::test {

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(data), data.size()) << path.toStdString();
}

} // namespace dalvex::test
