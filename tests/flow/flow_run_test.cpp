// The flow runner: how the commands of a flow follow each other or run side
// by side, starting and stopping, and the pass before the stage starts.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "flow/flow_run.h"
#include "objects/stage_chara.h"
#include "objects/stage_fixture.h"
#include "project/flow.h"
#include "project/system_data.h"

namespace {

struct Cmd {
    int kind;
    int steps;
    bool parallel;
};

class FlowRunTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        chara.Reset(nullptr, 0, 0, 0);
    }
    // A flow of `trigger` and exclusion group `group` whose commands take
    // the given sub-steps, its instance ready to start for `chara`.
    cFlowRun& Make(const std::vector<Cmd>& cmds, int trigger = 0, int group = 0) {
        flow.m_cTrigger = static_cast<int8_t>(trigger);
        flow.m_cGroup = static_cast<int8_t>(group);
        flow.m_vCmd.clear();
        for (const Cmd& c : cmds) {
            cFlowCmd cmd;
            cmd.m_cKind = static_cast<int8_t>(c.kind);
            cmd.m_cParallel = c.parallel ? 1 : 0;
            cmd.Normalize();
            flow.m_vCmd.push_back(cmd);
        }
        run = cFlowRun();
        run.m_pFlow = &flow;
        for (size_t i = 0; i < cmds.size(); ++i) {
            cCmdRun c;
            c.Setup(flow.m_vCmd[i], chara);
            c.m_nSteps = cmds[i].steps;
            run.m_vCmdRuns.push_back(c);
        }
        scene.m_pCurChara = &chara;
        return run;
    }
    // Step results until the flow finishes (at most `limit` sub-steps).
    std::vector<int> StepToEnd(int limit = 50) {
        std::vector<int> results;
        for (int i = 0; i < limit; ++i) {
            results.push_back(run.Step());
            if (results.back()) break;
        }
        return results;
    }

    cStageChara chara;
    cFlow flow;
    cFlowRun run;
};

