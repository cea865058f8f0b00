// Display start-up, modes and release on both back-ends.
#include <gtest/gtest.h>

#include <string>

#include "core/gfx_link.h"
#include "core/report_log.h"
#include "gfx/dd.h"
#include "gfx_fixture.h"
#include "platform/messages.h"
#include "platform/picture_testing.h"
#include "platform/presenter.h"
#include "platform/testing.h"
#include "support/test_support.h"

using gfxtest::Variant;

namespace {

plat::PixelFormat BackBufferFormat() {
    if (lpDTCon) return g_BackBufferSD.lpDT->lpSurface->Format();
    return g_BackBufferSD.lpDDS->lpSurface->Format();
}

// The cursor's display count without changing it.
int CursorCount() {
    int shown = plat::ShowCursorCount(true);
    plat::ShowCursorCount(false);
    return shown - 1;
}

// A plain (non-parameterised) start of the layer with the log in a temp
// folder, for the tests that vary DDInit's own arguments.
class DDInitTest : public ::testing::Test {
protected:
    orvtest::ScopedTempFolder tmp;
    void SetUp() override {
        plat::testing::ResetPictureFaults();
        plat::testing::ClearDialogTranscript();
        ASSERT_EQ(InitReportLog("Report_Game.txt"), 1);
    }
    void TearDown() override {
        DDRelease();
        plat::CloseFrameWindow();
        plat::testing::ResetPictureFaults();
    }
    static std::string Log() { return orvtest::ReadHostFile("Report_Game.txt"); }
    static int Init(int useD3D, int bpp, int windowMode, int vsync = 0) {
        return DDInit(useD3D, 0, 640, 480, bpp, vsync, windowMode, 1, 60, vsync, nullptr, nullptr, 0, 0);
    }
};

}  // namespace

// ---------------------------------------------------------------------------

struct StartExpect {
    Variant variant;
    plat::PixelFormat backBuffer;
    int redShift, greenShift, blueShift, redMask, greenMask, blueMask;
};

class StartUpTest : public gfxtest::GfxTest {};

