// Round trips of the RAR 2.x packer through the show's reader (RarExtract)
// and through unar as an independent extractor, header checks, and the
// Huffman code construction (length limit, completeness).
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <utility>

#include "RarTestData.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarHuffmanCode.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarLzEncoder.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace sunvale {
namespace {

using namespace rartest;

RarPackOptions Options(int level, bool solid = false, RarAudioMode audio = RarAudioMode::Auto,
                       uint32_t maxBlockSymbols = 0)
{
    return RarPackOptions{level, solid, audio, maxBlockSymbols, {}};
}

std::vector<RarDirectoryEntry> ReadEntries(const std::vector<uint8_t>& archive)
{
    RarDirectory dir;
    std::string error;
    EXPECT_TRUE(dir.Read(archive.data(), archive.size(), &error)) << error;
    return dir.Entries();
}

// Audio mode is announced by the first bit of an entry's packed data, the
// channel count - 1 by the two after the next. 0: LZ mode.
int AudioChannels(const std::vector<uint8_t>& archive, const RarDirectoryEntry& e)
{
    const uint8_t first = archive.at(e.dataOffset);
    return first & 0x80 ? ((first >> 4) & 3) + 1 : 0;
}

// Kraft sum scaled by 2^15; a complete code gives exactly 1 << 15.
uint32_t KraftSum(const RarHuffmanCode& code)
{
    uint32_t sum = 0;
    for (uint8_t len : code.Lengths())
        if (len) sum += 1u << (15 - len);
    return sum;
}

// How often the LZ coder emits each main symbol for `data`.
std::array<uint64_t, RarCoderState::kMainSymbols> MainSymbolCounts(const std::vector<uint8_t>& data,
                                                                   int level, uint32_t blockSymbols)
{
    RarLzEncoder encoder(data.data(), data.size(), level, blockSymbols);
    RarCoderState state;
    RarBitWriter bits;
    encoder.Encode(0, data.size(), &state, &bits);
    return encoder.MainSymbolCounts();
}

TEST(RarPacker, TextBinaryAndRepeatsRoundTripAtEveryLevel)
{
    std::vector<uint8_t> runs(201, 'x');  // a literal, then distance 1 length 200
    runs.push_back('y');
    const std::vector<RarPackEntry> entries = {{"docs/readme.txt", MakeText(30000, 1), 0},
                                               {"bin/blob.dat", MakeBinary(9000, 2), 0},
                                               {"runs.bin", runs, 0}};
    for (int level = 0; level <= 5; ++level) {
        std::vector<uint8_t> archive;
        ASSERT_EQ(
            RoundTrip("l" + std::to_string(level) + ".rar", entries, Options(level), &archive), "")
            << level;
        const std::vector<RarDirectoryEntry> d = ReadEntries(archive);
        ASSERT_EQ(d.size(), 3u);
        EXPECT_EQ(d[0].name, "docs\\readme.txt");
        for (const RarDirectoryEntry& e : d) EXPECT_TRUE(e.headerCrcOk && e.unpVer == 20);
        EXPECT_EQ(d[0].method, level == 0 ? 0x30 : 0x30 + level);
        if (level > 0) {
            EXPECT_LT(d[0].packSize, entries[0].data.size() / 3) << level;
            EXPECT_LT(d[2].packSize, 40u);
        }
    }
}

TEST(RarPacker, IncompressibleAndEmptyEntriesAreStored)
{
    std::vector<uint8_t> noise(4000);
    for (uint32_t i = 0, s = 99; i < 4000; ++i)
        noise[i] = static_cast<uint8_t>((s = s * 1664525u + 1013904223u) >> 24);
    const std::vector<RarPackEntry> entries = {
        {"empty.txt", {}, 0}, {"noise.bin", noise, 0}, {"after.txt", MakeText(2000, 3), 0}};
    std::vector<uint8_t> archive;
    ASSERT_EQ(RoundTrip("s.rar", entries, Options(5), &archive), "");
    const std::vector<RarDirectoryEntry> d = ReadEntries(archive);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].method, 0x30);
    EXPECT_EQ(d[1].method, 0x30);
    EXPECT_EQ(d[1].packSize, noise.size());
    EXPECT_EQ(d[2].method, 0x35);
}

TEST(RarPacker, EntryOverOneMebibyteFlushesTheWindow)
{
    std::vector<uint8_t> big = MakeText(700000, 6);
    const std::vector<uint8_t> tail = MakeBinary(500000, 7);
    big.insert(big.end(), tail.begin(), tail.end());
    big.insert(big.end(), tail.begin(), tail.begin() + 5000);  // matches from far back
    EXPECT_EQ(RoundTrip("big.rar", {{"big.bin", big, 0}}, Options(2)), "");
}

