// Time as the program sees it: a wrapping 32-bit millisecond clock, 1-ms
// sleeps and local time. Under virtual time (platform/testing.h) sleeping
// advances the clock instead of waiting, so runs repeat exactly.
#pragma once
#include <cstdint>

namespace plat {

// Milliseconds on a monotonic clock, wrapping every 2^32 ms (about 49.7 days).
uint32_t TimeMs();

// Seconds on the machine's monotonic clock, never virtual: for measuring
// how long something really took.
double RealSeconds();

// Sleeps about ms milliseconds; 0 only yields.
void SleepMs(uint32_t ms);

struct LocalDateTime {
    int year = 1970;
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int weekday = 4;  // 0 Sunday .. 6 Saturday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The wall clock in the local time zone, or the pinned date under test.
LocalDateTime LocalTime();

}  // namespace plat
