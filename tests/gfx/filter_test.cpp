// Blur and mosaic filters over the five display variants, checked pixel by
// pixel against a plain per-pixel model of each filter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effects_fixture.h"
#include "gfx/dd.h"
#include "gfx/dd_filter.h"
#include "gfx_fixture.h"
#include "platform/picture_testing.h"

using gfxtest::Variant;

namespace {

struct Rgb {
    uint32_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// A surface's pixels, row by row.
struct Pixels {
    int w = 0, h = 0;
    std::vector<uint32_t> raw;
    uint32_t At(int x, int y) const { return raw[static_cast<size_t>(y * w + x)]; }
    uint32_t& At(int x, int y) { return raw[static_cast<size_t>(y * w + x)]; }
};

// The variant's pixel layout, from the layer's own format table.
struct Layout {
    Variant v;
    PixelFormatTable t = g_PixelFormat;

    bool D3D() const { return v == Variant::D3D16 || v == Variant::D3D32; }
    bool Wide() const { return v == Variant::D3D32 || v == Variant::DD32; }
    Rgb Max() const {
        if (Wide()) return {255, 255, 255};
        if (v == Variant::DD8) return {0, 0, 255};
        return {uint32_t(t.nRedMask), uint32_t(t.nGreenMask), uint32_t(t.nBlueMask)};
    }
    uint32_t Pack(const Rgb& c) const {
        if (Wide()) return c.r << 16 | c.g << 8 | c.b;
        if (v == Variant::DD8) return c.b;
        return c.r << t.nRedShift | c.g << t.nGreenShift | c.b << t.nBlueShift;
    }
    Rgb Get(uint32_t p) const {
        if (Wide()) return {(p >> 16) & 255, (p >> 8) & 255, p & 255};
        if (v == Variant::DD8) return {0, 0, p};
        return {(p >> t.nRedShift) & uint32_t(t.nRedMask), (p >> t.nGreenShift) & uint32_t(t.nGreenMask),
                (p >> t.nBlueShift) & uint32_t(t.nBlueMask)};
    }
    // A source pixel that is drawn, and one that is transparent (colour
    // bits set where the variant's test ignores them).
    uint32_t Drawn(const Rgb& c) const {
        if (v == Variant::D3D32) return 0xFF000000u | Pack(c);
        if (v == Variant::D3D16) return 0x8000u | Pack(c);
        return Pack(c);
    }
    uint32_t Transparent() const {
        if (v == Variant::D3D32) return 0x00123456u;
        if (v == Variant::D3D16) return 0x1234u;
        return g_DDConfig.dwColorKey;
    }
    bool Opaque(uint32_t p) const {
        if (v == Variant::D3D32) return (p >> 24) != 0;
        if (v == Variant::D3D16) return (p & 0xA000u) != 0;
        return p != g_DDConfig.dwColorKey;
    }
    // What the blur writes for an average over an old destination pixel.
    uint32_t Blurred(const Rgb& c, uint32_t old) const {
        if (v == Variant::D3D32) return 0xFF000000u | Pack(c);
        if (v == Variant::D3D16) return 0x8000u | Pack(c);
        if (v == Variant::DD32) return (old & 0xFF000000u) | Pack(c);
        return Pack(c);
    }
};

struct Rect {
    int x, y, w, h, sx, sy;
};

// Per-pixel model of the blur: the window of every pixel summed directly.
Pixels ModelBlur(const Layout& L, const Pixels& src, Pixels dst, const Rect& r, int rx, int ry, int mode) {
    if (L.v == Variant::DD8) return dst;
    for (int j = 0; j < r.h; ++j)
        for (int i = 0; i < r.w; ++i) {
            const int tx = r.x + i, ty = r.y + j;
            if (tx < 0 || ty < 0 || tx >= dst.w || ty >= dst.h) continue;
            auto inSource = [&](int a, int b) {
                return a >= 0 && b >= 0 && a < r.w && b < r.h && r.sx + a >= 0 && r.sy + b >= 0 &&
                       r.sx + a < src.w && r.sy + b < src.h;
            };
            if (mode == 1 && (!inSource(i, j) || !L.Opaque(src.At(r.sx + i, r.sy + j)))) continue;
            uint64_t sr = 0, sg = 0, sb = 0, n = 0;
            // Offsets beyond the rectangle take nothing; huge radii stop there.
            for (int dy = std::max(-ry, -j); dy < std::min(ry, r.h - j); ++dy)
                for (int dx = std::max(-rx, -i); dx < std::min(rx, r.w - i); ++dx) {
                    if (!inSource(i + dx, j + dy)) continue;
                    const uint32_t p = src.At(r.sx + i + dx, r.sy + j + dy);
                    if (mode == 1 && !L.Opaque(p)) continue;
                    const Rgb c = L.Get(p);
                    sr += c.r, sg += c.g, sb += c.b, ++n;
                }
            if (n == 0) continue;
            dst.At(tx, ty) = L.Blurred({uint32_t(sr / n), uint32_t(sg / n), uint32_t(sb / n)}, dst.At(tx, ty));
        }
    return dst;
}

// Per-pixel model of the mosaic: the corner rule on the texture device and
// at 8 bits, the average rule (on an 8-bit scale at 16 bits) otherwise.
Pixels ModelMosaic(const Layout& L, const Pixels& src, Pixels dst, const Rect& r, int n, int mode) {
    auto inSource = [&](int a, int b) {
        return r.sx + a >= 0 && r.sy + b >= 0 && r.sx + a < src.w && r.sy + b < src.h;
    };
    const bool corner = L.D3D() || L.v == Variant::DD8;
    const Rgb m = L.Max();
    for (int cj = 0; cj < r.h; cj += n)
        for (int ci = 0; ci < r.w; ci += n) {
            uint32_t value = 0;
            if (corner) {
                if (!inSource(ci, cj)) continue;
                value = src.At(r.sx + ci, r.sy + cj);
                if (mode == 1 && !L.Opaque(value)) continue;
                if (L.v == Variant::D3D32) value |= 0xFF000000u;
            } else {
                uint64_t sr = 0, sg = 0, sb = 0, k = 0;
                for (int j = cj; j < std::min(cj + n, r.h); ++j)
                    for (int i = ci; i < std::min(ci + n, r.w); ++i) {
                        if (!inSource(i, j)) continue;
                        const uint32_t p = src.At(r.sx + i, r.sy + j);
                        if (mode == 1 && !L.Opaque(p)) continue;
                        Rgb c = L.Get(p);
                        if (!L.Wide()) c = {c.r * 255 / m.r, c.g * 255 / m.g, c.b * 255 / m.b};
                        sr += c.r, sg += c.g, sb += c.b, ++k;
                    }
                if (k == 0) continue;
                Rgb avg{uint32_t(sr / k), uint32_t(sg / k), uint32_t(sb / k)};
                if (!L.Wide()) avg = {avg.r * m.r / 255, avg.g * m.g / 255, avg.b * m.b / 255};
                value = L.Pack(avg);
                if (mode == 1 && value == g_DDConfig.dwColorKey) continue;
            }
            for (int j = cj; j < std::min(cj + n, r.h); ++j)
                for (int i = ci; i < std::min(ci + n, r.w); ++i) {
                    const int tx = r.x + i, ty = r.y + j;
                    if (tx < 0 || ty < 0 || tx >= dst.w || ty >= dst.h) continue;
                    uint32_t& d = dst.At(tx, ty);
                    d = L.v == Variant::DD32 ? (d & 0xFF000000u) | value : value;
                }
        }
    return dst;
}

using gfxtest::FillRaw;

class FilterTest : public gfxtest::SheetTest {
protected:
    void SetUp() override {
        gfxtest::SheetTest::SetUp();
        // Padded rows catch code that takes the pitch for the width.
        plat::testing::SetPitchPadding(12);
    }
    Layout L() const { return Layout{V()}; }

