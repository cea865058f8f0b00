// The commands that act on flows and on the course of the play (flow
// operations, stage clear, game wait, messages, get item) and the modal
// waits they hold the game in, on a small stage set up for play.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/requests.h"
#include "core/thread.h"
#include "flow/cmd_handlers.h"
#include "flow/flow_run.h"
#include "frontend/play_data.h"
#include "frontend/scene_mgr.h"
#include "objects/hero.h"
#include "objects/stage_chara.h"
#include "platform/input.h"
#include "platform/testing.h"
#include "project/common_palette.h"
#include "project/flow.h"
#include "project/item_def.h"
#include "project/system_data.h"
#include "project/world_map.h"
#include "stage/game_scene.h"
#include "stage/scene_fixture.h"
#include "stage/stage_setup.h"

namespace {

namespace pt = plat::testing;

constexpr int kVkDecide = 'Z';  // button 1 on the keyboard

class FlowOps : public stagetest::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        g_bActive = 1;
        RunWindowThread();
        pt::ClearInputScript();
        plat::ClearKeys();
        MakeStage(20, 15, 2, 2);
        AddChara(6, 2);
        AddChara(8, 2);
        g_StageSettings = g_Stage;
        g_HeroDef = g_Stage.m_vChara.At(g_Stage.FindHero());
        scene.SetStage(0, 1);
        scene.m_nState = cGameScene::kStatePlay;
    }
    void TearDown() override {
        pt::ClearInputScript();
        plat::ClearKeys();
        g_bActive = 0;
        SceneTest::TearDown();
    }
    static cFlowCmd Cmd(int kind, std::vector<int> params, std::string text = "") {
        cFlowCmd c;
        c.m_cKind = static_cast<int8_t>(kind);
        c.Normalize();
        for (size_t i = 0; i < params.size(); ++i) c.m_vParam.At(static_cast<int>(i)) = params[i];
        c.m_strText = std::move(text);
        return c;
    }
    static cStageChara& Chara(int i) { return g_Charas.At(i); }
    // Flows of the given flow groups (ids), each of two long commands,
    // built into the chara and started.
    static void GiveFlows(cChara& chara, const std::vector<int>& ids) {
        cVector<cFlow> flows;
        for (int id : ids) {
            cFlow f;
            f.m_cId = static_cast<int8_t>(id);
            for (int i = 0; i < 2; ++i) {
                cFlowCmd c;
                c.m_cKind = 1;
                c.m_sTime = 100;
                c.Normalize();
                f.m_vCmd.push_back(c);
            }
            flows.push_back(f);
        }
        chara.m_Def.m_vFlow.clear();
        chara.m_FlowRuns.clear();
        chara.BuildFlows(flows, 1, -1);
        for (cFlowRun& run : chara.m_FlowRuns) run.Start(chara);
    }
    // Runs the flow operation as flow `current` of the chara.
    int Operate(cChara& chara, int current, std::vector<int> params) {
        cFlowCmd cmd = Cmd(16, std::move(params));
        cCmdRun run;
        run.m_pCmd = &cmd;
        scene.m_pCurChara = &chara;
        scene.m_pCurFlowRun = &chara.m_FlowRuns.At(current);
        return CmdFlowOperation(chara, run);
    }
    static int64_t FramesBegun() { return plat::FramesBegun().frames; }
    static int Sounds(int n) { return orvtest::SentCount(WM_REQ_SE, static_cast<uintptr_t>(n)); }
};

// ---------------------------------------------------------------------------
// Flow operations

TEST_F(FlowOps, StartingThisFlowRestartsItAndBreaksItsSubStep) {
    cStageChara& c = Chara(0);
    GiveFlows(c, {1, 2});
    cFlowRun& f = c.m_FlowRuns.At(0);
    f.Step();
    f.m_nNext = 1;
    Operate(c, 0, {0, 0, 0, 0});
    EXPECT_EQ(f.m_nNext, 0);
    EXPECT_EQ(f.m_bRunning, 1);
    EXPECT_EQ(f.m_bBreak, 1);
    EXPECT_EQ(c.m_FlowRuns.At(1).m_bBreak, 0);
}

TEST_F(FlowOps, SuspendingTheOtherFlowsAndResumingThemLeavesEachAtItsCommand) {
    cStageChara& c = Chara(0);
    GiveFlows(c, {1, 2, 3});
    c.m_FlowRuns.At(2).m_nNext = 1;
    Operate(c, 0, {2, 1, 0, 0});
    EXPECT_EQ(c.m_FlowRuns.At(0).m_bSuspended, 0);
    EXPECT_EQ(c.m_FlowRuns.At(1).m_bSuspended, 1);
    EXPECT_EQ(c.m_FlowRuns.At(2).m_bSuspended, 1);
    Operate(c, 0, {3, 1, 0, 0});
    EXPECT_EQ(c.m_FlowRuns.At(1).m_bSuspended, 0);
    EXPECT_EQ(c.m_FlowRuns.At(2).m_bSuspended, 0);
    EXPECT_EQ(c.m_FlowRuns.At(2).m_nNext, 1);
}

