// The module of the on-demand parts (on_demand_parts.h): the signal-strength chart on Qt Charts, the
// sound device on Qt Multimedia and libsndfile, the voice files' functions of k6media on libsndfile
// and libsamplerate, and printing on Qt PrintSupport. Only dalvex_on_demand_parts() is exported.
#include "ui/on_demand_parts.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QMediaDevices>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QValueAxis>
#include <QLineSeries>
#include <memory>
#include <sndfile.h>
#include <vector>

namespace dalvex {

namespace {

// --- The signal-strength chart ---------------------------------------------------------------------

class ChartPlot final : public SignalPlot {
public:
    explicit ChartPlot(QWidget* parent) {
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
        yAxis_->setLabelFormat(QStringLiteral("%d"));
        chart_->addAxis(xAxis_, Qt::AlignBottom);
        chart_->addAxis(yAxis_, Qt::AlignLeft);
        series_->attachAxis(xAxis_);
        series_->attachAxis(yAxis_);
        view_ = new QChartView(chart_, parent);
        view_->setObjectName(QStringLiteral("Chart1"));
        view_->setRubberBand(QChartView::RectangleRubberBand);
        QObject::connect(xAxis_, &QValueAxis::rangeChanged, view_, [this](qreal from, qreal to) {
            if (!setting_ && RangeChanged) RangeChanged(from, to);
        });
        QObject::connect(chart_, &QChart::plotAreaChanged, view_, [this] {
            if (PlotResized) PlotResized();
        });
    }

    QWidget* View() override { return view_; }
    void SetZoomAllowed(bool allowed) override {
        view_->setRubberBand(allowed ? QChartView::RectangleRubberBand : QChartView::NoRubberBand);
    }
    bool ZoomAllowed() const override { return view_->rubberBand() != QChartView::NoRubberBand; }
    qreal PlotWidth() const override { return chart_->plotArea().width(); }
    void SetRange(qreal from, qreal to, int maxValue) override {
        setting_ = true;
        xAxis_->setRange(from, to);
        yAxis_->setRange(0, maxValue);
        setting_ = false;
    }
    void SetPoints(const QList<QPointF>& points) override { series_->replace(points); }
    void SetLabels(qreal start, const QList<std::pair<QString, qreal>>& labels) override {
        for (const QString& label : xAxis_->categoriesLabels())
            xAxis_->remove(label);
        xAxis_->setStartValue(start);
        for (const auto& [label, x] : labels)
            xAxis_->append(label, x);
    }
    QList<QPointF> Points() const override { return series_->points(); }
    QList<std::pair<QString, qreal>> Labels() const override {
        QList<std::pair<QString, qreal>> out;
        for (const QString& label : xAxis_->categoriesLabels())
            out.append({label, xAxis_->endValue(label)});
        return out;
    }

private:
    QChart* chart_ = nullptr;
    QChartView* view_ = nullptr; // owned by the window, and owns the chart
    QLineSeries* series_ = nullptr;
    QCategoryAxis* xAxis_ = nullptr;
    QValueAxis* yAxis_ = nullptr;
    bool setting_ = false;
};

// --- The sound device --------------------------------------------------------------------------------

// Made only where a sound server runs (the program checks before it asks for one), so Qt's
// device lists come from that server.
class SystemSoundDevice final : public QObject, public SoundDevice {
public:
    ~SystemSoundDevice() override {
        StopPlayback();
        StopRecording();
    }

    bool CanPlay() const override {
        return !QMediaDevices::defaultAudioOutput().isNull();
    }
    bool CanRecord() const override {
        return !QMediaDevices::defaultAudioInput().isNull();
    }

