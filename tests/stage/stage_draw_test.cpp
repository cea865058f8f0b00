// The drawing passes of a stage frame, checked on the pixels of a headless
// back buffer: block map, backgrounds, status bar, time limit and the
// screen tint.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/requests.h"
#include "core/timing.h"
#include "frontend/play_data.h"
#include "gfx/font.h"
#include "gfx/system_bitmaps.h"
#include "objects/draw_fixture.h"
#include "objects/stage_fixture.h"
#include "platform/glyphs.h"
#include "project/system_data.h"

namespace {

constexpr int kBack = 4;
constexpr int kInk = 1;

class StageDrawTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        layer.Start();
        plat::testing::UseFixedPatternGlyphs(true);
        ASSERT_EQ(Font16.Create("ＭＳ ゴシック", 0, 16, 16, 16, kInk, nullptr, 0, 0, nullptr, 0), 1);
        DDFillSurface(&g_BackBufferSD, kBack);
    }
    void TearDown() override {
        Font16.Release();
        plat::testing::UseFixedPatternGlyphs(false);
        layer.Stop();
        StageTest::TearDown();
    }
    static bool Is(int x, int y, int n) { return drawtest::DrawLayer::Is(x, y, n); }
    // The character of a fixed-pattern glyph of font 16 whose top-left ink
    // pixel lies in the 16 x 16 cell at (x, y); -1 when there is none.
    static long GlyphInCell(int x, int y) {
        for (int gx = x; gx < x + 16; ++gx) {
            if (!Is(gx, y, kInk) || !Is(gx + 7, y + 15, kInk) || Is(gx - 1, y, kInk)) continue;
            long code = 0;
            for (int i = 0; i < 16; ++i)
                if (Is(gx + i % 8, y + 1 + i / 8, kInk)) code |= 1L << i;
            return code;
        }
        return -1;
    }
    // Background i: a 64 x 64 picture of four quadrants.
    DDSURFACEDATA* Quadrants(int i, int tl, int tr, int bl, int br) {
        DDSURFACEDATA* sd = layer.Sheet(kSysBmpBackground1 + i, 64, 64);
        DDFillRect(sd, 0, 0, 32, 32, static_cast<uint32_t>(tl));
        DDFillRect(sd, 32, 0, 32, 32, static_cast<uint32_t>(tr));
        DDFillRect(sd, 0, 32, 32, 32, static_cast<uint32_t>(bl));
        DDFillRect(sd, 32, 32, 32, 32, static_cast<uint32_t>(br));
        return sd;
    }
    cBackground& Background(int i, int layerNo, double rate) {
        if (g_Stage.m_vBackground.size() <= static_cast<size_t>(i)) g_Stage.m_vBackground.resize(static_cast<size_t>(i) + 1);
        for (cBackground& bg : g_Stage.m_vBackground) bg.m_bShown = bg.m_bShown && !bg.m_strPicture.empty();
        cBackground& bg = g_Stage.m_vBackground[static_cast<size_t>(i)];
        bg.m_bShown = 1;
        bg.m_strPicture = "bg";
        bg.m_nLayer = layerNo;
        bg.m_dRateX = bg.m_dRateY = rate;
        return bg;
    }

    drawtest::DrawLayer layer;
};

TEST_F(StageDrawTest, BlockMapDrawsTheVisibleCellsOfOneLayerShiftedByTheCamera) {
    DDSURFACEDATA* blocks = layer.Sheet(kSysBmpBlock, 32, 480);
    DDFillRect(blocks, 0, 32, 32, 32, 3);  // chip 1
    DDFillRect(blocks, 0, 64, 32, 32, 5);  // chip 2
    auto place = [](int col, int row, int chip, int front, int hidden) {
        cMapCell& cell = Cell(col, row);
        cell.m_sChip = static_cast<int16_t>(chip);
        cell.m_cFront = static_cast<int8_t>(front);
        cell.m_cHidden = static_cast<int8_t>(hidden);
    };
    // Camera (650.7, 405): first column 20, 10 dots in; first row 12, 21 in.
    scene.m_ScrollX.m_dPos = 650.7;
    scene.m_ScrollY.m_dPos = 405;
    place(20, 12, 1, 0, 0);  // at (-10, -21)
    place(21, 12, 2, 1, 0);  // at (22, -21), front layer
    place(22, 13, 1, 0, 1);  // at (54, 11), hidden
    place(40, 13, 2, 0, 0);  // the last column, at (630, 11)
    place(20, 28, 1, 0, 0);  // row 16 of the view is not drawn (y 491)

    struct Case {
        int layer, x, y, colour;
    };
    const Case cases[] = {
        {0, 0, 0, 3},       {0, 21, 10, 3},     {0, 22, 0, kBack},  {0, 60, 20, kBack},
        {0, 630, 11, 5},    {0, 639, 42, 5},    {0, 629, 11, kBack}, {1, 22, 0, 5},
        {1, 53, 10, 5},     {1, 0, 0, kBack},   {1, 630, 11, kBack},
    };
    for (int layerNo : {0, 1}) {
        DDFillSurface(&g_BackBufferSD, kBack);
        scene.DrawBlockMap(&g_BackBufferSD, layerNo);
        for (const Case& c : cases) {
            if (c.layer == layerNo) {
                EXPECT_TRUE(Is(c.x, c.y, c.colour)) << c.layer << " (" << c.x << ", " << c.y << ")";
            }
        }
    }

    // A camera partly outside the grid draws what lies inside it.
    scene.m_ScrollX.m_dPos = -100;
    scene.m_ScrollY.m_dPos = 60 * 32 - 100;
    scene.DrawBlockMap(&g_BackBufferSD, 0);
}

