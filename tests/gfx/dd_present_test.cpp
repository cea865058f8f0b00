// Frame end, virtual back buffer, device loss and restore, blit-surface loss.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/timing.h"
#include "gfx/dd.h"
#include "gfx_fixture.h"
#include "platform/clock.h"
#include "platform/picture_testing.h"
#include "platform/presenter.h"
#include "platform/testing.h"

using gfxtest::Variant;

namespace {

class D3DPresentTest : public gfxtest::GfxTest {
protected:
    void SetUp() override {
        plat::testing::UseVirtualTime(1000);
        FrameTiming() = TimingState();
        gfxtest::GfxTest::SetUp();
    }
    void TearDown() override {
        gfxtest::GfxTest::TearDown();
        DDFontRestoreHooks() = FontRestoreHooks();
        plat::testing::UseRealTime();
    }
};

// A 24-bit bitmap of one colour with a different top-left pixel.
std::string WriteSolidBmp(const char* name, int w, int h, uint32_t rgb, uint32_t topLeft) {
    gfxtest::BmpPicture bmp;
    bmp.width = w;
    bmp.height = h;
    bmp.bitCount = 24;
    bmp.pixels.assign(static_cast<size_t>(w * h), rgb);
    bmp.pixels[0] = topLeft;
    return gfxtest::WriteBmp(name, bmp);
}

// The device back buffer itself, past the redirection.
uint32_t RealBackBufferArgb(int x, int y) {
    plat::RasterSurface* bb = g_BackBufferSD.lpDT->lpSurface;
    return plat::UnpackToArgb(bb->Format(), bb->Pixels().Get(x, y));
}

int g_lostCalls = 0;
int g_restoreCalls = 0;
void CountLost() { ++g_lostCalls; }
void CountRestore() { ++g_restoreCalls; }

}  // namespace

TEST_P(D3DPresentTest, TurningTheVirtualBackBufferOffCopiesItOnce) {
    DDSetVirBackBuffer(1);
    DDFillRect(&g_BackBufferSD, 0, 0, 640, 480, 3);  // lands in the virtual back buffer
    EXPECT_EQ(gfxtest::ReadArgb(&g_VirBackBufferSD, 10, 10), 0xFFFF0000u);
    EXPECT_NE(RealBackBufferArgb(10, 10), 0xFFFF0000u);
    DDSetVirBackBuffer(0);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 10, 10), 0xFFFF0000u);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 639, 479), 0xFFFF0000u);

    DDFillRect(&g_BackBufferSD, 0, 0, 640, 480, 4);
    DDSetVirBackBuffer(0);  // already off: no second copy
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 10, 10), 0xFF00FF00u);
}

TEST_P(D3DPresentTest, VirtualBackBufferIsCopiedAtEveryPresent) {
    DDSetVirBackBuffer(1);
    DDFillRect(&g_BackBufferSD, 0, 0, 640, 480, 5);
    ASSERT_EQ(DDPresent(60, 0, nullptr), 1);
    EXPECT_EQ(gfxtest::ReadArgb(&g_VirBackBufferSD, 5, 5), 0xFF0000FFu);
    lpDTCon->bVirBackBuffer = 0;
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 5, 5), 0xFF0000FFu);
}

TEST_P(D3DPresentTest, PresentWaitsForEachFramesTime) {
    const uint32_t start = plat::TimeMs();
    for (int k = 0; k < 60; ++k) {
        ASSERT_EQ(DDPresent(60, 0, nullptr), 1);
        const double due = start + k * 1000.0 / 60.0;
        const uint32_t now = plat::TimeMs();
        EXPECT_GE(now, due) << "frame " << k;
        EXPECT_LT(now, due + 2) << "frame " << k;  // and no longer than its 1-ms polls
    }
    EXPECT_GE(plat::PresentedFrameCount(), 60u);
}

