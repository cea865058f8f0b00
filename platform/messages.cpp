#include "platform/messages.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/threads.h"

namespace plat {
namespace {

struct Sent {
    Message message;
    bool done = false;
    intptr_t result = 0;
};

struct Queue {
    std::deque<Message> messages;
    std::deque<std::shared_ptr<Sent>> sent;
    WindowProc proc = nullptr;
    std::thread::id owner;
    void (*wakeup)() = nullptr;
};

// Handles are numbers, never pointers, so a post to a window that is gone
// fails cleanly instead of touching freed memory.
std::mutex g_mutex;
std::unordered_map<WindowHandle, Queue> g_windows;
WindowHandle g_nextHandle = 1;
// Wakes senders waiting for a reply and owners waiting for a message.
std::condition_variable g_changed;

// Answers every waiting sender with 0 (the window is going).
void ReleaseSenders(Queue& q) {
    for (auto& s : q.sent) s->done = true;
    q.sent.clear();
    g_changed.notify_all();
}

}  // namespace

WindowHandle CreateMessageWindow() {
    std::lock_guard<std::mutex> lock(g_mutex);
    WindowHandle h = g_nextHandle++;
    if (g_nextHandle == kNoWindow) g_nextHandle = 1;
    g_windows[h];
    return h;
}

void DestroyMessageWindow(WindowHandle window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(window);
    if (it == g_windows.end()) return;
    ReleaseSenders(it->second);
    g_windows.erase(it);
}

bool PostWindowMessage(WindowHandle window, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    // No window has the handle of none; asked often before there is one.
    if (window == kNoWindow) return false;
    void (*wakeup)() = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = g_windows.find(window);
        if (it == g_windows.end()) return false;
        it->second.messages.push_back(Message{id, wParam, lParam});
        wakeup = it->second.wakeup;
        g_changed.notify_all();
    }
    if (wakeup) wakeup();
    return true;
}

bool PeekWindowMessage(WindowHandle window, Message& out) {
    HandleSentMessages(window);
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(window);
    if (it == g_windows.end() || it->second.messages.empty()) return false;
    out = it->second.messages.front();
    it->second.messages.pop_front();
    return true;
}

size_t PendingWindowMessages(WindowHandle window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(window);
    return it == g_windows.end() ? 0 : it->second.messages.size();
}

void SetWindowProc(WindowHandle window, WindowProc proc) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(window);
    if (it == g_windows.end()) return;
    it->second.proc = proc;
    it->second.owner = std::this_thread::get_id();
}

intptr_t SendWindowMessage(WindowHandle window, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    WindowProc direct = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = g_windows.find(window);
        if (it == g_windows.end() || !it->second.proc) return 0;
        if (it->second.owner == std::this_thread::get_id()) direct = it->second.proc;
    }
    if (direct) return direct(window, id, wParam, lParam);

    FreezePoint();
    auto sent = std::make_shared<Sent>();
    sent->message = Message{id, wParam, lParam};
    std::unique_lock<std::mutex> lock(g_mutex);
    auto it = g_windows.find(window);
    if (it == g_windows.end() || StopRequested()) return 0;
    it->second.sent.push_back(sent);
    g_changed.notify_all();
    if (void (*wakeup)() = it->second.wakeup) {
        lock.unlock();
        wakeup();
        lock.lock();
    }
    ParkedScope parked;
    // A stop asked of this thread ends the wait: its owner is shutting down
    // and may be the very thread that would have answered.
    while (!sent->done && !StopRequested()) g_changed.wait_for(lock, std::chrono::milliseconds(1));
    return sent->done ? sent->result : 0;
}

void HandleSentMessages(WindowHandle window) {
    for (;;) {
        std::shared_ptr<Sent> next;
        WindowProc proc = nullptr;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            auto it = g_windows.find(window);
            if (it == g_windows.end() || it->second.sent.empty() ||
                it->second.owner != std::this_thread::get_id())
                return;
            next = it->second.sent.front();
            it->second.sent.pop_front();
            proc = it->second.proc;
        }
        const intptr_t result = proc(window, next->message.id, next->message.wParam, next->message.lParam);
        std::lock_guard<std::mutex> lock(g_mutex);
        next->result = result;
        next->done = true;
        g_changed.notify_all();
    }
}

void SetWindowWakeup(WindowHandle window, void (*wakeup)()) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(window);
    if (it != g_windows.end()) it->second.wakeup = wakeup;
}

bool WaitWindowMessage(WindowHandle window, uint32_t ms) {
    std::unique_lock<std::mutex> lock(g_mutex);
    auto waiting = [window] {
        auto it = g_windows.find(window);
        return it == g_windows.end() || !it->second.messages.empty() || !it->second.sent.empty();
    };
    g_changed.wait_for(lock, std::chrono::milliseconds(ms), waiting);
    auto it = g_windows.find(window);
    return it != g_windows.end() && (!it->second.messages.empty() || !it->second.sent.empty());
}

}  // namespace plat
