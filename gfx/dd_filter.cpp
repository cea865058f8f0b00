// Blur and mosaic filters over locked pixels, written once per back-end and
// display depth. Reads stay inside both the rectangle and the source
// surface; every destination write is clipped on its own.
#include "gfx/dd_filter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using i64 = int64_t;

// Offsets [lo, hi) of a rectangle side whose pixels fall inside a surface.
struct Span {
    int lo = 0, hi = 0;
    bool Empty() const { return lo >= hi; }
};

Span Inside(int pos, int size, int limit) {
    const i64 lo = std::max<i64>(0, -i64{pos});
    const i64 hi = std::min<i64>(size, i64{limit} - pos);
    if (lo >= hi) return {};
    return {static_cast<int>(lo), static_cast<int>(hi)};
}

// The rectangle of one filter call over the locked pixels.
template <class Pixel>
struct Frame {
    Pixel* dst = nullptr;
    ptrdiff_t dpitch = 0;
    const Pixel* src = nullptr;
    ptrdiff_t spitch = 0;
    int x = 0, y = 0, w = 0, h = 0, sx = 0, sy = 0;
    Span outI, outJ;  // offsets whose destination pixel exists
    Span inI, inJ;    // offsets whose source pixel exists
    bool keyed = false;
    OpaqueTest opaque;

    Pixel& D(int i, int j) const { return dst[static_cast<ptrdiff_t>(y + j) * dpitch + (x + i)]; }
    const Pixel& S(int i, int j) const { return src[static_cast<ptrdiff_t>(sy + j) * spitch + (sx + i)]; }
    bool Taken(Pixel p) const { return !keyed || opaque(p); }
};

template <class Pixel>
Frame<Pixel> MakeFrame(const EffectLocks& locks, int x, int y, int w, int h, int sx, int sy, int mode) {
    Frame<Pixel> f;
    const DDSURFACEDATA* d = locks.Dst().Surface();
    const DDSURFACEDATA* s = locks.Src().Surface();
    f.dst = reinterpret_cast<Pixel*>(locks.Dst().Bits());
    f.dpitch = locks.Dst().PitchPixels();
    f.src = reinterpret_cast<const Pixel*>(locks.Src().Bits());
    f.spitch = locks.Src().PitchPixels();
    f.x = x;
    f.y = y;
    f.w = w;
    f.h = h;
    f.sx = sx;
    f.sy = sy;
    f.outI = Inside(x, w, d->nWidth);
    f.outJ = Inside(y, h, d->nHeight);
    f.inI = Inside(sx, w, s->nWidth);
    f.inJ = Inside(sy, h, s->nHeight);
    f.keyed = mode == 1;
    f.opaque = DDCurrentOpaqueTest();
    return f;
}

struct Rgb {
    uint32_t r = 0, g = 0, b = 0;
};

inline uint32_t Field(uint32_t p, int shift, int mask) { return (p >> shift) & static_cast<uint32_t>(mask); }
inline Rgb Fields(uint32_t p, const PixelFormatTable& t) {
    return {Field(p, t.nRedShift, t.nRedMask), Field(p, t.nGreenShift, t.nGreenMask),
            Field(p, t.nBlueShift, t.nBlueMask)};
}
inline uint32_t Pack(const Rgb& c, const PixelFormatTable& t) {
    return (c.r & static_cast<uint32_t>(t.nRedMask)) << t.nRedShift |
           (c.g & static_cast<uint32_t>(t.nGreenMask)) << t.nGreenShift |
           (c.b & static_cast<uint32_t>(t.nBlueMask)) << t.nBlueShift;
}
inline Rgb Bytes(uint32_t p) { return {(p >> 16) & 0xFFu, (p >> 8) & 0xFFu, p & 0xFFu}; }
inline uint32_t FromBytes(const Rgb& c) { return c.r << 16 | c.g << 8 | c.b; }

// The colour a blend pair adds, per component, capped at the component's
// maximum.
struct ColorAdd {
    bool on = false;
    Rgb add, max;
    Rgb Apply(Rgb c) const {
        if (!on) return c;
        return {std::min(max.r, c.r + add.r), std::min(max.g, c.g + add.g), std::min(max.b, c.b + add.b)};
    }
};

