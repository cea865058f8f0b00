// What a cleared stage leaves behind: the score added to the play's totals
// with the extra lives it earns, the places the play takes in the rankings,
// and the scene that follows (the next stage of a series, the world map,
// the stage select, the title or the same stage again).
#include <algorithm>
#include <cstdint>
#include <list>
#include <string>

#include "app/requests.h"
#include "core/numeric.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "core/text.h"
#include "core/thread.h"
#include "frontend/menu.h"
#include "frontend/play_data.h"
#include "frontend/scene_mgr.h"
#include "objects/hero.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/threads.h"
#include "project/option.h"
#include "project/path_table.h"
#include "project/stage_file.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "project/world_map.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

constexpr int kSeStageClear = 14;
constexpr int kSeExtraLife = 15;
constexpr int kSeRanked = 16;

constexpr int kMaxLives = 99;
constexpr int kExtraLifeFrames = 30;

// Last title commands.
constexpr int kTitleCmdChallenge = 2;
constexpr int kTitleCmdStageFile = 3;

bool RankEntryAsksName(int mode) { return mode == 0 || mode == 2; }

// Holds the game thread while the program is in the background; a close or
// a stop ends the hold.
void WaitWhileInactive(const cGameScene& scene) {
    while (!g_bActive && !scene.m_bQuit && !plat::StopRequested()) {
        plat::FreezePoint();
        plat::SleepMs(1);
    }
}

// The next stage of the series asked for by the stage-clear command, loaded
// as the stage the scene plays next.
bool LoadNextStage(cGameScene& scene) {
    cPlayData& play = g_PlayData;
    if (!play.m_bSeries || scene.m_nNextStage == 0) return false;
    play.m_nSeriesNo = scene.m_nNextStage;
    std::string name;
    if (!scene.MakeNextStageName(name, scene.m_nNextStage)) return false;
    if (!OpenStageFile(name.c_str(), 1, &g_StageSettings, &g_HeroDef)) return false;
    // Gap: both replay records (the running and the previous attempt) are
    // cleared here once replays exist.
    return true;
}

}  // namespace

bool cGameScene::RanksType(int type) {
    const int mode = g_SceneMgr.m_nPlayMode;
    if (mode < 0 || mode >= g_SystemData.m_vPlayMode.Size()) return false;
    const cPlayMode& playMode = g_SystemData.m_vPlayMode[static_cast<size_t>(mode)];
    if (!playMode.m_nEnabled) return false;
    if (type < 0) return false;
    const size_t t = static_cast<size_t>(type);
    if (type >= playMode.m_vRankFlag.Size() || !playMode.m_vRankFlag[t]) return false;
    return type < g_Stage.m_vExtra.Size() && g_Stage.m_vExtra[t] != 0;
}

void cGameScene::EndStage() {
    PlaySystemSe(kSeStageClear);
    TallyScore();
    m_bRanked = 0;
    m_bRankIn = 0;
    std::fill(m_vRankPos.begin(), m_vRankPos.end(), -1);
    // The places are taken once, at the end of a series.
    if (!g_bStartStageFile && !(g_SceneMgr.m_bRanking && IsLastStage(m_nNextStage))) return;
    const cPlayData& play = g_PlayData;
    m_vRankValue = {play.m_nTotalScore, play.m_nTotalTime, play.m_nTotalPlayTime, play.m_nTotalHP, play.m_nTotalSP};
    // A test play of the editor shows the values but keeps no places.
    if (g_bEditorLaunch) return;
    m_vRankPos.resize(kRankTypes, -1);
    for (int type = 0; type < kRankTypes; ++type) {
        if (!RanksType(type)) continue;
        const size_t t = static_cast<size_t>(type);
        m_vRankPos[t] = g_RankingDb.m_vTables[t].FindInsertPos(m_vRankValue[t]);
        if (m_vRankPos[t] != -1) m_bRankIn = 1;
    }
}

