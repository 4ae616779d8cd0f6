#pragma once
// A send cut off half-way, remembered: every send of the window's engine is recorded in the send
// journal while it writes (k6link/send_journal_keeper.h). At the next start the start window says
// so beside the module it found; once the module is handed over and its software version is known,
// the K6 window (or the door-phone window in front of it) offers to send the recorded configuration
// again, whole, to read the module, or to decide later (the next start asks again).

#include "k6link/send_journal_keeper.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace dalvex {

class ConfigWindow;

// Catalogue texts of the offer; the language pass replaces them.
struct JournalOfferTexts {
    QString Question =
        QStringLiteral("Elküldi újra a megszakadt küldés teljes konfigurációját, vagy kiolvassa "
                       "a modult?");
    QString SendAgain = QStringLiteral("Újraküldés");
    QString Read = QStringLiteral("Olvasás");
    QString Later = QStringLiteral("Később");
    // A send whose entry could not be written that did not complete: %1 the reason.
    QString NotRecorded = QStringLiteral("Ez a küldés nem került a küldési naplóba (%1): a következő "
                                         "indításkor nem lesz ismert, hogy megszakadt.");
};

class K6JournalSide : public QObject {
    Q_OBJECT
public:
    explicit K6JournalSide(ConfigWindow& window);

    // The start window has handed a module over; once its version is known the offer is made.
    void HandedOver();
    // The version reply has come (the read and send buttons are enabled).
    void VersionKnown();

    enum class Choice { SendAgain, Read, Later };
    // Tests answer the offer here: the text shown, returning the choice.
    static std::function<Choice(const QString& text)> OfferHook;

    k6link::JournalTexts Texts;
    JournalOfferTexts OfferTexts;

private:
    void Offer();
    void SendAgain(const k6config::JournalEntry& entry);
    void TransferEnded(const k6link::TransferEnd& end);
    int Language() const;

    ConfigWindow& w_;
    bool offerDue_ = false;
};

} // namespace dalvex
