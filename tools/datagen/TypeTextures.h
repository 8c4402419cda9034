// Painters of the pictures made of type: the opening title, the formulas,
// the short messages and the closing credits, light on dark.
#pragma once

#include "Raster.h"
#include "TextPainter.h"

namespace sunvale {
namespace datagen {

class TypeTextures {
public:
    explicit TypeTextures(TextPainter* text) : text_(text) {}

    Raster Title();         // 512², "zentrope2.jpg"
    Raster Formula(int n);  // 512², "mathN.jpg", n = 1..8
    Raster Message(int n);  // 512², "msgN.jpg", n = 1..7
    Raster Credits();       // 512², "stuff.jpg"

    static constexpr int kFormulaCount = 8;
    static constexpr int kMessageCount = 7;

private:
    TextPainter* text_;
};

}  // namespace datagen
}  // namespace sunvale
