// Charas against block charas on a tiny stage: riding a moving platform
// with its triggers, side pushes and their gaps, crushes between block
// charas, flyers that are stopped or killed by them, head bumps, stepping
// back out of a wall, a platform that catches a jumper, and riders whose
// platform is gone. Platforms are moved by hand in the play step's order:
// every position saved, the platforms moved, then the chara.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "objects/hero.h"
#include "objects/stage_chara.h"
#include "project/flow.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/scene_fixture.h"
#include "stage/stage_setup.h"

namespace {

constexpr int kBlocks = 3;  // charas 0..2 are block charas, chara 3 an ordinary walker

class SolidCharas : public stagetest::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        MakeStage(30, 20, 2, 2);
        for (int i = 0; i <= kBlocks; ++i) AddChara(12 + 3 * i, 2).m_cBlockChara = i < kBlocks ? 1 : 0;
        g_StageSettings = g_Stage;
        g_HeroDef = g_Stage.m_vChara.At(g_Stage.FindHero());
        scene.SetStage(0, 1);
        scene.m_nState = cGameScene::kStatePlay;
        ASSERT_EQ(g_Charas.Size(), kBlocks + 1);
        // Everything out of the way until a test puts it somewhere.
        int i = 0;
        for (cStageChara& c : g_Charas) {
            c.m_bActive = 1;
            Put(c, 330 + 40 * i++, 330, 32, 32);
        }
        Put(Hero(), 1200, 900, 32, 32);
    }

    static cStageChara& Chara(int i) { return *std::next(g_Charas.begin(), i); }
    static cStageChara& Walker() { return Chara(kBlocks); }

    // Body w x h with its top-left corner at (x, y), standing still, this
    // place saved as the sub-step's start.
    static void Put(cChara& c, double x, double y, int w, int h) {
        c.m_nWidth = w, c.m_nHeight = h;
        c.m_dX = x, c.m_dY = y;
        c.CheckBoundsX();
        c.CheckBoundsY();
        c.m_dSpeedX = c.m_dSpeedY = 0;
        c.SavePos();
    }
    // A block chara that already moved by (dx, dy) in this sub-step.
    static void Moved(cStageChara& s, double dx, double dy) {
        s.m_dSpeedX = dx, s.m_dSpeedY = dy;
        s.m_dX += dx, s.m_dY += dy;
        s.CheckBoundsX();
        s.CheckBoundsY();
    }
    static void BeginSubStep() {
        for (cStageChara& c : g_Charas) c.ClearBlockContacts(), c.SavePos();
        Hero().ClearBlockContacts();
        Hero().SavePos();
    }
    // The hero's part of a sub-step up to the block charas, standing still
    // of its own accord.
    void MoveHeroAlone() {
        cHero& h = Hero();
        h.m_dSpeedX = 0;
        if (h.m_bRiding) scene.CarryRider(h);
        h.MoveX();
        scene.HitMapX(h);
        h.ApplyGravity();
        h.MoveY();
        scene.HitMapY(h);
    }

    // Flows that note when triggers start them, the other chara of the
    // raise in target slot 1.
    static void Watch(cChara& c, std::initializer_list<int> triggers) {
        for (int t : triggers) {
            cFlowCmd wait;
            wait.SetDefault();
            wait.m_cKind = 1;
            wait.m_sTime = 9;
            wait.Normalize();
            cFlow f;
            f.m_cTrigger = static_cast<int8_t>(t);
            f.m_cTakeOther = 1;
            f.m_cTargetSlot = 0;
            f.m_vCmd = cVector<cFlowCmd>({wait});
            c.m_Def.m_vFlow.push_back(f);
        }
        c.BuildFlows(c.m_Def.m_vFlow.Edit(), 0, -1);
    }
    // Whether trigger t was raised since the last call; ready to be raised
    // again afterwards.
    static bool Raised(cChara& c, int t) {
        bool raised = false;
        for (cFlowRun& run : c.m_FlowRuns) {
            if (run.m_pFlow->m_cTrigger != t) continue;
            raised = raised || run.m_bStarted;
            run.m_bRunning = run.m_bLatch = run.m_bStarted = 0;
        }
        return raised;
    }
};

// --- Riding ----------------------------------------------------------------

