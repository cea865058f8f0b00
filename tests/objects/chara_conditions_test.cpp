// The chara's side of the conditions: status conditions 2 and 3, the
// distance condition with its seven shapes, and the distance ranges drawn
// for the game maker.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/record.h"
#include "core/shell_link.h"
#include "frontend/scene_mgr.h"
#include "gfx/system_bitmaps.h"
#include "objects/chara.h"
#include "objects/chip_src.h"
#include "objects/draw_fixture.h"
#include "objects/stage_fixture.h"
#include "project/condition.h"
#include "project/stage_info.h"
#include "project/system_data.h"

namespace {

constexpr int kBack = 4;

cCondition Cond(int kind, int subject, int property, int value, int op) {
    cCondition c;
    c.m_cKind = static_cast<int8_t>(kind);
    c.m_cSubject = static_cast<int8_t>(subject);
    c.m_cLeftItem = static_cast<int8_t>(property);
    c.m_sVarIndex = static_cast<int16_t>(value);
    c.m_cOperator = static_cast<int8_t>(op);
    return c;
}

// A distance condition: range hbl x 16 + dots, shown always in colour group
// `group`, also while the chara is inactive or invisible when flagged.
cCondition Distance(int subject, int shape, int hbl, int dots, int op = 0, int group = 0) {
    cCondition c = Cond(7, subject, group, 0, op);
    c.m_nValue = hbl;
    c.m_sRightIndex = static_cast<int16_t>(dots);
    c.m_cShape = static_cast<int8_t>(shape);
    c.m_cLeftSource = 1;
    return c;
}

class CharaConditionsTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        scene.m_ScrollX.m_dPos = 640;
        scene.m_ScrollY.m_dPos = 400;
        g_Heroes.resize(1);
        Place(Hero(), 3000, 3000);
        Place(target, 3000, 3000);
        Place(self, 300, 200);
        self.m_Targets.assign(kTargetSlots, nullptr);
        self.m_Targets[0] = &target;
    }
    void TearDown() override {
        self.m_Targets.assign(kTargetSlots, nullptr);
        g_FileVersion = savedVersion;
        StageTest::TearDown();
    }
    // A 32 x 32 walking chara facing left whose sprite and body have their
    // top-left at (x, y) on the screen.
    static void Place(cChara& c, int x, int y) {
        c.InitBase(1, 1, 0, 0, 1, nullptr, 0, 0, 0, 32, 32, 32, 32, 0, kMoveWalk, 0);
        Move(c, x, y);
    }
    static void Move(cChara& c, int x, int y) {
        c.m_dX = 640 + x;
        c.m_dY = 400 + y;
        c.m_dRight = c.m_dX + 31;
        c.m_dBottom = c.m_dY + 31;
    }
    static cChara& Hero() { return g_Heroes[0]; }

    const int savedVersion = g_FileVersion;
    cChara target;  // before `self`, which lets go of it first
    cChara self;
};

}  // namespace

