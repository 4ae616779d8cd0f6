#pragma once
// The K6 window's side of the GSM modem operations: the SIM phonebook buttons of the caller-ID
// page, the menu items that talk to the modem (PIN switch-off, call and SMS tests, IMEI, GSM reset)
// with their input dialogs, and the GSM information and SMS service-centre windows' requests. It
// is the operations' host: grid rows, progress, buttons and fields; the operations themselves
// live in k6link/modem_ops.*.

#include "k6link/modem_mode.h"
#include "k6link/modem_ops.h"
#include "k6link/monitor_mode.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QProgressBar;
class QTableWidget;

namespace dalvex {

class ConfigWindow;

// Captions and prompts of the input dialogs; the language pass replaces them.
struct K6ModemTexts {
    QString PinCaption = QStringLiteral("PIN kód kikapcsolás");
    QString PinPrompt = QStringLiteral("Kérjük, adja meg a SIM kártya PIN kódját");
    QString DataCallCaption = QStringLiteral("Adathívás");
    QString VoiceCallCaption = QStringLiteral("VOICE hívás");
    QString CallPrompt = QStringLiteral("Kérjük adja meg a telefonszámot, amit felhívjunk");
    QString SmsPrompt = QStringLiteral("Kérjük, adja meg azt a telefonszámot, amire SMS-t kíván küldeni");
};

class K6ModemSide : public QObject, private k6link::ModemHost {
    Q_OBJECT
public:
    // Registers the operations with the window's engine and wires the menu items.
    explicit K6ModemSide(ConfigWindow& window);
    ~K6ModemSide() override;

    // Wires the phonebook buttons once the pages are built.
    void ConnectPage();

    // Input dialogs go through this when it is set (tests answer them): caption and prompt in,
    // the text typed out, nothing when cancelled.
    using InputDialogFn =
        std::function<std::optional<QString>(const QString& caption, const QString& prompt)>;
    static InputDialogFn InputDialogHook;

    // Phonebook page: "Kiolvasás", "Feltöltés", "Új sor hozzáadása".
    void PhonebookReadClick();   // design: BitBtn5Click
    void PhonebookWriteClick();  // design: BitBtn6Click
    void PhonebookAddRowClick(); // design: Button2Click
    // Menu items.
    void SimPinOffClick();     // design: SIMPINkdkikapcsolsa1Click
    void DataCallTestClick();  // design: Adathvsellenrzs1Click
    void VoiceCallTestClick(); // design: Voicehvstest1Click
    void SmsTestClick();       // design: SMStest1Click
    void ImeiClick();          // design: IMEInumber1Click
    void ResetGsmClick();      // design: ResetGSM1Click
    void GsmInfoClick();       // design: GSMinformcik1Click
    void ServiceCentreClick(); // design: SMSszervizszmbelltsa1Click

    // The two windows' requests: "Újraolvasás", "Beállítás / Újrainditás", and closing the SMS
    // service-centre window (monitor off, which takes the module out of modem mode).
    void RereadGsmInfo();
    void SetServiceCentre(const QString& number);
    void ServiceCentreClosed();

    k6link::ModemOps& Ops() { return ops_; }
    // The window's one modem-mode entry and monitor mode, which the status side owns (the
    // monitor-off is what closing the SMS service-centre window sends).
    k6link::ModemMode& Modem() { return modem_; }
    k6link::MonitorMode& Monitor() { return monitor_; }

    K6ModemTexts Texts;

private:
    std::optional<QString> Ask(const QString& caption, const QString& prompt);
    QTableWidget* Grid() const;
    QProgressBar* Progress() const;
    void EnableButton(const char* name, bool enabled);

    // ModemHost
    void ClearPhonebook() override;
    void SetPhonebookRow(int row, const QString& index, const QString& number, const QString& name) override;
    QString PhonebookNumber(int row) override;
    QString PhonebookName(int row) override;
    void SetPhonebookProgress(int maximum, int position) override;
    void StepPhonebookProgress() override;
    void ShowPhonebookProgress(bool visible) override;
    void EnablePhonebookRead(bool enabled) override;
    void EnablePhonebookWrite(bool enabled) override;
    void SetInfoField(int field, const QString& text) override;
    void SetServiceCentreStatus(const QString& text) override;

    ConfigWindow& w_;
    k6link::ModemMode& modem_;
    k6link::MonitorMode& monitor_;
    k6link::ModemOps ops_;
    bool pageConnected_ = false;
};

} // namespace dalvex