TEST(RarPacker, AudioModeRoundTripsOneToFourChannels)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        int channels;  // byte channels the packer should pick
    };
    const Case cases[] = {{"mono8.raw", MakeSamples(6000, 1, 1, 11), 1},
                          {"mono16.wav", MakeWav16(5000, 1, 12), 2},
                          {"stereo16.wav", MakeWav16(5000, 2, 13), 4},
                          {"three8.raw", MakeSamples(4000, 3, 1, 14), 3},
                          {"stereo8.raw", MakeSamples(5000, 2, 1, 15), 2}};
    for (const Case& c : cases) {
        std::vector<uint8_t> archive;
        const auto options = Options(3, false, RarAudioMode::Force);
        ASSERT_EQ(RoundTrip(std::string(c.name) + ".rar", {{c.name, c.data, 0}}, options, &archive),
                  "");
        const std::vector<RarDirectoryEntry> d = ReadEntries(archive);
        ASSERT_EQ(d.size(), 1u);
        EXPECT_NE(d[0].method, 0x30) << c.name;
        EXPECT_EQ(AudioChannels(archive, d[0]), c.channels) << c.name;
    }
    // Left to choose, the packer takes audio mode for stereo samples, and it
    // packs them smaller than LZ.
    const std::vector<RarPackEntry> music = {{"music.wav", MakeWav16(20000, 2, 21), 0}};
    std::vector<uint8_t> chosen, lz;
    ASSERT_EQ(RoundTrip("auto.rar", music, Options(3), &chosen), "");
    ASSERT_EQ(RoundTrip("lz.rar", music, Options(3, false, RarAudioMode::Never), &lz), "");
    EXPECT_EQ(AudioChannels(chosen, ReadEntries(chosen).at(0)), 4);
    EXPECT_EQ(AudioChannels(lz, ReadEntries(lz).at(0)), 0);
    EXPECT_LT(chosen.size(), lz.size());
}

TEST(RarPacker, SolidArchiveCarriesWindowTablesAndModes)
{
    const std::vector<uint8_t> text = MakeText(15000, 31);
    std::vector<uint8_t> again(text.begin() + 1000,
                               text.begin() + 9000);  // only packs well with history
    const std::vector<RarPackEntry> entries = {{"one.txt", text, 0},
                                               {"empty", {}, 0},
                                               {"two.wav", MakeWav16(4000, 2, 32), 0},
                                               {"three.bin", MakeBinary(3000, 33), 0},
                                               {"four.txt", again, 0}};
    const RarPackOptions options = Options(4, true, RarAudioMode::Auto, 300);  // small blocks
    std::vector<uint8_t> archive, repeat;
    ASSERT_EQ(RoundTrip("solid.rar", entries, options, &archive), "");
    EXPECT_GT(MainSymbolCounts(text, 4, 300)[269], 3u);  // fresh tables inside the first entry
    const std::vector<RarDirectoryEntry> d = ReadEntries(archive);
    ASSERT_EQ(d.size(), 5u);
    // The empty entry moves to the front; the packed ones form one stream.
    EXPECT_EQ(d[0].name, "empty");
    EXPECT_EQ(d[0].method, 0x30);
    EXPECT_EQ(d[1].flags & 0x10, 0);
    for (size_t i = 2; i < 5; ++i) EXPECT_EQ(d[i].flags & 0x10, 0x10) << i;
    EXPECT_LT(d[4].packSize, 200u);
    // Deterministic: the same input gives the same bytes.
    std::string error;
    ASSERT_TRUE(PackRarArchive(entries, options, &repeat, &error));
    EXPECT_EQ(archive, repeat);
}

// Each block sends only as many code lengths as its mode needs (374 for LZ,
// 257 per audio channel); the rest of the 1028 carry over to later blocks,
// which delta-code against them. One solid stream passes through every
// ordered pair of the five modes.
TEST(RarPacker, SolidArchiveSwitchesBetweenLzAndEveryChannelCount)
{
    // 0: LZ text; 1..4: 8-bit samples of that many channels.
    auto modeData = [](int mode, uint32_t seed) {
        return mode == 0 ? MakeText(3000, seed) : MakeSamples(size_t(2400 / mode), mode, 1, seed);
    };
    const int kOrder[] = {0, 1, 0, 2, 0, 3, 0, 4, 1, 2, 1, 3, 1, 4, 2, 3, 2, 4, 3, 4, 0};
    std::set<std::pair<int, int>> pairs;
    for (size_t i = 1; i < std::size(kOrder); ++i) pairs.insert({kOrder[i - 1], kOrder[i]});
    ASSERT_EQ(pairs.size(), 20u);

    std::vector<RarPackEntry> entries;
    for (size_t i = 0; i < std::size(kOrder); ++i) {
        const int mode = kOrder[i];
        RarPackEntry e{"e" + std::to_string(i) + (mode ? ".raw" : ".txt"),
                       modeData(mode, 40 + uint32_t(i)), 0};
        // The packer codes this entry in the intended mode on its own.
        std::vector<uint8_t> single;
        std::string error;
        ASSERT_TRUE(PackRarArchive({e}, Options(3), &single, &error)) << error;
        ASSERT_EQ(AudioChannels(single, ReadEntries(single).at(0)), mode) << e.name;
        entries.push_back(std::move(e));
    }
    EXPECT_EQ(RoundTrip("modes.rar", entries, Options(3, true)), "");

    // Four channels, mono, four channels: the third block's channels 2..4
    // take their lengths from the first.
    const std::vector<RarPackEntry> q4m0q4 = {{"q4.raw", MakeSamples(900, 4, 1, 51), 0},
                                              {"m0.raw", MakeSamples(3000, 1, 1, 52), 0},
                                              {"q4b.raw", MakeSamples(900, 4, 1, 53), 0}};
    EXPECT_EQ(RoundTrip("q4m0q4.rar", q4m0q4, Options(3, true, RarAudioMode::Force)), "");
}

