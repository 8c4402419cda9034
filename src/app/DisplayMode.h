// A video mode as the show chooses and uses it: the fields of the system's
// display-mode record that the show reads.
#pragma once

#include <cstdint>

namespace sunvale {

struct DisplayMode {
    uint32_t bitsPerPel = 0;        // bits per pixel (SDL: bytes per pixel * 8)
    uint32_t pelsWidth = 0;         // pixels
    uint32_t pelsHeight = 0;        // pixels
    uint32_t displayFrequency = 0;  // Hz; 0 when unknown
};

}  // namespace sunvale
