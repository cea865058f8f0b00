// Blits and clipping, over the five display variants.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include "gfx/dd.h"
#include "gfx_fixture.h"

using gfxtest::Variant;

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu,
                   kWhite = 0xFFFFFFFFu, kMagenta = 0xFFFF00FFu;

class BlitTest : public gfxtest::GfxTest {
protected:
    // An 8-bit sheet whose colour table is the known palette; pixel (x, y)
    // shows colour pattern(x, y).
    template <class Pattern>
    std::string Sheet(const char* name, int width, int height, Pattern pattern) {
        gfxtest::BmpPicture p = gfxtest::IndexedPicture(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                p.pixels[static_cast<size_t>(y * width + x)] = static_cast<uint32_t>(pattern(x, y));
        return gfxtest::WriteBmp(name, p);
    }
    bool Load(DDSURFACEDATA* sd, const std::string& file, int colorKey, DDSURFACEDATA* shared = nullptr,
              int mirrorWidth = 0) {
        return DDCreateSurfaceFromFile(sd, file.c_str(), colorKey, gfxtest::Bpp(V()), 0, DTMEMORYTYPE_VIDEO_RT, shared,
                                       0, mirrorWidth, 0, 0) == 0;
    }
};
class BlitD3DTest : public BlitTest {};

}  // namespace

// ---------------------------------------------------------------------------
// Clipping and mirror coordinates

TEST_P(BlitTest, ClipRules) {
    enum Backends { kBoth, kD3DOnly, kDDOnly };
    struct Rect {
        int x, y, w, h, sx, sy, sw, sh;
    };
    struct Case {
        const char* what;
        Backends backends;
        int srcWidth;  // source is srcWidth x 50; destination 640 x 480
        Rect in;
        bool result;
        Rect out;
    };
    const Case cases[] = {
        {"zero width", kBoth, 100, {0, 0, 0, 8, 0, 0, 0, 8}, false, {}},
        {"negative height", kBoth, 100, {0, 0, 8, -1, 0, 0, 8, -1}, false, {}},
        {"zero source width", kBoth, 100, {0, 0, 8, 8, 0, 0, 0, 8}, false, {}},
        {"far left", kBoth, 100, {INT_MIN, 0, 8, 8, 0, 0, 8, 8}, false, {}},
        {"far right and wide", kBoth, 100, {INT_MAX - 4, 0, INT_MAX, 8, 0, 0, INT_MAX, 8}, false, {}},
        {"far source", kBoth, 100, {0, 0, 8, 8, INT_MIN, INT_MIN, 8, 8}, false, {}},
        {"huge stretch", kBoth, 100, {0, 0, INT_MAX, INT_MAX, 0, 0, 8, 8}, false, {}},
        {"over the left edge", kBoth, 100, {-10, 5, 40, 8, 0, 0, 40, 8}, true, {0, 5, 30, 8, 10, 0, 30, 8}},
        {"over the top edge", kBoth, 100, {0, -3, 10, 8, 0, 0, 10, 8}, true, {0, 0, 10, 5, 0, 3, 10, 5}},
        {"over both edges", kBoth, 1000, {-10, 0, 700, 8, 0, 0, 700, 8}, true, {0, 0, 640, 8, 10, 0, 640, 8}},
        {"source left of its surface", kBoth, 100, {50, 0, 20, 8, -5, 0, 20, 8}, true, {50, 0, 15, 8, 0, 0, 15, 8}},
        {"source past its right", kBoth, 100, {50, 0, 20, 8, 90, 0, 20, 8}, true, {50, 0, 10, 8, 90, 0, 10, 8}},
        {"right of the destination", kBoth, 100, {700, 0, 10, 8, 0, 0, 10, 8}, false, {}},
        {"scaled, source cut", kD3DOnly, 100, {620, 0, 80, 16, 80, 0, 40, 8}, true, {620, 0, 40, 16, 80, 0, 20, 8}},
        {"scaled, source and destination cut", kDDOnly, 100, {620, 0, 80, 16, 80, 0, 40, 8}, true,
         {620, 0, 20, 16, 80, 0, 10, 8}},
        {"scaled over the left edge", kD3DOnly, 100, {-20, 0, 80, 8, 0, 0, 40, 8}, true, {-20, 0, 80, 8, 0, 0, 40, 8}},
        {"scaled over the left edge", kDDOnly, 100, {-20, 0, 80, 8, 0, 0, 40, 8}, true, {0, 0, 60, 8, 10, 0, 30, 8}},
        {"scaled wholly left", kDDOnly, 100, {-100, 0, 80, 8, 0, 0, 40, 8}, false, {}},
        {"mirrored", kD3DOnly, 100, {0, 0, 32, 8, 64, 0, -32, 8}, true, {0, 0, 32, 8, 64, 0, -32, 8}},
        {"mirrored, source cut", kD3DOnly, 100, {0, 0, 32, 8, 110, 0, -32, 8}, true, {0, 0, 22, 8, 100, 0, -22, 8}},
    };
    const bool d3d = gfxtest::IsD3D(V());
    for (const Case& c : cases) {
        if ((c.backends == kD3DOnly && !d3d) || (c.backends == kDDOnly && d3d)) continue;
        SCOPED_TRACE(c.what);
        DDSURFACEDATA dest, src;
        dest.nWidth = 640;
        dest.nHeight = 480;
        src.nWidth = c.srcWidth;
        src.nHeight = 50;
        Rect r = c.in;
        ASSERT_EQ(DDClipBlt(&dest, r.x, r.y, r.w, r.h, &src, r.sx, r.sy, r.sw, r.sh), c.result);
        if (!c.result) continue;
        EXPECT_EQ(r.x, c.out.x);
        EXPECT_EQ(r.y, c.out.y);
        EXPECT_EQ(r.w, c.out.w);
        EXPECT_EQ(r.h, c.out.h);
        EXPECT_EQ(r.sx, c.out.sx);
        EXPECT_EQ(r.sy, c.out.sy);
        EXPECT_EQ(r.sw, c.out.sw);
        EXPECT_EQ(r.sh, c.out.sh);
    }
}

