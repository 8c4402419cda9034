// Audio-mode coding. The predictor runs ahead over one block of bytes to get
// its error symbols, the per-channel tables are built from their counts, and
// then the switch symbol (when tables were in force), the tables and the
// symbols are written, in the order the decoder reads them.
#include "library/moxa/imagelib/rarlib/rarpacker/RarAudioEncoder.h"

#include <cmath>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarTableWriter.h"

namespace sunvale {

namespace {

constexpr uint32_t kDefaultBlockSymbols = 0x20000;
constexpr int kSwitchSymbol = 256;
constexpr size_t kEstimateBytes = 1u << 19;  // prefix used to pick the channel count

double Entropy(const uint32_t* counts, int n, uint64_t total)
{
    if (total == 0) return 0.0;
    double bits = 0.0;
    for (int i = 0; i < n; ++i)
        if (counts[i])
            bits -=
                counts[i] * std::log2(static_cast<double>(counts[i]) / static_cast<double>(total));
    return bits;
}

}  // namespace

void RarAudioEncoder::Encode(const uint8_t* data, size_t size, int channels, uint32_t blockSymbols,
                             RarCoderState* state, RarBitWriter* out)
{
    const size_t block = blockSymbols ? blockSymbols : kDefaultBlockSymbols;
    std::vector<uint8_t> symbols;
    for (size_t begin = 0; begin < size; begin += block) {
        const size_t end = std::min(size, begin + block);
        // The tables about to be sent restart the channel cycle when it lies
        // beyond the new channel count.
        const int oldChannel = state->currentChannel;
        int channel = oldChannel >= channels ? 0 : oldChannel;
        const int firstChannel = channel;
        symbols.resize(end - begin);
        std::vector<std::vector<uint32_t>> freqs(
            channels, std::vector<uint32_t>(RarCoderState::kAudioSymbols, 0));
        for (size_t i = begin; i < end; ++i) {
            RarAudioChannel* v = &state->audio[channel];
            const uint8_t predicted = RarAudioPredictor::Predict(v, state->channelDelta);
            const uint8_t delta = static_cast<uint8_t>(predicted - data[i]);
            RarAudioPredictor::Update(v, &state->channelDelta, delta, data[i]);
            symbols[i - begin] = delta;
            freqs[channel][delta]++;
            if (++channel == channels) channel = 0;
        }
        std::vector<uint8_t> lengths;
        lengths.reserve(static_cast<size_t>(channels) * RarCoderState::kAudioSymbols);
        for (int c = 0; c < channels; ++c) {
            freqs[c][kSwitchSymbol]++;
            RarHuffmanCode code;
            code.Build(freqs[c]);
            lengths.insert(lengths.end(), code.Lengths().begin(), code.Lengths().end());
        }
        if (state->haveTables) {
            if (state->audioMode)
                state->audioCodes[oldChannel].Put(out, kSwitchSymbol);
            else
                state->mainCode.Put(out, 269);
        }
        RarTableWriter::Write(out, state, true, channels, lengths);
        channel = firstChannel;
        for (uint8_t s : symbols) {
            state->audioCodes[channel].Put(out, s);
            if (++channel == channels) channel = 0;
        }
        state->currentChannel = channel;
    }
}

int RarAudioEncoder::BestChannelCount(const uint8_t* data, size_t size, double* bitsPerByte,
                                      double* rawBits)
{
    const size_t n = std::min(size, kEstimateBytes);
    std::vector<uint32_t> raw(256, 0);
    for (size_t i = 0; i < n; ++i) raw[data[i]]++;
    *rawBits = n ? Entropy(raw.data(), 256, n) / static_cast<double>(n) : 8.0;
    int best = 1;
    double bestBits = 1e300;
    for (int channels = 1; channels <= 4; ++channels) {
        RarCoderState state;
        std::vector<uint32_t> counts(static_cast<size_t>(channels) * 256, 0);
        int channel = 0;
        for (size_t i = 0; i < n; ++i) {
            RarAudioChannel* v = &state.audio[channel];
            const uint8_t delta =
                static_cast<uint8_t>(RarAudioPredictor::Predict(v, state.channelDelta) - data[i]);
            RarAudioPredictor::Update(v, &state.channelDelta, delta, data[i]);
            counts[static_cast<size_t>(channel) * 256 + delta]++;
            if (++channel == channels) channel = 0;
        }
        double bits = 0.0;
        for (int c = 0; c < channels; ++c) {
            uint64_t total = 0;
            for (int s = 0; s < 256; ++s) total += counts[static_cast<size_t>(c) * 256 + s];
            bits += Entropy(&counts[static_cast<size_t>(c) * 256], 256, total);
        }
        if (bits < bestBits) {
            bestBits = bits;
            best = channels;
        }
    }
    *bitsPerByte = n ? bestBits / static_cast<double>(n) : 8.0;
    return best;
}

}  // namespace sunvale
