#pragma once
// The GSM information window: what the module's GSM modem says about itself, read with
// "Újraolvasás" through the engine (states 320 to 326); opening the window does not start the
// queries.
// Design name: TK6Form10; objectName "TK6Form10", by which the catalogue and the tests find it.

#include <QWidget>
#include <array>

class QLineEdit;
class QPushButton;

namespace dalvex {

class GsmInfoWindow : public QWidget {
    Q_OBJECT
public:
    explicit GsmInfoWindow(QWidget* parent = nullptr);

    // Edit1 .. Edit8; the engine fills Edit2 .. Edit8.
    void SetField(int field, const QString& text);
    QString Field(int field) const;

    void Activate();    // design: FormActivate; empties the fields
    void RereadClick(); // design: BitBtn1Click; "Újraolvasás"

    std::array<QLineEdit*, 8> Edits{};
    QPushButton* RereadButton = nullptr; // design: BitBtn1
    QPushButton* ExitButton = nullptr;   // design: BitBtn3

protected:
    void changeEvent(QEvent* event) override;

private:
    void ClearFields();
};

} // namespace dalvex
