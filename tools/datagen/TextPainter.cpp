// FreeType text rendering for the generated textures. Glyphs are rendered
// as 8-bit coverage at whole-pixel pen positions, which keeps the output a
// pure function of the font file and the FreeType version.
#include "TextPainter.h"

#include <ft2build.h>

#include <cmath>
#include FT_FREETYPE_H

namespace sunvale {
namespace datagen {

namespace {

const char* FontFile(FontFace face)
{
    switch (face) {
    case FontFace::Serif:
        return "DejaVuSerif.ttf";
    case FontFace::SerifItalic:
        return "DejaVuSerif-Italic.ttf";
    case FontFace::SerifBold:
        return "DejaVuSerif-Bold.ttf";
    case FontFace::Sans:
        return "DejaVuSans.ttf";
    case FontFace::SansBold:
        return "DejaVuSans-Bold.ttf";
    case FontFace::SansLight:
        return "DejaVuSans-ExtraLight.ttf";
    case FontFace::Mono:
        return "DejaVuSansMono.ttf";
    case FontFace::Math:
        return "DejaVuMathTeXGyre.ttf";
    }
    return "DejaVuSans.ttf";
}

constexpr int kFaceCount = 8;

// Decodes one UTF-8 code point at text[*i] and advances *i; bad bytes give U+FFFD.
uint32_t NextCodePoint(const std::string& text, size_t* i)
{
    auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    uint8_t c = byte(*i);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || *i + extra >= text.size() + (extra == 0 ? 1 : 0)) {
        ++*i;
        return 0xFFFD;
    }
    uint32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
    for (int k = 1; k <= extra; ++k) {
        uint8_t b = byte(*i + k);
        if ((b & 0xC0) != 0x80) {
            ++*i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    *i += extra + 1;
    return cp;
}

}  // namespace

struct TextPainter::Impl {
    FT_Library library = nullptr;
    FT_Face faces[kFaceCount] = {};
    std::string error;
};

TextPainter::TextPainter(const std::string& fontDir) : impl_(new Impl)
{
    if (FT_Init_FreeType(&impl_->library) != 0) {
        impl_->library = nullptr;
        impl_->error = "FreeType could not be initialised";
        return;
    }
    for (int f = 0; f < kFaceCount; ++f) {
        std::string path = fontDir + "/" + FontFile(static_cast<FontFace>(f));
        if (FT_New_Face(impl_->library, path.c_str(), 0, &impl_->faces[f]) != 0) {
            impl_->faces[f] = nullptr;
            impl_->error = "cannot open font " + path;
            return;
        }
    }
}

TextPainter::~TextPainter()
{
    for (FT_Face face : impl_->faces)
        if (face) FT_Done_Face(face);
    if (impl_->library) FT_Done_FreeType(impl_->library);
}

bool TextPainter::Ready(std::string* error) const
{
    if (impl_->error.empty()) return true;
    if (error) *error = impl_->error;
    return false;
}

float TextPainter::Measure(FontFace face, float size, const std::string& text)
{
    return Pen(nullptr, face, size, 0.0f, 0.0f, text, Rgba{});
}

float TextPainter::Draw(Raster* image, FontFace face, float size, float x, float y,
                        const std::string& text, const Rgba& color)
{
    return Pen(image, face, size, x, y, text, color);
}

void TextPainter::DrawCentred(Raster* image, FontFace face, float size, float x, float y,
                              const std::string& text, const Rgba& color)
{
    float w = Measure(face, size, text);
    Draw(image, face, size, std::floor(x - w * 0.5f), y, text, color);
}

float TextPainter::Pen(Raster* image, FontFace face, float size, float x, float y,
                       const std::string& text, const Rgba& color)
{
    FT_Face ft = impl_->faces[static_cast<int>(face)];
    if (!ft) return x;
    FT_Set_Pixel_Sizes(ft, 0, static_cast<FT_UInt>(std::lround(size)));
    float pen = x;
    size_t i = 0;
    while (i < text.size()) {
        uint32_t cp = NextCodePoint(text, &i);
        FT_Face use = ft;
        FT_UInt glyph = FT_Get_Char_Index(ft, cp);
        if (glyph == 0) {
            // Symbols this face lacks come from DejaVu Sans, then from the maths face.
            for (FontFace other : {FontFace::Sans, FontFace::Math}) {
                FT_Face alt = impl_->faces[static_cast<int>(other)];
                FT_UInt g = alt ? FT_Get_Char_Index(alt, cp) : 0;
                if (g != 0) {
                    use = alt;
                    glyph = g;
                    FT_Set_Pixel_Sizes(use, 0, static_cast<FT_UInt>(std::lround(size)));
                    break;
                }
            }
        }
        FT_Int32 flags = image ? FT_LOAD_RENDER : FT_LOAD_DEFAULT;
        if (FT_Load_Glyph(use, glyph, flags) != 0) continue;
        FT_GlyphSlot slot = use->glyph;
        if (image) {
            const FT_Bitmap& bm = slot->bitmap;
            int ox = static_cast<int>(std::floor(pen)) + slot->bitmap_left;
            int oy = static_cast<int>(std::floor(y)) - slot->bitmap_top;
            for (unsigned r = 0; r < bm.rows; ++r) {
                for (unsigned c = 0; c < bm.width; ++c) {
                    uint8_t cover = bm.buffer[r * bm.pitch + c];
                    if (cover)
                        image->PaintOver(ox + static_cast<int>(c), oy + static_cast<int>(r), color,
                                         cover / 255.0f);
                }
            }
        }
        pen += static_cast<float>(slot->advance.x) / 64.0f;
    }
    return pen;
}

float TextPainter::MeasureFormula(const std::vector<TextRun>& runs, float size)
{
    float w = 0;
    for (const TextRun& run : runs) {
        float s = size * run.scale;
        float a = Measure(run.face, s, run.text);
        if (run.limits) {
            float b = Measure(run.face, s, run.denominator);
            w += (a > b ? a : b) + s * 0.15f;
        } else if (!run.denominator.empty()) {
            float b = Measure(run.face, s, run.denominator);
            w += (a > b ? a : b) + s * 0.3f;
        } else {
            w += a;
        }
    }
    return w;
}

void TextPainter::DrawFormula(Raster* image, const std::vector<TextRun>& runs, float size, float x,
                              float y, const Rgba& color)
{
    float pen = x;
    for (const TextRun& run : runs) {
        float s = size * run.scale;
        float base = y - run.rise * size;
        if (run.denominator.empty()) {
            pen = Draw(image, run.face, s, pen, base, run.text, color);
            continue;
        }
        float a = Measure(run.face, s, run.text);
        float b = Measure(run.face, s, run.denominator);
        if (run.limits) {
            Draw(image, run.face, s, pen, base - size * 0.72f, run.text, color);
            Draw(image, run.face, s, pen - size * 0.12f, base + size * 0.38f, run.denominator,
                 color);
            pen += (a > b ? a : b) + s * 0.15f;
            continue;
        }
        float w = (a > b ? a : b) + s * 0.3f;
        float axis = base - size * 0.3f;  // the fraction rule sits on the maths axis
        Draw(image, run.face, s, pen + (w - a) * 0.5f, axis - s * 0.22f, run.text, color);
        Draw(image, run.face, s, pen + (w - b) * 0.5f, axis + s * 0.78f, run.denominator, color);
        int thick = static_cast<int>(size * 0.05f) + 1;
        for (int yy = 0; yy < thick; ++yy)
            for (int xx = static_cast<int>(pen + s * 0.08f);
                 xx < static_cast<int>(pen + w - s * 0.08f); ++xx)
                image->PaintOver(xx, static_cast<int>(axis) + yy - thick / 2, color, 1.0f);
        pen += w;
    }
}

}  // namespace datagen
}  // namespace sunvale
