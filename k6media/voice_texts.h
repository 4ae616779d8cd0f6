#pragma once
// Texts of the voice messages that the user sees; the language pass replaces them. "Rossz
// formátum" and "Hibás átvitel" are catalogue texts, the others this program's own.

#include <QString>

namespace dalvex::k6media {

struct VoiceTexts {
    QString BadFormat = QStringLiteral("Rossz formátum");
    QString TransferFailed = QStringLiteral("Hibás átvitel");
    QString CannotOpen = QStringLiteral("A hangfájl nem nyitható meg: %1\n%2");
    QString IsFolder = QStringLiteral("A kiválasztott név egy mappa, nem hangfájl: %1");
    QString TooShort = QStringLiteral("A hangfájl túl rövid (%2 bájt, legalább 256 kell): %1");
    // The format warning: %1 the file, %2 what it is; the question offers the conversion.
    QString WrongFormat = QStringLiteral("A hangfájl formátuma nem megfelelő: %1\nA fájl: %2\n"
                                         "Szükséges: 8 kHz, 8 bit, mono, PCM.\n\n"
                                         "Átalakítja egy új, megfelelő formátumú fájlba? "
                                         "(Az eredeti fájl nem változik.)");
    QString Unreadable = QStringLiteral("A hangfájl formátuma nem olvasható: %1\n%2");
    QString Converted = QStringLiteral("Az átalakított hangfájl: %1");
    QString ConvertFailed = QStringLiteral("Az átalakítás nem sikerült: %1");
    // Pieces of a format's description.
    QString Mono = QStringLiteral("mono");
    QString Stereo = QStringLiteral("sztereó");
    QString Channels = QStringLiteral("%1 csatornás");
};

} // namespace dalvex::k6media
