#pragma once
// Configuration files (".dat"): the configuration image with the six customer-data fields,
// byte for byte:
//
//   offset 0      1024 bytes   image bytes 0..1023
//   offset 1024   6 x 128      customer records (Edit2..Edit7): byte 0 unused (0), bytes 1..127
//                              the first 127 characters in Windows-1250, ended by 0, rest 0
//   offset 1792   0x3E0000     image bytes 0x400..0x3E03FF
//
// A complete file is 4,065,024 bytes. A file that ends after its first 1792 bytes opens silently
// and leaves the rest of the image as it was.
//
// The same bytes may also be stored gzip-compressed (the backups are, "NAME.dat.gz"). Readers know
// such a file by its first bytes, whatever its name; one that is cut short, fails its check sum or
// holds more than a configuration file is refused whole.
//
// A file is taken for a configuration file by what it holds, never by its name: its six customer
// records are as the format writes them (byte 0 zero, the text, then zeros to the record's end),
// which neither a text file nor random bytes are (six zero bytes at fixed places in 4 MB of noise
// come once in 2^48); a plain one is 1792 bytes to a complete file long, a compressed one holds
// such bytes. A file that starts as a JSON object is a configuration text, for the import.
// Everything else is refused before it touches the image, its size judged before it is read.

#include "config_image.h"
#include "file_access.h"

#include <QString>
#include <array>

namespace dalvex::k6config {

inline constexpr qint64 kConfigHeadSize = 1024;
inline constexpr int kCustomerFields = 6;
inline constexpr int kCustomerRecordSize = 128;
inline constexpr qint64 kConfigMinimumSize = kConfigHeadSize + kCustomerFields * kCustomerRecordSize; // 1792
inline constexpr qint64 kConfigTailSize = 0x3E0000;
inline constexpr qint64 kConfigFileSize = kConfigMinimumSize + kConfigTailSize; // 4,065,024

using CustomerFields = std::array<QString, kCustomerFields>; // Edit2..Edit7

// The texts of the file errors (%1 the file); the language pass replaces them.
struct ConfigFileTexts {
    QString Damaged =
        QStringLiteral("A tömörített konfigurációs fájl csonka vagy sérült, nem használható: %1");
    QString NotFound = QStringLiteral("A fájl nem található: %1");
    QString AccessDenied = QStringLiteral("Nincs jogosultság a fájlhoz: %1");
    QString TooShort = QStringLiteral("A fájl nem konfigurációs fájl: rövidebb 1792 bájtnál (%1).");
    QString NotANumber = QStringLiteral("A SIM fájl első sora nem szám: %1");
    QString Io = QStringLiteral("Fájlhiba: %1 (%2)");
    QString NotRegular = QStringLiteral("Nem közönséges fájl (hanem eszköz, cső vagy foglalat): %1");
    QString TooLarge = QStringLiteral("A fájl túl nagy: %1 (legfeljebb %2 bájt lehet).");
    QString NotConfiguration =
        QStringLiteral("A fájl nem konfigurációs fájl és nem konfigurációs szöveg (JSON): %1");
    // The reasons of input/output errors, by FileReason.
    std::array<QString, kFileReasons> Reasons = {
        QStringLiteral("a lemez megtelt"),
        QStringLiteral("elfogyott a lemezkvóta"),
        QStringLiteral("a fájlrendszer csak olvasható"),
        QStringLiteral("írási vagy olvasási hiba az adathordozón"),
        QStringLiteral("a szimbolikus linkek körbe mutatnak"),
        QStringLiteral("a fájlnév túl hosszú"),
        QStringLiteral("az útvonal egyik tagja nem mappa"),
        QStringLiteral("ez egy mappa, nem fájl"),
        QStringLiteral("a fájl túl nagy ehhez a fájlrendszerhez"),
        QStringLiteral("túl sok a megnyitott fájl"),
        QStringLiteral("a fájl foglalt"),
        QStringLiteral("a mappa nem létezik"),
    };
    // The file dialogs' filters.
    QString ConfigFilter = QStringLiteral("Konfigurációs fájl (*.dat)");
    QString AllFilter = QStringLiteral("Minden fájl (*)");

    // Every text through `translate` (a host without the windows' language pass).
    template <class Translate> void TranslateAll(Translate translate) {
        for (QString* t : {&Damaged, &NotFound, &AccessDenied, &TooShort, &NotANumber, &Io, &NotRegular, &TooLarge,
                           &NotConfiguration, &ConfigFilter, &AllFilter})
            *t = translate(*t);
        for (QString& t : Reasons)
            t = translate(t);
    }
};

// The message of a failed file operation on `path`, in the texts' language.
QString FileResultText(const FileResult& r, const QString& path, const ConfigFileTexts& texts);

// The 128-byte customer record of a text, and the text of a record.
QByteArray CustomerRecord(const QString& text);
QString CustomerText(const QByteArray& record);

// Empty customer fields are saved as a single space, and the fields show it afterwards.
void FillEmptyCustomerFields(CustomerFields& fields);

enum class FileFormat { Plain, Gzip };

// The bytes of a complete configuration file.
QByteArray ConfigFileData(const ConfigImage& image, const CustomerFields& fields);

// Writes the file atomically: a temporary file beside the target is renamed over it only when
// everything has been written, so a failed save leaves the previous file as it was.
FileResult SaveConfigFile(const QString& path, const ConfigImage& image, const CustomerFields& fields,
                          FileFormat format = FileFormat::Plain);

// A compressed configuration file is at most this long: a complete file that does not compress,
// with gzip's framing.
inline constexpr qint64 kMaxCompressedSize = kConfigFileSize + 64 * 1024;

// Whether `bytes` (at least the first 1792 of a file) hold six customer records as the format
// writes them.
bool HasConfigLayout(const QByteArray& bytes);

// What a configuration file holds, inflated when it is compressed: at most `limit` bytes, and
// whether it holds more. Only a compressed file can be Damaged; with `more` set its check sum has
// not been reached.
struct ConfigContent {
    QByteArray bytes;
    bool compressed = false;
    bool more = false;
};
FileResult ReadConfigContent(const QString& path, qint64 limit, ConfigContent& content);

// Reads a configuration file, plain or compressed, into the image and the customer fields. A file
// shorter than 1792 bytes, or a damaged compressed one, is refused and changes nothing; a shorter
// tail fills what it has. A configuration text gives ConfigurationText and changes nothing, for a
// caller that takes it through the import; anything else is refused (NotConfiguration, TooLarge).
FileResult OpenConfigFile(const QString& path, ConfigImage& image, CustomerFields& fields);

// The same for the bytes of a plain configuration file already in memory.
FileResult OpenConfigData(const QByteArray& bytes, ConfigImage& image, CustomerFields& fields);

} // namespace dalvex::k6config