ColorAdd MakeColorAdd(const BlendPair* blend, const Rgb& max) {
    ColorAdd a;
    a.max = max;
    if (!DDBlendAddsColor(blend)) return a;
    a.on = true;
    const Rgb bytes = Bytes(blend->dwVertexColor);
    a.add = {bytes.r * max.r / 255, bytes.g * max.g / 255, bytes.b * max.b / 255};
    return a;
}

Rgb MaskOf(const PixelFormatTable& t) {
    return {static_cast<uint32_t>(t.nRedMask), static_cast<uint32_t>(t.nGreenMask),
            static_cast<uint32_t>(t.nBlueMask)};
}

// 16-bit texture pixels written into the full-screen back buffer: green
// doubled into its wider field, no alpha.
inline uint32_t BackBufferPixel(const Rgb& c) {
    const PixelFormatTable& b = g_BackBufferPixelFormat;
    return c.b << b.nBlueShift | (c.g * 2) << b.nGreenShift | c.r << b.nRedShift;
}

inline uint32_t AlphaBit() {
    return (static_cast<uint32_t>(g_PixelFormat.nAlphaMask) & 1u) << g_PixelFormat.nAlphaShift;
}

// ---------------------------------------------------------------------------
// Blur: per variant, how a pixel splits into components and how the
// average is written.

struct BlurD3D32 {
    ColorAdd add;
    Rgb Get(uint32_t p) const { return Bytes(p); }
    uint32_t Put(uint32_t, const Rgb& c) const { return 0xFF000000u | FromBytes(add.Apply(c)); }
};

struct BlurD3D16 {
    PixelFormatTable t;
    ColorAdd add;
    bool toBackBuffer;
    uint32_t alpha;
    Rgb Get(uint16_t p) const { return Fields(p, t); }
    uint16_t Put(uint16_t, const Rgb& c) const {
        const Rgb v = add.Apply(c);
        return static_cast<uint16_t>(toBackBuffer ? BackBufferPixel(v) : Pack(v, t) | alpha);
    }
};

struct BlurDD32 {
    Rgb Get(uint32_t p) const { return Bytes(p); }
    uint32_t Put(uint32_t old, const Rgb& c) const { return (old & 0xFF000000u) | FromBytes(c); }
};

struct BlurDD16 {
    PixelFormatTable t;
    Rgb Get(uint16_t p) const { return Fields(p, t); }
    uint16_t Put(uint16_t, const Rgb& c) const { return static_cast<uint16_t>(Pack(c, t)); }
};

template <class T>
struct SumsOf {
    T r = 0, g = 0, b = 0, n = 0;
};

// Exact division by small counts through a multiply: with m = 2^32 / d + 1
// (fraction dropped), (s * m) >> 32 equals s / d for every s below 2^32 / d,
// which sums of at most d samples of 255 or less are while d <= 4096.
class Divider {
public:
    static constexpr uint32_t kMaxCount = 4096;
    explicit Divider(uint64_t maxCount) {
        const uint64_t top = std::min<uint64_t>(maxCount, kMaxCount);
        m_factor.resize(static_cast<size_t>(top) + 1);
        for (uint64_t d = 1; d <= top; ++d) m_factor[static_cast<size_t>(d)] = (uint64_t{1} << 32) / d + 1;
    }
    uint32_t operator()(uint64_t sum, uint64_t count) const {
        if (count < m_factor.size()) return static_cast<uint32_t>((sum * m_factor[static_cast<size_t>(count)]) >> 32);
        return static_cast<uint32_t>(sum / count);
    }

private:
    std::vector<uint64_t> m_factor;
};

