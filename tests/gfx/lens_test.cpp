// The circle blit and the spherical lens, over the five display variants.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "effects_fixture.h"
#include "gfx/dd.h"
#include "gfx/dd_layer.h"
#include "gfx/dd_lens.h"
#include "gfx_fixture.h"

using gfxtest::Variant;

namespace {

constexpr uint32_t kBlack = 0xFF000000u;

using gfxtest::FillRaw;

class LensTest : public gfxtest::EffectTest {
protected:
    // Raw pixel n (0 <= n < 200) that every variant treats as opaque.
    uint32_t Opaque(int n) const {
        const auto v = static_cast<uint32_t>(n);
        switch (V()) {
            case Variant::D3D16: return 0x8000u | v;
            case Variant::D3D32: return 0xFF000000u | v;
            case Variant::DD8: return 1 + v;
            case Variant::DD16: return 0x0100u + v;
            case Variant::DD32: return 0x00010000u | v;
        }
        return 0;
    }
    // A raw pixel that the variant's transparency test rejects.
    uint32_t Transparent() const {
        switch (V()) {
            case Variant::D3D16: return 0x5EF7u;  // neither bit 15 nor bit 13
            case Variant::D3D32: return 0x00123456u;
            case Variant::DD8: return 0;
            case Variant::DD16: return 0xF81Fu;  // magenta in R5G6B5
            case Variant::DD32: return 0x00FF00FFu;
        }
        return 0;
    }
    void FillMark(DDSURFACEDATA* sd) { gfxtest::Fill(sd, Mark()); }
    static uint32_t Raw(DDSURFACEDATA* sd, int x, int y) { return gfxtest::ReadRaw(sd, x, y); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Lens

TEST_P(LensTest, LensReadsTheSourceAtTheMagnifiedOffsets) {
    DDSURFACEDATA* src = Blank(64, 64);
    DDSURFACEDATA* dest = Blank(100, 100);
    // Offsets round by adding a half and truncating toward zero, so a
    // negative offset comes out one nearer the centre than its mirror.
    struct Case {
        int radius, distance;
        std::vector<std::pair<int, int>> offsets;  // destination offset -> source offset
    };
    const Case cases[] = {
        {20, 5, {{0, 0}, {4, 1}, {-4, 0}, {10, 3}, {-10, -2}, {16, 7}, {-16, -6}, {19, 15}, {-19, -14}, {20, 20},
                 {-20, -20}}},
        {20, 100, {{0, 0}, {10, 10}, {-10, -9}, {20, 20}}},
        // Squares beyond 32 bits.
        {100000, 100000, {{0, 0}, {10, 7}, {-10, -6}}},
        {INT_MAX, INT_MAX, {{0, 0}, {10, 7}, {-10, -6}}},
    };
    // Centred, and near a corner so that the destination cuts the square
    // unevenly.
    for (auto [cx, cy] : {std::pair{50, 50}, std::pair{85, 12}})
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "R " << c.radius << " D " << c.distance << " at " << cx << "," << cy);
            for (bool rows : {false, true}) {
                // Source pixels tell their column (or their row).
                FillRaw(src, [&](int x, int y) { return Opaque(rows ? y : x); });
                FillMark(dest);
                ASSERT_TRUE(DDBltLens(dest, cx, cy, c.radius, c.distance, src, 30, 30, 0, 0, nullptr));
                for (auto [d, s] : c.offsets) {
                    const int x = rows ? cx : cx + d, y = rows ? cy + d : cy;
                    if (x < 0 || x >= 100 || y < 0 || y >= 100) continue;
                    EXPECT_EQ(Raw(dest, x, y), Opaque(30 + s)) << (rows ? "row " : "column ") << d;
                }
            }
        }
}

TEST_P(LensTest, DistanceZeroShowsTheCentreExceptOnTheRim) {
    DDSURFACEDATA* src = Blank(64, 64);
    DDSURFACEDATA* dest = Blank(100, 100);
    const auto at = [this](int x, int y) { return Opaque((x + 3 * y) % 197); };
    FillRaw(src, at);
    FillMark(dest);
    ASSERT_TRUE(DDBltLens(dest, 50, 50, 5, 0, src, 30, 30, 0, 0, nullptr));
    EXPECT_EQ(Raw(dest, 50, 50), at(30, 30));
    EXPECT_EQ(Raw(dest, 52, 48), at(30, 30));
    EXPECT_EQ(Raw(dest, 46, 50), at(30, 30));
    // Rim points (height 0) read their own position.
    EXPECT_EQ(Raw(dest, 55, 50), at(35, 30));
    EXPECT_EQ(Raw(dest, 53, 54), at(33, 34));
    EXPECT_EQ(Raw(dest, 46, 47), at(26, 27));
    // Outside the disc nothing is written.
    EXPECT_EQ(Raw(dest, 54, 54), Mark());
    EXPECT_EQ(Raw(dest, 56, 50), Mark());
}

TEST_P(LensTest, FlatOrNegativeLensesAndUnlockableSurfacesAreRefused) {
    DDSURFACEDATA* src = Blank(64, 64);
    DDSURFACEDATA* dest = Blank(100, 100);
    FillRaw(src, [&](int x, int) { return Opaque(x); });
    struct Case {
        int radius, distance;
        bool drawn;
    };
    // sqrt(D^2 + R^2) truncated must exceed D: at D = 100 from R = 15 on.
    const Case cases[] = {{-1, 5, false}, {5, -1, false}, {0, 0, false}, {14, 100, false}, {15, 100, true},
                          {1, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "R " << c.radius << " D " << c.distance);
        FillMark(dest);
        EXPECT_EQ(DDBltLens(dest, 50, 50, c.radius, c.distance, src, 30, 30, 0, 0, nullptr), c.drawn);
        EXPECT_EQ(Raw(dest, 50, 50), c.drawn ? Opaque(30) : Mark());
    }
    DDSURFACEDATA never;
    EXPECT_FALSE(DDBltLens(&never, 50, 50, 5, 1, src, 30, 30, 0, 0, nullptr));
    EXPECT_FALSE(DDBltLens(dest, 50, 50, 5, 1, &never, 30, 30, 0, 0, nullptr));
}

TEST_P(LensTest, HugeRadiusWorksOnlyOnTheDestinationAndShowsTheCentre) {
    DDSURFACEDATA* src = Blank(64, 64);
    DDSURFACEDATA* dest = Blank(100, 100);
    FillRaw(src, [&](int x, int y) { return Opaque(x + (y == 30 ? 0 : 100)); });
    FillMark(dest);
    // Every point of the surface lies near the centre of so large a lens,
    // where distance 1 shows the centre pixel.
    ASSERT_TRUE(DDBltLens(dest, 50, 50, INT_MAX, 1, src, 30, 30, 0, 0, nullptr));
    for (int y : {0, 50, 99})
        for (int x : {0, 50, 99}) EXPECT_EQ(Raw(dest, x, y), Opaque(30)) << x << "," << y;
    // A centre far outside the destination touches nothing.
    FillMark(dest);
    ASSERT_TRUE(DDBltLens(dest, INT_MIN, INT_MAX, 1000, 1, src, 30, 30, 0, 0, nullptr));
    EXPECT_EQ(Raw(dest, 0, 99), Mark());
}

TEST_P(LensTest, TransparencyAndClearFollowTheVariant) {
    DDSURFACEDATA* src = Blank(64, 64);
    DDSURFACEDATA* dest = Blank(100, 100);
    // Left of column 30 the source is transparent.
    FillRaw(src, [&](int x, int) { return x < 30 ? Transparent() : Opaque(x); });
    const bool d3d32 = V() == Variant::D3D32, d3d16 = V() == Variant::D3D16;
    for (int mode : {0, 1})
        for (int clear : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " clear " << clear);
            FillMark(dest);
            // R 5, D 10: (-2, 0) reads column 29, (0, -4) reads row -2 (outside
            // the source, centred on row 1), (5, 5) lies outside the disc.
            ASSERT_TRUE(DDBltLens(dest, 50, 50, 5, 10, src, 30, 1, mode, clear, nullptr));
            const uint32_t cleared = d3d32 && clear == 1 ? 0 : Mark();
            EXPECT_EQ(Raw(dest, 50, 50), Opaque(30));
            EXPECT_EQ(Raw(dest, 48, 50), d3d16 && mode == 0 ? Transparent() : cleared);
            EXPECT_EQ(Raw(dest, 50, 46), cleared);
            EXPECT_EQ(Raw(dest, 55, 55), cleared);
            EXPECT_EQ(Raw(dest, 44, 50), Mark());  // outside the lens square
        }
}