TEST_F(StageDrawTest, WithoutAnEnabledBackgroundTheScreenIsColour16) {
    for (bool withDisabled : {false, true}) {
        g_Stage.m_vBackground.clear();
        if (withDisabled) {
            Quadrants(0, 3, 3, 3, 3);
            Background(0, 0, 0).m_bShown = 0;
        }
        DDFillSurface(&g_BackBufferSD, kBack);
        EXPECT_EQ(scene.DrawBackgrounds(&g_BackBufferSD, 0), 0);
        EXPECT_TRUE(Is(0, 0, 16));
        EXPECT_TRUE(Is(639, 479, 16));
    }
}

TEST_F(StageDrawTest, BackgroundsMoveByTheirRateOfTheCamera) {
    Quadrants(0, 3, 5, 6, 7);
    scene.m_ScrollX.m_dPos = 650.7;  // 331 - 320 = 11... rounded: 651 - 320 = 331
    scene.m_ScrollY.m_dPos = 405.9;  // no rounding: 405 - 320 = 85
    struct Case {
        double rate;
        int x, y, colour;
    };
    const Case cases[] = {
        // Rate 0 stays where it is.
        {0, 0, 0, 3}, {0, 32, 0, 5}, {0, 0, 32, 6}, {0, 639, 479, 5}, {0, 64, 64, 3},
        // Rate 1: the picture starts at (331 mod 64, 85 mod 64) = (11, 21).
        {1, 0, 0, 3}, {1, 20, 10, 3}, {1, 21, 0, 5}, {1, 0, 11, 6}, {1, 21, 11, 7}, {1, 53, 43, 3},
    };
    for (const Case& c : cases) {
        Background(0, 0, c.rate);
        DDFillSurface(&g_BackBufferSD, kBack);
        EXPECT_EQ(scene.DrawBackgrounds(&g_BackBufferSD, 0), 1);
        EXPECT_TRUE(Is(c.x, c.y, c.colour)) << "rate " << c.rate << " (" << c.x << ", " << c.y << ")";
    }
}

TEST_F(StageDrawTest, AutoScrollWrapsInsideThePictureAndStopsDuringPause) {
    Quadrants(0, 3, 5, 3, 5);
    cBackground& bg = Background(0, 0, 0);
    bg.m_bAutoX = 1;
    bg.m_dSpeedX = 10;
    bg.m_bAutoY = 1;
    bg.m_dSpeedY = -150;  // more than the picture's height per frame
    const double wantX[] = {54, 44, 34, 24, 14, 4, 58};
    for (double x : wantX) {
        scene.ScrollBackgrounds();
        EXPECT_DOUBLE_EQ(bg.m_dOffsetX, x);
        EXPECT_GE(bg.m_dOffsetY, 0);
        EXPECT_LT(bg.m_dOffsetY, 64);
    }
    scene.m_nState = 3;
    scene.ScrollBackgrounds();
    EXPECT_DOUBLE_EQ(bg.m_dOffsetX, 58);

    // Offset 58: the screen starts 6 dots before the picture's left edge.
    DDFillSurface(&g_BackBufferSD, kBack);
    scene.DrawBackgrounds(&g_BackBufferSD, 0);
    EXPECT_TRUE(Is(5, 0, 5));
    EXPECT_TRUE(Is(6, 0, 3));
    EXPECT_TRUE(Is(38, 0, 5));
    EXPECT_TRUE(Is(70, 0, 3));
}

