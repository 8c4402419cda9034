// RarExtract end to end: block walking, name matching, every failure cause
// with its log text, encrypted entries, the cleared password, malformed
// packed data and truncated archives. Well-formed packed data of every kind
// is covered by the packer's round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "RarTestArchive.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarHuffmanCode.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCipher.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarState.h"

using namespace rartest;

namespace {

void ExpectFailure(const ExtractResult& r, const std::string& message)
{
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(r.dataNull);
    EXPECT_EQ(r.size, 0u);
    EXPECT_NE(r.log.find(message), std::string::npos) << "log was:\n" << r.log;
    EXPECT_NE(r.log.find("Error - couldn't extract >"), std::string::npos);
}

void ExpectBytes(const ExtractResult& r, const std::vector<uint8_t>& content)
{
    ASSERT_EQ(r.rc, 1) << r.log;
    EXPECT_FALSE(r.dataNull);
    EXPECT_EQ(r.size, content.size());
    EXPECT_EQ(r.bytes, content);
}

const TestEntry kAbc = StoredEntry("a", Text("abc"));
const TestEntry kSubBlock = [] {
    TestEntry e = StoredEntry("sub", Text("s"));
    e.type = 0x77;
    return e;
}();

}  // namespace

TEST(RarExtract, FindsEntriesByNameAcrossLayouts)
{
    struct Case {
        std::vector<uint8_t> archive;
        std::string name;
        std::vector<uint8_t> content;
    };
    const auto names =
        BuildArchive({StoredEntry("data\\a.txt", Text("first")),
                      StoredEntry("Data\\Texture\\Tessel.JPG", Text("jpeg")),
                      StoredEntry("data_music_song.mp3", Text("mp3")), StoredEntry("empty", {})});
    TestEntry longer = StoredEntry("a", Text("ab"));
    longer.data = Text("abc");  // stored data beyond the entry's size is left unread
    const std::string longName(300, 'n');
    const auto longNames =
        BuildArchive({StoredEntry(longName, Text("long")), StoredEntry("b", Text("bee"))});
    const Case cases[] = {
        {names, "data/a.txt", Text("first")},
        {names, "data/texture/tessel.jpg", Text("jpeg")},
        {names, "DATA\\TEXTURE\\TESSEL.JPG", Text("jpeg")},
        {names, "data/music/song.mp3", Text("mp3")},
        {names, "empty", {}},  // a valid (non-null) buffer of 0 bytes
        {BuildArchive({kAbc}, false, "Zafelo!"), "a", Text("abc")},
        {BuildArchive({kAbc}, false, "", 21), "a", Text("abc")},  // archive header extra bytes
        {BuildArchive({StoredEntry("a", Text("abc"), 13)}), "a", Text("abc")},
        {BuildArchive({StoredEntry("a", Text("abc"), 15)}), "a", Text("abc")},
        {BuildArchive({longer}), "a", Text("ab")},
        // A plain archive passes over entries it cannot decode, and never
        // reaches blocks after the wanted entry.
        {BuildArchive({StoredEntry("new", Text("rar 3"), 29), kAbc}), "a", Text("abc")},
        {BuildArchive({kAbc, kSubBlock}), "a", Text("abc")},
        // Names are cut to 259 characters, stored and wanted alike, and the
        // data is found after the whole header.
        {longNames, longName, Text("long")},
        {longNames, std::string(259, 'n'), Text("long")},
        {longNames, "b", Text("bee")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectBytes(ExtractFrom(c.archive, c.name.c_str()), c.content);
    }
}

TEST(RarExtract, BrokenHeaderCrcIsLoggedAndEntryStillExtracted)
{
    TestEntry e = StoredEntry("a.txt", Text("12345"));
    e.breakHeaderCrc = true;
    const auto r = ExtractFrom(BuildArchive({e}), "A.TXT");
    ExpectBytes(r, Text("12345"));
    EXPECT_NE(r.log.find("file header broken"), std::string::npos);
    EXPECT_EQ(ExtractFrom(BuildArchive({kAbc}), "a").log.find("broken"), std::string::npos);
    // Records follow the fixed layout.
    EXPECT_NE(r.log.find(" ms (line "), std::string::npos);
    EXPECT_NE(r.log.find("):\n              - Extracting >A.TXT< from >"), std::string::npos);
    EXPECT_NE(r.log.find("archive.rar< (password is ><)...\n"), std::string::npos);
    EXPECT_NE(r.log.find("              - Extracted 5 Bytes.\n"), std::string::npos);
}

// Failure causes, in the order they are met: the first one wins.
TEST(RarExtractFailure, EachCauseFailsWithItsMessage)
{
    TestEntry huge = kAbc;
    huge.unpSize = 0xFFFFFFF0u;
    const std::vector<uint8_t> few(50, 'q');
    TestEntry packedHuge = PackedEntry("a", PackStream(few), few);
    packedHuge.unpSize = 0x7FFFFFF0u;  // far more than its few packed bytes can make
    TestEntry missing = kAbc;          // stored data shorter than its size
    missing.data.pop_back();
    TestEntry badCrc = kAbc;
    badCrc.fileCrc ^= 1;
    auto cutHeader = BuildArchive({});
    cutHeader.resize(7 + 12);
    // A block with HEAD_SIZE < 7 ends the scan before the entry after it.
    auto tiny = BuildArchive({StoredEntry("z", {})});
    tiny.resize(tiny.size() - 7);
    for (uint8_t b : {0, 0, 0x7A, 0, 0, 5, 0}) tiny.push_back(b);
    const auto tail = BuildArchive({kAbc});
    tiny.insert(tiny.end(), tail.begin() + 20, tail.end());

    struct Case {
        std::vector<uint8_t> archive;
        const char* message;
        const char* name;
    };
    const char* kAlloc = "can't allocate memory for the file decompression";
    const char* kVersion = "unknown compression method";
    const Case cases[] = {
        {Text("Rar"), "Not a RAR file", "a"},
        {Text("PK\x03\x04 not rar"),
         "unknown archive type (only plain RAR supported (normal and solid archives), SFX and "
         "Volumes are NOT supported!)",
         "a"},
        {Text("RE~^ and the rest of an old archive"),
         "Attention: format as OLD detected! Can't handel archive!", "a"},
        {cutHeader, "Not a RAR file", "a"},
        {BuildArchive({kSubBlock, kAbc}), "Sorry, sub-headers not supported.", "a"},
        {BuildArchive({huge}), kAlloc, "a"},
        {BuildArchive({packedHuge}), kAlloc, "a"},
        {BuildArchive({missing}), kAlloc, "a"},
        {BuildArchive({StoredEntry("a", Text("abc"), 29)}), kVersion, "a"},
        {BuildArchive({StoredEntry("a", Text("abc"), 12)}), kVersion, "a"},
        {BuildArchive({StoredEntry("a", Text("abc"), 21)}), kVersion, "a"},
        // A solid archive decodes every entry before the wanted one.
        {BuildArchive({StoredEntry("new", Text("rar 3"), 29), kAbc}, true), kVersion, "a"},
        {BuildArchive({badCrc}), "CRC32 error - file couldn't be decompressed correctly!", "a"},
        {BuildArchive({kAbc}),
         "Error - couldn't extract >b< and allocated 0 Bytes of unused memory!", "b"},
        {BuildArchive({kAbc}), "Extracting >ab<", "ab"},
        {BuildArchive({StoredEntry("ab", {})}), "Extracting >a<", "a"},
        {tiny, "Error - couldn't extract >a<", "a"},
    };
    ExpectFailure(ExtractFrom({}, "a"), "Error opening file.");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ExpectFailure(ExtractFrom(c.archive, c.name), c.message);
    }
    const auto r = ExtractFrom(BuildArchive({kSubBlock, StoredEntry("a", Text("abc"), 29)}), "a");
    ExpectFailure(r, "Sorry, sub-headers not supported.");
    EXPECT_EQ(r.log.find(kVersion), std::string::npos);
    EXPECT_NE(ExtractFrom(Text("RE~^ old"), "a").log.find("Not a RAR file"), std::string::npos);
}

