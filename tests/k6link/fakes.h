#pragma once
// A port and a host for driving the engine by hand: the test writes the module's bytes into the
// port and raises the received-bytes event itself, and reads what the engine wrote and showed
// (the host is the recording one of tests/support/hosts.h).

#include "k6link/engine.h"
#include "k6link/engine_host.h"
#include "k6link/port.h"
#include "tests/support/hosts.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace dalvex::k6link::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FrameBytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const SixByteFrame f = SixByteFrame::make(b0, b1, b2, b3);
    return Bytes(f.bytes.begin(), f.bytes.end());
}

class FakePort final : public Port {
public:
    void SetDeviceName(const std::string& name) override { deviceName = name; }
    void Open() override {
        ++opens;
        open = !openFails;
        lost = false;
    }
    void Close() override {
        if (open) ++closes;
        open = false;
        lost = false;
    }
    bool IsOpen() const override { return open; }
    bool Lost() const override { return lost; }
    int Write(const void* buffer, int count) override {
        const auto* b = static_cast<const std::uint8_t*>(buffer);
        writes.emplace_back(b, b + count);
        return count;
    }
    int Read(void* buffer, int count) override {
        const int n = std::min<int>(count, static_cast<int>(waiting.size()));
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (int i = 0; i < n; ++i) {
            out[i] = waiting.front();
            waiting.pop_front();
        }
        return n;
    }

    std::string deviceName;
    bool open = false;
    bool lost = false;
    bool openFails = false; // Open leaves the port closed, as for a name with no device
    int opens = 0;
    int closes = 0;
    std::vector<Bytes> writes;
    std::deque<std::uint8_t> waiting;
};

// The engine's recording host, under the name the engine's tests know it by.
using FakeHost = dalvex::test::RecordingEngineHost;

} // namespace dalvex::k6link::test
