// The hero's jump command by the key it is held with, taking items' command
// lists, the game maker's hit-box display and the limited-sight overlay.
#include "objects/hero.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/input_state.h"
#include "app/requests.h"
#include "gfx/system_bitmaps.h"
#include "objects/draw_fixture.h"
#include "objects/item.h"
#include "objects/stage_fixture.h"
#include "project/condition.h"
#include "project/system_data.h"
#include "support/sent_messages.h"

namespace {

using orvtest::g_Sent;
using orvtest::RecordSent;

// Data sounds the window was asked to play.
std::vector<int> SoundsPlayed() {
    std::vector<int> out;
    for (uintptr_t slot : orvtest::SentParams(WM_REQ_SE)) out.push_back(static_cast<int>(slot) - 16);
    return out;
}

class HeroTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        g_Sent.clear();
        plat::SetWindowProc(window, RecordSent);
        cCharaDef def;
        def.m_sChip = 1;
        def.m_cOperatedBy = 0;
        hero.Init(1, def, 800, 800, 0);
        hero.m_pInput = &input;
        // Standing on a solid block.
        ground.m_cHit = 1;
        hero.m_pFootBlock = &ground;
        hero.m_bAirborne = 0;

        // A key jump: held with button 1, up to 60 sub-steps, speed -3.
        cmd.m_vParam.assign(5, 0);
        cmd.m_vParam[0] = 1;
        cmd.m_sSound = 7;
        run.m_pCmd = &cmd;
        run.m_nSteps = 60;
        run.m_dSpeed = -3;
        run.m_nRemain = 40;
        key.SetDefault();
        key.m_vKey.At(11) = 1;
        flow.m_vKeyConds = {&key};
        scene.m_pCurFlowRun = &flow;
    }
    void TearDown() override {
        g_Sent.clear();
        StageTest::TearDown();
    }
    void Press(bool down) {
        input.m_sButton = down ? 1 : 0;
        input.UpdateSequences();
    }
    // One sub-step as the play step gives it: the update clears the
    // once-a-frame mark, then the jump command runs.
    void Step(int subStep = 1) {
        hero.m_bJumpDone = 0;
        scene.m_nSubStep = subStep;
        hero.Jump(&run);
    }

    cHero hero;
    cInputState input;
    cPltBlock ground;
    cFlowCmd cmd;
    cCmdRun run;
    cKeyCond key;
    cFlowRun flow;
};

class HeroDrawTest : public HeroTest {
protected:
    void SetUp() override {
        HeroTest::SetUp();
        layer.Start();
    }
    void TearDown() override {
        layer.Stop();
        HeroTest::TearDown();
    }
    drawtest::DrawLayer layer;
};

}  // namespace

TEST_F(HeroTest, ReleasingBeforeTheHoldLimitCutsTheRiseHoldingGivesTheFullJump) {
    Press(true);
    Step();
    EXPECT_EQ(hero.m_dSpeedY, -3);
    EXPECT_EQ(run.m_bBegun, 1);
    EXPECT_EQ(hero.m_bJumpRising, 1);
    EXPECT_EQ(SoundsPlayed(), std::vector<int>{7});
    for (int i = 0; i < 4; ++i) Step();
    EXPECT_EQ(hero.m_nJumpHold, 5);
    EXPECT_EQ(hero.m_dSpeedY, -3);  // taken off once only
    Press(false);
    Step();
    EXPECT_EQ(hero.m_dSpeedY, -3 * 0.3);
    EXPECT_EQ(hero.m_bJumped, 1);
    EXPECT_EQ(hero.m_nJumpHold, 0);
    EXPECT_EQ(hero.m_bJumpArmed, 1);

    // Held to the limit: the rise goes on after the key is let go.
    hero.m_bJumped = hero.m_bJumpRising = 0;
    hero.m_dSpeedY = 0;
    run.m_bBegun = 0;
    run.m_nSteps = 12;
    Press(true);
    for (int i = 0; i < 11; ++i) Step();
    EXPECT_EQ(hero.m_bJumped, 0);
    Step();
    EXPECT_EQ(hero.m_bJumped, 1);
    EXPECT_EQ(hero.m_bJumpArmed, 0);
    Press(false);
    Step();
    EXPECT_EQ(hero.m_dSpeedY, -3);
}

