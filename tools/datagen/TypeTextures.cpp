// Type-set pictures. Text is painted white into a coverage mask, blurred
// copies of the mask make the glow, and the dawn palette colours both.
#include "TypeTextures.h"

#include <cmath>
#include <vector>

#include "FixedMath.h"
#include "Palette.h"

namespace sunvale {
namespace datagen {

namespace {

constexpr int kSize = 512;
constexpr Rgba kWhite{1, 1, 1, 1};

// Separable box blur of the red channel, radius r, repeated `passes` times.
std::vector<float> BlurMask(const Raster& mask, int r, int passes)
{
    int w = mask.Width(), h = mask.Height();
    std::vector<float> a(static_cast<size_t>(w) * h), b(a.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) a[static_cast<size_t>(y) * w + x] = mask.At(x, y).r;
    float inv = 1.0f / (2 * r + 1);
    for (int p = 0; p < passes; ++p) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0;
                for (int k = -r; k <= r; ++k) {
                    int xx = x + k;
                    if (xx >= 0 && xx < w) s += a[static_cast<size_t>(y) * w + xx];
                }
                b[static_cast<size_t>(y) * w + x] = s * inv;
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0;
                for (int k = -r; k <= r; ++k) {
                    int yy = y + k;
                    if (yy >= 0 && yy < h) s += b[static_cast<size_t>(yy) * w + x];
                }
                a[static_cast<size_t>(y) * w + x] = s * inv;
            }
    }
    return a;
}

// Colours a mask: text in a vertical top→bottom gradient, glow in `glow`,
// over a dark background `ground` (also a vertical gradient to black).
Raster Colourise(const Raster& mask, const Rgba& top, const Rgba& bottom, const Rgba& glow,
                 float glowGain, const Rgba& ground)
{
    std::vector<float> halo = BlurMask(mask, 6, 2);
    Raster out(mask.Width(), mask.Height());
    for (int y = 0; y < mask.Height(); ++y) {
        float v = (y + 0.5f) / mask.Height();
        Rgba ink = MixColor(top, bottom, v);
        Rgba bg = ScaleColor(ground, 1.0f - SmoothStep(0.2f, 1.0f, std::fabs(v - 0.5f) * 2.0f));
        for (int x = 0; x < mask.Width(); ++x) {
            float m = mask.At(x, y).r,
                  g = halo[static_cast<size_t>(y) * mask.Width() + x] * glowGain;
            Rgba c = bg;
            c.r += glow.r * g;
            c.g += glow.g * g;
            c.b += glow.b * g;
            out.At(x, y) = MixColor(c, ink, m);
        }
    }
    return out;
}

Raster BlankMask()
{
    Raster mask(kSize, kSize);
    mask.Fill(kBlack);
    return mask;
}

TextRun T(const char* s, FontFace f = FontFace::Serif) { return TextRun{s, f, 1.0f, 0.0f, ""}; }
TextRun I(const char* s) { return T(s, FontFace::SerifItalic); }
TextRun Sup(const char* s, FontFace f = FontFace::SerifItalic)
{
    return TextRun{s, f, 0.62f, 0.42f, ""};
}
TextRun Sub(const char* s, FontFace f = FontFace::SerifItalic)
{
    return TextRun{s, f, 0.62f, -0.22f, ""};
}
TextRun Big(const char* s) { return TextRun{s, FontFace::Sans, 1.5f, -0.12f, ""}; }
TextRun Frac(const char* num, const char* den)
{
    return TextRun{num, FontFace::SerifItalic, 0.8f, 0.0f, den};
}

struct FormulaPage {
    const char* title;
    std::vector<std::vector<TextRun>> lines;
};

FormulaPage Page(int n)
{
    switch (n) {
    case 1:
        return {"EULER", {{I("e"), Sup("iπ"), T(" + 1 = 0")}}};
    case 2:
        return {"FOURIER",
                {{I("f̂"), T("("), I("ξ"), T(") = "), Big("∫"), I(" f"), T("("), I("x"), T(") "),
                  I("e"), Sup("−2πixξ"), I(" dx")}}};
    case 3:
        return {"NAVIER – STOKES",
                {{I("ρ"), T("("), Frac("∂u", "∂t"), T(" + "), I("u"), T("·∇"), I("u"), T(")")},
                 {T("= −∇"), I("p"), T(" + "), I("μ"), T("∇"), Sup("2", FontFace::Serif), I("u"),
                  T(" + "), I("f")}}};
    case 4:
        return {"SCHRÖDINGER", {{I("iħ "), Frac("∂ψ", "∂t"), T(" = "), I("Ĥψ")}}};
    case 5:
        return {"MAXWELL",
                {{T("∇ × "), I("E"), T(" = −"), Frac("∂B", "∂t")},
                 {T("∇ · "), I("E"), T(" = "), Frac("ρ", "ε₀")}}};
    case 6:
        return {"GAUSS",
                {{Big("∫"), TextRun{"∞", FontFace::Serif, 0.62f, 0.0f, "−∞", true}, I(" e"),
                  Sup("−x²"), I(" dx"), T(" = √π")}}};
    case 7:
        return {"CAUCHY",
                {{I("f"), T("("), I("a"), T(") = "), Frac("1", "2πi"), Big("∮"), T(" "),
                  Frac("f(z)", "z − a"), I(" dz")}}};
    default:
        return {
            "CATMULL – ROM",
            {{I("q"), T("("), I("s"), T(") = ½ [ 2"), I("p"), Sub("1"), T(" + (−"), I("p"),
              Sub("0"), T(" + "), I("p"), Sub("2"), T(")"), I("s")},
             {T("+ (2"), I("p"), Sub("0"), T(" − 5"), I("p"), Sub("1"), T(" + 4"), I("p"), Sub("2"),
              T(" − "), I("p"), Sub("3"), T(")"), I("s"), Sup("2", FontFace::Serif)},
             {T("+ (−"), I("p"), Sub("0"), T(" + 3"), I("p"), Sub("1"), T(" − 3"), I("p"), Sub("2"),
              T(" + "), I("p"), Sub("3"), T(")"), I("s"), Sup("3", FontFace::Serif), T(" ]")}}};
    }
}

}  // namespace

