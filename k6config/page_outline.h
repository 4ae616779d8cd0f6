#pragma once
// The pages' outline: the editing pages in their order, the controls on each with their captions
// and list items in the eight languages, and where the windows show them, read off the windows
// themselves (data/page_outline.tsv, written by make_page_outline and compiled in). It lets the
// configuration sheet, the text export and the file comparison name a value as the page shows it
// without building a window.
//
// Languages are indexed as the "Language" setting stores them: 0 Hungarian, 1 English, 2 German,
// 3 Slovak, 4 Italian, 5 Slovenian, 6 Dutch, 7 Czech.

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace dalvex::k6config {

inline constexpr int kOutlineLanguages = 8;
using OutlineTexts = std::array<QString, kOutlineLanguages>;

// The text in `language`, the Hungarian one when that language has none.
QString TextIn(const OutlineTexts& texts, int language);

enum class OutlineWindow {
    Main,      // the K6 window (K6Controls, K6LocalControls)
    DoorPhone, // the door-phone window (DoorPhoneControls)
};

// On which models and module software versions (tenths) a window shows a page or a control.
struct OutlineShown {
    struct Span {
        int model;
        int from;  // inclusive; INT_MIN: any
        int below; // exclusive; INT_MAX: no limit
    };
    bool always = false;
    std::vector<Span> spans;
    bool At(int moduleType, int version) const;
};

struct OutlinePage {
    OutlineWindow window = OutlineWindow::Main;
    QString name;   // component name ("TabSheet20", "SERVER1")
    QString parent; // the page that holds this one; empty for a page of the page control
    OutlineShown shown;
    OutlineTexts caption;
};

struct OutlineField {
    OutlineWindow window = OutlineWindow::Main;
    QString control; // component name, a row of the window's control tables
    QString page;    // the innermost page it sits on
    OutlineShown shown;
    OutlineTexts caption; // may be empty: a control the page shows without a caption
    std::vector<OutlineTexts> items;
    // A model's own item texts: (model, item index, texts).
    struct ModelItem {
        int model;
        int index;
        OutlineTexts texts;
    };
    std::vector<ModelItem> modelItems;

    // The item as the page shows it on `moduleType` in `language`; empty outside the items.
    QString Item(int index, int language, int moduleType) const;
};

class PageOutline {
public:
    static const PageOutline& Builtin();
    // Reads an outline table; nullopt and a reason (with the line number) when it is malformed.
    static std::optional<PageOutline> Parse(const QByteArray& tsv, QString* error = nullptr);

    // In their order: the page control's pages, then the pages inside them, then the door phone's.
    const std::vector<OutlinePage>& Pages() const { return pages_; }
    // Page by page, in the order each page holds them.
    const std::vector<OutlineField>& Fields() const { return fields_; }

    const OutlinePage* Page(OutlineWindow window, const QString& name) const;
    const OutlineField* Field(OutlineWindow window, const QString& control) const;
    // The page control's page a page or field is on (the outer page for a page inside a page).
    const OutlinePage* TopPage(const OutlinePage& page) const;

private:
    std::vector<OutlinePage> pages_;
    std::vector<OutlineField> fields_;
};

// Controls whose values a printed sheet masks unless asked otherwise: the SMS security code, the
// server profiles' passwords and encryption keys.
bool IsSecretControl(const QString& control);

} // namespace dalvex::k6config
