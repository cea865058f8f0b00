// Items: set-up from a definition, placement on a tile, growing in place,
// the two-frame anime.
#include "objects/item.h"

#include <gtest/gtest.h>

#include "gfx/system_bitmaps.h"
#include "objects/chip_src.h"
#include "objects/stage_fixture.h"
#include "support/headless_layer.h"

namespace {

class ItemTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        g_Stage.m_nItemBoxW = 20;
        g_Stage.m_nItemBoxH = 12;
    }
    // The bottom edge of the sprite in map dots.
    static double SpriteBottom(const cItem& item) { return item.m_dY - item.m_nOffsetY + item.m_nSpriteH; }

    cPltItem def;
    cItem item;
};

}  // namespace

TEST_F(ItemTest, InitCentresTheItemBoxInAFlyingCell) {
    def.m_sChip = 7;
    def.m_cGiant = 0;
    item.Init(12, def, 0);

    // Scale 0 means 1, in the caller's definition too.
    EXPECT_EQ(def.m_cGiant, 1);
    EXPECT_EQ(item.m_Def.m_cGiant, 1);
    EXPECT_EQ(item.m_nId, 12);
    EXPECT_EQ(item.m_nGraphic, 7);
    EXPECT_EQ(item.m_nKind, 0);
    EXPECT_EQ(item.m_nFaction, 0);
    EXPECT_EQ(item.m_nOffsetX, 6);
    EXPECT_EQ(item.m_nOffsetY, 10);
    EXPECT_EQ(item.m_nWidth, 20);
    EXPECT_EQ(item.m_nHeight, 12);
    EXPECT_EQ(item.m_nSpriteW, 32);
    EXPECT_EQ(item.m_nSpriteH, 32);
    EXPECT_EQ(item.m_bFly, 1);
    EXPECT_EQ(item.m_cFlyMode, 0);  // through blocks
    EXPECT_EQ(item.m_bRight, 0);
    EXPECT_EQ(item.m_bActive, 0);
    EXPECT_EQ(item.m_bCarried, 0);
}

TEST_F(ItemTest, ACarriedItemIsActiveAtOnceAndKeepsScaleOne) {
    def.m_cGiant = 3;
    cItem carried;
    carried.Init(1, def, 1);
    EXPECT_EQ(carried.m_bCarried, 1);
    EXPECT_EQ(carried.m_bActive, 1);
    EXPECT_EQ(carried.m_nSpriteW, 32);
    EXPECT_EQ(carried.m_nWidth, 20);
    EXPECT_EQ(carried.m_Def.m_cGiant, 3);  // applied once it is dropped

    item.Init(2, def, 0);
    EXPECT_EQ(item.m_bActive, 0);
    EXPECT_EQ(item.m_nSpriteW, 96);
    EXPECT_EQ(item.m_nSpriteH, 96);
    EXPECT_EQ(item.m_nWidth, 60);
    EXPECT_EQ(item.m_nOffsetY, 30);
}

TEST_F(ItemTest, PlacedOnATileTheSpriteStandsOnTheTilesBottom) {
    struct Case {
        int tx, ty, scale;
        double x, y;
    } cases[] = {
        {0, 0, 1, 326.5, 330},
        {3, 2, 1, 320 + 96 + 6.5, 320 + 64 + 10},
        // Twice the size: the body keeps its centre across and the sprite
        // its bottom.
        {0, 0, 2, 326.5 - 10, 330 - 22},
        // Past the map's left edge the body is held inside it.
        {-12, 0, 1, 0, 330},
    };
    for (const Case& c : cases) {
        def.m_cGiant = static_cast<int8_t>(c.scale);
        cItem placed;
        placed.Init(1, def, 0);
        placed.PlaceAtTile(c.tx, c.ty, 1);
        EXPECT_EQ(placed.m_dX, c.x) << c.tx << "," << c.ty << " x" << c.scale;
        EXPECT_EQ(placed.m_dY, c.y) << c.tx << "," << c.ty << " x" << c.scale;
        EXPECT_EQ(SpriteBottom(placed), (c.ty + 11) * 32) << c.tx << "," << c.ty << " x" << c.scale;
    }
}

TEST_F(ItemTest, AScaleChangeKeepsTheSpritesBottom) {
    item.Init(1, def, 0);
    item.PlaceAtTile(5, 5, 1);
    const double bottom = SpriteBottom(item);
    const double centre = item.m_dX + item.m_nWidth / 2.0;
    for (int scale : {3, 2, 1}) {
        item.SetScale(scale, item.m_nSpriteW / 32, 1);
        EXPECT_EQ(item.m_nSpriteH, 32 * scale);
        EXPECT_EQ(SpriteBottom(item), bottom) << scale;
        EXPECT_EQ(item.m_dX + item.m_nWidth / 2.0, centre) << scale;
    }
}

TEST_F(ItemTest, TheAnimeShowsEachFrameFifteenTicksInTurn) {
    item.Init(1, def, 0);
    EXPECT_EQ(item.m_Anime.GetFrame(), 0);
    for (int tick = 1; tick <= 75; ++tick) ASSERT_EQ(item.m_Anime.Advance(), tick / 15 % 2) << tick;
}

// ---------------------------------------------------------------------------
// Drawing