TEST_F(SolidCharas, ASidewaysPlatformCarriesTheHeroAndIsToldSoEverySubStep) {
    cStageChara& platform = Chara(0);
    platform.SetMoveType(kMoveFlyBlocked);
    Put(platform, 600, 600, 64, 16);
    // Feet two rows into the platform's top: the first sub-step lands it.
    Put(Hero(), 616, 570, 32, 32);
    Watch(platform, {18, 19});
    Watch(Hero(), {7, 8});

    for (int step = 1; step <= 6; ++step) {
        SCOPED_TRACE(step);
        BeginSubStep();
        Moved(platform, 2, 0);
        MoveHeroAlone();
        EXPECT_EQ(scene.MoveHero(Hero()), 0);
        EXPECT_EQ(Hero().m_bRiding, 1);
        EXPECT_EQ(Hero().m_nRiddenId, platform.m_nId);
        EXPECT_DOUBLE_EQ(Hero().m_dY, 568);
        // Carried from the sub-step after the landing on.
        EXPECT_DOUBLE_EQ(Hero().m_dX, 616 + 2 * (step - 1));
        EXPECT_TRUE(Raised(platform, 18));
        EXPECT_EQ(platform.m_Targets[0], &Hero());
        EXPECT_TRUE(Raised(platform, 19));
        EXPECT_TRUE(Raised(Hero(), 7));
        EXPECT_TRUE(Raised(Hero(), 8));
    }
    EXPECT_EQ(Hero().m_bLeftRide, 0);
}

// Only a platform under the feet catches a jumper; while it rises below
// the feet, even within the strip that keeps a rider, the jump goes on.
TEST_F(SolidCharas, APlatformRisingUnderARisingJumperCatchesItOnlyAtItsFeet) {
    cStageChara& platform = Chara(0);
    platform.SetMoveType(kMoveFlyBlocked);
    Put(platform, 600, 545, 64, 16);
    Put(Hero(), 616, 500, 32, 32);
    Hero().m_dSpeedY = -3;
    Hero().m_bJumped = Hero().m_bJumpRising = Hero().m_bAirborne = 1;
    bool passedTheStrip = false;
    bool caught = false;
    for (int step = 1; step <= 10 && !caught; ++step) {
        SCOPED_TRACE(step);
        BeginSubStep();
        Moved(platform, 0, -8);
        MoveHeroAlone();
        const double gap = platform.m_dY - Hero().m_dBottom;
        const double y = Hero().m_dY, speed = Hero().m_dSpeedY;
        EXPECT_EQ(scene.MoveHero(Hero()), 0);
        caught = gap <= 0;
        if (!caught) {
            passedTheStrip = passedTheStrip || gap <= 5;
            EXPECT_EQ(Hero().m_bRiding, 0);
            EXPECT_DOUBLE_EQ(Hero().m_dY, y);
            EXPECT_DOUBLE_EQ(Hero().m_dSpeedY, speed);
            EXPECT_LT(Hero().m_dSpeedY, 0);
            continue;
        }
        EXPECT_EQ(Hero().m_bRiding, 1);
        EXPECT_DOUBLE_EQ(Hero().m_dY, platform.m_dY - 32);
        EXPECT_EQ(Hero().m_dSpeedY, 0);
        EXPECT_EQ(Hero().m_bJumpRising, 0);
        EXPECT_EQ(Hero().m_bJumped, 0);
        EXPECT_EQ(Hero().m_bAirborne, 0);
    }
    EXPECT_TRUE(passedTheStrip);
    EXPECT_TRUE(caught);
}

TEST_F(SolidCharas, ARiderWhosePlatformIsGoneStopsRidingAndIsNotMoved) {
    enum Gone { kNotGone, kDefeated, kInactive, kNoLongerBlock, kUnknownId, kRemoved };
    // Taken out of the stage last: the other cases restore their platform.
    for (Gone gone : {kNotGone, kDefeated, kInactive, kNoLongerBlock, kUnknownId, kRemoved}) {
        SCOPED_TRACE(gone);
        cStageChara* platform = &Chara(1);
        Put(*platform, 600, 600, 64, 16);
        cStageChara& rider = Walker();
        Put(rider, 616, 568, 32, 32);
        rider.m_bRiding = 1;
        rider.m_bLeftRide = 0;
        rider.m_nRiddenId = platform->m_nId;
        rider.m_RiddenExtent = {600, 600, 663, 615};
        Moved(*platform, 3, 0);
        switch (gone) {
        case kNotGone: break;
        case kRemoved: scene.RemoveChara(platform), platform = nullptr; break;
        case kDefeated: platform->m_bDefeated = 1; break;
        case kInactive: platform->m_bActive = 0; break;
        case kNoLongerBlock: platform->m_Def.m_cBlockChara = 0; break;
        case kUnknownId: rider.m_nRiddenId = 9999; break;
        }
        scene.CarryRider(rider);
        EXPECT_EQ(rider.m_bRiding, gone == kNotGone ? 1 : 0);
        EXPECT_EQ(rider.m_dSpeedX, gone == kNotGone ? 3 : 0);
        EXPECT_EQ(rider.m_bLeftRide, gone == kNotGone ? 0 : 1);
        if (platform) platform->m_bDefeated = 0, platform->m_bActive = 1, platform->m_Def.m_cBlockChara = 1;
    }
}