    bool Play(const QString& path, QString* error) override {
        StopPlayback();
        SF_INFO info{};
        SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        if (!f) {
            if (error) *error = QString::fromLocal8Bit(sf_strerror(nullptr));
            return false;
        }
        std::vector<short> frames(static_cast<std::size_t>(info.frames * info.channels));
        const sf_count_t got = sf_readf_short(f, frames.data(), info.frames);
        sf_close(f);
        QAudioFormat format;
        format.setSampleRate(info.samplerate);
        format.setChannelCount(info.channels);
        format.setSampleFormat(QAudioFormat::Int16);
        const QAudioDevice device = CanPlay() ? QMediaDevices::defaultAudioOutput() : QAudioDevice();
        if (device.isNull() || !device.isFormatSupported(format)) {
            if (error) *error = QStringLiteral("%1 Hz, %2").arg(info.samplerate).arg(info.channels);
            return false;
        }
        playData_ = QByteArray(reinterpret_cast<const char*>(frames.data()),
                               static_cast<qsizetype>(got * info.channels * sizeof(short)));
        playBuffer_ = std::make_unique<QBuffer>(&playData_);
        playBuffer_->open(QIODevice::ReadOnly);
        sink_ = std::make_unique<QAudioSink>(device, format);
        connect(sink_.get(), &QAudioSink::stateChanged, this, [this](QAudio::State s) {
            if (s == QAudio::IdleState) {
                StopPlayback();
                if (PlaybackFinished) PlaybackFinished();
            }
        });
        sink_->start(playBuffer_.get());
        return true;
    }

    void StopPlayback() override {
        if (sink_) {
            sink_->disconnect(this);
            sink_->stop();
            // Deleting the sink from inside its own state signal is not allowed. Owned by this
            // object meanwhile, so a sink whose deferred deletion never comes (the program ends
            // first) goes with it.
            QAudioSink* sink = sink_.release();
            sink->setParent(this);
            sink->deleteLater();
        }
        playBuffer_.reset();
    }

    bool StartRecording(QString* error) override {
        StopRecording();
        QAudioFormat format;
        format.setSampleRate(k6media::kModuleRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::UInt8);
        const QAudioDevice device = CanRecord() ? QMediaDevices::defaultAudioInput() : QAudioDevice();
        if (device.isNull() || !device.isFormatSupported(format)) {
            if (error) *error = device.description();
            return false;
        }
        recorded_.clear();
        recordBuffer_ = std::make_unique<QBuffer>(&recorded_);
        recordBuffer_->open(QIODevice::WriteOnly);
        source_ = std::make_unique<QAudioSource>(device, format);
        source_->start(recordBuffer_.get());
        return true;
    }

    QByteArray StopRecording() override {
        if (!source_) return {};
        source_->stop();
        source_.reset();
        recordBuffer_.reset();
        return std::exchange(recorded_, {});
    }

private:
    QByteArray playData_;
    std::unique_ptr<QBuffer> playBuffer_;
    std::unique_ptr<QAudioSink> sink_;
    QByteArray recorded_;
    std::unique_ptr<QBuffer> recordBuffer_;
    std::unique_ptr<QAudioSource> source_;
};


// --- Printing -------------------------------------------------------------------------------------------

bool Print(QWidget* parent, const QPageSize& pageSize, const QString& documentName,
           const std::function<bool(QPrinter&)>& chooseHook, const std::function<bool(QPagedPaintDevice&)>& paint,
           bool* painted, QString* printerName) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(pageSize);
    printer.setDocName(documentName);
    if (chooseHook) {
        if (!chooseHook(printer)) return false;
    } else {
        QPrintDialog dialog(&printer, parent);
        if (dialog.exec() != QDialog::Accepted) return false;
    }
    *painted = paint(printer);
    *printerName = printer.printerName();
    return true;
}

const OnDemandParts kParts = {
    kPartsVersion,
    [](QWidget* parent) -> SignalPlot* { return new ChartPlot(parent); },
    []() -> SoundDevice* { return new SystemSoundDevice; },
    k6media::ReadWavFormat,
    k6media::DescribeWavFormat,
    k6media::ConvertToModuleFormat,
    k6media::WriteModuleWav,
    Print,
};

} // namespace

} // namespace dalvex

extern "C" __attribute__((visibility("default"))) const dalvex::OnDemandParts* dalvex_on_demand_parts() {
    return &dalvex::kParts;
}
