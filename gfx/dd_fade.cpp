// Screen fades (one step a call) and the palette helpers they and the
// colour cycling use.
#include "gfx/dd_fade.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/report_log.h"

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

// Fade angles in degrees, one per direction and back-end. They live from
// fade to fade: each returns to its start value on the call that ends a
// fade.
double g_fadeOutAngleD3D = 90.0;
double g_fadeOutAngleDD = 90.0;
double g_fadeInAngleD3D = 0.0;
double g_fadeInAngleDD = 0.0;

// The palette range cut to the 256 entries; false when it is empty.
bool ClampRange(int& first, int& last) {
    first = std::max(first, 0);
    last = std::min(last, 255);
    return last >= first;
}

// A black quad over the whole target whose alpha is 255 at angle 0 and 0 at
// angle 90. False when the scene or a render target cannot be set; a vertex
// buffer that cannot be locked only skips the drawing.
bool DrawFadeQuad(double angle) {
    const int v = static_cast<int>(std::sin(angle * kDegToRad) * 255.0);
    DDSURFACEDATA* target = &g_BackBufferSD;
    DDRedirectBackBuffer(target);
    DTTEXTURE* dt = target->lpDT;
    plat::VertexBuffer* vb = dt ? dt->lpVertexBuffer.get() : nullptr;
    // Fills still queued for the frame belong under the fade.
    DDFlushFillBatch(target);
    plat::Vertex* q = nullptr;
    if (!vb || !vb->Lock(&q)) return true;
    const float w = static_cast<float>(target->nWidth), h = static_cast<float>(target->nHeight);
    const float u = target->nTexWidth > 0 ? w / static_cast<float>(target->nTexWidth) : 0.0f;
    const float t = target->nTexHeight > 0 ? h / static_cast<float>(target->nTexHeight) : 0.0f;
    const uint32_t diffuse = static_cast<uint32_t>(255 - v) << 24;
    q[0] = {-0.5f, -0.5f, 0.0f, 1.0f, diffuse, 0.0f, 0.0f};
    q[1] = {-0.5f, h - 0.5f, 0.0f, 1.0f, diffuse, 0.0f, t};
    q[2] = {w - 0.5f, -0.5f, 0.0f, 1.0f, diffuse, u, 0.0f};
    q[3] = {w - 0.5f, h - 0.5f, 0.0f, 1.0f, diffuse, u, t};
    vb->Unlock();

    if (!DDBeginScene() || !DDSetRenderTarget(0, target)) return false;
    plat::StageState stage = lpDevice->Stage();
    stage.colorOp = plat::kTopSelectArg2;
    stage.colorArg2 = plat::kTaDiffuse;
    stage.alphaOp = plat::kTopSelectArg2;
    stage.alphaArg2 = plat::kTaDiffuse;
    lpDevice->SetStage(stage);
    lpDevice->DrawStrip(vb->Data());
    return DDSetRenderTarget(0, lpDTCon->lpCurrentRenderTarget) != 0;
}

// The frame that every step of a true-colour fade blends from.
void TakeSnapshot() {
    DDBlt(&g_OffScreenSD, 0, 0, g_OffScreenSD.nWidth, g_OffScreenSD.nHeight, &g_BackBufferSD, 0, 0, DDBLT_OPAQUE);
}

void DrawFadeDD(PALETTEENTRY* dest, int first, int last, uint8_t red, uint8_t green, uint8_t blue,
                const PALETTEENTRY* source, double angle) {
    const int level = static_cast<int>(std::sin(angle * kDegToRad) * 256.0);
    if (g_nBpp == 8) {
        DDFadePalette(dest, first, last, level, red, green, blue, source);
        if (dest && g_lpDD && ClampRange(first, last)) g_lpDD->SetPaletteEntries(first, last - first + 1, dest + first);
    } else if (g_nBpp == 16 || g_nBpp == 24 || g_nBpp == 32) {
        DDFade_UnPal(&g_BackBufferSD, level, red, green, blue, &g_OffScreenSD);
    }
}

