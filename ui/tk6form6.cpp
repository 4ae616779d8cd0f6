#include "tk6form6.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

namespace dalvex {

namespace {
constexpr int kSignalMaximum = 31;
}

TK6Form6::TK6Form6(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TK6Form6"));
    setWindowTitle(QStringLiteral("Térerő"));
    resize(900, 520);
    auto* layout = new QVBoxLayout(this);

    Label1 = new QLabel(windowTitle(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont title = Label1->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.3);
    Label1->setFont(title);
    layout->addWidget(Label1);

    chart_ = new QChart;
    chart_->legend()->hide();
    series_ = new QLineSeries(chart_);
    series_->setObjectName(QStringLiteral("Series1"));
    chart_->addSeries(series_);
    xAxis_ = new QCategoryAxis(chart_);
    // Each label stands at the point that carries it.
    xAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    xAxis_->setRange(0, 1);
    yAxis_ = new QValueAxis(chart_);
    yAxis_->setRange(0, kSignalMaximum);
    yAxis_->setLabelFormat(QStringLiteral("%d"));
    chart_->addAxis(xAxis_, Qt::AlignBottom);
    chart_->addAxis(yAxis_, Qt::AlignLeft);
    series_->attachAxis(xAxis_);
    series_->attachAxis(yAxis_);

    Chart1 = new QChartView(chart_, this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setRubberBand(QChartView::RectangleRubberBand);
    layout->addWidget(Chart1, 1);

    auto* buttons = new QHBoxLayout;
    auto makeButton = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    BitBtn2 = makeButton("BitBtn2", Texts.Read);
    Button1 = makeButton("Button1", Texts.Read);
    Button1->hide();
    Button2 = makeButton("Button2", Texts.Zoom);
    Button2->setCheckable(true);
    Button2->setChecked(true);
    Button3 = makeButton("Button3", Texts.Clear);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    layout->addLayout(buttons);

    connect(BitBtn2, &QPushButton::clicked, this, &TK6Form6::BitBtn2Click);
    connect(Button1, &QPushButton::clicked, this, &TK6Form6::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TK6Form6::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TK6Form6::Button3Click);
}

void TK6Form6::Button1Click() {
    ClearPoints();
    emit ReadRequested();
}

void TK6Form6::BitBtn2Click() {
    Button1->click();
}

void TK6Form6::Button2Click() {
    const bool allowed = !ZoomAllowed();
    Chart1->setRubberBand(allowed ? QChartView::RectangleRubberBand : QChartView::NoRubberBand);
    Button2->setChecked(allowed);
    if (!allowed) chart_->zoomReset();
}

void TK6Form6::Button3Click() {
    ClearPoints();
}

bool TK6Form6::ZoomAllowed() const {
    return Chart1->rubberBand() != QChartView::NoRubberBand;
}

void TK6Form6::ClearPoints() {
    pending_.clear();
    pendingLabels_.clear();
    points_ = 0;
    lastLabel_ = -1;
    maxValue_ = kSignalMaximum;
    series_->clear();
    for (const QString& label : xAxis_->categoriesLabels())
        xAxis_->remove(label);
    chart_->zoomReset();
    xAxis_->setRange(0, 1);
    yAxis_->setRange(0, kSignalMaximum);
}

void TK6Form6::AddSamples(std::span<const k6link::SignalSample> samples) {
    pending_.reserve(pending_.size() + static_cast<qsizetype>(samples.size()));
    for (const k6link::SignalSample& s : samples) {
        const qreal x = static_cast<qreal>(points_++);
        pending_.append(QPointF(x, s.value));
        maxValue_ = std::max<int>(maxValue_, s.value);
        // A label stands once, at the first of the points that carry it.
        if (s.label >= 0 && s.label != lastLabel_) {
            pendingLabels_.append({QString::number(s.label), x});
            lastLabel_ = s.label;
        }
    }
    ScheduleFlush();
}

void TK6Form6::ScheduleFlush() {
    if (flushScheduled_) return;
    flushScheduled_ = true;
    QTimer::singleShot(0, this, &TK6Form6::Flush);
}

void TK6Form6::Flush() {
    flushScheduled_ = false;
    if (pending_.isEmpty()) return;
    for (const auto& [label, x] : pendingLabels_)
        xAxis_->append(label, x);
    pendingLabels_.clear();
    series_->append(pending_);
    pending_.clear();
    xAxis_->setRange(0, std::max<qreal>(1, static_cast<qreal>(points_ - 1)));
    yAxis_->setRange(0, maxValue_);
}

int TK6Form6::PointCount() const {
    return static_cast<int>(series_->count());
}

QList<QPointF> TK6Form6::Points() const {
    return series_->points();
}

QList<std::pair<QString, qreal>> TK6Form6::Labels() const {
    QList<std::pair<QString, qreal>> out;
    for (const QString& label : xAxis_->categoriesLabels())
        out.append({label, xAxis_->endValue(label)});
    return out;
}

} // namespace dalvex
