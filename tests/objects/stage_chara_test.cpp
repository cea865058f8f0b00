// Stage charas: which of them act, the start of their per-sub-step update
// with the auto-scroll speeds and the flow loop, their movement codes, the
// jump sub-step, the carried-item icon, and the rectangle test of every
// game object.
#include "objects/stage_chara.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/requests.h"
#include "gfx/system_bitmaps.h"
#include "objects/draw_fixture.h"
#include "objects/stage_fixture.h"
#include "project/flow.h"
#include "project/system_data.h"
#include "support/sent_messages.h"

namespace {

using orvtest::g_Sent;
using orvtest::RecordSent;

// The sound slots asked for since the last call.
std::vector<uintptr_t> TakeSounds() {
    std::vector<uintptr_t> slots = orvtest::SentParams(WM_REQ_SE);
    g_Sent.clear();
    return slots;
}

class StageCharaTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        g_Sent.clear();
        plat::SetWindowProc(window, RecordSent);
        // Walking and flying charas alike: a 16 x 24 body in a 32 x 32 cell.
        g_Stage.m_nCharaFlyPicW = 16;
        g_Stage.m_nCharaFlyPicH = 24;
        // The view shows [640, 1280) x [400, 880).
        scene.m_ScrollX.m_dPos = 640;
        scene.m_ScrollY.m_dPos = 400;
    }
    void TearDown() override {
        g_Sent.clear();
        StageTest::TearDown();
    }

    static cCharaDef Def(int flying = 0) {
        cCharaDef d;
        d.m_cFlight = static_cast<int8_t>(flying);
        d.m_nCarryItem = -1;
        return d;
    }
    // Set up from `def` with its body's top-left corner at (x, y), standing.
    static void Make(cStageChara& c, cCharaDef def, double x, double y, const cItem* item = nullptr) {
        c.Init(1, def, item, x, y, 0, 0);
        Put(c, x, y);
        c.m_bAirborne = 0;
    }
    static void Put(cStageChara& c, double x, double y) {
        c.m_dX = x, c.m_dY = y;
        c.CheckBoundsX();
        c.CheckBoundsY();
    }
    static std::string Report() { return orvtest::ReadHostFile("Report_Game.txt"); }
    // A wait command well inside its time: stepping it keeps its flow going.
    cCmdRun Waiting() {
        wait.m_cKind = 1;
        cCmdRun r;
        r.m_pCmd = &wait;
        r.m_nSteps = r.m_nRemain = 1000;
        return r;
    }
    cFlowCmd wait;
    std::vector<char> flags = std::vector<char>(60, 0);
};

// --- Activity -------------------------------------------------------------

TEST_F(StageCharaTest, ModeOneKeepsActingOffScreenOnceActivated) {
    cCharaDef d = Def();
    d.m_cActivationMode = 1;
    cStageChara c;
    Make(c, d, 800, 600);
    EXPECT_TRUE(c.CheckInView(flags));
    EXPECT_TRUE(c.CheckActivate(flags));
    EXPECT_EQ(c.m_bActivated, 1);
    EXPECT_EQ(c.m_bIgnoreViewX, 1);
    EXPECT_EQ(c.m_bIgnoreViewY, 1);
    // The screen rectangle is brought up to date for the acting chara.
    EXPECT_EQ(c.m_nScreenL, 800 - c.m_nOffsetX - 640);
    EXPECT_EQ(c.m_nScreenT, 600 - c.m_nOffsetY - 400);

    const std::pair<double, double> away[] = {{400, 600}, {800, 1100}, {400, 1100}};
    for (const auto& [x, y] : away) {
        SCOPED_TRACE(testing::Message() << x << ", " << y);
        Put(c, x, y);
        EXPECT_TRUE(c.CheckInView(flags));
        EXPECT_TRUE(c.CheckActivate(flags));
    }
}

