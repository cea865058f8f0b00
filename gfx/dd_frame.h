// Composite drawing built only from blits and fills: frames, framed
// windows, digit strips, and the wave, interlace, flip and burst effects.
// They behave the same on both back-ends.
#pragma once
#include "gfx/dd.h"

// Axis argument of the effects: columns move / squeeze vertically (1) or rows
// move / squeeze horizontally (0).
constexpr int DDAXIS_HORIZONTAL = 0;
constexpr int DDAXIS_VERTICAL = 1;

// A border of `thickness` inside the rectangle, in palette colour `colorNumber`.
void DDDrawFrame(DDSURFACEDATA* dest, int x, int y, int width, int height, int thickness, uint32_t colorNumber);

// The source's (0, 0, width, height) blitted keyed at (x, y), with a border of
// `thickness` just outside it.
void DDBltWithFrame(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int thickness,
                    uint32_t colorNumber);

// A number from a strip of ten digit cells starting at (stripX, stripY),
// right-aligned in `minDigits` cells, or centred in them when `centre` is set.
// Values below 0 draw as 0. The last argument is accepted and ignored.
void DDDrawNumber(DDSURFACEDATA* dest, int x, int y, int cellWidth, int cellHeight, DDSURFACEDATA* strip,
                  int stripX, int stripY, int flags, int value, int minDigits, int centre, int unused = 0);

// Sine-wave distortion: `frequency` periods across the size, `amplitude`
// pixels, `phase` in degrees, `band` columns (axis 1) or rows (axis 0) per
// piece; band <= 0 draws nothing.
void DDBltWave(DDSURFACEDATA* dest, int x, int y, int width, int height, int frequency, double amplitude, int phase,
               int band, DDSURFACEDATA* src, int srcX, int srcY, int flags, int axis);

// Alternate bands of `band` pixels pushed apart by `offset`; band 0 is a
// plain blit.
void DDBltInterlace(DDSURFACEDATA* dest, int x, int y, int width, int height, int band, int offset,
                    DDSURFACEDATA* src, int srcX, int srcY, int flags, int axis);

// One frame of a card flip between pictures A and B at `phase`.
void DDBltFlip(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* srcA, int srcAX, int srcAY,
               DDSURFACEDATA* srcB, int srcBX, int srcBY, int srcWidth, int srcHeight, int flags, int phase,
               int axis);

// The four quarters of the picture pushed apart by `offset`.
void DDBltBurst(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX, int srcY,
                int offset, int flags);
