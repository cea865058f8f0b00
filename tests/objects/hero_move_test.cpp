// The hero's sub-step: horizontal movement with friction, the ground's
// speed factor and the step limit, the fall out of the stage, the update
// with its jump reset, type-change window and scroll sync, and the
// position a type change puts back.
#include <gtest/gtest.h>

#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "project/flow.h"
#include "project/system_data.h"

namespace {

class HeroMoveTest : public objtest::StageTest {
protected:
    // A hero standing with its body's top-left corner at (x, y).
    void Make(double x, double y, int flying = 0) { PlaceHero(hero, flying, x, y); }
    cHero hero;
};

TEST_F(HeroMoveTest, MoveXDecaysInertiaAndAppliesTheGroundsSpeedFactor) {
    // One sub-step a frame: the factor's base step is 4 / 60 a sub-step.
    g_Stage.SetHitLevel(1);
    struct Case {
        const char* what;
        double inertia;
        int frictionOn, effect, timer;
        double factor;
        double after;
    };
    const double step = 4.0 / 60.0;
    const Case cases[] = {
        {"friction only", 3, 1, 0, 0, 1, 2.5},
        {"friction switched off", 3, 0, 0, 0, 1, 3},
        {"friction never turns it", 0.25, 1, 3, 5, 16, 0},
        {"factor 16 speeds it up", 3, 1, 3, 5, 16, 2.5 + step * 15},
        {"the same to the left", -3, 1, 3, 5, 16, -2.5 - step * 15},
        {"factor 0.25 slows it down", 3, 1, 3, 5, 0.25, 2.5 - step * 0.75},
        {"the same to the left", -3, 1, 3, 5, 0.25, -2.5 + step * 0.75},
        {"slowed past 0 stops", 1, 1, 3, 5, -100, 0},
        {"the same to the left", -1, 1, 3, 5, -100, 0},
        {"no factor once its time is over", 3, 1, 3, 0, 16, 2.5},
        {"other ground effects", 3, 1, 2, 5, 16, 2.5},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Make(900, 700);
        EXPECT_DOUBLE_EQ(hero.m_dFootEffectBase, 4);
        hero.m_dFriction = 0.5;
        hero.m_bFrictionX = k.frictionOn;
        hero.m_nFootEffect = k.effect, hero.m_nFootEffectTimer = k.timer, hero.m_dFootEffectValue = k.factor;
        hero.m_dInertiaX = k.inertia;
        hero.m_dSpeedX = 0.5;
        EXPECT_EQ(hero.MoveX(), 0);
        EXPECT_DOUBLE_EQ(hero.m_dInertiaX, k.after);
        EXPECT_DOUBLE_EQ(hero.m_dSpeedX, 0.5 + k.after);
        EXPECT_DOUBLE_EQ(hero.m_dX, 900.5 + k.after);
        EXPECT_EQ(hero.m_dRight, hero.m_dX + hero.m_nWidth - 1);
    }
}

TEST_F(HeroMoveTest, MoveXHoldsTheSpeedToTheStepLimit) {
    // Hit level 10: 6 dots a sub-step; level 14: 60 dots a frame of 4.
    for (int level : {10, 14}) {
        SCOPED_TRACE(level);
        g_Stage.SetHitLevel(level);
        const double limit = g_Stage.m_dStepLimit;
        Make(900, 700);
        hero.m_dSpeedX = 100;
        hero.MoveX();
        EXPECT_EQ(hero.m_dSpeedX, limit);
        EXPECT_EQ(hero.m_dX, 900 + limit);
        // An impact replaces the speed and is held alike.
        hero.m_dImpactX = -40;
        hero.m_dInertiaX = 2;
        hero.MoveX();
        EXPECT_EQ(hero.m_dSpeedX, -limit);
        EXPECT_EQ(hero.m_dX, 900);
        EXPECT_EQ(hero.m_dInertiaX, 2);
    }
}

TEST_F(HeroMoveTest, MoveYReportsAWalkingHeroFallingOutOfTheStage) {
    // The stage ends at 1280 and the map at 1600; the scroll limit is 1200.
    struct Case {
        int flying;
        double bottom;  // before the step of 6 dots
        int code;
    };
    const Case cases[] = {
        {0, 1197, 4},  // below the scroll limit: the view follows
        {0, 1277, 7},  // below the stage
        {0, 1597, 7},  // held at the map's bottom
        {1, 1277, 0},  // a flying hero stays in the view
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "flying " << k.flying << " bottom " << k.bottom);
        Make(900, 700, k.flying);
        const double y = k.bottom - hero.m_nHeight + 1;
        hero.m_dY = y;
        hero.m_dSpeedY = 6;
        EXPECT_EQ(hero.MoveY(), k.code);
        EXPECT_EQ(hero.m_dSpeedY, 6);
    }
}

TEST_F(HeroMoveTest, MoveYDecaysAFlyingHerosVerticalInertia) {
    for (int flying : {0, 1}) {
        SCOPED_TRACE(flying);
        Make(900, 700, flying);
        hero.m_dFriction = 0.25, hero.m_bFrictionY = 1;
        hero.m_dSpeedY = 0, hero.m_dInertiaY = -1;
        hero.MoveY();
        EXPECT_EQ(hero.m_dInertiaY, flying ? -0.75 : -1);
        EXPECT_EQ(hero.m_dSpeedY, flying ? -0.75 : 0);
    }
}

