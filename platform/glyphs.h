// Glyphs of the text fonts. A face is opened by the name the program stores
// (Shift-JIS, a Windows face name such as "ＭＳ ゴシック"), mapped to an
// installed Japanese font through fontconfig, IPA Gothic by default, and
// rendered with FreeType. Each character is given as its one or two
// Shift-JIS bytes and converted alone (code page 932). Glyphs are
// monochrome: a pixel is ink where the outline covers at least half of it,
// so every surface format receives the same pixels.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

// A stretch of ink pixels along one row of a glyph.
struct InkRun {
    int y = 0, x = 0, length = 0;
};

// One rendered character. The ink bitmap sits at (left, top) from the
// character cell's top-left corner (top counts down from the cell top, so
// the baseline is at the face's ascent); advance is the pen step.
struct GlyphImage {
    int width = 0, height = 0;
    int left = 0, top = 0;
    int advance = 0;
    std::vector<uint8_t> ink;  // width x height, row-major, 1 = ink
    // The same ink as runs, row by row from the top, so that drawing a
    // glyph costs its ink rather than its whole cell.
    std::vector<InkRun> runs;
    bool Ink(int x, int y) const { return ink[static_cast<size_t>(y) * static_cast<size_t>(width) + x] != 0; }
};

class GlyphFace {
public:
    // The face for a stored face name, sized so that the character cell
    // (ascent + descent) is `height` pixels; width 0 keeps the face's
    // proportions, any other width makes a half-width character about that
    // wide. Null when no usable font exists or the height is not positive.
    static std::unique_ptr<GlyphFace> Open(const char* sjisName, int height, int width);
    virtual ~GlyphFace() = default;

    // The character of `count` (1 or 2) Shift-JIS bytes. Null when the
    // bytes are no character of code page 932 or the font cannot render it
    // (nothing is drawn then). The result stays valid until the next call.
    virtual const GlyphImage* Glyph(const char* sjis, int count) = 0;
    // Sum of the advances of a one-line text; a byte that is no character
    // advances nothing.
    int TextWidth(const char* sjis, size_t length);
    // Height of the character cell in pixels.
    virtual int CellHeight() const = 0;
    // The font file in use ("" for the fixed pattern), for reports.
    virtual const std::string& FontFile() const = 0;
};

// The font file and face index a stored face name maps to; false when no
// Japanese font is installed.
bool FindFontFile(const char* sjisName, std::string* file, int* index);

}  // namespace plat

namespace plat::testing {

// Faces opened while this is on draw a fixed pattern per character and need
// no font: a half-width character (one byte) is height / 2 wide (at least
// 1), a full-width one height wide, both height tall, at the cell's corner,
// advance = width. Ink: the top-left and bottom-right pixels, and for bit i
// (0 to 15) of the code (the byte, or lead << 8 | trail) set, the pixel
// (i mod width, 1 + i / width) while that row lies above the last row.
void UseFixedPatternGlyphs(bool on);
bool FixedPatternGlyphsOn();

}  // namespace plat::testing
