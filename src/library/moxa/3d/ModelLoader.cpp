// The 3DS model loader: the file is extracted from the data archive into
// memory, parsed there and the memory copy released.
#include "library/moxa/3d/ModelLoader.h"

#include <cstdlib>

#include "library/moxa/3d/ModelParser.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace sunvale {

namespace {

constexpr char kPassword[] = "";

}  // namespace

Model* LoadModel(const char* archiveName, const char* fileName)
{
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!RarExtract(&data, &size, fileName, archiveName, kPassword)) return nullptr;
    Model* model = ParseModel(data, size, fileName);
    std::free(data);
    return model;
}

}  // namespace sunvale
