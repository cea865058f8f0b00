#include "core/thread.h"

#include <utility>

#include "core/report_log.h"

PROGRAM_OBJECT_DEFINE(thGame, cThread);
PROGRAM_OBJECT_DEFINE(thPause, cThread);
PROGRAM_OBJECT_DEFINE(thRanking, cThread);
PROGRAM_OBJECT_DEFINE(thLoad, cThread);

namespace {

constexpr int kExitPolls = 200;
// A held thread is normally parked within a frame; one that is busy beyond
// this still stops at its next freeze point, the gate stays closed.
constexpr uint32_t kSuspendWaitMs = 1000;

}  // namespace

int cThread::Start(plat::ThreadProc proc, void* arg) {
    if (m_hThread) {
        // Starting over a running thread would lose it: it could never be
        // waited for or stopped again.
        if (!plat::ThreadEnded(m_hThread)) {
            WriteReport("thread %u still runs: not started again", m_dwThreadId);
            return 0;
        }
        plat::JoinThread(m_hThread);
        m_dwThreadId = 0;
    }
    plat::ThreadHandle started = plat::StartThread(proc, arg);
    if (!started) return 0;
    m_hThread = std::move(started);
    m_dwThreadId = plat::GetThreadId(m_hThread);
    return 1;
}

void cThread::Wait() {
    if (!m_hThread) return;
    plat::ParkedScope parked;  // waiting is no work: a freezer need not wait for us
    plat::JoinThread(m_hThread);
    m_dwThreadId = 0;
}

bool cThread::Suspend() {
    if (m_hThread) plat::FreezeThread(m_hThread, kSuspendWaitMs);
    return true;
}

bool cThread::Resume() {
    if (m_hThread) plat::ThawThread(m_hThread);
    return true;
}

void cThread::Exit() {
    if (!m_hThread) return;
    Resume();
    WriteDebugLogLine("Exit A");
    plat::RequestStop(m_hThread);
    plat::PostThreadMessage(m_dwThreadId, plat::kWmQuit);
    WriteDebugLogLine("Exit B");
    WriteDebugLogLine("Exit C");
    for (int polls = 0; !plat::WaitThreadEnd(m_hThread, 1);) {
        plat::PostThreadMessage(m_dwThreadId, plat::kWmQuit);
        if (++polls >= kExitPolls) {
            // It cannot be killed safely (it may hold a lock or half-write
            // shared data), so it is left to end on its own.
            WriteReport("thread %u did not stop: left running", m_dwThreadId);
            plat::DetachThread(m_hThread);
            break;
        }
    }
    WriteDebugLogLine("Exit D");
    plat::JoinThread(m_hThread);
    m_dwThreadId = 0;
    WriteDebugLogLine("Exit E");
}
