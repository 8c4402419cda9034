// Test material made on the spot: sine tones, MP3s encoded with libmp3lame,
// a tiny ProTracker module, and helpers to pull and measure mixed sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/sound/FSound.h"

namespace sunvale::testaudio {

// Interleaved 16-bit stereo sine, `amplitude` of full scale, both channels alike.
std::vector<int16_t> SineStereo(int frames, int rate, double frequency, double amplitude);

// CBR MP3 with an encoder-delay tag, so a gapless decoder gives back exactly
// the frames encoded. Empty when encoding failed.
std::vector<unsigned char> EncodeMp3(const std::vector<int16_t>& stereo, int rate);

// Four-channel "M.K." module: one looped square-wave sample played for eight
// rows at speed 3 (about 0.48 s), then the song ends.
std::vector<unsigned char> MakeTinyMod();

// Mixes blocks (Manual output) until `done()` or `maxFrames`, appending them
// to pcm when given; returns the frames mixed.
template <typename Done>
int64_t MixUntil(Done done, int64_t maxFrames, std::vector<int16_t>* pcm)
{
    int64_t mixed = 0;
    std::vector<int16_t> block(2048);
    for (int n; !done() && mixed < maxFrames && (n = FSOUND_MixBlock(block.data(), 1024)) > 0;
         mixed += n)
        if (pcm != nullptr)
            pcm->insert(pcm->end(), block.begin(),
                        block.begin() + static_cast<std::ptrdiff_t>(n) * 2);
    return mixed;
}

// Root mean square of the left channel over [firstFrame, lastFrame), full scale 1.0.
double LeftRms(const std::vector<int16_t>& stereo, std::size_t firstFrame, std::size_t lastFrame);

}  // namespace sunvale::testaudio
