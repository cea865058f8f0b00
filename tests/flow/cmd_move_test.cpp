// The movement commands on charas of a small stage: straight moves by
// direction, angle and destination with inertia and turning back, the turn
// at a ledge, the circle, the charge and the homing with and without their
// target, keeping inside the screen, stopping all movement, the direction
// command and the jump.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/requests.h"
#include "flow/cmd_handlers.h"
#include "flow/flow_run.h"
#include "objects/movement.h"
#include "objects/stage_fixture.h"
#include "project/flow.h"
#include "project/move_shot.h"
#include "project/system_data.h"
#include "support/sent_messages.h"

namespace {

using Handler = int (*)(cChara&, cCmdRun&);
const double kPi = 3.14159265358979323846;

class CmdMoveTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        orvtest::g_Sent.clear();
        plat::SetWindowProc(window, orvtest::RecordSent);
        // One sub-step a frame: a speed of 10 is one dot a sub-step.
        g_Stage.SetHitLevel(1);
        scene.m_ScrollX.m_dPos = 640;
        scene.m_ScrollY.m_dPos = 400;
    }
    void TearDown() override {
        orvtest::g_Sent.clear();
        StageTest::TearDown();
    }

    // A chara of the chara list with its body's top-left corner at (x, y),
    // free to turn unless told otherwise.
    cStageChara& Make(int fly, double x, double y, int placedRight = 0) {
        g_Charas.emplace_back();
        cStageChara& c = g_Charas.back();
        cCharaDef d;
        d.m_nCarryItem = -1;
        d.m_cFlight = static_cast<int8_t>(fly);
        d.m_cFacing = static_cast<int8_t>(placedRight);
        d.m_cFixedFacing = 0;
        c.Init(static_cast<int>(g_Charas.size()), d, nullptr, x, y, 0, 0);
        Put(c, x, y);
        return c;
    }
    static void Put(cChara& c, double x, double y) {
        c.m_dX = x, c.m_dY = y;
        c.CheckBoundsX();
        c.CheckBoundsY();
        c.UpdateScreenRect();
    }
    static cFlowCmd Cmd(int kind) {
        cFlowCmd cmd;
        cmd.m_cKind = static_cast<int8_t>(kind);
        cmd.m_vParam.assign(1, 0);
        return cmd;
    }
    // The instance as the chara builds its flows, ready for its first
    // sub-step.
    static cCmdRun Start(cFlowCmd& cmd, cChara& c) {
        cCmdRun run;
        run.Setup(cmd, c);
        run.Reset();
        return run;
    }
    // One sub-step: the chara's update has cleared its speeds first.
    static void Step(Handler h, cChara& c, cCmdRun& run) {
        c.m_dSpeedX = c.m_dSpeedY = 0;
        h(c, run);
    }
    static std::vector<uintptr_t> TakeSounds() {
        std::vector<uintptr_t> slots = orvtest::SentParams(WM_REQ_SE);
        orvtest::g_Sent.clear();
        return slots;
    }
};

// ---------------------------------------------------------------------------
// Straight

