// Huffman code construction: length limit, completeness, canonical order.
#include <gtest/gtest.h>

#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarHuffmanCode.h"

namespace sunvale {
namespace {

// Kraft sum scaled by 2^15; a complete code gives exactly 1 << 15.
uint32_t KraftSum(const RarHuffmanCode& code) {
    uint32_t sum = 0;
    for (uint8_t len : code.Lengths())
        if (len) sum += 1u << (15 - len);
    return sum;
}

TEST(RarHuffmanCode, FibonacciFrequenciesAreLimitedToFifteenBitsAndComplete) {
    std::vector<uint32_t> freqs(30);
    freqs[0] = freqs[1] = 1;
    for (size_t i = 2; i < freqs.size(); ++i) freqs[i] = freqs[i - 1] + freqs[i - 2];
    RarHuffmanCode code;
    code.Build(freqs);
    int maxLen = 0;
    for (uint8_t len : code.Lengths()) {
        EXPECT_GT(len, 0);
        maxLen = std::max<int>(maxLen, len);
    }
    EXPECT_EQ(maxLen, 15);
    EXPECT_EQ(KraftSum(code), 1u << 15);
    // The most frequent symbol keeps the shortest code.
    EXPECT_LE(code.Length(29), code.Length(0));
}

TEST(RarHuffmanCode, LoneOrAbsentSymbolsStillGiveACompleteCode) {
    RarHuffmanCode code;
    std::vector<uint32_t> freqs(10, 0);
    freqs[7] = 5;
    code.Build(freqs);
    EXPECT_EQ(code.Length(7), 1);
    EXPECT_EQ(KraftSum(code), 1u << 15);
    code.Build(std::vector<uint32_t>(48, 0));
    EXPECT_EQ(KraftSum(code), 1u << 15);
}

TEST(RarHuffmanCode, CodesAreCanonicalByLengthThenSymbol) {
    RarHuffmanCode code;
    code.SetLengths({2, 1, 3, 3, 0});
    // Symbol 1 (length 1) = 0, symbol 0 (length 2) = 10, symbols 2, 3 = 110, 111.
    RarBitWriter out;
    for (int s : {1, 0, 2, 3}) code.Put(&out, s);
    const std::vector<uint8_t> bytes = out.Finish();
    ASSERT_EQ(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0x5B);  // 0 10 110 11|1
    EXPECT_EQ(bytes[1], 0x80);
}

}  // namespace
}  // namespace sunvale
