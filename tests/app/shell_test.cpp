// The shell's rules that need no running program: the screen-mode checks,
// the zoom items and placement, the window placement file and the command
// line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/startup.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "project/path_table.h"
#include "support/logged_test.h"

namespace {

TEST(ScreenMode, DepthVsyncAndTheTwoFailures) {
    struct Case {
        int d3d, window, bpp, vsync, colour, d3dDepth, ddDepth;
        int depth, outVsync, error;
        bool resizable;
    };
    const Case cases[] = {
        // Windowed: the desktop's depth or a failure.
        {0, 1, 16, 1, 0, 0, 0, 16, 0, 1, false},
        {0, 1, 24, 0, 0, 0, 0, 24, 0, 2, false},
        {0, 1, 8, 0, 0, 0, 0, 8, 0, 2, false},
        {0, 1, 0, 0, 0, 0, 0, 32, 0, 0, false},
        {1, 2, 0, 0, 0, 0, 0, 32, 0, 0, true},
        {0, 2, 0, 0, 0, 0, 0, 32, 0, 0, false},
        // Full screen: 8 bits only with DirectDraw and the palette.
        {1, 0, 8, 0, 0, 0, 0, 8, 0, 2, false},
        {0, 0, 8, 0, 0, 0, 0, 8, 0, 0, false},
        {0, 0, 8, 0, 1, 0, 0, 8, 0, 2, false},
        {0, 0, 0, 0, 0, 0, 2, 8, 0, 0, false},
        {0, 0, 0, 0, 1, 0, 2, 32, 0, 0, false},
        {0, 0, 0, 0, 0, 0, 1, 16, 0, 0, false},
        {1, 0, 0, 0, 0, 1, 0, 16, 0, 0, false},
        {1, 0, 0, 0, 0, 0, 2, 32, 0, 0, false},
        // VSync.
        {1, 0, 32, 2, 0, 0, 0, 32, 1, 0, false},
        {0, 1, 32, 1, 0, 0, 0, 32, 0, 0, false},
        {0, 0, 32, 2, 0, 0, 0, 32, 0, 0, false},
        {0, 0, 32, 1, 0, 0, 0, 32, 1, 0, false},
    };
    for (const Case& c : cases) {
        ScreenModeIn in;
        in.direct3D = c.d3d;
        in.windowMode = c.window;
        in.bpp = c.bpp;
        in.vsync = c.vsync;
        in.colourMode = c.colour;
        in.d3dDepth = c.d3dDepth;
        in.ddDepth = c.ddDepth;
        in.desktopBpp = 32;
        const ScreenModeOut out = ResolveScreenMode(in);
        SCOPED_TRACE(::testing::Message() << "D" << c.d3d << " W" << c.window << " B" << c.bpp << " V" << c.vsync
                                          << " C" << c.colour);
        EXPECT_EQ(out.depth, c.depth);
        EXPECT_EQ(out.vsync, c.outVsync);
        EXPECT_EQ(out.error, c.error);
        EXPECT_EQ(out.resizable, c.resizable);
    }
    ScreenModeIn old;
    old.direct3D = 0;
    old.windowMode = 0;
    old.bpp = 32;
    old.vsync = 2;
    old.windowsAtLeast6 = false;
    EXPECT_EQ(ResolveScreenMode(old).vsync, 1);
}

TEST(Zoom, ItemsThatFitAndPlacementAtTheEdges) {
    EXPECT_EQ(ZoomItemsThatFit(1920, 1080), (1u << 1) | (1u << 2));
    EXPECT_EQ(ZoomItemsThatFit(1920, 1440), (1u << 1) | (1u << 2) | (1u << 3));
    EXPECT_EQ(ZoomItemsThatFit(639, 480), 0u);
    int x = 0, y = 0;
    ZoomPlacement(2, 100, 100, 640, 1920, 1080, &x, &y);
    EXPECT_EQ(x, 0);  // 100 - 320 is off the left edge
    EXPECT_EQ(y, 100);
    ZoomPlacement(2, 1000, 200, 640, 1920, 1080, &x, &y);
    EXPECT_EQ(x, 1920 - 1280);  // would reach past the right edge
    EXPECT_EQ(y, 1080 - 960);
    ZoomPlacement(1, 500, 300, 1280, 1920, 1080, &x, &y);
    EXPECT_EQ(x, 820);  // the centre stays
    EXPECT_EQ(y, 300);
}

class WindowPosTest : public orvtest::LoggedTest {};

TEST_F(WindowPosTest, TheFileHoldsFiveIntsAndNegativePlacesReadBackAsZero) {
    cWindowPos pos;
    pos.Set(-8, 40, 1280, 960, 1);
    ASSERT_EQ(pos.SaveFile("Window.dat"), 1);
    std::ifstream f("Window.dat", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 32u);
    auto word = [&](size_t at) {
        return static_cast<int32_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
                                    static_cast<uint8_t>(bytes[at + 2]) << 16 |
                                    static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24);
    };
    EXPECT_EQ(word(0), 901);
    EXPECT_EQ(word(4), 5);
    EXPECT_EQ(word(8), -8);
    EXPECT_EQ(word(16), 1280);
    EXPECT_EQ(word(24), 1);
    EXPECT_EQ(word(28), 0);