TEST_F(CmdMoveTest, StraightMovesByDirectionOrAngleWithTheMirrorOfThePlacedFacing) {
    const double d = 1 / std::sqrt(2.0);
    struct Case {
        const char* name;
        int fly, placedRight, dir, angle, mirror;
        double wantX, wantY;
        int wantRight;
    } cases[] = {
        {"left", 0, 0, 2, 0, 1, -1, 0, 0},
        {"forward, facing right", 0, 1, 0, 0, 1, 1, 0, 1},
        {"back, facing right", 0, 1, 1, 0, 1, -1, 0, 0},
        {"up, walking: nothing", 0, 0, 6, 0, 1, 0, 0, 0},
        {"up, flying", 1, 0, 6, 0, 1, 0, -1, 0},
        {"down-right, walking", 0, 0, 11, 0, 1, d, 0, 1},
        {"up-left, flying", 1, 1, 8, 0, 1, -d, -d, 0},
        {"angle 90 from left, flying: up", 1, 0, 2, 90, 1, 0, -1, 0},
        {"angle 90 from left, walking: nothing", 0, 0, 2, 90, 1, 0, 0, 0},
        {"placed right, mirrored: 270 is down", 1, 1, 2, 90, 1, 0, 1, 0},
        {"placed right, not mirrored", 1, 1, 2, 90, 0, 0, -1, 0},
        {"angle 30 from right", 1, 0, 3, 30, 1, -std::cos(210 * kPi / 180), -std::sin(210 * kPi / 180), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cStageChara& chara = Make(c.fly, 800, 600, c.placedRight);
        chara.m_bFixedX = chara.m_bFixedY = 1;
        cFlowCmd cmd = Cmd(2);
        cmd.m_pMove->m_cDirCode = static_cast<int8_t>(c.dir);
        cmd.m_pMove->m_sAngle = static_cast<int16_t>(c.angle);
        cmd.m_pMove->m_cMirrorAngle = static_cast<int8_t>(c.mirror);
        cCmdRun run = Start(cmd, chara);
        for (int i = 0; i < 3; ++i) {
            Step(CmdStraightMove, chara, run);
            EXPECT_NEAR(chara.m_dSpeedX, c.wantX, 1e-12);
            EXPECT_NEAR(chara.m_dSpeedY, c.wantY, 1e-12);
        }
        EXPECT_EQ(chara.m_bRight, c.wantRight);
        EXPECT_EQ(chara.m_bFixedX + chara.m_bFixedY, 0);  // drawn at its stage place again
        EXPECT_EQ(chara.m_nAnimeReq, c.fly ? 3 : 1);       // the moving anime
    }
}

TEST_F(CmdMoveTest, ParallelStraightMovesAddUpAndInertiaAcceleratesToItsLimit) {
    cStageChara& chara = Make(1, 800, 600);
    cFlowCmd left = Cmd(2), up = Cmd(2);
    left.m_pMove->m_cDirCode = 2;
    up.m_pMove->m_cDirCode = 6;
    cCmdRun a = Start(left, chara), b = Start(up, chara);
    Step(CmdStraightMove, chara, a);
    CmdStraightMove(chara, b);
    EXPECT_EQ(chara.m_dSpeedX, -1);
    EXPECT_EQ(chara.m_dSpeedY, -1);

    // With inertia the velocity is a second's worth: 1/60 a sub-step, up to
    // the limit of 0.2 (2 tenths a frame).
    left.m_pMove->m_cInertia = 1;
    left.m_pMove->m_sInertiaMax = 2;
    cCmdRun inert = Start(left, chara);
    chara.m_dInertiaX = 0;
    for (int i = 1; i <= 15; ++i) {
        chara.m_bFrictionX = 1;
        Step(CmdStraightMove, chara, inert);
        EXPECT_NEAR(chara.m_dInertiaX, i <= 12 ? -i / 60.0 : -0.2, 1e-12) << i;
        EXPECT_EQ(chara.m_dSpeedX, 0);
        EXPECT_EQ(chara.m_bFrictionX, 0);  // no friction while it pushes
    }
    // Against the drift it turns at the reverse rate, with friction.
    left.m_pMove->m_cDirCode = 3;
    left.m_pMove->m_dReverseFactor = 3;
    cCmdRun back = Start(left, chara);
    chara.m_bFrictionX = 1;
    Step(CmdStraightMove, chara, back);
    EXPECT_NEAR(chara.m_dInertiaX, -0.2 + 3 / 60.0, 1e-12);
    EXPECT_EQ(chara.m_bFrictionX, 1);
}

TEST_F(CmdMoveTest, AStraightMoveTurnsBackWithAFixedFacingTurnedByOthers) {
    struct Case {
        int moveBy, sw783;
        double want;
    } cases[] = {{0, 0, -1}, {1, 0, 1}, {1, 1, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "move by " << c.moveBy << ", switch " << c.sw783);
        g_SystemData.Set(kSysSwitch783, c.sw783);
        cStageChara& chara = Make(0, 800, 600);
        chara.m_Def.m_cFixedFacing = 1;
        cFlowCmd cmd = Cmd(2);
        cEdMove& m = *cmd.m_pMove;
        m.m_cMoveBy = static_cast<int8_t>(c.moveBy);
        m.m_cDirCode = 3;
        m.m_cCoordMode = 1, m.m_cDestUnit = 1, m.m_sDestXDot = 100, m.m_cEndOnArrival = 0;
        cCmdRun run = Start(cmd, chara);
        Step(CmdStraightMove, chara, run);
        EXPECT_EQ(chara.m_dSpeedX, 1);
        chara.m_bRight = !chara.m_bRight;  // a direction command, say
        Step(CmdStraightMove, chara, run);
        EXPECT_EQ(chara.m_dSpeedX, c.want);
    }
}

TEST_F(CmdMoveTest, AMoveToADestinationEndsOnArrival) {
    cStageChara& chara = Make(1, 800, 600);
    scene.m_pCurChara = &chara;
    cFlowCmd cmd = Cmd(2);
    cmd.m_sTime = 100;  // ten seconds
    cEdMove& m = *cmd.m_pMove;
    m.m_cMoveBy = 1, m.m_cCoordMode = 1, m.m_cDestUnit = 1;
    m.m_sDestXDot = 6, m.m_sDestYDot = -8;
    cCmdRun run = Start(cmd, chara);
    int steps = 0;
    do {
        chara.m_dSpeedX = chara.m_dSpeedY = 0;
        ++steps;
    } while (!run.Run() && steps < 1000);
    EXPECT_EQ(steps, 10);
    EXPECT_NEAR(chara.m_dSpeedX, 0.6, 1e-12);
    EXPECT_NEAR(chara.m_dSpeedY, -0.8, 1e-12);

    // Placed facing right with the X mirror: the other way. Closer than one
    // step with the stop at the point: no movement on the used axes.
    cStageChara& right = Make(1, 800, 600, 1);
    m.m_sSpeed = 200;
    m.m_cNoOvershoot = 1;
    run = Start(cmd, right);
    Step(CmdStraightMove, right, run);
    EXPECT_EQ(run.m_nRemain, 0);
    EXPECT_EQ(right.m_dSpeedX, 0);
    EXPECT_EQ(right.m_dSpeedY, 0);
    m.m_cNoOvershoot = 0;
    run = Start(cmd, right);
    Step(CmdStraightMove, right, run);
    EXPECT_NEAR(right.m_dSpeedX, -12, 1e-12);
    EXPECT_EQ(right.m_bRight, 0);
}

// ---------------------------------------------------------------------------
// Ground turn

TEST_F(CmdMoveTest, AGroundTurnFacesBackAtALedgeAndWalksBackFromTheNextSubStep) {
    // A floor along row 30 up to column 30; the chara stands with its left
    // edge over column 30 and its right edge over the drop.
    for (int col = 20; col <= 30; ++col) Cell(col, 30).m_cHit = 1;
    struct Case {
        int sw805, speed;
        int wantRight;
    } cases[] = {{0, 10, 0}, {0, -10, 1}, {1, -10, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "switch " << c.sw805 << ", speed " << c.speed);
        g_SystemData.Set(kSysSwitch805, c.sw805);
        cStageChara& chara = Make(0, 980, 0, 1);
        chara.m_Def.m_cFixedFacing = 1;  // the turn at a ledge happens all the same
        Put(chara, 980, 960 - chara.m_nHeight);
        cFlowCmd cmd = Cmd(3);
        cmd.m_pMove->m_sSpeed = static_cast<int16_t>(c.speed);
        cCmdRun run = Start(cmd, chara);
        Step(CmdGroundTurnMove, chara, run);
        EXPECT_EQ(chara.m_bRight, c.wantRight);
        EXPECT_EQ(chara.m_dSpeedX, c.speed / 10.0);  // this sub-step still the old way
        Step(CmdGroundTurnMove, chara, run);
        EXPECT_EQ(chara.m_dSpeedX, (c.wantRight ? 1 : -1) * c.speed / 10.0);
    }

    // Thrown by a hit it walks straight on; a flying chara is left alone.
    cStageChara& thrown = Make(0, 980, 0, 1);
    Put(thrown, 980, 960 - thrown.m_nHeight);
    thrown.m_dImpactX = 2;
    cFlowCmd cmd = Cmd(3);
    cCmdRun run = Start(cmd, thrown);
    Step(CmdGroundTurnMove, thrown, run);
    EXPECT_EQ(thrown.m_bRight, 1);
    EXPECT_EQ(thrown.m_dSpeedX, 1);
    cStageChara& flyer = Make(1, 980, 900, 1);
    flyer.m_bFixedX = 1;
    Step(CmdGroundTurnMove, flyer, run);
    EXPECT_EQ(flyer.m_dSpeedX, 0);
    EXPECT_EQ(flyer.m_bFixedX, 1);
}

TEST_F(CmdMoveTest, AGroundTurnOffARiddenCharaTurnsBackAndMakesUpForItsMove) {
    cStageChara& platform = Make(0, 1000, 700);
    cStageChara& rider = Make(0, 1000, 600, 1);
    cFlowCmd cmd = Cmd(3);
    cCmdRun run = Start(cmd, rider);
    rider.m_bLeftRide = 1;
    rider.m_nRiddenId = platform.m_nId;
    rider.m_RiddenExtent.x = 990;  // the platform has moved 10 dots right
    Step(CmdGroundTurnMove, rider, run);
    EXPECT_EQ(rider.m_bRight, 0);
    EXPECT_EQ(rider.m_dSpeedX, -1 + 10);
    EXPECT_EQ(rider.m_bLeftRide, 0);

    // Facing left, a move right counts twice; a platform gone adds nothing.
    rider.m_bLeftRide = 1;
    Step(CmdGroundTurnMove, rider, run);
    EXPECT_EQ(rider.m_dSpeedX, 1 + 20);
    rider.m_bLeftRide = 1;
    rider.m_nRiddenId = 999;
    Step(CmdGroundTurnMove, rider, run);
    EXPECT_EQ(rider.m_dSpeedX, -1);
    EXPECT_EQ(rider.m_bLeftRide, 0);
}

// ---------------------------------------------------------------------------
// Circle

TEST_F(CmdMoveTest, ACircleTurnsBySenseAndFacingAndClosesAfterAFullTurn) {
    // Radius 2 half blocks from 90 to 450 degrees in a second: 6 degrees
    // a sub-step on a circle of 32 dots.
    const double chord = 32 * 6 * kPi / 180;
    struct Case {
        int sense, facingRight;
        double wantY;
    } cases[] = {{0, 0, -chord}, {1, 0, chord}, {2, 1, chord}, {2, 0, -chord}, {3, 1, -chord}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "sense " << c.sense << " facing " << c.facingRight);
        cStageChara& chara = Make(1, 800, 600);
        chara.m_bRight = c.facingRight;
        cFlowCmd cmd = Cmd(4);
        cEdMove& m = *cmd.m_pMove;
        m.m_cDirCode = static_cast<int8_t>(c.sense);
        m.m_sExtra = 2, m.m_sAngle = 90, m.m_sDistance = 450;
        cmd.m_sTime = 10;
        cCmdRun run = Start(cmd, chara);
        ASSERT_EQ(run.m_dSpeed, 6);
        Step(CmdCircleMove, chara, run);
        EXPECT_NEAR(chara.m_dSpeedX, 0, 1e-12);
        EXPECT_NEAR(chara.m_dSpeedY, c.wantY, 1e-12);
        double sumX = chara.m_dSpeedX, sumY = chara.m_dSpeedY;
        for (int i = 1; i < 60; ++i) {
            Step(CmdCircleMove, chara, run);
            sumX += chara.m_dSpeedX, sumY += chara.m_dSpeedY;
        }
        EXPECT_NEAR(sumX, 0, 1e-9);
        EXPECT_NEAR(sumY, 0, 1e-9);
    }

    // Walking: across only; no radius: nothing at all.
    cStageChara& walker = Make(0, 800, 600);
    cFlowCmd cmd = Cmd(4);
    cmd.m_pMove->m_sExtra = 2, cmd.m_sTime = 10, cmd.m_pMove->m_sDistance = 360;
    cCmdRun run = Start(cmd, walker);
    Step(CmdCircleMove, walker, run);
    EXPECT_NEAR(walker.m_dSpeedX, -chord, 1e-12);
    EXPECT_EQ(walker.m_dSpeedY, 0);
    cmd.m_pMove->m_sExtra = 0;
    run = Start(cmd, walker);
    walker.m_bFixedX = 1;
    Step(CmdCircleMove, walker, run);
    EXPECT_EQ(walker.m_dSpeedX, 0);
    EXPECT_EQ(walker.m_bFixedX, 1);
}

