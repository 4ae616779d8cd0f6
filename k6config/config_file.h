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

#include "config_image.h"

#include <QFileDevice>
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

enum class FileError {
    None,
    NotFound,     // the file does not exist
    AccessDenied, // no permission to read or write it
    TooShort,     // a configuration file shorter than its first 1792 bytes
    NotANumber,   // a SIM list whose first line is not a number
    Damaged,      // a compressed configuration file that is cut short or damaged
    Io,           // any other input/output error
};

// The text of a damaged compressed file (%1 the file); the language pass replaces it.
struct ConfigFileTexts {
    QString Damaged =
        QStringLiteral("A tömörített konfigurációs fájl csonka vagy sérült, nem használható: %1");
    QString NotFound = QStringLiteral("A fájl nem található: %1");
    QString AccessDenied = QStringLiteral("Nincs jogosultság a fájlhoz: %1");
    QString TooShort = QStringLiteral("A fájl nem konfigurációs fájl: rövidebb 1792 bájtnál (%1).");
    QString NotANumber = QStringLiteral("A SIM fájl első sora nem szám: %1");
    QString Io = QStringLiteral("Fájlhiba: %1 (%2)");
    // The file dialogs' filters.
    QString ConfigFilter = QStringLiteral("Konfigurációs fájl (*.dat)");
    QString AllFilter = QStringLiteral("Minden fájl (*)");
};

struct FileResult {
    FileError error = FileError::None;
    QString detail; // the system's own words for an input/output error
    explicit operator bool() const { return error == FileError::None; }
};

// The kind of a failed operation on `path`, judged from the file and its folder: missing, not
// accessible for what was asked, or some other input/output error (a full disk...).
FileResult FileErrorOf(const QFileDevice& file, const QString& path, bool writing);

// Writes `data` to `path` atomically: a temporary file beside the target is renamed over it only
// when everything has been written, so a failed write leaves the previous file as it was.
FileResult WriteFileAtomically(const QString& path, const QByteArray& data);

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
// tail fills what it has.
FileResult OpenConfigFile(const QString& path, ConfigImage& image, CustomerFields& fields);

} // namespace dalvex::k6config