TEST_F(StageCharaTest, ModeZeroStopsOffScreenUnlessAirborneAfterActing) {
    cStageChara c;
    Make(c, Def(), 800, 600);
    EXPECT_TRUE(c.CheckInView(flags));
    EXPECT_TRUE(c.CheckActivate(flags));
    EXPECT_EQ(c.m_bIgnoreViewX + c.m_bIgnoreViewY, 0);

    Put(c, 400, 600);
    EXPECT_FALSE(c.CheckInView(flags));
    EXPECT_FALSE(c.CheckActivate(flags));
    c.m_bAirborne = 1;
    EXPECT_TRUE(c.CheckActivate(flags));

    // Never active before: the air alone does not wake it, a rising jump
    // does, for a walking chara only.
    for (int flying : {0, 1}) {
        SCOPED_TRACE(flying);
        cStageChara fresh;
        Make(fresh, Def(flying), 400, 600);
        fresh.m_bAirborne = 1;
        EXPECT_FALSE(fresh.CheckInView(flags));
        EXPECT_FALSE(fresh.CheckActivate(flags));
        EXPECT_EQ(fresh.m_bActivated, 0);
        fresh.m_bJumpRising = 1;
        EXPECT_EQ(fresh.CheckActivate(flags), flying == 0);
    }
}

TEST_F(StageCharaTest, ActivityRangeIgnoresAxesOfTheViewTest) {
    struct Case {
        int range;
        double x, y;
        bool inView;
    };
    const Case cases[] = {
        {0, 800, 600, true},   {0, 400, 600, false},  {0, 800, 1100, false},
        {1, 800, 1100, true},  {1, 400, 600, false},  // Y ignored
        {2, 400, 600, true},   {2, 800, 1100, false},  // X ignored
        {3, 400, 1100, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "range " << k.range << " at " << k.x << ", " << k.y);
        cCharaDef d = Def();
        d.m_cActivityRange = static_cast<int8_t>(k.range);
        cStageChara c;
        Make(c, d, k.x, k.y);
        EXPECT_EQ(c.CheckInView(flags), k.inView);
        EXPECT_EQ(c.m_bInViewTest, k.inView ? 1 : 0);
        EXPECT_EQ(c.CheckActivate(flags), k.inView);
    }
}

TEST_F(StageCharaTest, ASeenAppearanceFlagWakesItsCharasAnywhere) {
    cCharaDef seen = Def();
    seen.m_cFlagAppear = 1;
    seen.m_sFlagNo = 3;
    cStageChara away;
    Make(away, seen, 400, 600);
    EXPECT_FALSE(away.CheckInView(flags));
    EXPECT_EQ(flags[3], 0);  // out of view it marks nothing
    EXPECT_FALSE(away.CheckActivate(flags));

    cStageChara here;
    Make(here, seen, 800, 600);
    EXPECT_TRUE(here.CheckInView(flags));
    EXPECT_EQ(flags[3], 1);
    EXPECT_TRUE(away.CheckActivate(flags));

    cCharaDef other = seen;
    other.m_sFlagNo = 4;
    cStageChara elsewhere;
    Make(elsewhere, other, 400, 600);
    elsewhere.CheckInView(flags);
    EXPECT_FALSE(elsewhere.CheckActivate(flags));
}

TEST_F(StageCharaTest, AnAppearanceFlagOutsideTheFlagsIsReportedAndLeftAlone) {
    for (int no : {60, -1}) {
        SCOPED_TRACE(no);
        cCharaDef d = Def();
        d.m_cFlagAppear = 1;
        d.m_sFlagNo = static_cast<int16_t>(no);
        cStageChara off, on;
        Make(off, d, 400, 600);
        Make(on, d, 800, 600);
        EXPECT_TRUE(on.CheckInView(flags));
        EXPECT_FALSE(off.CheckInView(flags));
        EXPECT_FALSE(off.CheckActivate(flags));
        EXPECT_EQ(flags, std::vector<char>(60, 0));
        EXPECT_NE(Report().find("err V[" + std::to_string(no) + "] ( 60 ,"), std::string::npos);
    }
}

// --- Update ---------------------------------------------------------------

