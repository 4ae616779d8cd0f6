#pragma once
// The K6 configuration window: the page control with the editing pages, the status bar, and the
// fields the start window hands a module over with.

#include "i18n/product_variant.h"

#include <QMainWindow>

class QLabel;
class QStatusBar;
class QTabWidget;
class QTimer;

namespace dalvex {

namespace k6config {
class PageValues;
}
namespace k6pages {
class K6Pages;
}

class TK6Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TK6Form1(QWidget* parent = nullptr);

    // The page with component name `name` ("TabSheet20") shown or hidden in the page control.
    void SetPageVisible(const QString& name, bool visible);
    bool IsPageVisible(const QString& name) const;
    QWidget* Page(const QString& name) const;

    // Status bar: 0 port, 1 model, 2 software version, 3 operation, 4 program version.
    void SetStatusPanel(int panel, const QString& text);
    QString StatusPanel(int panel) const;

    QTabWidget* PageControl1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTimer* Language = nullptr; // applies the chosen language to every window

    // Fields the start window writes at hand-over.
    int ModuleType = 72;
    bool DemoMode = false;

    // The pages' values: those the configuration image holds, the window's others (customer
    // records, caller-ID list ...), and the door-phone window's, which the image holds as well.
    k6config::PageValues* Values = nullptr;
    k6config::PageValues* LocalValues = nullptr;
    k6config::PageValues* DoorPhoneValues = nullptr;
    // The editing pages with their handlers, activation defaults and version rules.
    k6pages::K6Pages* Pages = nullptr;

    // Brand fields and the settings key, set at creation.
    QString ProModelName, MiniModelName, LineModelName, DoorModelName, ToolName, ContactText;
    int DefaultLanguage = 1;
    QString RegKey;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void LanguageTimer();

    QLabel* panels_[5] = {};
};

} // namespace dalvex
