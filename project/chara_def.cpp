#include "project/chara_def.h"

#include <algorithm>
#include <cstdint>

#include "core/record_file.h"
#include "project/common_palette.h"
#include "project/database.h"
#include "project/palette_entry.h"
#include "project/record_read.h"
#include "project/stage_info.h"

namespace {

// The chara list an inherit source names: 1 the common palette, 2 the live
// stage's palette; null for any other source.
const cVector<cCharaDef>* SourceList(int source) {
    if (source == 1) return &g_CommonPalette.m_vChara;
    if (source == 2) return &g_Stage.m_vPltChara;
    return nullptr;
}

// Older files lack some property groups: the new group's flag is inserted
// at `at`, switched on, and the list keeps its fixed length, so the last
// flag falls off.
void InsertFlag(cCharaDef& d, int at) {
    cVector<int8_t>& flags = d.m_vInheritFlag;
    flags.resize(cCharaDef::kInheritGroups, 0);
    for (int i = cCharaDef::kInheritGroups - 1; i > at; --i) flags[static_cast<size_t>(i)] = flags[static_cast<size_t>(i - 1)];
    flags[static_cast<size_t>(at)] = 1;
}

const UpgradeStep<cCharaDef> kUpgrades[] = {
    {168, [](cCharaDef& d) {
         d.m_nDefence = 0;
         InsertFlag(d, 27);
     }},
    {196, [](cCharaDef& d) {
         d.m_cStartEffectMode = 0;
         d.m_cDeathEffectMode = 0;
     }},
    {201, [](cCharaDef& d) {
         d.m_cMapBox = 0;
         InsertFlag(d, 24);
     }},
    {206, [](cCharaDef& d) { if (d.m_cMapBox >= 2) d.m_cMapBox = static_cast<int8_t>(d.m_cMapBox + 1); }},
    {210, [](cCharaDef& d) {
         d.m_cScrollSync = 0;
         InsertFlag(d, 21);
     }},
    {219, [](cCharaDef& d) { d.m_sChip = UpgradeShotChip(d.m_cSheetKind, d.m_sChip); }},
    {285, [](cCharaDef& d) { d.m_cInvincibleColor = 1; }},
};

// One copy operation per property group, in group order.
const GroupCopy<cCharaDef> kGroupCopies[cCharaDef::kInheritGroups] = {
    [](cCharaDef& t, const cCharaDef& f) { t.m_strName = f.m_strName; },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_cOperatedBy = f.m_cOperatedBy;
        t.m_cPlayerNo = f.m_cPlayerNo;
    },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cBlockClass = f.m_cBlockClass; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cSide = f.m_cSide; },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_vCond = f.m_vCond;
        t.m_cCondMode = f.m_cCondMode;
        t.m_cKeepMet = f.m_cKeepMet;
    },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cFacing = f.m_cFacing; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cExtraCopies = f.m_cExtraCopies; },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_sCopyOffsetX = f.m_sCopyOffsetX;
        t.m_sCopyStepX = f.m_sCopyStepX;
        t.m_cMirrorX = f.m_cMirrorX;
    },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_sCopyOffsetY = f.m_sCopyOffsetY;
        t.m_sCopyStepY = f.m_sCopyStepY;
        t.m_cMirrorY = f.m_cMirrorY;
    },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_cSheetKind = f.m_cSheetKind;
        t.m_sChip = f.m_sChip;
        t.m_sChipRow = f.m_sChipRow;
    },
    [](cCharaDef& t, const cCharaDef& f) { t.m_sAnimeSet = f.m_sAnimeSet; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cLayer = f.m_cLayer; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cTransparent = f.m_cTransparent; },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_sStartEffect = f.m_sStartEffect;
        t.m_cStartEffectMode = f.m_cStartEffectMode;
        t.m_cStartEffectLoop = f.m_cStartEffectLoop;
    },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_sDeathEffect = f.m_sDeathEffect;
        t.m_cDeathEffectMode = f.m_cDeathEffectMode;
    },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_cEmblemShown = f.m_cEmblemShown;
        t.m_sEmblem = f.m_sEmblem;
    },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cFixedFacing = f.m_cFixedFacing; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cFlight = f.m_cFlight; },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_cInvincible = f.m_cInvincible;
        t.m_cInvincibleColor = f.m_cInvincibleColor;
    },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cBlockChara = f.m_cBlockChara; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cGiantScale = f.m_cGiantScale; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cScrollSync = f.m_cScrollSync; },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_cSightShape = f.m_cSightShape;
        t.m_cSightRange = f.m_cSightRange;
    },
    [](cCharaDef& t, const cCharaDef& f) { t.m_nMaxHP = f.m_nMaxHP; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_nMaxSP = f.m_nMaxSP; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cMapBox = f.m_cMapBox; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_nBodyPower = f.m_nBodyPower; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cBodyImpact = f.m_cBodyImpact; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_sDamageEffect = f.m_sDamageEffect; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_nDefence = f.m_nDefence; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cImpactResist = f.m_cImpactResist; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_sStopEase = f.m_sStopEase; },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_cActivityRange = f.m_cActivityRange;
        t.m_cActivationMode = f.m_cActivationMode;
    },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_sFlagNo = f.m_sFlagNo;
        t.m_cFlagAppear = f.m_cFlagAppear;
    },
    [](cCharaDef& t, const cCharaDef& f) { t.m_nScore = f.m_nScore; },
    [](cCharaDef& t, const cCharaDef& f) { t.m_cReserved = f.m_cReserved; },
    [](cCharaDef& t, const cCharaDef& f) {
        t.m_vFlow = f.m_vFlow;
        if (t.m_vFlow.empty()) t.m_vFlow.push_back(ElementTraits<cFlow>::MakeDefault());
    },
};

