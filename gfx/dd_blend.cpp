// Colour change, translucency and tint. On the texture device a blit into a
// render target from a texture outside system memory is one quad drawn
// through the texture stage; every other case works on locked pixels,
// written once per back-end and depth.
#include "gfx/dd_blend.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/report_log.h"
#include "gfx/dd_pixel.h"
#include "platform/paths.h"

uint8_t g_BlendTable[kBlendTableSize] = {};

namespace {

// The weight (of 255) that the picture keeps in a colour change, by strength
// 1..4; 5 and more keep nothing.
constexpr uint32_t kQuadWeight[4] = {128, 80, 48, 16};
constexpr uint32_t kLockedWeight[4] = {128, 64, 32, 16};  // strength 1 is the exact half instead

uint32_t Weight(const uint32_t (&table)[4], int strength) { return strength <= 4 ? table[strength - 1] : 0; }

// A field of a packed pixel, and the alpha bit of a 16-bit texture pixel.
inline uint32_t Field(uint32_t p, int shift, int mask) { return (p >> shift) & static_cast<uint32_t>(mask); }
inline uint32_t AlphaBit(const PixelFormatTable& t) {
    return (static_cast<uint32_t>(t.nAlphaMask) & 1u) << t.nAlphaShift;
}
inline uint32_t Pack(const PixelFormatTable& t, uint32_t r, uint32_t g, uint32_t b) {
    return r << t.nRedShift | g << t.nGreenShift | b << t.nBlueShift;
}

// ---------------------------------------------------------------------------
// Locked-pixel frame

// The rectangle of a mixing blit: destination place and size, source place,
// and whether the source runs backwards on an axis (a mirrored cell).
struct BlendRect {
    int x, y, w, h;
    int sx, sy;
    bool mirrorX, mirrorY;
};

// Offsets [lo, hi) along one axis whose destination and source positions
// both lie inside their surfaces.
void AxisRange(int64_t pos, int64_t size, int64_t limit, int64_t spos, int64_t slimit, bool mirror, int64_t& lo,
               int64_t& hi) {
    lo = std::max<int64_t>(0, -pos);
    hi = std::min<int64_t>(size, limit - pos);
    if (mirror) {
        // Source position spos - 1 - i.
        lo = std::max(lo, spos - slimit);
        hi = std::min(hi, spos);
    } else {
        lo = std::max(lo, -spos);
        hi = std::min(hi, slimit - spos);
    }
}

// Calls op(destination pixel, source pixel) for every pixel of the rectangle
// that lies inside both surfaces, rows top to bottom, each left to right.
template <class Pixel, class Op>
void EachPixel(const cSurfaceLock& dl, const DDSURFACEDATA* dest, const cSurfaceLock& sl, const DDSURFACEDATA* src,
               const BlendRect& r, Op op) {
    int64_t i0, i1, j0, j1;
    AxisRange(r.x, r.w, dest->nWidth, r.sx, src->nWidth, r.mirrorX, i0, i1);
    AxisRange(r.y, r.h, dest->nHeight, r.sy, src->nHeight, r.mirrorY, j0, j1);
    if (i0 >= i1 || j0 >= j1) return;
    auto* const dbase = reinterpret_cast<Pixel*>(dl.Bits());
    const auto* const sbase = reinterpret_cast<const Pixel*>(sl.Bits());
    const ptrdiff_t dpitch = dl.PitchPixels(), spitch = sl.PitchPixels();
    for (int64_t j = j0; j < j1; ++j) {
        Pixel* d = dbase + (r.y + j) * dpitch + r.x;
        const int64_t srow = r.mirrorY ? r.sy - 1 - j : r.sy + j;
        const Pixel* s = sbase + srow * spitch;
        if (r.mirrorX) {
            for (int64_t i = i0; i < i1; ++i) op(d[i], s[r.sx - 1 - i]);
        } else {
            s += r.sx;
            for (int64_t i = i0; i < i1; ++i) op(d[i], s[i]);
        }
    }
}

// Hands both surfaces, locked, to `work`. False when either lock fails.
template <class Work>
bool WithLocks(DDSURFACEDATA* dest, DDSURFACEDATA* src, Work work) {
    if (!dest || !src || (!lpDTCon && !lpDDCon)) return false;
    const EffectLocks locks(dest, src);
    if (!locks.Ok()) return false;
    work(locks.Dst(), locks.Src());
    return true;
}

// ---------------------------------------------------------------------------
// Quad frame (texture device)

// Mirrors the source rectangle and resolves both surfaces as every drawing
// call does; true when the blit goes through the quad path.
bool PrepareD3D(DDSURFACEDATA*& dest, DDSURFACEDATA*& src, BlendRect& r, int& srcWidth, int& srcHeight) {
    srcWidth = r.w;
    srcHeight = r.h;
    DDMirrorCoords(src, r.sx, r.sy, srcWidth, srcHeight);
    r.mirrorX = srcWidth < 0;
    r.mirrorY = srcHeight < 0;
    DDResolveMirror(dest);
    DDResolveMirror(src);
    DDRedirectBackBuffer(dest);
    DDRedirectBackBuffer(src);
    return dest->lpDT && dest->lpDT->bRenderTarget && dest->lpDT->lpSurface && src->lpDT &&
           src->lpDT->nMemoryType != DTMEMORYTYPE_SYSTEM;
}

float TexCoord(int64_t value, int size) {
    return size > 0 ? static_cast<float>(value) / static_cast<float>(size) : 0.0f;
}

// A quad from (x0, y0) to (x1, y1) showing (u0, v0) to (u1, v1) of the
// source's texture.
bool DrawQuad(DDSURFACEDATA* dest, DDSURFACEDATA* src, float x0, float y0, float x1, float y1, float u0, float v0,
              float u1, float v1, uint32_t diffuse, const plat::StageState& stage, uint32_t factor) {
    const plat::Vertex quad[4] = {{x0, y0, 0.0f, 1.0f, diffuse, u0, v0},
                                  {x0, y1, 0.0f, 1.0f, diffuse, u0, v1},
                                  {x1, y0, 0.0f, 1.0f, diffuse, u1, v0},
                                  {x1, y1, 0.0f, 1.0f, diffuse, u1, v1}};
    return DDDrawTexturedQuad(dest, src, quad, stage, factor);
}

// The quad of a blit: (x, y, w, h) on the destination, (sx, sy, sw, sh) of
// the source texture, half a pixel up and left so texels land on pixels.
bool DrawBlitQuad(DDSURFACEDATA* dest, DDSURFACEDATA* src, const BlendRect& r, int srcWidth, int srcHeight,
                  uint32_t diffuse, const plat::StageState& stage, uint32_t factor) {
    const float x0 = static_cast<float>(r.x) - 0.5f, x1 = static_cast<float>(int64_t{r.x} + r.w) - 0.5f;
    const float y0 = static_cast<float>(r.y) - 0.5f, y1 = static_cast<float>(int64_t{r.y} + r.h) - 0.5f;
    const int tw = src->nTexWidth, th = src->nTexHeight;
    return DrawQuad(dest, src, x0, y0, x1, y1, TexCoord(r.sx, tw), TexCoord(r.sy, th),
                    TexCoord(int64_t{r.sx} + srcWidth, tw), TexCoord(int64_t{r.sy} + srcHeight, th), diffuse, stage,
                    factor);
}

// ---------------------------------------------------------------------------
// Colour change

// Repeated halving toward k, `times` times, for every 8-bit value. After
// nine steps the value no longer moves, so larger counts stop there. A
// target above 255 (a 16-bit palette entry beyond its field, as a fade
// toward an 8-bit colour leaves it) saturates instead of wrapping.
void HalvingTable(uint8_t (&out)[256], uint32_t k, int times) {
    const int steps = std::min(times, 16);
    for (uint32_t c = 0; c < 256; ++c) {
        uint32_t v = c;
        for (int n = 0; n < steps; ++n) v = (v + k) >> 1;
        out[c] = static_cast<uint8_t>(std::min<uint32_t>(v, 255));
    }
}

// The palette index after `times` steps through the blend table toward
// `colour`, for every index: the one-step map raised to that power.
void TableSteps(uint8_t (&out)[256], const uint8_t* table, uint32_t colour, int times) {
    uint8_t step[256], tmp[256];
    for (int p = 0; p < 256; ++p) {
        out[p] = static_cast<uint8_t>(p);
        step[p] = table[colour + static_cast<uint32_t>(p) * 256];
    }
    for (auto n = static_cast<unsigned>(times); n; n >>= 1) {
        if (n & 1) {
            for (int p = 0; p < 256; ++p) tmp[p] = step[out[p]];
            std::memcpy(out, tmp, sizeof tmp);
        }
        for (int p = 0; p < 256; ++p) tmp[p] = step[step[p]];
        std::memcpy(step, tmp, sizeof tmp);
    }
}

struct ColourChange {
    uint32_t red, green, blue;  // the palette entry as stored
    int strength;
    int mode;
    const BlendPair* blend;
};

void ColourChangeD3DLocked(DDSURFACEDATA* dest, const cSurfaceLock& dl, DDSURFACEDATA* src, const cSurfaceLock& sl,
                           const BlendRect& r, const ColourChange& cc) {
    const bool add = DDBlendAddsColor(cc.blend);
    const uint32_t addRgb = add ? cc.blend->dwVertexColor : 0;
    const OpaqueTest opaque = DDCurrentOpaqueTest();
    const bool keyed = cc.mode == 1;
    const bool half = cc.strength == 1;
    // The weight as the single-precision constant gives it; the mix itself
    // is worked out in double.
    const float alphaF = static_cast<float>(Weight(kLockedWeight, cc.strength)) * 0.003921569f;
    const double alpha = static_cast<double>(alphaF), rest = 1.0 - alpha;
    const auto mix = [&](uint32_t c, uint32_t k) -> uint32_t {
        if (half) return (c + k) >> 1;
        return static_cast<uint32_t>(static_cast<double>(c) * alpha + static_cast<double>(k) * rest);
    };

    if (g_nBpp == 32) {
        const uint32_t ar = (addRgb >> 16) & 0xFF, ag = (addRgb >> 8) & 0xFF, ab = addRgb & 0xFF;
        EachPixel<uint32_t>(dl, dest, sl, src, r, [&](uint32_t& d, uint32_t s) {
            if (keyed && !opaque(s)) return;
            uint32_t red = (s >> 16) & 0xFF, green = (s >> 8) & 0xFF, blue = s & 0xFF;
            if (add) {
                red = std::min<uint32_t>(red + ar, 255);
                green = std::min<uint32_t>(green + ag, 255);
                blue = std::min<uint32_t>(blue + ab, 255);
            }
            d = 0xFF000000u | mix(red, cc.red) << 16 | mix(green, cc.green) << 8 | mix(blue, cc.blue);
        });
        return;
    }
    if (g_nBpp != 16) return;
    const PixelFormatTable& tf = g_PixelFormat;
    const PixelFormatTable& bf = g_BackBufferPixelFormat;
    const bool toBackBuffer = IsFullscreenBackBuffer(dest);
    const auto scale = [](uint32_t byte, int mask) { return byte * static_cast<uint32_t>(mask) / 255; };
    const uint32_t kr = scale(cc.red, tf.nRedMask), kg = scale(cc.green, tf.nGreenMask),
                   kb = scale(cc.blue, tf.nBlueMask);
    const uint32_t ar = add ? scale((addRgb >> 16) & 0xFF, tf.nRedMask) : 0;
    const uint32_t ag = add ? scale((addRgb >> 8) & 0xFF, tf.nGreenMask) : 0;
    const uint32_t ab = add ? scale(addRgb & 0xFF, tf.nBlueMask) : 0;
    const auto rm = static_cast<uint32_t>(tf.nRedMask), gm = static_cast<uint32_t>(tf.nGreenMask),
               bm = static_cast<uint32_t>(tf.nBlueMask);
    EachPixel<uint16_t>(dl, dest, sl, src, r, [&](uint16_t& d, uint16_t s) {
        if (keyed && !opaque(s)) return;
        uint32_t red = Field(s, tf.nRedShift, tf.nRedMask), green = Field(s, tf.nGreenShift, tf.nGreenMask),
                 blue = Field(s, tf.nBlueShift, tf.nBlueMask);
        if (add) {
            red = std::min(red + ar, rm);
            green = std::min(green + ag, gm);
            blue = std::min(blue + ab, bm);
        }
        if (toBackBuffer) {
            // Green goes into the six-bit field as twice the result; the
            // exact half keeps the low bit of the sum.
            const uint32_t green2 = half ? green + kg : 2 * mix(green, kg);
            d = static_cast<uint16_t>(Pack(bf, mix(red, kr), green2, mix(blue, kb)));
            return;
        }
        d = static_cast<uint16_t>(Pack(tf, mix(red, kr) & rm, mix(green, kg) & gm, mix(blue, kb) & bm) | AlphaBit(tf));
    });
}

void ColourChangeDD(DDSURFACEDATA* dest, const cSurfaceLock& dl, DDSURFACEDATA* src, const cSurfaceLock& sl,
                    const BlendRect& r, const ColourChange& cc, uint32_t colorNumber) {
    const bool keyed = cc.mode == 1;
    const OpaqueTest opaque = DDCurrentOpaqueTest();
    if (g_nBpp == 8) {
        uint8_t map[256];
        TableSteps(map, g_BlendTable, colorNumber & 0xFF, cc.strength);
        EachPixel<uint8_t>(dl, dest, sl, src, r, [&](uint8_t& d, uint8_t s) {
            if (keyed && !opaque(s)) return;
            d = map[s];
        });
    } else if (g_nBpp == 16) {
        // Each field on the 8-bit scale, halved toward the colour, and back.
        const PixelFormatTable& t = g_PixelFormat;
        uint16_t fieldMap[3][64];
        const int masks[3] = {t.nRedMask, t.nGreenMask, t.nBlueMask};
        const uint32_t colour[3] = {cc.red, cc.green, cc.blue};
        for (int c = 0; c < 3; ++c) {
            const auto mask = static_cast<uint32_t>(std::clamp(masks[c], 1, 63));
            uint8_t halving[256];
            HalvingTable(halving, colour[c] * 255 / mask, cc.strength);
            for (uint32_t f = 0; f <= mask; ++f)
                fieldMap[c][f] = static_cast<uint16_t>(halving[std::min<uint32_t>(f * 255 / mask, 255)] * mask / 255);
        }
        EachPixel<uint16_t>(dl, dest, sl, src, r, [&](uint16_t& d, uint16_t s) {
            if (keyed && !opaque(s)) return;
            d = static_cast<uint16_t>(Pack(t, fieldMap[0][Field(s, t.nRedShift, t.nRedMask) & 63],
                                           fieldMap[1][Field(s, t.nGreenShift, t.nGreenMask) & 63],
                                           fieldMap[2][Field(s, t.nBlueShift, t.nBlueMask) & 63]));
        });
    } else if (g_nBpp == 32) {
        uint8_t mr[256], mg[256], mb[256];
        HalvingTable(mr, cc.red, cc.strength);
        HalvingTable(mg, cc.green, cc.strength);
        HalvingTable(mb, cc.blue, cc.strength);
        EachPixel<uint32_t>(dl, dest, sl, src, r, [&](uint32_t& d, uint32_t s) {
            if (keyed && !opaque(s)) return;
            d = (d & 0xFF000000u) | uint32_t{mr[(s >> 16) & 0xFF]} << 16 | uint32_t{mg[(s >> 8) & 0xFF]} << 8 |
                mb[s & 0xFF];
        });
    }
}

// ---------------------------------------------------------------------------
// Translucency on locked pixels: half and half

void HalfD3D(DDSURFACEDATA* dest, const cSurfaceLock& dl, DDSURFACEDATA* src, const cSurfaceLock& sl,
             const BlendRect& r, int mode) {
    const OpaqueTest opaque = DDCurrentOpaqueTest();
    const bool keyed = mode == 1;
    if (g_nBpp == 32) {
        EachPixel<uint32_t>(dl, dest, sl, src, r, [&](uint32_t& d, uint32_t s) {
            if (keyed && !opaque(s)) return;
            uint32_t out = 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8)
                out |= ((((s >> shift) & 0xFF) + ((d >> shift) & 0xFF)) >> 1) << shift;
            d = out;
        });
        return;
    }
    if (g_nBpp != 16) return;
    const PixelFormatTable& tf = g_PixelFormat;
    const PixelFormatTable& bf = g_BackBufferPixelFormat;
    if (IsFullscreenBackBuffer(dest)) {
        EachPixel<uint16_t>(dl, dest, sl, src, r, [&](uint16_t& d, uint16_t s) {
            if (keyed && !opaque(s)) return;
            const uint32_t red = (Field(s, tf.nRedShift, tf.nRedMask) + Field(d, bf.nRedShift, bf.nRedMask)) >> 1;
            const uint32_t green =
                (2 * Field(s, tf.nGreenShift, tf.nGreenMask) + Field(d, bf.nGreenShift, bf.nGreenMask)) >> 1;
            const uint32_t blue = (Field(s, tf.nBlueShift, tf.nBlueMask) + Field(d, bf.nBlueShift, bf.nBlueMask)) >> 1;
            d = static_cast<uint16_t>(Pack(bf, red, green, blue));
        });
        return;
    }
    EachPixel<uint16_t>(dl, dest, sl, src, r, [&](uint16_t& d, uint16_t s) {
        if (keyed && !opaque(s)) return;
        const uint32_t red = (Field(s, tf.nRedShift, tf.nRedMask) + Field(d, tf.nRedShift, tf.nRedMask)) >> 1;
        const uint32_t green = (Field(s, tf.nGreenShift, tf.nGreenMask) + Field(d, tf.nGreenShift, tf.nGreenMask)) >> 1;
        const uint32_t blue = (Field(s, tf.nBlueShift, tf.nBlueMask) + Field(d, tf.nBlueShift, tf.nBlueMask)) >> 1;
        d = static_cast<uint16_t>(Pack(tf, red, green, blue) | AlphaBit(tf));
    });
}

