// Fills, the fill batch, scenes and render targets, over the five display
// variants.
#include <gtest/gtest.h>

#include <cstdint>

#include "gfx/dd.h"
#include "gfx_fixture.h"
#include "platform/picture_testing.h"

using gfxtest::Variant;

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu,
                   kMagenta = 0xFFFF00FFu;

class FillTest : public gfxtest::GfxTest {};
class FillD3DTest : public gfxtest::GfxTest {};

// A surface that is no render target: a system texture, or any blit surface.
bool MakePlainSurface(DDSURFACEDATA* sd, int w, int h) {
    return DDCreateSurface(sd, w, h, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0);
}

}  // namespace

TEST_P(FillTest, FillsAreCutToTheSurface) {
    DDFillSurface(&g_BackBufferSD, 2);
    DDFillRect(&g_BackBufferSD, -10, 20, 100, 5, 3);
    DDFillRect(&g_BackBufferSD, 600, -3, 100, 5, 5);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 0, 20), kRed);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 89, 24), kRed);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 90, 20), kBlack);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 89, 25), kBlack);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 599, 0), kBlack);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 600, 0), kBlue);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 639, 1), kBlue);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 639, 2), kBlack);
    // Nothing of the surface is left: nothing drawn, nothing broken.
    DDFillRect(&g_BackBufferSD, 640, 0, 10, 10, 3);
    DDFillRect(&g_BackBufferSD, 0, 0, 0, 10, 3);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 639, 479), kBlack);
}

TEST_P(FillTest, ColourZeroMakesKeyedSurfacesTransparentAndLeavesTheBackBuffer) {
    DDSURFACEDATA keyed;
    ASSERT_TRUE(DDCreateSurface(&keyed, 64, 32, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    DDFillSurface(&keyed, 3);
    DDFillRect(&keyed, 8, 8, 16, 16, 0);
    // A keyed texture becomes ARGB 0 exactly; a blit surface takes the key.
    const uint32_t transparent = gfxtest::IsD3D(V()) ? 0u : PalNumToRGB(0);
    EXPECT_EQ(gfxtest::ReadRaw(&keyed, 8, 8), transparent);
    EXPECT_EQ(gfxtest::ReadRaw(&keyed, 23, 23), transparent);
    EXPECT_EQ(gfxtest::ReadArgb(&keyed, 24, 23), kRed);

    // The back buffer has no key: a quad of alpha 0 changes nothing there.
    DDFillSurface(&g_BackBufferSD, 3);
    DDFillRect(&g_BackBufferSD, 0, 0, 10, 10, 0);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 5, 5), gfxtest::IsD3D(V()) ? kRed : kMagenta);
    DDReleaseSurface(&keyed);
}

TEST_P(FillTest, ColourNumberAbove255FillsWithZero) {
    DDSURFACEDATA sd;
    ASSERT_TRUE(MakePlainSurface(&sd, 16, 16));
    DDFillSurface(&sd, 3);
    DDFillRect(&sd, 0, 0, 4, 4, 256);
    EXPECT_EQ(gfxtest::ReadRaw(&sd, 1, 1), 0u);
    EXPECT_EQ(gfxtest::ReadArgb(&sd, 5, 5), kRed);
    DDReleaseSurface(&sd);
}

