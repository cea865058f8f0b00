// 8-bit pictures in the sample game's palette, drawn by code, and the BMP
// writer that stores them.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sample_game/sample_assets.h"

namespace sample {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};
// The game's 256 colours (see sample_assets.h for the layout).
const Rgb* Palette();

// Every drawing call clips to the canvas.
class Canvas {
public:
    Canvas(int width, int height, uint8_t fill = kKey);
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    uint8_t At(int x, int y) const;  // kKey outside
    void Set(int x, int y, uint8_t colour);
    void Fill(int x, int y, int w, int h, uint8_t colour);
    void Frame(int x, int y, int w, int h, uint8_t colour);  // 1-pixel outline
    void Line(int x0, int y0, int x1, int y1, uint8_t colour);
    void Disc(int cx, int cy, int radius, uint8_t colour);
    void Ring(int cx, int cy, int radius, uint8_t colour);
    // A vertical gradient from `top` to `bottom` through the colour cube.
    void Gradient(int x, int y, int w, int h, Rgb top, Rgb bottom);
    // Copies `src` with its left and right swapped into (x, y).
    void PasteMirrored(const Canvas& src, int x, int y);
    void Paste(const Canvas& src, int x, int y, bool keyed = true);
    // ASCII text in a 5x7 pixel font, each pixel `scale` wide, letters 6
    // pixels apart times `scale`; returns the width drawn.
    int Text(int x, int y, std::string_view ascii, uint8_t colour, int scale = 1);
    const std::vector<uint8_t>& Pixels() const { return m_pixels; }

private:
    int m_width, m_height;
    std::vector<uint8_t> m_pixels;
};

// The nearest palette entry (never 0, the transparent colour).
uint8_t NearestColour(Rgb colour);

// Writes an 8-bit bottom-up BMP with the game's palette, making its
// folders; false with a message naming the file when that fails.
bool WriteBmp8(const std::string& path, const Canvas& canvas, std::string* error);

}  // namespace sample
