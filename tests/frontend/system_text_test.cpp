// Lists of system texts: their centring column and their window, drawn with
// the fixed-pattern glyphs so each character can be read back by position.
#include "frontend/program_objects.h"
#include "frontend/system_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gfx/dd.h"
#include "gfx/font.h"
#include "platform/glyphs.h"
#include "platform/picture_testing.h"
#include "platform/presenter.h"
#include "project/system_data.h"
#include "support/logged_test.h"

namespace {

class SystemTextTest : public orvtest::LoggedTest {
protected:
    void TearDown() override {
        ResetProgramObjects();
        LoggedTest::TearDown();
    }
    void Texts(std::initializer_list<const char*> texts) {
        g_SystemData.m_vText.clear();
        for (const char* t : texts) g_SystemData.m_vText.emplace_back(t);
    }
};

}  // namespace

TEST_F(SystemTextTest, CentringUsesTheWidestTextInWholeCells) {
    Texts({"ab", "日本語", "x", ""});
    struct Case {
        int x, first, count, pad, expected;
    } cases[] = {
        {320, 0, 3, 0, 320 - 24},  // three double-byte characters count three
        {320, 0, 3, 1, 320 - 32},
        {320, 2, 1, 0, 320 - 8},
        {320, 3, 1, 1, 320 - 8},
        {320, 0, 0, 0, 320},
        {-5, 0, 1, 0, -5 - 16},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CenterTextX(c.x, c.first, c.count, c.pad), c.expected) << c.first << "+" << c.count << " pad " << c.pad;
}

// A project text of 2^27 characters is 2^31 pixels wide: more than an int
// holds, while the column it gives still fits one.
TEST_F(SystemTextTest, CentringMeasuresTextsWiderThanAnIntOfPixels) {
    Texts({"ab"});
    g_SystemData.m_vText.push_back(std::string(size_t{1} << 27, 'x'));
    EXPECT_EQ(CenterTextX(320, 0, 2, 1), 320 - (1 << 30) - 8);
}

namespace {

constexpr int kInk = 1, kFrame = 2, kSheet = 3, kBackground = 4;

class SystemTextDrawTest : public SystemTextTest {
protected:
    void SetUp() override {
        SystemTextTest::SetUp();
        plat::testing::UseFixedPatternGlyphs(true);
        plat::testing::ResetPictureFaults();
        plat::testing::SetDesktopDepth(32);
        plat::OpenFrameWindow("test", 640, 480, false);
        ASSERT_TRUE(DDInit(0, 0, 640, 480, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0));
        const PALETTEENTRY colours[] = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}, {0, 80, 0, 0}};
        std::memcpy(g_Palette, colours, sizeof colours);
        ASSERT_TRUE(DDCreateSurface(&m_sheet, 200, 100, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
        DDFillSurface(&m_sheet, kSheet);
        ASSERT_EQ(Font16.Create("ＭＳ ゴシック", 0, 16, 16, 16, kInk, &m_sheet, 1, kFrame, nullptr, 0), 1);
        for (int c : {kInk, kFrame, kSheet, kBackground}) {
            DDFillRect(&g_BackBufferSD, 0, 0, 1, 1, static_cast<uint32_t>(c));
            m_raw[c] = Raw(0, 0);
        }
        DDFillSurface(&g_BackBufferSD, kBackground);
    }
    void TearDown() override {
        Font16.Release();
        DDReleaseSurface(&m_sheet);
        DDRelease();
        plat::CloseFrameWindow();
        plat::testing::ResetPictureFaults();
        plat::testing::UseFixedPatternGlyphs(false);
        SystemTextTest::TearDown();
    }
    uint32_t Raw(int x, int y) {
        cSurfaceLock lock(&g_BackBufferSD);
        if (!lock.Bits() || x < 0 || y < 0 || x >= 640 || y >= 480) return 0xDEADBEEF;
        uint32_t raw = 0;
        std::memcpy(&raw, lock.Bits() + (static_cast<size_t>(y) * lock.PitchPixels() + x) * 4, 4);
        return raw;
    }
    bool Is(int x, int y, int colour) { return Raw(x, y) == m_raw[colour]; }
    // The code spelt by the bit rows of a fixed-pattern glyph 8 x 16 whose
    // top-left ink pixel lies in the cell at (x, y); -1 when none is there.
    long GlyphInCell(int x, int y) {
        for (int gx = x; gx < x + 16; ++gx) {
            if (!Is(gx, y, kInk) || !Is(gx + 7, y + 15, kInk) || Is(gx - 1, y, kInk)) continue;
            long code = 0;
            for (int i = 0; i < 16; ++i) {
                const int row = 1 + i / 8;
                if (row >= 15) break;
                if (Is(gx + i % 8, y + row, kInk)) code |= 1L << i;
            }
            return code;
        }
        return -1;
    }

    DDSURFACEDATA m_sheet;
    uint32_t m_raw[5] = {};
};

}  // namespace

TEST_F(SystemTextDrawTest, WindowFitsTheLongestLineAndTextsAreNeverFormats) {
    Texts({"ab", "%s%n", "日本"});
    DrawTextList(50, 40, 0, 2, 1);
    // (4 + 1) characters wide, two lines high; the frame lies outside.
    EXPECT_TRUE(Is(50, 40 + 31, kSheet));
    EXPECT_TRUE(Is(50 + 79, 40, kSheet));
    EXPECT_TRUE(Is(50 + 80, 40, kFrame));
    EXPECT_TRUE(Is(50, 40 + 32, kFrame));
    // Each line starts one cell in; the second shows its text as it stands.
    EXPECT_EQ(GlyphInCell(50 + 16, 40), 'a');
    EXPECT_EQ(GlyphInCell(50 + 16, 56), '%');
    EXPECT_EQ(GlyphInCell(50 + 32, 56), 's');
    EXPECT_EQ(GlyphInCell(50 + 64, 56), 'n');

    DDFillSurface(&g_BackBufferSD, kBackground);
    DrawTextList(50, 40, 2, 1, 0);  // a double-byte character is one cell wide
    EXPECT_TRUE(Is(50 + 31, 40, kSheet));
    EXPECT_TRUE(Is(50 + 32, 40, kFrame));
}

TEST_F(SystemTextDrawTest, NoLinesDrawNothingAndLongListsAreBounded) {
    Texts({"ab"});
    DrawTextList(50, 40, 0, 0, 1);
    EXPECT_TRUE(Is(50, 40, kBackground));
    EXPECT_TRUE(Is(49, 39, kBackground));

    Texts({});
    for (int i = 0; i < 8; ++i) g_SystemData.m_vText.push_back(std::string(150, 'x'));
    DrawTextList(10, 10, 0, 8, 1);  // 1200 bytes of text into a 512-byte window text
    EXPECT_TRUE(Is(10, 10, kSheet));
    EXPECT_EQ(GlyphInCell(10 + 16, 10), 'x');

    // A line of 2^27 characters: its window runs past the screen's edge.
    DDFillSurface(&g_BackBufferSD, kBackground);
    Texts({});
    g_SystemData.m_vText.push_back(std::string(size_t{1} << 27, 'y'));
    DrawTextList(50, 40, 0, 1, 0);
    EXPECT_TRUE(Is(639, 40 - 1, kFrame));
    EXPECT_TRUE(Is(639, 40 + 16, kFrame));
    EXPECT_TRUE(Is(49, 40, kFrame));
    EXPECT_EQ(GlyphInCell(50, 40), 'y');
}
