// Elements of the play record: the result of a cleared stage, and the hero
// status carried from one stage to the next.
#pragma once
#include <cstdint>
#include <string>

#include "core/record.h"
#include "core/record_file.h"
#include "project/chara_def.h"

// Files before this version stored only the stage path and the best score.
constexpr int kStageKeyFrom = 759;

// One cleared stage: which stage, where it was started from, its best score.
class cStageClearRecord : public cRecord {
public:
    std::string m_strPath;  // stage file
    std::string m_strKey;   // identifies the stage for rankings and results
    // The world-map link or challenge entry the stage was started from.
    int32_t m_nKeyed = 0;
    int32_t m_nKeyA = 0;
    int32_t m_nKeyB = 0;
    int32_t m_nScore = 0;  // best score

    cStageClearRecord() { Clear(); }
    cStageClearRecord(const cStageClearRecord& other) = default;
    // Re-registers this record's own members, then copies path, key, the
    // three link values and the score.
    cStageClearRecord& operator=(const cStageClearRecord& other) = default;

    void RegisterFields(int version) override;
    // Records of older files take their path as their key.
    bool Read(DataFile* file) override;
};

// The hero status kept for the next stage: the carried parts of the hero's
// definition, then its HP, SP, remaining time, lives and stage music.
// Stored as its own five numbers, then the definition as a whole record.
class cCarryStatus : public cRecord {
public:
    cCharaDef m_Def;  // keeps its own defaults; only the five numbers are cleared
    int32_t m_nHP = 0;
    int32_t m_nSP = 0;
    int32_t m_nTime = 0;
    int32_t m_nLives = 0;
    int32_t m_nBgm = 0;

    cCarryStatus() { Clear(); }
    cCarryStatus(const cCarryStatus& other) = default;
    // Re-registers, then copies the definition by its own assignment and
    // the five numbers.
    cCarryStatus& operator=(const cCarryStatus& other) = default;

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
};
