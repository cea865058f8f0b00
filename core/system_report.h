// The system report written at start-up and the video report written once
// the display is up, with the machine facts behind them.
#pragma once
#include <cstdint>
#include <string>

// Appends the system report to the report log: OS, processor, memory, disk,
// display and system font, one line each.
void WriteSystemReport();

// Appends the video report (mode, depth, video memory, refresh rate, and the
// Direct3D part when that back-end is up). The facts come from the drawing
// layer through the link in core/gfx_link.h.
void WriteVideoReport(bool withFormatTable);

// The Direct3D diagnostics part; 0 without writing when Direct3D is not
// active or the diagnostics cannot be had (always so here).
int WriteDxDiagReport(bool withFormatTable);

// The operating-system text of the "OS : %s" line and the reported version.
void GetWindowsName(std::string* name, int* major, int* minor);
// True when the reported version is at least major.minor.
bool IsWindowsAtLeast(int major, int minor);

struct CpuInfo {
    char vendor[256] = {};
    char brand[256] = {};
    double clockHz = 0.0;
};
void GetCpuInfo(CpuInfo& out);
double MeasureCpuClock();

// Free bytes available on the folder's disk ("" or null: the current one),
// capped at 2147483647; 0 when the query fails.
int32_t GetDiskFree(const char* folder);

// Free and total video memory in whole MB; both 0 without a DirectDraw-like
// display.
void GetVramMB(int* freeMB, int* totalMB);

// The display driver's interface version: 9 on every system this runs on.
int GetDDIVersion();
