#include "platform/shell.h"

#include <SDL.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/host_facts.h"
#include "platform/picture_internal.h"
#include "platform/input_sdl.h"
#include "platform/presenter.h"
#include "platform/text_codec.h"

namespace plat {
namespace {

std::atomic<bool> g_activationPosted{false};
int g_lockFd = -1;

void PostWindowEvent(WindowHandle window, const SDL_WindowEvent& e) {
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE: PostWindowMessage(window, kWmClose); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: PostWindowMessage(window, kWmActivateApp, 1); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: PostWindowMessage(window, kWmActivateApp, 0); break;
    case SDL_WINDOWEVENT_MOVED:
        PostWindowMessage(window, kWmMove, 0, static_cast<intptr_t>((e.data2 & 0xFFFF) << 16 | (e.data1 & 0xFFFF)));
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        PostWindowMessage(window, kWmSize, 0, static_cast<intptr_t>((e.data2 & 0xFFFF) << 16 | (e.data1 & 0xFFFF)));
        break;
    case SDL_WINDOWEVENT_EXPOSED: PostWindowMessage(window, kWmPaint); break;
    default: break;
    }
}

// The desktop's wait is ended by an event of our own; one in the queue is
// enough.
std::atomic<bool> g_wakePending{false};

uint32_t WakeEventType() {
    static const uint32_t type = [] {
        const uint32_t t = SDL_RegisterEvents(1);
        return t == static_cast<uint32_t>(-1) ? static_cast<uint32_t>(SDL_USEREVENT) : t;
    }();
    return type;
}

void TranslateEvent(WindowHandle window, const SDL_Event& e) {
    if (e.type == WakeEventType()) {
        g_wakePending = false;
        return;
    }
    HandleSdlEvent(e);
    switch (e.type) {
    case SDL_QUIT: PostWindowMessage(window, kWmClose); break;
    case SDL_WINDOWEVENT:
        if (e.window.windowID == FrameWindowId()) PostWindowEvent(window, e.window);
        break;
    case SDL_KEYDOWN:
        if ((e.key.keysym.mod & KMOD_ALT) && e.key.keysym.sym >= SDLK_1 && e.key.keysym.sym <= SDLK_5) {
            PostWindowMessage(window, kWmSysCommand, static_cast<uintptr_t>(e.key.keysym.sym - SDLK_0));
            break;
        }
        if (int vk = VirtualKeyFromSdl(e.key.keysym.sym, e.key.keysym.scancode))
            PostWindowMessage(window, kWmKeyDown, static_cast<uintptr_t>(vk));
        break;
    default: break;
    }
}

std::string LockPath(std::string_view name) {
    std::string folder;
    if (const char* dir = std::getenv("ORV_INSTANCE_DIR"); dir && *dir)
        folder = dir;
    else if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run)
        folder = run;
    else
        folder = "/tmp";
    // The name is Shift-JIS; its bytes in hex make a file name on any disk.
    std::string hex;
    char part[3];
    for (unsigned char c : name) {
        std::snprintf(part, sizeof part, "%02x", c);
        hex += part;
    }
    return folder + "/orvendel-" + std::to_string(getuid()) + "-" + hex + ".lock";
}

// A process that has ended stays in the table as a zombie until its parent
// collects it, and kill(pid, 0) still finds it there; it is gone all the
// same, and its locks are free.
bool ProcessEnded(int pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[512];
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    // The state follows the command name, which may itself hold ") ".
    const char* close = std::strrchr(buf, ')');
    if (!close || close[1] != ' ') return false;
    return close[2] == 'Z' || close[2] == 'X';
}

bool ProcessAlive(int pid) {
    if (pid <= 0) return false;
    if (kill(pid, 0) != 0 && errno != EPERM) return false;
    return !ProcessEnded(pid);
}

}  // namespace

void PumpDesktopEvents(WindowHandle window) {
    // A window that has just been shown is the active one, as on the desktop
    // the games were made for; some video drivers never report the focus.
    if (!g_activationPosted.exchange(true)) PostWindowMessage(window, kWmActivateApp, 1);
    if (!FrameWindowId()) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) TranslateEvent(window, e);
    RefreshJoysticks();
}

void WaitDesktopEvents(WindowHandle window, uint32_t ms) {
    if (!FrameWindowId()) {
        WaitWindowMessage(window, ms);
        return;
    }
    SetWindowWakeup(window, WakeDesktopWait);
    // Queued before the wake-up was set, a message would wait out the time.
    if (WaitWindowMessage(window, 0)) return;
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, static_cast<int>(std::min<uint32_t>(ms, INT32_MAX)))) TranslateEvent(window, e);
}

