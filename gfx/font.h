// Fonts: Shift-JIS text in one palette colour, in fixed character cells,
// drawn onto surfaces through whichever back-end is up. Drawing glyphs one
// by one is slow, so a font can keep two glyph atlases (`cFastFont`): one
// addressed by byte value for the single-byte characters, one filled on
// demand for the double-byte ones; cached text is then a run of keyed blits.
// A font also knows its window frame and an icon sheet whose cells stand in
// for the lowercase letters a to z.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/containers.h"
#include "core/text.h"
#include "gfx/dd.h"

namespace plat {
class GlyphFace;
}

// One row of the compiled-in font table.
struct FONTDEF {
    char szFace[256];
    int nWidth;        // asked of the system font; 0 = the face's own
    int nHeight;       // cell height asked of the system font
    int nPitch;        // advance of every character; 0 = proportional
    int nLineHeight;
    int nColor;        // palette number of the text
    int nWindow;       // g_SysBmp index of the window sheet
    int nFrame;        // frame thickness
    int nFrameColor;   // palette number of the frame
    int nIcon;         // g_SysBmp index of the icon sheet
    int nCache;        // 0 off, 1 on, 2 = the back-end's "System.ini" setting
};

constexpr int kFontCount = 3;
// Font10, Font16 and the large third font; GameInit puts the project's face
// and cache settings in. kFontDefRows holds them as the program starts.
extern FONTDEF g_FontDef[kFontCount];
extern const FONTDEF kFontDefRows[kFontCount];

// The double-byte characters every full-width cache starts with (258
// characters, 516 bytes, in cell order).
extern const char g_szFullGlyphList[];

// Size of a text in pixels.
struct TextSize {
    int cx = 0;
    int cy = 0;
};

// One glyph atlas of columns x rows cells of the font's pitch and line height.
class cFastFont {
public:
    // One cached double-byte character and its cell.
    struct GlyphNode {
        char szCode[3] = {};
        int nCell = 0;
        int x = 0, y = 0;
    };

    // Makes the atlas (keyed; a video render target under Direct3D).
    // Ok() says whether it exists.
    cFastFont(int cellWidth, int cellHeight, int columns, int rows);
    ~cFastFont();
    cFastFont(const cFastFont&) = delete;
    cFastFont& operator=(const cFastFont&) = delete;
    bool Ok() const;

    // Gives the next free cell to code (two bytes); false when full. The
    // glyph itself is not drawn here.
    bool AddGlyph(const char* code);
    // Cell n (a byte value) blitted to (x, y).
    void DrawCell(DDSURFACEDATA* dest, int x, int y, int n, int flags);
    // The cell of code blitted to (x, y); false when code is not cached.
    bool DrawGlyph(DDSURFACEDATA* dest, int x, int y, const char* code, int flags);
    // The first node of code, or null.
    const GlyphNode* FindGlyph(const char* code) const;
    // Glyphs held (cells used).
    int Count() const { return m_nNext; }

    int m_nCellWidth = 0, m_nCellHeight = 0;
    int m_nColumns = 0, m_nRows = 0, m_nCapacity = 0;
    DDSURFACEDATA m_Atlas;
    std::vector<GlyphNode> m_Glyphs;  // in cell order
    int m_nNext = 0;

private:
    std::vector<int16_t> m_Index;  // two-byte code -> first cell, -1 none
};

class Font {
public:
    Font();
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Makes the font from one definition's values; 1, or 0 when its work
    // surface or a cache could not be made (the main window is then asked
    // to close). The icon flag becomes 1 when an icon sheet is given.
    int Create(const char* face, int width, int height, int pitch, int lineHeight, int color,
               DDSURFACEDATA* window, int frame, int frameColor, DDSURFACEDATA* icons, int cache);
    // What the destructor frees: the face, both caches, the work surface.
    // The program-wide fonts are freed this way before the display goes.
    void Release();