void HalfDD(DDSURFACEDATA* dest, const cSurfaceLock& dl, DDSURFACEDATA* src, const cSurfaceLock& sl,
            const BlendRect& r, int mode, const uint8_t* table) {
    const bool keyed = mode == 1;
    const OpaqueTest opaque = DDCurrentOpaqueTest();
    const uint32_t key = opaque.key;
    if (g_nBpp == 8) {
        // Index 0 is the empty index here, whatever the transparent colour.
        EachPixel<uint8_t>(dl, dest, sl, src, r, [&](uint8_t& d, uint8_t s) {
            if (keyed && s == 0) return;
            d = d == 0 ? s : table[s + d * 256];
        });
    } else if (g_nBpp == 16) {
        const PixelFormatTable& t = g_PixelFormat;
        const auto mixField = [](uint32_t sf, uint32_t df, int m) {
            const auto mask = static_cast<uint32_t>(std::max(m, 1));
            return ((df * 255 / mask + sf * 255 / mask) >> 1) * mask / 255;
        };
        EachPixel<uint16_t>(dl, dest, sl, src, r, [&](uint16_t& d, uint16_t s) {
            if (keyed && !opaque(s)) return;
            if (d == key) {
                d = s;
                return;
            }
            d = static_cast<uint16_t>(
                Pack(t, mixField(Field(s, t.nRedShift, t.nRedMask), Field(d, t.nRedShift, t.nRedMask), t.nRedMask),
                     mixField(Field(s, t.nGreenShift, t.nGreenMask), Field(d, t.nGreenShift, t.nGreenMask),
                              t.nGreenMask),
                     mixField(Field(s, t.nBlueShift, t.nBlueMask), Field(d, t.nBlueShift, t.nBlueMask),
                              t.nBlueMask)));
        });
    } else if (g_nBpp == 32) {
        EachPixel<uint32_t>(dl, dest, sl, src, r, [&](uint32_t& d, uint32_t s) {
            if (keyed && !opaque(s)) return;
            uint32_t out = d & 0xFF000000u;
            if (d == key) {
                d = out | (s & 0xFFFFFFu);
                return;
            }
            for (int shift = 0; shift < 24; shift += 8)
                out |= ((((s >> shift) & 0xFF) + ((d >> shift) & 0xFF)) >> 1) << shift;
            d = out;
        });
    }
}

}  // namespace