void WakeDesktopWait() {
    if (!FrameWindowId() || g_wakePending.exchange(true)) return;
    SDL_Event e{};
    e.type = WakeEventType();
    if (SDL_PushEvent(&e) != 1) g_wakePending = false;
}

void StartDesktopInput() { InitJoysticks(); }
void StopDesktopInput() { QuitJoysticks(); }

InstanceLock AcquireInstanceLock(std::string_view name, int* otherPid) {
    if (otherPid) *otherPid = 0;
    if (g_lockFd >= 0) return InstanceLock::Acquired;
    const std::string path = LockPath(name);
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return InstanceLock::Failed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        char buf[32] = {};
        const ssize_t n = pread(fd, buf, sizeof buf - 1, 0);
        close(fd);
        if (otherPid && n > 0) *otherPid = std::atoi(buf);
        return InstanceLock::HeldByOther;
    }
    // A lock left by a process that is gone is simply taken over.
    const std::string pid = std::to_string(getpid());
    if (ftruncate(fd, 0) != 0 || pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        close(fd);
        return InstanceLock::Failed;
    }
    g_lockFd = fd;
    return InstanceLock::Acquired;
}

void ReleaseInstanceLock() {
    if (g_lockFd < 0) return;
    flock(g_lockFd, LOCK_UN);
    close(g_lockFd);
    g_lockFd = -1;
}

bool EndOtherInstance(int pid, uint32_t waitMs) {
    if (pid <= 0 || pid == getpid()) return false;
    if (kill(pid, SIGKILL) != 0) return !ProcessAlive(pid);
    for (uint32_t waited = 0; waited < waitMs; ++waited) {
        if (!ProcessAlive(pid)) return true;
        usleep(1000);
    }
    return !ProcessAlive(pid);
}

int DesktopBitsPerPixel() { return internal::DesktopDepthNow(); }

WorkArea DesktopWorkArea() {
    WorkArea area;
    if (auto desk = QueryDesktop()) {
        area.right = desk->width;
        area.bottom = desk->height;
    } else {
        area.right = 1920;
        area.bottom = 1080;
    }
    return area;
}

// ---- stop signals ----

namespace {

// The handler only writes a byte into a pipe; a thread of ours reads it and
// posts the close, which a handler may not do.
int g_signalPipe[2] = {-1, -1};
// A plain thread: one still running when the program exits elsewhere must
// not end it on the way out.
pthread_t g_signalThread;
bool g_signalThreadRuns = false;
std::mutex g_signalMutex;
WindowHandle g_signalWindow = kNoWindow;
bool g_signalPending = false;

void OnStopSignal(int) {
    const int saved = errno;
    const unsigned char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

void PostSignalledClose() {
    std::lock_guard<std::mutex> lock(g_signalMutex);
    if (g_signalWindow == kNoWindow || !PostWindowMessage(g_signalWindow, kWmClose)) g_signalPending = true;
}

void* WatchStopSignals(void*) {
    for (;;) {
        unsigned char byte = 0;
        const ssize_t n = read(g_signalPipe[0], &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n != 1 || byte == 0) return nullptr;  // 0: asked to stop
        PostSignalledClose();
    }
}

}  // namespace

void CloseOnStopSignals(WindowHandle window) {
    {
        std::lock_guard<std::mutex> lock(g_signalMutex);
        g_signalWindow = window;
        if (window != kNoWindow && g_signalPending && PostWindowMessage(window, kWmClose)) g_signalPending = false;
    }
    if (g_signalThreadRuns) return;
    if (pipe2(g_signalPipe, O_CLOEXEC) != 0) return;
    if (pthread_create(&g_signalThread, nullptr, WatchStopSignals, nullptr) != 0) {
        close(g_signalPipe[0]);
        close(g_signalPipe[1]);
        return;
    }
    g_signalThreadRuns = true;
    // SDL would turn the signals into its quit event, which nobody reads
    // without a window.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void StopCloseOnSignals() {
    if (!g_signalThreadRuns) return;
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    const unsigned char stop = 0;
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &stop, 1);
    pthread_join(g_signalThread, nullptr);
    g_signalThreadRuns = false;
    close(g_signalPipe[0]);
    close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
    std::lock_guard<std::mutex> lock(g_signalMutex);
    g_signalWindow = kNoWindow;
    g_signalPending = false;
}

}  // namespace plat