TEST_F(FlowOps, RemovingAFlowGroupTakesEveryFlowOfItFromATargetAndMarksOwnFlows) {
    cStageChara& c = Chara(0);
    cStageChara& target = Chara(1);
    GiveFlows(c, {3, 1});
    GiveFlows(target, {1, 3, 3, 3, 2});
    c.m_Targets.At(1) = &target;
    Operate(c, 1, {4, 2, 3, 2});
    ASSERT_EQ(target.m_FlowRuns.Size(), 2);
    EXPECT_EQ(target.m_FlowRuns.At(0).m_pFlow->m_cId, 1);
    EXPECT_EQ(target.m_FlowRuns.At(1).m_pFlow->m_cId, 2);

    // Its own flows are being stepped: they are only marked.
    Operate(c, 1, {4, 2, 3, 0});
    EXPECT_EQ(c.m_FlowRuns.Size(), 2);
    EXPECT_EQ(c.m_FlowRuns.At(0).m_bRemove, 1);
    EXPECT_EQ(c.m_FlowRuns.At(1).m_bRemove, 0);
    EXPECT_EQ(c.m_bFlowRemoveReq, 1);
}

TEST_F(FlowOps, AnEmptyTargetSlotOrAFailingConditionListDoesNothing) {
    cStageChara& c = Chara(0);
    GiveFlows(c, {1});
    // The slot is tested first, whatever the scope.
    Operate(c, 0, {1, 0, 0, 3});
    EXPECT_EQ(c.m_FlowRuns.At(0).m_bRunning, 1);

    cFlowCmd cmd = Cmd(16, {1, 0, 0, 0});
    cmd.m_pCond.reset(new cCondList);
    cmd.m_pCond->m_cEnabled = 1;
    cmd.m_pCond->m_cMode = 1;  // at least one of none: fails
    cCmdRun run;
    run.m_pCmd = &cmd;
    scene.m_pCurFlowRun = &c.m_FlowRuns.At(0);
    CmdFlowOperation(c, run);
    EXPECT_EQ(c.m_FlowRuns.At(0).m_bRunning, 1);

    // Ending it for good.
    Operate(c, 0, {5, 0, 0, 0});
    EXPECT_EQ(c.m_FlowRuns.At(0).m_bEnded, 1);
    EXPECT_EQ(c.m_FlowRuns.At(0).m_bBreak, 1);
}

// ---------------------------------------------------------------------------
// Stage clear

