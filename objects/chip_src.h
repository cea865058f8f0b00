// Where a chip is cut from: every graphic of a stage is a 32 x 32 chip of
// a sheet, 15 chips to a column. Blocks, charas, items and icons share the
// lookup.
#pragma once
#include <cstdint>

#include "gfx/dd.h"

class cGameObj;

// A chip is 32 x 32 dots; a sheet holds 15 to a column.
constexpr int kChip = 32;
constexpr int kChipsPerColumn = 15;

// A flash colour: ARGB and colour operation.
struct CHIPCOLOR {
    uint32_t argb = 0;
    int op = 0;
};

struct CHIPSRC {
    DDSURFACEDATA* a = nullptr;   // for the chara's facing
    DDSURFACEDATA* b = nullptr;   // its second copy
    DDSURFACEDATA* c = nullptr;   // the same for the other facing
    DDSURFACEDATA* d = nullptr;
    DDSURFACEDATA* s0 = nullptr;  // the pair stretched drawing reads
    DDSURFACEDATA* s1 = nullptr;
    int colorFlag = 0;
    CHIPCOLOR color;
    int specialSize = 0;          // an anime sheet with its own chip size
    uint8_t multiplier = 1;
    int x = 0, y = 0;
};

// The chip `chip` of sheet kind `kind` (0 block, 1 chara, 2 item, 3 shot
// chips, 4 anime sheet) with chip offset `offset` and anime frame `frame`;
// type 1 for a chara (facing from `obj`), 2 for an item, 0 otherwise. A chip
// outside the sheets never reads outside a surface: a chara chip shows the
// first chip of the first sheet, a missing anime sheet draws nothing.
CHIPSRC GetChipSrc(int type, int kind, int chip, int offset, const cGameObj* obj, int frame);

// The chip-work surfaces for the present display back-end: the mark
// source, the work surface and the effect work surface.
void SelectChipSurfaces();
DDSURFACEDATA* ChipMarkSource();
DDSURFACEDATA* ChipWorkSurface();
DDSURFACEDATA* ChipEffectSurface();

// A 16 x 16 icon of a chip at (x, y).
void DrawChipIcon(DDSURFACEDATA* surface, int x, int y, int kind, int chip, int frame);
