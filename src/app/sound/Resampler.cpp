// Windowed-sinc sample-rate conversion for the sound library's streams: an
// MP3 at its own rate is brought to the mixing rate chosen at start-up.
#include "app/sound/Resampler.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace sunvale {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kZeroCrossings = 12.0;  // kernel half-width in cutoff periods
constexpr double kCutoff = 0.92;         // pass band, as a fraction of the lower Nyquist
constexpr int kPhases = 256;             // kernel rows per input sample

double Sinc(double x)
{
    if (std::fabs(x) < 1e-12) return 1.0;
    return std::sin(kPi * x) / (kPi * x);
}

// Blackman window over [-half, half]; zero outside.
double Blackman(double x, double half)
{
    if (std::fabs(x) >= half) return 0.0;
    const double a = kPi * x / half;
    return 0.42 + 0.5 * std::cos(a) + 0.08 * std::cos(2.0 * a);
}

}  // namespace

void Resampler::Reset(int src, int dst)
{
    srcRate = src > 0 ? src : 1;
    dstRate = dst > 0 ? dst : 1;
    const int g = std::gcd(srcRate, dstRate);
    stepSrc = srcRate / g;
    stepDst = dstRate / g;
    finished = false;
    input.clear();
    inputBase = 0;
    inputFrames = 0;
    whole = 0;
    frac = 0;
    BuildFilter();
}

void Resampler::BuildFilter()
{
    kernel.clear();
    if (srcRate == dstRate) {
        taps = 0;
        phases = 0;
        return;
    }
    // Cutoff in input samples' Nyquist units: the lower of the two rates.
    const double fc = kCutoff * std::min(1.0, double(dstRate) / double(srcRate));
    const double half = kZeroCrossings / fc;
    taps = 2 * int(std::ceil(half));
    phases = kPhases;
    kernel.assign(size_t(phases + 1) * size_t(taps), 0.0f);
    for (int p = 0; p <= phases; ++p) {
        const double f = double(p) / phases;
        double sum = 0.0;
        std::vector<double> row(static_cast<size_t>(taps));
        for (int i = 0; i < taps; ++i) {
            const double x = f + taps / 2 - 1 - i;  // distance from the output time
            row[size_t(i)] = fc * Sinc(fc * x) * Blackman(x, half);
            sum += row[size_t(i)];
        }
        // Unit gain at DC for every phase, so a constant stays constant.
        for (int i = 0; i < taps; ++i)
            kernel[size_t(p) * size_t(taps) + size_t(i)] = float(row[size_t(i)] / sum);
    }
}

void Resampler::Push(const float* samples, int frames)
{
    if (frames <= 0 || finished) return;
    DropConsumedInput();
    input.insert(input.end(), samples, samples + size_t(frames) * 2);
    inputFrames += frames;
}

void Resampler::Finish() { finished = true; }

bool Resampler::Drained() const { return finished && whole >= inputFrames; }

void Resampler::DropConsumedInput()
{
    // Frames before the first tap of the next output frame are never read again.
    const int64_t firstNeeded = taps > 0 ? whole - taps / 2 + 1 : whole;
    const int64_t drop = std::min<int64_t>(firstNeeded - inputBase, inputFrames - inputBase);
    if (drop < 4096) return;  // compact in batches
    input.erase(input.begin(), input.begin() + drop * 2);
    inputBase += drop;
}

void Resampler::FilterFrame(int64_t center, double phase, float* out) const
{
    const double pos = phase * phases;
    const int p = std::min(int(pos), phases - 1);
    const float w1 = float(pos - p);
    const float w0 = 1.0f - w1;
    const float* k0 = &kernel[size_t(p) * size_t(taps)];
    const float* k1 = k0 + taps;
    const int64_t first = center - taps / 2 + 1;
    float l = 0.0f;
    float r = 0.0f;
    if (first >= inputBase && first + taps <= inputFrames) {
        const float* s = &input[size_t(first - inputBase) * 2];
        for (int i = 0; i < taps; ++i) {
            const float k = w0 * k0[i] + w1 * k1[i];
            l += k * s[2 * i];
            r += k * s[2 * i + 1];
        }
    } else {
        for (int i = 0; i < taps; ++i) {
            const int64_t j = first + i;
            if (j < 0 || j >= inputFrames || j < inputBase) continue;
            const float k = w0 * k0[i] + w1 * k1[i];
            l += k * input[size_t(j - inputBase) * 2];
            r += k * input[size_t(j - inputBase) * 2 + 1];
        }
    }
    out[0] = l;
    out[1] = r;
}

int Resampler::Pull(float* output, int maxFrames)
{
    int made = 0;
    if (srcRate == dstRate) {
        const int64_t avail = inputFrames - whole;
        made = int(std::min<int64_t>(avail, std::max(maxFrames, 0)));
        if (made > 0) {
            std::copy_n(&input[size_t(whole - inputBase) * 2], size_t(made) * 2, output);
            whole += made;
        }
        DropConsumedInput();
        return made;
    }
    while (made < maxFrames) {
        if (whole >= inputFrames && finished) break;              // past the last input frame
        if (!finished && whole + taps / 2 >= inputFrames) break;  // needs more input
        FilterFrame(whole, double(frac) / double(stepDst), output + size_t(made) * 2);
        ++made;
        frac += stepSrc;
        whole += frac / stepDst;
        frac %= stepDst;
    }
    DropConsumedInput();
    return made;
}

}  // namespace sunvale
