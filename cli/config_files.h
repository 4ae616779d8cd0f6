#pragma once
// What the commands share about files: messages, the note a read leaves beside its file, the
// configuration a command is given (a file or a text), and the checks of an output before a long
// transfer.

#include "k6config/config_file.h"

#include <QString>
#include <optional>

namespace dalvex::cli {

// A line on standard output; a message on standard error, returning `code`. A file name's bytes
// that are not UTF-8 show as U+FFFD.
void Out(const QString& text);
int Fail(const QString& text, int code);

// "Varnet GSM", or "type 77" for a code the tool does not serve.
QString ModelOfType(int type);

// The language of the messages: the "Language" setting's (English when it is not set).
int MessageLanguage();

// Why a file operation failed, in the messages' language.
QString FileErrorText(const k6config::FileResult& r, const QString& path);

// The module type a configuration file was read from. The file itself does not say; a read of
// this program leaves it beside the file ("FILE.dat.module"), and a backup's name carries it.
QString ModuleNotePath(const QString& file);

struct FileNote {
    std::optional<int> type;
    std::optional<int> version;    // module software version in tenths
    bool withoutContactId = false; // read without the Contact ID tables: the file's bank is no copy
};

FileNote NoteOfFile(const QString& path);

// Writes `note` beside `file`. When it cannot be written, the previous note (of another read,
// perhaps of another module) is removed with it and the message is returned: a send must not take
// the file for what the old note says.
std::optional<QString> WriteModuleNote(const QString& file, const QByteArray& note);

// A configuration as a command is given it: a configuration file (plain or compressed) or a
// configuration text (JSON), which goes through the import as `import` would turn it into a file.
// The image keeps what a short file does not hold. `note` receives what is known of the module:
// the text's model and version, or the file's note.
struct OpenedConfiguration {
    FileNote note;
    bool fromText = false;
    qint64 fileLength = k6config::kConfigFileSize; // a short file leaves the rest of the image out
};
// The error message, or nothing when it opened.
std::optional<QString> OpenConfiguration(const QString& path, k6config::ConfigImage& image,
                                         k6config::CustomerFields& fields, OpenedConfiguration& opened);

// Whether an output file can be written; the message when not.
std::optional<QString> CheckOutput(const QString& path);

} // namespace dalvex::cli
