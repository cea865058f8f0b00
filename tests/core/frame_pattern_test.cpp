#include "core/frame_pattern.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/report_log.h"
#include "support/test_support.h"

namespace {

std::vector<int> Ticks(cFramePattern& p, int ticks) {
    std::vector<int> frames;
    for (int i = 0; i < ticks; ++i) frames.push_back(p.Advance());
    return frames;
}

}  // namespace

TEST(FramePattern, ControlStepsDecideWhatFollows) {
    const int repeat[] = {5, 2, 0, 6, 2, 0, -2, 0, 0};
    const int stay[] = {5, 1, 0, 7, 2, 0, -1, 0, 0};
    const int toNext[] = {1, 1, 0, -3, 3, 0};
    const int next[] = {9, 1, 0, -1, 0, 0};
    const int* patterns[] = {repeat, stay, toNext, next, nullptr};
    cFramePattern p;
    p.Load(patterns);
    ASSERT_EQ(p.PatternCount(), 4);
    EXPECT_EQ(Ticks(p, 7), (std::vector<int>{5, 6, 6, 5, 5, 6, 6}));
    p.SetPattern(1, true);
    EXPECT_EQ(Ticks(p, 6), (std::vector<int>{7, 7, 7, 7, 7, 7}));
    p.SetPattern(2, true);
    EXPECT_EQ(Ticks(p, 3), (std::vector<int>{9, 9, 9}));
    EXPECT_EQ(p.Pattern(), 3);
}

TEST(FramePattern, PatternsWithoutRealStepsOrWithAnEndMarkNeverRunPastTheirEnd) {
    orvtest::ScopedTempFolder tmp;
    ASSERT_EQ(InitReportLog("Report_Game.txt"), 1);
    const int onlyControl[] = {-2, 0, 1};
    const int ended[] = {0, 2, 0, 1, 1, 0, -4, 0, 0};
    const int* patterns[] = {onlyControl, ended, nullptr};
    cFramePattern p;
    p.Load(patterns);
    EXPECT_EQ(Ticks(p, 3), (std::vector<int>{-2, -2, -2}));
    p.SetPattern(1, true);
    EXPECT_EQ(Ticks(p, 6), (std::vector<int>{0, 1, -4, -4, -4, -4}));
    EXPECT_EQ(p.GetFrame(), -4);
    EXPECT_EQ(orvtest::ReadHostFile("Report_Game.txt"), "");

    cFramePattern none;
    EXPECT_EQ(none.Advance(), 0);
    EXPECT_EQ(none.GetFrame(), 0);
    none.Load(nullptr);
    EXPECT_EQ(none.PatternCount(), 0);
}

TEST(FramePattern, BusyStepsRefuseUnforcedChanges) {
    const int busy[] = {3, 5, 0x101, -2, 0, 0};  // only the low byte of the flag counts
    const int other[] = {8, 1, 0, -1, 0, 0};
    const int* patterns[] = {busy, other, nullptr};
    cFramePattern p;
    p.Load(patterns);
    EXPECT_EQ(p.Advance(), 3);
    EXPECT_EQ(p.SetPattern(1, false), 0);
    EXPECT_EQ(p.Advance(), 3);  // the animation went on
    EXPECT_EQ(p.ChangePattern(0, false), 1);  // already current: not restarted
    EXPECT_EQ(p.Advance(), 3);
    EXPECT_EQ(p.Advance(), 3);
    EXPECT_EQ(p.Advance(), 3);  // the fifth tick of the step
    EXPECT_EQ(p.SetPattern(1, true), 1);
    EXPECT_EQ(p.Advance(), 8);
    EXPECT_EQ(p.SetPattern(0, false), 1);  // a free step allows it

    const int flag256[] = {3, 5, 0x100, -2, 0, 0};
    const int* low[] = {flag256, other, nullptr};
    p.Load(low);
    EXPECT_EQ(p.SetPattern(1, false), 1);
    p.Clear();
    EXPECT_EQ(p.PatternCount(), 0);
}

TEST(FramePattern, SkippingTicksMatchesAdvancingThroughOnePass) {
    // Steps of 3, 1, 0 and 4 ticks, then the end mark of a database anime.
    const int anime[] = {1, 3, 0, 2, 1, 0, 3, 0, 0, 4, 4, 1, -4, 0, 0};
    const int* patterns[] = {anime, nullptr};
    for (int skip = 0; skip <= 12; ++skip) {
        SCOPED_TRACE(skip);
        cFramePattern stepped, skipped;
        stepped.Load(patterns);
        skipped.Load(patterns);
        Ticks(stepped, skip);
        skipped.Skip(skip);
        EXPECT_EQ(Ticks(skipped, 3), Ticks(stepped, 3));
    }
    // Far past the end it rests on the end mark at once.
    cFramePattern p;
    p.Load(patterns);
    p.Skip(INT64_MAX);
    EXPECT_EQ(p.GetFrame(), -4);
}
