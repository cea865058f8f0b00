#include "project/common_palette.h"

#include "core/record_file.h"
#include "project/stage_info.h"

namespace {

// The smallest stored entry of each kind: its two counts, tile position,
// flag count and condition count, and the chara's carried item and flow
// count or the item's command count.
constexpr int kMinBlockBytes = kMinRecordBytes + 4 + 4 + 4;
constexpr int kMinCharaBytes = kMinBlockBytes + 4 + 4;
constexpr int kMinItemBytes = kMinBlockBytes + 4;

// A palette list: int32 n, then n entries. The list first holds n default
// entries, and each is read in place, so that an entry inheriting from the
// list sees the entries before it as read and those after it as defaults.
template <class R>
bool ReadPaletteList(cVector<R>& list, cDataFile* file, int minBytes) {
    int32_t n = 0;
    if (!ReadCount(n, file, minBytes)) return false;
    if (n < 0) {
        file->MarkCorrupt();
        return false;
    }
    list.clear();
    list.resize(static_cast<size_t>(n));
    for (R& entry : list)
        if (!entry.Read(file)) return false;
    return true;
}

// Entry 0 stands for "nothing" and never carries stored values.
template <class R>
void ResetEntryZero(cVector<R>& list) {
    if (!list.empty()) list[0].SetDefault();
}

template <class R>
void ClearInheritFlags(cVector<R>& list) {
    for (R& entry : list) entry.m_vInheritFlag.Fill(0);
}

template <class R>
void PadToTwo(cVector<R>& list) {
    while (list.Size() < 2) list.push_back(R());
}

}  // namespace

cCommonPalette::cCommonPalette() {
    Clear();
    m_vBlock.assign(1, cPltBlock());
    m_vChara.assign(1, cCharaDef());
    m_vItem.assign(1, cPltItem());
}

void cCommonPalette::RegisterFields(int) { RegisterNoFields(); }

bool cCommonPalette::Read(cDataFile* file) {
    bool ok = cRecord::Read(file) && ReadPaletteList(m_vBlock, file, kMinBlockBytes) &&
              ReadPaletteList(m_vChara, file, kMinCharaBytes) && ReadPaletteList(m_vItem, file, kMinItemBytes);
    ResetEntryZero(m_vBlock);
    ResetEntryZero(m_vChara);
    ResetEntryZero(m_vItem);
    ClearInheritFlags(m_vBlock);
    ClearInheritFlags(m_vChara);
    ClearInheritFlags(m_vItem);
    Validate();
    return ok;
}

bool cCommonPalette::Write(cDataFile* file) {
    Validate();
    return cRecord::Write(file) && WriteRecords(m_vBlock, file) && WriteRecords(m_vChara, file) &&
           WriteRecords(m_vItem, file);
}

void cCommonPalette::Validate() {
    PadToTwo(m_vBlock);
    PadToTwo(m_vChara);
    PadToTwo(m_vItem);
    for (cPltBlock& block : m_vBlock) {
        block.Validate();
        block.ValidateItemRef();
    }
    for (cCharaDef& chara : m_vChara) {
        chara.Validate();
        chara.ValidateFlows();
    }
    for (cPltItem& item : m_vItem) {
        item.Validate();
        item.ValidateCmds();
    }
}

cPaletteSizes CurrentPaletteSizes() {
    cPaletteSizes sizes;
    sizes.nBlock[0] = g_CommonPalette.m_vBlock.Size();
    sizes.nChara[0] = g_CommonPalette.m_vChara.Size();
    sizes.nItem[0] = g_CommonPalette.m_vItem.Size();
    sizes.nBlock[1] = g_Stage.m_vPltBlock.Size();
    sizes.nChara[1] = g_Stage.m_vPltChara.Size();
    sizes.nItem[1] = g_Stage.m_vPltItem.Size();
    return sizes;
}
