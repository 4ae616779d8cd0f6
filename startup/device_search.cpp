#include "device_search.h"

#include "i18n/module_models.h"

#include "serial/com_names.h"

namespace dalvex {

namespace {
constexpr int kProbesPerPhase = 5;
constexpr int kLastSearchedPort = 64;
constexpr int kSilentTicksAfterReply = 3;
} // namespace

void DeviceSearch::SendTick() {
    if (SearchState == Stopped) {
        if (PortReleased) return;
        host_.ClosePort(); // closed before the flag lets another window open it
        PortReleased = true;
    } else if (PortReleased) {
        PortReleased = false;
        host_.OpenPort();
    }
    if ((SearchState == Identify || SearchState == Alternate) && !WatchPort()) return;
    if (ReplyDelay > 0) {
        --ReplyDelay;
        return;
    }
    SendStep();
}

bool DeviceSearch::WatchPort() {
    if (host_.PortLost()) {
        host_.ClosePort();
        rx_.reset();
        ClosedTicks = 0;
        ReplyDelay = 0;
        ModuleCode = 0;
        host_.ModuleWithdrawn();
        return false;
    }
    if (host_.PortIsOpen()) {
        ClosedTicks = 0;
        return true;
    }
    if (++ClosedTicks < kReopenTicks) return false;
    ClosedTicks = 0;
    ReplyDelay = 0;
    SearchState = ReopenPort;
    return true;
}

void DeviceSearch::Send(const SixByteFrame& frame) {
    rx_.reset(); // a partly received earlier reply is dropped
    host_.WriteFrame(frame);
}

void DeviceSearch::OpenSavedPort() {
    QString name = host_.ReadSetting(QStringLiteral("comport"));
    if (name.isEmpty()) name = QStringLiteral("COM1");
    host_.SetPortName(name.toStdString());
    host_.OpenPort();
}

void DeviceSearch::SendStep() {
    switch (SearchState) {
    case Identify:
    case Alternate:
        if (++ProbeCount == kProbesPerPhase) {
            ProbeCount = 0;
            SearchState = SearchState == Identify ? Alternate : Identify;
        } else {
            Send(SearchState == Identify ? kIdentificationProbe : kAlternateProbe);
        }
        break;
    case ClosePortState:
        host_.ClosePort();
        SearchState = ReopenPort;
        break;
    case ReopenPort:
        OpenSavedPort();
        SearchState = Identify;
        ProbeCount = 0;
        break;
    case NextPort:
        SearchState = ProbePort;
        host_.SetPortName(comPortName(PortNumber));
        host_.OpenPort();
        break;
    case ProbePort:
        SearchState = JudgePort;
        Send(kIdentificationProbe);
        break;
    case JudgePort:
        SearchState = NextPort;
        host_.ClosePort();
        if (PortFound) {
            SearchState = ClosePortState;
            const int position = PortNumber - 1;
            host_.SelectPortPosition(position);
            host_.WriteSetting(QStringLiteral("comport"), QString::fromStdString(comPortName(position + 1)));
            host_.EnableAutoSearchButton();
        } else if (++PortNumber > kLastSearchedPort) {
            PortNumber = 1;
        }
        break;
    default:
        break;
    }
}

void DeviceSearch::ReceiveBytes(std::span<const std::uint8_t> bytes) {
    if (rx_.receive(bytes) == SixByteReceiver::Result::Valid) HandleReply(rx_.frame());
}

void DeviceSearch::HandleReply(const SixByteFrame& reply) {
    ReplyDelay = kSilentTicksAfterReply;
    const int d = reply.data();
    if (SearchState == Identify) {
        ModuleCode = d;
        const bool all = DeviceSetting == QLatin1String("ALL");
        const QString other = QStringLiteral("Other module!");
        if (all && ModuleCode == 71) {
            ModuleCode = 72;
            host_.SetModuleLabel(other);
        }
        if (const ModuleModel* model = FindModel(ModuleCode)) {
            // "Other module!" stays for a module taken as the main model under "ALL".
            const bool keepOther = ModuleCode == 72 && all && host_.ModuleLabel() == other;
            if (!keepOther)
                host_.SetModuleLabel(model->searchLabel ? QString::fromLatin1(model->searchLabel)
                                                        : names_.*(model->name));
        }
        if (IsSupported(ModuleCode)) host_.ModuleIdentified();
    } else if (SearchState == ProbePort || SearchState == JudgePort) {
        if (d > 10 && d < 254) PortFound = true;
    }
}

void DeviceSearch::ChoosePort(int position) {
    host_.WriteSetting(QStringLiteral("comport"), QString::fromStdString(comPortName(position + 1)));
    SearchState = ClosePortState;
    host_.EnableIndicator();
    host_.EnableAutoSearchButton();
}

void DeviceSearch::StartAutoSearch() {
    SearchState = NextPort;
    host_.EnableIndicator();
    PortNumber = 1;
    PortFound = false;
}

std::optional<QString> SearchIndicator::Tick(const QString& label, int searchState, int portNumber) {
    if (dots_ == 0) {
        if (label.isEmpty() || label == QLatin1String("???")) return std::nullopt;
        word_ = label;
    }
    QString text;
    const QString dots(dots_, QLatin1Char('.'));
    const bool searching = searchState == DeviceSearch::NextPort || searchState == DeviceSearch::ProbePort ||
                           searchState == DeviceSearch::JudgePort;
    if (searching)
        text = word_ + QLatin1Char(' ') + QString::number(portNumber) + dots;
    else if (dots_ > 0)
        text = word_ + dots;
    dots_ = dots_ == 5 ? 1 : dots_ + 1;
    return text;
}

} // namespace dalvex
