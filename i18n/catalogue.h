#pragma once
// The language catalogue: every text of the windows in the eight languages, keyed by window,
// control, kind and item. The table is data (data/catalogue.tsv, compiled in); the passes that put
// its texts on the windows live with the windows.

#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace dalvex::i18n {

// Language index, as the "Language" setting stores it.
enum Language { Hungarian, English, German, Slovak, Italian, Slovenian, Dutch, Czech };
inline constexpr int kLanguageCount = 8;

// What a key sets.
enum class EntryKind {
    Caption, // caption or text of one control (label, button, check box, tab page, group box, edit)
    Item,    // item `item` of a combo box or radio group, replaced in place
    Menu,    // caption of a menu item
    Memo,    // help panel: cleared, then filled with the text (an empty text only clears it)
    Message, // a module-level text of message boxes, prompts and status texts; keyed by its Hungarian
    String,  // a string field of a window (prompts, column titles); keyed by its Hungarian
    Picture, // a word drawn in one of our pictures (window "Pictures"); keyed by the drawing's own text
};

// The two passes read the same table with two differences: the start pass has its own Dutch column
// (English wordings), and some keys belong to the start pass only.
enum class Pass { Start, Activation };

struct CatalogueEntry {
    QString window;  // object name of the window (its design name); empty for messages
    QString control; // object name of the control; for messages and strings their Hungarian text
    EntryKind kind = EntryKind::Caption;
    int item = 0;           // list item index for EntryKind::Item
    bool startOnly = false; // the start pass sets it, the activation pass leaves it alone
    std::array<std::optional<QString>, kLanguageCount> text; // nullopt: no entry in that language
    std::optional<QString> startDutch;                       // the start pass's Dutch entry

    // The entry of `language` for `pass`; nullopt when the language has none (the control then
    // keeps the text it has).
    std::optional<QString> Text(int language, Pass pass) const;
};

class Catalogue {
public:
    // The built-in catalogue.
    static const Catalogue& Builtin();

    // Reads a catalogue table (UTF-8, tab-separated, a header line, then one key a line: window,
    // control, kind, item, pass, the eight languages, the start pass's Dutch). In a cell, "\n"
    // stands for a line break, "\t" for a tab, "\\" for a backslash, and a cell of just "\e" for
    // an entry whose text is empty; an empty cell is no entry. Returns nullopt and a reason (with
    // the line number) on a malformed table.
    static std::optional<Catalogue> Parse(const QByteArray& tsv, QString* error = nullptr);

    const std::vector<CatalogueEntry>& Entries() const { return entries_; }

    // The message or window string whose Hungarian text is `hungarian`, in `language`; nullopt when
    // there is no such key or the language has no entry for it.
    std::optional<QString> Message(const QString& hungarian, int language,
                                   Pass pass = Pass::Activation) const;

    // The text drawn as `drawn` in a picture, in `language`; nullopt when there is no such key or
    // the language has no entry for it.
    std::optional<QString> Picture(const QString& drawn, int language) const;

    // The entry of one key; nullptr when the catalogue has none.
    const CatalogueEntry* Find(const QString& window, const QString& control, EntryKind kind,
                               int item = 0) const;

private:
    std::vector<CatalogueEntry> entries_;
};

// The language a pass uses for the "Language" setting's value. The activation pass takes English for
// anything that is not "0" to "7" (also for a missing value); the start pass takes the value as it
// is and sets no language entries for such values (nullopt).
int ActivationLanguage(const QString& setting);
std::optional<int> StartLanguage(const QString& setting);

// The code of a language for locale-dependent resources ("hu", "en", "de", "sk", "it", "sl", "nl",
// "cs").
QString LanguageCode(int language);

} // namespace dalvex::i18n
