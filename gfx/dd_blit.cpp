// Blits: copies of a rectangle of one surface onto another, opaque or
// through the transparent colour, same size or scaled, and under the
// texture device also mirrored; with the clipping both back-ends share.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

#include "core/report_log.h"
#include "gfx/dd.h"

namespace {

bool HasTexture(const DDSURFACEDATA* sd) { return sd->lpDT && sd->lpDT->lpSurface; }
bool HasBlitSurface(const DDSURFACEDATA* sd) { return sd->lpDDS && sd->lpDDS->lpSurface; }

void QuadBlit(DDSURFACEDATA* dest, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw, int sh,
              int flags) {
    if (!DDClipBlt(dest, x, y, w, h, src, sx, sy, sw, sh)) return;
    if (LayerQueueHook hook = DDLayerQueue()) {
        if (hook(dest, x, y, w, h, src, sx, sy, sw, sh, flags)) return;
    }
    const float x0 = static_cast<float>(x) - 0.5f, x1 = static_cast<float>(x + w) - 0.5f;
    const float y0 = static_cast<float>(y) - 0.5f, y1 = static_cast<float>(y + h) - 0.5f;
    const float tw = static_cast<float>(src->nTexWidth), th = static_cast<float>(src->nTexHeight);
    const float u0 = static_cast<float>(sx) / tw, u1 = static_cast<float>(sx + sw) / tw;
    const float v0 = static_cast<float>(sy) / th, v1 = static_cast<float>(sy + sh) / th;
    const uint32_t color = lpDTCon->dwVertexColor;
    const plat::Vertex quad[4] = {{x0, y0, 0.0f, 1.0f, color, u0, v0},
                                  {x0, y1, 0.0f, 1.0f, color, u0, v1},
                                  {x1, y0, 0.0f, 1.0f, color, u1, v0},
                                  {x1, y1, 0.0f, 1.0f, color, u1, v1}};
    // Keyed texels are fully transparent; without the clear an opaque copy
    // would let the old picture show through them.
    const plat::PixelRect rect{x, y, x + w, y + h};
    const bool clear = flags == DDBLT_OPAQUE && src->lpDT->bColorKey;
    DDDrawTexturedQuad(dest, src, quad, DDTexturedStage(lpDTCon->nColorOp, lpDTCon->nAlphaOp), 0,
                       clear ? &rect : nullptr);
}

}  // namespace

bool DDDrawTexturedQuad(DDSURFACEDATA* dest, DDSURFACEDATA* src, const plat::Vertex (&quad)[4],
                        const plat::StageState& stage, uint32_t factor, const plat::PixelRect* clear) {
    DTTEXTURE* st = src->lpDT;
    plat::VertexBuffer* vb = st ? st->lpVertexBuffer.get() : nullptr;
    plat::Vertex* v = nullptr;
    if (!vb || !vb->Lock(&v)) return false;
    std::copy(std::begin(quad), std::end(quad), v);
    vb->Unlock();
    DDFlushFillBatch(dest);
    DDFlushFillBatch(src);
    if (!DDBeginScene() || !DDSetRenderTarget(0, dest)) return false;
    if (clear) lpDevice->Clear(clear, DDTransparentClearValue(dest));
    if (stage.colorArg2 == plat::kTaTFactor) lpDevice->SetTextureFactor(factor);
    lpDevice->SetStage(stage);
    lpDevice->SetTexture(st->lpTexture.get());
    lpDevice->DrawStrip(vb->Data());
    return DDSetRenderTarget(0, lpDTCon->lpCurrentRenderTarget) != 0;
}

namespace {

// Source pixel offset of destination offset i on a scaled axis; false when
// it falls outside the source rectangle. A mirrored axis (negative size)
// takes the pixel before each offset, so the first destination pixel shows
// the last source pixel before the source position.
inline bool ScaledOffset(int i, float step, int size, int& offset) {
    const int o = static_cast<int>(static_cast<float>(i) * step);
    if (size > 0) {
        if (o < 0 || o >= size) return false;
        offset = o;
        return true;
    }
    if (o <= size || o > 0) return false;
    offset = o - 1;
    return true;
}

template <class Pixel>
struct PixelRule {
    bool keyed;
    bool toBackBuffer;  // 16-bit texture pixels into the full-screen back buffer
    PixelFormatTable tf, bf;

