#pragma once
// The engine's serial port: what it needs from the port component and nothing more. The K6 window
// hands the engine its TAsynComm32 through AsynCommPort; tests may hand it a port of their own.
// The port's received-bytes event is wired by the owner to Engine::AsynComm321RxChar.

#include <string>

namespace dalvex {
class TAsynComm32;
}

namespace dalvex::k6link {

class Port {
public:
    virtual ~Port() = default;
    // Takes effect at the next Open.
    virtual void SetDeviceName(const std::string& name) = 0;
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // The open port's device has gone (an adapter pulled out); cleared by Close and Open.
    virtual bool Lost() const = 0;
    // As TAsynComm32::Write and Read.
    virtual int Write(const void* buffer, int count) = 0;
    virtual int Read(void* buffer, int count) = 0;
};

// The port on the serial component. Owners that watch or count the traffic derive from it and
// override what they watch, calling through to it.
class AsynCommPort : public Port {
public:
    explicit AsynCommPort(TAsynComm32& comm)
        : comm_(comm) {}

    void SetDeviceName(const std::string& name) override;
    void Open() override;
    void Close() override;
    bool IsOpen() const override;
    bool Lost() const override;
    int Write(const void* buffer, int count) override;
    int Read(void* buffer, int count) override;

private:
    TAsynComm32& comm_;
};

} // namespace dalvex::k6link
