#include "platform/threads.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/clock.h"

namespace {

std::atomic<int> g_seen{0};

unsigned CountMessagesUntilQuit(void*) {
    for (;;) {
        plat::Message m;
        while (plat::PeekThreadMessage(m)) {
            if (m.id == plat::kWmQuit) return 0;
            g_seen += static_cast<int>(m.wParam);
        }
        plat::SleepMs(1);
    }
}

struct Loop {
    std::atomic<int> passes{0};
};

unsigned PassFreezePoints(void* arg) {
    auto* loop = static_cast<Loop*>(arg);
    while (!plat::StopRequested()) {
        plat::FreezePoint();
        ++loop->passes;
        plat::SleepMs(1);
    }
    return 0;
}

unsigned StayParked(void*) {
    plat::ParkedScope parked;
    while (!plat::StopRequested()) plat::SleepMs(1);
    return 0;
}

}  // namespace

TEST(ThreadMessages, QueueExistsFromTheStartAndGoesWithTheThread) {
    g_seen = 0;
    plat::ThreadHandle t = plat::StartThread(CountMessagesUntilQuit, nullptr);
    ASSERT_TRUE(t);
    plat::ThreadId id = plat::GetThreadId(t);
    EXPECT_TRUE(plat::PostThreadMessage(id, plat::kWmUser, 2));
    EXPECT_TRUE(plat::PostThreadMessage(id, plat::kWmUser, 3));
    EXPECT_TRUE(plat::PostThreadMessage(id, plat::kWmQuit));
    plat::JoinThread(t);
    EXPECT_FALSE(t);
    EXPECT_EQ(g_seen, 5);
    EXPECT_FALSE(plat::PostThreadMessage(id, plat::kWmQuit));
    EXPECT_FALSE(plat::PostThreadMessage(0, plat::kWmQuit));
    plat::Message m;
    EXPECT_FALSE(plat::PeekThreadMessage(m));  // the test's thread has no queue
    EXPECT_EQ(plat::CurrentThreadId(), 0u);
}

TEST(ThreadGate, FrozenThreadHoldsAtItsFreezePointUntilThawed) {
    Loop loop;
    plat::ThreadHandle t = plat::StartThread(PassFreezePoints, &loop);
    ASSERT_TRUE(t);
    EXPECT_TRUE(plat::FreezeThread(t, 5000));
    int held = loop.passes;
    plat::SleepMs(20);
    EXPECT_EQ(loop.passes, held);
    plat::ThawThread(t);
    while (loop.passes < held + 3) plat::SleepMs(1);
    // A stop lets a frozen thread through.
    EXPECT_TRUE(plat::FreezeThread(t, 5000));
    plat::RequestStop(t);
    EXPECT_TRUE(plat::WaitThreadEnd(t, 5000));
    EXPECT_TRUE(plat::ThreadEnded(t));
    plat::JoinThread(t);
}

TEST(ThreadGate, ParkedThreadCountsAsHeld) {
    plat::ThreadHandle t = plat::StartThread(StayParked, nullptr);
    ASSERT_TRUE(t);
    EXPECT_TRUE(plat::FreezeThread(t, 5000));
    plat::ThawThread(t);
    plat::RequestStop(t);
    plat::JoinThread(t);
}
