// The bundled game's stages: written once into a scratch folder by the same
// generator the player's game folder comes from, then opened as the game
// opens them. The swarm stage, 240 charas that keep hundreds of shots in
// the air, is the one that stage play will be measured on.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "project/common_palette.h"
#include "project/stage_file.h"
#include "project/stage_info.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace {

std::string g_game;

void RemoveGame() {
    std::error_code ec;
    std::filesystem::remove_all(g_game, ec);
}

// The numbered name of stage `index` inside the scratch game.
std::string StageName(int index) {
    static const bool made = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvgame-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        g_game = pattern;
        std::atexit(RemoveGame);
        std::string error;
        if (!sample::WriteDatabase(g_game, &error) || !sample::WriteCommonPalette(g_game, &error) ||
            !sample::WriteStages(g_game, &error))
            std::abort();
        return true;
    }();
    (void)made;
    std::string name = sample::GamePath(g_game, "default\\stg4\\") + sample::kStageFiles[index];
    name.resize(name.size() - 4);
    return name;
}

}  // namespace

static void BM_OpenSwarmStage(benchmark::State& state) {
    const std::string name = StageName(sample::kHeavyStage);
    for (auto _ : state) {
        if (OpenStageFile(name.c_str(), 1, &g_StageSettings, &g_HeroDef) != 1) {
            state.SkipWithError("the stage did not load");
            break;
        }
    }
    state.counters["charas"] = static_cast<double>(g_Stage.m_vChara.Size());
}
BENCHMARK(BM_OpenSwarmStage)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each bundled stage opened by its numbered name, as the game opens it.
static void BM_OpenBundledStage(benchmark::State& state) {
    const std::string name = StageName(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (OpenStageFile(name.c_str(), 1, &g_StageSettings, &g_HeroDef) != 1) {
            state.SkipWithError("the stage did not load");
            break;
        }
    }
}
BENCHMARK(BM_OpenBundledStage)->DenseRange(0, sample::kStages - 1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A retry of each bundled stage: the attempt set up again from the stage's
// settings, as after a death. The grid keeps its storage, so a retry costs
// one pass over it and the placements.
static void BM_RetryBundledStage(benchmark::State& state) {
    const std::string name = StageName(static_cast<int>(state.range(0)));
    if (OpenStageFile(name.c_str(), 1, &g_StageSettings, &g_HeroDef) != 1) {
        state.SkipWithError("the stage did not load");
        return;
    }
    cGameScene scene;
    g_pGameScene = &scene;
    scene.SetStage(0, 1);
    for (auto _ : state) scene.SetStage(1, 0);
    state.counters["cells"] = static_cast<double>(g_Map.size());
    state.counters["charas"] = static_cast<double>(g_Charas.size());
    g_pGameScene = nullptr;
}
BENCHMARK(BM_RetryBundledStage)->DenseRange(0, sample::kStages - 1)->Unit(benchmark::kMicrosecond)->UseRealTime();