// ---------------------------------------------------------------------------
// Charge and homing

TEST_F(CmdMoveTest, AChargeKeepsTheWayToItsTargetTakenAtItsStart) {
    cStageChara& chara = Make(0, 800, 600);
    cStageChara& target = Make(0, 1000, 600);
    chara.SetTarget(0, &target, 1);
    cFlowCmd cmd = Cmd(5);
    cCmdRun run = Start(cmd, chara);
    Step(CmdChargeMove, chara, run);
    EXPECT_EQ(chara.m_dSpeedX, 1);
    EXPECT_EQ(chara.m_bRight, 1);
    Put(target, 600, 600);
    Step(CmdChargeMove, chara, run);
    EXPECT_EQ(chara.m_dSpeedX, 1);

    // Flying: straight at the target's centre; turned by an angle of 90.
    cStageChara& flyer = Make(1, 800, 600);
    cStageChara& high = Make(1, 800 - 30, 600 + 40);
    flyer.SetTarget(0, &high, 1);
    run = Start(cmd, flyer);
    Step(CmdChargeMove, flyer, run);
    EXPECT_NEAR(flyer.m_dSpeedX, -0.6, 1e-12);
    EXPECT_NEAR(flyer.m_dSpeedY, 0.8, 1e-12);
    Put(high, 1000, 600);
    cmd.m_pMove->m_sAngle = 90;
    cmd.m_pMove->m_cMirrorAngle = 0;
    for (int sw728 : {0, 1}) {
        g_SystemData.Set(kSysSwitch728, sw728);
        run = Start(cmd, flyer);
        Step(CmdChargeMove, flyer, run);
        EXPECT_NEAR(flyer.m_dSpeedX, 0, 1e-12) << sw728;
        EXPECT_NEAR(flyer.m_dSpeedY, 1, 1e-12) << sw728;
    }
}

