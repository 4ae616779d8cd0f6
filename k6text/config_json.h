#pragma once
// A configuration as text (JSON), for version control, comparison and templating:
//
//   {
//     "format": "dalvex-configuration", "formatVersion": 1,
//     "model": {"type": 74, "name": "Varnet GSM"},      null when unknown
//     "version": "8.4",                                  module software version, null when unknown
//     "brand": "Varnet GSM",                             the name the image holds at its brand field
//     "customer": {"name": ..., "address": ..., "gsmNumber": ..., "panelType": ...,
//                  "communicatorType": ..., "installationDate": ...},
//     "controls": {"phone_numbers_phone_number_1.<design name>": "+36301234567", ...},
//     "bytes": {"0x000004": "0a1b..."},                  bytes no control describes, by address
//     "fixups": {"0x350040": ["20ff", "ff00"]},          bytes the codec would not give back
//     "length": 4065024                                  the file's length in bytes
//   }
//
// Every control of the image is there under a stable key: what it is for (its page's and its
// caption's English words) and its design name. Choices are item indexes (-1: none), check boxes
// true/false, phone lists the phone numbers 1..8 ticked, numbers and texts as they are; the Contact
// ID tables are objects by row number: [code, name] (the event table adds the SMS phones). Reading
// the text back gives the same configuration file byte for byte: the image is rebuilt as zeros,
// "bytes" go in, the controls are encoded over them, then each byte of "fixups" whose encoding
// gave the first text is set to the second (a value decoded differently from how it encodes, as
// an empty server text that reads as a blank; a control edited in the text keeps its new bytes).
// docs/configuration.schema.json is the form's JSON Schema.

#include "k6config/config_file.h"
#include "k6config/config_image.h"
#include "k6config/page_outline.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace dalvex::k6text {

inline constexpr int kJsonFormatVersion = 1;

// A stored control under its key.
struct TextKey {
    QString key;
    k6config::OutlineWindow window;
    QString control;
};
// Every stored control of both windows, the K6 window's in the order of its pages.
const std::vector<TextKey>& TextKeys();
const TextKey* FindTextKey(const QString& key);

// A configuration file's contents with what is known about the module it came from.
struct ConfigDocument {
    k6config::ConfigImage image;
    k6config::CustomerFields customer;
    std::optional<int> moduleType; // the type code the module answers (72..75)
    std::optional<int> version;    // module software version in tenths
    qint64 fileLength = k6config::kConfigFileSize; // a shorter file leaves the rest of the image out
};

// The configuration file of a document, byte for byte.
QByteArray DocumentFileData(const ConfigDocument& doc);

QByteArray ExportJson(const ConfigDocument& doc);

// The largest text that is read: the whole image as "bytes" (runs of 32 bytes in hex with their
// addresses, as an export of a module whose memory holds no two equal bytes in a row) takes about
// 11 MB. A larger file is refused before it is read.
inline constexpr qint64 kMaxTextSize = 32 * 1024 * 1024;

// Why a text could not be read: the key concerned (empty for the whole text) and what is wrong,
// in `language`.
struct JsonError {
    QString key;
    QString message;
};
// Reads a text written by ExportJson (or edited since); nullopt and the error when it is not one
// (also when it is longer than kMaxTextSize).
std::optional<ConfigDocument> ImportJson(const QByteArray& json, int language, JsonError* error);

// The JSON Schema of the form, with every key, its type and its limits.
QByteArray JsonSchema();

// "8.4" for 84 and back.
QString VersionText(int version);
std::optional<int> VersionOfText(const QString& text);

} // namespace dalvex::k6text