TEST_P(StartUpTest, OpensOneBackEndWithItsFixedSurfaces) {
    static const StartExpect kExpect[] = {
        {Variant::D3D16, plat::PixelFormat::A1R5G5B5, 10, 5, 0, 31, 31, 31},
        {Variant::D3D32, plat::PixelFormat::X8R8G8B8, 16, 8, 0, 255, 255, 255},
        {Variant::DD8, plat::PixelFormat::P8, 0, 0, 0, 0, 0, 0},
        {Variant::DD16, plat::PixelFormat::R5G6B5, 11, 5, 0, 31, 63, 31},
        {Variant::DD32, plat::PixelFormat::X8R8G8B8, 16, 8, 0, 255, 255, 255},
    };
    const StartExpect& e = kExpect[static_cast<int>(V())];

    EXPECT_EQ(g_DDConfig.bInitialized, 1);
    EXPECT_EQ(g_nBpp, gfxtest::Bpp(V()));
    EXPECT_EQ(g_bWindowMode, 1);
    EXPECT_EQ(BackBufferFormat(), e.backBuffer);
    EXPECT_EQ(g_BackBufferSD.nWidth, 640);
    EXPECT_EQ(g_BackBufferSD.nHeight, 480);
    EXPECT_EQ(g_BackBufferSD.nTexWidth, 640);
    if (V() != Variant::DD8) {
        EXPECT_EQ(g_PixelFormat.nRedShift, e.redShift);
        EXPECT_EQ(g_PixelFormat.nGreenShift, e.greenShift);
        EXPECT_EQ(g_PixelFormat.nBlueShift, e.blueShift);
        EXPECT_EQ(g_PixelFormat.nRedMask, e.redMask);
        EXPECT_EQ(g_PixelFormat.nGreenMask, e.greenMask);
        EXPECT_EQ(g_PixelFormat.nBlueMask, e.blueMask);
    }

    ASSERT_TRUE(GfxLink().direct3DActive);
    EXPECT_EQ(GfxLink().direct3DActive(), gfxtest::IsD3D(V()));
    EXPECT_FALSE(GfxLink().fullScreenUp());
    VideoInfo facts;
    ASSERT_TRUE(GfxLink().videoFacts(facts));
    EXPECT_TRUE(facts.windowed);
    EXPECT_EQ(facts.bpp, gfxtest::Bpp(V()));
    EXPECT_EQ(facts.hasDirectDraw, !gfxtest::IsD3D(V()));

    if (gfxtest::IsD3D(V())) {
        ASSERT_NE(lpDTCon, nullptr);
        EXPECT_EQ(lpDDCon, nullptr);
        EXPECT_EQ(g_lpDD, nullptr);
        ASSERT_NE(g_BackBufferSD.lpDT, nullptr);
        EXPECT_EQ(g_BackBufferSD.lpDDS, nullptr);
        EXPECT_EQ(g_BackBufferSD.lpDT->nTextureId, 0);
        EXPECT_EQ(g_BackBufferSD.lpDT->bRenderTarget, 1);
        EXPECT_EQ(g_BackBufferSD.lpDT->bColorKey, 0);
        EXPECT_EQ(g_BackBufferSD.lpDT->lpSurface, lpDevice->BackBuffer());
        EXPECT_NE(g_BackBufferSD.lpDT->lpVertexBuffer, nullptr);
        EXPECT_STREQ(g_BackBufferSD.szName, "BackBuffer");
        EXPECT_EQ(lpDTCon->textureFormat,
                  gfxtest::Bpp(V()) == 16 ? plat::PixelFormat::A1R5G5B5 : plat::PixelFormat::A8R8G8B8);
        // The counter starts at 1; the two screen-sized render targets take 1 and 2.
        ASSERT_NE(g_VirBackBufferSD.lpDT, nullptr);
        ASSERT_NE(g_WorkSD.lpDT, nullptr);
        EXPECT_EQ(g_VirBackBufferSD.lpDT->nTextureId, 1);
        EXPECT_EQ(g_WorkSD.lpDT->nTextureId, 2);
        EXPECT_EQ(lpDTCon->nTextureCounter, 3);
        EXPECT_EQ(lpDTCon->nFontCounter, 0);
        EXPECT_STREQ(g_VirBackBufferSD.szName, "VirBackBuffer");
        EXPECT_STREQ(g_WorkSD.szName, "WorkSD");
        EXPECT_EQ(g_VirBackBufferSD.nWidth, 640);
        EXPECT_EQ(g_WorkSD.nHeight, 480);
        EXPECT_EQ(lpDTCon->bVirBackBuffer, 0);
        EXPECT_EQ(lpDTCon->nColorOp, plat::kTopModulate);
        EXPECT_EQ(lpDTCon->nAlphaOp, plat::kTopSelectArg1);
        EXPECT_EQ(lpDTCon->dwVertexColor, 0xFFFFFFFFu);
    } else {
        ASSERT_NE(lpDDCon, nullptr);
        EXPECT_EQ(lpDTCon, nullptr);
        EXPECT_EQ(lpDevice, nullptr);
        ASSERT_NE(g_PrimarySD.lpDDS, nullptr);
        ASSERT_NE(g_OffScreenSD.lpDDS, nullptr);
        EXPECT_EQ(g_BackBufferSD.lpDT, nullptr);
        EXPECT_EQ(g_OffScreenSD.bSystemMemory, 1);
        EXPECT_EQ(g_OffScreenSD.nWidth, 640);
        EXPECT_EQ(g_BackBufferSD.bSystemMemory, 0);
        // A window shows the cursor.
        EXPECT_GE(CursorCount(), 0);
    }
}

TEST_P(StartUpTest, ReleaseClearsTheContext) {
    plat::testing::ClearDialogTranscript();
    DDRelease();
    EXPECT_EQ(lpDTCon, nullptr);
    EXPECT_EQ(lpDDCon, nullptr);
    EXPECT_EQ(lpDevice, nullptr);
    EXPECT_EQ(g_lpDD, nullptr);
    EXPECT_EQ(g_BackBufferSD.lpDT, nullptr);
    EXPECT_EQ(g_BackBufferSD.lpDDS, nullptr);
    EXPECT_EQ(g_VirBackBufferSD.lpDT, nullptr);
    EXPECT_EQ(g_DDConfig.bInitialized, 0);
    EXPECT_TRUE(DDRegisteredSurfaces().empty());
    VideoInfo facts;
    EXPECT_FALSE(GfxLink().videoFacts(facts));
    EXPECT_FALSE(GfxLink().direct3DActive());
    // Nothing was leaked, so no box.
    EXPECT_TRUE(plat::testing::DialogTranscript().empty());
}

INSTANTIATE_TEST_SUITE_P(Variants, StartUpTest, gfxtest::AllVariants(), gfxtest::VariantName);

// ---------------------------------------------------------------------------

