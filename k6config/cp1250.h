#pragma once
// Windows-1250, the code page of every text the module stores, and the only place where such
// bytes become QString and back.

#include <QByteArray>
#include <QString>

namespace dalvex::k6config {

// Bytes to text. Every byte maps to a character, so FromCp1250 then ToCp1250 gives the bytes back
// (the five bytes that the code page leaves undefined stand for the control characters of the
// same number).
QString FromCp1250(const QByteArray& bytes);

// Text to bytes; a character the code page cannot hold becomes "?".
QByteArray ToCp1250(const QString& text);

} // namespace dalvex::k6config
