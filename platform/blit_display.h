// The blit-surface display of the picture layer: a display of depth 8, 16
// or 32 with a primary surface, back buffers and off-screen surfaces, one
// source colour key per surface compared on the raw pixel value, same-size
// and stretched copies and colour fills, and a 256-entry display palette.
// Rules: rectangles are validated (empty, reversed or outside a surface ->
// InvalidRect, nothing drawn); a stretch samples the nearest source pixel,
// index s0 + k*sw/dw in integers; at 32 bits the key compares the RGB bits
// only; a keyed blit from a surface without a key copies opaque.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/picture.h"

namespace plat {

enum class BlitResult {
    Ok,
    SurfaceLost,
    InvalidRect,
    InvalidCall,
    OutOfVideoMemory,
    Failed,
};

class BlitSurface {
public:
    virtual ~BlitSurface() = default;
    virtual Image& Pixels() = 0;
    int Width() { return Pixels().Width(); }
    int Height() { return Pixels().Height(); }
    PixelFormat Format() { return Pixels().Format(); }
    virtual bool InSystemMemory() const = 0;

    // Fails while the surface is lost or already locked.
    virtual bool Lock(uint8_t** bits, int* pitch) = 0;
    virtual void Unlock() = 0;

    virtual void SetColorKey(uint32_t raw) = 0;
    virtual bool HasColorKey() const = 0;
    virtual uint32_t ColorKey() const = 0;

    virtual bool IsLost() const = 0;
    // Makes a lost surface usable again, its pixels zero.
    virtual BlitResult Restore() = 0;

    // Same-size copy of the source rectangle to (x, y) of this surface.
    virtual BlitResult BltFast(int x, int y, BlitSurface* source, const PixelRect& sourceRect, bool sourceKey) = 0;
    // Stretched copy of the source rectangle onto the destination rectangle.
    virtual BlitResult Blt(const PixelRect& destRect, BlitSurface* source, const PixelRect& sourceRect,
                           bool sourceKey) = 0;
    // Raw value over the rectangle (null = whole surface).
    virtual BlitResult ColorFill(const PixelRect* destRect, uint32_t raw) = 0;
};

struct PixelMasks {
    uint32_t red = 0, green = 0, blue = 0;
    int bitCount = 0;
};

class BlitDisplay {
public:
    virtual ~BlitDisplay() = default;

    // Null when an injected failure says the display cannot be made.
    static std::unique_ptr<BlitDisplay> Create(BlitResult* result);

    // Exclusive full screen or a normal window.
    virtual BlitResult SetCooperativeLevel(bool exclusiveFullScreen) = 0;
    // Full screen only. Depth 8, 16 or 32 (24 is refused: InvalidCall);
    // refresh 0 = the display's own, any other rate than the display's is
    // refused (InvalidCall).
    virtual BlitResult SetDisplayMode(int width, int height, int depth, int refresh) = 0;
    virtual void RestoreDisplayMode() = 0;
    // Depth of a windowed display: the emulated desktop's.
    virtual int DesktopDepth() const = 0;
    // Depth of the surfaces made now (the display mode's, or the desktop's).
    virtual int Depth() const = 0;

    // The primary with `backBuffers` attached back buffers (0 in a window),
    // at the display mode's size full screen, at the given size in a window.
    virtual BlitResult CreatePrimary(int backBuffers, int width, int height, std::unique_ptr<BlitSurface>* out) = 0;
    // The first back buffer of the primary's flip chain (owned by the
    // primary); null without one.
    virtual BlitSurface* AttachedBackBuffer() = 0;
    // Off-screen surface; a video surface beyond the video-memory budget is
    // OutOfVideoMemory (the caller may retry in system memory).
    virtual BlitResult CreateOffscreen(int width, int height, bool systemMemory,
                                       std::unique_ptr<BlitSurface>* out) = 0;

    // Bit masks and bit count of the primary's pixels (zero masks at 8).
    virtual PixelMasks PrimaryMasks() const = 0;

    // The display palette (8-bit displays show through it; changes show at
    // once).
    virtual void SetPaletteEntries(int first, int count, const PaletteColor* entries) = 0;
    virtual const PaletteColor* Palette() const = 0;

    // Full screen: shows the back buffer (the chain's surfaces swap their
    // pixels). Window: shows the given surface. Both hand the picture to the
    // presenter.
    virtual BlitResult Flip() = 0;
    virtual BlitResult PresentWindow(BlitSurface* backBuffer) = 0;
    virtual BlitResult WaitForVerticalBlank() = 0;

    // Objects made by this display and not yet destroyed.
    virtual int LiveObjects() const = 0;
};

}  // namespace plat
