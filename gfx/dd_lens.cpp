// The circle blit, made of one-row (or one-band) strip blits inside an
// unsorted draw layer, and the spherical lens on locked pixels.
#include "gfx/dd_lens.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gfx/dd_pixel.h"
#include "gfx/dd_layer.h"

namespace {

// Truncated square root of a non-negative 64-bit integer, exact for every
// value (a double alone can be one off above 2^52).
int64_t ISqrt(uint64_t n) {
    auto r = static_cast<uint64_t>(std::sqrt(static_cast<double>(n)));
    while (r > 0 && r * r > n) --r;
    while ((r + 1) * (r + 1) <= n) ++r;
    return static_cast<int64_t>(r);
}

// Places made from caller values are worked out in 64 bits and held within
// +-2^29, far beyond any surface; the blits refuse such places without
// drawing, so the held value draws what the real one would.
constexpr int64_t kFar = int64_t{1} << 29;
int Place(int64_t v) { return static_cast<int>(std::clamp(v, -kFar, kFar)); }

// Half-width of the circle's strip at row offset i: floor(sqrt(r^2 - i^2)),
// kept below r so the centre row is no wider than its neighbours.
int64_t HalfWidth(int64_t r, int64_t i) {
    const int64_t q = r * r - i * i;
    if (q <= 0) return 0;
    return std::min(ISqrt(static_cast<uint64_t>(q)), r - 1);
}

// ---------------------------------------------------------------------------
// Lens

struct LensGeometry {
    int64_t cx, cy, scx, scy;
    int64_t radius, distance;
    int64_t r2, l2;  // radius^2 and the lens height L^2
};

// How one variant tests and writes a source pixel.
struct Lens32D3D {
    OpaqueTest opaque;
    bool add;
    uint32_t addRgb;
    bool clear;
    bool Drawn(uint32_t p) const { return opaque(p); }
    uint32_t Write(uint32_t p, uint32_t d) const {
        if (!add) return p;
        uint32_t out = d & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            const uint32_t c = ((p >> shift) & 0xFF) + ((addRgb >> shift) & 0xFF);
            out |= std::min<uint32_t>(c, 255) << shift;
        }
        return out;
    }
};

struct Lens16D3D {
    OpaqueTest opaque;
    bool keyed;
    bool add;
    bool toBackBuffer;
    uint32_t addR, addG, addB;  // the colour add in field units
    PixelFormatTable tf, bf;
    bool clear = false;
    bool Drawn(uint16_t p) const { return !keyed || opaque(p); }
    uint16_t Write(uint16_t p, uint16_t /*d*/) const {
        if (!add && !toBackBuffer) return p;
        uint32_t r = (p >> tf.nRedShift) & static_cast<uint32_t>(tf.nRedMask);
        uint32_t g = (p >> tf.nGreenShift) & static_cast<uint32_t>(tf.nGreenMask);
        uint32_t b = (p >> tf.nBlueShift) & static_cast<uint32_t>(tf.nBlueMask);
        if (add) {
            r = std::min(r + addR, static_cast<uint32_t>(tf.nRedMask));
            g = std::min(g + addG, static_cast<uint32_t>(tf.nGreenMask));
            b = std::min(b + addB, static_cast<uint32_t>(tf.nBlueMask));
        }
        if (toBackBuffer)
            return static_cast<uint16_t>(r << bf.nRedShift | (g * 2) << bf.nGreenShift | b << bf.nBlueShift);
        return static_cast<uint16_t>(r << tf.nRedShift | g << tf.nGreenShift | b << tf.nBlueShift |
                                     (static_cast<uint32_t>(tf.nAlphaMask) & 1u) << tf.nAlphaShift);
    }
};

template <class Pixel>
struct LensBlit {
    OpaqueTest opaque;
    bool clear = false;
    bool Drawn(Pixel p) const { return opaque(p); }
    Pixel Write(Pixel p, Pixel /*d*/) const { return p; }
};

// Per column distance b = |j| of one row pair: whether the point lies in
// the disc, whether its height is 0, and the quotients b*D/z and a*D/z.
struct LensColumn {
    enum Kind : uint8_t { kOutside, kFlat, kRaised } kind;
    double qu, qv;
};

// Offsets beyond this are far outside any source; the test keeps the
// truncating conversion below inside int64.
constexpr double kFarOffset = 4503599627370496.0;  // 2^52