TEST(DDCheckInitErrTest, NamedCodesFailOthersPass) {
    for (int code : {1, 2, 3, 4, 5, 6, 7, 10, 11, 12}) EXPECT_FALSE(DDCheckInitErr(code)) << code;
    for (int code : {0, 8, 9, 13, -1}) EXPECT_TRUE(DDCheckInitErr(code)) << code;
}

TEST_F(DDInitTest, FullScreenFormatsAndHiddenCursor) {
    struct Case {
        int useD3D, bpp;
        plat::PixelFormat backBuffer;
    };
    const Case cases[] = {
        {1, 16, plat::PixelFormat::R5G6B5},
        {1, 32, plat::PixelFormat::X8R8G8B8},
        {0, 8, plat::PixelFormat::P8},
        {0, 16, plat::PixelFormat::R5G6B5},
        {0, 32, plat::PixelFormat::X8R8G8B8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.useD3D) + "/" + std::to_string(c.bpp));
        plat::testing::ResetPictureFaults();
        plat::OpenFrameWindow("t", 640, 480, true);
        ASSERT_TRUE(Init(c.useD3D, c.bpp, 0));
        EXPECT_EQ(BackBufferFormat(), c.backBuffer);
        EXPECT_TRUE(GfxLink().fullScreenUp());
        EXPECT_TRUE(IsFullscreenBackBuffer(&g_BackBufferSD));
        EXPECT_LT(CursorCount(), 0);
        if (c.useD3D && c.bpp == 16) {
            // Pixels written into the full-screen back buffer use its own table.
            EXPECT_EQ(g_BackBufferPixelFormat.nRedShift, 11);
            EXPECT_EQ(g_BackBufferPixelFormat.nGreenMask, 63);
            EXPECT_EQ(g_PixelFormat.nRedShift, 10);
        }
        if (!c.useD3D) {
            // The flip chain's back buffer belongs to the primary.
            ASSERT_NE(g_BackBufferSD.lpDDS, nullptr);
            EXPECT_EQ(g_BackBufferSD.lpDDS->lpSurface, g_lpDD->AttachedBackBuffer());
            EXPECT_EQ(g_BackBufferSD.lpDDS->owned, nullptr);
            if (c.bpp == 8) {
                EXPECT_EQ(g_lpDD->Palette()[0].b, 255);  // the start palette's entry 0
            }
        }
        DDRelease();
        plat::CloseFrameWindow();
        while (plat::ShowCursorCount(true) < 0) {
        }
    }
}

TEST_F(DDInitTest, Direct3DRefusesDepth24ThenDirectDrawStarts) {
    plat::OpenFrameWindow("t", 640, 480, false);
    EXPECT_FALSE(Init(1, 24, 1));
    EXPECT_NE(lpDTCon, nullptr);  // made before the depth was looked at
    EXPECT_EQ(lpDevice, nullptr);
    EXPECT_EQ(Log().find("ビデオカード"), std::string::npos);

    // The start-up fallback.
    DDRelease();
    EXPECT_EQ(lpDTCon, nullptr);
    plat::testing::SetDesktopDepth(16);
    ASSERT_TRUE(Init(0, 16, 1));
    EXPECT_EQ(lpDTCon, nullptr);
    ASSERT_NE(lpDDCon, nullptr);
    EXPECT_FALSE(GfxLink().direct3DActive());
    // The table is set, not accumulated on top of the Direct3D values.
    EXPECT_EQ(g_PixelFormat.nRedShift, 11);
    EXPECT_EQ(g_PixelFormat.nGreenShift, 5);
    EXPECT_EQ(g_PixelFormat.nBlueShift, 0);
    EXPECT_EQ(g_PixelFormat.nGreenMask, 63);
}

TEST_F(DDInitTest, DeviceCreationFallsBackToSoftwareVertexProcessing) {
    plat::testing::RasterCapsOverride caps;
    caps.hardwareVertexProcessing = false;
    plat::testing::SetRasterCaps(caps);
    plat::OpenFrameWindow("t", 640, 480, false);
    ASSERT_TRUE(Init(1, 32, 1));
    EXPECT_FALSE(lpDevice->Config().hardwareVertexProcessing);
    EXPECT_NE(Log().find("Device HAL-SOFT\nX8R8G8B8\n"), std::string::npos) << Log();
    DDRelease();

    caps.createFails = true;
    plat::testing::SetRasterCaps(caps);
    EXPECT_FALSE(Init(1, 16, 1));
    EXPECT_EQ(lpDevice, nullptr);
}

