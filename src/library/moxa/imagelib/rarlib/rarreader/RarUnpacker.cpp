// RAR 2.0 decompression: the symbol loop over the main (or audio) tables,
// match copies through the 1 MiB window, code-table blocks and the moves of
// finished bytes from the window into the output buffer.
//
// Format notes:
// - Main symbols: 0..255 literals; 256 repeats the last match; 257..260 take
//   the 1st..4th most recent distance with a length from the repeat table;
//   261..268 are two-byte matches at short distances; 269 starts a new block
//   of code tables; 270..297 are length codes followed by a distance code.
// - Long distances lengthen matches: +1 from 0x2000, +1 more from 0x40000
//   (and +1 from 0x101 for cached distances).
// - In a solid archive the next entry's first tables may sit at the end of
//   the previous entry's data (PeekTablesAtEnd).
#include "library/moxa/imagelib/rarlib/rarreader/RarUnpacker.h"

#include <array>
#include <cstring>

#include "library/moxa/imagelib/rarlib/rarreader/AudioRunDecoder.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarBitBuffer.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCrc32.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarInput.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarLog.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarState.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarStream.h"

namespace sunvale {

namespace {

constexpr uint32_t kWindowMask = RarState::kWindowMask;
constexpr uint32_t kWindowSize = RarState::kWindowSize;

// Refill points: input positions past which the buffer is refilled before a
// main-loop symbol, at the start of a table block and before each code length.
constexpr uint32_t kRefillMainLoop = 8162;
constexpr uint32_t kRefillTables = 8167;
constexpr uint32_t kRefillLengths = 8187;

// A flush is due when the window position comes this close to unflushed bytes.
constexpr uint32_t kFlushMargin = 270;

constexpr uint32_t kTableSizeLz =
    RarState::kMainSymbols + RarState::kDistSymbols + RarState::kRepSymbols;  // 374

template <size_t N>
constexpr std::array<uint32_t, N> BasesFromBits(const std::array<uint8_t, N>& bits)
{
    std::array<uint32_t, N> base{};
    for (size_t i = 1; i < N; ++i) base[i] = base[i - 1] + (1u << bits[i - 1]);
    return base;
}

// Length codes (main symbols 270..297 and the repeat-length table).
constexpr std::array<uint8_t, 28> kLengthBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr std::array<uint32_t, 28> kLengthBase = BasesFromBits(kLengthBits);

// Distance codes: four without extra bits, two each of 1..15, then 14 of 16.
constexpr std::array<uint8_t, 48> kDistBits = {
    0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10,
    11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr std::array<uint32_t, 48> kDistBase = BasesFromBits(kDistBits);

// Short distances (main symbols 261..268).
constexpr std::array<uint8_t, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};
constexpr std::array<uint32_t, 8> kShortBase = BasesFromBits(kShortBits);

static_assert(kLengthBase[27] == 224, "length bases");
static_assert(kDistBase[47] == 983040, "distance bases");
static_assert(kShortBase[7] == 192, "short distance bases");

// Copies fewer than 8 bytes whose source and destination do not overlap,
// or whose source lies ahead of the destination (then each load reads the
// old bytes, as a forward byte copy would).
[[gnu::always_inline]] inline void CopyShort(uint8_t* d, const uint8_t* s, uint32_t length)
{
    uint32_t i = 0;
    if (length & 4) {
        uint32_t v;
        std::memcpy(&v, s, 4);
        std::memcpy(d, &v, 4);
        i = 4;
    }
    if (length & 2) {
        uint16_t v;
        std::memcpy(&v, s + i, 2);
        std::memcpy(d + i, &v, 2);
        i += 2;
    }
    if (length & 1) d[i] = s[i];
}

// 8-byte chunks from `back` bytes behind; exact when back >= 8 and the bytes
// before d + i are final.
[[gnu::always_inline]] inline uint32_t CopyChunks(uint8_t* d, uint32_t i, uint32_t length,
                                                  uint32_t back)
{
    for (; i + 8 <= length; i += 8) {
        uint64_t chunk;
        std::memcpy(&chunk, d + i - back, 8);
        std::memcpy(d + i, &chunk, 8);
    }
    return i;
}

// Copies a match inside the window and returns the new window position.
// The result equals a byte-by-byte copy of window[(p - distance) & mask].
// Runs that do not wrap go in 8-byte chunks; matches are mostly short, and
// a memmove call or a byte loop per match cost a fifth of the decoding time
// on text.
[[gnu::always_inline]] inline uint32_t CopyBytes(uint8_t* window, uint32_t pos, uint32_t length,
                                                 uint32_t distance)
{
    const uint32_t src = (pos - distance) & kWindowMask;
    // Distance 0 (an empty cache slot) or a whole window: every byte is copied
    // onto itself.
    if (src == pos) return (pos + length) & kWindowMask;
    if (pos + length <= kWindowSize && src + length <= kWindowSize) {
        uint8_t* d = window + pos;
        const uint8_t* s = window + src;
        if (src > pos) {
            // Source ahead (the window wrapped): forward copy of old bytes.
            uint32_t i = 0;
            for (; i + 8 <= length; i += 8) {
                uint64_t chunk;
                std::memcpy(&chunk, s + i, 8);
                std::memcpy(d + i, &chunk, 8);
            }
            CopyShort(d + i, s + i, length - i);
        } else if (length < 8 && distance >= length) {
            CopyShort(d, s, length);
        } else if (distance >= 8) {
            const uint32_t i = CopyChunks(d, 0, length, distance);
            // The last 8 bytes again, overlapping what is written: same values.
            if (i < length) CopyChunks(d, length - 8, length, distance);
        } else if (distance == 1) {
            std::memset(d, s[0], length);
        } else {
            // Short period: write one whole period of at least 8 bytes, then
            // repeat it in chunks.
            const uint32_t period = distance * ((8 + distance - 1) / distance);
            uint32_t i = 0;
            for (; i < length && i < period; ++i) d[i] = s[i];
            i = CopyChunks(d, i, length, period);
            for (; i < length; ++i) d[i] = d[i - distance];
        }
        return (pos + length) & kWindowMask;
    }
    for (uint32_t i = 0; i < length; ++i) {
        window[pos] = window[(pos - distance) & kWindowMask];
        pos = (pos + 1) & kWindowMask;
    }
    return pos;
}

// Adds a distance to the cache of the four most recent ones.
inline void RememberMatch(RarState& s, uint32_t length, uint32_t distance)
{
    s.distCache[s.distCount & 3] = distance;
    s.distCount += 1;
    s.lastDist = distance;
    s.lastLength = length;
}

// Decodes LZ symbols into the window until a limit of `run` is reached or
// symbol 269 (new tables) is read. One refill of the bit buffer serves a
// whole symbol with its extra bits and distance (at most 51 bits).
void DecodeLzRun(RarState& s, SymbolRun& run)
{
    uint8_t* const window = s.window;
    const HuffTable& mainTable = s.mainTable;
    RarBitBuffer bits(s.input.buffer, run.bitPos);
    const uint32_t limit = run.limit;
    const uint32_t bitLimit = run.bitLimit;
    uint32_t pos = run.pos;
    uint32_t produced = 0;
    bool tableSwitch = false;
    do {
        bits.Refill();
        uint32_t n;
        const uint32_t symbol = DecodeWord(mainTable, bits.Word(), n);
        bits.Drop(n);
        if (symbol < 256) {
            window[pos] = uint8_t(symbol);
            pos = (pos + 1) & kWindowMask;
            ++produced;
            continue;
        }
        uint32_t length;
        uint32_t distance;
        if (symbol >= 270) {
            const uint32_t code = symbol - 270;
            length = kLengthBase[code] + 3 + bits.Take(kLengthBits[code]);
            const uint32_t distCode = DecodeWord(s.distTable, bits.Word(), n);
            bits.Drop(n);
            distance = kDistBase[distCode] + 1 + bits.Take(kDistBits[distCode]);
            if (distance >= 0x2000) {
                ++length;
                if (distance >= 0x40000) ++length;
            }
        } else if (symbol == 269) {
            tableSwitch = true;
            break;
        } else if (symbol == 256) {
            length = s.lastLength;
            distance = s.lastDist;
        } else if (symbol < 261) {
            distance = s.distCache[(s.distCount - (symbol - 256)) & 3];
            const uint32_t code = DecodeWord(s.repTable, bits.Word(), n);
            bits.Drop(n);
            length = kLengthBase[code] + 2 + bits.Take(kLengthBits[code]);
            if (distance >= 0x101) {
                ++length;
                if (distance >= 0x2000) {
                    ++length;
                    if (distance >= 0x40000) ++length;
                }
            }
        } else {
            const uint32_t code = symbol - 261;
            distance = kShortBase[code] + 1 + bits.Take(kShortBits[code]);
            length = 2;
        }
        RememberMatch(s, length, distance);
        produced += length;
        pos = CopyBytes(window, pos, length, distance);
    } while (produced < limit && bits.BitPos() <= bitLimit);
    run.bitPos = bits.BitPos();
    run.pos = pos;
    run.produced = produced;
    run.tableSwitch = tableSwitch;
}

// The symbol loop. Before each run of symbols it makes the checks due before
// a symbol (input refill, end of input, window flush) and works out how far
// the run may go before any of them could be due again; the runs then decode
// without per-symbol checks.
bool DecodeSymbols(RarState& s)
{
    RarBitInput& in = s.input;
    while (s.remaining >= 0) {
        s.windowPos &= kWindowMask;
        if (in.inPos > kRefillMainLoop) RefillInput(s, false);
        // The packed data ended inside the last symbol: stop, the output is
        // incomplete (stale buffer bytes are not decoded).
        if (in.Exhausted()) break;
        const uint32_t unflushed = (s.writePos - s.windowPos) & kWindowMask;
        if (unflushed < kFlushMargin && unflushed != 0) {
            FlushWindow(s);
            if (s.remaining < 0) break;  // output overrun
            continue;
        }

        // The run ends before a symbol that would find the input position past
        // the refill point or past the valid bytes, the window within the flush
        // margin of unflushed bytes, or no output left to produce. A symbol
        // writes at most 260 bytes, less than the margin, so the run cannot step
        // over the flush point.
        SymbolRun run;
        run.bitPos = in.BitPos();
        const uint32_t refillBit = kRefillMainLoop * 8 + 7;
        run.bitLimit = in.readTop * 8 < refillBit ? in.readTop * 8 : refillBit;
        run.pos = s.windowPos;
        const uint32_t room = (unflushed == 0 ? kWindowSize : unflushed) - (kFlushMargin - 1);
        const uint64_t toProduce = uint64_t(s.remaining) + 1;
        run.limit = toProduce < room ? uint32_t(toProduce) : room;
        if (s.audioMode) {
            DecodeAudioRun(s, run);
        } else {
            DecodeLzRun(s, run);
        }
        in.SetBitPos(run.bitPos);
        s.windowPos = run.pos;
        s.remaining -= int64_t(run.produced);
        if (run.tableSwitch && !ReadCodeTables(s)) break;
    }
    s.windowPos &= kWindowMask;
    return !in.Exhausted() && s.tablesValid;
}

// One piece of the wanted entry to the sink, counted into the running CRC.
void DeliverToSink(RarState& s, const uint8_t* data, uint32_t size)
{
    if (size == 0) return;
    s.sinkCrc = RarCrc32::Update(s.sinkCrc, data, size);
    if (!s.sinkFailed && !s.sink->Write(data, size)) s.sinkFailed = true;
}

}  // namespace

void ResetUnpackState(RarState& s, bool solidContinuation)
{
    s.input.inPos = 0;
    s.input.inBit = 0;
    if (solidContinuation) return;
    s.curChannel = 0;
    s.channelDelta = 0;
    s.audio.fill(AudioChannel{});
    s.distCache.fill(0);
    s.distCount = 0;
    s.prevLengths.fill(0);
    s.lastDist = 0;
    s.lastLength = 0;
    s.windowPos = 0;
    s.writePos = 0;
    if (s.window) std::memset(s.window, 0, kWindowSize);
}

void ClearUnpackState(RarState& s)
{
    ResetUnpackState(s, false);
    s.input.readTop = 0;
    s.audioMode = false;
    s.channels = 1;
    const std::array<uint8_t, RarState::kTableBytes> none{};
    BuildDecodeTable(none.data(), s.mainTable, RarState::kMainSymbols);
    BuildDecodeTable(none.data(), s.distTable, RarState::kDistSymbols);
    BuildDecodeTable(none.data(), s.repTable, RarState::kRepSymbols);
    BuildDecodeTable(none.data(), s.bitLengthTable, RarState::kBitLengthSymbols);
    for (HuffTable& t : s.audioTables) BuildDecodeTable(none.data(), t, RarState::kAudioSymbols);
    s.tablesValid = false;
    s.inputFailed = false;
}

bool ReadCodeTables(RarState& s)
{
    s.tablesValid = false;
    if (s.input.inPos > kRefillTables) RefillInput(s, false);
    RarBitInput& in = s.input;

    const uint32_t v = in.Peek16();
    s.audioMode = (v & 0x8000) != 0;
    if (!(v & 0x4000)) s.prevLengths.fill(0);
    in.Consume(2);

    uint32_t tableSize = kTableSizeLz;
    if (s.audioMode) {
        s.channels = ((v >> 12) & 3) + 1;
        if (s.curChannel >= s.channels) s.curChannel = 0;
        in.Consume(2);
        tableSize = s.channels * RarState::kAudioSymbols;
    }

    std::array<uint8_t, RarState::kBitLengthSymbols> bitLengths{};
    for (uint8_t& length : bitLengths) length = uint8_t(in.GetBits(4));
    BuildDecodeTable(bitLengths.data(), s.bitLengthTable, RarState::kBitLengthSymbols);

    // Only lengths[0 .. tableSize - 1] are read; the entries past the table
    // size keep their previous values, so that a later, larger table (LZ
    // after mono audio, four channels after one) delta-codes against them.
    std::array<uint8_t, RarState::kTableBytes> lengths = s.prevLengths;
    for (uint32_t i = 0; i < tableSize;) {
        if (in.inPos > kRefillLengths) RefillInput(s, false);
        const uint32_t symbol = DecodeSymbol(in, s.bitLengthTable);
        if (symbol < 16) {
            lengths[i] = uint8_t((s.prevLengths[i] + symbol) & 15);
            ++i;
        } else if (symbol == 16) {
            // Repeats the previous length: malformed as the first entry.
            if (i == 0) return false;
            uint32_t n = (in.Peek16() >> 14) + 3;
            in.Consume(2);
            for (; n > 0 && i < tableSize; --n, ++i) lengths[i] = lengths[i - 1];
        } else {
            uint32_t n;
            if (symbol == 17) {
                n = (in.Peek16() >> 13) + 3;
                in.Consume(3);
            } else {
                n = (in.Peek16() >> 9) + 11;
                in.Consume(7);
            }
            for (; n > 0 && i < tableSize; --n, ++i) lengths[i] = 0;
        }
    }
    // The tables must come from real input, not from stale buffer bytes.
    if (in.Exhausted()) return false;

    if (s.audioMode) {
        for (uint32_t c = 0; c < s.channels; ++c)
            BuildDecodeTable(lengths.data() + c * RarState::kAudioSymbols, s.audioTables[c],
                             RarState::kAudioSymbols);
    } else {
        BuildDecodeTable(lengths.data(), s.mainTable, RarState::kMainSymbols);
        BuildDecodeTable(lengths.data() + RarState::kMainSymbols, s.distTable,
                         RarState::kDistSymbols);
        BuildDecodeTable(lengths.data() + RarState::kMainSymbols + RarState::kDistSymbols,
                         s.repTable, RarState::kRepSymbols);
    }
    s.prevLengths = lengths;
    s.tablesValid = true;
    return true;
}

void FlushWindow(RarState& s)
{
    if (!s.entryFound) {
        s.writePos = s.windowPos;
        return;
    }
    const uint32_t from = s.writePos & kWindowMask;
    const uint32_t to = s.windowPos & kWindowMask;
    const uint32_t count = (to - from) & kWindowMask;
    const uint64_t total = uint64_t(*s.outputSize) + count;
    if (total > s.fileHeader.UNP_SIZE) {
        RAR_LOG("Fatal! Buffer overrun during decompression!");
        s.remaining = -1;
        s.writePos = s.windowPos;
        return;
    }
    if (s.sink) {
        DeliverToSink(s, s.window + from, from <= to ? count : kWindowSize - from);
        if (from > to) DeliverToSink(s, s.window, to);
        *s.outputSize += count;
        s.writePos = s.windowPos;
        return;
    }
    uint8_t* out = s.output + *s.outputSize;
    if (from <= to) {
        std::memcpy(out, s.window + from, count);
    } else {
        const uint32_t first = kWindowSize - from;
        std::memcpy(out, s.window + from, first);
        std::memcpy(out + first, s.window, to);
    }
    *s.outputSize += count;
    s.writePos = s.windowPos;
}

void CopyMatch(RarState& s, uint32_t length, uint32_t distance)
{
    RememberMatch(s, length, distance);
    s.remaining -= int64_t(length);
    s.windowPos = CopyBytes(s.window, s.windowPos & kWindowMask, length, distance);
}

void PeekTablesAtEnd(RarState& s)
{
    RarBitInput& in = s.input;
    if (in.readTop < in.inPos + 5) return;
    const uint32_t symbol =
        s.audioMode ? DecodeSymbol(in, s.audioTables[s.curChannel]) : DecodeSymbol(in, s.mainTable);
    if (symbol == (s.audioMode ? 256u : 269u)) ReadCodeTables(s);
}

bool Decompress(RarState& s)
{
    const bool solid = (s.fileHeader.HEAD_FLAGS & FileHeader::kFlagSolid) != 0;
    s.entriesDecoded += 1;
    if (!solid) s.streamStarts += 1;
    ResetUnpackState(s, solid);
    RefillInput(s, true);
    if (!solid && !ReadCodeTables(s)) {
        s.inputFailed = true;
    } else {
        s.remaining -= 1;
        if (s.remaining >= 0 && !DecodeSymbols(s)) s.inputFailed = true;
    }
    if (!s.inputFailed) PeekTablesAtEnd(s);
    if (s.entryFound) {
        FlushWindow(s);
    } else {
        s.writePos = s.windowPos;
    }
    return !s.inputFailed;
}

}  // namespace sunvale
