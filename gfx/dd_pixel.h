// The pixel rules the locked-pixel effects share: which back-end and depth
// is up, which source pixels count as transparent, how both surfaces are
// locked, so every effect follows them the same way.
#pragma once
#include <cstdint>
#include <optional>

#include "gfx/dd.h"

// Back-end x display depth of the running layer, as the pixel effects
// branch on it. None when no back-end is up or at a depth the effects do
// not handle (24 bits, 8 bits under the texture device).
enum class PixelVariant { None, D3D16, D3D32, DD8, DD16, DD32 };
PixelVariant DDCurrentPixelVariant();

// The transparency test of source pixels: under the texture device a 32-bit
// pixel is drawn when its alpha byte is not 0 and a 16-bit one when bit 15
// or bit 13 is set; under the blit display when it differs from the
// transparent colour value.
struct OpaqueTest {
    PixelVariant variant = PixelVariant::None;
    uint32_t key = 0;

    bool operator()(uint32_t pixel) const {
        switch (variant) {
            case PixelVariant::D3D32: return (pixel >> 24) != 0;
            case PixelVariant::D3D16: return (pixel & 0xA000u) != 0;
            case PixelVariant::None: return true;
            default: return pixel != key;
        }
    }
};
OpaqueTest DDCurrentOpaqueTest();

// Both surfaces of a locked-pixel effect: resolved as every drawing call
// resolves them, fills still waiting in a batch drawn, then the destination
// locked, then the source; released in the reverse order. Dst().Surface()
// and Src().Surface() are the surfaces actually locked.
class EffectLocks {
public:
    EffectLocks(DDSURFACEDATA* dst, DDSURFACEDATA* src);
    ~EffectLocks() {
        m_src.reset();
        m_dst.reset();
    }
    EffectLocks(const EffectLocks&) = delete;
    EffectLocks& operator=(const EffectLocks&) = delete;

    // False when either lock failed.
    bool Ok() const { return m_ok; }
    const cSurfaceLock& Dst() const { return *m_dst; }
    const cSurfaceLock& Src() const { return *m_src; }

private:
    std::optional<cSurfaceLock> m_dst, m_src;
    bool m_ok = false;
};

// Whether a blend pair asks the pixel effects to add its colour (only the
// colour add does; no pair means no colour).
inline bool DDBlendAddsColor(const BlendPair* blend) { return blend && blend->nColorOp == plat::kTopAdd; }
