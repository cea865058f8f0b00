#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/picture.h"
#include "platform/presenter.h"
#include "platform/shell.h"
#include "platform/threads.h"
#include "support/test_support.h"

namespace {

std::atomic<int> g_handled{0};

intptr_t Doubler(plat::WindowHandle, uint32_t id, uintptr_t wParam, intptr_t) {
    ++g_handled;
    return id == 0x406 ? static_cast<intptr_t>(wParam * 2) : -1;
}

struct SendArgs {
    plat::WindowHandle window;
    intptr_t result = -100;
};

unsigned SendFromWorker(void* p) {
    auto* a = static_cast<SendArgs*>(p);
    a->result = plat::SendWindowMessage(a->window, 0x406, 21, 0);
    return 0;
}

}  // namespace

TEST(SentMessages, OwnerCallsDirectlyAndOthersWaitForTheOwnersPump) {
    plat::WindowHandle w = plat::CreateMessageWindow();
    EXPECT_EQ(plat::SendWindowMessage(w, 0x406, 1), 0) << "no procedure yet";
    plat::SetWindowProc(w, Doubler);
    g_handled = 0;
    EXPECT_EQ(plat::SendWindowMessage(w, 0x406, 4), 8);
    EXPECT_EQ(g_handled, 1);

    SendArgs args{w};
    plat::ThreadHandle t = plat::StartThread(SendFromWorker, &args);
    // The worker waits until this thread pumps; a post meanwhile stays queued.
    plat::PostWindowMessage(w, 0x10);
    while (!plat::WaitWindowMessage(w, 10)) {
    }
    plat::Message m;
    bool sawPost = false;
    while (!plat::ThreadEnded(t)) {
        if (plat::PeekWindowMessage(w, m)) sawPost = sawPost || m.id == 0x10;
    }
    plat::JoinThread(t);
    EXPECT_EQ(args.result, 42);
    EXPECT_TRUE(sawPost);
    plat::DestroyMessageWindow(w);
}

TEST(SentMessages, AGoneWindowOrAStopReleasesTheSender) {
    plat::WindowHandle w = plat::CreateMessageWindow();
    plat::SetWindowProc(w, Doubler);
    SendArgs args{w};
    plat::ThreadHandle t = plat::StartThread(SendFromWorker, &args);
    while (!plat::WaitWindowMessage(w, 10)) {
    }
    plat::DestroyMessageWindow(w);
    ASSERT_TRUE(plat::WaitThreadEnd(t, 5000));
    plat::JoinThread(t);
    EXPECT_EQ(args.result, 0);

    plat::WindowHandle w2 = plat::CreateMessageWindow();
    plat::SetWindowProc(w2, Doubler);
    SendArgs args2{w2};
    plat::ThreadHandle t2 = plat::StartThread(SendFromWorker, &args2);
    while (!plat::WaitWindowMessage(w2, 10)) {
    }
    plat::RequestStop(t2);
    ASSERT_TRUE(plat::WaitThreadEnd(t2, 5000));
    plat::JoinThread(t2);
    EXPECT_EQ(args2.result, 0);
    plat::DestroyMessageWindow(w2);
}

