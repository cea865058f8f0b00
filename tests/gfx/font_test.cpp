// Fonts and glyph caches over the five display variants. Glyphs come from
// the layer's fixed-pattern rasteriser, so every character's position and
// identity can be read back from the pixels; one test uses the real font.
#include "gfx/font.h"

#include <gtest/gtest.h>

#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "gfx/dd_layer.h"
#include "gfx_fixture.h"
#include "platform/glyphs.h"
#include "platform/picture_testing.h"

using gfxtest::Variant;

namespace {

// A whole surface read once, as 0xAARRGGBB.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
    uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0xDEADBEEF;
        return argb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

Picture Snap(DDSURFACEDATA* sd) {
    const plat::PixelFormat format = gfxtest::FormatOf(sd);
    Picture p;
    cSurfaceLock lock(sd);
    if (!lock.Bits()) return p;
    p.width = lock.Surface()->nWidth;
    p.height = lock.Surface()->nHeight;
    const PALETTEENTRY* pal = g_lpDD ? g_lpDD->Palette() : g_BasePalette;
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* q = lock.Bits() + (static_cast<size_t>(y) * lock.PitchPixels() + x) * lock.BytesPerPixel();
            uint32_t raw = 0;
            std::memcpy(&raw, q, static_cast<size_t>(lock.BytesPerPixel()));
            if (format == plat::PixelFormat::P8) {
                const PALETTEENTRY& e = pal[raw & 0xFF];
                p.argb.push_back(0xFF000000u | uint32_t{e.r} << 16 | uint32_t{e.g} << 8 | e.b);
            } else {
                p.argb.push_back(plat::UnpackToArgb(format, raw));
            }
        }
    }
    return p;
}

// The code spelt by the bit rows of a fixed-pattern glyph of w x h at (x, y).
long CodeRows(const Picture& p, uint32_t ink, int x, int y, int w, int h) {
    long code = 0;
    for (int i = 0; i < 16; ++i) {
        const int row = 1 + i / w;
        if (row >= h - 1) break;
        if (p.At(x + i % w, y + row) == ink) code |= 1L << i;
    }
    return code;
}

// The code of the fixed-pattern glyph of w x h whose top-left pixel is
// exactly (x, y), or -1 when none is there.
long GlyphAt(const Picture& p, uint32_t ink, int x, int y, int w, int h) {
    if (p.At(x, y) != ink || p.At(x + w - 1, y + h - 1) != ink) return -1;
    if (p.At(x - 1, y) == ink || p.At(x, y - 1) == ink) return -1;
    return CodeRows(p, ink, x, y, w, h);
}

int CountInk(const Picture& p, uint32_t ink, int x0 = 0, int y0 = 0, int x1 = 1 << 20, int y1 = 1 << 20) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(p.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(p.width, x1); ++x) n += p.At(x, y) == ink ? 1 : 0;
    return n;
}

// Ink pixels of one fixed-pattern glyph.
int PatternInk(int height, const char* chars, int count) {
    auto face = plat::GlyphFace::Open("", height, 0);
    int n = 0;
    for (uint8_t v : face->Glyph(chars, count)->ink) n += v;
    return n;
}

// Blue frames: palette entries 240 and 241 meet at 16 bits.
constexpr int kTextColor = 241, kFrameColor = 5, kBackground = 2;

struct Geometry {
    const char* name;
    int height, pitch, line;
};
constexpr Geometry kFont10{"Font10", 9, 10, 10};
constexpr Geometry kFont16{"Font16", 16, 16, 16};
constexpr Geometry kLarge{"Large", 30, 32, 32};

class FontTest : public gfxtest::GfxTest {
protected:
    void SetUp() override {
        plat::testing::UseFixedPatternGlyphs(true);
        gfxtest::GfxTest::SetUp();
        DDFillRect(&g_BackBufferSD, 0, 0, 1, 1, kTextColor);
        m_ink = gfxtest::ReadArgb(&g_BackBufferSD, 0, 0);
        DDFillRect(&g_BackBufferSD, 0, 0, 1, 1, kFrameColor);
        m_frame = gfxtest::ReadArgb(&g_BackBufferSD, 0, 0);
        DDFillSurface(&g_BackBufferSD, kBackground);
    }
    void TearDown() override {
        for (Font& f : m_fonts) f.Release();
        for (DDSURFACEDATA& sd : m_surfaces) DDReleaseSurface(&sd);
        gfxtest::GfxTest::TearDown();
        plat::testing::UseFixedPatternGlyphs(false);
    }

