#pragma once
// Reading an entry's packed bytes from the archive into memory.
#include <cstdint>

namespace sunvale {

struct RarState;

// Reads min(count, packed bytes left) bytes of the current entry, counts
// them off the packed bytes left and decrypts them when the entry is
// encrypted. Returns the number of bytes read.
uint32_t ReadInput(RarState& s, uint8_t* destination, uint32_t count);

// first: fills the whole input buffer. Otherwise keeps the last 32 bytes of
// the buffer at its start and reads up to 8160 bytes behind them.
void RefillInput(RarState& s, bool first);

}  // namespace sunvale