void cGameScene::TallyScore() {
    cPlayData& play = g_PlayData;
    const int old = play.m_nTotalScore;
    play.m_nTotalScore = SaturateInt(int64_t{play.m_nTotalScore} + play.m_nScore);
    if (!m_bNoTimeLimit) play.m_nTotalTime = SaturateInt(int64_t{play.m_nTotalTime} + m_nTimeLimit);
    play.m_nTotalPlayTime = SaturateInt(int64_t{play.m_nTotalPlayTime} + m_nPlayTime);
    cHero* hero = g_Heroes.empty() ? nullptr : &g_Heroes.At(0);
    if (hero) {
        play.m_nTotalHP = SaturateInt(int64_t{play.m_nTotalHP} + hero->m_nHP);
        play.m_nTotalSP = SaturateInt(int64_t{play.m_nTotalSP} + hero->m_nSP);
    }

    const int step = g_SystemData.Get(kSysExtraLifePoints);
    if (play.m_nLives == kInfiniteLives || !IsSwitchOn(kSysExtraLifeOn) || step == 0) return;
    const int64_t extra = int64_t{play.m_nTotalScore} / step - int64_t{old} / step;
    bool shown = false;
    for (int64_t i = 0; i < extra; ++i) {
        // Lives stop at 99; one message for lives beyond it is enough, where
        // a big score would otherwise hold the game for a message each.
        if (shown && play.m_nLives >= kMaxLives) break;
        if (play.m_nLives < kMaxLives) ++play.m_nLives;
        PlaySystemSe(kSeExtraLife);

        const cMessageWin* window = &m_lMessages.emplace_back(RisingIconParams(3, hero ? hero->m_nId : 0, 1));
        shown = true;
        m_PauseWait.Set(4, 0, kExtraLifeFrames, 0);
        RunPauseWait();
        // The wait's drawing may have dropped it already.
        EraseMessage(window);
        if (m_bQuit) {
            PostMainWindowClose();
            return;
        }
        WaitWhileInactive(*this);
    }
}

int cGameScene::MakeNextStageName(std::string& out, int number) {
    out.clear();
    const cPlayData& play = g_PlayData;
    if (!play.m_bSeries || m_nNextStage == 0) return 0;
    const char* ext = g_ExtTable[kExtStage];
    std::string name;
    if (!m_strNextStage.empty()) {
        // The stage-clear command keeps the name with a '.' in place of its
        // extension.
        StrFormat(name, "%s.%s", m_strNextStage.substr(0, m_strNextStage.size() - 1).c_str(), ext);
    } else {
        std::string base = play.m_strStage;
        if (!base.empty() && base.back() == '.') base.pop_back();
        if (base.empty()) return 0;
        StrFormat(name, "%s-%d.%s", base.c_str(), number, ext);
    }
    std::string found;
    if (!FindNumberedFile(found, name, ext)) return 0;
    out = found;
    return 1;
}

int cGameScene::IsLastStage(int number) {
    std::string name;
    return MakeNextStageName(name, number) ? 0 : 1;
}

