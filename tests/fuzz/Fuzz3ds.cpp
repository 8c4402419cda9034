// Fuzz entry point for the 3DS loader: geometry, materials and keyframer
// chunks of a file in memory, then the derived geometry of what was read.
#include <cstdint>
#include <cstring>
#include <memory>

#include "library/moxa/3d/Model.h"
#include "library/moxa/3d/ModelParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    std::unique_ptr<sunvale::Model> model(sunvale::ParseModel(copy.get(), size, "fuzz"));
    return 0;
}
