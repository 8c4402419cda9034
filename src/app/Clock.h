// The show clock: ticks of 17 ms counted from the first call.
#pragma once

#include <cstdint>

namespace sunvale {

// Ticks elapsed since the first call, as a float. The millisecond counter is
// kept in single precision, the conversion (now - origin) * (1/17 as a float)
// runs in double precision, exactly as the show has always timed itself.
float GetTicks();

// Milliseconds source: monotonic, unsigned 32-bit, wrapping. Tests and
// offscreen tools install their own; nullptr restores the system counter.
using MillisecondCounter = uint32_t (*)();
void SetMillisecondCounter(MillisecondCounter counter);

// Forgets the origin, so that the next GetTicks() starts again at 0.
void ResetTicks();

// The system's monotonic millisecond counter.
uint32_t SystemMilliseconds();

}  // namespace sunvale
