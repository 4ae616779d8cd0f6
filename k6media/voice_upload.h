#pragma once
// The voice message upload: the memory-write transfer of one message into the module's voice
// memory, driven by the engine, and the file checks of the "Hangok" page.
//
//   1000  F(0, 0xFA, StartPage >> 8, StartPage & 0xFF); countdown 50, repeated without limit.
//         Any reply to it moves on to 1001 (bytes before it went out are no reply). A reply that starts with
//         the acknowledgement mark is taken whole (six bytes) first: on a paced line its bytes come one by
//         one, and the ones after the first must not count as block acknowledgements.
//   1001  one raw 256-byte block (voice_blocks.h); countdown 120. Every received chunk
//         acknowledges the block just sent: its first byte must be AckSeq, which starts at
//         StartPage's low byte and steps by one with every acknowledgement; the next block goes out
//         at once (countdown 100 until it does). A block is never repeated: without an
//         acknowledgement the next block goes out when the countdown runs out, and the missing
//         acknowledgement counts as a transfer error.
//   The last block's acknowledgement is awaited (or its countdown) before the upload completes:
//   the gauge hidden, "Hibás átvitel" when any acknowledgement was wrong or missing, the players
//   open again. Leaving the page abandons the upload.
//
// The file is checked ("data" tag, format) and its samples read when the upload starts; nothing of
// the file is held open while the transfer runs.

#include "k6link/memory_write.h"
#include "k6media/voice_blocks.h"
#include "k6media/voice_slots.h"
#include "k6media/voice_texts.h"

#include <QString>
#include <cstdint>

namespace dalvex::k6media {

namespace state {
inline constexpr std::int32_t VoiceStart = 1000;
inline constexpr std::int32_t VoiceBlock = 1001;
} // namespace state

// What the upload needs from its page.
class VoiceUploadHost {
public:
    virtual ~VoiceUploadHost() = default;
    // The upload gauge: shown with its maximum and position 0; one step per acknowledgement; hidden.
    virtual void ShowGauge(int maximum) = 0;
    virtual void StepGauge() = 0;
    virtual void HideGauge() = 0;
    // The message's player stops (it may hold the file); after an upload every player opens again.
    virtual void ClosePlayer(const VoiceSlot& slot) = 0;
    virtual void ReopenPlayers() = 0;
    // A message box; a question answered Yes or No.
    virtual void ShowMessage(const QString& text) = 0;
    virtual bool Ask(const QString& text) = 0;
    // A converted file takes the place of the chosen one as the message's file.
    virtual void SetEditText(const VoiceSlot& slot, const QString& text) = 0;
    // The configuration read or send found an operation running when it was pressed: the first
    // frame goes out at once instead of at the next countdown.
    virtual bool EngineActive() = 0;
};

class VoiceUpload {
public:
    static constexpr std::int32_t kBudgetTicks = 10; // countdown when the block budget ends it

    // Registers states 1000 and 1001. `memoryWrite` is the window's one, shared with the firmware
    // download.
    VoiceUpload(k6link::Engine& engine, k6link::MemoryWrite& memoryWrite, VoiceUploadHost& host);

    // Upload start of a message with the file chosen for it (the text of its row's file edit), or
    // of a developer upload, whose fixed file lies in the developer folder. False when nothing is
    // sent: no file chosen, a file that fails its check.
    bool Start(const VoiceSlot& slot, const QString& editText, const QString& startDir,
               k6link::EndFn onEnd = {});

    // A file chosen for a message: the text its file edit is to hold. A file without the
    // "data" tag empties it ("Rossz formátum"); a file that can't be read leaves `previous`; a
    // file in another format than the module's is offered for conversion, and the converted copy
    // takes its place when the user agrees.
    QString ChooseFile(const VoiceSlot& slot, const QString& path, const QString& previous);

    // An upload in progress is abandoned (the page is left, or a host gives up on it): the engine
    // stops and the gauge hides. Anything else running is left alone.
    void Abandon();

    bool Running() const;

    // Transfer state.
    std::int32_t StartPage = 0;
    std::int32_t BlocksLeft = 0; // full blocks the budget still allows
    std::int32_t AckSeq = 0;     // the acknowledgement expected next
    const VoiceBlocks& Blocks() const { return blocks_; }
    int BlocksSent() const { return sent_; }

    VoiceTexts Texts;

private:
    void Register();
    void SendNextBlock();
    void Complete();
    void Reset();
    // The format warning and the conversion offer; the file to use (the converted one or `path`).
    QString OfferConversion(const VoiceSlot* slot, const QString& path);

    k6link::Engine& e_;
    k6link::MemoryWrite& mw_;
    VoiceUploadHost& host_;
    VoiceBlocks blocks_;
    int sent_ = 0;
    bool awaitingAck_ = false;
    bool startSent_ = false;
};

} // namespace dalvex::k6media
