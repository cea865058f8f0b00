// The end of a cleared stage: the totals and extra lives of the tally, the
// ranking values, the name of the next stage of a series, the scene that
// follows by the way the play began, and the ranking entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/requests.h"
#include "core/shell_link.h"
#include "frontend/menu.h"
#include "frontend/play_data.h"
#include "platform/input.h"
#include "platform/testing.h"
#include "project/option.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "project/world_map.h"
#include "stage/scene_fixture.h"

namespace {

constexpr uint32_t kSeStageClear = 14;
constexpr uint32_t kSeExtraLife = 15;
constexpr uint32_t kSeRanked = 16;

// A stage file named by its program path ("data\stg4\c03-2.stg4_001"),
// with the folders it needs.
void SaveStageFile(const std::string& path, const char* name) {
    std::string host = path;
    for (char& c : host)
        if (c == '\\') c = '/';
    const std::filesystem::path parent = std::filesystem::path(host).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    cStageInfo stage;
    stage.m_strName = name;
    stage.m_nWidth = 20;
    stage.m_nHeight = 15;
    cCharaDef hero;
    hero.m_cOperatedBy = 0;
    hero.m_sChip = 1;
    stage.m_vChara.push_back(hero);
    ASSERT_EQ(stage.SaveFile(path.c_str()), 1) << path;
}

class StageEndTest : public stagetest::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ResetProgramObjects();
        g_pGameScene = &scene;
        g_bActive = 1;
    }
    void TearDown() override {
        g_bActive = 0;
        g_bStartStageFile = 0;
        g_bEditorLaunch = 0;
        SceneTest::TearDown();
    }
    static int Sounds(uint32_t n) { return orvtest::SentCount(WM_REQ_SE, n); }
    // A play in a series of stage files whose first is data\stg4\c03-1.
    void PlaySeries(int nextStage) {
        g_PlayData.SetCurrentStage("data\\stg4\\c03-1.stg4_001", 0, 0, 0);
        g_PlayData.m_nSeriesNo = 1;
        scene.m_nNextStage = nextStage;
    }
};

// ---------------------------------------------------------------------------
// Tally

TEST_F(StageEndTest, ExtraLivesComeEveryStepOfPointsAndStopAtTheCap) {
    struct Case {
        int step, on, oldTotal, score, lives, livesAfter, messages;
    } cases[] = {
        {1000, 1, 1900, 1200, 5, 7, 2},
        {1000, 1, 1900, 1200, 98, 99, 1},           // the second life is beyond the cap
        {1000, 1, 1900, 1200, 99, 99, 1},           // 99 stays 99, with its message
        {1000, 1, 1900, 1200, 999999, 999999, 0},   // infinite lives
        {0, 1, 1900, 1200, 5, 5, 0},                // no step
        {1000, 0, 1900, 1200, 5, 5, 0},             // switch off
        {1000, 1, 0, 999, 3, 3, 0},                 // no step of points crossed
        {1, 1, 0, 10000, 95, 99, 4},                // 10000 lives due: four, not 10000 messages
        {1000, 1, 3100, -1200, 5, 5, 0},            // a total that falls gives none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.step << " " << c.oldTotal << "+" << c.score << " " << c.lives);
        orvtest::g_Sent.clear();
        g_SystemData.Set(kSysExtraLifePoints, c.step);
        g_SystemData.Set(kSysExtraLifeOn, c.on);
        g_PlayData.m_nTotalScore = c.oldTotal;
        g_PlayData.m_nScore = c.score;
        g_PlayData.m_nLives = c.lives;
        scene.TallyScore();
        EXPECT_EQ(g_PlayData.m_nTotalScore, c.oldTotal + c.score);
        EXPECT_EQ(g_PlayData.m_nLives, c.livesAfter);
        EXPECT_EQ(Sounds(kSeExtraLife), c.messages);
        EXPECT_TRUE(scene.m_lMessages.empty());  // every message window is gone again
        EXPECT_FALSE(ClosePosted());
    }
}

