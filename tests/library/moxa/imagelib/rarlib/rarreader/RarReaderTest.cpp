// Archive-level behaviour of RarExtract: block walking, name matching, every
// failure cause with its log text, stored entries and truncated archives.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "RarExtractHelper.h"
#include "RarTestStream.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarState.h"

using namespace rartest;

namespace {

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// A small packed entry: some literals and matches.
struct Packed {
  std::vector<uint8_t> data, content;
};
Packed SmallPacked(const std::string& text) {
  StreamWriter w;
  w.Tables(StreamWriter::DefaultLzLengths());
  for (char c : text) w.Literal(uint8_t(c));
  w.Match(40, uint32_t(text.size()));
  w.ShortMatch(3);
  return {w.Finish(), w.Expected()};
}

void ExpectFailure(const ExtractResult& r, const std::string& message) {
  EXPECT_EQ(r.rc, 0);
  EXPECT_TRUE(r.dataNull);
  EXPECT_EQ(r.size, 0u);
  EXPECT_NE(r.log.find(message), std::string::npos) << "log was:\n" << r.log;
  EXPECT_NE(r.log.find("Error - couldn't extract >"), std::string::npos);
}

void ExpectBytes(const ExtractResult& r, const std::vector<uint8_t>& content) {
  ASSERT_EQ(r.rc, 1) << r.log;
  EXPECT_FALSE(r.dataNull);
  EXPECT_EQ(r.size, content.size());
  EXPECT_EQ(r.bytes, content);
}

}  // namespace

TEST(RarExtract, StoredEntryFoundAmongOthers) {
  const auto archive = BuildArchive({StoredEntry("data\\a.txt", Text("first")),
                                     StoredEntry("data\\texture\\tessel.jpg", Text("jpeg bytes")),
                                     StoredEntry("data\\c.txt", Text("third"))});
  ExpectBytes(ExtractFrom(archive, "data/texture/tessel.jpg"), Text("jpeg bytes"));
  ExpectBytes(ExtractFrom(archive, "data/c.txt"), Text("third"));
}

TEST(RarExtract, NamesMatchRegardlessOfCaseAndSlashes) {
  const auto archive = BuildArchive({StoredEntry("Data\\Texture\\Tessel.JPG", Text("x")),
                                     StoredEntry("data_music_song.mp3", Text("mp3"))});
  ExpectBytes(ExtractFrom(archive, "data/texture/tessel.jpg"), Text("x"));
  ExpectBytes(ExtractFrom(archive, "DATA\\TEXTURE\\TESSEL.JPG"), Text("x"));
  ExpectBytes(ExtractFrom(archive, "data/music/song.mp3"), Text("mp3"));
  ExpectFailure(ExtractFrom(archive, "data/texture/tessel.jp"), "Extracting >data/texture/tessel.jp<");
  ExpectFailure(ExtractFrom(archive, "data/texture/tessel.jpg2"), "Extracting >");
}

TEST(RarExtract, EmptyEntryGivesValidBuffer) {
  const auto r = ExtractFrom(BuildArchive({StoredEntry("empty", {})}), "empty");
  EXPECT_EQ(r.rc, 1);
  EXPECT_FALSE(r.dataNull);
  EXPECT_EQ(r.size, 0u);
}

TEST(RarExtract, ZafeloMarkerAcceptedLikeRar) {
  const auto archive = BuildArchive({StoredEntry("a", Text("abc"))}, false, "Zafelo!");
  ExpectBytes(ExtractFrom(archive, "a"), Text("abc"));
}

TEST(RarExtract, ArchiveHeaderExtraBytesAreSkipped) {
  const auto archive = BuildArchive({StoredEntry("a", Text("abc"))}, false, "", 21);
  ExpectBytes(ExtractFrom(archive, "a"), Text("abc"));
}

TEST(RarExtract, PackedEntryDecodes) {
  const Packed p = SmallPacked("hello packed world");
  const auto archive = BuildArchive({StoredEntry("x", Text("x")), PackedEntry("p.txt", p.data, p.content)});
  ExpectBytes(ExtractFrom(archive, "p.txt"), p.content);
}

TEST(RarExtract, BrokenHeaderCrcIsLoggedAndEntryStillExtracted) {
  TestEntry e = StoredEntry("a.txt", Text("content"));
  e.breakHeaderCrc = true;
  const auto r = ExtractFrom(BuildArchive({e}), "a.txt");
  ExpectBytes(r, Text("content"));
  EXPECT_NE(r.log.find("file header broken"), std::string::npos);
  // A sound header logs nothing of the kind.
  EXPECT_EQ(ExtractFrom(BuildArchive({StoredEntry("a.txt", Text("c"))}), "a.txt").log.find("broken"),
            std::string::npos);
}