    // Multi-line text with its top-left cell at (x, y). With lettersAsText
    // set, lowercase letters are drawn as text even when the font has icons
    // (the icons are drawn too). 0 when a needed scene could not begin.
    int DrawString(DDSURFACEDATA* dest, int x, int y, const char* text, int lettersAsText = 0);
    // Formatted into 256 bytes (cut at a character boundary).
    int Printf(DDSURFACEDATA* dest, int x, int y, const char* format, ...) ORV_PRINTF(5, 6);
    // The window frame alone; x or y of 10000 centres on the window sheet.
    void DrawWindow(DDSURFACEDATA* dest, int x, int y, int width, int height);
    // A window sized to the text where width or height is 0 (padding added
    // to the width), and the text padding pixels in.
    void DrawTextWindow(DDSURFACEDATA* dest, int x, int y, int width, int height, const char* text, int padding);
    // Formatted into 512 bytes (cut at a character boundary), in a window
    // sized to it, without padding.
    void WindowPrintf(DDSURFACEDATA* dest, int x, int y, int width, int height, const char* format, ...)
        ORV_PRINTF(7, 8);

    // Fixed-pitch measure: the longest line's characters x pitch, lines x
    // line height.
    TextSize GetFixedTextSize(const char* text) const;
    // Proportional measure with the face's advances.
    TextSize GetTextSize(const char* text);

    // Recovery after a device reset or surface loss; OnLostDevice lets go
    // of what a reset must not find alive.
    void Restore();
    void OnLostDevice();

    // The steps of drawing and caching.
    // Characters of text with the pen starting at (x, y) of target; cached
    // glyphs go to final at (finalX, finalY) + pen when final is given.
    void DrawChars(DDSURFACEDATA* target, int x, int y, DDSURFACEDATA* final, int finalX, int finalY, const char* text,
                   int lettersAsText);
    // One character (count 1 or 2 bytes) placed in the cell at (x, y).
    void TextOutGdi(DDSURFACEDATA* target, int x, int y, const char* chars, int count);
    void DrawIcons(DDSURFACEDATA* dest, int x, int y, const char* text);
    void BuildHalfCache();
    void BuildFullCache(bool rebuild);

    int m_nId = 0;
    std::unique_ptr<plat::GlyphFace> m_lpFace;  // stands in for the system font object
    char m_szFace[256] = {};
    int m_nWidth = 0, m_nHeight = 0;
    int m_nPitch = 0;
    int m_nLineHeight = 0;
    int m_nColor = 0;
    uint32_t m_dwColor = 0;  // ARGB under Direct3D, 0x00BBGGRR under DirectDraw
    int m_bCenter = 0;
    DDSURFACEDATA m_WorkSD;
    DDSURFACEDATA* m_lpWindowSD = nullptr;
    int m_nFrame = 0;
    int m_nFrameColor = 0;
    DDSURFACEDATA* m_lpIconSD = nullptr;
    int m_bIcon = 0;
    int m_bCache = 0;
    cFastFont* m_lpFastFont_Half = nullptr;
    cFastFont* m_lpFastFont_FullAdd = nullptr;

private:
    void DrawFrameAt(DDSURFACEDATA* dest, int x, int y, int width, int height);
    void DestroyCaches();
    void DrawLine(DDSURFACEDATA* target, int x, int y, const char* line, size_t length);
    // The glyph of chars with its cell's top-left at (x, y) of target.
    void PutGlyph(DDSURFACEDATA* target, int x, int y, const char* chars, int count);
    // Pixel value of the text on a locked surface of the active back-end.
    uint32_t InkValue(DDSURFACEDATA* target) const;

    int m_bBuildingFullCache = 0;  // full-width cells are drawn unshifted
    std::unique_ptr<plat::RasterTexture> m_lpGlyphTexture;  // scratch for drawing into render targets
    int m_nGlyphTextureSize = 0;
};

// The program-wide fonts and their names.
PROGRAM_OBJECT_DECLARE(g_Font, Font[kFontCount]);
extern Font& Font10;
extern Font& Font16;
extern Font& Font32;

// Every font made, for device restore.
cList<Font*>& FontList();

// Font::Create for each row, with the window and icon sheets taken from
// g_SysBmp; 1.
int CreateFonts(Font* fonts, const FONTDEF* defs, int count);
// For each font a surface of pitch x 10 by line height made from the
// surface definition's flags, with the digits drawn on it; 1.
int CreateNumberSurfaces(DDSURFACEDATA* surfaces, const DDSURFACEDEF* surfaceDefs, int count, Font* fonts,
                         const FONTDEF* fontDefs);
// Fills the surface with colour 0 and draws "0123456789" at (0, 0): digit d
// is the cell at x = d x pitch.
void DrawNumberSurface(DDSURFACEDATA* surface, Font* font);
// Bytes before the first newline or the end.
int GetLineLength(const char* text);
