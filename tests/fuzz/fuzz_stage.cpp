// Arbitrary bytes as a stage file, read into the live stage as the loader
// reads it. Whatever the read leaves, broken file or not, is a stage play
// can use: palettes of at least two entries, five extra settings, at least
// one sub-step. A stage that loads must save, load back and save to the
// same bytes, and a copy must save the same as its source.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "core/shell_link.h"
#include "project/stage_info.h"

namespace {

using orvfuzz::Check;
using orvfuzz::FileBytes;

void CheckPlayable(const cStageInfo& s) {
    Check(s.m_vPltBlock.Size() >= 2 && s.m_vPltChara.Size() >= 2 && s.m_vPltItem.Size() >= 2);
    Check(s.m_vExtra.Size() >= 5);
    Check(s.m_nHitLevel >= 1 && s.m_nHitLevel <= kMaxHitLevel);
    Check(s.m_nSubSteps >= 1 && s.m_nSubSteps6 == 6 * s.m_nSubSteps && s.m_nSubSteps8 == 8 * s.m_nSubSteps);
    Check(s.m_dSubSteps == s.m_nSubSteps);
    Check(s.m_nLimitRight <= int64_t{s.m_nWidth} - 1 || s.m_nLimitRight == INT32_MIN);
    Check(s.m_nLimitBottom <= int64_t{s.m_nHeight} - 1 || s.m_nLimitBottom == INT32_MIN);
}

// Each input starts from the default stage and leaves it so, whatever it
// read: a file that cannot be opened is never read and leaves the stage as
// it was, and the leak check counts on a run that frees what it made.
void StartFromDefault() {
    g_Stage.SetDefault();
    g_Stage.Validate();
}

bool Prepare() {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    g_bEditorLaunch = 0;
    StartFromDefault();
    return true;
}

struct ResetAfterRun {
    ~ResetAfterRun() { StartFromDefault(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Prepare();
    (void)ready;
    const ResetAfterRun reset;
    orvfuzz::ServeInput("in.stg4", data, size);
    bool loaded = g_Stage.LoadFile("in.stg4") == 1;
    CheckPlayable(g_Stage);
    if (!loaded) return 0;

    Check(g_Stage.SaveFile("a.stg4") == 1);
    cStageInfo copy = g_Stage;
    Check(copy.SaveFile("c.stg4") == 1);
    Check(g_Stage.LoadFile("a.stg4") == 1);
    CheckPlayable(g_Stage);
    Check(g_Stage.SaveFile("b.stg4") == 1);
    std::string a = FileBytes("a.stg4");
    Check(a == FileBytes("b.stg4"));
    Check(a == FileBytes("c.stg4"));
    return 0;
}