// Records of fixed fields with a varying byte, two interleaved periods and
// scattered two-byte repeats drive the last-match (256), cache (257..260)
// and short-distance (261..268) symbols.
TEST(RarPacker, RepeatCacheAndShortSymbolsAllOccurAndDecode)
{
    std::vector<uint8_t> data;
    uint32_t s = 7;
    auto rnd = [&s] { return static_cast<uint8_t>((s = s * 1103515245u + 12345u) >> 16); };
    auto copy = [&data](size_t distance, size_t length) {
        for (size_t i = 0; i < length; ++i) data.push_back(data[data.size() - distance]);
    };
    for (int r = 0; r < 300; ++r) {
        const std::string field = "RECORD:01234";
        data.insert(data.end(), field.begin(), field.end());
        data.push_back(rnd());
    }
    for (int r = 0; r < 400; ++r) {
        copy(r % 2 ? 90 : 40, r % 4 == 0 || r % 4 == 3 ? 7 : 6);
        data.push_back(rnd());
        data.push_back(rnd());
    }
    for (int r = 0; r < 3000; ++r) {
        if (r % 5 == 0) copy(1 + rnd() % 250, 2);
        data.push_back(rnd());
    }
    const auto counts = MainSymbolCounts(data, 5, 0);
    for (int symbol = 256; symbol <= 268; ++symbol)
        EXPECT_GT(counts[symbol], 0u) << "symbol " << symbol;
    EXPECT_EQ(RoundTrip("symbols.rar", {{"symbols.bin", data, 0}},
                        Options(5, false, RarAudioMode::Never)),
              "");
}

TEST(RarHuffmanCode, LengthsAreLimitedToFifteenBitsAndComplete)
{
    std::vector<uint32_t> fibonacci(30, 1);  // unlimited, the rarest codes would take 29 bits
    for (size_t i = 2; i < fibonacci.size(); ++i)
        fibonacci[i] = fibonacci[i - 1] + fibonacci[i - 2];
    RarHuffmanCode code;
    code.Build(fibonacci);
    EXPECT_EQ(*std::min_element(code.Lengths().begin(), code.Lengths().end()), code.Length(29));
    EXPECT_EQ(*std::max_element(code.Lengths().begin(), code.Lengths().end()), 15);
    EXPECT_EQ(KraftSum(code), 1u << 15);
    // A lone symbol or none at all still gives a complete code.
    std::vector<uint32_t> lone(10, 0);
    lone[7] = 5;
    code.Build(lone);
    EXPECT_EQ(code.Length(7), 1);
    EXPECT_EQ(KraftSum(code), 1u << 15);
    code.Build(std::vector<uint32_t>(48, 0));
    EXPECT_EQ(KraftSum(code), 1u << 15);
}

TEST(RarPacker, RefusesBadOptionsAndNames)
{
    std::vector<uint8_t> archive;
    std::string error;
    EXPECT_FALSE(PackRarArchive({{"a", {1, 2, 3}, 0}}, Options(6), &archive, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(PackRarArchive({{"", {1}, 0}}, Options(3), &archive, &error));
    EXPECT_FALSE(PackRarArchive({{std::string(260, 'n'), {1}, 0}}, Options(3), &archive, &error));
    EXPECT_FALSE(PackRarArchive({}, Options(3), nullptr, &error));
    EXPECT_FALSE(WriteRarArchive("/nonexistent-folder/x.rar", {{"a", {1}, 0}}, Options(3), &error));
    // An empty archive is valid: marker, archive header, end block.
    ASSERT_EQ(RoundTrip("empty.rar", {}, Options(3), &archive), "");
    EXPECT_EQ(archive.size(), 7u + 13u + 7u);
}

}  // namespace
}  // namespace sunvale