TEST(InstanceLock, ASecondHolderSeesTheFirstAndTakesOverOnceItEnds) {
    char folder[] = "/tmp/orv_lock_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    orvtest::ScopedEnv instanceDir("ORV_INSTANCE_DIR", folder);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    if (child == 0) {
        int other = 0;
        const bool got = plat::AcquireInstanceLock("x", &other) == plat::InstanceLock::Acquired;
        char c = got ? 'y' : 'n';
        (void)!write(pipeFds[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(pipeFds[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    int other = 0;
    EXPECT_EQ(plat::AcquireInstanceLock("x", &other), plat::InstanceLock::HeldByOther);
    EXPECT_EQ(other, child);
    // Another name is another lock.
    EXPECT_EQ(plat::AcquireInstanceLock("y", &other), plat::InstanceLock::Acquired);
    plat::ReleaseInstanceLock();

    // Nobody collects the ended child until after the check: a zombie
    // counts as gone, and its lock is free.
    EXPECT_TRUE(plat::EndOtherInstance(child, 2000));
    EXPECT_EQ(plat::AcquireInstanceLock("x", &other), plat::InstanceLock::Acquired);
    plat::ReleaseInstanceLock();
    waitpid(child, nullptr, 0);
    EXPECT_FALSE(plat::EndOtherInstance(getpid(), 10)) << "never itself";
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::system((std::string("rm -rf ") + folder).c_str());
}

TEST(DesktopEvents, TheFirstPumpActivatesOnce) {
    plat::WindowHandle w = plat::CreateMessageWindow();
    plat::PumpDesktopEvents(w);
    plat::PumpDesktopEvents(w);
    plat::Message m;
    ASSERT_TRUE(plat::PeekWindowMessage(w, m));
    EXPECT_EQ(m.id, plat::kWmActivateApp);
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_FALSE(plat::PeekWindowMessage(w, m));
    plat::DestroyMessageWindow(w);
}

namespace {

// Takes the messages of the window that come within ms of real time.
std::vector<uint32_t> MessagesWithin(plat::WindowHandle w, size_t wanted, uint32_t ms) {
    std::vector<uint32_t> ids;
    for (uint32_t waited = 0; ids.size() < wanted && waited < ms; waited += 10) {
        plat::Message m;
        while (plat::PeekWindowMessage(w, m)) ids.push_back(m.id);
        if (ids.size() < wanted) plat::WaitWindowMessage(w, 10);
    }
    return ids;
}

}  // namespace

TEST(StopSignals, EachClosesTheWindowNamedAlsoWhenItCameBefore) {
    plat::WindowHandle w = plat::CreateMessageWindow();
    plat::CloseOnStopSignals(plat::kNoWindow);
    raise(SIGTERM);  // before any window: kept for the first one named
    usleep(50000);
    plat::CloseOnStopSignals(w);
    EXPECT_EQ(MessagesWithin(w, 1, 2000), std::vector<uint32_t>{plat::kWmClose});
    raise(SIGINT);
    EXPECT_EQ(MessagesWithin(w, 1, 2000), std::vector<uint32_t>{plat::kWmClose});

    plat::StopCloseOnSignals();
    struct sigaction now{};
    sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    plat::DestroyMessageWindow(w);
}

TEST(DesktopEvents, TheWaitEndsOnAMessageOrAFrameHeadlessOrInAWindow) {
    for (const char* headless : {"1", static_cast<const char*>(nullptr)}) {
        orvtest::ScopedRunMode mode(headless, "dummy");
        ASSERT_TRUE(plat::OpenFrameWindow("t", 64, 48, false));
        SCOPED_TRACE(plat::FrameWindowId() ? "window" : "headless");
        plat::WindowHandle w = plat::CreateMessageWindow();
        plat::PumpDesktopEvents(w);
        plat::Message m;
        while (plat::PeekWindowMessage(w, m)) {
        }
        // Nothing to wake it: the time ends the wait.
        plat::WaitDesktopEvents(w, 30);

        // A post from another thread ends a long wait early.
        std::thread poster([w] {
            usleep(50000);
            plat::PostWindowMessage(w, 0x401);
        });
        uint32_t start = plat::TimeMs();
        plat::WaitDesktopEvents(w, 60000);
        EXPECT_LT(plat::TimeMs() - start, 30000u);
        poster.join();
        EXPECT_TRUE(plat::PeekWindowMessage(w, m));

        if (plat::FrameWindowId()) {
            // So does a frame presented from another thread.
            plat::PumpDesktopEvents(w);
            plat::ShowLatestFrame();
            std::thread drawer([] {
                usleep(50000);
                plat::PresentImage(plat::Image(64, 48, plat::PixelFormat::X8R8G8B8), nullptr);
            });
            start = plat::TimeMs();
            plat::WaitDesktopEvents(w, 60000);
            EXPECT_LT(plat::TimeMs() - start, 30000u);
            drawer.join();
        }
        plat::DestroyMessageWindow(w);
        plat::CloseFrameWindow();
    }
}
