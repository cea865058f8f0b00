// Where chips are cut from, the chip-work surfaces of each display
// back-end, and the pixels of block chips, marks and chip icons.
#include "objects/chip_src.h"

#include <gtest/gtest.h>

#include "frontend/program_objects.h"
#include "gfx/system_bitmaps.h"
#include "objects/draw_fixture.h"
#include "objects/game_obj.h"
#include "project/block_def.h"
#include "project/database.h"
#include "project/system_ini.h"
#include "stage/stage_resources.h"
#include "support/logged_test.h"

namespace {

class ChipSrcTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        for (int i = 0; i < kSysBmpCount; ++i) m_saved[i] = g_SysBmp[i];
        // Chara sheets of 20 x 15 chips.
        for (int row = 4; row < 20; ++row) g_SysBmp[row].nWidth = 640, g_SysBmp[row].nHeight = 480;
        // Two chara-image records; the second has chips of 2 x 2 blocks.
        g_CharaExcSurfaces.resize(8);
        g_Database.m_vBmpCharaExc.resize(3);
        g_Database.m_vBmpCharaExc[2].m_nLargeChips = 1;
        g_Database.m_vBmpCharaExc[2].m_nChipSize = 2;
    }
    void TearDown() override {
        lpDTCon = nullptr;
        for (int i = 0; i < kSysBmpCount; ++i) g_SysBmp[i] = m_saved[i];
        ResetProgramObjects();
        LoggedTest::TearDown();
    }
    // The system picture row of a surface, 100 + n for chara image n, -1
    // for none of them.
    static int Row(const DDSURFACEDATA* sd) {
        if (sd >= &g_SysBmp[0] && sd < &g_SysBmp[kSysBmpCount]) return static_cast<int>(sd - g_SysBmp);
        for (size_t i = 0; i < g_CharaExcSurfaces.size(); ++i)
            if (sd == &g_CharaExcSurfaces[i]) return 100 + static_cast<int>(i);
        return -1;
    }

    DDSURFACEDATA m_saved[kSysBmpCount];
};

TEST_F(ChipSrcTest, SheetsAndPlacesOfEveryKind) {
    cGameObj left, right;
    right.m_bRight = 1;
    struct Case {
        const char* what;
        int type, kind, chip, offset;
        const cGameObj* obj;
        int frame;
        int a, b, c, d, x, y, special, multiplier;
    };
    const Case cases[] = {
        {"block", 0, 0, 16, 0, nullptr, 0, 2, 3, 2, 3, 32, 32, 0, 1},
        {"chara facing right", 1, 1, 17, 3, &right, 2, 7, 25, 6, 24, 160, 64, 0, 1},
        {"chara facing left", 1, 1, 17, 3, &left, 2, 6, 24, 7, 25, 160, 64, 0, 1},
        {"chara chip of a block, right half", 0, 1, 0, 21, nullptr, 5, 5, 23, 5, 23, 32, 0, 0, 1},
        {"chara chip of a block, left half", 0, 1, 0, 4, nullptr, 0, 4, 22, 4, 22, 128, 0, 0, 1},
        {"chara sheet 9 does not exist", 1, 1, 120, 0, &left, 0, 4, 22, 4, 22, 0, 0, 0, 1},
        {"negative chara chip", 0, 1, -1, 0, nullptr, 0, 4, 22, 4, 22, 0, 0, 0, 1},
        {"chara column past the sheet", 1, 1, 1, 19, &right, 1, 4, 22, 4, 22, 0, 0, 0, 1},
        {"item anime frame", 2, 2, 16, 0, nullptr, 1, 40, 41, 40, 41, 96, 32, 0, 1},
        {"item chip of a block", 0, 2, 16, 0, nullptr, 1, 40, 41, 40, 41, 64, 32, 0, 1},
        {"shot chips facing right", 1, 3, 31, 0, &right, 0, 65, 65, 64, 64, 64, 32, 0, 1},
        {"shot chips of a block", 0, 3, 31, 0, nullptr, 0, 64, 64, 64, 64, 64, 32, 0, 1},
        {"anime sheet facing right", 1, 4, 1, 1, &right, 16, 101, 103, 100, 102, 32, 32, 0, 1},
        {"anime sheet facing left", 1, 4, 1, 1, &left, 2, 100, 102, 101, 103, 96, 0, 0, 1},
        {"anime sheet of 2-block chips", 0, 4, 2, 9, nullptr, 5, 104, 106, 104, 106, 64, 64, 1, 2},
        {"anime sheet not loaded", 0, 4, 3, 0, nullptr, 0, -1, -1, -1, -1, 0, 0, 0, 1},
        {"anime sheet 0", 1, 4, 0, 0, &right, 0, -1, -1, -1, -1, 0, 0, 0, 1},
    };
    for (const int stretch : {0, 1}) {
        g_SystemIni.DD_VideoStretch = stretch;
        for (const Case& c : cases) {
            const CHIPSRC s = GetChipSrc(c.type, c.kind, c.chip, c.offset, c.obj, c.frame);
            SCOPED_TRACE(c.what);
            EXPECT_EQ(Row(s.a), c.a);
            EXPECT_EQ(Row(s.b), c.b);
            EXPECT_EQ(Row(s.c), c.c);
            EXPECT_EQ(Row(s.d), c.d);
            EXPECT_EQ(s.x, c.x);
            EXPECT_EQ(s.y, c.y);
            EXPECT_EQ(s.specialSize, c.special);
            EXPECT_EQ(s.multiplier, c.multiplier);
            // The blit-surface display stretches from the video sheets only
            // when asked to.
            EXPECT_EQ(Row(s.s0), stretch ? c.a : c.b);
            EXPECT_EQ(Row(s.s1), stretch ? c.c : c.d);
            ASSERT_NE(s.a, nullptr);
            ASSERT_NE(s.s1, nullptr);
        }
    }
    // A missing sheet is never null: it is a surface without pixels.
    const CHIPSRC none = GetChipSrc(0, 4, 3, 0, nullptr, 0);
    EXPECT_EQ(none.a->nWidth, 0);
    // Chip numbers far beyond any sheet keep their place without overflow.
    const CHIPSRC far = GetChipSrc(0, 0, 0x7FFFFFFF, 0, nullptr, 0);
    EXPECT_GT(far.x, 1 << 20);
}

