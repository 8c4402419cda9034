#pragma once
// Adaptive linear predictor of the RAR 2.0 multimedia (audio) mode.
#include <array>
#include <cstdint>

namespace sunvale {

// State of one audio channel.
struct AudioChannel {
  int32_t K1, K2, K3, K4, K5;  // predictor weights, -17..16
  int32_t D1, D2, D3, D4;      // past deltas
  int32_t lastDelta;
  std::array<uint32_t, 11> dif;  // error sums of the eleven weight adjustments
  uint32_t byteCount;
  int32_t lastChar;
};

// Produces the next byte of `channel` from the decoded symbol `delta`
// (0..255) and updates the channel and the delta shared by all channels.
uint8_t PredictAudio(AudioChannel& channel, int32_t& channelDelta, uint32_t delta);

}  // namespace sunvale
