// The 3DS model loader: the file is extracted from the data archive into
// memory, parsed there and the memory copy released.
#include "library/moxa/3d/ModelLoader.h"

#include <cstdlib>

#include "app/LoadProfile.h"
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
    int extracted = 0;
    {
        LoadTimer timer(LoadStage::Archive);
        extracted = RarExtract(&data, &size, fileName, archiveName, kPassword);
    }
    if (!extracted) return nullptr;
    LoadTimer timer(LoadStage::Model);
    Model* model = ParseModel(data, size, fileName);
    std::free(data);
    return model;
}

}  // namespace sunvale
