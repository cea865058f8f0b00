// Game objects moving by sub-steps: the clamps and their codes, steps under
// the speed limit of each hit level, gravity, friction, impact speeds, the
// range tests, the block test, giant scale and the screen rectangle.
#include "objects/game_obj.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "objects/stage_fixture.h"
#include "project/system_data.h"

namespace {

class PhysicsTest : public objtest::StageTest {
protected:
    // A 16 x 16 walking object with its top-left corner at (x, y).
    cGameObj Obj(double x, double y, int w = 16, int h = 16) {
        cGameObj o;
        o.InitBase(1, 1, 0, 0, 0, nullptr, 0, 0, 0, w, h, w, h, 0, kMoveWalk, 0);
        o.m_dX = x, o.m_dY = y;
        o.ClampPosX(-1), o.ClampPosY(-1);  // extent and tiles, nothing moved
        return o;
    }
};

TEST_F(PhysicsTest, ClampXHoldsTheObjectAndReportsWhereItWas) {
    struct Case {
        int mode;
        double x;
        int w;
        double wantX;
        int code;
    };
    const Case cases[] = {
        // Into the scroll limits 640..1279: never a code.
        {0, 600, 16, 640, 0}, {0, 1270, 16, 1264, 0}, {0, 700.5, 16, 700.5, 0},
        // Into the stage 320..1599; code 1 outside the scroll limits.
        {1, 300, 16, 320, 0}, {1, 1590, 16, 1584, 0}, {1, 630, 16, 630, 1}, {1, 1270, 16, 1270, 1},
        {1, 700, 16, 700, 0},
        // Into the map 0..1919; 2 in the margin, 1 outside the scroll limits.
        {2, -5, 16, 0, 3}, {2, 1910, 16, 1904, 3}, {2, 300, 16, 300, 2}, {2, 1590, 16, 1590, 2},
        {2, 630, 16, 630, 1}, {2, 1264, 16, 1264, 0}, {2, 1265, 16, 1265, 1}, {2, -10, 320, 0, 3},
        // Any other mode: nothing.
        {7, -50, 16, -50, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " x " << c.x << " w " << c.w);
        cGameObj o = Obj(c.x, 700, c.w);
        EXPECT_EQ(o.ClampPosX(c.mode), c.code);
        EXPECT_EQ(o.m_dX, c.wantX);
        EXPECT_EQ(o.m_dRight, c.wantX + c.w - 1);
        EXPECT_EQ(o.m_nTileL, static_cast<int>(c.wantX) >> 5);
        EXPECT_EQ(o.m_nTileR, static_cast<int>(c.wantX + c.w - 1) >> 5);
    }
}

TEST_F(PhysicsTest, ClampYHoldsTheObjectAndReportsWhereItWas) {
    struct Case {
        int mode;
        double y;
        int h;
        double wantY;
        int code;
    };
    const Case cases[] = {
        // Scroll limits 400..1199.
        {0, 390, 16, 400, 0}, {0, 1190, 16, 1184, 0},
        // Stage 320..1279; 1 above, 4 below the scroll limits.
        {1, 300, 16, 320, 0}, {1, 1270, 16, 1264, 0}, {1, 390, 16, 390, 1}, {1, 1190, 16, 1190, 4},
        // Map 0..1599.
        {2, -3, 16, 0, 3}, {2, 1590, 16, 1584, 6}, {2, 300, 16, 300, 2}, {2, 1270, 16, 1270, 5},
        {2, 390, 16, 390, 1}, {2, 1190, 16, 1190, 4}, {2, 700, 16, 700, 0},
        // As tall as the margin: left standing out of the map, code 0.
        {2, -40, 320, -40, 0}, {2, 1400, 320, 1400, 0}, {2, -40, 319, 0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " y " << c.y << " h " << c.h);
        cGameObj o = Obj(700, c.y, 16, c.h);
        EXPECT_EQ(o.ClampPosY(c.mode), c.code);
        EXPECT_EQ(o.m_dY, c.wantY);
        EXPECT_EQ(o.m_dBottom, c.wantY + c.h - 1);
        EXPECT_EQ(o.m_nTileT, static_cast<int>(c.wantY) >> 5);
    }
}

TEST_F(PhysicsTest, AStepStoresTheSpeedCutToTheLimitOfTheHitLevel) {
    struct Case {
        int level;
        double speed;
        double wantSpeed;
    };
    const Case cases[] = {
        {10, 100, 6}, {10, -100, -6}, {10, 5.5, 5.5}, {11, 100, 60}, {11, -59, -59},
        {19, 100, 60.0 / 9}, {19, -100, -60.0 / 9}, {20, 100, 6}, {1, 7, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " speed " << c.speed);
        g_Stage.SetHitLevel(c.level);
        cGameObj o = Obj(800, 700);
        o.m_dSpeedX = c.speed;
        o.m_dSpeedY = c.speed;
        EXPECT_EQ(o.StepX(2), 0);
        EXPECT_EQ(o.StepY(2), 0);
        EXPECT_EQ(o.m_dSpeedX, c.wantSpeed);
        EXPECT_EQ(o.m_dX, 800 + c.wantSpeed);
        EXPECT_EQ(o.m_dSpeedY, c.wantSpeed);
        EXPECT_EQ(o.m_dY, 700 + c.wantSpeed);
    }
    // A step past the edge of the map ends there.
    g_Stage.SetHitLevel(11);
    cGameObj o = Obj(1900, 1580);
    o.m_dSpeedX = o.m_dSpeedY = 30;
    EXPECT_EQ(o.StepX(2), 3);
    EXPECT_EQ(o.StepY(2), 6);
    EXPECT_EQ(o.m_dX, 1904);
    EXPECT_EQ(o.m_dY, 1584);
}

TEST_F(PhysicsTest, GravityPullsWalkersByTheStepOfTheLevel) {
    // Gravity 0.4 a frame squared over n x n sub-steps.
    for (auto [level, step] : {std::pair{10, 0.4 / 100}, {11, 0.4}, {13, 0.4 / 9}}) {
        SCOPED_TRACE(level);
        g_Stage.SetHitLevel(level);
        cGameObj walker = Obj(800, 700);
        walker.m_dSpeedY = 1.5;
        walker.AddGravity();
        EXPECT_EQ(walker.m_dSpeedY, 1.5 + step);
        cGameObj flyer = Obj(800, 700);
        flyer.SetMoveType(kMoveFlyBlocked);
        flyer.AddGravity();
        EXPECT_EQ(flyer.m_dSpeedY, 0);
    }
}

TEST_F(PhysicsTest, FrictionBringsAnInertialSpeedToZeroWithoutPassingIt) {
    struct Case {
        double v, friction;
        int enabled;
        double want;
    };
    const Case cases[] = {
        {0.3, 0.5, 1, 0},      {-0.3, 0.5, 1, 0},     {1.0, 0.25, 1, 0.75}, {-1.0, 0.25, 1, -0.75},
        {0.5, 0.5, 1, 0},      {0.0, 0.5, 1, 0},      {1.0, 0.25, 0, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.v << " by " << c.friction);
        cGameObj o;
        o.m_dFriction = c.friction;
        double v = c.v;
        o.ApplyFriction(v, c.enabled);
        EXPECT_EQ(v, c.want);
    }
}

TEST_F(PhysicsTest, AnImpactStartsWithTheSpeedThatCoversItsReach) {
    cGameObj o;
    // One sub-step a frame: v solves v x v + v = 32 |p| for each share p.
    g_Stage.SetHitLevel(11);
    double vx = 99, vy = 99;
    o.CalcImpactSpeed(vx, vy, 4, 7, -9);  // shares 1.75 and -2.25
    EXPECT_EQ(vx, 7);
    EXPECT_EQ(vy, -8);
    o.CalcImpactSpeed(vx, vy, -4, 0, 2);  // all downwards, reversed
    EXPECT_EQ(vx, 0);
    EXPECT_EQ(vy, -(std::sqrt(1 + 128.0 * 4) - 1) / 2);

    // Ten sub-steps: n v^2 + v = 32 |p|.
    g_Stage.SetHitLevel(10);
    o.CalcImpactSpeed(vx, vy, 12, -1, 3);
    EXPECT_NEAR(10 * vx * vx - vx, 32 * 3.0, 1e-9);
    EXPECT_LT(vx, 0);
    EXPECT_NEAR(10 * vy * vy + vy, 32 * 9.0, 1e-9);

    // No direction: both 0. No power: nothing is written.
    o.CalcImpactSpeed(vx, vy, 5, 0, 0);
    EXPECT_EQ(vx, 0);
    EXPECT_EQ(vy, 0);
    vx = vy = 3;
    o.CalcImpactSpeed(vx, vy, 0, 1, 1);
    EXPECT_EQ(vx, 3);
    EXPECT_EQ(vy, 3);

    // The extra value is cleared, unless the project predates that.
    double extra = 2.5;
    o.CalcImpactSpeed(vx, vy, 1, 1, 0, &extra);
    EXPECT_EQ(extra, 0);
    extra = 2.5;
    g_SystemData.m_nValue[kSysSwitch897] = 1;
    o.CalcImpactSpeed(vx, vy, 1, 1, 0, &extra);
    EXPECT_EQ(extra, 2.5);
}

TEST_F(PhysicsTest, AmountsPerSecondBecomeAmountsPerSubStep) {
    g_Stage.SetHitLevel(10);
    EXPECT_DOUBLE_EQ(PerSubStep(60), 0.1);
    // Times the double 1/60, which a division by 60 misses in the last bit
    // (0.015000000000000001); recorded plays need the exact value.
    EXPECT_EQ(PerSubStep(9), 0.015);
    g_Stage.SetHitLevel(12);
    EXPECT_DOUBLE_EQ(PerSubStep(30), 0.25);
}

TEST_F(PhysicsTest, RangeTestsMeasureAgainstTheViewTheStageAndTheMap) {
    scene.m_ScrollX.m_dPos = 700.5;
    scene.m_ScrollY.m_dPos = 500.0;
    // The view shows 700.5..1340.5 across and 500..980 down.
    EXPECT_TRUE(Obj(690, 600).IsOnScreen());     // right edge 705 in view
    EXPECT_FALSE(Obj(684, 600).IsOnScreen());    // right edge 699
    EXPECT_FALSE(Obj(1340.5, 600).IsOnScreen());
    EXPECT_TRUE(Obj(1340.4, 600).IsOnScreen());
    EXPECT_FALSE(Obj(800, 980).IsOnScreen());
    EXPECT_TRUE(Obj(800, 980).IsInView(0, 1));
    EXPECT_FALSE(Obj(100, 980).IsInView(0, 1));
    EXPECT_TRUE(Obj(100, 980).IsInView(1, 1));

    EXPECT_TRUE(Obj(320, 320).IsInStage(0));
    EXPECT_FALSE(Obj(319, 320).IsInStage(0));
    EXPECT_FALSE(Obj(1585, 320).IsInStage(0));
    EXPECT_TRUE(Obj(0, 0).IsInStage(1));
    EXPECT_FALSE(Obj(1905, 0).IsInStage(1));
}

TEST_F(PhysicsTest, OutOfRangeCountsTheMarginsAndTheMapEdges) {
    scene.m_ScrollX.m_dPos = 700.5;
    scene.m_ScrollY.m_dPos = 500.0;
    cOutRange none;
    cOutRange all;
    for (int side = 0; side < 4; ++side) all.m_bSide[side] = 1, all.m_nMargin[side] = 2;
    struct Case {
        double x, y;
        bool inView, wantNone, wantAll;
    };
    const Case cases[] = {
        {800, 600, false, false, false},
        // Left: right edge at or left of trunc(700.5 - 64) = 636.
        {621, 600, false, false, true}, {621.5, 600, false, false, false},
        // Right: X at or right of trunc(700.5 + 64 + 640) = 1404.
        {1404, 600, false, false, true}, {1403.9, 600, false, false, false},
        // Down: Y at or below 500 + 64 + 480; up: bottom at or above 436.
        {800, 1044, false, false, true}, {800, 421, false, false, true}, {800, 421.5, false, false, false},
        // The edges of the map count whatever the switches say.
        {0, 600, false, true, true}, {800, 0, false, true, true}, {1904, 600, false, true, true},
        {800, 1584, false, true, true}, {1902.5, 1582.5, false, false, true},
        // Never while in view.
        {0, 0, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        cGameObj o = Obj(c.x, c.y);
        o.m_bInView = c.inView;
        EXPECT_EQ(o.IsOutOfRange(none), c.wantNone);
        EXPECT_EQ(o.IsOutOfRange(all), c.wantAll);
    }
}

TEST_F(PhysicsTest, ABlockUnderACornerStopsAnObjectOutsideItsPassingFaction) {
    cMapCell& block = Cell(30, 20);  // dots 960..991, 640..671
    block.m_cHit = 1;
    block.m_ucPassClass = 3;
    struct Case {
        double x, y;
        int faction;
        bool want;
    };
    const Case cases[] = {
        {950, 630, 0, true},   // bottom-right corner in the cell
        {980, 660, 0, true},   // top-left corner
        {944, 630, 0, false},  // right edge 959
        {992, 672, 0, false},
        {950, 630, 3, false},  // its faction passes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y << " faction " << c.faction);
        cGameObj o = Obj(c.x, c.y);
        o.m_nFaction = c.faction;
        EXPECT_EQ(o.HitsBlock(), c.want);
        EXPECT_EQ(o.HitsBlockAt(0), c.want);
    }
    // A cell outside the grid is no block: the rows of a tall object that
    // stands out of the map at the top or the bottom, and columns off the
    // grid, which would otherwise wrap to a cell of another row.
    cGameObj above = Obj(700, -400, 16, 640);
    EXPECT_EQ(above.ClampPosY(2), 0);
    EXPECT_EQ(above.m_nTileT, -13);
    EXPECT_FALSE(above.HitsBlock());
    Cell(21, 7).m_cHit = 1;  // under its bottom corner
    EXPECT_TRUE(above.HitsBlock());

    cGameObj below = Obj(700, 1500, 16, 640);
    EXPECT_EQ(below.ClampPosY(2), 0);
    EXPECT_EQ(below.m_nTileB, 66);
    EXPECT_FALSE(below.HitsBlock());
    Cell(22, 46).m_cHit = 1;  // under its top corner
    EXPECT_TRUE(below.HitsBlock());

    Cell(61, 20).m_cHit = 1;  // where column -3 of row 21 would wrap to
    Cell(0, 22).m_cHit = 1;   // and column 64
    cGameObj off = Obj(700, 680);
    off.m_nTileL = off.m_nTileR = -3;
    EXPECT_FALSE(off.HitsBlock());
    off.m_nTileL = off.m_nTileR = 64;
    EXPECT_FALSE(off.HitsBlock());
    EXPECT_EQ(plat::PendingWindowMessages(window), 0u);
}

TEST_F(PhysicsTest, TheScreenRectangleRoundsByFlyingAndByTheScrollingView) {
    scene.m_ScrollX.m_dPos = 100.7;
    scene.m_ScrollY.m_dPos = 50.0;
    struct Case {
        int moveType, follow;
        double autoX, autoY;
        int wantL, wantT;
    };
    const Case cases[] = {
        {kMoveWalk, 0, 0, 0, 146, 147},
        {kMoveWalk, 1, 2, 2, 146, 147},
        {kMoveFlyThrough, 0, 0, 0, 146, 147},
        {kMoveFlyThrough, 0, 2, 0, 146, 147},  // not following: as if walking
        {kMoveFlyThrough, 1, 2, 0, 145, 147},
        {kMoveFlyThrough, 0, 0, 2, 146, 148},  // a dot lower
        {kMoveFlyThrough, 1, 2, 2, 145, 148},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.moveType << " follow " << c.follow << " auto " << c.autoX
                                        << "," << c.autoY);
        scene.m_ScrollX.m_dAutoSpeed = c.autoX;
        scene.m_ScrollY.m_dAutoSpeed = c.autoY;
        cGameObj o;
        o.InitBase(1, 1, 0, 0, 0, nullptr, 0, 4, 3, 16, 16, 32, 24, 0, c.moveType, 0);
        o.m_bFollowScroll = c.follow;
        o.m_dX = 250.3, o.m_dY = 200.0;
        o.UpdateScreenRect();
        EXPECT_EQ(o.m_nScreenL, c.wantL);
        EXPECT_EQ(o.m_nScreenT, c.wantT);
        EXPECT_EQ(o.m_nScreenR, c.wantL + 31);
        EXPECT_EQ(o.m_nScreenB, c.wantT + 23);
    }
    // An axis held at its limit does not scroll by itself.
    scene.m_ScrollX.m_dAutoSpeed = 2;
    scene.m_ScrollX.m_bAtLimit = 1;
    cGameObj o;
    o.InitBase(1, 1, 0, 0, 0, nullptr, 0, 4, 3, 16, 16, 32, 24, 0, kMoveFlyThrough, 0);
    o.m_bFollowScroll = 1;
    o.m_dX = 250.3;
    o.UpdateScreenRect();
    EXPECT_EQ(o.m_nScreenL, 146);
}

TEST_F(PhysicsTest, GiantScaleKeepsTheHorizontalCentreAndChangesNothingAtTheSameScale) {
    cGameObj o;
    o.InitBase(1, 1, 0, 0, 0, nullptr, 0, 2, 5, 15, 20, 32, 32, 0, kMoveWalk, 0);
    o.m_dX = 800, o.m_dY = 700;
    o.SetScale(1, 1, 0);
    EXPECT_EQ(o.m_nWidth, 15);
    EXPECT_EQ(o.m_dX, 800);

    o.SetScale(2, 1, 0);  // half of 15 is 7
    EXPECT_EQ(o.m_dX, 793);
    EXPECT_EQ(o.m_dRight, 793 + 30 - 1);
    EXPECT_EQ(o.m_nWidth, 30);
    EXPECT_EQ(o.m_nHeight, 40);
    EXPECT_EQ(o.m_nOffsetX, 4);
    EXPECT_EQ(o.m_nOffsetY, 10);
    EXPECT_EQ(o.m_nSpriteW, 64);
    EXPECT_EQ(o.m_nSpriteH, 64);
    EXPECT_EQ(o.m_nBaseWidth, 15);
    EXPECT_EQ(o.m_dY, 700);  // the class keeps the footing

    // Growing at the left edge of the map ends at the edge.
    o.m_dX = 10;
    o.SetScale(4, 2, 0);
    EXPECT_EQ(o.m_dX, 0);
    EXPECT_EQ(o.m_nWidth, 60);

    // A scale below 1 is normal size.
    o.SetScale(-3, 4, 0);
    EXPECT_EQ(o.m_nWidth, 15);
    o.m_dX = 800;
    o.SetScale(0, 1, 0);
    EXPECT_EQ(o.m_nWidth, 15);
    EXPECT_EQ(o.m_dX, 800);
}

TEST_F(PhysicsTest, SetUpAndMovementTypes) {
    const int steps[] = {5, 3, 0, -2, 0, 0};
    const int* patterns[] = {steps, steps, nullptr};
    cGameObj o;
    o.m_dSpeedX = o.m_dInertiaY = 2;
    o.m_bActive = o.m_bInView = 1;
    o.m_bAppeared = 1;
    o.InitBase(7, 1, 2, 5, 40, patterns, 1, 1, 2, 12, 24, 32, 32, 1, kMoveFlyThird, 3);
    EXPECT_EQ(o.m_nLife, INT_MAX);
    EXPECT_EQ(o.m_Anime.PatternCount(), 2);
    EXPECT_EQ(o.m_Anime.Pattern(), 1);
    EXPECT_EQ(o.m_dSpeedX, 0);
    EXPECT_EQ(o.m_dInertiaY, 0);
    EXPECT_EQ(o.m_bActive + o.m_bInView + o.m_bAppeared, 0);
    EXPECT_EQ(o.m_nBaseHeight, 24);
    EXPECT_EQ(o.m_sSpawnIndex, 3);
    EXPECT_EQ(o.GetDirSign(), 1);

    struct Case {
        int type, fly, mode;
    };
    // From flying mode 2: each type, and types outside 0..3 change nothing.
    for (Case c : {Case{0, 0, 1}, Case{1, 1, 0}, Case{2, 1, 1}, Case{3, 1, 2}, Case{4, 1, 2}, Case{-1, 1, 2}}) {
        SCOPED_TRACE(c.type);
        o.SetMoveType(kMoveFlyThird);
        o.SetMoveType(c.type);
        EXPECT_EQ(o.m_bFly, c.fly);
        EXPECT_EQ(o.m_cFlyMode, c.mode);
    }

    // A copy takes the anime player with its own patterns.
    cGameObj copy;
    copy.CopyFrom(o);
    o.m_Anime.Clear();
    EXPECT_EQ(copy.m_Anime.PatternCount(), 2);
    EXPECT_EQ(copy.m_nId, 7);
}

TEST_F(PhysicsTest, SpanJudgementInsetsTheTargetUnlessItStandsOnItsSpriteBottom) {
    int low = 0, high = 0;
    struct Span {
        int a, b, c, d, e, low, high;
    };
    for (Span s : {Span{100, 33, 0, 0, 1, 100, 132}, Span{100, 33, 0, 0, 0, 116, 116},
                   Span{100, 33, 20, 0, 0, 80, 116}, Span{100, 33, 0, 20, 1, 116, 152},
                   Span{100, 33, 5, 7, 0, 95, 139}}) {
        cGameObj::CalcJudgeSpan(s.a, s.b, s.c, s.d, s.e, low, high);
        EXPECT_EQ(low, s.low);
        EXPECT_EQ(high, s.high);
    }

    // Own span 100..132 against a target 133..160 inset by 4 at both ends,
    // or, standing on its sprite's bottom, only at its near end.
    cGameObj target = Obj(800, 700, 16, 20);
    target.m_nSpriteH = 24;
    cGameObj self = Obj(700, 700);
    struct Case {
        int tl, th, bottomCheck;
        double targetBottom;
        int sw733;
        bool want;
    };
    const Case cases[] = {
        {128, 160, 0, 719, 0, true},   // 132 reaches 128 + 4
        {129, 160, 0, 719, 0, false},
        {60, 103, 0, 719, 0, false},   // 103 - 4 is below 100
        {60, 104, 0, 719, 0, true},
        {60, 100, 0, 719, 0, false},   // 100 - 4 is below 100
        {60, 100, 1, 719, 0, true},    // body 19 + 4 + 1 reaches the sprite's 24
        {60, 100, 1, 718, 0, false},   // 18 + 4 + 1 does not
        {60, 100, 1, 719, 1, false},   // older projects inset both ends
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tl << ".." << c.th << " bottom " << c.bottomCheck);
        g_SystemData.m_nValue[kSysSwitch733] = c.sw733;
        target.m_dBottom = c.targetBottom;
        EXPECT_EQ(self.JudgeSpan(100, 33, c.tl, c.th, 4, 0, 0, 1, c.bottomCheck, &target), c.want);
    }
}

}  // namespace
