// Base values and extra-bit counts of the RAR 2.0 length and distance codes,
// and the lookups from a value to the code that carries it.
#pragma once

#include <array>
#include <cstdint>

namespace sunvale {

namespace rarcodes {

// Length codes (main symbols 270..297 and the repeat-length table).
constexpr std::array<uint8_t, 28> kLengthBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
// Distance codes: four zeros, two of each 1..15, then fourteen of 16.
constexpr std::array<uint8_t, 48> kDistBits = {
    0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10,
    11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
// Short distances of main symbols 261..268 (length 2).
constexpr std::array<uint8_t, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};

template <size_t N>
constexpr std::array<uint32_t, N> BasesOf(const std::array<uint8_t, N>& bits)
{
    std::array<uint32_t, N> base{};
    for (size_t i = 1; i < N; ++i) base[i] = base[i - 1] + (1u << bits[i - 1]);
    return base;
}

constexpr std::array<uint32_t, 28> kLengthBase = BasesOf(kLengthBits);
constexpr std::array<uint32_t, 48> kDistBase = BasesOf(kDistBits);
constexpr std::array<uint32_t, 8> kShortBase = BasesOf(kShortBits);

constexpr uint32_t kMaxDistance = 0xFFFFF;  // keep every reference inside the 1 MiB window

// Code index of a length value 0..255.
inline int LengthCode(uint32_t v)
{
    int c = v < 8 ? static_cast<int>(v) : 8;
    while (c < 27 && kLengthBase[c + 1] <= v) ++c;
    return c;
}

// Code index of a distance value (distance - 1), 0..0xFFFFF.
inline int DistCode(uint32_t v)
{
    int lo = 0, hi = 47;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (kDistBase[mid] <= v)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

// Code index of a short distance value (distance - 1), 0..255.
inline int ShortCode(uint32_t v)
{
    int c = 0;
    while (c < 7 && kShortBase[c + 1] <= v) ++c;
    return c;
}

// Length added by the decoder to a main-symbol match at this distance.
inline uint32_t MatchBonus(uint32_t distance)
{
    return (distance >= 0x2000 ? 1u : 0u) + (distance >= 0x40000 ? 1u : 0u);
}
// Length added to a cache-repeat match at this distance.
inline uint32_t RepeatBonus(uint32_t distance)
{
    return (distance >= 0x101 ? 1u : 0u) + MatchBonus(distance);
}

}  // namespace rarcodes

}  // namespace sunvale