TEST_F(StageCharaTest, UpdateStartsEverySubStepAfresh) {
    cStageChara c;
    Make(c, Def(), 800, 600);
    c.m_bMoveDisabled = 1;
    c.m_bFrictionX = c.m_bFrictionY = 0;
    c.m_bVanished = 1;
    c.m_bAnimeReq = 1, c.m_nAnimeReq = 3, c.m_nAnimeReqPrio = 2;
    c.m_nTypeChangeWait = 2;
    scene.m_bCheckHeroHP = 1;
    cFlowRun run;
    cCmdRun cmd;
    scene.m_pCurChara = &c, scene.m_pCurFlowRun = &run, scene.m_pCurCmdRun = &cmd;

    EXPECT_EQ(c.Update(false), 0);
    EXPECT_EQ(c.m_bMoveDisabled, 0);
    EXPECT_EQ(c.m_bFrictionX, 1);
    EXPECT_EQ(c.m_bFrictionY, 1);
    EXPECT_EQ(c.m_bVanished, 0);
    EXPECT_EQ(c.m_bAnimeReq + c.m_nAnimeReqPrio, 0);
    EXPECT_EQ(c.m_nTypeChangeWait, 1);
    EXPECT_EQ(scene.m_bCheckHeroHP, 0);
    EXPECT_EQ(scene.m_pCurChara, nullptr);
    EXPECT_EQ(scene.m_pCurFlowRun, nullptr);
    EXPECT_EQ(scene.m_pCurCmdRun, nullptr);
    c.Update(false);
    c.Update(false);
    EXPECT_EQ(c.m_nTypeChangeWait, 0);

    c.m_nHP = 0;
    EXPECT_EQ(c.Update(false), 1);
}

TEST_F(StageCharaTest, BasicAnimeFollowsTheRequestElseStandsOrFloats) {
    struct Case {
        int flying;
        int request;  // -1 none
        double inertiaX, inertiaY;
        int pattern;
    };
    const Case cases[] = {
        {0, -1, 0, 0, 0}, {1, -1, 0, 0, 2},
        {0, 3, 0, 0, 3},  {1, 1, 0.5, 0, 1},     // a request wins over inertia
        {0, -1, 0.5, 0, 7}, {1, -1, 0, -0.5, 7},  // inertia keeps the anime as it is
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "flying " << k.flying << " request " << k.request);
        cStageChara c;
        Make(c, Def(k.flying), 800, 600);
        c.m_Anime.SetPattern(7, true);
        c.m_bAnimeReq = k.request >= 0;
        c.m_nAnimeReq = k.request;
        c.m_dInertiaX = k.inertiaX, c.m_dInertiaY = k.inertiaY;
        c.ChooseBasicAnime();
        EXPECT_EQ(c.m_Anime.Pattern(), k.pattern);
    }
}

TEST_F(StageCharaTest, ScrollSyncMovesFollowersWithTheScrollingAxes) {
    struct Case {
        int sw214, follow, flying;
        bool stopX;
        double speedX, speedY;
    };
    const Case cases[] = {
        {0, 1, 0, false, 1.5, 9},  // walking: X only, its fall goes on
        {0, 1, 1, false, 1.5, -0.5},
        {0, 1, 1, true, 0, -0.5},  // an axis held at its limit gives 0
        {0, 0, 1, false, 0, 0},    {0, 0, 0, false, 0, 9},
        {1, 1, 1, false, 0, 0},    {1, 1, 0, false, 0, 9},  // older projects: no sync
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "214 " << k.sw214 << " follow " << k.follow << " fly " << k.flying
                                        << " stopX " << k.stopX);
        g_SystemData.m_nValue[kSysSwitch214] = k.sw214;
        scene.m_ScrollX.m_dAutoSpeed = 1.5;
        scene.m_ScrollX.m_bAtLimit = k.stopX;
        scene.m_ScrollY.m_dAutoSpeed = -0.5;
        cCharaDef d = Def(k.flying);
        d.m_cScrollSync = static_cast<int8_t>(k.follow);
        cStageChara c;
        Make(c, d, 800, 600);
        c.m_dSpeedX = c.m_dSpeedY = 9;
        c.Update(false);
        EXPECT_EQ(c.m_dSpeedX, k.speedX);
        EXPECT_EQ(c.m_dSpeedY, k.speedY);
    }
}

