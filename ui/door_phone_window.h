#pragma once
// The door-phone window "Kompakt nézet": the few settings a door phone needs. The K6 window stays
// loaded behind it and does all the work: this window's values are the K6 window's door-phone
// values (the image codec reads and writes five of them and copies the mirrored ones in after a
// read), its send copies them into the K6 window's values before the K6 window sends, and its
// other buttons click the K6 window's buttons and menu items.
// Design name: TDPhone1; objectName "TDPhone1", by which the catalogue and the tests find it.

#include <QColor>
#include <QWidget>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;

namespace dalvex {

namespace k6config {
class PageValues;
}
namespace k6link {
struct TransferEnd;
}
namespace k6pages {
class Bindings;
}

class DoorPhoneWindow : public QWidget {
    Q_OBJECT
public:
    explicit DoorPhoneWindow(QWidget* parent = nullptr);
    ~DoorPhoneWindow() override;

    // The control with component name `name` ("MaskEdit3", "SpinEdit2", "kijelzo" ...).
    QWidget* Control(const QString& name) const;

    // Handlers, named after their controls and events.
    void FormActivate();
    void BitBtn1Click();               // "Elküldés"
    void BitBtn2Click();               // "Olvasás"
    void BitBtn3Click();               // "Kilépés"
    void BitBtn4Click();               // "Újrainditás"
    void Button1Click();               // "Normál nézetre vált"
    void Button2Click();               // "Modul állapotok megjelenítése"
    void Button3Click();               // "Napló kiolvasása"
    void Button4Click();               // "Térerő"
    void EszkzProgramfrisstse1Click(); // pop-up of the model label: "Eszköz Programfrissítése"
    void CheckEgyeb2Click();
    void ComboBox11Enter();

    // The window's values: the K6 window's door-phone values when the K6 window exists.
    k6config::PageValues* Values = nullptr;

    QPushButton *BitBtn1 = nullptr, *BitBtn2 = nullptr, *BitBtn3 = nullptr, *BitBtn4 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;
    QComboBox* ComboBox11 = nullptr;
    QSlider *TrackBar1 = nullptr, *TrackBar2 = nullptr;
    QProgressBar* kijelzo = nullptr; // the K6 window's transfer drives it
    QLabel* Label12 = nullptr;       // the model's name, with the firmware pop-up
    QMenu* PopupMenu1 = nullptr;
    QAction* EszkzProgramfrisstse1 = nullptr;
    QLabel *Image1 = nullptr, *Image17 = nullptr, *Image2 = nullptr; // background, logos
    // The K6 window's text for the read or send in progress, then for how it ended: the K6
    // window's status bar is hidden behind this window.
    QLabel* TransferStatus = nullptr;

    // The colour a field takes while the mouse is over it; set on activation.
    QColor HoverColor;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // The K6 window's activation handler, run with this window as the sender. The language pass
    // and the adaptation rules reach this window's controls through it, and the K6 window asks for
    // the module's software version from there (its reply enables "Elküldés" and "Olvasás").
    void RunK6Activation();
    // Clicks the K6 window's menu item `name`, as the K6 window's menu would.
    void ClickK6MenuItem(const char* name);
    // After "Elküldés" or "Olvasás" has been passed on: what the K6 window shows for it.
    void ShowTransferStarted();
    // The K6 window's read or send has ended, completed or cut off.
    void K6TransferEnded(const k6link::TransferEnd& end);

    // Hover feedback.
    void ShowFieldHover(QWidget* field);
    void SetFieldColour(QWidget* field, const QColor& colour);
    void SetBold(QPushButton* button, bool bold);
    void ResetHover();

    std::unique_ptr<k6pages::Bindings> bindings_;
    QList<QWidget*> hoverFields_;
    QList<QPushButton*> buttons_;
};

} // namespace dalvex
