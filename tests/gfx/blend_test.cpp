// Colour change, translucency, tint and the blend table, over the five
// display variants.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "effects_fixture.h"
#include "gfx/dd.h"
#include "gfx/dd_blend.h"
#include "gfx/dd_layer.h"
#include "gfx_fixture.h"

using gfxtest::Variant;

namespace {

constexpr uint32_t kMark16 = 0x1234, kMark32 = 0x12345678;  // Mark() at 16 and 32 bits

using gfxtest::Fill;

class BlendTest : public gfxtest::EffectTest {
protected:
    void TearDown() override {
        std::memset(g_BlendTable, 0, sizeof g_BlendTable);
        gfxtest::EffectTest::TearDown();
    }
    // The red field of a raw pixel of the back buffer (5 bits at 16).
    static uint32_t BackRed(int x, int y) {
        const uint32_t raw = gfxtest::ReadRaw(&g_BackBufferSD, x, y);
        return g_nBpp == 16 ? (raw >> 10) & 31 : (raw >> 16) & 0xFF;
    }
};

// One locked-pixel case: source and destination raw pixels and the raw
// pixel expected afterwards.
struct PixelCase {
    const char* name;
    int mode;
    int strength;  // colour change; alpha for translucency
    uint32_t src, dest, expected;
    const BlendPair* blend = nullptr;
};

const BlendPair kAddRed{0x00100000u, plat::kTopAdd};

}  // namespace

// ---------------------------------------------------------------------------
// Blend table file

