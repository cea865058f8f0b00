// The rotated blit over the five display variants: the fixed-point pixel
// path everywhere, and the turned quad of the texture device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>

#include "gfx/dd.h"
#include "gfx/dd_layer.h"
#include "gfx/dd_rotate.h"
#include "gfx_fixture.h"
#include "platform/picture_testing.h"

using gfxtest::Variant;

namespace {

// The picture: 20 x 12 pixels, each a distinct value, turned about its
// centre.
constexpr int kW = 20, kH = 12, kPx = kW / 2, kPy = kH / 2;
constexpr int kMark = 239;  // destination pixels nothing was drawn on

class RotateTest : public gfxtest::SheetTest {
protected:
    void SetUp() override {
        gfxtest::SheetTest::SetUp();
        // Padded rows catch code that takes the pitch for the width.
        plat::testing::SetPitchPadding(12);
    }

    // Raw pixel showing number k (0 .. 239), drawn in every variant's
    // transparency rule; Number reads it back (-1 for anything else).
    uint32_t Value(int k) const {
        const uint32_t v = static_cast<uint32_t>(k) + 1;
        switch (V()) {
            case Variant::D3D32: return 0xFF000000u | v;
            case Variant::D3D16: return 0x8000u | v;
            default: return v;
        }
    }
    int Number(uint32_t raw) const {
        switch (V()) {
            case Variant::D3D32: raw &= 0xFFFFFFu; break;
            case Variant::D3D16: raw &= 0x7FFFu; break;
            default: break;
        }
        return raw >= 1 && raw <= 240 ? static_cast<int>(raw) - 1 : -1;
    }
    // The value of a transparent source pixel.
    uint32_t Key() const { return gfxtest::IsD3D(V()) ? 0u : g_DDConfig.dwColorKey; }

    DDSURFACEDATA* Surface(int w, int h, int memoryType) {
        DDSURFACEDATA* sd = &m_surfaces.emplace_back();
        const int system = memoryType == DTMEMORYTYPE_SYSTEM;
        EXPECT_TRUE(DDCreateSurface(sd, w, h, 0, system, memoryType, nullptr, 0));
        return sd;
    }
    // The picture; under the texture device a system-memory texture sends
    // the blit through the pixel path, a render target through the quad.
    DDSURFACEDATA* Picture(int memoryType = DTMEMORYTYPE_SYSTEM, int w = kW, int h = kH) {
        DDSURFACEDATA* sd = Surface(w, h, memoryType);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) EXPECT_TRUE(gfxtest::WriteRaw(sd, x, y, Value(x + w * y)));
        return sd;
    }
    void Mark(DDSURFACEDATA* sd, int x0, int y0, int w, int h) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) ASSERT_TRUE(gfxtest::WriteRaw(sd, x, y, Value(kMark)));
    }
    int At(DDSURFACEDATA* sd, int x, int y) const { return Number(gfxtest::ReadRaw(sd, x, y)); }
};
class RotateD3DTest : public RotateTest {};

// Maps an offset (dx, dy) from the landing point to the picture pixel it
// must show; false where it must show nothing.
using Mapping = std::function<bool(int dx, int dy, int& su, int& sv)>;

bool InPicture(int su, int sv) { return su >= 0 && su < kW && sv >= 0 && sv < kH; }

// Every pixel of a square around (x, y) shows what `map` says, or the mark.
void ExpectMapped(const std::function<int(int, int)>& at, int x, int y, const Mapping& map) {
    const int reach = kW;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            int su = 0, sv = 0;
            const int want = map(dx, dy, su, sv) && InPicture(su, sv) ? su + kW * sv : kMark;
            ASSERT_EQ(at(x + dx, y + dy), want) << dx << "," << dy;
        }
}

// Whole-degree turns that the 10-bit factors make exact: a pixel (dx, dy)
// from the pivot shows the picture pixel turned back onto it.
const struct {
    int angle;
    int su_dx, su_dy, sv_dx, sv_dy;  // su = px + su_dx*dx + su_dy*dy, likewise sv
} kRightAngles[] = {
    {0, 1, 0, 0, 1},     {360, 1, 0, 0, 1},   {90, 0, 1, -1, 0},
    {180, -1, 0, 0, -1}, {270, 0, -1, 1, 0},  {-90, 0, -1, 1, 0},
};

}  // namespace

