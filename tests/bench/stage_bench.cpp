// Loading a large stage file: a 1000 x 100 map filled with blocks placed
// from the stage palette, 2000 placed charas and items, and a stage palette
// of 200 charas with flows (plus small block and item palettes). The file is
// made once with the record writers in a scratch folder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/record.h"
#include "platform/paths.h"
#include "project/common_palette.h"
#include "project/stage_file.h"
#include "project/stage_info.h"

namespace {

constexpr int kMapW = 1000, kMapH = 100;
constexpr int kPlacedCharas = 1500, kPlacedItems = 500;
constexpr int kPaletteCharas = 200, kPaletteBlocks = 10, kPaletteItems = 10;

std::string g_folder;

void RemoveFolder() {
    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
}

cFlow MakeFlow(int seed) {
    cFlow flow;
    flow.m_cTrigger = static_cast<int8_t>(1 + seed % 20);
    for (int c = 0; c < 6; ++c) {
        cFlowCmd cmd;
        cmd.SetDefault();
        cmd.m_cKind = static_cast<int8_t>((seed + c) % 10);
        cmd.m_sTime = static_cast<int16_t>(c * 5);
        cmd.Normalize();
        flow.m_vCmd.push_back(cmd);
    }
    return flow;
}

// Built in the live stage, so that the palette references of the placements
// and flows are checked against the palette they name, then written.
void WriteBigStage(const char* path) {
    g_Stage = cStageInfo();
    cStageInfo& s = g_Stage;
    s.m_strName = "大きなステージ";
    s.m_nWidth = kMapW;
    s.m_nHeight = kMapH;
    s.m_vPltBlock.resize(kPaletteBlocks);
    for (int i = 1; i < kPaletteBlocks; ++i) {
        s.m_vPltBlock[static_cast<size_t>(i)].m_sChip = static_cast<int16_t>(i);
        s.m_vPltBlock[static_cast<size_t>(i)].m_strName = "ブロック";
    }
    s.m_vPltItem.resize(kPaletteItems);
    s.m_vPltChara.resize(kPaletteCharas);
    for (int i = 1; i < kPaletteCharas; ++i) {
        cCharaDef& c = s.m_vPltChara[static_cast<size_t>(i)];
        c.m_sChip = static_cast<int16_t>(i);
        c.m_strName = "キャラ";
        for (int f = 0; f < 3; ++f) c.m_vFlow.push_back(MakeFlow(i + f));
    }
    s.m_vBlock.reserve(kMapW * kMapH);
    for (int y = 0; y < kMapH; ++y)
        for (int x = 0; x < kMapW; ++x) {
            cPltBlock b;
            b.m_sCol = static_cast<int16_t>(x);
            b.m_sRow = static_cast<int16_t>(y);
            b.m_cInheritSrc = 2;
            b.m_sInheritIdx = static_cast<int16_t>(1 + (x + y) % (kPaletteBlocks - 1));
            b.m_vInheritFlag[2] = 1;  // the picture comes from the palette
            b.m_sChip = 1;
            s.m_vBlock.push_back(b);
        }
    for (int i = 0; i < kPlacedCharas; ++i) {
        cCharaDef c;
        c.m_sCol = static_cast<int16_t>(i % kMapW);
        c.m_sRow = static_cast<int16_t>(i % kMapH);
        c.m_cInheritSrc = 2;
        c.m_sInheritIdx = static_cast<int16_t>(1 + i % (kPaletteCharas - 1));
        c.m_vInheritFlag.Fill(1);
        c.m_sChip = 1;
        s.m_vChara.push_back(c);
    }
    s.m_vChara[0].m_cOperatedBy = 0;  // the hero
    s.m_vChara[0].m_vInheritFlag.Fill(0);
    for (int i = 0; i < kPlacedItems; ++i) {
        cPltItem item;
        item.m_sCol = static_cast<int16_t>(i % kMapW);
        item.m_sRow = static_cast<int16_t>(i % kMapH);
        item.m_cInheritSrc = 2;
        item.m_sInheritIdx = static_cast<int16_t>(1 + i % (kPaletteItems - 1));
        s.m_vItem.push_back(item);
    }
    if (s.SaveFile(path) != 1) std::abort();
}

// Made once: a scratch folder as the current folder, holding the stage.
const std::string& BigStage() {
    static const std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvbench-XXXXXX").string();
        if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0) std::abort();
        g_folder = pattern;
        std::atexit(RemoveFolder);
        WriteBigStage("big.stg4_001");
        return std::string("big.stg4");
    }();
    return path;
}

int64_t FileBytes() {
    std::error_code ec;
    auto size = std::filesystem::file_size(g_folder + "/big.stg4_001", ec);
    return ec ? 0 : static_cast<int64_t>(size);
}

}  // namespace

// The whole opening as the game does it: numbered name, trailer check, the
// loader thread with the waiting pump, settings and hero copies.
static void BM_OpenLargeStageFile(benchmark::State& state) {
    const std::string& name = BigStage();
    for (auto _ : state) {
        if (OpenStageFile(name.c_str(), 1, &g_StageSettings, &g_HeroDef) != 1) {
            state.SkipWithError("the stage did not load");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * FileBytes());
    state.counters["blocks"] = static_cast<double>(g_Stage.m_vBlock.Size());
}
BENCHMARK(BM_OpenLargeStageFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The read alone, on the calling thread.
static void BM_ReadLargeStageFile(benchmark::State& state) {
    BigStage();
    for (auto _ : state) {
        if (g_Stage.LoadFile("big.stg4_001") != 1) {
            state.SkipWithError("the stage did not load");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * FileBytes());
}
BENCHMARK(BM_ReadLargeStageFile)->Unit(benchmark::kMillisecond);
