// Palette, transparent colour and pixel formats on every variant.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gfx/dd.h"
#include "gfx_fixture.h"
#include "platform/picture_testing.h"
#include "platform/presenter.h"

using gfxtest::Variant;

namespace {

uint32_t Rgb565Truncated(uint32_t rgb) {
    return (((rgb >> 16) & 0xFF) >> 3) << 11 | (((rgb >> 8) & 0xFF) >> 2) << 5 | ((rgb & 0xFF) >> 3);
}

bool SameEntry(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.flags == b.flags;
}

std::string Show(const PALETTEENTRY& e) {
    return "{" + std::to_string(e.r) + "," + std::to_string(e.g) + "," + std::to_string(e.b) + "," +
           std::to_string(e.flags) + "}";
}

// 5-bit truncation widened back the way the layer reads 16-bit textures.
uint8_t Via5Bits(uint8_t c) { return static_cast<uint8_t>((c >> 3) * 255 / 31); }

class PaletteTest : public gfxtest::GfxTest {};
class TrueColorPaletteTest : public gfxtest::GfxTest {};

}  // namespace

TEST_P(PaletteTest, PalNumToRGBPerVariant) {
    const uint32_t c200 = gfxtest::KnownRgb(200);
    struct Expect {
        uint32_t n0, n3, n200;
    };
    Expect e{};
    switch (V()) {
        case Variant::D3D16:
        case Variant::D3D32: e = {0, 0xFFFF0000u, 0xFF000000u | c200}; break;
        case Variant::DD8: e = {0, 3, 200}; break;
        case Variant::DD16: e = {0xF81F, 0xF800, Rgb565Truncated(c200)}; break;
        case Variant::DD32: e = {0x00FF00FF, 0x00FF0000, c200}; break;
    }
    EXPECT_EQ(PalNumToRGB(0), e.n0);
    EXPECT_EQ(PalNumToRGB(3), e.n3);
    EXPECT_EQ(PalNumToRGB(200), e.n200);
    EXPECT_EQ(PalNumToRGB(256), 0u);
    if (gfxtest::IsD3D(V())) {
        EXPECT_EQ(DDPalToRGB16(g_Palette[3]), 0);
    }
    // Under DirectDraw colour 0 is the colour key itself.
    if (V() == Variant::DD16 || V() == Variant::DD32) {
        EXPECT_EQ(PalNumToRGB(0), g_DDConfig.dwColorKey);
    }
}

TEST_P(PaletteTest, SetTransmitFromColour) {
    g_DDConfig.dwColorKey = 7;
    switch (V()) {
        case Variant::D3D16:
            // This depth takes texture-format field values.
            DDSetTransmit(31, 0, 16);
            EXPECT_EQ(lpDTCon->wTransmitOpaque_16, 0xFC10);
            EXPECT_EQ(lpDTCon->wTransmit_16, 0);
            EXPECT_EQ(lpDTCon->dwTransmit, 0u);
            break;
        case Variant::D3D32:
            DDSetTransmit(255, 0, 128);
            EXPECT_EQ(lpDTCon->dwTransmitOpaque, 0xFFFF0080u);
            EXPECT_EQ(lpDTCon->dwTransmit, 0u);
            EXPECT_EQ(lpDTCon->wTransmitOpaque_16, 0);
            EXPECT_EQ(lpDTCon->rgbTransmit.rgbtRed, 255);
            EXPECT_EQ(lpDTCon->rgbTransmit.rgbtBlue, 128);
            EXPECT_EQ(g_DDConfig.dwColorKey, 0u);
            break;
        case Variant::DD8:
            DDSetTransmit(255, 0, 128);
            EXPECT_EQ(g_DDConfig.dwColorKey, 7u);  // an index is set from a file only
            break;
        case Variant::DD16:
            DDSetTransmit(255, 0, 128);
            EXPECT_EQ(g_DDConfig.dwColorKey, 0xF80Fu);
            break;
        case Variant::DD32:
            DDSetTransmit(255, 0, 128);
            EXPECT_EQ(g_DDConfig.dwColorKey, 0x00FF0080u);
            EXPECT_EQ(lpDDCon->rgbTransmit.rgbtRed, 255);
            EXPECT_EQ(lpDDCon->rgbTransmit.rgbtGreen, 0);
            EXPECT_EQ(lpDDCon->rgbTransmit.rgbtBlue, 128);
            break;
    }
}

