// The command tables: the preparation a movement or jump command gets as
// the chara builds its flows, the dispatch by kind with its guard against
// kinds of a damaged file, the item entries' results and message chaining,
// and the change-flow command held back while the hero's own flows run.
#include "flow/cmd_dispatch.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "app/requests.h"
#include "flow/flow_run.h"
#include "objects/chara.h"
#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "project/flow.h"
#include "project/move_shot.h"
#include "project/system_data.h"

namespace {

int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class CmdDispatchTest : public objtest::StageTest {
protected:
    static std::string Report() { return orvtest::ReadHostFile("Report_Game.txt"); }

    // A flow command of a kind with a default movement record and `params`
    // parameters.
    static cFlowCmd Cmd(int kind, int params = 0, int category = 0) {
        cFlowCmd c;
        c.m_cCategory = static_cast<int8_t>(category);
        c.m_cKind = static_cast<int8_t>(kind);
        c.m_vParam.assign(static_cast<size_t>(params), 0);
        return c;
    }
};

// ---------------------------------------------------------------------------
// Preparation

struct DistanceCase {
    const char* name;
    int kind;
    int timeMode, unit, distance, distanceInc, k;
    int steps;     // as the set-up left them
    double speed;
    int switch695;
    int wantSteps;
    double wantSpeed;
};

TEST_F(CmdDispatchTest, TheDistanceRuleGivesSpeedOrLengthFromTheDistance) {
    const DistanceCase cases[] = {
        // Time and distance: the speed covers the distance in the time.
        {"dots per index", 2, 1, 1, 100, 10, 2, 60, 9, 0, 60, 2.0},
        {"half blocks per index", 3, 1, 0, 4, 1, 2, 48, 9, 0, 48, 2.0},
        {"no time: all in one sub-step", 5, 1, 0, 4, 0, 0, 0, 9, 0, 0, 64.0},
        {"negative time: all in one sub-step", 5, 1, 1, 30, 0, 0, -6, 9, 0, -6, 30.0},
        // Speed and distance: the length is the distance over the speed,
        // truncated.
        {"4 hbl at 2 a sub-step", 7, 2, 0, 4, 0, 0, 5, 2.0, 0, 32, 2.0},
        {"dots, truncated", 2, 2, 1, 10, 0, 0, 5, 3.0, 0, 3, 3.0},
        {"per index", 3, 2, 0, 4, 2, 3, 5, 2.0, 0, 80, 2.0},
        {"backwards is as long", 2, 2, 0, -4, 0, 0, 5, 2.0, 0, 32, 2.0},
        {"backwards ends at once in older projects", 2, 2, 0, -4, 0, 0, 5, 2.0, 1, -32, 2.0},
        {"no speed takes no time", 2, 2, 0, 4, 0, 0, 5, 0.0, 0, 0, 0.0},
        {"beyond int's range", 2, 2, 0, 32767, 32767, 32767, 5, 1e-9, 0, INT_MAX, 1e-9},
        {"beyond int's range backwards", 2, 2, 0, -32768, -32768, 32767, 5, 1e-9, 0, INT_MAX, 1e-9},
        {"beyond int's range backwards, older", 2, 2, 0, -32768, -32768, 32767, 5, 1e-9, 1, INT_MIN, 1e-9},
        // Time and speed given, or a kind without the rule: as set up.
        {"time and speed", 2, 0, 1, 100, 0, 0, 60, 1.5, 0, 60, 1.5},
        {"unknown time mode", 2, 3, 1, 100, 0, 0, 60, 1.5, 0, 60, 1.5},
        {"disable move has no rule", 8, 1, 1, 100, 0, 0, 60, 1.5, 0, 60, 1.5},
        {"shot has no rule", 11, 2, 1, 100, 0, 0, 60, 1.5, 0, 60, 1.5},
    };
    for (const DistanceCase& c : cases) {
        SCOPED_TRACE(c.name);
        g_SystemData.Set(kSysSwitch695, c.switch695);
        cFlowCmd cmd = Cmd(c.kind);
        cEdMove& m = *cmd.m_pMove;
        m.m_cTimeMode = static_cast<int8_t>(c.timeMode);
        m.m_cDistUnit = static_cast<int8_t>(c.unit);
        m.m_sDistance = static_cast<int16_t>(c.distance);
        m.m_sDistanceInc = static_cast<int16_t>(c.distanceInc);
        cChara chara;
        chara.m_sSpawnIndex = static_cast<int16_t>(c.k);
        cCmdRun run;
        run.m_pCmd = &cmd;
        run.m_nSteps = c.steps;
        run.m_dSpeed = c.speed;
        PrepareCmd(run, chara);
        EXPECT_EQ(run.m_nSteps, c.wantSteps);
        EXPECT_DOUBLE_EQ(run.m_dSpeed, c.wantSpeed);
    }
}

struct CircleCase {
    const char* name;
    int facing, mirrorX, mirrorY, dir;
    int radius, radiusInc, start, startInc, end, endInc, k, n;
    int timeMode, steps;
    double speed;
    int wantDir, wantRadius, wantStart, wantEnd, wantSteps;
    double wantSpeed;
};

TEST_F(CmdDispatchTest, TheCirclePreparationScalesRadiusAndAnglesAndMirrorsByThePlacedFacing) {
    const CircleCase cases[] = {
        // Time given: the span over the time, per sub-step of a frame.
        {"full turn", 0, 1, 1, 0, 2, 0, 0, 0, 360, 0, 0, 1, 0, 60, 9, 0, 32, 0, 360, 60, 6.0},
        {"end below start", 0, 0, 0, 1, 3, 0, 90, 0, 0, 0, 0, 2, 0, 30, 9, 1, 96, 180, 0, 30, 3.0},
        {"no time: the whole span at once", 0, 0, 0, 0, 1, 0, 0, 0, 90, 0, 0, 2, 0, 0, 9, 0, 32, 0, 180, 0, 90.0},
        // The radius is held to 0..20 half blocks.
        {"radius 25 is 20", 0, 0, 0, 0, 25, 0, 0, 0, 90, 0, 0, 2, 0, 30, 9, 0, 640, 0, 180, 30, 3.0},
        {"radius below 0 is 0", 0, 0, 0, 0, -3, 0, 0, 0, 90, 0, 0, 1, 0, 30, 9, 0, 0, 0, 90, 30, 3.0},
        {"per index", 0, 0, 0, 0, 1, 1, 10, 5, 100, 10, 3, 1, 0, 12, 9, 0, 64, 25, 130, 12, 105.0 / 12},
        // Speed given: the span over the speed is the length, never negative.
        {"speed given", 0, 0, 0, 0, 2, 0, 0, 0, 90, 0, 0, 1, 1, 5, 1.5, 0, 32, 0, 90, 60, 1.5},
        {"speed given, n = 2", 0, 0, 0, 0, 2, 0, 0, 0, 90, 0, 0, 2, 1, 5, 1.5, 0, 64, 0, 180, 60, 1.5},
        {"no speed takes no time", 0, 0, 0, 0, 2, 0, 0, 0, 90, 0, 0, 1, 1, 5, 0.0, 0, 32, 0, 90, 0, 0.0},
        // The sense of the span comes from the base angles, without the
        // per-index angles: here it runs backwards.
        {"span by the base angles", 0, 0, 0, 0, 2, 0, 10, 100, 50, 0, 1, 1, 1, 5, 1.0, 0, 32, 110, 50, 60, 1.0},
        {"span by the base angles, time", 0, 0, 0, 0, 2, 0, 10, 100, 50, 0, 1, 1, 0, 30, 9, 0, 32, 110, 50, 30, -2.0},
        // Placed facing right: mirror X turns the sense and starts half a
        // turn on; mirror Y turns the sense alone.
        {"right, mirror X", 1, 1, 0, 0, 2, 0, 0, 0, 90, 0, 0, 1, 1, 5, 1.5, 1, 32, 180, 270, 60, 1.5},
        {"right, mirror X and Y", 1, 1, 1, 1, 2, 0, 0, 0, 90, 0, 0, 1, 0, 30, 9, 1, 32, 180, 270, 30, 3.0},
        {"right, mirror Y", 1, 0, 1, 1, 2, 0, 0, 0, 90, 0, 0, 1, 0, 30, 9, 0, 32, 0, 90, 30, 3.0},
        {"right, facing-bound sense stays", 1, 1, 0, 2, 2, 0, 0, 0, 90, 0, 0, 1, 0, 30, 9, 2, 32, 180, 270, 30, 3.0},
        {"left, mirrors unused", 0, 1, 1, 0, 2, 0, 0, 0, 90, 0, 0, 1, 0, 30, 9, 0, 32, 0, 90, 30, 3.0},
    };
    for (const CircleCase& c : cases) {
        SCOPED_TRACE(c.name);
        g_Stage.SetHitLevel(c.n);
        cFlowCmd cmd = Cmd(4);
        cEdMove& m = *cmd.m_pMove;
        m.m_cMirrorX = static_cast<int8_t>(c.mirrorX);
        m.m_cMirrorY = static_cast<int8_t>(c.mirrorY);
        m.m_sExtra = static_cast<int16_t>(c.radius);
        m.m_sExtraInc = static_cast<int16_t>(c.radiusInc);
        m.m_sAngle = static_cast<int16_t>(c.start);
        m.m_sAngleInc = static_cast<int16_t>(c.startInc);
        m.m_sDistance = static_cast<int16_t>(c.end);
        m.m_sDistanceInc = static_cast<int16_t>(c.endInc);
        m.m_cTimeMode = static_cast<int8_t>(c.timeMode);
        cChara chara;
        chara.m_Def.m_cFacing = static_cast<int8_t>(c.facing);
        chara.m_sSpawnIndex = static_cast<int16_t>(c.k);
        cCmdRun run;
        run.m_pCmd = &cmd;
        run.m_cDir = static_cast<int8_t>(c.dir);
        run.m_nSteps = c.steps;
        run.m_dSpeed = c.speed;
        PrepareCmd(run, chara);
        EXPECT_EQ(run.m_cDir, c.wantDir);
        EXPECT_EQ(run.m_nMoveParam1, c.wantRadius);
        EXPECT_EQ(run.m_nMoveParam2, c.wantStart);
        EXPECT_EQ(run.m_nMoveParam3, c.wantEnd);
        EXPECT_EQ(run.m_nSteps, c.wantSteps);
        EXPECT_DOUBLE_EQ(run.m_dSpeed, c.wantSpeed);
    }
}

TEST_F(CmdDispatchTest, AHomingMoveGetsItsDelayInSubStepsAndTheDistanceRule) {
    g_Stage.SetHitLevel(2);
    cFlowCmd cmd = Cmd(6);
    cEdMove& m = *cmd.m_pMove;
    m.m_sExtra = 3;
    m.m_sExtraInc = 2;
    m.m_cTimeMode = 2;
    m.m_cDistUnit = 0;
    m.m_sDistance = 4;
    cChara chara;
    chara.m_sSpawnIndex = 2;
    cCmdRun run;
    run.m_pCmd = &cmd;
    run.m_dSpeed = 2.0;
    PrepareCmd(run, chara);
    EXPECT_EQ(run.m_nMoveParam1, 14);  // (3 + 2 x 2) x 2
    EXPECT_EQ(run.m_nSteps, 32);
}

TEST_F(CmdDispatchTest, AJumpTakesItsSpeedAndItsTimeToTheApexFromItsHeight) {
    g_Stage.SetHitLevel(2);
    cChara chara;
    for (int height : {4, 260}) {  // a height is a byte: 260 is 4
        SCOPED_TRACE(height);
        cFlowCmd cmd = Cmd(10, 5);
        cmd.m_vParam[2] = height;
        cmd.m_sTime = 99;
        cCmdRun run;
        run.m_pCmd = &cmd;
        run.m_nSteps = 99 * 12;
        PrepareCmd(run, chara);
        EXPECT_DOUBLE_EQ(run.m_dSpeed, chara.JumpSpeedFromHbl(4));
        EXPECT_LT(run.m_dSpeed, 0);
        // The chara's copy of the command keeps the time to the apex.
        EXPECT_EQ(cmd.m_sTime, chara.JumpTimeFromHbl(4));
        EXPECT_NE(cmd.m_sTime, 99);
        EXPECT_EQ(run.m_nSteps, cmd.m_sTime * 2 * 6);
    }
}

TEST_F(CmdDispatchTest, APreparationWithoutItsRecordOrKindChangesNothing) {
    cChara chara;
    for (int kind : {2, 4, 6, -5, 77}) {
        SCOPED_TRACE(kind);
        cFlowCmd cmd = Cmd(kind);
        cmd.m_pMove->m_cTimeMode = 1;
        cmd.m_pMove->m_sDistance = 100;
        if (kind >= 0 && kind < kFlowCmdKinds) cmd.m_pMove.reset();
        cCmdRun run;
        run.m_pCmd = &cmd;
        run.m_nSteps = 10;
        run.m_dSpeed = 1.5;
        PrepareCmd(run, chara);
        EXPECT_EQ(run.m_nSteps, 10);
        EXPECT_EQ(run.m_dSpeed, 1.5);
        EXPECT_EQ(run.m_nMoveParam1, 0);
    }
    cCmdRun none;
    PrepareCmd(none, chara);
    EXPECT_EQ(Report(), "");
}

// ---------------------------------------------------------------------------
// Dispatch

TEST_F(CmdDispatchTest, AKindOutsideTheTablesDoesNothingAndIsReportedOnce) {
    cHero hero;
    PlaceHero(hero, 0, 800, 800);
    for (int round = 0; round < 2; ++round) {
        for (int kind : {77, -3}) {
            cFlowCmd cmd = Cmd(kind);
            cCmdRun run;
            run.m_pCmd = &cmd;
            EXPECT_EQ(ExecCmd(hero, run), 0);
        }
        cFlowCmd item = Cmd(30, 0, 1);
        EXPECT_EQ(ExecItemCmd(hero, item), 0);
    }
    cCmdRun empty;
    EXPECT_EQ(ExecCmd(hero, empty), 0);
    const std::string report = Report();
    EXPECT_EQ(CountOf(report, "flow command of unknown kind 77 is ignored\n"), 1) << report;
    EXPECT_EQ(CountOf(report, "flow command of unknown kind -3 is ignored\n"), 1) << report;
    EXPECT_EQ(CountOf(report, "item command of unknown kind 30 is ignored\n"), 1) << report;
    EXPECT_EQ(CountOf(report, "\n"), 3) << report;
}

TEST_F(CmdDispatchTest, AHandlerNotYetBuiltSaysSoOncePerKind) {
    cChara chara;
    // Kinds no other test here runs: the report is once per program run.
    for (int round = 0; round < 2; ++round) {
        for (int kind : {13, 14}) {
            cFlowCmd cmd = Cmd(kind);
            cCmdRun run;
            run.m_pCmd = &cmd;
            EXPECT_EQ(ExecCmd(chara, run), 0);
        }
    }
    const std::string report = Report();
    EXPECT_EQ(CountOf(report, "flow command of kind 13 does nothing in this version\n"), 1) << report;
    EXPECT_EQ(CountOf(report, "flow command of kind 14 does nothing in this version\n"), 1) << report;
    EXPECT_EQ(CountOf(report, "\n"), 2) << report;
}

TEST_F(CmdDispatchTest, AFlowStageClearEndsTheStageAndAnItemOneEndsItsList) {
    cHero hero;
    PlaceHero(hero, 0, 800, 800);
    cFlowCmd clear = Cmd(17, 9);
    cCmdRun run;
    run.m_pCmd = &clear;
    EXPECT_EQ(ExecCmd(hero, run), 1);
    EXPECT_EQ(scene.m_nStageEnd, 1);

    // Of the item commands only the stage clear stops the list; the item
    // list's caller ends the stage. (The window is closing, so that the
    // game wait among them holds nothing.)
    scene.m_nStageEnd = 0;
    scene.m_bQuit = 1;
    for (int kind = 0; kind < kItemCmdKinds; ++kind) {
        SCOPED_TRACE(kind);
        cFlowCmd cmd = Cmd(kind, 22, 1);
        cmd.m_vParam[0] = 3;  // a change of flows that changes nothing
        EXPECT_EQ(ExecItemCmd(hero, cmd), kind == 2 ? 1 : 0);
    }
    EXPECT_EQ(scene.m_nStageEnd, 0);
}

TEST_F(CmdDispatchTest, EveryItemMessageAfterTheFirstShowsAsItsContinuation) {
    cHero hero;
    PlaceHero(hero, 0, 800, 800);
    // A wait of no time: one frame of it, and it ends.
    struct Active {
        Active() { g_bActive = 1; }
        ~Active() { g_bActive = 0; }
    } active;
    cFlowCmd wait = Cmd(3, 1, 1);
    cFlowCmd message = Cmd(4, 19, 1);
    scene.m_bChainedMessage = 0;
    ExecItemCmd(hero, wait);
    EXPECT_EQ(scene.m_bChainedMessage, 0);
    ExecItemCmd(hero, message);
    EXPECT_EQ(scene.m_bChainedMessage, 1);
    ExecItemCmd(hero, message);
    EXPECT_EQ(scene.m_bChainedMessage, 1);
    // The list runner clears it before each list.
    scene.m_bChainedMessage = 0;
    cVector<cFlowCmd> list;
    list.push_back(message);
    list.push_back(message);
    hero.m_nHP = 1;
    EXPECT_EQ(hero.RunItemCmds(list), 0);
    EXPECT_EQ(scene.m_bChainedMessage, 1);

    // Without a stage scene a message still runs, unchained.
    g_pGameScene = nullptr;
    EXPECT_EQ(ExecItemCmd(hero, message), 0);
    cCmdRun run;
    cFlowCmd flowMessage = Cmd(19, 19);
    run.m_pCmd = &flowMessage;
    EXPECT_EQ(ExecCmd(hero, run), 0);
    cFlowCmd clear = Cmd(17, 9);
    run.m_pCmd = &clear;
    EXPECT_EQ(ExecCmd(hero, run), 0);
}

TEST_F(CmdDispatchTest, AChangeOfFlowsWaitsWhileTheHeroRunsItsOwnFlows) {
    cHero hero;
    PlaceHero(hero, 0, 800, 800);
    cFlowCmd change = Cmd(1, 2, 1);
    change.m_vParam[0] = 1;
    change.m_vParam[1] = 3;
    change.m_vFlow.resize(2);
    change.m_vFlow[1].m_cId = 5;

    // The hero's flows are being stepped: a copy waits.
    scene.m_pCurChara = &hero;
    EXPECT_EQ(ExecItemCmd(hero, change), 0);
    ASSERT_EQ(hero.m_DeferredCmds.size(), 1u);
    const cFlowCmd& kept = hero.m_DeferredCmds[0];
    EXPECT_EQ(kept.m_vParam[0], 1);
    EXPECT_EQ(kept.m_vParam[1], 3);
    ASSERT_EQ(kept.m_vFlow.size(), 2u);
    EXPECT_EQ(kept.m_vFlow[1].m_cId, 5);
    EXPECT_NE(&kept, &change);

    // Run after the hero's flow loop, or while another chara's flows run,
    // it takes effect at once.
    EXPECT_EQ(CmdChangeFlow(hero, change, 1), 0);
    cChara other;
    scene.m_pCurChara = &other;
    EXPECT_EQ(ExecItemCmd(hero, change), 0);
    scene.m_pCurChara = nullptr;
    EXPECT_EQ(ExecItemCmd(hero, change), 0);
    EXPECT_EQ(hero.m_DeferredCmds.size(), 1u);
    EXPECT_EQ(Report(), "");
}

}  // namespace
