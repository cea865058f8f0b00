#include "platform/glyphs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FixedPatternOn {
    FixedPatternOn() { plat::testing::UseFixedPatternGlyphs(true); }
    ~FixedPatternOn() { plat::testing::UseFixedPatternGlyphs(false); }
};

// The code a fixed-pattern glyph spells in its bit rows.
uint32_t Decode(const plat::GlyphImage& g) {
    uint32_t code = 0;
    for (int i = 0; i < 16; ++i) {
        const int row = 1 + i / g.width;
        if (row >= g.height - 1) break;
        if (g.Ink(i % g.width, row)) code |= 1u << i;
    }
    return code;
}

// The runs hold exactly the ink of the bitmap, each pixel once, inside the
// glyph, row by row from the top.
void ExpectRunsMatchInk(const plat::GlyphImage& g) {
    std::vector<uint8_t> drawn(g.ink.size(), 0);
    int lastRow = 0;
    for (const plat::InkRun& run : g.runs) {
        ASSERT_GE(run.y, lastRow);
        ASSERT_LT(run.y, g.height);
        ASSERT_GE(run.x, 0);
        ASSERT_GE(run.length, 1);
        ASSERT_LE(run.x + run.length, g.width);
        lastRow = run.y;
        for (int x = run.x; x < run.x + run.length; ++x) {
            uint8_t& pixel = drawn[static_cast<size_t>(run.y) * static_cast<size_t>(g.width) + x];
            EXPECT_EQ(pixel, 0) << "pixel " << x << "," << run.y << " in two runs";
            pixel = 1;
        }
    }
    EXPECT_EQ(drawn, g.ink);
}

TEST(FixedPatternGlyphs, SizeAndCodeFollowTheCharacter) {
    FixedPatternOn fixed;
    struct Case {
        const char* text;
        int count;
        int height, width;  // asked of the face
        int glyphWidth;
        uint32_t code;
    };
    const Case cases[] = {
        {"A", 1, 16, 0, 8, 0x41},        {"\xB1", 1, 16, 0, 8, 0xB1},  // half-width katakana
        {"あ", 2, 16, 0, 16, 0x82A0},    {"A", 1, 9, 0, 4, 0x41},
        {"漢", 2, 30, 0, 30, 0x8ABF},    {"A", 1, 16, 5, 5, 0x41},
        {"あ", 2, 16, 5, 10, 0x82A0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " height " + std::to_string(c.height));
        auto face = plat::GlyphFace::Open("anything", c.height, c.width);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->CellHeight(), c.height);
        const plat::GlyphImage* g = face->Glyph(c.text, c.count);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->width, c.glyphWidth);
        EXPECT_EQ(g->height, c.height);
        EXPECT_EQ(g->advance, c.glyphWidth);
        EXPECT_EQ(g->left, 0);
        EXPECT_EQ(g->top, 0);
        EXPECT_TRUE(g->Ink(0, 0));
        EXPECT_TRUE(g->Ink(g->width - 1, g->height - 1));
        EXPECT_EQ(Decode(*g), c.code);
        ExpectRunsMatchInk(*g);
    }
    // One pixel high and one wide: both corners are the same pixel.
    auto tiny = plat::GlyphFace::Open("", 1, 0);
    ASSERT_NE(tiny, nullptr);
    const plat::GlyphImage* g = tiny->Glyph("A", 1);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->ink, std::vector<uint8_t>{1});
    ExpectRunsMatchInk(*g);
    // A glyph asked for again after another is the same.
    auto face16 = plat::GlyphFace::Open("", 16, 0);
    const std::vector<uint8_t> first = face16->Glyph("A", 1)->ink;
    face16->Glyph("B", 1);
    face16->Glyph("あ", 2);
    EXPECT_EQ(face16->Glyph("A", 1)->ink, first);
    ExpectRunsMatchInk(*face16->Glyph("A", 1));
    auto face = plat::GlyphFace::Open("", 16, 0);
    EXPECT_EQ(face->TextWidth("Aあ\xB1", 4), 8 + 16 + 8);
    EXPECT_EQ(plat::GlyphFace::Open("", 0, 0), nullptr);
}

// ---------------------------------------------------------------------------
// The installed Japanese font

bool HaveJapaneseFont() { return plat::FindFontFile("", nullptr, nullptr); }

std::string FileOf(const char* name) {
    std::string file;
    int index = -1;
    EXPECT_TRUE(plat::FindFontFile(name, &file, &index)) << name;
    return file + "#" + std::to_string(index);
}

TEST(RealGlyphs, WindowsFaceNamesMapToJapaneseFonts) {
    if (!HaveJapaneseFont()) GTEST_SKIP() << "no Japanese font installed";
    const std::string gothic = FileOf("IPAGothic");
    EXPECT_EQ(FileOf("ＭＳ ゴシック"), gothic);
    EXPECT_EQ(FileOf("ＭＳ Ｐゴシック"), FileOf("IPAPGothic"));
    EXPECT_NE(FileOf("ＭＳ Ｐゴシック"), gothic);
    EXPECT_EQ(FileOf("ＭＳ 明朝"), FileOf("IPAMincho"));
    EXPECT_EQ(FileOf("HGPｺﾞｼｯｸE"), FileOf("IPAPGothic"));
    // Faces without Japanese characters, and no face, fall back.
    EXPECT_EQ(FileOf("Arial"), gothic);
    EXPECT_EQ(FileOf(""), gothic);
}

TEST(RealGlyphs, RendersMonochromeGlyphsInsideTheCell) {
    if (!HaveJapaneseFont()) GTEST_SKIP() << "no Japanese font installed";
    auto face = plat::GlyphFace::Open("ＭＳ ゴシック", 16, 0);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->CellHeight(), 16);
    EXPECT_NE(face->FontFile(), "");
    for (const char* text : {"あ", "漢", "ア", "Ａ"}) {
        SCOPED_TRACE(text);
        const plat::GlyphImage* g = face->Glyph(text, 2);
        ASSERT_NE(g, nullptr);
        // The substitute's em is a little smaller than its cell.
        EXPECT_GE(g->advance, 14);
        EXPECT_LE(g->advance, 16);
        int ink = 0;
        for (uint8_t v : g->ink) {
            EXPECT_LE(v, 1);
            ink += v;
        }
        EXPECT_GT(ink, 10);
        ExpectRunsMatchInk(*g);
        EXPECT_GE(g->left, 0);
        EXPECT_GE(g->top, 0);
        EXPECT_LE(g->left + g->width, 16);
        EXPECT_LE(g->top + g->height, 16);
    }
    ASSERT_NE(face->Glyph("A", 1), nullptr);
    const int half = face->Glyph("A", 1)->advance;
    EXPECT_GE(half, 7);
    EXPECT_LE(half, 8);
    const int full = face->Glyph("あ", 2)->advance;
    EXPECT_EQ(face->TextWidth("Aあ", 3), half + full);
    // Bytes that are no character draw nothing and advance nothing.
    EXPECT_EQ(face->Glyph("\x85\x40", 2), nullptr);  // unassigned in code page 932
    EXPECT_EQ(face->Glyph("\x81", 1), nullptr);      // a lone lead byte
    EXPECT_EQ(face->Glyph("\n", 1), nullptr);
    EXPECT_EQ(face->TextWidth("A\x85\x40", 3), half);
}

}  // namespace