TEST_F(StageDrawTest, APictureOfNoSizeIsSkipped) {
    cBackground& bg = Background(0, 0, 1);
    bg.m_bAutoX = bg.m_bAutoY = 1;
    bg.m_dSpeedX = bg.m_dSpeedY = 3;
    scene.ScrollBackgrounds();
    EXPECT_EQ(bg.m_dOffsetX, 0);
    EXPECT_EQ(scene.DrawBackgrounds(&g_BackBufferSD, 0), 0);
    EXPECT_TRUE(Is(100, 100, 16));
}

TEST_F(StageDrawTest, OnlyTheFirstBackgroundBehindTheMapIsDrawnWithoutItsKey) {
    // Each picture is transparent but for a square of its own.
    DDSURFACEDATA* first = Quadrants(0, 3, 3, 3, 3);
    DDFillRect(first, 5, 5, 1, 1, 0);
    DDSURFACEDATA* second = layer.Sheet(kSysBmpBackground1 + 1, 64, 64);
    DDFillRect(second, 20, 20, 2, 2, 5);
    DDSURFACEDATA* front = layer.Sheet(kSysBmpBackground1 + 2, 64, 64);
    DDFillRect(front, 40, 40, 2, 2, 6);
    Background(0, 0, 0);
    Background(1, 0, 0);
    Background(2, 1, 0);

    EXPECT_EQ(scene.DrawBackgrounds(&g_BackBufferSD, 0), 2);
    EXPECT_EQ(drawtest::DrawLayer::At(5, 5), drawtest::Rgb(0)) << "the first one is copied as it is";
    EXPECT_TRUE(Is(20, 20, 5));
    EXPECT_TRUE(Is(30, 30, 3)) << "the second one is keyed";
    EXPECT_EQ(scene.DrawBackgrounds(&g_BackBufferSD, 1), 1);
    EXPECT_TRUE(Is(40, 40, 6));
    EXPECT_TRUE(Is(30, 30, 3)) << "a front background is keyed";

    // A plain fill counts as drawn: the picture after it keeps its key.
    g_Stage.m_vBackground[0].m_bFill = 1;
    g_Stage.m_vBackground[0].m_nFillColor = 8;
    EXPECT_EQ(scene.DrawBackgrounds(&g_BackBufferSD, 0), 2);
    EXPECT_TRUE(Is(30, 30, 8));
    EXPECT_TRUE(Is(20, 20, 5));
}

// ---------------------------------------------------------------------------

class StatusBarTest : public StageDrawTest {
protected:
    void SetUp() override {
        StageDrawTest::SetUp();
        DDSURFACEDATA* bar = layer.Sheet(kSysBmpStatusWindow, 640, 20);
        DDFillSurface(bar, 10);
        DDSURFACEDATA* icons = layer.Sheet(kSysBmpAccessory, 128, 176);
        for (int n = 0; n < 5; ++n) DDFillRect(icons, 16 * n, 32, 16, 16, static_cast<uint32_t>(40 + n));
        DDFillRect(icons, 0, 128, 50, 16, 11);  // HP gauge frame
        DDFillRect(icons, 0, 144, 50, 16, 12);  // its fill
        DDFillRect(icons, 0, 160, 50, 16, 13);  // its fill at the warning level
        g_SystemData.m_vStatusItem.resize(5);
        for (cStatusItem& item : g_SystemData.m_vStatusItem) item.m_nShown = item.m_nIcon = item.m_nNumberOnGauge = 0;
        g_Heroes.resize(1);
        scene.m_nDrawMode = 1;
    }
    static cStatusItem& Item(int n) { return g_SystemData.m_vStatusItem[static_cast<size_t>(n)]; }
};

TEST_F(StatusBarTest, LivesAloneStandInTheMiddleWithADashForInfiniteLives) {
    cStatusItem& lives = Item(4);
    lives.m_nShown = 1;
    lives.m_nWidth = 2;
    lives.m_nIcon = 1;
    g_PlayData.m_nLives = 999999;
    scene.DrawStatusBar(&g_BackBufferSD);
    // (638 - (16 + 2 x 16)) / 2 = 295
    EXPECT_TRUE(Is(0, 0, 10));
    EXPECT_TRUE(Is(294, 3, 10));
    EXPECT_TRUE(Is(295, 3, 44));
    EXPECT_TRUE(Is(310, 18, 44));
    EXPECT_EQ(GlyphInCell(311, 3), '-');

    lives.m_nIcon = 0;
    lives.m_strLabel = "残機";
    g_PlayData.m_nLives = 3;
    scene.DrawStatusBar(&g_BackBufferSD);
    // (638 - (2 x 16 + 2 x 16)) / 2 = 287: the label, then the number.
    EXPECT_TRUE(Is(295, 3, 10)) << "no icon in label mode";
    EXPECT_TRUE(Is(287, 3, kInk) && Is(302, 18, kInk)) << "a full-width character";
    EXPECT_EQ(GlyphInCell(287 + 32, 3), '3');
}

