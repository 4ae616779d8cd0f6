#pragma once
// Six-byte frames: the command and short-reply format that every exchange with a K6 module uses.
//
//   byte 0  address high (or a reply code)
//   byte 1  command
//   byte 2  address low
//   byte 3  data
//   byte 4  check A = 255 - check B
//   byte 5  check B = (S - 1) mod 256, S = plain sum of bytes 0..3

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace dalvex {

struct SixByteFrame {
    std::array<std::uint8_t, 6> bytes{};

    // Builds a frame from bytes 0..3 and fills in both check bytes.
    static constexpr SixByteFrame make(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
        SixByteFrame f;
        f.bytes = {b0, b1, b2, b3, 0, 0};
        f.bytes[5] = checkB(f.bytes);
        f.bytes[4] = static_cast<std::uint8_t>(255 - f.bytes[5]);
        return f;
    }
    // A byte-addressed command: address high in byte 0, low in byte 2.
    static constexpr SixByteFrame forAddress(std::uint16_t address, std::uint8_t command, std::uint8_t data) {
        return make(static_cast<std::uint8_t>(address >> 8), command,
                    static_cast<std::uint8_t>(address & 0xFF), data);
    }
    static constexpr SixByteFrame fromBytes(std::span<const std::uint8_t, 6> b) {
        SixByteFrame f;
        for (std::size_t i = 0; i < 6; ++i)
            f.bytes[i] = b[i];
        return f;
    }

    // Check B of the first four bytes of `b`.
    static constexpr std::uint8_t checkB(std::span<const std::uint8_t> b) {
        unsigned s = 0u + b[0] + b[1] + b[2] + b[3];
        return static_cast<std::uint8_t>((s - 1u) & 0xFFu);
    }
    // Valid when byte 5 is check B and byte 4 is 255 minus byte 5.
    static constexpr bool isValid(std::span<const std::uint8_t> b) {
        if (b.size() < 6) return false;
        std::uint8_t cb = checkB(b);
        return b[5] == cb && b[4] == static_cast<std::uint8_t>(255 - cb);
    }
    constexpr bool isValid() const { return isValid(bytes); }

    constexpr std::uint8_t addressHigh() const { return bytes[0]; }
    constexpr std::uint8_t command() const { return bytes[1]; }
    constexpr std::uint8_t addressLow() const { return bytes[2]; }
    constexpr std::uint8_t data() const { return bytes[3]; }
    constexpr std::uint16_t address() const { return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[2]); }

    friend constexpr bool operator==(const SixByteFrame&, const SixByteFrame&) = default;
};

// The start window's probes.
inline constexpr SixByteFrame kIdentificationProbe = SixByteFrame::make(0, 0, 255, 0); // read address 255
inline constexpr SixByteFrame kAlternateProbe = SixByteFrame::make(160, 254, 0, 0);    // command 254
static_assert(kIdentificationProbe.bytes == std::array<std::uint8_t, 6>{0, 0, 255, 0, 1, 254});
static_assert(kAlternateProbe.bytes == std::array<std::uint8_t, 6>{160, 254, 0, 0, 98, 157});

// The start window's receive framing: a six-byte buffer that is filled chunk by chunk.
// A chunk that would overflow the buffer is dropped together with the partial frame; a complete
// frame that fails its check is dropped. A valid frame keeps the count at 6, so any further bytes
// are dropped until the next request is written (reset()).
class SixByteReceiver {
public:
    enum class Result {
        Incomplete, // fewer than six bytes so far
        Overflow,   // the chunk would have exceeded six bytes: chunk and partial frame dropped
        BadCheckB,  // six bytes, byte 5 is not check B: dropped
        BadCheckA,  // six bytes, byte 4 is not 255 - check B: dropped
        Valid,      // frame() holds the reply
    };

    Result receive(std::span<const std::uint8_t> chunk);
    // Writing a request discards a partly received reply.
    void reset() { count_ = 0; }

    int count() const { return count_; }
    SixByteFrame frame() const { return SixByteFrame::fromBytes(std::span<const std::uint8_t, 6>(buffer_)); }

private:
    std::array<std::uint8_t, 6> buffer_{};
    int count_ = 0;
};

} // namespace dalvex
