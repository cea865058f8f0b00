// The full-screen pixel effects (blur, mosaic, lens) at 640 x 480 in 32 bits
// on both faces, each next to the full-screen copy on the same face. Every
// effect reports its time per call in ms and as a multiple of the copy
// ("x_copy"); a frame at 60 a second leaves 16.7 ms, and each effect is
// meant to stay under a quarter of it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <list>

#include "gfx/dd.h"
#include "gfx/dd_filter.h"
#include "gfx/dd_lens.h"
#include "gfx/dd_rotate.h"
#include "platform/presenter.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int64_t kScreenBytes = int64_t{kWidth} * kHeight * 4;

// The layer up headless in a window at 32 bits, with a full-screen picture
// of varied colours as the effects' source.
class EffectLayer {
public:
    explicit EffectLayer(bool d3d) {
        setenv("ORV_HEADLESS", "1", 0);
        plat::OpenFrameWindow("bench", kWidth, kHeight, false);
        m_ok = DDInit(d3d ? 1 : 0, 0, kWidth, kHeight, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0) != 0;
        if (!m_ok) return;
        DDSetTransmit(255, 0, 255);
        m_surfaces.emplace_back();
        m_picture = &m_surfaces.back();
        DDCreateSurface(m_picture, kWidth, kHeight, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0);
        for (int y = 0; y < kHeight; y += 8)
            for (int x = 0; x < kWidth; x += 8)
                DDFillRectColor(m_picture, x, y, 8, 8,
                                0xFF000000u | (static_cast<uint32_t>(x * 7 + y * 13) * 2654435761u >> 8));
    }
    ~EffectLayer() {
        for (DDSURFACEDATA& sd : m_surfaces) DDReleaseSurface(&sd);
        DDRelease();
        plat::CloseFrameWindow();
    }
    bool Ok() const { return m_ok; }
    DDSURFACEDATA* Picture() const { return m_picture; }

private:
    bool m_ok = false;
    DDSURFACEDATA* m_picture = nullptr;
    std::list<DDSURFACEDATA> m_surfaces;
};

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void Copy(DDSURFACEDATA* picture) {
    DDBlt(&g_BackBufferSD, 0, 0, kWidth, kHeight, picture, 0, 0, DDBLT_OPAQUE);
}

// Mean ms of `runs` calls, after a few unmeasured ones.
double MeanMs(const std::function<void()>& call, int runs) {
    for (int i = 0; i < 3; ++i) call();
    const double start = NowMs();
    for (int i = 0; i < runs; ++i) call();
    return (NowMs() - start) / runs;
}

// Runs `effect` as the benchmark and reports it in ms and against the copy.
void RunEffect(benchmark::State& state, bool d3d, const std::function<bool(DDSURFACEDATA*)>& effect) {
    EffectLayer layer(d3d);
    if (!layer.Ok()) {
        state.SkipWithError("the layer did not start");
        return;
    }
    DDSURFACEDATA* picture = layer.Picture();
    const double copyMs = MeanMs([picture] { Copy(picture); }, 200);
    if (!effect(picture)) {
        state.SkipWithError("the effect failed");
        return;
    }
    int64_t calls = 0;
    const double start = NowMs();
    for (auto _ : state) {
        effect(picture);
        ++calls;
    }
    const double ms = calls ? (NowMs() - start) / static_cast<double>(calls) : 0.0;
    state.counters["ms"] = ms;
    state.counters["copy_ms"] = copyMs;
    state.counters["x_copy"] = copyMs > 0 ? ms / copyMs : 0.0;
    state.SetBytesProcessed(state.iterations() * kScreenBytes);
}

void BM_EffectCopyFullScreen(benchmark::State& state, bool d3d) {
    RunEffect(state, d3d, [](DDSURFACEDATA* picture) {
        Copy(picture);
        return true;
    });
}

// The strongest blur the character effects ask for, over the whole screen.
void BM_BlurFullScreen(benchmark::State& state, bool d3d) {
    RunEffect(state, d3d, [](DDSURFACEDATA* picture) {
        return DDBltBlur(&g_BackBufferSD, 0, 0, kWidth, kHeight, 4, 4, picture, 0, 0, 0, nullptr);
    });
}

void BM_MosaicFullScreen(benchmark::State& state, bool d3d, int cell) {
    RunEffect(state, d3d, [cell](DDSURFACEDATA* picture) {
        return DDBltMosaic(&g_BackBufferSD, 0, 0, kWidth, kHeight, cell, picture, 0, 0, 0, nullptr);
    });
}

// A lens wider than the screen, so every pixel goes through it.
void BM_LensFullScreen(benchmark::State& state, bool d3d) {
    RunEffect(state, d3d, [](DDSURFACEDATA* picture) {
        return DDBltLens(&g_BackBufferSD, kWidth / 2, kHeight / 2, 400, 300, picture, kWidth / 2, kHeight / 2, 0, 0,
                         nullptr);
    });
}

// A turned full-screen picture: a quad on the texture device, the
// fixed-point pixel path on the blit display.
void BM_RotateFullScreen(benchmark::State& state, bool d3d) {
    RunEffect(state, d3d, [](DDSURFACEDATA* picture) {
        DDBltRotate(&g_BackBufferSD, kWidth / 2, kHeight / 2, kWidth, kHeight, kWidth / 2, kHeight / 2, 30, picture,
                    0, 0, DDBLT_OPAQUE);
        return true;
    });
}

}  // namespace

BENCHMARK_CAPTURE(BM_EffectCopyFullScreen, D3D32, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EffectCopyFullScreen, DD32, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BlurFullScreen, D3D32, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BlurFullScreen, DD32, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MosaicFullScreen, D3D32_cell8, true, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MosaicFullScreen, DD32_cell8, false, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MosaicFullScreen, D3D32_cell1, true, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MosaicFullScreen, DD32_cell1, false, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LensFullScreen, D3D32, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LensFullScreen, DD32, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RotateFullScreen, D3D32, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RotateFullScreen, DD32, false)->Unit(benchmark::kMillisecond);