TEST_P(BlitTest, MirrorCoordsFlipCellsOfSheetsThatShareATexture) {
    struct Case {
        int sx, sy, sw, sh;
        int ox, oy, ow, oh;
    };
    const Case cases[] = {
        {32, 0, 32, 8, 64, 0, -32, 8},   // a whole cell
        {40, 0, 8, 8, 56, 0, -8, 8},     // part of a cell
        {0, 0, 64, 8, 0, 0, 64, 8},      // wider than a cell: as it is
        {0, 16, 64, 16, 0, 16, 64, 16},  // no vertical cells
    };
    DDSURFACEDATA owner, sheet;
    sheet.lpMirrorSrc = &owner;
    sheet.nMirrorWidth = 32;
    for (const Case& c : cases) {
        int sx = c.sx, sy = c.sy, sw = c.sw, sh = c.sh;
        DDMirrorCoords(&sheet, sx, sy, sw, sh);
        if (gfxtest::IsD3D(V())) {
            EXPECT_EQ(sx, c.ox);
            EXPECT_EQ(sy, c.oy);
            EXPECT_EQ(sw, c.ow);
            EXPECT_EQ(sh, c.oh);
        } else {
            EXPECT_EQ(sx, c.sx);
            EXPECT_EQ(sw, c.sw);
        }
    }
    // Only sheets that share a texture are rewritten.
    int sx = 32, sy = 0, sw = 32, sh = 8;
    DDMirrorCoords(&owner, sx, sy, sw, sh);
    EXPECT_EQ(sx, 32);
    EXPECT_EQ(sw, 32);
}

// ---------------------------------------------------------------------------
// Pixels

