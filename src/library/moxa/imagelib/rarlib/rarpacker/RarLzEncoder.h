// LZ side of the RAR 2.0 packer: parses bytes into literals, matches, cache
// repeats and short matches, and codes them block by block with fresh
// Huffman tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarCoderState.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarMatchFinder.h"

namespace sunvale {

class RarBitWriter;

class RarLzEncoder {
public:
    // stream: all bytes the decoder's window will see, in order (one entry,
    // or every entry of a solid archive). level 1..5.
    RarLzEncoder(const uint8_t* stream, size_t size, int level, uint32_t blockSymbols);

    // Codes stream[begin, end) continuing from state; bytes before begin are
    // the decoder's history. Leaves state as the decoder will have it.
    void Encode(size_t begin, size_t end, RarCoderState* state, RarBitWriter* out);
    // Makes stream[.., end) known as history without coding it (for bytes
    // coded in audio mode).
    void SkipTo(size_t end) { finder_.InsertUpTo(end); }
    // How often each main symbol has been coded so far (table switches
    // included); lets tests confirm which symbol kinds an input exercises.
    const std::array<uint64_t, RarCoderState::kMainSymbols>& MainSymbolCounts() const
    {
        return symbolCounts_;
    }

private:
    struct Token {
        uint16_t main;
        uint16_t second;  // distance or repeat-length symbol, 0xFFFF none
        uint8_t bitsA, bitsB;
        uint32_t extraA, extraB;
    };
    struct Candidate {
        int kind = 0;  // 0 none, 1 last (256), 2 cache repeat, 3 match, 4 short
        uint32_t length = 0, distance = 0;
        int slot = 0;
        int32_t gain = 0;
    };

    Candidate Best(size_t pos, size_t end, const RarCoderState& state) const;
    void Take(const Candidate& c, size_t pos, RarCoderState* state);
    void EmitBlock(RarCoderState* state, RarBitWriter* out);
    void UpdateCosts(const RarCoderState& state, const std::vector<uint32_t>& mainFreqs);

    const uint8_t* stream_;
    bool lazy_;
    uint32_t niceLength_;
    uint32_t blockSymbols_;
    RarMatchFinder finder_;
    std::vector<Token> tokens_;
    // Estimated code lengths in bits from the last block's tables.
    std::array<uint8_t, RarCoderState::kMainSymbols> mainCost_{};
    std::array<uint8_t, RarCoderState::kDistSymbols> distCost_{};
    std::array<uint8_t, RarCoderState::kRepSymbols> repCost_{};
    int32_t literalCost16_ = 8 * 16;  // mean literal cost, 1/16 bits
    std::array<uint64_t, RarCoderState::kMainSymbols> symbolCounts_{};
};

}  // namespace sunvale
