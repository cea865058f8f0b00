// Charas against the block map: the probe points of an edge, the landing
// cell, wall, floor and ceiling tests with their push-outs, the order of
// the tests, the count without ground, the screen edges that hold the
// hero while an axis scrolls by itself, the pull to the ground after a
// block effect, the place test of summons, and lookups that stay inside
// the grid whatever the play range.
#include <gtest/gtest.h>

#include <string>

#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "project/system_data.h"

namespace {

class MapCollisionTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        scene.m_ScrollX.m_dPos = 640;
        scene.m_ScrollY.m_dPos = 400;
    }

    static void Block(int col, int row, int kind = 1) {
        cMapCell& c = Cell(col, row);
        c.m_cHit = static_cast<int8_t>(kind);
        c.m_sChip = 1;
    }
    static void ClearBlocks() {
        for (cMapCell& c : g_Map) c.m_cHit = 0, c.m_sChip = 0, c.m_ucPassClass = 255;
    }
    static int Index(int col, int row) { return col + (row << 6); }
    static int KindAt(int cell) { return g_Map.At(cell).m_cHit; }
    static std::string Report() { return orvtest::ReadHostFile("Report_Game.txt"); }

    // A body w x h at giant scale `scale` (base sizes w and h divided by
    // it) with its top-left corner at (x, y).
    static void Shape(cChara& c, double x, double y, int w, int h, int scale = 1) {
        c.m_Def.m_cGiantScale = static_cast<int8_t>(scale);
        c.m_nWidth = w, c.m_nHeight = h;
        c.m_nBaseWidth = w / ValidScale(scale), c.m_nBaseHeight = h / ValidScale(scale);
        c.m_dX = x, c.m_dY = y;
        c.CheckBoundsX();
        c.CheckBoundsY();
    }
    // A computer-operated chara of movement type `type`, 32 x 32 at (x, y).
    cStageChara& MakeChara(int type, double x, double y) {
        cCharaDef d;
        d.m_cFlight = static_cast<int8_t>(type);
        d.m_nCarryItem = -1;
        chara.Init(1, d, nullptr, x, y, 0, 0);
        Shape(chara, x, y, 32, 32);
        chara.m_bAirborne = 0;
        return chara;
    }
    cHero& MakeHero(int type, double x, double y) { return PlaceHero(hero, type, x, y); }

    cStageChara chara;
    cHero hero;
};

// --- Cell queries ---------------------------------------------------------

TEST_F(MapCollisionTest, EdgeProbesOnePointPerScaleStepAlongTheEdge) {
    // From dot 816 every 31 dots: 816 (tile 25), 847 (26), 878 (27), 909
    // (28). A negative scale probes nothing, scale 0 one point.
    struct Case {
        int scale;
        int tilesSeen;
    };
    const Case cases[] = {{-1, 0}, {0, 1}, {1, 2}, {2, 3}, {3, 4}};
    MakeChara(0, 800, 800);
    for (const Case& c : cases) {
        for (int k = 0; k < 5; ++k) {
            SCOPED_TRACE(testing::Message() << "scale " << c.scale << " tile " << 25 + k);
            Shape(chara, 800, 800, 32 * ValidScale(c.scale), 32 * ValidScale(c.scale), c.scale);
            const int expected = k < c.tilesSeen ? 1 : 0;
            ClearBlocks();
            Block(30, 25 + k);
            // Down a column: y2 plays no part.
            EXPECT_EQ(KindAt(scene.RectToMapIndex(chara, 970, 816, 970, 817)), expected);
            ClearBlocks();
            Block(25 + k, 30);
            EXPECT_EQ(KindAt(scene.RectToMapIndex(chara, 816, 970, 1200, 970)), expected);
        }
    }
    // Neither a column nor a row: the margin cell.
    Block(25, 25);
    EXPECT_EQ(scene.RectToMapIndex(chara, 816, 816, 900, 900), 0);
}