TEST_F(StageCharaTest, FlowLoopSkipsWhatMayNotRunAndEndsEarly) {
    // A flow is seen to have stepped when the loop ends the update early.
    struct Case {
        const char* what;
        bool deathOnly, testRemove;
        int removeReq, hp, trigger, suspended, ended, running;
        int result;
    };
    const Case cases[] = {
        {"remove request", false, true, 1, 10, 0, 0, 0, 1, 1},
        {"hero ignores the remove request", false, false, 1, 10, 0, 0, 0, 1, 0},
        {"no HP left", false, false, 0, 0, 0, 0, 0, 1, 1},
        {"death flow with no HP left", false, false, 0, 0, 5, 0, 0, 1, 0},
        {"death flows only: others skipped", true, true, 1, 10, 0, 0, 0, 1, 0},
        {"death flows only: death flow steps", true, true, 1, 10, 5, 0, 0, 1, 1},
        {"death flows only ignore HP", true, true, 0, 0, 5, 0, 0, 1, 0},
        {"suspended", false, true, 1, 10, 0, 1, 0, 1, 0},
        {"ended", false, true, 1, 10, 0, 0, 1, 1, 0},
        {"idle", false, true, 1, 10, 0, 0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        cStageChara c;
        Make(c, Def(), 800, 600);
        cFlow flow;
        flow.m_cTrigger = static_cast<int8_t>(k.trigger);
        cFlowRun run;
        run.m_pFlow = &flow;
        run.m_bRunning = k.running, run.m_bSuspended = k.suspended, run.m_bEnded = k.ended;
        run.m_vCmdRuns.assign(1, Waiting());
        c.m_FlowRuns.assign(1, run);
        c.m_bRemoveReq = k.removeReq;
        c.m_nHP = k.hp;
        scene.m_pCurChara = &c;
        EXPECT_EQ(c.StepFlowRuns(k.deathOnly, k.testRemove), k.result);
        if (k.result) {
            EXPECT_EQ(scene.m_pCurChara, nullptr);  // the chara may go now
        }
        EXPECT_EQ(c.m_FlowRuns[0].m_bRunning, k.running);
    }
}

TEST_F(StageCharaTest, FlowLoopStopsFlowsWithoutCommandsUntilItEnds) {
    cStageChara c;
    Make(c, Def(), 800, 600);
    cFlow flow;
    cFlowRun empty, busy;
    empty.m_pFlow = busy.m_pFlow = &flow;
    empty.m_bRunning = busy.m_bRunning = 1;
    busy.m_vCmdRuns.assign(2, Waiting());
    c.m_FlowRuns = {empty, busy, empty};
    EXPECT_EQ(c.StepFlowRuns(false, true), 0);
    EXPECT_EQ(c.m_FlowRuns[0].m_bRunning, 0);
    EXPECT_EQ(c.m_FlowRuns[1].m_bRunning, 1);
    EXPECT_EQ(c.m_FlowRuns[2].m_bRunning, 0);

    // The update ends at the stepped flow: the later one is left as it was.
    c.m_FlowRuns = {empty, busy, empty};
    c.m_bRemoveReq = 1;
    EXPECT_EQ(c.Update(false), 1);
    EXPECT_EQ(c.m_FlowRuns[0].m_bRunning, 0);
    EXPECT_EQ(c.m_FlowRuns[2].m_bRunning, 1);
}

// --- Movement -------------------------------------------------------------

TEST_F(StageCharaTest, MoveCodesTellWhereTheCharaWent) {
    // Bodies are 16 x 24; the stage spans 320..1599 x 320..1279, the map
    // 0..1919 x 0..1599, the scroll limits 640..1279 x 400..1199.
    struct Case {
        int flying;
        bool vertical;
        double pos, speed;
        int code;
        double after;
    };
    const Case cases[] = {
        {0, false, 800, 2, 0, 802},     {0, false, 1264, 2, 1, 1266},  // past the scroll limit
        {0, false, 322, -6, 2, 316},    // into the margin
        {0, false, 3, -6, 4, 0},        {1, false, 1902, 6, 4, 1904},  // held at the map's side
        {0, true, 1172, 6, 4, 1178},    // below the scroll limit
        {0, true, 1252, 6, 7, 1258},    {0, true, 1574, 6, 7, 1576},  // fell out: below the stage, held at the bottom
        {0, true, 2, -6, 3, 0},         // a walker held at the top
        {1, true, 1252, 6, 5, 1258},    // a flyer below the stage still flies
        {1, true, 1574, 6, 8, 1576},    {1, true, 2, -6, 8, 0},  // flew out at the bottom or the top
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "flying " << k.flying << (k.vertical ? " Y " : " X ") << k.pos << " by "
                                        << k.speed);
        cStageChara c;
        Make(c, Def(k.flying), k.vertical ? 800 : k.pos, k.vertical ? k.pos : 600);
        if (k.vertical) {
            c.m_dSpeedY = k.speed;
            EXPECT_EQ(c.MoveY(), k.code);
            EXPECT_EQ(c.m_dY, k.after);
            EXPECT_EQ(c.m_dBottom, k.after + 23);
        } else {
            c.m_dSpeedX = k.speed;
            EXPECT_EQ(c.MoveX(), k.code);
            EXPECT_EQ(c.m_dX, k.after);
            EXPECT_EQ(c.m_BodyBox.left, static_cast<int>(k.after) + c.m_BodyBox.offsetX);
        }
    }
}

