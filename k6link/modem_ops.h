#pragma once
// The operations that talk to the module's GSM modem: the SIM phonebook, the SIM PIN switch-off,
// the call and SMS tests, the IMEI, the GSM reset, the GSM information window and the SMS
// service centre. Each starts with the modem-mode entry (20, 21, ModemMode) and then runs its own
// states:
//
//   29, 30    phonebook read: CPBS, then one CPBR per index
//   39, 40    phonebook write: CPBS, then one CPBW per grid row with a number
//   35 .. 38  SIM PIN switch-off: CPIN, wait for "OK", CLCK, wait for "OK"
//   260, 270  data and voice call test: the D line, idle at once
//   280, 281  SMS test: CMGS, then the text and 0x1A
//   290       IMEI: CGSN, message box
//   300..303  GSM reset: Z, COLP, then the status read F(2, 2, 0, 0); the engine rests in 303
//   320..326  GSM information: seven queries, one field each
//   50        SMS service centre: CSCA with the number
//
// The lines come from modem_lines.h. What the user typed is checked before anything is sent (see
// there); a refused input starts nothing and says which row or field is wrong. A number goes out
// as DialableNumber makes it, without the spaces, dashes, dots, slashes and brackets it was typed
// with.

#include "k6link/engine.h"
#include "k6link/modem_lines.h"
#include "k6link/modem_mode.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace dalvex::k6link {

namespace state {
inline constexpr std::int32_t PhonebookSelect = 29;
inline constexpr std::int32_t PhonebookRead = 30;
inline constexpr std::int32_t PinEnter = 35;
inline constexpr std::int32_t PinWait = 36;
inline constexpr std::int32_t PinLockOff = 37;
inline constexpr std::int32_t PinLockWait = 38;
inline constexpr std::int32_t PhonebookWriteSelect = 39;
inline constexpr std::int32_t PhonebookWrite = 40;
inline constexpr std::int32_t ServiceCentre = 50;
inline constexpr std::int32_t DataCallTest = 260;
inline constexpr std::int32_t VoiceCallTest = 270;
inline constexpr std::int32_t SmsTest = 280;
inline constexpr std::int32_t SmsTestText = 281;
inline constexpr std::int32_t Imei = 290;
inline constexpr std::int32_t GsmReset = 300;
inline constexpr std::int32_t GsmResetColp = 301;
inline constexpr std::int32_t GsmResetStatus = 302;
inline constexpr std::int32_t GsmResetDone = 303;
inline constexpr std::int32_t GsmInfo = 320; // 320 .. 326
inline constexpr std::int32_t GsmInfoLast = 326;
} // namespace state

// What the modem operations need from their windows beside the engine host.
class ModemHost {
public:
    virtual ~ModemHost() = default;

    // The phonebook grid, rows 1 to kPhonebookRows; column 0 index, 1 number, 2 name.
    virtual void ClearPhonebook() = 0;
    virtual void SetPhonebookRow(int row, const QString& index, const QString& number,
                                 const QString& name) = 0;
    virtual QString PhonebookNumber(int row) = 0;
    virtual QString PhonebookName(int row) = 0;
    // The phonebook progress bar.
    virtual void SetPhonebookProgress(int maximum, int position) = 0;
    virtual void StepPhonebookProgress() = 0;
    virtual void ShowPhonebookProgress(bool visible) = 0;
    // "Kiolvasás" and "Feltöltés".
    virtual void EnablePhonebookRead(bool enabled) = 0;
    virtual void EnablePhonebookWrite(bool enabled) = 0;
    // A field of the GSM information window (info_field, modem_lines.h).
    virtual void SetInfoField(int field, const QString& text) = 0;
    // The SMS service-centre window's status label.
    virtual void SetServiceCentreStatus(const QString& text) = 0;
};