TEST_F(MapCollisionTest, EdgeProbeKeepsTheHighestKindAndARowPrefersItsMiddle) {
    MakeChara(0, 800, 800);
    Shape(chara, 816, 816, 64, 64, 2);  // probes at +0, +31, +62
    for (int k = 0; k < 3; ++k) Block(30, 25 + k), Block(25 + k, 30);
    // Equal kinds: the first probe of a column, the middle one of a row.
    EXPECT_EQ(scene.RectToMapIndex(chara, 970, 816, 970, 879), Index(30, 25));
    EXPECT_EQ(scene.RectToMapIndex(chara, 816, 970, 879, 970), Index(26, 30));
    // A deadly cell wins wherever it lies.
    Block(30, 27, 2), Block(27, 30, 2);
    EXPECT_EQ(scene.RectToMapIndex(chara, 970, 816, 970, 879), Index(30, 27));
    EXPECT_EQ(scene.RectToMapIndex(chara, 816, 970, 879, 970), Index(27, 30));
}

TEST_F(MapCollisionTest, LandingCellProbesThreeOrFivePointsByScale) {
    // 128 dots wide from tile 25: five probes (step 32) see tile 26, three
    // (step 64: 800, 864, 927) pass over it. A scale below 1 counts as 1
    // instead of dividing by zero.
    struct Case {
        int scale;
        bool seesTile26;
    };
    const Case cases[] = {{-1, false}, {0, false}, {1, false}, {2, false}, {3, true}, {4, true}};
    MakeChara(0, 800, 900);
    Block(26, 30);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        Shape(chara, 800, 944, 128, 32, c.scale);
        EXPECT_EQ(scene.FindLandingCell(chara) == Index(26, 30), c.seesTile26);
    }
    // Three cells under a body of three tiles: the middle one of equals, a
    // deadly one before solid ones.
    ClearBlocks();
    Shape(chara, 800, 944, 96, 32);
    Block(25, 30), Block(26, 30), Block(27, 30);
    EXPECT_EQ(scene.FindLandingCell(chara), Index(26, 30));
    Block(26, 30, 0), Block(27, 30, 2);
    EXPECT_EQ(scene.FindLandingCell(chara), Index(27, 30));
}

// --- Walls ----------------------------------------------------------------

TEST_F(MapCollisionTest, WallsPushTheCharaToTheTileLine) {
    // Walls in tile column 11 (352..383). A 32-dot chara in rows 20 and 21
    // (650..681) meets a wall in either row.
    struct Case {
        bool left;
        int wallRow;
        double x;
        double after;  // X; the same X when not stopped
    };
    const Case cases[] = {
        {true, 20, 352, 384},     // on the line: a whole tile
        {true, 20, 353, 384},     // +31
        {true, 21, 383.5, 384.5}, // +1
        {true, 22, 353, 353},     // the wall is below it
        {false, 20, 352.5, 320.5},  // right 383.5: -32
        {false, 21, 321, 320},      // right 352: -1
        {false, 19, 321, 321},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << " " << c.wallRow << " " << c.x);
        ClearBlocks();
        Block(11, c.wallRow);
        MakeChara(0, c.x, 650);
        chara.m_dInertiaX = 2;
        chara.m_nWallSide = -1;
        const int r = c.left ? scene.HitMapLeft(chara) : scene.HitMapRight(chara);
        EXPECT_EQ(r, 0);
        EXPECT_EQ(chara.m_dX, c.after);
        EXPECT_EQ(chara.m_dRight, c.after + 31);
        const bool stopped = c.after != c.x;
        EXPECT_EQ(chara.m_bHitLeft, stopped && c.left);
        EXPECT_EQ(chara.m_bHitRight, stopped && !c.left);
        EXPECT_EQ(chara.m_nWallSide, stopped ? (c.left ? 0 : 1) : -1);
        EXPECT_EQ(chara.m_dInertiaX, stopped ? 0 : 2);
    }
}

