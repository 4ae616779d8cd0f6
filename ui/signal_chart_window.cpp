#include "signal_chart_window.h"

#include "on_demand_parts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace dalvex {

namespace {
constexpr int kSignalMaximum = 31;
// Below this many samples per pixel column the series gets every sample of the span.
constexpr int kPointsPerColumn = 2;
// Columns assumed while the plot area has no size yet (the window not laid out).
constexpr int kMinimumColumns = 400;
constexpr int kMaximumColumns = 8192;
// Pixels a label of the x axis needs beside its neighbours.
constexpr int kLabelSpacing = 40;
// The shortest time between two chart updates while samples arrive, in milliseconds.
constexpr qint64 kFlushInterval = 100;
} // namespace

SignalChartWindow::SignalChartWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TK6Form6"));
    setWindowTitle(QStringLiteral("Térerő"));
    resize(900, 520);
    auto* layout = new QVBoxLayout(this);

    TitleLabel = new QLabel(windowTitle(), this);
    TitleLabel->setObjectName(QStringLiteral("Label1"));
    QFont title = TitleLabel->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.3);
    TitleLabel->setFont(title);
    layout->addWidget(TitleLabel);

    QString error;
    if (const OnDemandParts* parts = LoadOnDemandParts(&error)) {
        plot_.reset(parts->MakeSignalPlot(this));
        ChartView = plot_->View();
    } else {
        // A broken installation: the window says why it has no chart.
        auto* missing = new QLabel(error, this);
        missing->setObjectName(QStringLiteral("Chart1"));
        missing->setWordWrap(true);
        ChartView = missing;
    }
    layout->addWidget(ChartView, 1);

    auto* buttons = new QHBoxLayout;
    auto makeButton = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    ReadButton = makeButton("BitBtn2", Texts.Read);
    ClearAndReadButton = makeButton("Button1", Texts.Read);
    ClearAndReadButton->hide();
    ZoomButton = makeButton("Button2", Texts.Zoom);
    ZoomButton->setCheckable(true);
    ZoomButton->setChecked(true);
    ClearButton = makeButton("Button3", Texts.Clear);
    buttons->addWidget(ReadButton);
    buttons->addWidget(ClearAndReadButton);
    buttons->addStretch(1);
    buttons->addWidget(ZoomButton);
    buttons->addWidget(ClearButton);
    layout->addLayout(buttons);

    if (plot_) {
        plot_->RangeChanged = [this](qreal from, qreal to) { AxisRangeChanged(from, to); };
        // A wider or narrower plot shows more or fewer columns.
        plot_->PlotResized = [this] {
            if (!showing_ && Columns() != shownWidth_) Show(shownFrom_, shownTo_);
        };
        plot_->SetRange(0, 1, kSignalMaximum);
    }

    connect(ReadButton, &QPushButton::clicked, this, &SignalChartWindow::ReadClick);
    connect(ClearAndReadButton, &QPushButton::clicked, this, &SignalChartWindow::ClearAndReadClick);
    connect(ZoomButton, &QPushButton::clicked, this, &SignalChartWindow::ZoomClick);
    connect(ClearButton, &QPushButton::clicked, this, &SignalChartWindow::ClearClick);
}

SignalChartWindow::~SignalChartWindow() = default;

void SignalChartWindow::ApplyTexts() {
    ReadButton->setText(Texts.Read);
    ClearAndReadButton->setText(Texts.Read);
    ZoomButton->setText(Texts.Zoom);
    ClearButton->setText(Texts.Clear);
}

void SignalChartWindow::ClearAndReadClick() {
    ClearPoints();
    emit ReadRequested();
}

void SignalChartWindow::ReadClick() {
    ClearAndReadButton->click();
}

void SignalChartWindow::ZoomClick() {
    const bool allowed = !ZoomAllowed();
    if (plot_) plot_->SetZoomAllowed(allowed);
    ZoomButton->setChecked(allowed);
    if (!allowed) {
        zoomed_ = false;
        ShowAll();
    }
}

void SignalChartWindow::ClearClick() {
    ClearPoints();
}

bool SignalChartWindow::ZoomAllowed() const {
    return plot_ && plot_->ZoomAllowed();
}

void SignalChartWindow::ClearPoints() {
    points_.clear();
    labels_.clear();
    flushed_ = 0;
    flushedLabels_ = 0;
    lastLabel_ = -1;
    maxValue_ = kSignalMaximum;
    zoomed_ = false;
    ShowAll();
}

void SignalChartWindow::AddSamples(std::span<const k6link::SignalSample> samples) {
    // No reserve here: reserving exactly the block's room would copy the whole list every block.
    for (const k6link::SignalSample& s : samples) {
        const qreal x = static_cast<qreal>(points_.size());
        points_.append(QPointF(x, s.value));
        maxValue_ = std::max<int>(maxValue_, s.value);
        // A label stands once, at the first of the points that carry it.
        if (s.label >= 0 && s.label != lastLabel_) {
            labels_.append({QString::number(s.label), x});
            lastLabel_ = s.label;
        }
    }
    ScheduleFlush();
}