TEST_F(ChipSrcTest, WorkSurfacesFollowTheBackEndAndTheStretchSetting) {
    DTCONTEXT device;
    struct Case {
        bool d3d;
        int stretch, mark, work, effect, s0;
    };
    const Case cases[] = {
        {false, 1, 43, 68, 69, 2},
        {false, 0, 44, 69, 69, 3},
        {true, 1, 44, 69, 71, 3},
        {true, 0, 44, 69, 71, 3},
    };
    for (const Case& c : cases) {
        lpDTCon = c.d3d ? &device : nullptr;
        g_SystemIni.DD_VideoStretch = c.stretch;
        SelectChipSurfaces();
        EXPECT_EQ(Row(ChipMarkSource()), c.mark) << c.d3d << c.stretch;
        EXPECT_EQ(Row(ChipWorkSurface()), c.work) << c.d3d << c.stretch;
        EXPECT_EQ(Row(ChipEffectSurface()), c.effect) << c.d3d << c.stretch;
        EXPECT_EQ(Row(GetChipSrc(0, 0, 0, 0, nullptr, 0).s0), c.s0) << c.d3d << c.stretch;
    }
}

class ChipDrawTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        layer.Start();
        DDFillSurface(&g_BackBufferSD, kBack);
    }
    void TearDown() override {
        layer.Stop();
        ResetProgramObjects();
        LoggedTest::TearDown();
    }
    static constexpr int kBack = 4;
    drawtest::DrawLayer layer;
};

TEST_F(ChipDrawTest, BlockChipIsKeyedAndItsMarkDrawnOnTopOnlyInMarkMode1) {
    DDSURFACEDATA* blocks = layer.Sheet(kSysBmpBlock, 64, 480);
    DDFillRect(blocks, 32, 32, 32, 32, 3);  // chip 16
    DDFillRect(blocks, 37, 37, 1, 1, 0);
    DDSURFACEDATA* marks = layer.Sheet(kSysBmpMark, 64, 480);
    DDFillRect(marks, 10, 42, 4, 4, 5);  // mark 1, at (10, 10) of its chip

    cPltBlock block;
    block.m_sChip = 16;
    block.m_sIcon = 1;
    for (const int mode : {1, 2}) {
        DDFillSurface(&g_BackBufferSD, kBack);
        block.m_cIconMode = static_cast<int8_t>(mode);
        block.Draw(&g_BackBufferSD, 100, 50);
        EXPECT_TRUE(layer.Is(100, 50, 3)) << mode;
        EXPECT_TRUE(layer.Is(131, 81, 3)) << mode;
        EXPECT_TRUE(layer.Is(105, 55, kBack)) << "the chip's transparent pixel, mode " << mode;
        EXPECT_TRUE(layer.Is(132, 50, kBack)) << mode;
        EXPECT_TRUE(layer.Is(110, 60, mode == 1 ? 5 : 3)) << mode;
    }
}

TEST_F(ChipDrawTest, IconsAreSixteenDotPicturesOfTheChip) {
    // A block icon steps 64 dots a column: the icon of chip 16 is the
    // picture at (64, 32), which the blocks know as chip 31.
    DDSURFACEDATA* blocks = layer.Sheet(3, 96, 480);
    DDFillRect(blocks, 32, 32, 32, 32, 6);
    DDFillRect(blocks, 64, 32, 32, 32, 3);
    DDSURFACEDATA* mini = layer.Sheet(kSysBmpItemMini, 64, 240);
    DDFillRect(mini, 32, 16, 16, 16, 7);  // small item 16
    DDSURFACEDATA* charas = layer.Sheet(22, 640, 480);
    DDFillRect(charas, 0, 0, 32, 32, 8);       // the first chip
    DDFillRect(charas, 96, 64, 32, 32, 9);     // frame 3 of row 2

    struct Case {
        int kind, chip, frame, colour;
    };
    const Case cases[] = {
        {0, 16, 0, 3},
        {2, 16, 5, 7},
        {1, 2, 3, 9},
        {1, 200, 3, 8},  // no such chara sheet: its first chip
    };
    for (const Case& c : cases) {
        DDFillSurface(&g_BackBufferSD, kBack);
        DrawChipIcon(&g_BackBufferSD, 200, 100, c.kind, c.chip, c.frame);
        EXPECT_TRUE(layer.Is(200, 100, c.colour)) << c.kind << " " << c.chip;
        EXPECT_TRUE(layer.Is(215, 115, c.colour)) << c.kind << " " << c.chip;
        EXPECT_TRUE(layer.Is(216, 100, kBack)) << c.kind << " " << c.chip;
        EXPECT_TRUE(layer.Is(200, 116, kBack)) << c.kind << " " << c.chip;
    }
    // An anime sheet that was never loaded draws nothing.
    DDFillSurface(&g_BackBufferSD, kBack);
    DrawChipIcon(&g_BackBufferSD, 200, 100, 4, 5, 0);
    EXPECT_TRUE(layer.Is(200, 100, kBack));
}

}  // namespace