TEST_F(MapCollisionTest, HorizontalOrderFollowsTheSpeedUnlessBlockedFlying) {
    // Walls on both sides of a chara at 816..847 (tiles 25 and 26): the
    // test that runs last decides where it ends up.
    enum Fn { kX, kWalls };
    struct Case {
        const char* what;
        Fn fn;
        int type;
        double speedX;
        int result;
        double x;
        int side;
    };
    const Case cases[] = {
        {"moving right: right, then left", kX, 0, 1, 0, 832, 0},
        {"still: left, then right", kX, 0, 0, 0, 800, 1},
        {"moving left: left, then right", kX, 0, -1, 0, 800, 1},
        {"stopped by blocks: always right first", kX, 2, -1, 0, 832, 0},
        {"dies on blocks", kX, 3, 1, 2, 816, -1},
        {"walls: right, then left", kWalls, 0, -1, 0, 832, 0},
        {"walls of a chara that dies on blocks", kWalls, 3, -1, 2, 816, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearBlocks();
        Block(25, 20), Block(26, 20);
        MakeChara(c.type, 816, 650);
        chara.m_dSpeedX = c.speedX;
        chara.m_nWallSide = -1;
        EXPECT_EQ(c.fn == kX ? scene.HitMapX(chara) : scene.HitMapWalls(chara), c.result);
        EXPECT_EQ(chara.m_dX, c.x);
        EXPECT_EQ(chara.m_nWallSide, c.side);
    }
}

TEST_F(MapCollisionTest, DeadlyBlocksKillPlayerCharasAndStopTheOthers) {
    enum Who { kTheHero, kComputer, kPlayerOperated };
    enum Edge { kLeft, kCeiling, kFloor };
    struct Case {
        const char* what;
        Who who;
        int type;
        int kind;
        bool passes;  // the block lets the chara's faction through
        Edge edge;
        int result;
        bool stopped;
    };
    const Case cases[] = {
        {"hero, deadly wall", kTheHero, 0, 2, false, kLeft, 2, false},
        {"chara, deadly wall", kComputer, 0, 2, false, kLeft, 0, true},
        {"player-operated chara, deadly wall", kPlayerOperated, 0, 2, false, kLeft, 2, false},
        {"hero, solid wall", kTheHero, 0, 1, false, kLeft, 0, true},
        {"hero, passing faction", kTheHero, 0, 2, true, kLeft, 0, false},
        {"chara dying on blocks, solid wall", kComputer, 3, 1, false, kLeft, 2, false},
        {"hero, deadly ceiling", kTheHero, 0, 2, false, kCeiling, 2, false},
        {"chara, deadly ceiling", kComputer, 0, 2, false, kCeiling, 0, true},
        {"chara dying on blocks, solid ceiling", kComputer, 3, 1, false, kCeiling, 2, false},
        {"chara dying on blocks, solid floor", kComputer, 3, 1, false, kFloor, 2, false},
        {"chara dying on blocks, deadly floor", kComputer, 3, 2, false, kFloor, 2, false},
        {"passing chara, solid floor", kComputer, 0, 1, true, kFloor, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearBlocks();
        // The chara at 816..847 x 816..847 (tiles 25 and 26 both ways).
        const int col = c.edge == kLeft ? 25 : 26, row = c.edge == kLeft ? 26 : (c.edge == kCeiling ? 25 : 26);
        Block(col, row, c.kind);
        cChara& ch = c.who == kTheHero ? static_cast<cChara&>(MakeHero(c.type, 816, 816))
                                       : static_cast<cChara&>(MakeChara(c.type, 816, 816));
        Shape(ch, 816, 816, 32, 32);
        if (c.who == kPlayerOperated) ch.m_nKind = 0;
        if (c.passes) Cell(col, row).m_ucPassClass = static_cast<uint8_t>(ch.m_nFaction);
        ch.m_dSpeedY = 1;
        int r = 0;
        switch (c.edge) {
        case kLeft: r = scene.HitMapLeft(ch); break;
        case kCeiling: r = scene.HitMapCeiling(ch); break;
        case kFloor: r = scene.HitMapFloor(ch); break;
        }
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(ch.m_bHitLeft || ch.m_bHitAbove || ch.m_bHitBelow, c.stopped);
        EXPECT_EQ(ch.m_dX == 816 && ch.m_dY == 816, !c.stopped);
    }
}

// --- Floor and ceiling ----------------------------------------------------

TEST_F(MapCollisionTest, LandingPutsTheBottomJustAboveTheTileLine) {
    // Floor in row 30 (960..991) under tiles 25 and 26.
    Block(25, 30), Block(26, 30);
    for (double y : {929.0, 930.5, 950.25, 958.0}) {
        for (int isHero : {0, 1}) {
            SCOPED_TRACE(testing::Message() << y << (isHero ? " hero" : " chara"));
            cChara& ch =
                isHero ? static_cast<cChara&>(MakeHero(0, 816, y)) : static_cast<cChara&>(MakeChara(0, 816, y));
            Shape(ch, 816, y, 32, 32);
            ch.m_dSpeedY = 3, ch.m_dInertiaY = 1, ch.m_nAirSteps = 5, ch.m_bAirborne = 1;
            EXPECT_EQ(scene.HitMapY(ch), 0);
            EXPECT_EQ(TruncDot(ch.m_dBottom) & 31, 31);
            EXPECT_EQ(TruncDot(ch.m_dBottom) >> 5, 29);
            EXPECT_EQ(ch.m_dY - TruncDot(ch.m_dY), y - TruncDot(y));  // the fraction stays
            EXPECT_EQ(ch.m_bHitBelow, 1);
            EXPECT_EQ(ch.m_dSpeedY, 0);
            EXPECT_EQ(ch.m_dInertiaY, 0);
            EXPECT_EQ(ch.m_nAirSteps, 0);
            EXPECT_EQ(ch.m_bAirborne, 0);
            // The hero stands on the cell nearest its middle (832: tile 26).
            EXPECT_EQ(ch.m_pFootBlock, &Cell(isHero ? 26 : 25, 30));
            EXPECT_EQ(ch.m_pLastFootBlock, ch.m_pFootBlock);
        }
    }
}

TEST_F(MapCollisionTest, DeadlyCellAmongSolidOnesUnderTheFeet) {
    // Solid, deadly, solid under tiles 25, 26, 27.
    Block(25, 30), Block(26, 30, 2), Block(27, 30);
    // A giant of scale 2 probes the floor at three points and meets the
    // deadly cell: the hero dies there, another chara lands on it.
    MakeHero(0, 816, 900);
    Shape(hero, 816, 900, 64, 64, 2);
    hero.m_dSpeedY = 1;
    EXPECT_EQ(scene.HitMapFloor(hero), 2);
    EXPECT_EQ(hero.m_pLastFootBlock, &Cell(26, 30));
    EXPECT_EQ(hero.m_bHitBelow, 0);
    MakeChara(0, 816, 900);
    Shape(chara, 816, 900, 64, 64, 2);
    chara.m_dSpeedY = 1;
    EXPECT_EQ(scene.HitMapFloor(chara), 0);
    EXPECT_EQ(chara.m_bHitBelow, 1);
    EXPECT_EQ(chara.m_pFootBlock, &Cell(26, 30));
    // A hero three tiles wide at normal size sees solid cells at its ends
    // and lands; its landing cell is the deadly one, left to the ground
    // rules of the play step.
    MakeHero(0, 800, 900);
    Shape(hero, 800, 900, 96, 64);
    hero.m_dSpeedY = 1;
    EXPECT_EQ(scene.HitMapFloor(hero), 0);
    EXPECT_EQ(hero.m_bHitBelow, 1);
    EXPECT_EQ(hero.m_pFootBlock, &Cell(26, 30));
    EXPECT_EQ(hero.m_pLastFootBlock, &Cell(26, 30));
    // After a push the floor-and-ceiling test takes the landing cell first.
    MakeHero(0, 800, 900);
    Shape(hero, 800, 900, 96, 64);
    Block(25, 30, 2);
    hero.m_dSpeedY = 1;
    EXPECT_EQ(scene.HitMapFloorCeiling(hero), 2);
    EXPECT_EQ(hero.m_pFootBlock, &Cell(26, 30));
}

TEST_F(MapCollisionTest, LandWhileRisingDecidesWhetherARisingWalkerLands) {
    // Floor in row 30, ceiling in row 28; the chara (910..973) touches both.
    enum Fn { kFloor, kFloorCeiling, kY };
    struct Case {
        Fn fn;
        int option;
        int type;
        double speedY;
        bool landed;
        bool headHit;
    };
    const Case cases[] = {
        {kFloor, 0, 0, -1, false, false},
        {kFloor, 1, 0, -1, true, false},
        {kFloor, 0, 0, 1, true, false},
        {kFloor, 0, 2, -1, true, false},  // a flyer always lands
        {kFloorCeiling, 0, 0, -1, false, false},  // the ceiling is not tested either
        {kFloorCeiling, 1, 0, -1, true, true},
        {kFloorCeiling, 0, 2, -1, true, true},
        {kY, 0, 0, -1, true, true},  // rising: the ceiling stops it first, then it lands
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fn << " option " << c.option << " type " << c.type << " " << c.speedY);
        g_SystemData.Set(kSysSwitch677, c.option);
        ClearBlocks();
        Block(25, 30), Block(25, 28);
        MakeChara(c.type, 816, 910);
        Shape(chara, 816, 910, 32, 64);
        chara.m_dSpeedY = c.speedY;
        const int r = c.fn == kFloor ? scene.HitMapFloor(chara)
                      : c.fn == kFloorCeiling ? scene.HitMapFloorCeiling(chara)
                                              : scene.HitMapY(chara);
        EXPECT_EQ(r, 0);
        EXPECT_EQ(chara.m_bHitBelow, c.landed);
        EXPECT_EQ(chara.m_bHitAbove, c.headHit);
    }
}

TEST_F(MapCollisionTest, EightFramesWithoutGroundMakeTheCharaAirborne) {
    enum Who { kComputer, kTheHero, kRidingHero };
    for (int level : {1, 10}) {
        g_Stage.SetHitLevel(level);
        const int steps = 8 * level;
        for (Who who : {kComputer, kTheHero, kRidingHero}) {
            SCOPED_TRACE(testing::Message() << "level " << level << " who " << who);
            cChara& ch = who == kComputer ? static_cast<cChara&>(MakeChara(0, 816, 900))
                                          : static_cast<cChara&>(MakeHero(0, 816, 900));
            ch.m_bRiding = who == kRidingHero;
            ch.m_nAirSteps = 0, ch.m_bAirborne = 0, ch.m_bJumped = 0;
            ch.m_pFootBlock = &Cell(0, 0);
            for (int i = 1; i < steps; ++i) scene.HitMapFloor(ch);
            EXPECT_EQ(ch.m_bAirborne, 0);
            EXPECT_EQ(ch.m_pFootBlock, nullptr);
            scene.HitMapFloor(ch);
            EXPECT_EQ(ch.m_nAirSteps, steps);
            EXPECT_EQ(ch.m_bAirborne, who != kRidingHero);
            EXPECT_EQ(ch.m_bJumped, who == kTheHero);
            // After a push no ground is no news: the count stays.
            scene.HitMapFloorCeiling(ch);
            EXPECT_EQ(ch.m_nAirSteps, steps);
        }
    }
}

// --- Flying through blocks ------------------------------------------------

TEST_F(MapCollisionTest, CharaFlyingThroughBlocksNeverMeetsTheMap) {
    for (int col = 24; col <= 27; ++col)
        for (int row = 24; row <= 27; ++row) Block(col, row, (col + row) % 2 + 1);
    MakeChara(1, 816, 816);
    cPltBlock* foot = &Cell(1, 1);
    chara.m_pFootBlock = foot;
    chara.m_dSpeedX = 1, chara.m_dSpeedY = 1;
    int (cGameScene::*tests[])(cChara&) = {
        &cGameScene::HitMapLeft, &cGameScene::HitMapRight, &cGameScene::HitMapFloor, &cGameScene::HitMapCeiling,
        &cGameScene::HitMapX,    &cGameScene::HitMapY,     &cGameScene::HitMapWalls, &cGameScene::HitMapFloorCeiling,
        &cGameScene::IsPlaceBlocked};
    for (auto test : tests) EXPECT_EQ((scene.*test)(chara), 0);
    EXPECT_EQ(chara.m_dX, 816);
    EXPECT_EQ(chara.m_dY, 816);
    EXPECT_EQ(chara.m_bHitLeft + chara.m_bHitRight + chara.m_bHitAbove + chara.m_bHitBelow, 0);
    EXPECT_EQ(chara.m_pFootBlock, foot);
    // Every other movement type finds the place blocked.
    for (int type : {0, 2, 3}) {
        MakeChara(type, 816, 816);
        EXPECT_EQ(scene.IsPlaceBlocked(chara), 1) << type;
    }
}

TEST_F(MapCollisionTest, PlaceTestLooksAtTheFourCornersWhereTheCharaIsNow) {
    MakeChara(0, 816, 816);  // corners in tiles 25 and 26
    Block(26, 26);
    EXPECT_EQ(scene.CornerToMapIndex(25, 25, 26, 26, chara.m_nFaction), Index(26, 26));
    EXPECT_EQ(scene.IsPlaceBlocked(chara), 1);
    // Moved by hand a dot away, as the summon nudges do: free.
    chara.m_dX -= 16, chara.m_dRight -= 16;
    EXPECT_EQ(scene.IsPlaceBlocked(chara), 0);
    // Of equal kinds the first corner in the order TL, TR, BL, BR.
    Block(25, 26), Block(26, 25, 2);
    EXPECT_EQ(scene.CornerToMapIndex(25, 25, 26, 26, chara.m_nFaction), Index(26, 25));
    Block(26, 25, 1);
    EXPECT_EQ(scene.CornerToMapIndex(25, 25, 26, 26, chara.m_nFaction), Index(26, 25));
    // A faction that passes the blocks is free.
    for (int col : {25, 26})
        for (int row : {25, 26}) Cell(col, row).m_ucPassClass = static_cast<uint8_t>(chara.m_nFaction);
    chara.m_dX += 16, chara.m_dRight += 16;
    EXPECT_EQ(scene.IsPlaceBlocked(chara), 0);
}

// --- Screen edges ---------------------------------------------------------

TEST_F(MapCollisionTest, ScreenBottomKillsAWalkingHeroOnlyOnAnAutoScrollingAxis) {
    struct Case {
        bool autoY;
        int type;
        double y;
        int result;
        bool pushed;
    };
    // The view shows rows 400..879; a hero whose sprite reaches the bottom
    // is pushed back (sprite 32 high around the body).
    const Case cases[] = {
        {true, 0, 870, 2, true},   // walking, auto: pushed and dead
        {false, 0, 870, 0, false}, // walking, still axis: the rule is off
        {true, 2, 870, 0, true},   // flying: only pushed
        {false, 2, 870, 0, true},  // flying keeps the hero in view anyway
        {true, 0, 700, 0, false},  // well inside
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.autoY << " type " << c.type << " y " << c.y);
        cScrollAxis& ay = scene.m_ScrollY;
        ay.m_bAuto = c.autoY, ay.m_dAutoSpeed = c.autoY ? 0.1 : 0, ay.m_bAtLimit = 0;
        ay.m_dPos = 400;
        MakeHero(c.type, 816, 700);
        ay.m_dPos = 400;
        hero.m_dY = c.y, hero.m_dBottom = c.y + hero.m_nHeight - 1;
        EXPECT_EQ(scene.KeepHeroInScreenY(hero), c.result);
        EXPECT_EQ(hero.m_bHitBelow, c.pushed);
        if (c.pushed) {
            EXPECT_EQ(hero.m_dY, 400 + 480 - hero.m_nHeight - 1);
            EXPECT_EQ(hero.m_dBottom, hero.m_dY + hero.m_nHeight - 1);
        } else {
            EXPECT_EQ(hero.m_dY, c.y);
        }
    }
    // The top edge pushes down and never kills.
    scene.m_ScrollY.m_bAuto = 1, scene.m_ScrollY.m_dAutoSpeed = 0.1;
    MakeHero(0, 816, 700);
    scene.m_ScrollY.m_dPos = 700;
    hero.m_dY = 690;
    EXPECT_EQ(scene.KeepHeroInScreenY(hero), 0);
    EXPECT_EQ(hero.m_bHitAbove, 1);
    EXPECT_EQ(hero.m_dY, 700);
}