TEST_F(SolidCharas, APlatformPassesItsVerticalMovementByItsKindAndTheProjectRule) {
    struct Case {
        int flies, rule, airborne;
        double speedY;  // the rider's, which was 0.7
    };
    const Case cases[] = {
        {0, 0, 0, -2}, {1, 0, 0, -2}, {0, 1, 0, 0.7}, {0, 1, 1, -2}, {1, 1, 0, -2},
    };
    cStageChara& platform = Chara(0);
    cStageChara& rider = Walker();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.flies << c.rule << c.airborne);
        g_SystemData.Set(kSysCarryYWhenAirborne, c.rule);
        platform.SetMoveType(c.flies ? kMoveFlyBlocked : kMoveWalk);
        platform.m_bAirborne = c.airborne;
        Put(platform, 600, 600, 64, 16);
        Put(rider, 616, 568, 32, 32);
        rider.m_bRiding = 1;
        rider.m_nRiddenId = platform.m_nId;
        rider.m_RiddenExtent = {600, 600, 663, 615};
        rider.m_dSpeedY = 0.7;
        Moved(platform, 1, -2);
        scene.CarryRider(rider);
        EXPECT_DOUBLE_EQ(rider.m_dSpeedX, 1);
        EXPECT_DOUBLE_EQ(rider.m_dSpeedY, c.speedY);
    }
}

// After its move a rider keeps its platform while the platform is within
// 5 dots under its feet, goes over to another one there, or falls.
TEST_F(SolidCharas, TheRiderKeepsItsPlatformMovesToTheNextOrFalls) {
    struct Case {
        const char* name;
        double riderX, riderY, impactY;
        int riding;      // after the call
        int riddenBy;    // index of the chara ridden, -1 for none
    };
    const Case cases[] = {
        {"on it", 616, 568, 0, 1, 0},
        {"4 empty rows under the feet", 616, 564, 0, 1, 0},
        {"5 empty rows", 616, 563, 0, 0, -1},
        {"over the next one", 700, 568, 0, 1, 1},
        {"past both", 800, 568, 0, 0, -1},
        {"thrown upwards", 616, 568, -1, 0, -1},
    };
    cStageChara& first = Chara(0);
    cStageChara& next = Chara(1);
    cStageChara& rider = Walker();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Put(first, 600, 600, 64, 16);
        Put(next, 680, 601, 64, 16);
        Put(rider, c.riderX, c.riderY, 32, 32);
        rider.m_bRiding = 1;
        rider.m_nRiddenId = first.m_nId;
        rider.m_RiddenExtent = {};
        rider.m_dImpactY = c.impactY;
        rider.m_bLeftRide = 0;
        EXPECT_EQ(scene.MoveHero(rider), 0);
        EXPECT_EQ(rider.m_bRiding, c.riding);
        EXPECT_EQ(rider.m_bLeftRide, 1 - c.riding);
        if (c.riddenBy >= 0) {
            const cStageChara& ridden = Chara(c.riddenBy);
            EXPECT_EQ(rider.m_nRiddenId, ridden.m_nId);
            EXPECT_DOUBLE_EQ(rider.m_RiddenExtent.x, ridden.m_dX);
            EXPECT_DOUBLE_EQ(rider.m_RiddenExtent.y, ridden.m_dY);
        }
    }
}

// --- Pushes and crushes ----------------------------------------------------

