// Loading a large stage file: a 1000 x 100 map filled with blocks placed
// from the stage palette, 2000 placed charas and items, and a stage palette
// of 200 charas with flows (plus small block and item palettes). The file is
// made once with the record writers in a scratch folder.
//
// The measure of the reader is the same reads done alone: the file decoded
// from memory by the same calls, into scratch space, with no records made.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "core/record.h"
#include "core/record_file.h"
#include "platform/paths.h"
#include "project/condition.h"
#include "project/move_shot.h"
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

// ---- The same reads without records

// Block counts and sizes and the string count of a class's generic part.
struct Shape {
    std::vector<std::pair<int32_t, int>> blocks;
    int strings = 0;
};

template <class R>
const Shape& ShapeOf() {
    static const Shape shape = [] {
        R record;
        record.Clear();
        Shape s;
        for (const RECORDFIELD& f : record.Fields()) s.blocks.emplace_back(f.count, f.size);
        s.strings = record.Strings().Size();
        return s;
    }();
    return shape;
}

struct Scratch {
    alignas(8) unsigned char bytes[4096];
    std::string text;
    cVector<int8_t> bytesList;
    cVector<int32_t> intList;
};

class StageReads {
public:
    explicit StageReads(DataFile* file) : f(file) {}

    bool Stage() {
        if (!Generic(ShapeOf<cStageInfo>()) || !ReadVector(x.intList, f)) return false;
        for (int i = 0; i < kOutRangeRules; ++i)
            if (!Generic(ShapeOf<cOutRange>())) return false;
        return List(&StageReads::Block) && List(&StageReads::Chara) && List(&StageReads::Item) &&
               Placements(&StageReads::Block) && Placements(&StageReads::Chara) && Placements(&StageReads::Item) &&
               List(&StageReads::Background) && List(&StageReads::VarName) && f->ReadInt(n);
    }

private:
    bool Generic(const Shape& shape) {
        if (!ReadCount(n, f, 1)) return false;
        const int32_t blocks = n, registered = static_cast<int32_t>(shape.blocks.size());
        for (int32_t i = 0; i < blocks; ++i) {
            const auto& [count, size] = shape.blocks[static_cast<size_t>(i < registered ? i : 0)];
            if (!f->ReadValues(x.bytes, count, size)) return false;
        }
        if (!ReadCount(n, f, 4)) return false;
        const int32_t strings = n;
        for (int32_t i = 0; i < strings; ++i)
            if (!ReadString(x.text, f)) return false;
        return true;
    }
    bool List(bool (StageReads::*entry)()) {
        if (!ReadCount(n, f, kMinRecordBytes)) return false;
        for (int32_t i = 0, count = n; i < count; ++i)
            if (!(this->*entry)()) return false;
        return true;
    }
    bool Placements(bool (StageReads::*entry)()) {
        if (!ReadCount(n, f, kMinRecordBytes + 4)) return false;
        for (int32_t i = 0, count = n; i < count; ++i)
            if (!f->ReadInt(n) || !(this->*entry)()) return false;
        return true;
    }
    bool Position() { return f->ReadValues(x.bytes, 1, 2) && f->ReadValues(x.bytes, 1, 2); }
    bool Block() {
        return Generic(ShapeOf<cPltBlock>()) && Position() && ReadVector(x.bytesList, f) &&
               List(&StageReads::Condition);
    }
    bool Chara() {
        return Generic(ShapeOf<cCharaDef>()) && Position() && f->ReadInt(n) && ReadVector(x.bytesList, f) &&
               List(&StageReads::Condition) && List(&StageReads::Flow);
    }
    bool Item() {
        return Generic(ShapeOf<cPltItem>()) && Position() && ReadVector(x.bytesList, f) &&
               List(&StageReads::Condition) && List(&StageReads::Command);
    }
    bool Condition() { return Generic(ShapeOf<cCondition>()); }
    bool KeyCondition() { return Generic(ShapeOf<cKeyCond>()) && ReadVector(x.bytesList, f); }
    bool Flow() {
        return Generic(ShapeOf<cFlow>()) && List(&StageReads::Condition) && List(&StageReads::KeyCondition) &&
               List(&StageReads::Command);
    }
    bool Command() {
        if (!Generic(ShapeOf<cFlowCmd>())) return false;
        if (!f->ReadInt(n) || (n && !Generic(ShapeOf<cEdMove>()))) return false;
        if (!f->ReadInt(n) || (n && !Generic(ShapeOf<cEdShot>()))) return false;
        if (!f->ReadInt(n) || (n && !(Generic(ShapeOf<cCondList>()) && List(&StageReads::Condition)))) return false;
        return List(&StageReads::Flow) && ReadVector(x.intList, f);
    }
    bool Background() { return Generic(ShapeOf<cBackground>()); }
    bool VarName() { return Generic(ShapeOf<cVarName>()); }

