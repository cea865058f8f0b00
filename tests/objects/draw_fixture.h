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
#include "support/headless_layer.h"

namespace drawtest {

// Colour of palette entry n as 0xRRGGBB; entry 0 is the transparent colour.
inline uint32_t Rgb(int n) { return orvtest::LayerRgb(n); }

class DrawLayer {
public:
    void Start() {
        for (int i = 0; i < kSysBmpCount; ++i) m_saved[i] = g_SysBmp[i];
        ASSERT_TRUE(orvtest::StartHeadlessLayer(1));
        m_started = true;
    }
    void Stop() {
        if (m_started) {
            for (int row : m_made) DDReleaseSurface(&g_SysBmp[row]);
            orvtest::StopHeadlessLayer();
        } else {
            plat::CloseFrameWindow();
        }
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
    static uint32_t At(int x, int y) { return orvtest::ReadLayerRaw(&g_BackBufferSD, x, y) & 0xFFFFFFu; }
    static bool Is(int x, int y, int n) { return At(x, y) == Rgb(n); }

private:
    DDSURFACEDATA m_saved[kSysBmpCount];
    std::vector<int> m_made;
    bool m_started = false;
};

}  // namespace drawtest
