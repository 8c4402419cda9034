#pragma once
// Test-only writers of RAR 2.0 packed streams and RAR 2.x archives, used to
// force every kind of symbol through the unpacker. The writer keeps its own
// plain model of the expected output (a byte vector and a distance cache),
// independent of the window code under test.
#include <cstdint>
#include <string>
#include <vector>

namespace rartest {

// Most-significant-bit-first bit writer.
class BitWriter {
public:
  void Put(uint32_t value, uint32_t bits);
  std::vector<uint8_t> Finish() const;  // pads the last byte with zero bits
  size_t BitCount() const { return bitCount; }

private:
  std::vector<uint8_t> bytes;
  size_t bitCount = 0;
};

struct Code {
  uint32_t bits = 0;
  uint32_t length = 0;
};

// Canonical codes (shorter first, equal lengths in symbol order).
std::vector<Code> CanonicalCodes(const std::vector<uint8_t>& lengths);

// A complete code for `count` symbols: `favourites` get lengths 1, 2, 3, ...
// and the rest share what is left with two adjacent lengths.
std::vector<uint8_t> CompleteLengths(size_t count, const std::vector<uint32_t>& favourites = {});

struct AudioModel {
  int32_t k[5] = {};
  int32_t d[4] = {};
  int32_t lastDelta = 0;
  uint32_t dif[11] = {};
  uint32_t byteCount = 0;
  int32_t lastChar = 0;
};

class StreamWriter {
public:
  // Code-length block. lz: lengths of 374 symbols (main, distance, repeat);
  // audio: 257 per channel. keepPrevious: delta against the previous block.
  // runLength: use symbols 16/17/18 for runs.
  void Tables(const std::vector<uint8_t>& lz, bool keepPrevious = false, bool runLength = true);
  void AudioTables(const std::vector<uint8_t>& lengths, uint32_t channels,
                   bool keepPrevious = false, bool runLength = true);
  // The symbol 269 (LZ) or 256 (audio) that announces new tables.
  void NewTablesMarker();

  void Literal(uint8_t byte);
  void Match(uint32_t length, uint32_t distance);  // symbols 270..297
  void RepeatLast();                               // symbol 256
  void CachedMatch(uint32_t back, uint32_t length);  // 257..260, back 1..4
  void ShortMatch(uint32_t distance);              // 261..268, length 2
  void AudioByte(uint8_t byte);                    // finds the delta that yields `byte`

  // Raw access for malformed streams.
  BitWriter& Bits() { return bits; }
  void MainSymbol(uint32_t symbol);

  std::vector<uint8_t> Finish() const { return bits.Finish(); }
  const std::vector<uint8_t>& Expected() const { return expected; }
  // Starts the next entry of a solid stream: new bits, same model.
  void NextSolidEntry() { bits = BitWriter(); entryStart = expected.size(); }
  std::vector<uint8_t> EntryOutput() const {
    return std::vector<uint8_t>(expected.begin() + long(entryStart), expected.end());
  }

  static std::vector<uint8_t> DefaultLzLengths();

private:
  void WriteLengths(const std::vector<uint8_t>& lengths, bool runLength);
  void Copy(uint32_t length, uint32_t distance);

  BitWriter bits;
  std::vector<uint8_t> previous = std::vector<uint8_t>(1028, 0);
  std::vector<Code> mainCodes, distCodes, repCodes;
  std::vector<std::vector<Code>> audioCodes;
  bool audio = false;
  uint32_t channels = 1, channel = 0;
  int32_t channelDelta = 0;
  AudioModel models[4];
  uint32_t cache[4] = {};
  uint32_t cacheCount = 0, lastLength = 0, lastDistance = 0;
  std::vector<uint8_t> expected;
  size_t entryStart = 0;
};

// One block of a test archive.
struct TestEntry {
  std::string name;
  std::vector<uint8_t> data;   // packed (or stored) bytes
  uint32_t unpSize = 0;
  uint32_t fileCrc = 0;
  uint8_t method = 0x33;       // 0x30 stored
  uint8_t unpVer = 20;
  uint16_t flags = 0x8000;
  uint8_t type = 0x74;
  bool breakHeaderCrc = false;
  uint16_t nameSizeOverride = 0;  // non-zero: NAME_SIZE field written as this
};

TestEntry StoredEntry(const std::string& name, const std::vector<uint8_t>& content);
TestEntry PackedEntry(const std::string& name, const std::vector<uint8_t>& packed,
                      const std::vector<uint8_t>& content);

std::vector<uint8_t> BuildArchive(const std::vector<TestEntry>& entries, bool solid = false,
                                  const std::string& marker = "",
                                  uint16_t archiveHeaderExtra = 0);

uint32_t Crc32(const std::vector<uint8_t>& data);

// Files in a fresh directory under /tmp made once per test process.
std::string TempPath(const std::string& name);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

}  // namespace rartest
