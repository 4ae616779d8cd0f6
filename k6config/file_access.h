#pragma once
// Files as the commands meet them: names that are bytes, inputs that must be regular files of a
// known size, and outputs that are written whole or not at all.
//
// Names. A Linux file name is bytes, and a name from a FAT stick or an old archive need not be
// UTF-8. Such a name lives in a QString with every byte that is not part of a UTF-8 character as
// a lone U+DC80..U+DCFF ("surrogate escape") and goes back to the same bytes where files are
// opened here; shown to a person, that byte is U+FFFD. A name without such bytes is its UTF-8.
//
// Inputs. A FIFO, a device or a folder given where a file belongs would hang an open() or a read
// for ever, or wake a device: an input is looked at before it is opened, opened without blocking
// and looked at again on the open descriptor, and its size is known before a byte is read.
//
// Outputs. The bytes go to a temporary file beside the target (created exclusively, 0600), every
// write is checked, the file is synced, closed and renamed over the target, and the folder is
// synced. Any failure removes the temporary file and leaves the previous file as it was. A new
// file stays 0600; a file that is replaced keeps its permissions. A target that is a symbolic
// link is written through it.

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace dalvex::k6config {

enum class FileError {
    None,
    NotFound,          // the file does not exist
    AccessDenied,      // no permission to read or write it
    TooShort,          // a configuration file shorter than its first 1792 bytes
    NotANumber,        // a SIM list whose first line is not a number
    Damaged,           // a compressed configuration file that is cut short or damaged
    Io,                // any other input/output error; `code` tells which
    NotRegular,        // a device, pipe or socket where a file belongs
    TooLarge,          // larger than what it claims to be can be (`limit`)
    NotConfiguration,  // neither a configuration file nor a configuration text
    ConfigurationText, // a configuration text (JSON): its reader takes it through the import
};

struct FileResult {
    FileError error = FileError::None;
    QString detail; // the system's own words for an input/output error
    int code = 0;   // errno of an input/output error
    qint64 limit = 0; // the largest size allowed (TooLarge)
    explicit operator bool() const { return error == FileError::None; }
};

// The kind of error an errno is: missing, not permitted, or another input/output error.
FileResult FileResultOf(int code);

// Why an input/output error happened, in words a technician acts on; nothing for an errno that has
// none of its own (the system's words then stand).
enum class FileReason {
    DiskFull,
    QuotaExceeded,
    ReadOnly,
    MediumError,
    LinkLoop,
    NameTooLong,
    NotAFolder,
    IsAFolder,
    TooLargeForDisk,
    TooManyOpen,
    Busy,
    NoFolder,
};
inline constexpr std::size_t kFileReasons = 12;
std::optional<FileReason> ReasonOf(int code);

// --- Names -----------------------------------------------------------------------------------------

QString NameFromBytes(const QByteArray& bytes);
QByteArray NameBytes(const QString& name);
// The name for a message: each byte that is not UTF-8 as U+FFFD.
QString ShownName(const QString& name);

// --- Inputs ----------------------------------------------------------------------------------------

// A regular file open for reading; closed with the object.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens `path` when it is a regular file, without ever blocking on it.
    FileResult Open(const QString& path);
    qint64 Size() const { return size_; }
    int Descriptor() const { return fd_; }
    // Reads up to `count` bytes at the current position; fewer only at the end of the file.
    FileResult Read(qint64 count, QByteArray& out);

private:
    int fd_ = -1;
    qint64 size_ = 0;
};

// The whole of a regular file no larger than `limit` bytes; a larger one is refused (TooLarge)
// without being read.
FileResult ReadInputFile(const QString& path, qint64 limit, QByteArray& out);

// Whether `path` is a regular file that could be opened for reading, without opening it when it is
// none (for inputs that a library opens by name).
FileResult CheckInputFile(const QString& path);

// --- Outputs ---------------------------------------------------------------------------------------

// A file written whole or not at all: Open, Write as often as needed, Commit. Without a Commit,
// or after a failure, nothing of it is left.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    FileResult Open(const QString& path);
    FileResult Write(const char* data, qint64 size);
    FileResult Write(const QByteArray& data) { return Write(data.constData(), data.size()); }
    FileResult Commit();
    // Drops what was written; the previous file stays.
    void Abort();

private:
    FileResult Fail(int code);

    int fd_ = -1;
    QByteArray target_; // the file that is replaced (a link's target)
    QByteArray temp_;
    bool failWrites_ = false;
};

FileResult WriteFileAtomically(const QString& path, const QByteArray& data);

// Whether a file could be written at `path` now (its folder exists and takes files, the name is no
// folder, device or read-only file), so that an output is known before a long transfer, not after.
FileResult CheckOutputFile(const QString& path);

// Creates the folder `path` and the folders above it that are missing, each readable by the user
// only; folders that exist keep their permissions.
FileResult MakePrivateFolders(const QString& path);

// For the tests of every writer where no small file system can be mounted: writes into files below
// `folder` (a name as above; empty: none) fail as on a full disk. The environment variable
// DALVEX_FAIL_WRITES_UNDER does the same for a program the tests start.
void FailWritesUnder(const QString& folder);

} // namespace dalvex::k6config
