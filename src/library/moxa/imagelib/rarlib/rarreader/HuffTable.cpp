// Canonical Huffman tables: building the decodeLen/decodePos/decodeNum limits
// from a block's code lengths, and decoding one symbol with them.
//
// Format notes: codes are canonical (shorter codes first, equal lengths in
// symbol order). Incomplete and oversubscribed length sets are not refused:
// the limits are clamped to 0xFFFF and an index past the symbol count yields
// decodeNum[0], so any input decodes to some symbol of the table.
#include "library/moxa/imagelib/rarlib/rarreader/HuffTable.h"

namespace sunvale {

namespace {

// Fills the quick table. For n <= kQuickBits every decodeLen[n] is a multiple
// of 2^(16 - kQuickBits) or 0xFFFF, so the length found and the index depend
// only on the top kQuickBits bits of the peek.
void BuildQuickTable(HuffTable& table)
{
    constexpr uint32_t kShift = 16 - HuffTable::kQuickBits;
    uint32_t n = 1;
    for (uint32_t prefix = 0; prefix < table.quick.size(); ++prefix) {
        const uint32_t b = prefix << kShift;
        n = CodeLength(table, b, n);  // decodeLen is non-decreasing
        table.quick[prefix] =
            n <= HuffTable::kQuickBits ? uint16_t(SymbolAt(table, b, n) | n << 12) : uint16_t(0);
    }
}

}  // namespace

void BuildDecodeTable(const uint8_t* lengths, HuffTable& table, uint32_t size)
{
    std::array<uint32_t, 16> count{};
    for (uint32_t s = 0; s < size; ++s) ++count[lengths[s] & 15];

    table.decodeLen[0] = 0;
    table.decodePos[0] = 0;
    count[0] = 0;  // absent symbols take no place in decodeNum
    uint32_t n = 0;
    for (uint32_t len = 1; len < 16; ++len) {
        n = 2 * (n + count[len]);
        const uint32_t limit = n << (15 - len);
        table.decodeLen[len] = limit > 0xFFFF ? 0xFFFF : limit;
        table.decodePos[len] = table.decodePos[len - 1] + count[len - 1];
    }

    table.decodeNum.fill(0);
    std::array<uint32_t, 16> next = table.decodePos;
    for (uint32_t s = 0; s < size; ++s) {
        const uint32_t len = lengths[s] & 15;
        if (len != 0) table.decodeNum[next[len]++] = uint16_t(s);
    }
    table.maxNum = size;
    BuildQuickTable(table);
}

}  // namespace sunvale
