// Block definitions. One record kind serves as an entry of the common
// palette, an entry of a stage's own palette and a block placed on a stage
// map (a full copy of the definition plus its tile position). While a stage
// is played every map cell is a cMapCell: the block and its latch.
#pragma once
#include <cstdint>
#include <string>

#include "core/containers.h"
#include "core/record.h"
#include "project/condition.h"

struct DDSURFACEDATA;

class DataFile;

class cPltBlock : public cRecord {
public:
    // Property groups an entry can take from its inheritance source.
    static constexpr int kInheritGroups = 11;

    int16_t m_sCol = 0;          // tile position of a placement; 0 in palette entries
    int16_t m_sRow = 0;
    int8_t m_cInheritSrc = 0;    // 0 none, 1 common palette, 2 stage palette
    int16_t m_sInheritIdx = 0;
    cVector<int8_t> m_vInheritFlag;  // one per property group
    std::string m_strName;
    cVector<cCondition> m_vCond;     // the block exists only while these hold
    int8_t m_cCondMode = 0;      // 0 all must hold, 1 any one
    int8_t m_cKeepMet = 0;       // 1: once met, the block stays
    int16_t m_sChip = 0;         // 0: an empty cell
    int8_t m_cSheet = 0;         // 0 block, 1 chara, 2 item, 3 shot chips, 4 dedicated bitmap
    int16_t m_sSheetSub = 0;     // chara sheet row or dedicated bitmap frame
    int8_t m_cFront = 0;         // 1: drawn in front of the characters
    int8_t m_cHidden = 0;        // 1: acts but is never drawn
    int8_t m_cIconMode = 0;      // 0 none, 1 drawn over the block, 2 editor only
    int16_t m_sIcon = 0;
    int8_t m_cHit = 1;           // 0 passable, 1 solid, 2 solid and deadly to the hero
    uint8_t m_ucPassClass = 255; // block-collision class that passes through; 255 none
    int8_t m_cStandEffect = 0;   // 0 none, 1 jump, 2 no jump, 3 speed %, 4 carry left, 5 carry right
    int32_t m_nEffectValue = 0;
    int8_t m_cItemSrc = 0;       // item handed out: 0 none, 1 common, 2 stage palette
    int16_t m_sItemIdx = 0;
    int8_t m_cSummonProof = 0;   // 1: block summons never replace or erase it

    cPltBlock();

    // The kind's defaults: a fresh palette entry, or entry 0 of a palette.
    void SetDefault();
    void RegisterFields(int version) override;
    // Record, position, flags, conditions; then the upgrade of older files,
    // the inheritance and the check.
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;

    // Inheritance reference kept inside its palette; an empty chip loses
    // its hit kind and summon-proof flag.
    void Validate();
    // Item reference kept inside its palette; run once every item is loaded.
    void ValidateItemRef();
    // Takes the flagged property groups from the source entry.
    void Inherit();

    // How the block stops an object of `faction`: 0 not at all (absent by
    // its appearance conditions, or the faction passes), else the hit kind.
    // The collision asks this of several cells per chara and sub-step, so
    // a block without conditions answers here; the conditions are judged
    // with the game objects, by the stage scene.
    int8_t GetHitKind(int faction) {
        if (!m_vCond.empty()) return GetHitKindByConditions(faction);
        return faction == m_ucPassClass ? 0 : m_cHit;
    }
    int8_t GetHitKindByConditions(int faction);
    // Draws the block's chip, and its mark when shown, at (x, y).
    void Draw(DDSURFACEDATA* surface, int x, int y);
};

template <>
struct ElementTraits<cPltBlock> : DefaultedRecord<cPltBlock> {};

// One cell of a played map: the block placed or summoned there, and whether
// its appearance conditions have held once.
class cMapCell : public cPltBlock {
public:
    int32_t m_nMet = 0;

    cMapCell() = default;
    // Filling a cell starts its latch afresh.
    cMapCell& operator=(const cPltBlock& block) {
        cPltBlock::operator=(block);
        m_nMet = 0;
        return *this;
    }
};