TEST_P(PaletteTest, SetTransmitFromTheTopLeftPixel) {
    gfxtest::BmpPicture bmp;
    bmp.width = 4;
    bmp.height = 4;
    bmp.bitCount = 8;
    bmp.colors.assign(256, PALETTEENTRY{9, 9, 9, 0});
    bmp.colors[0] = PALETTEENTRY{0x40, 0x50, 0x60, 0};
    bmp.colors[7] = PALETTEENTRY{0x10, 0x20, 0x30, 0};
    bmp.pixels.assign(16, 0);
    bmp.pixels[0] = 7;
    std::string file = gfxtest::WriteBmp("trans.bmp", bmp);

    ASSERT_EQ(DDSetTransmit(file.c_str()), 1);
    switch (V()) {
        case Variant::D3D16:
            // Colour-table entry 0 keys the 16-bit textures from now on.
            EXPECT_EQ(lpDTCon->rgbPalTransmit.rgbtRed, 0x40);
            EXPECT_EQ(lpDTCon->rgbPalTransmit.rgbtGreen, 0x50);
            EXPECT_EQ(lpDTCon->rgbPalTransmit.rgbtBlue, 0x60);
            EXPECT_EQ(lpDTCon->wTransmitOpaque_16, 0x8886);  // fields 2, 4, 6 and the alpha bit
            break;
        case Variant::D3D32:
            EXPECT_EQ(lpDTCon->dwTransmitOpaque, 0xFF102030u);
            EXPECT_EQ(lpDTCon->rgbTransmit.rgbtGreen, 0x20);
            break;
        case Variant::DD8: EXPECT_EQ(g_DDConfig.dwColorKey, 7u); break;
        case Variant::DD16: EXPECT_EQ(g_DDConfig.dwColorKey, 0x1106u); break;
        case Variant::DD32:
            EXPECT_EQ(g_DDConfig.dwColorKey, 0x00102030u);
            EXPECT_EQ(lpDDCon->rgbTransmit.rgbtRed, 0x10);
            EXPECT_EQ(lpDDCon->rgbTransmit.rgbtBlue, 0x30);
            break;
    }

    const uint32_t key = g_DDConfig.dwColorKey;
    EXPECT_EQ(DDSetTransmit("missing.bmp"), 0);
    EXPECT_EQ(g_DDConfig.dwColorKey, key);
}

TEST_P(PaletteTest, LoadPaletteFromAnEightBitBitmap) {
    // Table entry i and the block pixel of entry k = index 255 - k differ,
    // so the table and the block can be told apart; index 5 is the
    // transparent colour.
    std::vector<PALETTEENTRY> table(256);
    for (int i = 0; i < 256; ++i) {
        table[static_cast<size_t>(i)] =
            PALETTEENTRY{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3), 0};
    }
    table[5] = PALETTEENTRY{gfxtest::kKeyR, gfxtest::kKeyG, gfxtest::kKeyB, 0};
    gfxtest::BmpPicture bmp = gfxtest::PaletteBitmap(table);
    for (int k = 0; k < 256; ++k) {
        bmp.pixels[static_cast<size_t>((8 + k / 16) * 16 + k % 16)] = static_cast<uint32_t>(255 - k);
    }
    std::string file = gfxtest::WriteBmp("pal.bmp", bmp);

    PALETTEENTRY pal[256];
    for (PALETTEENTRY& e : pal) e = PALETTEENTRY{1, 2, 3, 4};
    ASSERT_TRUE(DDLoadPaletteFromFile(pal, file.c_str(), 1));

    for (int k = 0; k < 256; ++k) {
        const PALETTEENTRY& t = table[static_cast<size_t>(k)];
        const PALETTEENTRY& b = table[static_cast<size_t>(255 - k)];
        const bool keyed = 255 - k == 5;
        PALETTEENTRY want{};
        switch (V()) {
            case Variant::D3D32: want = keyed ? PALETTEENTRY{t.r, t.g, t.b, 255} : PALETTEENTRY{b.r, b.g, b.b, 255}; break;
            case Variant::D3D16:
                want = keyed ? PALETTEENTRY{t.r, t.g, t.b, 255}
                             : PALETTEENTRY{Via5Bits(b.r), Via5Bits(b.g), Via5Bits(b.b), 255};
                break;
            case Variant::DD8:
                want = PALETTEENTRY{t.r, t.g, t.b, (k < 10 || k >= 246) ? PC_EXPLICIT : PC_RESERVED};
                break;
            case Variant::DD16:
                want = PALETTEENTRY{static_cast<uint8_t>(b.r >> 3), static_cast<uint8_t>(b.g >> 2),
                                    static_cast<uint8_t>(b.b >> 3), 4};
                break;
            case Variant::DD32: want = PALETTEENTRY{b.r, b.g, b.b, 0}; break;
        }
        ASSERT_TRUE(SameEntry(pal[k], want)) << "entry " << k << " " << Show(pal[k]) << " want " << Show(want);
    }
    if (V() == Variant::DD8) {
        EXPECT_EQ(std::memcmp(g_lpDD->Palette(), pal, sizeof pal), 0);  // shown at once
    }
    EXPECT_FALSE(DDLoadPaletteFromFile(pal, "missing.bmp", 1));
}

