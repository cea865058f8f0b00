// What runtime support needs of the application shell: the main window that
// failure paths ask to close, and whether the editor started the program.
// The shell sets these once its window exists.
#pragma once
#include <atomic>

#include "platform/messages.h"

extern std::atomic<plat::WindowHandle> g_hMainWnd;
extern int g_bEditorLaunch;

// State of the shell that the game side reads. Each is written by one
// thread and read by others.
extern std::atomic<int> g_bActive;   // the program has the focus
extern int g_bRunning;               // start-up has finished
extern int g_bWindowed;              // windowed play ("WindowMode" non-zero)
extern int g_bNoFlip;                // full-screen presents copy instead of flipping
extern int g_bStartStageFile;        // a start stage file is being played
extern int g_bStartStageToTitle;     // ...and the title follows it

// Requests the game thread sends to the main window; the sender waits
// until the window's thread has handled them.
constexpr uint32_t WM_REQ_NAME = plat::kWmUser + 1;
constexpr uint32_t WM_REQ_OPENSTAGE = plat::kWmUser + 2;
constexpr uint32_t WM_REQ_LOADREPLAY = plat::kWmUser + 3;
constexpr uint32_t WM_REQ_SAVEREPLAY = plat::kWmUser + 4;
constexpr uint32_t WM_REQ_SE = plat::kWmUser + 5;
constexpr uint32_t WM_REQ_BGM = plat::kWmUser + 6;
constexpr uint32_t WM_REQ_RESTORE = plat::kWmUser + 100;

// Posts WM_CLOSE to the main window; the window takes it through its normal
// close path. Safe from any thread; does nothing before the window exists.
void PostMainWindowClose();