// ---------------------------------------------------------------------------

bool DDLoadBlendTable(uint8_t* table, const char* file) {
    if (lpDTCon) return true;
    if (!table || !file) return false;
    FILE* f = plat::OpenFile(file, "rb");
    if (!f) return false;
    // Read aside first: a short file must not leave half a table behind.
    std::vector<uint8_t> bytes(kBlendTableSize);
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    if (got != bytes.size()) return false;
    std::memcpy(table, bytes.data(), bytes.size());
    return true;
}

bool DDBltColorChange(DDSURFACEDATA* dest, int x, int y, int w, int h, DDSURFACEDATA* src, int srcX, int srcY,
                      int mode, const PALETTEENTRY* palette, const uint8_t* /*table*/, uint32_t colorNumber,
                      int strength, const BlendPair* blend) {
    // No strength is no change, on both back-ends.
    if (strength <= 0) return true;
    if (!dest || !src || !palette) return false;
    const PALETTEENTRY& entry = palette[colorNumber & 0xFF];
    const ColourChange cc{entry.r, entry.g, entry.b, strength, mode, blend};
    BlendRect r{x, y, w, h, srcX, srcY, false, false};

    if (lpDTCon) {
        int srcWidth, srcHeight;
        if (PrepareD3D(dest, src, r, srcWidth, srcHeight)) {
            const uint32_t factor = Weight(kQuadWeight, strength) << 24 | cc.red << 16 | cc.green << 8 | cc.blue;
            plat::StageState stage;
            stage.colorOp = plat::kTopBlendFactorAlpha;
            stage.colorArg1 = plat::kTaTexture;
            stage.colorArg2 = plat::kTaTFactor;
            stage.alphaOp = plat::kTopSelectArg1;
            stage.alphaArg1 = plat::kTaTexture;
            DrawBlitQuad(dest, src, r, srcWidth, srcHeight, 0xFFFFFFFFu, stage, factor);
            return true;
        }
        return WithLocks(dest, src, [&](const cSurfaceLock& dl, const cSurfaceLock& sl) {
            ColourChangeD3DLocked(dest, dl, src, sl, r, cc);
        });
    }
    return WithLocks(dest, src, [&](const cSurfaceLock& dl, const cSurfaceLock& sl) {
        ColourChangeDD(dest, dl, src, sl, r, cc, colorNumber);
    });
}

