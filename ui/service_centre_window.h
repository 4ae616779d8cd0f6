#pragma once
// The SMS service-centre window: the number typed or taken from an operator preset is set as the
// modem's SMS service centre through the engine (state 50). Closing the window sends the monitor
// off (state 81), which takes the module out of modem mode.
// Design name: TSMSk; objectName "TSMSk", by which the catalogue and the tests find it.

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dalvex {

// The operators' public SMS service-centre numbers of the preset buttons.
struct ServiceCentrePreset {
    const char* button;
    const char* caption;
    const char* number;
};
inline constexpr ServiceCentrePreset kServiceCentrePresets[] = {
    {"Button1", "T-Mobile", "+36309888000"},
    {"Button2", "Telenor", "+36209300099"},
    {"Button3", "Vodafone", "+36709996500"},
};

class ServiceCentreWindow : public QWidget {
    Q_OBJECT
public:
    explicit ServiceCentreWindow(QWidget* parent = nullptr);

    void SetClick(); // design: Button4Click; "Beállítás / Újrainditás"

    QLineEdit* NumberEdit = nullptr;      // design: Edit1
    QLabel* NumberLabel = nullptr;        // design: Label1
    QLabel* StatusLabel = nullptr;        // design: Label2
    QPushButton* Preset1Button = nullptr; // design: Button1
    QPushButton* Preset2Button = nullptr; // design: Button2
    QPushButton* Preset3Button = nullptr; // design: Button3
    QPushButton* SetButton = nullptr;     // design: Button4
    QPushButton* ExitButton = nullptr;    // design: Button5

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace dalvex
