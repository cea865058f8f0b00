// Movement maths: steps around a circle, the velocity towards a point with
// its arrival test and its allowance for an auto-scrolling view (including
// the way to a point that moves with the view), the one-axis variants, the
// move to a point that ends on it, and the chara searches with their
// filters.
#include "objects/movement.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <list>

#include "flow/flow_run.h"
#include "objects/stage_fixture.h"
#include "project/flow.h"
#include "project/move_shot.h"
#include "project/stage_info.h"
#include "project/system_data.h"

namespace {

const double kRoot2 = std::sqrt(2.0);
const double kRoot3 = std::sqrt(3.0);

class MovementTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        scene.m_ScrollX.m_dPos = 640;
        scene.m_ScrollY.m_dPos = 400;
    }
    // A chara of the chara list whose 32 x 32 sprite is centred on the
    // screen point (cx, cy).
    cStageChara& AddChara(int cx, int cy, int active = 1, int inView = 1) {
        g_Charas.emplace_back();
        cStageChara& c = g_Charas.back();
        cCharaDef d;
        d.m_nCarryItem = -1;
        c.Init(++lastId, d, nullptr, 800, 600, 0, 0);
        Centre(c, cx, cy);
        c.m_bActive = active;
        c.m_bInView = inView;
        return c;
    }
    static void Centre(cGameObj& o, int cx, int cy) {
        o.m_nSpriteW = o.m_nSpriteH = 32;
        o.m_nScreenL = cx - 16;
        o.m_nScreenT = cy - 16;
    }
    void Scroll(double x, double y, int xAtLimit = 0) {
        scene.m_ScrollX.m_dAutoSpeed = x;
        scene.m_ScrollX.m_bAtLimit = xAtLimit;
        scene.m_ScrollY.m_dAutoSpeed = y;
    }

    int lastId = 0;
};

// ---------------------------------------------------------------------------
// Circle steps

TEST_F(MovementTest, CircleStepsReadTheAngleThenAdvanceItAndWrapOnce) {
    g_Stage.SetHitLevel(2);
    const double k = 3.14159265358979323846 / 180;
    struct Case {
        const char* name;
        double angle, step, phase;
        double wantX, wantY, wantAngle;
    } cases[] = {
        // Radius 10, one degree a frame, two sub-steps a frame: the angle
        // counts degrees x 2.
        {"at 0 degrees", 0, 2, 0, 10 * k / 2, 0, 2},
        {"at 90 degrees", 180, 2, 0, 0, -10 * k * k / 4, 182},
        {"phase 90", 0, 2, 90, 0, -10 * k * k / 4, 2},
        {"359.5 degrees plus one wraps", 719, 2, 0, 10 * k * std::cos(k * 359.5) / 2,
         -(10 * k * k * std::sin(k * 359.5)) / 4, 1},
        {"below a turn stays", 717, 2, 0, 10 * k * std::cos(k * 358.5) / 2, -(10 * k * k * std::sin(k * 358.5)) / 4,
         719},
        {"wraps only once", 1000, 0, 0, 10 * k * std::cos(k * 500) / 2, -(10 * k * k * std::sin(k * 500)) / 4, 280},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double ax = c.angle, ay = c.angle;
        EXPECT_NEAR(CircleStepX(10, 1, ax, c.step, c.phase), c.wantX, 1e-12);
        EXPECT_NEAR(CircleStepY(10, 1, ay, c.step, c.phase), c.wantY, 1e-12);
        EXPECT_EQ(ax, c.wantAngle);
        EXPECT_EQ(ay, c.wantAngle);
    }
}

// ---------------------------------------------------------------------------
// Towards a point

struct TowardCase {
    const char* name;
    int sw214;
    double scrollX, scrollY;
    int xAtLimit;
    int other;  // -1 none, else whether it moves with the view
    int follow, exact;
    double fx, fy, tx, ty, speed;
    int arrival;
    double wantX, wantY;
    int wantDir, wantResult;
};

