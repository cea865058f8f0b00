// The program's resource tables: the 72 system pictures with how each is
// made, and the digit strips of the three fonts. Start-up hands them to the
// drawing layer; scenes create the pictures they use by row number.
#pragma once
#include "gfx/dd.h"

// Rows of the system picture table that code names.
enum SysBmpRow : int {
    kSysBmpPalette = 0,
    kSysBmpDebug = 1,
    kSysBmpBlock = 2,
    kSysBmpCharacter1 = 4,
    kSysBmpShot = 20,
    kSysBmpItem = 40,
    kSysBmpItemMini = 42,
    kSysBmpMark = 43,
    kSysBmpLoading = 45,
    kSysBmpWindow = 46,
    kSysBmpStatusWindow = 47,
    kSysBmpTitle = 48,
    kSysBmpGameMode = 49,
    kSysBmpAccessory = 50,
    kSysBmpSymbol = 51,
    kSysBmpWord = 52,
    kSysBmpWorldMapChip = 53,
    kSysBmpWorldEvent = 54,
    kSysBmpWorldBack = 55,
    kSysBmpBackground1 = 56,  // ... 63
    kSysBmpShotChips = 64,    // shot chips in 32-dot cells, facing left; 65 right
    kSysBmpSightOverlay = 66,
    kSysBmpSightStamp = 67,
    kSysBmpWork = 68,         // chip and tint work surface; 69 its system-memory twin
};

extern DDSURFACEDEF g_SysBmpDef[kSysBmpCount];
extern DDSURFACEDEF g_FontNumberDef[3];

// Fills the picture table, the digit-strip rows and the font rows, as the
// program's start and every rebuild of the program-wide objects have them.
void FillSystemBitmapTables();

// The row whose texture a shared row draws with; -1 for a row of its own.
int SharedSourceRow(int row);

// Points every shared row's surface at its source (Direct3D only).
void LinkSharedSurfaces();
