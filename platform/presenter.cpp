#include "platform/presenter.h"

#include <SDL.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "platform/bitmap.h"
#include "platform/clock.h"
#include "platform/run_mode.h"
#include "platform/shell.h"
#include "platform/text_codec.h"

namespace plat {
namespace {

// ---- the mailbox between the drawing thread and the window's thread ----

std::mutex g_frameMutex;
std::vector<uint32_t> g_frame;
// The next frame is converted here, outside the frame lock, then swapped
// with the shown one: both buffers live on, so a present allocates nothing.
std::mutex g_convertMutex;
std::vector<uint32_t> g_spare;
int g_frameWidth = 0;
int g_frameHeight = 0;
uint64_t g_frameCount = 0;

// ---- the window; SDL objects are touched on the window's thread only ----

SDL_Window* g_window = nullptr;
SDL_Renderer* g_renderer = nullptr;
SDL_Texture* g_texture = nullptr;
int g_textureWidth = 0;
int g_textureHeight = 0;
int g_outputWidth = 0;
int g_outputHeight = 0;
uint64_t g_shownFrame = 0;

std::atomic<bool> g_open{false};
std::atomic<bool> g_hasWindow{false};  // a real window, not the headless stand-in
std::atomic<uint32_t> g_windowId{0};
std::atomic<std::thread::id> g_windowThread{};
std::atomic<bool> g_minimized{false};
std::atomic<bool> g_redraw{false};
std::atomic<int> g_openedWidth{0};
std::atomic<int> g_openedHeight{0};
std::atomic<int> g_posX{0};
std::atomic<int> g_posY{0};
std::atomic<bool> g_maximized{false};

std::mutex g_cursorMutex;
int g_cursorCount = 0;
std::atomic<bool> g_cursorPending{false};

bool OnWindowThread() { return std::this_thread::get_id() == g_windowThread.load(); }

// Window events reach us whoever pumps them; only the state we keep is
// read from them.
int WatchWindowEvents(void*, SDL_Event* event) {
    if (event->type != SDL_WINDOWEVENT || event->window.windowID != g_windowId.load()) return 0;
    switch (event->window.event) {
    case SDL_WINDOWEVENT_MINIMIZED: g_minimized = true; break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        g_minimized = false;
        g_redraw = true;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED: g_redraw = true; break;
    default: break;
    }
    return 0;
}

void ApplyCursor() {
    int count = 0;
    {
        std::lock_guard<std::mutex> lock(g_cursorMutex);
        count = g_cursorCount;
    }
    g_cursorPending = false;
    SDL_ShowCursor(count >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

// The frame scaled to the window as large as it fits with its own shape,
// black bars around it.
void Render() {
    SDL_SetRenderDrawColor(g_renderer, 0, 0, 0, 255);
    SDL_RenderClear(g_renderer);
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(g_renderer, &ow, &oh);
    g_outputWidth = ow;
    g_outputHeight = oh;
    if (g_texture && ow > 0 && oh > 0) {
        const int64_t tw = g_textureWidth, th = g_textureHeight;
        SDL_Rect dst{};
        if (static_cast<int64_t>(ow) * th >= static_cast<int64_t>(oh) * tw) {
            dst.h = oh;
            dst.w = static_cast<int>(oh * tw / th);
        } else {
            dst.w = ow;
            dst.h = static_cast<int>(ow * th / tw);
        }
        dst.x = (ow - dst.w) / 2;
        dst.y = (oh - dst.h) / 2;
        SDL_RenderCopy(g_renderer, g_texture, nullptr, &dst);
    }
    SDL_RenderPresent(g_renderer);
}

// Uploads the newest frame if the window has not had it; the caller holds
// the frame lock.
bool UploadNewFrame() {
    if (g_frameCount == g_shownFrame || g_frame.empty()) return false;
    if (!g_texture || g_textureWidth != g_frameWidth || g_textureHeight != g_frameHeight) {
        if (g_texture) SDL_DestroyTexture(g_texture);
        g_texture = SDL_CreateTexture(g_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, g_frameWidth,
                                      g_frameHeight);
        g_textureWidth = g_texture ? g_frameWidth : 0;
        g_textureHeight = g_texture ? g_frameHeight : 0;
        if (!g_texture) return false;
        SDL_SetTextureBlendMode(g_texture, SDL_BLENDMODE_NONE);
    }
    SDL_UpdateTexture(g_texture, nullptr, g_frame.data(), g_frameWidth * 4);
    g_shownFrame = g_frameCount;
    return true;
}

// From now to the first millisecond of the next 60-a-second tick.
uint32_t MsToNextTick() {
    const uint32_t now = TimeMs();
    const uint64_t tick = static_cast<uint64_t>(now) * 60 / 1000;
    const uint64_t next = ((tick + 1) * 1000 + 59) / 60;
    return static_cast<uint32_t>(next - now);
}

}  // namespace

void PresentImage(const Image& frame, const PaletteColor* palette) {
    if (frame.Empty()) return;
    std::lock_guard<std::mutex> convert(g_convertMutex);
    g_spare.resize(static_cast<size_t>(frame.Width()) * static_cast<size_t>(frame.Height()));
    // A screen shows no alpha; the kept frame and its file look the same.
    ConvertToArgb(frame, palette, true, g_spare.data());
    std::lock_guard<std::mutex> lock(g_frameMutex);
    g_frame.swap(g_spare);
    g_frameWidth = frame.Width();
    g_frameHeight = frame.Height();
    ++g_frameCount;
    // The window's thread sleeps until there is something to show.
    if (g_hasWindow) WakeDesktopWait();
}

bool LastPresentedFrame(std::vector<uint32_t>* argb, int* width, int* height) {
    std::lock_guard<std::mutex> lock(g_frameMutex);
    if (g_frameCount == 0) return false;
    if (argb) *argb = g_frame;
    if (width) *width = g_frameWidth;
    if (height) *height = g_frameHeight;
    return true;
}

uint64_t PresentedFrameCount() {
    std::lock_guard<std::mutex> lock(g_frameMutex);
    return g_frameCount;
}

bool WriteLastFramePng(const char* hostPath) {
    std::vector<uint32_t> argb;
    int width = 0, height = 0;
    if (!LastPresentedFrame(&argb, &width, &height)) return false;
    return WritePng(hostPath, argb.data(), width, height);
}

bool OpenFrameWindow(const char* title, int width, int height, bool fullScreen) {
    if (g_open) CloseFrameWindow();
    if (width <= 0 || height <= 0) return false;
    g_openedWidth = width;
    g_openedHeight = height;
    g_minimized = false;
    g_maximized = false;
    if (Headless()) {
        // Centred on a desktop of the usual size.
        g_posX = (1920 - width) / 2;
        g_posY = (1080 - height) / 2;
        g_open = true;
        return true;
    }

    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    const std::string shown = SjisToShownUtf8(title ? title : "");
    const Uint32 flags = SDL_WINDOW_SHOWN | (fullScreen ? static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP) : 0u);
    g_window = SDL_CreateWindow(shown.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (g_window) {
        // Vsync where the driver has it; any renderer will do otherwise.
        g_renderer = SDL_CreateRenderer(g_window, -1, SDL_RENDERER_PRESENTVSYNC);
        if (!g_renderer) g_renderer = SDL_CreateRenderer(g_window, -1, 0);
        if (!g_renderer) g_renderer = SDL_CreateRenderer(g_window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!g_renderer) {
        if (g_window) SDL_DestroyWindow(g_window);
        g_window = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    g_windowId = SDL_GetWindowID(g_window);
    g_windowThread = std::this_thread::get_id();
    g_shownFrame = 0;
    SDL_AddEventWatch(WatchWindowEvents, nullptr);
    g_hasWindow = true;
    g_open = true;
    ApplyCursor();
    Render();  // black at once, not whatever the screen held there
    return true;
}

void CloseFrameWindow() {
    if (!g_open) return;
    if (g_hasWindow) {
        SDL_DelEventWatch(WatchWindowEvents, nullptr);
        if (g_texture) SDL_DestroyTexture(g_texture);
        SDL_DestroyRenderer(g_renderer);
        SDL_DestroyWindow(g_window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        g_texture = nullptr;
        g_renderer = nullptr;
        g_window = nullptr;
        g_textureWidth = g_textureHeight = 0;
        g_windowId = 0;
        g_windowThread = std::thread::id();
        g_hasWindow = false;
    }
    g_open = false;
    g_minimized = false;
}

bool FrameWindowOpen() { return g_open; }

void ShowLatestFrame() {
    if (!g_hasWindow || !OnWindowThread()) return;
    if (g_cursorPending) ApplyCursor();
    if (g_minimized) return;
    bool show = false;
    {
        std::lock_guard<std::mutex> lock(g_frameMutex);
        show = UploadNewFrame();
    }
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(g_renderer, &ow, &oh);
    if (ow != g_outputWidth || oh != g_outputHeight) show = true;
    if (g_redraw.exchange(false)) show = true;
    if (show) Render();
}

void FrameWindowClientSize(int* width, int* height) {
    int w = g_openedWidth, h = g_openedHeight;
    if (g_hasWindow && OnWindowThread()) SDL_GetWindowSize(g_window, &w, &h);
    if (width) *width = w;
    if (height) *height = h;
}

void SetFrameWindowFullScreen(bool fullScreen) {
    if (!g_hasWindow || !OnWindowThread()) return;
    SDL_SetWindowFullscreen(g_window, fullScreen ? static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP) : 0u);
    // Back in a window, the size it was opened with, whatever the driver kept.
    if (!fullScreen) SDL_SetWindowSize(g_window, g_openedWidth, g_openedHeight);
    g_redraw = true;
}

void MinimizeFrameWindow() {
    if (!g_open) return;
    g_minimized = true;
    if (g_hasWindow && OnWindowThread()) SDL_MinimizeWindow(g_window);
}

void RestoreFrameWindow() {
    if (!g_open) return;
    g_minimized = false;
    g_redraw = true;
    if (g_hasWindow && OnWindowThread()) SDL_RestoreWindow(g_window);
}

bool FrameWindowMinimized() { return g_minimized; }

void FrameWindowPosition(int* x, int* y) {
    int px = g_posX, py = g_posY;
    if (g_hasWindow && OnWindowThread()) SDL_GetWindowPosition(g_window, &px, &py);
    if (x) *x = px;
    if (y) *y = py;
}

void MoveFrameWindow(int x, int y) {
    g_posX = x;
    g_posY = y;
    if (g_hasWindow && OnWindowThread()) SDL_SetWindowPosition(g_window, x, y);
}

void SetFrameWindowClientSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    g_openedWidth = width;
    g_openedHeight = height;
    if (g_hasWindow && OnWindowThread()) SDL_SetWindowSize(g_window, width, height);
    g_redraw = true;
}

void SetFrameWindowResizable(bool resizable) {
    if (g_hasWindow && OnWindowThread()) SDL_SetWindowResizable(g_window, resizable ? SDL_TRUE : SDL_FALSE);
}

void MaximizeFrameWindow() {
    if (!g_open) return;
    g_maximized = true;
    if (g_hasWindow && OnWindowThread()) SDL_MaximizeWindow(g_window);
}

bool FrameWindowMaximized() {
    if (g_hasWindow && OnWindowThread()) return (SDL_GetWindowFlags(g_window) & SDL_WINDOW_MAXIMIZED) != 0;
    return g_maximized;
}

uint32_t FrameWindowId() { return g_windowId; }

int ShowCursorCount(bool show) {
    int count = 0;
    {
        std::lock_guard<std::mutex> lock(g_cursorMutex);
        g_cursorCount += show ? 1 : -1;
        count = g_cursorCount;
    }
    if (g_hasWindow) {
        if (OnWindowThread()) {
            ApplyCursor();
        } else {
            g_cursorPending = true;  // applied by the window's thread
            WakeDesktopWait();
        }
    }
    return count;
}

void WaitVerticalBlank() {
    // Never the window's own presents: they come at whatever rate the real
    // screen and its driver keep, out of step with this clock, and the game
    // must keep its own speed.
    SleepMs(MsToNextTick());
}

}  // namespace plat
