// Worker threads with their own message queues, a freeze gate and a
// cooperative stop. A thread cannot be suspended or killed from outside
// here, so both are agreed with the thread: it passes freeze points where
// it may be held, and it polls its stop flag or its queue for WM_QUIT.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/messages.h"

namespace plat {

using ThreadId = uint32_t;  // 0 is no thread
using ThreadProc = unsigned (*)(void*);

struct ThreadState;
// Null when no thread runs under it.
using ThreadHandle = std::shared_ptr<ThreadState>;

// Starts proc(arg) on a new thread. Its message queue exists before proc
// runs, so a post right after the start succeeds. Null when the thread
// cannot be created.
ThreadHandle StartThread(ThreadProc proc, void* arg);
ThreadId GetThreadId(const ThreadHandle& thread);

// True once proc has returned.
bool ThreadEnded(const ThreadHandle& thread);
// Waits up to ms milliseconds of real time (virtual time does not count) for
// the end; true when it has ended.
bool WaitThreadEnd(const ThreadHandle& thread, uint32_t ms);
// Waits for the end and releases the handle.
void JoinThread(ThreadHandle& thread);
// Lets the thread run on unowned and releases the handle.
void DetachThread(ThreadHandle& thread);
// Detached threads that have not ended yet; at exit the program must not
// tear down what they may still use.
int RunningDetachedThreads();

// The calling thread's id, 0 for a thread not started by StartThread.
ThreadId CurrentThreadId();
// Appends a message to the queue of that thread; false when no live thread
// of ours has that id (never started, or ended).
bool PostThreadMessage(ThreadId thread, uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
// Takes the oldest message of the calling thread's own queue.
bool PeekThreadMessage(Message& out);
// As PeekThreadMessage, waiting up to ms milliseconds of real time for a
// message; false when none came, at once when a stop is asked of the thread.
bool WaitThreadMessage(Message& out, uint32_t ms);

// Sets the thread's stop flag and lets it through its freeze gate.
void RequestStop(const ThreadHandle& thread);
// The calling thread's stop flag (false for threads not ours).
bool StopRequested();

// Closes the thread's freeze gate and waits up to waitMs of real time until
// the thread is held at a freeze point, parked, or ended; true when it is.
// A thread closing its own gate does not wait.
bool FreezeThread(const ThreadHandle& thread, uint32_t waitMs);
void ThawThread(const ThreadHandle& thread);

// Where the calling thread may be held: returns at once unless its gate is
// closed, else waits until the gate opens or a stop is requested.
void FreezePoint();

// While alive, the calling thread counts as held for a freezer (it is
// blocked waiting for someone else); leaving passes a freeze point.
class ParkedScope {
public:
    ParkedScope();
    ~ParkedScope();
    ParkedScope(const ParkedScope&) = delete;
    ParkedScope& operator=(const ParkedScope&) = delete;

private:
    ThreadState* m_state;
};

}  // namespace plat
