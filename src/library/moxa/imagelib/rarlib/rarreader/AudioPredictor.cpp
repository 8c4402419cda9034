// Multimedia-mode byte prediction: each channel predicts its next byte from
// its last byte, its last four deltas and the delta of the previous channel,
// and every 32 bytes nudges the weight whose sign flip would have erred least.
#include "library/moxa/imagelib/rarlib/rarreader/AudioPredictor.h"

#include <cstdlib>

namespace sunvale {

namespace {

uint32_t AbsDiff(int32_t x) { return uint32_t(std::abs(x)); }

// Moves `weight` one step towards -17 (down) or 16 (up).
void StepDown(int32_t& weight) {
  if (weight >= -16) --weight;
}
void StepUp(int32_t& weight) {
  if (weight < 16) ++weight;
}

}  // namespace

uint8_t PredictAudio(AudioChannel& v, int32_t& cd, uint32_t delta) {
  v.byteCount += 1;
  v.D4 = v.D3;
  v.D3 = v.D2;
  v.D2 = v.lastDelta - v.D1;
  v.D1 = v.lastDelta;

  // 32-bit wrap-around arithmetic, done unsigned to stay well defined.
  const uint32_t sum = 8u * uint32_t(v.lastChar) + uint32_t(v.K1) * uint32_t(v.D1) +
                       uint32_t(v.K2) * uint32_t(v.D2) + uint32_t(v.K3) * uint32_t(v.D3) +
                       uint32_t(v.K4) * uint32_t(v.D4) + uint32_t(v.K5) * uint32_t(cd);
  const uint32_t predicted = (uint32_t(int32_t(sum) >> 3)) & 0xFF;
  const uint32_t ch = (predicted - delta) & 0xFF;

  const int32_t d = int32_t(int8_t(uint8_t(delta))) * 8;
  v.dif[0] += AbsDiff(d);
  v.dif[1] += AbsDiff(d - v.D1);
  v.dif[2] += AbsDiff(d + v.D1);
  v.dif[3] += AbsDiff(d - v.D2);
  v.dif[4] += AbsDiff(d + v.D2);
  v.dif[5] += AbsDiff(d - v.D3);
  v.dif[6] += AbsDiff(d + v.D3);
  v.dif[7] += AbsDiff(d - v.D4);
  v.dif[8] += AbsDiff(d + v.D4);
  v.dif[9] += AbsDiff(d - cd);
  v.dif[10] += AbsDiff(d + cd);

  cd = v.lastDelta = int32_t(int8_t(uint8_t(ch - uint32_t(v.lastChar))));
  v.lastChar = int32_t(ch);

  if ((v.byteCount & 0x1F) == 0) {
    uint32_t minDif = v.dif[0];
    int best = 0;
    for (int i = 1; i < 11; ++i) {
      if (v.dif[i] < minDif) {
        minDif = v.dif[i];
        best = i;
      }
    }
    v.dif.fill(0);
    switch (best) {
      case 1: StepDown(v.K1); break;
      case 2: StepUp(v.K1); break;
      case 3: StepDown(v.K2); break;
      case 4: StepUp(v.K2); break;
      case 5: StepDown(v.K3); break;
      case 6: StepUp(v.K3); break;
      case 7: StepDown(v.K4); break;
      case 8: StepUp(v.K4); break;
      case 9: StepDown(v.K5); break;
      case 10: StepUp(v.K5); break;
      default: break;
    }
  }
  return uint8_t(ch);
}

}  // namespace sunvale
