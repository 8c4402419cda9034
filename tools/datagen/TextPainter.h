// Draws text into a Raster with FreeType and the DejaVu fonts: plain lines
// and simple typeset formulas (runs with their own font, size and baseline
// shift, plus stacked fractions).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Raster.h"

namespace sunvale {
namespace datagen {

enum class FontFace { Serif, SerifItalic, SerifBold, Sans, SansBold, SansLight, Mono, Math };

// One piece of a formula. A run with a non-empty denominator is a fraction:
// `text` over `denominator`, centred, with a rule between them; with
// `limits` set it is a pair of limits instead: `text` above, `denominator`
// below, both left-aligned after an integral sign.
struct TextRun {
    std::string text;
    FontFace face = FontFace::Serif;
    float scale = 1.0f;  // size relative to the formula's size
    float rise = 0.0f;   // baseline shift up, in units of the formula's size
    std::string denominator;
    bool limits = false;
};

class TextPainter {
public:
    // Opens FreeType and the fonts under fontDir (DejaVu file names).
    explicit TextPainter(const std::string& fontDir);
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // False with a reason when FreeType or a font file could not be opened.
    bool Ready(std::string* error) const;

    // Advance width in pixels of a UTF-8 line at the given pixel size.
    float Measure(FontFace face, float size, const std::string& text);
    // Paints a UTF-8 line with its baseline at (x, y); returns the pen x after it.
    float Draw(Raster* image, FontFace face, float size, float x, float y, const std::string& text,
               const Rgba& color);
    // Paints centred on x.
    void DrawCentred(Raster* image, FontFace face, float size, float x, float y,
                     const std::string& text, const Rgba& color);

    float MeasureFormula(const std::vector<TextRun>& runs, float size);
    // Lays out the runs left to right from (x, baseline y).
    void DrawFormula(Raster* image, const std::vector<TextRun>& runs, float size, float x, float y,
                     const Rgba& color);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    float Pen(Raster* image, FontFace face, float size, float x, float y, const std::string& text,
              const Rgba& color);
};

}  // namespace datagen
}  // namespace sunvale
