// Screen fades and palette helpers. The fades run over the five display
// variants and are checked by the pixels they leave on the back buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "gfx/dd.h"
#include "gfx/dd_fade.h"
#include "gfx_fixture.h"
#include "platform/picture_testing.h"

using gfxtest::Variant;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000;

uint32_t Rgb(DDSURFACEDATA* sd, int x, int y) { return gfxtest::ReadArgb(sd, x, y) & 0xFFFFFF; }

// White after one step at 60 degrees: black at alpha 35 over it (texture
// device), or level 221 of 256 (blit display), each in its depth's
// rounding.
uint32_t WhiteAt60(Variant v) {
    switch (v) {
        case Variant::D3D16: return 0xDEDEDE;
        case Variant::DD16: return 0xD6DBD6;
        default: return 0xDCDCDC;
    }
}

class FadeTest : public gfxtest::GfxTest {
protected:
    void SetUp() override {
        gfxtest::GfxTest::SetUp();
        if (HasFatalFailure()) return;
        // The angles outlive a test; end any fade a failed test left open.
        Out(10, 1);
        In(10, 1);
        RestorePalette();
    }
    static bool Out(double step, int finish = 0, uint8_t r = 0, uint8_t g = 0, uint8_t b = 0) {
        return DDFadeOut(g_BasePalette, 0, 255, r, g, b, step, g_Palette, finish);
    }
    static bool In(double step, int finish = 0, uint8_t r = 0, uint8_t g = 0, uint8_t b = 0) {
        return DDFadeIn(g_BasePalette, 0, 255, r, g, b, step, g_Palette, finish);
    }
    static void RestorePalette() {
        std::memcpy(g_BasePalette, g_Palette, sizeof g_Palette);
        if (g_lpDD) g_lpDD->SetPaletteEntries(0, 256, g_BasePalette);
    }
    static void White() { DDFillSurface(&g_BackBufferSD, 1); }
};

class FadeD3DTest : public FadeTest {};

// A palette whose entry i has red i, and flags 0.
std::vector<PALETTEENTRY> Ramp() {
    std::vector<PALETTEENTRY> p(256);
    for (int i = 0; i < 256; ++i) p[static_cast<size_t>(i)] = PALETTEENTRY{static_cast<uint8_t>(i), 10, 20, 0};
    return p;
}

}  // namespace

TEST_P(FadeTest, FadeOutStepsDownToTheColourAndEndsOnTheCallAtZero) {
    // Step 30: calls at 90, 60, 30 and 0 degrees, the fourth reports the end.
    White();
    EXPECT_FALSE(Out(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kWhite);
    White();
    EXPECT_FALSE(Out(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), WhiteAt60(V()));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 639, 479), WhiteAt60(V()));
    White();
    EXPECT_FALSE(Out(30));
    White();
    EXPECT_TRUE(Out(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kBlack);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 639, 479), kBlack);

    // The loaded colours stay where they were; only the shown copy fades.
    EXPECT_EQ(g_Palette[1].r, gfxtest::Bpp(V()) == 16 && !gfxtest::IsD3D(V()) ? 31 : 255);

    // The next fade starts afresh at 90 degrees.
    White();
    EXPECT_FALSE(Out(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kWhite);
    EXPECT_TRUE(Out(30, 1));
}

TEST_P(FadeTest, FadeInStepsUpFromTheColourAndEndsOnTheCallAtNinety) {
    White();
    EXPECT_FALSE(In(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kBlack);
    White();
    EXPECT_FALSE(In(30));
    White();
    EXPECT_FALSE(In(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), WhiteAt60(V()));
    White();
    EXPECT_TRUE(In(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kWhite);
    White();
    EXPECT_FALSE(In(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kBlack);
    EXPECT_TRUE(In(30, 1));
}

TEST_P(FadeTest, TrueColourBlitDisplaysFadeTheFrameTheFadeStartedFrom) {
    White();
    EXPECT_FALSE(Out(30));
    DDFillSurface(&g_BackBufferSD, 3);  // red drawn after the fade started
    EXPECT_FALSE(Out(30));
    uint32_t expected = 0;
    switch (V()) {
        case Variant::D3D16: expected = 0xDE0000; break;  // the quad darkens what is there
        case Variant::DD16: expected = 0xD6DBD6; break;   // the snapshot: white
        case Variant::DD32: expected = 0xDCDCDC; break;
        default: expected = 0xDC0000; break;              // texture device 32, palette
    }
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), expected);
    EXPECT_TRUE(Out(30, 1));
}

TEST_P(FadeTest, FinishJumpsToTheEndInOneCall) {
    // The texture device always fades to black; the blit display to the
    // colour given.
    White();
    EXPECT_TRUE(Out(10, 1, 255, 0, 0));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), gfxtest::IsD3D(V()) ? kBlack : kRed);

    RestorePalette();
    White();
    EXPECT_TRUE(In(10, 1, 255, 0, 0));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kWhite);

    // Both are back at their start: the next steps draw the start states.
    White();
    EXPECT_FALSE(Out(10));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kWhite);
    EXPECT_TRUE(Out(10, 1));
    RestorePalette();
    White();
    EXPECT_FALSE(In(10));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kBlack);
    EXPECT_TRUE(In(10, 1));
}