    bool Transparent(Pixel p) const {
        if constexpr (sizeof(Pixel) == 4)
            return (p >> 24) == 0;
        else
            return (p & 0xA000) == 0;
    }
    Pixel Convert(Pixel p) const {
        if constexpr (sizeof(Pixel) == 2) {
            if (toBackBuffer) {
                const uint32_t r = (p >> tf.nRedShift) & static_cast<uint32_t>(tf.nRedMask);
                const uint32_t g = (p >> tf.nGreenShift) & static_cast<uint32_t>(tf.nGreenMask);
                const uint32_t b = (p >> tf.nBlueShift) & static_cast<uint32_t>(tf.nBlueMask);
                return static_cast<Pixel>(r << bf.nRedShift | (g * 2) << bf.nGreenShift | b << bf.nBlueShift);
            }
        }
        return p;
    }
};

template <class Pixel>
void LockedCopy(const cSurfaceLock& dl, const DDSURFACEDATA* dest, int x, int y, int w, int h, const cSurfaceLock& sl,
                const DDSURFACEDATA* src, int sx, int sy, int sw, int sh, const PixelRule<Pixel>& rule) {
    auto* const dbase = reinterpret_cast<Pixel*>(dl.Bits());
    const auto* const sbase = reinterpret_cast<const Pixel*>(sl.Bits());
    const ptrdiff_t dpitch = dl.PitchPixels(), spitch = sl.PitchPixels();
    const int dw = dest->nWidth, dh = dest->nHeight, srcW = src->nWidth, srcH = src->nHeight;

    if (sw == w && sh == h) {
        // Every pixel is bounds-checked on both surfaces; cutting the loops
        // to the rows and columns that pass gives the same pixels.
        const int i0 = std::max({0, -x, -sx}), i1 = std::min({w, dw - x, srcW - sx});
        const int j0 = std::max({0, -y, -sy}), j1 = std::min({h, dh - y, srcH - sy});
        if (i0 >= i1 || j0 >= j1) return;
        const bool plain = !rule.keyed && !rule.toBackBuffer;
        const int n = i1 - i0;
        for (int j = j0; j < j1; ++j) {
            Pixel* d = dbase + (y + j) * dpitch + (x + i0);
            const Pixel* s = sbase + (sy + j) * spitch + (sx + i0);
            if (plain) {
                std::memcpy(d, s, static_cast<size_t>(n) * sizeof(Pixel));
                continue;
            }
            for (int i = 0; i < n; ++i) {
                const Pixel p = s[i];
                if (rule.keyed && rule.Transparent(p)) continue;
                d[i] = rule.Convert(p);
            }
        }
        return;
    }

    // Below 2^24 every offset and its half are exact floats, so the steps
    // below take source pixel i / 2 exactly.
    constexpr int kExact = 1 << 24;
    if (w < kExact && h < kExact && w % 2 == 0 && h % 2 == 0 && sw == w / 2 && sh == h / 2) {
        // Twice the size: each row is its source row with every pixel
        // duplicated, and each second row a copy of the one before wherever
        // nothing shows through. Cut to the pixels that pass the checks on
        // both surfaces, as above.
        auto span = [](int pos, int size, int spos, int limit, int slimit, int& lo, int& hi) {
            const int64_t from = std::max({int64_t{0}, -int64_t{pos}, -2 * int64_t{spos}});
            const int64_t to = std::min({int64_t{size}, int64_t{limit} - pos, 2 * (int64_t{slimit} - spos)});
            lo = static_cast<int>(std::min<int64_t>(from, size));
            hi = static_cast<int>(std::max<int64_t>(to, lo));
        };
        int i0, i1, j0, j1;
        span(x, w, sx, dw, srcW, i0, i1);
        span(y, h, sy, dh, srcH, j0, j1);
        if (i0 >= i1 || j0 >= j1) return;
        const size_t rowBytes = static_cast<size_t>(i1 - i0) * sizeof(Pixel);
        for (int j = j0; j < j1; ++j) {
            Pixel* d = dbase + (y + j) * dpitch + (x + i0);
            if (!rule.keyed && j > j0 && j % 2 == 1) {
                std::memcpy(d, d - dpitch, rowBytes);
                continue;
            }
            // d[k] takes source pixel (i0 + k) / 2 of the rectangle.
            const Pixel* s = sbase + (sy + j / 2) * spitch + (sx + i0 / 2);
            const int n = i1 - i0;
            int k = 0;
            if (i0 % 2 == 1) {  // the second of a pair cut off on the left
                if (!(rule.keyed && rule.Transparent(s[0]))) d[0] = rule.Convert(s[0]);
                k = 1;
                ++s;
            }
            for (; k + 1 < n; k += 2, ++s) {
                const Pixel p = *s;
                if (rule.keyed && rule.Transparent(p)) continue;
                d[k] = d[k + 1] = rule.Convert(p);
            }
            if (k < n && !(rule.keyed && rule.Transparent(*s))) d[k] = rule.Convert(*s);
        }
        return;
    }

    const float rx = static_cast<float>(sw) / static_cast<float>(w);
    const float ry = static_cast<float>(sh) / static_cast<float>(h);
    for (int j = 0; j < h; ++j) {
        const int ty = y + j;
        if (ty < 0 || ty >= dh) continue;
        int oy;
        if (!ScaledOffset(j, ry, sh, oy)) continue;
        const int fy = sy + oy;
        if (fy < 0 || fy >= srcH) continue;
        Pixel* d = dbase + ty * dpitch;
        const Pixel* s = sbase + fy * spitch;
        for (int i = 0; i < w; ++i) {
            const int tx = x + i;
            if (tx < 0 || tx >= dw) continue;
            int ox;
            if (!ScaledOffset(i, rx, sw, ox)) continue;
            const int fx = sx + ox;
            if (fx < 0 || fx >= srcW) continue;
            const Pixel p = s[fx];
            if (rule.keyed && rule.Transparent(p)) continue;
            d[tx] = rule.Convert(p);
        }
    }
}

void LockedBlit(DDSURFACEDATA* dest, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw, int sh,
                int flags) {
    if (w <= 0 || h <= 0 || sw == 0 || sh == 0) return;
    if (g_nBpp != 16 && g_nBpp != 32) return;
    DDFlushFillBatch(dest);
    DDFlushFillBatch(src);
    cSurfaceLock dl(dest);
    if (!dl.Bits()) return;
    cSurfaceLock sl(src);
    if (!sl.Bits()) return;
    if (g_nBpp == 32) {
        PixelRule<uint32_t> rule{flags == DDBLT_KEYED, false, {}, {}};
        LockedCopy(dl, dest, x, y, w, h, sl, src, sx, sy, sw, sh, rule);
    } else {
        PixelRule<uint16_t> rule{flags == DDBLT_KEYED, IsFullscreenBackBuffer(dest), g_PixelFormat,
                                 g_BackBufferPixelFormat};
        LockedCopy(dl, dest, x, y, w, h, sl, src, sx, sy, sw, sh, rule);
    }
}

void StretchD3D(DDSURFACEDATA* dest, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw, int sh,
                int flags) {
    if (!dest || !src || !lpDevice) return;
    DDResolveMirror(dest);
    DDResolveMirror(src);
    if (lpDTCon->bCopying) {
        dest = &g_BackBufferSD;
        src = &g_VirBackBufferSD;
    } else {
        DDRedirectBackBuffer(dest);
        DDRedirectBackBuffer(src);
    }
    if (!HasTexture(dest) || !HasTexture(src)) {
        WriteDebugLog("DDStretchBlt Err: no texture (%s -> %s)", src->szFileName, dest->szFileName);
        return;
    }
    if (dest->lpDT->bRenderTarget && src->lpDT->nMemoryType != DTMEMORYTYPE_SYSTEM)
        QuadBlit(dest, x, y, w, h, src, sx, sy, sw, sh, flags);
    else
        LockedBlit(dest, x, y, w, h, src, sx, sy, sw, sh, flags);
}

bool BlitSurfacesReady(const DDSURFACEDATA* dest, const DDSURFACEDATA* src) {
    if (dest && src && HasBlitSurface(dest) && HasBlitSurface(src)) return true;
    WriteDebugLog("DDBlt Err: no surface (%s -> %s)", src ? src->szFileName : "", dest ? dest->szFileName : "");
    return false;
}

}  // namespace