TEST_F(StageCharaTest, MoveTakesImpactOrDecayingInertia) {
    cStageChara c;
    Make(c, Def(), 800, 600);
    c.m_dFriction = 0.5;
    c.m_dSpeedX = 1, c.m_dInertiaX = 2, c.m_bFrictionX = 1;
    c.MoveX();
    EXPECT_EQ(c.m_dInertiaX, 1.5);
    EXPECT_EQ(c.m_dSpeedX, 2.5);
    EXPECT_EQ(c.m_dX, 802.5);

    c.m_bFrictionX = 0;
    c.m_dSpeedX = 0;
    c.MoveX();
    EXPECT_EQ(c.m_dInertiaX, 1.5);
    EXPECT_EQ(c.m_dX, 804);

    // An impact replaces the speed and leaves the inertia alone.
    c.m_dImpactX = -3;
    c.MoveX();
    EXPECT_EQ(c.m_dSpeedX, -3);
    EXPECT_EQ(c.m_dInertiaX, 1.5);
    EXPECT_EQ(c.m_dX, 801);

    // Vertical inertia moves flyers only.
    for (int flying : {0, 1}) {
        SCOPED_TRACE(flying);
        cStageChara v;
        Make(v, Def(flying), 800, 600);
        v.m_dFriction = 0.25, v.m_bFrictionY = 1;
        v.m_dSpeedY = 0, v.m_dInertiaY = 1;
        v.MoveY();
        EXPECT_EQ(v.m_dInertiaY, flying ? 0.75 : 1);
        EXPECT_EQ(v.m_dY, flying ? 600.75 : 600);
    }
}

// --- Jump -----------------------------------------------------------------

class StageCharaJumpTest : public StageCharaTest {
protected:
    void SetUp() override {
        StageCharaTest::SetUp();
        Make(c, Def(), 800, 600);
        c.m_bInView = 1;
        cmd.m_sSound = 3;
        cmd.m_cSoundInView = 0;
        run.m_pCmd = &cmd;
        run.m_dSpeed = -4;
        run.m_nRemain = 50;
    }
    bool TookOff() const { return run.m_bBegun && c.m_dSpeedY == -4 && c.m_bJumpRising && c.m_bJumped; }

    cStageChara c;
    cFlowCmd cmd;
    cCmdRun run;
};

TEST_F(StageCharaJumpTest, TakesOffFromTheGroundWithItsSound) {
    for (int sw749 : {0, 1}) {
        SCOPED_TRACE(sw749);
        g_SystemData.m_nValue[kSysSwitch749] = sw749;
        run.m_bBegun = 0;
        c.m_dSpeedY = 0, c.m_bJumpRising = c.m_bJumped = 0;
        c.m_bRiding = 1;
        c.Jump(&run);
        EXPECT_TRUE(TookOff());
        EXPECT_EQ(c.m_bRiding, 0);
        EXPECT_EQ(run.m_nRemain, 50);  // the rise is the command's; landing ends it
        EXPECT_EQ(TakeSounds(), std::vector<uintptr_t>{3 + 16});
    }
}

TEST_F(StageCharaJumpTest, AnInViewOnlySoundIsSilentOutOfView) {
    // Older projects play it everywhere.
    for (int sw749 : {0, 1}) {
        SCOPED_TRACE(sw749);
        g_SystemData.m_nValue[kSysSwitch749] = sw749;
        cmd.m_cSoundInView = 1;
        c.m_bInView = 0;
        run.m_bBegun = 0;
        c.Jump(&run);
        EXPECT_TRUE(TookOff());
        EXPECT_EQ(TakeSounds().size(), sw749 ? 1u : 0u);
    }
}

