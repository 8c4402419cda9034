#include "app/sound/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace sunvale {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> Tone(int frames, int rate, double frequency, double amplitude) {
    std::vector<float> s(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        s[size_t(i) * 2] = float(amplitude * std::sin(2 * kPi * frequency * i / rate));
        s[size_t(i) * 2 + 1] = float(-amplitude * std::sin(2 * kPi * frequency * i / rate));
    }
    return s;
}

// Pushes in uneven chunks, pulling in between, as a decoder-driven stream does.
std::vector<float> Convert(const std::vector<float>& in, int src, int dst, int chunk) {
    Resampler r;
    r.Reset(src, dst);
    std::vector<float> out;
    std::vector<float> block(2 * 500);
    const int frames = int(in.size() / 2);
    for (int pos = 0; pos < frames;) {
        const int n = std::min(chunk, frames - pos);
        r.Push(&in[size_t(pos) * 2], n);
        pos += n;
        for (int got; (got = r.Pull(block.data(), 500)) > 0;) out.insert(out.end(), block.begin(), block.begin() + got * 2);
    }
    r.Finish();
    for (int got; (got = r.Pull(block.data(), 500)) > 0;) out.insert(out.end(), block.begin(), block.begin() + got * 2);
    EXPECT_TRUE(r.Drained());
    return out;
}

double Rms(const std::vector<float>& s, size_t from, size_t to, int channel) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(s[i * 2 + size_t(channel)]) * s[i * 2 + size_t(channel)];
    return std::sqrt(sum / double(to - from));
}

TEST(Resampler, OutputLengthIsCeilingOfScaledInput) {
    const int pairs[][2] = {{44100, 16000}, {44100, 22050}, {48000, 44100}, {22050, 44100}, {32000, 22050}, {44100, 44100}};
    for (const auto& p : pairs) {
        for (int frames : {1, 7, 1000, 44101}) {
            const std::vector<float> in = Tone(frames, p[0], 300.0, 0.3);
            const std::vector<float> out = Convert(in, p[0], p[1], 333);
            const int64_t expected = (int64_t(frames) * p[1] + p[0] - 1) / p[0];
            EXPECT_EQ(int64_t(out.size() / 2), expected) << p[0] << "->" << p[1] << " frames " << frames;
        }
    }
}

TEST(Resampler, EqualRatesPassSamplesThroughUnchanged) {
    const std::vector<float> in = Tone(5000, 44100, 1234.5, 0.7);
    EXPECT_EQ(Convert(in, 44100, 44100, 777), in);
}

TEST(Resampler, ChunkingDoesNotChangeTheResult) {
    const std::vector<float> in = Tone(20000, 44100, 1000.0, 0.5);
    const std::vector<float> whole = Convert(in, 44100, 16000, 20000);
    const std::vector<float> pieces = Convert(in, 44100, 16000, 37);
    ASSERT_EQ(whole.size(), pieces.size());
    for (size_t i = 0; i < whole.size(); ++i) ASSERT_FLOAT_EQ(whole[i], pieces[i]) << i;
}

TEST(Resampler, ConstantStaysConstantAwayFromTheEdges) {
    std::vector<float> in(2 * 10000, 0.5f);
    for (const int dst : {16000, 22050, 48000}) {
        const std::vector<float> out = Convert(in, 44100, dst, 1000);
        const size_t frames = out.size() / 2;
        for (size_t i = 100; i + 100 < frames; ++i) ASSERT_NEAR(out[i * 2], 0.5f, 1e-3f) << dst << " frame " << i;
    }
}

TEST(Resampler, PassBandToneKeepsLevelAndPitch) {
    const int src = 44100;
    for (const int dst : {16000, 22050}) {
        const std::vector<float> out = Convert(Tone(src, src, 1000.0, 0.5), src, dst, 4096);
        const size_t frames = out.size() / 2;
        EXPECT_NEAR(Rms(out, 200, frames - 200, 0), 0.5 / std::sqrt(2.0), 0.01) << dst;
        EXPECT_NEAR(Rms(out, 200, frames - 200, 1), 0.5 / std::sqrt(2.0), 0.01) << dst;
        // The right channel is the negated left one; the filter keeps that.
        for (size_t i = 0; i < frames; ++i) ASSERT_NEAR(out[i * 2], -out[i * 2 + 1], 1e-6f);
        int crossings = 0;
        for (size_t i = 201; i < frames - 200; ++i) crossings += (out[(i - 1) * 2] < 0) != (out[i * 2] < 0);
        EXPECT_NEAR(crossings * double(dst) / double(frames - 401), 2000.0, 20.0) << dst;
    }
}

TEST(Resampler, ToneAboveTheNewNyquistIsFilteredOut) {
    // 12 kHz cannot exist at 16 kHz; without the low-pass it would alias to 4 kHz.
    const std::vector<float> out = Convert(Tone(44100, 44100, 12000.0, 0.5), 44100, 16000, 4096);
    EXPECT_LT(Rms(out, 200, out.size() / 2 - 200, 0), 0.5 / std::sqrt(2.0) * 0.01);
}

}  // namespace
}  // namespace sunvale
