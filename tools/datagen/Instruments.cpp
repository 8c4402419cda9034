// Voices of the soundtrack: band-limited saws (PolyBLEP), a Chamberlin
// state-variable filter, sine drums and hashed white noise. Every voice is
// a pure function of its arguments and the sample index, so the piece
// renders identically on every run.
#include "Instruments.h"

#include <cmath>
#include <cstdint>

#include "FixedMath.h"

namespace sunvale {
namespace datagen {

namespace {

// White noise in [−1, 1] addressed by sample index and a voice seed.
float Noise(size_t i, uint32_t seed)
{
    return static_cast<float>(Hash32(static_cast<uint32_t>(i) * 2654435761U ^ seed) >> 8) *
               (2.0f / 16777216.0f) -
           1.0f;
}

// PolyBLEP correction for a step at phase 0 of a rising saw.
float PolyBlep(float t, float dt)
{
    if (t < dt) {
        float x = t / dt;
        return x + x - x * x - 1.0f;
    }
    if (t > 1.0f - dt) {
        float x = (t - 1.0f) / dt;
        return x * x + x + x + 1.0f;
    }
    return 0.0f;
}

float Saw(float phase, float dt) { return 2.0f * phase - 1.0f - PolyBlep(phase, dt); }

float Wrap(float phase) { return phase - std::floor(phase); }

// Chamberlin state-variable filter; `Tune` sets the cutoff (Hz) and damping.
struct SvFilter {
    float low = 0, band = 0, f = 0.1f, q = 1.0f;
    void Tune(float cutoff, float rate, float damping)
    {
        float c = cutoff < rate * 0.16f ? cutoff : rate * 0.16f;
        f = 2.0f * Sin(kPi * c / rate);
        q = damping;
    }
    float Low(float in)
    {
        low += f * band;
        float high = in - low - q * band;
        band += f * high;
        return low;
    }
    float High(float in)
    {
        low += f * band;
        float high = in - low - q * band;
        band += f * high;
        return high;
    }
    float Band(float in)
    {
        low += f * band;
        float high = in - low - q * band;
        band += f * high;
        return band;
    }
};

size_t StartFrame(double time, int rate) { return static_cast<size_t>(std::llround(time * rate)); }

// Linear attack, then sustain, then linear release after `length`.
float Envelope(float t, float attack, float length, float release)
{
    if (t < attack) return t / attack;
    if (t < length) return 1.0f;
    float r = 1.0f - (t - length) / release;
    return r > 0.0f ? r : 0.0f;
}

void Emit(const MixTarget& mix, size_t i, float l, float r, float send)
{
    if (i >= mix.dry->Frames()) return;
    mix.dry->left[i] += l;
    mix.dry->right[i] += r;
    if (send > 0.0f) {
        mix.send->left[i] += l * send;
        mix.send->right[i] += r * send;
    }
}

}  // namespace

float Instruments::NoteFrequency(int semitonesFromA4)
{
    return 440.0f * Exp(static_cast<float>(semitonesFromA4) * (0.693147181f / 12.0f));
}

void Instruments::Kick(const MixTarget& mix, double time, float gain)
{
    const int rate = mix.dry->rate;
    size_t s0 = StartFrame(time, rate), n = static_cast<size_t>(0.45 * rate);
    float phase = 0;
    for (size_t k = 0; k < n; ++k) {
        float t = static_cast<float>(k) / rate;
        float f = 44.0f + 110.0f * Exp(-t * 28.0f);
        phase = Wrap(phase + f / rate);
        float body = Sin(kTwoPi * phase) * Exp(-t * 6.5f);
        float click = Noise(k, 11) * Exp(-t * 500.0f) * 0.25f;
        float v = (body * 1.4f + click);
        v = v / (1.0f + std::fabs(v) * 0.4f) * gain;
        Emit(mix, s0 + k, v, v, 0.0f);
    }
}

void Instruments::Snare(const MixTarget& mix, double time, float gain)
{
    const int rate = mix.dry->rate;
    size_t s0 = StartFrame(time, rate), n = static_cast<size_t>(0.32 * rate);
    SvFilter hp;
    hp.Tune(1800.0f, static_cast<float>(rate), 1.2f);
    for (size_t k = 0; k < n; ++k) {
        float t = static_cast<float>(k) / rate;
        float tone = Sin(kTwoPi * 185.0f * t) * Exp(-t * 22.0f) * 0.45f;
        float noise = hp.High(Noise(s0 + k, 23)) * Exp(-t * 12.0f);
        float v = (tone + noise * 0.8f) * gain;
        Emit(mix, s0 + k, v * 0.95f, v, 0.22f);
    }
}

void Instruments::HiHat(const MixTarget& mix, double time, float gain, bool open)
{
    const int rate = mix.dry->rate;
    size_t s0 = StartFrame(time, rate), n = static_cast<size_t>((open ? 0.35 : 0.08) * rate);
    SvFilter hp;
    hp.Tune(7500.0f, static_cast<float>(rate), 0.9f);
    float decay = open ? 9.0f : 55.0f;
    for (size_t k = 0; k < n; ++k) {
        float t = static_cast<float>(k) / rate;
        float v = hp.High(Noise(s0 + k, 37)) * Exp(-t * decay) * gain;
        Emit(mix, s0 + k, v * 0.7f, v * 1.0f, 0.08f);
    }
}

void Instruments::Tom(const MixTarget& mix, double time, float freq, float gain)
{
    const int rate = mix.dry->rate;
    size_t s0 = StartFrame(time, rate), n = static_cast<size_t>(0.4 * rate);
    float phase = 0;
    for (size_t k = 0; k < n; ++k) {
        float t = static_cast<float>(k) / rate;
        phase = Wrap(phase + freq * (0.7f + 0.3f * Exp(-t * 12.0f)) / rate);
        float v = Sin(kTwoPi * phase) * Exp(-t * 9.0f) * gain;
        Emit(mix, s0 + k, v, v * 0.8f, 0.2f);
    }
}

void Instruments::Bass(const MixTarget& mix, double time, double length, float freq, float gain,
                       float cutoff)
{
    const int rate = mix.dry->rate;
    const float len = static_cast<float>(length);
    size_t s0 = StartFrame(time, rate), n = static_cast<size_t>((length + 0.03) * rate);
    SvFilter lp;
    float phase = 0, sub = 0, dt = freq / rate;
    for (size_t k = 0; k < n; ++k) {
        float t = static_cast<float>(k) / rate;
        if (k % 16 == 0)
            lp.Tune(cutoff * (0.3f + 0.7f * Exp(-t * 9.0f)), static_cast<float>(rate), 0.5f);
        phase = Wrap(phase + dt);
        sub = Wrap(sub + dt * 0.5f);
        float osc = Saw(phase, dt) * 0.6f + Sin(kTwoPi * sub) * 0.5f;
        float v = lp.Low(osc) * Envelope(t, 0.004f, len, 0.03f) * gain;
        Emit(mix, s0 + k, v, v, 0.0f);
    }
}

void Instruments::Pad(const MixTarget& mix, double time, double length, float freq, float gain,
                      float cutoff)
{
    const int rate = mix.dry->rate;
    const float len = static_cast<float>(length), release = 1.4f;
    size_t s0 = StartFrame(time, rate), n = static_cast<size_t>((length + release) * rate);
    SvFilter lpL, lpR;
    lpL.Tune(cutoff, static_cast<float>(rate), 0.8f);
    lpR.Tune(cutoff * 1.07f, static_cast<float>(rate), 0.8f);
    float dtA = freq * 1.0031f / rate, dtB = freq * 0.9969f / rate, dtC = freq * 0.5f / rate;
    float pa = 0.0f, pb = 0.33f, pc = 0.66f;
    for (size_t k = 0; k < n; ++k) {
        float t = static_cast<float>(k) / rate;
        pa = Wrap(pa + dtA);
        pb = Wrap(pb + dtB);
        pc = Wrap(pc + dtC);
        float centre = Saw(pc, dtC) * 0.5f;
        float env = Envelope(t, 0.45f, len, release) * gain;
        float l = lpL.Low(Saw(pa, dtA) + centre) * env;
        float r = lpR.Low(Saw(pb, dtB) + centre) * env;
        Emit(mix, s0 + k, l, r, 0.55f);
    }
}

void Instruments::Pluck(const MixTarget& mix, double time, double length, float freq, float gain,
                        float pan, float brightness)
{
    const int rate = mix.dry->rate;
    const float len = static_cast<float>(length);
    size_t s0 = StartFrame(time, rate), n = static_cast<size_t>((length + 0.25) * rate);
    SvFilter lp;
    float phase = 0, dt = freq / rate;
    for (size_t k = 0; k < n; ++k) {
        float t = static_cast<float>(k) / rate;
        if (k % 16 == 0)
            lp.Tune(250.0f + brightness * 5000.0f * Exp(-t * 10.0f), static_cast<float>(rate),
                    0.35f);
        phase = Wrap(phase + dt);
        float pulse = Saw(phase, dt) - Saw(Wrap(phase + 0.3f), dt);
        float env = Exp(-t * 3.5f) * Envelope(t, 0.003f, len, 0.25f) * gain;
        float v = lp.Low(pulse) * env;
        Emit(mix, s0 + k, v * (1.0f - pan) * 0.5f, v * (1.0f + pan) * 0.5f, 0.35f);
    }
}

void Instruments::Bell(const MixTarget& mix, double time, float freq, float gain, float pan)
{
    const int rate = mix.dry->rate;
    size_t s0 = StartFrame(time, rate), n = static_cast<size_t>(2.2 * rate);
    float pc = 0, pm = 0;
    for (size_t k = 0; k < n; ++k) {
        float t = static_cast<float>(k) / rate;
        pc = Wrap(pc + freq / rate);
        pm = Wrap(pm + freq * 3.5f / rate);
        float index = 2.2f * Exp(-t * 4.0f);
        float v = Sin(kTwoPi * pc + index * Sin(kTwoPi * pm)) * Exp(-t * 2.2f) *
                  Envelope(t, 0.002f, 10.0f, 1.0f) * gain;
        Emit(mix, s0 + k, v * (1.0f - pan) * 0.5f, v * (1.0f + pan) * 0.5f, 0.5f);
    }
}

void Instruments::Impact(const MixTarget& mix, double time, float gain)
{
    const int rate = mix.dry->rate;
    size_t s0 = StartFrame(time, rate), n = static_cast<size_t>(1.6 * rate);
    SvFilter lp;
    lp.Tune(1500.0f, static_cast<float>(rate), 0.7f);
    float phase = 0;
    for (size_t k = 0; k < n; ++k) {
        float t = static_cast<float>(k) / rate;
        phase = Wrap(phase + (30.0f + 50.0f * Exp(-t * 8.0f)) / rate);
        float boom = Sin(kTwoPi * phase) * Exp(-t * 2.6f);
        float burst = lp.Low(Noise(s0 + k, 51)) * Exp(-t * 9.0f);
        float v = (boom * 0.9f + burst * 0.8f) * gain;
        Emit(mix, s0 + k, v, v, 0.35f);
    }
    Crash(mix, time, gain * 0.7f);
}

void Instruments::Crash(const MixTarget& mix, double time, float gain)
{
    const int rate = mix.dry->rate;
    size_t s0 = StartFrame(time, rate), n = static_cast<size_t>(2.6 * rate);
    SvFilter hpL, hpR;
    hpL.Tune(4200.0f, static_cast<float>(rate), 0.8f);
    hpR.Tune(4600.0f, static_cast<float>(rate), 0.8f);
    for (size_t k = 0; k < n; ++k) {
        float t = static_cast<float>(k) / rate;
        float env = Exp(-t * 1.7f) * Envelope(t, 0.002f, 10.0f, 1.0f) * gain * 0.6f;
        Emit(mix, s0 + k, hpL.High(Noise(s0 + k, 61)) * env, hpR.High(Noise(s0 + k, 67)) * env,
             0.3f);
    }
}

void Instruments::Riser(const MixTarget& mix, double start, double end, float gain)
{
    const int rate = mix.dry->rate;
    size_t s0 = StartFrame(start, rate), n = static_cast<size_t>((end - start) * rate);
    SvFilter bpL, bpR;
    for (size_t k = 0; k < n; ++k) {
        float x = static_cast<float>(k) / n;
        if (k % 16 == 0) {
            float fc = 300.0f * Exp(x * 3.0f);  // 300 Hz → 6 kHz
            bpL.Tune(fc, static_cast<float>(rate), 0.4f);
            bpR.Tune(fc * 1.05f, static_cast<float>(rate), 0.4f);
        }
        float env = x * x * gain;
        Emit(mix, s0 + k, bpL.Band(Noise(s0 + k, 71)) * env, bpR.Band(Noise(s0 + k, 73)) * env,
             0.4f);
    }
}

}  // namespace datagen
}  // namespace sunvale
