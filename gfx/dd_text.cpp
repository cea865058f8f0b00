// Sheet text, points, circles, dialog mode and the layer's message box.
#include "gfx/dd_text.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <iterator>
#include <limits>
#include <string>

#include "core/gfx_link.h"
#include "core/report_log.h"
#include "gfx/dd_layer.h"
#include "platform/dialogs.h"
#include "platform/presenter.h"

namespace {

bool FitsInt(int64_t v) { return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max(); }

bool InsideSurface(const DDSURFACEDATA* sd, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < sd->nWidth && y < sd->nHeight;
}

// One point whose position is known to lie on the surface.
void PlotPoint(DDSURFACEDATA* surface, int x, int y, uint32_t colorNumber) {
    if (lpDTCon) {
        DDFillRect(surface, x, y, 1, 1, colorNumber);
        return;
    }
    if (!lpDDCon || !surface->lpDDS || !surface->lpDDS->lpSurface) return;
    // PalNumToRGB converts as the display's format wants and gives 0 for a
    // number outside the palette, where a table look-up would run off it.
    const plat::PixelRect rect{x, y, x + 1, y + 1};
    surface->lpDDS->lpSurface->ColorFill(&rect, PalNumToRGB(colorNumber));
}

// y of the first-octant point in column x (0 <= x < r) of a midpoint circle,
// exactly as stepping from x = 0 reaches it: the largest y whose midpoint
// (x, y - 1/2) lies inside the circle of squared radius r*r - 1/4.
int64_t OctantY(int64_t r, int64_t x) {
    if (x == 0) return r;
    // 4(r - x)(r + x) - 3 < 2^64 for any int radius.
    const uint64_t v = 4 * static_cast<uint64_t>(r - x) * static_cast<uint64_t>(r + x) - 3;
    auto s = static_cast<uint64_t>(std::sqrt(static_cast<long double>(v)));
    while (s * s > v) --s;
    while ((s + 1) * (s + 1) <= v) ++s;
    return static_cast<int64_t>((s + 1) / 2);
}

// The decision value the stepping holds at (x, y), written so that no
// intermediate leaves 64 bits.
int64_t OctantDecision(int64_t r, int64_t x, int64_t y) {
    return 2 * ((x + 1) * (x + 1) - (r - y) * (r + y)) - 2 * y + 1;
}

void BmpPrintfLink(DDSURFACEDATA* sheet, int x, int y, int cellWidth, int cellHeight, const char* text) {
    DDBmpPrintf(&g_BackBufferSD, x, y, cellWidth, cellHeight, sheet, "%s", text ? text : "");
}

void ShowCursorOnce() { plat::ShowCursorCount(true); }

void HideCursorFully() {
    while (plat::ShowCursorCount(false) >= 0) {
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Sheet text

void DDBmpCharCell(uint8_t c, int* column, int* row) {
    int r = c >> 4;
    if (c >= 0xA6 && c <= 0xBF)
        r -= 10;
    else if (c >= 0xC0 && c <= 0xDD)
        r -= 4;
    if (column) *column = c & 0x0F;
    if (row) *row = r;
}

void DDBmpTextOut(DDSURFACEDATA* dest, int x, int y, int cellWidth, int cellHeight, DDSURFACEDATA* sheet,
                  const char* text) {
    if (!dest || !sheet || !text) return;
    // Cells of no size draw nothing; lines only move down, so once a line
    // starts below the destination nothing later can show.
    if (cellWidth <= 0 || cellHeight <= 0) return;
    const int64_t screenWidth = g_DDConfig.nWidth;
    DDBeginLayer(0);
    int64_t pen = 0;
    int64_t line = y;
    for (const char* p = text; *p; ++p) {
        if (line >= dest->nHeight) break;
        const auto c = static_cast<uint8_t>(*p);
        if (c == '\n') {
            pen = 0;
            line += cellHeight;
            continue;
        }
        int column = 0, row = 0;
        DDBmpCharCell(c, &column, &row);
        const int64_t dx = x + pen;
        const int64_t sx = int64_t{cellWidth} * column, sy = int64_t{cellHeight} * row;
        if (FitsInt(dx) && FitsInt(sx) && FitsInt(sy)) {
            DDBlt(dest, static_cast<int>(dx), static_cast<int>(line), cellWidth, cellHeight, sheet,
                  static_cast<int>(sx), static_cast<int>(sy), DDBLT_KEYED);
        }
        pen += cellWidth;
        if (pen >= screenWidth) {
            pen = 0;
            line += cellHeight;
        }
    }
    DDEndLayer();
}

void DDBmpPrintf(DDSURFACEDATA* dest, int x, int y, int cellWidth, int cellHeight, DDSURFACEDATA* sheet,
                 const char* format, ...) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    const std::string text = FormatBounded(kBmpTextBufferSize, format, args);
    va_end(args);
    DDBmpTextOut(dest, x, y, cellWidth, cellHeight, sheet, text.c_str());
}

// ---------------------------------------------------------------------------
// Points and circles

void DDPutPixel(DDSURFACEDATA* surface, int x, int y, uint32_t colorNumber) {
    if (!surface || !InsideSurface(surface, x, y)) return;
    PlotPoint(surface, x, y, colorNumber);
}

void DDCircle(DDSURFACEDATA* surface, int centerX, int centerY, int radius, uint32_t colorNumber) {
    if (!surface || radius < 1 || surface->nWidth <= 0 || surface->nHeight <= 0) return;
    const int64_t cx = centerX, cy = centerY, r = radius;
    const int64_t w = surface->nWidth, h = surface->nHeight;
    const auto plot = [&](int64_t px, int64_t py) {
        if (InsideSurface(surface, px, py)) PlotPoint(surface, static_cast<int>(px), static_cast<int>(py), colorNumber);
    };
    // Each of the eight points has one coordinate cx +- x or cy +- x, so only
    // columns x in these four windows can put a point on the surface. The
    // walk jumps to each window, so a radius far larger than the surface
    // costs no more than one the size of the surface.
    struct Window {
        int64_t first, last;
    };
    Window windows[4] = {{-cx, w - 1 - cx}, {cx - (w - 1), cx}, {-cy, h - 1 - cy}, {cy - (h - 1), cy}};
    std::sort(std::begin(windows), std::end(windows),
              [](const Window& a, const Window& b) { return a.first < b.first; });
    int64_t next = 0;  // first column not yet walked
    for (const Window& win : windows) {
        int64_t x = std::max(win.first, next);
        if (x > win.last) continue;
        if (x >= r) break;
        int64_t y = OctantY(r, x);
        int64_t d = OctantDecision(r, x, y);
        while (x <= y && x <= win.last) {
            plot(cx + x, cy + y);
            plot(cx - x, cy + y);
            plot(cx + x, cy - y);
            plot(cx - x, cy - y);
            plot(cx + y, cy + x);
            plot(cx - y, cy + x);
            plot(cx + y, cy - x);
            plot(cx - y, cy - x);
            if (d < 0) {
                d += 4 * x + 6;
            } else {
                d += 4 * (x - y) + 10;
                --y;
            }
            ++x;
        }
        next = x;
        if (x > y) break;  // the octant is done
    }
}

// ---------------------------------------------------------------------------
// Dialog mode and the layer's box

int DDSetDialogMode(int on) {
    if (g_bWindowMode != 0) return 1;
    if (lpDTCon) {
        // A software device draws nothing on its own between frames, so the
        // device itself needs no dialog switch; only a missing device fails.
        if (on) {
            DDEndScene();
            if (!lpDevice) {
                WriteDebugLog("D3D_OK != lpDevice->SetDialogBoxMode(TRUE)");
                return 0;
            }
            ShowCursorOnce();
        } else {
            HideCursorFully();
            if (!lpDevice) return 0;
        }
        return 1;
    }
    // The blit display shows its frames in a window of the desktop, so the
    // desktop's boxes already appear over it: only the cursor changes.
    if (on)
        ShowCursorOnce();
    else
        HideCursorFully();
    return 1;
}

int DDMesBox(const char* text, const char* caption, uint32_t type) {
    const char* shownText = text ? text : "";
    const char* shownCaption = caption ? caption : "";
    if (!DDSetDialogMode(1)) {
        WriteDebugLog("DDMesBox 失敗! %s, %s", shownText, shownCaption);
        return 0;
    }
    plat::ShowMessageBox(shownText, shownCaption, type);
    DDSetDialogMode(0);
    return 1;
}

void DDInstallTextLink() {
    GfxHooks& link = GfxLink();
    link.mesBox = DDMesBox;
    link.bmpPrintf = BmpPrintfLink;
}
