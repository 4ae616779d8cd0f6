#include "six_byte_frame.h"

#include <algorithm>

namespace dalvex {

SixByteReceiver::Result SixByteReceiver::receive(std::span<const std::uint8_t> chunk) {
    if (chunk.empty()) return Result::Incomplete;
    if (count_ + chunk.size() > buffer_.size()) {
        count_ = 0;
        return Result::Overflow;
    }
    std::copy(chunk.begin(), chunk.end(), buffer_.begin() + count_);
    count_ += static_cast<int>(chunk.size());
    if (count_ != 6) return Result::Incomplete;

    const std::uint8_t b = SixByteFrame::checkB(buffer_);
    if (buffer_[5] != b) {
        count_ = 0;
        return Result::BadCheckB;
    }
    if (buffer_[4] != static_cast<std::uint8_t>(255 - b)) {
        count_ = 0;
        return Result::BadCheckA;
    }
    return Result::Valid;
}

} // namespace dalvex