int cGameScene::DecideAfterStage() {
    cPlayData& play = g_PlayData;
    if (g_Stage.m_nNextOption) {
        for (int i = 0; i < g_Heroes.Size(); ++i) {
            const cHero& hero = g_Heroes[static_cast<size_t>(i)];
            play.StoreHeroStatus(i, hero.m_Def, hero.m_nHP, hero.m_nSP, hero.m_Effect.m_sEffect, hero.m_Effect.m_nMode,
                                 hero.m_Effect.m_bLoop, m_nTimeLimit, play.m_nLives, play.m_nStageBgm);
        }
    }
    const int seriesNo = play.m_nSeriesNo;
    switch (g_SceneMgr.m_nTitleCmd) {
    case 0:
    case 1: {
        if (LoadNextStage(*this)) return kSceneStage;
        const int stage = play.m_nStageNo;
        if (stage >= 0 && stage < kProgressFlags) {
            if (stage >= play.m_vProgress.Size()) play.m_vProgress.resize(static_cast<size_t>(stage) + 1, 0);
            play.m_vProgress[static_cast<size_t>(stage)] = 1;
        }
        play.SetStageScore(play.m_strStage, play.m_strStageKey, play.m_bLinkVar, play.m_nLinkVarNo,
                           play.m_nLinkVarValue, play.m_nTotalScore);
        const int action = play.m_pLink ? play.m_pLink->m_nAfterClear : kAfterClearNothing;
        if (action == kAfterClearTitle) {
            g_CursorStack.Current().row = g_SceneMgr.m_nTitleCmd;
            return kSceneTitle;
        }
        if (action == kAfterClearSecondRound) play.ResetProgress();
        play.m_nSeriesNo = seriesNo;
        return kSceneWorldMap;
    }
    case kTitleCmdChallenge: {
        if (LoadNextStage(*this)) return kSceneStage;
        const int entry = play.m_nStageNo - 1;
        if (!play.m_vResult.empty() && entry >= 0 && entry < play.m_vResult.Size()) {
            play.m_vResult[static_cast<size_t>(entry)] = 1;
            if (entry < play.m_vResultBest.Size()) {
                int32_t& best = play.m_vResultBest[static_cast<size_t>(entry)];
                if (play.m_nTotalScore > best) {
                    play.m_nBestTotal = SaturateInt(int64_t{play.m_nBestTotal} + play.m_nTotalScore - best);
                    best = play.m_nTotalScore;
                }
            }
        }
        if (play.m_nStageNo >= play.m_nOpenStages)
            play.m_nOpenStages = SaturateInt(std::min<int64_t>(int64_t{play.m_nStageNo} + 1,
                                                               g_SystemData.Get(kSysStageCount)));
        // The player is not told, but the lost progress is on record.
        const char* path = g_PathTable[kPathChallengeFile];
        if (!play.SaveFile(path)) WriteReport("%s: save failed", path);
        play.m_nSeriesNo = seriesNo;
        return kSceneStageSelect;
    }
    case kTitleCmdStageFile:
        if (!play.m_bSeries || g_bStartStageFile) {
            play.m_bStartPos = 0;
            return kSceneStage;
        }
        if (LoadNextStage(*this)) return kSceneStage;
        play.m_nSeriesNo = seriesNo;
        return kSceneTitle;
    case kTitleCmdReplay:
        play.LoadCheckpoint(1);
        return kSceneStage;
    default: return kSceneStageSelect;
    }
}

void cGameScene::RegisterRanking() {
    if (!g_SceneMgr.m_bRanking || !m_bRankIn || m_bRanked) return;
    cPlayData& play = g_PlayData;
    if (RankEntryAsksName(g_Option.m_nRankEntry)) {
        // The name dialog of the window's thread edits m_strRankName.
        m_strRankName = play.m_strName;
        g_bNameEntryDone = 0;
        plat::SendWindowMessage(g_hMainWnd, WM_REQ_NAME, 0, 0);
        while (!g_bNameEntryDone && !m_bQuit && !plat::StopRequested()) {
            plat::FreezePoint();
            plat::SleepMs(1);
        }
        play.m_strName = m_strRankName;
    } else {
        m_strRankName = g_Option.m_strName;
    }
    PlaySystemSe(kSeRanked);
    const size_t types = std::min({size_t{kRankTypes}, m_vRankPos.size(), m_vRankValue.size()});
    for (size_t t = 0; t < types; ++t)
        if (m_vRankPos[t] != -1) g_RankingDb.m_vTables[t].Insert(m_strRankName, m_vRankValue[t]);
    SaveRanking(g_SceneMgr.m_nPlayMode, play.m_strStage, play.m_bLinkVar, play.m_nLinkVarNo, play.m_nLinkVarValue);
    m_bRanked = 1;
    if (m_bQuit) return;
    if (thRanking.Start(RankingLoop, this)) thRanking.Wait();
}
