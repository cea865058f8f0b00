#include "tools/sample_game/canvas.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "tools/sample_game/sample_game.h"

namespace sample {

namespace {

std::array<Rgb, 256> MakePalette() {
    std::array<Rgb, 256> p{};
    p[0] = {kKeyR, kKeyG, kKeyB};
    // 1..15: named colours of the game's pictures.
    const Rgb named[15] = {{0, 0, 0},       {255, 255, 255}, {200, 40, 40},   {40, 160, 60},  {50, 90, 200},
                           {240, 200, 40},  {150, 90, 40},   {110, 70, 30},   {255, 150, 60}, {120, 200, 255},
                           {90, 90, 110},   {160, 160, 180}, {255, 220, 180}, {200, 80, 200}, {20, 20, 60}};
    for (int i = 0; i < 15; ++i) p[static_cast<size_t>(1 + i)] = named[i];
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p[Cube(r, g, b)] = {static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                                    static_cast<uint8_t>(b * 51)};
    for (int n = 0; n < 8; ++n) {
        uint8_t v = static_cast<uint8_t>(28 + n * 28);
        p[Grey(n)] = {v, v, v};
    }
    p[kFontFrame] = {16, 16, 48};
    p[kFontText] = {255, 255, 254};
    // 242..255: a warm ramp for fire and highlights.
    for (int i = 242; i < 256; ++i)
        p[static_cast<size_t>(i)] = {255, static_cast<uint8_t>(60 + (i - 242) * 14), static_cast<uint8_t>((i - 242) * 8)};
    // The cube's magenta corner would equal the transparent colour.
    p[Cube(5, 0, 5)] = {254, 0, 254};
    return p;
}

// 5x7 glyphs, one byte per row, bit 4 the leftmost pixel.
struct Glyph {
    char c;
    uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}}, {'C', {14, 17, 16, 16, 16, 17, 14}},
    {'D', {30, 17, 17, 17, 17, 17, 30}}, {'E', {31, 16, 16, 30, 16, 16, 31}}, {'F', {31, 16, 16, 30, 16, 16, 16}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'H', {17, 17, 17, 31, 17, 17, 17}}, {'I', {14, 4, 4, 4, 4, 4, 14}},
    {'J', {7, 2, 2, 2, 2, 18, 12}},      {'K', {17, 18, 20, 24, 20, 18, 17}}, {'L', {16, 16, 16, 16, 16, 16, 31}},
    {'M', {17, 27, 21, 21, 17, 17, 17}}, {'N', {17, 17, 25, 21, 19, 17, 17}}, {'O', {14, 17, 17, 17, 17, 17, 14}},
    {'P', {30, 17, 17, 30, 16, 16, 16}}, {'Q', {14, 17, 17, 17, 21, 18, 13}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},       {'U', {17, 17, 17, 17, 17, 17, 14}},
    {'V', {17, 17, 17, 17, 17, 10, 4}},  {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'Z', {31, 1, 2, 4, 8, 16, 31}},     {'0', {14, 17, 19, 21, 25, 17, 14}},
    {'1', {4, 12, 4, 4, 4, 4, 14}},      {'2', {14, 17, 1, 2, 4, 8, 31}},     {'3', {31, 2, 4, 2, 1, 17, 14}},
    {'4', {2, 6, 10, 18, 31, 2, 2}},     {'5', {31, 16, 30, 1, 1, 17, 14}},   {'6', {6, 8, 16, 30, 17, 17, 14}},
    {'7', {31, 1, 2, 4, 8, 8, 8}},       {'8', {14, 17, 17, 14, 17, 17, 14}}, {'9', {14, 17, 17, 15, 1, 2, 12}},
    {'!', {4, 4, 4, 4, 4, 0, 4}},        {'?', {14, 17, 1, 2, 4, 0, 4}},      {'.', {0, 0, 0, 0, 0, 12, 12}},
    {':', {0, 12, 12, 0, 12, 12, 0}},    {'-', {0, 0, 0, 31, 0, 0, 0}},       {'\'', {4, 4, 8, 0, 0, 0, 0}},
    {'/', {1, 1, 2, 4, 8, 16, 16}},      {'x', {0, 17, 10, 4, 10, 17, 0}},    {'%', {24, 25, 2, 4, 8, 19, 3}},
    {'(', {2, 4, 8, 8, 8, 4, 2}},        {')', {8, 4, 2, 2, 2, 4, 8}},        {'+', {0, 4, 4, 31, 4, 4, 0}},
};

const Glyph* FindGlyph(char c) {
    if (c >= 'a' && c <= 'z' && c != 'x') c = static_cast<char>(c - 'a' + 'A');
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return &g;
    return nullptr;
}

}  // namespace

const Rgb* Palette() {
    static const std::array<Rgb, 256> palette = MakePalette();
    return palette.data();
}

