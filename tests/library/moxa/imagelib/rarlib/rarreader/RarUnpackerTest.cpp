// The unpacker on crafted packed streams: every symbol kind, table blocks,
// audio mode with 1 to 4 channels, solid continuation, large entries and
// malformed or truncated data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "RarExtractHelper.h"
#include "RarTestStream.h"

using namespace rartest;

namespace {

std::vector<uint8_t> Decode(const StreamWriter& w, std::string* log = nullptr) {
  const auto archive = BuildArchive({PackedEntry("f", w.Finish(), w.Expected())});
  const auto r = ExtractFrom(archive, "f");
  if (log) *log = r.log;
  EXPECT_EQ(r.rc, 1) << r.log;
  return r.bytes;
}

}  // namespace

TEST(RarUnpacker, LiteralsAndLongMatchesWithDistanceBonus) {
  StreamWriter w;
  w.Tables(StreamWriter::DefaultLzLengths());
  std::mt19937 rng(7);
  for (int i = 0; i < 0x50000; ++i) w.Literal(uint8_t(rng()));
  w.Match(3, 5);
  w.Match(258, 0x1FFF);   // no bonus
  w.Match(259, 0x2000);   // +1
  w.Match(260, 0x40000);  // +2
  w.Match(5, 0x4FFFF);
  w.Match(200, 1);  // overlapping: repeats the last byte
  w.Match(100, 3);  // repeats a three-byte pattern
  EXPECT_EQ(Decode(w), w.Expected());
}

TEST(RarUnpacker, RepeatAndCachedDistances) {
  StreamWriter w;
  w.Tables(StreamWriter::DefaultLzLengths());
  for (int i = 0; i < 3000; ++i) w.Literal(uint8_t(i * 13 + (i >> 5)));
  w.Match(10, 100);
  w.RepeatLast();  // 256: same length and distance again
  w.Match(20, 200);
  w.Match(30, 0x2100);
  w.Match(40, 400);
  w.Match(50, 500);  // fifth distance: the cache wrapped
  w.CachedMatch(1, 7);    // 500, +1 from 0x101
  w.CachedMatch(2, 9);    // 400 (the 257 above also entered the cache)
  w.CachedMatch(4, 12);   // 0x2100: +2
  w.CachedMatch(3, 4);
  w.Literal('x');
  w.CachedMatch(1, 6);
  w.RepeatLast();
  const auto out = Decode(w);
  EXPECT_EQ(out, w.Expected());
}

TEST(RarUnpacker, ShortDistancesCoverAllEightCodes) {
  StreamWriter w;
  w.Tables(StreamWriter::DefaultLzLengths());
  for (int i = 0; i < 300; ++i) w.Literal(uint8_t(i));
  for (uint32_t d : {1u, 4u, 5u, 8u, 9u, 16u, 17u, 32u, 33u, 64u, 65u, 128u, 129u, 192u, 193u, 256u})
    w.ShortMatch(d);
  EXPECT_EQ(Decode(w), w.Expected());
}

TEST(RarUnpacker, NewTablesMidStreamWithDeltaAndRunCoding) {
  StreamWriter w;
  w.Tables(StreamWriter::DefaultLzLengths(), false, false);
  for (int i = 0; i < 100; ++i) w.Literal(uint8_t('a' + i % 26));
  // Skewed tables: long codes beyond the quick lookup, absent symbols (runs
  // of zero lengths), coded against the previous block.
  std::vector<uint8_t> skewed = CompleteLengths(298, {'e', 't', 269, 'a'});
  const auto dist = CompleteLengths(48, {3});
  const auto rep = CompleteLengths(28);
  skewed.insert(skewed.end(), dist.begin(), dist.end());
  skewed.insert(skewed.end(), rep.begin(), rep.end());
  w.NewTablesMarker();
  w.Tables(skewed, true, true);
  for (int i = 0; i < 500; ++i) w.Literal(uint8_t("etaoin shrdlu"[i % 13]));
  w.Match(17, 13);
  std::vector<uint8_t> sparse(374, 0);
  for (int s : {int('q'), int('r'), 256, 269, 270, 271, 272, 273}) sparse[size_t(s)] = 3;
  sparse[298] = 1;
  sparse[299] = 1;
  sparse[346] = 1;
  w.NewTablesMarker();
  w.Tables(sparse, false, true);
  w.Literal('q');
  w.Literal('r');
  w.Match(4, 2);
  w.RepeatLast();
  EXPECT_EQ(Decode(w), w.Expected());
}