bool DDBltAlpha(DDSURFACEDATA* dest, int x, int y, int w, int h, DDSURFACEDATA* src, int srcX, int srcY, int mode,
                const uint8_t* table, int alpha) {
    if (!dest || !src) return false;
    BlendRect r{x, y, w, h, srcX, srcY, false, false};
    if (lpDTCon) {
        int srcWidth, srcHeight;
        if (PrepareD3D(dest, src, r, srcWidth, srcHeight)) {
            const uint32_t diffuse = (static_cast<uint32_t>(~alpha) & 0xFFu) << 24 | 0x00FFFFFFu;
            if (DrawBlitQuad(dest, src, r, srcWidth, srcHeight, diffuse,
                             DDTexturedStage(plat::kTopModulate, plat::kTopModulate), 0xFFFFFFFFu)) {
                plat::StageState stage = lpDevice->Stage();
                stage.alphaOp = plat::kTopSelectArg1;
                stage.alphaArg1 = plat::kTaTexture;
                lpDevice->SetStage(stage);
            }
            return true;
        }
        return WithLocks(dest, src,
                         [&](const cSurfaceLock& dl, const cSurfaceLock& sl) { HalfD3D(dest, dl, src, sl, r, mode); });
    }
    if (g_nBpp == 8 && !table) return false;
    return WithLocks(dest, src, [&](const cSurfaceLock& dl, const cSurfaceLock& sl) {
        HalfDD(dest, dl, src, sl, r, mode, table);
    });
}

