// Arbitrary bytes as "data\CommonPalette.cplt4", read into the program's
// common palette. Whether it loads or not, every list keeps at least two
// entries and no inherit flag, and every reference of an entry points into
// its palette; a palette that loads saves, loads back and saves to the same
// bytes.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "core/record_file.h"
#include "platform/dialogs.h"
#include "project/common_palette.h"
#include "project/stage_info.h"

namespace {

using orvfuzz::Check;
using orvfuzz::FileBytes;

// A reference to the common (1) or the stage palette (2) names an entry of
// it; other sources name no palette and are never looked up.
bool Inside(int source, int index, int common, int stage) {
    if (source != 1 && source != 2) return true;
    return index >= 0 && index < (source == 1 ? common : stage);
}

template <class R>
void CheckList(const cVector<R>& list, int commonSize, int stageSize) {
    Check(list.Size() >= 2);
    for (const R& e : list) {
        Check(e.m_vInheritFlag.Count(0) == e.m_vInheritFlag.Size());
        Check(Inside(e.m_cInheritSrc, e.m_sInheritIdx, commonSize, stageSize));
    }
}

void CheckPalette() {
    const cCommonPalette& p = g_CommonPalette;
    CheckList(p.m_vBlock, p.m_vBlock.Size(), g_Stage.m_vPltBlock.Size());
    CheckList(p.m_vChara, p.m_vChara.Size(), g_Stage.m_vPltChara.Size());
    CheckList(p.m_vItem, p.m_vItem.Size(), g_Stage.m_vPltItem.Size());
    for (const cPltBlock& b : p.m_vBlock)
        Check(Inside(b.m_cItemSrc, b.m_sItemIdx, p.m_vItem.Size(), g_Stage.m_vPltItem.Size()));
    Check(p.m_vBlock[0].m_sChip == 0 && p.m_vBlock[0].m_strName.empty());
}

bool Prepare() {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    plat::SetDialogBackend(plat::DialogBackend::Scripted);
    g_CommonPalette = cCommonPalette();
    return true;
}

// Each run starts from a new palette and leaves one, so it frees what it
// made, as the leak check counts on.
struct ResetAfterRun {
    ~ResetAfterRun() { g_CommonPalette = cCommonPalette(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Prepare();
    (void)ready;
    const ResetAfterRun reset;
    orvfuzz::ServeInput("in.cplt4", data, size);

    DataFile* file = OpenDataFile("in.cplt4");
    if (!file) return 0;  // too short or too new: nothing read
    bool loaded = g_CommonPalette.Read(file);
    loaded = CloseDataFile(file) == 1 && loaded;
    CheckPalette();
    if (!loaded) return 0;

    Check(g_CommonPalette.SaveFile("a.cplt4") == 1);
    Check(g_CommonPalette.LoadFile("a.cplt4") == 1);
    CheckPalette();
    Check(g_CommonPalette.SaveFile("b.cplt4") == 1);
    Check(FileBytes("a.cplt4") == FileBytes("b.cplt4"));
    return 0;
}