TEST_F(FlowOps, AStageClearSaysWhatComesNext) {
    struct Case {
        const char* name;
        std::vector<int> params;
        std::string text;
        int nextStage;
        std::string nextName;
    };
    const Case cases[] = {
        {"next stage", {0}, "", 3, ""},
        {"by number", {1, 7}, "", 7, ""},
        {"by path", {2}, "stg4\\Cave-2.stg4", 2, "stg4\\Cave-2."},
        {"world clear", {3}, "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_PlayData.m_nSeriesNo = 2;
        scene.m_strNextStage = "old";
        cFlowCmd cmd = Cmd(17, c.params, c.text);
        EXPECT_EQ(CmdStageClear(Hero(), cmd), 1);
        EXPECT_EQ(scene.m_nNextStage, c.nextStage);
        EXPECT_EQ(scene.m_strNextStage, c.nextName);
        EXPECT_EQ(g_PlayData.m_bStartPos, 0);
    }
}

TEST_F(FlowOps, AStageClearSetsTheMapPlaceWithinTheMapAndTheStartAsTheHeroFaces) {
    g_WorldMap.SetSize(20, 15);
    Hero().m_bRight = 1;
    cFlowCmd cmd = Cmd(17, {0, 0, 1, 999, 3, 1, 4, 5, 2});
    CmdStageClear(Hero(), cmd);
    EXPECT_EQ(g_PlayData.m_nMapX, 19);
    EXPECT_EQ(g_PlayData.m_nMapY, 3);
    EXPECT_EQ(g_PlayData.m_bStartPos, 1);
    EXPECT_EQ(g_PlayData.m_nStartX, 4);
    EXPECT_EQ(g_PlayData.m_nStartY, 5);
    EXPECT_EQ(g_PlayData.m_nStartDir, 1);
}

TEST_F(FlowOps, AStageClearByAnEmptyPathSaysSoAndStillEndsTheStage) {
    pt::ClearDialogTranscript();
    g_PlayData.m_nSeriesNo = 4;
    cFlowCmd cmd = Cmd(17, {2});
    EXPECT_EQ(CmdStageClear(Hero(), cmd), 1);
    EXPECT_EQ(scene.m_nNextStage, 4);
    EXPECT_EQ(scene.m_strNextStage, "");
    const auto boxes = pt::DialogTranscript();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("\n"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Modal waits

TEST_F(FlowOps, TheWaitCountdownIsOnlyForAKeyMessageThatIsNotChained) {
    struct Case {
        int mode, key, time, noDelay, countdown;
    };
    const Case cases[] = {{1, 1, 0, 0, 10}, {1, 1, 0, 1, 0}, {3, 1, 0, 0, 0}, {4, 0, 30, 0, 0}, {1, 0, 9, 0, 0}};
    for (const Case& c : cases) {
        cPauseWait w;
        w.m_nReserved = 5;
        w.Set(c.mode, c.key, c.time, c.noDelay);
        EXPECT_EQ(w.m_nCountdown, c.countdown);
        EXPECT_EQ(w.m_nTime, c.time);
        EXPECT_EQ(w.m_nReserved, 0);
    }
}

TEST_F(FlowOps, AGameWaitHoldsTheGameForItsFramesAndLeavesNoWindow) {
    const int64_t before = FramesBegun();
    cFlowCmd cmd = Cmd(18, {15});
    CmdGameWait(Hero(), cmd);
    // 90 frames drawn; the wait ends as the 91st begins.
    EXPECT_EQ(FramesBegun() - before, 91);
    EXPECT_TRUE(scene.m_lMessages.empty());
}

TEST_F(FlowOps, AKeyWaitTakesOnlyAFreshPressAfterItsCountdown) {
    // Held from the start, let go, pressed within the countdown, let go,
    // pressed again: the last press ends it.
    pt::ScriptInput(0, kVkDecide, true);
    pt::ScriptInput(3, kVkDecide, false);
    pt::ScriptInput(5, kVkDecide, true);
    pt::ScriptInput(7, kVkDecide, false);
    pt::ScriptInput(12, kVkDecide, true);
    scene.m_PauseWait.Set(1, 1, 0, 0);
    EXPECT_EQ(scene.RunPauseWait(), 1);
    EXPECT_EQ(FramesBegun(), 13);
    EXPECT_EQ(Sounds(12), 1);
    EXPECT_EQ(scene.m_bButtonHold, 1);
}

TEST_F(FlowOps, NoWaitBeginsWhileTheWindowClosesAndClosingEndsARunningOne) {
    scene.m_bQuit = 1;
    scene.m_PauseWait.Set(1, 1, 0, 0);
    EXPECT_EQ(scene.RunPauseWait(), 0);
    EXPECT_EQ(FramesBegun(), 0);

    // The window's thread closes while a key wait runs that no key ends.
    scene.m_bQuit = 0;
    std::atomic<bool> stop = false;
    std::thread closer([&] {
        while (!stop && !(thPause.Running() && FramesBegun() > 3)) std::this_thread::yield();
        RequestStageQuit();
        plat::PostThreadMessage(thPause.ThreadId(), plat::kWmQuit);
    });
    EXPECT_EQ(scene.RunPauseWait(), 1);
    stop = true;
    closer.join();
    EXPECT_EQ(scene.m_bQuit, 1);
}

TEST_F(FlowOps, TheRankingTableTurnsToTheTypesThePlayModeShowsAndEndsOnDecide) {
    g_SceneMgr.m_nPlayMode = 0;
    g_SystemData.m_vPlayMode.resize(1);
    g_SystemData.m_vPlayMode[0].m_vRankFlag = cVector<uint8_t>{1, 0, 1, 0, 0};
    g_PlayData.m_nRankType = 1;
    std::vector<int> types;
    pt::ScriptInput(2, 'V', true);
    pt::ScriptInput(3, 'V', false);
    pt::ScriptInput(4, 'V', true);
    pt::ScriptInput(5, 'V', false);
    pt::ScriptInput(6, kVkDecide, true);
    EXPECT_EQ(RankingLoop(&scene), 1u);
    EXPECT_EQ(FramesBegun(), 7);
    // 1 is not shown: 2 at once, then 0 and 2 again.
    EXPECT_EQ(g_PlayData.m_nRankType, 2);
    EXPECT_EQ(Sounds(6), 2);
    EXPECT_EQ(Sounds(1), 1);
}

// ---------------------------------------------------------------------------
// Messages

TEST_F(FlowOps, AMessageHeldByTheKeyWaitsAndIsGoneAfterwards) {
    pt::ScriptInput(12, kVkDecide, true);
    cFlowCmd cmd = Cmd(19, {0, 0, 0, 0, 0, 0, 0, 0, 1}, "Hello");
    CmdMessage(Chara(0), cmd, 0);
    EXPECT_EQ(FramesBegun(), 13);
    EXPECT_EQ(Sounds(11), 1);
    EXPECT_EQ(Sounds(12), 1);
    EXPECT_TRUE(scene.m_lMessages.empty());

    // Chained: no countdown and no opening sound.
    pt::ClearInputScript();
    pt::ScriptInput(0, kVkDecide, false);
    pt::ScriptInput(2, kVkDecide, true);
    CmdMessage(Chara(0), cmd, 1);
    EXPECT_EQ(FramesBegun(), 3);
    EXPECT_EQ(Sounds(11), 1);
}

TEST_F(FlowOps, MessagesWithAnIdUpdateReplaceOrCloseTheirWindow) {
    auto withId = [](const char* text, int close = 0) {
        return Cmd(19, {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 7, 0, close}, text);
    };
    cFlowCmd other = Cmd(19, {0, 0, 0, 0, 0, 0, 1}, "Other");
    cFlowCmd shortText = withId("Short");
    CmdMessage(Chara(0), shortText, 0);
    CmdMessage(Chara(0), other, 0);
    ASSERT_EQ(scene.m_lMessages.size(), 2u);
    const cMessageWin* first = &scene.m_lMessages.front();

    cFlowCmd same = withId("Tiny!");  // as wide as "Short"
    CmdMessage(Chara(0), same, 0);
    ASSERT_EQ(scene.m_lMessages.size(), 2u);
    EXPECT_EQ(&scene.m_lMessages.front(), first);
    EXPECT_EQ(scene.m_lMessages.front().m_strText, "Tiny!");

    cFlowCmd longer = withId("Much longer text");
    CmdMessage(Chara(0), longer, 0);
    ASSERT_EQ(scene.m_lMessages.size(), 2u);
    EXPECT_EQ(scene.m_lMessages.front().m_strText, "Much longer text");
    EXPECT_EQ(scene.m_lMessages.back().m_strText, "Other");

    cFlowCmd closeOther = Cmd(19, {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 8, 0, 1});
    CmdMessage(Chara(0), closeOther, 0);
    EXPECT_EQ(scene.m_lMessages.size(), 2u);
    cFlowCmd close = withId("", 1);
    CmdMessage(Chara(0), close, 0);
    ASSERT_EQ(scene.m_lMessages.size(), 1u);
    EXPECT_EQ(scene.m_lMessages.front().m_strText, "Other");

    // The window is closing: no new message.
    scene.m_bQuit = 1;
    CmdMessage(Chara(0), other, 0);
    EXPECT_EQ(scene.m_lMessages.size(), 1u);
}

// ---------------------------------------------------------------------------
// Get item

TEST_F(FlowOps, AGivenItemRunsItsCommandsAndOnlyAnEndItAsksForStands) {
    cPltItem clear;
    clear.m_vCmd.push_back(Cmd(17, {3}));
    clear.m_vCmd.back().m_cCategory = 1;
    clear.m_vCmd.back().m_cKind = 2;
    cPltItem nothing;
    g_CommonPalette.m_vItem.clear();
    g_CommonPalette.m_vItem.push_back(nothing);
    g_Stage.m_vItem.clear();
    g_Stage.m_vItem.push_back(nothing);
    g_Stage.m_vItem.push_back(clear);

    scene.m_nStageEnd = 2;
    cFlowCmd fromCommon = Cmd(25, {0, 0});
    CmdGetItem(Chara(0), fromCommon);
    EXPECT_EQ(scene.m_nStageEnd, 2);

    scene.m_nStageEnd = 0;
    cFlowCmd fromStage = Cmd(25, {1, 1});
    CmdGetItem(Chara(0), fromStage);
    EXPECT_EQ(scene.m_nStageEnd, 1);
}

TEST_F(FlowOps, AnItemThatGivesItselfStopsNesting) {
    cPltItem self;
    cFlowCmd give = Cmd(25, {1, 0});
    give.m_cCategory = 1;
    give.m_cKind = 10;
    self.m_vCmd.push_back(give);
    g_Stage.m_vItem.clear();
    g_Stage.m_vItem.push_back(self);
    CmdGetItem(Chara(0), give);
    EXPECT_NE(Report().find("an item gives items 16 deep"), std::string::npos) << Report();
}

}  // namespace