TEST_F(StageEndTest, ClosingDuringAnExtraLifeEndsTheTallyWithACloseRequest) {
    g_SystemData.Set(kSysExtraLifePoints, 1000);
    g_SystemData.Set(kSysExtraLifeOn, 1);
    g_PlayData.m_nTotalScore = 0;
    g_PlayData.m_nScore = 5000;
    g_PlayData.m_nLives = 2;
    scene.m_lMessages.emplace_back(MessageParams{});  // a window of the stage stays
    scene.m_bQuit = 1;
    scene.TallyScore();
    EXPECT_EQ(g_PlayData.m_nLives, 3);
    EXPECT_EQ(Sounds(kSeExtraLife), 1);
    EXPECT_EQ(scene.m_lMessages.size(), 1u);
    EXPECT_TRUE(ClosePosted());
}

TEST_F(StageEndTest, TotalsAddTheStageAndTheTimeLeftOnlyWithATimeLimit) {
    g_Heroes.resize(1);
    Hero().m_nHP = 7;
    Hero().m_nSP = 3;
    for (int noLimit : {0, 1}) {
        SCOPED_TRACE(noLimit);
        g_PlayData.m_nTotalTime = 100;
        g_PlayData.m_nTotalPlayTime = 1000;
        g_PlayData.m_nTotalHP = 10;
        g_PlayData.m_nTotalSP = 20;
        g_PlayData.m_nTotalScore = 5;
        g_PlayData.m_nScore = 40;
        scene.m_bNoTimeLimit = noLimit;
        scene.m_nTimeLimit = 45;
        scene.m_nPlayTime = 250;
        scene.TallyScore();
        EXPECT_EQ(g_PlayData.m_nTotalTime, noLimit ? 100 : 145);
        EXPECT_EQ(g_PlayData.m_nTotalPlayTime, 1250);
        EXPECT_EQ(g_PlayData.m_nTotalHP, 17);
        EXPECT_EQ(g_PlayData.m_nTotalSP, 23);
        EXPECT_EQ(g_PlayData.m_nTotalScore, 45);
    }
    // Sums at the top of the range stay there.
    g_PlayData.m_nTotalScore = INT32_MAX - 1;
    g_PlayData.m_nScore = 10;
    scene.TallyScore();
    EXPECT_EQ(g_PlayData.m_nTotalScore, INT32_MAX);
}

// ---------------------------------------------------------------------------
// Ranking places

TEST_F(StageEndTest, EndStageTakesTheRankingValuesAtTheEndOfASeriesOnly) {
    SaveStageFile("data\\stg4\\c03-2.stg4_001", "2");
    struct Case {
        int ranking, startStageFile, editor, nextStage;
        bool values;
    } cases[] = {
        {1, 0, 0, 0, true},   // no next stage: the series ends here
        {1, 0, 0, 3, true},   // a next stage that does not exist
        {1, 0, 0, 2, false},  // the series goes on
        {0, 0, 0, 0, false},  // the play mode keeps no rankings
        {0, 1, 0, 2, true},   // a start stage file always
        {1, 1, 1, 0, true},   // a test play of the editor: values, no places
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ranking << c.startStageFile << c.editor << " " << c.nextStage);
        orvtest::g_Sent.clear();
        g_SceneMgr.m_bRanking = c.ranking;
        g_bStartStageFile = c.startStageFile;
        g_bEditorLaunch = c.editor;
        PlaySeries(c.nextStage);
        g_PlayData.m_nTotalScore = 0;
        g_PlayData.m_nScore = 500;
        g_PlayData.m_nTotalTime = 1;
        g_PlayData.m_nTotalPlayTime = 2;
        g_PlayData.m_nTotalHP = 3;
        g_PlayData.m_nTotalSP = 4;
        scene.m_bNoTimeLimit = 1;
        scene.m_vRankValue = {-9, -9, -9, -9, -9};
        scene.m_vRankPos = {0, 1, 2, 3, 4};
        scene.m_bRankIn = scene.m_bRanked = 1;
        scene.EndStage();
        EXPECT_EQ(Sounds(kSeStageClear), 1);
        EXPECT_EQ(scene.m_vRankPos, (std::vector<int>{-1, -1, -1, -1, -1}));
        EXPECT_EQ(scene.m_bRankIn, 0);
        EXPECT_EQ(scene.m_bRanked, 0);
        const std::vector<int> expected =
            c.values ? std::vector<int>{500, 1, 2, 3, 4} : std::vector<int>{-9, -9, -9, -9, -9};
        EXPECT_EQ(scene.m_vRankValue, expected);
    }
}