    DDSURFACEDATA* Surface(int w, int h) {
        DDSURFACEDATA* sd = &m_surfaces.emplace_back();
        EXPECT_TRUE(DDCreateSurface(sd, w, h, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
        return sd;
    }
    static Pixels Read(DDSURFACEDATA* sd) {
        Pixels px{sd->nWidth, sd->nHeight, {}};
        cSurfaceLock lock(sd);
        EXPECT_NE(lock.Bits(), nullptr);
        if (!lock.Bits()) return px;
        for (int y = 0; y < sd->nHeight; ++y)
            for (int x = 0; x < sd->nWidth; ++x) {
                const uint8_t* p =
                    lock.Bits() + (static_cast<size_t>(y) * lock.PitchPixels() + x) * lock.BytesPerPixel();
                uint32_t v = 0;
                std::memcpy(&v, p, static_cast<size_t>(lock.BytesPerPixel()));
                px.raw.push_back(v);
            }
        return px;
    }

    // A 16 x 12 source of varied colours, every fifth pixel transparent
    // when `holes`; and a 14 x 10 destination of distinct marks (the DD32
    // fourth byte set, so a write that drops it shows).
    DDSURFACEDATA* Source(bool holes = true) {
        DDSURFACEDATA* sd = Surface(16, 12);
        const Layout l = L();
        const Rgb m = l.Max();
        FillRaw(sd, [&](int x, int y) {
            const uint32_t k = static_cast<uint32_t>(x * 7 + y * 13);
            if (holes && k % 5 == 0) return l.Transparent();
            if (l.v == Variant::DD8) return 6 + k % 200;
            const Rgb c{(k * 37) % (m.r + 1), (k * 11 + 3) % (m.g + 1), (k * 5 + 1) % (m.b + 1)};
            // At 16 bits on the texture device bit 13 alone also makes a
            // pixel drawn.
            if (l.v == Variant::D3D16 && k % 7 == 3) return 0x2000u | l.Pack(c);
            return l.Drawn(c);
        });
        return sd;
    }
    DDSURFACEDATA* Destination() {
        DDSURFACEDATA* sd = Surface(14, 10);
        const Layout l = L();
        FillRaw(sd, [&](int x, int y) {
            const uint32_t k = static_cast<uint32_t>(x + 14 * y);
            if (l.v == Variant::DD8) return 40 + k;
            if (l.v == Variant::DD32) return 0x5A000000u | k;
            return l.Drawn({k & 15, 7, 3});
        });
        return sd;
    }
};

constexpr int kHuge = 1 << 30;

}  // namespace

TEST_P(FilterTest, BlurMatchesTheWindowModel) {
    struct Case {
        const char* what;
        Rect r;
        int rx, ry, mode;
    };
    const Case cases[] = {
        {"radius 1", {0, 0, 14, 10, 0, 0}, 1, 1, 0},
        {"inner rectangle", {2, 1, 8, 6, 3, 2}, 1, 1, 0},
        {"wide window", {0, 0, 12, 10, 4, 2}, 4, 2, 0},
        {"tall window, keyed", {1, 1, 10, 8, 0, 0}, 1, 5, 1},
        {"keyed", {0, 0, 12, 10, 2, 1}, 2, 2, 1},
        {"over the left and top", {-3, -2, 10, 8, 0, 0}, 1, 1, 0},
        {"over the right and bottom, keyed", {8, 6, 10, 8, 0, 0}, 2, 2, 1},
        {"source past its right and bottom", {0, 0, 10, 8, 10, 8}, 1, 1, 0},
        {"source before its left and top, keyed", {2, 2, 8, 8, -3, -2}, 2, 2, 1},
        {"window larger than everything", {0, 0, 12, 10, 1, 1}, kHuge, kHuge, 0},
        {"negative radius", {0, 0, 8, 8, 0, 0}, -1, 2, 0},
    };
    DDSURFACEDATA* src = Source();
    DDSURFACEDATA* dst = Destination();
    const Pixels source = Read(src), before = Read(dst);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FillRaw(dst, [&](int x, int y) { return before.At(x, y); });
        EXPECT_TRUE(DDBltBlur(dst, c.r.x, c.r.y, c.r.w, c.r.h, c.rx, c.ry, src, c.r.sx, c.r.sy, c.mode, nullptr));
        const Pixels expected = ModelBlur(L(), source, before, c.r, c.rx, c.ry, c.mode);
        const Pixels got = Read(dst);
        for (int y = 0; y < got.h; ++y)
            for (int x = 0; x < got.w; ++x) ASSERT_EQ(got.At(x, y), expected.At(x, y)) << x << "," << y;
    }
}

TEST_P(FilterTest, BlurRadiusOneAveragesThePixelWithItsUpperLeftNeighbours) {
    if (V() == Variant::DD8) GTEST_SKIP() << "no blur at 8 bits";
    // A lone bright pixel on black reaches only itself and the pixels right
    // and below it; the rectangle's top-left pixel keeps its colour.
    DDSURFACEDATA* src = Surface(6, 6);
    DDSURFACEDATA* dst = Surface(6, 6);
    const Layout l = L();
    const Rgb m = l.Max();
    FillRaw(src, [&](int x, int y) { return l.Drawn(x == 2 && y == 2 ? m : Rgb{}); });
    FillRaw(dst, [&](int, int) { return l.Drawn({}); });
    ASSERT_TRUE(DDBltBlur(dst, 0, 0, 6, 6, 1, 1, src, 0, 0, 0, nullptr));
    const Pixels got = Read(dst);
    const Rgb quarter{m.r / 4, m.g / 4, m.b / 4};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool lit = (x == 2 || x == 3) && (y == 2 || y == 3);
            EXPECT_EQ(l.Get(got.At(x, y)), lit ? quarter : Rgb{}) << x << "," << y;
        }

