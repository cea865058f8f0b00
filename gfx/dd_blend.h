// Blits that mix colours instead of copying them: the colour change (a
// picture pulled toward one palette colour), translucency and the tint of a
// whole surface, plus the 8-bit blend table that the blit-surface display
// mixes palette indexes through.
#pragma once
#include <cstdint>

#include "gfx/dd.h"

constexpr int kBlendTableSize = 256 * 256;

// Entry [a + b * 256] is the palette index nearest to an even mix of colour
// a (on top) and colour b (underneath). All zero until loaded; only the
// 8-bit blit-surface display reads it.
extern uint8_t g_BlendTable[kBlendTableSize];

// Reads exactly kBlendTableSize raw bytes (no header) from the file into
// `table`. Under the texture device nothing is read and the result is true.
// False, with the table unchanged, when the file cannot be opened or is
// shorter than a table.
bool DDLoadBlendTable(uint8_t* table, const char* file);

// Draws the w x h rectangle at (srcX, srcY) of `src` at (x, y) of `dest`,
// pulled toward palette[colorNumber & 0xFF] by `strength` (1 is halfway,
// each further step keeps less of the picture; 0 or less draws nothing).
// mode 1 skips transparent source pixels. `table` is accepted for the
// callers' sake; the 8-bit display reads g_BlendTable. `blend` (may be
// null) adds its colour first on locked texture-device pixels when its
// operation is the colour add. False when a surface cannot be locked.
bool DDBltColorChange(DDSURFACEDATA* dest, int x, int y, int w, int h, DDSURFACEDATA* src, int srcX, int srcY,
                      int mode, const PALETTEENTRY* palette, const uint8_t* table, uint32_t colorNumber,
                      int strength, const BlendPair* blend);

// Draws the rectangle translucently over `dest`. On the texture device's
// quad path `alpha` (0..255) is the transparency: 0 draws the source with its
// own alpha, 255 leaves the destination as it was. Every locked-pixel path
// mixes half and half whatever the alpha; at 8 bits through `table`, with
// index 0 as the empty index. False when a surface cannot be locked.
bool DDBltAlpha(DDSURFACEDATA* dest, int x, int y, int w, int h, DDSURFACEDATA* src, int srcX, int srcY, int mode,
                const uint8_t* table, int alpha);
// DDBltAlpha at half strength.
bool DDBltHalf(DDSURFACEDATA* dest, int x, int y, int w, int h, DDSURFACEDATA* src, int srcX, int srcY, int mode,
               const uint8_t* table);

// Tints the whole of `lpDstSD` with the colour at transparency `nAlpha`
// (texture device only; the rectangle is accepted, the whole surface is
// covered). Always 1.
int DDChangeColor(DDSURFACEDATA* lpDstSD, int x, int y, int nWidth, int nHeight, int nAlpha, uint8_t bRed,
                  uint8_t bGreen, uint8_t bBlue);
// The same, with the texture of `src` modulated by the colour (a surface
// without a texture, such as the device back buffer, reads as white, so the
// tint is a plain colour wash). Always 1.
int DDChangeColorEx(DDSURFACEDATA* dest, int x, int y, int w, int h, DDSURFACEDATA* src, int alpha, uint8_t red,
                    uint8_t green, uint8_t blue);
