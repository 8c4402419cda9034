#pragma once
// Multimedia-mode decoding of a run of symbols: table lookups and
// PredictAudio per channel in turn, without the main loop's per-symbol checks.
#include "library/moxa/imagelib/rarlib/rarreader/SymbolRun.h"

namespace sunvale {

struct RarState;

// Decodes symbols with the current channel's audio table into the window
// until a limit is reached or symbol 256 is read. Updates the channel
// records, the current channel and the channel delta in `s`.
void DecodeAudioRun(RarState& s, SymbolRun& run);

}  // namespace sunvale
