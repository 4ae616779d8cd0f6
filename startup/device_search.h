#pragma once
// The start window's module search, without widgets: the send tick, the reply handling, the port
// choice and the automatic port search. The start window drives it from its timers and its port's
// received-bytes handler, and shows what it asks for through SearchHost.

#include "i18n/module_models.h"
#include "i18n/product_variant.h"
#include "six_byte_frame.h"

#include <QString>
#include <optional>
#include <span>
#include <string>

namespace dalvex {

// Display names of the four models: the product variant's brand fields (the model table says
// which is whose).
using ModelNames = BrandFields;

// What the search needs from the start window.
class SearchHost {
public:
    virtual ~SearchHost() = default;
    virtual void SetPortName(const std::string& deviceName) = 0;
    virtual void OpenPort() = 0;
    virtual void ClosePort() = 0;
    virtual void WriteFrame(const SixByteFrame& frame) = 0;
    virtual QString ReadSetting(const QString& name) = 0;
    virtual void WriteSetting(const QString& name, const QString& value) = 0;
    virtual void SelectPortPosition(int position) = 0; // port list position, port n at n-1
    virtual void EnableAutoSearchButton() = 0;
    virtual QString ModuleLabel() = 0; // what the start window shows of the module found
    virtual void SetModuleLabel(const QString& text) = 0;
    // A supported module answered: stop the indicator, enable "Indít", disable the try-out buttons.
    virtual void ModuleIdentified() = 0;
    virtual void EnableIndicator() = 0;
    // The port as it stands: open, and whether its device has gone since it was opened.
    virtual bool PortIsOpen() = 0;
    virtual bool PortLost() = 0;
    // The port's device has gone: the module shown is no longer there. Withdraw it and "Indít",
    // run the indicator again and say that the port was lost.
    virtual void ModuleWithdrawn() = 0;
};

class DeviceSearch {
public:
    enum State : int {
        Stopped = 0,
        Identify = 10,
        Alternate = 11,
        ClosePortState = 20,
        ReopenPort = 21,
        NextPort = 50,
        ProbePort = 51,
        JudgePort = 52,
    };

    DeviceSearch(SearchHost& host, ModelNames names)
        : host_(host)
        , names_(std::move(names)) {}

    // One send tick. In the stopped state the first tick closes the port and releases it to
    // another window; later ones do nothing until a new state reopens it.
    // While identifying, a port whose device has gone is closed and the module withdrawn, and a
    // port that is not open is opened again every kReopenTicks ticks, so an adapter plugged back
    // in (or another module on it) is found without the technician doing anything.
    void SendTick();
    // Bytes received on the port: framed, checked, and a valid reply handled.
    void ReceiveBytes(std::span<const std::uint8_t> bytes);
    // A checked reply.
    void HandleReply(const SixByteFrame& reply);

    void ChoosePort(int position); // a port chosen from the list (position 0 = COM1)
    void StartAutoSearch();
    // "Indít": true when the answered code is one that can be handed over.
    bool CanStart() const { return IsSupported(ModuleCode); }
    static bool IsSupported(int code) { return FindModel(code) != nullptr; }

    void SetDeviceSetting(const QString& device) { DeviceSetting = device; }
    void SetModelNames(ModelNames names) { names_ = std::move(names); }

    // Window fields, named as the start window names them.
    int SearchState = Stopped;
    int ModuleCode = 0;
    bool PortReleased = false;
    int ReplyDelay = 0;
    int ProbeCount = 0;
    int PortNumber = 1;
    bool PortFound = false;
    int ClosedTicks = 0; // ticks spent identifying on a port that is not open
    static constexpr int kReopenTicks = 6;
    QString DeviceSetting;

    const SixByteReceiver& receiver() const { return rx_; }

private:
    void SendStep();
    void Send(const SixByteFrame& frame);
    void OpenSavedPort();
    // False when nothing is to be sent this tick: the port is closed or has just been lost.
    bool WatchPort();

    SearchHost& host_;
    ModelNames names_;
    SixByteReceiver rx_;
};

// The search indicator of the start window: the search word followed by one to five dots, and
// during the automatic search the word, the port under test and the dots.
class SearchIndicator {
public:
    // One tick. `label` is the current text of the module label; returns the text to show, or
    // nothing when the word has not been set yet.
    std::optional<QString> Tick(const QString& label, int searchState, int portNumber);
    // The word is captured again at the next tick (after a language change).
    void Restart() { dots_ = 0; }
    int dots() const { return dots_; }

private:
    int dots_ = 0;
    QString word_;
};

} // namespace dalvex
