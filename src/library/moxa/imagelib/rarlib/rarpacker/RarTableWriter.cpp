// Table transmission for the packer. The length sequence is turned into
// bit-length symbols greedily: zero runs of 3+ become 17/18, runs of 3+
// copies of the length just sent become 16, everything else a delta 0..15
// against the previous block's length at the same index.
#include "library/moxa/imagelib/rarlib/rarpacker/RarTableWriter.h"

#include <algorithm>

#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"

namespace sunvale {

namespace {

constexpr int kBitLengthSymbols = 19;

struct LengthSymbol {
    uint8_t symbol;
    uint8_t extraBits;
    uint8_t extra;
};

std::vector<LengthSymbol> EncodeLengths(const std::vector<uint8_t>& lengths,
                                        const uint8_t* previous)
{
    std::vector<LengthSymbol> out;
    const size_t n = lengths.size();
    size_t i = 0;
    while (i < n) {
        if (lengths[i] == 0) {
            size_t run = 1;
            while (i + run < n && lengths[i + run] == 0 && run < 138) ++run;
            // A zero that is also zero before costs a lone delta 0; only
            // fold runs where the fold is shorter.
            if (run >= 11) {
                out.push_back({18, 7, static_cast<uint8_t>(run - 11)});
                i += run;
                continue;
            }
            if (run >= 3) {
                out.push_back({17, 3, static_cast<uint8_t>(run - 3)});
                i += run;
                continue;
            }
        }
        if (i > 0 && lengths[i] == lengths[i - 1] && lengths[i] != 0) {
            size_t run = 1;
            while (i + run < n && lengths[i + run] == lengths[i - 1] && run < 6) ++run;
            if (run >= 3) {
                out.push_back({16, 2, static_cast<uint8_t>(run - 3)});
                i += run;
                continue;
            }
        }
        out.push_back({static_cast<uint8_t>((lengths[i] - previous[i]) & 15), 0, 0});
        ++i;
    }
    return out;
}

uint64_t SymbolsCost(const std::vector<LengthSymbol>& symbols, RarHuffmanCode* code)
{
    std::vector<uint32_t> freqs(kBitLengthSymbols, 0);
    for (const LengthSymbol& s : symbols) freqs[s.symbol]++;
    code->Build(freqs, 15);
    uint64_t bits = 4ull * kBitLengthSymbols + code->Cost(freqs);
    for (const LengthSymbol& s : symbols) bits += s.extraBits;
    return bits;
}

}  // namespace

void RarTableWriter::Write(RarBitWriter* out, RarCoderState* state, bool audio, int channels,
                           const std::vector<uint8_t>& lengths)
{
    // Delta against the previous lengths, or against zeros when clearing them
    // is cheaper (bit 14 of the header clear).
    static const std::array<uint8_t, RarCoderState::kPrevLengths> kZeros{};
    std::vector<LengthSymbol> keep = EncodeLengths(lengths, state->prevLengths.data());
    std::vector<LengthSymbol> fresh = EncodeLengths(lengths, kZeros.data());
    RarHuffmanCode keepCode, freshCode;
    const uint64_t keepBits = SymbolsCost(keep, &keepCode);
    const uint64_t freshBits = SymbolsCost(fresh, &freshCode);
    const bool useKeep = keepBits <= freshBits;
    const std::vector<LengthSymbol>& symbols = useKeep ? keep : fresh;
    const RarHuffmanCode& code = useKeep ? keepCode : freshCode;

    out->Write(audio ? 1 : 0, 1);
    out->Write(useKeep ? 1 : 0, 1);
    if (audio) out->Write(static_cast<uint32_t>(channels - 1), 2);
    for (int s = 0; s < kBitLengthSymbols; ++s) out->Write(code.Length(s), 4);
    for (const LengthSymbol& s : symbols) {
        code.Put(out, s.symbol);
        if (s.extraBits) out->Write(s.extra, s.extraBits);
    }

    if (!useKeep) state->prevLengths.fill(0);
    std::copy(lengths.begin(), lengths.end(), state->prevLengths.begin());
    state->audioMode = audio;
    state->haveTables = true;
    if (audio) {
        state->channels = channels;
        if (state->currentChannel >= channels) state->currentChannel = 0;
        for (int c = 0; c < channels; ++c)
            state->audioCodes[c].SetLengths(
                std::vector<uint8_t>(lengths.begin() + c * RarCoderState::kAudioSymbols,
                                     lengths.begin() + (c + 1) * RarCoderState::kAudioSymbols));
    } else {
        using S = RarCoderState;
        state->mainCode.SetLengths(
            std::vector<uint8_t>(lengths.begin(), lengths.begin() + S::kMainSymbols));
        state->distCode.SetLengths(
            std::vector<uint8_t>(lengths.begin() + S::kMainSymbols,
                                 lengths.begin() + S::kMainSymbols + S::kDistSymbols));
        state->repCode.SetLengths(
            std::vector<uint8_t>(lengths.begin() + S::kMainSymbols + S::kDistSymbols,
                                 lengths.begin() + S::kLzTableSize));
    }
}

uint64_t RarTableWriter::Cost(const RarCoderState& state, const std::vector<uint8_t>& lengths)
{
    RarHuffmanCode code;
    return 2 +
           std::min(SymbolsCost(EncodeLengths(lengths, state.prevLengths.data()), &code),
                    SymbolsCost(EncodeLengths(lengths, RarCoderState{}.prevLengths.data()), &code));
}

}  // namespace sunvale