TEST_P(BlitTest, SameSizeAndDoubledBlitsLandOnTheRightPixels) {
    const std::string file = Sheet("src.bmp", 64, 8, [](int x, int y) { return 6 + x + 64 * (y % 2); });
    DDSURFACEDATA src;
    ASSERT_TRUE(Load(&src, file, 0));
    DDFillSurface(&g_BackBufferSD, 2);

    DDBlt(&g_BackBufferSD, -10, 0, 40, 8, &src, 0, 0, DDBLT_OPAQUE);
    for (int x : {0, 1, 29})
        EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, x, 1), gfxtest::ReadArgb(&src, x + 10, 1)) << x;
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 30, 1), kBlack);

    DDBlt(&g_BackBufferSD, 630, 20, 20, 8, &src, 0, 0, DDBLT_OPAQUE);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 639, 27), gfxtest::ReadArgb(&src, 9, 7));

    DDStretchBlt(&g_BackBufferSD, 100, 40, 32, 16, &src, 4, 0, 16, 8, DDBLT_OPAQUE);
    for (int i : {0, 1, 2, 31})
        for (int j : {0, 1, 2, 15})
            EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 100 + i, 40 + j), gfxtest::ReadArgb(&src, 4 + i / 2, j / 2))
                << i << "," << j;
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 132, 40), kBlack);
    DDReleaseSurface(&src);
}

TEST_P(BlitTest, OpaqueCopiesShowTheTransparentColourAndKeyedCopiesKeepTheDestination) {
    // Left half transparent (colour 0), right half blue.
    const std::string file = Sheet("keyed.bmp", 8, 4, [](int x, int) { return x < 4 ? 0 : 5; });
    DDSURFACEDATA src, texture;
    ASSERT_TRUE(Load(&src, file, 1));
    ASSERT_TRUE(DDCreateSurface(&texture, 16, 16, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));

    DDFillSurface(&g_BackBufferSD, 3);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 4, &src, 0, 0, DDBLT_OPAQUE);
    DDBlt(&g_BackBufferSD, 20, 0, 8, 4, &src, 0, 0, DDBLT_KEYED);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 1, 1), kMagenta);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 5, 1), kBlue);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 21, 1), kRed);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 25, 1), kBlue);

    // Into a keyed texture the opaque copy makes the place transparent.
    DDFillSurface(&texture, 3);
    DDBlt(&texture, 0, 0, 8, 4, &src, 0, 0, DDBLT_OPAQUE);
    EXPECT_EQ(gfxtest::ReadRaw(&texture, 1, 1), gfxtest::IsD3D(V()) ? 0u : PalNumToRGB(0));
    EXPECT_EQ(gfxtest::ReadArgb(&texture, 5, 1), kBlue);
    EXPECT_EQ(gfxtest::ReadArgb(&texture, 9, 1), kRed);
    DDReleaseSurface(&src);
    DDReleaseSurface(&texture);
}

TEST_P(BlitTest, BlendPairAppliesToOneBlitAndTheDefaultsReturn) {
    const std::string file = Sheet("white.bmp", 4, 4, [](int, int) { return 1; });
    DDSURFACEDATA src;
    ASSERT_TRUE(Load(&src, file, 0));
    DDFillSurface(&g_BackBufferSD, 2);
    DDSetVertexColor(0x80FFFFFF);
    DDSetColorOp(plat::kTopAdd);
    const BlendPair pair{0xFF00FF00, plat::kTopModulate};
    DDBltBlend(&g_BackBufferSD, 0, 0, 4, 4, &src, 0, 0, DDBLT_OPAQUE, &pair);
    // White modulated by the pair's green; the blit surfaces ignore the pair.
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 1, 1), gfxtest::IsD3D(V()) ? kGreen : kWhite);
    if (lpDTCon) {
        EXPECT_EQ(lpDTCon->dwVertexColor, 0xFFFFFFFFu);
        EXPECT_EQ(lpDTCon->nColorOp, plat::kTopModulate);
    }
    DDReleaseSurface(&src);
}

