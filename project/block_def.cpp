#include "project/block_def.h"

#include <algorithm>
#include <cstdint>

#include "core/record_file.h"
#include "project/common_palette.h"
#include "project/item_def.h"
#include "project/palette_entry.h"
#include "project/record_read.h"
#include "project/stage_info.h"

namespace {

// The block list of source 1 (common palette) or 2 (the live stage palette).
cVector<cPltBlock>* BlockList(int source) {
    if (source == 1) return &g_CommonPalette.m_vBlock;
    if (source == 2) return &g_Stage.m_vPltBlock;
    return nullptr;
}

constexpr UpgradeStep<cPltBlock> kBlockUpgrades[] = {
    {219, [](cPltBlock& b) { b.m_sChip = UpgradeShotChip(b.m_cSheet, b.m_sChip); }},
};

// One copy per property group, in group order.
constexpr GroupCopy<cPltBlock> kBlockGroups[cPltBlock::kInheritGroups] = {
    /* 0 */ [](cPltBlock& to, const cPltBlock& from) { to.m_strName = from.m_strName; },
    /* 1 */ [](cPltBlock& to, const cPltBlock& from) {
        to.m_vCond = from.m_vCond;
        to.m_cCondMode = from.m_cCondMode;
        to.m_cKeepMet = from.m_cKeepMet;
    },
    /* 2 */ [](cPltBlock& to, const cPltBlock& from) {
        to.m_cSheet = from.m_cSheet;
        to.m_sChip = from.m_sChip;
        to.m_sSheetSub = from.m_sSheetSub;
    },
    /* 3 */ [](cPltBlock& to, const cPltBlock& from) { to.m_cFront = from.m_cFront; },
    /* 4 */ [](cPltBlock& to, const cPltBlock& from) { to.m_cHidden = from.m_cHidden; },
    /* 5 */ [](cPltBlock& to, const cPltBlock& from) {
        to.m_cIconMode = from.m_cIconMode;
        to.m_sIcon = from.m_sIcon;
    },
    /* 6 */ [](cPltBlock& to, const cPltBlock& from) { to.m_cHit = from.m_cHit; },
    /* 7 */ [](cPltBlock& to, const cPltBlock& from) { to.m_ucPassClass = from.m_ucPassClass; },
    /* 8 */ [](cPltBlock& to, const cPltBlock& from) {
        to.m_cStandEffect = from.m_cStandEffect;
        to.m_nEffectValue = from.m_nEffectValue;
    },
    /* 9 */ [](cPltBlock& to, const cPltBlock& from) {
        to.m_cItemSrc = from.m_cItemSrc;
        to.m_sItemIdx = from.m_sItemIdx;
    },
    /* 10 */ [](cPltBlock& to, const cPltBlock& from) { to.m_cSummonProof = from.m_cSummonProof; },
};

}  // namespace

cPltBlock::cPltBlock() { SetDefault(); }

void cPltBlock::SetDefault() {
    Clear();
    // Entry 0 of a palette stands for nothing: no position, no conditions.
    m_sCol = m_sRow = 0;
    m_vCond.clear();
    m_vInheritFlag.assign(kInheritGroups, 0);
    m_cHit = 1;
    m_ucPassClass = 255;
    m_sChip = 0;
}

void cPltBlock::RegisterFields(int) {
    ClearFields();
    AddByte(&m_cInheritSrc);
    AddShort(&m_sInheritIdx);
    AddByte(&m_cCondMode);
    AddByte(&m_cKeepMet);
    AddShort(&m_sChip);
    AddByte(&m_cSheet);
    AddShort(&m_sSheetSub);
    AddByte(&m_cFront);
    AddByte(&m_cHidden);
    AddByte(&m_cIconMode);
    AddShort(&m_sIcon);
    AddByte(&m_cHit);
    AddByte(&m_ucPassClass);
    AddByte(&m_cStandEffect);
    AddInt(&m_nEffectValue);
    AddByte(&m_cItemSrc);
    AddShort(&m_sItemIdx);
    AddByte(&m_cSummonProof);
    AddString(&m_strName);
}

bool cPltBlock::Read(DataFile* file) {
    bool ok = cRecord::Read(file) && file->ReadValues(&m_sCol, 1, 2) && file->ReadValues(&m_sRow, 1, 2) &&
              ReadVector(m_vInheritFlag, file) && ReadRecordVector(m_vCond, file);
    if (ok) {
        ApplyUpgrades(kBlockUpgrades, *this, g_FileVersion);
        Inherit();
    }
    Validate();
    return ok;
}

bool cPltBlock::Write(DataFile* file) {
    Validate();
    return cRecord::Write(file) && file->WriteValues(&m_sCol, 1, 2) && file->WriteValues(&m_sRow, 1, 2) &&
           WriteVector(m_vInheritFlag, file) && WriteRecordVector(m_vCond, file);
}

void cPltBlock::Validate() {
    DropBadInheritRef(*this, BlockList(m_cInheritSrc));
    if (m_sChip == 0) {
        m_cHit = 0;
        m_cSummonProof = 0;
    }
}

void cPltBlock::ValidateItemRef() {
    if ((m_cItemSrc == 1 || m_cItemSrc == 2) && !FindItemDef(m_cItemSrc, m_sItemIdx)) {
        m_cItemSrc = 0;
        m_sItemIdx = 0;
    }
}

void cPltBlock::Inherit() { InheritGroups(*this, BlockList(m_cInheritSrc), kBlockGroups); }