    DataFile* f;
    Scratch x;
    int32_t n = 0;
};

bool DecodeBigStage() {
    DataFile* file = OpenDataFile("big.stg4_001");
    if (!file) return false;
    bool ok = g_FileVersion == kDataVersion && StageReads(file).Stage() && file->BytesLeft() == 0;
    return CloseDataFile(file) && ok;
}

// Bytes the allocator holds now, small and mapped blocks together.
int64_t HeldBytes() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<int64_t>(m.uordblks + m.hblkhd);
}

// The best of several rounds of one step, in wall time and in the CPU time
// of the whole process (the loader thread included): a machine busy with
// other work stretches the first, hardly the second.
struct Best {
    double wall = 1e9, cpu = 1e9;
    template <class Step>
    bool Time(Step step) {
        const double wall0 = Ms(CLOCK_MONOTONIC), cpu0 = Ms(CLOCK_PROCESS_CPUTIME_ID);
        const bool ok = step();
        wall = std::min(wall, Ms(CLOCK_MONOTONIC) - wall0);
        cpu = std::min(cpu, Ms(CLOCK_PROCESS_CPUTIME_ID) - cpu0);
        return ok;
    }
    static double Ms(clockid_t clock) {
        timespec t{};
        clock_gettime(clock, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    }
};

}  // namespace

// The reader's measure: the same reads from memory, no records made.
static void BM_DecodeLargeStageReads(benchmark::State& state) {
    BigStage();
    for (auto _ : state) {
        if (!DecodeBigStage()) {
            state.SkipWithError("the reads did not follow the file");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * FileBytes());
}
BENCHMARK(BM_DecodeLargeStageReads)->Unit(benchmark::kMillisecond);

// The three in one run, each the best of the rounds: the same reads alone,
// the read of the stage into an empty one, and the whole opening with
// inheritance (which also frees the stage before). The figures that matter
// are the ratios.
static void BM_LargeStageRatios(benchmark::State& state) {
    const std::string& name = BigStage();
    Best decode, parse, open;
    for (auto _ : state) {
        bool ok = decode.Time(DecodeBigStage);
        g_Stage = cStageInfo();  // the stage before is freed outside the count
        ok = ok && parse.Time([] { return g_Stage.LoadFile("big.stg4_001") == 1; });
        ok = ok && open.Time([&] { return OpenStageFile(name.c_str(), 1, &g_StageSettings, &g_HeroDef) == 1; });
        if (!ok) {
            state.SkipWithError("the stage did not load");
            break;
        }
    }
    state.counters["decode_ms"] = decode.wall;
    state.counters["parse_ms"] = parse.wall;
    state.counters["open_ms"] = open.wall;
    state.counters["parse_x"] = parse.wall / decode.wall;
    state.counters["open_x"] = open.wall / decode.wall;
    state.counters["parse_x_cpu"] = parse.cpu / decode.cpu;
    state.counters["open_x_cpu"] = open.cpu / decode.cpu;
}
BENCHMARK(BM_LargeStageRatios)->Unit(benchmark::kMillisecond)->Iterations(15);

// What the loaded stage holds in memory, against its file's size.
static void BM_LargeStageMemory(benchmark::State& state) {
    BigStage();
    int64_t held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        g_Stage = cStageInfo();
        malloc_trim(0);
        const int64_t before = HeldBytes();
        state.ResumeTiming();
        if (g_Stage.LoadFile("big.stg4_001") != 1) {
            state.SkipWithError("the stage did not load");
            break;
        }
        held = HeldBytes() - before;
    }
    state.counters["stage_MB"] = static_cast<double>(held) / 1e6;
    state.counters["file_MB"] = static_cast<double>(FileBytes()) / 1e6;
    state.counters["per_file_byte"] = static_cast<double>(held) / static_cast<double>(FileBytes());
}
BENCHMARK(BM_LargeStageMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

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
