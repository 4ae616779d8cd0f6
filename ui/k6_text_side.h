#pragma once
// The configuration on paper and as text, from the K6 window's file menu: the configuration sheet
// as a PDF file or on a printer, and the export and import of the configuration as text (JSON).
// The contents come from k6text/ and k6sheet/, as for dalvex-cli.

#include "k6sheet/sheet_document.h"
#include "k6text/sheet_content.h"

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QPrinter;

namespace dalvex {

class ConfigWindow;

// Catalogue texts of the sheet and the text commands; the language pass replaces them.
struct TextSideTexts {
    QString SheetItem = QStringLiteral("Konfigurációs lap (PDF)...");
    QString PrintItem = QStringLiteral("Nyomtatás...");
    QString ExportItem = QStringLiteral("Exportálás szövegként (JSON)...");
    QString ImportItem = QStringLiteral("Importálás szövegből (JSON)...");
    QString SheetTitle = QStringLiteral("Konfigurációs lap");
    QString Secrets = QStringLiteral("Titkos értékek is (SMS biztonsági kód, szerver jelszavak)");
    QString Paper = QStringLiteral("Papírméret:");
    QString Failed = QStringLiteral("A konfigurációs lap nem készült el: %1");
};

class K6TextSide : public QObject {
    Q_OBJECT
public:
    explicit K6TextSide(ConfigWindow& window);

    // "Konfigurációs lap (PDF)...", "Nyomtatás...", "Exportálás szövegként (JSON)...",
    // "Importálás szövegből (JSON)...".
    void SheetClick();
    void PrintClick();
    void ExportClick();
    void ImportClick();

    // Imports a configuration text into the pages as "Importálás szövegből (JSON)..." does, without
    // the dialog. False (after the message) when it cannot be read.
    bool ImportFile(const QString& path);

    // The sheet of the pages as they stand, in the window's language.
    k6text::SheetContent Sheet(bool secrets) const;

    // Tests answer the sheet's dialog here: whether secrets go on the sheet and the paper; false
    // cancels. And the print dialog: it gets the printer and returns false to cancel.
    struct SheetChoice {
        bool secrets = false;
        k6sheet::Paper paper = k6sheet::Paper::A4;
    };
    static std::function<bool(SheetChoice&)> SheetDialogHook;
    static std::function<bool(QPrinter&)> PrintDialogHook;

    TextSideTexts Texts;
    QAction* SheetItem = nullptr;
    QAction* PrintItem = nullptr;
    QAction* ExportItem = nullptr;
    QAction* ImportItem = nullptr;
    // Puts the texts on the menu items (after a language pass).
    void ShowTexts();

private:
    bool AskSheet(SheetChoice& choice);
    QString AskFile(bool save, const QString& title, const QString& filter, const QString& suffix);
    void Message(const QString& text);
    int Language() const;

    ConfigWindow& w_;
};

} // namespace dalvex
