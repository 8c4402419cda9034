// Packed stream of the long entry: one block of code tables, 64 literals, one
// match of 258 at distance 64, then the repeat-last-match symbol until fewer
// than 258 bytes are left, which go as literals.
//
// Code tables: main symbols 256 and 297 take 2-bit codes, the 256 literals
// 9-bit codes (a complete code); the distance table holds code 11 only
// (1 bit; distances 49..64 with 4 extra bits); the bit-length code gives each
// of the lengths 0, 1, 2 and 9 a 2-bit code.
#include "LongRunArchive.h"

#include <array>

#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCrc32.h"

namespace moxatest {

namespace {

constexpr char kLine[] = "sunvale long entry: one text line, repeated to any size........\n";
static_assert(sizeof(kLine) - 1 == 64, "the line is 64 bytes");
constexpr uint32_t kMatch = 258;  // length code 27 with extra bits 31
constexpr uint32_t kDistCode = 11;

void Put16(std::vector<uint8_t>* out, uint32_t v)
{
    out->push_back(uint8_t(v));
    out->push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>* out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void SealHeader(std::vector<uint8_t>* out, size_t start)
{
    const uint32_t crc =
        sunvale::RarCrc32::Checksum(out->data() + start + 2, out->size() - start - 2);
    (*out)[start] = uint8_t(crc);
    (*out)[start + 1] = uint8_t(crc >> 8);
}

void WriteLiteral(sunvale::RarBitWriter* bits, uint8_t byte) { bits->Write(256u + byte, 9); }

std::vector<uint8_t> PackedStream(uint32_t size)
{
    sunvale::RarBitWriter bits;
    bits.Write(0, 2);  // LZ mode, previous lengths cleared
    // Bit-length code lengths of symbols 0..18: 0, 1, 2 and 9 have 2 bits.
    for (uint32_t s = 0; s < 19; ++s) bits.Write(s <= 2 || s == 9 ? 2 : 0, 4);
    // Canonical codes: 0 -> 00, 1 -> 01, 2 -> 10, 9 -> 11.
    const auto lengthCode = [](uint32_t length) { return length == 9 ? 3u : length; };
    for (uint32_t i = 0; i < 374; ++i) {
        uint32_t length = 0;
        if (i < 256) length = 9;
        if (i == 256 || i == 297) length = 2;
        if (i == 298 + kDistCode) length = 1;
        bits.Write(lengthCode(length), 2);
    }
    uint64_t pos = 0;
    for (; pos < size && pos < 64; ++pos) WriteLiteral(&bits, LongRunByte(pos));
    if (size - pos >= kMatch) {
        bits.Write(1, 2);   // symbol 297: length code 27
        bits.Write(31, 5);  // 224 + 3 + 31 = 258
        bits.Write(0, 1);   // distance code 11
        bits.Write(15, 4);  // 48 + 1 + 15 = 64
        pos += kMatch;
        for (; size - pos >= kMatch; pos += kMatch) bits.Write(0, 2);  // symbol 256
    }
    for (; pos < size; ++pos) WriteLiteral(&bits, LongRunByte(pos));
    std::vector<uint8_t> packed = bits.Finish();
    packed.insert(packed.end(), 2, 0);  // room for a decoder's 16-bit peek ahead
    return packed;
}

uint32_t LongRunCrc(uint32_t size)
{
    std::vector<uint8_t> chunk(1u << 20);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = LongRunByte(i);
    uint32_t crc = 0xFFFFFFFFu;
    for (uint32_t left = size; left > 0;) {
        const uint32_t n = left < chunk.size() ? left : uint32_t(chunk.size());
        crc = sunvale::RarCrc32::Update(crc, chunk.data(), n);
        left -= n;
    }
    return ~crc;
}

}  // namespace

uint8_t LongRunByte(uint64_t pos) { return uint8_t(kLine[pos % 64]); }

std::vector<uint8_t> LongRunArchive(const std::string& name, uint32_t size)
{
    std::vector<uint8_t> out = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    const size_t archiveHeader = out.size();
    Put16(&out, 0);
    out.push_back(0x73);
    Put16(&out, 0);
    Put16(&out, 13);
    Put16(&out, 0);
    Put32(&out, 0);
    SealHeader(&out, archiveHeader);

    const std::vector<uint8_t> packed = PackedStream(size);
    const size_t fileHeader = out.size();
    Put16(&out, 0);
    out.push_back(0x74);
    Put16(&out, 0x8000);
    Put16(&out, uint32_t(32 + name.size()));
    Put32(&out, uint32_t(packed.size()));
    Put32(&out, size);
    out.push_back(2);  // host OS: Win32
    Put32(&out, LongRunCrc(size));
    Put32(&out, (46u << 25) | (1u << 21) | (1u << 16));  // 2026-01-01
    out.push_back(20);
    out.push_back(0x33);
    Put16(&out, uint32_t(name.size()));
    Put32(&out, 0x20);
    out.insert(out.end(), name.begin(), name.end());
    SealHeader(&out, fileHeader);
    out.insert(out.end(), packed.begin(), packed.end());

    const size_t end = out.size();
    Put16(&out, 0);
    out.push_back(0x7B);
    Put16(&out, 0x4000);
    Put16(&out, 7);
    SealHeader(&out, end);
    return out;
}

}  // namespace moxatest
