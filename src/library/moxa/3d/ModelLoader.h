// Loading a 3DS scene file out of the data archive into a Model.
#pragma once

#include "library/moxa/3d/Model.h"
#include "library/moxa/3d/ModelParser.h"

namespace sunvale {

// Extracts fileName from archiveName and parses it (ParseModel). Returns a
// new Model owned by the caller (release with ReleaseModel), or null when the
// archive cannot deliver the file or the file is rejected. Silent.
Model* LoadModel(const char* archiveName, const char* fileName);

}  // namespace sunvale
