#pragma once
// async32: the serial port component. It opens one COM device exclusively with a set of line
// settings, runs a reader thread that waits for line events, and raises those events on the
// thread that owns the component (the user-interface thread), above all OnRxChar with the number of
// received bytes waiting. Writes are fire-and-forget. The component knows nothing of frames.
//
// The reader hands each event to the owner thread and waits until it has been handled, so handlers
// run one at a time and need no locks. Close() never deadlocks against that hand-over: it may be
// called from a timer, from inside a handler, or while bytes are arriving, and once it returns no
// handler of the closed port runs again.

#include "async32_types.h"
#include "line_control.h"

#include <QObject>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace dalvex {

class SerialTrace;
class TC32Thread;
struct ReaderLink;

class TCustomAsynComm32 : public QObject {
    Q_OBJECT
public:
    explicit TCustomAsynComm32(QObject* parent = nullptr);
    ~TCustomAsynComm32() override;
    TCustomAsynComm32(const TCustomAsynComm32&) = delete;
    TCustomAsynComm32& operator=(const TCustomAsynComm32&) = delete;

    // Closes the port if open, opens DeviceName with the current settings and starts the reader.
    // The outcome is reported only through OnOpen and IsOpen().
    void Open();
    // Stops the reader, closes the device. Harmless when closed.
    void Close();
    bool IsOpen() const { return FHandle >= 0; }
    // The open port's device has gone (an adapter pulled out): the reader has ended, writes are
    // refused, and OnError has been raised with CE_IOE. Stays set until Close() or Open().
    bool Lost() const;

    // Starts writing Count bytes. Returns Count when they went out at once; 0 when the write is
    // still in progress, or when the previous write still was and these bytes were dropped; 1 on
    // any other failure (including a closed port).
    int Write(const void* Buffer, int Count);
    // Copies up to Count bytes that are already waiting into Buffer; returns how many it copied.
    int Read(void* Buffer, int Count);

    // Event handlers; an unassigned handler is skipped.
    TC32OpenEvent OnOpen;
    TNotifyEvent OnBreak;
    TNotifyEvent OnCTS;
    TNotifyEvent OnDSR;
    TC32ErrorEvent OnError;
    TNotifyEvent OnRing;
    TNotifyEvent OnRLSD;
    TC32RxCharEvent OnRxChar;
    TNotifyEvent OnRxFlag;
    TNotifyEvent OnTxEmpty;

    // The errno value of the last failed platform operation of Open (0 after a good open).
    int LastError() const { return FLastError; }

    // Records the port's traffic and events into `trace` from now on; nullptr stops recording.
    void SetTrace(std::shared_ptr<SerialTrace> trace) { FTrace = std::move(trace); }
    const std::shared_ptr<SerialTrace>& Trace() const { return FTrace; }

protected:
    // Raises the handler of one event type.
    virtual void DoEvent(TC32EventType Event);
    // Raises OnOpen.
    virtual void DoOpen(std::uint32_t ProviderSubType, int Error);

    // Applies one line setting to the open device; a closed port only keeps the property.
    void ApplySetting(line::Field which);

    // Property fields, with their defaults.
    std::string FDeviceName = "COM2";
    line::LineSettings FLine; // BaudRate, Parity, Stopbits, Databits, FlowControl, Xon/Xoff, Options
    TC32EventState FMonitorEvents = kAllEvents;
    std::uint32_t FReadBufferSize = 4096;
    std::uint32_t FWriteBufferSize = 2048;

private:
    friend class TC32Thread;
    // Runs on the owner thread for each event the reader hands over.
    void Dispatch(TC32EventState Events, std::uint32_t Errors);
    void HandOver(const std::shared_ptr<ReaderLink>& link, TC32EventState Events, std::uint32_t Errors);

    int FHandle = -1;
    int FLastError = 0;
    bool FLost = false; // a write found the device gone
    std::uint32_t FLastErrors = 0;
    int FInQueue = 0;  // line status: bytes waiting in the input queue
    int FOutQueue = 0; // line status: bytes in the output queue
    std::unique_ptr<TC32Thread> FThread;
    std::shared_ptr<ReaderLink> FLink; // shared with the reader and with queued hand-overs
    std::shared_ptr<SerialTrace> FTrace;
    void TraceLine(const std::string& what);
};

// The component with its published properties. Setting a line property on an open port changes
// the line at once, without reopening; DeviceName takes effect at the next Open.
class TAsynComm32 : public TCustomAsynComm32 {
    Q_OBJECT
public:
    using TCustomAsynComm32::TCustomAsynComm32;

    const std::string& DeviceName() const { return FDeviceName; }
    void SetDeviceName(const std::string& v) { FDeviceName = v; }
    TBaudRate BaudRate() const { return FLine.baudRate; }
    void SetBaudRate(TBaudRate v);
    TParity Parity() const { return FLine.parity; }
    void SetParity(TParity v);
    TStopbits Stopbits() const { return FLine.stopbits; }
    void SetStopbits(TStopbits v);
    TDatabits Databits() const { return FLine.databits; }
    void SetDatabits(TDatabits v);
    TFlowControl FlowControl() const { return FLine.flowControl; }
    void SetFlowControl(TFlowControl v);
    std::uint8_t XonChar() const { return FLine.xonChar; }
    void SetXonChar(std::uint8_t v);
    std::uint8_t XoffChar() const { return FLine.xoffChar; }
    void SetXoffChar(std::uint8_t v);
    TAsynComm32Options Options() const { return FLine.options; }
    void SetOptions(TAsynComm32Options v);
    // The events the reader waits for; a change takes effect at the next Open.
    TC32EventState MonitorEvents() const { return FMonitorEvents; }
    void SetMonitorEvents(TC32EventState v) { FMonitorEvents = v; }
    // Queue sizes. Linux sizes its tty queues itself; the values are kept for completeness.
    std::uint32_t ReadBufferSize() const { return FReadBufferSize; }
    void SetReadBufferSize(std::uint32_t v) { FReadBufferSize = v; }
    std::uint32_t WriteBufferSize() const { return FWriteBufferSize; }
    void SetWriteBufferSize(std::uint32_t v) { FWriteBufferSize = v; }
};

} // namespace dalvex
