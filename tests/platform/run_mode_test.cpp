// The one choice of desktop or headless, from the program's switch, the
// environment and the display, and every part of the layer following it.
#include "platform/run_mode.h"

#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "platform/clock.h"
#include "platform/host_facts.h"
#include "platform/input.h"
#include "platform/input_sdl.h"
#include "platform/presenter.h"
#include "platform/testing.h"
#include "support/test_support.h"

namespace {

using orvtest::ScopedEnv;

TEST(RunMode, SwitchEnvironmentAndDisplayDecide) {
    struct Case {
        bool headlessSwitch;
        const char *headless, *display, *wayland, *driver;
        plat::Backend backend;
        bool missing, unseen;
    };
    const auto desktop = plat::Backend::Desktop, headless = plat::Backend::Headless;
    const Case cases[] = {
        {false, nullptr, ":0", nullptr, nullptr, desktop, false, false},
        {false, nullptr, nullptr, "wayland-0", nullptr, desktop, false, false},
        {false, nullptr, nullptr, nullptr, "offscreen", desktop, false, true},
        {false, nullptr, nullptr, nullptr, "DUMMY", desktop, false, true},
        {false, nullptr, "", "", "", headless, true, false},  // empty is unset
        {false, nullptr, nullptr, nullptr, nullptr, headless, true, false},
        {false, "1", ":0", nullptr, nullptr, headless, false, false},
        {true, nullptr, ":0", nullptr, nullptr, headless, false, false},
        {true, nullptr, nullptr, nullptr, nullptr, headless, false, false},
    };
    for (const Case& c : cases) {
        ScopedEnv h("ORV_HEADLESS", c.headless), d("DISPLAY", c.display), w("WAYLAND_DISPLAY", c.wayland),
            v("SDL_VIDEODRIVER", c.driver);
        SCOPED_TRACE(::testing::Message() << c.headlessSwitch << " " << (c.headless ? c.headless : "-") << " "
                                          << (c.display ? c.display : "-") << " " << (c.driver ? c.driver : "-"));
        plat::ChooseRunMode(c.headlessSwitch);
        EXPECT_EQ(plat::CurrentBackend(), c.backend);
        EXPECT_EQ(plat::DisplayMissing(), c.missing);
        EXPECT_EQ(plat::DesktopUnseen(), c.unseen);
    }
    plat::testing::ForgetRunMode();
}

TEST(RunMode, ChosenOnceThenKept) {
    ScopedEnv display("DISPLAY", ":0");
    plat::ChooseRunMode(true);
    {
        // Later changes of the environment are not heard.
        ScopedEnv headless("ORV_HEADLESS", nullptr);
        EXPECT_TRUE(plat::Headless());
    }
    plat::testing::ForgetRunMode();
}

TEST(RunMode, EveryPartFollowsTheChoice) {
    {
        // Headless with a display there: no window, no box, no joystick,
        // no desktop to ask.
        ScopedEnv display("DISPLAY", ":0");
        ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
        plat::ChooseRunMode(true);
        EXPECT_EQ(plat::CurrentDialogBackend(), plat::DialogBackend::Scripted);
        EXPECT_FALSE(plat::InitJoysticks());
        EXPECT_FALSE(plat::QueryDesktop().has_value());
        ASSERT_TRUE(plat::OpenFrameWindow("t", 640, 480, false));
        EXPECT_EQ(plat::FrameWindowId(), 0u);
        plat::CloseFrameWindow();
    }
    {
        // A desktop nobody sees: windows, but scripted boxes.
        orvtest::ScopedRunMode unseen(nullptr, "dummy");
        EXPECT_EQ(plat::CurrentDialogBackend(), plat::DialogBackend::Scripted);
        EXPECT_TRUE(plat::QueryDesktop().has_value());
        if (plat::OpenFrameWindow("t", 640, 480, false)) {
            EXPECT_NE(plat::FrameWindowId(), 0u);
            plat::CloseFrameWindow();
        }
    }
    plat::testing::ForgetRunMode();
}

TEST(RunMode, ARepeatableRunHasVirtualTimeAPinnedDateAndItsFigures) {
    plat::testing::ClearInputScript();
    {
        ScopedEnv repeatable("ORV_VIRTUAL_TIME", "1");
        plat::ChooseRunMode(false);
    }
    EXPECT_TRUE(plat::testing::VirtualTimeOn());
    EXPECT_EQ(plat::TimeMs(), 0u);
    EXPECT_EQ(plat::LocalTime().year, 2000);
    for (int frame = 0; frame < 4; ++frame) {
        plat::BeginInputFrame();
        plat::SleepMs(frame == 0 ? 16 : 17);
    }
    ::testing::internal::CaptureStdout();
    plat::EndRun();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("run: frames=4 clock_s=0.050 clock_fps=60.00 real_s=", 0), 0u) << out;
    EXPECT_NE(out.find(" fps="), std::string::npos) << out;

    // Any other run prints nothing.
    plat::ChooseRunMode(false);
    ::testing::internal::CaptureStdout();
    plat::EndRun();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    plat::testing::UseRealTime();
    plat::testing::UnpinLocalTime();
    plat::testing::ClearInputScript();
    plat::testing::ForgetRunMode();
}

}  // namespace
