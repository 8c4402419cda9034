// Texture binding shared by the effects. A handle of -1 marks a texture that
// failed to load; such an effect draws untextured in its colour.
#pragma once

#include <cstdint>

namespace sunvale {

// Enables 2D texturing and binds handle when it names a texture (> 0);
// otherwise disables 2D texturing and binds 0, so the primitive takes the
// current colour alone. (Binding an unknown name would create an empty,
// incomplete texture object, which some drivers sample as black.)
void BindEffectTexture(int32_t handle);

}  // namespace sunvale
