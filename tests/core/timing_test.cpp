#include "core/timing.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/gfx_link.h"
#include "platform/random.h"
#include "platform/testing.h"

namespace {

class TimingTest : public ::testing::Test {
protected:
    TimingState t;
    void SetUp() override { plat::testing::UseVirtualTime(1000); }
    void TearDown() override {
        plat::testing::UseRealTime();
        GfxLink() = GfxHooks{};
    }
    static void Wait(uint32_t ms) { plat::testing::AdvanceTime(ms); }
};

bool Yes() { return true; }

std::vector<std::string> g_overlays;
void RecordOverlay(DDSURFACEDATA*, int x, int y, int w, int h, const char* text) {
    g_overlays.push_back(std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
                         std::to_string(h) + ":" + text);
}

}  // namespace

TEST_F(TimingTest, StopwatchMeasures) {
    t.StartTimer();
    Wait(5);
    EXPECT_EQ(t.GetElapsedTime(false), 5u);
    EXPECT_EQ(t.GetElapsedTime(true), 5u);
    Wait(3);
    EXPECT_EQ(t.MeasureTime(true), 3u);
    Wait(10);
    EXPECT_EQ(t.MeasureTime(false), 3u);
}

TEST_F(TimingTest, CountFpsCountsOneSecondWindows) {
    // The very first call opens the first window and counts in it.
    t.CountFps(true);
    for (int i = 1; i <= 62; ++i) {
        Wait(16);
        EXPECT_EQ(t.CountFps(true), 0u);
    }
    Wait(16);
    EXPECT_EQ(t.CountFps(true), 63u);  // 1008 ms: closes the first window, opens the next uncounted
    // Calls every 16 ms: those at 16 .. 992 ms after the opening call are
    // counted (62); the one at 1008 ms closes the window.
    for (int i = 1; i <= 62; ++i) {
        Wait(16);
        EXPECT_EQ(t.CountFps(true), 63u);
    }
    Wait(16);
    EXPECT_EQ(t.CountFps(true), 62u);
    EXPECT_EQ(t.CountFps(false), 62u);
}

TEST_F(TimingTest, CountEvery) {
    EXPECT_FALSE(t.CountEvery(0, 3));
    EXPECT_TRUE(t.CountEvery(2, 3));
    std::string fired;
    for (int i = 0; i < 6; ++i) fired += t.CountEvery(1, 3) ? 'y' : 'n';
    EXPECT_EQ(fired, "nnynny");
    for (uint32_t n : {0u, 1u}) {
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(t.CountEvery(1, n)) << n;
    }
}

TEST_F(TimingTest, RateLimitDuesFromAdmission) {
    EXPECT_TRUE(t.RateLimit(60));
    Wait(15);
    EXPECT_FALSE(t.RateLimit(60));
    Wait(1);
    EXPECT_TRUE(t.RateLimit(60));  // 16 ms at 60 fps
    Wait(40);                      // a late frame
    EXPECT_TRUE(t.RateLimit(60));
    Wait(15);
    EXPECT_FALSE(t.RateLimit(60));  // the late one does not hurry the next
    EXPECT_TRUE(t.RateLimit(0));
}

TEST_F(TimingTest, RateLimitKeepsTheRateItselfOnAverage) {
    // Polled each millisecond, as the frame wait does: each rate admits its
    // own number of frames a second, not 1000 / (1000 / fps).
    for (uint32_t fps : {60u, 50u, 30u, 120u, 144u}) {
        t = TimingState();
        const uint32_t start = plat::TimeMs();
        int admitted = 0;
        while (plat::TimeMs() - start < 10000) {
            if (t.RateLimit(fps))
                ++admitted;
            else
                Wait(1);
        }
        EXPECT_NEAR(admitted, static_cast<int>(fps) * 10, 1) << fps;
    }
}

TEST_F(TimingTest, RateLimitSurvivesTheClockWrap) {
    plat::testing::UseVirtualTime(UINT32_MAX - 5);
    EXPECT_TRUE(t.RateLimit(60));  // due at 10 after the wrap
    Wait(10);
    EXPECT_FALSE(t.RateLimit(60));
    Wait(6);
    EXPECT_TRUE(t.RateLimit(60));
}

