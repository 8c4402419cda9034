// Building blocks of the unpacker: quick and plain Huffman decoding agree,
// the CRC-32 and the RAR 2.0 cipher.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "RarTestStream.h"
#include "library/moxa/imagelib/rarlib/rarreader/HuffTable.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCipher.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCipherConstants.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCrc32.h"

using namespace sunvale;

namespace {

// Decodes a symbol at every 16-bit peek value both ways.
void ExpectQuickMatchesPlain(const std::vector<uint8_t>& lengths) {
  HuffTable table;
  BuildDecodeTable(lengths.data(), table, uint32_t(lengths.size()));
  std::vector<uint8_t> buffer(RarBitInput::kBufferSize + RarBitInput::kPadding, 0);
  for (uint32_t v = 0; v < 0x10000; ++v) {
    buffer[0] = uint8_t(v >> 8);
    buffer[1] = uint8_t(v);
    RarBitInput a{buffer.data()};
    RarBitInput b{buffer.data()};
    a.readTop = b.readTop = 2;
    const uint32_t quick = DecodeSymbol(a, table);
    const uint32_t plain = DecodeSymbolPlain(b, table);
    ASSERT_EQ(quick, plain) << "peek " << v;
    ASSERT_EQ(a.inPos * 8 + a.inBit, b.inPos * 8 + b.inBit) << "peek " << v;
  }
}

}  // namespace

TEST(HuffTable, QuickLookupAgreesWithPlainDecoding) {
  ExpectQuickMatchesPlain(rartest::CompleteLengths(298));
  ExpectQuickMatchesPlain(rartest::CompleteLengths(298, {0, 1, 2, 3}));
  ExpectQuickMatchesPlain(rartest::CompleteLengths(19));
  std::mt19937 rng(5);
  for (int round = 0; round < 20; ++round) {
    // Arbitrary lengths: incomplete and oversubscribed sets included.
    std::vector<uint8_t> lengths(298);
    for (auto& l : lengths) l = uint8_t(rng() % 16 * (rng() % 3 != 0));
    ExpectQuickMatchesPlain(lengths);
  }
  ExpectQuickMatchesPlain(std::vector<uint8_t>(48, 0));
}

TEST(HuffTable, CanonicalCodesDecodeToTheirSymbols) {
  const auto lengths = rartest::CompleteLengths(298, {100, 7, 269});
  const auto codes = rartest::CanonicalCodes(lengths);
  HuffTable table;
  BuildDecodeTable(lengths.data(), table, 298);
  for (uint32_t s = 0; s < 298; ++s) {
    std::vector<uint8_t> buffer(RarBitInput::kBufferSize + RarBitInput::kPadding, 0);
    const uint32_t left = codes[s].bits << (24 - codes[s].length);
    buffer[0] = uint8_t(left >> 16);
    buffer[1] = uint8_t(left >> 8);
    buffer[2] = uint8_t(left);
    RarBitInput in{buffer.data()};
    EXPECT_EQ(DecodeSymbol(in, table), s);
    EXPECT_EQ(in.inPos * 8 + in.inBit, codes[s].length);
  }
}

TEST(RarCrc32, KnownValuesAndAgreementWithZlib) {
  const uint8_t check[] = "123456789";
  EXPECT_EQ(RarCrc32::Checksum(check, 9), 0xCBF43926u);
  EXPECT_EQ(RarCrc32::Checksum(check, 0), 0u);
  std::vector<uint8_t> data(1000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 31 + 7);
  for (size_t n : {1u, 7u, 8u, 9u, 63u, 1000u}) {
    const std::vector<uint8_t> part(data.begin(), data.begin() + long(n));
    EXPECT_EQ(RarCrc32::Checksum(part.data(), n), rartest::Crc32(part)) << n;
  }
}

TEST(RarCipher, DecryptInvertsEncryptAcrossChainedBlocks) {
  RarCipher enc, dec;
  enc.InitCipher("sunvale");
  dec.InitCipher("sunvale");
  EXPECT_EQ(enc.Keys(), dec.Keys());
  std::vector<uint8_t> plain(16 * 40);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 5 + 1);
  std::vector<uint8_t> data = plain;
  for (size_t i = 0; i < data.size(); i += 16) enc.EncryptBlock(data.data() + i);
  EXPECT_NE(data, plain);
  // Identical plain blocks encrypt differently: the keys move on.
  std::vector<uint8_t> same(32, 0x41);
  RarCipher e2;
  e2.InitCipher("x");
  e2.EncryptBlock(same.data());
  e2.EncryptBlock(same.data() + 16);
  EXPECT_FALSE(std::equal(same.begin(), same.begin() + 16, same.begin() + 16));
  for (size_t i = 0; i < data.size(); i += 16) dec.DecryptBlock(data.data() + i);
  EXPECT_EQ(data, plain);
  EXPECT_EQ(enc.Keys(), dec.Keys());
}

TEST(RarCipher, KeyScheduleSwapsSubstitutionEntries) {
  RarCipher none;
  none.InitCipher("");
  EXPECT_EQ(none.SubstTable(), kRarCipherInitialSubst);
  EXPECT_EQ(none.Keys(), kRarCipherInitialKeys);
  RarCipher a, b;
  a.InitCipher("password");
  b.InitCipher("passwore");
  EXPECT_NE(a.SubstTable(), kRarCipherInitialSubst);
  EXPECT_NE(a.SubstTable(), b.SubstTable());
  EXPECT_NE(a.Keys(), kRarCipherInitialKeys);  // the password blocks were encrypted
  // Swaps only: the table stays a permutation of the initial one.
  std::multiset<uint8_t> x(a.SubstTable().begin(), a.SubstTable().end());
  std::multiset<uint8_t> y(kRarCipherInitialSubst.begin(), kRarCipherInitialSubst.end());
  EXPECT_EQ(x, y);
  // Passwords longer than the key buffer are cut, never overrun.
  const std::string longPassword(5000, 'k');
  RarCipher c, d;
  c.InitCipher(longPassword.c_str());
  d.InitCipher(longPassword.substr(0, 255).c_str());
  EXPECT_EQ(c.Keys(), d.Keys());
}

TEST(RarCipher, MixKeysXorsCrcOfEachByteColumn) {
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
