// The shell's rules that need no running program: the screen-mode checks,
// the zoom items and placement, the window placement file and the command
// line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "app/main_window.h"
#include "app/startup.h"
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
        cScreenModeIn in;
        in.direct3D = c.d3d;
        in.windowMode = c.window;
        in.bpp = c.bpp;
        in.vsync = c.vsync;
        in.colourMode = c.colour;
        in.d3dDepth = c.d3dDepth;
        in.ddDepth = c.ddDepth;
        in.desktopBpp = 32;
        const cScreenModeOut out = ResolveScreenMode(in);
        SCOPED_TRACE(::testing::Message() << "D" << c.d3d << " W" << c.window << " B" << c.bpp << " V" << c.vsync
                                          << " C" << c.colour);
        EXPECT_EQ(out.depth, c.depth);
        EXPECT_EQ(out.vsync, c.outVsync);
        EXPECT_EQ(out.error, c.error);
        EXPECT_EQ(out.resizable, c.resizable);
    }
    cScreenModeIn old;
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

TEST(CommandLine, TestPlaySwitchWithAndWithoutAStage) {
    char prog[] = "player", sw[] = "--test-play", stage[] = "data/stg4/Grassland.stg4", other[] = "-x";
    char* withStage[] = {prog, sw, stage};
    cCommandLine a = ParseCommandLine(3, withStage);
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
    cCommandLine b = ParseCommandLine(4, both);
    EXPECT_TRUE(b.headless);
    EXPECT_TRUE(b.editorLaunch);
    EXPECT_EQ(b.stage, "data/stg4/Grassland.stg4");
    char* switchAfter[] = {prog, sw, headless};  // a switch, not a stage
    cCommandLine c = ParseCommandLine(3, switchAfter);
    EXPECT_TRUE(c.headless);
    EXPECT_TRUE(c.stage.empty());
}

}  // namespace