TEST_P(PaletteTest, PaletteBlockOutsideASmallBitmapIsLeftAlone) {
    gfxtest::BmpPicture bmp;
    bmp.width = 16;
    bmp.height = 10;  // only block rows 0 and 1 exist
    bmp.bitCount = 24;
    bmp.pixels.assign(160, 0x102030);
    for (int k = 0; k < 32; ++k) bmp.pixels[static_cast<size_t>((8 + k / 16) * 16 + k % 16)] = 0x0A64C8u + (k << 16);
    std::string file = gfxtest::WriteBmp("small.bmp", bmp);

    DDSURFACEDATA sd;
    ASSERT_EQ(DDCreateSurfaceFromFile(&sd, file.c_str(), 0, g_nBpp, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0, 0, 0, 0), 0);
    PALETTEENTRY pal[256];
    const PALETTEENTRY sentinel{1, 2, 3, 4};
    for (PALETTEENTRY& e : pal) e = sentinel;
    EXPECT_EQ(DDSetPalette_UnPal(pal, &sd), 1);
    for (int k = 0; k < 256; ++k) {
        const bool changes = k < 32 && V() != Variant::DD8;  // 8 bits have no such read
        EXPECT_EQ(!SameEntry(pal[k], sentinel), changes) << "entry " << k << " " << Show(pal[k]);
    }
    DDReleaseSurface(&sd);
}

INSTANTIATE_TEST_SUITE_P(Variants, PaletteTest, gfxtest::AllVariants(), gfxtest::VariantName);

TEST_P(TrueColorPaletteTest, IndexMapFindsTheFirstMatchingEntry) {
    gfxtest::BmpPicture bmp;
    bmp.width = 5;
    bmp.height = 2;
    bmp.bitCount = 24;
    bmp.pixels = {gfxtest::KnownRgb(3), gfxtest::KnownRgb(4), 0x123456, gfxtest::KnownRgb(5), gfxtest::KnownRgb(1),
                  gfxtest::KnownRgb(2), 0x123456, gfxtest::KnownRgb(3), gfxtest::KnownRgb(1), gfxtest::KnownRgb(4)};
    // A later entry of the same colour never wins.
    g_Palette[77] = g_Palette[3];
    std::string file = gfxtest::WriteBmp("map.bmp", bmp);
    DDSURFACEDATA sd;
    ASSERT_EQ(DDCreateSurfaceFromFile(&sd, file.c_str(), 0, g_nBpp, 0, 0, nullptr, 0, 0, 0, 0), 0);
    int pitch = 0;
    {
        cSurfaceLock lock(&sd);
        ASSERT_NE(lock.Bits(), nullptr);
        pitch = lock.PitchPixels();
    }
    std::vector<uint8_t> map(3, 0xAA);
    ASSERT_EQ(DDMakePalIndexMap(map, &sd), 1);
    ASSERT_EQ(map.size(), static_cast<size_t>(2 * pitch));
    const uint8_t want[2][5] = {{3, 4, 0, 5, 1}, {2, 0, 3, 1, 4}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(map[static_cast<size_t>(y * pitch + x)], want[y][x]) << x << "," << y;
        }
    }
    DDReleaseSurface(&sd);
}

INSTANTIATE_TEST_SUITE_P(Variants, TrueColorPaletteTest,
                         ::testing::Values(Variant::D3D16, Variant::D3D32, Variant::DD16, Variant::DD32),
                         gfxtest::VariantName);

TEST(PixelFormatTest, ShiftsComeFromTheDisplayMasksAndAreSetNotAccumulated) {
    struct Case {
        int bpp;
        bool x1r5g5b5;
        PixelFormatTable want;
    };
    const Case cases[] = {
        {16, false, {11, 5, 0, 0, 31, 63, 31, 0}},
        {16, true, {10, 5, 0, 0, 31, 31, 31, 0}},
        {32, false, {16, 8, 0, 0, 255, 255, 255, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bpp * 10 + c.x1r5g5b5);
        plat::testing::ResetPictureFaults();
        plat::testing::SetDesktopDepth(c.bpp);
        plat::testing::UseX1R5G5B5ForBlit16(c.x1r5g5b5);
        plat::OpenFrameWindow("t", 640, 480, false);
        ASSERT_TRUE(DDInit(0, 0, 640, 480, c.bpp, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0));
        PixelFormatTable table{};
        table.nAlphaShift = 99;
        table.nAlphaMask = 98;
        for (int pass = 0; pass < 2; ++pass) {
            DDGetPixelFormat(table);
            EXPECT_EQ(table.nRedShift, c.want.nRedShift);
            EXPECT_EQ(table.nGreenShift, c.want.nGreenShift);
            EXPECT_EQ(table.nBlueShift, c.want.nBlueShift);
            EXPECT_EQ(table.nRedMask, c.want.nRedMask);
            EXPECT_EQ(table.nGreenMask, c.want.nGreenMask);
            EXPECT_EQ(table.nBlueMask, c.want.nBlueMask);
            EXPECT_EQ(table.nAlphaShift, 99);  // alpha is not the display's to say
            EXPECT_EQ(table.nAlphaMask, 98);
        }
        DDRelease();
        plat::CloseFrameWindow();
    }
    plat::testing::ResetPictureFaults();
}
