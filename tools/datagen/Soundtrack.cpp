// Arrangement of the soundtrack: which layers play in each bar, the chord
// progressions and melodies, and the hits that mark the picture's cues.
#include "Soundtrack.h"

#include <cmath>

#include "FixedMath.h"
#include "Instruments.h"
#include "SpaceEffect.h"

namespace sunvale {
namespace datagen {

namespace {

// Pitches in semitones from A4; the key is D minor.
constexpr int kD2 = -31, kD3 = -19, kD4 = -7, kD5 = 5;
constexpr int kRest = -100, kHold = -101;

struct Chord {
    int root;      // semitones above D, bass note
    int tones[3];  // semitones above D of the chord's three notes
};

// i – VI – III – VII and iv – VI – i – V, one chord per bar; the closing D major.
constexpr Chord kProgressionA[4] = {
    {0, {0, 3, 7}}, {-4, {-4, 0, 3}}, {3, {3, 7, 10}}, {-2, {-2, 2, 5}}};
constexpr Chord kProgressionB[4] = {
    {-7, {5, 8, 12}}, {-4, {-4, 0, 3}}, {0, {0, 3, 7}}, {-5, {7, 11, 14}}};
constexpr Chord kDawnChord = {0, {0, 4, 7}};

// Lead melodies in eighths over four bars, semitones above D5.
constexpr int kMelodyA[32] = {7,  kHold, 5,     3,     0, kHold, 3,     5,    3, kHold, 0,  -2,
                              -4, kHold, kRest, kRest, 0, kHold, 3,     5,    7, kHold, 10, 7,
                              10, kHold, 7,     5,     2, kHold, kRest, kRest};
constexpr int kMelodyB[32] = {5,  kHold, 8, 7,     5, kHold, 3,     0,    3, kHold, 5, 8,
                              10, kHold, 8, kHold, 7, kHold, 5,     3,    0, kHold, 3, 5,
                              11, kHold, 9, 7,     2, kHold, kRest, kRest};

struct Layers {
    bool kick = false, snare = false, hats = false, bass = false, pad = true, arp = false,
         lead = false;
    bool bells = false, toms = false, halfTime = false, roll = false;
    bool progressionB = false, dawn = false;
    float cutoff = 1.0f;  // multiplier on the filters of the tonal voices
    float level = 1.0f;   // multiplier on the drums
};

Layers LayersFor(int bar)
{
    Layers l;
    if (bar < 6) {  // opening title: pad alone, opening up
        l.cutoff = 0.45f + 0.08f * bar;
        l.bells = bar >= 2;
    } else if (bar < 13) {  // title holds, the arpeggio and hats join
        l.arp = true;
        l.hats = bar >= 9;
        l.bass = bar >= 8;
        l.cutoff = 0.8f;
        l.level = 0.6f;
    } else if (bar < 27) {  // the head
        l.kick = l.hats = l.bass = l.arp = true;
        l.snare = bar >= 17;
    } else if (bar < 29) {  // four flashes: drums out
        l.bells = true;
        l.cutoff = 0.7f;
    } else if (bar < 61) {  // tunnel and messages
        l.kick = l.snare = l.hats = l.bass = l.arp = l.lead = true;
        l.progressionB = bar < 45;
        l.halfTime = bar >= 45 && bar < 49;
    } else if (bar < 77) {  // particle cloud: breakdown
        l.arp = l.bells = true;
        l.hats = l.bass = bar >= 69;
        l.level = 0.7f;
        l.cutoff = 0.75f;
    } else if (bar < 85) {  // the star: build-up
        l.kick = l.bass = l.arp = true;
        l.hats = bar >= 79;
        l.roll = bar >= 81;
        l.progressionB = true;
    } else if (bar < 133) {  // middle part: blob, clouds, flashes, boxes
        bool flash = bar == 101 || bar == 105 || bar == 117 || bar == 121;
        if (flash) {
            l.bells = true;
        } else {
            l.kick = l.snare = l.hats = l.bass = l.arp = true;
            bool clouds = (bar >= 93 && bar < 101) || (bar >= 109 && bar < 117);
            l.lead = !clouds;
            l.bells = clouds;
            l.toms = bar >= 118 && bar < 125;
            l.progressionB = l.toms || clouds;
        }
    } else if (bar < 145) {  // finale
        l.kick = l.snare = l.hats = l.bass = l.arp = l.lead = true;
        l.progressionB = bar < 137 || bar >= 141;
    } else if (bar < 148) {  // darkening from 250 s
        l.kick = l.bass = l.arp = true;
        l.level = 0.8f - 0.25f * (bar - 145);
        l.cutoff = 0.8f - 0.15f * (bar - 145);
    } else {  // closing picture
        l.dawn = true;
        l.pad = false;
    }
    return l;
}

void PlayDrums(const MixTarget& mix, int bar, const Layers& l)
{
    double t0 = Soundtrack::BarTime(bar), step = Soundtrack::kBeat / 4.0;
    for (int s = 0; s < 16; ++s) {
        double t = t0 + s * step;
        if (l.kick && (l.halfTime ? (s % 8 == 0) : (s % 4 == 0)))
            Instruments::Kick(mix, t, 0.9f * l.level);
        if (l.kick && !l.halfTime && bar % 4 == 3 && s == 14)
            Instruments::Kick(mix, t, 0.5f * l.level);
        if (l.snare && (l.halfTime ? s == 8 : (s == 4 || s == 12)))
            Instruments::Snare(mix, t, 0.55f * l.level);
        if (l.hats) {
            if (s % 4 == 2)
                Instruments::HiHat(mix, t, 0.22f * l.level, s == 14 && bar % 2 == 1);
            else if (s % 2 == 1)
                Instruments::HiHat(mix, t, 0.08f * l.level, false);
        }
        if (l.toms && (s == 3 || s == 7 || s == 10 || s == 13))
            Instruments::Tom(mix, t, s < 8 ? 150.0f : 105.0f, 0.45f * l.level);
    }
    if (l.roll) {
        // Snare roll into the downbeat at 146.88 s: eighths, then sixteenths, louder.
        int phase = bar - 81;  // 0 .. 3
        int per = phase < 2 ? 8 : 16;
        for (int s = 0; s < per; ++s) {
            float g = 0.12f + 0.1f * phase + 0.1f * s / per;
            Instruments::Snare(mix, t0 + s * Soundtrack::kBar / per, g);
        }
    }
}

void PlayHarmony(const MixTarget& mix, int bar, const Layers& l, int* melodyStep)
{
    const Chord& chord =
        l.dawn ? kDawnChord : (l.progressionB ? kProgressionB : kProgressionA)[((bar % 4) + 4) % 4];
    double t0 = Soundtrack::BarTime(bar), sixteenth = Soundtrack::kBeat / 4.0;
    float cut = l.cutoff;
    if (l.pad) {
        for (int tone : chord.tones)
            Instruments::Pad(mix, t0, Soundtrack::kBar,
                             Instruments::NoteFrequency(kD3 + tone + 12 * (tone < 0)), 0.07f,
                             1600.0f * cut);
    }
    if (l.bass) {
        static constexpr int kOctave[8] = {0, 0, 12, 0, 0, 12, 0, 12};
        for (int e = 0; e < 8; ++e)
            Instruments::Bass(mix, t0 + e * 2 * sixteenth, sixteenth * 1.6,
                              Instruments::NoteFrequency(kD2 + chord.root + kOctave[e]), 0.32f,
                              900.0f * cut);
    }
    if (l.arp) {
        static constexpr int kOrder[8] = {0, 1, 2, 3, 2, 1, 3, 1};
        for (int s = 0; s < 16; ++s) {
            int k = kOrder[s % 8];
            int tone = k == 3 ? chord.tones[0] + 12 : chord.tones[k];
            float pan = (s % 2) ? 0.45f : -0.45f;
            Instruments::Pluck(mix, t0 + s * sixteenth, sixteenth * 0.8,
                               Instruments::NoteFrequency(kD4 + tone + 12 * (tone < 0)), 0.09f, pan,
                               0.35f * cut + 0.1f * (s % 4 == 0));
        }
    }
    if (l.lead) {
        const int* melody = l.progressionB ? kMelodyB : kMelodyA;
        int base = (bar % 4) * 8;
        for (int e = 0; e < 8; ++e) {
            int note = melody[base + e];
            if (note == kRest || note == kHold) continue;
            int len = 1;
            while (e + len < 8 && melody[base + e + len] == kHold) ++len;
            Instruments::Pluck(mix, t0 + e * 2 * sixteenth, len * 2 * sixteenth * 0.95,
                               Instruments::NoteFrequency(kD5 + note), 0.16f, 0.1f, 0.8f * cut);
        }
        ++*melodyStep;
    }
    if (l.bells && !l.lead) {
        const int* melody = (bar / 4) % 2 ? kMelodyB : kMelodyA;
        for (int q = 0; q < 4; q += (bar % 2) ? 1 : 2) {
            int note = melody[(bar % 4) * 8 + q * 2];
            if (note == kRest || note == kHold) note = chord.tones[q % 3];
            Instruments::Bell(mix, t0 + q * Soundtrack::kBeat,
                              Instruments::NoteFrequency(kD5 + note), 0.08f, q % 2 ? 0.3f : -0.3f);
        }
    }
}

// The closing: a long D major chord under falling bells from 256 s.
void PlayDawn(const MixTarget& mix)
{
    for (int tone : kDawnChord.tones) {
        Instruments::Pad(mix, 256.0, Soundtrack::kFadeEnd - 256.0,
                         Instruments::NoteFrequency(kD3 + tone), 0.08f, 1400.0f);
        Instruments::Pad(mix, 256.0, Soundtrack::kFadeEnd - 256.0,
                         Instruments::NoteFrequency(kD4 + tone), 0.05f, 2000.0f);
    }
    Instruments::Pad(mix, 256.0, Soundtrack::kFadeEnd - 256.0, Instruments::NoteFrequency(kD2),
                     0.1f, 400.0f);
    static constexpr int kBells[6] = {19, 16, 12, 7, 4, 0};
    for (int k = 0; Soundtrack::BarTime(148) + k * Soundtrack::kBeat < Soundtrack::kFadeEnd; ++k) {
        double t = Soundtrack::BarTime(148) + k * Soundtrack::kBeat;
        if (t < 256.0) continue;
        Instruments::Bell(mix, t, Instruments::NoteFrequency(kD5 + kBells[k % 6]), 0.05f,
                          (k % 2) ? 0.4f : -0.4f);
    }
}

// Hits at the cue times of the picture.
void PlayCues(const MixTarget& mix)
{
    Instruments::Riser(mix, Soundtrack::BarTime(10), 22.5, 0.35f);
    Instruments::Crash(mix, 22.5, 0.35f);   // the title starts to zoom
    Instruments::Impact(mix, 23.0, 0.85f);  // the head
    for (double t : {47.0, 48.0, 49.0, 50.0})
        Instruments::Impact(mix, t, 0.6f);  // the head's flashes
    Instruments::Riser(mix, 48.8, 50.66, 0.3f);
    Instruments::Impact(mix, 50.66, 0.8f);  // the tunnel
    for (double t : {57.0, 64.0, 72.0, 74.0, 78.0, 85.0, 92.0, 99.0, 104.7})
        Instruments::Crash(mix, t, 0.45f);
    Instruments::Impact(mix, 105.0, 0.6f);  // messages end, the cloud
    Instruments::Impact(mix, 133.0, 0.7f);  // the star
    Instruments::Riser(mix, Soundtrack::BarTime(82), Soundtrack::BarTime(85), 0.35f);
    for (double t : {143.0, 143.9, 144.9, 145.9}) Instruments::Impact(mix, t, 0.5f);
    Instruments::Impact(mix, Soundtrack::BarTime(85), 0.9f);  // 146.88 s, the blob
    // The blob's phase changes, and every entry of the middle part.
    for (double t : {154.88, 162.88, 170.88}) Instruments::Crash(mix, t, 0.35f);
    for (int bar : {93, 101, 102, 105, 106, 109, 117, 118, 121, 122, 125, 133}) {
        bool flash = bar == 101 || bar == 105 || bar == 117 || bar == 121;
        if (flash)
            Instruments::Impact(mix, Soundtrack::BarTime(bar), 0.7f);
        else
            Instruments::Crash(mix, Soundtrack::BarTime(bar), 0.4f);
    }
    Instruments::Crash(mix, 250.0, 0.4f);   // the finale darkens
    Instruments::Impact(mix, 256.0, 0.6f);  // the closing picture
}

float MasterGain(double t)
{
    if (t < Soundtrack::kFadeStart) return 1.0f;
    if (t >= Soundtrack::kFadeEnd) return 0.0f;
    return static_cast<float>((Soundtrack::kFadeEnd - t) /
                              (Soundtrack::kFadeEnd - Soundtrack::kFadeStart));
}

}  // namespace

StereoBuffer Soundtrack::Render()
{
    const size_t frames = static_cast<size_t>(kLength * kRate);
    StereoBuffer mix(kRate, frames), send(kRate, frames);
    MixTarget target{&mix, &send};
    // Before the first downbeat: the pad swells in from silence.
    for (int tone : kProgressionA[0].tones)
        Instruments::Pad(target, 0.0, kFirstDownbeat, Instruments::NoteFrequency(kD3 + tone), 0.04f,
                         700.0f);
    int melodyStep = 0;
    const int lastBar = static_cast<int>((kFadeEnd - kFirstDownbeat) / kBar);
    for (int bar = 0; bar <= lastBar; ++bar) {
        Layers l = LayersFor(bar);
        if (l.dawn) continue;
        PlayDrums(target, bar, l);
        PlayHarmony(target, bar, l, &melodyStep);
    }
    PlayDawn(target);
    PlayCues(target);
    SpaceEffect::Apply(send, static_cast<float>(kBeat * 0.75), 0.9f, &mix);
    float peak = 1e-6f;
    for (size_t i = 0; i < frames; ++i) {
        float g = MasterGain(static_cast<double>(i) / kRate);
        mix.left[i] *= g;
        mix.right[i] *= g;
        peak = std::fmax(peak, std::fmax(std::fabs(mix.left[i]), std::fabs(mix.right[i])));
    }
    // Normalise the peak to 1.8, then saturate softly with x / sqrt(1 + x²):
    // the cue hits are rounded off and the body of the piece sits about 6 dB
    // louder than a plain peak normalisation would leave it (peak ≈ −1.2 dBFS).
    float norm = 1.8f / peak;
    for (size_t i = 0; i < frames; ++i) {
        float l = mix.left[i] * norm, r = mix.right[i] * norm;
        mix.left[i] = l / std::sqrt(1.0f + l * l);
        mix.right[i] = r / std::sqrt(1.0f + r * r);
    }
    return mix;
}

}  // namespace datagen
}  // namespace sunvale
