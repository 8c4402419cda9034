// Contact sheet layout and its digit font (see header).
#include "ContactSheet.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace sunvale {
namespace capture {

namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// 5x7 glyphs, one row per entry, bit 4 the leftmost pixel: the digits 0..9,
// then '.', ':'. Anything else prints as a blank.
constexpr std::array<std::array<uint8_t, kGlyphHeight>, 12> kGlyphs = {{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},  // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // 9
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C},  // .
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00},  // :
}};

int GlyphIndex(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c == '.') return 10;
    if (c == ':') return 11;
    return -1;
}

}  // namespace

ContactSheet::ContactSheet(int cells, int cellWidth, int cellHeight)
    : cells_(cells < 1 ? 1 : cells),
      cellWidth_(cellWidth),
      cellHeight_(cellHeight),
      scale_(cellWidth >= 128 ? 2 : 1),
      labelHeight_(kGlyphHeight * scale_ + kGap),
      columns_(cells_ < kColumns ? cells_ : kColumns),
      rows_((cells_ + columns_ - 1) / columns_),
      width_(kGap + columns_ * (cellWidth_ + kGap)),
      height_(kGap + rows_ * (cellHeight_ + labelHeight_ + kGap)),
      pixels_(static_cast<size_t>(width_) * height_ * 4)
{
    for (size_t i = 0; i < pixels_.size(); i += 4) {
        pixels_[i] = pixels_[i + 1] = pixels_[i + 2] = kBackground;
        pixels_[i + 3] = 255;
    }
}

void ContactSheet::Place(int i, const std::vector<uint8_t>& rgba, double seconds)
{
    if (i < 0 || i >= cells_ || rgba.size() < static_cast<size_t>(cellWidth_) * cellHeight_ * 4)
        return;
    const int x = CellX(i), y = CellY(i);
    const size_t row = static_cast<size_t>(cellWidth_) * 4;
    for (int r = 0; r < cellHeight_; ++r)
        std::memcpy(&pixels_[(static_cast<size_t>(y + r) * width_ + x) * 4], &rgba[r * row], row);
    const std::string label = FormatTime(seconds);
    const int textWidth = static_cast<int>(label.size()) * (kGlyphWidth + 1) * scale_ - scale_;
    DrawText(x + (cellWidth_ - textWidth) / 2, y + cellHeight_ + kGap / 2, label);
}

std::string ContactSheet::FormatTime(double seconds)
{
    if (!(seconds >= 0)) seconds = 0;
    const long hundredths = std::lround(seconds * 100.0);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld.%02ld", hundredths / 6000, hundredths / 100 % 60,
                  hundredths % 100);
    return text;
}

// Glyphs clipped to the sheet; the label may be wider than a narrow cell.
void ContactSheet::DrawText(int x, int y, const std::string& text)
{
    for (char c : text) {
        const int g = GlyphIndex(c);
        for (int gy = 0; g >= 0 && gy < kGlyphHeight; ++gy)
            for (int gx = 0; gx < kGlyphWidth; ++gx) {
                if (!(kGlyphs[static_cast<size_t>(g)][static_cast<size_t>(gy)] >>
                          (kGlyphWidth - 1 - gx) &
                      1))
                    continue;
                for (int sy = 0; sy < scale_; ++sy)
                    for (int sx = 0; sx < scale_; ++sx) {
                        const int px = x + gx * scale_ + sx, py = y + gy * scale_ + sy;
                        if (px < 0 || py < 0 || px >= width_ || py >= height_) continue;
                        uint8_t* p = &pixels_[(static_cast<size_t>(py) * width_ + px) * 4];
                        p[0] = p[1] = p[2] = kInk;
                    }
            }
        x += (kGlyphWidth + 1) * scale_;
    }
}

}  // namespace capture
}  // namespace sunvale