Canvas::Canvas(int width, int height, uint8_t fill)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_pixels(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), fill) {}

uint8_t Canvas::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return kKey;
    return m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
}

void Canvas::Set(int x, int y, uint8_t colour) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)] = colour;
}

void Canvas::Fill(int x, int y, int w, int h, uint8_t colour) {
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + w, m_width), y1 = std::min(y + h, m_height);
    for (int yy = y0; yy < y1; ++yy)
        for (int xx = x0; xx < x1; ++xx) Set(xx, yy, colour);
}

void Canvas::Frame(int x, int y, int w, int h, uint8_t colour) {
    if (w <= 0 || h <= 0) return;
    Fill(x, y, w, 1, colour);
    Fill(x, y + h - 1, w, 1, colour);
    Fill(x, y, 1, h, colour);
    Fill(x + w - 1, y, 1, h, colour);
}

void Canvas::Line(int x0, int y0, int x1, int y1, uint8_t colour) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Set(x0, y0, colour);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Canvas::Disc(int cx, int cy, int radius, uint8_t colour) {
    for (int y = -radius; y <= radius; ++y)
        for (int x = -radius; x <= radius; ++x)
            if (x * x + y * y <= radius * radius + radius) Set(cx + x, cy + y, colour);
}

void Canvas::Ring(int cx, int cy, int radius, uint8_t colour) {
    for (int y = -radius; y <= radius; ++y)
        for (int x = -radius; x <= radius; ++x) {
            int d = x * x + y * y;
            if (d <= radius * radius + radius && d > (radius - 1) * (radius - 1) + (radius - 1))
                Set(cx + x, cy + y, colour);
        }
}

void Canvas::Gradient(int x, int y, int w, int h, Rgb top, Rgb bottom) {
    for (int row = 0; row < h; ++row) {
        auto mix = [&](uint8_t a, uint8_t b) {
            return static_cast<uint8_t>(a + (static_cast<int>(b) - a) * row / std::max(h - 1, 1));
        };
        Fill(x, y + row, w, 1, NearestColour({mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b)}));
    }
}

void Canvas::PasteMirrored(const Canvas& src, int x, int y) {
    for (int yy = 0; yy < src.m_height; ++yy)
        for (int xx = 0; xx < src.m_width; ++xx) {
            uint8_t c = src.At(src.m_width - 1 - xx, yy);
            if (c != kKey) Set(x + xx, y + yy, c);
        }
}

void Canvas::Paste(const Canvas& src, int x, int y, bool keyed) {
    for (int yy = 0; yy < src.m_height; ++yy)
        for (int xx = 0; xx < src.m_width; ++xx) {
            uint8_t c = src.At(xx, yy);
            if (!keyed || c != kKey) Set(x + xx, y + yy, c);
        }
}

int Canvas::Text(int x, int y, std::string_view ascii, uint8_t colour, int scale) {
    scale = std::max(scale, 1);
    int pen = x;
    for (char c : ascii) {
        if (const Glyph* g = FindGlyph(c))
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g->rows[row] & (16 >> col)) Fill(pen + col * scale, y + row * scale, scale, scale, colour);
        pen += 6 * scale;
    }
    return pen - x;
}

uint8_t NearestColour(Rgb colour) {
    const Rgb* p = Palette();
    int best = 1;
    long bestDistance = -1;
    for (int i = 1; i < 256; ++i) {
        long dr = p[i].r - colour.r, dg = p[i].g - colour.g, db = p[i].b - colour.b;
        long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

bool WriteBmp8(const std::string& path, const Canvas& canvas, std::string* error) {
    const int w = canvas.Width(), h = canvas.Height();
    const int stride = (w + 3) & ~3;
    const uint32_t offset = 14 + 40 + 256 * 4;
    const uint32_t size = offset + static_cast<uint32_t>(stride) * static_cast<uint32_t>(h);
    std::string s;
    auto le32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto le16 = [&](uint16_t v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>(v >> 8);
    };
    s += "BM";
    le32(size);
    le32(0);
    le32(offset);
    le32(40);
    le32(static_cast<uint32_t>(w));
    le32(static_cast<uint32_t>(h));  // bottom-up
    le16(1);
    le16(8);
    le32(0);
    le32(static_cast<uint32_t>(stride) * static_cast<uint32_t>(h));
    le32(2835);
    le32(2835);
    le32(256);
    le32(0);
    const Rgb* p = Palette();
    for (int i = 0; i < 256; ++i) {
        s += static_cast<char>(p[i].b);
        s += static_cast<char>(p[i].g);
        s += static_cast<char>(p[i].r);
        s += '\0';
    }
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) s += static_cast<char>(canvas.At(x, y));
        s.append(static_cast<size_t>(stride - w), '\0');
    }
    return WriteFileBytes(path, s, error);
}

}  // namespace sample
