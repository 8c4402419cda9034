// The RAR 2.0 multimedia predictor: per channel, an adaptive linear
// prediction of the next byte from past deltas. The packer runs exactly the
// decoder's arithmetic so both sides stay in step.
#pragma once

#include <cstdint>

namespace sunvale {

struct RarAudioChannel {
    int32_t K1 = 0, K2 = 0, K3 = 0, K4 = 0, K5 = 0;  // weights, -17..16
    int32_t D1 = 0, D2 = 0, D3 = 0, D4 = 0;          // past deltas
    int32_t lastDelta = 0;
    uint32_t dif[11] = {};  // error sums per weight move
    uint32_t byteCount = 0;
    int32_t lastChar = 0;
};

class RarAudioPredictor {
public:
    // Shifts the channel's delta history and returns the predicted byte.
    static uint8_t Predict(RarAudioChannel* v, int32_t channelDelta);
    // Feeds the coded delta (predicted - actual, mod 256) and the actual byte
    // back into the channel; updates the shared channel delta.
    static void Update(RarAudioChannel* v, int32_t* channelDelta, uint8_t delta, uint8_t actual);
};

}  // namespace sunvale
