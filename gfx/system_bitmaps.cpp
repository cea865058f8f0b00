#include "gfx/system_bitmaps.h"

#include <algorithm>
#include <cstdio>

#include "gfx/font.h"

DDSURFACEDEF g_SysBmpDef[kSysBmpCount];
DDSURFACEDEF g_FontNumberDef[3];

int SharedSourceRow(int row) {
    if (row == 3) return 2;
    if (row >= 5 && row <= 21 && row % 2 == 1) return row - 1;     // mirrored sheets
    if (row >= 22 && row <= 39) return 4 + ((row - 22) / 2) * 2;   // system-memory copies
    if (row == 41) return 40;
    if (row == 44) return 43;
    if (row == 69) return 68;
    return -1;
}

void LinkSharedSurfaces() {
    for (int row = 0; row < kSysBmpCount; ++row) {
        const int source = SharedSourceRow(row);
        if (source >= 0) g_SysBmp[row].lpMirrorSrc = &g_SysBmp[source];
    }
}

void FillSystemBitmapTables() {
    {
        auto row = [](int n, const char* file, int key, int sys, int memType, int optional, int mirrorW, int blankW,
                      int blankH) {
            const int source = SharedSourceRow(n);
            DDSURFACEDATA* shared = source >= 0 ? &g_SysBmp[source] : nullptr;
            g_SysBmpDef[n].Set(file, key, sys, memType, shared, 0, optional, mirrorW, 0, blankW, blankH);
        };
        row(0, "bmp\\plt\\Palette.bmp", 0, 1, 0, 0, 0, 0, 0);
        row(1, "bmp\\Debug.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(2, "bmp\\Block.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(3, "bmp\\Block.bmp", 1, 1, 0, 0, 0, 0, 0);
        char name[32];
        for (int sheet = 1; sheet <= 8; ++sheet) {
            std::snprintf(name, sizeof name, "bmp\\Character%d.bmp", sheet);
            const int optional = sheet > 1;
            const int n = 4 + (sheet - 1) * 2;
            row(n, name, 1, 0, 0, optional, 0, 0, 0);
            row(n + 1, name, 1, 0, 0, optional, 32, 0, 0);
            row(n + 18, name, 1, 1, 0, optional, 0, 0, 0);
            row(n + 19, name, 1, 1, 0, optional, 32, 0, 0);
        }
        row(20, "bmp\\Shot.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(21, "bmp\\Shot.bmp", 1, 0, 0, 0, 16, 0, 0);
        row(38, "bmp\\Shot.bmp", 1, 1, 0, 0, 0, 0, 0);
        row(39, "bmp\\Shot.bmp", 1, 1, 0, 0, 16, 0, 0);
        row(40, "bmp\\Item.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(41, "bmp\\Item.bmp", 1, 1, 0, 0, 0, 0, 0);
        row(42, "bmp\\Item_Mini.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(43, "bmp\\Mark.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(44, "bmp\\Mark.bmp", 1, 1, 0, 0, 0, 0, 0);
        row(45, "bmp\\Loading.bmp", 1, 0, 0, 1, 0, 0, 0);
        row(46, "bmp\\Window.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(47, "bmp\\StatusWindow.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(48, "bmp\\Title.bmp", 0, 0, 0, 0, 0, 0, 0);
        row(49, "bmp\\GameMode.bmp", 1, 0, 0, 1, 0, 0, 0);
        row(50, "bmp\\Accessory.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(51, "bmp\\Symbol.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(52, "bmp\\Word.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(53, "bmp\\WorldMapChip.bmp", 1, 0, 0, 0, 0, 0, 0);
        row(54, "bmp\\WorldEvent.bmp", 1, 1, 0, 0, 0, 0, 0);
        row(55, "bmp\\WorldBack.bmp", 0, 1, 0, 1, 0, 0, 0);
        for (int n = 1; n <= 8; ++n) {
            std::snprintf(name, sizeof name, "背景その%d.bmp", n);
            row(55 + n, name, 1, 0, 0, 1, 0, 0, 0);
        }
        row(64, "E", 1, 1, 0, 0, 0, 256, 960);
        row(65, "E", 1, 1, 0, 0, 0, 256, 960);
        row(66, "E", 1, 1, 0, 0, 0, 640, 480);
        row(67, "E", 0, 1, 0, 0, 0, 640, 480);
        row(68, "E", 1, 0, 0, 0, 0, 640, 480);
        row(69, "E", 1, 1, 0, 0, 0, 640, 480);
        row(70, "E", 1, 0, 2, 0, 0, 1024, 1024);
        row(71, "E", 1, 1, 1, 0, 0, 1024, 1024);
        for (DDSURFACEDEF& def : g_FontNumberDef) def.Set("", 1, 0, 0, nullptr, 0, 0, 0, 0, 0, 0);
    }
    std::copy(std::begin(kFontDefRows), std::end(kFontDefRows), std::begin(g_FontDef));
}
