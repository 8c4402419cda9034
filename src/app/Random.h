// The show's one pseudo-random generator. Every random choice of the show
// (loading, effects, scenes) draws from this single sequence on the worker
// thread, so the order of draws is part of the show: the same seed gives the
// same picture on every run and platform. The C library's rand() differs
// between systems and is never used.
#pragma once

#include <cstdint>

namespace sunvale {

constexpr int kRandMax = 0x7FFF;

// Sets the generator's 32-bit state to seed.
void srand(uint32_t seed);

// Advances state = state * 214013 + 2531011 (mod 2^32) and returns
// (state >> 16) & 0x7FFF, a value in [0, 32767]. The state starts at 1.
int rand();

}  // namespace sunvale
