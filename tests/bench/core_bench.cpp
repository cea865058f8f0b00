#include <benchmark/benchmark.h>

#include <string>

#include "core/containers.h"
#include "core/text.h"

static void BM_VectorCheckedAccess(benchmark::State& state) {
    cVector<int32_t> v(1024, 1);
    int64_t sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1024; ++i) sum += v.At(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_VectorCheckedAccess);

static void BM_StrFormatShort(benchmark::State& state) {
    std::string s;
    int n = 0;
    for (auto _ : state) {
        StrFormat(s, "%s\\%s_%d%d%d", "data\\stg4", "stage.stg4", n % 10, n / 10 % 10, n / 100 % 10);
        benchmark::DoNotOptimize(s.data());
        ++n;
    }
}
BENCHMARK(BM_StrFormatShort);

static void BM_CountCharsMixedText(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 64; ++i) text += "ゲームabc\n";
    for (auto _ : state) benchmark::DoNotOptimize(CountChars(text.c_str()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_CountCharsMixedText);