// A flow that starts always, belongs to no group and holds nothing does
// nothing; the editor leaves such a flow in every new chara.
bool IsEmptyFlow(const cFlow& flow) {
    return flow.m_cTrigger == 0 && flow.m_cId == 0 && flow.m_cGroup == 0 && flow.m_vCond.empty() &&
           flow.m_vKeyCond.empty() && flow.m_vCmd.empty();
}

void ValidateFlowList(cVector<cFlow>& flows, const PaletteSizes&) {
    for (cFlow& flow : flows) flow.Validate();
    std::erase_if(flows, IsEmptyFlow);
}

void CheckFlowRefs(cVector<cFlow>& flows, const PaletteSizes& sizes) {
    for (cFlow& flow : flows) flow.CheckPaletteRefs(sizes);
}

}  // namespace

cCharaDef::cCharaDef() { SetDefault(); }

void cCharaDef::SetDefault() {
    m_sCol = 0;
    m_sRow = 0;
    m_nCarryItem = 0;
    Clear();
    m_vInheritFlag.assign(kInheritGroups, 0);
    m_vCond.clear();
    m_vFlow.clear();
    m_cSheetKind = 1;
    m_cLayer = 3;
    m_cStartEffectLoop = 1;
    m_cOperatedBy = 1;
    m_cBlockClass = 1;
    m_cFixedFacing = 1;
    m_cGiantScale = 1;
    m_nMaxHP = 10;
    m_sStopEase = 10;
    m_cReserved = 1;
}

void cCharaDef::RegisterFields(int version) {
    ClearFields();
    AddByte(&m_cInheritSrc);
    AddShort(&m_sInheritIdx);
    AddString(&m_strName);
    AddByte(&m_cCondMode);
    AddByte(&m_cKeepMet);
    AddByte(&m_cFacing);
    AddByte(&m_cExtraCopies);
    AddShort(&m_sCopyOffsetX);
    AddShort(&m_sCopyStepX);
    AddShort(&m_sCopyOffsetY);
    AddShort(&m_sCopyStepY);
    AddByte(&m_cMirrorX);
    AddByte(&m_cMirrorY);
    AddShort(&m_sChip);
    AddByte(&m_cSheetKind);
    AddShort(&m_sChipRow);
    AddShort(&m_sAnimeSet);
    AddByte(&m_cLayer);
    AddByte(&m_cTransparent);
    AddShort(&m_sStartEffect);
    if (StoredFrom(version, 196)) AddByte(&m_cStartEffectMode);
    AddByte(&m_cStartEffectLoop);
    AddShort(&m_sDeathEffect);
    if (StoredFrom(version, 196)) AddByte(&m_cDeathEffectMode);
    AddByte(&m_cEmblemShown);
    AddShort(&m_sEmblem);
    AddByte(&m_cOperatedBy);
    AddByte(&m_cPlayerNo);
    AddByte(&m_cBlockClass);
    AddByte(&m_cSide);
    AddByte(&m_cFlight);
    AddByte(&m_cFixedFacing);
    AddByte(&m_cInvincible);
    if (StoredFrom(version, 285)) AddByte(&m_cInvincibleColor);
    AddByte(&m_cBlockChara);
    AddByte(&m_cGiantScale);
    if (StoredFrom(version, 210)) AddByte(&m_cScrollSync);
    AddByte(&m_cSightShape);
    AddByte(&m_cSightRange);
    AddInt(&m_nMaxHP);
    AddInt(&m_nMaxSP);
    AddShort(&m_sStopEase);
    if (StoredFrom(version, 201)) AddByte(&m_cMapBox);
    AddInt(&m_nBodyPower);
    AddByte(&m_cBodyImpact);
    AddShort(&m_sDamageEffect);
    if (StoredFrom(version, 168)) AddInt(&m_nDefence);
    AddByte(&m_cImpactResist);
    AddInt(&m_nScore);
    AddByte(&m_cReserved);
    AddByte(&m_cFlagAppear);
    AddShort(&m_sFlagNo);
    AddByte(&m_cActivityRange);
    AddByte(&m_cActivationMode);
}