TEST(RarExtract, PasswordBufferIsClearedAndCut)
{
    const auto archive = BuildArchive({kAbc});
    for (const char* name : {"a", "missing"}) {
        ExtractFrom(archive, name, "secret password");
        for (char c : sunvale::gRar.password) ASSERT_EQ(c, 0);
    }
    const std::string longPassword(1000, 'p');
    const auto r = ExtractFrom(archive, "a", longPassword.c_str());
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.log.find("(password is >" + std::string(254, 'p') + "<)"), std::string::npos);
    for (char c : sunvale::gRar.password) ASSERT_EQ(c, 0);
    // A null password keeps the cleared buffer.
    const auto n = ExtractFrom(archive, "a", nullptr);
    ExpectBytes(n, Text("abc"));
    EXPECT_NE(n.log.find("(password is ><)"), std::string::npos);
}

// DecryptBlock inverts EncryptBlock over chained blocks.
TEST(RarExtract, EncryptedEntriesNeedTheRightPassword)
{
    const std::vector<uint8_t> content(size_t{16} * 64, 'A');
    TestEntry e = StoredEntry("secret.bin", content);
    sunvale::RarCipher cipher;
    cipher.InitCipher("open sesame");
    for (size_t i = 0; i < e.data.size(); i += 16) cipher.EncryptBlock(e.data.data() + i);
    // The keys move on: identical plain blocks encrypt differently.
    EXPECT_FALSE(std::equal(e.data.begin(), e.data.begin() + 16, e.data.begin() + 16));
    e.flags |= 0x0004;
    const auto archive = BuildArchive({e});
    ExpectBytes(ExtractFrom(archive, "secret.bin", "open sesame"), content);
    EXPECT_EQ(ExtractFrom(archive, "secret.bin", "wrong").rc, 0);
    EXPECT_EQ(ExtractFrom(archive, "secret.bin", "").rc, 0);  // the empty password never decrypts
    // Older cipher versions are logged and their data used as read.
    TestEntry old = StoredEntry("old.bin", content, 15);
    old.flags |= 0x0004;
    const auto r = ExtractFrom(BuildArchive({old}), "old.bin", "pw");
    ExpectBytes(r, content);
    EXPECT_NE(r.log.find("Old Crypt() not supported!"), std::string::npos);
}

