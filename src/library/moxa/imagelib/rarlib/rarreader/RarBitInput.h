#pragma once
// Most-significant-bit-first reader over the 8192-byte input buffer of the
// unpacker. The buffer is refilled by the unpacker at fixed points (see
// RarUnpacker); this class only holds the read position. It is small and
// copyable so that the decoding loop can keep it in registers.
#include <cstdint>

namespace sunvale {

class RarBitInput {
public:
    static constexpr uint32_t kBufferSize = 8192;
    // Bytes kept from the end of the buffer when it is refilled.
    static constexpr uint32_t kOverlap = 32;
    // Zero bytes after the buffer so that a peek near its end stays inside.
    static constexpr uint32_t kPadding = 8;

    // The next 16 bits, the first of them as bit 15. Reads the four bytes at
    // the input position; the position never passes kBufferSize - 2.
    uint32_t Peek16() const
    {
        const uint8_t* p = buffer + inPos;
        const uint32_t v = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
        return (v << inBit) >> 16;
    }

    void Consume(uint32_t bits)
    {
        bits += inBit;
        inPos += bits >> 3;
        inBit = bits & 7;
    }

    // Reads an n-bit field (1..16).
    uint32_t GetBits(uint32_t n)
    {
        const uint32_t v = Peek16() >> (16 - n);
        Consume(n);
        return v;
    }

    uint32_t BitPos() const { return inPos * 8 + inBit; }
    void SetBitPos(uint32_t bitPos)
    {
        inPos = bitPos >> 3;
        inBit = bitPos & 7;
    }

    // True once more bits were consumed than the buffer holds valid bytes.
    bool Exhausted() const { return inPos > readTop || (inPos == readTop && inBit != 0); }

    // Bytes of valid input from the read position on (0 when exhausted).
    uint32_t BytesLeft() const { return inPos < readTop ? readTop - inPos : 0; }

    void Reset()
    {
        inPos = 0;
        inBit = 0;
        readTop = 0;
    }

    // kBufferSize + kPadding bytes, owned elsewhere; the padding stays zero.
    uint8_t* buffer = nullptr;
    uint32_t inPos = 0;    // byte position of the next bit
    uint32_t inBit = 0;    // bit within that byte, 0..7, 0 = most significant
    uint32_t readTop = 0;  // number of valid bytes in the buffer
};

}  // namespace sunvale