// Running box sums: per source column the sums over the window's rows,
// slid down row by row, and per row their prefix over the columns, so each
// pixel costs the same whatever the radii. Sum is 32 bits wide when the
// whole sample area cannot overflow it.
template <class Sum, class Pixel, class Codec>
void BlurRows(const Frame<Pixel>& f, int rx, int ry, const Codec& codec) {
    using Sums = SumsOf<Sum>;
    const Span si = f.inI, sj = f.inJ;
    const int n = si.hi - si.lo;
    std::vector<Sums> column(static_cast<size_t>(n)), prefix(static_cast<size_t>(n) + 1);
    const Divider divide(static_cast<uint64_t>(std::min<i64>(2 * i64{rx}, n)) *
                          static_cast<uint64_t>(std::min<i64>(2 * i64{ry}, sj.hi - sj.lo)));

    // Adds (sign 1) or takes away (sign -1, wrapping back exactly) one
    // source row; without the transparency test every sample counts, and
    // the loop has no branch.
    auto addRow = [&](int j, Sum sign) {
        Sums* c = column.data();
        const Pixel* p = &f.S(si.lo, j);
        if (!f.keyed) {
            for (int k = 0; k < n; ++k) {
                const Rgb v = codec.Get(p[k]);
                c[k].r += sign * Sum(v.r), c[k].g += sign * Sum(v.g), c[k].b += sign * Sum(v.b), c[k].n += sign;
            }
            return;
        }
        for (int k = 0; k < n; ++k) {
            if (!f.opaque(p[k])) continue;
            const Rgb v = codec.Get(p[k]);
            c[k].r += sign * Sum(v.r), c[k].g += sign * Sum(v.g), c[k].b += sign * Sum(v.b), c[k].n += sign;
        }
    };

    int rowLo = sj.lo, rowHi = sj.lo;  // window rows now summed in `column`
    for (int j = f.outJ.lo; j < f.outJ.hi; ++j) {
        const int wantLo = static_cast<int>(std::clamp<i64>(i64{j} - ry, sj.lo, sj.hi));
        const int wantHi = static_cast<int>(std::clamp<i64>(i64{j} + ry, sj.lo, sj.hi));
        if (rowHi <= wantLo) {
            // Nothing of the old window stays: the sums are back to zero.
            std::fill(column.begin(), column.end(), Sums{});
            rowLo = rowHi = wantLo;
        }
        while (rowHi < wantHi) addRow(rowHi++, Sum(1));
        while (rowLo < wantLo) addRow(rowLo++, Sum(0) - Sum(1));
        if (wantLo >= wantHi) continue;

        for (int k = 0; k < n; ++k) {
            const Sums& c = column[static_cast<size_t>(k)];
            const Sums& p = prefix[static_cast<size_t>(k)];
            prefix[static_cast<size_t>(k) + 1] = {Sum(p.r + c.r), Sum(p.g + c.g), Sum(p.b + c.b), Sum(p.n + c.n)};
        }
        const bool rowInside = j >= sj.lo && j < sj.hi;
        Pixel* const row = &f.D(f.outI.lo, j);
        auto pixel = [&](int i) {
            if (f.keyed && (!rowInside || i < si.lo || i >= si.hi || !f.opaque(f.S(i, j)))) return;
            const i64 lo = std::max<i64>(si.lo, i64{i} - rx), hi = std::min<i64>(si.hi, i64{i} + rx);
            if (lo >= hi) return;
            const Sums& a = prefix[static_cast<size_t>(hi - si.lo)];
            const Sums& b = prefix[static_cast<size_t>(lo - si.lo)];
            const uint64_t count = Sum(a.n - b.n);
            if (count == 0) return;
            Pixel& d = row[i - f.outI.lo];
            d = codec.Put(d, {divide(Sum(a.r - b.r), count), divide(Sum(a.g - b.g), count),
                              divide(Sum(a.b - b.b), count)});
        };
        // Where the whole window lies inside, every sample counts in mode 0:
        // one count, one factor, no clamping.
        i64 inner0 = f.outI.hi, inner1 = f.outI.hi;
        const uint64_t innerCount = uint64_t(wantHi - wantLo) * uint64_t(2 * i64{rx});
        if (!f.keyed && innerCount <= Divider::kMaxCount) {
            inner0 = std::clamp<i64>(i64{si.lo} + rx, f.outI.lo, f.outI.hi);
            inner1 = std::clamp<i64>(i64{si.hi} - rx, inner0, f.outI.hi);
        }
        for (int i = f.outI.lo; i < inner0; ++i) pixel(i);
        if (inner0 < inner1) {
            const uint64_t factor = (uint64_t{1} << 32) / innerCount + 1;
            const Sums* hiSums = &prefix[static_cast<size_t>(inner0 + rx - si.lo)];
            const Sums* loSums = &prefix[static_cast<size_t>(inner0 - rx - si.lo)];
            Pixel* d = row + (inner0 - f.outI.lo);
            for (i64 k = 0; k < inner1 - inner0; ++k) {
                const Sums& a = hiSums[k];
                const Sums& b = loSums[k];
                d[k] = codec.Put(d[k], {static_cast<uint32_t>((uint64_t(Sum(a.r - b.r)) * factor) >> 32),
                                        static_cast<uint32_t>((uint64_t(Sum(a.g - b.g)) * factor) >> 32),
                                        static_cast<uint32_t>((uint64_t(Sum(a.b - b.b)) * factor) >> 32)});
            }
        }
        for (i64 i = std::max(inner0, inner1); i < f.outI.hi; ++i) pixel(static_cast<int>(i));
    }
}