TEST_F(StatusBarTest, ItemsShareTheRoomWithEqualGaps) {
    // Total score in label mode (2 characters, width 6) and HP with its icon.
    Item(0).m_nShown = 1;
    Item(0).m_strLabel = "SC";
    Item(0).m_nWidth = 6;
    Item(2).m_nShown = 1;
    Item(2).m_nIcon = 1;
    g_PlayData.m_nTotalScore = 7;
    // Widths 32 + 96 and 16 + 50: gap (638 - 194) / 3 = 148.
    scene.DrawStatusBar(&g_BackBufferSD);
    EXPECT_EQ(GlyphInCell(148, 3), 'S');
    EXPECT_EQ(GlyphInCell(148 + 32, 3), '7');
    const int hpX = 148 + 128 + 148;
    EXPECT_TRUE(Is(hpX - 1, 3, 10));
    EXPECT_TRUE(Is(hpX, 3, 42));
    EXPECT_TRUE(Is(hpX + 16, 3, 11)) << "the gauge follows the icon";
}

TEST_F(StatusBarTest, GaugeFillIsClampedToItsFrame) {
    cStatusItem& hp = Item(2);
    hp.m_nShown = 1;
    hp.m_nIcon = 1;
    hp.m_nWarnLevel = 3;  // HP 3 and below warns
    hp.m_nWarnPercent = 0;
    const int gaugeX = (638 - 66) / 2 + 16;
    struct Case {
        int value, max, fill, colour;
    };
    const Case cases[] = {
        {4, 10, 20, 12}, {15, 10, 50, 12}, {10, 10, 50, 12}, {-5, 10, 0, 0}, {5, 0, 0, 0}, {3, 10, 15, 13},
    };
    for (const Case& c : cases) {
        g_Heroes[0].m_nHP = c.value;
        g_Heroes[0].m_Def.m_nMaxHP = c.max;
        DDFillSurface(&g_BackBufferSD, kBack);
        scene.DrawStatusBar(&g_BackBufferSD);
        SCOPED_TRACE(testing::Message() << c.value << " of " << c.max);
        if (c.fill > 0) {
            EXPECT_TRUE(Is(gaugeX, 3, c.colour));
            EXPECT_TRUE(Is(gaugeX + c.fill - 1, 18, c.colour));
        }
        EXPECT_TRUE(Is(gaugeX + c.fill, 3, c.fill < 50 ? 11 : 10));
        EXPECT_TRUE(Is(gaugeX + 50, 3, 10));
    }
}

TEST_F(StatusBarTest, NothingWhenTheBarIsOffOrEmpty) {
    scene.DrawStatusBar(&g_BackBufferSD);
    EXPECT_TRUE(Is(0, 0, kBack));
    Item(1).m_nShown = 1;
    scene.m_nDrawMode = 0;
    scene.DrawStatusBar(&g_BackBufferSD);
    EXPECT_TRUE(Is(0, 0, kBack));
}

// ---------------------------------------------------------------------------

int g_warnings = 0;
intptr_t CountWarnings(plat::WindowHandle, uint32_t id, uintptr_t wParam, intptr_t) {
    if (id == WM_REQ_SE && wParam == 13) ++g_warnings;
    return 0;
}

