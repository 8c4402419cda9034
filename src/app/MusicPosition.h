// The music position every scene reads: the playing stream's position in
// seconds (whole milliseconds * 0.001 in single precision), 0.0 without a
// stream. Offscreen renders and tests replace the source with their own.
#pragma once

namespace sunvale {

float MusicPosition();

// Whether the position comes from a music stream: the music player holds
// one, or a replaced source stands for one (offscreen renders, tests).
bool MusicStreamHeld();

using MusicPositionSource = float (*)();
// nullptr restores the music player as the source.
void SetMusicPositionSource(MusicPositionSource source);

}  // namespace sunvale