TEST_F(MovementTest, StepTowardAPointAllowsForTheScrollAndTellsArrival) {
    const double f = kRoot2;  // a flee of speed 2: sqrt(2) on each axis
    const double g = 1 / std::sqrt(30.0 * 30 + 100 * 100);
    const TowardCase cases[] = {
        {"plain", 0, 0, 0, 0, -1, 0, 0, 0, 0, 30, 40, 5, 1, 3, 4, 2, 0},
        {"plain, left and up", 0, 0, 0, 0, -1, 0, 0, 30, 40, 0, 0, 5, 1, -3, -4, 1, 0},
        {"on the point: no way, arrived", 0, 0, 0, 0, -1, 0, 0, 7, 7, 7, 7, 5, 1, 0, 0, 0, 1},
        {"one step on both axes, edges included", 0, 0, 0, 0, -1, 0, 0, 0, 0, 5, -5, 5, 1, 5 / kRoot2, -5 / kRoot2,
         2, 1},
        {"past one step", 0, 0, 0, 0, -1, 0, 0, 0, 0, 5.5, 0, 5, 1, 5, 0, 2, 0},
        {"no arrival test", 0, 0, 0, 0, -1, 0, 0, 7, 7, 7, 7, 5, 0, 0, 0, 0, 0},
        // A negative speed flees diagonally, even from a point straight
        // above, and never arrives.
        {"flee from above", 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, -100, -2, 1, f, f, 2, 0},
        {"flee from below right", 0, 0, 0, 0, -1, 0, 0, 10, 10, 20, 20, -2, 1, -f, -f, 1, 0},
        {"flee on the point", 0, 0, 0, 0, -1, 0, 0, 7, 7, 7, 7, -2, 1, f, f, 2, 0},
        {"exact: straight back", 0, 0, 0, 0, -1, 0, 1, 0, 0, 0, -100, -2, 0, 0, 2, 0, 0},
        // Older projects add the scroll of each scrolling axis.
        {"old: scroll added", 1, 1.5, 0.5, 0, 1, 0, 0, 0, 0, 30, 40, 5, 0, 4.5, 4.5, 2, 0},
        {"old: not at a limit", 1, 1.5, 0.5, 1, 1, 0, 0, 0, 0, 30, 40, 5, 0, 3, 4.5, 2, 0},
        {"old: direction after the scroll", 1, -4, 0, 0, -1, 0, 0, 0, 0, 30, 40, 5, 0, -1, 4, 1, 0},
        {"old flee: direction before the scroll", 1, 2, 0, 0, -1, 0, 0, 10, 10, 20, 20, -2, 0, 2 - f, -f, 1, 0},
        // Newer ones allow for who moves with the view.
        {"to a chara standing in the map", 0, 1.5, 0.5, 0, 0, 1, 0, 0, 0, 30, 40, 5, 0, 1.5, 3.5, 2, 0},
        {"both move with the view", 0, 1.5, 0.5, 0, 1, 1, 0, 0, 0, 30, 40, 5, 0, 3, 4, 2, 0},
        {"no other object", 0, 1.5, 0.5, 0, -1, 0, 0, 0, 0, 30, 40, 5, 0, 3, 4, 2, 0},
        {"flee: this one moves with the view", 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, -100, -2, 0, f - 1, f, 2, 0},
        {"flee: the other moves with it", 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, -100, -2, 0, f - 1, f, 2, 0},
        {"flee: neither", 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, -100, -2, 0, f, f, 2, 0},
        // The way to a point that moves with the view: v has the speed's
        // length and v minus the scroll points at the point.
        {"intercept upwards", 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, -100, 2, 1, 1, -kRoot3, 2, 0},
        {"intercept down and right", 0, 1, 0, 0, 1, 0, 0, 0, 0, 50, 100, 2, 0, 1.6, 1.2, 2, 0},
        {"intercept along X", 0, 0, 1, 0, 1, 0, 0, 0, 0, 100, 0, 2, 0, kRoot3, 1, 2, 0},
        {"no axis scrolls: plain", 0, 1, 0, 1, 1, 0, 0, 0, 0, 0, -100, 2, 0, 0, -2, 0, 0},
        // The view outruns the speed: the plain way, with its direction.
        {"give up: plain, direction written", 0, 5, 0, 0, 1, 0, 0, 0, 0, -30, -100, 1, 1, -30 * g, -100 * g, 1, 0},
    };
    for (const TowardCase& c : cases) {
        SCOPED_TRACE(c.name);
        g_SystemData.Set(kSysSwitch214, c.sw214);
        Scroll(c.scrollX, c.scrollY, c.xAtLimit);
        cChara other;
        other.m_bFollowScroll = c.other;
        double vx = 99, vy = 99;
        int dir = 7;
        const int result = CalcStepToward(vx, vy, dir, c.other < 0 ? nullptr : &other, c.fx, c.fy, c.tx, c.ty,
                                          c.speed, c.follow, c.exact, c.arrival);
        EXPECT_NEAR(vx, c.wantX, 1e-9);
        EXPECT_NEAR(vy, c.wantY, 1e-9);
        EXPECT_EQ(dir, c.wantDir);
        EXPECT_EQ(result, c.wantResult);
    }
}

