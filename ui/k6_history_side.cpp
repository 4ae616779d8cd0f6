#include "k6_history_side.h"

#include "forms.h"
#include "config_window.h"
#include "event_log_window.h"
#include "signal_chart_window.h"

#include <QAction>
#include <QLabel>
#include <QTabWidget>

namespace dalvex {

K6HistorySide::K6HistorySide(ConfigWindow& window)
    : QObject(&window)
    , w_(window)
    , log_(window.Engine(), *this)
    , signal_(window.Engine(), *this)
    , erase_(window.Engine()) {
    const auto wire = [this](const char* item, void (K6HistorySide::*click)()) {
        if (QAction* a = w_.MenuItem(QString::fromLatin1(item))) {
            a->setEnabled(true);
            connect(a, &QAction::triggered, this, click);
        }
    };
    wire("Naplokiolvassa1", &K6HistorySide::EventLogClick);
    wire("rer1", &K6HistorySide::SignalChartClick);
    wire("NaplTrerTRLSE1", &K6HistorySide::EraseHistoryClick);
}

void K6HistorySide::Bind() {
    if (eventLogWindow && boundLog_ != eventLogWindow) {
        boundLog_ = eventLogWindow;
        eventLogWindow->SetLogTexts(&log_.Texts);
        connect(eventLogWindow, &EventLogWindow::ReadRequested, this, &K6HistorySide::StartLogRead);
        connect(eventLogWindow, &EventLogWindow::StopRequested, this, [this] { log_.Stop(); });
    }
    if (signalChartWindow && boundChart_ != signalChartWindow) {
        boundChart_ = signalChartWindow;
        connect(signalChartWindow, &SignalChartWindow::ReadRequested, this, [this] { signal_.Start(); });
    }
}

void K6HistorySide::ShowModal(QWidget* window, const QString& caption) {
    window->setWindowTitle(caption);
    if (auto* title = window->findChild<QLabel*>(QStringLiteral("Label1"))) title->setText(caption);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    window->activateWindow();
}

void K6HistorySide::EventLogClick() {
    Bind();
    if (eventLogWindow) ShowModal(eventLogWindow, w_.MenuItem(QStringLiteral("Naplokiolvassa1"))->text());
}

void K6HistorySide::SignalChartClick() {
    Bind();
    if (signalChartWindow) ShowModal(signalChartWindow, w_.MenuItem(QStringLiteral("rer1"))->text());
}

void K6HistorySide::EraseHistoryClick() {
    erase_.Start();
}

void K6HistorySide::StartLogRead() {
    // Codes 1 to 4, 9, 10 and 15 show the captions of their pages as the page control shows them.
    const auto caption = [this](const char* page, QString& text) {
        if (QWidget* p = w_.Page(QString::fromLatin1(page)))
            text = w_.PageTabs->tabText(w_.PageTabs->indexOf(p));
    };
    k6link::LogTexts& t = log_.Texts;
    caption("TabSheet2", t.Input1);
    caption("TabSheet3", t.Input2);
    caption("TabSheet4", t.Input3);
    caption("TabSheet5", t.Input4);
    caption("TabSheet11", t.Tamper);
    caption("TabSheet12", t.PowerMonitor);
    caption("TabSheet26", t.Jammer);
    log_.Start();
}

// EventLogHost

void K6HistorySide::ShowLogProgress(bool visible) {
    if (eventLogWindow) eventLogWindow->ShowProgress(visible);
}

void K6HistorySide::SetLogProgress(int position) {
    if (eventLogWindow) eventLogWindow->SetProgress(position);
}

void K6HistorySide::SetLogRows(int firstRow, std::span<const k6link::LogRow> rows) {
    if (eventLogWindow) eventLogWindow->SetRows(firstRow, rows);
}

// SignalHost

void K6HistorySide::ClearSignalChart() {
    if (signalChartWindow) signalChartWindow->ClearPoints();
}

void K6HistorySide::AddSignalSamples(std::span<const k6link::SignalSample> samples) {
    if (signalChartWindow) signalChartWindow->AddSamples(samples);
}

} // namespace dalvex
