// Default operations of the effect base: an effect overrides only what it
// uses, everything else does nothing.
#include "effects/Effect.h"

namespace sunvale {

void Effect::DrawOver(float, Effect*) {}

void Effect::SetTextures(int32_t, int32_t) {}

void Effect::SetTexture(int32_t) {}

void Effect::SetModel(Model*) {}

}  // namespace sunvale
