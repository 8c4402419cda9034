// Sends a block's Huffman tables: the mode bits, the 19 bit-length code
// lengths, then every table length delta-coded against the previous block's,
// with runs of zeros and repeats folded into symbols 16..18.
#pragma once

#include <cstdint>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarCoderState.h"

namespace sunvale {

class RarBitWriter;

class RarTableWriter {
public:
    // lengths: 374 entries (main, distance, repeat-length) in LZ mode, or
    // channels x 257 in audio mode. Updates the state's tables, mode and
    // previous lengths as the decoder's ReadCodeTables would.
    static void Write(RarBitWriter* out, RarCoderState* state, bool audio, int channels,
                      const std::vector<uint8_t>& lengths);

    // Bits Write would spend for these lengths (for estimates).
    static uint64_t Cost(const RarCoderState& state, const std::vector<uint8_t>& lengths);
};

}  // namespace sunvale
