#pragma once
// The screen-resolution window "Képernyőfelbontás": the user picks the screen size the K6 window
// is scaled for (the "monitor" setting). The K6 window applies it on its first activation after a
// start, so a change takes effect at the next start, as Label1 says.
// Design name: TK6Form7; objectName "TK6Form7", by which the catalogue and the tests find it.

#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;

namespace dalvex {

class ResolutionWindow : public QWidget {
    Q_OBJECT
public:
    explicit ResolutionWindow(QWidget* parent = nullptr);

    void FormActivate();
    void Button1Click(); // "Beállít"

    // The radio position chosen, -1 when none is.
    int ItemIndex() const;
    void SetItemIndex(int index);

    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* RadioItems = nullptr;
    QLabel* Label1 = nullptr; // "A modósításokhoz újrainditás szükséges!"
    QLabel* Label2 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void changeEvent(QEvent* event) override;

private:
    QString RegKey() const;
};

} // namespace dalvex