TEST_P(LensTest, ColourAddOnlyOnTheTextureDevice) {
    DDSURFACEDATA* src = Blank(16, 16);
    DDSURFACEDATA* dest = Blank(16, 16);
    const uint32_t pixel = V() == Variant::D3D16 ? 0x8000u | 30u << 10 | 2u << 5 | 1u
                         : V() == Variant::D3D32 ? 0xFFF01008u
                                                 : Opaque(7);
    FillRaw(src, [pixel](int, int) { return pixel; });
    const BlendPair add{0x00302010u, plat::kTopAdd};
    const BlendPair modulate{0x00302010u, plat::kTopModulate};
    uint32_t added = pixel;
    // 32 bits: bytes added and clamped, the destination's fourth byte kept;
    // 16 bits: the colour scaled to five bits (5, 3, 1), alpha bit set.
    if (V() == Variant::D3D32) added = (Mark() & 0xFF000000u) | 0xFF3018u;
    if (V() == Variant::D3D16) added = 0x8000u | 31u << 10 | 5u << 5 | 2u;
    for (const BlendPair* blend : {&add, &modulate}) {
        FillMark(dest);
        ASSERT_TRUE(DDBltLens(dest, 8, 8, 3, 3, src, 8, 8, 0, 0, blend));
        EXPECT_EQ(Raw(dest, 8, 8), blend == &add ? added : pixel);
    }
}

// ---------------------------------------------------------------------------
// Circle

