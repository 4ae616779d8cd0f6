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

    void Button4Click(); // "Beállítás / Újrainditás"

    QLineEdit* Edit1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace dalvex