    FillRaw(src, [&](int x, int y) { return l.Drawn(x == 0 && y == 0 ? m : Rgb{}); });
    ASSERT_TRUE(DDBltBlur(dst, 0, 0, 6, 6, 1, 1, src, 0, 0, 0, nullptr));
    EXPECT_EQ(l.Get(Read(dst).At(0, 0)), m);
}

TEST_P(FilterTest, MosaicMatchesTheCellModel) {
    struct Case {
        const char* what;
        Rect r;
        int n, mode;
    };
    const Case cases[] = {
        {"10 x 10 in cells of 4", {0, 0, 10, 10, 0, 0}, 4, 0},
        {"keyed cells of 3", {0, 0, 10, 10, 2, 1}, 3, 1},
        {"cells of 1 copy", {1, 1, 8, 6, 0, 0}, 1, 0},
        {"one cell larger than the rectangle", {0, 0, 7, 5, 3, 3}, 16, 0},
        {"over the left and top, keyed", {-5, -3, 12, 10, 0, 0}, 4, 1},
        {"over the right and bottom", {9, 7, 12, 10, 1, 1}, 3, 0},
        {"source past its right and bottom", {0, 0, 12, 10, 8, 6}, 4, 0},
        {"source before its left and top, keyed", {0, 0, 10, 8, -4, -2}, 3, 1},
        {"huge cell", {0, 0, 12, 10, 1, 1}, kHuge, 0},
    };
    DDSURFACEDATA* src = Source();
    DDSURFACEDATA* dst = Destination();
    const Pixels source = Read(src), before = Read(dst);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FillRaw(dst, [&](int x, int y) { return before.At(x, y); });
        EXPECT_TRUE(DDBltMosaic(dst, c.r.x, c.r.y, c.r.w, c.r.h, c.n, src, c.r.sx, c.r.sy, c.mode, nullptr));
        const Pixels expected = ModelMosaic(L(), source, before, c.r, c.n, c.mode);
        const Pixels got = Read(dst);
        for (int y = 0; y < got.h; ++y)
            for (int x = 0; x < got.w; ++x) ASSERT_EQ(got.At(x, y), expected.At(x, y)) << x << "," << y;
    }
}

