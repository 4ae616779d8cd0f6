#include "page_tabs.h"

#include <algorithm>
#include <vector>

namespace dalvex {

void PageTabBar::tabInserted(int index) {
    setTabData(index, nextPlace_++);
    QTabBar::tabInserted(index);
    tabLayoutChange();
}

void PageTabBar::tabLayoutChange() {
    QTabBar::tabLayoutChange();
    if (arranging_) return; // the moves below lay the bar out again
    arranging_ = true;
    keepShownTabLast();
    arranging_ = false;
}

void PageTabBar::keepShownTabLast() {
    struct Tab {
        int place;
        bool shown;
    };
    std::vector<Tab> tabs;
    for (int i = 0; i < count(); ++i) {
        // A tab being inserted is laid out before it is given its place.
        if (!tabData(i).isValid()) return;
        tabs.push_back({tabData(i).toInt(), isTabVisible(i)});
    }
    std::sort(tabs.begin(), tabs.end(), [](const Tab& a, const Tab& b) { return a.place < b.place; });
    const auto lastShown = std::find_if(tabs.rbegin(), tabs.rend(), [](const Tab& t) { return t.shown; });
    if (lastShown == tabs.rend()) return;
    // The hidden tail first, then the tabs up to the last shown one, each run in its own order.
    std::rotate(tabs.begin(), lastShown.base(), tabs.end());
    for (int at = 0; at < static_cast<int>(tabs.size()); ++at) {
        int from = at;
        while (from < count() && tabData(from).toInt() != tabs[at].place)
            ++from;
        if (from != at && from < count()) moveTab(from, at);
    }
}

PageTabWidget::PageTabWidget(QWidget* parent)
    : QTabWidget(parent) {
    setTabBar(new PageTabBar(this));
}

} // namespace dalvex