TEST_F(MapCollisionTest, ScreenSidesHoldTheHeroOnAnAutoScrollingAxis) {
    scene.m_ScrollX.m_bAuto = 1, scene.m_ScrollX.m_dAutoSpeed = 0.1;
    MakeHero(0, 900, 700);
    scene.m_ScrollX.m_dPos = 640;
    hero.m_dX = 640 + 630;
    scene.KeepHeroInScreenX(hero);
    EXPECT_EQ(hero.m_bHitRight, 1);
    EXPECT_EQ(hero.m_dX, 640 + 640 - hero.m_nWidth - 1);
    EXPECT_EQ(hero.m_dRight, hero.m_dX + hero.m_nWidth - 1);
    MakeHero(0, 900, 700);
    scene.m_ScrollX.m_dPos = 800;
    hero.m_dX = 790;
    scene.KeepHeroInScreenX(hero);
    EXPECT_EQ(hero.m_bHitLeft, 1);
    EXPECT_EQ(hero.m_dX, 800);
    // A walking hero on a still axis is the view's to follow.
    scene.m_ScrollX.m_bAuto = 0, scene.m_ScrollX.m_dAutoSpeed = 0;
    MakeHero(0, 900, 700);
    scene.m_ScrollX.m_dPos = 800;
    hero.m_dX = 790;
    scene.KeepHeroInScreenX(hero);
    EXPECT_EQ(hero.m_bHitLeft, 0);
    EXPECT_EQ(hero.m_dX, 790);
}