    cWindowPos read;
    ASSERT_EQ(read.Load("Window.dat"), 1);
    EXPECT_EQ(read.m_nX, 0);
    EXPECT_EQ(read.m_nY, 40);
    EXPECT_EQ(read.m_nWidth, 1280);
    EXPECT_EQ(read.m_bMaximized, 1);
    EXPECT_EQ(read.Load("missing.dat"), 0);
    EXPECT_EQ(read.m_nWidth, 1280) << "a missing file changes nothing";
}

TEST(WindowPlacement, ASavedPlaceOffTheDesktopIsPulledBackOnlySoFar) {
    struct Case {
        int x, y, right, bottom, keptX, keptY;
    };
    const Case cases[] = {
        {100, 80, 1024, 768, 100, 80},     // fits: kept
        {960, 728, 1024, 768, 960, 728},   // the last place that fits
        {1500, 900, 1024, 768, 960, 728},  // saved on a larger desktop
        {961, 729, 1024, 768, 960, 728},
        {-8, -30, 1024, 768, 0, 0},        // never above or left of it
        {1500, 900, 1920, 1080, 1500, 900},
        {100, 100, 40, 30, 0, 0},  // a desktop smaller than what is kept
    };
    for (const Case& c : cases) {
        int x = 0, y = 0;
        KeepOnDesktop(c.x, c.y, c.right, c.bottom, &x, &y);
        EXPECT_EQ(x, c.keptX) << c.x << "," << c.y << " on " << c.right << "x" << c.bottom;
        EXPECT_EQ(y, c.keptY) << c.x << "," << c.y << " on " << c.right << "x" << c.bottom;
    }
}

TEST_F(WindowPosTest, ReadingAPlaceFromALargerDesktopKeepsTheWindowReachable) {
    const plat::WorkArea area = plat::DesktopWorkArea();
    cWindowPos pos;
    pos.Set(area.right + 476, area.bottom + 132, 640, 480, 0);
    ASSERT_EQ(pos.SaveFile("Window.dat"), 1);
    cWindowPos read;
    ASSERT_EQ(read.Load("Window.dat"), 1);
    EXPECT_EQ(read.m_nX, area.right - kKeptOnDesktopWidth);
    EXPECT_EQ(read.m_nY, area.bottom - kTitleBarHeight);
    EXPECT_EQ(read.m_nWidth, 640);
}

TEST_F(WindowPosTest, ASaveIntoAReadOnlyFolderKeepsTheOldFileAndIsReported) {
    const char* path = g_PathTable[kPathWindow];
    ASSERT_TRUE(plat::MakeFolder("user_data"));
    cWindowPos old;
    old.Set(1, 2, 640, 480, 0);
    ASSERT_EQ(old.SaveFile(path), 1);
    const std::string before = orvtest::ReadHostFile("user_data/Window.dat");

    // Root writes into any folder, so the save runs in a child process that
    // gives that power up; the folders and the log stay open to it.
    ASSERT_EQ(chmod(".", 0755), 0);
    ASSERT_EQ(chmod("Report_Game.txt", 0666), 0);
    ASSERT_EQ(chmod("user_data", 0555), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        cWindowPos pos;
        pos.Set(5, 6, 1280, 960, 1);
        _exit(pos.SaveFile(path) == 0 ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    chmod("user_data", 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save must fail";

    EXPECT_EQ(orvtest::ReadHostFile("user_data/Window.dat"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("user_data"), std::filesystem::directory_iterator{}),
              1);
    EXPECT_NE(orvtest::ReadHostFile("Report_Game.txt")
                  .find("data file user_data\\Window.dat could not be saved (Permission denied): the file on disk "
                        "is unchanged\n"),
              std::string::npos);
}

TEST(CommandLine, TestPlaySwitchWithAndWithoutAStage) {
    char prog[] = "player", sw[] = "--test-play", stage[] = "data/stg4/Grassland.stg4", other[] = "-x";
    char* withStage[] = {prog, sw, stage};
    CommandLine a = ParseCommandLine(3, withStage);
    EXPECT_TRUE(a.editorLaunch);
    EXPECT_EQ(a.stage, "data/stg4/Grassland.stg4");
    char* bare[] = {prog, sw};
    EXPECT_TRUE(ParseCommandLine(2, bare).editorLaunch);
    EXPECT_TRUE(ParseCommandLine(2, bare).stage.empty());
    char* plain[] = {prog, other};
    EXPECT_FALSE(ParseCommandLine(2, plain).editorLaunch);
    EXPECT_FALSE(ParseCommandLine(2, plain).headless);
    char headless[] = "--headless";
    char* both[] = {prog, headless, sw, stage};
    CommandLine b = ParseCommandLine(4, both);
    EXPECT_TRUE(b.headless);
    EXPECT_TRUE(b.editorLaunch);
    EXPECT_EQ(b.stage, "data/stg4/Grassland.stg4");
    char* switchAfter[] = {prog, sw, headless};  // a switch, not a stage
    CommandLine c = ParseCommandLine(3, switchAfter);
    EXPECT_TRUE(c.headless);
    EXPECT_TRUE(c.stage.empty());
}

}  // namespace
