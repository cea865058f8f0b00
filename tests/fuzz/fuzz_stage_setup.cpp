// Arbitrary bytes as a stage file; a stage that loads and has a hero is
// set up for play, drawn, played for a few frames, set up again from its
// start-of-play copy as a retry is, and drawn again. Whatever the file
// holds, set-up, play and drawing end without touching anything outside
// what they made.
#include <cstdint>

#include "fuzz_support.h"
#include "core/shell_link.h"
#include "project/stage_info.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

// Large grids are the set-up's own limit, tested on their own; the fuzzer
// keeps its pace on stages of every other kind.
constexpr int64_t kMaxFuzzCells = int64_t{1} << 16;
constexpr int kPlayFrames = 4;

bool Prepare() {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    g_bEditorLaunch = 0;
    return true;
}

int64_t GridCells(const cStageInfo& s) {
    const int64_t w = int64_t{s.m_nWidth} + 20, h = int64_t{s.m_nHeight} + 20;
    if (w < 1 || h < 1) return 0;
    int64_t pitch = 1;
    while (pitch < w) pitch <<= 1;
    return pitch * h;
}

struct ResetAfterRun {
    ~ResetAfterRun() {
        g_pGameScene = nullptr;
        g_Charas.clear();
        g_Items.clear();
        g_Heroes.clear();
        g_Map.clear();
        g_Stage.SetDefault();
        g_Stage.Validate();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Prepare();
    (void)ready;
    const ResetAfterRun reset;
    orvfuzz::ServeInput("in.stg4", data, size);
    if (g_Stage.LoadFile("in.stg4") != 1) return 0;
    const int hero = g_Stage.FindHero();
    if (hero < 0 || GridCells(g_Stage) > kMaxFuzzCells) return 0;
    g_StageSettings = g_Stage;
    g_HeroDef = g_Stage.m_vChara.At(hero);
    cGameScene scene;
    g_pGameScene = &scene;
    scene.SetStage(0, 1);
    if (!scene.m_bStageReady) return 0;
    scene.Draw(1, 0, 1, 1);
    scene.m_nState = cGameScene::kStatePlay;
    for (int i = 0; i < kPlayFrames && scene.m_nState == cGameScene::kStatePlay && !g_Heroes.empty(); ++i)
        scene.StatePlay();
    scene.SetStage(1, 0);
    orvfuzz::Check(scene.m_bStageReady == 1);
    scene.Draw(0, 1, 0, 1);
    return 0;
}