TEST_F(SolidCharas, SidePushesLeaveOneAndAHalfDotsOnTheLeftAndHalfADotOnTheRight) {
    struct Case {
        double pusherX;
        double walkerSpeedX;
        double x;  // where the walker ends
        int left, right;
    };
    // The walker stands at 600..631; a pusher of 32 dots overlaps 3 dots.
    const Case cases[] = {
        {571, 0, 603.5, 1, 0},
        {571, -1, 603.5, 1, 0},
        {629, 0, 596.5, 0, 1},
        {629, 1, 596.5, 0, 1},
    };
    cStageChara& pusher = Chara(0);
    cStageChara& walker = Walker();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pusherX << " " << c.walkerSpeedX);
        Put(walker, 600, 570, 32, 32);
        walker.m_bLeftRide = 0;
        walker.m_dInertiaX = 2;
        Put(pusher, c.pusherX, 570, 32, 32);
        walker.m_dSpeedX = c.walkerSpeedX;
        walker.ClearBlockContacts();
        EXPECT_EQ(scene.MoveHero(walker), 0);
        EXPECT_DOUBLE_EQ(walker.m_dX, c.x);
        EXPECT_EQ(walker.m_bHitLeft, c.left);
        EXPECT_EQ(walker.m_bHitRight, c.right);
        EXPECT_EQ(walker.m_bLeftRide, 1);
        EXPECT_EQ(walker.m_dInertiaX, 0);
        EXPECT_DOUBLE_EQ(walker.m_dY, 570);
    }
}

// Two block charas close in on a walker from both sides. Standing on a
// third it is pushed from both sides; in the air, where they reached its
// corners it is buried; where they did not it slips out under the first.
TEST_F(SolidCharas, TwoBlockCharasClosingInCrushAWalkerWithoutAnyMapBlock) {
    struct Case {
        const char* name;
        bool floor;
        double sideY;
        int sideH;
        int result;
        double y;
    };
    const Case cases[] = {
        {"standing", true, 570, 32, 2, 570},
        {"in the air", false, 570, 32, 2, 602},
        {"in the air, corners free", false, 575, 16, 0, 591},
    };
    cStageChara& left = Chara(0);
    cStageChara& right = Chara(1);
    cStageChara& under = Chara(2);
    cStageChara& walker = Walker();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Put(walker, 592, 570, 32, 32);
        Put(left, 558, c.sideY, 32, c.sideH);
        Put(right, 626, c.sideY, 32, c.sideH);
        Put(under, c.floor ? 560 : 330, c.floor ? 600 : 900, 96, 16);
        walker.ClearBlockContacts();
        Moved(left, 4, 0);
        Moved(right, -4, 0);
        EXPECT_EQ(scene.MoveHero(walker), c.result);
        EXPECT_DOUBLE_EQ(walker.m_dY, c.y);
        EXPECT_EQ(walker.m_bHitLeft + walker.m_bHitRight, c.floor ? 2 : 0);
    }
}

// A pushed walker that touched a wall in this sub-step is crushed; one
// pushed into a wall steps back towards the pusher, 1.5 dots at most.
TEST_F(SolidCharas, AWalkerPushedIntoAWallStepsBackAtMostOneAndAHalfDots) {
    // The wall is map column 20 (dots 640..671) beside the walker's rows.
    for (int row : {7, 8}) Cell(10, row).m_cHit = 1;
    struct Case {
        double depth;      // how far the push puts the walker's right edge into the wall
        int touchedWall;   // the map test found the wall earlier in the sub-step
        double back;
        int result;
    };
    const Case cases[] = {{5, 0, 1.5, 0}, {0.25, 0, 0.3, 0}, {-0.5, 0, 0, 0}, {5, 1, 0, 2}};
    cStageChara& pusher = Chara(0);
    cStageChara& walker = Walker();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " " << c.touchedWall);
        Put(walker, 600, 570, 32, 32);
        walker.ClearBlockContacts();
        walker.m_bHitRight = c.touchedWall;
        Put(pusher, 576.5 + c.depth, 570, 32, 32);
        const double pushedTo = 609 + c.depth;
        EXPECT_EQ(scene.MoveHero(walker), c.result);
        EXPECT_NEAR(pushedTo - walker.m_dX, c.back, 1e-9);
    }
}

