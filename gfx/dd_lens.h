// Round copies of a source: the circle blit (horizontal strips through the
// ordinary blits, inside one unsorted draw layer) and the spherical lens
// (locked pixels, written once per back-end and depth).
#pragma once
#include "gfx/dd.h"

// Copies the part of `src` inside a circle of radius `r` around (scx, scy)
// to the circle around (cx, cy) of `dest`, limited to the box of half-width
// `halfWidth` and half-height `halfHeight` around the centre. `band` is the
// strip height in rows (1 = smooth outline, more = stepped). `flags` go to
// every strip blit (DDBLT_KEYED honours the source's transparent colour).
// A radius or band of 0 or less draws nothing and returns 1; otherwise the
// result of closing the draw layer.
int DDBltCircle(DDSURFACEDATA* dest, int cx, int cy, int halfWidth, int halfHeight, int r, int band,
                DDSURFACEDATA* src, int scx, int scy, int flags);

// Draws the disc of radius `radius` around (cx, cy) of `dest` from `src`
// around (scx, scy) through a spherical magnifier at lens distance
// `distance` (large: no visible effect; small: strong magnification).
// mode 1 skips transparent source pixels; clear 1 makes the Direct3D 32-bit
// variant write 0 wherever it draws nothing inside the lens square; `blend`
// (may be null) adds its vertex colour when its operation is the colour add.
// False when radius or distance is negative, when the lens would be flat
// (sqrt(distance^2 + radius^2) truncated is not above distance), or when a
// surface cannot be locked.
bool DDBltLens(DDSURFACEDATA* dest, int cx, int cy, int radius, int distance, DDSURFACEDATA* src, int scx, int scy,
               int mode, int clear, const BlendPair* blend);
