// The drawing layer's hot paths at 640 x 480 in 32 bits, on both faces,
// each next to a plain memcpy of the same bytes so the rates compare.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>
#include <vector>

#include "gfx/dd.h"
#include "platform/presenter.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int64_t kScreenBytes = int64_t{kWidth} * kHeight * 4;
constexpr int kSprites = 1000, kCell = 32;
constexpr int64_t kSpriteBytes = int64_t{kSprites} * kCell * kCell * 4;

// Where sprite k goes: spread over the screen, always wholly inside.
inline int SpriteX(int k) { return (k * 37) % (kWidth - kCell); }
inline int SpriteY(int k) { return (k * 53) % (kHeight - kCell); }

// The layer up headless in a window at 32 bits, magenta transparent.
class Layer {
public:
    explicit Layer(bool d3d) {
        setenv("ORV_HEADLESS", "1", 0);
        plat::OpenFrameWindow("bench", kWidth, kHeight, false);
        m_ok = DDInit(d3d ? 1 : 0, 0, kWidth, kHeight, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0) != 0;
        if (m_ok) DDSetTransmit(255, 0, 255);
    }
    ~Layer() {
        for (DDSURFACEDATA& sd : m_surfaces) DDReleaseSurface(&sd);
        DDRelease();
        plat::CloseFrameWindow();
    }
    bool Ok() const { return m_ok; }

    // A picture of stripes, opaque; in system memory the texture device
    // copies it through locks instead of drawing a quad.
    DDSURFACEDATA* Picture(int w, int h, bool systemMemory = false) {
        DDSURFACEDATA* sd = Add(w, h, 0, systemMemory);
        for (int x = 0; x < w; x += 8) DDFillRectColor(sd, x, 0, 8, h, 0xFF000000u | static_cast<uint32_t>(x * 2654435761u));
        return sd;
    }
    // Eight 32 x 32 sprites side by side, each with transparent 8 x 8
    // corners (a quarter of every sprite shows the destination).
    DDSURFACEDATA* Sheet() {
        DDSURFACEDATA* sd = Add(8 * kCell, kCell, 1);
        const uint32_t key = lpDTCon ? lpDTCon->dwTransmit : g_DDConfig.dwColorKey;
        for (int c = 0; c < 8; ++c) {
            const int x = c * kCell;
            DDFillRectColor(sd, x, 0, kCell, kCell, 0xFF102030u + static_cast<uint32_t>(c) * 0x00201008u);
            for (int cx : {0, kCell - 8})
                for (int cy : {0, kCell - 8}) DDFillRectColor(sd, x + cx, cy, 8, 8, key);
            DDFillRectColor(sd, x + 12, 12, 8, 8, key);
        }
        return sd;
    }

private:
    DDSURFACEDATA* Add(int w, int h, int key, bool systemMemory = false) {
        m_surfaces.emplace_back();
        DDSURFACEDATA* sd = &m_surfaces.back();
        DDCreateSurface(sd, w, h, key, systemMemory ? 1 : 0, systemMemory ? DTMEMORYTYPE_SYSTEM : DTMEMORYTYPE_VIDEO_RT,
                        nullptr, 0);
        return sd;
    }
    bool m_ok = false;
    std::list<DDSURFACEDATA> m_surfaces;  // records stay where they were made
};

#define BENCH_LAYER(state, d3d)                        \
    Layer layer(d3d);                                  \
    if (!layer.Ok()) {                                 \
        state.SkipWithError("the layer did not start"); \
        return;                                        \
    }

void BM_BltOpaqueFullScreen(benchmark::State& state, bool d3d) {
    BENCH_LAYER(state, d3d)
    DDSURFACEDATA* picture = layer.Picture(kWidth, kHeight);
    for (auto _ : state) DDBlt(&g_BackBufferSD, 0, 0, kWidth, kHeight, picture, 0, 0, DDBLT_OPAQUE);
    state.SetBytesProcessed(state.iterations() * kScreenBytes);
}

