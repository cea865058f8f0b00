// Jump arithmetic under the stage's gravity, standing on ground, and the
// single-entry key test.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/input_state.h"
#include "objects/chara.h"
#include "objects/stage_fixture.h"
#include "project/condition.h"
#include "project/system_data.h"

namespace {

class JumpMaths : public objtest::StageTest {
protected:
    // Gravity setting G (dots per frame squared) at hit level n: g = G / n².
    static void Physics(double gravity, int level) {
        g_Stage.m_dGravity = gravity;
        g_Stage.SetHitLevel(level);
    }
    // The rise of a jump stepped by hand as the play step moves it: gravity
    // first, then the step, until the speed no longer points up.
    static double RiseOf(double v) {
        const double g = g_Stage.m_dGravityStep;
        double rise = 0;
        for (double s = v + g; s < 0; s += g) rise -= s;
        return rise;
    }

    cChara chara;
};

}  // namespace

TEST_F(JumpMaths, SpeedApexAndTimeForHeightsAndGravities) {
    struct Case {
        double gravity;
        int level;
        double height;
        double speed;  // exact where the steps meet the height exactly
        int apex;
    };
    const Case cases[] = {
        {1, 1, 3, -3, 4},  // steps -2, -1
        {1, 1, 6, -4, 5},  // -3, -2, -1
        {1, 1, 0, -1, 2},
        {2, 2, 3, -2, 6},  // g = 0.5: -1.5, -1, -0.5
    };
    for (const Case& c : cases) {
        Physics(c.gravity, c.level);
        const double v = chara.JumpSpeedFromHeight(c.height);
        EXPECT_EQ(v, c.speed) << c.gravity << " " << c.height;
        EXPECT_EQ(chara.FramesToApex(v), c.apex) << c.gravity << " " << c.height;
        EXPECT_EQ(RiseOf(v), c.height) << c.gravity << " " << c.height;
    }

    // A new stage's physics: n = 10, g = 0.004. Heights are reached to
    // within one step, and the apex counts the rising sub-steps after n.
    Physics(0.4, 10);
    for (int hbl : {1, 4}) {
        const double v = chara.JumpSpeedFromHbl(static_cast<int8_t>(hbl));
        EXPECT_EQ(v, chara.JumpSpeedFromHeight(hbl * 16.0));
        EXPECT_NEAR(RiseOf(v), hbl * 16, 0.001) << hbl;
        int rising = 0;
        for (double s = v + g_Stage.m_dGravityStep; s < 0; s += g_Stage.m_dGravityStep) ++rising;
        EXPECT_EQ(chara.FramesToApex(v), 10 + rising) << hbl;
    }
    EXPECT_EQ(chara.FramesToApex(chara.JumpSpeedFromHbl(1)), 99);
    EXPECT_EQ(chara.FramesToApex(chara.JumpSpeedFromHbl(4)), 189);
    // Tenths of a second to the apex: 99 / 10 / 6 + 1 and 189 / 10 / 6 + 1.
    EXPECT_EQ(chara.JumpTimeFromHbl(1), 2);
    EXPECT_EQ(chara.JumpTimeFromHbl(4), 4);
    Physics(1, 1);
    EXPECT_EQ(chara.JumpTimeFromHbl(1), 2);  // apex 7: 7 / 1 / 6 + 1
}

TEST_F(JumpMaths, OlderHeroJumpsAreSlowerByTheGravity) {
    Physics(1, 1);
    g_SystemData.Set(kSysSwitch845c, 1);
    chara.m_nKind = 0;
    EXPECT_EQ(chara.JumpSpeedFromHeight(3), -3 * (0.99 - 0.025 * 1));
    chara.m_nKind = 1;  // the computer's charas keep the plain speed
    EXPECT_EQ(chara.JumpSpeedFromHeight(3), -3);
    g_SystemData.Set(kSysSwitch845c, 0);
    chara.m_nKind = 0;
    EXPECT_EQ(chara.JumpSpeedFromHeight(3), -3);
}

