#include "project/item_def.h"

#include <algorithm>
#include <cstdint>

#include "core/record_file.h"
#include "project/common_palette.h"
#include "project/palette_entry.h"
#include "project/database.h"
#include "project/record_read.h"
#include "project/stage_info.h"

namespace {

// The item list of source 1 (common palette) or 2 (the live stage palette).
cVector<cPltItem>* ItemList(int source) {
    if (source == 1) return &g_CommonPalette.m_vItem;
    if (source == 2) return &g_Stage.m_vPltItem;
    return nullptr;
}

constexpr UpgradeStep<cPltItem> kItemUpgrades[] = {
    {219, [](cPltItem& t) { t.m_sChip = UpgradeShotChip(t.m_cSheet, t.m_sChip); }},
};

// One copy per property group, in group order.
constexpr GroupCopy<cPltItem> kItemGroups[cPltItem::kInheritGroups] = {
    /* 0 */ [](cPltItem& to, const cPltItem& from) { to.m_strName = from.m_strName; },
    /* 1 */ [](cPltItem& to, const cPltItem& from) {
        to.m_vCond = from.m_vCond;
        to.m_cCondMode = from.m_cCondMode;
        to.m_cKeepMet = from.m_cKeepMet;
    },
    /* 2 */ [](cPltItem& to, const cPltItem& from) { to.m_sOffsetX = from.m_sOffsetX; },
    /* 3 */ [](cPltItem& to, const cPltItem& from) { to.m_sOffsetY = from.m_sOffsetY; },
    /* 4 */ [](cPltItem& to, const cPltItem& from) {
        to.m_cSheet = from.m_cSheet;
        to.m_sChip = from.m_sChip;
        to.m_sSheetSub = from.m_sSheetSub;
    },
    /* 5 */ [](cPltItem& to, const cPltItem& from) { to.m_cLayer = from.m_cLayer; },
    /* 6 */ [](cPltItem& to, const cPltItem& from) { to.m_cHidden = from.m_cHidden; },
    /* 7 */ [](cPltItem& to, const cPltItem& from) {
        to.m_cIconMode = from.m_cIconMode;
        to.m_sIcon = from.m_sIcon;
    },
    /* 8 */ [](cPltItem& to, const cPltItem& from) { to.m_cGiant = from.m_cGiant; },
    /* 9 */ [](cPltItem& to, const cPltItem& from) { to.m_cTakeMode = from.m_cTakeMode; },
    /* 10 */ [](cPltItem& to, const cPltItem& from) { to.m_cPopup = from.m_cPopup; },
    /* 11 */ [](cPltItem& to, const cPltItem& from) { to.m_sSound = from.m_sSound; },
    /* 12 */ [](cPltItem& to, const cPltItem& from) { to.m_vCmd = from.m_vCmd; },
};

}  // namespace

cPltItem::cPltItem() { SetDefault(); }

void cPltItem::SetDefault() {
    Clear();
    // Entry 0 of a palette stands for nothing: no position, conditions or commands.
    m_sCol = m_sRow = 0;
    m_vCond.clear();
    m_vCmd.clear();
    m_vInheritFlag.assign(kInheritGroups, 0);
    m_cSheet = 2;
    m_sChip = 0;
    m_cPopup = 1;
    m_cGiant = 1;
    m_cLayer = 6;
}

void cPltItem::RegisterFields(int) {
    ClearFields();
    AddByte(&m_cInheritSrc);
    AddShort(&m_sInheritIdx);
    AddString(&m_strName);
    AddByte(&m_cCondMode);
    AddByte(&m_cKeepMet);
    AddShort(&m_sOffsetX);
    AddShort(&m_sOffsetY);
    AddShort(&m_sChip);
    AddByte(&m_cSheet);
    AddShort(&m_sSheetSub);
    AddByte(&m_cLayer);
    AddByte(&m_cHidden);
    AddByte(&m_cIconMode);
    AddShort(&m_sIcon);
    AddByte(&m_cPopup);  // stored before the take mode
    AddByte(&m_cTakeMode);
    AddByte(&m_cGiant);
    AddShort(&m_sSound);
}

bool cPltItem::Read(DataFile* file) {
    bool ok = cRecord::Read(file) && file->ReadValues(&m_sCol, 1, 2) && file->ReadValues(&m_sRow, 1, 2) &&
              ReadVector(m_vInheritFlag, file) && ReadRecordVector(m_vCond, file) && ReadRecordVector(m_vCmd, file);
    if (ok) {
        ApplyUpgrades(kItemUpgrades, *this, g_FileVersion);
        Inherit();
    }
    Validate();
    return ok;
}

bool cPltItem::Write(DataFile* file) {
    Validate();
    return cRecord::Write(file) && file->WriteValues(&m_sCol, 1, 2) && file->WriteValues(&m_sRow, 1, 2) &&
           WriteVector(m_vInheritFlag, file) && WriteRecordVector(m_vCond, file) && WriteRecordVector(m_vCmd, file);
}

void cPltItem::Validate() {
    DropBadInheritRef(*this, ItemList(m_cInheritSrc));
    if (m_cGiant <= 0) m_cGiant = 1;
    if (IndexOutside(m_sSound, g_Database.m_vSound.Size())) m_sSound = 0;
    for (cFlowCmd& cmd : m_vCmd) cmd.Normalize();
}

void cPltItem::ValidateCmds() {
    const PaletteSizes sizes = CurrentPaletteSizes();
    for (cFlowCmd& cmd : m_vCmd) cmd.CheckPaletteRefs(sizes);
}

void cPltItem::Inherit() { InheritGroups(*this, ItemList(m_cInheritSrc), kItemGroups); }

cPltItem* FindItemDef(int source, int index) {
    cVector<cPltItem>* list = ItemList(source);
    if (!list || IndexOutside(index, list->Size())) return nullptr;
    return &(*list)[static_cast<size_t>(index)];
}