TEST_P(RotateTest, PixelPathRightAnglesTurnClockwiseAboutThePivot) {
    DDSURFACEDATA* picture = Picture();
    for (const auto& c : kRightAngles) {
        SCOPED_TRACE(c.angle);
        Mark(&g_BackBufferSD, 80, 40, 41, 41);
        DDBltRotate(&g_BackBufferSD, 100, 60, kW, kH, kPx, kPy, c.angle, picture, 0, 0, DDBLT_OPAQUE);
        ExpectMapped([&](int x, int y) { return At(&g_BackBufferSD, x, y); }, 100, 60,
                     [&](int dx, int dy, int& su, int& sv) {
                         su = kPx + c.su_dx * dx + c.su_dy * dy;
                         sv = kPy + c.sv_dx * dx + c.sv_dy * dy;
                         return true;
                     });
    }
    // Clockwise on the screen: at 90 the top-left corner goes to the top
    // right of the turned picture.
    Mark(&g_BackBufferSD, 80, 40, 41, 41);
    DDBltRotate(&g_BackBufferSD, 100, 60, kW, kH, kPx, kPy, 90, picture, 0, 0, DDBLT_OPAQUE);
    EXPECT_EQ(At(&g_BackBufferSD, 100 + kPy, 60 - kPx), 0);
    EXPECT_EQ(At(&g_BackBufferSD, 100 + kPy + 1, 60 - kPx), kMark);
}

TEST_P(RotateTest, PixelPathAnyAngleShowsEachPixelNearItsTurnedPlace) {
    DDSURFACEDATA* picture = Picture();
    for (int angle : {30, 45, 137, -200}) {
        SCOPED_TRACE(angle);
        Mark(&g_BackBufferSD, 70, 30, 61, 61);
        DDBltRotate(&g_BackBufferSD, 100, 60, kW, kH, kPx, kPy, angle, picture, 0, 0, DDBLT_OPAQUE);
        const double t = angle * 3.14159265358979 / 180, s = std::sin(t), c = std::cos(t);
        int drawn = 0;
        for (int y = 30; y < 91; ++y)
            for (int x = 70; x < 131; ++x) {
                const int k = At(&g_BackBufferSD, x, y);
                if (k == kMark) continue;
                ASSERT_GE(k, 0);
                ++drawn;
                const double u = k % kW - kPx, v = k / kW - kPy;
                EXPECT_NEAR(u * c - v * s, x - 100, 1.5) << x << "," << y;
                EXPECT_NEAR(u * s + v * c, y - 60, 1.5) << x << "," << y;
            }
        EXPECT_NEAR(drawn, kW * kH, kW * kH / 10);
        EXPECT_EQ(At(&g_BackBufferSD, 100, 60), kPx + kW * kPy);
    }
}

// Between right angles every pixel is where the integer inverse mapping
// puts it: factors truncated toward zero (cos 30 is 886, not 887), products
// shifted down toward minus infinity, inside the box of the forward-turned
// corners widened by two pixels.
TEST_P(RotateTest, PixelPathFollowsTheFixedPointMappingExactly) {
    DDSURFACEDATA* picture = Picture();
    const struct {
        int angle, s, c;  // 10-bit sine and cosine
    } cases[] = {{30, 511, 886}, {60, 886, 512}, {137, 698, -748}, {-30, -511, 886}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.angle);
        Mark(&g_BackBufferSD, 80, 40, 41, 41);
        DDBltRotate(&g_BackBufferSD, 100, 60, kW, kH, kPx, kPy, k.angle, picture, 0, 0, DDBLT_OPAQUE);
        int minX = kW, maxX = -kW, minY = kW, maxY = -kW;
        for (auto [u, v] : {std::pair{-kPx, -kPy}, std::pair{kW - 1 - kPx, -kPy}, std::pair{-kPx, kH - 1 - kPy},
                            std::pair{kW - 1 - kPx, kH - 1 - kPy}}) {
            const int X = ((u * k.c - v * k.s) >> 10) + kPx, Y = ((u * k.s + v * k.c) >> 10) + kPy;
            minX = std::min(minX, X), maxX = std::max(maxX, X);
            minY = std::min(minY, Y), maxY = std::max(maxY, Y);
        }
        ExpectMapped([&](int x, int y) { return At(&g_BackBufferSD, x, y); }, 100, 60,
                     [&](int dx, int dy, int& su, int& sv) {
                         const int u = kPx + dx, v = kPy + dy;
                         if (u < minX - 2 || u >= maxX + 2 || v < minY - 2 || v >= maxY + 2) return false;
                         // Turned back by the opposite angle: sine -s, cosine c.
                         su = ((dx * k.c + dy * k.s) >> 10) + kPx;
                         sv = ((dy * k.c - dx * k.s) >> 10) + kPy;
                         return true;
                     });
    }
}

