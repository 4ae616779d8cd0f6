#pragma once
// Firmware download: the processor query, the image's memory write and the programming command,
// as states of the K6 engine.
//
//   1099  F(0, 0xF8, 0, 0) every 5 ticks until the processor reply comes. Modules with Version 29
//         or 68 have the reply taken as soon as six bytes are there, check bytes untested and
//         without a version comparison; every other module needs a valid frame, and its reply
//         is compared with the chosen image's version. Then idle, "Download Start" enabled or not.
//   1100  the memory-write start F(0, 0xFA, 0x3E, 0x00); any reply moves on to 1101.
//   1101  blocks 0 .. 254 of FirmwareImage, raw; each acknowledged by the block's index (the low
//         byte of the page written). A wrong acknowledgement, or none within the countdown,
//         stops the transfer with "ERROR please check communication" and nothing more is sent.
//   1102  F(0, 0xF9, 0xAA, 0), sent 1 + FpgaRetry times, 5 ticks apart; then the version query
//         (99) with VersionNotice 3, whose reply closes the firmware window.
//
// Two points where the line is read more carefully than "every chunk is an acknowledgement":
// - The module answers the start frame with a six-byte frame, whose bytes may arrive one by one.
//   The first of them moves the transfer on, but block 0 goes out only when the countdown has run
//   (5 ticks), and whatever arrives before it is the rest of that reply, not an acknowledgement.
// - A block whose acknowledgement never comes stops the transfer when its countdown runs out. The
//   module has written the block it got, so sending the next one would be acknowledged with that
//   one's index and the gap would never show; and a lost acknowledgement of the last block must
//   not be followed by the programming command.

#include "k6link/engine.h"
#include "k6link/memory_write.h"
#include "k6media/firmware_image.h"
#include "k6media/firmware_slots.h"

#include <QString>
#include <cstdint>

namespace dalvex::k6media {

namespace state {
inline constexpr std::int32_t ProcessorQuery = 1099;
inline constexpr std::int32_t FirmwareStart = 1100;
inline constexpr std::int32_t FirmwareBlocks = 1101;
inline constexpr std::int32_t FirmwareProgram = 1102;
} // namespace state

// Texts of the firmware window and of the download; the language pass may replace them.
struct FirmwareTexts {
    QString Headline = QStringLiteral("Firmware download memory and FPGA");
    QString DownloadStart = QStringLiteral("Download Start");
    QString DownloadOld = QStringLiteral("Download OLD firmware!");
    QString Exit = QStringLiteral("Kilépés");
    QString NoNewFirmware = QStringLiteral("Nincs elérhető új Firmware!");
    QString NotKnownYet = QStringLiteral("?");
    QString ProcessorUnknown = QStringLiteral("Processor: ???");
    QString ProcessorJ10Varnet = QStringLiteral("Processor: J10/Varnet");
    QString ProcessorJ10 = QStringLiteral("Processor: J10");
    QString ProcessorJ10Model = QStringLiteral("Processor: J10/ ");
    QString ProcessorJ11 = QStringLiteral("Processor: J11");
    QString ProcessorK22 = QStringLiteral("Processor: K22");
    QString ProcessorK22Model = QStringLiteral("Processor: K22/ ");
    QString Software = QStringLiteral("SW:");
    QString Hardware = QStringLiteral("HW:");
    QString FaultFirmware = QStringLiteral("FAULT FIRMWARE");
    QString MemoryDownload = QStringLiteral("Memory Download");
    QString TransferFailed = QStringLiteral("ERROR please check communication");
    QString Programming = QStringLiteral("FPGA Download please wait...");
    // Why an image from the firmware folders is not sent.
    QString NoImage = QStringLiteral("Ehhez a modulhoz (%1) nincs firmware-kép a firmware mappákban. "
                                     "Semmi sem lett elküldve.");
    QString Unreadable = QStringLiteral("A firmware-kép nem olvasható: %1. Semmi sem lett elküldve.");
    QString ChecksumMismatch =
        QStringLiteral("A firmware-kép ellenőrzőösszege nem egyezik a manifest fájléval: %1. "
                       "Semmi sem lett elküldve.");
    QString StandinRefused =
        QStringLiteral("%1 nem valódi firmware, csak tesztelésre szolgáló helyettesítő kép, ezért modulba "
                       "nem tölthető. Semmi sem lett elküldve.");
    // Follows every headline while a stand-in image is chosen.
    QString StandinLoaded = QStringLiteral("HELYETTESÍTŐ KÉP, NEM VALÓDI FIRMWARE");

