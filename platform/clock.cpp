#include "platform/clock.h"

#include <ctime>
#include <mutex>
#include <atomic>
#include <thread>

#include "platform/testing.h"

namespace plat {
namespace {

std::atomic<bool> g_virtualOn{false};
std::atomic<uint32_t> g_virtualNow{0};

std::mutex g_pinMutex;
bool g_pinned = false;
LocalDateTime g_pinnedAt;
uint32_t g_pinnedClock = 0;

uint32_t RealTimeMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

LocalDateTime FromTm(const tm& t, int millisecond) {
    LocalDateTime d;
    d.year = t.tm_year + 1900;
    d.month = t.tm_mon + 1;
    d.day = t.tm_mday;
    d.weekday = t.tm_wday;
    d.hour = t.tm_hour;
    d.minute = t.tm_min;
    d.second = t.tm_sec;
    d.millisecond = millisecond;
    return d;
}

}  // namespace

double RealSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

uint32_t TimeMs() {
    return g_virtualOn.load() ? g_virtualNow.load() : RealTimeMs();
}

void SleepMs(uint32_t ms) {
    if (g_virtualOn.load()) {
        g_virtualNow.fetch_add(ms);
        std::this_thread::yield();
        return;
    }
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&req, &req) != 0) {
    }
}

LocalDateTime LocalTime() {
    {
        std::lock_guard<std::mutex> lock(g_pinMutex);
        if (g_pinned) {
            // The pinned date moves on with the clock, so waits still count.
            tm t{};
            t.tm_year = g_pinnedAt.year - 1900;
            t.tm_mon = g_pinnedAt.month - 1;
            t.tm_mday = g_pinnedAt.day;
            t.tm_hour = g_pinnedAt.hour;
            t.tm_min = g_pinnedAt.minute;
            t.tm_sec = g_pinnedAt.second;
            int64_t totalMs = static_cast<int64_t>(timegm(&t)) * 1000 + g_pinnedAt.millisecond +
                              static_cast<uint32_t>(TimeMs() - g_pinnedClock);
            time_t secs = static_cast<time_t>(totalMs / 1000);
            tm out{};
            gmtime_r(&secs, &out);
            return FromTm(out, static_cast<int>(totalMs % 1000));
        }
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm out{};
    localtime_r(&ts.tv_sec, &out);
    return FromTm(out, static_cast<int>(ts.tv_nsec / 1000000L));
}

namespace testing {

void UseVirtualTime(uint32_t startMs) {
    g_virtualNow.store(startMs);
    g_virtualOn.store(true);
}

void UseRealTime() { g_virtualOn.store(false); }

bool VirtualTimeOn() { return g_virtualOn.load(); }

void AdvanceTime(uint32_t ms) { g_virtualNow.fetch_add(ms); }

void PinLocalTime(const LocalDateTime& at) {
    std::lock_guard<std::mutex> lock(g_pinMutex);
    g_pinned = true;
    g_pinnedAt = at;
    g_pinnedClock = TimeMs();
}

void UnpinLocalTime() {
    std::lock_guard<std::mutex> lock(g_pinMutex);
    g_pinned = false;
}

}  // namespace testing
}  // namespace plat