TEST_F(CmdMoveTest, AChargeWithoutALiveTargetStandsStill) {
    cStageChara& chara = Make(0, 800, 600);
    cStageChara& target = Make(0, 1000, 600);
    cFlowCmd cmd = Cmd(5);
    cCmdRun run = Start(cmd, chara);
    for (int i = 0; i < 2; ++i) {
        Step(CmdChargeMove, chara, run);
        EXPECT_EQ(chara.m_dSpeedX, 0);
    }
    // A defeated target: no velocity left from the charge before.
    chara.SetTarget(0, &target, 1);
    run.Reset();
    Step(CmdChargeMove, chara, run);
    EXPECT_EQ(chara.m_dSpeedX, 1);
    target.m_bDefeated = 1;
    run.Reset();
    for (int i = 0; i < 2; ++i) {
        Step(CmdChargeMove, chara, run);
        EXPECT_EQ(chara.m_dSpeedX, 0);
    }
}

TEST_F(CmdMoveTest, AHomingFollowsItsTargetAfterItsDelay) {
    struct Case {
        int delay;
        int turnsAt;  // the sub-step in which it first heads the new way
    } cases[] = {{0, 1}, {10, 20}, {-5, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "delay " << c.delay);
        cStageChara& chara = Make(0, 800, 600);
        cStageChara& target = Make(0, 1000, 600);
        chara.SetTarget(0, &target, 1);
        cFlowCmd cmd = Cmd(6);
        cmd.m_pMove->m_sExtra = static_cast<int16_t>(c.delay);
        cCmdRun run = Start(cmd, chara);
        Step(CmdHomingMove, chara, run);
        EXPECT_EQ(chara.m_dSpeedX, 1);
        Put(target, 600, 600);
        for (int i = 1; i <= 25; ++i) {
            Step(CmdHomingMove, chara, run);
            ASSERT_EQ(chara.m_dSpeedX, i < c.turnsAt ? 1 : -1) << "sub-step " << i;
        }
        EXPECT_EQ(run.m_nCount, 26);
    }

    // No target: it waits, and its count stands.
    cStageChara& alone = Make(0, 800, 600);
    cFlowCmd cmd = Cmd(6);
    cCmdRun run = Start(cmd, alone);
    alone.m_bFixedX = 1;
    Step(CmdHomingMove, alone, run);
    EXPECT_EQ(alone.m_dSpeedX, 0);
    EXPECT_EQ(run.m_nCount, 0);
    EXPECT_EQ(alone.m_bFixedX, 1);
}