uint32_t DDTransparentClearValue(const DDSURFACEDATA* dest) {
    if (dest == &g_BackBufferSD) {
        if (g_nBpp == 16) return plat::UnpackToArgb(plat::PixelFormat::A1R5G5B5, lpDTCon->wTransmitOpaque_16);
        return lpDTCon->dwTransmitOpaque;
    }
    if (g_nBpp == 16) return plat::UnpackToArgb(lpDTCon->textureFormat, lpDTCon->wTransmit_16);
    return lpDTCon->dwTransmit;
}

plat::StageState DDTexturedStage(int colorOp, int alphaOp) {
    plat::StageState stage;
    stage.colorOp = colorOp;
    stage.colorArg1 = plat::kTaTexture;
    stage.colorArg2 = plat::kTaDiffuse;
    stage.alphaOp = alphaOp;
    stage.alphaArg1 = plat::kTaTexture;
    stage.alphaArg2 = plat::kTaDiffuse;
    return stage;
}

LayerQueueHook& DDLayerQueue() {
    static LayerQueueHook hook = nullptr;
    return hook;
}

// ---------------------------------------------------------------------------
// Clipping

bool DDClipBlt(DDSURFACEDATA* dest, int& x, int& y, int& width, int& height, DDSURFACEDATA* src, int& srcX,
               int& srcY, int& srcWidth, int& srcHeight) {
    if (!dest || !src) return false;
    if (width <= 0 || height <= 0 || srcWidth == 0 || srcHeight == 0) return false;
    // Positions and sizes this far out never reach a surface; refusing them
    // keeps every sum below, and the quad edges x + width, inside int.
    // Each value tested on its own, not through a list, which would build
    // an array at every blit.
    constexpr int kFarOut = 1 << 29;
    const auto far = [](int v) { return v < -kFarOut || v > kFarOut; };
    if (far(x) || far(y) || far(width) || far(height) || far(srcX) || far(srcY) || far(srcWidth) || far(srcHeight))
        return false;
    const bool mirrorX = srcWidth < 0, mirrorY = srcHeight < 0;
    const bool d3d = lpDTCon != nullptr;

    if (srcWidth == width && srcHeight == height) {
        int left = std::max(srcX, 0), right = std::min(srcX + srcWidth, src->nWidth);
        int top = std::max(srcY, 0), bottom = std::min(srcY + srcHeight, src->nHeight);
        if (x < 0) {
            left += -x;
            x = 0;
        }
        if (x + (right - left) > dest->nWidth) right = left + (dest->nWidth - x);
        if (y < 0) {
            top += -y;
            y = 0;
        }
        if (y + (bottom - top) > dest->nHeight) bottom = top + (dest->nHeight - y);
        srcX = left;
        srcY = top;
        width = srcWidth = right - left;
        height = srcHeight = bottom - top;
    } else {
        // Spans run from low to high; the texture device may hold a mirrored
        // axis reversed.
        int left = srcX, right = srcX + srcWidth, top = srcY, bottom = srcY + srcHeight;
        if (d3d && mirrorX) std::swap(left, right);
        if (d3d && mirrorY) std::swap(top, bottom);
        left = std::max(left, 0);
        top = std::max(top, 0);
        right = std::min(right, src->nWidth);
        bottom = std::min(bottom, src->nHeight);
        const double kx = static_cast<double>(right - left) / srcWidth;
        const double ky = static_cast<double>(bottom - top) / srcHeight;
        if (d3d) {
            if (mirrorX) {
                srcX = right;
                srcWidth = -(right - left);
            } else {
                srcX = left;
                srcWidth = right - left;
            }
            if (mirrorY) {
                srcY = bottom;
                srcHeight = -(bottom - top);
            } else {
                srcY = top;
                srcHeight = bottom - top;
            }
            width = static_cast<int>(width * kx);
            height = static_cast<int>(height * ky);
            if (mirrorX) width = -width;
            if (mirrorY) height = -height;
        } else {
            srcX = left;
            srcWidth = right - left;
            srcY = top;
            srcHeight = bottom - top;
            width = static_cast<int>(width * kx);
            height = static_cast<int>(height * ky);
            // The blit surfaces do not clip: cut the destination, and the
            // source in proportion, axis by axis.
            auto cut = [](int& pos, int& size, int& spos, int& ssize, int limit) {
                if (pos < 0) {
                    if (pos + size < 0 || size == 0) {
                        size = 0;
                        return;
                    }
                    const int newSpos = static_cast<int>(-pos / static_cast<double>(size) * ssize + spos);
                    ssize -= newSpos - spos;
                    spos = newSpos;
                    size += pos;
                    pos = 0;
                }
                if (pos + size > limit) {
                    if (pos >= limit || size == 0) {
                        size = 0;
                        return;
                    }
                    ssize = static_cast<int>((limit - pos) / static_cast<double>(size) * ssize);
                    size = limit - pos;
                }
            };
            cut(x, width, srcX, srcWidth, dest->nWidth);
            cut(y, height, srcY, srcHeight, dest->nHeight);
        }
    }
    const bool signsKept = (mirrorX ? srcWidth < 0 : srcWidth > 0) && (mirrorY ? srcHeight < 0 : srcHeight > 0);
    return signsKept && width > 0 && height > 0;
}