TEST_F(StageEndTest, ARankingTypeCountsWhenTheModeTheTypeAndTheStageAllHaveIt) {
    struct Case {
        int mode, enabled, flag, stageFlag;
        bool ranks;
    } cases[] = {
        {2, 1, 1, 1, true}, {2, 0, 1, 1, false}, {2, 1, 0, 1, false},
        {2, 1, 1, 0, false}, {7, 1, 1, 1, false}, {-1, 1, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << c.enabled << c.flag << c.stageFlag);
        g_SystemData.m_vPlayMode.At(2).m_nEnabled = c.enabled;
        g_SystemData.m_vPlayMode.At(2).m_vRankFlag.assign(5, 1);
        g_SystemData.m_vPlayMode.At(2).m_vRankFlag.At(3) = static_cast<uint8_t>(c.flag);
        g_SceneMgr.m_nPlayMode = c.mode;
        g_Stage.m_vExtra = {1, 1, 1, c.stageFlag, 1};
        EXPECT_EQ(cGameScene::RanksType(3), c.ranks);
    }
    // A short list of the stage's switches leaves the later types out.
    g_SystemData.m_vPlayMode.At(2).m_nEnabled = 1;
    g_SceneMgr.m_nPlayMode = 2;
    g_Stage.m_vExtra = {1, 1};
    EXPECT_TRUE(cGameScene::RanksType(1));
    EXPECT_FALSE(cGameScene::RanksType(2));
    EXPECT_FALSE(cGameScene::RanksType(5));
    EXPECT_FALSE(ClosePosted());
}

// ---------------------------------------------------------------------------
// The next stage's file

TEST_F(StageEndTest, NextStageNameIsTheHighestVersionOfTheNumberedOrRequestedFile) {
    SaveStageFile("data\\stg4\\c03-1.stg4_009", "1");
    SaveStageFile("data\\stg4\\c03-2.stg4_001", "2 old");
    SaveStageFile("data\\stg4\\c03-2.stg4_003", "2");
    SaveStageFile("data\\stg4\\boss.stg4_000", "boss");
    SaveStageFile("-2.stg4_001", "no base");
    struct Case {
        const char* stage;  // path the play began with
        int nextStage;
        const char* requested;
        int number, result;
        const char* name;
    } cases[] = {
        {"data\\stg4\\c03-1.stg4", 2, "", 2, 1, "data\\stg4\\c03-2.stg4_003"},
        {"data\\stg4\\c03-1.stg4", 2, "data\\stg4\\boss.", 2, 1, "data\\stg4\\boss.stg4_000"},
        {"data\\stg4\\c03-1.stg4", 3, "", 3, 0, ""},                     // none found
        {"data\\stg4\\c03-1.stg4", 2, "data\\stg4\\none.", 2, 0, ""},    // requested, none found
        {"data\\stg4\\c03-1.stg4", 0, "", 2, 0, ""},                     // no next stage asked
        {"data\\stg4\\boss.stg4", 2, "", 2, 0, ""},                      // no series
        {"-1.stg4", 2, "", 2, 0, ""},                                    // an empty base name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stage << " " << c.nextStage << " " << c.requested);
        g_PlayData.SetCurrentStage(c.stage, 0, 0, 0);
        scene.m_nNextStage = c.nextStage;
        scene.m_strNextStage = c.requested;
        std::string out = "stale";
        EXPECT_EQ(scene.MakeNextStageName(out, c.number), c.result);
        EXPECT_EQ(out, c.name);
        EXPECT_EQ(scene.IsLastStage(c.number), c.result ? 0 : 1);
    }
}