struct AxisCase {
    const char* name;
    int yAxis, sw214;
    double scroll;
    int other, follow;
    double from, to, speed;
    double want;
    int wantDir, wantResult;
};

TEST_F(MovementTest, OneAxisStepsArriveOnlyWithinLessThanOneStep) {
    const AxisCase cases[] = {
        {"X towards lower", 0, 0, 0, -1, 0, 10, 0, 2, -2, 1, 0},
        {"X towards higher", 0, 0, 0, -1, 0, 0, 10, 2, 2, 2, 0},
        {"X on the point", 0, 0, 0, -1, 0, 3, 3, 2, -2, 1, 1},
        {"X one step away: not yet", 0, 0, 0, -1, 0, 0, 2, 2, 2, 2, 0},
        {"X less than a step", 0, 0, 0, -1, 0, 0, 1.5, 2, 2, 2, 1},
        {"X old, to one moving with the view", 0, 1, 0.5, 1, 0, 10, 0, 2, -1.5, 1, 0},
        {"X new: no scroll", 0, 0, 0.5, 1, 0, 10, 0, 2, -2, 1, 0},
        {"X old, both move with the view", 0, 1, 0.5, 1, 1, 10, 0, 2, -2, 1, 0},
        {"X old, other in the map", 0, 1, 0.5, 0, 0, 10, 0, 2, -2, 1, 0},
        {"Y towards lower", 1, 0, 0, -1, 0, 10, 0, 2, -2, 0, 0},
        {"Y less than a step", 1, 0, 0, -1, 0, 0, 1.5, 2, 2, 0, 1},
        {"Y old, to one moving with the view", 1, 1, 0.5, 1, 0, 10, 0, 2, -1.5, 0, 0},
    };
    for (const AxisCase& c : cases) {
        SCOPED_TRACE(c.name);
        g_SystemData.Set(kSysSwitch214, c.sw214);
        Scroll(c.yAxis ? 0 : c.scroll, c.yAxis ? c.scroll : 0);
        cChara other;
        other.m_bFollowScroll = c.other;
        const cGameObj* o = c.other < 0 ? nullptr : &other;
        double vx = 99, vy = 99;
        int dir = 7;
        const int result = c.yAxis ? CalcStepTowardY(vx, vy, dir, o, c.from, c.to, c.speed, c.follow, 1)
                                   : CalcStepTowardX(vx, vy, dir, o, c.from, c.to, c.speed, c.follow, 1);
        EXPECT_EQ(c.yAxis ? vy : vx, c.want);
        EXPECT_EQ(c.yAxis ? vx : vy, 0);
        EXPECT_EQ(dir, c.wantDir);
        EXPECT_EQ(result, c.wantResult);
    }
}

// ---------------------------------------------------------------------------
// Moves to a point

class MoveToPointTest : public MovementTest {
protected:
    void SetUp() override {
        MovementTest::SetUp();
        run.m_pCmd = &cmd;
        run.m_dSpeed = 2;
        chara = &AddChara(0, 0);
        chara->m_dX = 800, chara->m_dY = 600;
        chara->CheckBoundsX();
        chara->CheckBoundsY();
        chara->UpdateScreenRect();
    }
    cFlowCmd cmd;
    cCmdRun run;
    cStageChara* chara = nullptr;
};

TEST_F(MoveToPointTest, TheDestinationLeavesAnAxisHeldStillUnwritten) {
    Centre(*chara, 100, 200);
    run.m_nDestX = -30, run.m_nDestY = 40;
    struct Case {
        int lockX, lockY;
        double wantX, wantY;
    } cases[] = {{0, 0, 70, 240}, {1, 0, -1, 240}, {0, 1, 70, -1}, {1, 1, 70, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lockX << c.lockY);
        cmd.m_pMove->m_cLockX = static_cast<int8_t>(c.lockX);
        cmd.m_pMove->m_cLockY = static_cast<int8_t>(c.lockY);
        double x = -1, y = -1;
        chara->CalcMoveDest(x, y, run);
        EXPECT_EQ(x, c.wantX);
        EXPECT_EQ(y, c.wantY);
    }
}

