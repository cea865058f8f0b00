#include "platform/run_mode.h"

#include <strings.h>

#include <cstdlib>
#include <mutex>
#include <optional>

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