TEST_F(JumpMaths, NoGravityAndNegativeHeightsStayFinite) {
    // Without gravity nothing rises; the apex is that of speed 0.
    for (double gravity : {0.0, -0.5}) {
        Physics(gravity, 10);
        EXPECT_EQ(chara.JumpSpeedFromHeight(64), 0) << gravity;
        EXPECT_EQ(chara.JumpSpeedFromHbl(-128), 0) << gravity;
        EXPECT_EQ(chara.FramesToApex(-3), 10) << gravity;
        EXPECT_EQ(chara.JumpTimeFromHbl(4), 1) << gravity;
    }
    // A stage's gravity that is not a number is reported and taken as the
    // default; a step gravity set by hand to one still gives no rise.
    Physics(std::nan(""), 10);
    EXPECT_EQ(g_Stage.m_dGravity, 0.4);
    EXPECT_NE(orvtest::ReadHostFile("Report_Game.txt").find("gravity of the stage is not a number"), std::string::npos);
    g_Stage.m_dGravityStep = std::nan("");
    EXPECT_EQ(chara.JumpSpeedFromHeight(64), 0);
    EXPECT_EQ(chara.FramesToApex(-3), 10);
    // Below -g/8 there is no real speed: the least rise a jump has.
    Physics(1, 1);
    EXPECT_EQ(chara.JumpSpeedFromHeight(-1), -0.5);
    EXPECT_EQ(chara.JumpSpeedFromHbl(-128), -0.5);
    EXPECT_EQ(chara.JumpTimeFromHbl(-128), 1);
    // Just above it the formula still holds.
    EXPECT_TRUE(std::isfinite(chara.JumpSpeedFromHeight(-0.1)));
    EXPECT_LT(chara.JumpSpeedFromHeight(-0.1), -0.5);
    // A speed far beyond the gravity gives the nearest int, not an
    // undefined conversion.
    Physics(1e-300, 1);
    EXPECT_EQ(chara.FramesToApex(-1e10), INT32_MAX);
    EXPECT_EQ(chara.FramesToApex(1e10), INT32_MIN);
}

TEST_F(JumpMaths, OnGroundMeansASolidFootBlockOrRiding) {
    cPltBlock block;
    block.m_cHit = 1;
    chara.m_nFaction = 2;
    EXPECT_FALSE(chara.IsOnGround());
    chara.m_pFootBlock = &block;
    EXPECT_TRUE(chara.IsOnGround());
    block.m_ucPassClass = 2;  // this faction passes through
    EXPECT_FALSE(chara.IsOnGround());
    chara.m_bRiding = 1;
    EXPECT_TRUE(chara.IsOnGround());
    chara.m_pFootBlock = nullptr;
    EXPECT_TRUE(chara.IsOnGround());
}

TEST(KeyCondition, ModesTestTheKeysAsTheyAreNow) {
    // Left held with button 1: sequences 1 (left) and 9 (any direction),
    // button 1 (entry 11) down; 0 (no direction) and 10 (no button) up.
    cInputState input;
    input.m_sDir = kDirLeft;
    input.m_sButton = 1;
    input.UpdateSequences();

    struct Case {
        int mode;
        std::vector<std::pair<int, int>> needs;  // {key, 1 down / 2 up}
        bool expected;
    };
    const Case cases[] = {
        {0, {{1, 1}, {11, 1}}, true},
        {0, {{1, 1}, {2, 1}}, false},
        {0, {{0, 2}, {10, 2}, {9, 1}}, true},
        {0, {}, true},
        {1, {{2, 1}, {11, 1}}, true},
        {1, {{2, 1}, {3, 1}}, false},
        {1, {{1, 2}, {12, 1}}, false},
        {1, {}, false},
        {2, {{1, 1}, {2, 1}}, true},
        {2, {{1, 1}, {11, 1}}, false},
        {2, {{2, 2}, {3, 2}}, false},
        {2, {{2, 1}, {3, 1}}, false},
    };
    for (const Case& c : cases) {
        cKeyCond key;
        key.SetDefault();
        key.m_cMode = static_cast<int8_t>(c.mode);
        // Neither the facing mirror nor hold times apply to this test.
        key.m_cRelative = 1;
        key.m_sHoldMin = 100;
        key.m_sHoldMax = 200;
        for (auto [k, need] : c.needs) key.m_vKey.At(k) = static_cast<int8_t>(need);
        EXPECT_EQ(cChara::EvalKeyCondition(input, key), c.expected) << "mode " << c.mode << " case " << (&c - cases);
    }

    // Released: the same button now fails "down" and passes "up".
    input.m_sButton = 0;
    input.UpdateSequences();
    cKeyCond key;
    key.SetDefault();
    key.m_vKey.At(11) = 1;
    EXPECT_FALSE(cChara::EvalKeyCondition(input, key));
    key.m_vKey.At(11) = 2;
    EXPECT_TRUE(cChara::EvalKeyCondition(input, key));

    // A key list cut short and an input without sequences read as up.
    key.m_vKey.resize(3);
    key.m_vKey.At(1) = 2;
    cInputState empty;
    empty.m_DirSeq.clear();
    empty.m_ButtonSeq.clear();
    EXPECT_TRUE(cChara::EvalKeyCondition(empty, key));
    key.m_vKey.At(1) = 1;
    EXPECT_FALSE(cChara::EvalKeyCondition(empty, key));
}
