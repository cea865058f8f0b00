// The rotated blit: a turned textured quad on the texture device when it
// can draw into the destination, else inverse mapping of locked pixels in
// integers, written once per back-end and depth.
#include "gfx/dd_rotate.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "gfx/dd_pixel.h"

namespace {

using i64 = int64_t;

// Slightly below pi / 180; the rotation is defined with this value.
constexpr double kRotateDegToRad = 0.017453292519943278;

long double Radians(int angle) { return static_cast<long double>(angle) * kRotateDegToRad; }

// 10-bit fixed point, truncated toward zero.
int Fixed(long double v) { return static_cast<int>(v * 1024.0L); }

bool HasTexture(const DDSURFACEDATA* sd) { return sd->lpDT && sd->lpDT->lpSurface; }

void RotateQuad(DDSURFACEDATA* dest, int x, int y, int width, int height, int pivotX, int pivotY, int angle,
                DDSURFACEDATA* src, int srcX, int srcY, int srcWidth, int srcHeight) {
    if (src->nTexWidth <= 0 || src->nTexHeight <= 0) return;
    const long double theta = Radians(angle);
    const float s = static_cast<float>(std::sin(theta)), c = static_cast<float>(std::cos(theta));
    const float tw = static_cast<float>(src->nTexWidth), th = static_cast<float>(src->nTexHeight);
    const float u0 = static_cast<float>(srcX) / tw, u1 = static_cast<float>(i64{srcX} + srcWidth) / tw;
    const float v0 = static_cast<float>(srcY) / th, v1 = static_cast<float>(i64{srcY} + srcHeight) / th;
    const uint32_t color = lpDTCon->dwVertexColor;
    auto corner = [&](int u, int w, float tu, float tv) {
        const float du = static_cast<float>(i64{u} - pivotX), dv = static_cast<float>(i64{w} - pivotY);
        return plat::Vertex{du * c - dv * s + static_cast<float>(x) - 0.5f,
                            du * s + dv * c + static_cast<float>(y) - 0.5f,
                            0.0f,
                            1.0f,
                            color,
                            tu,
                            tv};
    };
    const plat::Vertex quad[4] = {corner(0, 0, u0, v0), corner(0, height, u0, v1), corner(width, 0, u1, v0),
                                  corner(width, height, u1, v1)};
    DDDrawTexturedQuad(dest, src, quad, DDTexturedStage(lpDTCon->nColorOp, lpDTCon->nAlphaOp));
}

struct RotateJob {
    int x, y, width, height, pivotX, pivotY;
    int srcX, srcY;
    bool mirrorX, mirrorY;
    int sin, cos;        // forward factors
    int invSin, invCos;  // inverse factors
    bool keyed;
    uint32_t key;
};

template <class Pixel>
void RotatePixels(const cSurfaceLock& dl, const cSurfaceLock& sl, const RotateJob& job) {
    auto* const dbase = reinterpret_cast<Pixel*>(dl.Bits());
    const auto* const sbase = reinterpret_cast<const Pixel*>(sl.Bits());
    const ptrdiff_t dpitch = dl.PitchPixels(), spitch = sl.PitchPixels();
    const i64 dw = dl.Surface()->nWidth, dh = dl.Surface()->nHeight;
    const i64 srcW = sl.Surface()->nWidth, srcH = sl.Surface()->nHeight;
    const i64 px = job.pivotX, py = job.pivotY;

    // Box of the turned picture, in picture coordinates, plus a margin.
    const i64 a = i64{job.width} - 1 - px, b = i64{job.height} - 1 - py;
    i64 minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool first = true;
    for (const auto& [u, v] : {std::pair{-px, -py}, std::pair{a, -py}, std::pair{-px, b}, std::pair{a, b}}) {
        const i64 X = ((u * job.cos - v * job.sin) >> 10) + px;
        const i64 Y = ((u * job.sin + v * job.cos) >> 10) + py;
        minX = first ? X : std::min(minX, X);
        maxX = first ? X : std::max(maxX, X);
        minY = first ? Y : std::min(minY, Y);
        maxY = first ? Y : std::max(maxY, Y);
        first = false;
    }
    // Only the part of the box over the destination is visited; the rest
    // would be skipped pixel by pixel anyway.
    const i64 u0 = std::max(minX - 2, px - job.x), u1 = std::min(maxX + 2, px - job.x + dw);
    const i64 v0 = std::max(minY - 2, py - job.y), v1 = std::min(maxY + 2, py - job.y + dh);
    if (u0 >= u1 || v0 >= v1) return;

    const i64 C = job.invCos, S = job.invSin;
    for (i64 v = v0; v < v1; ++v) {
        Pixel* drow = dbase + static_cast<ptrdiff_t>(job.y + v - py) * dpitch;
        const i64 dv = v - py;
        i64 au = (u0 - px) * C - dv * S;  // steps by C along the row
        i64 av = (u0 - px) * S + dv * C;  // steps by S
        for (i64 u = u0; u < u1; ++u, au += C, av += S) {
            const i64 su = (au >> 10) + px, sv = (av >> 10) + py;
            if (su < 0 || su >= job.width || sv < 0 || sv >= job.height) continue;
            const i64 fx = job.mirrorX ? job.srcX - 1 - su : job.srcX + su;
            const i64 fy = job.mirrorY ? job.srcY - 1 - sv : job.srcY + sv;
            if (fx < 0 || fx >= srcW || fy < 0 || fy >= srcH) continue;
            const Pixel p = sbase[static_cast<ptrdiff_t>(fy) * spitch + fx];
            if (job.keyed && static_cast<uint32_t>(p) == job.key) continue;
            drow[job.x + u - px] = p;
        }
    }
}

void RotateLocked(DDSURFACEDATA* dest, DDSURFACEDATA* src, const RotateJob& job) {
    if (DDCurrentPixelVariant() == PixelVariant::None) return;
    const EffectLocks locks(dest, src);
    if (!locks.Ok()) return;
    if (g_nBpp == 8)
        RotatePixels<uint8_t>(locks.Dst(), locks.Src(), job);
    else if (g_nBpp == 16)
        RotatePixels<uint16_t>(locks.Dst(), locks.Src(), job);
    else
        RotatePixels<uint32_t>(locks.Dst(), locks.Src(), job);
}

// The value of a transparent source pixel at the display depth.
uint32_t TransparentValue() {
    if (lpDTCon) return g_nBpp == 16 ? lpDTCon->wTransmit_16 : lpDTCon->dwTransmit;
    return g_DDConfig.dwColorKey;
}

}  // namespace