TEST_P(FilterTest, MosaicCellRules) {
    DDSURFACEDATA* src = Surface(8, 8);
    DDSURFACEDATA* dst = Surface(8, 8);
    const Layout l = L();
    const uint32_t mark = l.v == Variant::DD8 ? 9 : l.Drawn({3, 3, 3});

    // A transparent top-left corner over drawn pixels: the corner rule skips
    // the cell, the average rule averages the rest.
    const uint32_t drawn = l.v == Variant::DD8 ? 7 : l.Drawn({l.Max().r, 0, 0});
    FillRaw(src, [&](int x, int y) { return x == 0 && y == 0 ? l.Transparent() : drawn; });
    FillRaw(dst, [&](int, int) { return mark; });
    ASSERT_TRUE(DDBltMosaic(dst, 0, 0, 4, 4, 4, src, 0, 0, 1, nullptr));
    const bool corner = l.D3D() || l.v == Variant::DD8;
    const uint32_t cell = l.v == Variant::D3D32 ? drawn | 0xFF000000u : drawn;
    EXPECT_EQ(Read(dst).At(1, 1), corner ? mark : cell);

    // A uniform component 1 averages to itself, except at 16 bits under the
    // blit display, where the 8-bit round trip drops it.
    FillRaw(src, [&](int, int) { return l.v == Variant::DD8 ? 1u : l.Drawn({1, 1, 1}); });
    ASSERT_TRUE(DDBltMosaic(dst, 0, 0, 8, 8, 2, src, 0, 0, 0, nullptr));
    const uint32_t one = l.v == Variant::DD8 ? 1u : l.Drawn({1, 1, 1});
    EXPECT_EQ(Read(dst).At(5, 5), l.v == Variant::DD16 ? l.Pack({0, 0, 0}) : one);
}