TEST_F(StageDrawTest, TimeLimitDigitsAndAWarningOncePerSecondOfPlay) {
    DDSURFACEDATA* word = layer.Sheet(kSysBmpWord, 320, 192);
    for (int d = 0; d < 10; ++d) DDFillRect(word, 32 * d, 160, 32, 32, static_cast<uint32_t>(20 + d));
    scene.m_nTimeLimit = 123;
    scene.DrawTimeLimit(&g_BackBufferSD, 0);
    EXPECT_TRUE(Is(272, 24, 21));
    EXPECT_TRUE(Is(304, 55, 22));
    EXPECT_TRUE(Is(367, 24, 23));
    EXPECT_TRUE(Is(368, 24, kBack));
    DDFillSurface(&g_BackBufferSD, kBack);
    scene.m_nTimeLimit = 5;  // centred in three cells
    scene.DrawTimeLimit(&g_BackBufferSD, 0);
    EXPECT_TRUE(Is(303, 24, kBack));
    EXPECT_TRUE(Is(304, 24, 25));
    DDFillSurface(&g_BackBufferSD, kBack);
    scene.m_bNoTimeLimit = 1;
    scene.DrawTimeLimit(&g_BackBufferSD, 1);
    EXPECT_TRUE(Is(304, 24, kBack));
    scene.m_bNoTimeLimit = 0;

    plat::SetWindowProc(window, CountWarnings);
    g_Stage.m_nTimeWarning = 20;
    g_SceneMgr.m_nFrameRate = 60;
    struct Case {
        int timeLeft, fromPlay, warnings;
    };
    const Case cases[] = {{20, 1, 2}, {1, 1, 2}, {21, 1, 0}, {0, 1, 0}, {10, 0, 0}};
    for (const Case& c : cases) {
        scene.m_nTimeLimit = c.timeLeft;
        g_warnings = 0;
        CountEvery(0, 60);
        // Two seconds of play: the play step counts its frames after drawing.
        for (int frame = 0; frame < 120; ++frame) {
            scene.DrawTimeLimit(&g_BackBufferSD, c.fromPlay);
            CountEvery(1, 60);
        }
        EXPECT_EQ(g_warnings, c.warnings) << c.timeLeft << " from play " << c.fromPlay;
    }
}

// ---------------------------------------------------------------------------

TEST_F(StageDrawTest, ScreenColourRampsToItsStrengthAndAReturnRampsBack) {
    cScreenColor& sc = scene.m_ScreenColor;
    const int32_t tint[8] = {255, 0, 0, 50, 0, 10, 0, 0};
    sc.Set(tint);
    std::vector<int> weights;
    for (int frame = 0; frame < 70; ++frame) {
        scene.DrawScreenColor(0);
        weights.push_back(sc.m_nWeight);
    }
    EXPECT_EQ(weights[0], 255);
    EXPECT_EQ(weights[30], 191);  // 255 - 63.75
    EXPECT_EQ(weights[60], 127);  // 255 - 127.5, truncated
    EXPECT_EQ(weights[69], 127);
    for (size_t i = 1; i < weights.size(); ++i) EXPECT_LE(weights[i], weights[i - 1]);
    EXPECT_EQ(sc.m_bActive, 1) << "the tint stays at its strength";

    // Frozen frames keep the ramp where it is.
    const int32_t back[8] = {0, 0, 0, 0, 1, 10, 0, 0};
    sc.Set(back);
    scene.DrawScreenColor(1);
    scene.DrawScreenColor(1);
    EXPECT_EQ(sc.m_nFrame, 0);
    EXPECT_EQ(sc.m_ucRed, 255) << "a return keeps the colour it returns from";
    weights.clear();
    for (int frame = 0; frame < 61; ++frame) {
        scene.DrawScreenColor(0);
        weights.push_back(sc.m_nWeight);
    }
    EXPECT_EQ(weights[0], 127);
    EXPECT_EQ(weights[30], 191);  // 127 + 64
    EXPECT_EQ(weights[60], 255);
    EXPECT_EQ(sc.m_bActive, 0) << "the return ends the tint";

    // A return with nothing to return from is ignored.
    sc.Set(back);
    EXPECT_EQ(sc.m_bActive, 0);
}

TEST_F(StageDrawTest, ScreenColourTintsThePictureAndFlashesItsCount) {
    cScreenColor& sc = scene.m_ScreenColor;
    DDFillSurface(&g_BackBufferSD, 2);
    const uint32_t before = drawtest::DrawLayer::At(100, 100);
    const int32_t red[8] = {255, 0, 0, 50, 0, 0, 0, 0};
    sc.Set(red);
    scene.DrawScreenColor(0);
    const uint32_t after = drawtest::DrawLayer::At(100, 100);
    EXPECT_GT(after >> 16, before >> 16) << std::hex << before << " -> " << after;
    EXPECT_LT(after & 0xFF, before & 0xFF);

    // Full strength over 6 frames, twice: the weight falls, jumps back to
    // 255 when a cycle is over, and the second cycle ends the tint.
    const int32_t flash[8] = {255, 255, 255, 100, 0, 1, 1, 2};
    sc.Set(flash);
    std::vector<int> weights;
    while (sc.m_bActive && weights.size() < 100) {
        scene.DrawScreenColor(0);
        weights.push_back(sc.m_nWeight);
    }
    const std::vector<int> cycle = {255, 212, 170, 127, 85, 42, 255};
    std::vector<int> want = cycle;
    want.insert(want.end(), cycle.begin(), cycle.end());
    EXPECT_EQ(weights, want);
}

}  // namespace