TEST(BlendTableTest, OnlyAWholeTableIsTaken) {
    orvtest::ScopedTempFolder folder;
    std::filesystem::create_directories("bmp/hbt");
    std::string whole(kBlendTableSize, '\0');
    for (size_t i = 0; i < whole.size(); ++i) whole[i] = static_cast<char>(i * 7 + i / 256);
    std::vector<uint8_t> table(kBlendTableSize, 0x5A);
    const std::vector<uint8_t> before = table;

    struct Case {
        const char* name;
        std::string bytes;  // "" with write = false: no file at all
        bool write;
        bool loaded;
    };
    const Case cases[] = {
        {"missing", "", false, false},
        {"empty", "", true, false},
        {"one byte short", whole.substr(0, kBlendTableSize - 1), true, false},
        {"whole", whole, true, true},
        {"longer", whole + "tail", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove("bmp/hbt/hbt03.dat");
        if (c.write) orvtest::WriteHostFile("bmp/hbt/hbt03.dat", c.bytes);
        table = before;
        EXPECT_EQ(DDLoadBlendTable(table.data(), "bmp\\hbt\\hbt03.dat"), c.loaded);
        if (c.loaded)
            EXPECT_EQ(std::memcmp(table.data(), whole.data(), kBlendTableSize), 0);
        else
            EXPECT_EQ(table, before);
    }
}

TEST(BlendTableTest, TextureDeviceReadsNothing) {
    orvtest::ScopedTempFolder folder;
    ASSERT_TRUE(gfxtest::StartLayer(Variant::D3D32));
    std::vector<uint8_t> table(kBlendTableSize, 0x5A);
    EXPECT_TRUE(DDLoadBlendTable(table.data(), "bmp\\hbt\\hbt00.dat"));
    EXPECT_EQ(table, std::vector<uint8_t>(kBlendTableSize, 0x5A));
    gfxtest::StopLayer();
}

// ---------------------------------------------------------------------------
// Colour change

TEST_P(BlendTest, ColourChangeOnLockedPixels) {
    DDSURFACEDATA* src = Blank(4, 2);
    DDSURFACEDATA* dest = Blank(8, 3);
    PALETTEENTRY palette[256] = {};
    std::vector<PixelCase> cases;
    const uint32_t mark = Mark();
    switch (V()) {
        case Variant::D3D32:
            palette[7] = {200, 200, 200, 0};
            // Strength 1 is the exact half; 2..4 mix by weights 64, 32, 16 of
            // 255; from 5 on only the colour is left. Alpha becomes 255.
            cases = {{"half", 0, 1, 0x80646464u, mark, 0xFF969696u},
                     {"strength 2", 0, 2, 0xFF646464u, mark, 0xFFAEAEAEu},
                     {"strength 3", 0, 3, 0xFF646464u, mark, 0xFFBBBBBBu},
                     {"strength 4", 0, 4, 0xFF646464u, mark, 0xFFC1C1C1u},
                     {"strength 9", 0, 9, 0xFF646464u, mark, 0xFFC8C8C8u},
                     {"transparent, mode 0", 0, 1, 0x00646464u, mark, 0xFF969696u},
                     {"transparent, mode 1", 1, 1, 0x00646464u, mark, mark},
                     {"colour added first", 0, 1, 0xFF646464u, mark, 0xFF9E9696u, &kAddRed}};
            break;
        case Variant::D3D16:
            // The colour in five-bit fields: 31, 0, 15.
            palette[7] = {255, 0, 128, 0};
            cases = {{"half", 0, 1, 0x8000u | 10u << 10 | 20u << 5 | 3u, mark, 0x8000u | 20u << 10 | 10u << 5 | 9u},
                     {"strength 2", 0, 2, 0x8000u | 10u << 10 | 20u << 5 | 3u, mark,
                      0x8000u | 25u << 10 | 5u << 5 | 11u},
                     {"strength 5", 0, 5, 0x8000u | 10u << 10 | 20u << 5 | 3u, mark, 0x8000u | 31u << 10 | 15u},
                     {"transparent, mode 1", 1, 1, 0x5EF7u, mark, mark},
                     {"colour added first", 0, 1, 0x8000u | 10u << 10 | 20u << 5 | 3u, mark,
                      0x8000u | 21u << 10 | 10u << 5 | 9u, &kAddRed}};
            break;
        case Variant::DD32:
            // Halving toward 255, 0, 128; the fourth byte stays the
            // destination's; many halvings settle one below a rising target.
            palette[7] = {255, 0, 128, 0};
            cases = {{"strength 1", 0, 1, 0x0000FF40u, mark, 0x127F7F60u},
                     {"strength 2", 0, 2, 0x0000FF40u, mark, 0x12BF3F70u},
                     {"strength 1000", 0, 1000, 0x0000FF40u, mark, 0x12FE007Fu},
                     {"key, mode 1", 1, 1, 0x00FF00FFu, mark, mark},
                     {"blend ignored", 0, 1, 0x0000FF40u, mark, 0x127F7F60u, &kAddRed}};
            break;
        case Variant::DD16:
            // Raw R5G6B5 fields 31, 0, 16, mixed on the 8-bit scale.
            palette[7] = {31, 0, 16, 0};
            cases = {{"strength 1", 0, 1, 63u << 5 | 10u, mark, 15u << 11 | 31u << 5 | 12u},
                     {"strength 2", 0, 2, 63u << 5 | 10u, mark, 23u << 11 | 15u << 5 | 14u},
                     {"key, mode 1", 1, 2, 0xF81Fu, mark, mark}};
            break;
        case Variant::DD8:
            // Each step goes one index up through the table of colour 7.
            for (int p = 0; p < 256; ++p) g_BlendTable[7 + p * 256] = static_cast<uint8_t>(p + 1);
            cases = {{"strength 1", 0, 1, 10, mark, 11},
                     {"strength 3", 0, 3, 10, mark, 13},
                     {"strength 1000", 0, 1000, 10, mark, static_cast<uint32_t>((10 + 1000) % 256)},
                     {"key, mode 1", 1, 3, 0, mark, mark},
                     {"key, mode 0", 0, 3, 0, mark, 3}};
            break;
    }
    // No strength, no change, on every variant.
    cases.push_back({"strength 0", 0, 0, gfxtest::Bpp(V()) == 8 ? 10u : 0xFFFFFFFFu, mark, mark});
    cases.push_back({"strength -1", 0, -1, gfxtest::Bpp(V()) == 8 ? 10u : 0xFFFFFFFFu, mark, mark});

    for (const PixelCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fill(src, c.src);
        Fill(dest, c.dest);
        // The colour number's low byte picks the entry. The rectangle sticks
        // out of the source on the right and of the destination at the top:
        // only pixels inside both are written.
        EXPECT_TRUE(DDBltColorChange(dest, 3, -1, 4, 3, src, 1, 0, c.mode, palette, g_BlendTable, 0x107, c.strength,
                                     c.blend));
        EXPECT_EQ(gfxtest::ReadRaw(dest, 3, 0), c.expected);
        EXPECT_EQ(gfxtest::ReadRaw(dest, 5, 0), c.expected);
        EXPECT_EQ(gfxtest::ReadRaw(dest, 6, 0), c.dest);  // source column 4 does not exist
        EXPECT_EQ(gfxtest::ReadRaw(dest, 5, 1), c.dest);  // nor source row 2
        EXPECT_EQ(gfxtest::ReadRaw(dest, 2, 0), c.dest);
    }
    if (V() == Variant::DD16) {
        // An entry beyond the raw fields (as a fade toward an 8-bit colour
        // leaves it) saturates each field instead of wrapping.
        palette[9] = {255, 200, 0, 0};
        Fill(src, 0u);
        Fill(dest, mark);
        EXPECT_TRUE(DDBltColorChange(dest, 0, 0, 1, 1, src, 0, 0, 0, palette, g_BlendTable, 9, 1, nullptr));
        EXPECT_EQ(gfxtest::ReadRaw(dest, 0, 0), 31u << 11 | 63u << 5);
    }
}

TEST_P(BlendTest, MixingBlitsFailOnSurfacesThatCannotBeLocked) {
    DDSURFACEDATA* src = Blank(4, 4);
    DDSURFACEDATA never;
    EXPECT_FALSE(DDBltColorChange(&never, 0, 0, 4, 4, src, 0, 0, 0, g_BasePalette, g_BlendTable, 1, 1, nullptr));
    EXPECT_FALSE(DDBltColorChange(src, 0, 0, 4, 4, &never, 0, 0, 0, g_BasePalette, g_BlendTable, 1, 1, nullptr));
    EXPECT_FALSE(DDBltHalf(&never, 0, 0, 4, 4, src, 0, 0, 0, g_BlendTable));
    EXPECT_FALSE(DDBltHalf(src, 0, 0, 4, 4, &never, 0, 0, 0, g_BlendTable));
}

// ---------------------------------------------------------------------------
// Translucency

TEST_P(BlendTest, TranslucencyOnLockedPixelsMixesHalfAndHalf) {
    DDSURFACEDATA* src = Blank(2, 2);
    DDSURFACEDATA* dest = Blank(2, 2);
    std::vector<uint8_t> table(kBlendTableSize);
    for (int s = 0; s < 256; ++s)
        for (int d = 0; d < 256; ++d) table[static_cast<size_t>(s + d * 256)] = static_cast<uint8_t>(s + 2 * d + 1);
    std::vector<PixelCase> cases;
    switch (V()) {
        case Variant::D3D32:
            cases = {{"mix", 0, 0, 0xFF204060u, kMark32, 0xFF2A4B6Cu},
                     {"white over black", 0, 255, 0xFFFFFFFFu, 0xFF000000u, 0xFF7F7F7Fu},
                     {"transparent, mode 1", 1, 0, 0x00204060u, kMark32, kMark32},
                     {"transparent, mode 0", 0, 0, 0x00204060u, kMark32, 0xFF2A4B6Cu}};
            break;
        case Variant::D3D16:
            // 0x1234 holds fields 4, 17, 20.
            cases = {{"mix", 0, 0, 0x8000u | 20u << 10 | 10u << 5 | 4u, kMark16, 0x8000u | 12u << 10 | 13u << 5 | 12u},
                     {"transparent, mode 1", 1, 0, 0x5EF7u, kMark16, kMark16}};
            break;
        case Variant::DD32:
            cases = {{"mix keeps the fourth byte", 0, 0, 0x00204060u, kMark32, 0x122A4B6Cu},
                     {"white over black", 0, 128, 0x00FFFFFFu, 0x00000000u, 0x007F7F7Fu},
                     {"over the key", 0, 0, 0x00204060u, 0x00FF00FFu, 0x00204060u},
                     {"key, mode 1", 1, 0, 0x00FF00FFu, kMark32, kMark32}};
            break;
        case Variant::DD16:
            cases = {{"mix", 0, 0, 31u << 11 | 10u, 63u << 5 | 20u, 15u << 11 | 31u << 5 | 14u},
                     {"over the key", 0, 0, 31u << 11 | 10u, 0xF81Fu, 31u << 11 | 10u},
                     {"key, mode 1", 1, 0, 0xF81Fu, kMark16, kMark16}};
            break;
        case Variant::DD8:
            // Index 0 is empty: copied into, skipped in mode 1.
            cases = {{"table", 0, 0, 10, 20, 51},
                     {"over index 0", 0, 0, 10, 0, 10},
                     {"index 0, mode 1", 1, 0, 0, 20, 20},
                     {"index 0, mode 0", 0, 0, 0, 20, 41}};
            break;
    }
    for (const PixelCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fill(src, c.src);
        Fill(dest, c.dest);
        // Locked pixels mix half and half whatever the alpha.
        EXPECT_TRUE(DDBltAlpha(dest, 0, 0, 2, 2, src, 0, 0, c.mode, table.data(), c.strength));
        EXPECT_EQ(gfxtest::ReadRaw(dest, 1, 1), c.expected);
        Fill(dest, c.dest);
        EXPECT_TRUE(DDBltHalf(dest, 0, 0, 2, 2, src, 0, 0, c.mode, table.data()));
        EXPECT_EQ(gfxtest::ReadRaw(dest, 0, 0), c.expected);
    }
}

// ---------------------------------------------------------------------------
// Tint

TEST_P(BlendTest, TintCoversTheWholeBackBufferOnTheTextureDeviceOnly) {
    struct Case {
        int alpha;
        uint32_t d3d32;  // expected pixel at 32 bits
        uint32_t red16;  // expected red field at 16 bits
    };
    // Blue over red: alpha 0 is the colour, 255 changes nothing, 128 lays
    // the colour on at 127 of 255.
    const Case cases[] = {{0, 0xFF0000FFu, 0}, {255, 0xFFFF0000u, 31}, {128, 0xFF80007Fu, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alpha);
        DDFillSurface(&g_BackBufferSD, 3);
        const uint32_t before = gfxtest::ReadRaw(&g_BackBufferSD, 0, 0);
        EXPECT_EQ(DDChangeColor(&g_BackBufferSD, 10, 10, 20, 20, c.alpha, 0, 0, 255), 1);
        for (auto [x, y] : {std::pair{0, 0}, std::pair{639, 479}, std::pair{320, 7}}) {
            if (!gfxtest::IsD3D(V()))
                EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, x, y), before);
            else if (V() == Variant::D3D32)
                EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, x, y) | 0xFF000000u, c.d3d32);
            else
                EXPECT_EQ(BackRed(x, y), c.red16);
        }
    }
}

