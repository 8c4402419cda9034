#pragma once
// Adaptive linear predictor of the RAR 2.0 multimedia (audio) mode.
#include <array>
#include <cstdint>

namespace sunvale {

// Number of weight adjustments judged (index 0: no change).
constexpr uint32_t kAudioDifCount = 11;
// Bytes of a channel between two weight adjustments.
constexpr uint32_t kAudioAdjustPeriod = 32;

// What the eleven error sums of a period are taken over, slot = byte of the
// period: d = the delta (as a signed byte) times 8, and the five past deltas
// it is compared with (D1, D2, D3, D4, channel delta). The sums themselves
// (dif[0] = sum |d|, dif[2k+1] = sum |d - x_k|, dif[2k+2] = sum |d + x_k|) are
// only needed at the end of a period, where they are taken all at once.
// Ranges: d -1024..1016; D1 and the channel delta -128..127; D2..D4
// -255..255. So every |d +- x| fits 16 bits, and so does a sum over four
// slots. The last slot of a period is never written (see AdjustWeights).
struct AudioErrorLog {
    alignas(16) std::array<int16_t, kAudioAdjustPeriod> d;
    alignas(16) std::array<std::array<int16_t, kAudioAdjustPeriod>, 5> x;
};

// State of one audio channel.
struct AudioChannel {
    // Predictor weights K1..K5 (-17..16) and past deltas D1..D4, interleaved:
    // side by side, the four deltas had their stores packed by the compiler
    // into one vector store built lane by lane, 6% of the audio decoding time.
    int32_t K1, D1, K2, D2, K3, D3, K4, D4, K5;
    int32_t lastDelta;
    uint32_t byteCount;
    int32_t lastChar;
    // Slots 0 .. byteCount % 32 - 1 hold the current period's bytes; all
    // slots are zero in a fresh record.
    AudioErrorLog log;
};

// The eleven error sums over slots [0, count) of a log.
void SumErrors(const AudioErrorLog& log, uint32_t count, uint32_t* dif);

// End of a period: finds the smallest of the period's eleven error sums (the
// lower index on a tie) and moves the weight it stands for one step towards
// -17 (odd index) or 16 (even index). The last byte of the period comes as
// its values (d, D1, D2, D3, D4, channel delta) rather than through its slot
// of the log, which stays zero: a byte just stored to the log would stall the
// wide loads that take the sums, and the weights are needed three bytes on.
void AdjustWeights(AudioChannel& channel, const int32_t (&last)[6]);

// Produces the next byte of `v` from the decoded symbol `delta` (0..255) and
// updates the channel and the delta shared by all channels, `channelDelta`.
inline uint8_t PredictAudio(AudioChannel& v, int32_t& channelDelta, uint32_t delta)
{
    const uint32_t slot = v.byteCount & (kAudioAdjustPeriod - 1);
    v.byteCount += 1;
    const int32_t d1 = v.lastDelta;
    const int32_t d2 = v.lastDelta - v.D1;
    const int32_t d3 = v.D2;
    const int32_t d4 = v.D3;
    v.D1 = d1;
    v.D2 = d2;
    v.D3 = d3;
    v.D4 = d4;
    // 32-bit wrap-around arithmetic, done unsigned to stay well defined.
    const uint32_t sum = 8u * uint32_t(v.lastChar) + uint32_t(v.K1) * uint32_t(d1) +
                         uint32_t(v.K2) * uint32_t(d2) + uint32_t(v.K3) * uint32_t(d3) +
                         uint32_t(v.K4) * uint32_t(d4) + uint32_t(v.K5) * uint32_t(channelDelta);
    const uint32_t predicted = uint32_t(int32_t(sum) >> 3) & 0xFF;
    const uint32_t ch = (predicted - delta) & 0xFF;

    // The delta byte is a signed step: sign-extend it on purpose.
    const int32_t d = int32_t(int8_t(uint8_t(delta))) * 8;  // NOLINT(bugprone-signed-char-misuse)
    const int32_t oldDelta = channelDelta;
    channelDelta = v.lastDelta =
        int32_t(int8_t(uint8_t(ch - uint32_t(v.lastChar))));  // NOLINT(bugprone-signed-char-misuse)
    v.lastChar = int32_t(ch);
    if (slot != kAudioAdjustPeriod - 1) {
        v.log.d[slot] = int16_t(d);
        v.log.x[0][slot] = int16_t(d1);
        v.log.x[1][slot] = int16_t(d2);
        v.log.x[2][slot] = int16_t(d3);
        v.log.x[3][slot] = int16_t(d4);
        v.log.x[4][slot] = int16_t(oldDelta);
    } else {
        AdjustWeights(v, {d, d1, d2, d3, d4, oldDelta});
    }
    return uint8_t(ch);
}

}  // namespace sunvale
