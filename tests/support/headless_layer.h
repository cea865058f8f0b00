// The drawing layer started headless for tests above the graphics room: a
// 640 x 480 window of 32 bits through either back-end, a known palette
// with magenta as the transparent colour, bitmap files written into the
// current folder and raw pixels read back.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "gfx/dd.h"
#include "platform/picture_testing.h"
#include "platform/presenter.h"
#include "support/test_support.h"

namespace orvtest {

// Colour n of the known palette as 0xRRGGBB: 0 the transparent colour,
// every other entry distinct and never magenta.
inline uint32_t LayerRgb(int n) {
    if (n == 0) return 0xFF00FF;
    return static_cast<uint32_t>(n) << 16 | static_cast<uint32_t>(255 - n) << 8 | static_cast<uint32_t>(n * 7 & 0xFF);
}

inline bool StartHeadlessLayer(int useD3D) {
    plat::testing::ResetPictureFaults();
    plat::testing::SetDesktopDepth(32);
    plat::OpenFrameWindow("test", 640, 480, false);
    if (!DDInit(useD3D, 0, 640, 480, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0)) return false;
    for (int n = 0; n < 256; ++n) {
        const uint32_t rgb = LayerRgb(n);
        g_Palette[n] = PALETTEENTRY{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                    static_cast<uint8_t>(rgb), PC_RESERVED};
    }
    std::memcpy(g_BasePalette, g_Palette, sizeof g_Palette);
    DDSetTransmit(255, 0, 255);
    if (lpDTCon) lpDTCon->rgbPalTransmit = RGBTRIPLE{255, 0, 255};
    if (lpDDCon) lpDDCon->rgbConvTransmit = RGBTRIPLE{255, 0, 255};
    return true;
}

inline void StopHeadlessLayer() {
    DDRelease();
    plat::CloseFrameWindow();
    plat::testing::ResetPictureFaults();
}

// A 24-bit bitmap file whose pixel (x, y) shows palette colour
// colour(x, y).
inline void WriteLayerBmp(const std::string& name, int width, int height, const std::function<int(int, int)>& colour) {
    const int pitch = (width * 3 + 3) & ~3;
    const uint32_t imageSize = static_cast<uint32_t>(pitch * height);
    std::string b(54 + imageSize, '\0');
    auto put = [&b](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put(2, 54 + imageSize, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(width), 4);
    put(22, static_cast<uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, imageSize, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t rgb = LayerRgb(colour(x, y));
            put(54 + static_cast<size_t>((height - 1 - y) * pitch + x * 3), rgb, 3);  // blue, green, red
        }
    }
    WriteHostFile(name, b);
}

// The raw 32-bit pixel; 0xDEADBEEF when it cannot be read.
inline uint32_t ReadLayerRaw(DDSURFACEDATA* surface, int x, int y) {
    cSurfaceLock lock(surface);
    if (!lock.Bits() || lock.BytesPerPixel() != 4 || x < 0 || y < 0 || x >= surface->nWidth || y >= surface->nHeight)
        return 0xDEADBEEF;
    uint32_t raw = 0;
    std::memcpy(&raw, lock.Bits() + (static_cast<size_t>(y) * static_cast<size_t>(lock.PitchPixels()) + static_cast<size_t>(x)) * 4, 4);
    return raw;
}

// The raw value a palette colour takes on the back buffer.
inline uint32_t BackBufferRaw(int colour) {
    DDFillRect(&g_BackBufferSD, 0, 0, 1, 1, static_cast<uint32_t>(colour));
    return ReadLayerRaw(&g_BackBufferSD, 0, 0);
}

}  // namespace orvtest