// ---------------------------------------------------------------------------
// Quad path (texture device: a render target from a video texture)

class BlendQuadTest : public BlendTest {};

TEST_P(BlendQuadTest, ColourChangeWeighsTheTextureByStrength) {
    // White picture, keyed column 0, pulled toward black (colour 2).
    DDSURFACEDATA* picture = Sheet("white.bmp", 8, 8, 1, [](int x, int) { return x == 0 ? 0 : 1; });
    const uint32_t weights[] = {128, 80, 48, 16, 0};
    for (int strength = 1; strength <= 5; ++strength) {
        SCOPED_TRACE(strength);
        DDFillSurface(&g_BackBufferSD, 4);
        const uint32_t green = gfxtest::ReadRaw(&g_BackBufferSD, 10, 10);
        EXPECT_TRUE(DDBltColorChange(&g_BackBufferSD, 10, 10, 8, 8, picture, 0, 0, 1, g_BasePalette, g_BlendTable, 2,
                                     strength, nullptr));
        const uint32_t w = weights[strength - 1];
        EXPECT_EQ(BackRed(12, 12), V() == Variant::D3D16 ? w >> 3 : w);
        EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, 10, 12), green);  // keyed texel
    }
    DDFillSurface(&g_BackBufferSD, 4);
    const uint32_t green = gfxtest::ReadRaw(&g_BackBufferSD, 12, 12);
    EXPECT_TRUE(DDBltColorChange(&g_BackBufferSD, 10, 10, 8, 8, picture, 0, 0, 1, g_BasePalette, g_BlendTable, 2, 0,
                                 nullptr));
    EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, 12, 12), green);
}