TEST_F(HeroTest, TheKeyIsTheFlowsLastKeyConditionAndOnlyOncePerFrame) {
    // Only the last key condition counts: button 2 is not down, yet the
    // hero jumps.
    cKeyCond first;
    first.SetDefault();
    first.m_vKey.At(12) = 1;
    flow.m_vKeyConds = {&first, &key};
    Press(true);
    hero.Jump(&run);
    EXPECT_EQ(hero.m_dSpeedY, -3);
    EXPECT_EQ(hero.m_nJumpHold, 1);
    // A second call in the same frame does nothing.
    hero.Jump(&run);
    EXPECT_EQ(hero.m_nJumpHold, 1);
    Step();
    EXPECT_EQ(hero.m_nJumpHold, 2);

    struct Case {
        const char* what;
        bool keys;
        int blocked, flying;
    };
    const Case cases[] = {
        {"no key conditions", false, 0, 0},
        {"ground forbids jumping", true, 1, 0},
        {"flying", true, 0, 1},
    };
    for (const Case& c : cases) {
        hero.m_dSpeedY = 0;
        hero.m_nJumpHold = 0;
        hero.m_bJumpRising = 0;
        run.m_bBegun = 0;
        flow.m_vKeyConds = c.keys ? cVector<const cKeyCond*>{&key} : cVector<const cKeyCond*>{};
        hero.m_bJumpBlocked = c.blocked;
        hero.m_bFly = c.flying;
        Step();
        EXPECT_EQ(hero.m_dSpeedY, 0) << c.what;
        EXPECT_EQ(hero.m_nJumpHold, 0) << c.what;
        EXPECT_EQ(hero.m_bJumpDone, c.flying ? 0 : 1) << c.what;
    }
}

TEST_F(HeroTest, TypeTwoHeightGrowsWithSpeedFromZero) {
    g_Stage.SetHitLevel(3);
    // Above 50 tenths a frame 8 half blocks, below 20 tenths 2; the limits
    // are 50 / 30 and 20 / 30 dots per sub-step, as real numbers.
    cmd.m_vParam = {2, 50, 8, 20, 2};
    struct Case {
        double speedX;
        int height;
    };
    const Case cases[] = {
        {2.0, 8}, {1.0, 5}, {-1.0, 5},  // 2 + 6 x 1 / (5/3) = 5.6
        {0.7, 4},                       // just above the lower limit: 2 + 6 x 0.7 / (5/3) = 4.52
        {0.6, 2}, {0.0, 2},
    };
    Press(false);
    for (const Case& c : cases) {
        hero.m_dInertiaX = c.speedX;
        Step();
        EXPECT_EQ(run.m_dSpeed, hero.JumpSpeedFromHeight(c.height * 16)) << c.speedX;
    }
}

TEST_F(HeroTest, LeavingARiddenCharaOnlyOnTheLastSubStep) {
    g_Stage.SetHitLevel(3);
    hero.m_pFootBlock = nullptr;
    for (int sw : {0, 1}) {
        g_SystemData.Set(kSysSwitch845a, sw);
        hero.m_bRiding = 1;
        hero.m_dSpeedY = 0;
        hero.m_nJumpHold = 0;
        hero.m_bJumpRising = 0;
        run.m_bBegun = 0;
        Press(true);
        Step(1);
        Step(2);
        EXPECT_EQ(hero.m_dSpeedY, 0) << sw;
        EXPECT_EQ(hero.m_bRiding, 1) << sw;
        Step(3);
        EXPECT_EQ(hero.m_bRiding, 0) << sw;
        EXPECT_EQ(hero.m_dSpeedY, sw ? -3 * 1.0199999809265137 : -3) << sw;
    }
}

TEST_F(HeroTest, LandingEndsAKeyJumpAndRearmsAJumpWithoutKeys) {
    // With key conditions and the key let go: the command ends.
    Press(true);
    Step();
    hero.m_dSpeedY = 0;
    hero.m_bImpacted = 1;
    hero.m_bHeadBlocked = 1;
    Press(false);
    Step();
    EXPECT_EQ(run.m_nRemain, 0);
    EXPECT_EQ(hero.m_bImpacted, 0);
    EXPECT_EQ(hero.m_bHeadBlocked, 0);
    EXPECT_EQ(hero.m_bJumpArmed, 1);

    // Without key conditions (type 0 counts as held): landing lets the same
    // command jump again.
    flow.m_vKeyConds.clear();
    cmd.m_vParam[0] = 0;
    run.m_bBegun = 0;
    run.m_nRemain = 40;
    hero.m_bJumped = hero.m_bJumpRising = 0;
    g_Sent.clear();
    Step();
    EXPECT_EQ(hero.m_dSpeedY, -3);
    hero.m_dSpeedY = 0;       // landed: the map collision clears these
    hero.m_bJumpRising = 0;
    Step();
    EXPECT_EQ(run.m_bBegun, 0);
    EXPECT_EQ(run.m_nRemain, 40);
    EXPECT_EQ(hero.m_nJumpHold, 0);
    Step();
    EXPECT_EQ(hero.m_dSpeedY, -3);
    EXPECT_EQ(SoundsPlayed(), (std::vector<int>{7, 7}));
}

