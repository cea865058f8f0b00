// Blur and mosaic filters: a rectangle of one surface written, filtered,
// into a rectangle of another by working on locked pixels.
#pragma once
#include "gfx/dd_pixel.h"

// Box blur of the w x h rectangle at (sx, sy) of src into the rectangle at
// (x, y) of dst. Each pixel becomes the average of the 2rx x 2ry window
// reaching rx left and ry up of it (rx - 1 right, ry - 1 down), shrunk to
// the rectangle and the source surface. mode 1 leaves pixels whose source
// is transparent and averages only drawn samples; other modes take every
// pixel. blend (may be null) adds its colour under the texture device when
// its operation is the colour add. Nothing is drawn at 8 bits. True when
// done or when there was nothing to do (rx or ry 0: nothing is locked);
// false when a surface cannot be locked. src and dst differ.
bool DDBltBlur(DDSURFACEDATA* dst, int x, int y, int w, int h, int rx, int ry, DDSURFACEDATA* src, int sx, int sy,
               int mode, const BlendPair* blend);

// Mosaic of n x n cells from the rectangle's top-left corner: under the
// texture device and at 8 bits each cell takes the colour of its top-left
// source pixel; under the blit display at 16 and 32 bits the average of its
// source pixels. mode, blend and the result as for the blur; n <= 0 does
// nothing and returns true.
bool DDBltMosaic(DDSURFACEDATA* dst, int x, int y, int w, int h, int n, DDSURFACEDATA* src, int sx, int sy, int mode,
                 const BlendPair* blend);
