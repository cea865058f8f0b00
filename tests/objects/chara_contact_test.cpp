// A chara's contacts in one sub-step: landing and head bumps against the
// tile lines, gravity and when it does not pull, riding's end, the
// trial-move position, and the impacts that push and fade.
#include <gtest/gtest.h>

#include "objects/stage_chara.h"
#include "objects/stage_fixture.h"
#include "project/stage_info.h"
#include "project/system_data.h"

namespace {

class ContactTest : public objtest::StageTest {
protected:
    // A walking chara with its body's top-left corner at (x, y), 12 x 24.
    cStageChara& Make(double x, double y) {
        cCharaDef d;
        d.m_nCarryItem = -1;
        chara.Init(1, d, nullptr, x, y, 0, 0);
        chara.m_dX = x, chara.m_dY = y;
        chara.CheckBoundsX();
        chara.CheckBoundsY();
        return chara;
    }
    cStageChara chara;
};

TEST_F(ContactTest, LandingAndHeadBumpsStopAtTheTileLines) {
    // Landing leaves the bottom one dot above the line: bottom & 31 = 31.
    Make(700, 700);
    chara.m_dY = 708.5 - (chara.m_dBottom - chara.m_dY);
    chara.CheckBoundsY();
    const double bottom = chara.m_dBottom;
    ASSERT_EQ(bottom, 708.5);
    chara.m_dSpeedY = 2, chara.m_dInertiaY = 1;
    chara.m_bAirborne = chara.m_bJumped = chara.m_bJumpRising = chara.m_bImpacted = chara.m_bHeadBlocked = 1;
    chara.m_nAirSteps = 40;
    chara.OnLand();
    EXPECT_EQ(static_cast<int>(chara.m_dBottom) & 31, 31);
    EXPECT_DOUBLE_EQ(chara.m_dBottom, 703.5);
    EXPECT_EQ(chara.m_dSpeedY, 0);
    EXPECT_EQ(chara.m_dInertiaY, 0);
    EXPECT_EQ(chara.m_bHitBelow, 1);
    EXPECT_EQ(chara.m_bAirborne + chara.m_bJumped + chara.m_bJumpRising + chara.m_bImpacted + chara.m_nAirSteps, 0);
    EXPECT_EQ(chara.m_bHeadBlocked, 0);  // a computer's chara may jump again at once

    // A head bump moves the top down to the next line and stops the rise
    // and, unless switch 781 is on, the vertical impact.
    for (int oldRule : {0, 1}) {
        SCOPED_TRACE(oldRule);
        g_SystemData.Set(kSysSwitch781, oldRule);
        Make(700, 705.5);
        chara.m_dSpeedY = -3;
        chara.m_dImpactY = chara.m_dPrevImpactY = -1;
        chara.OnHitCeiling();
        EXPECT_DOUBLE_EQ(chara.m_dY, 736.5);
        EXPECT_EQ(chara.m_dSpeedY, 0);
        EXPECT_EQ(chara.m_bHitAbove + chara.m_bHeadBlocked + chara.m_bJumped + chara.m_bJumpRising, 4);
        EXPECT_EQ(chara.m_dImpactY, oldRule ? -1 : 0);
    }
}

TEST_F(ContactTest, GravityPullsOnlyAWalkerThatMayFall) {
    g_Stage.m_dGravity = 0.4;
    g_Stage.SetHitLevel(2);
    struct Case {
        const char* what;
        int fly, riding, disabled;
        double impactY;
        bool pulled;
    };
    const Case cases[] = {
        {"walking", 0, 0, 0, 0, true},        {"thrown downwards", 0, 0, 0, 1, true},
        {"flying", 1, 0, 0, 0, false},        {"riding", 0, 1, 0, 0, false},
        {"held this frame", 0, 0, 1, 0, false}, {"thrown upwards", 0, 0, 0, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Make(700, 700);
        chara.m_bFly = c.fly, chara.m_bRiding = c.riding, chara.m_bMoveDisabled = c.disabled;
        chara.m_dImpactY = c.impactY;
        chara.m_dSpeedY = 1;
        chara.ApplyGravity();
        EXPECT_DOUBLE_EQ(chara.m_dSpeedY, c.pulled ? 1.1 : 1);
    }
}

TEST_F(ContactTest, ImpactsPushByTheirChangeAndFadeByASubStepShare) {
    g_Stage.SetHitLevel(4);
    struct Case {
        const char* what;
        int fly, onGround, riding;
        double speedY, impactY, prevImpactY;
        double wantSpeedY, wantImpactY;
    };
    const Case cases[] = {
        {"flying: the impact adds to the speed", 1, 0, 0, 1, 2, 0, 3, 2},
        {"walking: only the change since the last sub-step", 0, 0, 0, 1, -2, -3, 2, -2},
        {"downwards onto solid ground: cancelled", 0, 1, 0, 1, 2, 0, 1, 0},
        {"downwards onto a ridden chara: cancelled", 0, 0, 1, 1, 2, 0, 1, 0},
        {"upwards from solid ground: it pushes", 0, 1, 0, 0, -2, 0, -2, -2},
        {"no impact: nothing", 0, 0, 0, 1, 0, 5, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Make(700, 700);
        cMapCell& floor = Cell(22, 23);
        floor.m_cHit = 1;
        chara.m_pFootBlock = c.onGround ? &floor : nullptr;
        chara.m_bFly = c.fly, chara.m_bRiding = c.riding;
        chara.m_dSpeedY = c.speedY, chara.m_dImpactY = c.impactY, chara.m_dPrevImpactY = c.prevImpactY;
        chara.ApplyImpactY();
        EXPECT_DOUBLE_EQ(chara.m_dSpeedY, c.wantSpeedY);
        EXPECT_DOUBLE_EQ(chara.m_dImpactY, c.wantImpactY);
        if (c.impactY != 0) {
            EXPECT_DOUBLE_EQ(chara.m_dPrevImpactY, c.wantImpactY);
        }
    }

    // Switch 897 (without 841) keeps a falling chara from being pulled back
    // by more than a sub-step's share.
    g_SystemData.Set(kSysSwitch897, 1);
    Make(700, 700);
    chara.m_dSpeedY = 0, chara.m_dImpactY = 1, chara.m_dPrevImpactY = 2;
    chara.ApplyImpactY();
    EXPECT_EQ(chara.m_dSpeedY, 0);
    EXPECT_EQ(chara.m_dPrevImpactY, 1);
    g_SystemData.Set(kSysSwitch841, 1);
    chara.m_dSpeedY = 0, chara.m_dImpactY = 1, chara.m_dPrevImpactY = 2;
    chara.ApplyImpactY();
    EXPECT_EQ(chara.m_dSpeedY, -1);

    // Decay: 1/4 a sub-step towards 0, never past it; a vertical one that
    // ends clears its previous value too.
    Make(700, 700);
    chara.m_dImpactX = 0.6, chara.m_dImpactY = -0.2, chara.m_dPrevImpactY = -0.5;
    chara.DecayImpactX();
    chara.DecayImpactY();
    EXPECT_DOUBLE_EQ(chara.m_dImpactX, 0.35);
    EXPECT_EQ(chara.m_dImpactY, 0);
    EXPECT_EQ(chara.m_dPrevImpactY, 0);
    chara.DecayImpactX();
    chara.DecayImpactX();
    EXPECT_EQ(chara.m_dImpactX, 0);
}

TEST_F(ContactTest, RidingEndsAndTrialMovesGoBack) {
    Make(700, 700);
    chara.m_bRiding = 1, chara.m_dSpeedY = 2;
    chara.StopRiding(0);
    EXPECT_EQ(chara.m_bRiding, 0);
    EXPECT_EQ(chara.m_dSpeedY, 0);
    EXPECT_EQ(chara.m_bLeftRide, 0);
    // Thrown off: the fall goes on, and the chara knows it left its ride.
    chara.m_bRiding = 1, chara.m_dSpeedY = 2, chara.m_dImpactY = -1;
    chara.StopRiding(1);
    EXPECT_EQ(chara.m_dSpeedY, 2);
    EXPECT_EQ(chara.m_bLeftRide, 1);

    chara.SavePos();
    const double x = chara.m_dX, y = chara.m_dY, r = chara.m_dRight, b = chara.m_dBottom;
    chara.m_dX += 5, chara.m_dY -= 7, chara.m_dRight += 5, chara.m_dBottom -= 7;
    chara.RestorePos();
    EXPECT_EQ(chara.m_dX, x);
    EXPECT_EQ(chara.m_dY, y);
    EXPECT_EQ(chara.m_dRight, r);
    EXPECT_EQ(chara.m_dBottom, b);
}

}  // namespace
