#include "serial_trace_switch.h"

#include "forms.h"
#include "k6link/frame_names.h"
#include "serial/async32.h"
#include "serial/settings.h"
#include "start_window.h"
#include "config_window.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QUrl>
#include <chrono>

namespace dalvex {

namespace {

std::string NameChunk(SerialTrace::Direction d, std::span<const std::uint8_t> bytes) {
    return d == SerialTrace::Direction::Out ? k6link::DescribeCommand(bytes) : k6link::DescribeReply(bytes);
}

} // namespace

SerialTraceSwitch::SerialTraceSwitch(ConfigWindow& window)
    : QObject(&window)
    , Folder(DefaultTraceFolder())
    , w_(window) {
    auto* menu = window.findChild<QMenu*>(QStringLiteral("Belltsok1"));
    if (menu) {
        menu->addSeparator();
        TraceItem = menu->addAction(Texts.MenuItem);
        TraceItem->setObjectName(QStringLiteral("SorosForgalom1"));
        TraceItem->setCheckable(true);
        connect(TraceItem, &QAction::triggered, this, [this](bool on) { SetTracing(on); });
        FolderItem = menu->addAction(Texts.OpenFolder);
        FolderItem->setObjectName(QStringLiteral("NaploMappa1"));
        connect(FolderItem, &QAction::triggered, this, &SerialTraceSwitch::OpenFolder);
    }
    if (ReadSetting(window.RegKey, QString::fromLatin1(kSetting)) == QLatin1String("1")) SetTracing(true);
}

// The ports keep the trace they have until they are gone; the window's port is destroyed before
// this object, so it is not touched here.
SerialTraceSwitch::~SerialTraceSwitch() = default;

bool SerialTraceSwitch::Tracing() const {
    return trace_ && trace_->Running();
}

bool SerialTraceSwitch::SetTracing(bool on) {
    if (trace_) {
        Attach(nullptr);
        trace_->Stop();
        trace_.reset();
    }
    if (on) {
        QString port = ReadSetting(w_.RegKey, QStringLiteral("comport"));
        if (port.isEmpty()) port = QStringLiteral("COM1");
        auto trace = std::make_shared<SerialTrace>();
        trace->SetNamer(NameChunk);
        const auto file = Folder / TraceFileName(port.toStdString(), std::chrono::system_clock::now());
        if (trace->Start(file)) {
            trace_ = trace;
            Attach(trace_);
            w_.SetStatusPanel(3, Texts.Started + QString::fromStdString(file.string()));
        } else {
            const QString why = Texts.Failed + QString::fromStdString(trace->error());
            w_.SetStatusPanel(3, why);
            if (ConfigWindow::MessageBoxHook)
                ConfigWindow::MessageBoxHook(why, QMessageBox::Ok);
            else
                QMessageBox::warning(&w_, w_.ToolName, why);
            on = false;
        }
    }
    if (TraceItem) TraceItem->setChecked(on);
    WriteSetting(w_.RegKey, QString::fromLatin1(kSetting), on ? QStringLiteral("1") : QStringLiteral("0"));
    return on;
}

void SerialTraceSwitch::Attach(const std::shared_ptr<SerialTrace>& trace) {
    w_.SerialPort->SetTrace(trace);
    if (startWindow && startWindow->SerialPort) startWindow->SerialPort->SetTrace(trace);
}

void SerialTraceSwitch::OpenFolder() {
    std::error_code ec;
    std::filesystem::create_directories(Folder, ec);
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(Folder.string())));
}

void SerialTraceSwitch::ApplyTexts() {
    if (TraceItem) TraceItem->setText(Texts.MenuItem);
    if (FolderItem) FolderItem->setText(Texts.OpenFolder);
}

} // namespace dalvex