TEST_P(BlendQuadTest, TranslucencyAlphaIsTheTransparencyOfTheQuad) {
    DDSURFACEDATA* picture = Sheet("white.bmp", 8, 8, 0, [](int, int) { return 1; });
    struct Case {
        int alpha;
        uint32_t red;  // 8-bit red expected over black
    };
    const Case cases[] = {{255, 0}, {0, 255}, {128, 127}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alpha);
        DDFillSurface(&g_BackBufferSD, 2);
        EXPECT_TRUE(DDBltAlpha(&g_BackBufferSD, 10, 10, 8, 8, picture, 0, 0, 1, g_BlendTable, c.alpha));
        EXPECT_EQ(BackRed(13, 13), V() == Variant::D3D16 ? c.red >> 3 : c.red);
        EXPECT_EQ(BackRed(18, 13), 0u);
        EXPECT_EQ(lpDevice->Stage().alphaOp, plat::kTopSelectArg1);
    }
}

TEST_P(BlendQuadTest, QuadsDrawAtOnceUnderAnOpenLayer) {
    // Only the plain blits queue in a layer; the mixing quads draw as they
    // are called and so end up under the queued blits.
    DDSURFACEDATA* white = Sheet("white.bmp", 8, 8, 0, [](int, int) { return 1; });
    DDSURFACEDATA* red = Sheet("red.bmp", 8, 8, 0, [](int, int) { return 3; });
    DDFillSurface(&g_BackBufferSD, 2);
    DDBeginLayer(0);
    DDBlt(&g_BackBufferSD, 10, 10, 8, 8, red, 0, 0, DDBLT_OPAQUE);
    EXPECT_TRUE(DDBltHalf(&g_BackBufferSD, 10, 10, 8, 8, white, 0, 0, 0, g_BlendTable));
    EXPECT_TRUE(DDBltColorChange(&g_BackBufferSD, 30, 10, 8, 8, white, 0, 0, 0, g_BasePalette, g_BlendTable, 2, 1,
                                 nullptr));
    const uint32_t half = V() == Variant::D3D16 ? 15 : 127, changed = V() == Variant::D3D16 ? 16 : 128;
    EXPECT_EQ(BackRed(13, 13), half);
    EXPECT_EQ(BackRed(33, 13), changed);
    DDEndLayer();
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 13, 13) | 0xFF000000u, 0xFFFF0000u);
    EXPECT_EQ(BackRed(33, 13), changed);
}

