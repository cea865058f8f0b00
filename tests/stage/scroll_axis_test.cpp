#include <gtest/gtest.h>

#include "frontend/program_objects.h"
#include "project/stage_info.h"
#include "stage/game_scene.h"

namespace {

struct ClampCase {
    int low, high;
    double pos;
    double wantPos;
    int wantLimit;
};

TEST(ScrollAxis, ClampKeepsTheViewInsideItsLimits) {
    const ClampCase cases[] = {
        {320, 960, 24, 320, 1},   // below low
        {0, 960, 100, 100, 0},    // inside
        {320, 960, 632, 320, 1},  // past high - view
        {320, 640, 400, 320, 1},  // a stage narrower than the view
        {320, 1280, 640, 640, 1}, // exactly at high - view
    };
    for (const ClampCase& c : cases) {
        cScrollAxis a;
        a.m_nView = 640, a.m_nLow = c.low, a.m_nHigh = c.high, a.m_dPos = c.pos;
        a.Clamp();
        EXPECT_EQ(a.m_dPos, c.wantPos) << c.low << " " << c.high << " " << c.pos;
        EXPECT_EQ(a.m_bAtLimit, c.wantLimit) << c.low << " " << c.high << " " << c.pos;
    }
}

TEST(ScrollAxis, RangeFromTilesOrTheStage) {
    cScrollAxis a;
    a.m_nBaseLow = 320, a.m_nBaseHigh = 1600;
    a.SetRange(2, 30, 1, 1);
    EXPECT_EQ(a.m_nLow, 320 + 64);
    EXPECT_EQ(a.m_nHigh, 320 + 32 * 31);
    a.SetRange(5, 1, 1, 1);  // high below low is raised to it
    EXPECT_EQ(a.m_nHigh, a.m_nLow);
    a.SetRange(5, 1, 0, 0);
    EXPECT_EQ(a.m_nLow, 320);
    EXPECT_EQ(a.m_nHigh, 1600);
}

TEST(ScrollAxis, AutoScrollSpeedPerSubStep) {
    g_Stage.SetHitLevel(4);
    cScrollAxis a;
    a.SetAutoScroll(1, 15);
    EXPECT_EQ(a.m_bAuto, 1);
    EXPECT_DOUBLE_EQ(a.m_dAutoSpeed, 0.375);
    a.SetAutoScroll(0, 15);
    EXPECT_EQ(a.m_bAuto, 0);
    EXPECT_EQ(a.m_dAutoSpeed, 0);
    ResetProgramObjects();
}

}  // namespace
