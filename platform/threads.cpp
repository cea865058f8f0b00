#include "platform/threads.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace plat {

struct ThreadState {
    ThreadId id = 0;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable changed;  // end, gate, parking and stop, all under mutex
    std::deque<Message> queue;
    bool ended = false;
    bool detached = false;
    bool frozen = false;
    int parked = 0;
    std::atomic<bool> stop{false};

    ~ThreadState() {
        // The last owner may be the thread itself, on its way out.
        if (thread.joinable()) thread.detach();
    }
};

namespace {

// Ids are never reused, so a post to a thread that is gone fails instead of
// reaching a newer one.
std::mutex g_registryMutex;
ThreadId g_nextId = 1;

// Never destroyed: program-wide thread objects stop their threads from their
// destructors at exit, and those threads leave it, after the static objects
// of this file may already be gone.
std::unordered_map<ThreadId, std::shared_ptr<ThreadState>>& Registry() {
    static auto* registry = new std::unordered_map<ThreadId, std::shared_ptr<ThreadState>>;
    return *registry;
}

std::atomic<int> g_detachedRunning{0};

thread_local ThreadState* t_self = nullptr;

void Run(std::shared_ptr<ThreadState> self, ThreadProc proc, void* arg) {
    t_self = self.get();
    proc(arg);
    t_self = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        Registry().erase(self->id);
    }
    std::lock_guard<std::mutex> lock(self->mutex);
    self->ended = true;
    if (self->detached) --g_detachedRunning;
    self->changed.notify_all();
}

}  // namespace

ThreadHandle StartThread(ThreadProc proc, void* arg) {
    if (!proc) return nullptr;
    auto state = std::make_shared<ThreadState>();
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        state->id = g_nextId++;
        if (g_nextId == 0) g_nextId = 1;
        Registry()[state->id] = state;
    }
    try {
        std::lock_guard<std::mutex> lock(state->mutex);  // stored before the thread can report its end
        state->thread = std::thread(Run, state, proc, arg);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        Registry().erase(state->id);
        return nullptr;
    }
    return state;
}

ThreadId GetThreadId(const ThreadHandle& thread) { return thread ? thread->id : 0; }

bool ThreadEnded(const ThreadHandle& thread) {
    if (!thread) return true;
    std::lock_guard<std::mutex> lock(thread->mutex);
    return thread->ended;
}

bool WaitThreadEnd(const ThreadHandle& thread, uint32_t ms) {
    if (!thread) return true;
    std::unique_lock<std::mutex> lock(thread->mutex);
    return thread->changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return thread->ended; });
}

void JoinThread(ThreadHandle& thread) {
    if (!thread) return;
    if (thread.get() == t_self) {
        DetachThread(thread);  // a thread cannot wait for itself
        return;
    }
    if (thread->thread.joinable()) thread->thread.join();
    thread.reset();
}

void DetachThread(ThreadHandle& thread) {
    if (!thread) return;
    {
        std::lock_guard<std::mutex> lock(thread->mutex);
        if (!thread->ended && !thread->detached) {
            thread->detached = true;
            ++g_detachedRunning;
        }
        if (thread->thread.joinable()) thread->thread.detach();
    }
    thread.reset();
}

int RunningDetachedThreads() { return g_detachedRunning.load(); }

ThreadId CurrentThreadId() { return t_self ? t_self->id : 0; }

bool PostThreadMessage(ThreadId thread, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> registry(g_registryMutex);
    auto it = Registry().find(thread);
    if (it == Registry().end()) return false;
    std::lock_guard<std::mutex> lock(it->second->mutex);
    it->second->queue.push_back(Message{id, wParam, lParam});
    it->second->changed.notify_all();
    return true;
}

bool PeekThreadMessage(Message& out) {
    if (!t_self) return false;
    std::lock_guard<std::mutex> lock(t_self->mutex);
    if (t_self->queue.empty()) return false;
    out = t_self->queue.front();
    t_self->queue.pop_front();
    return true;
}

bool WaitThreadMessage(Message& out, uint32_t ms) {
    ThreadState* s = t_self;
    if (!s) return false;
    std::unique_lock<std::mutex> lock(s->mutex);
    s->changed.wait_for(lock, std::chrono::milliseconds(ms), [s] { return !s->queue.empty() || s->stop.load(); });
    if (s->queue.empty()) return false;
    out = s->queue.front();
    s->queue.pop_front();
    return true;
}

void RequestStop(const ThreadHandle& thread) {
    if (!thread) return;
    std::lock_guard<std::mutex> lock(thread->mutex);
    thread->stop = true;
    thread->changed.notify_all();
}

bool StopRequested() { return t_self && t_self->stop.load(); }

bool FreezeThread(const ThreadHandle& thread, uint32_t waitMs) {
    if (!thread) return true;
    std::unique_lock<std::mutex> lock(thread->mutex);
    thread->frozen = true;
    if (thread.get() == t_self) return true;
    return thread->changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                                    [&] { return thread->parked > 0 || thread->ended; });
}

void ThawThread(const ThreadHandle& thread) {
    if (!thread) return;
    std::lock_guard<std::mutex> lock(thread->mutex);
    thread->frozen = false;
    thread->changed.notify_all();
}

namespace {

// Held, counted as parked, until the gate opens or a stop is asked for.
void WaitAtGate(ThreadState* s, std::unique_lock<std::mutex>& lock) {
    s->changed.wait(lock, [s] { return !s->frozen || s->stop.load(); });
}

}  // namespace

void FreezePoint() {
    ThreadState* s = t_self;
    if (!s) return;
    std::unique_lock<std::mutex> lock(s->mutex);
    if (!s->frozen || s->stop.load()) return;
    ++s->parked;
    s->changed.notify_all();
    WaitAtGate(s, lock);
    --s->parked;
}

ParkedScope::ParkedScope() : m_state(t_self) {
    if (!m_state) return;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    ++m_state->parked;
    m_state->changed.notify_all();
}

ParkedScope::~ParkedScope() {
    if (!m_state) return;
    std::unique_lock<std::mutex> lock(m_state->mutex);
    WaitAtGate(m_state, lock);
    --m_state->parked;
}

}  // namespace plat
