// Test switches of the picture layer: fault injection and settable device
// facts. A software device never loses anything by itself, so the recovery
// paths of the program are reached only through these. The system's own
// code never includes this header.
#pragma once
#include <cstdint>

namespace plat::testing {

// Every image made from now on gets this many bytes of padding after each
// row (0 = none), so code that takes the pitch for the width fails at once.
void SetPitchPadding(int bytes);

// The next `count` image locks fail (0 = none).
void FailNextLocks(int count);

// The raster device's next Present reports the device as lost. Afterwards
// TestCooperativeLevel reports "lost" for `lostChecks` calls, then "not
// reset" until a Reset succeeds.
void LoseDevice(int lostChecks);

// Creation of render-target textures (raster device) and of video-memory
// surfaces (blit display) fails as "out of video memory" once this many
// bytes are in use; negative = unlimited (the default).
void SetVideoMemoryBudget(int64_t bytes);

// The next `count` vertex-buffer creations / locks fail.
void FailNextBufferCreations(int count);
void FailNextBufferLocks(int count);

// Every blit-display surface alive now (primary and back buffers included)
// reports itself lost until restored; their pixels are gone.
void LoseBlitSurfaces();

// Facts of the next raster device created: power-of-two and square-only
// texture rules, maximum texture size, and the display's refresh rate.
struct RasterCapsOverride {
    bool pow2 = false;
    bool squareOnly = false;
    int maxTextureWidth = 4096;
    int maxTextureHeight = 4096;
    bool dynamicTextures = true;
    bool alphaFlipOrDiscard = true;
    int refreshRate = 60;
    bool hardwareVertexProcessing = true;  // false: only the software form works
    bool createFails = false;              // device creation fails altogether
};
void SetRasterCaps(const RasterCapsOverride& caps);

// Depth of the emulated desktop used by a windowed blit display (8, 16 or
// 32), and the 16-bit layout of a blit display: R5G6B5 (default) or X1R5G5B5.
void SetDesktopDepth(int bits);
void UseX1R5G5B5ForBlit16(bool on);

// Raster loops keep to 128-bit vector steps even where the processor has
// wider ones, so both forms can be checked on one machine.
void UseNarrowVectors(bool on);

// Back to the defaults above.
void ResetPictureFaults();

}  // namespace plat::testing