TEST(RarUnpacker, AudioModeOneToFourChannels) {
  for (uint32_t channels = 1; channels <= 4; ++channels) {
    StreamWriter w;
    std::vector<uint8_t> lengths;
    for (uint32_t c = 0; c < channels; ++c) {
      const auto one = CompleteLengths(257);
      lengths.insert(lengths.end(), one.begin(), one.end());
    }
    w.AudioTables(lengths, channels);
    std::mt19937 rng(channels);
    // A smooth wave per channel with noise, long enough for many weight updates.
    for (int i = 0; i < 3000; ++i) {
      const uint32_t c = uint32_t(i) % channels;
      w.AudioByte(uint8_t(128 + int(60 * std::sin(i * 0.01 * (c + 1))) + int(rng() % 5)));
    }
    // Switch to LZ and back to audio with another channel count.
    w.NewTablesMarker();
    w.Tables(StreamWriter::DefaultLzLengths());
    w.Literal('L');
    w.Match(30, 1000);
    w.NewTablesMarker();
    const uint32_t other = channels % 4 + 1;
    std::vector<uint8_t> more;
    for (uint32_t c = 0; c < other; ++c) {
      const auto one = CompleteLengths(257, {0, 1});
      more.insert(more.end(), one.begin(), one.end());
    }
    w.AudioTables(more, other, true);
    for (int i = 0; i < 500; ++i) w.AudioByte(uint8_t(i * i));
    EXPECT_EQ(Decode(w), w.Expected()) << channels << " channels";
  }
}

TEST(RarUnpacker, EntryLargerThanTheWindowFlushesInOrder) {
  StreamWriter w;
  w.Tables(StreamWriter::DefaultLzLengths());
  std::mt19937 rng(3);
  for (int i = 0; i < 4000; ++i) w.Literal(uint8_t(rng()));
  while (w.Expected().size() < 0x280000) {
    const uint32_t size = uint32_t(w.Expected().size());
    const uint32_t maxDist = size < 0xFFFFF ? size : 0xFFFFF;
    w.Match(100 + rng() % 150, 1 + rng() % maxDist);
    if (rng() % 4 == 0) w.Literal(uint8_t(rng()));
    if (rng() % 64 == 0) w.Match(3 + rng() % 20, 1 + rng() % 12);  // short periods
  }
  w.Match(20, 0x100000);  // the longest distance: a whole window back
  w.Match(300 - 40, 0x40000);
  EXPECT_EQ(Decode(w), w.Expected());
}

TEST(RarUnpacker, SolidEntriesDecodeOnlyAfterTheirPredecessors) {
  StreamWriter w;
  w.Tables(StreamWriter::DefaultLzLengths());
  for (char c : std::string("the first entry of a solid archive")) w.Literal(uint8_t(c));
  const auto first = w.Finish();
  const auto firstOut = w.EntryOutput();
  w.NextSolidEntry();
  w.Match(34, 34);  // entirely from the first entry
  w.Literal('!');
  // This entry's data ends with the next entry's tables.
  w.NewTablesMarker();
  std::vector<uint8_t> audio = CompleteLengths(257);
  audio.insert(audio.end(), audio.begin(), audio.end());
  w.AudioTables(audio, 2);
  const auto second = w.Finish();
  auto secondOut = w.EntryOutput();
  w.NextSolidEntry();
  for (int i = 0; i < 200; ++i) w.AudioByte(uint8_t(i));
  const auto third = w.Finish();
  const auto thirdOut = w.EntryOutput();

  TestEntry a = PackedEntry("one", first, firstOut);
  TestEntry b = PackedEntry("two", second, secondOut);
  TestEntry c = PackedEntry("three", third, thirdOut);
  b.flags |= 0x0010;
  c.flags |= 0x0010;
  const auto solid = BuildArchive({a, b, c}, true);
  const auto r1 = ExtractFrom(solid, "one");
  EXPECT_EQ(r1.bytes, firstOut);
  EXPECT_EQ(ExtractFrom(solid, "two").bytes, secondOut);
  const auto r3 = ExtractFrom(solid, "three");
  EXPECT_EQ(r3.rc, 1) << r3.log;
  EXPECT_EQ(r3.bytes, thirdOut);
  // Without the solid flag the earlier entries are skipped: the continuation
  // has no tables or window to continue from and fails.
  const auto plain = BuildArchive({a, b, c}, false);
  EXPECT_EQ(ExtractFrom(plain, "two").rc, 0);
  EXPECT_EQ(ExtractFrom(plain, "three").rc, 0);
}

