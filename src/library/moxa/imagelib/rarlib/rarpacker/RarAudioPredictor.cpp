// Multimedia predictor arithmetic shared with the decoder's PredictAudio:
// Predict is steps 1-3, Update steps 5-8 (step 4 is the caller's subtraction).
#include "library/moxa/imagelib/rarlib/rarpacker/RarAudioPredictor.h"

#include <cstdlib>

namespace sunvale {

uint8_t RarAudioPredictor::Predict(RarAudioChannel* v, int32_t channelDelta)
{
    v->byteCount++;
    v->D4 = v->D3;
    v->D3 = v->D2;
    v->D2 = v->lastDelta - v->D1;
    v->D1 = v->lastDelta;
    const uint32_t p = 8u * static_cast<uint32_t>(v->lastChar) +
                       static_cast<uint32_t>(v->K1 * v->D1) + static_cast<uint32_t>(v->K2 * v->D2) +
                       static_cast<uint32_t>(v->K3 * v->D3) + static_cast<uint32_t>(v->K4 * v->D4) +
                       static_cast<uint32_t>(v->K5 * channelDelta);
    return static_cast<uint8_t>((static_cast<int32_t>(p) >> 3) & 0xFF);
}

void RarAudioPredictor::Update(RarAudioChannel* v, int32_t* channelDelta, uint8_t delta,
                               uint8_t actual)
{
    const int32_t d = static_cast<int32_t>(static_cast<int8_t>(delta)) * 8;
    const int32_t cd = *channelDelta;
    v->dif[0] += static_cast<uint32_t>(std::abs(d));
    v->dif[1] += static_cast<uint32_t>(std::abs(d - v->D1));
    v->dif[2] += static_cast<uint32_t>(std::abs(d + v->D1));
    v->dif[3] += static_cast<uint32_t>(std::abs(d - v->D2));
    v->dif[4] += static_cast<uint32_t>(std::abs(d + v->D2));
    v->dif[5] += static_cast<uint32_t>(std::abs(d - v->D3));
    v->dif[6] += static_cast<uint32_t>(std::abs(d + v->D3));
    v->dif[7] += static_cast<uint32_t>(std::abs(d - v->D4));
    v->dif[8] += static_cast<uint32_t>(std::abs(d + v->D4));
    v->dif[9] += static_cast<uint32_t>(std::abs(d - cd));
    v->dif[10] += static_cast<uint32_t>(std::abs(d + cd));
    // The byte difference is a signed step: sign-extend it on purpose.
    const int8_t step = static_cast<int8_t>(static_cast<uint8_t>(actual - v->lastChar));
    v->lastDelta = static_cast<int32_t>(step);  // NOLINT(bugprone-signed-char-misuse)
    *channelDelta = v->lastDelta;
    v->lastChar = actual;
    if ((v->byteCount & 0x1F) != 0) return;

    uint32_t minDif = v->dif[0];
    int minIndex = 0;
    for (int i = 1; i < 11; ++i) {
        if (v->dif[i] < minDif) {
            minDif = v->dif[i];
            minIndex = i;
        }
    }
    for (uint32_t& e : v->dif) e = 0;
    int32_t* weights[5] = {&v->K1, &v->K2, &v->K3, &v->K4, &v->K5};
    if (minIndex == 0) return;
    int32_t* k = weights[(minIndex - 1) / 2];
    if (minIndex & 1) {
        if (*k >= -16) --*k;
    } else {
        if (*k < 16) ++*k;
    }
}

}  // namespace sunvale
