// Delay and reverb of the soundtrack's send bus. Comb and allpass lengths
// are the usual mutually prime delays scaled to 44.1 kHz, the right channel
// offset by 23 samples for width.
#include "SpaceEffect.h"

#include <cmath>
#include <vector>

namespace sunvale {
namespace datagen {

namespace {

struct Comb {
    std::vector<float> line;
    size_t pos = 0;
    float store = 0, feedback, damp;
    Comb(size_t length, float fb, float dp) : line(length), feedback(fb), damp(dp) {}
    float Process(float in)
    {
        float out = line[pos];
        store = out * (1.0f - damp) + store * damp;
        line[pos] = in + store * feedback;
        if (++pos == line.size()) pos = 0;
        return out;
    }
};

struct Allpass {
    std::vector<float> line;
    size_t pos = 0;
    explicit Allpass(size_t length) : line(length) {}
    float Process(float in)
    {
        float buffered = line[pos];
        float out = buffered - in;
        line[pos] = in + buffered * 0.5f;
        if (++pos == line.size()) pos = 0;
        return out;
    }
};

constexpr size_t kCombLengths[4] = {1116, 1277, 1422, 1557};
constexpr size_t kAllpassLengths[2] = {556, 341};
constexpr size_t kStereoSpread = 23;

}  // namespace

void SpaceEffect::Apply(const StereoBuffer& send, float delaySeconds, float wet, StereoBuffer* mix)
{
    const size_t n = send.Frames();
    const size_t delay = static_cast<size_t>(std::lround(delaySeconds * send.rate));
    std::vector<float> dl(delay, 0.0f), dr(delay, 0.0f);
    size_t dpos = 0;
    std::vector<Comb> combL, combR;
    for (size_t len : kCombLengths) {
        combL.emplace_back(len, 0.82f, 0.3f);
        combR.emplace_back(len + kStereoSpread, 0.82f, 0.3f);
    }
    std::vector<Allpass> apL, apR;
    for (size_t len : kAllpassLengths) {
        apL.emplace_back(len);
        apR.emplace_back(len + kStereoSpread);
    }
    for (size_t i = 0; i < n; ++i) {
        float inL = send.left[i], inR = send.right[i];
        // Ping-pong: each channel's echo feeds the other side.
        float echoL = dl[dpos], echoR = dr[dpos];
        dl[dpos] = inR * 0.5f + echoR * 0.38f;
        dr[dpos] = inL * 0.5f + echoL * 0.38f;
        if (++dpos == delay) dpos = 0;
        float revIn = (inL + inR) * 0.015f;
        float outL = 0, outR = 0;
        for (auto& c : combL) outL += c.Process(revIn);
        for (auto& c : combR) outR += c.Process(revIn);
        for (auto& a : apL) outL = a.Process(outL);
        for (auto& a : apR) outR = a.Process(outR);
        mix->left[i] += (outL + echoL * 0.5f) * wet;
        mix->right[i] += (outR + echoR * 0.5f) * wet;
    }
}

}  // namespace datagen
}  // namespace sunvale
