#pragma once
// The engine's port on the real serial component, keeping count of what crosses it: the
// commands written and the bytes read (with how many reads brought them).

#include "k6link/port.h"
#include "serial/async32.h"

#include <cstdint>
#include <vector>

namespace dalvex::test {

class CountingPort final : public k6link::AsynCommPort {
public:
    using AsynCommPort::AsynCommPort;
    int Write(const void* buffer, int count) override {
        ++writes;
        return AsynCommPort::Write(buffer, count);
    }
    int Read(void* buffer, int count) override {
        const int n = AsynCommPort::Read(buffer, count);
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
};

} // namespace dalvex::test
