#include "platform/run_mode.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "platform/clock.h"
#include "platform/input.h"
#include "platform/testing.h"

namespace plat {
namespace {

struct Choice {
    Backend backend = Backend::Headless;
    bool displayMissing = false;
    bool unseen = false;
};

std::mutex g_mutex;
std::optional<Choice> g_choice;
bool g_repeatable = false;
bool g_skipStageDrawing = false;

bool EnvSet(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

Choice FromEnvironment(bool headlessSwitch) {
    Choice c;
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    c.unseen = driver && (strcasecmp(driver, "dummy") == 0 || strcasecmp(driver, "offscreen") == 0);
    if (headlessSwitch || std::getenv("ORV_HEADLESS")) return c;
    if (!EnvSet("DISPLAY") && !EnvSet("WAYLAND_DISPLAY") && !EnvSet("SDL_VIDEODRIVER")) {
        c.displayMissing = true;
        return c;
    }
    c.backend = Backend::Desktop;
    return c;
}

Choice Current() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_choice) g_choice = FromEnvironment(false);
    return *g_choice;
}

}  // namespace

void ChooseRunMode(bool headlessSwitch) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_choice = FromEnvironment(headlessSwitch);
    g_repeatable = EnvSet("ORV_VIRTUAL_TIME");
    g_skipStageDrawing = g_repeatable && EnvSet("ORV_SKIP_STAGE_DRAWING");
    if (g_repeatable) {
        testing::UseVirtualTime(0);
        testing::PinLocalTime(LocalDateTime{2000, 1, 1, 6, 12, 0, 0, 0});
    }
}

void EndRun() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_repeatable) return;
    }
    const FrameFigures f = FramesBegun();
    const int64_t steps = f.frames > 1 ? f.frames - 1 : 0;
    const double clockSeconds = f.clockMs / 1000.0;
    std::printf("run: frames=%lld clock_s=%.3f clock_fps=%.2f real_s=%.3f fps=%.1f\n", static_cast<long long>(f.frames),
                clockSeconds, clockSeconds > 0 ? static_cast<double>(steps) / clockSeconds : 0.0, f.realSeconds,
                f.realSeconds > 0 ? static_cast<double>(steps) / f.realSeconds : 0.0);
    std::fflush(stdout);
}

bool StageDrawingSkipped() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_skipStageDrawing;
}

Backend CurrentBackend() { return Current().backend; }
bool DisplayMissing() { return Current().displayMissing; }
bool DesktopUnseen() { return Current().unseen; }

namespace testing {

void ForgetRunMode() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_choice.reset();
}

}  // namespace testing
}  // namespace plat
