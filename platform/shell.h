// What the application shell needs of the desktop beyond its window: the
// desktop's events as window messages, one running instance per user, and
// the desktop's facts that start-up checks.
#pragma once
#include <cstdint>
#include <string_view>

#include "platform/input.h"
#include "platform/messages.h"

namespace plat {

// Window messages the desktop's events become; the numbers are the ones the
// program's window procedure is written against.
constexpr uint32_t kWmCreate = 0x0001;
constexpr uint32_t kWmDestroy = 0x0002;
constexpr uint32_t kWmMove = 0x0003;
constexpr uint32_t kWmSize = 0x0005;
constexpr uint32_t kWmPaint = 0x000F;
constexpr uint32_t kWmActivateApp = 0x001C;
constexpr uint32_t kWmSysCommand = 0x0112;
constexpr uint32_t kWmApp = 0x8000;

// On the window's thread: turns the desktop's waiting events into messages
// posted to `window`: the close button WM_CLOSE, a key press WM_KEYDOWN with
// its virtual-key code, focus WM_ACTIVATEAPP (1 gained, 0 lost), moves and
// size changes WM_MOVE and WM_SIZE, a damaged picture WM_PAINT, Alt with a
// digit 1 to 5 WM_SYSCOMMAND with that digit (the zoom commands). Keys and
// joysticks are updated on the way. The first call posts one activation,
// as a window that has just been shown gets.
void PumpDesktopEvents(WindowHandle window);
// On the window's thread, between passes of its loop: sleeps until the
// desktop has an event (handled as PumpDesktopEvents handles it), a message
// is posted or sent to `window`, a frame is presented that the window has
// not shown, or ms milliseconds of real time have passed.
void WaitDesktopEvents(WindowHandle window, uint32_t ms);
// Ends a WaitDesktopEvents from any thread: something waits for the window.
void WakeDesktopWait();
// Opens and closes the joysticks; the window's thread, around its loop.
void StartDesktopInput();
void StopDesktopInput();

// SIGINT and SIGTERM close the program as its close button does: from the
// first call on, each posts WM_CLOSE to `window` (one that comes while no
// window is named is posted to the next one named). Later calls name
// another window. StopCloseOnSignals gives both signals back their default
// action.
void CloseOnStopSignals(WindowHandle window);
void StopCloseOnSignals();

// One running program per user and name. Acquired: this process holds the
// lock until ReleaseInstanceLock or its end. HeldByOther: another live
// process holds it (its id in otherPid). Failed: the lock file cannot be
// made (the program may run on unguarded). ORV_INSTANCE_DIR names the folder
// of the lock files (default: the user's runtime folder, else /tmp).
enum class InstanceLock { Acquired, HeldByOther, Failed };
InstanceLock AcquireInstanceLock(std::string_view name, int* otherPid);
void ReleaseInstanceLock();
// Ends the other process and waits up to waitMs of real time for it to
// go; false when it cannot be ended (not ours, or it did not go).
bool EndOtherInstance(int pid, uint32_t waitMs);

// Colour depth of the desktop in bits a pixel (the same the displays see).
int DesktopBitsPerPixel();

// The desktop's work area (right and bottom edges in pixels).
struct WorkArea {
    int left = 0, top = 0, right = 0, bottom = 0;
};
WorkArea DesktopWorkArea();

}  // namespace plat
