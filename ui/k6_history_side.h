#pragma once
// The K6 window's side of the module's histories: the menu items "Naplo kiolvasása" (the log
// window), "Térerő" (the signal chart) and "Napló/Térerő TÖRLÉSE", and the host of the log read
// and the signal read, which shows what they read in the two windows. The operations themselves
// are in k6link/ (event_log, signal_memory, history_erase).

#include "k6link/event_log.h"
#include "k6link/history_erase.h"
#include "k6link/signal_memory.h"

#include <QObject>
#include <QPointer>

namespace dalvex {

class ConfigWindow;
class EventLogWindow;
class SignalChartWindow;

class K6HistorySide : public QObject, private k6link::EventLogHost, private k6link::SignalHost {
    Q_OBJECT
public:
    // Registers the operations' states with the window's engine and wires the three menu items.
    explicit K6HistorySide(ConfigWindow& window);

    void EventLogClick(); // design: Naplokiolvassa1Click; "Naplo kiolvasása": the log window, modal
    // "Térerő": the signal chart, modal, titled with the item's caption.
    void SignalChartClick();  // design: rer1Click
    void EraseHistoryClick(); // design: NaplTrerTRLSE1Click; "Napló/Térerő TÖRLÉSE"

    k6link::EventLog& Log() { return log_; }
    k6link::SignalMemory& Signal() { return signal_; }
    k6link::HistoryErase& Erase() { return erase_; }

    // Connects the log and chart windows once each (they are created after the K6 window); the
    // language pass binds a log window that exists so that its column titles speak from the start.
    void Bind();

private:
    void StartLogRead();
    static void ShowModal(QWidget* window, const QString& caption);

    // EventLogHost
    void ShowLogProgress(bool visible) override;
    void SetLogProgress(int position) override;
    void SetLogRows(int firstRow, std::span<const k6link::LogRow> rows) override;
    // SignalHost
    void ClearSignalChart() override;
    void AddSignalSamples(std::span<const k6link::SignalSample> samples) override;

    ConfigWindow& w_;
    k6link::EventLog log_;
    k6link::SignalMemory signal_;
    k6link::HistoryErase erase_;
    QPointer<EventLogWindow> boundLog_;
    QPointer<SignalChartWindow> boundChart_;
};

} // namespace dalvex