// Catalogue texts of the modem operations; the language pass replaces them.
struct ModemTexts {
    QString PhonebookReading = QStringLiteral("GSM telefonkönyv olvasás...");
    QString PhonebookReadDone = QStringLiteral("GSM telefonkönyv olvasás, kész");
    QString PhonebookWriting = QStringLiteral("GSM telefonkönyv beírás...");
    QString PhonebookWriteDone = QStringLiteral("Telefonkönyv beírás sikeres");
    QString PinRunning = QStringLiteral("SIM PIN kód kikapcsolás folyamatban...");
    QString PinFailed = QStringLiteral("SIM PIN kód kikapcsolás sikertelen");
    QString PinError = QStringLiteral("PIN kód hiba");
    QString PinOk = QStringLiteral("PIN kód rendben");
    QString PinOff = QStringLiteral("PIN kód kikapcsolva");
    QString WrongPin = QStringLiteral("Helytelen PIN kód");
    QString TestSend = QStringLiteral("Test send...");
    QString TestSms = QStringLiteral("Teszt SMS");
    QString TestSmsSending = QStringLiteral("Teszt SMS küldése");
    QString ImeiPrefix = QStringLiteral("Imei szám: ");
    QString NoNumber = QStringLiteral("Hiba, nincs megadva a telefonszám");
    QString ServiceCentreRunning = QStringLiteral("Beállítás folyamatban!");
    QString ServiceCentreDone = QStringLiteral("Sikeres bejegyzés");
    // The refusals of typed text that would break a modem line.
    QString BadNumber =
        QStringLiteral("Hibás telefonszám: csak számjegy, +, *, #, p és w lehet benne, "
                       "legfeljebb 33 karakter; a szóközök és a - . / ( ) jelek nem számítanak.");
    QString BadRowNumber =
        QStringLiteral("A telefonkönyv %1. sorában hibás a telefonszám: csak számjegy, +, *, #, "
                       "p és w lehet benne, legfeljebb 33 karakter; a szóközök és a - . / ( ) jelek nem "
                       "számítanak. Semmi sem lett elküldve.");
    QString BadRowName =
        QStringLiteral("A telefonkönyv %1. sorában hibás a név: idézőjel és vezérlőkarakter nem "
                       "lehet benne, legfeljebb 33 karakter. Semmi sem lett elküldve.");
};

class ModemOps {
public:
    static constexpr int kPhonebookRows = 250;    // grid rows 1 .. 250
    static constexpr int kPhonebookEntries = 249; // indices 1 .. 249 are read and written
    static constexpr int kScanEmptyUpTo = 20;     // empty entries up to here do not end a read
    static constexpr std::int32_t kSelectTicks = 20;
    static constexpr std::int32_t kReadTicks = 50;
    static constexpr std::int32_t kWriteSelectTicks = 30;
    static constexpr std::int32_t kWriteTicks = 40;
    static constexpr std::int32_t kPinPasses = 50;
    static constexpr std::int32_t kLockPasses = 10;
    static constexpr std::int32_t kPinOkTicks = 10;
    static constexpr std::int32_t kInfoTicks = 20;
    static constexpr std::int32_t kServiceCentreTicks = 20;
    static constexpr int kPinOkAt = 17;
    static constexpr int kLockOkAt = 24;
    static constexpr int kLockReplyLength = 28;
    static constexpr int kResetOkAt = 6;
    static constexpr int kColpOkAt = 12;

    // Registers the states with the engine; `modem` is the shared modem-mode entry.
    ModemOps(Engine& engine, ModemMode& modem, ModemHost& host);

    // Phonebook page: "Kiolvasás" and "Feltöltés". The write first checks every row it would send;
    // a bad row starts nothing and is named in a message (false).
    void StartPhonebookRead(EndFn onEnd = {});
    bool StartPhonebookWrite(EndFn onEnd = {});
    // The menu items, after their input dialogs. False: the input was refused (with a message,
    // except for the SMS test's empty number, which simply starts nothing).
    bool StartPinSwitchOff(const QString& pin, EndFn onEnd = {});
    bool StartDataCall(const QString& number, EndFn onEnd = {});
    bool StartVoiceCall(const QString& number, EndFn onEnd = {});
    bool StartSmsTest(const QString& number, EndFn onEnd = {});
    void StartImei(EndFn onEnd = {});
    void StartGsmReset(EndFn onEnd = {});
    // GSM information window "Újraolvasás": empties the fields; the first frame goes out at the
    // next tick.
    void StartGsmInfo(EndFn onEnd = {});
    // SMS service-centre window "Beállítás / Újrainditás"; the first frame goes out at the next
    // tick.
    bool StartServiceCentre(const QString& number, EndFn onEnd = {});

    // Operation variables.
    std::int32_t PhonebookIndex = 1;
    std::int32_t PhonebookRow = 1;
    std::int32_t PinWait = 0;
    QString SimPin;
    // The numbers as they are sent: what the user typed without its separators (DialableNumber).
    QString DialNumber;
    QString ServiceNumber;

    ModemTexts Texts;

private:
    void Register();
    void SendLine(ModemLine line, const LineArgs& args = {});
    void FinishPhonebookRead();
    // A pass of the PIN wait: false when the wait has run out (the operation has ended).
    bool PinPass();
    // The number to send for what the user typed; nothing, after the refusal message, when it
    // cannot be dialled.
    std::optional<QString> DialableOrRefused(const QString& number);

    Engine& e_;
    ModemMode& modem_;
    ModemHost& host_;
};

} // namespace dalvex::k6link
