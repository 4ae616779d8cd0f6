#pragma once
// The help panel below the K6 window's pages: a short help text for the page in front, in the
// window's language. Each text is a read-only memo named by its catalogue key (the design's help
// memos Memo1 ... Memo14, and HelpTabSheetN for pages the design gave none), which the language
// pass fills; the panel shows the memo of the page in front. The user hides or shows it with
// "Beállítások → Súgó panel", remembered in the setting "HelpPanel".

#include <QStackedWidget>
#include <span>

class QAction;
class QPlainTextEdit;
class QTabWidget;

namespace dalvex {

class ConfigWindow;

class HelpPanel : public QStackedWidget {
    Q_OBJECT
public:
    struct Key {
        const char* memo;
        std::span<const char* const> pages;
    };
    // Which memo helps which pages.
    static std::span<const Key> Keys();
    static constexpr const char* kSetting = "HelpPanel";

    HelpPanel(ConfigWindow& window, QTabWidget& pages, QWidget* parent);

    // Shows or hides the panel as the setting says, and lets the menu item switch it.
    void Connect(QAction* toggle);
    // The memo for a page (by the page's objectName); null when the page has no help.
    QPlainTextEdit* MemoFor(const QString& page) const;
    // Shows the memo of the page in front (an empty panel for a page without help).
    void ShowCurrent();
    // Shows or hides the panel and remembers the choice.
    void SetShown(bool shown);

protected:
    void changeEvent(QEvent* event) override;

private:
    void FitToFont();

    ConfigWindow& w_;
    QTabWidget& pages_;
    QAction* toggle_ = nullptr;
};

} // namespace dalvex