bool cCharaDef::Read(DataFile* file) {
    bool ok = cRecord::Read(file) && file->ReadValues(&m_sCol, 1, 2) && file->ReadValues(&m_sRow, 1, 2) &&
              file->ReadInt(m_nCarryItem) && ReadVector(m_vInheritFlag, file) && ReadRecordVector(m_vCond, file) &&
              ReadRecordVector(m_vFlow.Edit(), file);
    // Also after a broken read: flows read before the break may still run.
    if (!KeepTestPlayFlows()) RemoveTestPlayFlows(m_vFlow.Edit());
    if (m_vFlow.empty()) m_vFlow.clear();  // no room kept for none
    if (ok) {
        ApplyUpgrades(kUpgrades, *this, g_FileVersion);
        Inherit();
    }
    // Also after a broken read: whatever was read stays inside its tables.
    Validate();
    return ok;
}

bool cCharaDef::Write(DataFile* file) {
    Validate();
    return cRecord::Write(file) && file->WriteValues(&m_sCol, 1, 2) && file->WriteValues(&m_sRow, 1, 2) &&
           file->WriteInt(m_nCarryItem) && WriteVector(m_vInheritFlag, file) && WriteRecordVector(m_vCond, file) &&
           WriteRecordVector(m_vFlow.Edit(), file);
}

void cCharaDef::Validate() {
    DropBadInheritRef(*this, SourceList(m_cInheritSrc));
    if (m_cSheetKind == 4 && IndexOutside(m_sChip, g_Database.m_vBmpCharaExc.Size())) m_sChip = 1;
    if (m_cGiantScale <= 0) m_cGiantScale = 1;
    if (IndexOutside(m_sAnimeSet, g_Database.m_vAnimeSet.Size())) m_sAnimeSet = 0;
    if (IndexOutside(m_sStartEffect, g_Database.m_vCharaEffect.Size())) m_sStartEffect = 0;
    if (IndexOutside(m_sDeathEffect, g_Database.m_vCharaEffect.Size())) m_sDeathEffect = 0;
    if (IndexOutside(m_sDamageEffect, g_Database.m_vEffect.Size())) m_sDamageEffect = 0;
    if (m_cOperatedBy == 0) {
        m_cBlockChara = 0;
        m_cExtraCopies = 0;
    }
    m_vFlow.Apply(ValidateFlowList);
}

void cCharaDef::ValidateFlows() { m_vFlow.Apply(CheckFlowRefs, CurrentPaletteSizes()); }

void cCharaDef::Inherit() { InheritGroups(*this, SourceList(m_cInheritSrc), kGroupCopies); }

double cCharaDef::GetOffsetX(int copy, int facing) const {
    double offset = static_cast<double>(copy) * m_sCopyStepX + m_sCopyOffsetX;
    return (facing == 1 && m_cMirrorX) ? -offset : offset;
}

double cCharaDef::GetOffsetY(int copy, int facing) const {
    double offset = static_cast<double>(copy) * m_sCopyStepY + m_sCopyOffsetY;
    return (facing == 1 && m_cMirrorY) ? -offset : offset;
}