void DDBltRotate(DDSURFACEDATA* dest, int x, int y, int width, int height, int pivotX, int pivotY, int angle,
                 DDSURFACEDATA* src, int srcX, int srcY, int flags) {
    if (!dest || !src || (!lpDTCon && !lpDDCon)) return;
    int srcWidth = width, srcHeight = height;
    if (lpDTCon) {
        DDMirrorCoords(src, srcX, srcY, srcWidth, srcHeight);
        DDResolveMirror(dest);
        DDResolveMirror(src);
        DDRedirectBackBuffer(dest);
        DDRedirectBackBuffer(src);
        if (!HasTexture(dest) || !HasTexture(src) || !lpDevice) return;
        if (dest->lpDT->bRenderTarget && src->lpDT->nMemoryType != DTMEMORYTYPE_SYSTEM) {
            RotateQuad(dest, x, y, width, height, pivotX, pivotY, angle, src, srcX, srcY, srcWidth, srcHeight);
            return;
        }
    }
    if (width <= 0 || height <= 0) return;

    const long double theta = Radians(angle);
    RotateJob job{};
    job.x = x;
    job.y = y;
    job.width = width;
    job.height = height;
    job.pivotX = pivotX;
    job.pivotY = pivotY;
    job.srcX = srcX;
    job.srcY = srcY;
    job.mirrorX = srcWidth < 0;
    job.mirrorY = srcHeight < 0;
    job.sin = Fixed(std::sin(theta));
    job.cos = Fixed(std::cos(theta));
    job.invSin = Fixed(std::sin(-theta));
    job.invCos = Fixed(std::cos(-theta));
    job.keyed = flags == DDBLT_KEYED;
    job.key = TransparentValue();
    RotateLocked(dest, src, job);
}
