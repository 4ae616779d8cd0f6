#pragma once
// A port that keeps count of what crosses another port: opens, the commands written (also those
// asked for while the device had gone), the bytes received and how many reads brought them. It
// sits between the engine and the port it really talks to (the serial component, or the
// in-process line of sim_port.h); a timing program may watch each write and read as well.

#include "k6link/port.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dalvex::test {

class CountingPort final : public k6link::Port {
public:
    explicit CountingPort(k6link::Port& inner)
        : inner_(inner) {}

    void SetDeviceName(const std::string& name) override { inner_.SetDeviceName(name); }
    void Open() override {
        ++opens;
        inner_.Open();
    }
    void Close() override { inner_.Close(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    bool Lost() const override { return inner_.Lost(); }
    int Write(const void* buffer, int count) override {
        ++writes;
        if (inner_.Lost()) ++writesWhileLost;
        if (onWrite) onWrite(buffer, count);
        return inner_.Write(buffer, count);
    }
    int Read(void* buffer, int count) override {
        const int n = inner_.Read(buffer, count);
        if (n > 0) {
            const auto* b = static_cast<const std::uint8_t*>(buffer);
            received.insert(received.end(), b, b + n);
            ++readEvents;
            if (onRead) onRead(n);
        }
        return n;
    }

    k6link::Port& inner() { return inner_; }

    int opens = 0;
    int writes = 0;          // every write asked for
    int writesWhileLost = 0; // writes asked for after the device had gone and before a close
    int readEvents = 0;
    std::vector<std::uint8_t> received;

    // Called before each write and after each read that brought bytes.
    std::function<void(const void*, int)> onWrite;
    std::function<void(int)> onRead;

private:
    k6link::Port& inner_;
};

} // namespace dalvex::test