// Blend tables: the result for every value a source field can hold.
template <size_t N>
void MakeBlendTable(uint32_t (&table)[N], uint32_t color, int level, int mask) {
    const uint32_t u = static_cast<uint32_t>(256 - level), l = static_cast<uint32_t>(level);
    const uint32_t m = static_cast<uint32_t>(mask);
    for (uint32_t field = 0; field < N; ++field) {
        if (m == 0) {
            table[field] = 0;
            continue;
        }
        const uint32_t value = field * 255 / m;
        const uint32_t blended = (color * u + l * value) >> 8;
        table[field] = blended * m / 255;
    }
}

void FadePixels16(const cSurfaceLock& dl, const cSurfaceLock& sl, int width, int height, int level, uint8_t red,
                  uint8_t green, uint8_t blue) {
    const PixelFormatTable& t = g_PixelFormat;
    uint32_t tr[256], tg[256], tb[256];
    MakeBlendTable(tr, red, level, t.nRedMask & 0xFF);
    MakeBlendTable(tg, green, level, t.nGreenMask & 0xFF);
    MakeBlendTable(tb, blue, level, t.nBlueMask & 0xFF);
    for (int y = 0; y < height; ++y) {
        auto* d = reinterpret_cast<uint16_t*>(dl.Bits()) + static_cast<ptrdiff_t>(y) * dl.PitchPixels();
        const auto* s = reinterpret_cast<const uint16_t*>(sl.Bits()) + static_cast<ptrdiff_t>(y) * sl.PitchPixels();
        for (int x = 0; x < width; ++x) {
            const uint32_t p = s[x];
            const uint32_t r = (p >> t.nRedShift) & static_cast<uint32_t>(t.nRedMask) & 0xFF;
            const uint32_t g = (p >> t.nGreenShift) & static_cast<uint32_t>(t.nGreenMask) & 0xFF;
            const uint32_t b = (p >> t.nBlueShift) & static_cast<uint32_t>(t.nBlueMask) & 0xFF;
            d[x] = static_cast<uint16_t>(DDPackFields(t, tr[r], tg[g], tb[b]));
        }
    }
}

void FadePixels32(const cSurfaceLock& dl, const cSurfaceLock& sl, int width, int height, int level, uint8_t red,
                  uint8_t green, uint8_t blue) {
    uint32_t tr[256], tg[256], tb[256];
    const uint32_t u = static_cast<uint32_t>(256 - level), l = static_cast<uint32_t>(level);
    for (uint32_t v = 0; v < 256; ++v) {
        tr[v] = (red * u + l * v) >> 8;
        tg[v] = (green * u + l * v) >> 8;
        tb[v] = (blue * u + l * v) >> 8;
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* d = dl.Bits() + static_cast<ptrdiff_t>(y) * dl.PitchPixels() * 4;
        const uint8_t* s = sl.Bits() + static_cast<ptrdiff_t>(y) * sl.PitchPixels() * 4;
        for (int x = 0; x < width; ++x) {
            // Byte 3 of the destination is left as it is.
            d[4 * x + 2] = static_cast<uint8_t>(tr[s[4 * x + 2]]);
            d[4 * x + 1] = static_cast<uint8_t>(tg[s[4 * x + 1]]);
            d[4 * x + 0] = static_cast<uint8_t>(tb[s[4 * x + 0]]);
        }
    }
}