TEST_F(StageEndTest, CurrentStageGivesTheBaseNameTheSeriesAndTheKey) {
    struct Case {
        const char* path;
        int linkVar;
        const char* stage;
        int series;
        const char* key;
    } cases[] = {
        {"data\\stg4\\c03-1.stg4", 0, "data\\stg4\\c03.", 1, "data\\stg4\\c03."},
        {"data\\stg4\\c03-1.stg4_005", 0, "data\\stg4\\c03.", 1, "data\\stg4\\c03."},
        {"boss.stg4", 0, "boss.", 0, "boss."},
        {"noext", 0, "", 0, ""},
        {"", 1, "", 0, "_c005_2"},
        {"data\\stg4\\c03-1.stg4", 1, "data\\stg4\\c03.", 1, "data\\stg4\\c03_c005_2."},
        // A folder's name is not the file's: no series, no extension.
        {"data\\w-1\\boss.stg4", 0, "data\\w-1\\boss.", 0, "data\\w-1\\boss."},
        {"data.v2\\boss", 0, "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        cPlayData play;
        play.m_bSeries = 1;
        play.SetCurrentStage(c.path, c.linkVar, 5, 2);
        EXPECT_EQ(play.m_strStage, c.stage);
        EXPECT_EQ(play.m_bSeries, c.series);
        EXPECT_EQ(play.m_strStageKey, c.key);
    }
}

// ---------------------------------------------------------------------------
// The scene after the stage

TEST_F(StageEndTest, AStageFilePlayRepeatsOrGoesOnInItsSeries) {
    SaveStageFile("data\\stg4\\c03-2.stg4_001", "second");
    g_SceneMgr.m_nTitleCmd = 3;
    struct Case {
        int startStageFile, series, nextStage, result, seriesNo;
        const char* loaded;
        int startPos;
    } cases[] = {
        {1, 1, 2, 4, 1, "first", 0},   // a start stage file plays again from its start
        {0, 0, 2, 4, 1, "first", 0},   // a single file plays again from its start
        {0, 1, 2, 4, 2, "second", 1},  // the next file of the series, where the clear asked
        {0, 1, 3, 0, 1, "first", 1},   // the series has no third: title
        {0, 1, 0, 0, 1, "first", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.startStageFile << c.series << " " << c.nextStage);
        g_Stage.m_strName = "first";
        g_bStartStageFile = c.startStageFile;
        PlaySeries(c.nextStage);
        g_PlayData.m_bSeries = c.series;
        g_PlayData.m_bStartPos = 1;
        EXPECT_EQ(scene.DecideAfterStage(), c.result);
        EXPECT_EQ(g_PlayData.m_nSeriesNo, c.seriesNo);
        EXPECT_EQ(g_Stage.m_strName, c.loaded);
        EXPECT_EQ(g_PlayData.m_bStartPos, c.startPos);
    }
}

TEST_F(StageEndTest, AReplayPlaysAgainAndUnknownCommandsGoToTheStageSelect) {
    g_SceneMgr.m_nTitleCmd = 4;
    g_PlayData.m_nTotalScore = 100;
    g_PlayData.SaveCheckpoint();
    g_PlayData.m_nTotalScore = 900;
    EXPECT_EQ(scene.DecideAfterStage(), kSceneStage);
    EXPECT_EQ(g_PlayData.m_nTotalScore, 100);
    for (int cmd : {5, 6, -1, 99}) {
        g_SceneMgr.m_nTitleCmd = cmd;
        EXPECT_EQ(scene.DecideAfterStage(), kSceneStageSelect) << cmd;
    }
}

TEST_F(StageEndTest, AStoryStageGoesOnInItsSeriesOrBackToTheMapWithItsProgress) {
    SaveStageFile("data\\stg4\\c03-2.stg4_001", "second");
    g_SceneMgr.m_nTitleCmd = 1;
    PlaySeries(2);
    g_PlayData.m_nStageNo = 4;
    EXPECT_EQ(scene.DecideAfterStage(), kSceneStage);
    EXPECT_EQ(g_Stage.m_strName, "second");
    EXPECT_EQ(g_PlayData.m_nSeriesNo, 2);
    EXPECT_TRUE(g_PlayData.m_vProgress.empty());

    // The last of the series: progress, the best score, and the map.
    g_SceneMgr.m_nTitleCmd = 0;
    PlaySeries(3);
    g_PlayData.m_nTotalScore = 700;
    EXPECT_EQ(scene.DecideAfterStage(), kSceneWorldMap);
    EXPECT_EQ(g_PlayData.m_nSeriesNo, 1);
    ASSERT_EQ(g_PlayData.m_vProgress.Size(), 5);
    EXPECT_EQ(g_PlayData.m_vProgress[4], 1);
    ASSERT_EQ(g_PlayData.m_vClear.Size(), 1);
    EXPECT_EQ(g_PlayData.m_vClear[0].m_strKey, "data\\stg4\\c03.");
    EXPECT_EQ(g_PlayData.m_nBestTotal, 700);

    // A stage number outside the progress flags marks nothing.
    for (int stage : {-1, kProgressFlags}) {
        g_PlayData.m_nStageNo = stage;
        EXPECT_EQ(scene.DecideAfterStage(), kSceneWorldMap);
    }
    EXPECT_EQ(g_PlayData.m_vProgress.Size(), 5);
    EXPECT_FALSE(ClosePosted());
}

TEST_F(StageEndTest, TheLinksAfterClearActionChoosesMapNewLapOrTitle) {
    g_WorldMap.m_nStartX = 3;
    g_WorldMap.m_nStartY = 6;
    struct Case {
        int action, result, lap;
    } cases[] = {{0, kSceneWorldMap, 0}, {1, kSceneWorldMap, 1}, {2, kSceneTitle, 0}, {9, kSceneWorldMap, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        g_PlayData = cPlayData();
        g_SceneMgr.m_nTitleCmd = 1;
        g_CursorStack.Current().row = 0;
        cWorldLink link;
        link.m_nAfterClear = c.action;
        g_PlayData.m_pLink = &link;
        g_PlayData.m_nStageNo = 2;
        EXPECT_EQ(scene.DecideAfterStage(), c.result);
        EXPECT_EQ(g_PlayData.m_nLap, c.lap);
        if (c.lap) {
            // Another lap: every stage to clear again, from the map's start.
            EXPECT_EQ(g_PlayData.m_vProgress.Size(), kProgressFlags);
            EXPECT_EQ(g_PlayData.m_vProgress.Count(1), 1);
            EXPECT_EQ(g_PlayData.m_vProgress[0], 1);
            EXPECT_EQ(g_PlayData.m_nMapX, 3);
            EXPECT_EQ(g_PlayData.m_nMapY, 6);
        } else {
            EXPECT_EQ(g_PlayData.m_vProgress.At(2), 1);
        }
        EXPECT_EQ(g_CursorStack.Current().row, c.result == kSceneTitle ? 1 : 0);
    }
}

TEST_F(StageEndTest, BestScoresOfStoryStagesGrowOnlyWithABetterScore) {
    cPlayData play;
    play.SetStageScore("a.", "a.", 0, 0, 0, 500);
    play.SetStageScore("b.", "b.", 0, 0, 0, 200);
    play.SetStageScore("a.", "a.", 0, 0, 0, 300);  // worse: nothing
    EXPECT_EQ(play.m_nBestTotal, 700);
    play.SetStageScore("a.", "a.", 0, 0, 0, 800);  // better by 300
    EXPECT_EQ(play.m_nBestTotal, 1000);
    ASSERT_EQ(play.m_vClear.Size(), 2);
    EXPECT_EQ(play.m_vClear[0].m_nBest, 800);
}

TEST_F(StageEndTest, AChallengeStageKeepsItsResultOpensTheNextAndReportsAFailedSave) {
    // The challenge file's folder cannot be made: the save fails.
    orvtest::WriteHostFile("user_data", "a file");
    g_SystemData.Set(kSysStageCount, 3);
    g_SceneMgr.m_nTitleCmd = 2;
    g_PlayData.Reset(3);
    g_PlayData.m_nStageNo = 2;
    g_PlayData.m_nOpenStages = 2;
    g_PlayData.m_nSeriesNo = 1;
    g_PlayData.m_nTotalScore = 400;
    EXPECT_EQ(scene.DecideAfterStage(), kSceneStageSelect);
    EXPECT_EQ(g_PlayData.m_vResult, (cVector<uint8_t>{0, 1, 0}));
    EXPECT_EQ(g_PlayData.m_vResultBest, (cVector<int32_t>{0, 400, 0}));
    EXPECT_EQ(g_PlayData.m_nBestTotal, 400);
    EXPECT_EQ(g_PlayData.m_nOpenStages, 3);
    EXPECT_NE(Report().find("Challenge.dat: save failed"), std::string::npos);

    // A lower score keeps the best; the last stage opens no more.
    g_PlayData.m_nTotalScore = 100;
    g_PlayData.m_nStageNo = 3;
    EXPECT_EQ(scene.DecideAfterStage(), kSceneStageSelect);
    EXPECT_EQ(g_PlayData.m_vResultBest, (cVector<int32_t>{0, 400, 100}));
    EXPECT_EQ(g_PlayData.m_nBestTotal, 500);
    EXPECT_EQ(g_PlayData.m_nOpenStages, 3);

    // Stage numbers past the results, and no results at all.
    for (int stage : {0, 4}) {
        g_PlayData.m_nStageNo = stage;
        EXPECT_EQ(scene.DecideAfterStage(), kSceneStageSelect);
    }
    g_PlayData.m_vResult.clear();
    g_PlayData.m_nStageNo = 1;
    EXPECT_EQ(scene.DecideAfterStage(), kSceneStageSelect);
    EXPECT_EQ(g_PlayData.m_nBestTotal, 500);
    EXPECT_FALSE(ClosePosted());
}

// ---------------------------------------------------------------------------
// Ranking entry

intptr_t NameDialog(plat::WindowHandle window, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    if (id == WM_REQ_NAME) {
        g_pGameScene->m_strRankName += "!";
        g_bNameEntryDone = 1;
    }
    return orvtest::RecordSent(window, id, wParam, lParam);
}

TEST_F(StageEndTest, RankingEntryTakesTheFixedNameOrAsksForOne) {
    // The ranking table that follows waits for the decide button on a
    // thread of its own.
    RunWindowThread(NameDialog);
    struct Case {
        int entryMode, dialogs;
        const char* rankName;
        const char* lastName;
    } cases[] = {
        {0, 1, "bob!", "bob!"},
        {1, 0, "fixed", "bob"},
        {2, 1, "bob!", "bob!"},
        {3, 0, "fixed", "bob"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entryMode);
        orvtest::g_Sent.clear();
        g_SceneMgr.m_bRanking = 1;
        g_Option.m_nRankEntry = c.entryMode;
        g_Option.m_strName = "fixed";
        g_PlayData.m_strName = "bob";
        scene.m_bRankIn = 1;
        scene.m_bRanked = 0;
        plat::testing::ClearInputScript();
        plat::ClearKeys();
        plat::testing::ScriptInput(1, 'Z', true);
        scene.RegisterRanking();
        EXPECT_EQ(plat::FramesBegun().frames, 2);
        EXPECT_EQ(orvtest::SentParams(WM_REQ_NAME).size(), static_cast<size_t>(c.dialogs));
        EXPECT_EQ(scene.m_strRankName, c.rankName);
        EXPECT_EQ(g_PlayData.m_strName, c.lastName);
        EXPECT_EQ(Sounds(kSeRanked), 1);
        EXPECT_EQ(scene.m_bRanked, 1);
    }
}

TEST_F(StageEndTest, RankingEntryWantsRankingsAPlaceAndNoEntryYet) {
    struct Case {
        int ranking, rankIn, ranked;
    } cases[] = {{0, 1, 0}, {1, 0, 0}, {1, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ranking << c.rankIn << c.ranked);
        g_SceneMgr.m_bRanking = c.ranking;
        g_Option.m_nRankEntry = 1;
        scene.m_bRankIn = c.rankIn;
        scene.m_bRanked = c.ranked;
        scene.RegisterRanking();
        EXPECT_EQ(Sounds(kSeRanked), 0);
        EXPECT_EQ(scene.m_bRanked, c.ranked);
    }
}

}  // namespace
