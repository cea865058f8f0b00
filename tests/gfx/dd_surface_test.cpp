// Surface records and the lock guard.
#include <gtest/gtest.h>

#include <cstring>

#include "gfx/dd.h"
#include "gfx_fixture.h"
#include "platform/picture_testing.h"

using gfxtest::Variant;

namespace {

class SurfaceLockTest : public gfxtest::GfxTest {};
class D3DSurfaceLockTest : public gfxtest::GfxTest {};

plat::Image& ImageOf(DDSURFACEDATA& sd) {
    return sd.lpDT ? sd.lpDT->lpSurface->Pixels() : sd.lpDDS->lpSurface->Pixels();
}

}  // namespace

TEST(SurfaceRecordTest, NewRecordIsEmptyAndAllocDataIsIdempotent) {
    DDSURFACEDATA sd;
    EXPECT_EQ(sd.lpDT, nullptr);
    EXPECT_EQ(sd.lpDDS, nullptr);
    EXPECT_STREQ(sd.szFileName, "");
    EXPECT_EQ(sd.bLost, 0);
    EXPECT_EQ(sd.lpMirrorSrc, nullptr);

    const int saved = g_DDConfig.bUseD3D;
    g_DDConfig.bUseD3D = 1;
    sd.AllocData();
    DTTEXTURE* dt = sd.lpDT;
    ASSERT_NE(dt, nullptr);
    dt->nTextureId = 42;
    sd.AllocData();
    EXPECT_EQ(sd.lpDT, dt);
    EXPECT_EQ(sd.lpDT->nTextureId, 42);
    EXPECT_EQ(sd.lpDDS, nullptr);

    // A copy shares the back-end object.
    DDSURFACEDATA copy = sd;
    EXPECT_EQ(copy.lpDT, dt);

    g_DDConfig.bUseD3D = 0;
    sd.AllocData();
    ASSERT_NE(sd.lpDDS, nullptr);
    EXPECT_EQ(sd.lpDT, dt);
    g_DDConfig.bUseD3D = saved;
    delete sd.lpDT;
    delete sd.lpDDS;
}