TEST_P(FadeTest, PaletteFadeChangesOnlyItsRangeOfTheShownPalette) {
    if (V() != Variant::DD8) GTEST_SKIP() << "8-bit blit display only";
    const PALETTEENTRY before4 = g_lpDD->Palette()[4];
    const PALETTEENTRY before0 = g_lpDD->Palette()[0];
    EXPECT_TRUE(DDFadeOut(g_BasePalette, 1, 3, 0, 0, 0, 30, g_Palette, 1));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(g_lpDD->Palette()[i].r, 0) << i;
        EXPECT_EQ(g_BasePalette[i].g, 0) << i;
        EXPECT_EQ(g_BasePalette[i].flags, PC_RESERVED) << i;
    }
    EXPECT_EQ(g_lpDD->Palette()[4].g, before4.g);
    EXPECT_EQ(g_lpDD->Palette()[0].b, before0.b);
    EXPECT_EQ(g_Palette[1].r, 255);
    EXPECT_TRUE(DDFadeIn(g_BasePalette, 1, 3, 0, 0, 0, 30, g_Palette, 1));
    EXPECT_EQ(g_lpDD->Palette()[1].r, 255);
}

TEST_P(FadeTest, PixelBlendOfTheBlitDisplay) {
    DDSURFACEDATA dest, src;
    ASSERT_TRUE(DDCreateSurface(&dest, 16, 8, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
    ASSERT_TRUE(DDCreateSurface(&src, 8, 8, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
    DDFillSurface(&dest, 2);
    const uint32_t destBefore = gfxtest::ReadRaw(&dest, 3, 3);

    if (gfxtest::IsD3D(V()) || V() == Variant::DD8) {
        // Nothing to do there: the texture device fades with a quad, the
        // palette display through its palette.
        EXPECT_EQ(DDFade_UnPal(&dest, 128, 255, 0, 0, &src), 1);
        EXPECT_EQ(gfxtest::ReadRaw(&dest, 3, 3), destBefore);
    } else {
        // Level 128 toward red. At 32 bits byte 3 of the destination stays;
        // at 16 bits each field goes to 8 bits and back.
        const bool deep = V() == Variant::DD32;
        ASSERT_TRUE(gfxtest::WriteRaw(&src, 3, 3, deep ? 0x00C08040u : 0xC408u));
        if (deep) {
            ASSERT_TRUE(gfxtest::WriteRaw(&dest, 3, 3, 0x7F000000u));
        }
        EXPECT_EQ(DDFade_UnPal(&dest, 128, 255, 0, 0, &src), 1);
        EXPECT_EQ(gfxtest::ReadRaw(&dest, 3, 3), deep ? 0x7FDF4020u : 0xD9E3u);
        // Beyond the smaller source nothing is read or written.
        EXPECT_EQ(gfxtest::ReadRaw(&dest, 12, 3), destBefore);

        // A surface that cannot be locked leaves the picture and unlocks
        // whatever was locked.
        const uint32_t blended = gfxtest::ReadRaw(&dest, 3, 3);
        {
            cSurfaceLock held(&src);
            EXPECT_EQ(DDFade_UnPal(&dest, 0, 0, 0, 0, &src), 0);
        }
        EXPECT_EQ(gfxtest::ReadRaw(&dest, 3, 3), blended);
        plat::testing::FailNextLocks(1);
        EXPECT_EQ(DDFade_UnPal(&dest, 0, 0, 0, 0, &src), 0);
        EXPECT_EQ(gfxtest::ReadRaw(&dest, 3, 3), blended);
    }
    DDReleaseSurface(&src);
    DDReleaseSurface(&dest);
}

INSTANTIATE_TEST_SUITE_P(Variants, FadeTest, gfxtest::AllVariants(), gfxtest::VariantName);

// ---------------------------------------------------------------------------
// Texture device only

TEST_P(FadeD3DTest, AFailedSceneKeepsTheAngleAndALockFailureSkipsOneStep) {
    White();
    EXPECT_FALSE(Out(30));  // 90
    // The device is in a scene the layer does not know of, so the layer's
    // own scene start fails.
    White();
    DDEndScene();
    ASSERT_EQ(lpDevice->BeginScene(), plat::DeviceResult::Ok);
    EXPECT_FALSE(Out(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kWhite);
    lpDevice->EndScene();
    White();
    EXPECT_FALSE(Out(30));  // still 60
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), WhiteAt60(V()));

    // 30 degrees: the quad cannot be written, so nothing is drawn, but the
    // fade goes on and ends on the next call.
    White();
    plat::testing::FailNextBufferLocks(1);
    EXPECT_FALSE(Out(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kWhite);
    EXPECT_TRUE(Out(30));
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 5), kBlack);
}

INSTANTIATE_TEST_SUITE_P(Variants, FadeD3DTest, ::testing::Values(Variant::D3D16, Variant::D3D32),
                         gfxtest::VariantName);

// ---------------------------------------------------------------------------
// Palette helpers

TEST(PaletteFadeTest, BlendsTheRangeTowardTheColour) {
    const std::vector<PALETTEENTRY> src = Ramp();
    struct Case {
        int first, last, level;
        int index;
        uint8_t red;  // expected red of entry `index`; colour is (100, 0, 0)
        bool changed;
    };
    const Case cases[] = {
        {0, 255, 256, 200, 200, true},   // the source
        {0, 255, 0, 200, 100, true},     // the colour
        {0, 255, 128, 200, 150, true},   // half way
        {0, 255, 128, 201, 150, true},   // (100*128 + 201*128) >> 8
        {10, 20, 0, 9, 0, false},        // outside the range
        {10, 20, 0, 21, 0, false},
        {-5, 300, 0, 255, 100, true},    // cut to the palette
        {20, 10, 0, 15, 0, false},       // empty range
        {0, 255, 400, 50, 50, true},     // level cut to 256
        {0, 255, -9, 50, 100, true},     // level cut to 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << ".." << c.last << " level " << c.level << " #" << c.index);
        std::vector<PALETTEENTRY> dest(256, PALETTEENTRY{0, 99, 99, 0});
        DDFadePalette(dest.data(), c.first, c.last, c.level, 100, 0, 0, src.data());
        const PALETTEENTRY& e = dest[static_cast<size_t>(c.index)];
        if (c.changed) {
            EXPECT_EQ(e.r, c.red);
            EXPECT_EQ(e.flags, PC_RESERVED);
        } else {
            EXPECT_EQ(e.g, 99);
        }
    }
    // In place.
    std::vector<PALETTEENTRY> same = Ramp();
    DDFadePalette(same.data(), 0, 255, 128, 0, 0, 0, same.data());
    EXPECT_EQ(same[200].r, 100);
    EXPECT_EQ(same[200].g, 5);
}

TEST(PaletteRotateTest, RotatesTheRangeUpOrDown) {
    const int savedBpp = g_nBpp;
    g_nBpp = 8;
    const std::vector<PALETTEENTRY> src = Ramp();
    struct Case {
        int first, last, count, direction;
        std::vector<std::pair<int, int>> moves;  // (entry, source entry it holds)
    };
    const Case cases[] = {
        {16, 31, 1, 0, {{16, 31}, {17, 16}, {31, 30}, {15, 15}, {32, 32}}},
        {16, 31, 1, 1, {{16, 17}, {30, 31}, {31, 16}, {15, 15}}},
        {16, 31, 3, 0, {{16, 29}, {18, 31}, {19, 16}}},
        {16, 31, 1, 2, {{16, 16}, {31, 31}}},             // other directions: the copy
        {16, 31, 17, 0, {{16, 31}, {17, 16}}},            // a whole turn more
        {16, 31, 16, 0, {{16, 16}, {31, 31}}},
        {16, 31, 0, 0, {{16, 16}}},
        {16, 31, -1, 0, {{16, 16}}},
        {-4, 3, 1, 0, {{0, 3}, {1, 0}, {4, 4}}},          // cut to the palette
        {250, 300, 2, 1, {{250, 252}, {254, 250}, {255, 251}}},
        {31, 16, 1, 0, {{16, 16}, {31, 31}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << ".." << c.last << " by " << c.count << " dir " << c.direction);
        std::vector<PALETTEENTRY> dest(256);
        DDRotatePalette(dest.data(), c.first, c.last, c.count, c.direction, src.data());
        for (const auto& [entry, from] : c.moves) EXPECT_EQ(dest[static_cast<size_t>(entry)].r, from) << entry;
        EXPECT_EQ(dest[100].r, 100);
    }

    // In place, as the colour cycling calls it.
    std::vector<PALETTEENTRY> same = Ramp();
    DDRotatePalette(same.data(), 208, 211, 1, 1, same.data());
    EXPECT_EQ(same[208].r, 209);
    EXPECT_EQ(same[211].r, 208);

    // 16 and 32 bits rotate as 8 does; 24 bits does nothing at all.
    for (const int bpp : {16, 32, 24}) {
        SCOPED_TRACE(bpp);
        g_nBpp = bpp;
        std::vector<PALETTEENTRY> dest(256, PALETTEENTRY{7, 7, 7, 7});
        DDRotatePalette(dest.data(), 16, 31, 1, 0, src.data());
        EXPECT_EQ(dest[16].r, bpp == 24 ? 7 : 31);
        EXPECT_EQ(dest[100].r, bpp == 24 ? 7 : 100);
    }
    g_nBpp = savedBpp;
}