TEST(RarUnpackerFailure, PackedDataEndingEarlyFailsWithoutDecodingStaleBytes)
{
    std::mt19937 rng(11);
    std::vector<uint8_t> content(20000);
    for (auto& b : content) b = uint8_t(rng() & 0x3F);
    const auto packed = PackStream(content);
    ASSERT_GT(packed.size(), 9000u);
    // Cuts inside the first input buffer, at its end and beyond; the packer
    // ends the data with two bytes of padding.
    for (size_t keep :
         {packed.size() - 3, packed.size() / 2, size_t(9000), size_t(8190), size_t(40)}) {
        // The entry claims the full size; its data is cut and the next block
        // follows right after, so stale or foreign bytes would be at hand.
        const std::vector<uint8_t> cut(packed.begin(), packed.begin() + long(keep));
        SCOPED_TRACE(keep);
        ExpectFailure(
            ExtractFrom(BuildArchive({PackedEntry("f", cut, content), StoredEntry("g", content)}),
                        "f"),
            "Packed data ended before the file was complete!");
    }
}

TEST(RarUnpackerFailure, RepeatSymbolAtTheStartOfALengthTable)
{
    sunvale::RarHuffmanCode bl;
    bl.Build(std::vector<uint32_t>(19, 1));  // a complete code of the 19 bit-length symbols
    sunvale::RarBitWriter w;
    w.Write(0, 2);  // LZ tables, not kept from a previous block
    for (int s = 0; s < 19; ++s) w.Write(uint32_t(bl.Length(s)), 4);
    bl.Put(&w, 16);  // "repeat the previous length" with none before
    w.Write(3, 2);
    for (int i = 0; i < 400; ++i) bl.Put(&w, 5);
    ExpectFailure(
        ExtractFrom(BuildArchive({PackedEntry("f", w.Finish(), std::vector<uint8_t>(10, 'z'))}),
                    "f"),
        "Packed data ended before the file was complete!");
}