// Size a blit surface record really has: the smaller of its logical size
// and its pixels.
void SurfaceExtent(DDSURFACEDATA* sd, int& width, int& height) {
    width = sd->nWidth;
    height = sd->nHeight;
    if (sd->lpDDS && sd->lpDDS->lpSurface) {
        width = std::min(width, sd->lpDDS->lpSurface->Width());
        height = std::min(height, sd->lpDDS->lpSurface->Height());
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Palette helpers

void DDFadePalette(PALETTEENTRY* dest, int first, int last, int level, uint8_t red, uint8_t green, uint8_t blue,
                   const PALETTEENTRY* source) {
    if (!dest || !source || !ClampRange(first, last)) return;
    level = std::clamp(level, 0, 256);
    const int u = 256 - level;
    for (int i = first; i <= last; ++i) {
        const PALETTEENTRY s = source[i];
        dest[i] = PALETTEENTRY{static_cast<uint8_t>((red * u + s.r * level) >> 8),
                               static_cast<uint8_t>((green * u + s.g * level) >> 8),
                               static_cast<uint8_t>((blue * u + s.b * level) >> 8), PC_RESERVED};
    }
}

void DDRotatePalette(PALETTEENTRY* dest, int first, int last, int count, int direction, const PALETTEENTRY* source) {
    if (!dest || !source) return;
    if (g_nBpp != 8 && g_nBpp != 16 && g_nBpp != 32) return;
    PALETTEENTRY old[256];
    std::memcpy(old, source, sizeof old);
    std::memcpy(dest, old, sizeof old);
    // A count of the range's length or more wraps round; the range is cut
    // to the palette, so no call reaches outside the 256 entries.
    if (!ClampRange(first, last) || count <= 0) return;
    const int length = last - first + 1;
    count %= length;
    if (count == 0) return;
    if (direction == 0) {
        for (int k = 0; k < length - count; ++k) dest[first + count + k] = old[first + k];
        for (int k = 0; k < count; ++k) dest[first + k] = old[last - count + 1 + k];
    } else if (direction == 1) {
        for (int k = 0; k < length - count; ++k) dest[first + k] = old[first + count + k];
        for (int k = 0; k < count; ++k) dest[last - count + 1 + k] = old[first + k];
    }
}

// ---------------------------------------------------------------------------
// Screen fades

bool DDFadeOut(PALETTEENTRY* dest, int first, int last, uint8_t red, uint8_t green, uint8_t blue, double step,
               const PALETTEENTRY* source, int finish) {
    double* angle = nullptr;
    if (lpDTCon) {
        angle = &g_fadeOutAngleD3D;
        if (finish) *angle = 0.0;
        if (!DrawFadeQuad(*angle)) return false;
    } else {
        angle = &g_fadeOutAngleDD;
        if (*angle == 90.0 && g_nBpp != 8) TakeSnapshot();
        if (finish) *angle = 0.0;
        DrawFadeDD(dest, first, last, red, green, blue, source, *angle);
    }
    if (*angle <= 0.0) {
        *angle = 90.0;
        return true;
    }
    *angle -= step;
    if (*angle < 0.0) *angle = 0.0;
    return false;
}

bool DDFadeIn(PALETTEENTRY* dest, int first, int last, uint8_t red, uint8_t green, uint8_t blue, double step,
              const PALETTEENTRY* source, int finish) {
    double* angle = nullptr;
    if (lpDTCon) {
        angle = &g_fadeInAngleD3D;
        if (finish) *angle = 90.0;
        if (!DrawFadeQuad(*angle)) return false;
    } else {
        angle = &g_fadeInAngleDD;
        if (*angle == 0.0 && g_nBpp != 8) TakeSnapshot();
        if (finish) *angle = 90.0;
        DrawFadeDD(dest, first, last, red, green, blue, source, *angle);
    }
    if (*angle < 90.0) {
        *angle += step;
        if (*angle > 90.0) *angle = 90.0;
        return false;
    }
    *angle = 0.0;
    return true;
}

int DDFade_UnPal(DDSURFACEDATA* dest, int level, uint8_t red, uint8_t green, uint8_t blue, DDSURFACEDATA* source) {
    if (lpDTCon) {
        WriteDebugLog("D3DではDDFade_UnPalは未対応");
        return 1;
    }
    if (!dest || !source) return 0;
    level = std::clamp(level, 0, 256);
    cSurfaceLock dl(dest);
    if (!dl.Bits()) return 0;
    cSurfaceLock sl(source);
    if (!sl.Bits()) return 0;
    // Only where both surfaces have pixels: a smaller source must not be
    // read past its end.
    int dw = 0, dh = 0, sw = 0, sh = 0;
    SurfaceExtent(dest, dw, dh);
    SurfaceExtent(source, sw, sh);
    const int width = std::min(dw, sw), height = std::min(dh, sh);
    if (g_nBpp == 16)
        FadePixels16(dl, sl, width, height, level, red, green, blue);
    else if (g_nBpp == 32)
        FadePixels32(dl, sl, width, height, level, red, green, blue);
    return 1;
}