TEST_F(TimingTest, FrameSyncPacesWindowsOfFpsFrames) {
    EXPECT_TRUE(t.FrameSync(60, false, nullptr));  // no Direct3D: never holds
    GfxLink().direct3DActive = Yes;
    EXPECT_TRUE(t.FrameSync(0, false, nullptr));

    uint32_t start = 5000;
    plat::testing::UseVirtualTime(start);
    TimingState s;
    // Frames are due at 0, 16.67, 33.33 ... ms after the window start.
    std::vector<uint32_t> admitted;
    for (uint32_t ms = 0; ms <= 1010 && admitted.size() < 61; ++ms) {
        if (s.FrameSync(60, false, nullptr)) admitted.push_back(plat::TimeMs() - start);
        Wait(1);
    }
    ASSERT_GE(admitted.size(), 61u);
    EXPECT_EQ(admitted[0], 0u);
    EXPECT_EQ(admitted[1], 17u);
    EXPECT_EQ(admitted[2], 34u);
    EXPECT_EQ(admitted[3], 50u);
    EXPECT_EQ(admitted[59], 984u);
    // The 60th admitted frame closed the window on time: the next opens
    // where the second ends, so a second holds 60 frames.
    EXPECT_EQ(admitted[60], 1000u);

    // A window whose last frame came late opens at that frame's time.
    Wait(3000);
    for (int i = 1; i < 60; ++i) EXPECT_TRUE(s.FrameSync(60, false, nullptr)) << i;  // all overdue
    EXPECT_TRUE(s.FrameSync(60, false, nullptr));  // frame 0 of the new window
    EXPECT_FALSE(s.FrameSync(60, false, nullptr));
    Wait(17);
    EXPECT_TRUE(s.FrameSync(60, false, nullptr));
}

TEST_F(TimingTest, FrameSyncDrawsItsOverlay) {
    GfxLink().direct3DActive = Yes;
    GfxLink().bmpPrintf = RecordOverlay;
    g_overlays.clear();
    auto* sheet = reinterpret_cast<DDSURFACEDATA*>(&g_overlays);
    EXPECT_TRUE(t.FrameSync(60, true, sheet));
    EXPECT_FALSE(t.FrameSync(60, true, sheet));
    ASSERT_EQ(g_overlays.size(), 1u);
    EXPECT_EQ(g_overlays[0], "0,16,8,16:FPS-Ave 0(0)\ndwTime_OneSec 1000\nnFrameCt_OneSec 1");
    Wait(17);
    EXPECT_TRUE(t.FrameSync(60, true, sheet));
    ASSERT_EQ(g_overlays.size(), 2u);
    EXPECT_EQ(g_overlays[1], "0,16,8,16:FPS-Ave 0(0)\ndwTime_OneSec 1000\nnFrameCt_OneSec 2");
}

TEST(RandRange, ClassicSequenceAndEitherOrder) {
    std::thread([] {
        // A thread that never seeded starts at 1.
        std::vector<int> r;
        for (int i = 0; i < 6; ++i) r.push_back(plat::Rand());
        EXPECT_EQ(r, (std::vector<int>{41, 18467, 6334, 26500, 19169, 15724}));
        std::vector<int> up, down;
        plat::SeedRand(1);
        for (int i = 0; i < 6; ++i) up.push_back(RandRange(3, 5));
        plat::SeedRand(1);
        for (int i = 0; i < 6; ++i) down.push_back(RandRange(5, 3));
        EXPECT_EQ(up, (std::vector<int>{5, 5, 4, 4, 5, 4}));
        EXPECT_EQ(down, up);
    }).join();
}

TEST(RandRange, ExtremeRangesStayInside) {
    plat::SeedRand(7);
    for (int i = 0; i < 200; ++i) {
        // 15-bit draws: the widest range yields its lowest 32768 values.
        int v = RandRange(INT_MIN, INT_MAX);
        EXPECT_LE(v, INT_MIN + 32767);
        EXPECT_EQ(RandRange(-4, -4), -4);
        int w = RandRange(-2000000000, 2000000000);
        EXPECT_GE(w, -2000000000);
        EXPECT_LE(w, 2000000000);
    }
}
