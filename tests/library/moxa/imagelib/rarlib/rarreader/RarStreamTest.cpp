// The one-pass walk (RarExtractEach): the same bytes as RarExtract for every
// entry, pieces no larger than the window, a solid stream decoded once, the
// walk ending where the sink stops it, and each entry's own result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../rarpacker/RarTestData.h"
#include "RarTestArchive.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarStream.h"

namespace {

using sunvale::RarEntryChoice;
using sunvale::RarEntryResult;
using sunvale::RarPackEntry;
using sunvale::RarPackOptions;

struct Walked {
    std::string name;
    std::vector<uint8_t> bytes;
    RarEntryResult result = RarEntryResult::Ok;
    size_t pieces = 0;
    size_t largestPiece = 0;
};

// Records every entry it is given; `choose` decides per entry (default: all).
class RecordingSink : public sunvale::RarEntrySink {
public:
    std::function<RarEntryChoice(const std::string&)> choose;
    size_t refuseAfter = SIZE_MAX;  // Write fails once an entry holds this many bytes
    std::vector<Walked> entries;

    RarEntryChoice Begin(const char* name, const sunvale::FileHeader&) override
    {
        const RarEntryChoice c = choose ? choose(name) : RarEntryChoice::Extract;
        if (c == RarEntryChoice::Extract) entries.push_back(Walked{name, {}, {}, 0, 0});
        return c;
    }
    bool Write(const uint8_t* data, size_t size) override
    {
        Walked& w = entries.back();
        if (w.bytes.size() + size > refuseAfter) return false;
        w.bytes.insert(w.bytes.end(), data, data + size);
        ++w.pieces;
        w.largestPiece = std::max(w.largestPiece, size);
        return true;
    }
    void End(RarEntryResult result) override { entries.back().result = result; }
};

std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::string path = sunvale::rartest::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

std::vector<uint8_t> ByName(const std::string& archive, const std::string& name)
{
    unsigned char* data = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(sunvale::RarExtract(&data, &size, name.c_str(), archive.c_str(), ""), 1) << name;
    std::vector<uint8_t> bytes(data, data + size);
    std::free(data);
    return bytes;
}

// Walks the archive once and checks each entry against RarExtract.
void ExpectOnePassMatchesByName(const std::string& archive, size_t entryCount)
{
    RecordingSink sink;
    ASSERT_EQ(sunvale::RarExtractEach(archive.c_str(), sink), 1);
    ASSERT_EQ(sink.entries.size(), entryCount);
    for (const Walked& w : sink.entries) {
        EXPECT_EQ(w.result, RarEntryResult::Ok) << w.name;
        EXPECT_LE(w.largestPiece, size_t(1) << 20) << w.name;
        EXPECT_TRUE(w.bytes == ByName(archive, w.name)) << w.name;
    }
}

std::vector<RarPackEntry> MixedEntries()
{
    using namespace sunvale::rartest;
    return {{"text.txt", MakeText(300000, 1), 0},
            {"empty.bin", {}, 0},
            {"mono.wav", MakeWav16(40000, 1, 2), 0},
            {"stereo.raw", MakeSamples(30000, 2, 2, 3), 0},
            {"large.txt", MakeText(2500000, 4), 0},
            {"noise.bin", MakeBinary(70000, 5), 0},
            {"also-empty", {}, 0},
            {"tail.txt", MakeText(9000, 6), 0}};
}

TEST(RarExtractEach, GivesTheBytesOfRarExtractForPlainAndSolidArchives)
{
    const std::vector<RarPackEntry> entries = MixedEntries();
    RarPackOptions plain, solid, forcedAudio, blocks;
    solid.solid = true;
    forcedAudio.solid = true;
    forcedAudio.audio = sunvale::RarAudioMode::Force;
    blocks.solid = true;
    blocks.maxBlockSymbols = 3000;  // table switches inside entries
    int n = 0;
    for (const RarPackOptions& o : {plain, solid, forcedAudio, blocks}) {
        SCOPED_TRACE(n);
        const std::string name = "each" + std::to_string(n++) + ".rar";
        std::vector<uint8_t> bytes;
        ASSERT_EQ(sunvale::rartest::RoundTrip(name, entries, o, &bytes), "");
        const std::string path = WriteTemp(name, bytes);
        ExpectOnePassMatchesByName(path, entries.size());

        RecordingSink sink;
        ASSERT_EQ(sunvale::RarExtractEach(path.c_str(), sink), 1);
        for (const Walked& w : sink.entries) {
            const auto e = std::find_if(entries.begin(), entries.end(),
                                        [&](const RarPackEntry& p) { return p.name == w.name; });
            ASSERT_NE(e, entries.end());
            EXPECT_TRUE(w.bytes == e->data) << w.name;
            // Past the window's size an entry comes in several pieces.
            if (e->data.size() > (1u << 20)) {
                EXPECT_GT(w.pieces, 1u) << w.name;
            }
        }
    }
}

TEST(RarExtractEach, GivesTheBytesOfRarExtractForTheShowData)
{
    std::FILE* f = std::fopen(SHOW_DATA_PATH, "rb");
    if (!f) GTEST_SKIP() << "no " << SHOW_DATA_PATH;
    std::fclose(f);
    RecordingSink count;
    size_t entries = 0;
    count.choose = [&](const std::string&) {
        ++entries;
        return RarEntryChoice::Skip;
    };
    ASSERT_EQ(sunvale::RarExtractEach(SHOW_DATA_PATH, count), 1);
    ASSERT_GT(entries, 0u);
    ExpectOnePassMatchesByName(SHOW_DATA_PATH, entries);
}

TEST(RarExtractEach, DecodesASolidStreamOnceAndStopsWhereTheSinkSays)
{
    std::vector<RarPackEntry> entries;
    for (int i = 0; i < 1000; ++i)
        entries.push_back(
            {"f" + std::to_string(i), sunvale::rartest::MakeText(200 + i % 37, i), 0});
    RarPackOptions solid;
    solid.solid = true;
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(sunvale::PackRarArchive(entries, solid, &bytes, &error)) << error;
    const std::string path = WriteTemp("thousand.rar", bytes);

    RecordingSink all;
    const sunvale::RarDecodeCounters before = sunvale::RarDecoderCounters();
    ASSERT_EQ(sunvale::RarExtractEach(path.c_str(), all), 1);
    const sunvale::RarDecodeCounters after = sunvale::RarDecoderCounters();
    EXPECT_EQ(after.streamStarts - before.streamStarts, 1u);
    EXPECT_EQ(after.entriesDecoded - before.entriesDecoded, 1000u);
    ASSERT_EQ(all.entries.size(), 1000u);
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(all.entries[i].result, RarEntryResult::Ok);
        EXPECT_TRUE(all.entries[i].bytes == entries[i].data) << i;
    }