TEST_P(D3DPresentTest, PresentedFrameCanBeWrittenAsPng) {
    DDFillRect(&g_BackBufferSD, 0, 0, 640, 480, 3);
    DDFillRect(&g_BackBufferSD, 10, 20, 5, 5, 4);
    ASSERT_EQ(DDPresent(60, 0, nullptr), 1);
    std::vector<uint32_t> argb;
    int w = 0, h = 0;
    ASSERT_TRUE(plat::LastPresentedFrame(&argb, &w, &h));
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);
    EXPECT_EQ(argb[0] | 0xFF000000u, 0xFFFF0000u);
    EXPECT_EQ(argb[static_cast<size_t>(20 * 640 + 10)] | 0xFF000000u, 0xFF00FF00u);
    ASSERT_TRUE(plat::WriteLastFramePng("frame.png"));
    const std::string png = orvtest::ReadHostFile("frame.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST_P(D3DPresentTest, DeviceLossInAWindowIsRestored) {
    // A file texture, a blank render target, a system texture and a file
    // texture with a palette-index map.
    std::string file = WriteSolidBmp("tex.bmp", 8, 8, 0x0000FF, 0xFFFFFF);
    DDSURFACEDATA fromFile, blank, system, mapped;
    ASSERT_EQ(DDCreateSurfaceFromFile(&fromFile, file.c_str(), 1, g_nBpp, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0, 0, 0, 0),
              0);
    ASSERT_TRUE(DDCreateSurface(&blank, 16, 16, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    ASSERT_TRUE(DDCreateSurface(&system, 16, 16, 1, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
    ASSERT_EQ(DDCreateSurfaceFromFile(&mapped, file.c_str(), 1, g_nBpp, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 1, 0, 0, 0),
              0);
    ASSERT_FALSE(mapped.lpDT->palIndexMap.empty());
    const std::vector<uint8_t> mapBefore = mapped.lpDT->palIndexMap;
    const uint32_t fileTexel = gfxtest::ReadRaw(&fromFile, 3, 3);
    const uint32_t cleared = gfxtest::ReadRaw(&blank, 0, 0);
    ASSERT_TRUE(gfxtest::WriteRaw(&blank, 1, 1, 0x1234));
    ASSERT_TRUE(gfxtest::WriteRaw(&system, 2, 2, 0x4321));
    ASSERT_TRUE(gfxtest::WriteRaw(&fromFile, 3, 3, 0x1111));
    const int idBefore = blank.lpDT->nTextureId;
    const size_t registered = DDRegisteredSurfaces().size();
    DDFontRestoreHooks().onLostDevice = CountLost;
    DDFontRestoreHooks().restore = CountRestore;
    g_lostCalls = g_restoreCalls = 0;

    plat::testing::LoseDevice(0);
    EXPECT_EQ(DDPresent(60, 0, nullptr), 0);
    EXPECT_FALSE(plat::FrameWindowMinimized());  // a window is never minimised for it
    ASSERT_EQ(DDRestoreSurface(), 1);

    EXPECT_EQ(g_lostCalls, 1);
    EXPECT_EQ(g_restoreCalls, 1);
    EXPECT_EQ(g_BackBufferSD.lpDT->lpSurface, lpDevice->BackBuffer());
    // Reloaded from its file, content intact, not lost.
    EXPECT_EQ(gfxtest::ReadRaw(&fromFile, 3, 3), fileTexel);
    EXPECT_EQ(fromFile.bLost, 0);
    // Back blank, cleared to the transparent colour, flagged for its owner.
    EXPECT_EQ(blank.bLost, 1);
    EXPECT_EQ(gfxtest::ReadRaw(&blank, 1, 1), cleared);
    EXPECT_EQ(blank.lpDT->nTextureId, idBefore);
    // A system texture survives with its pixels.
    EXPECT_EQ(gfxtest::ReadRaw(&system, 2, 2), 0x4321u);
    // The palette-index map is rebuilt, not lost.
    EXPECT_EQ(mapped.lpDT->palIndexMap, mapBefore);
    EXPECT_EQ(DDRegisteredSurfaces().size(), registered);
    // Drawing and presenting work again.
    EXPECT_EQ(DDPresent(60, 0, nullptr), 1);

    for (DDSURFACEDATA* sd : {&fromFile, &blank, &system, &mapped}) DDReleaseSurface(sd);
}

TEST_P(D3DPresentTest, RestoreWaitsUntilTheDeviceCanBeReset) {
    DDSURFACEDATA blank;
    ASSERT_TRUE(DDCreateSurface(&blank, 16, 16, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    plat::testing::LoseDevice(2);
    EXPECT_EQ(DDPresent(60, 0, nullptr), 0);
    EXPECT_EQ(DDRestoreSurface(), 0);
    EXPECT_EQ(blank.lpDT->lpTexture, nullptr);  // released, not rebuilt
    EXPECT_EQ(blank.bLost, 0);
    EXPECT_EQ(DDRestoreSurface(), 0);
    EXPECT_EQ(DDRestoreSurface(), 1);
    EXPECT_NE(blank.lpDT->lpTexture, nullptr);
    EXPECT_EQ(blank.bLost, 1);
    DDReleaseSurface(&blank);
}

TEST_P(D3DPresentTest, RestoreOfAWorkingDeviceKeepsEveryTexture) {
    // A re-activation in full screen asks for a restore whether or not the
    // device was lost; a device that never was must keep its pictures.
    std::string file = WriteSolidBmp("keep.bmp", 8, 8, 0x0000FF, 0xFFFFFF);
    DDSURFACEDATA fromFile, blank;
    // Released even when a check fails, so no registry entry outlives them.
    struct Release {
        DDSURFACEDATA* a;
        DDSURFACEDATA* b;
        ~Release() {
            DDReleaseSurface(a);
            DDReleaseSurface(b);
        }
    } release{&fromFile, &blank};
    ASSERT_EQ(DDCreateSurfaceFromFile(&fromFile, file.c_str(), 1, g_nBpp, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0, 0, 0, 0),
              0);
    ASSERT_TRUE(DDCreateSurface(&blank, 16, 16, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    ASSERT_TRUE(gfxtest::WriteRaw(&blank, 1, 1, 0x1234));
    const uint32_t fileTexel = gfxtest::ReadRaw(&fromFile, 3, 3);

    EXPECT_EQ(DDRestoreSurface(), 1);
    EXPECT_NE(blank.lpDT->lpTexture, nullptr);
    EXPECT_NE(fromFile.lpDT->lpTexture, nullptr);
    EXPECT_EQ(gfxtest::ReadRaw(&blank, 1, 1), 0x1234u);
    EXPECT_EQ(gfxtest::ReadRaw(&fromFile, 3, 3), fileTexel);
    EXPECT_EQ(blank.bLost, 0);
    EXPECT_EQ(g_BackBufferSD.lpDT->lpSurface, lpDevice->BackBuffer());
    EXPECT_EQ(DDPresent(60, 0, nullptr), 1);
}

INSTANTIATE_TEST_SUITE_P(Variants, D3DPresentTest, ::testing::Values(Variant::D3D16, Variant::D3D32),
                         gfxtest::VariantName);

// ---------------------------------------------------------------------------

TEST(PresentTest, FullScreenLossMinimisesUntilRestored) {
    orvtest::ScopedTempFolder tmp;
    plat::testing::UseVirtualTime(1000);
    gfxtest::StartOptions options;
    options.windowMode = 0;
    ASSERT_TRUE(gfxtest::StartLayer(Variant::D3D32, options));
    EXPECT_TRUE(IsFullscreenBackBuffer(&g_BackBufferSD));
    plat::testing::LoseDevice(0);
    EXPECT_EQ(DDPresent(60, 0, nullptr), 0);
    EXPECT_TRUE(plat::FrameWindowMinimized());
    EXPECT_EQ(DDRestoreSurface(), 1);
    EXPECT_FALSE(plat::FrameWindowMinimized());
    gfxtest::StopLayer();
    while (plat::ShowCursorCount(true) < 0) {
    }
    plat::testing::UseRealTime();
}

TEST(PresentTest, TheGamesRateHoldsInWindowAndFullScreenWithAndWithoutVerticalSync) {
    struct Case {
        int windowMode, vsync, fps;
    };
    // 60 is the project's rate; the others are stage speeds.
    const Case cases[] = {{1, 0, 60}, {1, 1, 60}, {0, 0, 60}, {0, 1, 60}, {1, 1, 30}, {1, 1, 120}, {0, 0, 50}};
    orvtest::ScopedTempFolder tmp;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "window " << c.windowMode << " vsync " << c.vsync << " fps " << c.fps);
        plat::testing::UseVirtualTime(0);
        FrameTiming() = TimingState();
        gfxtest::StartOptions options;
        options.windowMode = c.windowMode;
        options.vsync = c.vsync;
        ASSERT_TRUE(gfxtest::StartLayer(Variant::D3D32, options));
        ASSERT_EQ(g_DDConfig.bVSync, c.vsync);
        // Frames presented in one simulated second, once the pace has settled.
        int frames = 0;
        while (plat::TimeMs() < 1500) {
            ASSERT_EQ(DDPresent(c.fps, 0, nullptr), 1);
            if (plat::TimeMs() >= 500 && plat::TimeMs() < 1500) ++frames;
        }
        EXPECT_NEAR(frames, c.fps, 1);
        gfxtest::StopLayer();
    }
    while (plat::ShowCursorCount(true) < 0) {
    }
    plat::testing::UseRealTime();
}

TEST(PresentTest, DirectDrawHasNoDevicePresentOrDeviceRestore) {
    orvtest::ScopedTempFolder tmp;
    ASSERT_TRUE(gfxtest::StartLayer(Variant::DD32));
    EXPECT_EQ(DDPresent(60, 0, nullptr), 1);
    EXPECT_EQ(DDRestoreSurface(), 1);
    gfxtest::StopLayer();
}

// ---------------------------------------------------------------------------

class BlitRestoreTest : public ::testing::TestWithParam<Variant> {
protected:
    orvtest::ScopedTempFolder tmp;
    DDSURFACEDATA game[3];
    DDSURFACEDEF defs[3];
    void SetUp() override {
        gfxtest::StartOptions options;
        options.gameSurfaces = game;
        options.gameDefs = defs;
        options.count = 3;
        ASSERT_TRUE(gfxtest::StartLayer(GetParam(), options));
    }
    void TearDown() override { gfxtest::StopLayer(); }
};

TEST_P(BlitRestoreTest, RestoreReloadsLostBitmapsAndFlagsBlankSurfaces) {
    gfxtest::BmpPicture bmp = gfxtest::IndexedPicture(8, 8);
    bmp.pixels.assign(64, 3);
    std::string file = gfxtest::WriteBmp("game.bmp", bmp);
    ASSERT_EQ(DDCreateSurfaceFromFile(&game[0], file.c_str(), 1, g_nBpp, 0, 0, nullptr, 0, 0, 0, 0), 0);
    ASSERT_TRUE(DDCreateSurface(&game[1], 8, 8, 1, 0, 0, nullptr, 0));
    ASSERT_TRUE(DDCreateSurface(&game[2], 8, 8, 1, 1, 0, nullptr, 0));
    const uint32_t loaded = gfxtest::ReadRaw(&game[0], 4, 4);
    ASSERT_TRUE(gfxtest::WriteRaw(&game[1], 4, 4, 5));

    // Nothing lost: nothing happens.
    ASSERT_TRUE(DDRestore());
    EXPECT_EQ(game[1].bLost, 0);
    EXPECT_EQ(gfxtest::ReadRaw(&game[1], 4, 4), 5u);

    g_BasePalette[9] = PALETTEENTRY{1, 2, 3, PC_RESERVED};
    plat::testing::LoseBlitSurfaces();
    EXPECT_TRUE(g_PrimarySD.lpDDS->lpSurface->IsLost());
    ASSERT_TRUE(DDRestore());
    EXPECT_FALSE(g_PrimarySD.lpDDS->lpSurface->IsLost());
    EXPECT_FALSE(g_BackBufferSD.lpDDS->lpSurface->IsLost());
    EXPECT_EQ(gfxtest::ReadRaw(&game[0], 4, 4), loaded);  // the bitmap is back
    EXPECT_EQ(game[0].bLost, 0);
    EXPECT_EQ(game[1].bLost, 1);
    EXPECT_EQ(game[2].bLost, 0);  // system memory: its owner keeps no flag
    EXPECT_FALSE(game[2].lpDDS->lpSurface->IsLost());
    if (g_nBpp == 8) {
        EXPECT_EQ(g_lpDD->Palette()[9].r, 1);
        EXPECT_EQ(g_lpDD->Palette()[9].b, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, BlitRestoreTest, ::testing::Values(Variant::DD8, Variant::DD16, Variant::DD32),
                         gfxtest::VariantName);

TEST(BlitRestoreD3DTest, DirectDrawRestoreIsANoOpUnderDirect3D) {
    orvtest::ScopedTempFolder tmp;
    ASSERT_TRUE(gfxtest::StartLayer(Variant::D3D32));
    EXPECT_TRUE(DDRestore());
    gfxtest::StopLayer();
}