template <class Pixel, class Codec>
void BlurPixels(const Frame<Pixel>& f, int rx, int ry, const Codec& codec) {
    if (rx <= 0 || ry <= 0) return;  // an empty window takes no sample
    if (f.inI.Empty() || f.inJ.Empty() || f.outI.Empty() || f.outJ.Empty()) return;
    const uint64_t area = uint64_t(f.inI.hi - f.inI.lo) * uint64_t(f.inJ.hi - f.inJ.lo);
    if (area * 255 < (uint64_t{1} << 32))
        BlurRows<uint32_t>(f, rx, ry, codec);
    else
        BlurRows<uint64_t>(f, rx, ry, codec);
}

// ---------------------------------------------------------------------------
// Mosaic. Cells are handled a band of cell rows at a time: the band's
// colours are laid out once along a line, then written to each of its
// rows.

// One band's line: the value of every destination column of the band and
// whether its cell is skipped (flags as words: short runs of bytes would
// each become a call to a fill routine).
template <class Pixel>
struct BandLine {
    std::vector<Pixel> value;
    std::vector<uint32_t> skip;
    bool anySkipped = false;
};

// The line written to the band's rows; `keep` bits of the old pixel stay.
template <class Pixel>
void WriteBand(const Frame<Pixel>& f, int j0, int j1, const BandLine<Pixel>& line, Pixel keep) {
    j0 = std::max(j0, f.outJ.lo);
    j1 = std::min(j1, f.outJ.hi);
    const int i0 = f.outI.lo, count = f.outI.hi - f.outI.lo;
    for (int j = j0; j < j1; ++j) {
        Pixel* d = &f.D(i0, j);
        const Pixel* v = line.value.data();
        if (!line.anySkipped && keep == 0) {
            std::copy(v, v + count, d);
            continue;
        }
        const uint32_t* skip = line.skip.data();
        for (int k = 0; k < count; ++k)
            if (!skip[k]) d[k] = static_cast<Pixel>((d[k] & keep) | v[k]);
    }
}

// Walks the bands and their cells that reach a destination pixel; for each
// cell `colour(i0, i1, j0, j1, value)` gives its value or false to skip it.
template <class Pixel, class CellColour>
void MosaicBands(const Frame<Pixel>& f, int n, Pixel keep, CellColour colour) {
    if (f.outI.Empty() || f.outJ.Empty()) return;
    const i64 cell = n;
    BandLine<Pixel> line;
    line.value.resize(static_cast<size_t>(f.outI.hi - f.outI.lo));
    line.skip.resize(line.value.size());
    for (i64 cj = f.outJ.lo / cell * cell; cj < f.outJ.hi; cj += cell) {
        const int j0 = static_cast<int>(cj), j1 = static_cast<int>(std::min<i64>(cj + cell, f.h));
        line.anySkipped = false;
        for (i64 ci = f.outI.lo / cell * cell; ci < f.outI.hi; ci += cell) {
            const int i0 = static_cast<int>(ci), i1 = static_cast<int>(std::min<i64>(ci + cell, f.w));
            Pixel value = 0;
            const bool drawn = colour(i0, i1, j0, j1, value);
            line.anySkipped |= !drawn;
            const int k0 = std::max(i0, f.outI.lo) - f.outI.lo, k1 = std::min(i1, f.outI.hi) - f.outI.lo;
            for (int k = k0; k < k1; ++k) {
                line.value[static_cast<size_t>(k)] = value;
                line.skip[static_cast<size_t>(k)] = !drawn;
            }
        }
        WriteBand(f, j0, j1, line, keep);
    }
}

