#pragma once
// The contact window "Kapcsolat": the start directory's "contact.txt" when there is one (a
// distributor puts its own contact there), otherwise the product's built-in contact text in the
// language chosen.
// Design name: TK6Form8; objectName "TK6Form8", by which the catalogue and the tests find it.

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace dalvex {

class ContactWindow : public QWidget {
    Q_OBJECT
public:
    explicit ContactWindow(QWidget* parent = nullptr);

    void Activate(); // design: FormActivate

    QPlainTextEdit* TextView = nullptr; // design: Memo1
    QLabel* Logo = nullptr;             // design: Image1; the K6 window's logo
    QPushButton* ExitButton = nullptr;  // design: BitBtn3; "Kilépés"

    // The text of a "contact.txt": UTF-8 (with or without a byte-order mark), UTF-16 with its mark,
    // or otherwise Windows-1250, which older installations hold. Line ends become "\n".
    static QString DecodeContactFile(const QByteArray& bytes);
    // The file's text; none when it is missing, unreadable or too large to be a contact text.
    static std::optional<QString> LoadContactFile(const QString& path);

protected:
    void changeEvent(QEvent* event) override;
};

} // namespace dalvex