void SignalChartWindow::ScheduleFlush() {
    if (flushScheduled_) return;
    flushScheduled_ = true;
    // At most a few chart updates a second however fast the blocks come.
    const qint64 sinceLast = lastFlush_.isValid() ? lastFlush_.elapsed() : kFlushInterval;
    QTimer::singleShot(static_cast<int>(std::max<qint64>(0, kFlushInterval - sinceLast)), this,
                       &SignalChartWindow::Flush);
}

void SignalChartWindow::Flush() {
    flushScheduled_ = false;
    lastFlush_.start();
    if (flushed_ == points_.size()) return;
    flushed_ = points_.size();
    if (zoomed_)
        Show(shownFrom_, shownTo_); // the span the user chose stays
    else
        ShowAll();
}

int SignalChartWindow::Columns() const {
    // Until the chart is laid out its plot area has no useful size.
    const qreal w = plot_ ? plot_->PlotWidth() : 0;
    if (!(w >= kMinimumColumns)) return kMinimumColumns;
    return static_cast<int>(std::min<qreal>(w, kMaximumColumns));
}

void SignalChartWindow::ShowAll() {
    Show(0, std::max<qreal>(1, static_cast<qreal>(points_.size() - 1)));
}

void SignalChartWindow::AxisRangeChanged(qreal from, qreal to) {
    if (showing_) return;
    // A zoom of the rubber band (or out again with the right button).
    zoomed_ = from > 0 || to < static_cast<qreal>(points_.size() - 1);
    Show(from, to);
}

void SignalChartWindow::Show(qreal from, qreal to) {
    if (!plot_) return;
    showing_ = true;
    const int width = Columns();
    plot_->SetRange(from, to, maxValue_);

    // The samples of the span and one beyond each end, so the line runs to the plot's edges.
    QList<QPointF> shown;
    const qsizetype n = points_.size();
    if (n > 0) {
        const qsizetype a = std::clamp<qsizetype>(static_cast<qsizetype>(std::floor(from)) - 1, 0, n - 1);
        const qsizetype b = std::clamp<qsizetype>(static_cast<qsizetype>(std::ceil(to)) + 1, 0, n - 1);
        const qsizetype count = b - a + 1;
        if (count <= kPointsPerColumn * width) {
            shown = points_.mid(a, count);
        } else {
            // The lowest and the highest sample of each pixel column, in their order.
            shown.reserve(2 * width);
            for (int c = 0; c < width; ++c) {
                const qsizetype lo = a + count * c / width, hi = a + count * (c + 1) / width;
                if (lo >= hi) continue;
                qsizetype minAt = lo, maxAt = lo;
                for (qsizetype i = lo + 1; i < hi; ++i) {
                    const qreal y = points_[i].y();
                    if (y < points_[minAt].y()) minAt = i;
                    if (y > points_[maxAt].y()) maxAt = i;
                }
                shown.append(points_[std::min(minAt, maxAt)]);
                if (minAt != maxAt) shown.append(points_[std::max(minAt, maxAt)]);
            }
        }
    }
    plot_->SetPoints(shown);

    // The labels of the span, every k-th when there are more than the axis has room for.
    const auto first =
        std::lower_bound(labels_.begin(), labels_.end(), from,
                         [](const std::pair<QString, qreal>& l, qreal x) { return l.second < x; });
    const auto last = std::upper_bound(
        first, labels_.end(), to, [](qreal x, const std::pair<QString, qreal>& l) { return x < l.second; });
    const qsizetype inSpan = last - first;
    const qsizetype room = std::max(1, width / kLabelSpacing);
    const qsizetype step = std::max<qsizetype>(1, (inSpan + room - 1) / room);
    QList<std::pair<QString, qreal>> shownLabels;
    for (auto it = first; it < last; it += std::min<qsizetype>(step, last - it))
        shownLabels.append(*it);
    plot_->SetLabels(from, shownLabels);

    shownFrom_ = from;
    shownTo_ = to;
    shownWidth_ = width;
    showing_ = false;
}

int SignalChartWindow::PointCount() const {
    return static_cast<int>(points_.size());
}

QList<QPointF> SignalChartWindow::Points() const {
    return points_;
}

QList<std::pair<QString, qreal>> SignalChartWindow::Labels() const {
    return labels_;
}

QList<QPointF> SignalChartWindow::ShownPoints() const {
    return plot_ ? plot_->Points() : QList<QPointF>();
}

QList<std::pair<QString, qreal>> SignalChartWindow::ShownLabels() const {
    return plot_ ? plot_->Labels() : QList<std::pair<QString, qreal>>();
}

} // namespace dalvex