TEST_F(CmdMoveTest, AFlyingHomingHeadsForTheTargetOnBothAxes) {
    cStageChara& chara = Make(1, 800, 600);
    cStageChara& target = Make(1, 800 + 30, 600 - 40);
    chara.SetTarget(0, &target, 1);
    cFlowCmd cmd = Cmd(6);
    cCmdRun run = Start(cmd, chara);
    Step(CmdHomingMove, chara, run);
    EXPECT_NEAR(chara.m_dSpeedX, 0.6, 1e-12);
    EXPECT_NEAR(chara.m_dSpeedY, -0.8, 1e-12);
}

// ---------------------------------------------------------------------------
// Avoid screen out, disable, direction, jump

TEST_F(CmdMoveTest, AvoidingTheScreenEdgePushesBackInside) {
    struct Case {
        const char* name;
        int fly, dir, facingRight, left, top;
        double scroll;
        double wantX, wantY;
    } cases[] = {
        {"past x 608", 0, 2, 0, 609, 200, 0, -1, 0},
        {"at x 608", 0, 2, 0, 608, 200, 0, 0, 0},
        {"right edge left of 32", 0, 3, 0, -2, 200, 0, 1, 0},
        {"forward facing right", 0, 0, 1, -2, 200, 0, 1, 0},
        {"up, flying", 1, 6, 0, 300, 449, 0, 0, -1},
        {"up, walking", 0, 6, 0, 300, 449, 0, 0, 0},
        {"down-left, flying", 1, 9, 0, 609, -2, 0, -1, 1},
        {"scrolling: earlier, on the scroll", 0, 2, 0, 606, 200, 2, 2 - 1, 0},
        {"scrolling: not yet", 0, 2, 0, 605, 200, 2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene.m_ScrollX.m_dAutoSpeed = c.scroll;
        cStageChara& chara = Make(c.fly, 800, 600);
        chara.m_bRight = c.facingRight;
        cFlowCmd cmd = Cmd(7);
        cmd.m_pMove->m_cDirCode = static_cast<int8_t>(c.dir);
        cCmdRun run = Start(cmd, chara);
        chara.m_nScreenL = c.left, chara.m_nScreenR = c.left + 31;
        chara.m_nScreenT = c.top, chara.m_nScreenB = c.top + 31;
        Step(CmdAvoidScreenOutMove, chara, run);
        EXPECT_EQ(chara.m_dSpeedX, c.wantX);
        EXPECT_EQ(chara.m_dSpeedY, c.wantY);
        EXPECT_EQ(run.m_nCount, 1);
    }
}

TEST_F(CmdMoveTest, DisablingMovementStopsEverySpeedForTheFrame) {
    cStageChara& chara = Make(0, 800, 600);
    chara.m_dSpeedX = chara.m_dSpeedY = chara.m_dInertiaX = chara.m_dInertiaY = 3;
    chara.m_dImpactX = chara.m_dImpactY = 4;
    chara.m_bFixedX = chara.m_bFixedY = 1;
    cFlowCmd cmd = Cmd(8);
    cmd.m_pMove.reset();  // it needs no movement record
    cCmdRun run = Start(cmd, chara);
    CmdDisableMove(chara, run);
    EXPECT_EQ(chara.m_dSpeedX + chara.m_dSpeedY + chara.m_dInertiaX + chara.m_dInertiaY, 0);
    EXPECT_EQ(chara.m_dImpactX + chara.m_dImpactY, 0);
    EXPECT_EQ(chara.m_bFixedX + chara.m_bFixedY, 0);
    EXPECT_EQ(chara.m_bMoveDisabled, 1);
}

TEST_F(CmdMoveTest, TheDirectionCommandTurnsAFixedFacingChara) {
    cStageChara& chara = Make(0, 800, 600);
    chara.m_Def.m_cFixedFacing = 1;
    cStageChara& leftOf = Make(0, 700, 600);
    chara.SetTarget(2, &leftOf, 1);
    struct Case {
        int choice, wall, from;
        int want;
    } cases[] = {
        {0, -1, 1, 0}, {1, -1, 0, 1},
        {6, -1, 1, 0}, {7, -1, 0, 1},  // towards target 3 and away from it
        {10, 1, 0, 1}, {11, 1, 1, 0}, {10, -1, 1, 1}, {11, -1, 0, 0},
        {12, -1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "choice " << c.choice << " wall " << c.wall);
        cFlowCmd cmd = Cmd(9);
        cmd.m_vParam[0] = c.choice;
        cmd.m_sSound = 5;
        cCmdRun run = Start(cmd, chara);
        chara.m_nWallSide = c.wall;
        chara.m_bRight = c.from;
        CmdChangeDirection(chara, run);
        EXPECT_EQ(chara.m_bRight, c.want);
        EXPECT_EQ(TakeSounds(), std::vector<uintptr_t>{5 + 16});
    }

    // Again every tenth of a second: six sub-steps at one a frame.
    cFlowCmd cmd = Cmd(9);
    cmd.m_vParam[0] = 1;
    cmd.m_sSound = 5;
    cCmdRun run = Start(cmd, chara);
    for (int i = 0; i < 13; ++i) CmdChangeDirection(chara, run);
    EXPECT_EQ(TakeSounds().size(), 3u);

    // An empty slot: no sound, and the count stands for the next try.
    cmd.m_vParam[0] = 2;
    run = Start(cmd, chara);
    chara.m_bRight = 1;
    CmdChangeDirection(chara, run);
    EXPECT_EQ(run.m_nCount, 0);
    EXPECT_TRUE(TakeSounds().empty());
    EXPECT_EQ(chara.m_bRight, 1);

    // Free to turn: the command leaves the chara alone.
    chara.m_Def.m_cFixedFacing = 0;
    cmd.m_vParam[0] = 0;
    run = Start(cmd, chara);
    CmdChangeDirection(chara, run);
    EXPECT_EQ(chara.m_bRight, 1);
    EXPECT_TRUE(TakeSounds().empty());
}

class JumpingChara : public cChara {
public:
    void Jump(cCmdRun* run) override { jumps.push_back(run); }
    std::vector<cCmdRun*> jumps;
};

TEST_F(CmdMoveTest, TheJumpCommandLeavesTheJumpToTheChara) {
    JumpingChara chara;
    chara.m_bFixedX = chara.m_bFixedY = 1;
    cFlowCmd cmd = Cmd(10);
    cCmdRun run;
    run.m_pCmd = &cmd;
    CmdJump(chara, run);
    CmdJump(chara, run);
    EXPECT_EQ(chara.jumps, (std::vector<cCmdRun*>{&run, &run}));
    EXPECT_EQ(run.m_nCount, 2);
    EXPECT_EQ(chara.m_bFixedX + chara.m_bFixedY, 0);
}

TEST_F(CmdMoveTest, AMovementWithoutItsRecordDoesNothing) {
    const Handler handlers[] = {CmdStraightMove, CmdGroundTurnMove, CmdCircleMove,
                                CmdChargeMove,   CmdHomingMove,     CmdAvoidScreenOutMove};
    cStageChara& chara = Make(0, 800, 600);
    for (Handler h : handlers) {
        cFlowCmd cmd = Cmd(2);
        cCmdRun run = Start(cmd, chara);
        run.m_nMoveParam1 = 32;
        cmd.m_pMove.reset();
        chara.m_bFixedX = 1;
        Step(h, chara, run);
        EXPECT_EQ(chara.m_dSpeedX, 0);
        EXPECT_EQ(chara.m_dSpeedY, 0);
        EXPECT_EQ(chara.m_bFixedX, 1);
    }
}

}  // namespace
