// The thread object: one worker thread with its own message queue, started
// with one argument, waited for, held around dialogs and stopped.
// Holding and stopping are cooperative: the thread procedure passes
// plat::FreezePoint() at the top of its loop and in its 1-ms polls, and ends
// when it sees WM_QUIT in its queue (plat::PeekThreadMessage) or its stop
// flag (plat::StopRequested()).
#pragma once
#include <cstdint>

#include "core/program_object.h"
#include "platform/threads.h"

class cThread {
public:
    cThread() = default;
    ~cThread() { Exit(); }
    cThread(const cThread&) = delete;
    cThread& operator=(const cThread&) = delete;

    // 1, or 0 when the thread cannot be created or the previous thread of
    // this object still runs (a report line then).
    int Start(plat::ThreadProc proc, void* arg);
    // Waits for the thread's end and releases it.
    void Wait();
    // Closes / opens the thread's freeze gate; true (also with no thread).
    bool Suspend();
    bool Resume();
    // Asks the thread to end and waits about 200 ms for it; a thread that
    // does not end is reported and left running on its own.
    void Exit();

    uint32_t ThreadId() const { return m_dwThreadId; }
    // A thread is held by this object (started, not yet waited for).
    bool Running() const { return m_hThread != nullptr; }
    // Its procedure has returned, or there is none: polled by an owner that
    // pumps messages while the thread works.
    bool Ended() const { return plat::ThreadEnded(m_hThread); }
    // Ended, waiting up to ms milliseconds of real time for it.
    bool WaitEnded(uint32_t ms) const { return plat::WaitThreadEnd(m_hThread, ms); }

private:
    uint32_t m_dwThreadId = 0;
    plat::ThreadHandle m_hThread;
};

// The worker threads: the game loop, the modal waits of the stage, the
// ranking entry and the stage loader.
PROGRAM_OBJECT_DECLARE(thGame, cThread);
PROGRAM_OBJECT_DECLARE(thPause, cThread);
PROGRAM_OBJECT_DECLARE(thRanking, cThread);
PROGRAM_OBJECT_DECLARE(thLoad, cThread);
