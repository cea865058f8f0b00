// What runtime support needs to know of the drawing layer, which lives in a
// room above it. The drawing layer installs these at start-up; until then
// the defaults say that no drawing back-end is up.
#pragma once
#include <cstdint>

struct DDSURFACEDATA;

struct VideoInfo {
    bool windowed = true;
    int bpp = 0;
    bool hasDirectDraw = false;
    double vramTotalBytes = 0;
    double vramFreeBytes = 0;
    uint32_t refreshRate = 0;
};

struct GfxHooks {
    // Direct3D back-end up (lpDTCon set).
    bool (*direct3DActive)() = nullptr;
    // Drawing layer initialised and running full screen.
    bool (*fullScreenUp)() = nullptr;
    // The layer's own box over the game screen: 1 shown, 0 not.
    int (*mesBox)(const char* text, const char* caption, uint32_t type) = nullptr;
    // Text from the glyph sheet onto the back buffer (cells cellW x cellH).
    void (*bmpPrintf)(DDSURFACEDATA* sheet, int x, int y, int cellW, int cellH, const char* text) = nullptr;
    // Facts for the video report; false when no display is up.
    bool (*videoFacts)(VideoInfo& out) = nullptr;
};

// The installed link (all null until the drawing layer installs it).
GfxHooks& GfxLink();
