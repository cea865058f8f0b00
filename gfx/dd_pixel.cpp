#include "gfx/dd_pixel.h"

EffectLocks::EffectLocks(DDSURFACEDATA* dst, DDSURFACEDATA* src) {
    DDResolveMirror(dst);
    DDResolveMirror(src);
    DDRedirectBackBuffer(dst);
    DDRedirectBackBuffer(src);
    // Fills still waiting in a batch belong before the effect.
    DDFlushFillBatch(dst);
    DDFlushFillBatch(src);
    m_dst.emplace(dst);
    if (!m_dst->Bits()) return;
    m_src.emplace(src);
    m_ok = m_src->Bits() != nullptr;
}

PixelVariant DDCurrentPixelVariant() {
    if (lpDTCon) {
        if (g_nBpp == 16) return PixelVariant::D3D16;
        if (g_nBpp == 32) return PixelVariant::D3D32;
    } else if (lpDDCon) {
        if (g_nBpp == 8) return PixelVariant::DD8;
        if (g_nBpp == 16) return PixelVariant::DD16;
        if (g_nBpp == 32) return PixelVariant::DD32;
    }
    return PixelVariant::None;
}

OpaqueTest DDCurrentOpaqueTest() {
    OpaqueTest test;
    test.variant = DDCurrentPixelVariant();
    if (!lpDTCon) test.key = g_DDConfig.dwColorKey;
    return test;
}