    Font& Make(const Geometry& g, int cache, const char* face = "ＭＳ ゴシック", DDSURFACEDATA* icons = nullptr,
               DDSURFACEDATA* window = nullptr) {
        Font& f = m_fonts.emplace_back();
        EXPECT_EQ(f.Create(face, 0, g.height, g.pitch, g.line, kTextColor, window, 1, kFrameColor, icons, cache), 1);
        return f;
    }
    DDSURFACEDATA* Surface(int w, int h, int colorKey, int memoryType = DTMEMORYTYPE_VIDEO_RT, int system = 0) {
        DDSURFACEDATA* sd = &m_surfaces.emplace_back();
        EXPECT_TRUE(DDCreateSurface(sd, w, h, colorKey, system, memoryType, nullptr, 0));
        return sd;
    }

    uint32_t m_ink = 0, m_frame = 0;
    std::list<Font> m_fonts;
    std::list<DDSURFACEDATA> m_surfaces;
};

struct Expected {
    int x, y;  // top-left of the glyph
    int width;
    const char* chars;  // the character (1 or 2 bytes)
};

}  // namespace

// ---------------------------------------------------------------------------
// Cell arithmetic

TEST_P(FontTest, CharactersLandInTheirCellsWithAndWithoutCaches) {
    struct Case {
        Geometry g;
        const char* text;
        std::vector<Expected> glyphs;  // text at (100, 40)
    };
    const Case cases[] = {
        // Half-width glyphs sit pitch / 8 right and line / 16 - 1 down in
        // their cells, full-width ones at the corner; both advance a pitch.
        {kFont16, "ab\ncd", {{102, 40, 8, "a"}, {118, 40, 8, "b"}, {102, 56, 8, "c"}, {118, 56, 8, "d"}}},
        {kFont16, "あa漢ｱ", {{100, 40, 16, "あ"}, {118, 40, 8, "a"}, {132, 40, 16, "漢"}, {150, 40, 8, "ｱ"}}},
        {kFont10, "aあ", {{101, 39, 4, "a"}, {110, 40, 9, "あ"}}},
        {kLarge, "A漢", {{104, 41, 15, "A"}, {132, 40, 30, "漢"}}},
        // Both spaces draw nothing and advance a pitch.
        {kFont16, "a　b c", {{102, 40, 8, "a"}, {134, 40, 8, "b"}, {166, 40, 8, "c"}}},
        // A newline returns to the text's left edge.
        {kFont16, "\n\nx", {{102, 72, 8, "x"}}},
    };
    for (int cache : {0, 1}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.g.name) + " cache " + std::to_string(cache) + " " + c.text);
            Font& font = Make(c.g, cache);
            DDFillSurface(&g_BackBufferSD, kBackground);
            EXPECT_EQ(font.DrawString(&g_BackBufferSD, 100, 40, c.text), 1);
            const Picture p = Snap(&g_BackBufferSD);
            int ink = 0;
            for (const Expected& e : c.glyphs) {
                const int n = static_cast<int>(std::strlen(e.chars));
                const long code = n == 2 ? (static_cast<uint8_t>(e.chars[0]) << 8 | static_cast<uint8_t>(e.chars[1]))
                                         : static_cast<uint8_t>(e.chars[0]);
                ink += PatternInk(c.g.height, e.chars, n);
                if (e.y >= 40 || (gfxtest::IsD3D(V()) && cache == 0)) {
                    EXPECT_EQ(GlyphAt(p, m_ink, e.x, e.y, e.width, c.g.height), code) << e.chars;
                } else {
                    // A glyph row above its cell (Font10's half-width glyphs)
                    // survives only when drawn straight onto the destination:
                    // the work surface and the cache cells start at the cell's
                    // top. A cached cell's last row holds instead the top row
                    // of the character a sheet row further on.
                    EXPECT_EQ(p.At(e.x, e.y), gfxtest::ReadArgb(&g_BackBufferSD, 0, 0)) << e.chars;
                    EXPECT_EQ(CodeRows(p, m_ink, e.x, e.y, e.width, c.g.height), code) << e.chars;
                    if (cache)
                        EXPECT_EQ(p.At(e.x, e.y + c.g.line), m_ink) << "top row of the character 16 codes on";
                    else
                        --ink;
                }
            }
            EXPECT_EQ(CountInk(p, m_ink), ink) << "nothing else is drawn";
            font.Release();
        }
    }
}

