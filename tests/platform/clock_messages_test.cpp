#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/testing.h"

TEST(VirtualTime, SleepAdvancesTheClockAtOnceAndWraps) {
    plat::testing::UseVirtualTime(0xFFFFFFF0u);
    EXPECT_EQ(plat::TimeMs(), 0xFFFFFFF0u);
    plat::SleepMs(0x20);
    EXPECT_EQ(plat::TimeMs(), 0x10u);
    plat::testing::AdvanceTime(5);
    EXPECT_EQ(plat::TimeMs(), 0x15u);
    plat::testing::UseRealTime();
    EXPECT_FALSE(plat::testing::VirtualTimeOn());
}

TEST(VirtualTime, PinnedDateMovesWithTheClock) {
    plat::testing::UseVirtualTime(100);
    plat::LocalDateTime at;
    at.year = 2026;
    at.month = 12;
    at.day = 31;
    at.hour = 23;
    at.minute = 59;
    at.second = 59;
    at.millisecond = 500;
    plat::testing::PinLocalTime(at);
    plat::LocalDateTime d = plat::LocalTime();
    EXPECT_EQ(d.year, 2026);
    EXPECT_EQ(d.weekday, 4);  // a Thursday
    plat::SleepMs(600);
    d = plat::LocalTime();
    EXPECT_EQ(d.year, 2027);
    EXPECT_EQ(d.month, 1);
    EXPECT_EQ(d.day, 1);
    EXPECT_EQ(d.second, 0);
    EXPECT_EQ(d.millisecond, 100);
    plat::testing::UnpinLocalTime();
    plat::testing::UseRealTime();
    EXPECT_GE(plat::LocalTime().year, 2024);
}

TEST(RealTime, SleepWaits) {
    uint32_t t0 = plat::TimeMs();
    plat::SleepMs(3);
    EXPECT_GE(plat::TimeMs() - t0, 3u);
}

TEST(WindowMessages, PostFromAnyThreadInOrder) {
    plat::WindowHandle w = plat::CreateMessageWindow();
    ASSERT_NE(w, plat::kNoWindow);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([w, t] {
            for (int i = 0; i < 100; ++i) EXPECT_TRUE(plat::PostWindowMessage(w, plat::kWmUser + 1, t, i));
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(plat::PendingWindowMessages(w), 400u);
    std::vector<intptr_t> last(4, -1);
    plat::Message m;
    while (plat::PeekWindowMessage(w, m)) {
        EXPECT_EQ(m.id, plat::kWmUser + 1);
        EXPECT_EQ(m.lParam, last[m.wParam] + 1);  // each sender's order is kept
        last[m.wParam] = m.lParam;
    }
    plat::DestroyMessageWindow(w);
}

TEST(WindowMessages, GoneOrMissingWindowRefusesPosts) {
    EXPECT_FALSE(plat::PostWindowMessage(plat::kNoWindow, plat::kWmClose));
    plat::WindowHandle w = plat::CreateMessageWindow();
    plat::DestroyMessageWindow(w);
    EXPECT_FALSE(plat::PostWindowMessage(w, plat::kWmClose));
    plat::Message m;
    EXPECT_FALSE(plat::PeekWindowMessage(w, m));
    EXPECT_EQ(plat::PendingWindowMessages(w), 0u);
}

namespace {
std::atomic<int> g_wakeups{0};
void CountWakeup() { ++g_wakeups; }
intptr_t Answer(plat::WindowHandle, uint32_t, uintptr_t, intptr_t) { return 7; }
}  // namespace

TEST(WindowMessages, TheWakeupHearsEveryPostAndEverySendFromAnotherThread) {
    plat::WindowHandle w = plat::CreateMessageWindow();
    plat::SetWindowProc(w, Answer);
    g_wakeups = 0;
    plat::PostWindowMessage(w, 0x401);
    EXPECT_EQ(g_wakeups, 0) << "none set yet";
    plat::SetWindowWakeup(w, CountWakeup);
    plat::PostWindowMessage(w, 0x402);
    EXPECT_EQ(g_wakeups, 1);
    intptr_t answer = 0;
    std::thread sender([&] { answer = plat::SendWindowMessage(w, 0x403); });
    while (g_wakeups < 2) plat::WaitWindowMessage(w, 10);
    plat::HandleSentMessages(w);
    sender.join();
    EXPECT_EQ(answer, 7);
    EXPECT_EQ(plat::SendWindowMessage(w, 0x404), 7);  // the owner's own call needs no wake
    EXPECT_EQ(g_wakeups, 2);
    plat::SetWindowWakeup(w, nullptr);
    plat::PostWindowMessage(w, 0x405);
    EXPECT_EQ(g_wakeups, 2);
    plat::DestroyMessageWindow(w);
}