TEST_P(BlitTest, BlitsOnSurfacesThatWereNeverMadeDoNothing) {
    const std::string file = Sheet("red.bmp", 4, 4, [](int, int) { return 3; });
    DDSURFACEDATA src, never, failed;
    ASSERT_TRUE(Load(&src, file, 0));
    ASSERT_FALSE(Load(&failed, "gone.bmp", 1));
    never.nWidth = never.nHeight = failed.nWidth = failed.nHeight = 4;
    DDFillSurface(&g_BackBufferSD, 2);
    for (DDSURFACEDATA* blank : {&never, &failed}) {
        DDBlt(&g_BackBufferSD, 0, 0, 4, 4, blank, 0, 0, DDBLT_KEYED);
        DDStretchBlt(&g_BackBufferSD, 0, 0, 8, 8, blank, 0, 0, 4, 4, DDBLT_OPAQUE);
        DDBlt(blank, 0, 0, 4, 4, &src, 0, 0, DDBLT_OPAQUE);
        DDStretchBlt(blank, 0, 0, 2, 2, &src, 0, 0, 4, 4, DDBLT_OPAQUE);
    }
    DDBlt(nullptr, 0, 0, 4, 4, &src, 0, 0, DDBLT_OPAQUE);
    EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, 1, 1), kBlack);
    DDReleaseSurface(&src);
    DDReleaseSurface(&failed);
}

INSTANTIATE_TEST_SUITE_P(Variants, BlitTest, gfxtest::AllVariants(), gfxtest::VariantName);

// ---------------------------------------------------------------------------
// Texture-device only

TEST_P(BlitD3DTest, MirrorSheetDrawsCellsFlipped) {
    const std::string file = Sheet("sheet.bmp", 64, 2, [](int x, int y) { return 6 + x + 64 * y; });
    DDSURFACEDATA sheet, mirror;
    ASSERT_TRUE(Load(&sheet, file, 0));
    ASSERT_TRUE(Load(&mirror, file, 0, &sheet, 32));
    mirror.lpMirrorSrc = &sheet;
    DDFillSurface(&g_BackBufferSD, 2);
    DDBlt(&g_BackBufferSD, 0, 0, 32, 2, &mirror, 32, 0, DDBLT_OPAQUE);
    DDBlt(&g_BackBufferSD, 0, 10, 8, 1, &mirror, 40, 0, DDBLT_OPAQUE);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, i, 1), gfxtest::ReadArgb(&sheet, 63 - i, 1)) << i;
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(gfxtest::ReadArgb(&g_BackBufferSD, i, 10), gfxtest::ReadArgb(&sheet, 55 - i, 0)) << i;
    DDReleaseSurface(&mirror);
    DDReleaseSurface(&sheet);
}

TEST_P(BlitD3DTest, LockedPathTakesThePixelBeforeEachMirroredOffset) {
    // A system texture as the source sends the blit through the locked path.
    DDSURFACEDATA src;
    ASSERT_TRUE(DDCreateSurface(&src, 32, 32, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
    const bool b16 = gfxtest::Bpp(V()) == 16;
    auto value = [b16](int x, int y) {
        return b16 ? 0x8000u | static_cast<uint32_t>(x + 32 * y) : 0xFF000000u | static_cast<uint32_t>(x + 32 * y);
    };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_TRUE(gfxtest::WriteRaw(&src, x, y, value(x, y)));

    DDStretchBlt(&g_BackBufferSD, 0, 0, 16, 1, &src, 20, 3, -16, 1, DDBLT_OPAQUE);
    DDStretchBlt(&g_BackBufferSD, 100, 10, 1, 16, &src, 5, 20, 1, -16, DDBLT_OPAQUE);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, i, 0), value(19 - i, 3)) << i;
        EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, 100, 10 + i), value(5, 19 - i)) << i;
    }
    DDReleaseSurface(&src);
}

