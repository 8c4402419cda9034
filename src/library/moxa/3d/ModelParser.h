// Parsing a 3DS scene file held in memory into a Model, in three passes:
// materials, geometry and keyframer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "library/moxa/3d/Model.h"

namespace sunvale {

// Parses a 3DS file held in memory; name becomes the model's name. The
// buffer is only read and may be released afterwards. Returns a new Model
// owned by the caller, or null when the data holds no chunk at all, when a
// face names a vertex outside its object, or when out of memory. Damaged
// chunk structure (lengths past their parent, counts beyond their data,
// names too long) is cut to what the buffer holds.
Model* ParseModel(const uint8_t* data, size_t size, const char* name);

}  // namespace sunvale