namespace {

using orvtest::BackBufferRaw;
using orvtest::ReadLayerRaw;

constexpr int kBackground = 3;
// Item cells: the 32-dot cell (i, j) of the item sheet shows colour
// 10 + i + 4j. Icons: the top-left 8 x 8 of icon cell (i, j) shows colour
// 40 + i + 4j, the rest is transparent.
int ItemColour(int x, int y) { return 10 + x / 32 + 4 * (y / 32); }
int IconColour(int x, int y) { return x % 32 < 8 && y % 32 < 8 ? 40 + x / 32 + 4 * (y / 32) : 0; }

// Parameter: 1 the texture device, 0 the blit display.
class ItemDrawTest : public ItemTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        ItemTest::SetUp();
        ASSERT_TRUE(orvtest::StartHeadlessLayer(GetParam()));
        orvtest::WriteLayerBmp("item.bmp", 128, 64, ItemColour);
        orvtest::WriteLayerBmp("mark.bmp", 64, 480, IconColour);
        MakeSheet(kSysBmpItem, "item.bmp");
        MakeSheet(kSysBmpMark, "mark.bmp");
        SelectChipSurfaces();
        scene.m_ScrollX.m_dPos = 640;
        scene.m_ScrollY.m_dPos = 400;
    }
    void TearDown() override {
        for (int row : {int{kSysBmpItem}, kSysBmpItem + 1, int{kSysBmpMark}, kSysBmpMark + 1}) {
            DDReleaseSurface(&g_SysBmp[row]);
            g_SysBmp[row] = DDSURFACEDATA{};
        }
        orvtest::StopHeadlessLayer();
        ItemTest::TearDown();
    }
    // A sheet and its system-memory twin, which the texture device draws
    // through the sheet's own texture.
    static void MakeSheet(int row, const char* file) {
        DDSURFACEDATA* twin = &g_SysBmp[row + 1];
        ASSERT_EQ(DDCreateSurfaceFromFile(&g_SysBmp[row], file, 1, 32, 0, 0, nullptr, 0, 0, 0, 0), 0);
        ASSERT_EQ(DDCreateSurfaceFromFile(twin, file, 1, 32, 1, 0, lpDTCon ? &g_SysBmp[row] : nullptr, 0, 0, 0, 0), 0);
        if (lpDTCon) twin->lpMirrorSrc = &g_SysBmp[row];
    }
    // Draws the item placed on tile (15, 5) onto a clear back buffer.
    void DrawOnce(cItem& it, int paused) {
        DDFillSurface(&g_BackBufferSD, kBackground);
        it.UpdateScreenRect();
        it.Draw(&g_BackBufferSD, paused);
    }
    uint32_t At(const cItem& it, int dx, int dy) {
        return ReadLayerRaw(&g_BackBufferSD, it.m_nScreenL + dx, it.m_nScreenT + dy);
    }
    cItem Placed(int scale, int icon) {
        def.m_sChip = 1;  // cell (0, 1), its second frame in cell (1, 1)
        def.m_cSheet = 2;
        def.m_cGiant = static_cast<int8_t>(scale);
        def.m_cIconMode = static_cast<int8_t>(icon);
        def.m_sIcon = 16;  // column 1, row 1 of the icon sheet
        cItem it;
        it.Init(1, def, 0);
        it.PlaceAtTile(15, 5, 1);
        return it;
    }
};

std::string Backend(const ::testing::TestParamInfo<int>& info) { return info.param ? "Texture" : "Blit"; }

}  // namespace

TEST_P(ItemDrawTest, TheChipShowsItsTwoFramesAndStandsStillWhilePaused) {
    const uint32_t first = BackBufferRaw(ItemColour(0, 32)), second = BackBufferRaw(ItemColour(32, 32));
    const uint32_t background = BackBufferRaw(kBackground);
    cItem it = Placed(1, 0);
    DrawOnce(it, 0);
    EXPECT_EQ(At(it, 0, 0), first);
    EXPECT_EQ(At(it, 31, 31), first);
    EXPECT_EQ(At(it, 32, 0), background);
    EXPECT_EQ(At(it, -1, 31), background);
    for (int tick = 2; tick <= 15; ++tick) DrawOnce(it, 0);
    EXPECT_EQ(At(it, 5, 5), second);
    for (int tick = 1; tick <= 20; ++tick) DrawOnce(it, 1);
    EXPECT_EQ(At(it, 5, 5), second);

    it.m_Def.m_cHidden = 1;
    DrawOnce(it, 0);
    EXPECT_EQ(At(it, 5, 5), background);
}

TEST_P(ItemDrawTest, IconFlagOneDrawsTheIconOverTheItemAndTwoDoesNot) {
    const uint32_t body = BackBufferRaw(ItemColour(0, 32)), icon = BackBufferRaw(IconColour(32, 32));
    for (int scale : {1, 2}) {
        for (int flag : {1, 2}) {
            cItem it = Placed(scale, flag);
            DrawOnce(it, 1);
            ASSERT_EQ(it.m_nSpriteW, 32 * scale);
            // The icon's 8 x 8 corner grows with the item; the rest of the
            // icon is transparent.
            EXPECT_EQ(At(it, 8 * scale - 1, 8 * scale - 1), flag == 1 ? icon : body) << scale << " " << flag;
            EXPECT_EQ(At(it, 8 * scale, 0), body) << scale << " " << flag;
            EXPECT_EQ(At(it, 32 * scale - 1, 32 * scale - 1), body) << scale << " " << flag;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, ItemDrawTest, ::testing::Values(1, 0), Backend);
