// Test-only RAR 2.0 stream and archive writers (see RarTestStream.h).
#include "RarTestStream.h"

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace rartest {

namespace {

const uint32_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                  2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
const uint32_t kDistBits[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
const uint32_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

template <size_t N>
uint32_t Base(const uint32_t (&bits)[N], size_t index) {
  uint32_t base = 0;
  for (size_t i = 0; i < index; ++i) base += 1u << bits[i];
  return base;
}

// Code index and extra value for `value` in a base/extra-bits table.
template <size_t N>
void Split(const uint32_t (&bits)[N], uint32_t value, uint32_t* index, uint32_t* extra) {
  for (size_t i = 0; i < N; ++i) {
    const uint32_t base = Base(bits, i);
    if (value >= base && value < base + (1u << bits[i])) {
      *index = uint32_t(i);
      *extra = value - base;
      return;
    }
  }
  throw std::runtime_error("value out of code range");
}

void Emit(BitWriter& w, const Code& c) {
  if (c.length == 0) throw std::runtime_error("symbol without a code");
  w.Put(c.bits, c.length);
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

void SetHeaderCrc(std::vector<uint8_t>& block, size_t start, bool broken) {
  uint32_t crc = uint32_t(crc32(0, block.data() + start + 2, uInt(block.size() - start - 2)));
  if (broken) crc ^= 0x5A5A;
  block[start] = uint8_t(crc);
  block[start + 1] = uint8_t(crc >> 8);
}

}  // namespace

void BitWriter::Put(uint32_t value, uint32_t n) {
  for (uint32_t i = n; i-- > 0;) {
    if (bitCount % 8 == 0) bytes.push_back(0);
    if ((value >> i) & 1) bytes.back() |= uint8_t(0x80 >> (bitCount % 8));
    ++bitCount;
  }
}

std::vector<uint8_t> BitWriter::Finish() const { return bytes; }

std::vector<Code> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  std::vector<Code> codes(lengths.size());
  uint32_t code = 0;
  for (uint32_t len = 1; len <= 15; ++len) {
    for (size_t s = 0; s < lengths.size(); ++s) {
      if (lengths[s] == len) codes[s] = Code{code++, len};
    }
    code <<= 1;
  }
  return codes;
}

std::vector<uint8_t> CompleteLengths(size_t count, const std::vector<uint32_t>& favourites) {
  std::vector<uint8_t> lengths(count, 0);
  uint32_t budget = 1u << 15;  // units of 2^-15
  uint32_t len = 1;
  for (uint32_t f : favourites) {
    lengths[f] = uint8_t(len);
    budget -= 1u << (15 - len);
    ++len;
  }
  const uint32_t rest = uint32_t(count - favourites.size());
  for (uint32_t l = 1; l < 15; ++l) {
    // x symbols of length l and rest - x of length l + 1 fill the budget.
    const uint32_t unit = 1u << (14 - l);
    if (budget % unit) continue;
    const int64_t x = int64_t(budget / unit) - rest;
    if (x < 0 || x > rest) continue;
    uint32_t placed = 0;
    for (size_t s = 0; s < count; ++s) {
      if (lengths[s]) continue;
      lengths[s] = uint8_t(placed++ < x ? l : l + 1);
    }
    return lengths;
  }
  throw std::runtime_error("no complete code");
}

std::vector<uint8_t> StreamWriter::DefaultLzLengths() {
  std::vector<uint8_t> all = CompleteLengths(298);
  const std::vector<uint8_t> dist = CompleteLengths(48);
  const std::vector<uint8_t> rep = CompleteLengths(28);
  all.insert(all.end(), dist.begin(), dist.end());
  all.insert(all.end(), rep.begin(), rep.end());
  return all;
}

void StreamWriter::WriteLengths(const std::vector<uint8_t>& lengths, bool runLength) {
  // Bit-length code: a complete code over the 19 symbols.
  const std::vector<uint8_t> bl = CompleteLengths(19);
  for (uint8_t l : bl) bits.Put(l, 4);
  const std::vector<Code> blCodes = CanonicalCodes(bl);
  const size_t n = lengths.size();
  for (size_t i = 0; i < n;) {
    if (runLength) {
      size_t run = 1;
      while (i + run < n && lengths[i + run] == lengths[i]) ++run;
      if (lengths[i] == 0 && run >= 11) {
        const size_t take = run > 138 ? 138 : run;
        Emit(bits, blCodes[18]);
        bits.Put(uint32_t(take - 11), 7);
        i += take;
        continue;
      }
      if (lengths[i] == 0 && run >= 3) {
        const size_t take = run > 10 ? 10 : run;
        Emit(bits, blCodes[17]);
        bits.Put(uint32_t(take - 3), 3);
        i += take;
        continue;
      }
      if (i > 0 && lengths[i] == lengths[i - 1]) {
        size_t same = 0;
        while (i + same < n && lengths[i + same] == lengths[i - 1] && same < 6) ++same;
        if (same >= 3) {
          Emit(bits, blCodes[16]);
          bits.Put(uint32_t(same - 3), 2);
          i += same;
          continue;
        }
      }
    }
    Emit(bits, blCodes[(lengths[i] - previous[i]) & 15]);
    ++i;
  }
  std::fill(previous.begin(), previous.end(), 0);
  std::copy(lengths.begin(), lengths.end(), previous.begin());
}

void StreamWriter::Tables(const std::vector<uint8_t>& lz, bool keepPrevious, bool runLength) {
  if (lz.size() != 374) throw std::runtime_error("LZ tables hold 374 lengths");
  bits.Put(0, 1);
  bits.Put(keepPrevious ? 1 : 0, 1);
  if (!keepPrevious) std::fill(previous.begin(), previous.end(), 0);
  WriteLengths(lz, runLength);
  audio = false;
  mainCodes = CanonicalCodes(std::vector<uint8_t>(lz.begin(), lz.begin() + 298));
  distCodes = CanonicalCodes(std::vector<uint8_t>(lz.begin() + 298, lz.begin() + 346));
  repCodes = CanonicalCodes(std::vector<uint8_t>(lz.begin() + 346, lz.end()));
}

void StreamWriter::AudioTables(const std::vector<uint8_t>& lengths, uint32_t count,
                               bool keepPrevious, bool runLength) {
  if (lengths.size() != 257 * count) throw std::runtime_error("257 lengths per channel");
  bits.Put(1, 1);
  bits.Put(keepPrevious ? 1 : 0, 1);
  bits.Put(count - 1, 2);
  if (!keepPrevious) std::fill(previous.begin(), previous.end(), 0);
  WriteLengths(lengths, runLength);
  audio = true;
  channels = count;
  if (channel >= channels) channel = 0;
  audioCodes.clear();
  for (uint32_t c = 0; c < count; ++c)
    audioCodes.push_back(CanonicalCodes(
        std::vector<uint8_t>(lengths.begin() + 257 * c, lengths.begin() + 257 * (c + 1))));
}

void StreamWriter::NewTablesMarker() {
  if (audio) {
    Emit(bits, audioCodes[channel][256]);
  } else {
    MainSymbol(269);
  }
}

void StreamWriter::MainSymbol(uint32_t symbol) { Emit(bits, mainCodes.at(symbol)); }

void StreamWriter::Literal(uint8_t byte) {
  MainSymbol(byte);
  expected.push_back(byte);
}

void StreamWriter::Copy(uint32_t length, uint32_t distance) {
  cache[cacheCount & 3] = distance;
  ++cacheCount;
  lastLength = length;
  lastDistance = distance;
  for (uint32_t i = 0; i < length; ++i) {
    const size_t size = expected.size();
    // Before the first byte the window holds zeros.
    expected.push_back(distance <= size ? expected[size - distance] : 0);
  }
}

void StreamWriter::Match(uint32_t length, uint32_t distance) {
  const uint32_t bonus = (distance >= 0x2000) + (distance >= 0x40000);
  uint32_t li, le, di, de;
  Split(kLengthBits, length - bonus - 3, &li, &le);
  Split(kDistBits, distance - 1, &di, &de);
  MainSymbol(270 + li);
  if (kLengthBits[li]) bits.Put(le, kLengthBits[li]);
  Emit(bits, distCodes.at(di));
  if (kDistBits[di]) bits.Put(de, kDistBits[di]);
  Copy(length, distance);
}

void StreamWriter::RepeatLast() {
  MainSymbol(256);
  Copy(lastLength, lastDistance);
}

void StreamWriter::CachedMatch(uint32_t back, uint32_t length) {
  const uint32_t distance = cache[(cacheCount - back) & 3];
  const uint32_t bonus = (distance >= 0x101) + (distance >= 0x2000) + (distance >= 0x40000);
  uint32_t ri, re;
  Split(kLengthBits, length - bonus - 2, &ri, &re);
  MainSymbol(256 + back);
  Emit(bits, repCodes.at(ri));
  if (kLengthBits[ri]) bits.Put(re, kLengthBits[ri]);
  Copy(length, distance);
}

void StreamWriter::ShortMatch(uint32_t distance) {
  uint32_t si, se;
  Split(kShortBits, distance - 1, &si, &se);
  MainSymbol(261 + si);
  bits.Put(se, kShortBits[si]);
  Copy(2, distance);
}

void StreamWriter::AudioByte(uint8_t byte) {
  AudioModel& v = models[channel];
  v.byteCount++;
  v.d[3] = v.d[2];
  v.d[2] = v.d[1];
  v.d[1] = v.lastDelta - v.d[0];
  v.d[0] = v.lastDelta;
  const int64_t p = 8 * int64_t(v.lastChar) + int64_t(v.k[0]) * v.d[0] + int64_t(v.k[1]) * v.d[1] +
                    int64_t(v.k[2]) * v.d[2] + int64_t(v.k[3]) * v.d[3] +
                    int64_t(v.k[4]) * channelDelta;
  const uint32_t predicted = uint32_t((p >> 3) & 0xFF);
  const uint32_t delta = (predicted - byte) & 0xFF;
  Emit(bits, audioCodes[channel][delta]);

  const int32_t d = int32_t(int8_t(delta)) * 8;
  const int32_t refs[5] = {v.d[0], v.d[1], v.d[2], v.d[3], channelDelta};
  v.dif[0] += uint32_t(std::abs(d));
  for (int r = 0; r < 5; ++r) {
    v.dif[1 + 2 * r] += uint32_t(std::abs(d - refs[r]));
    v.dif[2 + 2 * r] += uint32_t(std::abs(d + refs[r]));
  }
  channelDelta = v.lastDelta = int32_t(int8_t(uint8_t(byte - v.lastChar)));
  v.lastChar = byte;
  if (v.byteCount % 32 == 0) {
    int best = 0;
    for (int i = 1; i < 11; ++i)
      if (v.dif[i] < v.dif[best]) best = i;
    for (uint32_t& x : v.dif) x = 0;
    if (best > 0) {
      int32_t& k = v.k[(best - 1) / 2];
      if (best % 2 == 1 && k >= -16) --k;
      if (best % 2 == 0 && k < 16) ++k;
    }
  }
  expected.push_back(byte);
  channel = (channel + 1) % channels;
}

TestEntry StoredEntry(const std::string& name, const std::vector<uint8_t>& content) {
  TestEntry e;
  e.name = name;
  e.data = content;
  e.unpSize = uint32_t(content.size());
  e.fileCrc = Crc32(content);
  e.method = 0x30;
  return e;
}

TestEntry PackedEntry(const std::string& name, const std::vector<uint8_t>& packed,
                      const std::vector<uint8_t>& content) {
  TestEntry e;
  e.name = name;
  e.data = packed;
  e.unpSize = uint32_t(content.size());
  e.fileCrc = Crc32(content);
  return e;
}

std::vector<uint8_t> BuildArchive(const std::vector<TestEntry>& entries, bool solid,
                                  const std::string& marker, uint16_t archiveHeaderExtra) {
  std::vector<uint8_t> out;
  if (marker.empty()) {
    out = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
  } else {
    out.assign(marker.begin(), marker.end());
  }
  const size_t mainStart = out.size();
  Put16(out, 0);
  out.push_back(0x73);
  Put16(out, solid ? 0x0008 : 0);
  Put16(out, 13 + archiveHeaderExtra);
  Put16(out, 0);
  Put32(out, 0);
  out.insert(out.end(), archiveHeaderExtra, 0xEE);
  SetHeaderCrc(out, mainStart, false);
  out.resize(mainStart + 13 + archiveHeaderExtra);
  for (const TestEntry& e : entries) {
    const size_t start = out.size();
    Put16(out, 0);
    out.push_back(e.type);
    Put16(out, e.flags);
    Put16(out, uint32_t(32 + e.name.size()));
    Put32(out, uint32_t(e.data.size()));
    Put32(out, e.unpSize);
    out.push_back(3);  // Unix
    Put32(out, e.fileCrc);
    Put32(out, 0x5A210000);
    out.push_back(e.unpVer);
    out.push_back(e.method);
    Put16(out, e.nameSizeOverride ? e.nameSizeOverride : uint32_t(e.name.size()));
    Put32(out, 0x81A4);
    out.insert(out.end(), e.name.begin(), e.name.end());
    SetHeaderCrc(out, start, e.breakHeaderCrc);
    out.insert(out.end(), e.data.begin(), e.data.end());
  }
  const size_t end = out.size();
  Put16(out, 0);
  out.push_back(0x7B);
  Put16(out, 0x4000);
  Put16(out, 7);
  SetHeaderCrc(out, end, false);
  return out;
}

uint32_t Crc32(const std::vector<uint8_t>& data) {
  return uint32_t(crc32(0, data.data(), uInt(data.size())));
}

std::string TempPath(const std::string& name) {
  static const std::string dir = [] {
    char templ[] = "/tmp/rarreader_test_XXXXXX";
    const char* made = mkdtemp(templ);
    return std::string(made ? made : "/tmp");
  }();
  return dir + "/" + name;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  return bytes;
}

}  // namespace rartest
