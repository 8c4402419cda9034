// The decoder's state as the packer tracks it: everything a RAR 2.0 decoder
// carries from symbol to symbol and, in a solid archive, from entry to entry.
// The packer keeps this mirror so that cache references, delta-coded table
// lengths and predictor output match what the decoder will compute.
#pragma once

#include <array>
#include <cstdint>

#include "library/moxa/imagelib/rarlib/rarpacker/RarAudioPredictor.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarHuffmanCode.h"

namespace sunvale {

struct RarCoderState {
    static constexpr int kMainSymbols = 298;
    static constexpr int kDistSymbols = 48;
    static constexpr int kRepSymbols = 28;
    static constexpr int kAudioSymbols = 257;
    static constexpr int kLzTableSize = kMainSymbols + kDistSymbols + kRepSymbols;  // 374
    static constexpr int kPrevLengths = 4 * kAudioSymbols;                          // 1028

    // Distance cache: slot counter & 3 is written next.
    std::array<uint32_t, 4> cache{};
    uint32_t cacheCounter = 0;
    uint32_t lastDist = 0;
    uint32_t lastLength = 0;

    std::array<uint8_t, kPrevLengths> prevLengths{};

    // Tables in force (valid once haveTables is set).
    bool haveTables = false;
    bool audioMode = false;
    int channels = 1;
    RarHuffmanCode mainCode, distCode, repCode;
    std::array<RarHuffmanCode, 4> audioCodes;

    // Multimedia predictor state.
    int currentChannel = 0;
    int32_t channelDelta = 0;
    std::array<RarAudioChannel, 4> audio{};

    // Records one copied string the way the decoder does for every match.
    void NoteMatch(uint32_t length, uint32_t distance)
    {
        cache[cacheCounter & 3] = distance;
        cacheCounter++;
        lastDist = distance;
        lastLength = length;
    }
    // The distance symbol 257 + k refers to (k = 0 most recent).
    uint32_t CachedDistance(int k) const
    {
        return cache[(cacheCounter - 1u - static_cast<uint32_t>(k)) & 3];
    }
};

}  // namespace sunvale
