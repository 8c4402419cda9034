// Builders for the sound tests' own MP3 and module data.
#include "TestAudio.h"

#include <lame.h>

#include <cmath>
#include <cstring>

namespace sunvale::testaudio {

std::vector<int16_t> SineStereo(int frames, int rate, double frequency, double amplitude) {
    std::vector<int16_t> pcm(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * 3.14159265358979323846 * frequency * i / rate);
        pcm[size_t(i) * 2] = int16_t(std::lround(v * 32767.0));
        pcm[size_t(i) * 2 + 1] = pcm[size_t(i) * 2];
    }
    return pcm;
}

std::vector<unsigned char> EncodeMp3(const std::vector<int16_t>& stereo, int rate) {
    std::vector<unsigned char> out;
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) return out;
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, 2);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 1);  // the tag carries encoder delay and padding
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return out;
    }
    const int frames = int(stereo.size() / 2);
    std::vector<unsigned char> buffer(size_t(frames) * 5 / 4 + 7200 + 16384);
    int written = lame_encode_buffer_interleaved(lame, const_cast<short*>(stereo.data()), frames,
                                                 buffer.data(), int(buffer.size()));
    if (written < 0) {
        lame_close(lame);
        return out;
    }
    const int flushed = lame_encode_flush(lame, buffer.data() + written, int(buffer.size()) - written);
    if (flushed < 0) {
        lame_close(lame);
        return out;
    }
    out.assign(buffer.begin(), buffer.begin() + written + flushed);
    // The first frame is a placeholder for the tag; fill it in now that the
    // totals are known.
    unsigned char tag[4096];
    const size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= out.size()) std::memcpy(out.data(), tag, tagSize);
    lame_close(lame);
    return out;
}

std::vector<unsigned char> MakeTinyMod() {
    constexpr int kSampleWords = 32;
    std::vector<unsigned char> mod;
    auto put16 = [&mod](int v) {
        mod.push_back(uint8_t(v >> 8));
        mod.push_back(uint8_t(v));
    };
    const char title[20] = "sound test";
    mod.insert(mod.end(), title, title + 20);
    for (int s = 0; s < 31; ++s) {
        const char name[22] = "square";
        mod.insert(mod.end(), name, name + 22);
        const bool used = s == 0;
        put16(used ? kSampleWords : 0);    // length in words
        mod.push_back(0);                  // finetune
        mod.push_back(used ? 64 : 0);      // volume
        put16(0);                          // loop start
        put16(used ? kSampleWords : 1);    // loop length (1 = no loop)
    }
    mod.push_back(1);    // song length: one order
    mod.push_back(127);  // restart byte
    for (int i = 0; i < 128; ++i) mod.push_back(0);
    mod.insert(mod.end(), {'M', '.', 'K', '.'});
    std::vector<unsigned char> pattern(64 * 4 * 4, 0);
    auto cell = [&pattern](int row, int channel) { return &pattern[size_t(row * 4 + channel) * 4]; };
    const int period = 428;  // C-2
    unsigned char* first = cell(0, 0);
    first[0] = uint8_t(period >> 8);       // sample high nibble 0
    first[1] = uint8_t(period & 0xFF);
    first[2] = uint8_t((1 << 4) | 0x0F);   // sample 1, effect F: speed
    first[3] = 3;
    unsigned char* last = cell(7, 0);
    last[2] = 0x0D;                         // pattern break: the song ends here
    mod.insert(mod.end(), pattern.begin(), pattern.end());
    for (int i = 0; i < kSampleWords * 2; ++i) mod.push_back(uint8_t(i < kSampleWords ? 80 : -80));
    return mod;
}

double ZeroCrossingRate(const std::vector<int16_t>& stereo, size_t firstFrame, size_t lastFrame, int rate) {
    int crossings = 0;
    for (size_t i = firstFrame + 1; i < lastFrame; ++i)
        if ((stereo[(i - 1) * 2] < 0) != (stereo[i * 2] < 0)) ++crossings;
    return double(crossings) * rate / double(lastFrame - firstFrame);
}

double LeftRms(const std::vector<int16_t>& stereo, size_t firstFrame, size_t lastFrame) {
    double sum = 0.0;
    for (size_t i = firstFrame; i < lastFrame; ++i) {
        const double v = stereo[i * 2] / 32768.0;
        sum += v * v;
    }
    return std::sqrt(sum / double(lastFrame - firstFrame));
}

}  // namespace sunvale::testaudio
