// LZ parsing with lazy evaluation: at each position the cheapest of the last
// match (256), the four cached distances (257..260), a hash-chain match
// (270..297) and a short two-byte match (261..268) is weighed by the bits it
// saves over literals, using code lengths of the previous block. Tokens are
// gathered per block, then coded with tables built from their counts.
#include "library/moxa/imagelib/rarlib/rarpacker/RarLzEncoder.h"

#include <algorithm>

#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarSymbolTables.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarTableWriter.h"

namespace sunvale {

using namespace rarcodes;

namespace {

struct LevelParams {
    int chain;
    uint32_t nice;
    bool lazy;
};

// Chain depth, length at which a search stops early, lazy evaluation.
constexpr std::array<LevelParams, 6> kLevels = {{{4, 24, false},
                                                 {4, 24, false},
                                                 {8, 48, true},
                                                 {32, 128, true},
                                                 {64, 258, true},
                                                 {192, 258, true}}};

constexpr uint32_t kDefaultBlockSymbols = 0x8000;
constexpr int kSwitchSymbol = 269;
constexpr uint16_t kNone = 0xFFFF;

}  // namespace

RarLzEncoder::RarLzEncoder(const uint8_t* stream, size_t size, int level, uint32_t blockSymbols)
    : stream_(stream),
      lazy_(kLevels[std::clamp(level, 1, 5)].lazy),
      niceLength_(kLevels[std::clamp(level, 1, 5)].nice),
      blockSymbols_(blockSymbols ? blockSymbols : kDefaultBlockSymbols),
      finder_(stream, size, kLevels[std::clamp(level, 1, 5)].chain,
              kLevels[std::clamp(level, 1, 5)].nice)
{
    mainCost_.fill(8);
    for (int s = 256; s < RarCoderState::kMainSymbols; ++s) mainCost_[s] = 8;
    distCost_.fill(6);
    repCost_.fill(4);
}

RarLzEncoder::Candidate RarLzEncoder::Best(size_t pos, size_t end, const RarCoderState& state) const
{
    Candidate best;
    const uint32_t room = static_cast<uint32_t>(std::min<size_t>(end - pos, 300));
    const uint32_t history = static_cast<uint32_t>(std::min<size_t>(pos, kMaxDistance));
    auto consider = [&](int kind, uint32_t length, uint32_t distance, int slot, int32_t bits) {
        const int32_t gain = static_cast<int32_t>(length) * literalCost16_ - bits * 16;
        if (gain > best.gain) best = Candidate{kind, length, distance, slot, gain};
    };

    if (state.lastLength != 0 && state.lastDist != 0 && state.lastDist <= history &&
        state.lastLength <= room &&
        finder_.MatchLength(pos, state.lastDist, state.lastLength) == state.lastLength)
        consider(1, state.lastLength, state.lastDist, 0, mainCost_[256]);

    for (int k = 0; k < 4; ++k) {
        const uint32_t d = state.CachedDistance(k);
        if (d == 0 || d > history) continue;
        const uint32_t bonus = RepeatBonus(d);
        const uint32_t len = finder_.MatchLength(pos, d, std::min<uint32_t>(room, 255 + 2 + bonus));
        if (len < 2 + bonus) continue;
        const int lc = LengthCode(len - 2 - bonus);
        consider(2, len, d, k, mainCost_[257 + k] + repCost_[lc] + kLengthBits[lc]);
    }

    uint32_t d = 0;
    uint32_t len = finder_.Find(pos, end, history, &d);
    if (len != 0) {
        const uint32_t bonus = MatchBonus(d);
        len = std::min<uint32_t>(len, 255 + 3 + bonus);
        if (len >= 3 + bonus) {
            const int lc = LengthCode(len - 3 - bonus);
            const int dc = DistCode(d - 1);
            consider(3, len, d, 0,
                     mainCost_[270 + lc] + kLengthBits[lc] + distCost_[dc] + kDistBits[dc]);
        }
    }

    if (room >= 2) {
        const uint32_t sd = finder_.RecentPair(pos);
        if (sd != 0 && sd <= 256 && sd <= history) {
            const int sc = ShortCode(sd - 1);
            consider(4, 2, sd, 0, mainCost_[261 + sc] + kShortBits[sc]);
        }
    }
    return best;
}

void RarLzEncoder::Take(const Candidate& c, size_t pos, RarCoderState* state)
{
    Token t{kNone, kNone, 0, 0, 0, 0};
    switch (c.kind) {
    case 0:
        t.main = stream_[pos];
        break;
    case 1:
        t.main = 256;
        break;
    case 2: {
        const uint32_t v = c.length - 2 - RepeatBonus(c.distance);
        const int lc = LengthCode(v);
        t.main = static_cast<uint16_t>(257 + c.slot);
        t.second = static_cast<uint16_t>(lc);
        t.bitsB = kLengthBits[lc];
        t.extraB = v - kLengthBase[lc];
        break;
    }
    case 3: {
        const uint32_t v = c.length - 3 - MatchBonus(c.distance);
        const int lc = LengthCode(v);
        const int dc = DistCode(c.distance - 1);
        t.main = static_cast<uint16_t>(270 + lc);
        t.bitsA = kLengthBits[lc];
        t.extraA = v - kLengthBase[lc];
        t.second = static_cast<uint16_t>(dc);
        t.bitsB = kDistBits[dc];
        t.extraB = c.distance - 1 - kDistBase[dc];
        break;
    }
    default: {
        const int sc = ShortCode(c.distance - 1);
        t.main = static_cast<uint16_t>(261 + sc);
        t.bitsA = kShortBits[sc];
        t.extraA = c.distance - 1 - kShortBase[sc];
        break;
    }
    }
    if (c.kind != 0) state->NoteMatch(c.length, c.distance);
    tokens_.push_back(t);
}

void RarLzEncoder::Encode(size_t begin, size_t end, RarCoderState* state, RarBitWriter* out)
{
    tokens_.clear();
    tokens_.reserve(std::min<size_t>(blockSymbols_, end - begin));
    size_t pos = begin;
    bool havePending = false;
    Candidate pending;
    while (pos < end) {
        finder_.InsertUpTo(pos);
        const Candidate here = havePending ? pending : Best(pos, end, *state);
        havePending = false;
        if (lazy_ && here.kind != 0 && here.length < niceLength_ && pos + 1 < end) {
            finder_.InsertUpTo(pos + 1);
            const Candidate next = Best(pos + 1, end, *state);
            if (next.gain > here.gain) {
                Take(Candidate{}, pos, state);
                pending = next;
                havePending = true;
                ++pos;
                if (tokens_.size() >= blockSymbols_) EmitBlock(state, out);
                continue;
            }
        }
        Take(here, pos, state);
        pos += here.kind == 0 ? 1 : here.length;
        if (tokens_.size() >= blockSymbols_) EmitBlock(state, out);
    }
    if (!tokens_.empty()) EmitBlock(state, out);
    finder_.InsertUpTo(end);
}

void RarLzEncoder::EmitBlock(RarCoderState* state, RarBitWriter* out)
{
    std::vector<uint32_t> mainFreqs(RarCoderState::kMainSymbols, 0);
    std::vector<uint32_t> distFreqs(RarCoderState::kDistSymbols, 0);
    std::vector<uint32_t> repFreqs(RarCoderState::kRepSymbols, 0);
    for (const Token& t : tokens_) {
        mainFreqs[t.main]++;
        if (t.second != kNone) (t.main >= 270 ? distFreqs : repFreqs)[t.second]++;
    }
    // The table switch must stay codable: the next block, or the next entry
    // of a solid archive, starts with it.
    mainFreqs[kSwitchSymbol]++;
    RarHuffmanCode mainCode, distCode, repCode;
    mainCode.Build(mainFreqs);
    distCode.Build(distFreqs);
    repCode.Build(repFreqs);
    std::vector<uint8_t> lengths;
    lengths.reserve(RarCoderState::kLzTableSize);
    lengths.insert(lengths.end(), mainCode.Lengths().begin(), mainCode.Lengths().end());
    lengths.insert(lengths.end(), distCode.Lengths().begin(), distCode.Lengths().end());
    lengths.insert(lengths.end(), repCode.Lengths().begin(), repCode.Lengths().end());

    if (state->haveTables) {
        if (state->audioMode) {
            state->audioCodes[state->currentChannel].Put(out, 256);
        } else {
            state->mainCode.Put(out, kSwitchSymbol);
            symbolCounts_[kSwitchSymbol]++;
        }
    }
    RarTableWriter::Write(out, state, false, 1, lengths);
    for (const Token& t : tokens_) {
        state->mainCode.Put(out, t.main);
        symbolCounts_[t.main]++;
        if (t.bitsA) out->Write(t.extraA, t.bitsA);
        if (t.second != kNone)
            (t.main >= 270 ? state->distCode : state->repCode).Put(out, t.second);
        if (t.bitsB) out->Write(t.extraB, t.bitsB);
    }
    UpdateCosts(*state, mainFreqs);
    tokens_.clear();
}

void RarLzEncoder::UpdateCosts(const RarCoderState& state, const std::vector<uint32_t>& mainFreqs)
{
    auto costOf = [](int len) { return static_cast<uint8_t>(len != 0 ? len : 12); };
    for (int s = 0; s < RarCoderState::kMainSymbols; ++s)
        mainCost_[s] = costOf(state.mainCode.Length(s));
    for (int s = 0; s < RarCoderState::kDistSymbols; ++s)
        distCost_[s] = costOf(state.distCode.Length(s));
    for (int s = 0; s < RarCoderState::kRepSymbols; ++s)
        repCost_[s] = costOf(state.repCode.Length(s));
    uint64_t bits = 0, count = 0;
    for (int s = 0; s < 256; ++s) {
        bits += static_cast<uint64_t>(mainFreqs[s]) * state.mainCode.Length(s);
        count += mainFreqs[s];
    }
    if (count >= 64)
        literalCost16_ = std::max<int32_t>(16, static_cast<int32_t>(bits * 16 / count));
}

}  // namespace sunvale