TEST_F(HeroMoveTest, UpdateRearmsTheJumpWhenNoJumpRan) {
    Make(900, 700);
    hero.m_nJumpHold = 5, hero.m_bJumpArmed = 0, hero.m_bHeadBlocked = 1;
    hero.m_bJumpDone = 1;
    hero.m_bDirInputOff = hero.m_bButtonInputOff = 1;
    const int frames = hero.m_nFrameCount;
    EXPECT_EQ(hero.Update(false), 0);
    EXPECT_EQ(hero.m_nJumpHold, 0);
    EXPECT_EQ(hero.m_bJumpArmed, 1);
    EXPECT_EQ(hero.m_bHeadBlocked, 0);
    EXPECT_EQ(hero.m_bJumpDone, 0);
    EXPECT_EQ(hero.m_bDirInputOff + hero.m_bButtonInputOff, 0);
    EXPECT_EQ(hero.m_nFrameCount, frames + 1);
    EXPECT_EQ(g_pGameScene->m_pCurChara, nullptr);
}

TEST_F(HeroMoveTest, UpdateClosesTheTypeChangeWindowAfterTwoSubSteps) {
    Make(900, 700);
    hero.SetMoveType(1, 0, 1, 1);
    ASSERT_EQ(hero.m_nTypeChangeWait, 2);
    hero.Update(false);
    EXPECT_EQ(hero.m_nTypeChangeWait, 1);
    EXPECT_EQ(hero.m_bTypePosRestore, 1);
    hero.Update(false);
    EXPECT_EQ(hero.m_nTypeChangeWait, 0);
    EXPECT_EQ(hero.m_bTypePosRestore, 0);
    EXPECT_FALSE(hero.RestoreTypeChangePos());
}

TEST_F(HeroMoveTest, UpdateRunsDeferredFlowChangesAndIgnoresTheRemoveRequest) {
    Make(900, 700);
    hero.m_DeferredCmds.resize(2);
    cFlow flow;
    cFlowCmd wait;
    wait.m_cKind = 1;
    cFlowRun run;
    run.m_pFlow = &flow;
    run.m_bRunning = 1;
    cCmdRun cmd;
    cmd.m_pCmd = &wait;
    cmd.m_nSteps = cmd.m_nRemain = 1000;
    run.m_vCmdRuns.assign(1, cmd);
    hero.m_FlowRuns.assign(1, run);
    hero.m_bRemoveReq = 1;
    EXPECT_EQ(hero.Update(false), 0);
    EXPECT_TRUE(hero.m_DeferredCmds.empty());

    hero.m_nHP = 0;
    EXPECT_EQ(hero.Update(false), 1);
    EXPECT_EQ(g_pGameScene->m_pCurChara, nullptr);
}

TEST_F(HeroMoveTest, ScrollSyncOfOlderProjectsCarriesAFlyingHero) {
    struct Case {
        int sw214, follow, flying;
        bool stopY;
        double speedX, speedY;
    };
    const Case cases[] = {
        {1, 0, 1, false, 1.5, -0.5}, {1, 0, 1, true, 1.5, 0},  // whatever its own setting
        {1, 1, 0, false, 0, 9},                                // a walking hero is held on X
        {0, 0, 1, false, 0, 0},      {0, 1, 1, false, 1.5, -0.5}, {0, 1, 0, false, 1.5, 9},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "214 " << k.sw214 << " follow " << k.follow << " fly " << k.flying
                                        << " stopY " << k.stopY);
        g_SystemData.m_nValue[kSysSwitch214] = k.sw214;
        Make(900, 700, k.flying);
        scene.m_ScrollX.m_dAutoSpeed = 1.5;
        scene.m_ScrollY.m_dAutoSpeed = -0.5;
        scene.m_ScrollX.m_bAtLimit = 0;
        scene.m_ScrollY.m_bAtLimit = k.stopY;
        hero.m_bFollowScroll = k.follow;
        hero.m_dSpeedX = hero.m_dSpeedY = 9;
        hero.Update(false);
        EXPECT_EQ(hero.m_dSpeedX, k.speedX);
        EXPECT_EQ(hero.m_dSpeedY, k.speedY);
    }
}

TEST_F(HeroMoveTest, RestoreTypeChangePosAnswersWhileTheWindowLasts) {
    struct Case {
        const char* what;
        int wait, pending, saved;
        bool result, restored;
    };
    const Case cases[] = {
        {"window closed", 0, 1, 1, false, false},
        {"pending restore", 2, 1, 1, true, true},
        {"nothing saved", 1, 1, 0, true, false},
        {"crushed: window without a restore", 2, 0, 1, true, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Make(900, 700);
        hero.m_TypeChangePos = {800.5, 650, 815.5, 673};
        hero.m_nTypeChangeWait = k.wait;
        hero.m_bTypePosRestore = k.pending;
        hero.m_bTypePosSaved = k.saved;
        EXPECT_EQ(hero.RestoreTypeChangePos(), k.result);
        EXPECT_EQ(hero.m_dX, k.restored ? 800.5 : 900);
        EXPECT_EQ(hero.m_dY, k.restored ? 650 : 700);
        EXPECT_EQ(hero.m_dRight, k.restored ? 815.5 : 900 + hero.m_nWidth - 1);
        EXPECT_EQ(hero.m_dBottom, k.restored ? 673 : 700 + hero.m_nHeight - 1);
        EXPECT_EQ(hero.m_bTypePosRestore, k.restored ? 0 : k.pending);
    }
}

}  // namespace