TEST_F(StageCharaJumpTest, WhatHoldsTheTakeOff) {
    struct Case {
        int sw749, sw845b;
        int airborne, head, impacted, airSteps, rising;
        bool takesOff;
    };
    const Case cases[] = {
        {0, 0, 1, 0, 0, 0, 0, false}, {0, 0, 0, 1, 0, 0, 0, false}, {0, 0, 0, 0, 1, 0, 0, false},
        {0, 0, 0, 0, 0, 0, 1, false}, {0, 0, 0, 0, 0, 3, 0, true},   // 845b off: rising holds, air steps do not
        {0, 1, 0, 0, 0, 0, 1, true},  {0, 1, 0, 0, 0, 3, 0, false},  // 845b on: the other way round
        {1, 0, 1, 0, 0, 0, 0, false}, {1, 0, 0, 1, 0, 0, 0, false}, {1, 0, 0, 0, 1, 0, 0, false},
        {1, 0, 0, 0, 0, 3, 0, false}, {1, 0, 0, 0, 0, 0, 1, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "749 " << k.sw749 << " 845b " << k.sw845b << " air " << k.airborne
                                        << " head " << k.head << " impact " << k.impacted << " steps "
                                        << k.airSteps << " rising " << k.rising);
        g_SystemData.m_nValue[kSysSwitch749] = k.sw749;
        g_SystemData.m_nValue[kSysSwitch845b] = k.sw845b;
        c.m_bAirborne = k.airborne, c.m_bHeadBlocked = k.head, c.m_bImpacted = k.impacted;
        c.m_nAirSteps = k.airSteps, c.m_bJumpRising = k.rising;
        c.m_dSpeedY = 0;
        run.m_bBegun = 0, run.m_nCount = 0;
        c.Jump(&run);
        EXPECT_EQ(TookOff(), k.takesOff);
        EXPECT_EQ(TakeSounds().size(), k.takesOff ? 1u : 0u);
    }
}

TEST_F(StageCharaJumpTest, AJumpInMidAirWaitsFourFramesThenEndsUnjumped) {
    g_Stage.SetHitLevel(2);  // two sub-steps a frame
    c.m_bAirborne = 1;
    c.m_bHeadBlocked = 1;
    // Each sub-step the command calls the jump, then counts the sub-step.
    auto subStep = [&] {
        c.Jump(&run);
        ++run.m_nCount;
    };
    for (int i = 0; i < 8; ++i) subStep();
    EXPECT_EQ(run.m_bBegun, 0);
    EXPECT_EQ(run.m_nRemain, 50);
    subStep();
    EXPECT_EQ(run.m_bBegun, 1);
    EXPECT_EQ(run.m_nRemain, 0);
    EXPECT_EQ(c.m_bHeadBlocked, 0);
    EXPECT_EQ(c.m_dSpeedY, 0);
    EXPECT_EQ(c.m_bJumped, 0);
    EXPECT_TRUE(TakeSounds().empty());

    // Older projects never give up: the command's own time ends it.
    g_SystemData.m_nValue[kSysSwitch749] = 1;
    run.m_bBegun = 0, run.m_nCount = 0, run.m_nRemain = 50;
    for (int i = 0; i < 40; ++i) subStep();
    EXPECT_EQ(run.m_bBegun, 0);
    EXPECT_EQ(run.m_nRemain, 50);
}

// --- Carried-item icon ----------------------------------------------------

