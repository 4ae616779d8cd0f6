#pragma once
// The engine's port on the real serial component, keeping count of what crosses it: the
// commands written and the bytes read (with how many reads brought them).

#include "k6link/port.h"
#include "serial/async32.h"

#include <cstdint>
#include <vector>

namespace dalvex::test {

class CountingPort final : public k6link::Port {
public:
    explicit CountingPort(TAsynComm32& comm)
        : inner_(comm) {}
    void SetDeviceName(const std::string& name) override { inner_.SetDeviceName(name); }
    void Open() override { inner_.Open(); }
    void Close() override { inner_.Close(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    bool Lost() const override { return inner_.Lost(); }
    int Write(const void* buffer, int count) override {
        ++writes;
        return inner_.Write(buffer, count);
    }
    int Read(void* buffer, int count) override {
        const int n = inner_.Read(buffer, count);
        if (n > 0) {
            const auto* b = static_cast<const std::uint8_t*>(buffer);
            received.insert(received.end(), b, b + n);
            ++readEvents;
        }
        return n;
    }

    int writes = 0;
    int readEvents = 0;
    std::vector<std::uint8_t> received;

private:
    k6link::AsynCommPort inner_;
};

} // namespace dalvex::test