TEST(SurfaceRecordTest, DefinitionSetStoresItsValuesInOrder) {
    DDSURFACEDATA shared;
    DDSURFACEDEF def;
    DDSURFACEDEF& same = def.Set("bmp\\sys\\a.bmp", 1, 1, 2, &shared, 1, 1, 32, 16, 64, 48);
    EXPECT_EQ(&same, &def);
    EXPECT_STREQ(def.szFile, "bmp\\sys\\a.bmp");
    EXPECT_EQ(def.bColorKey, 1);
    EXPECT_EQ(def.bSystemMemory, 1);
    EXPECT_EQ(def.nMemoryType, 2);
    EXPECT_EQ(def.lpShared, &shared);
    EXPECT_EQ(def.bIndexMap, 1);
    EXPECT_EQ(def.bOptional, 1);
    EXPECT_EQ(def.nMirrorWidth, 32);
    EXPECT_EQ(def.nMirrorHeight, 16);
    EXPECT_EQ(def.nBlankWidth, 64);
    EXPECT_EQ(def.nBlankHeight, 48);

    // A name longer than the field is cut, never overrun.
    std::string longName(400, 'x');
    def.Set(longName.c_str(), 0, 0, 0, nullptr, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(std::strlen(def.szFile), kMaxPath - 1);
}

TEST_P(SurfaceLockTest, PitchIsInPixelsAndWritesLandOnThePixel) {
    // Padded rows expose code that takes the pitch for the width.
    plat::testing::SetPitchPadding(12);
    DDSURFACEDATA sd;
    ASSERT_TRUE(DDCreateSurface(&sd, 40, 30, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
    plat::testing::SetPitchPadding(0);
    const int bytes = gfxtest::Bpp(V()) / 8;
    {
        cSurfaceLock lock(&sd);
        ASSERT_NE(lock.Bits(), nullptr);
        EXPECT_EQ(lock.Bpp(), gfxtest::Bpp(V()));
        EXPECT_EQ(lock.BytesPerPixel(), bytes);
        EXPECT_EQ(lock.PitchPixels(), ImageOf(sd).Pitch() / bytes);
        EXPECT_GT(lock.PitchPixels() * bytes, sd.nTexWidth * bytes);
    }
    ASSERT_TRUE(gfxtest::WriteRaw(&sd, 5, 3, 0x5A));
    EXPECT_EQ(ImageOf(sd).Get(5, 3), 0x5Au);
    EXPECT_EQ(gfxtest::ReadRaw(&sd, 5, 3), 0x5Au);

    // A failed lock gives no bits and owes no unlock.
    plat::testing::FailNextLocks(1);
    {
        cSurfaceLock lock(&sd);
        EXPECT_EQ(lock.Bits(), nullptr);
    }
    EXPECT_FALSE(ImageOf(sd).Locked());
    DDReleaseSurface(&sd);
}

TEST_P(SurfaceLockTest, DDLockLocksOnlyBlitSurfaces) {
    uint8_t marker = 0;
    uint8_t* bits = &marker;
    int pitch = -1;
    if (gfxtest::IsD3D(V())) {
        // Nothing is locked, so nothing may be reported as locked.
        EXPECT_FALSE(DDLock(&g_BackBufferSD, &bits, &pitch, g_nBpp));
        EXPECT_EQ(bits, &marker);
        EXPECT_FALSE(g_BackBufferSD.lpDT->lpSurface->Pixels().Locked());
    } else {
        ASSERT_TRUE(DDLock(&g_OffScreenSD, &bits, &pitch, g_nBpp));
        EXPECT_NE(bits, &marker);
        EXPECT_EQ(pitch, g_OffScreenSD.lpDDS->lpSurface->Pixels().Pitch());
        EXPECT_TRUE(g_OffScreenSD.lpDDS->lpSurface->Pixels().Locked());
        DDUnlock(&g_OffScreenSD);
        EXPECT_FALSE(g_OffScreenSD.lpDDS->lpSurface->Pixels().Locked());
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, SurfaceLockTest, gfxtest::AllVariants(), gfxtest::VariantName);

TEST_P(D3DSurfaceLockTest, AliasLocksTheSurfaceItShares) {
    DDSURFACEDATA owner, alias;
    ASSERT_TRUE(DDCreateSurface(&owner, 32, 32, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    ASSERT_TRUE(DDCreateSurface(&alias, 32, 32, 1, 0, DTMEMORYTYPE_VIDEO_RT, &owner, 0));
    alias.lpMirrorSrc = &owner;
    {
        cSurfaceLock lock(&alias);
        EXPECT_EQ(lock.Surface(), &owner);
        ASSERT_NE(lock.Bits(), nullptr);
    }
    // Written through the alias, the render target's own texture has it.
    ASSERT_TRUE(gfxtest::WriteRaw(&alias, 2, 1, 0x1234));
    EXPECT_EQ(owner.lpDT->lpSurface->Pixels().Get(2, 1), 0x1234u);
    DDReleaseSurface(&alias);
    DDReleaseSurface(&owner);
}

TEST_P(D3DSurfaceLockTest, BackBufferLockGoesToTheVirtualBackBufferWhileItIsOn) {
    DDSetVirBackBuffer(1);
    {
        cSurfaceLock lock(&g_BackBufferSD);
        EXPECT_EQ(lock.Surface(), &g_VirBackBufferSD);
        ASSERT_NE(lock.Bits(), nullptr);
    }
    ASSERT_TRUE(gfxtest::WriteRaw(&g_BackBufferSD, 7, 9, 0x7E0));
    EXPECT_EQ(g_VirBackBufferSD.lpDT->lpSurface->Pixels().Get(7, 9), 0x7E0u);
    EXPECT_NE(g_BackBufferSD.lpDT->lpSurface->Pixels().Get(7, 9), 0x7E0u);
    lpDTCon->bVirBackBuffer = 0;  // off without the copy
    {
        cSurfaceLock lock(&g_BackBufferSD);
        EXPECT_EQ(lock.Surface(), &g_BackBufferSD);
    }
}

TEST_P(D3DSurfaceLockTest, FailedReadBackIsALockFailureAndWritesNothingBack) {
    DDSURFACEDATA rt;
    ASSERT_TRUE(DDCreateSurface(&rt, 16, 16, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    ASSERT_EQ(rt.lpDT->bRenderTarget, 1);
    ASSERT_TRUE(gfxtest::WriteRaw(&rt, 3, 3, 0x55));

    // A system copy the device cannot read back into.
    std::unique_ptr<plat::RasterSurface> wrong;
    ASSERT_EQ(lpDevice->CreateOffscreenPlain(8, 8, lpDTCon->textureFormat, &wrong), plat::DeviceResult::Ok);
    wrong->Pixels().FillRaw(0x66);
    std::swap(rt.lpDT->lpSystemSurface, wrong);
    {
        cSurfaceLock lock(&rt);
        EXPECT_EQ(lock.Bits(), nullptr);
    }
    std::swap(rt.lpDT->lpSystemSurface, wrong);
    EXPECT_EQ(rt.lpDT->lpSurface->Pixels().Get(3, 3), 0x55u);
    EXPECT_EQ(gfxtest::ReadRaw(&rt, 3, 3), 0x55u);
    DDReleaseSurface(&rt);
}

INSTANTIATE_TEST_SUITE_P(Variants, D3DSurfaceLockTest, ::testing::Values(Variant::D3D16, Variant::D3D32),
                         gfxtest::VariantName);
