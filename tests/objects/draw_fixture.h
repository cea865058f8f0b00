// A headless drawing layer for tests that check the pixels stage drawing
// leaves in the back buffer: the texture device at 32 bits (the back-end
// the player runs on), a palette whose entries are told apart by their
// colour, magenta as the transparent colour, blank sheets in the system
// picture rows the code under test reads, and pixel reads of the back
// buffer. Every system picture row is given back as it was.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "gfx/dd.h"
#include "platform/picture_testing.h"
#include "platform/presenter.h"

namespace drawtest {

// Colour of palette entry n as 0xRRGGBB; entry 0 is the transparent colour.
inline uint32_t Rgb(int n) {
    if (n == 0) return 0xFF00FFu;
    return uint32_t(n) << 16 | uint32_t(255 - n) << 8 | uint32_t((n * 7 + 1) & 0xFF);
}

class DrawLayer {
public:
    void Start() {
        for (int i = 0; i < kSysBmpCount; ++i) m_saved[i] = g_SysBmp[i];
        plat::testing::ResetPictureFaults();
        plat::testing::SetDesktopDepth(32);
        plat::OpenFrameWindow("test", 640, 480, false);
        ASSERT_TRUE(DDInit(1, 0, 640, 480, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0));
        for (int n = 0; n < 256; ++n) {
            const uint32_t c = Rgb(n);
            g_Palette[n] = PALETTEENTRY{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), PC_RESERVED};
        }
        std::copy(std::begin(g_Palette), std::end(g_Palette), std::begin(g_BasePalette));
        DDSetTransmit(255, 0, 255);
        lpDTCon->rgbPalTransmit = RGBTRIPLE{255, 0, 255};
        m_started = true;
    }
    void Stop() {
        if (m_started) {
            for (int row : m_made) DDReleaseSurface(&g_SysBmp[row]);
            DDRelease();
        }
        plat::CloseFrameWindow();
        plat::testing::ResetPictureFaults();
        for (int i = 0; i < kSysBmpCount; ++i) g_SysBmp[i] = m_saved[i];
        m_made.clear();
        m_started = false;
    }
    // System picture `row` made blank, w x h, keyed, all transparent.
    DDSURFACEDATA* Sheet(int row, int w, int h) {
        DDSURFACEDATA* sd = &g_SysBmp[row];
        *sd = DDSURFACEDATA();
        EXPECT_TRUE(DDCreateSurface(sd, w, h, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0)) << row;
        DDFillSurface(sd, 0);
        m_made.push_back(row);
        return sd;
    }
    // The back buffer's pixel as 0xRRGGBB.
    static uint32_t At(int x, int y) {
        cSurfaceLock lock(&g_BackBufferSD);
        if (!lock.Bits() || x < 0 || y < 0 || x >= 640 || y >= 480) return 0xDEADBEEF;
        uint32_t v = 0;
        std::memcpy(&v, lock.Bits() + (static_cast<size_t>(y) * lock.PitchPixels() + x) * 4, 4);
        return v & 0xFFFFFFu;
    }
    static bool Is(int x, int y, int n) { return At(x, y) == Rgb(n); }

private:
    DDSURFACEDATA m_saved[kSysBmpCount];
    std::vector<int> m_made;
    bool m_started = false;
};

}  // namespace drawtest
