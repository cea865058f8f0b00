#include "platform/messages.h"

#include <deque>
#include <mutex>
#include <unordered_map>

namespace plat {
namespace {

struct Queue {
    std::deque<Message> messages;
};

// Handles are numbers, never pointers, so a post to a window that is gone
// fails cleanly instead of touching freed memory.
std::mutex g_mutex;
std::unordered_map<WindowHandle, Queue> g_windows;
WindowHandle g_nextHandle = 1;

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
    g_windows.erase(window);
}

bool PostWindowMessage(WindowHandle window, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_windows.find(window);
    if (it == g_windows.end()) return false;
    it->second.messages.push_back(Message{id, wParam, lParam});
    return true;
}

bool PeekWindowMessage(WindowHandle window, Message& out) {
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

}  // namespace plat