TEST_F(MoveToPointTest, ArrivingWithStopPlacesTheCentreOnThePointAndStops) {
    const int cx = chara->ScreenCenterX(), cy = chara->ScreenCenterY();
    enum { kBoth, kX, kY };
    for (int variant : {kBoth, kX, kY}) {
        for (int stopHere : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "variant " << variant << " stop " << stopHere);
            cmd.m_pMove->m_cNoOvershoot = static_cast<int8_t>(stopHere);
            chara->m_dX = 800, chara->m_dY = 600;
            chara->UpdateScreenRect();
            auto move = [&](double x, double y) {
                switch (variant) {
                case kBoth: return chara->MoveToPoint(run, nullptr, x, y, 0, 1);
                case kX: return chara->MoveToPointX(run, nullptr, x, 0, 1);
                default: return chara->MoveToPointY(run, nullptr, y, 0, 1);
                }
            };
            // Far away: a step towards the point.
            EXPECT_EQ(move(cx + 100, cy + 100), 0);
            EXPECT_GT(variant == kY ? run.m_dVY : run.m_dVX, 0);
            // Within a step.
            EXPECT_NE(move(cx + 1.7, cy + 1.7), 0);
            chara->UpdateScreenRect();
            if (stopHere) {
                EXPECT_EQ(run.m_dVX, 0);
                EXPECT_EQ(run.m_dVY, 0);
                EXPECT_EQ(chara->ScreenCenterX(), variant == kY ? cx : cx + 1);
                EXPECT_EQ(chara->ScreenCenterY(), variant == kX ? cy : cy + 1);
            } else {
                EXPECT_NE(run.m_dVX + run.m_dVY, 0);
                EXPECT_EQ(chara->ScreenCenterX(), cx);
                EXPECT_EQ(chara->ScreenCenterY(), cy);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Chara searches

TEST_F(MovementTest, FilterSkipsByIdInvincibilityBlockCharasAndVariable) {
    cStageChara& c = AddChara(0, 0);
    c.m_nId = 42;
    c.m_Def.m_cSide = 7;
    c.m_Vars[3] = -9;
    struct Case {
        const char* name;
        CHARAFILTER f;
        int invincible, blockChara, defeated;
        bool want;
    } cases[] = {
        {"no filter", {}, 0, 0, 0, true},
        {"defeated", {}, 0, 0, 1, false},
        {"chara id equal", {.byCharaId = 1, .charaId = 7}, 0, 0, 0, true},
        {"chara id other", {.byCharaId = 1, .charaId = 8}, 0, 0, 0, false},
        {"chara id unchecked", {.charaId = 8}, 0, 0, 0, true},
        {"own id excluded", {.excludeId = 1, .id = 42}, 0, 0, 0, false},
        {"other id excluded", {.excludeId = 1, .id = 41}, 0, 0, 0, true},
        {"invincible 1 excluded", {.excludeInvincible1 = 1}, 1, 0, 0, false},
        {"invincible 1 not by 2", {.excludeInvincible2 = 1}, 1, 0, 0, true},
        {"invincible 2 excluded", {.excludeInvincible2 = 1}, 2, 0, 0, false},
        {"block chara excluded", {.excludeBlockCharas = 1}, 0, 1, 0, false},
        {"block chara kept", {}, 0, 1, 0, true},
        // Variable 3 (-9) against the value by the operator.
        {"var equal", {.byVar = 1, .varIndex = 3, .value = -9, .op = 0}, 0, 0, 0, true},
        {"var less", {.byVar = 1, .varIndex = 3, .value = -9, .op = 5}, 0, 0, 0, false},
        {"var divisible by its size", {.byVar = 1, .varIndex = 3, .value = 3, .op = 6}, 0, 0, 0, true},
        {"var divisible by 0: every chara", {.byVar = 1, .varIndex = 3, .value = 0, .op = 6}, 0, 0, 0, true},
        {"var not divisible by 0: none", {.byVar = 1, .varIndex = 3, .value = 0, .op = 7}, 0, 0, 0, false},
        {"var not divisible by 4", {.byVar = 1, .varIndex = 3, .value = 4, .op = 7}, 0, 0, 0, true},
        {"unknown operator", {.byVar = 1, .varIndex = 3, .value = -9, .op = 8}, 0, 0, 0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        c.m_Def.m_cInvincible = static_cast<int8_t>(k.invincible);
        c.m_Def.m_cBlockChara = static_cast<int8_t>(k.blockChara);
        c.m_bDefeated = k.defeated;
        EXPECT_EQ(PassesCharaFilter(c, k.f), k.want);
    }
    // The smallest int has a size: in 64 bits it is even.
    c.m_bDefeated = 0;
    c.m_Def.m_cInvincible = c.m_Def.m_cBlockChara = 0;
    c.m_Vars[3] = INT_MIN;
    EXPECT_TRUE(PassesCharaFilter(c, {.byVar = 1, .varIndex = 3, .value = 2, .op = 6}));
    EXPECT_FALSE(PassesCharaFilter(c, {.byVar = 1, .varIndex = 3, .value = -1, .op = 7}));
}

TEST_F(MovementTest, FindTargetTakesTheNearestByModeAndTheEarlierOfEqualOnes) {
    // Distances from (100, 100), summed per axis.
    cStageChara& a = AddChara(160, 140);          // 100, in view
    cStageChara& b = AddChara(130, 130);          // 60, in view, shots pass through it
    b.m_Def.m_cInvincible = 2;
    cStageChara& c = AddChara(105, 105, 1, 0);    // 10, out of view
    c.m_Def.m_cSide = 5;
    cStageChara& d = AddChara(40, 60);            // 100, in view, after a
    AddChara(101, 101, 0, 1);                     // inactive
    AddChara(100, 100).m_bDefeated = 1;
    std::list<cChara*> list;
    for (cStageChara& e : g_Charas) list.push_back(&e);
    (void)d;

    struct Case {
        const char* name;
        int mode;
        CHARAFILTER f;
        cChara* want;
    } cases[] = {
        {"any view", 1, {}, &c},
        {"in view", 2, {}, &b},
        {"in view, tie to the earlier", 2, {.excludeInvincible2 = 1}, &a},
        {"in view first", 0, {}, &b},
        {"else out of view", 0, {.byCharaId = 1, .charaId = 5}, &c},
        {"none passes", 0, {.byCharaId = 1, .charaId = 6}, nullptr},
        {"unknown mode", 3, {}, nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(FindTarget(100, 100, list, k.mode, k.f), k.want);
    }
    // The chara list itself serves as well.
    EXPECT_EQ(FindTarget(100, 100, g_Charas, 1, {}), &c);
}

TEST_F(MovementTest, TheNearestCharaFollowsTheStageRuleForCharasOutOfView) {
    cStageChara& shotProof = AddChara(101, 100);
    shotProof.m_Def.m_cInvincible = 2;
    cStageChara& away = AddChara(110, 100, 1, 0);
    std::list<cChara*> list{&shotProof, &away};
    cChara self;
    Centre(self, 100, 100);
    g_Stage.m_bInViewOnly = 1;
    EXPECT_EQ(self.GetNearestChara(list), nullptr);
    g_Stage.m_bInViewOnly = 0;
    EXPECT_EQ(self.GetNearestChara(list), &away);
    EXPECT_EQ(FindNearestChara(200, 200, list), &away);
}

TEST_F(MovementTest, FirstAndLinkedSearchesIgnoreActivityAndWalkTheirOwnWay) {
    cStageChara& inactive = AddChara(0, 0, 0, 0);
    cStageChara& second = AddChara(0, 0);
    second.m_Def.m_cSide = 3;
    std::list<cChara*> list{&inactive, &second};
    EXPECT_EQ(FindCharaFirst(list, {}), &inactive);
    EXPECT_EQ(FindCharaFirst(list, {.byCharaId = 1, .charaId = 3}), &second);
    EXPECT_EQ(FindCharaFirst(list, {.byCharaId = 1, .charaId = 4}), nullptr);

    inactive.m_nFaction = 2;
    second.m_nFaction = 5;
    cStageChara& third = AddChara(0, 0);
    third.m_nFaction = 2;
    third.m_bDefeated = 1;
    cVector<CHARALINK> links;
    links.push_back({&inactive, 4});
    links.push_back({&second, 4});
    links.push_back({&third, 4});
    links.push_back({nullptr, 4});
    links.push_back({&inactive, 0});
    // From the latest link back.
    EXPECT_EQ(FindCharaLinked(links, 4, 0, 1, {}), &second);
    EXPECT_EQ(FindCharaLinked(links, 4, 2, 0, {}), &inactive);  // the later one is defeated
    EXPECT_EQ(FindCharaLinked(links, 4, 7, 0, {}), nullptr);
    EXPECT_EQ(FindCharaLinked(links, 0, 2, 0, {}), &inactive);
}

}  // namespace
