// The record of one play: lives, scores, the stage being played and the
// state carried between stages. The live record g_PlayData is what play
// changes; g_PlayDataStart and g_PlayDataPrev keep it as the running and
// the previous attempt began, for replays.
//
// Only what stage play reads and writes is here; the files (save slots and
// the challenge file) and the carried hero status arrive with the front
// end's own play record.
#pragma once
#include <cstdint>
#include <string>

#include "core/containers.h"
#include "core/program_object.h"

class cChara;
class cCharaDef;
class cStageInfo;
class cWorldLink;

// Lives of this count are infinite: never taken, shown as "-".
constexpr int kInfiniteLives = 999999;
// The common variables of flows and conditions, shared by every stage.
constexpr int kCommonVars = 1001;
// Progress flags of the story: flag n is world-map stage n cleared.
constexpr int kProgressFlags = 1000;

// The best score of one cleared story stage, found by its key.
class cStageClearRecord {
public:
    void Set(int score, const std::string& path, const std::string& key, int linkVar, int linkVarNo,
             int linkVarValue);

    std::string m_strStage;
    std::string m_strKey;
    int32_t m_bLinkVar = 0;
    int32_t m_nLinkVarNo = 0;
    int32_t m_nLinkVarValue = 0;
    int32_t m_nBest = 0;
};

class cPlayData {
public:
    // A fresh play for `challengeStages` challenge stages.
    void Reset(int challengeStages);
    // The stage being played: its path and the link values of its world-map
    // point. m_strStage becomes the base name that the next stage of a
    // series and the ranking file are named from: "data\stg4\c03-1.stg4"
    // gives "data\stg4\c03." and marks a series, "boss.stg4" gives "boss.".
    // The key of the score records adds the link values.
    void SetCurrentStage(const char* path, int linkVar, int linkVarNo, int linkVarValue);
    // Keeps `score` as the best of the stage `key` when it beats the best
    // kept, and m_nBestTotal with it.
    void SetStageScore(const std::string& path, const std::string& key, int linkVar, int linkVarNo,
                       int linkVarValue, int score);
    // An after-clear action of the world map: the story starts another lap,
    // with every stage to be cleared again from the map's start.
    void ResetProgress();
    // The shown ranking table made one that play mode `playMode` shows:
    // with step 0 it stays when shown, else (and always with step 1) it
    // moves forward to the next shown one; unchanged when none is shown.
    void StepRankingType(int playMode, int step);
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
    // Keeps the carried parts of hero `index` for the next stage.
    void StoreHeroStatus(int index, const cCharaDef& def, int hp, int sp, int effect, int effectMode,
                         int effectLoop, int timeLeft, int lives, int bgm);
    // Writes the record to a progress file: 1, or 0 when it was not written.
    int SaveFile(const char* path);

    int32_t m_nLives = 0;        // 999999: infinite
    int32_t m_nStartLives = 0;
    int32_t m_nScore = 0;        // of the stage
    int32_t m_nTotalScore = 0;
    int32_t m_nBestTotal = 0;    // the best scores kept, added up
    int32_t m_nTotalTime = 0;    // the four ranking sums
    int32_t m_nTotalPlayTime = 0;
    int32_t m_nTotalHP = 0;
    int32_t m_nTotalSP = 0;
    int32_t m_nStageNo = 0;
    int32_t m_nSeriesNo = 0;     // the number of the stage in its series
    int32_t m_bSeries = 0;
    int32_t m_bRetreat = 0;      // the world map was chosen from a stage
    int32_t m_nMapX = 0;         // world-map cursor cell
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
    int32_t m_nRankType = 0;     // the ranking table shown
    int32_t m_nLap = 0;          // times the story started another lap
    int32_t m_nOpenStages = 1;   // challenge stages offered in the stage select
    std::string m_strStage;      // base name, ending in '.'; empty for none
    std::string m_strStageKey;   // key of the stage's score record
    std::string m_strName = "aaa";  // the name last entered for a ranking
    const cWorldLink* m_pLink = nullptr;  // the world-map link whose stage is played
    cVector<int32_t> m_vVar = cVector<int32_t>(kCommonVars, 0);
    cVector<uint8_t> m_vProgress;  // per story stage: reached
    cVector<uint8_t> m_vResult;    // per challenge stage: cleared
    cVector<int32_t> m_vResultBest;  // per challenge stage: best score
    cVector<cStageClearRecord> m_vClear;  // per cleared story stage

private:
    int32_t m_nCheckLives = 0;
    int32_t m_nCheckTotalScore = 0;
};

PROGRAM_OBJECT_DECLARE(g_PlayData, cPlayData);
PROGRAM_OBJECT_DECLARE(g_PlayDataStart, cPlayData);
PROGRAM_OBJECT_DECLARE(g_PlayDataPrev, cPlayData);

// The key of a stage reached through a link that sets a variable gets the
// variable's number and value: "c03." with 5 and 2 becomes "c03_c005_2.".
void AppendChallengeSuffix(std::string& key, int linkVar, int linkVarNo, int linkVarValue);

// Prepares the play record for one stage file and loads it; 1 loaded.
int StartStageFile(const char* path, int numbered);
