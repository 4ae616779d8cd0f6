#pragma once
// The page control of the K6 window: a tab widget whose bar keeps every shown page reachable.
//
// Qt 6.4's tab bar measures the end of its row by its last tab even when that tab is hidden; with
// a hidden last tab (a page of another model) choosing a tab scrolls the row past its start and
// disables both scroll arrows, so the later pages vanish. The bar here keeps a shown tab last: the
// hidden tabs behind the last shown one wait at the front of the row, and each tab returns to its
// place among the others when it is shown again. Pages are found by object name or indexOf, never
// by a fixed index, so the order of the hidden ones does not matter to anyone.

#include <QTabBar>
#include <QTabWidget>

namespace dalvex {

class PageTabBar : public QTabBar {
public:
    explicit PageTabBar(QWidget* parent = nullptr)
        : QTabBar(parent) {}

protected:
    // Tabs take their place in the order they are added (the pages are added in design order).
    void tabInserted(int index) override;
    void tabLayoutChange() override;

private:
    void keepShownTabLast();
    int nextPlace_ = 0;
    bool arranging_ = false;
};

class PageTabWidget : public QTabWidget {
public:
    explicit PageTabWidget(QWidget* parent = nullptr);
};

} // namespace dalvex