TEST_P(FontTest, CentringAndTheBracketShift) {
    struct Case {
        const char* what;
        const char* face;
        int centre;
        int cache;
        const char* text;
        Expected glyph;  // text at (100, 40), Font16 geometry
    };
    const Case cases[] = {
        {"centred half", "ＭＳ ゴシック", 1, 0, "a", {104, 40, 8, "a"}},
        {"centred full", "ＭＳ ゴシック", 1, 0, "あ", {100, 40, 16, "あ"}},
        // A trailing space keeps the shifted glyph inside the measured text,
        // which is all a work surface passes on.
        {"wide bracket shifted", "ＭＳ Ｐゴシック", 0, 0, "（ ", {104, 40, 16, "（"}},
        {"wide bracket shifted once from the cache", "ＭＳ Ｐゴシック", 0, 1, "（ ", {104, 40, 16, "（"}},
        {"closing brace", "ＭＳ Ｐゴシック", 0, 1, "｝ ", {104, 40, 16, "｝"}},
        {"narrow bracket shifted", "ＭＳ Ｐゴシック", 0, 0, "(", {106, 40, 8, "("}},
        {"narrow bracket shifted in its cached cell", "ＭＳ Ｐゴシック", 0, 1, "(", {106, 40, 8, "("}},
        {"no shift when centred", "ＭＳ Ｐゴシック", 1, 0, "（", {100, 40, 16, "（"}},
        {"no shift for other faces", "ＭＳ ゴシック", 0, 1, "（", {100, 40, 16, "（"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Font& font = Make(kFont16, c.cache, c.face);
        font.m_bCenter = c.centre;
        DDFillSurface(&g_BackBufferSD, kBackground);
        font.DrawString(&g_BackBufferSD, 100, 40, c.text);
        const Picture p = Snap(&g_BackBufferSD);
        const int n = static_cast<int>(std::strlen(c.glyph.chars));
        const long code = n == 2 ? (static_cast<uint8_t>(c.glyph.chars[0]) << 8 | static_cast<uint8_t>(c.glyph.chars[1]))
                                 : static_cast<uint8_t>(c.glyph.chars[0]);
        EXPECT_EQ(GlyphAt(p, m_ink, c.glyph.x, c.glyph.y, c.glyph.width, 16), code);
        EXPECT_EQ(CountInk(p, m_ink), PatternInk(16, c.glyph.chars, n));
        font.Release();
    }
}

TEST_P(FontTest, OnlyTheDirectDrawFontTakesTheDefinitionsWidth) {
    Font& font = m_fonts.emplace_back();
    ASSERT_EQ(font.Create("ＭＳ ゴシック", 5, 16, 16, 16, kTextColor, nullptr, 1, kFrameColor, nullptr, 0), 1);
    EXPECT_EQ(font.m_nWidth, 5);
    DDFillSurface(&g_BackBufferSD, kBackground);
    font.DrawString(&g_BackBufferSD, 100, 40, "a");
    const int width = gfxtest::IsD3D(V()) ? 8 : 5;
    EXPECT_EQ(GlyphAt(Snap(&g_BackBufferSD), m_ink, 102, 40, width, 16), 'a');
}

TEST_P(FontTest, IconsReplaceLowercaseLetters) {
    // Icon cell i: transparent but for a 2 x 2 mark of colour 10 + i at
    // (12, 12).
    DDSURFACEDATA* icons = Surface(26 * 16, 16, 1);
    DDFillSurface(icons, 0);
    for (int i = 0; i < 26; ++i) DDFillRect(icons, 16 * i + 12, 12, 2, 2, static_cast<uint32_t>(10 + i));
    DDFillRect(&g_BackBufferSD, 0, 0, 1, 1, 10);
    const uint32_t markA = gfxtest::ReadArgb(&g_BackBufferSD, 0, 0);
    DDFillRect(&g_BackBufferSD, 0, 0, 1, 1, 35);
    const uint32_t markZ = gfxtest::ReadArgb(&g_BackBufferSD, 0, 0);

    for (int cache : {0, 1}) {
        for (int lettersAsText : {0, 1}) {
            SCOPED_TRACE("cache " + std::to_string(cache) + " letters as text " + std::to_string(lettersAsText));
            Font& font = Make(kFont16, cache, "ＭＳ ゴシック", icons);
            EXPECT_EQ(font.m_bIcon, 1);
            DDFillSurface(&g_BackBufferSD, kBackground);
            font.DrawString(&g_BackBufferSD, 100, 40, "a\nあzA", lettersAsText);
            const Picture p = Snap(&g_BackBufferSD);
            // The icon pass runs either way; the letters are text only when asked.
            EXPECT_EQ(p.At(112, 52), markA);
            EXPECT_EQ(p.At(116 + 12, 56 + 12), markZ);
            EXPECT_EQ(GlyphAt(p, m_ink, 102, 40, 8, 16), lettersAsText ? 'a' : -1);
            EXPECT_EQ(GlyphAt(p, m_ink, 118, 56, 8, 16), lettersAsText ? 'z' : -1);
            EXPECT_EQ(GlyphAt(p, m_ink, 134, 56, 8, 16), 'A');
            EXPECT_EQ(GlyphAt(p, m_ink, 100, 56, 16, 16), 0x82A0);
            font.Release();
        }
    }
    // A font without an icon sheet draws letters as text.
    Font& plain = Make(kFont16, 1);
    EXPECT_EQ(plain.m_bIcon, 0);
    DDFillSurface(&g_BackBufferSD, kBackground);
    plain.DrawString(&g_BackBufferSD, 100, 40, "z");
    EXPECT_EQ(GlyphAt(Snap(&g_BackBufferSD), m_ink, 102, 40, 8, 16), 'z');
}

TEST_P(FontTest, TextIntoSystemMemoryGoesThroughTheWorkSurface) {
    DDSURFACEDATA* dest = Surface(200, 64, 0, DTMEMORYTYPE_SYSTEM, 1);
    for (int cache : {0, 1}) {
        SCOPED_TRACE(cache);
        Font& font = Make(kFont16, cache);
        DDFillSurface(dest, kBackground);
        font.DrawString(dest, 10, 20, "aあ");
        const Picture p = Snap(dest);
        EXPECT_EQ(GlyphAt(p, m_ink, 12, 20, 8, 16), 'a');
        EXPECT_EQ(GlyphAt(p, m_ink, 26, 20, 16, 16), 0x82A0);
        EXPECT_EQ(CountInk(p, m_ink), PatternInk(16, "a", 1) + PatternInk(16, "あ", 2));
        font.Release();
    }
}

TEST_P(FontTest, TextAtTheSurfaceEdgesIsCutNotMoved) {
    // Longer than the surface is wide, so glyphs fall wholly outside too.
    std::string text;
    constexpr int kPairs = 30;
    for (int i = 0; i < kPairs; ++i) text += "Aあ";
    constexpr Geometry kProportional{"Proportional", 30, 0, 32};
    for (const Geometry& g : {kFont16, kLarge, kProportional}) {
        for (int cache : {0, 1}) {
            SCOPED_TRACE(std::string(g.name) + " cache " + std::to_string(cache));
            Font& font = Make(g, cache, g.pitch ? "ＭＳ ゴシック" : "ＭＳ Ｐゴシック");
            // Character by character at their pens first: a glyph across the
            // right edge is then cut by the blit alone.
            DDFillSurface(&g_BackBufferSD, kBackground);
            int pen = 0;
            for (int i = 0; i < kPairs; ++i) {
                font.DrawString(&g_BackBufferSD, pen, 40, "A");
                pen += g.pitch ? g.pitch : g.height / 2;
                font.DrawString(&g_BackBufferSD, pen, 40, "あ");
                pen += g.pitch ? g.pitch : g.height;
            }
            const Picture apart = Snap(&g_BackBufferSD);
            DDFillSurface(&g_BackBufferSD, kBackground);
            font.DrawString(&g_BackBufferSD, 0, 40, text.c_str());
            const Picture whole = Snap(&g_BackBufferSD);
            ASSERT_EQ(whole.argb, apart.argb);
            const uint32_t background = whole.At(0, 0);
            struct Shift {
                int x, y;
            };
            for (const Shift& at : {Shift{-37, 40}, Shift{440, 40}, Shift{0, -10}, Shift{0, 465}}) {
                SCOPED_TRACE(std::to_string(at.x) + "," + std::to_string(at.y));
                DDFillSurface(&g_BackBufferSD, kBackground);
                font.DrawString(&g_BackBufferSD, at.x, at.y, text.c_str());
                const Picture p = Snap(&g_BackBufferSD);
                int inked = 0, wrong = 0, firstWrongX = 0, firstWrongY = 0;
                for (int y = 0; y < p.height; ++y)
                    for (int x = 0; x < p.width; ++x) {
                        const int fromX = x - at.x, fromY = y - at.y + 40;
                        // Beyond the right edge of the unshifted text nothing is known.
                        if (fromX >= whole.width) continue;
                        const uint32_t want = fromX < 0 || fromY < 0 || fromY >= whole.height
                                                  ? background
                                                  : whole.At(fromX, fromY);
                        inked += want == m_ink;
                        if (p.At(x, y) != want && wrong++ == 0) firstWrongX = x, firstWrongY = y;
                    }
                EXPECT_EQ(wrong, 0) << "first at " << firstWrongX << "," << firstWrongY;
                EXPECT_GT(inked, 0);
            }
            font.Release();
        }
    }
}

// ---------------------------------------------------------------------------
// Caches

TEST_P(FontTest, CachesHoldTheirCellsAndGrowOnDemand) {
    const bool d3d = gfxtest::IsD3D(V());
    Font& font = Make(kFont16, 1);
    cFastFont* half = font.m_lpFastFont_Half;
    cFastFont* full = font.m_lpFastFont_FullAdd;
    ASSERT_NE(half, nullptr);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(half->m_nColumns * half->m_nRows, 256);
    EXPECT_EQ(full->m_nColumns, 32);
    EXPECT_EQ(full->m_nRows, d3d ? 32 : 30);

    // Byte 0xB1 is the cell in row 11, column 1.
    const Picture halfCells = Snap(&half->m_Atlas);
    EXPECT_EQ(GlyphAt(halfCells, m_ink, 16 + 2, 11 * 16, 8, 16), 0xB1);
    EXPECT_EQ(GlyphAt(halfCells, m_ink, 1 * 16 + 2, 4 * 16, 8, 16), 'A');

    // The built-in list, with its repeated character, fills the first cells.
    EXPECT_EQ(full->Count(), 258);
    ASSERT_NE(full->FindGlyph("ト"), nullptr);
    EXPECT_EQ(full->FindGlyph("ト")->nCell, 187);
    EXPECT_EQ(full->FindGlyph("ド"), nullptr);
    EXPECT_EQ(full->FindGlyph("："), &full->m_Glyphs[257]);

    // A new character gets the next cell on first use, then stays.
    EXPECT_EQ(full->FindGlyph("漢"), nullptr);
    font.DrawString(&g_BackBufferSD, 0, 0, "漢字漢");
    EXPECT_EQ(full->Count(), 260);
    const cFastFont::GlyphNode* node = full->FindGlyph("漢");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->nCell, 258);
    EXPECT_EQ(node->x, (258 % 32) * 16);
    EXPECT_EQ(node->y, (258 / 32) * 16);
    const Picture fullCells = Snap(&full->m_Atlas);
    EXPECT_EQ(GlyphAt(fullCells, m_ink, node->x, node->y, 16, 16), 0x8ABF);
    EXPECT_EQ(GlyphAt(fullCells, m_ink, 0, 0, 16, 16), 0x824F);  // "０"
    font.DrawString(&g_BackBufferSD, 0, 0, "漢");
    EXPECT_EQ(full->Count(), 260);
}

TEST_P(FontTest, CacheSizesAndAFullCache) {
    const bool d3d = gfxtest::IsD3D(V());
    struct Case {
        Geometry g;
        int columns, rows;
    };
    const Case cases[] = {
        {kFont10, 32, d3d ? 32 : 30},
        {kLarge, d3d ? 32 : 20, d3d ? 32 : 15},
        {{"Huge", 16, 64, 64}, d3d ? 16 : 10, d3d ? 16 : 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.g.name);
        Font& font = Make(c.g, 1);
        ASSERT_NE(font.m_lpFastFont_FullAdd, nullptr);
        EXPECT_EQ(font.m_lpFastFont_FullAdd->m_nColumns, c.columns);
        EXPECT_EQ(font.m_lpFastFont_FullAdd->m_nRows, c.rows);
        EXPECT_EQ(font.m_lpFastFont_FullAdd->Count(), std::min(258, c.columns * c.rows));
        font.Release();
    }
    // When every cell is used, a new character is drawn directly.
    Font& huge = Make({"Huge", 16, 64, 64}, 1);
    const int capacity = huge.m_lpFastFont_FullAdd->m_nCapacity;
    DDFillSurface(&g_BackBufferSD, kBackground);
    huge.DrawString(&g_BackBufferSD, 100, 40, "a漢");
    const Picture p = Snap(&g_BackBufferSD);
    EXPECT_EQ(GlyphAt(p, m_ink, 108, 43, 8, 16), 'a');
    EXPECT_EQ(GlyphAt(p, m_ink, 164, 40, 16, 16), 0x8ABF);
    EXPECT_EQ(huge.m_lpFastFont_FullAdd->Count(), capacity);
    EXPECT_EQ(huge.m_lpFastFont_FullAdd->FindGlyph("漢"), nullptr);
}

TEST_P(FontTest, NoCachesWithoutPitchOrWhenOff) {
    Font& off = Make(kFont16, 0);
    EXPECT_EQ(off.m_lpFastFont_Half, nullptr);
    EXPECT_EQ(off.m_lpFastFont_FullAdd, nullptr);
    Font& proportional = Make({"Proportional", 16, 0, 16}, 1);
    EXPECT_EQ(proportional.m_lpFastFont_Half, nullptr);
    EXPECT_EQ(proportional.m_lpFastFont_FullAdd, nullptr);
    // Proportional layout: each character follows the last one's advance.
    DDFillSurface(&g_BackBufferSD, kBackground);
    EXPECT_EQ(proportional.DrawString(&g_BackBufferSD, 100, 40, "aあ\nb"), 1);
    const Picture p = Snap(&g_BackBufferSD);
    EXPECT_EQ(GlyphAt(p, m_ink, 100, 40, 8, 16), 'a');
    EXPECT_EQ(GlyphAt(p, m_ink, 108, 40, 16, 16), 0x82A0);
    EXPECT_EQ(GlyphAt(p, m_ink, 100, 56, 8, 16), 'b');
    EXPECT_EQ(proportional.GetTextSize("aあ\nb").cx, 24);
    EXPECT_EQ(proportional.GetTextSize("aあ\nb").cy, 32);
}

TEST_P(FontTest, CachesComeBackAfterLoss) {
    Font& font = Make(kFont16, 1);
    font.DrawString(&g_BackBufferSD, 0, 0, "漢");  // a glyph beyond the built-in list
    if (gfxtest::IsD3D(V())) {
        plat::testing::LoseDevice(0);
        DDPresent(60, 0, nullptr);
        ASSERT_EQ(DDRestoreSurface(), 1);
        EXPECT_EQ(font.m_lpFastFont_FullAdd->m_Atlas.bLost, 0);
    } else {
        plat::testing::LoseBlitSurfaces();
        ASSERT_TRUE(DDRestore());
    }
    EXPECT_EQ(font.m_lpFastFont_FullAdd->Count(), 259);
    DDFillSurface(&g_BackBufferSD, kBackground);
    font.DrawString(&g_BackBufferSD, 100, 40, "ｱ漢");
    const Picture p = Snap(&g_BackBufferSD);
    EXPECT_EQ(GlyphAt(p, m_ink, 102, 40, 8, 16), 0xB1);
    EXPECT_EQ(GlyphAt(p, m_ink, 116, 40, 16, 16), 0x8ABF);
}

// ---------------------------------------------------------------------------
// Windows, digit strips, formatting

TEST_P(FontTest, WindowsSizeToTheText) {
    DDSURFACEDATA* sheet = Surface(200, 100, 1);
    DDFillSurface(sheet, 3);
    const uint32_t red = gfxtest::ReadArgb(sheet, 0, 0);
    Font& font = Make(kFont16, 1, "ＭＳ ゴシック", nullptr, sheet);

    font.DrawTextWindow(&g_BackBufferSD, 50, 40, 0, 0, "ab\nc", 8);
    Picture p = Snap(&g_BackBufferSD);
    EXPECT_EQ(p.At(50, 40), red);
    EXPECT_EQ(p.At(50 + 39, 40 + 31), red);  // 8 + 32 wide, 32 high
    EXPECT_EQ(p.At(50 + 40, 40), m_frame);
    EXPECT_EQ(p.At(49, 40), m_frame);
    EXPECT_EQ(p.At(50, 40 + 32), m_frame);
    EXPECT_EQ(GlyphAt(p, m_ink, 50 + 8 + 2, 40, 8, 16), 'a');
    EXPECT_EQ(GlyphAt(p, m_ink, 50 + 8 + 2, 56, 8, 16), 'c');

    // 10000 centres on the window sheet.
    DDFillSurface(&g_BackBufferSD, kBackground);
    font.DrawWindow(&g_BackBufferSD, 10000, 10000, 40, 20);
    p = Snap(&g_BackBufferSD);
    EXPECT_EQ(p.At(80, 40), red);
    EXPECT_EQ(p.At(119, 59), red);
    EXPECT_EQ(p.At(79, 40), m_frame);
    EXPECT_EQ(p.At(120, 40), m_frame);

    DDFillSurface(&g_BackBufferSD, kBackground);
    font.WindowPrintf(&g_BackBufferSD, 50, 40, 0, 0, "%d", 42);
    p = Snap(&g_BackBufferSD);
    EXPECT_EQ(p.At(50 + 31, 40), red);
    EXPECT_EQ(p.At(50 + 32, 40), m_frame);
    EXPECT_EQ(GlyphAt(p, m_ink, 52, 40, 8, 16), '4');
}

TEST_P(FontTest, DigitStrips) {
    Font fonts[kFontCount];
    FONTDEF defs[kFontCount];
    std::memcpy(defs, g_FontDef, sizeof defs);
    for (FONTDEF& d : defs) d.nCache = 1;
    ASSERT_EQ(CreateFonts(fonts, defs, kFontCount), 1);
    EXPECT_EQ(fonts[0].m_lpWindowSD, &g_SysBmp[46]);
    EXPECT_EQ(fonts[0].m_lpIconSD, &g_SysBmp[51]);
    EXPECT_EQ(fonts[2].m_lpFastFont_Half != nullptr, true);

    DDSURFACEDATA strips[kFontCount];
    DDSURFACEDEF stripDefs[kFontCount];
    for (DDSURFACEDEF& d : stripDefs) d.Set("E", 1, 0, 0, nullptr, 0, 0, 0, 0, 0, 0);
    ASSERT_EQ(CreateNumberSurfaces(strips, stripDefs, kFontCount, fonts, defs), 1);
    const int heights[kFontCount] = {9, 16, 30};
    for (int f = 0; f < kFontCount; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(strips[f].nWidth, defs[f].nPitch * 10);
        EXPECT_EQ(strips[f].nHeight, defs[f].nLineHeight);
        const Picture p = Snap(&strips[f]);
        const int half = heights[f] / 2;
        for (int d = 0; d < 10; ++d) {
            const int x = d * defs[f].nPitch + (defs[f].nPitch >> 3), y = (defs[f].nLineHeight >> 4) - 1;
            // Font10's digits start a row above the strip: only their code
            // rows show.
            if (y < 0)
                EXPECT_EQ(CodeRows(p, m_ink, x, y, half, heights[f]), '0' + d);
            else
                EXPECT_EQ(GlyphAt(p, m_ink, x, y, half, heights[f]), '0' + d);
        }
    }
    for (Font& f : fonts) f.Release();
    for (DDSURFACEDATA& sd : strips) DDReleaseSurface(&sd);
}

TEST_P(FontTest, PrintfCutsLongTextAtACharacterBoundary) {
    Font& font = Make(kFont16, 1);
    // 6 lines of 39 + newline, then 14 'c' (bytes 240..253) and a double-byte
    // character over the 255-byte limit.
    std::string text;
    for (int i = 0; i < 6; ++i) text += std::string(39, 'b') + "\n";
    text += std::string(14, 'c') + "あd";
    font.Printf(&g_BackBufferSD, 0, 0, "%s", text.c_str());
    const Picture p = Snap(&g_BackBufferSD);
    EXPECT_EQ(GlyphAt(p, m_ink, 38 * 16 + 2, 5 * 16, 8, 16), 'b');
    EXPECT_EQ(GlyphAt(p, m_ink, 13 * 16 + 2, 6 * 16, 8, 16), 'c');
    EXPECT_EQ(CountInk(p, m_ink, 14 * 16, 6 * 16, 640, 480), 0);
}

// ---------------------------------------------------------------------------
// The real font

TEST_P(FontTest, RealJapaneseTextInkStaysInItsCells) {
    plat::testing::UseFixedPatternGlyphs(false);
    if (!plat::FindFontFile("ＭＳ ゴシック", nullptr, nullptr)) GTEST_SKIP() << "no Japanese font installed";
    Font& cached = Make(kFont16, 1);
    Font& direct = Make(kFont16, 0);
    ASSERT_NE(cached.m_lpFace, nullptr);
    const char* text = "日本語の\nテキスト";
    cached.DrawString(&g_BackBufferSD, 64, 32, text);
    direct.DrawString(&g_BackBufferSD, 64, 128, text);
    const Picture p = Snap(&g_BackBufferSD);
    // Every character inks its own cell, and nothing lies outside the cells.
    const int counts[2] = {4, 4};
    int inside = 0;
    for (int line = 0; line < 2; ++line) {
        for (int c = 0; c < counts[line]; ++c) {
            const int x = 64 + 16 * c, y = 32 + 16 * line;
            const int n = CountInk(p, m_ink, x, y, x + 16, y + 16);
            EXPECT_GT(n, 8) << "line " << line << " char " << c;
            inside += n;
        }
    }
    EXPECT_EQ(CountInk(p, m_ink, 0, 0, 640, 96), inside);
    // Cached and direct drawing give the same pixels.
    for (int y = 0; y < 32; ++y)
        for (int x = 64; x < 128; ++x) ASSERT_EQ(p.At(x, 32 + y), p.At(x, 128 + y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Variants, FontTest, gfxtest::AllVariants(), gfxtest::VariantName);

// ---------------------------------------------------------------------------
// Measuring

TEST(FontMeasure, FixedSizeAndLineLength) {
    Font font;
    font.m_nPitch = 16;
    font.m_nLineHeight = 16;
    struct Case {
        std::string text;
        int cx, cy;
    };
    const Case cases[] = {
        {"ab\ncd", 32, 32}, {"", 0, 16},         {"ab\n", 32, 32},
        {"あいう\nx", 48, 32}, {"\n\n", 0, 48}, {std::string(600, 'a'), 9600, 16},  // any line length
        // A lead byte without its trail byte is a character of its own.
        {"a\x82", 32, 16}, {"\x82\nab\x82", 48, 32},
    };
    for (const Case& c : cases) {
        const TextSize size = font.GetFixedTextSize(c.text.c_str());
        EXPECT_EQ(size.cx, c.cx) << c.text;
        EXPECT_EQ(size.cy, c.cy) << c.text;
    }
    EXPECT_EQ(GetLineLength("abc\ndef"), 3);
    EXPECT_EQ(GetLineLength("abc"), 3);
    EXPECT_EQ(GetLineLength("\n"), 0);
    EXPECT_EQ(GetLineLength(nullptr), 0);
}