// Cells of one pixel: each pixel on its own, `colour(p, value)` giving the
// value of source pixel p or false to skip it.
template <class Pixel, class PixelColour>
void MosaicPixels(const Frame<Pixel>& f, Pixel keep, PixelColour colour) {
    const int i0 = std::max(f.outI.lo, f.inI.lo), i1 = std::min(f.outI.hi, f.inI.hi);
    const int j0 = std::max(f.outJ.lo, f.inJ.lo), j1 = std::min(f.outJ.hi, f.inJ.hi);
    if (i0 >= i1) return;
    for (int j = j0; j < j1; ++j) {
        Pixel* d = &f.D(i0, j);
        const Pixel* s = &f.src[static_cast<ptrdiff_t>(f.sy + j) * f.spitch + (f.sx + i0)];
        for (int k = 0; k < i1 - i0; ++k) {
            Pixel value = 0;
            if (colour(s[k], value)) d[k] = static_cast<Pixel>((d[k] & keep) | value);
        }
    }
}

// Corner rule: the cell takes its top-left source pixel, turned by `convert`.
template <class Pixel, class Convert>
void MosaicCorner(const Frame<Pixel>& f, int n, Convert convert) {
    if (n == 1) {
        MosaicPixels(f, Pixel{0}, [&](Pixel p, Pixel& value) {
            if (!f.Taken(p)) return false;
            value = convert(p);
            return true;
        });
        return;
    }
    MosaicBands(f, n, Pixel{0}, [&](int i0, int, int j0, int, Pixel& value) {
        if (i0 < f.inI.lo || i0 >= f.inI.hi || j0 < f.inJ.lo || j0 >= f.inJ.hi) return false;
        const Pixel p = f.S(i0, j0);
        if (!f.Taken(p)) return false;
        value = convert(p);
        return true;
    });
}

// Average rule: the cell takes the average of its source pixels (component
// values from `get`), packed by `pack`; in mode 1 an average that packs to
// the transparent colour is skipped. `keep` bits of the old pixel stay.
template <class Pixel, class Get, class PackFn>
void MosaicAverage(const Frame<Pixel>& f, int n, Pixel keep, Get get, PackFn pack) {
    if (n == 1) {
        // The average of one pixel is the pixel.
        MosaicPixels(f, keep, [&](Pixel p, Pixel& value) {
            if (!f.Taken(p)) return false;
            const uint32_t packed = pack(get(p));
            if (f.keyed && packed == f.opaque.key) return false;
            value = static_cast<Pixel>(packed);
            return true;
        });
        return;
    }
    const Divider divide(std::min<uint64_t>(uint64_t(n) * uint64_t(n), Divider::kMaxCount));
    MosaicBands(f, n, keep, [&](int i0, int i1, int j0, int j1, Pixel& value) {
        const int a0 = std::max(i0, f.inI.lo), a1 = std::min(i1, f.inI.hi);
        const int b0 = std::max(j0, f.inJ.lo), b1 = std::min(j1, f.inJ.hi);
        SumsOf<uint64_t> s;
        for (int j = b0; j < b1; ++j)
            for (int i = a0; i < a1; ++i) {
                const Pixel p = f.S(i, j);
                if (!f.Taken(p)) continue;
                const Rgb c = get(p);
                s.r += c.r, s.g += c.g, s.b += c.b, ++s.n;
            }
        if (s.n == 0) return false;
        const uint32_t packed = pack(Rgb{divide(s.r, s.n), divide(s.g, s.n), divide(s.b, s.n)});
        if (f.keyed && packed == f.opaque.key) return false;
        value = static_cast<Pixel>(packed);
        return true;
    });
}

}  // namespace

// ---------------------------------------------------------------------------