void DDMirrorCoords(DDSURFACEDATA* src, int& srcX, int& srcY, int& srcWidth, int& srcHeight) {
    if (!lpDTCon || !src || !src->lpMirrorSrc) return;
    const auto axis = [](int cell, int& pos, int& size) {
        if (cell == 0) return;
        if (size == cell) {
            pos += size;
            size = -size;
        } else if (size < cell) {
            pos = pos + cell - 2 * (pos % cell);
            size = -size;
        }
    };
    axis(src->nMirrorWidth, srcX, srcWidth);
    axis(src->nMirrorHeight, srcY, srcHeight);
}

// ---------------------------------------------------------------------------
// Blits

void DDBlt(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX, int srcY,
           int flags) {
    if (lpDTCon) {
        DDStretchBlt(dest, x, y, width, height, src, srcX, srcY, width, height, flags);
        return;
    }
    if (!lpDDCon || !BlitSurfacesReady(dest, src)) return;
    int srcWidth = width, srcHeight = height;
    if (!DDClipBlt(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight)) return;
    const plat::PixelRect rect{srcX, srcY, srcX + width, srcY + height};
    dest->lpDDS->lpSurface->BltFast(x, y, src->lpDDS->lpSurface, rect, flags == DDBLT_KEYED);
}

void DDStretchBlt(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX, int srcY,
                  int srcWidth, int srcHeight, int flags) {
    if (lpDTCon) {
        DDMirrorCoords(src, srcX, srcY, srcWidth, srcHeight);
        StretchD3D(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, flags);
        return;
    }
    if (!lpDDCon || !BlitSurfacesReady(dest, src)) return;
    if (!DDClipBlt(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight)) return;
    const plat::PixelRect destRect{x, y, x + width, y + height};
    const plat::PixelRect srcRect{srcX, srcY, srcX + srcWidth, srcY + srcHeight};
    dest->lpDDS->lpSurface->Blt(destRect, src->lpDDS->lpSurface, srcRect, flags == DDBLT_KEYED);
}

void DDBltBlend(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX, int srcY,
                int flags, const BlendPair* blend) {
    if (lpDTCon)
        DDStretchBltBlend(dest, x, y, width, height, src, srcX, srcY, width, height, flags, blend);
    else
        DDBlt(dest, x, y, width, height, src, srcX, srcY, flags);
}

void DDStretchBltBlend(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX,
                       int srcY, int srcWidth, int srcHeight, int flags, const BlendPair* blend) {
    if (!lpDTCon) {
        DDStretchBlt(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, flags);
        return;
    }
    const BlendPair pair = blend ? *blend : BlendPair{};
    DDSetVertexColor(pair.dwVertexColor);
    DDSetColorOp(pair.nColorOp);
    DDStretchBlt(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, flags);
    DDResetVertexColor();
    DDResetColorOp();
}