TEST(RarExtract, LogRecordsFollowTheFixedLayout) {
  const auto r = ExtractFrom(BuildArchive({StoredEntry("a.txt", Text("12345"))}), "A.TXT");
  ASSERT_EQ(r.rc, 1);
  EXPECT_NE(r.log.find("(executable compiled on "), std::string::npos);
  EXPECT_NE(r.log.find(" ms (line "), std::string::npos);
  EXPECT_NE(r.log.find("RarReader.cpp):\n              - Extracting >A.TXT< from >"),
            std::string::npos)
      << r.log;
  EXPECT_NE(r.log.find("archive.rar< (password is ><)..."), std::string::npos);
  EXPECT_NE(r.log.find("              - Extracted 5 Bytes.\n"), std::string::npos);
}

TEST(RarExtract, NoLogWhenTheLogCannotBeCreated) {
  const std::string archive = TempPath("nolog.rar");
  WriteFile(archive, BuildArchive({StoredEntry("a", Text("abc"))}));
  sunvale::SetRarDebugLogPath("/nonexistent-dir-for-rar-test/log.txt");
  unsigned char* data = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(sunvale::RarExtract(&data, &size, "a", archive.c_str(), ""), 1);
  EXPECT_EQ(size, 3u);
  std::free(data);
  EXPECT_EQ(std::fopen("/nonexistent-dir-for-rar-test/log.txt", "r"), nullptr);
}

// --- failure causes, in the order they are met ---

TEST(RarExtractFailure, ArchiveCannotBeOpened) {
  ExpectFailure(ExtractPath(TempPath("does-not-exist.rar"), "a"), "Error opening file.");
}

TEST(RarExtractFailure, ShortFileOrUnknownOrOldMarker) {
  ExpectFailure(ExtractFrom({0x52, 0x61, 0x72}, "a"), "Not a RAR file");
  ExpectFailure(ExtractFrom(Text("PK\x03\x04 not rar"), "a"),
                "unknown archive type (only plain RAR supported (normal and solid archives), SFX "
                "and Volumes are NOT supported!)");
  const auto old = ExtractFrom(Text("RE~^ and the rest of an old archive"), "a");
  ExpectFailure(old, "Attention: format as OLD detected! Can't handel archive!");
  EXPECT_NE(old.log.find("Not a RAR file"), std::string::npos);
  // Marker present, archive header cut short.
  auto cut = BuildArchive({});
  cut.resize(7 + 12);
  ExpectFailure(ExtractFrom(cut, "a"), "Not a RAR file");
}

TEST(RarExtractFailure, SubBlockBeforeTheWantedEntry) {
  TestEntry sub = StoredEntry("sub", Text("xx"));
  sub.type = 0x77;
  ExpectFailure(ExtractFrom(BuildArchive({sub, StoredEntry("a", Text("abc"))}), "a"),
                "Sorry, sub-headers not supported.");
  // After the wanted entry it is never reached.
  ExpectBytes(ExtractFrom(BuildArchive({StoredEntry("a", Text("abc")), sub}), "a"), Text("abc"));
}

TEST(RarExtractFailure, OutputSizeThatTheDataCannotHold) {
  TestEntry e = StoredEntry("a", Text("abc"));
  e.unpSize = 0xFFFFFFF0u;
  ExpectFailure(ExtractFrom(BuildArchive({e}), "a"), "can't allocate memory for the file decompression");
  Packed p = SmallPacked("abc");
  TestEntry q = PackedEntry("p", p.data, p.content);
  q.unpSize = 0x7FFFFFF0u;  // far more than its few packed bytes can make
  ExpectFailure(ExtractFrom(BuildArchive({q}), "p"), "can't allocate memory for the file decompression");
}

TEST(RarExtractFailure, CompressionVersionOutside13To20) {
  for (uint8_t version : {uint8_t(29), uint8_t(12), uint8_t(21)}) {
    TestEntry e = StoredEntry("a", Text("abc"));
    e.unpVer = version;
    ExpectFailure(ExtractFrom(BuildArchive({e}), "a"), "unknown compression method");
  }
  for (uint8_t version : {uint8_t(13), uint8_t(15), uint8_t(20)}) {
    TestEntry e = StoredEntry("a", Text("abc"));
    e.unpVer = version;
    ExpectBytes(ExtractFrom(BuildArchive({e}), "a"), Text("abc"));
  }
}

TEST(RarExtractFailure, Version29BeforeTheWantedEntry) {
  TestEntry rar3 = StoredEntry("new.bin", Text("rar 3 data"));
  rar3.unpVer = 29;
  const TestEntry wanted = StoredEntry("a", Text("abc"));
  // Plain archive: passed over by offset.
  ExpectBytes(ExtractFrom(BuildArchive({rar3, wanted}), "a"), Text("abc"));
  // Solid archive: every entry before the wanted one is decoded, so it fails.
  ExpectFailure(ExtractFrom(BuildArchive({rar3, wanted}, true), "a"), "unknown compression method");
}

