#pragma once
// The signal-strength window: a line chart of the samples read from the module's signal memory,
// with the labels the read gives some samples on the x axis, "Olvasás" (which clicks Button1:
// clear and read), Button2 (zoom allowed or not) and Button3 (clear). The read is the engine's
// (k6link/signal_memory.h); the window asks for it with ReadRequested and shows what it is given.
//
// The window keeps every sample; the series is given what the plot area can show. A full memory
// is 1279 x 256 samples, far more than the plot is pixels wide, and the chart strokes and paints
// every point it holds on each update, so a span wider than the plot goes to the series as the
// lowest and highest sample of each pixel column, in their order: the same line on screen, a few
// thousand points instead of hundreds of thousands. Zooming in (the rubber band) shows the
// samples of the zoomed span, down to every single one. The labels likewise: those in the span,
// thinned so that they stay readable when there are more than the axis has room for.
//
// Samples are added in batches: what arrives while the event loop is busy goes to the chart in
// one update when it is free again, and at most ten updates a second while a read runs.
// The chart itself is one of the parts loaded on first use (on_demand_parts.h), when the window is
// made.
// Design name: TK6Form6; objectName "TK6Form6", by which the catalogue and the tests find it.

#include "k6link/signal_memory.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointF>
#include <QWidget>
#include <memory>
#include <span>

class QLabel;
class QPushButton;

namespace dalvex {

class SignalPlot;

struct SignalWindowTexts {
    QString Read = QStringLiteral("Olvasás");
    QString Zoom = QStringLiteral("Zoom");
    QString Clear = QStringLiteral("Törlés");
};

class SignalChartWindow : public QWidget {
    Q_OBJECT
public:
    explicit SignalChartWindow(QWidget* parent = nullptr);
    ~SignalChartWindow() override;

    // Handlers of the controls; the design names their handlers as noted.
    void ClearAndReadClick(); // design: Button1Click; clear, then read
    void ReadClick();         // design: BitBtn2Click; "Olvasás": clicks Button1
    void ZoomClick();         // design: Button2Click; zoom allowed or not
    void ClearClick();        // design: Button3Click; clear

    // Puts Texts on the buttons (after the language pass has changed them).
    void ApplyTexts();

    // What the read shows.
    void ClearPoints();
    void AddSamples(std::span<const k6link::SignalSample> samples);
    // Puts the samples that are waiting into the series now (also done by the event loop).
    void Flush();

    // Every sample so far as a point (x the sample's place from 0, y its value), after Flush.
    int PointCount() const;
    QList<QPointF> Points() const;
    // Every label with the x of the first point that carries it.
    QList<std::pair<QString, qreal>> Labels() const;
    // What the chart shows now: the series' points and the x axis' labels.
    QList<QPointF> ShownPoints() const;
    QList<std::pair<QString, qreal>> ShownLabels() const;
    bool ZoomAllowed() const;

    QLabel* TitleLabel = nullptr;              // design: Label1; title: the menu caption
    QWidget* ChartView = nullptr;              // design: Chart1
    QPushButton* ReadButton = nullptr;         // design: BitBtn2; "Olvasás"
    QPushButton* ClearAndReadButton = nullptr; // design: Button1; clear and read (clicked by "Olvasás")
    QPushButton* ZoomButton = nullptr;         // design: Button2; zoom
    QPushButton* ClearButton = nullptr;        // design: Button3; clear

    SignalWindowTexts Texts;

signals:
    void ReadRequested();

private:
    void ScheduleFlush();
    // Gives the series and the axis what the span [from, to] of the x axis shows.
    void Show(qreal from, qreal to);
    void ShowAll();
    // The plot area's width in pixels: the columns a wide span is shown in.
    int Columns() const;
    void AxisRangeChanged(qreal from, qreal to);

    std::unique_ptr<SignalPlot> plot_; // nullptr when the module cannot be loaded
    QList<QPointF> points_;                   // every sample
    QList<std::pair<QString, qreal>> labels_; // every label
    qsizetype flushed_ = 0;                   // points_ up to here are in the chart
    qsizetype flushedLabels_ = 0;
    int lastLabel_ = -1;
    int maxValue_ = 31;
    bool flushScheduled_ = false;
    QElapsedTimer lastFlush_;
    bool zoomed_ = false;  // the user zoomed in: new samples leave the span alone
    bool showing_ = false; // Show() sets the axis range itself
    qreal shownFrom_ = 0, shownTo_ = 0;
    int shownWidth_ = 0;
};

} // namespace dalvex
