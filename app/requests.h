// What the game side needs of the application shell: the requests the game
// thread sends to the main window, their completion flags, and the shell's
// program-wide flags. The player's input state (app/input_state.h) belongs
// to the same small library. The game side includes nothing else of app/.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/shell_link.h"
#include "platform/messages.h"

// Requests the game thread sends to the main window; the sender waits
// until the window's thread has handled them.
constexpr uint32_t WM_REQ_NAME = plat::kWmUser + 1;
constexpr uint32_t WM_REQ_OPENSTAGE = plat::kWmUser + 2;
constexpr uint32_t WM_REQ_LOADREPLAY = plat::kWmUser + 3;
constexpr uint32_t WM_REQ_SAVEREPLAY = plat::kWmUser + 4;
constexpr uint32_t WM_REQ_SE = plat::kWmUser + 5;
constexpr uint32_t WM_REQ_BGM = plat::kWmUser + 6;
constexpr uint32_t WM_REQ_RESTORE = plat::kWmUser + 100;

// The game thread's senders. A system sound 0..16; a data sound 1 and up
// (0 plays nothing).
void PlaySystemSe(int n);
void PlayDataSe(int16_t n);
// Music by its Bgm record number.
void SendBgmRequest(int number, int loop);
// The music of scene music slot `index` (0 title, 1 world map and its
// menu, 2 stage select, 3 options).
void SendSceneBgmRequest(int index);
// Restores the lost Direct3D device on the window's thread.
void SendRestoreRequest();

// Completion flags of the dialog requests, set by the window's thread and
// polled by the game thread.
extern std::atomic<int> g_bNameEntryDone;
extern std::atomic<int> g_bFileRequestDone;
extern std::atomic<int> g_bFileRequestResult;

// State of the shell that the game side reads. Each is written by one
// thread and read by others.
extern std::atomic<int> g_bActive;   // the program has the focus
extern int g_bRunning;               // start-up has finished
extern int g_bWindowed;              // windowed play ("WindowMode" non-zero)
extern int g_bNoFlip;                // full-screen presents copy instead of flipping
extern int g_bStartStageFile;        // a start stage file is being played
extern int g_bStartStageToTitle;     // ...and the title follows it
