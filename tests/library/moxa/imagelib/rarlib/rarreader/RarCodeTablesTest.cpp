// Code-length blocks built bit by bit: a block sends only the lengths its
// mode needs, and the lengths past that carry over to later blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "RarTestArchive.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarHuffmanCode.h"

using namespace rartest;
using sunvale::RarBitWriter;
using sunvale::RarHuffmanCode;

namespace {

constexpr int kMainSymbols = 298;
constexpr int kLzTableSize = 298 + 48 + 28;
constexpr int kAudioSymbols = 257;

RarHuffmanCode CodeOf(size_t symbols, const std::vector<int>& used)
{
    std::vector<uint32_t> freqs(symbols, 0);
    for (int s : used) freqs[size_t(s)] = 1;
    RarHuffmanCode code;
    code.Build(freqs);
    return code;
}

// A block header and `count` code lengths, each sent as its difference to
// the previous block's length (`previous` holds all 1028).
void WriteTables(RarBitWriter& w, uint32_t header, int headerBits,
                 const std::vector<uint8_t>& lengths, std::vector<uint8_t>& previous)
{
    RarHuffmanCode bitLengths;
    bitLengths.Build(std::vector<uint32_t>(19, 1));
    w.Write(header, headerBits);
    for (int s = 0; s < 19; ++s) w.Write(uint32_t(bitLengths.Length(s)), 4);
    for (size_t i = 0; i < lengths.size(); ++i) {
        bitLengths.Put(&w, (lengths[i] - previous[i]) & 15);
        previous[i] = lengths[i];
    }
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

// LZ tables, then mono audio tables (257 lengths), then LZ tables that keep
// every length: main symbols 257..297 and the whole distance and repeat
// tables of the third block are the first block's.
TEST(RarCodeTables, LengthsPastTheTableSizeCarryOver)
{
    const RarHuffmanCode main = CodeOf(kMainSymbols, {'a', 'b', 269, 270});
    const RarHuffmanCode dist = CodeOf(48, {0, 5});
    const RarHuffmanCode rep = CodeOf(28, {});
    const RarHuffmanCode audio = CodeOf(kAudioSymbols, {0, 256});
    const std::vector<uint8_t> lz = Concat(Concat(main.Lengths(), dist.Lengths()), rep.Lengths());
    ASSERT_EQ(lz.size(), size_t(kLzTableSize));

    RarBitWriter w;
    std::vector<uint8_t> previous(4 * kAudioSymbols, 0);
    WriteTables(w, 0b00, 2, lz, previous);  // LZ, lengths not kept
    main.Put(&w, 'a');
    main.Put(&w, 'b');
    main.Put(&w, 269);
    WriteTables(w, 0b1100, 4, audio.Lengths(), previous);  // audio, kept, one channel
    audio.Put(&w, 256);
    // Kept LZ lengths: past the audio block's 257 they are sent as "no
    // change" from the first block's.
    for (int i = kAudioSymbols; i < kLzTableSize; ++i)
        ASSERT_EQ(previous[size_t(i)], lz[size_t(i)]);
    WriteTables(w, 0b01, 2, lz, previous);
    main.Put(&w, 'a');
    main.Put(&w, 270);  // length 3
    dist.Put(&w, 0);    // distance 1
    main.Put(&w, 'b');
    std::vector<uint8_t> packed = w.Finish();
    packed.insert(packed.end(), {0, 0});

    const std::vector<uint8_t> content = Text("abaaaab");
    const auto archive = BuildArchive({PackedEntry("t", packed, content)});
    std::vector<uint8_t> unar;
    ASSERT_TRUE(UnarExtract(archive, "t", &unar));
    EXPECT_EQ(unar, content);
    const ExtractResult r = ExtractFrom(archive, "t");
    ASSERT_EQ(r.rc, 1) << r.log;
    EXPECT_EQ(r.bytes, content);
}