TEST_F(SolidCharas, AHeadBumpPutsTheWalkerUnderTheBlockChara) {
    struct Case {
        const char* name;
        double ceilingSpeedY;
        bool standing;   // the walker's feet touched the map floor in this sub-step
        bool blocked;    // another block chara fills the place under the ceiling
        double y;
        int above, result;
    };
    const Case cases[] = {
        {"still ceiling", 0, false, false, 606, 0, 0},
        {"ceiling going down", 1, false, false, 606, 1, 0},
        {"ceiling going down onto a standing walker", 1, true, false, 606, 1, 2},
        {"ceiling going up", -1, false, false, 606, 0, 0},
        // The walker's lower right corner is in another block chara.
        {"ceiling going up, no room", -1, false, true, 600, 0, 0},
    };
    cStageChara& ceiling = Chara(0);
    cStageChara& other = Chara(1);
    cStageChara& walker = Walker();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_SystemData.Set(kSysHeadBumpKeepsFall, 0);
        Put(ceiling, 584, 590, 64, 16);  // bottom 605
        ceiling.m_dSpeedY = c.ceilingSpeedY;
        Put(other, c.blocked ? 629 : 330, c.blocked ? 610 : 900, 32, 32);
        // Rising into it from 4 dots lower.
        Put(walker, 600, 604, 32, 32);
        walker.m_dY = 600;
        walker.CheckBoundsY();
        walker.m_dSpeedY = -4;
        walker.m_dImpactY = -0.5;
        walker.m_bJumped = walker.m_bJumpRising = walker.m_bHeadBlocked = 0;
        walker.ClearBlockContacts();
        walker.m_bHitBelow = c.standing;
        EXPECT_EQ(scene.MoveHero(walker), c.result);
        EXPECT_DOUBLE_EQ(walker.m_dY, c.y);
        EXPECT_EQ(walker.m_bHitAbove, c.above);
        if (c.result == 0 && c.y != 600) {
            EXPECT_DOUBLE_EQ(walker.m_dSpeedY, c.ceilingSpeedY);
            EXPECT_EQ(walker.m_dImpactY, 0);
            EXPECT_EQ(walker.m_bJumped + walker.m_bJumpRising + walker.m_bHeadBlocked, 3);
        }
    }
    // The project rule keeps the impact through a bump.
    g_SystemData.Set(kSysHeadBumpKeepsFall, 1);
    Put(ceiling, 584, 590, 64, 16);
    Put(walker, 600, 600, 32, 32);
    walker.m_dSpeedY = -4;
    walker.m_dImpactY = -0.5;
    EXPECT_EQ(scene.MoveHero(walker), 0);
    EXPECT_DOUBLE_EQ(walker.m_dY, 606);
    EXPECT_EQ(walker.m_dImpactY, -0.5);
}

TEST_F(SolidCharas, AFallFastEnoughLandsEvenWhereItReachedTheUpperHalf) {
    // The walker fell 20 dots in one sub-step and now reaches 7 rows into
    // the platform with its upper half.
    struct Case {
        double speedY;
        int loose;
        double x, y;
        int riding;
    };
    const Case cases[] = {{20, 0, 600, 568, 1}, {20, 1, 600, 568, 1}, {0.1, 0, 624.5, 590, 0}, {0.1, 1, 600, 616, 0}};
    cStageChara& platform = Chara(0);
    cStageChara& walker = Walker();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.speedY << " " << c.loose);
        g_SystemData.Set(kSysLooseSolidContact, c.loose);
        Put(platform, 560, 600, 64, 16);
        Put(walker, 600, 570, 32, 32);
        walker.m_dY = 590;
        walker.CheckBoundsY();
        walker.m_dSpeedY = c.speedY;
        walker.m_bRiding = 0;
        walker.ClearBlockContacts();
        scene.MoveHero(walker);
        EXPECT_DOUBLE_EQ(walker.m_dX, c.x);
        EXPECT_DOUBLE_EQ(walker.m_dY, c.y);
        EXPECT_EQ(walker.m_bRiding, c.riding);
    }
}

TEST_F(SolidCharas, AWalkerBuriedInBlockCharasIsCrushed) {
    cStageChara& a = Chara(0);
    cStageChara& b = Chara(1);
    cStageChara& walker = Walker();
    // Two block charas side by side cover the walker's corners between them.
    Put(a, 590, 560, 26, 64);
    Put(b, 616, 560, 26, 64);
    Put(walker, 600, 570, 32, 32);
    EXPECT_EQ(scene.IsEmbeddedInSolidCharas(walker, walker.m_SavedPos), 1);
    walker.ClearBlockContacts();
    EXPECT_EQ(scene.MoveHero(walker), 2);
    // Corners free now still count when they were covered at the saved place.
    Put(walker, 600, 570, 32, 32);
    Put(b, 616, 560, 10, 64);
    EXPECT_EQ(scene.IsEmbeddedInSolidCharas(walker, walker.m_SavedPos), 0);
    EXPECT_EQ(scene.IsEmbeddedInSolidCharas(walker, {590, 570, 621, 601}), 1);
    // Head in one and the last row of the feet in another is not buried.
    Put(a, 590, 560, 64, 16);
    Put(b, 590, 601, 64, 30);
    EXPECT_EQ(scene.IsEmbeddedInSolidCharas(walker, walker.m_SavedPos), 0);
}

