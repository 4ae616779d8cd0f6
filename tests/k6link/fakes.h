#pragma once
// A port and a host for driving the engine by hand: the test writes the module's bytes into the
// port and raises the received-bytes event itself, and reads what the engine wrote and showed.

#include "k6link/engine.h"
#include "k6link/engine_host.h"
#include "k6link/port.h"

#include <QHash>
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

class FakeHost final : public EngineHost {
public:
    void ShowClockAndCustomer() override { ++clockShown; }
    bool PortReleased() override { return released; }
    QString ReadSetting(const QString& name) override { return settings.value(name); }
    void SetStatusPanel(int panel, const QString& text) override { panels[panel] = text; }
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    void OperationRunning() override { ++running; }
    void EnableTransferButtons() override { buttonsEnabled = true; }
    void CloseFirmwareWindow() override { ++firmwareClosed; }
    void ApplyVersionRules(int version, int moduleType) override { rules.emplace_back(version, moduleType); }

    bool released = true;
    QHash<QString, QString> settings;
    QString panels[5];
    std::vector<QString> messages;
    int clockShown = 0;
    int running = 0;
    bool buttonsEnabled = false;
    int firmwareClosed = 0;
    std::vector<std::pair<int, int>> rules;
};

} // namespace dalvex::k6link::test
