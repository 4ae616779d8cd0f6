#pragma once
// The parts of the windows that need libraries nothing else needs: the signal-strength chart (Qt
// Charts), the sound device (Qt Multimedia, libsndfile), the voice files' conversion (libsndfile,
// libsamplerate) and printing (Qt PrintSupport). They live in a module of their own
// (ui/parts/, libdalvex-parts.so), loaded the first time one of them is used, so that the start
// window's process maps none of those libraries. The module is installed beside the program's
// library folder (LIBDIR/dalvex/); in the build tree the programs find it through their run path.

#include "k6media/wav_check.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <functional>
#include <optional>
#include <span>
#include <utility>

class QWidget;
class QPageSize;
class QPagedPaintDevice;
class QPrinter;

namespace dalvex {

// A line chart of signal-strength samples: a line of points, an x axis with labels at given
// places and a y axis from 0, with the rubber band to zoom in.
class SignalPlot {
public:
    virtual ~SignalPlot() = default;
    // The chart's widget (objectName "Chart1"), a child of the window that asked for it.
    virtual QWidget* View() = 0;
    virtual void SetZoomAllowed(bool allowed) = 0;
    virtual bool ZoomAllowed() const = 0;
    // The plot area's width in pixels; 0 until laid out.
    virtual qreal PlotWidth() const = 0;
    // The span of the x axis and the top of the y axis.
    virtual void SetRange(qreal from, qreal to, int maxValue) = 0;
    virtual void SetPoints(const QList<QPointF>& points) = 0;
    // The x axis' labels, each at its x, counted from `start`.
    virtual void SetLabels(qreal start, const QList<std::pair<QString, qreal>>& labels) = 0;
    virtual QList<QPointF> Points() const = 0;
    virtual QList<std::pair<QString, qreal>> Labels() const = 0;

    // The user zoomed with the rubber band (or back out): the x axis' new span.
    std::function<void(qreal from, qreal to)> RangeChanged;
    // The plot area changed its size.
    std::function<void()> PlotResized;
};

// The machine's sound device (see voice_audio.h, whose system device forwards to this one).
class SoundDevice {
public:
    virtual ~SoundDevice() = default;
    virtual bool CanPlay() const = 0;
    virtual bool CanRecord() const = 0;
    virtual bool Play(const QString& path, QString* error) = 0;
    virtual void StopPlayback() = 0;
    virtual bool StartRecording(QString* error) = 0;
    virtual QByteArray StopRecording() = 0;
    // A playback reached the end of its file.
    std::function<void()> PlaybackFinished;
};

// What the module hands out; kPartsVersion tells a module of another build from this one.
inline constexpr int kPartsVersion = 1;
struct OnDemandParts {
    int version;
    SignalPlot* (*MakeSignalPlot)(QWidget* parent);
    SoundDevice* (*MakeSoundDevice)();
    // k6media's functions of the same names (wav_check.h).
    std::optional<k6media::WavFormat> (*ReadWavFormat)(const QString& path, QString* error);
    QString (*DescribeWavFormat)(const k6media::WavFormat& format, const k6media::VoiceTexts& texts);
    bool (*ConvertToModuleFormat)(const QString& source, const QString& target, QString* error);
    bool (*WriteModuleWav)(const QString& path, std::span<const std::uint8_t> samples, QString* error);
    // Prints `paint` on a printer the user chooses (with `chooseHook` when set, else the print
    // dialog); false when the user cancelled, else whether painting succeeded in `*painted` and the
    // printer's name.
    bool (*Print)(QWidget* parent, const QPageSize& pageSize, const QString& documentName,
                  const std::function<bool(QPrinter&)>& chooseHook,
                  const std::function<bool(QPagedPaintDevice&)>& paint, bool* painted, QString* printerName);
};

// The module's parts, loaded on the first call; nullptr, with the reason in `*error`, when the
// module cannot be loaded.
const OnDemandParts* LoadOnDemandParts(QString* error = nullptr);

} // namespace dalvex
