#pragma once
// A 64-bit bit buffer over the unpacker's input buffer for the decoding
// loops: the next bits sit at the top of a register, and a refill appends
// whole bytes below them without a branch. The symbol loops keep it in
// registers; RarBitInput holds the position between loops.
#include <cstdint>
#include <cstring>

namespace sunvale {

class RarBitBuffer {
public:
    // Starts at bit position `bitPos` (8 * byte position + bit in that byte) of
    // `buffer`. Reads the eight bytes at bitPos / 8 and at most 63 bits beyond
    // later bit positions: the caller keeps those inside the buffer.
    RarBitBuffer(const uint8_t* buffer, uint32_t bitPos)
        : start_(buffer), next_(buffer + (bitPos >> 3))
    {
        Refill();
        Drop(bitPos & 7);
    }

    // Tops the buffer up to at least 56 valid bits.
    void Refill()
    {
        bits_ |= Load(next_) >> avail_;
        next_ += (63 - avail_) >> 3;
        avail_ |= 56;
    }

    // The valid bits, the next one as bit 63 (bits past the valid ones are the
    // input's following bits or zero).
    uint64_t Word() const { return bits_; }

    // Consumes n bits, n <= the valid bits.
    void Drop(uint32_t n)
    {
        bits_ <<= n;
        avail_ -= n;
    }

    // The top n (0..32) bits, consumed.
    uint32_t Take(uint32_t n)
    {
        const uint32_t v = uint32_t((bits_ >> 1) >> (63 - n));
        Drop(n);
        return v;
    }

    // Bit position of the next bit.
    uint32_t BitPos() const { return uint32_t(next_ - start_) * 8 - avail_; }

private:
    static uint64_t Load(const uint8_t* p)
    {
        uint64_t v;
        std::memcpy(&v, p, 8);
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        return __builtin_bswap64(v);
#else
        v = 0;
        for (int i = 0; i < 8; ++i) v = v << 8 | p[i];
        return v;
#endif
    }

    const uint8_t* start_;
    const uint8_t* next_;  // first byte not yet in the buffer
    uint64_t bits_ = 0;    // valid bits at the top, then partial bytes or zero
    uint32_t avail_ = 0;   // valid bits, 0..63
};

}  // namespace sunvale
