#pragma once
// Canonical Huffman decode tables of the RAR 2.0 unpacker.
#include <array>
#include <cstdint>

#include "library/moxa/imagelib/rarlib/rarreader/RarBitInput.h"

namespace sunvale {

struct HuffTable {
    static constexpr uint32_t kMaxSymbols = 298;
    // Codes of up to kQuickBits bits are decoded with one lookup.
    static constexpr uint32_t kQuickBits = 10;

    uint32_t maxNum = 0;  // number of symbols
    // decodeLen[n]: left-aligned 16-bit upper limit of codes of length n,
    // clamped to 0xFFFF; decodeLen[0] = 0.
    std::array<uint32_t, 16> decodeLen{};
    // decodePos[n]: index in decodeNum of the first symbol of length n.
    std::array<uint32_t, 16> decodePos{};
    // Symbols sorted by code length, then by value.
    std::array<uint16_t, kMaxSymbols> decodeNum{};
    // quick[top kQuickBits bits of the peek]: symbol | length << 12, or 0 when
    // the code is longer than kQuickBits.
    std::array<uint16_t, 1u << kQuickBits> quick{};
};

// Builds `table` from `size` code lengths (low four bits of each entry;
// 0 = symbol absent). size <= HuffTable::kMaxSymbols.
void BuildDecodeTable(const uint8_t* lengths, HuffTable& table, uint32_t size);

// The length n of the code whose left-aligned value is b: the smallest n in
// first..14 with b < decodeLen[n], else 15 (all lengths below `first` are
// known not to match).
inline uint32_t CodeLength(const HuffTable& table, uint32_t b, uint32_t first)
{
    uint32_t n = first;
    while (n < 15 && b >= table.decodeLen[n]) ++n;
    return n;
}

// The symbol of the length-n code b; an index past the table gives decodeNum[0].
inline uint32_t SymbolAt(const HuffTable& table, uint32_t b, uint32_t n)
{
    const uint32_t i = table.decodePos[n] + ((b - table.decodeLen[n - 1]) >> (16 - n));
    return i < table.maxNum ? table.decodeNum[i] : table.decodeNum[0];
}

// Decodes one symbol by comparing against decodeLen (the reference way).
inline uint32_t DecodeSymbolPlain(RarBitInput& in, const HuffTable& table)
{
    const uint32_t b = in.Peek16() & 0xFFFE;
    const uint32_t n = CodeLength(table, b, 1);
    in.Consume(n);
    return SymbolAt(table, b, n);
}

// The symbol whose code begins at bit 63 of `word` (bits as from
// RarBitBuffer::Word); sets `length` to the code's length. Same result as
// DecodeSymbolPlain, short codes through the quick table.
inline uint32_t DecodeWord(const HuffTable& table, uint64_t word, uint32_t& length)
{
    const uint32_t entry = table.quick[word >> (64 - HuffTable::kQuickBits)];
    if (__builtin_expect(entry != 0, 1)) {
        length = entry >> 12;
        return entry & 0x0FFF;
    }
    const uint32_t b = uint32_t(word >> 48) & 0xFFFE;
    length = CodeLength(table, b, HuffTable::kQuickBits + 1);
    return SymbolAt(table, b, length);
}

// Same result as DecodeSymbolPlain, short codes through the quick table.
inline uint32_t DecodeSymbol(RarBitInput& in, const HuffTable& table)
{
    const uint32_t entry = table.quick[in.Peek16() >> (16 - HuffTable::kQuickBits)];
    if (entry != 0) {
        in.Consume(entry >> 12);
        return entry & 0x0FFF;
    }
    const uint32_t b = in.Peek16() & 0xFFFE;
    const uint32_t n = CodeLength(table, b, HuffTable::kQuickBits + 1);
    in.Consume(n);
    return SymbolAt(table, b, n);
}

}  // namespace sunvale