TEST_P(BlitD3DTest, LockedKeyedCopySkipsOnlyTransparentPixels) {
    DDSURFACEDATA src, dest;
    ASSERT_TRUE(DDCreateSurface(&src, 8, 1, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
    ASSERT_TRUE(DDCreateSurface(&dest, 8, 1, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
    const bool b16 = gfxtest::Bpp(V()) == 16;
    // 16 bits: bit 15 or bit 13 makes a pixel visible; 32 bits: alpha.
    const uint32_t pixels16[] = {0x2000, 0x8000, 0x0000, 0x001F, 0xA3E0, 0x4000, 0x7FFF, 0xFFFF};
    const bool shown16[] = {true, true, false, false, true, false, true, true};
    const uint32_t pixels32[] = {0x01000000, 0xFF123456, 0x00000000, 0x00FFFFFF, 0x80FF0000, 0, 0, 0};
    const bool shown32[] = {true, true, false, false, true, false, false, false};
    const uint32_t mark = b16 ? 0x1234u : 0x12345678u;
    for (int x = 0; x < 8; ++x) {
        ASSERT_TRUE(gfxtest::WriteRaw(&src, x, 0, b16 ? pixels16[x] : pixels32[x]));
        ASSERT_TRUE(gfxtest::WriteRaw(&dest, x, 0, mark));
    }
    DDBlt(&dest, 0, 0, 8, 1, &src, 0, 0, DDBLT_KEYED);
    for (int x = 0; x < 8; ++x) {
        const bool shown = b16 ? shown16[x] : shown32[x];
        const uint32_t expected = shown ? (b16 ? pixels16[x] : pixels32[x]) : mark;
        EXPECT_EQ(gfxtest::ReadRaw(&dest, x, 0), expected) << x;
    }
    DDReleaseSurface(&src);
    DDReleaseSurface(&dest);
}

// The locked path copies a picture drawn at twice its size row by row:
// every pixel still takes source pixel (offset / 2) wherever both surfaces
// have it, also cut by odd counts on any side and through the key.
TEST_P(BlitD3DTest, LockedDoubledCopyTakesHalfTheOffsetOnBothSurfaces) {
    DDSURFACEDATA src;
    ASSERT_TRUE(DDCreateSurface(&src, 32, 32, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
    const bool b16 = gfxtest::Bpp(V()) == 16;
    // Every seventh pixel is transparent to a keyed copy.
    auto value = [b16](int x, int y) -> uint32_t {
        const bool shown = (x + 3 * y) % 7 != 0;
        const uint32_t n = static_cast<uint32_t>(x + 32 * y);
        if (b16) return (shown ? 0x8000u : 0u) | (n & 0x1FFF);
        return (shown ? 0xFF000000u : 0u) | n;
    };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_TRUE(gfxtest::WriteRaw(&src, x, y, value(x, y)));
    struct Case {
        int x, y, sx, sy, sw, sh;
    };
    const Case cases[] = {
        {10, 20, 0, 0, 32, 32},  // the whole picture
        {-3, -5, 5, 2, 11, 9},   // cut by odd counts on the left and at the top
        {631, 475, 20, 25, 9, 7},  // cut on the right and at the bottom
        {100, 40, -3, 29, 8, 5},   // the source rectangle reaching past both sides
    };
    // What was there before differs from row to row, so a row copied where
    // the key should let it show through is seen.
    auto mark = [b16](int, int y) { return (b16 ? 0x1200u : 0x12345600u) + static_cast<uint32_t>(y % 64); };
    for (bool keyed : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << (keyed ? "keyed " : "opaque ") << c.x << "," << c.y);
            const int x0 = std::max(c.x - 2, 0), x1 = std::min(c.x + 2 * c.sw + 2, 640);
            const int y0 = std::max(c.y - 2, 0), y1 = std::min(c.y + 2 * c.sh + 2, 480);
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) ASSERT_TRUE(gfxtest::WriteRaw(&g_BackBufferSD, x, y, mark(x, y)));
            DDStretchBlt(&g_BackBufferSD, c.x, c.y, 2 * c.sw, 2 * c.sh, &src, c.sx, c.sy, c.sw, c.sh,
                         keyed ? DDBLT_KEYED : DDBLT_OPAQUE);
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    const int i = x - c.x, j = y - c.y;
                    const int fx = c.sx + i / 2, fy = c.sy + j / 2;
                    uint32_t want = mark(x, y);
                    if (i >= 0 && i < 2 * c.sw && j >= 0 && j < 2 * c.sh && fx >= 0 && fx < 32 && fy >= 0 &&
                        fy < 32) {
                        const uint32_t v = value(fx, fy);
                        const bool shown = b16 ? (v & 0xA000) != 0 : (v >> 24) != 0;
                        if (!keyed || shown) want = v;
                    }
                    ASSERT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, x, y), want) << x << "," << y;
                }
            }
        }
    }
    DDReleaseSurface(&src);
}

INSTANTIATE_TEST_SUITE_P(Variants, BlitD3DTest, testing::Values(Variant::D3D16, Variant::D3D32),
                         gfxtest::VariantName);
