// Arbitrary bytes as a data file holding a counted list of flows, read by
// the flow reader under whatever version the file's word names. What loads
// is normalised: every command holds its kind's parameter count and its
// anime and sound inside their tables. It must save, load back and save to
// the same bytes, and a copy must save the same as its source.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "core/record_file.h"
#include "core/shell_link.h"
#include "project/command_tables.h"
#include "project/database.h"
#include "project/flow.h"

namespace {

using orvfuzz::Check;
using orvfuzz::FileBytes;

bool LoadFlows(const char* name, cVector<cFlow>& flows) {
    DataFile* file = OpenDataFile(name);
    if (!file) return false;
    bool ok = ReadRecordVector(flows, file);
    return CloseDataFile(file) && ok;
}

bool SaveFlows(const char* name, cVector<cFlow>& flows) {
    DataFile* file = CreateDataFile(name);
    if (!file) return false;
    bool ok = WriteRecordVector(flows, file);
    return CloseDataFile(file) && ok;
}

void CheckNormalised(const cVector<cFlow>& flows) {
    for (const cFlow& flow : flows)
        for (const cFlowCmd& cmd : flow.m_vCmd) {
            Check(cmd.m_vParam.Size() == CmdParamCount(cmd.m_cCategory, cmd.m_cKind));
            Check(cmd.m_sAnime >= 0 && cmd.m_sAnime < g_Database.m_vAnime.Size());
            Check(cmd.m_sSound >= 0 && cmd.m_sSound < g_Database.m_vSound.Size());
            CheckNormalised(cmd.m_vFlow);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    g_StripCR = 1;
    g_bEditorLaunch = 0;
    orvfuzz::ServeInput("in.dat", data, size);
    cVector<cFlow> flows;
    bool loaded = LoadFlows("in.dat", flows);
    CheckNormalised(flows);  // also what a broken file left behind
    if (!loaded) return 0;

    PaletteSizes sizes;
    sizes.nBlock[0] = sizes.nChara[0] = sizes.nItem[0] = 2;
    sizes.nBlock[1] = sizes.nChara[1] = sizes.nItem[1] = 3;
    for (cFlow& flow : flows) flow.CheckPaletteRefs(sizes);

    Check(SaveFlows("a.dat", flows));
    cVector<cFlow> copy;
    copy = flows;
    Check(SaveFlows("c.dat", copy));
    cVector<cFlow> again;
    Check(LoadFlows("a.dat", again));
    Check(SaveFlows("b.dat", again));
    std::string a = FileBytes("a.dat");
    Check(a == FileBytes("b.dat"));
    Check(a == FileBytes("c.dat"));
    return 0;
}
