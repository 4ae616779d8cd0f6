#pragma once
// The voice messages of the "Hangok" page as data: one row per message with its controls, its
// files and where it lies in the module's voice memory, and the two developer uploads that read a
// fixed file.
//
// Voice memory is addressed in 256-byte pages; a message occupies consecutive pages from its start
// page on, one page per transfer block. The identifier has 512 pages before Input 1, the others
// 256 each; a transfer writes at most 255 of them.
//
// The recorded file and the file an "Internal" row uploads are one file per row, in the start
// directory ("sound1.wav" .. "sound7.wav", lower case).

#include <QString>
#include <array>
#include <cstdint>
#include <span>

namespace dalvex::k6media {

struct VoiceSlot {
    const char* message;      // what the message is for
    const char* caption;      // row caption, or the developer button's caption
    const char* captionLabel; // the caption's label; nullptr for the developer buttons
    const char* edit;         // the file edit; nullptr for the developer uploads
    const char* button;       // the upload button
    const char* handler;      // the upload button's handler
    const char* player;       // the player; nullptr for the developer uploads
    const char* file;         // recorded and "Internal" upload file, or the developer's fixed file
    std::uint16_t startPage;  // first page of the message in the module's voice memory
    int recordSeconds;        // length of a recording; 0: the row has no recorder
    bool developer;           // shown in developer mode only, uploads its fixed file
};

inline constexpr int kMessageSlots = 7; // the rows of the page; the developer uploads follow

inline constexpr std::array<VoiceSlot, 9> kVoiceSlots{{
    {"Identifier", "Azonosító:", "LabelEdit16", "Edit16", "BitBtn9", "BitBtn9Click", "MediaPlayer1",
     "sound1.wav", 0x0100, 16, false},
    {"Input 1", "Bemenet 1:", "Label92", "Edit9", "BitBtn13", "Button8Click", "MediaPlayer2", "sound2.wav",
     0x0300, 8, false},
    {"Input 2", "Bemenet 2:", "Label93", "Edit13", "BitBtn12", "Button9Click", "MediaPlayer3", "sound3.wav",
     0x0400, 8, false},
    {"Input 3", "Bemenet 3:", "Label94", "Edit14", "BitBtn11", "Button10Click", "MediaPlayer4", "sound4.wav",
     0x0500, 8, false},
    {"Input 4", "Bemenet 4:", "Label95", "Edit15", "BitBtn10", "Button11Click", "MediaPlayer5", "sound5.wav",
     0x0600, 8, false},
    {"Power supply", "Tápfesz.:", "LabelEdit20", "Edit20", "BitBtn14", "BitBtn14Click", "MediaPlayer6",
     "sound6.wav", 0x0700, 8, false},
    {"Tamper", "Tamper:", "Label105", "Edit19", "BitBtn15", "BitBtn15Click", "MediaPlayer7", "sound7.wav",
     0x0800, 8, false},
    {"Siren", "Sziréna Hangfile Beírása", nullptr, nullptr, "Button7", "Button7Click", nullptr,
     "foszirena.wav", 0x0F00, 0, true},
    {"DTMF", "DTMF", nullptr, nullptr, "Button18", "Button18Click", nullptr, "dtmf.wav", 0x0FE0, 0, true},
}};

// The rows of the page, without the developer uploads.
inline std::span<const VoiceSlot> MessageSlots() {
    return std::span<const VoiceSlot>(kVoiceSlots).first(kMessageSlots);
}

// What a file edit holds when its row uses the recorded file.
inline constexpr const char* kInternal = "Internal";
// The template a recording's format comes from, in the start directory.
inline constexpr const char* kTemplateFile = "base.wav";
// The folder below the start directory that holds the developer uploads' fixed files.
inline constexpr const char* kDeveloperFolder = "temp";

// The slot of an upload button, file edit or player by component name; nullptr when none.
const VoiceSlot* FindVoiceSlot(const QString& componentName);

// The recorded file of a row in the start directory.
QString RecordedFile(const VoiceSlot& slot, const QString& startDir);
// The file an upload of the row opens: the edit's text, or the recorded file when the edit says
// "Internal"; the developer uploads' fixed file in the developer folder. Empty when the edit is
// empty (nothing is uploaded).
QString UploadFile(const VoiceSlot& slot, const QString& editText, const QString& startDir);

} // namespace dalvex::k6media
