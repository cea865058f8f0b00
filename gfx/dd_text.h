// Small services of the drawing layer: text drawn from a sheet of character
// cells (independent of the fonts), single points and circle outlines in a
// palette colour, and the switch between game drawing and system dialogs in
// full screen, with the layer's own message box built on it.
#pragma once
#include <cstdint>

#include "core/text.h"
#include "gfx/dd.h"

// Formatted sheet text goes through a buffer of this size.
constexpr size_t kBmpTextBufferSize = 256;

// Draws text from a sheet of cellWidth x cellHeight cells, 16 to a row: a
// newline starts a new line at x; a line that reaches the screen width goes
// on one cell lower at x. Each cell is a keyed blit, all inside one
// non-sorting draw layer.
void DDBmpTextOut(DDSURFACEDATA* dest, int x, int y, int cellWidth, int cellHeight, DDSURFACEDATA* sheet,
                  const char* text);
// Formats into kBmpTextBufferSize bytes (cut at a character boundary) and
// draws as DDBmpTextOut.
void DDBmpPrintf(DDSURFACEDATA* dest, int x, int y, int cellWidth, int cellHeight, DDSURFACEDATA* sheet,
                 const char* format, ...) ORV_PRINTF(7, 8);

// Column and row of a byte's cell in the sheet. Rows 0-9 exist in a sheet;
// some bytes map below them and so draw nothing.
void DDBmpCharCell(uint8_t c, int* column, int* row);

// One pixel in palette colour colorNumber; nothing outside nWidth x nHeight.
void DDPutPixel(DDSURFACEDATA* surface, int x, int y, uint32_t colorNumber);
// Midpoint circle outline; nothing for a radius below 1.
void DDCircle(DDSURFACEDATA* surface, int centerX, int centerY, int radius, uint32_t colorNumber);

// Full screen: on = the game yields the screen to a system dialog (cursor
// shown), off = the game takes it back (cursor hidden). In a window nothing
// happens. 1 on success, 0 on failure.
int DDSetDialogMode(int on);
// A modal box shown in dialog mode: 1 when shown, 0 when dialog mode could
// not start. The button chosen is not returned.
int DDMesBox(const char* text, const char* caption, uint32_t type);

// Installs the layer's box and the sheet-text overlay into runtime
// support's graphics link. DDInit does so with the rest of the link (its
// users ask the link whether a display is up first); calling it again is
// harmless.
void DDInstallTextLink();