template <class Pixel, class Rule>
void LensPixels(const EffectLocks& locks, const LensGeometry& g, const Rule& rule) {
    const cSurfaceLock &dl = locks.Dst(), &sl = locks.Src();
    const DDSURFACEDATA *dest = dl.Surface(), *src = sl.Surface();
    auto* const dbase = reinterpret_cast<Pixel*>(dl.Bits());
    const auto* const sbase = reinterpret_cast<const Pixel*>(sl.Bits());
    const ptrdiff_t dpitch = dl.PitchPixels(), spitch = sl.PitchPixels();
    const int64_t srcW = src->nWidth, srcH = src->nHeight;
    const double d = static_cast<double>(g.distance);

    // The square around the centre, cut to the destination: a radius far
    // beyond the surface costs no more than the surface itself.
    const int64_t i0 = std::max(-g.radius, -g.cy), i1 = std::min(g.radius, int64_t{dest->nHeight} - 1 - g.cy);
    const int64_t j0 = std::max(-g.radius, -g.cx), j1 = std::min(g.radius, int64_t{dest->nWidth} - 1 - g.cx);
    if (i0 > i1 || j0 > j1) return;

    // The offsets of (j, i), (-j, i), (j, -i) and (-j, -i) come from the
    // same two quotients with their signs changed (a division of a negated
    // value is the negated division), so each row pair +-a works out one
    // square root and two divisions per column distance b.
    const auto span = [](int64_t lo, int64_t hi, int64_t& min, int64_t& max) {
        min = lo <= 0 && hi >= 0 ? 0 : std::min(std::abs(lo), std::abs(hi));
        max = std::max(std::abs(lo), std::abs(hi));
    };
    int64_t amin, amax, bmin, bmax;
    span(i0, i1, amin, amax);
    span(j0, j1, bmin, bmax);
    std::vector<LensColumn> columns(static_cast<size_t>(bmax - bmin + 1));

    for (int64_t a = amin; a <= amax; ++a) {
        const int64_t aa = a * a;
        const double da = static_cast<double>(a) * d;
        for (int64_t b = bmin; b <= bmax; ++b) {
            LensColumn& c = columns[static_cast<size_t>(b - bmin)];
            const int64_t rr = aa + b * b;
            if (rr > g.r2) {
                c.kind = LensColumn::kOutside;
                continue;
            }
            const int64_t q = g.l2 - rr;
            if (q == 0) {
                c.kind = LensColumn::kFlat;
                continue;
            }
            const double z = std::sqrt(static_cast<double>(q));
            c.kind = LensColumn::kRaised;
            c.qu = static_cast<double>(b) * d / z;
            c.qv = da / z;
        }
        for (const int64_t i : {a, -a}) {
            if (i < i0 || i > i1 || (i < 0 && a == 0)) continue;
            Pixel* const drow = dbase + (g.cy + i) * dpitch + g.cx;
            for (int64_t j = j0; j <= j1; ++j) {
                Pixel& out = drow[j];
                const LensColumn& c = columns[static_cast<size_t>((j < 0 ? -j : j) - bmin)];
                int64_t su, sv;
                if (c.kind == LensColumn::kOutside) {
                    if (rule.clear) out = 0;
                    continue;
                }
                if (c.kind == LensColumn::kFlat) {
                    su = g.scx + j;
                    sv = g.scy + i;
                } else {
                    // Rounded by adding a half and truncating toward zero.
                    const double u = (j < 0 ? -c.qu : c.qu) + 0.5;
                    const double v = (i < 0 ? -c.qv : c.qv) + 0.5;
                    if (!(u > -kFarOffset && u < kFarOffset && v > -kFarOffset && v < kFarOffset)) {
                        if (rule.clear) out = 0;
                        continue;
                    }
                    su = g.scx + static_cast<int64_t>(u);
                    sv = g.scy + static_cast<int64_t>(v);
                }
                if (su < 0 || su >= srcW || sv < 0 || sv >= srcH) {
                    if (rule.clear) out = 0;
                    continue;
                }
                const Pixel p = sbase[sv * spitch + su];
                if (!rule.Drawn(p)) {
                    if (rule.clear) out = 0;
                    continue;
                }
                out = rule.Write(p, out);
            }
        }
    }
}

}  // namespace

