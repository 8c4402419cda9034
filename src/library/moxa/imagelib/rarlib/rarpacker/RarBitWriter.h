// Most-significant-bit-first bit output, the order in which the RAR 2.0
// decoder peeks its 16-bit windows.
#pragma once

#include <cstdint>
#include <vector>

namespace sunvale {

class RarBitWriter {
public:
    // Appends the low `count` bits of `value` (count 0..24), highest first.
    void Write(uint32_t value, int count)
    {
        acc_ = (acc_ << count) | (value & ((1u << count) - 1u));
        filled_ += count;
        while (filled_ >= 8) {
            filled_ -= 8;
            bytes_.push_back(static_cast<uint8_t>(acc_ >> filled_));
        }
    }
    // Pads the last byte with zero bits and hands the bytes over.
    std::vector<uint8_t> Finish()
    {
        if (filled_ > 0) Write(0, 8 - filled_);
        acc_ = 0;
        return std::move(bytes_);
    }
    uint64_t BitCount() const { return bytes_.size() * 8ull + static_cast<uint64_t>(filled_); }

private:
    std::vector<uint8_t> bytes_;
    uint64_t acc_ = 0;
    int filled_ = 0;
};

}  // namespace sunvale
