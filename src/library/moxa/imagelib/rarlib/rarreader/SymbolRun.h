#pragma once
// One run of the unpacker's symbol loop: decoding without per-symbol checks
// between two visits of the checks due before a symbol (input refill, end of
// input, window flush, output complete).
#include <cstdint>

namespace sunvale {

// The caller has made the checks for the first symbol and sets the limits
// under which they cannot fire for the later ones.
struct SymbolRun {
    uint32_t bitPos = 0;       // in/out: 8 * input position + bit position
    uint32_t bitLimit = 0;     // a symbol starts only at a bit position up to this
    uint32_t pos = 0;          // in/out: window position
    uint32_t limit = 0;        // no symbol starts once this many bytes were produced
    uint32_t produced = 0;     // out: bytes written to the window
    bool tableSwitch = false;  // out: the run ended at the new-tables symbol (consumed)
};

}  // namespace sunvale