TEST_F(HeroTest, ItemCommandsStopAtOnceWhenTheHeroHasNoHp) {
    auto itemCmd = [](int kind) {
        cFlowCmd c;
        c.m_cCategory = 1;
        c.m_cKind = static_cast<int8_t>(kind);
        return c;
    };
    cVector<cFlowCmd> cmds;
    cmds.push_back(itemCmd(23));  // the arrange command is not arranged
    cmds.push_back(itemCmd(0));

    scene.m_bChainedMessage = 1;
    hero.m_nHP = 10;
    hero.m_PendingArranges.push_back(PendingArrange{1, 2});
    EXPECT_EQ(hero.RunItemCmds(cmds), 0);
    EXPECT_EQ(scene.m_bChainedMessage, 0);
    EXPECT_TRUE(hero.m_PendingArranges.empty());

    // No HP: 2 after the first command, before the second takes the
    // pending arrangement.
    hero.m_nHP = 0;
    hero.m_PendingArranges.push_back(PendingArrange{1, 2});
    EXPECT_EQ(hero.RunItemCmds(cmds), 2);
    EXPECT_EQ(hero.m_PendingArranges.size(), 1u);

    cVector<cFlowCmd> none;
    EXPECT_EQ(hero.RunItemCmds(none), 2);
    hero.m_nHP = 1;
    EXPECT_EQ(hero.RunItemCmds(none), 0);
    // A kind without a handler is passed over.
    cVector<cFlowCmd> odd;
    odd.push_back(itemCmd(-3));
    odd.push_back(itemCmd(99));
    EXPECT_EQ(hero.RunItemCmds(odd), 0);
}

TEST_F(HeroTest, TouchedItemsAreNewUntilRecordedAndEndWhenRemoved) {
    cItem a, b;
    EXPECT_TRUE(hero.IsNewItemTouch(&a));
    hero.m_TouchedItems.push_back(&a);
    EXPECT_FALSE(hero.IsNewItemTouch(&a));
    EXPECT_TRUE(hero.IsNewItemTouch(&b));
    hero.EndItemTouch(&b);
    hero.EndItemTouch(&a);
    EXPECT_TRUE(hero.IsNewItemTouch(&a));
    EXPECT_TRUE(hero.m_TouchedItems.empty());
}

TEST_F(HeroTest, BoxRecordsAreSortedByAreaAndRebuiltByTheMoveType) {
    g_Stage.m_nHeroItemW = g_Stage.m_nHeroItemH = 20;  // 400
    g_Stage.m_nPicBoxColor = 1;
    g_Stage.m_nItemBoxColor = 2;
    g_Stage.m_nBodyBoxColor = 0;
    g_Stage.m_nShotBoxColor = 7;
    g_Stage.m_nBodyBoxShow = 2;
    g_Stage.m_nHeroFlyBodyW = g_Stage.m_nHeroFlyBodyH = 30;  // 900 when flying
    cCharaDef def;
    def.m_sChip = 1;
    def.m_cOperatedBy = 0;
    hero.Init(1, def, 800, 800, 0);
    auto types = [this] {
        std::vector<int> t;
        for (const HITBOXVIEW& v : hero.m_BoxViews) t.push_back(v.type);
        return t;
    };
    // Item 400; extent and body 16 x 24 = 384 each, in listed order; shot 96.
    EXPECT_EQ(types(), (std::vector<int>{2, 0, 1, 3}));
    EXPECT_EQ(hero.m_BoxViews[0].palette, 216);
    EXPECT_EQ(hero.m_BoxViews[1].palette, 212);
    EXPECT_EQ(hero.m_BoxViews[2].palette, 208);
    EXPECT_EQ(hero.m_BoxViews[2].mode, 2);
    EXPECT_EQ(hero.m_BoxViews[3].palette, 236);
    EXPECT_EQ(hero.m_BoxViews[3].width * hero.m_BoxViews[3].height, 12 * 8);

    hero.SetMoveType(kMoveFlyThrough, 0, 0, 0);
    EXPECT_EQ(types(), (std::vector<int>{1, 2, 0, 3}));
    EXPECT_EQ(hero.m_BoxViews[0].width, 30);
}