TEST_P(FilterTest, ColourAddIsTheTextureDevicesOnly) {
    DDSURFACEDATA* src = Surface(8, 8);
    DDSURFACEDATA* dst = Surface(8, 8);
    const Layout l = L();
    const Rgb m = l.Max();
    // Components at 0 or their maximum survive every variant's averaging.
    const Rgb green{0, m.g, 0};
    FillRaw(src, [&](int, int) { return l.v == Variant::DD8 ? 5u : l.Drawn(green); });
    struct Case {
        const char* what;
        BlendPair pair;
        Rgb added;  // on the texture device
    };
    const Case cases[] = {
        {"white added", {0xFFFFFFFFu, plat::kTopAdd}, m},
        {"white with another operation", {0xFFFFFFFFu, plat::kTopModulate}, green},
        {"red added", {0xFFFF0000u, plat::kTopAdd}, {m.r, m.g, 0}},
        // At 16 bits a colour byte is scaled to the field: 128 x 31 / 255.
        {"grey added", {0xFF808080u, plat::kTopAdd}, {128 * m.r / 255, m.g, 128 * m.b / 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool mosaic : {false, true}) {
            if (!mosaic && l.v == Variant::DD8) continue;
            FillRaw(dst, [&](int, int) { return 0u; });
            const bool ok = mosaic ? DDBltMosaic(dst, 0, 0, 8, 8, 2, src, 0, 0, 0, &c.pair)
                                   : DDBltBlur(dst, 0, 0, 8, 8, 1, 1, src, 0, 0, 0, &c.pair);
            ASSERT_TRUE(ok);
            const uint32_t got = Read(dst).At(3, 3);
            if (l.v == Variant::DD8) {
                EXPECT_EQ(got, 5u);
                continue;
            }
            EXPECT_EQ(l.Get(got), l.D3D() ? c.added : green) << mosaic;
            EXPECT_TRUE(l.Opaque(got)) << mosaic;
        }
    }
}

TEST_P(FilterTest, NothingToDoLocksNothingAndLockFailuresReportFalse) {
    DDSURFACEDATA* src = Source();
    DDSURFACEDATA* dst = Destination();
    const Pixels before = Read(dst);

    plat::testing::FailNextLocks(100);
    EXPECT_TRUE(DDBltBlur(dst, 0, 0, 8, 8, 0, 2, src, 0, 0, 0, nullptr));
    EXPECT_TRUE(DDBltBlur(dst, 0, 0, 8, 8, 2, 0, src, 0, 0, 0, nullptr));
    EXPECT_TRUE(DDBltMosaic(dst, 0, 0, 8, 8, 0, src, 0, 0, 0, nullptr));
    EXPECT_TRUE(DDBltMosaic(dst, 0, 0, 8, 8, -4, src, 0, 0, 0, nullptr));
    EXPECT_FALSE(DDBltBlur(dst, 0, 0, 8, 8, 1, 1, src, 0, 0, 0, nullptr));
    EXPECT_FALSE(DDBltMosaic(dst, 0, 0, 8, 8, 2, src, 0, 0, 0, nullptr));
    plat::testing::FailNextLocks(0);

    // The source cannot be locked while it is the locked destination; the
    // destination is released again and unchanged.
    EXPECT_FALSE(DDBltBlur(dst, 0, 0, 8, 8, 1, 1, dst, 2, 2, 0, nullptr));
    EXPECT_FALSE(DDBltMosaic(dst, 0, 0, 8, 8, 2, dst, 2, 2, 0, nullptr));
    EXPECT_FALSE(DDBltBlur(nullptr, 0, 0, 8, 8, 1, 1, src, 0, 0, 0, nullptr));
    EXPECT_FALSE(DDBltMosaic(dst, 0, 0, 8, 8, 2, nullptr, 0, 0, 0, nullptr));
    EXPECT_EQ(Read(dst).raw, before.raw);
}

INSTANTIATE_TEST_SUITE_P(Variants, FilterTest, gfxtest::AllVariants(), gfxtest::VariantName);

// The texture device's 16-bit full-screen back buffer has its own layout:
// written pixels are repacked blue, green doubled, red, without alpha.
class FilterFullScreenTest : public gfxtest::FullScreen16Test {};

TEST_F(FilterFullScreenTest, SixteenBitBackBufferIsRepacked) {
    const PixelFormatTable t = g_PixelFormat, b = g_BackBufferPixelFormat;
    const uint32_t r = 20, g = 9, bl = 5;
    DDSURFACEDATA* src =
        Texture(DTMEMORYTYPE_VIDEO_RT, 0x8000u | r << t.nRedShift | g << t.nGreenShift | bl << t.nBlueShift);
    const uint32_t want = r << b.nRedShift | (g * 2) << b.nGreenShift | bl << b.nBlueShift;

    EXPECT_TRUE(DDBltBlur(&g_BackBufferSD, 10, 10, 8, 8, 1, 1, src, 0, 0, 1, nullptr));
    EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, 13, 13), want);
    EXPECT_TRUE(DDBltMosaic(&g_BackBufferSD, 30, 10, 8, 8, 4, src, 0, 0, 0, nullptr));
    EXPECT_EQ(gfxtest::ReadRaw(&g_BackBufferSD, 31, 15), want);
}