TEST_P(RotateTest, PixelPathKeyedCopySkipsTransparentPixels) {
    DDSURFACEDATA* picture = Picture();
    ASSERT_TRUE(gfxtest::WriteRaw(picture, 3, 2, Key()));
    ASSERT_TRUE(gfxtest::WriteRaw(picture, 15, 9, Key()));
    for (int flags : {DDBLT_OPAQUE, DDBLT_KEYED}) {
        for (int angle : {0, 180}) {
            SCOPED_TRACE(::testing::Message() << flags << " " << angle);
            Mark(&g_BackBufferSD, 80, 40, 41, 41);
            DDBltRotate(&g_BackBufferSD, 100, 60, kW, kH, kPx, kPy, angle, picture, 0, 0, flags);
            for (auto [u, v] : {std::pair{3, 2}, std::pair{15, 9}}) {
                // Where the pixel lands at 0 and 180 degrees.
                const int x = angle == 0 ? 100 + u - kPx : 100 + kPx - u;
                const int y = angle == 0 ? 60 + v - kPy : 60 + kPy - v;
                const uint32_t raw = gfxtest::ReadRaw(&g_BackBufferSD, x, y);
                if (flags == DDBLT_KEYED)
                    EXPECT_EQ(Number(raw), kMark);
                else
                    EXPECT_EQ(raw, Key());
            }
            EXPECT_EQ(At(&g_BackBufferSD, 100, 60), kPx + kW * kPy);
        }
    }
}

TEST_P(RotateTest, PixelPathClipsToBothSurfacesWithoutMovingAnything) {
    DDSURFACEDATA* picture = Picture();
    // The same turn onto a small surface at its corner and onto the back
    // buffer: the small surface shows exactly its part of the picture.
    DDSURFACEDATA* small = Surface(12, 10, DTMEMORYTYPE_SYSTEM);
    for (int angle : {0, 30, 90, 225}) {
        SCOPED_TRACE(angle);
        Mark(small, 0, 0, 12, 10);
        Mark(&g_BackBufferSD, 170, 170, 61, 61);
        DDBltRotate(small, 3, 2, kW, kH, kPx, kPy, angle, picture, 0, 0, DDBLT_OPAQUE);
        DDBltRotate(&g_BackBufferSD, 200, 200, kW, kH, kPx, kPy, angle, picture, 0, 0, DDBLT_OPAQUE);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(At(small, x, y), At(&g_BackBufferSD, 197 + x, 198 + y)) << x << "," << y;
    }
    // A picture reaching past the source surface's left edge: those columns
    // are not drawn, the rest stays in place.
    Mark(&g_BackBufferSD, 80, 40, 41, 41);
    DDBltRotate(&g_BackBufferSD, 100, 60, kW, kH, kPx, kPy, 0, picture, -5, 0, DDBLT_OPAQUE);
    ExpectMapped([&](int x, int y) { return At(&g_BackBufferSD, x, y); }, 100, 60,
                 [](int dx, int dy, int& su, int& sv) {
                     su = kPx + dx - 5;
                     sv = kPy + dy;
                     return kPx + dx >= 5 && kPx + dx < kW;
                 });
    // Far-away places and huge sizes draw nothing and return.
    Mark(&g_BackBufferSD, 80, 40, 41, 41);
    DDBltRotate(&g_BackBufferSD, INT32_MAX, INT32_MIN, kW, kH, kPx, kPy, 45, picture, 0, 0, DDBLT_OPAQUE);
    DDBltRotate(&g_BackBufferSD, 100, 60, 1 << 30, 1 << 30, 1 << 29, 1 << 29, 30, picture, 0, 0, DDBLT_OPAQUE);
    DDBltRotate(&g_BackBufferSD, 100, 60, 0, kH, 0, 0, 30, picture, 0, 0, DDBLT_OPAQUE);
    DDBltRotate(nullptr, 100, 60, kW, kH, kPx, kPy, 30, picture, 0, 0, DDBLT_OPAQUE);
    DDBltRotate(&g_BackBufferSD, 100, 60, kW, kH, kPx, kPy, 30, nullptr, 0, 0, DDBLT_OPAQUE);
    for (int y = 40; y < 81; ++y)
        for (int x = 80; x < 121; ++x) ASSERT_EQ(At(&g_BackBufferSD, x, y), kMark) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Variants, RotateTest, gfxtest::AllVariants(), gfxtest::VariantName);

