// A contact sheet: small frames of the show in rows, left to right, each with
// its show time ("m:ss.ss") printed under it in a built-in 5x7 pixel font.
//
// Layout, in pixels: a gap of kGap around and between cells; a cell is the
// frame (cellWidth x cellHeight) over a label strip of 7 * scale + kGap
// rows, scale 2 for frames 128 or more wide, else 1. At most kColumns cells
// per row; fewer cells than that make one row of just those.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sunvale {
namespace capture {

class ContactSheet {
public:
    static constexpr int kColumns = 8;
    static constexpr int kGap = 4;
    static constexpr uint8_t kBackground = 32;  // grey level around the frames
    static constexpr uint8_t kInk = 230;        // grey level of the labels

    ContactSheet(int cells, int cellWidth, int cellHeight);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }

    // Top-left pixel of cell i's frame.
    int CellX(int i) const { return kGap + (i % columns_) * (cellWidth_ + kGap); }
    int CellY(int i) const { return kGap + (i / columns_) * (cellHeight_ + labelHeight_ + kGap); }

    // Copies frame (cellWidth x cellHeight RGBA8, top row first) into cell i
    // and prints `seconds` under it.
    void Place(int i, const std::vector<uint8_t>& rgba, double seconds);

    // The sheet, RGBA8 with alpha 255, top row first.
    const std::vector<uint8_t>& Pixels() const { return pixels_; }

    // "m:ss.ss" of a non-negative number of seconds.
    static std::string FormatTime(double seconds);

private:
    void DrawText(int x, int y, const std::string& text);

    int cells_, cellWidth_, cellHeight_;
    int scale_, labelHeight_;
    int columns_, rows_;
    int width_, height_;
    std::vector<uint8_t> pixels_;
};

}  // namespace capture
}  // namespace sunvale