// --- Ground contact after a block effect ----------------------------------

TEST_F(MapCollisionTest, PressToGroundPullsAStandingCharaDown) {
    // 10 sub-steps a frame: 1 / n = 0.1, 7 / n = 0.7. Ground 4 dots below
    // the feet (row 30) under tile 27 only; the chara stands on 800..831.
    struct Case {
        int legacy;
        double speedY, speedX;
        int riding, airborne;
        double after;
    };
    const Case cases[] = {
        {0, 0, 64, 0, 0, 0.7},    // the probe moves with the speed: tiles 27 and 28
        {0, 0.1, 64, 0, 0, 0.7},
        {0, 0, 0, 0, 0, 0},       // nothing under tiles 25 and 26
        {0, 0.11, 64, 0, 0, 0.11},
        {0, -0.1, 64, 0, 0, -0.1},
        {0, 0, 64, 1, 0, 0},
        {0, 0, 64, 0, 1, 0},
        {1, 0, 0, 1, 1, 1},       // legacy: any speed not upwards grows by 1
        {1, 2.5, 0, 0, 0, 3.5},
        {1, -0.5, 64, 0, 0, -0.5},
    };
    Block(27, 30);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.legacy << " " << c.speedY << " " << c.speedX << " " << c.riding << " "
                                        << c.airborne);
        g_SystemData.Set(kSysSwitch793, c.legacy);
        MakeChara(0, 800, 928);  // bottom 959
        chara.m_dSpeedY = c.speedY, chara.m_dSpeedX = c.speedX;
        chara.m_bRiding = c.riding, chara.m_bAirborne = c.airborne;
        scene.PressToGround(chara);
        EXPECT_EQ(chara.m_dSpeedY, c.after);
    }
}

