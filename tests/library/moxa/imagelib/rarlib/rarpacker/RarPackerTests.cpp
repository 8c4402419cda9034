// Round trips of the RAR 2.x packer through the show's reader (RarExtract)
// and through unar as an independent extractor, plus header checks.
#include <gtest/gtest.h>

#include "RarTestData.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarChecksum.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarLzEncoder.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace sunvale {
namespace {

using namespace rartest;

RarPackOptions Options(int level, bool solid = false, RarAudioMode audio = RarAudioMode::Auto) {
    RarPackOptions o;
    o.level = level;
    o.solid = solid;
    o.audio = audio;
    return o;
}

RarDirectory ReadDirectory(const std::vector<uint8_t>& archive) {
    RarDirectory dir;
    std::string error;
    EXPECT_TRUE(dir.Read(archive.data(), archive.size(), &error)) << error;
    return dir;
}

// Audio mode is announced by the first bit of an entry's packed data.
bool PackedInAudioMode(const std::vector<uint8_t>& archive, const RarDirectoryEntry& e) {
    return e.packSize > 0 && (archive[e.dataOffset] & 0x80) != 0;
}

// Records of fixed fields with a varying byte, two interleaved periods and
// scattered two-byte repeats: drives the last-match (256), cache (257..260)
// and short-distance (261..268) symbols.
std::vector<uint8_t> MakeSymbolExercise() {
    std::vector<uint8_t> out;
    uint32_t s = 7;
    auto rnd = [&]() {
        s = s * 1103515245u + 12345u;
        return (s >> 16) & 0xFF;
    };
    for (int r = 0; r < 300; ++r) {
        const uint8_t field[] = {'R', 'E', 'C', 'O', 'R', 'D', ':', '0', '1', '2', '3', '4'};
        out.insert(out.end(), field, field + sizeof field);
        out.push_back(static_cast<uint8_t>(rnd()));
    }
    for (int r = 0; r < 400; ++r) {
        const size_t n = out.size();
        switch (r % 4) {
            case 0: out.insert(out.end(), out.end() - 40, out.end() - 33); break;
            case 1: out.insert(out.end(), out.end() - 90, out.end() - 84); break;
            case 2: out.insert(out.end(), out.end() - 40, out.end() - 34); break;
            default: out.insert(out.end(), out.end() - 90, out.end() - 83); break;
        }
        (void)n;
        out.push_back(static_cast<uint8_t>(rnd()));
        out.push_back(static_cast<uint8_t>(rnd()));
    }
    for (int r = 0; r < 3000; ++r) {
        if (r % 5 == 0 && out.size() > 300) {
            const size_t d = 1 + (rnd() % 250);
            const uint8_t a = out[out.size() - d], b = out[out.size() - d + 1];
            out.push_back(a);
            out.push_back(b);
        }
        out.push_back(static_cast<uint8_t>(rnd()));
    }
    return out;
}

TEST(RarPacker, TextBinaryAndRepeatsRoundTripAtEveryLevel) {
    const std::string dir = MakeTempDir("levels");
    std::vector<uint8_t> runs(1, 'x');
    runs.resize(201, 'x');  // distance 1, length 200
    runs.push_back('y');
    const std::vector<RarPackEntry> entries = {Entry("docs/readme.txt", MakeText(30000, 1)),
                                               Entry("bin/blob.dat", MakeBinary(9000, 2)),
                                               Entry("runs.bin", runs)};
    for (int level = 0; level <= 5; ++level) {
        std::vector<uint8_t> archive;
        const std::string path = PackToFile(dir, "l" + std::to_string(level) + ".rar", entries, Options(level), &archive);
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(CheckArchive(path, entries), "") << "level " << level;
        const RarDirectory d = ReadDirectory(archive);
        ASSERT_EQ(d.Entries().size(), 3u);
        EXPECT_EQ(d.Entries()[0].name, "docs\\readme.txt");
        for (const RarDirectoryEntry& e : d.Entries()) {
            EXPECT_TRUE(e.headerCrcOk);
            EXPECT_EQ(e.unpVer, 20);
            EXPECT_EQ(e.dosTime, kDosTime);
        }
        EXPECT_EQ(d.Entries()[0].method, level == 0 ? 0x30 : 0x30 + level);
        EXPECT_EQ(d.Entries()[0].fileCrc, RarChecksum::Of(entries[0].data.data(), entries[0].data.size()));
        if (level > 0) {
            EXPECT_LT(d.Entries()[0].packSize, entries[0].data.size() / 3) << "level " << level;
            EXPECT_LT(d.Entries()[2].packSize, 40u);
        }
    }
}

TEST(RarPacker, IncompressibleAndEmptyEntriesAreStored) {
    const std::string dir = MakeTempDir("stored");
    std::vector<uint8_t> noise(4000);
    uint32_t s = 99;
    for (uint8_t& b : noise) b = static_cast<uint8_t>((s = s * 1664525u + 1013904223u) >> 24);
    const std::vector<RarPackEntry> entries = {Entry("empty.txt", {}), Entry("noise.bin", noise),
                                               Entry("after.txt", MakeText(2000, 3))};
    std::vector<uint8_t> archive;
    const std::string path = PackToFile(dir, "s.rar", entries, Options(5), &archive);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(CheckArchive(path, entries), "");
    const RarDirectory d = ReadDirectory(archive);
    ASSERT_EQ(d.Entries().size(), 3u);
    EXPECT_EQ(d.Entries()[0].method, 0x30);
    EXPECT_EQ(d.Entries()[0].unpSize, 0u);
    EXPECT_EQ(d.Entries()[1].method, 0x30);
    EXPECT_EQ(d.Entries()[1].packSize, noise.size());
    EXPECT_EQ(d.Entries()[2].method, 0x35);
}

TEST(RarPacker, OutputIsDeterministic) {
    const std::vector<RarPackEntry> entries = {Entry("a.txt", MakeText(20000, 4)),
                                               Entry("b.wav", MakeWav16(3000, 2, 5))};
    std::vector<uint8_t> first, second;
    std::string error;
    ASSERT_TRUE(PackRarArchive(entries, Options(3, true), &first, &error)) << error;
    ASSERT_TRUE(PackRarArchive(entries, Options(3, true), &second, &error)) << error;
    EXPECT_EQ(first, second);
}

TEST(RarPacker, EntryOverOneMebibyteFlushesTheWindow) {
    const std::string dir = MakeTempDir("big");
    std::vector<uint8_t> big = MakeText(700000, 6);
    const std::vector<uint8_t> tail = MakeBinary(500000, 7);
    big.insert(big.end(), tail.begin(), tail.end());
    // Repeat a stretch from the very start so matches reach far back.
    big.insert(big.end(), big.begin(), big.begin() + 5000);
    const std::vector<RarPackEntry> entries = {Entry("big.bin", big)};
    const std::string path = PackToFile(dir, "big.rar", entries, Options(2));
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(CheckArchive(path, entries), "");
}

TEST(RarPacker, AudioModeRoundTripsOneToFourChannels) {
    const std::string dir = MakeTempDir("audio");
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        int channels;  // byte channels the packer should pick
    };
    const std::vector<Case> cases = {{"mono8.raw", MakeSamples8(6000, 1, 11), 1},
                                     {"mono16.wav", MakeWav16(5000, 1, 12), 2},
                                     {"stereo16.wav", MakeWav16(5000, 2, 13), 4},
                                     {"three8.raw", MakeSamples8(4000, 3, 14), 3},
                                     {"stereo8.raw", MakeSamples8(5000, 2, 15), 2}};
    for (const Case& c : cases) {
        const std::vector<RarPackEntry> entries = {Entry(c.name, c.data)};
        std::vector<uint8_t> archive;
        const std::string path =
            PackToFile(dir, std::string(c.name) + ".rar", entries, Options(3, false, RarAudioMode::Force), &archive);
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(CheckArchive(path, entries), "") << c.name;
        const RarDirectory d = ReadDirectory(archive);
        ASSERT_EQ(d.Entries().size(), 1u);
        EXPECT_NE(d.Entries()[0].method, 0x30) << c.name;
        EXPECT_TRUE(PackedInAudioMode(archive, d.Entries()[0])) << c.name;
        // Bits 5..4 of the first byte: channel count - 1.
        EXPECT_EQ(((archive[d.Entries()[0].dataOffset] >> 4) & 3) + 1, c.channels) << c.name;
    }
}

