#pragma once
// The signal-strength window: a line chart of the samples read from the module's signal memory,
// with the labels the read gives some samples on the x axis, "Olvasás" (which clicks Button1:
// clear and read), Button2 (zoom allowed or not) and Button3 (clear). The read is the engine's
// (k6link/signal_memory.h); the window asks for it with ReadRequested and shows what it is given.
//
// Samples are added in batches: what arrives while the event loop is busy goes to the series in
// one append when it is free again, so a full memory (1279 x 256 samples) is never one repaint
// per sample nor one per block when blocks come faster than the screen.

#include "k6link/signal_memory.h"

#include <QList>
#include <QPointF>
#include <QWidget>
#include <span>

class QLabel;
class QPushButton;
class QChart;
class QChartView;
class QLineSeries;
class QCategoryAxis;
class QValueAxis;

namespace dalvex {

struct SignalWindowTexts {
    QString Read = QStringLiteral("Olvasás");
    QString Zoom = QStringLiteral("Zoom");
    QString Clear = QStringLiteral("Törlés");
};

class TK6Form6 : public QWidget {
    Q_OBJECT
public:
    explicit TK6Form6(QWidget* parent = nullptr);

    // Handlers, named after their controls.
    void Button1Click(); // clear, then read
    void BitBtn2Click(); // "Olvasás": clicks Button1
    void Button2Click(); // zoom allowed or not
    void Button3Click(); // clear

    // What the read shows.
    void ClearPoints();
    void AddSamples(std::span<const k6link::SignalSample> samples);
    // Puts the samples that are waiting into the series now (also done by the event loop).
    void Flush();

    // The points of series 0 (after Flush) and the labels on the x axis with the x of their point.
    int PointCount() const;
    QList<QPointF> Points() const;
    QList<std::pair<QString, qreal>> Labels() const;
    bool ZoomAllowed() const;

    QLabel* Label1 = nullptr; // title: the menu caption
    QChartView* Chart1 = nullptr;
    QPushButton* BitBtn2 = nullptr; // "Olvasás"
    QPushButton* Button1 = nullptr; // clear and read (clicked by "Olvasás")
    QPushButton* Button2 = nullptr; // zoom
    QPushButton* Button3 = nullptr; // clear

    SignalWindowTexts Texts;

signals:
    void ReadRequested();

private:
    void ScheduleFlush();

    QChart* chart_ = nullptr;
    QLineSeries* series_ = nullptr;
    QCategoryAxis* xAxis_ = nullptr;
    QValueAxis* yAxis_ = nullptr;
    QList<QPointF> pending_;
    QList<std::pair<QString, qreal>> pendingLabels_;
    qsizetype points_ = 0; // in the series and waiting
    int lastLabel_ = -1;
    int maxValue_ = 31;
    bool flushScheduled_ = false;
};

} // namespace dalvex
