// The definition of one chara: its picture and animation, who controls it,
// its physical and combat values, its start and death effects, how it is
// activated, its appearance conditions and its flows. One class serves as a
// common-palette entry, a stage-palette entry and a placement on a stage's
// map; every run-time chara holds a copy of one.
//
// An entry may take chosen groups of its values from another chara entry of
// the common or the live stage palette (inherit source and index, one flag
// per group). The copy is made once, when the entry is read; the flows are
// shared with the source until either changes them.
#pragma once
#include <cstdint>
#include <string>

#include "core/containers.h"
#include "core/record.h"
#include "project/condition.h"
#include "project/flow.h"

class DataFile;

class cCharaDef : public cRecord {
public:
    // Property groups an entry can take from its inheritance source; the
    // last one is the flow list.
    static constexpr int kInheritGroups = 37;
    static constexpr int kFlowGroup = 36;

    // Registered members, in file order.
    int8_t m_cInheritSrc = 0;       // 0 none, 1 common palette, 2 stage palette
    int16_t m_sInheritIdx = 0;      // entry of the source palette's chara list
    std::string m_strName;
    int8_t m_cCondMode = 0;         // 0 every appearance condition, 1 any one
    int8_t m_cKeepMet = 0;          // 1: once met, the conditions count as met
    int8_t m_cFacing = 0;           // initial facing: 0 left, 1 right
    int8_t m_cExtraCopies = 0;      // a placement makes this many more charas
    int16_t m_sCopyOffsetX = 0;     // pixels added to the X of every copy
    int16_t m_sCopyStepX = 0;       // pixels added to the X per copy number
    int16_t m_sCopyOffsetY = 0;
    int16_t m_sCopyStepY = 0;
    int8_t m_cMirrorX = 0;          // 1: the X offsets change sign when facing right
    int8_t m_cMirrorY = 0;
    int16_t m_sChip = 0;            // chip of the picture, 0 none
    int8_t m_cSheetKind = 1;        // 0 block, 1 chara, 2 item, 3 shot chips, 4 a dedicated bitmap
    int16_t m_sChipRow = 0;         // row of the chara sheet
    int16_t m_sAnimeSet = 0;        // AnimeSet database entry
    int8_t m_cLayer = 3;            // drawing layer 0..7
    int8_t m_cTransparent = 0;
    int16_t m_sStartEffect = 0;     // CharaEffect database entry shown at the start
    int8_t m_cStartEffectMode = 0;  // 0 forward, 1 reversed, 2 there and back; from 196
    int8_t m_cStartEffectLoop = 1;
    int16_t m_sDeathEffect = 0;     // CharaEffect database entry shown at death
    int8_t m_cDeathEffectMode = 0;  // from 196
    int8_t m_cEmblemShown = 0;
    int16_t m_sEmblem = 0;
    int8_t m_cOperatedBy = 1;       // 0 the player (the hero), 1 the computer
    int8_t m_cPlayerNo = 0;         // input used when operated by the player
    // The chara's group 0..7: blocks whose pass-through class equals it let
    // it through, and its shots and summons belong to the same group.
    int8_t m_cBlockClass = 1;
    int8_t m_cSide = 0;             // the side compared by target searches
    int8_t m_cFlight = 0;
    int8_t m_cFixedFacing = 1;      // 1: movement leaves the facing alone
    int8_t m_cInvincible = 0;
    int8_t m_cInvincibleColor = 0;  // colour effect while invincible, 0 none; from 285
    int8_t m_cBlockChara = 0;       // 1: others can stand on the chara
    int8_t m_cGiantScale = 1;       // size factor, 1 normal
    int8_t m_cScrollSync = 0;       // from 210
    int8_t m_cSightShape = 0;       // 0 whole screen, 1 circle, 2 circle in front, 3 square, 4 square in front
    int8_t m_cSightRange = 0;       // half blocks
    int32_t m_nMaxHP = 10;
    int32_t m_nMaxSP = 0;
    int16_t m_sStopEase = 10;       // percent
    int8_t m_cMapBox = 0;           // box against the block map, 0..3; from 201
    int32_t m_nBodyPower = 0;
    int8_t m_cBodyImpact = 0;
    int16_t m_sDamageEffect = 0;    // Effect database entry showing damage
    int32_t m_nDefence = 0;         // from 168
    int8_t m_cImpactResist = 0;
    int32_t m_nScore = 0;
    int8_t m_cReserved = 1;         // hides the ranges of the appearance conditions once the chara appeared
    int8_t m_cFlagAppear = 0;       // 1: a stage flag activates the chara, which sets it while in view
    int16_t m_sFlagNo = 0;
    int8_t m_cActivityRange = 0;    // 0 in view, 1 X in view, 2 Y in view, 3 everywhere
    int8_t m_cActivationMode = 0;   // 1: once active, active wherever it is

    // The class tail.
    int16_t m_sCol = 0;             // tile position of a placement
    int16_t m_sRow = 0;
    int32_t m_nCarryItem = 0;       // placed item of the stage the chara carries, -1 none
    cVector<int8_t> m_vInheritFlag; // one per property group
    cVector<cCondition> m_vCond;
    FlowList m_vFlow;              // shared with the entry it is taken from

    cCharaDef();

    // Every value back to the kind's defaults: the table's values, no
    // inheritance, no carried item, no conditions and no flows.
    void SetDefault();
    void RegisterFields(int version) override;
    // Reads, upgrades an older file's values, inherits, then validates.
    bool Read(DataFile* file) override;
    // Validates, then writes.
    bool Write(DataFile* file) override;

    // Keeps inheritance and database references inside their lists and
    // drops flows that can never do anything.
    void Validate();
    // Palette references of the flows' commands kept inside the palettes.
    void ValidateFlows();
    // Copies the flagged property groups from the source entry.
    void Inherit();

    // Offset of copy i of a placement: i x step + offset, negated for a
    // chara facing right (facing 1) when that axis is mirrored.
    double GetOffsetX(int copy, int facing) const;
    double GetOffsetY(int copy, int facing) const;
};

template <>
struct ElementTraits<cCharaDef> : DefaultedRecord<cCharaDef> {};
