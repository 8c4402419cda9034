// Band-limited sample-rate converter for interleaved stereo floats.
#pragma once

#include <cstdint>
#include <vector>

namespace sunvale {

// Converts a stereo stream from one rate to another with a windowed-sinc
// filter. Output frame k sits at input time k * srcRate / dstRate exactly
// (no latency), so n input frames give ceil(n * dstRate / srcRate) output
// frames once Finish has been called. Equal rates pass samples through
// unchanged.
class Resampler {
public:
    Resampler() = default;

    // Starts a new conversion; drops all buffered input. Rates in Hz, > 0.
    void Reset(int srcRate, int dstRate);

    // Appends `frames` stereo frames (2 floats each) of input.
    void Push(const float* input, int frames);

    // No more input follows: the tail is filtered against silence.
    void Finish();

    // Writes up to maxFrames stereo frames; returns how many were written.
    // Fewer than asked means more input is needed (or the end was reached).
    int Pull(float* output, int maxFrames);

    // True once Finish was called and every output frame has been pulled.
    [[nodiscard]] bool Drained() const;

    [[nodiscard]] int SourceRate() const { return srcRate; }
    [[nodiscard]] int TargetRate() const { return dstRate; }

private:
    void BuildFilter();
    void DropConsumedInput();
    void FilterFrame(int64_t center, double phase, float* out) const;

    int srcRate = 1;
    int dstRate = 1;
    bool finished = false;

    // Filter: `phases + 1` rows of `taps` coefficients; row p is the kernel
    // for a fractional offset of p / phases input samples.
    int phases = 0;
    int taps = 0;  // even; the kernel spans taps / 2 samples each side
    std::vector<float> kernel;

    // Input frames still needed, interleaved; input[0] is absolute frame
    // `inputBase`. Frames before 0 and past the end read as silence.
    std::vector<float> input;
    int64_t inputBase = 0;
    int64_t inputFrames = 0;  // total frames pushed

    // Position of the next output frame in input time: whole + frac / stepDst,
    // advancing by stepSrc / stepDst (the rates divided by their gcd).
    int64_t stepSrc = 1;
    int64_t stepDst = 1;
    int64_t whole = 0;
    int64_t frac = 0;
};

}  // namespace sunvale