namespace {
// Rows of a circle: the destination row offset and the columns [lo, hi)
// relative to the centre that show the source.
struct CircleRow {
    int dy, lo, hi;
};
}  // namespace

TEST_P(LensTest, CircleCopiesStripsOfTheRadiusBandAndBox) {
    DDSURFACEDATA* picture = Sheet("circle.bmp", 64, 64, 0, [](int x, int y) { return 6 + (x + 7 * y) % 200; });
    const auto rows = [](int from, int to, int lo, int hi) {
        std::vector<CircleRow> out;
        for (int dy = from; dy <= to; ++dy) out.push_back({dy, lo, hi});
        return out;
    };
    struct Case {
        const char* name;
        int r, band, hw, hh, scx;
        std::vector<CircleRow> shown;
    };
    // r 5: half-widths 3, 4, 4, 4, 4, 4 (centre row kept below 5), 4, 4, 4, 3
    // for rows -4 .. 4; row -5 has none.
    std::vector<CircleRow> smooth = rows(-3, 3, -4, 4);
    smooth.push_back({-4, -3, 3});
    smooth.push_back({4, -3, 3});
    std::vector<CircleRow> cutLeft = rows(-3, 3, -3, 4);
    cutLeft.push_back({-4, -3, 3});
    cutLeft.push_back({4, -3, 3});
    const Case cases[] = {
        {"smooth", 5, 1, 100, 100, 30, smooth},
        {"radius 1 shows nothing", 1, 1, 100, 100, 30, {}},
        // Bands of 3 from row 2 down: half-widths from rows 3, 0, -3.
        {"bands of 3", 5, 3, 100, 100, 30, rows(-4, 4, -4, 4)},
        // Bands of 4 from row 1: rows 1..4 and -3..0; -7 is past the radius.
        {"bands of 4", 5, 4, 100, 100, 30, rows(-3, 4, -4, 4)},
        // The box's bottom moves the first band up, its top moves the last down.
        {"bands in a low box", 5, 3, 100, 3, 30, rows(-3, 2, -4, 4)},
        {"narrow box", 5, 1, 2, 100, 30, rows(-4, 4, -2, 2)},
        // The source's left edge cuts the strips; the picture stays aligned.
        {"source edge", 5, 1, 100, 100, 3, cutLeft},
        {"huge radius fills the box", INT_MAX, 1, 10, 10, 30, rows(-10, 9, -10, 10)},
        {"band 0", 5, 0, 100, 100, 30, {}},
        {"negative radius", -5, 1, 100, 100, 30, {}},
    };
    const int cx = 100, cy = 100, scy = 30;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DDFillSurface(&g_BackBufferSD, 2);
        EXPECT_EQ(DDBltCircle(&g_BackBufferSD, cx, cy, c.hw, c.hh, c.r, c.band, picture, c.scx, scy, DDBLT_OPAQUE), 1);
        EXPECT_EQ(DDLayerDepth(), 0);
        for (int dy = -12; dy <= 12; ++dy)
            for (int dx = -12; dx <= 12; ++dx) {
                bool shown = false;
                for (const CircleRow& row : c.shown) shown |= row.dy == dy && dx >= row.lo && dx < row.hi;
                const uint32_t expected =
                    shown ? gfxtest::ReadArgb(picture, c.scx + dx, scy + dy) : kBlack;
                ASSERT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, cx + dx, cy + dy), expected) << dx << "," << dy;
            }
    }
}

TEST_P(LensTest, CircleHonoursTheSourceKeyAndTheDestinationEdge) {
    // Column 31 transparent.
    DDSURFACEDATA* picture = Sheet("keyed.bmp", 64, 64, 1, [](int x, int) { return x == 31 ? 0 : 3; });
    DDFillSurface(&g_BackBufferSD, 2);
    DDBltCircle(&g_BackBufferSD, 2, 2, 100, 100, 5, 1, picture, 30, 30, DDBLT_KEYED);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 2, 2), 0xFFFF0000u);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 3, 2), kBlack);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 6, 2), kBlack);
}

INSTANTIATE_TEST_SUITE_P(Variants, LensTest, gfxtest::AllVariants(), gfxtest::VariantName);

// On the texture device's 16-bit full-screen back buffer the lens repacks
// what it draws: red, green doubled into six bits, blue, no alpha.
class LensFullScreenTest : public gfxtest::FullScreen16Test {};

TEST_F(LensFullScreenTest, SixteenBitBackBufferIsRepacked) {
    DDSURFACEDATA* src = Texture(DTMEMORYTYPE_SYSTEM, 0x8000u | 31u << 10 | 10u << 5 | 1u);
    EXPECT_TRUE(DDBltLens(&g_BackBufferSD, 20, 20, 3, 3, src, 4, 4, 1, 0, nullptr));
    EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, 20, 20), 31u << 11 | 20u << 5 | 1u);
    // With the colour add the fields are clamped before the repacking.
    const BlendPair add{0x00000080u, plat::kTopAdd};
    EXPECT_TRUE(DDBltLens(&g_BackBufferSD, 20, 20, 3, 3, src, 4, 4, 1, 0, &add));
    EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, 20, 20), 31u << 11 | 20u << 5 | 16u);
}