Raster TypeTextures::Title()
{
    Raster mask = BlankMask();
    text_->DrawCentred(&mask, FontFace::SansLight, 34, kSize / 2, 150, "Z E N T R O P E", kWhite);
    text_->DrawCentred(&mask, FontFace::SerifItalic, 104, kSize / 2, 300, "Sunvale", kWhite);
    text_->DrawCentred(&mask, FontFace::Sans, 18, kSize / 2, 372, "Zentrope - Sunvale", kWhite);
    Raster out = Colourise(mask, kGold, kRose, kAmber, 1.2f, ScaleColor(kIndigo, 0.0f));
    // A rising half sun with horizon lines between the two names.
    for (int y = 170; y < 215; ++y)
        for (int x = 0; x < kSize; ++x) {
            float dx = x + 0.5f - kSize / 2, dy = y + 0.5f - 215.0f;
            float d = std::sqrt(dx * dx + dy * dy);
            float disc = Clamp01(38.5f - d);
            if ((y / 5) % 2 == 1 && y > 195) disc = 0.0f;
            out.AddLight(x, y, MixColor(kGold, kAmber, (y - 170) / 45.0f), disc);
        }
    for (int x = 96; x < kSize - 96; ++x) {
        float k = 1.0f - std::fabs(x - kSize / 2.0f) / (kSize / 2.0f - 96);
        out.AddLight(x, 216, kRose, k * 0.9f);
        out.AddLight(x, 392, kAmber, k * 0.5f);
    }
    return out;
}

Raster TypeTextures::Formula(int n)
{
    FormulaPage page = Page(n);
    Raster mask = BlankMask();
    float size = 46.0f;
    for (const auto& line : page.lines) {
        while (text_->MeasureFormula(line, size) > kSize - 56 && size > 12.0f) size -= 2.0f;
    }
    float lineGap = size * 1.7f;
    float y0 = kSize / 2 - (page.lines.size() - 1) * lineGap * 0.5f + size * 0.35f;
    for (size_t i = 0; i < page.lines.size(); ++i) {
        float w = text_->MeasureFormula(page.lines[i], size);
        text_->DrawFormula(&mask, page.lines[i], size, std::floor((kSize - w) * 0.5f),
                           std::floor(y0 + i * lineGap), kWhite);
    }
    Raster out = Colourise(mask, kDawnWhite, kGold, kRose, 0.9f, ScaleColor(kIndigo, 0.55f));
    // Faint graph paper and the formula's name.
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (x % 32 == 0 || y % 32 == 0) out.AddLight(x, y, kViolet, 0.10f);
    Raster label = BlankMask();
    text_->DrawCentred(&label, FontFace::SansLight, 22, kSize / 2, 70, page.title, kWhite);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) out.AddLight(x, y, kAmber, label.At(x, y).r);
    return out;
}

Raster TypeTextures::Message(int n)
{
    static const std::vector<std::vector<const char*>> kMessages = {
        {"SUN", "VALE"}, {"WAKE", "UP"},          {"WARM", "LIGHT"}, {"DAWN"},
        {"NO", "SLEEP"}, {"FEEL", "THE", "GLOW"}, {"ZEN", "TROPE"}};
    const auto& lines = kMessages[static_cast<size_t>((n - 1) % kMessageCount)];
    Raster mask = BlankMask();
    float size = lines.size() == 1 ? 170.0f : (lines.size() == 2 ? 150.0f : 118.0f);
    for (const char* line : lines)
        while (text_->Measure(FontFace::SansBold, size, line) > kSize - 40 && size > 20.0f)
            size -= 4.0f;
    float gap = size * 1.0f;
    float y0 = kSize / 2 - (lines.size() - 1) * gap * 0.5f + size * 0.36f;
    for (size_t i = 0; i < lines.size(); ++i)
        text_->DrawCentred(&mask, FontFace::SansBold, size, kSize / 2, std::floor(y0 + i * gap),
                           lines[i], kWhite);
    return Colourise(mask, kGold, kRose, kCoral, 1.3f, kBlack);
}

Raster TypeTextures::Credits()
{
    Raster mask = BlankMask();
    text_->DrawCentred(&mask, FontFace::SerifItalic, 72, kSize / 2, 120, "Sunvale", kWhite);
    text_->DrawCentred(&mask, FontFace::SansLight, 22, kSize / 2, 160, "a production by Zentrope",
                       kWhite);
    static const char* kLines[] = {
        "native Linux port",           "C++17 · OpenGL 1.1 · SDL2 · GTK 3",
        "RAR 2.x reader and unpacker", "3DS model loader",
        "pictures, head and music",    "generated from source",
        "type: DejaVu fonts",          "thank you for watching"};
    float y = 235;
    for (const char* line : kLines) {
        text_->DrawCentred(&mask, FontFace::Sans, 20, kSize / 2, y, line, kWhite);
        y += 31;
    }
    return Colourise(mask, kDawnWhite, kAmber, kRose, 0.7f, ScaleColor(kIndigo, 0.6f));
}

}  // namespace datagen
}  // namespace sunvale
