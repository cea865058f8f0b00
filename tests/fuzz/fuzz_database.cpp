// Database files on arbitrary bytes: the start-up load runs with the input
// as every one of the ten files, each list reader the load did not reach
// reads it too, and the run-time tables are built from what they accepted.
// Any outcome but a crash, a hang or undefined behaviour is fine.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The path of database file i (0..9, in the order of the start-up load).
const char* FilePath(int i) { return g_PathTable[kPathAnimeSet + 2 * i]; }

// The file whose failure the start-up load reported first; 10 for none.
int FailedFile() {
    const std::vector<plat::testing::DialogRecord> boxes = plat::testing::DialogTranscript();
    if (boxes.empty()) return 10;
    for (int i = 0; i < 10; ++i)
        if (boxes.front().text.find(FilePath(i)) != std::string::npos) return i;
    return 10;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Prepare();
    (void)ready;
    const ResetAfterRun reset;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    plat::testing::SetMemoryFiles({FilePath(0), FilePath(1), FilePath(2), FilePath(3), FilePath(4), FilePath(5),
                                   FilePath(6), FilePath(7), FilePath(8), FilePath(9)},
                                  bytes);
    cDatabase& d = g_Database;

    // The whole start-up load, from the defaults, with the input as every
    // file. It stops at the first file that fails and says which.
    plat::testing::ClearDialogTranscript();
    const int loaded = SetupDatabase();
    const size_t boxes = plat::testing::DialogTranscript().size();
    Check(loaded ? boxes == 0 : boxes == 2);
    const int failed = loaded ? 10 : FailedFile();
    Check(loaded || failed < 10);
    if (loaded) Check(d.m_vCharaEffect.At(0).m_nKind == 0 && d.m_vScrEffect.At(0).m_nKind == 0);
    plat::testing::ClearDialogTranscript();

    // The lists the load did not reach, each read by its own reader, so
    // every reader sees every input once.
    const auto readAlone = [&](int i, auto& list) {
        if (i > failed) LoadDatabaseFile(list, FilePath(i));
    };
    readAlone(1, d.m_vAnime);
    readAlone(2, d.m_vBmpCharaExc);
    readAlone(3, d.m_vSwordType);
    readAlone(4, d.m_vEffect);
    readAlone(5, d.m_vCharaEffect);
    readAlone(6, d.m_vScrEffect);
    readAlone(7, d.m_vPicture);
    readAlone(8, d.m_vSound);
    readAlone(9, d.m_vBgm);

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
    return 0;
}
