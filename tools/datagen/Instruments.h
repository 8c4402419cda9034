// The synthesizer's voices. Each call renders one note or hit into a dry
// buffer and, scaled by its send level, into a reverb send buffer. Times in
// seconds from the start of the piece, frequencies in Hz.
#pragma once

#include "StereoBuffer.h"

namespace sunvale {
namespace datagen {

struct MixTarget {
    StereoBuffer* dry;
    StereoBuffer* send;  // reverb and delay input
};

class Instruments {
public:
    static float NoteFrequency(int semitonesFromA4);

    static void Kick(const MixTarget& mix, double time, float gain);
    static void Snare(const MixTarget& mix, double time, float gain);
    static void HiHat(const MixTarget& mix, double time, float gain, bool open);
    static void Tom(const MixTarget& mix, double time, float freq, float gain);
    // Filtered saw bass; cutoff in Hz at the note's start, falling to a third.
    static void Bass(const MixTarget& mix, double time, double length, float freq, float gain,
                     float cutoff);
    // Slow detuned saw chord voice with a lowpass; spread pans the detuned pair.
    static void Pad(const MixTarget& mix, double time, double length, float freq, float gain,
                    float cutoff);
    // Plucked pulse voice for arpeggios and the lead.
    static void Pluck(const MixTarget& mix, double time, double length, float freq, float gain,
                      float pan, float brightness);
    // Bell-like two-operator FM voice.
    static void Bell(const MixTarget& mix, double time, float freq, float gain, float pan);
    // Cue hit: low boom, noise burst and a long cymbal wash.
    static void Impact(const MixTarget& mix, double time, float gain);
    static void Crash(const MixTarget& mix, double time, float gain);
    // Noise sweep rising from `start` to `end`, peaking at `end`.
    static void Riser(const MixTarget& mix, double start, double end, float gain);
};

}  // namespace datagen
}  // namespace sunvale
