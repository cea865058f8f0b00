#include "frontend/play_data.h"

#include <cstdio>

#include "app/requests.h"
#include "core/numeric.h"
#include "core/text.h"
#include "project/stage_file.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "project/world_map.h"

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
    if (challengeStages > 0) {
        m_vResult.assign(static_cast<size_t>(challengeStages), 0);
        m_vResultBest.assign(static_cast<size_t>(challengeStages), 0);
    }
}

void cPlayData::SetCurrentStage(const char* path, int linkVar, int linkVarNo, int linkVarValue) {
    const std::string full = path ? path : "";
    m_bLinkVar = linkVar;
    m_nLinkVarNo = linkVarNo;
    m_nLinkVarValue = linkVarValue;
    m_bSeries = 0;
    // Only the file's own name counts: a "-1" or a '.' in a folder's name
    // would give stages of that folder one shared base, and one ranking file.
    const size_t name = AfterLastSeparator(full.c_str(), full.size());
    m_strStage.clear();
    for (size_t i = full.size(); i-- > name;) {
        if (full[i] == '-' && i + 1 < full.size() && full[i + 1] == '1') {
            m_bSeries = 1;
            m_strStage = full.substr(0, i) + ".";
            break;
        }
    }
    if (!m_bSeries) {
        const size_t dot = full.rfind('.');
        if (dot != std::string::npos && dot >= name) m_strStage = full.substr(0, dot + 1);
    }
    m_strStageKey = m_strStage;
    AppendChallengeSuffix(m_strStageKey, linkVar, linkVarNo, linkVarValue);
}

void AppendChallengeSuffix(std::string& key, int linkVar, int linkVarNo, int linkVarValue) {
    if (!linkVar) return;
    StrSyncLength(key);
    const bool dot = !key.empty() && key.back() == '.';
    if (dot) key.pop_back();
    AppendFormat(key, "_c%03d_%d", linkVarNo, linkVarValue);
    if (dot) key += '.';
}

void cStageClearRecord::Set(int score, const std::string& path, const std::string& key, int linkVar, int linkVarNo,
                            int linkVarValue) {
    m_nBest = score;
    m_strStage = path;
    m_strKey = key;
    m_bLinkVar = linkVar;
    m_nLinkVarNo = linkVarNo;
    m_nLinkVarValue = linkVarValue;
}

void cPlayData::SetStageScore(const std::string& path, const std::string& key, int linkVar, int linkVarNo,
                              int linkVarValue, int score) {
    for (cStageClearRecord& record : m_vClear) {
        if (record.m_strKey != key) continue;
        if (record.m_nBest >= score) return;
        m_nBestTotal = SaturateInt(int64_t{m_nBestTotal} + score - record.m_nBest);
        record.m_nBest = score;
        return;
    }
    cStageClearRecord record;
    record.Set(score, path, key, linkVar, linkVarNo, linkVarValue);
    m_vClear.push_back(record);
    m_nBestTotal = SaturateInt(int64_t{m_nBestTotal} + score);
}

void cPlayData::StepRankingType(int playMode, int step) {
    if (playMode < 0 || playMode >= g_SystemData.m_vPlayMode.Size()) return;
    const cVector<uint8_t>& shown = g_SystemData.m_vPlayMode[static_cast<size_t>(playMode)].m_vRankFlag;
    const int types = shown.Size();
    if (types == 0) return;
    int type = m_nRankType;
    if (step == 0 && type >= 0 && type < types && shown[static_cast<size_t>(type)]) return;
    for (int i = 0; i < types; ++i) {
        type = type >= 0 && type < types - 1 ? type + 1 : 0;
        if (shown[static_cast<size_t>(type)]) {
            m_nRankType = type;
            return;
        }
    }
}

void cPlayData::ResetProgress() {
    if (m_nLap < INT32_MAX) ++m_nLap;
    m_vProgress.assign(kProgressFlags, 0);
    m_vProgress[0] = 1;
    m_nMapX = g_WorldMap.m_nStartX;
    m_nMapY = g_WorldMap.m_nStartY;
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
void cPlayData::StoreHeroStatus(int, const cCharaDef&, int, int, int, int, int, int, int, int) {}

// The progress files arrive with the front end's play record; until then
// nothing is written, and the caller hears so.
int cPlayData::SaveFile(const char*) { return 0; }

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