int DDBltCircle(DDSURFACEDATA* dest, int cx, int cy, int halfWidth, int halfHeight, int r, int band,
                DDSURFACEDATA* src, int scx, int scy, int flags) {
    if (r <= 0 || band <= 0) return 1;
    if (!dest || !src) return 1;
    DDResolveMirror(dest);
    DDResolveMirror(src);

    const int64_t left = std::max(int64_t{scx} - halfWidth, int64_t{0});
    const int64_t right = std::min(int64_t{scx} + halfWidth, int64_t{src->nWidth});
    const int64_t rr = r, hh = halfHeight, b = band;

    DDBeginLayer(0);
    // Bands run from the bottom (top row r - b) upwards in steps of b. The
    // first band that starts above the box's bottom is found directly, so a
    // huge radius costs nothing for the rows the box leaves out.
    int64_t h = rr - b;
    if (h >= hh) h -= ((h - hh) / b + 1) * b;
    for (; h >= -rr; h -= b) {
        if (h + b <= -hh) break;
        int64_t top = h;
        if (top + b > hh) top = hh - b;
        if (top < -hh) top = -hh;
        // Rows above the destination: every later band lies higher still.
        if (int64_t{cy} + top + b <= 0) break;
        if (int64_t{cy} + top >= dest->nHeight) {
            // Below the destination: on to the first band that starts
            // inside it (a band moved up is only ever the first one).
            if (top == h) h -= ((int64_t{cy} + h - dest->nHeight) / b) * b;
            continue;
        }

        const int64_t k = HalfWidth(rr, top + b / 2);
        int64_t t = int64_t{scx} - k, x = int64_t{cx} - k, width = 2 * k;
        if (t < left) {
            width -= left - t;
            x += left - t;
            t = left;
        }
        if (t + width >= right) width = right - t;
        if (width <= 0) continue;
        DDBlt(dest, Place(x), Place(int64_t{cy} + top), Place(width), band, src, Place(t),
              Place(int64_t{scy} + top), flags);
    }
    DDEndLayer();
    return 1;
}

bool DDBltLens(DDSURFACEDATA* dest, int cx, int cy, int radius, int distance, DDSURFACEDATA* src, int scx, int scy,
               int mode, int clear, const BlendPair* blend) {
    if (radius < 0 || distance < 0) return false;
    // 64-bit: callers start the distance very large, where the squares
    // overflow 32 bits.
    const int64_t r2 = int64_t{radius} * radius, d2 = int64_t{distance} * distance;
    const int64_t l = ISqrt(static_cast<uint64_t>(r2) + static_cast<uint64_t>(d2));
    if (l <= distance) return false;
    if (!dest || !src || (!lpDTCon && !lpDDCon)) return false;

    const EffectLocks locks(dest, src);
    if (!locks.Ok()) return false;

    const LensGeometry g{cx, cy, scx, scy, radius, distance, r2, l * l};
    const bool add = lpDTCon && DDBlendAddsColor(blend);
    const uint32_t addRgb = add ? blend->dwVertexColor & 0xFFFFFFu : 0;
    const OpaqueTest opaque = DDCurrentOpaqueTest();
    switch (opaque.variant) {
        case PixelVariant::D3D32:
            LensPixels<uint32_t>(locks, g, Lens32D3D{opaque, add, addRgb, clear == 1});
            break;
        case PixelVariant::D3D16: {
            const PixelFormatTable& tf = g_PixelFormat;
            const auto scale = [](uint32_t byte, int mask) { return byte * static_cast<uint32_t>(mask) / 255; };
            const Lens16D3D rule{opaque,
                                 mode == 1,
                                 add,
                                 IsFullscreenBackBuffer(locks.Dst().Surface()),
                                 scale((addRgb >> 16) & 0xFF, tf.nRedMask),
                                 scale((addRgb >> 8) & 0xFF, tf.nGreenMask),
                                 scale(addRgb & 0xFF, tf.nBlueMask),
                                 tf,
                                 g_BackBufferPixelFormat};
            LensPixels<uint16_t>(locks, g, rule);
            break;
        }
        case PixelVariant::DD32: LensPixels<uint32_t>(locks, g, LensBlit<uint32_t>{opaque}); break;
        case PixelVariant::DD16: LensPixels<uint16_t>(locks, g, LensBlit<uint16_t>{opaque}); break;
        case PixelVariant::DD8: LensPixels<uint8_t>(locks, g, LensBlit<uint8_t>{opaque}); break;
        case PixelVariant::None: break;
    }
    return true;
}