    const QString& Processor(ProcessorLabel label) const;
};

// What the download shows; the firmware window implements it.
class FirmwareHost {
public:
    virtual ~FirmwareHost() = default;
    // The display name of the model with this type code.
    virtual QString ModelName(int typeCode) = 0;
    // The processor the module reported ("Processor: J10/ " and the model).
    virtual void ShowProcessor(const QString& text) = 0;
    // The module's software version, hardware code and second version byte.
    virtual void ShowModuleVersions(const QString& software, const QString& hardware,
                                    const QString& software2) = 0;
    virtual void EnableDownload(bool enabled) = 0;     // the download button
    virtual void ShowNoNewFirmware(bool shown) = 0;    // the notice that no newer firmware is there
    virtual void SetHeadline(const QString& text) = 0; // the window's headline
    // The download's progress bar.
    virtual void SetProgress(int position) = 0;
    virtual void StepProgress() = 0;
    // The firmware window's timer that moves the bar while the module programs itself.
    virtual void StartProgrammingTimer() = 0;
    virtual void ShowMessage(const QString& text) = 0;
};

class FirmwareDownload {
public:
    static constexpr std::uint16_t kStartPage = 0x3E00;
    static constexpr std::int32_t kDoneTicks = 2;     // the port closes this many ticks after
    static constexpr std::int32_t kSettleTicks = 5;   // after the start reply's first byte
    static constexpr std::int32_t kProgramDelay = 50; // after the last block, before programming
    static constexpr std::int32_t kVersionTicks = k6link::kDefaultTimeoutTicks;

    // Registers states 1099 .. 1102 with the engine.
    FirmwareDownload(k6link::Engine& engine, k6link::MemoryWrite& memoryWrite, FirmwareData& data,
                     FirmwareHost& host);

    // The firmware window was opened: ask for the processor. A slot chosen for an earlier module
    // is forgotten.
    void StartProcessorQuery(k6link::EndFn onEnd = {});
    // The first tick of the data window's timer after "Download Start": reads, checks and converts
    // the chosen slot's image and starts the memory write. Nothing is sent, and a message says why,
    // when the slot is unknown ("FAULT FIRMWARE"), has no image, its file is unreadable or fails its
    // checksum, or it is a stand-in without the developer switch.
    PreparedImage ConvertAndStart(k6link::EndFn onEnd = {});
    // A stand-in image is chosen for the module (and allowed by the developer switch): every
    // headline says so.
    bool StandinChosen() const { return standin_; }
    // The headline of the step under way, in the texts' current language: what the window shows
    // again when its texts are refreshed in the middle of a download.
    QString HeadlineText() const;
    // "Kilépés": whatever runs is abandoned.
    void Leave();

    std::int32_t FwBlock = 0;   // the next block of FirmwareImage
    std::int32_t FpgaRetry = 0; // programming commands still to send after the next one
    FirmwareTexts Texts;

private:
    void Register();
    bool ProcessorReply(std::span<const std::uint8_t> received);
    void TakeOldReply(std::span<const std::uint8_t> r);
    void TakeReply(std::span<const std::uint8_t> r);
    QString ProcessorText(const ProcessorMatch& match);
    void ChooseSlot(int slot);
    void ShowHeadline(QString FirmwareTexts::*which);
    QString RefusalText(const PreparedImage& image) const;
    void SendNextBlock();
    void BlockAcknowledged();
    void SendProgramming();

    k6link::Engine& e_;
    k6link::MemoryWrite& mw_;
    FirmwareData& data_;
    FirmwareHost& host_;
    bool blockSent_ = false;    // a block of this transfer has gone out
    bool acknowledged_ = false; // the block last sent has been acknowledged
    bool standin_ = false;      // the chosen image is a stand-in
    QString FirmwareTexts::*headline_ = &FirmwareTexts::Headline; // the step the headline names
};

} // namespace dalvex::k6media