TEST_P(FillTest, FillsOfSurfacesThatWereNeverMadeDoNothing) {
    DDSURFACEDATA never;
    never.nWidth = never.nHeight = 16;
    DDFillRect(&never, 0, 0, 8, 8, 3);
    DDFillSurfaceColor(&never, 0xFFFFFFFF);
    DDFillRect(nullptr, 0, 0, 8, 8, 3);
    EXPECT_EQ(never.lpDT, nullptr);
    EXPECT_EQ(never.lpDDS, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Variants, FillTest, gfxtest::AllVariants(), gfxtest::VariantName);

// ---------------------------------------------------------------------------
// Texture-device only

TEST_P(FillD3DTest, PlainTexturesArePackedPixelByPixel) {
    DDSURFACEDATA sd;
    ASSERT_TRUE(MakePlainSurface(&sd, 16, 16));
    DDFillRectColor(&sd, 2, 2, 4, 4, 0xFF804020);
    // 16 bits: every byte scaled by its field's maximum / 255, truncated.
    EXPECT_EQ(gfxtest::ReadRaw(&sd, 3, 3), gfxtest::Bpp(V()) == 16 ? 0xBCE3u : 0xFF804020u);
    EXPECT_EQ(gfxtest::ReadRaw(&sd, 6, 3), 0u);
    DDReleaseSurface(&sd);
}

TEST_P(FillD3DTest, BatchDrawsRunsOfOneSurfaceInOrder) {
    // Each run takes one vertex buffer; failing the first n creations drops
    // exactly the first n runs, which shows where the runs are cut.
    struct Case {
        int failures;
        bool a1, a2, b, a3;
    };
    const Case cases[] = {
        {0, true, true, true, true},
        {1, false, false, true, true},
        {2, false, false, false, true},
        {3, false, false, false, false},
    };
    DDSURFACEDATA a, b;
    ASSERT_TRUE(DDCreateSurface(&a, 64, 16, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    ASSERT_TRUE(DDCreateSurface(&b, 64, 16, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failures);
        DDFillSurface(&a, 2);
        DDFillSurface(&b, 2);
        DDBeginFillBatch();
        DDFillRect(&a, 0, 0, 4, 4, 3);
        DDFillRect(&a, 10, 0, 4, 4, 4);
        DDFillRect(&b, 0, 0, 4, 4, 5);
        DDFillRect(&a, 20, 0, 4, 4, 5);
        EXPECT_EQ(gfxtest::ReadArgb(&a, 1, 1), kBlack) << "queued, not drawn";
        plat::testing::FailNextBufferCreations(c.failures);
        DDEndFillBatch();
        plat::testing::FailNextBufferCreations(0);
        EXPECT_EQ(gfxtest::ReadArgb(&a, 1, 1), c.a1 ? kRed : kBlack);
        EXPECT_EQ(gfxtest::ReadArgb(&a, 11, 1), c.a2 ? kGreen : kBlack);
        EXPECT_EQ(gfxtest::ReadArgb(&b, 1, 1), c.b ? kBlue : kBlack);
        EXPECT_EQ(gfxtest::ReadArgb(&a, 21, 1), c.a3 ? kBlue : kBlack);
    }
    // After the batch, fills draw at once again.
    DDFillRect(&a, 0, 0, 4, 4, 4);
    EXPECT_EQ(gfxtest::ReadArgb(&a, 1, 1), kGreen);
    DDReleaseSurface(&a);
    DDReleaseSurface(&b);
}

TEST_P(FillD3DTest, DrawingOutsideTheBatchKeepsTheOrderOfTheCalls) {
    DDSURFACEDATA keyed, other;
    ASSERT_TRUE(DDCreateSurface(&keyed, 32, 16, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    ASSERT_TRUE(DDCreateSurface(&other, 32, 16, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    DDFillSurface(&keyed, 3);
    DDFillSurface(&other, 2);
    DDFillSurface(&g_BackBufferSD, 2);

    DDBeginFillBatch();
    // A fill, then a transparent clear of the same place: the clear wins.
    DDFillRect(&keyed, 0, 0, 8, 8, 4);
    DDFillRect(&keyed, 0, 0, 8, 8, 0);
    // A fill of a surface, then a copy from it: the copy shows the fill.
    DDFillRect(&other, 0, 0, 8, 8, 5);
    DDBlt(&g_BackBufferSD, 100, 100, 8, 8, &other, 0, 0, DDBLT_OPAQUE);
    DDEndFillBatch();

    EXPECT_EQ(gfxtest::ReadRaw(&keyed, 1, 1), 0u);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 101, 101), kBlue);
    DDReleaseSurface(&keyed);
    DDReleaseSurface(&other);
}

TEST_P(FillD3DTest, ReleasingAQueuedSurfaceInsideTheBatchIsSafe) {
    // An erased list element is freed at once; its queued fill must not be
    // reached afterwards.
    cList<DDSURFACEDATA> list;
    cList<DDSURFACEDEF> defs;
    ASSERT_TRUE(DDPushSurfaceList(list, defs, 16, 16, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr));
    DDSURFACEDATA kept;
    ASSERT_TRUE(DDCreateSurface(&kept, 16, 16, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    DDFillSurface(&kept, 2);
    DDBeginFillBatch();
    DDFillRect(&list.At(0), 0, 0, 4, 4, 3);
    DDFillRect(&kept, 0, 0, 4, 4, 4);
    EXPECT_EQ(DDEraseSurfaceList(list, defs, &list.At(0)), 1);
    DDEndFillBatch();
    EXPECT_EQ(gfxtest::ReadArgb(&kept, 1, 1), kGreen);
    DDReleaseSurface(&kept);
}

TEST_P(FillD3DTest, SceneOpensOnceAndOnlyRenderTargetsBecomeTargets) {
    EXPECT_EQ(DDBeginScene(), 1);
    EXPECT_EQ(DDBeginScene(), 1);  // the device refuses a second BeginScene
    EXPECT_TRUE(lpDevice->InScene());
    DDEndScene();
    EXPECT_FALSE(lpDevice->InScene());
    DDEndScene();
    EXPECT_EQ(lpDTCon->bInScene, 0);

    DDSURFACEDATA plain;
    ASSERT_TRUE(MakePlainSurface(&plain, 8, 8));
    plat::RasterSurface* before = lpDevice->RenderTarget();
    EXPECT_EQ(DDSetRenderTarget(0, &plain), 0);
    EXPECT_EQ(lpDevice->RenderTarget(), before);
    EXPECT_EQ(DDSetRenderTarget(0, &g_WorkSD), 1);
    EXPECT_EQ(lpDevice->RenderTarget(), g_WorkSD.lpDT->lpSurface);
    DDReleaseSurface(&plain);
}

INSTANTIATE_TEST_SUITE_P(Variants, FillD3DTest, testing::Values(Variant::D3D16, Variant::D3D32),
                         gfxtest::VariantName);

TEST(FillDDTest, SceneAndTargetsDoNothingOnBlitSurfaces) {
    orvtest::ScopedTempFolder folder;
    ASSERT_TRUE(gfxtest::StartLayer(Variant::DD32));
    EXPECT_EQ(DDBeginScene(), 0);
    EXPECT_EQ(DDSetRenderTarget(0, &g_BackBufferSD), 0);
    DDBeginFillBatch();
    DDFillRect(&g_BackBufferSD, 0, 0, 4, 4, 3);  // drawn at once
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 1, 1), kRed);
    DDEndFillBatch();
    gfxtest::StopLayer();
}