TEST_P(BlendQuadTest, TintOfATextureModulatesItAcrossTheWholeDestination) {
    // Left half white, right half black; the texture repeats across the
    // screen, so column 64 shows texel 0 again.
    DDSURFACEDATA* picture = Sheet("halves.bmp", 64, 64, 0, [](int x, int) { return x < 32 ? 1 : 2; });
    DDFillSurface(&g_BackBufferSD, 3);
    EXPECT_EQ(DDChangeColorEx(&g_BackBufferSD, 0, 0, 640, 480, picture, 0, 0, 0, 255), 1);
    const uint32_t blue = V() == Variant::D3D16 ? 0x801Fu : 0xFF0000FFu;
    const uint32_t black = V() == Variant::D3D16 ? 0x8000u : 0xFF000000u;
    const auto at = [](int x, int y) {
        const uint32_t raw = gfxtest::ReadRaw(&g_BackBufferSD, x, y);
        return g_nBpp == 16 ? raw | 0x8000u : raw | 0xFF000000u;
    };
    EXPECT_EQ(at(5, 5), blue);
    EXPECT_EQ(at(40, 5), black);
    EXPECT_EQ(at(64 + 5, 300), blue);
    EXPECT_EQ(at(639, 479), black);
}

INSTANTIATE_TEST_SUITE_P(Variants, BlendTest, gfxtest::AllVariants(), gfxtest::VariantName);
INSTANTIATE_TEST_SUITE_P(Variants, BlendQuadTest, testing::Values(Variant::D3D16, Variant::D3D32),
                         gfxtest::VariantName);

// ---------------------------------------------------------------------------

// The texture device's 16-bit full-screen back buffer has its own layout:
// results are packed red, green in six bits, blue, without alpha.
class BlendFullScreenTest : public gfxtest::FullScreen16Test {};

TEST_F(BlendFullScreenTest, SixteenBitBackBufferTakesTheSixBitGreenField) {
    const auto rgb565 = [](uint32_t r, uint32_t g, uint32_t b) { return r << 11 | g << 5 | b; };
    PALETTEENTRY palette[256] = {};
    palette[7] = {255, 0, 128, 0};  // fields 31, 0, 15

    // Colour change: the exact half puts the sum into the green field.
    DDSURFACEDATA* src = Texture(DTMEMORYTYPE_SYSTEM, 0x8000u | 10u << 10 | 21u << 5 | 3u);
    EXPECT_TRUE(DDBltColorChange(&g_BackBufferSD, 0, 0, 8, 8, src, 0, 0, 0, palette, g_BlendTable, 7, 1, nullptr));
    EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, 3, 3), rgb565(20, 21, 9));
    EXPECT_TRUE(DDBltColorChange(&g_BackBufferSD, 0, 0, 8, 8, src, 0, 0, 0, palette, g_BlendTable, 7, 2, nullptr));
    EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, 3, 3), rgb565(25, 10, 11));

    // Translucency reads the destination in its own layout.
    ASSERT_TRUE(gfxtest::WriteRaw(&g_BackBufferSD, 20, 20, rgb565(4, 40, 20)));
    Fill(src, 0x8000u | 20u << 10 | 10u << 5 | 4u);
    EXPECT_TRUE(DDBltHalf(&g_BackBufferSD, 20, 20, 1, 1, src, 0, 0, 0, g_BlendTable));
    EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, 20, 20), rgb565(12, 30, 12));
}
