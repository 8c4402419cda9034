// Choice of output for the sound library.
#pragma once

namespace sunvale {

// Auto opens the audio device and falls back to Null; Null is a silent
// output that consumes samples in real time; Manual has no thread at all:
// the caller pulls mixed samples itself (offline rendering, tests).
enum class SoundOutput { Auto, Null, Manual };

}  // namespace sunvale
