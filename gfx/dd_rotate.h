// The rotated blit: a picture turned by whole degrees about a point of it.
#pragma once
#include "gfx/dd.h"

// Draws the width x height picture at (srcX, srcY) of src, at its own size,
// turned by `angle` degrees (positive = clockwise on the screen) about its
// point (pivotX, pivotY), which lands on (x, y) of dest. Unturned, the
// picture's top-left would be at (x - pivotX, y - pivotY).
// Under the texture device, onto a render target from a texture that is not
// in system memory, the picture is one turned quad blended by the texture's
// alpha (flags unused, never queued in a draw layer). Otherwise the pixels
// are resampled with 10-bit fixed-point factors; there flags DDBLT_KEYED
// skips source pixels equal to the transparent value.
void DDBltRotate(DDSURFACEDATA* dest, int x, int y, int width, int height, int pivotX, int pivotY, int angle,
                 DDSURFACEDATA* src, int srcX, int srcY, int flags);
