#pragma once
// The editing pages of the K6 window: built from the control tables into the window's page
// control, bound to the window's values, with the handlers that keep the controls consistent while
// the user edits, the activation defaults and the rules for each module software version.

#include "bound_widgets.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTabWidget>
#include <functional>
#include <string_view>

class QMenu;
class QWidget;

namespace dalvex::k6pages {

// Catalogue texts of the pages; the language pass replaces them.
struct K6PagesTexts {
    QString AccentWarning = QStringLiteral(
        "Kérem, ne használjon ékezetes karaktereket, mert rosszul jelenhetnek meg a telefonon!");
    QString SecurityCode = QStringLiteral("Biztonsági kód nem megfelelő");
};

class K6Pages : public QObject {
    Q_OBJECT
public:
    // `window` holds the menus the version rules name; `values` are the K6 window's image values,
    // `local` its values that the image does not hold.
    K6Pages(QWidget* window, QTabWidget* pageControl, k6config::PageValues& values,
            k6config::PageValues& local);

    // A control, label, button or page of the pages by component name; nullptr when there is none.
    QWidget* Control(const QString& name) const;
    template <class W> W* Control(const QString& name) const { return qobject_cast<W*>(Control(name)); }

    // Message boxes of the pages go through here (tests answer them).
    std::function<void(const QString& text)> ShowMessage;

    K6PagesTexts Texts;

    // The accent warning has been shown since a show handler last ran.
    bool AccentWarned = false;

    // --- Handlers -----------------------------------------------------------------------------
    // The show handler of `page` (TabSheet2Show .. TabSheet5Show, TabSheet11Show .. TabSheet13Show,
    // TabSheet14Show, TabSheet16Show, TabSheet18Show, TabSheet19Show, TabSheet21Show, TabSheet26Show,
    // TabSheet27Show): its phone lists show the numbers, AccentWarned is cleared. Pages without one
    // are left alone. Runs whenever the page is shown, and for each source page the image decoding
    // has set.
    void RunShowHandler(const QString& page);
    bool HasShowHandler(const QString& page) const;
    void OtherPageShow() { RunShowHandler(QStringLiteral("TabSheet14")); } // design: TabSheet14Show
    // The focus left "Egyéb": a security code that is not four characters long is reported.
    void OtherPageExit(); // design: TabSheet14Exit
    // The enabled states that follow `control` (ComboBox1Change .. ComboBox6Change, ComboBox9Change,
    // ComboBox10Change, ComboBox13Change, hkompmaxClick, hkompminClick, ComboKi1Change,
    // ComboKi2Change, CheckBox1KI1Click, CheckBox1KI2Click, CheckBox11Click, CheckEgyeb2Click,
    // ComboBox15Change, AUTOOPENClick, AUTOCLOSEClick). Runs on every change of the control's value.
    void ControlChange(const QString& control);
    // The unit selector of output 1 or 2 ("Sec"/"Min") changed.
    void Output1UnitClick() { SecMinClick(1); } // design: KI1SECMINClick
    void Output2UnitClick() { SecMinClick(2); } // design: KI2SECMINClick
    // The time spin box of output 1 or 2 changed: the time in seconds follows.
    void Output1TimeChange() { SpinKIChange(1); } // design: SpinKI1Change
    void Output2TimeChange() { SpinKIChange(2); } // design: SpinKI2Change
    // The SMS header changed: Label181 shows the characters left.
    void SmsHeaderChange(); // design: Edit12Change
    // An SMS text editor changed by typing (riasztasChange, riasztas2Change .. riasztas4Change,
    // riasztas9Change .. riasztas11Change, riasztas15Change, Edit8Change, and the editors sharing
    // them): warns of an accented last letter, once per page visit.
    void SmsTextChange(const QString& editor);
    // The phone number pop-up menu PopupMenu1 acts on the number it was opened on.
    QMenu* PhoneMenu = nullptr; // design: PopupMenu1
    QString PhoneMenuTarget;    // design: PopupMenu1Target; "MaskEdit1".."MaskEdit8"
    void PhoneDeleteClick();    // design: Delete1Click
    void Prefix3630Click();     // design: N36301Click
    void Prefix3620Click();     // design: N36201Click
    // The page control changed its page: "Be5".."Be8" are never shown.
    void PageChange(); // design: PageControl1Change

    // --- Entry points of the window's activation and of the version reply ------------------------
    // The selections the window puts in place (output modes, source types, input filter,
    // temperature and expansion panel types; "6" as receive level for module type 73) on its first
    // activation, and on every activation the empty "GSM átjelző típusa:" and "Telepítés dátuma:"
    // fields filled with the start window's product label and the current date and time.
    void ApplyActivationDefaults(int moduleType, const QString& productLabel,
                                 const QDateTime& now = QDateTime::currentDateTime());
    // Its two halves, for an activation that runs them as steps of their own: the empty customer
    // fields filled, and the selections put in place (first call only).
    void FillEmptyCustomerFields(const QString& productLabel,
                                 const QDateTime& now = QDateTime::currentDateTime());
    void ApplySelectionResets(int moduleType);
    // The visibility rules for a module of type `moduleType` answering software version `version`
    // (times ten), applied in their order; they only show, hide, enable or reset what they name.
    void ApplyVersionRules(int version, int moduleType);

    // The text of Edit7's date and time.
    static QString DateTimeText(const QDateTime& when);

private:
    void buildPages();
    void connectHandlers();
    void applyRulesOf(const QString& control);
    void applyRule(std::size_t rule);
    void refreshPhoneCaptions(const QString& page);
    void SecMinClick(int output);
    void SpinKIChange(int output);
    void setPopupNumber(const QString& text);
    void pageChanged(int index);
    void message(const QString& text);
    QObject* target(const QString& name) const;

    QWidget* window_;
    QPointer<QTabWidget> pageControl_; // the window's, which may go before this object
    k6config::PageValues& values_;
    k6config::PageValues& local_;
    Bindings bindings_;
    QPointer<QWidget> currentPage_; // the page in front, whatever its place on the tab bar
    bool showingUnit_ = false;
    bool activated_ = false;
    bool otherPageLeft_ = false; // the security code was checked since the focus last entered "Egyéb"
};

} // namespace dalvex::k6pages
