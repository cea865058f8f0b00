// Database files on arbitrary bytes: the input is read by each of the ten
// list readers, the run-time tables are built from what they accepted, and
// the start-up load runs with the input as every one of the ten files. Any outcome but a crash, a hang or undefined behaviour is fine.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "objects/effect_state.h"
#include "platform/dialogs.h"
#include "platform/testing.h"
#include "project/database.h"
#include "project/path_table.h"

namespace {

using orvfuzz::Check;

// What a run builds, back to how it was before the first run: each run
// then frees what it made, as the leak check counts on.
void StartFromDefaults() {
    g_Database.SetDefault();
    g_Database.m_vCharaEffectRev = {};
    g_Database.m_vScrEffectRev = {};
    g_AnimePatterns = {};
    g_EffectPatterns = {};
    g_CharaEffectProtos = {};
    g_CharaEffectProtosRev = {};
    g_ScrEffectProtos = {};
    g_ScrEffectProtosRev = {};
}

struct ResetAfterRun {
    ~ResetAfterRun() { StartFromDefaults(); }
};

bool Prepare() {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    // Load failures show error boxes: answered from the script, never shown.
    plat::SetDialogBackend(plat::DialogBackend::Scripted);
    g_StripCR = 1;
    StartFromDefaults();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Prepare();
    (void)ready;
    const ResetAfterRun reset;
    const char* path = g_PathTable[kPathAnimeSet];
    orvfuzz::ServeInput(path, data, size);

    cDatabase& d = g_Database;
    const bool read[10] = {
        LoadDatabaseFile(d.m_vAnimeSet, path) == 1,  LoadDatabaseFile(d.m_vAnime, path) == 1,
        LoadDatabaseFile(d.m_vBmpCharaExc, path) == 1, LoadDatabaseFile(d.m_vSwordType, path) == 1,
        LoadDatabaseFile(d.m_vEffect, path) == 1,    LoadDatabaseFile(d.m_vCharaEffect, path) == 1,
        LoadDatabaseFile(d.m_vScrEffect, path) == 1, LoadDatabaseFile(d.m_vPicture, path) == 1,
        LoadDatabaseFile(d.m_vSound, path) == 1,     LoadDatabaseFile(d.m_vBgm, path) == 1,
    };
    // What start-up builds from the lists, whatever they hold.
    d.ResetNoneEffects();
    d.m_vCharaEffectRev = d.m_vCharaEffect;
    d.m_vScrEffectRev = d.m_vScrEffect;
    BuildAnimePatterns(g_AnimePatterns);
    BuildEffectPatterns(g_EffectPatterns);
    InitCharaEffectStates(g_CharaEffectProtos, g_CharaEffectProtosRev);
    InitScrEffectStates(g_ScrEffectProtos, g_ScrEffectProtosRev);
    Check(g_AnimePatterns.Size() == d.m_vAnime.Size());
    Check(g_EffectPatterns.Size() == d.m_vEffect.Size());
    for (const cVector<FRAMEPAT>& steps : g_AnimePatterns) Check(!steps.empty() && steps.back().frame < 0);
    for (const cVector<FRAMEPAT>& steps : g_EffectPatterns) Check(!steps.empty() && steps.back().frame < 0);

    // The whole load with the input as every file. It stops at the first
    // file that fails, so later files are never opened and need no copy.
    for (int i = 1; i < 10 && read[i - 1]; ++i) orvfuzz::ServeInput(g_PathTable[kPathAnimeSet + 2 * i], data, size);
    d.SetDefault();
    plat::testing::ClearDialogTranscript();
    const int loaded = SetupDatabase();
    const size_t boxes = plat::testing::DialogTranscript().size();
    Check(loaded ? boxes == 0 : boxes == 2);
    if (loaded) Check(d.m_vCharaEffect.At(0).m_nKind == 0 && d.m_vScrEffect.At(0).m_nKind == 0);
    plat::testing::ClearDialogTranscript();
    return 0;
}
