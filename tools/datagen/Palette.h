// The production's dawn palette: every generated picture draws from these.
#pragma once

#include "Raster.h"

namespace sunvale {
namespace datagen {

constexpr Rgba kAmber{1.00f, 0.62f, 0.18f, 1.0f};
constexpr Rgba kGold{1.00f, 0.84f, 0.52f, 1.0f};
constexpr Rgba kRose{0.95f, 0.36f, 0.46f, 1.0f};
constexpr Rgba kCoral{1.00f, 0.45f, 0.30f, 1.0f};
constexpr Rgba kIndigo{0.13f, 0.08f, 0.32f, 1.0f};
constexpr Rgba kNight{0.03f, 0.02f, 0.08f, 1.0f};
constexpr Rgba kViolet{0.45f, 0.25f, 0.70f, 1.0f};
constexpr Rgba kDawnWhite{1.00f, 0.95f, 0.86f, 1.0f};
constexpr Rgba kBlack{0.0f, 0.0f, 0.0f, 1.0f};

}  // namespace datagen
}  // namespace sunvale
