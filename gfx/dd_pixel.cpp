#include "gfx/dd_pixel.h"

cEffectLocks::cEffectLocks(DDSURFACEDATA* dst, DDSURFACEDATA* src) {
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

DDPixelVariant DDCurrentPixelVariant() {
    if (lpDTCon) {
        if (g_nBpp == 16) return DDPixelVariant::D3D16;
        if (g_nBpp == 32) return DDPixelVariant::D3D32;
    } else if (lpDDCon) {
        if (g_nBpp == 8) return DDPixelVariant::DD8;
        if (g_nBpp == 16) return DDPixelVariant::DD16;
        if (g_nBpp == 32) return DDPixelVariant::DD32;
    }
    return DDPixelVariant::None;
}

DDOpaqueTest DDCurrentOpaqueTest() {
    DDOpaqueTest test;
    test.variant = DDCurrentPixelVariant();
    if (!lpDTCon) test.key = g_DDConfig.dwColorKey;
    return test;
}