    // Only f10 wanted: the stream is decoded up to it, not beyond.
    RecordingSink one;
    bool seen = false;
    one.choose = [&](const std::string& name) {
        if (seen) return RarEntryChoice::Stop;
        seen = name == "f10";
        return seen ? RarEntryChoice::Extract : RarEntryChoice::Skip;
    };
    const sunvale::RarDecodeCounters start = sunvale::RarDecoderCounters();
    ASSERT_EQ(sunvale::RarExtractEach(path.c_str(), one), 1);
    EXPECT_EQ(sunvale::RarDecoderCounters().entriesDecoded - start.entriesDecoded, 11u);
    ASSERT_EQ(one.entries.size(), 1u);
    EXPECT_TRUE(one.entries[0].bytes == entries[10].data);
}

TEST(RarExtractEach, ReportsEachEntryOnItsOwn)
{
    using rartest::PackedEntry;
    using rartest::StoredEntry;
    const std::vector<uint8_t> a = sunvale::rartest::MakeText(5000, 7);
    const std::vector<uint8_t> b = sunvale::rartest::MakeText(6000, 8);
    std::vector<uint8_t> badPacked = rartest::PackStream(b);
    badPacked[badPacked.size() / 2] ^= 0x5A;
    rartest::TestEntry badCrc = StoredEntry("crc", a);
    badCrc.fileCrc ^= 1;
    rartest::TestEntry newer = StoredEntry("v29", a, 29);
    const std::vector<uint8_t> archive = rartest::BuildArchive(
        {PackedEntry("good", rartest::PackStream(a), a), PackedEntry("damaged", badPacked, b),
         badCrc, newer, StoredEntry("last", b)});
    RecordingSink sink;
    ASSERT_EQ(sunvale::RarExtractEach(WriteTemp("perentry.rar", archive).c_str(), sink), 1);
    ASSERT_EQ(sink.entries.size(), 5u);
    EXPECT_EQ(sink.entries[0].result, RarEntryResult::Ok);
    EXPECT_NE(sink.entries[1].result, RarEntryResult::Ok);
    EXPECT_EQ(sink.entries[2].result, RarEntryResult::CrcMismatch);
    EXPECT_EQ(sink.entries[3].result, RarEntryResult::Unsupported);
    EXPECT_EQ(sink.entries[4].result, RarEntryResult::Ok);
    EXPECT_TRUE(sink.entries[4].bytes == b);

    // Cut inside the last entry's data: that entry fails, the first stays whole.
    const std::vector<uint8_t> cut(archive.begin(), archive.end() - 2000);
    RecordingSink truncated;
    ASSERT_EQ(sunvale::RarExtractEach(WriteTemp("cut.rar", cut).c_str(), truncated), 1);
    ASSERT_EQ(truncated.entries.size(), 5u);
    EXPECT_EQ(truncated.entries[0].result, RarEntryResult::Ok);
    EXPECT_EQ(truncated.entries[4].result, RarEntryResult::DataError);
}

TEST(RarExtractEach, ARefusingSinkFailsOnlyThatEntry)
{
    std::vector<RarPackEntry> entries = {{"one", sunvale::rartest::MakeText(50000, 9), 0},
                                         {"two", sunvale::rartest::MakeText(400, 10), 0},
                                         {"three", sunvale::rartest::MakeText(50000, 11), 0}};
    RarPackOptions solid;
    solid.solid = true;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(sunvale::PackRarArchive(entries, solid, &bytes, nullptr));
    RecordingSink sink;
    sink.refuseAfter = 1000;
    ASSERT_EQ(sunvale::RarExtractEach(WriteTemp("refuse.rar", bytes).c_str(), sink), 1);
    ASSERT_EQ(sink.entries.size(), 3u);
    EXPECT_EQ(sink.entries[0].result, RarEntryResult::WriteFailed);
    // The solid stream went on: the entries after it decode.
    EXPECT_EQ(sink.entries[1].result, RarEntryResult::Ok);
    EXPECT_TRUE(sink.entries[1].bytes == entries[1].data);
    EXPECT_EQ(sink.entries[2].result, RarEntryResult::WriteFailed);
}

TEST(RarExtractEach, RefusesWhatIsNotAnArchive)
{
    RecordingSink sink;
    EXPECT_EQ(sunvale::RarExtractEach("/nonexistent/archive.rar", sink), 0);
    EXPECT_EQ(
        sunvale::RarExtractEach(WriteTemp("junk.rar", rartest::Text("no archive")).c_str(), sink),
        0);
    EXPECT_TRUE(sink.entries.empty());
}

}  // namespace