// --- Flyers and queries ------------------------------------------------------

TEST_F(SolidCharas, FlyersAreStoppedOrKilledByBlockCharasOrPassThem) {
    struct Case {
        int type;
        int result;
        double y;
        int below;
    };
    // The flyer's bottom reaches 4 dots into a block chara's top.
    const Case cases[] = {{kMoveFlyThrough, 0, 572, 0}, {kMoveFlyBlocked, 0, 568, 1}, {kMoveFlyThird, 2, 572, 1}};
    cStageChara& block = Chara(0);
    cStageChara& flyer = Walker();
    Watch(flyer, {7});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        flyer.SetMoveType(c.type);
        Put(block, 584, 600, 64, 32);
        Put(flyer, 600, 572, 32, 32);
        flyer.ClearBlockContacts();
        EXPECT_EQ(scene.MoveHero(flyer), c.result);
        EXPECT_DOUBLE_EQ(flyer.m_dY, c.y);
        EXPECT_EQ(flyer.m_bHitBelow, c.below);
        EXPECT_EQ(Raised(flyer, 7), c.type != kMoveFlyThrough);
        EXPECT_EQ(scene.OverlapsBlockChara(flyer), c.type != kMoveFlyThrough && c.y == 572 ? 1 : 0);
    }
}

TEST_F(SolidCharas, AFlyerLetsGoOfABlockCharaMovingAwayAndIsPushedAlongTheOtherAxis) {
    cStageChara& leaving = Chara(0);
    cStageChara& under = Chara(1);
    cStageChara& flyer = Walker();
    flyer.SetMoveType(kMoveFlyBlocked);
    struct Case {
        double leavingSpeedX, flyerSpeedX;
        double x;
        int left;
    };
    const Case cases[] = {{-2, 0, 600, 0}, {-2, -1, 602, 1}, {2, 0, 602, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.leavingSpeedX << " " << c.flyerSpeedX);
        Put(flyer, 600, 570, 32, 32);
        flyer.m_dSpeedX = c.flyerSpeedX;
        flyer.m_bLeftRide = 0;
        Put(leaving, 570, 574, 32, 20);  // 2 columns into the left edge
        leaving.m_dSpeedX = c.leavingSpeedX;
        Put(under, 590, 600, 64, 16);    // 2 rows into the bottom edge
        flyer.ClearBlockContacts();
        EXPECT_EQ(scene.MoveHero(flyer), 0);
        EXPECT_DOUBLE_EQ(flyer.m_dX, c.x);
        EXPECT_EQ(flyer.m_bHitLeft, c.left);
        EXPECT_EQ(flyer.m_bLeftRide, c.left);
        // Pushed up out of the lower one either way.
        EXPECT_DOUBLE_EQ(flyer.m_dY, 568);
        EXPECT_EQ(flyer.m_bHitBelow, 1);
    }
}

TEST_F(SolidCharas, OnlyActiveUndefeatedBlockCharasBlockAPlace) {
    cStageChara& block = Chara(0);
    cStageChara& walker = Walker();
    Put(block, 590, 560, 32, 32);
    Put(walker, 600, 570, 32, 32);
    EXPECT_EQ(scene.IsPlaceBlocked(walker), 1);
    EXPECT_EQ(scene.IsSolidCharaOverlap(walker, 0), 1);
    EXPECT_EQ(scene.IsSolidCharaOverlap(walker, block.m_nId), 0);
    block.m_bDefeated = 1;
    EXPECT_EQ(scene.IsPlaceBlocked(walker), 0);
    block.m_bDefeated = 0, block.m_bActive = 0;
    EXPECT_EQ(scene.IsPlaceBlocked(walker), 0);
    block.m_bActive = 1, block.m_Def.m_cBlockChara = 0;
    EXPECT_EQ(scene.IsPlaceBlocked(walker), 0);
    block.m_Def.m_cBlockChara = 1;
    // Not against itself, and a flyer through blocks is never blocked.
    EXPECT_EQ(scene.IsPlaceBlocked(block), 0);
    walker.SetMoveType(kMoveFlyThrough);
    EXPECT_EQ(scene.IsPlaceBlocked(walker), 0);
    EXPECT_EQ(scene.IsSolidCharaOverlap(walker, 0), 0);
}

}  // namespace
