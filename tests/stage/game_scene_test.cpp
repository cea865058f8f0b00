#include <gtest/gtest.h>

#include "app/input_state.h"
#include "app/requests.h"
#include "frontend/menu.h"
#include "frontend/play_data.h"
#include "frontend/program_objects.h"
#include "platform/messages.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"
#include "support/logged_test.h"

namespace {

class SceneTest : public orvtest::LoggedTest {
protected:
    void TearDown() override {
        g_bStartStageFile = 0;
        LoggedTest::TearDown();
        ResetProgramObjects();
    }
    int ClosesPosted() {
        int n = 0;
        plat::Message m;
        while (plat::PeekWindowMessage(window, m)) n += m.id == plat::kWmClose ? 1 : 0;
        return n;
    }
};

TEST_F(SceneTest, UseLifeTakesALifeUnlessInfiniteOrAStartStageFile) {
    struct Case {
        int lives, startStageFile, result, after;
    } cases[] = {
        {3, 0, 1, 2}, {1, 0, 1, 0}, {0, 0, 0, 0}, {-2, 0, 0, -2}, {999999, 0, 1, 999999}, {3, 1, 1, 3},
    };
    cGameScene scene;
    for (const Case& c : cases) {
        g_bStartStageFile = c.startStageFile;
        cPlayData play;
        play.m_nLives = c.lives;
        EXPECT_EQ(scene.UseLife(play), c.result) << c.lives << " " << c.startStageFile;
        EXPECT_EQ(play.m_nLives, c.after) << c.lives << " " << c.startStageFile;
    }
}

// One frame of the pause menu with the cancel button: the entries are
// built, then the menu closes back into the saved state.
cVector<cCmd> PauseEntries(cGameScene& scene) {
    scene.m_nState = 3;
    scene.m_nSubState = 0;
    scene.m_nSavedState = 2;
    scene.m_nSavedSubState = 5;
    cInputState& input = g_InputStates.At(0);
    input.m_nButtonLatch = 0;
    input.m_sButton = kButtonCancel;
    scene.StatePause();
    EXPECT_EQ(scene.m_nState, 2);
    EXPECT_EQ(scene.m_nSubState, 5);
    EXPECT_EQ(scene.m_bButtonHold, 1);
    return scene.m_vPauseMenu;
}

TEST_F(SceneTest, PauseMenuEntriesFollowThePlayMode) {
    struct Case {
        int mode, retrySwitch, mapSwitch, challengeSwitch, progress, cleared;
        int enabled[4];
    } cases[] = {
        {0, 1, 1, 0, 1, 0, {1, 1, 1, 1}},  // story, stage reached
        {0, 1, 1, 0, 0, 0, {1, 1, 0, 0}},  // story, stage not reached yet
        {0, 0, 1, 0, 1, 0, {1, 1, 0, 1}},  // story without the retry entry
        {1, 0, 0, 1, 0, 1, {1, 1, 1, 0}},  // challenge, cleared before
        {1, 0, 0, 1, 0, 0, {1, 1, 0, 0}},  // challenge, not cleared
        {2, 1, 1, 1, 1, 1, {1, 1, 1, 0}},  // stage file
        {3, 1, 1, 1, 1, 1, {1, 1, 1, 0}},  // replay: never the world map
    };
    for (const Case& c : cases) {
        ResetProgramObjects();
        g_SceneMgr.m_nPlayMode = c.mode;
        g_SystemData.Set(kSysPauseEntryRule1, c.retrySwitch);
        g_SystemData.Set(kSysPauseEntryRule2, c.mapSwitch);
        g_SystemData.Set(kSysPauseEntryRule3, c.challengeSwitch);
        g_PlayData.m_nStageNo = 2;
        g_PlayData.m_vProgress.assign(4, 0);
        g_PlayData.m_vProgress[2] = static_cast<uint8_t>(c.progress);
        g_PlayData.m_vResult.assign(4, 0);
        g_PlayData.m_vResult[1] = static_cast<uint8_t>(c.cleared);
        cGameScene scene;
        const cVector<cCmd> menu = PauseEntries(scene);
        ASSERT_EQ(menu.Size(), 4);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(menu[i].m_nEnabled, c.enabled[i]) << "mode " << c.mode << " entry " << i;
        EXPECT_EQ(menu[1].m_strText, g_SystemData.m_vText.At(20));
    }
}

TEST_F(SceneTest, PauseMenuDecisions) {
    g_SceneMgr.m_nPlayMode = 0;
    g_SystemData.Set(kSysPauseEntryRule1, 0);
    g_SystemData.Set(kSysPauseEntryRule2, 1);
    g_PlayData.m_nStageNo = 0;
    g_PlayData.m_vProgress.assign(1, 1);
    cGameScene scene;
    cInputState& input = g_InputStates.At(0);
    auto decide = [&](int row) {
        scene.m_nState = 3;
        scene.m_nSubState = 1;
        scene.m_nSavedState = 2;
        g_CursorStack.Current().row = row;
        input.m_nButtonLatch = 0;
        input.m_sDir = 0;
        input.m_sButton = kButtonDecide;
        scene.StatePause();
    };
    // Retry is hidden, so the third row is the world map.
    decide(2);
    EXPECT_EQ(scene.m_nState, 7);
    EXPECT_EQ(g_SceneMgr.m_nNextScene, kSceneWorldMap);
    EXPECT_EQ(g_PlayData.m_bRetreat, 1);
    decide(1);
    EXPECT_EQ(scene.m_nState, 2);
    decide(0);
    EXPECT_EQ(scene.m_nState, 7);
    EXPECT_EQ(g_SceneMgr.m_nNextScene, kSceneTitle);
    EXPECT_EQ(ClosesPosted(), 0);
    // While a start stage file plays, the title entry closes the program.
    g_bStartStageFile = 1;
    g_SceneMgr.m_nNextScene = kSceneStage;
    decide(0);
    EXPECT_EQ(scene.m_nState, 7);
    EXPECT_EQ(g_SceneMgr.m_nNextScene, kSceneStage);
    EXPECT_EQ(ClosesPosted(), 1);
}

TEST_F(SceneTest, AFailedEnterRunsNoStateAndDrawsNothing) {
    // No display: the stage's pictures cannot be made.
    cGameScene scene;
    scene.Frame();
    EXPECT_EQ(scene.m_bEnterFailed, 1);
    EXPECT_EQ(scene.m_nState, 0);
    EXPECT_EQ(ClosesPosted(), 1);
    for (int i = 0; i < 3; ++i) scene.Frame();
    EXPECT_EQ(scene.m_nState, 0);
    EXPECT_TRUE(g_Heroes.empty());
}

TEST_F(SceneTest, StageCountersStartAPlay) {
    g_PlayData.m_nStartLives = 4;
    g_PlayData.m_nLives = 1;
    g_PlayData.m_nTotalScore = 50;
    g_PlayData.m_bStartPos = 1;
    g_bStartStageFile = 1;
    cGameScene scene;
    scene.m_ScrollX.m_dPos = 100;
    scene.m_nBanner = 9;
    scene.m_lMessages.emplace_back(MessageParams{});
    scene.ResetStageCounters();
    EXPECT_EQ(g_PlayData.m_nLives, 4);
    EXPECT_EQ(g_PlayData.m_nTotalScore, 0);
    EXPECT_EQ(g_PlayData.m_bStartPos, 0);
    EXPECT_EQ(g_PlayData.m_nSeriesNo, 1);
    EXPECT_EQ(scene.m_ScrollX.m_dPos, 0);
    EXPECT_EQ(scene.m_nBanner, 0);
    EXPECT_TRUE(scene.m_lMessages.empty());
}

}  // namespace
