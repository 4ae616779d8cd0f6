#include "k6_journal_side.h"

#include "config_window.h"
#include "door_phone_window.h"
#include "forms.h"
#include "i18n/catalogue.h"
#include "k6_file_commands.h"
#include "serial/settings.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace dalvex {

std::function<K6JournalSide::Choice(const QString&)> K6JournalSide::OfferHook;

K6JournalSide::K6JournalSide(ConfigWindow& window)
    : QObject(&window)
    , w_(window) {
    connect(&window, &ConfigWindow::TransferEnded, this, &K6JournalSide::TransferEnded);
}

int K6JournalSide::Language() const {
    return i18n::ActivationLanguage(ReadSetting(w_.RegKey, QStringLiteral("Language")));
}

void K6JournalSide::HandedOver() {
    offerDue_ = !w_.DemoMode;
}

void K6JournalSide::VersionKnown() {
    if (!offerDue_) return;
    offerDue_ = false;
    // Not from inside the engine's reply: the offer may start an operation, and its dialog waits.
    QTimer::singleShot(0, this, &K6JournalSide::Offer);
}

void K6JournalSide::Offer() {
    if (w_.OperationInProgress()) return;
    const auto entry = w_.JournalKeeper().Recorded(w_.ModuleCode);
    if (!entry) return;
    const QString text = Texts.Text(*entry, Language());
    Choice choice = Choice::Later;
    if (OfferHook) {
        choice = OfferHook(text);
    } else if (!ConfigWindow::MessageBoxHook) { // a scripted run has nobody to ask: later
        QWidget* front = doorPhoneWindow.Existing() && doorPhoneWindow->isVisible()
                             ? static_cast<QWidget*>(doorPhoneWindow.Existing())
                             : static_cast<QWidget*>(&w_);
        QMessageBox box(QMessageBox::Warning, w_.ToolName,
                        text + QStringLiteral("\n\n") + OfferTexts.Question, QMessageBox::NoButton, front);
        QPushButton* again = box.addButton(OfferTexts.SendAgain, QMessageBox::AcceptRole);
        QPushButton* read = box.addButton(OfferTexts.Read, QMessageBox::ActionRole);
        QPushButton* later = box.addButton(OfferTexts.Later, QMessageBox::RejectRole);
        again->setObjectName(QStringLiteral("SendAgain"));
        read->setObjectName(QStringLiteral("ReadModule"));
        later->setObjectName(QStringLiteral("DecideLater"));
        box.setDefaultButton(later);
        box.exec();
        choice = box.clickedButton() == again  ? Choice::SendAgain
                 : box.clickedButton() == read ? Choice::Read
                                               : Choice::Later;
    }
    switch (choice) {
    case Choice::SendAgain:
        SendAgain(*entry);
        break;
    case Choice::Read:
        w_.ReadClick();
        break;
    case Choice::Later:
        break;
    }
}

void K6JournalSide::SendAgain(const k6config::JournalEntry& entry) {
    w_.EnsurePages();
    // Opened as a file, so that the pages show what goes, and a file opened sends whole; the image
    // goes as it was recorded, not as the pages would encode it again.
    if (!w_.Files || !w_.Files->OpenFile(entry.imagePath)) return;
    w_.SendImageAsItStands(entry.contactId);
}

void K6JournalSide::TransferEnded(const k6link::TransferEnd& end) {
    const bool send = end.kind == k6link::TransferKind::Send || end.kind == k6link::TransferKind::PstnSend;
    const QString& why = w_.JournalKeeper().LastError;
    if (!send || end.outcome == k6link::TransferOutcome::Done || why.isEmpty()) return;
    w_.SetStatusPanel(3, w_.StatusPanel(3) + QStringLiteral("  ") + OfferTexts.NotRecorded.arg(why));
}

} // namespace dalvex
