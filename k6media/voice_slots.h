#pragma once
// The voice messages as data: one slot per message with its files and where it lies in the
// module's voice memory, and the two developer uploads that read a fixed file.
//
// Voice memory is addressed in 256-byte pages; a message occupies consecutive pages from its start
// page on, one page per transfer block. The identifier has 512 pages before Input 1, the others
// 256 each; a transfer writes at most 255 of them.
//
// The recorded file and the file an "Internal" upload sends are one file per message, in the start
// directory ("sound1.wav" .. "sound7.wav", lower case).

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace dalvex::k6media {

// The messages, in the order of the voice page's rows; the developer uploads last.
enum class VoiceMessage { Identifier, Input1, Input2, Input3, Input4, PowerSupply, Tamper, Siren, Dtmf };

struct VoiceSlot {
    VoiceMessage id;
    const char* message;     // what the message is for
    const char* file;        // recorded and "Internal" upload file, or the developer's fixed file
    std::uint16_t startPage; // first page of the message in the module's voice memory
    int recordSeconds;       // length of a recording; 0: the message has no recorder
    bool developer;          // shown in developer mode only, uploads its fixed file
};

inline constexpr int kMessageSlots = 7; // the rows of the page; the developer uploads follow

inline constexpr std::array<VoiceSlot, 9> kVoiceSlots{{
    {VoiceMessage::Identifier, "Identifier", "sound1.wav", 0x0100, 16, false},
    {VoiceMessage::Input1, "Input 1", "sound2.wav", 0x0300, 8, false},
    {VoiceMessage::Input2, "Input 2", "sound3.wav", 0x0400, 8, false},
    {VoiceMessage::Input3, "Input 3", "sound4.wav", 0x0500, 8, false},
    {VoiceMessage::Input4, "Input 4", "sound5.wav", 0x0600, 8, false},
    {VoiceMessage::PowerSupply, "Power supply", "sound6.wav", 0x0700, 8, false},
    {VoiceMessage::Tamper, "Tamper", "sound7.wav", 0x0800, 8, false},
    {VoiceMessage::Siren, "Siren", "foszirena.wav", 0x0F00, 0, true},
    {VoiceMessage::Dtmf, "DTMF", "dtmf.wav", 0x0FE0, 0, true},
}};

// A slot's place in the table is its message's value, so that a message finds its slot directly.
constexpr bool VoiceSlotsInMessageOrder() {
    for (std::size_t i = 0; i < kVoiceSlots.size(); ++i)
        if (static_cast<std::size_t>(kVoiceSlots[i].id) != i) return false;
    return true;
}
static_assert(VoiceSlotsInMessageOrder());

// The slot of a message.
constexpr const VoiceSlot& VoiceSlotOf(VoiceMessage message) {
    return kVoiceSlots[static_cast<std::size_t>(message)];
}

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

// The recorded file of a message in the start directory.
QString RecordedFile(const VoiceSlot& slot, const QString& startDir);
// The file an upload of the message opens: the chosen file, or the recorded file when the choice
// says "Internal"; the developer uploads' fixed file in the developer folder. Empty when nothing
// is chosen (nothing is uploaded).
QString UploadFile(const VoiceSlot& slot, const QString& editText, const QString& startDir);

} // namespace dalvex::k6media
