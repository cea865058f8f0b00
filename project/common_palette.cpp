#include "project/common_palette.h"

#include "core/record_file.h"
#include "project/palette_entry.h"
#include "project/stage_info.h"

namespace {

template <class R>
void ClearInheritFlags(cVector<R>& list) {
    for (R& entry : list) entry.m_vInheritFlag.Fill(0);
}

}  // namespace

cCommonPalette::cCommonPalette() {
    Clear();
    m_vBlock.assign(1, cPltBlock());
    m_vChara.assign(1, cCharaDef());
    m_vItem.assign(1, cPltItem());
}

void cCommonPalette::RegisterFields(int) { RegisterNoFields(); }

bool cCommonPalette::Read(DataFile* file) {
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

bool cCommonPalette::Write(DataFile* file) {
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

PaletteSizes CurrentPaletteSizes() {
    PaletteSizes sizes;
    sizes.nBlock[0] = g_CommonPalette.m_vBlock.Size();
    sizes.nChara[0] = g_CommonPalette.m_vChara.Size();
    sizes.nItem[0] = g_CommonPalette.m_vItem.Size();
    sizes.nBlock[1] = g_Stage.m_vPltBlock.Size();
    sizes.nChara[1] = g_Stage.m_vPltChara.Size();
    sizes.nItem[1] = g_Stage.m_vPltItem.Size();
    return sizes;
}