TEST(RarUnpackerFailure, OutputBeyondTheEntrySizeIsAnOverrun)
{
    // The entry claims 20 bytes; a match runs on to 120.
    const TestEntry e =
        PackedEntry("f", PackStream(std::vector<uint8_t>(120, 'q')), std::vector<uint8_t>(20, 'q'));
    ExpectFailure(ExtractFrom(BuildArchive({e}), "f"),
                  "Fatal! Buffer overrun during decompression!");
}

// A solid archive decodes the entries before the wanted one whatever sizes
// they claim: the remaining-output count must hold any UNP_SIZE (the
// sanitizer build catches an overflow of a narrower counter).
TEST(RarUnpackerFailure, SkippedSolidEntryOfHugeClaimedSizeFailsCleanly)
{
    const std::vector<uint8_t> few(50, 'q');
    for (uint32_t claimed : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(claimed);
        TestEntry big = PackedEntry("big", PackStream(few), few);
        big.unpSize = claimed;
        ExpectFailure(ExtractFrom(BuildArchive({big, kAbc}, true), "a"),
                      "Packed data ended before the file was complete!");
        // Not wanted in a plain archive: passed over, never decoded.
        ExpectBytes(ExtractFrom(BuildArchive({big, kAbc}), "a"), Text("abc"));
    }
}

// Random bytes as packed data: any outcome but a crash or a stray access.
TEST(RarUnpackerFailure, RandomPackedDataNeverEscapesItsBuffers)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 60; ++round) {
        std::vector<uint8_t> junk(20 + rng() % 3000);
        for (auto& b : junk) b = uint8_t(rng());
        const std::vector<uint8_t> content(1 + rng() % 5000, 0);
        const auto r = ExtractFrom(BuildArchive({PackedEntry("f", junk, content)}), "f");
        EXPECT_EQ(r.rc == 1, r.bytes == content);
    }
}

// Every prefix of a solid archive from the packer (LZ and audio blocks, table
// switches inside entries) fails cleanly: no crash, no leak, no access out of
// bounds in the sanitizer build.
TEST(RarExtractTruncation, EveryPrefixOfAPackedArchiveFails)
{
    std::vector<uint8_t> text, wav;
    for (int i = 0; i < 520; ++i) {
        const std::string word = std::to_string(i * i % 9973) + (i % 5 ? " " : " fade ");
        text.insert(text.end(), word.begin(), word.end());
        const int16_t v =
            int16_t(9000 * std::sin(i * 0.05 * (1 + i % 2)) + i % 13);  // 16-bit samples
        wav.insert(wav.end(), {uint8_t(v), uint8_t(v >> 8)});
    }
    const std::vector<sunvale::RarPackEntry> entries = {
        {"text", text, 0},
        {"wav", wav, 0},
        {"last", std::vector<uint8_t>(text.begin(), text.begin() + 900), 0}};
    sunvale::RarPackOptions options;
    options.solid = true;
    options.maxBlockSymbols = 400;
    const std::vector<uint8_t> archive = PackArchive(entries, options);
    ExpectBytes(ExtractFrom(archive, "last"), entries[2].data);
    // The end block (7 bytes) and the packer's two bytes of padding aside.
    for (size_t cut = 0; cut + 9 < archive.size(); ++cut) {
        const auto r =
            ExtractFrom(std::vector<uint8_t>(archive.begin(), archive.begin() + long(cut)), "last");
        ASSERT_EQ(r.rc, 0) << "prefix of " << cut << " bytes";
        ASSERT_TRUE(r.dataNull);
        ASSERT_EQ(r.size, 0u);
    }
}