bool DDBltHalf(DDSURFACEDATA* dest, int x, int y, int w, int h, DDSURFACEDATA* src, int srcX, int srcY, int mode,
               const uint8_t* table) {
    return DDBltAlpha(dest, x, y, w, h, src, srcX, srcY, mode, table, 128);
}

int DDChangeColor(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nAlpha, uint8_t bRed,
                  uint8_t bGreen, uint8_t bBlue) {
    return DDChangeColorEx(lpDstSD, x, y, nWidth, nHeight, lpDstSD, nAlpha, bRed, bGreen, bBlue);
}

int DDChangeColorEx(DDSURFACEDATA* dest, int /*x*/, int /*y*/, int /*w*/, int /*h*/, DDSURFACEDATA* src, int alpha,
                    uint8_t red, uint8_t green, uint8_t blue) {
    if (!lpDTCon) {
        if (lpDDCon)
            WriteDebugLog("DDrawでは DDChangeColor(DDSURFACEDATA *lpDstSD,int x,int y,int nWidth,int nHeight,int "
                          "nAlpha,BYTE bRed,BYTE bGreen,BYTE bBlue) は未対応");
        return 1;
    }
    if (!dest || !src || !lpDevice) return 1;
    DDResolveMirror(dest);
    DDResolveMirror(src);
    DDRedirectBackBuffer(dest);
    DDRedirectBackBuffer(src);
    const uint32_t diffuse = (static_cast<uint32_t>(~alpha) & 0xFFu) << 24 | uint32_t{red} << 16 |
                             uint32_t{green} << 8 | blue;
    const float x1 = static_cast<float>(dest->nWidth) - 0.5f, y1 = static_cast<float>(dest->nHeight) - 0.5f;
    DrawQuad(dest, src, -0.5f, -0.5f, x1, y1, 0.0f, 0.0f, TexCoord(dest->nWidth, src->nTexWidth),
             TexCoord(dest->nHeight, src->nTexHeight), diffuse,
             DDTexturedStage(plat::kTopModulate, plat::kTopModulate), 0xFFFFFFFFu);
    return 1;
}
