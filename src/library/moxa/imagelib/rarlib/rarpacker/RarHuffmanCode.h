// Length-limited canonical Huffman codes as the RAR 2.0 decoder rebuilds
// them from code lengths: codes assigned in order of (length, symbol), most
// significant bit first, at most 15 bits.
#pragma once

#include <cstdint>
#include <vector>

namespace sunvale {

class RarBitWriter;

class RarHuffmanCode {
public:
    static constexpr int kMaxLength = 15;

    // Builds lengths from symbol frequencies. Every symbol with a non-zero
    // frequency gets a code; when fewer than two symbols are used, a second
    // one is given a code too, so the code is always complete.
    void Build(const std::vector<uint32_t>& freqs, int maxLength = kMaxLength);
    // Adopts given lengths (0 = absent) and derives the canonical codes.
    void SetLengths(const std::vector<uint8_t>& lengths);

    const std::vector<uint8_t>& Lengths() const { return lengths_; }
    int Length(int symbol) const { return lengths_[symbol]; }
    void Put(RarBitWriter* out, int symbol) const;
    // Cost in bits of coding the given frequencies with this code.
    uint64_t Cost(const std::vector<uint32_t>& freqs) const;

private:
    void AssignCodes();

    std::vector<uint8_t> lengths_;
    std::vector<uint16_t> codes_;
};

}  // namespace sunvale