TEST_F(FlowRunTest, CommandsFollowOrRunBesideEachOther) {
    struct Case {
        const char* name;
        std::vector<Cmd> cmds;
        std::vector<int> results;
        std::vector<int> remainAtEnd;  // before the stop
        int elapsed;
    };
    const std::vector<Case> cases = {
        {"three commands of one sub-step", {{1, 1, false}, {1, 1, false}, {1, 1, false}}, {0, 0, 1}, {0, 0, 0}, 2},
        {"length 0 runs once", {{1, 0, false}, {1, 2, false}}, {0, 0, 1}, {0, 0}, 2},
        // The parallel command starts with the next one and is still
        // running when the flow finishes.
        {"parallel beside a holding one", {{1, 10, true}, {1, 3, false}}, {0, 0, 1}, {7, 0}, 2},
        // A last command that is parallel holds the flow until it ends.
        {"parallel last", {{1, 1, false}, {1, 3, true}}, {0, 0, 0, 1}, {0, 0}, 3},
        {"parallel chain", {{1, 2, true}, {1, 2, true}, {1, 5, false}}, {0, 0, 0, 0, 1}, {0, 0, 0}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(c.cmds).Start(chara);
        EXPECT_EQ(StepToEnd(), c.results);
        std::vector<int> remain;
        for (const cCmdRun& r : run.m_vCmdRuns) remain.push_back(r.m_nRemain);
        EXPECT_EQ(remain, c.remainAtEnd);
        // The sub-step that finishes the flow is not counted.
        EXPECT_EQ(run.m_nElapsed, c.elapsed);
        run.Stop(chara);
        for (const cCmdRun& r : run.m_vCmdRuns) EXPECT_EQ(r.m_nRemain, 0);
    }
}

TEST_F(FlowRunTest, ParallelLastCommandLeavesTheNextIndexPastTheEnd) {
    Make({{1, 1, false}, {1, 3, true}}).Start(chara);
    run.Step();
    run.Step();
    EXPECT_EQ(run.m_nNext, 2);
    EXPECT_EQ(run.m_vCmdRuns[1].m_nRemain, 2);
}

TEST_F(FlowRunTest, StartingAgainBeginsFromTheFirstCommand) {
    Make({{1, 1, false}, {1, 4, false}}).Start(chara);
    run.Step();
    run.Step();
    run.Stop(chara);
    run.Start(chara);
    EXPECT_EQ(run.m_nNext, 0);
    EXPECT_EQ(run.m_nElapsed, 0);
    EXPECT_EQ(run.m_vCmdRuns[0].m_bDone, 0);
    EXPECT_EQ(StepToEnd(), (std::vector<int>{0, 0, 0, 0, 1}));
}

TEST_F(FlowRunTest, MessagesThatKeepTheChainFlagTheNextMessage) {
    Make({{19, 1, false}, {19, 1, false}, {1, 1, false}, {1, 1, false}}).Start(chara);
    run.Step();
    EXPECT_EQ(run.m_bMsgWait, 1);
    run.Step();  // the second message starts chained and keeps the flag
    EXPECT_EQ(run.m_bMsgWait, 1);
    run.Step();  // any other command without the parallel flag ends the chain
    EXPECT_EQ(run.m_bMsgWait, 0);

    // A message that shows a choice or waits (parameter 15 or 6) does not
    // chain.
    Make({{19, 1, false}, {1, 1, false}}).Start(chara);
    flow.m_vCmd[0].m_vParam[6] = 1;
    run.Step();
    EXPECT_EQ(run.m_bMsgWait, 0);
}

TEST_F(FlowRunTest, StartMarksTheOwnersExclusionGroupForTheAlwaysTrigger) {
    cStageChara other;
    other.Reset(nullptr, 0, 0, 0);
    // A flow operation of another chara starts it.
    Make({{1, 5, false}}, 0, 3);
    scene.m_pCurChara = &other;
    run.Start(chara);
    EXPECT_EQ(chara.m_GroupBusy[3], 1);
    EXPECT_EQ(chara.m_GroupStarted[3], 1);
    EXPECT_EQ(other.m_GroupBusy[3], 0);

    // Another trigger marks nothing; a damaged group byte is ignored.
    Make({{1, 5, false}}, 1, 4).Start(chara);
    EXPECT_EQ(chara.m_GroupBusy[4], 0);
    Make({{1, 5, false}}, 0, 100).Start(chara);
    Make({{1, 5, false}}, 0, -3).Start(chara);
}

TEST_F(FlowRunTest, StopFlagsTheGroupAndFreesEventKeysInNewerProjects) {
    struct Case {
        int trigger;
        int switch875;
        int keyHeldAfter;
    };
    for (const Case& c : {Case{1, 0, 0}, Case{1, 1, 1}, Case{0, 0, 1}}) {
        SCOPED_TRACE(c.trigger * 10 + c.switch875);
        g_SystemData.Set(kSysSwitch875, c.switch875);
        chara.m_GroupEnded.assign(kFlowGroupFlags, 0);
        chara.m_bGroupChanged = 0;
        Make({{1, 5, false}}, c.trigger, 2).Start(chara);
        run.m_bKeyHeld = 1;
        run.m_lArranges.push_back(cVector<int32_t>(5, 0));
        run.Step();
        run.Stop(chara);
        EXPECT_EQ(run.m_bRunning, 0);
        EXPECT_TRUE(run.m_lArranges.empty());
        EXPECT_EQ(run.m_bKeyHeld, c.keyHeldAfter);
        EXPECT_EQ(chara.m_GroupEnded[2], 1);
        EXPECT_EQ(chara.m_bGroupChanged, 1);
    }
}

TEST_F(FlowRunTest, EndingAnIdleFlowOnlyMarksItEnded) {
    Make({{1, 5, false}}, 0, 2);
    run.End(chara);
    EXPECT_EQ(run.m_bEnded, 1);
    EXPECT_EQ(run.m_bRunning, 0);
    EXPECT_EQ(chara.m_GroupEnded[2], 0);

    Make({{1, 5, false}}, 0, 2).Start(chara);
    run.Step();
    run.End(chara);
    EXPECT_EQ(run.m_bRunning, 1);  // stays as it was; the chara skips it
    EXPECT_EQ(run.m_vCmdRuns[0].m_nRemain, 0);
    EXPECT_EQ(chara.m_GroupEnded[2], 1);
}

TEST_F(FlowRunTest, BeforeStageFlowRunsOnlyItsParallelSystemCommandsAtOnce) {
    // Movement and shot commands, and a stage clear without the parallel
    // flag, wait for play; only the parallel message runs, once.
    Make({{2, 0, true}, {19, 0, true}, {11, 0, true}, {17, 0, false}, {35, 0, true}}, 25);
    cFlowRun outer;
    cCmdRun outerCmd;
    scene.m_pCurFlowRun = &outer;
    scene.m_pCurCmdRun = &outerCmd;
    run.Start(chara);
    EXPECT_EQ(run.m_bRunning, 0);
    std::vector<int> done;
    for (const cCmdRun& r : run.m_vCmdRuns) done.push_back(r.m_bDone);
    EXPECT_EQ(done, (std::vector<int>{0, 1, 0, 0, 1}));
    // The flow that started it gets its context back.
    EXPECT_EQ(scene.m_pCurFlowRun, &outer);
    EXPECT_EQ(scene.m_pCurCmdRun, &outerCmd);
}

TEST_F(FlowRunTest, CommandSetUpCountsTimeForTheSpawnIndexAndSaturates) {
    g_Stage.SetHitLevel(2);
    cFlowCmd cmd;
    cmd.m_cKind = 1;
    cmd.m_sTime = 20;  // 2.0 s
    cCmdRun c;
    c.Setup(cmd, chara);
    EXPECT_EQ(c.m_nSteps, 240);

    cmd.m_sTimeInc = 5;
    chara.m_sSpawnIndex = 3;
    c.Setup(cmd, chara);
    EXPECT_EQ(c.m_nSteps, (20 + 15) * 12);

    cmd.m_sTime = cmd.m_sTimeInc = 32767;
    chara.m_sSpawnIndex = 32767;
    c.Setup(cmd, chara);
    EXPECT_EQ(c.m_nSteps, INT_MAX);
}

}  // namespace
