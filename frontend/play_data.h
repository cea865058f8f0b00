// The record of one play: lives, scores, the stage being played and the
// state carried between stages. The live record g_PlayData is what play
// changes; g_PlayDataStart and g_PlayDataPrev keep it as the running and
// the previous attempt began, for replays.
//
// Only what stage play reads and writes is here; saving to slots, the
// challenge file and the carried hero status arrive with the front end's
// own play record.
#pragma once
#include <cstdint>
#include <string>

#include "core/containers.h"
#include "core/program_object.h"

class cChara;
class cCharaDef;
class cStageInfo;

// Lives of this count are infinite: never taken, shown as "-".
constexpr int kInfiniteLives = 999999;
// The common variables of flows and conditions, shared by every stage.
constexpr int kCommonVars = 1001;

class cPlayData {
public:
    // A fresh play for `challengeStages` challenge stages.
    void Reset(int challengeStages);
    // The stage being played: its path and the link values of its world-map
    // point.
    void SetCurrentStage(const char* path, int linkVar, int linkVarNo, int linkVarValue);
    // What a retry starts from: the state of the stage start.
    void SaveCheckpoint();
    // Back to the stage start; `retry` keeps what a retry keeps.
    void LoadCheckpoint(int retry);
    // The carried hero status into the placed hero's definition and the
    // stage; the two carried values into the hero; after a miss, the carry
    // flags that are forgotten.
    void RestoreHeroStatus(cChara& hero, cCharaDef& def, cStageInfo& stage);
    void RestoreHeroValues(cChara& hero);
    void ClearCarryFlags(int cleared);

    int32_t m_nLives = 0;        // 999999: infinite
    int32_t m_nStartLives = 0;
    int32_t m_nScore = 0;        // of the stage
    int32_t m_nTotalScore = 0;
    int32_t m_nTotalTime = 0;    // the four ranking sums
    int32_t m_nTotalPlayTime = 0;
    int32_t m_nTotalHP = 0;
    int32_t m_nTotalSP = 0;
    int32_t m_nStageNo = 0;
    int32_t m_nSeriesNo = 0;     // the number of the stage in its series
    int32_t m_bSeries = 0;
    int32_t m_bRetreat = 0;      // the world map was chosen from a stage
    int32_t m_nMapX = 0;         // the hero's place on the world map
    int32_t m_nMapY = 0;
    int32_t m_nMapDir = 0;
    int32_t m_bStartPos = 0;     // the next stage starts at the tile below
    int32_t m_nStartX = 0;
    int32_t m_nStartY = 0;
    int32_t m_nStartDir = 0;
    int32_t m_nStageBgm = 0;     // stage music playing, 0 none; written by the window's thread
    int32_t m_bStageBgmLoop = 0;
    int32_t m_bLinkVar = 0;
    int32_t m_nLinkVarNo = 0;
    int32_t m_nLinkVarValue = 0;
    std::string m_strStage;
    cVector<int32_t> m_vVar = cVector<int32_t>(kCommonVars, 0);
    cVector<uint8_t> m_vProgress;  // per story stage: reached
    cVector<uint8_t> m_vResult;    // per challenge stage: cleared

private:
    int32_t m_nCheckLives = 0;
    int32_t m_nCheckTotalScore = 0;
};

PROGRAM_OBJECT_DECLARE(g_PlayData, cPlayData);
PROGRAM_OBJECT_DECLARE(g_PlayDataStart, cPlayData);
PROGRAM_OBJECT_DECLARE(g_PlayDataPrev, cPlayData);

// Prepares the play record for one stage file and loads it; 1 loaded.
int StartStageFile(const char* path, int numbered);