// ---------------------------------------------------------------------------
// Texture device

TEST_P(RotateD3DTest, QuadTurnsAboutThePivotsCornerPoint) {
    DDSURFACEDATA* picture = Picture(DTMEMORYTYPE_VIDEO_RT);
    auto at = [&](int x, int y) { return At(&g_BackBufferSD, x, y); };
    // The quad turns continuous coordinates about the pivot point, so
    // pixel (px, py) moves one column left of where the pixel path puts
    // it at 90 degrees.
    struct Case {
        int angle;
        Mapping map;
    };
    const Case cases[] = {
        {0, [](int dx, int dy, int& su, int& sv) { return su = kPx + dx, sv = kPy + dy, true; }},
        {90, [](int dx, int dy, int& su, int& sv) { return su = kPx + dy, sv = kPy - 1 - dx, true; }},
        {180, [](int dx, int dy, int& su, int& sv) { return su = kPx - 1 - dx, sv = kPy - 1 - dy, true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        Mark(&g_BackBufferSD, 80, 40, 41, 41);
        DDBltRotate(&g_BackBufferSD, 100, 60, kW, kH, kPx, kPy, c.angle, picture, 0, 0, DDBLT_KEYED);
        ExpectMapped(at, 100, 60, c.map);
    }
    // Between right angles only the inside is fixed.
    Mark(&g_BackBufferSD, 80, 40, 41, 41);
    DDBltRotate(&g_BackBufferSD, 100, 60, kW, kH, kPx, kPy, 30, picture, 0, 0, DDBLT_KEYED);
    int drawn = 0;
    for (int y = 40; y < 81; ++y)
        for (int x = 80; x < 121; ++x) drawn += at(x, y) != kMark;
    EXPECT_NEAR(drawn, kW * kH, kW * kH / 10);
    const int k = at(100, 60);
    EXPECT_NEAR(k % kW, kPx, 1);
    EXPECT_NEAR(k / kW, kPy, 1);
}

TEST_P(RotateD3DTest, QuadBlendsByTextureAlphaWhateverTheFlagsAndIsNeverQueued) {
    DDSURFACEDATA* picture = Picture(DTMEMORYTYPE_VIDEO_RT);
    ASSERT_TRUE(gfxtest::WriteRaw(picture, 3, 2, 0));  // alpha 0
    DDBeginLayer(0);
    Mark(&g_BackBufferSD, 80, 40, 41, 41);
    DDBltRotate(&g_BackBufferSD, 100, 60, kW, kH, kPx, kPy, 0, picture, 0, 0, DDBLT_OPAQUE);
    // Drawn at once, inside the open layer.
    EXPECT_EQ(At(&g_BackBufferSD, 100 + 4 - kPx, 60 + 2 - kPy), 4 + 2 * kW);
    EXPECT_EQ(At(&g_BackBufferSD, 100 + 3 - kPx, 60 + 2 - kPy), kMark);
    DDEndLayer();
}

TEST_P(RotateD3DTest, MirrorSheetIsDrawnMirroredThenTurned) {
    // Two cells of 10 columns; the alias mirrors each cell.
    for (int memoryType : {DTMEMORYTYPE_VIDEO_RT, DTMEMORYTYPE_SYSTEM}) {
        SCOPED_TRACE(memoryType);
        DDSURFACEDATA* sheet = Picture(memoryType);
        DDSURFACEDATA mirror = *sheet;  // an alias sharing the sheet's objects; never released
        mirror.lpMirrorSrc = sheet;
        mirror.nMirrorWidth = 10;
        Mark(&g_BackBufferSD, 80, 40, 41, 41);
        DDBltRotate(&g_BackBufferSD, 100, 60, 10, kH, 5, kPy, 0, &mirror, 10, 0, DDBLT_KEYED);
        for (int j = 0; j < kH; ++j)
            for (int i = 0; i < 10; ++i)
                ASSERT_EQ(At(&g_BackBufferSD, 95 + i, 60 - kPy + j), 19 - i + kW * j) << i << "," << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, RotateD3DTest, testing::Values(Variant::D3D16, Variant::D3D32),
                         gfxtest::VariantName);
