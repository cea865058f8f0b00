// Items: set-up from a definition, placement on a tile, growing in place,
// the two-frame anime.
#include "objects/item.h"

#include <gtest/gtest.h>

#include "objects/stage_fixture.h"

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
