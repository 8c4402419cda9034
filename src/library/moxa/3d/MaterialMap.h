// MaterialMap: a material's map, of which only the file name is kept.
#pragma once

#include <string>

namespace sunvale {

struct MaterialMap {
    std::string fileName;  // empty = no map

    bool Present() const { return !fileName.empty(); }
};

}  // namespace sunvale
