// Multimedia side of the RAR 2.0 packer: bytes are spread over 1..4
// interleaved channels, each predicted from its own history, and the
// prediction errors are Huffman coded with one table per channel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "library/moxa/imagelib/rarlib/rarpacker/RarCoderState.h"

namespace sunvale {

class RarBitWriter;

class RarAudioEncoder {
public:
    // Codes data[0, size) in audio mode with the given channel count,
    // continuing from state.
    static void Encode(const uint8_t* data, size_t size, int channels, uint32_t blockSymbols,
                       RarCoderState* state, RarBitWriter* out);

    // Channel count whose prediction errors have the lowest order-0 entropy
    // over (a prefix of) data; bitsPerByte receives that entropy, rawBits the
    // order-0 entropy of the bytes themselves.
    static int BestChannelCount(const uint8_t* data, size_t size, double* bitsPerByte,
                                double* rawBits);
};

}  // namespace sunvale
