#include "frontend/play_data.h"

#include <cstdio>

#include "app/requests.h"
#include "core/text.h"
#include "project/stage_file.h"
#include "project/stage_info.h"
#include "project/system_data.h"

PROGRAM_OBJECT_DEFINE(g_PlayData, cPlayData);
PROGRAM_OBJECT_DEFINE(g_PlayDataStart, cPlayData);
PROGRAM_OBJECT_DEFINE(g_PlayDataPrev, cPlayData);

namespace {

constexpr int kModeStageFile = 2;

}  // namespace

void cPlayData::Reset(int challengeStages) {
    // The music playing is the window's thread's, not the play's.
    const int32_t bgm = m_nStageBgm;
    const int32_t bgmLoop = m_bStageBgmLoop;
    *this = cPlayData();
    m_nStageBgm = bgm;
    m_bStageBgmLoop = bgmLoop;
    if (challengeStages > 0) m_vResult.assign(static_cast<size_t>(challengeStages), 0);
}

void cPlayData::SetCurrentStage(const char* path, int linkVar, int linkVarNo, int linkVarValue) {
    m_strStage = path ? path : "";
    m_bLinkVar = linkVar;
    m_nLinkVarNo = linkVarNo;
    m_nLinkVarValue = linkVarValue;
}

void cPlayData::SaveCheckpoint() {
    m_nCheckLives = m_nLives;
    m_nCheckTotalScore = m_nTotalScore;
}

void cPlayData::LoadCheckpoint(int /*retry*/) {
    // Lives are taken by the death itself; only the score of the attempt
    // is undone.
    m_nTotalScore = m_nCheckTotalScore;
}

// The carried hero status arrives with the front end's play record; until
// then nothing is carried between stages.
void cPlayData::RestoreHeroStatus(cChara&, cCharaDef&, cStageInfo&) {}
void cPlayData::RestoreHeroValues(cChara&) {}
void cPlayData::ClearCarryFlags(int) {}

int StartStageFile(const char* path, int numbered) {
    char copy[kMaxPath];
    std::snprintf(copy, sizeof copy, "%s", path ? path : "");
    g_PlayData.Reset(g_SystemData.Get(kSysStageCount));
    if (!OpenStageFile(copy, numbered, &g_StageSettings, &g_HeroDef)) return 0;
    g_PlayData.m_nStageNo = 1;
    g_PlayData.m_nSeriesNo = 1;
    if (g_bStartStageFile || g_SystemData.m_vInfiniteLives.At(kModeStageFile) != 0) {
        g_PlayData.m_nStartLives = g_PlayData.m_nLives = kInfiniteLives;
    } else {
        g_PlayData.m_nStartLives = g_SystemData.m_vLives.At(kModeStageFile);
        g_PlayData.m_nLives = g_PlayData.m_nStartLives - 1;
    }
    std::string relative = copy;
    MakeRelativePath(relative);
    g_PlayData.SetCurrentStage(relative.c_str(), 0, 0, 0);
    return 1;
}