TEST(RarUnpackerFailure, PackedDataEndingEarlyFailsWithoutDecodingStaleBytes) {
  StreamWriter w;
  w.Tables(StreamWriter::DefaultLzLengths());
  std::mt19937 rng(11);
  for (int i = 0; i < 20000; ++i) w.Literal(uint8_t(rng()));
  auto packed = w.Finish();
  const auto content = w.Expected();
  for (size_t keep : {packed.size() - 1, packed.size() / 2, size_t(9000), size_t(8190), size_t(40)}) {
    std::vector<uint8_t> cut(packed.begin(), packed.begin() + long(keep));
    // The entry claims the full size; its data is cut (the next block
    // follows right after, so stale or foreign bytes would be at hand).
    const auto archive = BuildArchive({PackedEntry("f", cut, content), StoredEntry("g", content)});
    const auto r = ExtractFrom(archive, "f");
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(r.dataNull);
    EXPECT_NE(r.log.find("Packed data ended before the file was complete!"), std::string::npos)
        << "kept " << keep << "\n" << r.log;
  }
}

TEST(RarUnpackerFailure, RepeatSymbolAtTheStartOfALengthTable) {
  StreamWriter w;
  w.Bits().Put(0, 2);
  const auto bl = CompleteLengths(19);
  for (uint8_t l : bl) w.Bits().Put(l, 4);
  const auto codes = CanonicalCodes(bl);
  w.Bits().Put(codes[16].bits, codes[16].length);
  w.Bits().Put(3, 2);
  for (int i = 0; i < 400; ++i) w.Bits().Put(codes[5].bits, codes[5].length);
  auto packed = w.Finish();
  const std::vector<uint8_t> content(10, 'z');
  const auto r = ExtractFrom(BuildArchive({PackedEntry("f", packed, content)}), "f");
  EXPECT_EQ(r.rc, 0);
  EXPECT_NE(r.log.find("Packed data ended before the file was complete!"), std::string::npos);
}

TEST(RarUnpackerFailure, OutputBeyondTheEntrySizeIsAnOverrun) {
  StreamWriter w;
  w.Tables(StreamWriter::DefaultLzLengths());
  for (int i = 0; i < 10; ++i) w.Literal(uint8_t(i));
  w.Match(100, 10);  // ends 100 bytes past a 20-byte entry
  std::vector<uint8_t> claimed(w.Expected().begin(), w.Expected().begin() + 20);
  const auto r = ExtractFrom(BuildArchive({PackedEntry("f", w.Finish(), claimed)}), "f");
  EXPECT_EQ(r.rc, 0);
  EXPECT_NE(r.log.find("Fatal! Buffer overrun during decompression!"), std::string::npos);
  EXPECT_TRUE(r.dataNull);
}

// Random bytes as packed data: any outcome but a crash or a stray access.
TEST(RarUnpackerFailure, RandomPackedDataNeverEscapesItsBuffers) {
  std::mt19937 rng(99);
  for (int round = 0; round < 60; ++round) {
    std::vector<uint8_t> junk(20 + rng() % 3000);
    for (auto& b : junk) b = uint8_t(rng());
    std::vector<uint8_t> content(1 + rng() % 5000, 0);
    const auto r = ExtractFrom(BuildArchive({PackedEntry("f", junk, content)}), "f");
    EXPECT_EQ(r.rc == 1, r.bytes == content);
  }
}