TEST(RarExtractFailure, CrcMismatch) {
  TestEntry e = StoredEntry("a", Text("abc"));
  e.fileCrc ^= 1;
  ExpectFailure(ExtractFrom(BuildArchive({e}), "a"), "CRC32 error - file couldn't be decompressed correctly!");
  // A stored entry whose data is shorter than its size is incomplete.
  TestEntry shortData = StoredEntry("b", Text("abc"));
  shortData.unpSize = 2;
  shortData.fileCrc = Crc32(Text("ab"));
  ExpectBytes(ExtractFrom(BuildArchive({shortData}), "b"), Text("ab"));
  // Stored data shorter than the size it claims cannot fill the buffer: it
  // is refused before anything is allocated.
  TestEntry missing = StoredEntry("c", Text("abc"));
  missing.data.pop_back();
  ExpectFailure(ExtractFrom(BuildArchive({missing}), "c"),
                "can't allocate memory for the file decompression");
}

TEST(RarExtractFailure, NameNotFoundOrScanEndsAtATinyHeader) {
  const auto archive = BuildArchive({StoredEntry("a", Text("abc"))});
  const auto r = ExtractFrom(archive, "b");
  ExpectFailure(r, "Error - couldn't extract >b< and allocated 0 Bytes of unused memory!");
  // A block with HEAD_SIZE < 7 ends the scan before the entry after it.
  auto stopped = BuildArchive({StoredEntry("a", Text("abc"))});
  const auto tail = BuildArchive({StoredEntry("b", Text("later"))});
  stopped.resize(stopped.size() - 7);  // drop the end-of-archive block
  const std::vector<uint8_t> tiny = {0, 0, 0x7A, 0, 0, 5, 0};
  stopped.insert(stopped.end(), tiny.begin(), tiny.end());
  stopped.insert(stopped.end(), tail.begin() + 20, tail.end());
  ExpectFailure(ExtractFrom(stopped, "b"), "Error - couldn't extract >b<");
}

TEST(RarExtractFailure, EarlierCauseWinsOverLaterOnes) {
  // Sub-block first, then a wanted entry of an unknown version.
  TestEntry sub = StoredEntry("sub", Text("s"));
  sub.type = 0x77;
  TestEntry bad = StoredEntry("a", Text("abc"));
  bad.unpVer = 29;
  const auto r = ExtractFrom(BuildArchive({sub, bad}), "a");
  ExpectFailure(r, "Sorry, sub-headers not supported.");
  EXPECT_EQ(r.log.find("unknown compression method"), std::string::npos);
}

// --- buffers and cut texts ---

TEST(RarExtract, PasswordBufferIsClearedAfterEveryCall) {
  const auto archive = BuildArchive({StoredEntry("a", Text("abc"))});
  for (const char* name : {"a", "missing"}) {
    ExtractFrom(archive, name, "secret password");
    for (char c : sunvale::gRar.password) ASSERT_EQ(c, 0);
  }
  const std::string longPassword(1000, 'p');
  const auto r = ExtractFrom(archive, "a", longPassword.c_str());
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.log.find("(password is >" + std::string(254, 'p') + "<)"), std::string::npos);
  for (char c : sunvale::gRar.password) ASSERT_EQ(c, 0);
}

TEST(RarExtract, LongNamesAreCutTo259AndDataFoundAfterTheWholeHeader) {
  const std::string longName(300, 'n');
  const auto archive = BuildArchive({StoredEntry(longName, Text("long")),
                                     StoredEntry("b", Text("bee"))});
  // The stored name is cut to 259 characters, the wanted name likewise.
  ExpectBytes(ExtractFrom(archive, longName.c_str()), Text("long"));
  ExpectBytes(ExtractFrom(archive, std::string(259, 'n').c_str()), Text("long"));
  ExpectBytes(ExtractFrom(archive, "b"), Text("bee"));
}

TEST(RarExtract, NullPasswordKeepsTheClearedBuffer) {
  const auto r = ExtractFrom(BuildArchive({StoredEntry("a", Text("abc"))}), "a", nullptr);
  ExpectBytes(r, Text("abc"));
  EXPECT_NE(r.log.find("(password is ><)"), std::string::npos);
}

// Every prefix of a valid archive fails cleanly (no crash, no leak, no
// out-of-bounds access in the sanitizer build).
TEST(RarExtractTruncation, EveryPrefixOfAPackedArchiveFails) {
  StreamWriter w;
  w.Tables(StreamWriter::DefaultLzLengths());
  for (int i = 0; i < 300; ++i) w.Literal(uint8_t(i * 7));
  w.Match(200, 1);
  w.CachedMatch(1, 30);
  w.NewTablesMarker();
  w.Tables(StreamWriter::DefaultLzLengths(), true);
  for (int i = 0; i < 50; ++i) w.ShortMatch(uint32_t(1 + i % 200));
  const auto archive = BuildArchive({StoredEntry("s", Text("stored")),
                                     PackedEntry("p", w.Finish(), w.Expected())});
  ASSERT_EQ(ExtractFrom(archive, "p").rc, 1);
  for (size_t cut = 0; cut + 7 < archive.size(); ++cut) {
    const std::vector<uint8_t> prefix(archive.begin(), archive.begin() + long(cut));
    const auto r = ExtractFrom(prefix, "p");
    ASSERT_EQ(r.rc, 0) << "prefix of " << cut << " bytes";
    ASSERT_TRUE(r.dataNull);
    ASSERT_EQ(r.size, 0u);
  }
}
