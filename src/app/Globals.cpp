// The process-wide objects, defined in one unit so that they are built in
// this order and destroyed in the reverse: the display, the texture manager,
// the music player (so the music stops before textures are forgotten).
#include "app/DisplaySettings.h"
#include "app/sound/MusicPlayer.h"
#include "library/moxa/imagelib/CTexManager.h"

namespace sunvale {

DisplaySettings g_displaySettings;
CTexManager g_texManager;
MusicPlayer g_musicPlayer;

}  // namespace sunvale
