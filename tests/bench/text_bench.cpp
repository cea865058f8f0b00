// A full screen of text (40 x 30 double-byte characters in 16-pixel cells)
// with the real Japanese font at 32 bits, on both faces: through the glyph
// caches cold (every character new to the cache) and warm, and without
// caches for comparison.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "gfx/font.h"
#include "platform/glyphs.h"
#include "platform/presenter.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kColumns = 40, kRows = 30, kTextColor = 241;
constexpr int64_t kChars = int64_t{kColumns} * kRows;

// 1200 characters drawn from 400 distinct kanji, none of them in the
// built-in glyph list, so a cold cache renders 400 glyphs and a warm one
// none; 400 fit the full-width cache of either face.
const std::string& ScreenText() {
    static const std::string text = [] {
        std::string pool;
        for (int lead = 0x89; pool.size() < 800; ++lead)
            for (int trail = 0x40; trail <= 0xFC && pool.size() < 800; ++trail) {
                if (trail == 0x7F) continue;
                pool += static_cast<char>(lead);
                pool += static_cast<char>(trail);
            }
        std::string s;
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kColumns; ++c) s.append(pool, static_cast<size_t>((r * kColumns + c) % 400) * 2, 2);
            if (r + 1 < kRows) s += '\n';
        }
        return s;
    }();
    return text;
}

class Layer {
public:
    explicit Layer(bool d3d) {
        setenv("ORV_HEADLESS", "1", 0);
        plat::OpenFrameWindow("bench", kWidth, kHeight, false);
        m_ok = DDInit(d3d ? 1 : 0, 0, kWidth, kHeight, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0) != 0;
        if (!m_ok) return;
        g_Palette[0] = PALETTEENTRY{255, 0, 255, 0};
        g_Palette[kTextColor] = PALETTEENTRY{255, 255, 255, 0};
        DDSetTransmit(255, 0, 255);
    }
    ~Layer() {
        DDRelease();
        plat::CloseFrameWindow();
    }
    bool Ok() const { return m_ok && plat::FindFontFile("ＭＳ ゴシック", nullptr, nullptr); }

private:
    bool m_ok = false;
};

void MakeFont(Font& font, int cache) {
    font.Create("ＭＳ ゴシック", 0, 16, 16, 16, kTextColor, nullptr, 1, 240, nullptr, cache);
}

#define BENCH_LAYER(state, d3d)                                        \
    Layer layer(d3d);                                                  \
    if (!layer.Ok()) {                                                 \
        state.SkipWithError("no layer or no Japanese font");           \
        return;                                                        \
    }

void BM_TextScreenCold(benchmark::State& state, bool d3d) {
    BENCH_LAYER(state, d3d)
    const char* text = ScreenText().c_str();
    for (auto _ : state) {
        state.PauseTiming();
        Font font;
        MakeFont(font, 1);
        state.ResumeTiming();
        font.DrawString(&g_BackBufferSD, 0, 0, text);
        state.PauseTiming();
        font.Release();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kChars);
}

// The screen drawn again and again by one font, after a first drawing.
void DrawRepeatedly(benchmark::State& state, bool d3d, int cache) {
    BENCH_LAYER(state, d3d)
    const char* text = ScreenText().c_str();
    Font font;
    MakeFont(font, cache);
    font.DrawString(&g_BackBufferSD, 0, 0, text);
    for (auto _ : state) font.DrawString(&g_BackBufferSD, 0, 0, text);
    state.SetItemsProcessed(state.iterations() * kChars);
    font.Release();
}

void BM_TextScreenWarm(benchmark::State& state, bool d3d) { DrawRepeatedly(state, d3d, 1); }

void BM_TextScreenUncached(benchmark::State& state, bool d3d) { DrawRepeatedly(state, d3d, 0); }

}  // namespace

BENCHMARK_CAPTURE(BM_TextScreenCold, D3D32, true)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_TextScreenCold, DD32, false)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(BM_TextScreenWarm, D3D32, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TextScreenWarm, DD32, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TextScreenUncached, D3D32, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TextScreenUncached, DD32, false)->Unit(benchmark::kMillisecond);
