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

    void Activate();   // design: FormActivate
    void ApplyClick(); // design: Button1Click; "Beállít"

    // The radio position chosen, -1 when none is.
    int ItemIndex() const;
    void SetItemIndex(int index);

    QGroupBox* ResolutionGroup = nullptr; // design: RadioGroup1
    QButtonGroup* RadioItems = nullptr;
    QLabel* RestartNote = nullptr;      // design: Label1; "A modósításokhoz újrainditás szükséges!"
    QLabel* Explanation = nullptr;      // design: Label2
    QPushButton* ApplyButton = nullptr; // design: Button1

protected:
    void changeEvent(QEvent* event) override;

private:
    QString RegKey() const;
};

} // namespace dalvex