TEST_F(HeroDrawTest, BoxDisplayDrawsFramesAndFillsInCyclingColours) {
    g_Stage.m_nPicBoxShow = 1;  // extent 16 x 24 as a frame
    g_Stage.m_nPicBoxColor = 1;
    g_Stage.m_nShotBoxShow = 2;  // shot box 12 x 8 filled
    g_Stage.m_nShotBoxColor = 7;
    hero.BuildHitboxOverlays();
    hero.m_bVanished = 1;  // only the boxes
    scene.m_ScrollX.m_dPos = 640;
    scene.m_ScrollY.m_dPos = 400;
    hero.m_dX = 800;
    hero.m_dY = 800;
    auto draw = [&] {
        DDFillSurface(&g_BackBufferSD, 3);
        hero.UpdateScreenRect();
        hero.Draw(&g_BackBufferSD, 0);
    };
    draw();
    // The body is at (160, 400) on the screen; the shot box is centred in
    // the 32-dot cell, 2 and 4 dots inside the body.
    EXPECT_TRUE(layer.Is(160, 400, 212));
    EXPECT_TRUE(layer.Is(175, 423, 212));
    EXPECT_TRUE(layer.Is(159, 400, 3));
    EXPECT_TRUE(layer.Is(176, 410, 3));
    EXPECT_TRUE(layer.Is(161, 402, 3));  // inside the frame
    EXPECT_TRUE(layer.Is(162, 404, 236));
    EXPECT_TRUE(layer.Is(173, 411, 236));
    EXPECT_TRUE(layer.Is(161, 404, 3));
    EXPECT_TRUE(layer.Is(174, 404, 3));
    EXPECT_TRUE(layer.Is(162, 412, 3));

    // One colour of the group per 8 draws, round in 32.
    for (int i = 2; i <= 8; ++i) draw();
    EXPECT_TRUE(layer.Is(160, 400, 212));
    draw();
    EXPECT_TRUE(layer.Is(160, 400, 213));
    EXPECT_TRUE(layer.Is(162, 404, 237));
    for (int i = 10; i <= 32; ++i) draw();
    EXPECT_TRUE(layer.Is(160, 400, 215));
    draw();
    EXPECT_TRUE(layer.Is(160, 400, 212));

    // Where 8-bit colour cycles the palette, the base colour stays.
    const int bpp = g_nBpp;
    g_nBpp = 8;
    g_SystemData.Set(kSysColourCycling, 1);
    for (int i = 0; i < 12; ++i) draw();
    g_nBpp = bpp;
    EXPECT_TRUE(layer.Is(160, 400, 212));
}

TEST_F(HeroDrawTest, SightOverlayCentresOnTheHeroWithinTheSurface) {
    auto overlay = [&](int w, int h) {
        DDReleaseSurface(&g_SysBmp[kSysBmpSightOverlay]);
        DDSURFACEDATA* sd = layer.Sheet(kSysBmpSightOverlay, w, h);
        DDFillSurface(sd, 5);
        DDFillRect(sd, w / 2, h / 2, 1, 1, 9);  // the centre
        DDFillRect(sd, 0, 0, 1, 1, 11);
        DDFillRect(sd, w - 1, h - 1, 1, 1, 12);
    };
    auto draw = [&](int mode, int left, int top) {
        DDFillSurface(&g_BackBufferSD, 3);
        hero.m_Def.m_cSightShape = static_cast<int8_t>(mode);
        hero.m_nScreenL = left;
        hero.m_nScreenT = top;
        hero.DrawOverlay(&g_BackBufferSD);
    };
    overlay(1376, 1056);  // a sight of 48 dots
    hero.m_nSpriteW = hero.m_nSpriteH = 32;
    hero.m_nSight = 48;

    draw(0, 300, 200);  // the whole screen is seen
    EXPECT_TRUE(layer.Is(316, 216, 3));
    draw(1, 300, 200);
    EXPECT_TRUE(layer.Is(316, 216, 9));
    EXPECT_TRUE(layer.Is(0, 0, 5));
    // In front: moved by the sight less half the sprite, to the facing side.
    struct Case {
        int mode, right, x;
    };
    for (const Case& c : {Case{2, 1, 348}, Case{2, 0, 284}, Case{4, 1, 348}, Case{3, 0, 316}}) {
        hero.m_bRight = c.right;
        draw(c.mode, 300, 200);
        EXPECT_TRUE(layer.Is(c.x, 216, 9)) << c.mode << " " << c.right;
    }
    // Near the edges the window stops at the overlay's corners.
    draw(1, 1000, 1000);
    EXPECT_TRUE(layer.Is(0, 0, 11));
    draw(1, -1000, -1000);
    EXPECT_TRUE(layer.Is(639, 479, 12));

    // An overlay smaller than the screen is drawn from its corner, no
    // further than it reaches.
    overlay(300, 200);
    draw(1, 300, 200);
    EXPECT_TRUE(layer.Is(0, 0, 11));
    EXPECT_TRUE(layer.Is(299, 199, 12));
    EXPECT_TRUE(layer.Is(300, 100, 3));
    EXPECT_TRUE(layer.Is(100, 200, 3));
}
