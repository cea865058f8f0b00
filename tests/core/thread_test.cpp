#include "core/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/report_log.h"
#include "platform/clock.h"
#include "support/test_support.h"

namespace {

struct Worker {
    std::atomic<int> passes{0};
    std::atomic<bool> ignoreQuit{false};
    std::atomic<bool> release{false};
};

// A loop as the program's workers run one: a freeze point per pass, ended
// by WM_QUIT in its queue.
unsigned WorkerLoop(void* arg) {
    auto* w = static_cast<Worker*>(arg);
    for (;;) {
        plat::FreezePoint();
        plat::Message m;
        while (plat::PeekThreadMessage(m))
            if (m.id == plat::kWmQuit && !w->ignoreQuit) return 0;
        if (w->release) return 0;
        ++w->passes;
        plat::SleepMs(1);
    }
}

// Program-wide, as the game's thread objects are: constant-initialised, so
// destroyed at exit after the static objects of the other files.
Worker g_atExitWorker;
cThread g_atExitThread;

unsigned SayWhenQuit(void* arg) {
    WorkerLoop(arg);
    std::fputs("worker quit\n", stderr);
    return 0;
}

unsigned Quick(void* arg) {
    ++*static_cast<std::atomic<int>*>(arg);
    return 0;
}

class ThreadTest : public ::testing::Test {
protected:
    orvtest::ScopedTempFolder tmp;
    void SetUp() override { ASSERT_EQ(InitReportLog("Report_Game.txt"), 1); }
    std::string Log() { return orvtest::ReadHostFile("Report_Game.txt"); }
};

}  // namespace

TEST_F(ThreadTest, NoThreadMeansNothingToDo) {
    cThread t;
    EXPECT_TRUE(t.Suspend());
    EXPECT_TRUE(t.Resume());
    t.Exit();
    t.Wait();
    EXPECT_FALSE(t.Running());
    EXPECT_EQ(Log(), "");
}

TEST_F(ThreadTest, StartWaitAndStartAgain) {
    std::atomic<int> runs{0};
    cThread t;
    ASSERT_EQ(t.Start(Quick, &runs), 1);
    EXPECT_NE(t.ThreadId(), 0u);
    t.Wait();
    EXPECT_FALSE(t.Running());
    EXPECT_EQ(runs, 1);
    ASSERT_EQ(t.Start(Quick, &runs), 1);
    while (!t.Ended()) plat::SleepMs(1);
    EXPECT_TRUE(t.Running());
    ASSERT_EQ(t.Start(Quick, &runs), 1);  // the ended thread is released first
    t.Wait();
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(Log(), "");
}

TEST_F(ThreadTest, StartingOverARunningThreadIsRefused) {
    Worker w;
    cThread t;
    ASSERT_EQ(t.Start(WorkerLoop, &w), 1);
    uint32_t id = t.ThreadId();
    EXPECT_EQ(t.Start(WorkerLoop, &w), 0);
    EXPECT_EQ(t.ThreadId(), id);
    EXPECT_NE(Log().find("still runs"), std::string::npos);
    t.Exit();
    EXPECT_FALSE(t.Running());
    EXPECT_FALSE(plat::PostThreadMessage(id, plat::kWmUser));
}

TEST_F(ThreadTest, ExitResumesASuspendedThreadAndItQuits) {
    Worker w;
    cThread t;
    ASSERT_EQ(t.Start(WorkerLoop, &w), 1);
    EXPECT_TRUE(t.Suspend());
    int held = w.passes;
    plat::SleepMs(20);
    EXPECT_EQ(w.passes, held);
    t.Exit();
    EXPECT_FALSE(t.Running());
    EXPECT_EQ(Log(), "");  // it ended in time, nothing to report
}

TEST_F(ThreadTest, ThreadIgnoringQuitIsReportedAndLeftAfter200Polls) {
    Worker w;
    w.ignoreQuit = true;
    {
        cThread t;
        ASSERT_EQ(t.Start(WorkerLoop, &w), 1);
        uint32_t start = plat::TimeMs();
        t.Exit();
        EXPECT_GE(plat::TimeMs() - start, 200u);
        EXPECT_FALSE(t.Running());
        EXPECT_NE(Log().find("did not stop"), std::string::npos);
        EXPECT_EQ(plat::RunningDetachedThreads(), 1);
    }
    w.release = true;
    while (plat::RunningDetachedThreads() > 0) plat::SleepMs(1);
}

TEST(ThreadDeathTest, ThreadStillRunningAtExitIsStoppedByItsObject) {
    EXPECT_EXIT(
        {
            if (g_atExitThread.Start(SayWhenQuit, &g_atExitWorker) == 1) std::exit(0);
        },
        ::testing::ExitedWithCode(0), "worker quit");
}