// --- Lookups inside the grid ----------------------------------------------

TEST_F(MapCollisionTest, PlayRangeBeyondTheGridNeverLeavesIt) {
    // Ranges far larger than the 60 x 50 grid of 64-cell rows. Dot 5000 is
    // tile 156: without the grid's own bound it would read tile 28 two rows
    // further down; row 281 would lie past the cells.
    scene.m_ScrollX.m_nRange = 100000;
    scene.m_ScrollY.m_nRange = 100000;
    Block(28, 12);
    MakeChara(0, 800, 800);
    EXPECT_EQ(scene.RectToMapIndex(chara, 5000, 336, 5000, 367), Index(59, 10));
    EXPECT_EQ(scene.RectToMapIndex(chara, 800, 9000, 900, 9000), Index(25, 49));
    EXPECT_EQ(scene.CornerToMapIndex(156, 10, 156, 281, chara.m_nFaction), Index(59, 10));
    EXPECT_EQ(scene.CornerToMapIndex(-5, -5, -1, -1, chara.m_nFaction), 0);
    chara.m_dX = 5000, chara.m_dRight = 5031, chara.m_dY = 330, chara.m_dBottom = 361;
    EXPECT_EQ(scene.HitMapLeft(chara), 0);
    EXPECT_EQ(chara.m_dX, 5000);
    EXPECT_EQ(scene.FindLandingCell(chara), Index(59, 11));
    EXPECT_EQ(scene.IsPlaceBlocked(chara), 0);
    // The last column and row of the grid are what such a chara meets.
    Block(59, 10), Block(25, 49);
    EXPECT_EQ(scene.HitMapLeft(chara), 0);
    EXPECT_EQ(chara.m_bHitLeft, 1);
    EXPECT_EQ(scene.IsPlaceBlocked(chara), 1);
    EXPECT_EQ(KindAt(scene.RectToMapIndex(chara, 800, 9000, 900, 9000)), 1);
    EXPECT_EQ(Report().find("err V"), std::string::npos);
}

}  // namespace