TEST(RarPacker, AutoPicksAudioForStereoSamplesAndItPacksSmaller) {
    const std::string dir = MakeTempDir("auto");
    const std::vector<RarPackEntry> entries = {Entry("music.wav", MakeWav16(20000, 2, 21))};
    std::vector<uint8_t> autoArchive, lzArchive;
    const std::string autoPath = PackToFile(dir, "auto.rar", entries, Options(3), &autoArchive);
    const std::string lzPath = PackToFile(dir, "lz.rar", entries, Options(3, false, RarAudioMode::Never), &lzArchive);
    ASSERT_FALSE(autoPath.empty());
    ASSERT_FALSE(lzPath.empty());
    EXPECT_EQ(CheckArchive(autoPath, entries), "");
    EXPECT_EQ(CheckArchive(lzPath, entries), "");
    const RarDirectoryEntry a = ReadDirectory(autoArchive).Entries().at(0);
    const RarDirectoryEntry l = ReadDirectory(lzArchive).Entries().at(0);
    EXPECT_TRUE(PackedInAudioMode(autoArchive, a));
    EXPECT_FALSE(PackedInAudioMode(lzArchive, l));
    EXPECT_LT(a.packSize, l.packSize);
}

TEST(RarPacker, SolidArchiveCarriesWindowTablesAndModes) {
    const std::string dir = MakeTempDir("solid");
    const std::vector<uint8_t> text = MakeText(15000, 31);
    std::vector<uint8_t> again(text.begin() + 1000, text.begin() + 9000);  // only packs well with history
    const std::vector<RarPackEntry> entries = {Entry("one.txt", text),        Entry("empty", {}),
                                               Entry("two.wav", MakeWav16(4000, 2, 32)),
                                               Entry("three.bin", MakeBinary(3000, 33)),
                                               Entry("four.txt", again)};
    RarPackOptions options = Options(4, true);
    options.maxBlockSymbols = 700;  // table switches inside entries too
    std::vector<uint8_t> archive;
    const std::string path = PackToFile(dir, "solid.rar", entries, options, &archive);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(CheckArchive(path, entries), "");
    const RarDirectory d = ReadDirectory(archive);
    EXPECT_TRUE(d.Solid());
    ASSERT_EQ(d.Entries().size(), 5u);
    // The empty entry moves to the front; the packed ones form one stream.
    EXPECT_EQ(d.Entries()[0].name, "empty");
    EXPECT_EQ(d.Entries()[0].method, 0x30);
    EXPECT_EQ(d.Entries()[1].name, "one.txt");
    EXPECT_EQ(d.Entries()[1].flags & 0x10, 0);
    for (size_t i = 2; i < 5; ++i) EXPECT_EQ(d.Entries()[i].flags & 0x10, 0x10) << i;
    EXPECT_LT(d.Entries()[4].packSize, 200u);
    // The last entry alone, straight after a fresh open: needs all before it.
    std::vector<uint8_t> last;
    ASSERT_TRUE(ExtractWithReader(path, "FOUR.TXT", &last));
    EXPECT_EQ(last, again);
}

