// Shared set-up of the pixel-effect tests: surfaces written raw by the test,
// a mark value per depth, and the texture device's 16-bit full-screen back
// buffer, whose layout differs from its textures'.
#pragma once
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "gfx/dd.h"
#include "gfx_fixture.h"
#include "support/test_support.h"

namespace gfxtest {

// Writes value(x, y) as the raw pixel (x, y) of the whole surface, under one
// lock.
template <class F>
void FillRaw(DDSURFACEDATA* sd, F value) {
    cSurfaceLock lock(sd);
    ASSERT_NE(lock.Bits(), nullptr);
    for (int y = 0; y < sd->nHeight; ++y)
        for (int x = 0; x < sd->nWidth; ++x) {
            uint8_t* p = lock.Bits() + (static_cast<size_t>(y) * lock.PitchPixels() + x) * lock.BytesPerPixel();
            const uint32_t v = value(x, y);
            for (int b = 0; b < lock.BytesPerPixel(); ++b) p[b] = static_cast<uint8_t>(v >> (8 * b));
        }
}
inline void Fill(DDSURFACEDATA* sd, uint32_t raw) {
    FillRaw(sd, [raw](int, int) { return raw; });
}

// A variant test of the effects on locked pixels.
class EffectTest : public SheetTest {
protected:
    // A small surface the test writes itself; under the texture device in
    // system memory, which sends the blits through the locked-pixel path.
    DDSURFACEDATA* Blank(int width, int height) {
        DDSURFACEDATA* sd = &m_surfaces.emplace_back();
        EXPECT_TRUE(DDCreateSurface(sd, width, height, 0, 1, IsD3D(V()) ? DTMEMORYTYPE_SYSTEM : 0, nullptr, 0));
        return sd;
    }
    // A raw value at the variant's depth that stands for "not written".
    uint32_t Mark() const { return Bpp(V()) == 8 ? 0xEEu : Bpp(V()) == 16 ? 0x1234u : 0x12345678u; }
};

// The texture device at 16 bits in full screen: its back buffer is packed
// red, green in six bits, blue, without alpha.
class FullScreen16Test : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::make_unique<orvtest::ScopedTempFolder>();
        StartOptions options;
        options.windowMode = 0;
        ASSERT_TRUE(StartLayer(Variant::D3D16, options));
        ASSERT_TRUE(IsFullscreenBackBuffer(&g_BackBufferSD));
    }
    void TearDown() override {
        for (DDSURFACEDATA& sd : m_surfaces) DDReleaseSurface(&sd);
        StopLayer();
        m_folder.reset();
    }
    // An 8 x 8 texture of the given memory type with every texel `raw`.
    DDSURFACEDATA* Texture(int memoryType, uint32_t raw) {
        DDSURFACEDATA* sd = &m_surfaces.emplace_back();
        const int system = memoryType == DTMEMORYTYPE_SYSTEM;
        EXPECT_TRUE(DDCreateSurface(sd, 8, 8, 0, system, memoryType, nullptr, 0));
        Fill(sd, raw);
        return sd;
    }

    std::unique_ptr<orvtest::ScopedTempFolder> m_folder;
    std::deque<DDSURFACEDATA> m_surfaces;
};

}  // namespace gfxtest
