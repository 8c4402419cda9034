// Building blocks of the unpacker: quick and plain Huffman decoding agree;
// the RAR 2.0 cipher.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarHuffmanCode.h"
#include "library/moxa/imagelib/rarlib/rarreader/HuffTable.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCipher.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCipherConstants.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCrc32.h"

using namespace sunvale;

TEST(HuffTable, QuickLookupAgreesWithPlainDecoding)
{
    std::vector<uint32_t> skewed(298);  // codes of 1 to 15 bits
    for (size_t s = 0; s < skewed.size(); ++s) skewed[s] = 1u << (s * 7 % 23);
    RarHuffmanCode code, flat;  // complete codes as the packer builds them
    code.Build(skewed);
    flat.Build(std::vector<uint32_t>(19, 1));
    ASSERT_GT(*std::max_element(code.Lengths().begin(), code.Lengths().end()),
              HuffTable::kQuickBits);
    std::vector<std::vector<uint8_t>> sets = {code.Lengths(), flat.Lengths(),
                                              std::vector<uint8_t>(48, 0)};
    std::mt19937 rng(5);
    for (int round = 0; round < 20; ++round) {
        // Arbitrary lengths: incomplete and oversubscribed sets included.
        sets.emplace_back(298);
        for (auto& l : sets.back()) l = uint8_t(rng() % 16 * (rng() % 3 != 0));
    }
    std::vector<uint8_t> buffer(RarBitInput::kBufferSize + RarBitInput::kPadding, 0);
    for (const auto& lengths : sets) {
        HuffTable table;
        BuildDecodeTable(lengths.data(), table, uint32_t(lengths.size()));
        for (uint32_t v = 0; v < 0x10000; ++v) {  // every 16-bit peek value
            buffer[0] = uint8_t(v >> 8);
            buffer[1] = uint8_t(v);
            RarBitInput a{buffer.data()};
            RarBitInput b{buffer.data()};
            a.readTop = b.readTop = 2;
            ASSERT_EQ(DecodeSymbol(a, table), DecodeSymbolPlain(b, table)) << "peek " << v;
            ASSERT_EQ(a.inPos * 8 + a.inBit, b.inPos * 8 + b.inBit) << "peek " << v;
        }
    }
}

TEST(RarCipher, KeyScheduleSwapsSubstitutionEntries)
{
    RarCipher none, a, b;
    none.InitCipher("");
    EXPECT_EQ(none.SubstTable(), kRarCipherInitialSubst);
    EXPECT_EQ(none.Keys(), kRarCipherInitialKeys);
    a.InitCipher("password");
    b.InitCipher("passwore");
    EXPECT_NE(a.SubstTable(), kRarCipherInitialSubst);
    EXPECT_NE(a.SubstTable(), b.SubstTable());
    EXPECT_NE(a.Keys(), kRarCipherInitialKeys);  // the password blocks were encrypted
    // Swaps only: the table stays a permutation of the initial one.
    EXPECT_TRUE(std::is_permutation(a.SubstTable().begin(), a.SubstTable().end(),
                                    kRarCipherInitialSubst.begin()));
    // Passwords longer than the key buffer are cut, never overrun.
    const std::string longPassword(5000, 'k');
    RarCipher c, d;
    c.InitCipher(longPassword.c_str());
    d.InitCipher(longPassword.substr(0, 255).c_str());
    EXPECT_EQ(c.Keys(), d.Keys());
}

TEST(RarCipher, MixKeysXorsCrcOfEachByteColumn)
{
    RarCipher c;
    const auto before = c.Keys();
    uint8_t block[16];
    for (int i = 0; i < 16; ++i) block[i] = uint8_t(i * 17 + 3);
    c.MixKeys(block);
    for (int k = 0; k < 4; ++k) {
        uint32_t expect = before[size_t(k)];
        for (int i = 0; i < 16; i += 4) expect ^= kRarCrcTable[block[i + k]];
        EXPECT_EQ(c.Keys()[size_t(k)], expect);
    }
}
