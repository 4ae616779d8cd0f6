#pragma once
// What the commands share about files: messages, the note a read leaves beside its file, and the
// permissions of what they write.

#include "k6config/config_file.h"

#include <QString>
#include <optional>

namespace dalvex::cli {

// A line on standard output; a message on standard error, returning `code`.
void Out(const QString& text);
int Fail(const QString& text, int code);

// "Varnet GSM", or "type 77" for a code the tool does not serve.
QString ModelOfType(int type);

// A file this program writes holds module data: readable by its owner only.
void MakePrivate(const QString& path);

// In `language` (the catalogue's number; English when not given) where the catalogue has the text.
QString FileErrorText(const k6config::FileResult& r, const QString& path, int language = 1);

// The module type a configuration file was read from. The file itself does not say; a read of
// this program leaves it beside the file ("FILE.dat.module"), and a backup's name carries it.
QString ModuleNotePath(const QString& file);

struct FileNote {
    std::optional<int> type;
    std::optional<int> version;    // module software version in tenths
    bool withoutContactId = false; // read without the Contact ID tables: the file's bank is no copy
};

FileNote NoteOfFile(const QString& path);

} // namespace dalvex::cli
