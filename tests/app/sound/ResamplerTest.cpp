// The resampler alone: output length for any input size, independence from
// how the input arrives, and the low-pass before decimation. Level, pitch
// and length through the whole chain are checked in FSoundTest.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/sound/Resampler.h"

namespace sunvale {
namespace {

// A half-scale stereo sine of `frames` frames at `rate` converted to `dst`,
// pushed `chunk` frames at a time with the output pulled in between, as a
// decoder-driven stream does, then finished and drained. Room is left for one
// frame more than the conversion should give.
std::vector<float> ConvertTone(int frames, int rate, double frequency, int dst, int chunk)
{
    std::vector<float> in, out(2 * (size_t(frames) * dst / rate + 2));
    for (int i = 0; i < frames; ++i)
        in.insert(in.end(), 2, float(0.5 * std::sin(2 * M_PI * frequency * i / rate)));
    Resampler r;
    r.Reset(rate, dst);
    int pulled = 0;
    for (int pos = 0; pos < frames; pos += chunk) {
        r.Push(&in[size_t(pos) * 2], std::min(chunk, frames - pos));
        pulled += r.Pull(&out[size_t(pulled) * 2], int(out.size() / 2) - pulled);
    }
    r.Finish();
    pulled += r.Pull(&out[size_t(pulled) * 2], int(out.size() / 2) - pulled);
    EXPECT_TRUE(r.Drained());
    out.resize(size_t(pulled) * 2);
    return out;
}

TEST(Resampler, LengthIsTheScaledInputRoundedUpWhateverTheChunks)
{
    for (auto [src, dst] :
         {std::pair{44100, 16000}, {44100, 22050}, {22050, 44100}, {48000, 44100}})
        for (int frames : {1, 7, 44101})
            EXPECT_EQ(int64_t(ConvertTone(frames, src, 300.0, dst, 333).size() / 2),
                      (int64_t(frames) * dst + src - 1) / src)
                << src << "->" << dst << ", " << frames << " frames";
    EXPECT_EQ(ConvertTone(20000, 44100, 1000.0, 16000, 37),
              ConvertTone(20000, 44100, 1000.0, 16000, 20000));
}

// 12 kHz cannot exist at 16 kHz; without the low-pass it would alias to 4 kHz.
TEST(Resampler, ToneAboveTheNewNyquistIsFilteredOut)
{
    const std::vector<float> out = ConvertTone(44100, 44100, 12000.0, 16000, 4096);
    double sum = 0.0;
    for (size_t i = 400; i + 400 < out.size(); ++i) sum += double(out[i]) * out[i];
    EXPECT_LT(std::sqrt(sum / double(out.size() - 800)), 0.5 / std::sqrt(2.0) * 0.01);
}

}  // namespace
}  // namespace sunvale