TEST_F(CharaConditionsTest, StatusCondition2ReadsTheSystemOrASubjectsDefinition) {
    g_Stage.m_nScrollSpeedX = -40;
    g_Stage.m_nScrollSpeedY = 25;
    cCharaDef& d = self.m_Def;
    d.m_cTransparent = static_cast<int8_t>(200);
    d.m_cFixedFacing = 1;
    d.m_cFlight = 2;
    d.m_cInvincible = 2;
    d.m_cGiantScale = 3;
    d.m_cScrollSync = static_cast<int8_t>(250);
    target.m_Def.m_cFlight = 3;
    struct Case {
        const char* what;
        int subject, property, value, op;
        bool holds;
    } cases[] = {
        {"system: horizontal scroll speed", 5, 0, -40, 0, true},
        {"system: vertical scroll speed", 5, 1, 25, 0, true},
        {"system: no third property", 5, 2, 0, 1, false},
        {"transparent, unsigned", 0, 1, 200, 0, true},
        {"fixed facing", 0, 2, 1, 0, true},
        {"flight", 0, 3, 2, 0, true},
        {"invincibility", 0, 4, 1, 2, true},
        {"giant scale", 0, 5, 3, 5, false},
        {"auto-scroll sync, unsigned", 0, 6, 250, 0, true},
        {"property 0 is false", 0, 0, 12345, 1, false},
        {"property 7 is false", 0, 7, 12345, 1, false},
        {"a negative property is false", 0, -1, 12345, 1, false},
        {"a target's definition", 1, 3, 3, 0, true},
        {"an empty slot", 2, 3, 0, 1, false},
        {"another subject is the chara itself", 9, 3, 2, 0, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(self.EvalStatusCondition2(Cond(5, c.subject, c.property, c.value, c.op)), c.holds) << c.what;
}

TEST_F(CharaConditionsTest, StatusCondition3TestsStatesAndAnEmptySlotOnlyThroughExists) {
    struct Case {
        const char* what;
        int subject, property, op;
        std::function<void()> prepare;
        bool holds;
    } cases[] = {
        {"facing left", 0, 0, 0, [] {}, true},
        {"facing left, negated", 0, 0, 1, [] {}, false},
        {"facing right", 0, 1, 0, [&] { self.m_bRight = 1; }, true},
        {"facing right while facing left", 0, 1, 0, [] {}, false},
        {"a target's facing", 1, 1, 0, [&] { target.m_bRight = 1; }, true},
        {"on a block, standing", 0, 2, 0, [] {}, true},
        {"on a block while airborne", 0, 2, 0, [&] { self.m_bAirborne = 1; }, false},
        {"on a block while rising", 0, 2, 0, [&] { self.m_bJumpRising = 1; }, false},
        {"riding while airborne", 0, 2, 0, [&] { self.m_bRiding = self.m_bAirborne = 1; }, true},
        {"flying, even riding", 0, 2, 0, [&] { self.m_bFly = self.m_bRiding = 1; }, false},
        {"computer: the last view flag, not the place", 0, 3, 0, [] {}, false},
        {"computer: flagged in view while off screen", 0, 3, 0,
         [&] { self.m_bInView = 1, Move(self, 3000, 3000); }, true},
        {"player: on screen now", 0, 3, 0, [&] { self.m_nKind = 0; }, true},
        {"player: off screen now", 0, 3, 0, [&] { self.m_nKind = 0, self.m_bInView = 1, Move(self, 3000, 3000); },
         false},
        {"exists: a live target", 1, 4, 0, [] {}, true},
        {"exists: a defeated target", 1, 4, 0, [&] { target.m_bDefeated = 1; }, false},
        {"exists: an empty slot", 2, 4, 0, [] {}, false},
        {"exists: an empty slot, negated", 2, 4, 1, [] {}, true},
        {"exists: the chara itself", 0, 4, 0, [] {}, true},
        {"exists: another subject", 7, 4, 0, [] {}, true},
        {"an empty slot", 2, 0, 0, [] {}, false},
        {"an empty slot, negated", 2, 0, 1, [] {}, false},
        {"an unknown property", 0, 9, 0, [] {}, true},
        {"an unknown property, negated", 0, 9, 1, [] {}, false},
    };
    for (const Case& c : cases) {
        self.m_bRight = self.m_bFly = self.m_bRiding = self.m_bAirborne = self.m_bJumpRising = self.m_bInView = 0;
        self.m_nKind = 1;
        target.m_bRight = target.m_bDefeated = 0;
        Move(self, 300, 200);
        c.prepare();
        EXPECT_EQ(self.EvalStatusCondition3(Cond(6, c.subject, c.property, 0, c.op)), c.holds) << c.what;
    }
}

TEST_F(CharaConditionsTest, DistanceShapesAreBandsOrACircle) {
    // The chara's sprite spans 300..331 across and 200..231 down; ranges of
    // 2 half blocks (32 dots).
    struct Case {
        const char* what;
        int shape, hbl, dots;
        bool right;
        int x, y;
        bool holds;
    } cases[] = {
        {"0: within on the right", 0, 2, 0, false, 332 + 32 - 4, 200, true},
        {"0: one dot too far right", 0, 2, 0, false, 332 + 32 + 1, 200, false},
        {"0: just within on the left", 0, 2, 0, false, 300 - 32 - 31, 200, true},
        {"0: one dot too far left", 0, 2, 0, false, 300 - 32 - 32, 200, false},
        {"0: far above, spans overlapping", 0, 2, 0, false, 340, -2000, true},
        {"1 facing left: in front", 1, 2, 0, false, 240, 200, true},
        {"1 facing left: behind", 1, 2, 0, false, 330, 200, false},
        {"1 facing right: in front", 1, 2, 0, true, 330, 200, true},
        {"1 facing right: behind", 1, 2, 0, true, 240, 200, false},
        {"2 facing left: behind", 2, 2, 0, false, 330, 200, true},
        {"2 facing left: in front", 2, 2, 0, false, 240, 200, false},
        {"2 facing right: behind", 2, 2, 0, true, 240, 200, true},
        {"2 facing right: in front", 2, 2, 0, true, 330, 200, false},
        {"3: within below", 3, 2, 0, false, 300, 260, true},
        {"3: one dot too far below", 3, 2, 0, false, 300, 265, false},
        {"3: far to the side, spans overlapping", 3, 2, 0, false, 3000, 200, true},
        {"4 facing left: above", 4, 2, 0, false, 300, 170, true},
        {"4 facing left: below", 4, 2, 0, false, 300, 230, false},
        {"4 facing right: below", 4, 2, 0, true, 300, 230, true},
        {"4 facing right: above", 4, 2, 0, true, 300, 170, false},
        {"5 facing left: below", 5, 2, 0, false, 300, 230, true},
        {"5 facing left: above", 5, 2, 0, false, 300, 170, false},
        {"5 facing right: above", 5, 2, 0, true, 300, 170, true},
        {"5 facing right: below", 5, 2, 0, true, 300, 230, false},
        {"6, range 0: centres together", 6, 0, 0, false, 300, 200, true},
        {"6, range 0: one dot apart", 6, 0, 0, false, 301, 200, false},
        {"6, 16 dots: 15.6 apart", 6, 1, 0, false, 310, 212, true},
        {"6, 16 dots: 17 apart", 6, 1, 0, false, 312, 212, false},
        {"6, 1 half block less 4 dots: 12 apart", 6, 1, -4, false, 312, 200, true},
        {"6, a negative range", 6, 0, -4, false, 300, 200, false},
        {"an unknown shape", 7, 2, 0, false, 300, 200, false},
        // Hostile ranges from a damaged file stay plain numbers.
        {"0: a range of INT_MAX dots", 0, INT_MAX / 16, 15, false, 3000, 200, true},
        {"0: the largest range", 0, INT_MAX, 32767, false, 3000, 200, true},
        {"6: the largest range", 6, INT_MAX, 32767, false, 3000, -3000, true},
        {"0: the most negative range", 0, INT_MIN, -32768, false, 300, 200, false},
    };
    for (const Case& c : cases) {
        self.m_bRight = c.right;
        Move(Hero(), c.x, c.y);
        EXPECT_EQ(self.EvalDistanceCondition(Distance(0, c.shape, c.hbl, c.dots)), c.holds) << c.what;
        // Operator 1 negates the test; a shape that is none stays false.
        EXPECT_EQ(self.EvalDistanceCondition(Distance(0, c.shape, c.hbl, c.dots, 1)), !c.holds && c.shape <= 6)
            << c.what << ", negated";
    }
}

TEST_F(CharaConditionsTest, DistanceSubjectsAndOperators) {
    Move(Hero(), 340, 200);  // within shape 0's range of 2 half blocks
    Move(target, 3000, 200);
    struct Case {
        const char* what;
        int subject, op;
        bool holds;
    } cases[] = {
        {"the hero, within", 0, 0, true},      {"the hero, negated", 0, 1, false},
        {"another operator", 0, 2, false},     {"target 1, far", 1, 0, false},
        {"target 1, negated", 1, 1, true},     {"an empty slot", 2, 0, false},
        {"an empty slot, negated", 2, 1, false}, {"subject 5", 5, 0, false},
        {"subject 5, negated", 5, 1, false},   {"a negative subject", -1, 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(self.EvalDistanceCondition(Distance(c.subject, 0, 2, 0, c.op)), c.holds) << c.what;
    // No hero at all: nobody to measure to.
    g_Heroes.clear();
    EXPECT_FALSE(self.EvalDistanceCondition(Distance(0, 0, 2, 0, 1)));
}

TEST_F(CharaConditionsTest, TheOthersRectangleStaysAsItWasUnderOldRules) {
    // The hero's rectangle was last brought up to date within range; it has
    // moved far away since.
    Move(Hero(), 340, 200);
    Hero().UpdateScreenRect();
    Move(Hero(), 3000, 200);
    struct Case {
        const char* what;
        int switch782, titleCmd, version;
        bool stale;
    } cases[] = {
        {"refreshed", 0, 0, 901, false},
        {"switch 782", 1, 0, 901, true},
        {"a replay of a file of 781", 0, 4, 781, true},
        {"a replay of a file of 782", 0, 4, 782, false},
        {"a stage of 781, no replay", 0, 3, 781, false},
    };
    for (const Case& c : cases) {
        Hero().m_nScreenL = 340, Hero().m_nScreenR = 371;
        g_SystemData.m_nValue[kSysSwitch782] = c.switch782;
        g_SceneMgr.m_nTitleCmd = c.titleCmd;
        g_FileVersion = c.version;
        EXPECT_EQ(self.EvalDistanceCondition(Distance(0, 0, 2, 0)), c.stale) << c.what;
    }
}

// ---------------------------------------------------------------------------
// The ranges drawn

namespace {

class DistanceRangeDrawTest : public CharaConditionsTest {
protected:
    void SetUp() override {
        CharaConditionsTest::SetUp();
        layer.Start();
        DDFillSurface(&g_BackBufferSD, kBack);
        self.m_bActive = 1;
        self.UpdateScreenRect();
    }
    void TearDown() override {
        g_bEditorLaunch = 0;
        layer.Stop();
        CharaConditionsTest::TearDown();
    }
    static bool Is(int x, int y, int n) { return drawtest::DrawLayer::Is(x, y, n); }
    // Palette entry of the line at column x, row 240; -1 for none of the
    // eight groups.
    static int RangeColour(int x, int y) {
        for (int n = 208; n < 240; ++n)
            if (Is(x, y, n)) return n;
        return -1;
    }

    drawtest::DrawLayer layer;
};

}  // namespace

TEST_F(DistanceRangeDrawTest, BandsAreLinesAtTheSpanEndsInTheGroupsCyclingColour) {
    // Group 2, counter 8: the second of entries 216..219. Shape 0 of 32
    // dots spans 268..364.
    ASSERT_TRUE(self.DrawDistanceRange(&g_BackBufferSD, Distance(0, 0, 2, 0, 0, 2), 8));
    for (int y : {0, 240, 479}) {
        EXPECT_TRUE(Is(268, y, 217)) << y;
        EXPECT_TRUE(Is(364, y, 217)) << y;
    }
    EXPECT_TRUE(Is(267, 240, kBack));
    EXPECT_TRUE(Is(269, 240, kBack));
    EXPECT_TRUE(Is(363, 240, kBack));

    // Shape 4 facing right: from the centre downwards, 216..264, across.
    DDFillSurface(&g_BackBufferSD, kBack);
    self.m_bRight = 1;
    ASSERT_TRUE(self.DrawDistanceRange(&g_BackBufferSD, Distance(0, 4, 2, 0, 0, 7), 31));
    EXPECT_TRUE(Is(0, 216, 239));
    EXPECT_TRUE(Is(639, 264, 239));
    EXPECT_TRUE(Is(320, 215, kBack));

    // A circle of 20 dots around the sprite's centre (316, 216).
    DDFillSurface(&g_BackBufferSD, kBack);
    ASSERT_TRUE(self.DrawDistanceRange(&g_BackBufferSD, Distance(0, 6, 1, 4, 0, 0), 0));
    EXPECT_TRUE(Is(336, 216, 208));
    EXPECT_TRUE(Is(316, 196, 208));
    EXPECT_TRUE(Is(316, 216, kBack));
}

TEST_F(DistanceRangeDrawTest, WhenARangeIsShown) {
    struct Case {
        const char* what;
        int option, whenInactive, whenInvisible;
        std::function<void()> prepare;
        bool shown;
    } cases[] = {
        {"option 1", 1, 0, 0, [] {}, true},
        {"option 0", 0, 1, 1, [] {}, false},
        {"option 2, not from the editor", 2, 0, 0, [] {}, false},
        {"option 2, from the editor", 2, 0, 0, [] { g_bEditorLaunch = 1; }, true},
        {"inactive", 1, 0, 1, [&] { self.m_bActive = 0; }, false},
        // Its rectangle is stale until the range brings it up to date.
        {"inactive, flagged", 1, 1, 0, [&] { self.m_bActive = 0, self.m_nScreenL = 0; }, true},
        {"vanished", 1, 1, 0, [&] { self.m_bVanished = 1; }, false},
        {"vanished, flagged", 1, 0, 1, [&] { self.m_bVanished = 1; }, true},
        {"transparent", 1, 1, 0, [&] { self.m_Def.m_cTransparent = 1; }, false},
    };
    for (const Case& c : cases) {
        DDFillSurface(&g_BackBufferSD, kBack);
        g_bEditorLaunch = 0;
        self.m_bActive = 1, self.m_bVanished = 0, self.m_Def.m_cTransparent = 0;
        self.UpdateScreenRect();
        c.prepare();
        cCondition cond = Distance(0, 0, 2, 0, 0, 1);
        cond.m_cLeftSource = static_cast<int8_t>(c.option);
        cond.m_cRightSource = static_cast<int8_t>(c.whenInactive);
        cond.m_cRightSubject = static_cast<int8_t>(c.whenInvisible);
        EXPECT_EQ(self.DrawDistanceRange(&g_BackBufferSD, cond, 0), c.shown) << c.what;
        EXPECT_EQ(Is(268, 240, 212), c.shown) << c.what;
    }
}

TEST_F(DistanceRangeDrawTest, TheStageDrawsTheRangesOfAppearanceAndFlowConditions) {
    scene.m_vCharaGroups.assign(8, {});
    scene.m_vCharaGroups[3] = {&self};
    // Appearance: a band across (lines at X 268 and 364); the flow: a band
    // down (lines at Y 168 and 264).
    self.m_Def.m_vCond = {Distance(0, 0, 2, 0, 0, 1)};
    cFlow flow;
    flow.m_vCond = {Distance(0, 3, 2, 0, 0, 5)};
    self.m_Def.m_vFlow.push_back(flow);
    self.m_Def.m_cReserved = 1;  // hides the appearance ranges once it has appeared
    const auto inGroup = [](int colour, int group) { return colour >= 208 + 4 * group && colour < 212 + 4 * group; };
    struct Case {
        const char* what;
        std::function<void()> prepare;
        bool appearance, flowRange;
    } cases[] = {
        {"both", [] {}, true, true},
        {"appeared: the definition hides its own", [&] { self.m_bAppeared = 1; }, false, true},
        {"appeared, the flow hides too",
         [&] { self.m_bAppeared = 1, self.m_Def.m_vFlow[0].m_cTestPlayOnly = 1; }, false, false},
        {"the flow's switch alone", [&] { self.m_Def.m_vFlow[0].m_cTestPlayOnly = 1; }, true, true},
        {"defeated", [&] { self.m_bDefeated = 1; }, false, false},
        {"off the screen", [&] { Move(self, 3000, 200); }, false, false},
    };
    for (const Case& c : cases) {
        DDFillSurface(&g_BackBufferSD, kBack);
        self.m_bAppeared = 0, self.m_bDefeated = 0, self.m_Def.m_vFlow[0].m_cTestPlayOnly = 0;
        Move(self, 300, 200);
        c.prepare();
        DrawDistanceRanges();
        EXPECT_EQ(inGroup(RangeColour(268, 100), 1), c.appearance) << c.what;
        EXPECT_EQ(inGroup(RangeColour(100, 264), 5), c.flowRange) << c.what;
    }
}

TEST_F(CharaConditionsTest, UnderTheBlitDisplayALargeCircleIsStretchedFromTheWorkSurface) {
    // The blit display draws a large outline as one of 64 dots on the work
    // surface, stretched into the 2R square with the colour key.
    ASSERT_TRUE(orvtest::StartHeadlessLayer(0));
    const DDSURFACEDATA saved[2] = {g_SysBmp[kSysBmpWork], g_SysBmp[kSysBmpWork + 1]};
    for (int row : {int{kSysBmpWork}, kSysBmpWork + 1}) {
        g_SysBmp[row] = DDSURFACEDATA();
        ASSERT_TRUE(DDCreateSurface(&g_SysBmp[row], 160, 160, 1, 1, 0, nullptr, 0));
    }
    SelectChipSurfaces();
    DDFillSurface(&g_BackBufferSD, kBack);
    self.m_bActive = 1;
    Move(self, 304, 224);  // centre (320, 240)
    self.UpdateScreenRect();
    EXPECT_TRUE(self.DrawDistanceRange(&g_BackBufferSD, Distance(0, 6, 6, 4, 0, 3), 0));  // 100 dots

    std::vector<int> line;
    for (int x = 0; x < 640; ++x)
        if (drawtest::DrawLayer::Is(x, 240, 220)) line.push_back(x);
    ASSERT_FALSE(line.empty());
    EXPECT_NEAR(line.front(), 220, 2);
    EXPECT_NEAR(line.back(), 420, 2);
    EXPECT_TRUE(drawtest::DrawLayer::Is(320, 240, kBack));  // keyed: the inside stays
    EXPECT_EQ(orvtest::ReadLayerRaw(ChipWorkSurface(), 128, 64) & 0xFFFFFFu, orvtest::LayerRgb(220));

    for (int row : {int{kSysBmpWork}, kSysBmpWork + 1}) DDReleaseSurface(&g_SysBmp[row]);
    g_SysBmp[kSysBmpWork] = saved[0];
    g_SysBmp[kSysBmpWork + 1] = saved[1];
    orvtest::StopHeadlessLayer();
}
