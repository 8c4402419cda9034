// A whole piece of stereo audio in memory, 32-bit float samples.
#pragma once

#include <cstddef>
#include <vector>

namespace sunvale {
namespace datagen {

struct StereoBuffer {
    int rate = 44100;
    std::vector<float> left, right;

    StereoBuffer(int sampleRate, size_t frames) : rate(sampleRate), left(frames), right(frames) {}
    size_t Frames() const { return left.size(); }
    // Adds a sample with equal-power-ish panning: pan −1 left … +1 right.
    void Add(size_t i, float v, float pan)
    {
        if (i >= left.size()) return;
        left[i] += v * (1.0f - pan) * 0.5f;
        right[i] += v * (1.0f + pan) * 0.5f;
    }
};

}  // namespace datagen
}  // namespace sunvale
