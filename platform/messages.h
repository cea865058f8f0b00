// Window messages between the program's threads. A window handle names a
// message queue owned by the window's thread; posting never blocks and is
// safe from any thread. Message numbers are the ones the program's own
// requests are numbered by.
#pragma once
#include <cstddef>
#include <cstdint>

namespace plat {

using WindowHandle = uint32_t;  // 0 is no window
constexpr WindowHandle kNoWindow = 0;

constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmQuit = 0x0012;
constexpr uint32_t kWmUser = 0x0400;

struct Message {
    uint32_t id = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// A new, empty message queue standing for a window.
WindowHandle CreateMessageWindow();
// Drops the queue; later posts to the handle fail.
void DestroyMessageWindow(WindowHandle window);

// Appends a message to the window's queue. False when the handle names no
// live window (never created, or destroyed).
bool PostWindowMessage(WindowHandle window, uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);

// Takes the oldest message of the queue; false when it is empty or the
// handle names no live window.
bool PeekWindowMessage(WindowHandle window, Message& out);

// Messages waiting in the queue (0 for no live window).
size_t PendingWindowMessages(WindowHandle window);

// Sent messages. A window may have a procedure; the thread that sets it owns
// the window and handles what other threads send to it.
using WindowProc = intptr_t (*)(WindowHandle window, uint32_t id, uintptr_t wParam, intptr_t lParam);
void SetWindowProc(WindowHandle window, WindowProc proc);

// From the owning thread: calls the procedure at once. From any other
// thread: passes a freeze point, queues the message and waits (counted as
// parked for a freezer) until the owner has handled it. 0 when the window
// has no procedure, is gone or goes before handling, or a stop is asked of
// the waiting thread: a send never outlives shutdown.
intptr_t SendWindowMessage(WindowHandle window, uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);

// On the owning thread: handles every message sent so far. PeekWindowMessage
// does this first when the owner calls it, as a message pump must.
void HandleSentMessages(WindowHandle window);

// Waits up to ms milliseconds of real time until a message is posted or
// sent to the window; true when one waits.
bool WaitWindowMessage(WindowHandle window, uint32_t ms);

// A function that the posting or sending thread calls after each message
// it queues for the window (null: none), for an owner that waits on more
// than the queue (the desktop's events).
void SetWindowWakeup(WindowHandle window, void (*wakeup)());

}  // namespace plat