void BM_BltKeyedSprites(benchmark::State& state, bool d3d) {
    BENCH_LAYER(state, d3d)
    DDSURFACEDATA* sheet = layer.Sheet();
    DDFillSurfaceColor(&g_BackBufferSD, 0xFF000000u);
    for (auto _ : state) {
        for (int k = 0; k < kSprites; ++k)
            DDBlt(&g_BackBufferSD, SpriteX(k), SpriteY(k), kCell, kCell, sheet, (k % 8) * kCell, 0, DDBLT_KEYED);
    }
    state.SetBytesProcessed(state.iterations() * kSpriteBytes);
}

void BM_StretchBltDouble(benchmark::State& state, bool d3d) {
    BENCH_LAYER(state, d3d)
    DDSURFACEDATA* picture = layer.Picture(kWidth / 2, kHeight / 2);
    for (auto _ : state)
        DDStretchBlt(&g_BackBufferSD, 0, 0, kWidth, kHeight, picture, 0, 0, kWidth / 2, kHeight / 2, DDBLT_OPAQUE);
    state.SetBytesProcessed(state.iterations() * kScreenBytes);
}

void BM_StretchBltDoubleFromSystem(benchmark::State& state, bool d3d) {
    BENCH_LAYER(state, d3d)
    DDSURFACEDATA* picture = layer.Picture(kWidth / 2, kHeight / 2, true);
    for (auto _ : state)
        DDStretchBlt(&g_BackBufferSD, 0, 0, kWidth, kHeight, picture, 0, 0, kWidth / 2, kHeight / 2, DDBLT_OPAQUE);
    state.SetBytesProcessed(state.iterations() * kScreenBytes);
}

void BM_FillFullScreen(benchmark::State& state, bool d3d) {
    BENCH_LAYER(state, d3d)
    uint32_t value = 0xFF000000u;
    for (auto _ : state) DDFillRectColor(&g_BackBufferSD, 0, 0, kWidth, kHeight, value++ | 0xFF000000u);
    state.SetBytesProcessed(state.iterations() * kScreenBytes);
}

void BM_Present(benchmark::State& state, bool d3d) {
    BENCH_LAYER(state, d3d)
    DDFillSurfaceColor(&g_BackBufferSD, 0xFF336699u);
    DDEndScene();
    for (auto _ : state) {
        if (lpDevice)
            lpDevice->Present();
        else
            g_lpDD->PresentWindow(g_BackBufferSD.lpDDS->lpSurface);
    }
    state.SetBytesProcessed(state.iterations() * kScreenBytes);
}

// Baselines: the same bytes moved by memcpy.
void BM_MemcpyFullScreen(benchmark::State& state) {
    std::vector<uint8_t> from(kScreenBytes, 1), to(kScreenBytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kScreenBytes);
}

void BM_MemcpySprites(benchmark::State& state) {
    std::vector<uint32_t> sheet(8 * kCell * kCell, 1), screen(kWidth * kHeight, 0);
    for (auto _ : state) {
        for (int k = 0; k < kSprites; ++k) {
            const uint32_t* s = sheet.data() + (k % 8) * kCell;
            uint32_t* d = screen.data() + SpriteY(k) * kWidth + SpriteX(k);
            for (int row = 0; row < kCell; ++row) std::memcpy(d + row * kWidth, s + row * 8 * kCell, kCell * 4);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kSpriteBytes);
}

}  // namespace

BENCHMARK(BM_MemcpyFullScreen);
BENCHMARK(BM_MemcpySprites);
BENCHMARK_CAPTURE(BM_BltOpaqueFullScreen, D3D32, true);
BENCHMARK_CAPTURE(BM_BltOpaqueFullScreen, DD32, false);
BENCHMARK_CAPTURE(BM_BltKeyedSprites, D3D32, true);
BENCHMARK_CAPTURE(BM_BltKeyedSprites, DD32, false);
BENCHMARK_CAPTURE(BM_StretchBltDouble, D3D32, true);
BENCHMARK_CAPTURE(BM_StretchBltDouble, DD32, false);
BENCHMARK_CAPTURE(BM_StretchBltDoubleFromSystem, D3D32, true);
BENCHMARK_CAPTURE(BM_FillFullScreen, D3D32, true);
BENCHMARK_CAPTURE(BM_FillFullScreen, DD32, false);
BENCHMARK_CAPTURE(BM_Present, D3D32, true);
BENCHMARK_CAPTURE(BM_Present, DD32, false);
