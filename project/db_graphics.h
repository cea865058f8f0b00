// Pictures that the stage loads for every stage and game objects draw: the
// chara-exclusive sheets, the sword types with their swing steps, and the
// effects (short animations in a strip of frames).
#pragma once
#include <cstdint>
#include <string>

#include "core/containers.h"
#include "core/record.h"
#include "project/anime.h"

// The Read of records whose editor number is kept only in files of version
// 153 on: the generic part, then that number set to 0 for older files.
bool ReadOldDbRecord(cRecord& record, int32_t& editorNumber, DataFile* file);

// A picture sheet a chara may use instead of the common character sheets.
class cBmpCharaExcData : public cRecord {
public:
    std::string m_strName;
    int32_t m_nEditorNo = 0;  // kept for the editor
    std::string m_strFile;
    int32_t m_nLargeChips = 0;  // 0: 32-dot chips; 1: chips of m_nChipSize blocks
    int32_t m_nChipSize = 2;    // side of a chip in blocks of 32 dots

    cBmpCharaExcData();
    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;

    // Side of a chip in dots and the place of chip n on the sheet, which is
    // 16 blocks wide, chips numbered left to right, line by line.
    int ChipSide() const;
    void ChipPos(int chip, int& x, int& y) const;
};
template <>
struct ElementTraits<cBmpCharaExcData> : DefaultedRecord<cBmpCharaExcData> {};

// Where a sword step sits relative to its wielder.
enum : int32_t {
    kSwordFront = 0,
    kSwordBehind = 1,
    kSwordAbove = 2,
    kSwordBelow = 3,
};

// One step of a sword's swing.
class cSwordPartData : public cRecord {
public:
    int32_t m_nOffsetX = 0;  // dots, times the wielder's giant scale
    int32_t m_nOffsetY = 0;
    int32_t m_nMirrorX = 1;  // 1: offset X is subtracted while facing right
    int32_t m_nMirrorY = 0;  // 1: offset Y is subtracted while facing right
    int32_t m_nSide = kSwordFront;
    int32_t m_nSrcX = 0;  // the step's rectangle on the picture
    int32_t m_nSrcY = 0;
    int32_t m_nWidth = 0;
    int32_t m_nHeight = 0;
    int32_t m_nTime = 0;  // tenths of a second

    cSwordPartData();
    void RegisterFields(int version) override;
};
template <>
struct ElementTraits<cSwordPartData> : DefaultedRecord<cSwordPartData> {};

class cSwordTypeData : public cRecord {
public:
    std::string m_strName;
    int32_t m_nEditorNo = 0;  // kept for the editor
    std::string m_strFileL;   // while the wielder faces left
    std::string m_strFileR;   // while the wielder faces right
    cVector<cSwordPartData> m_vPart;

    cSwordTypeData();
    // One step whose display time is 1.
    void SetDefault();
    void RegisterFields(int version) override;
    // The record, then its counted steps; a count of 0 leaves no step.
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
};
template <>
struct ElementTraits<cSwordTypeData> : DefaultedRecord<cSwordTypeData> {};

// Two numbers; as an effect frame, the frame of the strip and its display
// time in tenths of a second.
class cIntPair : public cRecord {
public:
    int32_t m_nFirst = 0;
    int32_t m_nSecond = 0;

    cIntPair();
    cIntPair(int32_t first, int32_t second);
    void RegisterFields(int version) override;
};

// An animation played at a place: frame k of the strip lies at
// x = k * m_nWidth, y = 0.
class cEffectData : public cRecord {
public:
    std::string m_strName;
    int32_t m_nEditorNo = 0;  // kept for the editor
    std::string m_strFile;
    int32_t m_nWidth = 32;
    int32_t m_nHeight = 32;
    int32_t m_nScales = 0;     // 1: as a hit effect it grows with the attacker's giant scale
    cVector<cIntPair> m_vFrame;  // {frame of the strip, display time}

    cEffectData();
    // 32 by 32, not scaled, one frame {0, 1}.
    void SetDefault();
    void RegisterFields(int version) override;
    // The record, then its counted frames; a count of 0 leaves no frame.
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
};
template <>
struct ElementTraits<cEffectData> : DefaultedRecord<cEffectData> {};
