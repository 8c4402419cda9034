// Builders for the sound tests' own MP3 and module data, and measurements.
#include "TestAudio.h"

#include <lame.h>

#include <cmath>
#include <cstring>

namespace sunvale::testaudio {

std::vector<int16_t> SineStereo(int frames, int rate, double frequency, double amplitude)
{
    std::vector<int16_t> pcm;
    for (int i = 0; i < frames; ++i) {
        const auto v =
            int16_t(std::lround(amplitude * std::sin(2.0 * M_PI * frequency * i / rate) * 32767.0));
        pcm.insert(pcm.end(), {v, v});
    }
    return pcm;
}

std::vector<unsigned char> EncodeMp3(const std::vector<int16_t>& stereo, int rate)
{
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) return {};
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, 2);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 1);  // the tag carries encoder delay and padding
    const int frames = int(stereo.size() / 2);
    std::vector<unsigned char> out(size_t(frames) * 5 / 4 + 7200 + 16384);
    const int written = lame_init_params(lame) < 0 ? -1
                                                   : lame_encode_buffer_interleaved(
                                                         lame, const_cast<short*>(stereo.data()),
                                                         frames, out.data(), int(out.size()));
    const int flushed =
        written < 0 ? -1 : lame_encode_flush(lame, out.data() + written, int(out.size()) - written);
    out.resize(flushed < 0 ? 0 : size_t(written + flushed));
    // The first frame is a placeholder for the tag; fill it in now that the
    // totals are known.
    unsigned char tag[4096];
    const size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= out.size()) std::memcpy(out.data(), tag, tagSize);
    lame_close(lame);
    return out;
}

std::vector<unsigned char> MakeTinyMod()
{
    constexpr int kSampleWords = 32;
    std::vector<unsigned char> mod(20, 0);  // title
    for (int s = 0; s < 31; ++s) {
        const int words = s == 0 ? kSampleWords : 0;
        mod.insert(mod.end(), 22, 0);  // name
        // Length in words, finetune, volume, loop start, loop length (1: no loop).
        mod.insert(mod.end(), {0, uint8_t(words), 0, uint8_t(s == 0 ? 64 : 0), 0, 0, 0,
                               uint8_t(words ? words : 1)});
    }
    mod.insert(mod.end(), {1, 127});  // one order; restart byte
    mod.insert(mod.end(), 128, 0);    // order table: pattern 0
    mod.insert(mod.end(), {'M', '.', 'K', '.'});
    std::vector<unsigned char> pattern(64 * 4 * 4, 0);
    const int period = 428;  // C-2
    // Row 0, channel 0: sample 1 at C-2 with effect F (speed 3); row 7: pattern
    // break, so the song ends there.
    const unsigned char first[] = {uint8_t(period >> 8), uint8_t(period & 0xFF), (1 << 4) | 0x0F,
                                   3};
    std::memcpy(pattern.data(), first, 4);
    pattern[size_t(7 * 4) * 4 + 2] = 0x0D;
    mod.insert(mod.end(), pattern.begin(), pattern.end());
    for (int i = 0; i < kSampleWords * 2; ++i) mod.push_back(uint8_t(i < kSampleWords ? 80 : -80));
    return mod;
}

double LeftRms(const std::vector<int16_t>& stereo, size_t firstFrame, size_t lastFrame)
{
    double sum = 0.0;
    for (size_t i = firstFrame; i < lastFrame; ++i) sum += std::pow(stereo[i * 2] / 32768.0, 2);
    return std::sqrt(sum / double(lastFrame - firstFrame));
}

}  // namespace sunvale::testaudio
