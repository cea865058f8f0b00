// Screen fades and palette helpers. A fade draws one step per call and
// follows a sine of its angle: under Direct3D a black quad of growing or
// shrinking alpha over the frame; under DirectDraw at 8 bits the display
// palette blended toward the colour; at 16 and 32 bits a blend of a
// snapshot of the frame (taken when the fade starts) and the colour.
#pragma once
#include <cstdint>

#include "gfx/dd.h"

// Entries first..last of source, blended toward (red, green, blue):
// level 256 keeps the source, 0 gives the colour. The range is cut to the
// 256 entries and level to 0..256; nothing when last < first.
void DDFadePalette(PALETTEENTRY* dest, int first, int last, int level, uint8_t red, uint8_t green, uint8_t blue,
                   const PALETTEENTRY* source);

// The whole source copied to dest, then entries first..last rotated by
// count places: direction 0 up (the last entries wrap to the start), 1 down,
// anything else leaves the copy. Nothing at all at 24 bits. dest and source
// may be the same palette.
void DDRotatePalette(PALETTEENTRY* dest, int first, int last, int count, int direction, const PALETTEENTRY* source);

// One step of a fade out (angle 90 down to 0) or in (0 up to 90) by `step`
// degrees; `finish` jumps to the end state. True on the call that drew the
// end state; the next fade then starts afresh. Under Direct3D the fade is
// always to black and the palette arguments are not used.
bool DDFadeOut(PALETTEENTRY* dest, int first, int last, uint8_t red, uint8_t green, uint8_t blue, double step,
               const PALETTEENTRY* source, int finish);
bool DDFadeIn(PALETTEENTRY* dest, int first, int last, uint8_t red, uint8_t green, uint8_t blue, double step,
              const PALETTEENTRY* source, int finish);

// DirectDraw: every pixel of dest becomes the pixel of source at the same
// place blended toward the colour (level 256 = source). 1, or 0 when a
// surface cannot be locked. Under Direct3D nothing is done (1).
int DDFade_UnPal(DDSURFACEDATA* dest, int level, uint8_t red, uint8_t green, uint8_t blue, DDSURFACEDATA* source);