TEST(RarPacker, SmallBlocksSwitchTablesInsideAnEntry) {
    const std::string dir = MakeTempDir("blocks");
    const std::vector<uint8_t> mixed = [] {
        std::vector<uint8_t> v = MakeText(12000, 41);
        const std::vector<uint8_t> b = MakeBinary(6000, 42);
        v.insert(v.end(), b.begin(), b.end());
        return v;
    }();
    RarPackOptions small = Options(3, false, RarAudioMode::Never);
    small.maxBlockSymbols = 100;
    RarLzEncoder counter(mixed.data(), mixed.size(), 3, 100);
    RarCoderState state;
    RarBitWriter bits;
    counter.Encode(0, mixed.size(), &state, &bits);
    EXPECT_GT(counter.MainSymbolCounts()[269], 50u);

    const std::vector<RarPackEntry> entries = {Entry("mixed.bin", mixed)};
    const std::string path = PackToFile(dir, "blocks.rar", entries, small);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(CheckArchive(path, entries), "");
    RarPackOptions audioSmall = Options(3, false, RarAudioMode::Force);
    audioSmall.maxBlockSymbols = 500;
    const std::vector<RarPackEntry> wav = {Entry("switch.wav", MakeWav16(3000, 2, 43))};
    const std::string wavPath = PackToFile(dir, "ablocks.rar", wav, audioSmall);
    ASSERT_FALSE(wavPath.empty());
    EXPECT_EQ(CheckArchive(wavPath, wav), "");
}

TEST(RarPacker, RepeatCacheAndShortSymbolsAllOccurAndDecode) {
    const std::string dir = MakeTempDir("symbols");
    const std::vector<uint8_t> data = MakeSymbolExercise();
    RarLzEncoder encoder(data.data(), data.size(), 5, 0);
    RarCoderState state;
    RarBitWriter bits;
    encoder.Encode(0, data.size(), &state, &bits);
    for (int s = 256; s <= 268; ++s) EXPECT_GT(encoder.MainSymbolCounts()[s], 0u) << "symbol " << s;
    const std::vector<RarPackEntry> entries = {Entry("symbols.bin", data)};
    const std::string path = PackToFile(dir, "symbols.rar", entries, Options(5, false, RarAudioMode::Never));
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(CheckArchive(path, entries), "");
}

TEST(RarPacker, RefusesBadOptionsAndNames) {
    std::vector<uint8_t> archive;
    std::string error;
    EXPECT_FALSE(PackRarArchive({Entry("a", {1, 2, 3})}, Options(6), &archive, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(PackRarArchive({Entry("", {1})}, Options(3), &archive, &error));
    EXPECT_FALSE(PackRarArchive({Entry(std::string(260, 'n'), {1})}, Options(3), &archive, &error));
    EXPECT_FALSE(PackRarArchive({}, Options(3), nullptr, &error));
    EXPECT_FALSE(WriteRarArchive("/nonexistent-folder/x.rar", {Entry("a", {1})}, Options(3), &error));
    // An empty archive is valid: marker, archive header, end block.
    ASSERT_TRUE(PackRarArchive({}, Options(3), &archive, &error));
    EXPECT_EQ(archive.size(), 7u + 13u + 7u);
}

}  // namespace
}  // namespace sunvale