TEST_F(DDInitTest, BackBufferVertexBufferFailureFailsWithTheResultCode) {
    plat::OpenFrameWindow("t", 640, 480, false);
    plat::testing::FailNextBufferCreations(1);
    EXPECT_FALSE(Init(1, 32, 1));
    EXPECT_NE(Log().find("Back CreateVertexBuffer Err 80004005\n"), std::string::npos) << Log();
}

TEST_F(DDInitTest, WindowModeSizesFromTheClientArea) {
    for (int useD3D : {0, 1}) {
        SCOPED_TRACE(useD3D);
        plat::testing::ResetPictureFaults();
        plat::testing::SetDesktopDepth(32);
        plat::OpenFrameWindow("t", 320, 200, false);
        ASSERT_TRUE(Init(useD3D, 32, 1));
        EXPECT_EQ(g_BackBufferSD.nWidth, 320);
        EXPECT_EQ(g_BackBufferSD.nHeight, 200);
        plat::Image& image =
            useD3D ? g_BackBufferSD.lpDT->lpSurface->Pixels() : g_BackBufferSD.lpDDS->lpSurface->Pixels();
        EXPECT_EQ(image.Width(), 320);
        EXPECT_EQ(image.Height(), 200);
        if (!useD3D) {
            EXPECT_EQ(g_PrimarySD.nWidth, 320);
            EXPECT_EQ(g_OffScreenSD.nHeight, 200);
        }
        DDRelease();
        plat::CloseFrameWindow();
    }
}

TEST_F(DDInitTest, UnknownWindowModeFails) {
    plat::OpenFrameWindow("t", 640, 480, false);
    for (int useD3D : {0, 1}) {
        EXPECT_FALSE(Init(useD3D, 32, 2)) << useD3D;
        EXPECT_EQ(g_DDConfig.bInitialized, 0);
        EXPECT_EQ(lpDDCon, nullptr);
        EXPECT_EQ(lpDTCon, nullptr);
    }
}

TEST_F(DDInitTest, VSyncNeedsA60HzDisplay) {
    plat::OpenFrameWindow("t", 640, 480, false);
    plat::testing::RasterCapsOverride caps;
    caps.refreshRate = 75;
    plat::testing::SetRasterCaps(caps);
    ASSERT_TRUE(Init(1, 32, 1, 1));
    EXPECT_EQ(g_DDConfig.bVSync, 0);
    EXPECT_FALSE(lpDTCon->presentParams.waitForVerticalBlank);
    EXPECT_NE(Log().find("VSync : 1\nRefreshRate : 75\nリフレッシュレートの変更に失敗しました！垂直同期が無効になります！\n"),
              std::string::npos)
        << Log();
    DDRelease();

    caps.refreshRate = 60;
    plat::testing::SetRasterCaps(caps);
    ASSERT_TRUE(Init(1, 32, 1, 1));
    EXPECT_EQ(g_DDConfig.bVSync, 1);
    EXPECT_TRUE(lpDTCon->presentParams.waitForVerticalBlank);
}

TEST_F(DDInitTest, SecondDirectDrawStartReleasesTheFirst) {
    plat::OpenFrameWindow("t", 640, 480, true);
    ASSERT_TRUE(Init(0, 32, 0));
    const int fresh = g_lpDD->LiveObjects();
    ASSERT_TRUE(Init(0, 16, 0));
    ASSERT_NE(g_PrimarySD.lpDDS, nullptr);
    EXPECT_EQ(g_PrimarySD.lpDDS->lpSurface->Format(), plat::PixelFormat::R5G6B5);
    EXPECT_EQ(g_OffScreenSD.lpDDS->lpSurface->Format(), plat::PixelFormat::R5G6B5);
    EXPECT_EQ(g_lpDD->LiveObjects(), fresh);
    EXPECT_TRUE(plat::testing::DialogTranscript().empty());
}

TEST_F(DDInitTest, LeakedSurfaceShowsTheBoxAndStillClears) {
    plat::OpenFrameWindow("t", 640, 480, false);
    plat::testing::SetDesktopDepth(32);
    ASSERT_TRUE(Init(0, 32, 1));
    // Released by nobody before the display goes.
    DDSURFACEDATA leaked;
    ASSERT_TRUE(DDCreateSurface(&leaked, 8, 8, 0, 0, 0, nullptr, 0));
    DDRelease();
    EXPECT_EQ(lpDDCon, nullptr);
    auto boxes = plat::testing::DialogTranscript();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "解放漏れがあります");
    EXPECT_EQ(boxes[0].caption, "DirectDraw");
    DDReleaseSurface(&leaked);
}
