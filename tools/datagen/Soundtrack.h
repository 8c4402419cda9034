// The show's music, "marmalux": an arrangement on a fixed bar grid rendered
// with the synthesizer voices and the send effect into one stereo buffer.
//
// Grid: 139.4 BPM, one bar = 101.25 show ticks of 17 ms = 1.72125 s, with the
// downbeats anchored so that 146.88 s (tick 8640) is one; the show's scene
// changes from there on fall on downbeats. Cues of the picture before that
// point are marked with hits at their exact times.
#pragma once

#include "StereoBuffer.h"

namespace sunvale {
namespace datagen {

class Soundtrack {
public:
    static constexpr int kRate = 44100;
    static constexpr double kBar = 1.72125;  // seconds
    static constexpr double kBeat = kBar / 4.0;
    static constexpr double kFirstDownbeat = 0.57375;  // 146.88 − 85 bars
    static constexpr double kLength = 275.5;           // seconds of audio
    static constexpr double kFadeStart = 266.0, kFadeEnd = 273.7;

    static double BarTime(int bar) { return kFirstDownbeat + bar * kBar; }

    // Renders the whole piece, peak-normalised and softly saturated (peak ≈ −1.2 dBFS).
    static StereoBuffer Render();
};

}  // namespace datagen
}  // namespace sunvale
