// Encodes the rendered piece to a constant-bit-rate MP3 with libmp3lame,
// with fixed settings, an Info tag (encoder delay and padding for gapless
// decoding) and no ID3 tag, so the same samples give the same file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "StereoBuffer.h"

namespace sunvale {
namespace datagen {

class Mp3Encoder {
public:
    // kbps: CBR bit rate; quality: lame's algorithm quality 0 (best) .. 9.
    static bool Encode(const StereoBuffer& audio, int kbps, int quality, std::vector<uint8_t>* out,
                       std::string* error);
};

}  // namespace datagen
}  // namespace sunvale