bool DDBltBlur(DDSURFACEDATA* dst, int x, int y, int w, int h, int rx, int ry, DDSURFACEDATA* src, int sx, int sy,
               int mode, const BlendPair* blend) {
    if (rx == 0 || ry == 0) return true;
    EffectLocks locks(dst, src);
    if (!locks.Ok()) return false;
    switch (DDCurrentPixelVariant()) {
        case PixelVariant::D3D32: {
            const BlurD3D32 codec{MakeColorAdd(blend, {255, 255, 255})};
            BlurPixels(MakeFrame<uint32_t>(locks, x, y, w, h, sx, sy, mode), rx, ry, codec);
            break;
        }
        case PixelVariant::D3D16: {
            const BlurD3D16 codec{g_PixelFormat, MakeColorAdd(blend, MaskOf(g_PixelFormat)),
                                  IsFullscreenBackBuffer(locks.Dst().Surface()), AlphaBit()};
            BlurPixels(MakeFrame<uint16_t>(locks, x, y, w, h, sx, sy, mode), rx, ry, codec);
            break;
        }
        case PixelVariant::DD32:
            BlurPixels(MakeFrame<uint32_t>(locks, x, y, w, h, sx, sy, mode), rx, ry, BlurDD32{});
            break;
        case PixelVariant::DD16:
            BlurPixels(MakeFrame<uint16_t>(locks, x, y, w, h, sx, sy, mode), rx, ry, BlurDD16{g_PixelFormat});
            break;
        default:
            break;  // no blur at 8 bits
    }
    return true;
}

bool DDBltMosaic(DDSURFACEDATA* dst, int x, int y, int w, int h, int n, DDSURFACEDATA* src, int sx, int sy, int mode,
                 const BlendPair* blend) {
    // A negative size has no cells to cut; treated as no mosaic at all.
    if (n <= 0) return true;
    EffectLocks locks(dst, src);
    if (!locks.Ok()) return false;
    switch (DDCurrentPixelVariant()) {
        case PixelVariant::D3D32: {
            const ColorAdd add = MakeColorAdd(blend, {255, 255, 255});
            MosaicCorner(MakeFrame<uint32_t>(locks, x, y, w, h, sx, sy, mode), n, [&add](uint32_t p) {
                return 0xFF000000u | (add.on ? FromBytes(add.Apply(Bytes(p))) : (p & 0x00FFFFFFu));
            });
            break;
        }
        case PixelVariant::D3D16: {
            const PixelFormatTable t = g_PixelFormat;
            const ColorAdd add = MakeColorAdd(blend, MaskOf(t));
            const bool toBackBuffer = IsFullscreenBackBuffer(locks.Dst().Surface());
            const uint32_t alpha = AlphaBit();
            MosaicCorner(MakeFrame<uint16_t>(locks, x, y, w, h, sx, sy, mode), n, [&](uint16_t p) {
                uint32_t v = p;
                if (add.on) v = Pack(add.Apply(Fields(v, t)), t) | alpha;
                if (toBackBuffer) v = BackBufferPixel(Fields(v, t));
                return static_cast<uint16_t>(v);
            });
            break;
        }
        case PixelVariant::DD8:
            MosaicCorner(MakeFrame<uint8_t>(locks, x, y, w, h, sx, sy, mode), n, [](uint8_t p) { return p; });
            break;
        case PixelVariant::DD32:
            // The fourth byte of the destination stays.
            MosaicAverage(
                MakeFrame<uint32_t>(locks, x, y, w, h, sx, sy, mode), n, 0xFF000000u,
                [](uint32_t p) { return Bytes(p); }, [](const Rgb& c) { return FromBytes(c); });
            break;
        case PixelVariant::DD16: {
            // Averaged on an 8-bit scale, so fields of different widths
            // round alike.
            const PixelFormatTable t = g_PixelFormat;
            const Rgb mask = MaskOf(t);
            auto up = [](uint32_t v, uint32_t m) { return m ? v * 255 / m : 0; };
            auto down = [](uint32_t v, uint32_t m) { return v * m / 255; };
            auto packed = [&](const Rgb& c) {
                return Pack({down(c.r, mask.r), down(c.g, mask.g), down(c.b, mask.b)}, t);
            };
            MosaicAverage(
                MakeFrame<uint16_t>(locks, x, y, w, h, sx, sy, mode), n, uint16_t{0},
                [&](uint16_t p) {
                    const Rgb c = Fields(p, t);
                    return Rgb{up(c.r, mask.r), up(c.g, mask.g), up(c.b, mask.b)};
                },
                packed);
            break;
        }
        default:
            break;
    }
    return true;
}
