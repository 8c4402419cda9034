// The show's linear congruential generator (see Random.h).
#include "app/Random.h"

namespace sunvale {

namespace {
uint32_t g_randState = 1;
}  // namespace

void srand(uint32_t seed) { g_randState = seed; }

int rand()
{
    g_randState = g_randState * 214013u + 2531011u;
    return static_cast<int>((g_randState >> 16) & 0x7FFFu);
}

}  // namespace sunvale