class ItemIconTest : public StageCharaTest {
protected:
    static constexpr int kBack = 4, kIcon = 5;
    void SetUp() override {
        StageCharaTest::SetUp();
        layer.Start();
        // Item chip 1 is the small-item cell at (0, 16).
        DDSURFACEDATA* mini = layer.Sheet(kSysBmpItemMini, 64, 240);
        DDFillRect(mini, 0, 16, 16, 16, kIcon);
        itemDef.m_sChip = 1;
        itemDef.m_cSheet = 2;
    }
    void TearDown() override {
        layer.Stop();
        StageCharaTest::TearDown();
    }
    // A chara in view carrying an item of `def`, or nothing.
    void MakeCarrier(cStageChara& c, const cPltItem* def, cCharaDef charaDef = Def()) {
        cItem item;
        if (def) {
            cPltItem d = *def;
            item.Init(7, d, 1);
        }
        Make(c, charaDef, 800, 600, def ? &item : nullptr);
        c.m_bInView = 1;
        c.UpdateScreenRect();
    }
    // Draws the icon `calls` times; the calls on which it showed (from 1).
    static std::vector<int> Shown(cStageChara& c, int calls) {
        const int x = c.m_nScreenL + c.m_nSpriteW / 2 - 32 / 4;
        const int y = c.m_nScreenT - 32 / 2;
        std::vector<int> shown;
        for (int i = 1; i <= calls; ++i) {
            DDFillSurface(&g_BackBufferSD, kBack);
            c.DrawItemIcon(&g_BackBufferSD);
            const bool corner = drawtest::DrawLayer::Is(x, y, kIcon) && drawtest::DrawLayer::Is(x + 15, y + 15, kIcon);
            const bool outside = drawtest::DrawLayer::Is(x - 1, y, kBack) && drawtest::DrawLayer::Is(x + 16, y, kBack);
            EXPECT_EQ(corner, corner && outside) << "call " << i;
            if (corner) shown.push_back(i);
        }
        return shown;
    }

    drawtest::DrawLayer layer;
    cPltItem itemDef;
};

TEST_F(ItemIconTest, ShowsOnThirtyThreeOfEveryNinetySixCalls) {
    cStageChara c;
    MakeCarrier(c, &itemDef);
    const std::vector<int> shown = Shown(c, 192);
    ASSERT_EQ(shown.size(), 66u);
    EXPECT_EQ(shown.front(), 64);
    EXPECT_EQ(shown[32], 96);
    EXPECT_EQ(shown[33], 96 + 64);
    EXPECT_EQ(shown.back(), 192);
    EXPECT_EQ(c.m_nItemIconTimer, 0);
}

TEST_F(ItemIconTest, NoIconWithoutAVisibleCarriedItem) {
    struct Case {
        const char* what;
        bool item;
        int hidden, transparent, inView;
    };
    const Case cases[] = {
        {"no item", false, 0, 0, 1},
        {"hidden item", true, 1, 0, 1},
        {"transparent chara", true, 0, 1, 1},
        {"out of view", true, 0, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        cPltItem d = itemDef;
        d.m_cHidden = static_cast<int8_t>(k.hidden);
        cCharaDef cd = Def();
        cd.m_cTransparent = static_cast<int8_t>(k.transparent);
        cStageChara c;
        MakeCarrier(c, k.item ? &d : nullptr, cd);
        c.m_bInView = k.inView;
        EXPECT_TRUE(Shown(c, 100).empty());
        EXPECT_EQ(c.m_nItemIconTimer, 0);  // the cycle waits for the icon to be seen
        if (!k.item) {
            EXPECT_EQ(c.GetItem()->m_nGraphic, 0);  // and gives nothing when defeated
        }
    }
}

// --- Rectangles -----------------------------------------------------------

TEST_F(StageCharaTest, IntersectsRectCountsTouchingEdges) {
    cGameObj o;
    o.InitBase(1, 1, 0, 0, 0, nullptr, 0, 0, 0, 16, 24, 16, 24, 0, kMoveWalk, 0);
    o.m_dX = 800, o.m_dY = 600;
    o.ClampPosX(-1), o.ClampPosY(-1);  // extent 800..815 x 600..623
    struct Case {
        double l, t, r, b;
        bool meets;
    };
    const Case cases[] = {
        {780, 600, 800, 610, true},  {780, 600, 799.9, 610, false},  // left edge
        {815, 600, 830, 610, true},  {815.1, 600, 830, 610, false},  // right edge
        {805, 580, 810, 600, true},  {805, 580, 810, 599.9, false},  // top edge
        {805, 623, 810, 640, true},  {805, 623.1, 810, 640, false},  // bottom edge
        {700, 500, 900, 700, true},  {805, 605, 806, 606, true},     // around, inside
        {815, 623, 815, 623, true},  {816, 624, 820, 630, false},    // corner point, beyond it
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.l << ", " << k.t << " - " << k.r << ", " << k.b);
        EXPECT_EQ(o.IntersectsRect(k.l, k.t, k.r, k.b), k.meets);
    }
}

}  // namespace
