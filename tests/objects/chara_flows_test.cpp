// Flows inside a chara: loop expansion, the instances and command animes
// built from a flow list, the events that start flows with their latches
// and groups, and taking flows out again.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "objects/stage_chara.h"
#include "objects/stage_fixture.h"
#include "project/database.h"
#include "project/flow.h"
#include "project/system_data.h"
#include "support/test_support.h"

namespace {

constexpr int kWait = 1;
constexpr int kLoopKind = 39;
constexpr int kItemLoopKind = 24;

// A command of `kind` whose base time doubles as its label in the loop
// cases.
cFlowCmd Cmd(int kind, int tenths, bool parallel = false) {
    cFlowCmd cmd;
    cmd.SetDefault();
    cmd.m_cKind = static_cast<int8_t>(kind);
    cmd.m_sTime = static_cast<int16_t>(tenths);
    cmd.m_cParallel = parallel ? 1 : 0;
    cmd.Normalize();
    return cmd;
}

cFlowCmd Loop(int count, int length, int category = 0) {
    cFlowCmd cmd;
    cmd.SetDefault();
    cmd.m_cCategory = static_cast<int8_t>(category);
    cmd.m_cKind = static_cast<int8_t>(category == 0 ? kLoopKind : kItemLoopKind);
    cmd.Normalize();
    cmd.m_vParam.resize(2);
    cmd.m_vParam[0] = count;
    cmd.m_vParam[1] = length;
    return cmd;
}

// Loop commands as L(count,length), the others by label.
std::string Labels(const cVector<cFlowCmd>& cmds) {
    std::string s;
    for (const cFlowCmd& c : cmds) {
        if (!s.empty()) s += ' ';
        const bool loop = (c.m_cCategory == 0 && c.m_cKind == kLoopKind) || (c.m_cCategory == 1 && c.m_cKind == 24);
        s += loop ? "L" : std::to_string(c.m_sTime);
    }
    return s;
}

cVector<cFlowCmd> List(std::initializer_list<cFlowCmd> cmds) { return cVector<cFlowCmd>(cmds); }
cFlowCmd W(int label) { return Cmd(kWait, label); }

int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(ExpandRepeatCmds, RepeatsBlocksAsTheLoopCommandsSay) {
    struct Case {
        const char* name;
        cVector<cFlowCmd> cmds;
        const char* expanded;
    };
    const std::vector<Case> cases = {
        {"three times two", List({Loop(3, 2), W(1), W(2), W(3)}), "1 2 1 2 1 2 3"},
        {"a loop at the end goes", List({W(1), Loop(3, 2)}), "1"},
        {"nested", List({Loop(2, 3), W(1), Loop(2, 1), W(2), W(3)}), "1 2 2 1 2 2 3"},
        {"counts 0 and 1 keep the block once", List({Loop(0, 1), W(1), Loop(1, 1), W(2)}), "1 2"},
        {"a block past the end is cut", List({W(1), Loop(2, 5), W(2)}), "1 2 2"},
        {"a negative length repeats nothing", List({Loop(3, -1), W(1)}), "1"},
        {"the loop of an item list", List({Loop(2, 1, 1), W(1)}), "1 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cVector<cFlowCmd> all = c.cmds;
        ExpandRepeatCmds(all);
        EXPECT_EQ(Labels(all), c.expanded);
        // One pass at a time comes to the same.
        cVector<cFlowCmd> passes = c.cmds;
        int n = 0;
        while (ExpandRepeatCmdOnce(passes)) ++n;
        EXPECT_EQ(Labels(passes), c.expanded);
        EXPECT_GT(n, 0);
    }
    cVector<cFlowCmd> nested = List({Loop(2, 3), W(1), Loop(2, 1), W(2), W(3)});
    EXPECT_TRUE(ExpandRepeatCmdOnce(nested));
    EXPECT_EQ(Labels(nested), "1 L 2 1 L 2 3");
}

class LoopBoundTest : public objtest::StageTest {};

TEST_F(LoopBoundTest, LoopsThatWouldMakeTooManyCommandsRunTheirBlockOnce) {
    cVector<cFlowCmd> huge = List({Loop(INT_MAX, 1), W(1), W(2)});
    ExpandRepeatCmds(huge);
    EXPECT_EQ(Labels(huge), "1 2");
    // Nested loops that multiply past the bound stop growing at it and
    // finish at once.
    cVector<cFlowCmd> nested = List({Loop(1000, 2), Loop(1000, 1), W(1), W(2)});
    ExpandRepeatCmds(nested);
    EXPECT_LE(nested.Size(), 100000);
    EXPECT_GT(nested.Size(), 50000);
    EXPECT_EQ(Labels(nested).find('L'), std::string::npos);
    // A loop whose block holds a copy of itself would grow for ever.
    cVector<cFlowCmd> endless = List({Loop(2, 2), W(1), Loop(2, 2), W(2)});
    ExpandRepeatCmds(endless);
    EXPECT_LE(endless.Size(), 100000);
    EXPECT_EQ(Labels(endless).find('L'), std::string::npos);
    const std::string report = orvtest::ReadHostFile("Report_Game.txt");
    EXPECT_EQ(CountOf(report, "would make more than 100000 commands: it runs once\n"), 1) << report;
}

// A stage chara with its flows built, and an anime of 12 lead-in frames
// (two frames of 0.2 s, the second the loop point).
class CharaFlowsTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        g_Stage.SetHitLevel(2);
        n = g_Stage.m_nSubSteps;
        g_Database.m_vAnime.resize(2);
        cAnimeFrameData a, b;
        a.m_nChip = 1, a.m_nTime = 2;
        b.m_nChip = 3, b.m_nTime = 2, b.m_nNoInterrupt = 1;
        g_Database.m_vAnime[1].m_vFrame = cVector<cAnimeFrameData>({a, b});
        BuildAnimePatterns(g_AnimePatterns);
        chara.Reset(nullptr, 0, 0, 0);
    }
    static cFlow MakeFlow(int trigger, std::initializer_list<cFlowCmd> cmds, int id = 0, int exclusion = 0) {
        cFlow f;
        f.m_cTrigger = static_cast<int8_t>(trigger);
        f.m_cId = static_cast<int8_t>(id);
        f.m_cGroup = static_cast<int8_t>(exclusion);
        f.m_vCmd = cVector<cFlowCmd>(cmds);
        return f;
    }
    void Build(std::initializer_list<cFlow> flows) {
        chara.m_Def.m_vFlow.clear();
        for (const cFlow& f : flows) chara.m_Def.m_vFlow.push_back(f);
        chara.BuildFlows(chara.m_Def.m_vFlow.Edit(), 0, -1);
    }
    // Conditions that never hold: a list in a mode that no list passes.
    static void Unmet(cFlow& f) {
        f.m_vCond.resize(1);
        f.m_cCondMode = 2;
    }
    cFlowRun& Run(int i) { return chara.m_FlowRuns[static_cast<size_t>(i)]; }
    // Every instance points at its own flow of the chara's list.
    void ExpectLinked() {
        const cVector<cFlow>& flows = chara.m_Def.m_vFlow.Get();
        ASSERT_EQ(chara.m_FlowRuns.Size(), flows.Size());
        for (int i = 0; i < flows.Size(); ++i) {
            const cFlowRun& r = Run(i);
            EXPECT_EQ(r.m_nIndex, i);
            EXPECT_EQ(r.m_pFlow, &flows[static_cast<size_t>(i)]);
            ASSERT_EQ(r.m_vCmdRuns.Size(), flows[static_cast<size_t>(i)].m_vCmd.Size());
            for (int k = 0; k < r.m_vCmdRuns.Size(); ++k)
                EXPECT_EQ(r.m_vCmdRuns[static_cast<size_t>(k)].m_pCmd, &flows[static_cast<size_t>(i)].m_vCmd[k]);
        }
    }
    // A frame of events: the latches open, the event raised.
    void Frame(int kind) {
        chara.ResetEventLatches();
        chara.RaiseEvent(static_cast<int8_t>(kind));
    }

    int n = 1;
    cStageChara chara;
};

TEST_F(CharaFlowsTest, BuildingGivesEachFlowItsInstanceKeyAndCommandLengths) {
    cFlow looped = MakeFlow(0, {Loop(2, 1), Cmd(kWait, 5)});
    looped.m_vKeyCond.resize(2);
    Build({MakeFlow(1, {Cmd(kWait, 3), Cmd(kWait, 0)}), looped});
    ExpectLinked();
    EXPECT_EQ(Labels(chara.m_Def.m_vFlow[1].m_vCmd), "5 5");
    EXPECT_EQ(Run(0).m_nFlowKey, 0);
    EXPECT_EQ(Run(1).m_nFlowKey, 1);
    EXPECT_EQ(Run(0).m_vCmdRuns[0].m_nSteps, 3 * 6 * n);
    EXPECT_EQ(Run(0).m_vCmdRuns[1].m_nSteps, 0);
    ASSERT_EQ(Run(1).m_vKeyConds.Size(), 2);
    EXPECT_EQ(Run(1).m_vKeyConds[1], &chara.m_Def.m_vFlow.Get()[1].m_vKeyCond[1]);

    // Built again, the keys go on counting.
    chara.BuildFlows(chara.m_Def.m_vFlow.Edit(), 0, -1);
    EXPECT_EQ(Run(0).m_nFlowKey, 2);

    // A copy points into its own list.
    cStageChara copy(chara);
    EXPECT_EQ(copy.m_FlowRuns[1].m_pFlow, &copy.m_Def.m_vFlow.Get()[1]);
    EXPECT_NE(copy.m_FlowRuns[1].m_pFlow, Run(1).m_pFlow);
}

TEST_F(CharaFlowsTest, AddedFlowsGoWhereTheRemovedGroupStood) {
    Build({MakeFlow(0, {Cmd(kWait, 9)}, 1), MakeFlow(0, {Cmd(kWait, 9)}, 2), MakeFlow(0, {Cmd(kWait, 9)}, 2),
           MakeFlow(0, {Cmd(kWait, 9)}, 3)});
    Run(3).Start(chara);
    chara.m_OverlayAnimes.emplace_back().flowKey = Run(1).m_nFlowKey;
    chara.m_OverlayAnimes.emplace_back().flowKey = Run(0).m_nFlowKey;

    const int at = chara.RemoveFlows(2);
    EXPECT_EQ(at, 1);
    ASSERT_EQ(chara.m_FlowRuns.Size(), 2);
    ExpectLinked();
    EXPECT_EQ(chara.m_OverlayAnimes.size(), 1u);
    EXPECT_EQ(chara.RemoveFlows(7), -1);

    cVector<cFlow> added;
    added.push_back(MakeFlow(0, {Cmd(kWait, 1)}, 5));
    added.push_back(MakeFlow(0, {Cmd(kWait, 2)}, 5));
    added[1].m_cKeyHold = 1;
    EXPECT_EQ(chara.BuildFlows(added, 1, at), 2);
    ExpectLinked();
    std::vector<int> ids;
    for (const cFlow& f : chara.m_Def.m_vFlow.Get()) ids.push_back(f.m_cId);
    EXPECT_EQ(ids, (std::vector<int>{1, 5, 5, 3}));
    EXPECT_EQ(Run(1).m_nFlowKey, 4);
    // A new flow does not fire on keys already held unless it runs while
    // they are held.
    EXPECT_EQ(Run(1).m_bKeyHeld, 1);
    EXPECT_EQ(Run(2).m_bKeyHeld, 0);
    EXPECT_EQ(Run(3).m_bRunning, 1);

    // Appended past the end; group 0 takes everything.
    chara.BuildFlows(added, 1, 99);
    EXPECT_EQ(chara.m_Def.m_vFlow.Get()[5].m_cId, 5);
    EXPECT_EQ(chara.RemoveFlows(0), 0);
    EXPECT_TRUE(chara.m_FlowRuns.empty());
    EXPECT_TRUE(chara.m_Def.m_vFlow.empty());
    EXPECT_TRUE(chara.m_OverlayAnimes.empty());
}

TEST_F(CharaFlowsTest, CommandAnimesEndTheirLeadInAsTheirCommandBegins) {
    cFlowCmd anime = Cmd(kWait, 10);
    anime.m_sAnime = 1;
    cFlowCmd jump = Cmd(10, 10);
    jump.m_sAnime = 1;
    cFlowCmd moveOwn = Cmd(2, 10);
    moveOwn.m_sAnime = 1;
    MakeEdMove(moveOwn.m_pMove);
    moveOwn.m_pMove->m_cAnime = 2;
    cFlowCmd moveBasic = moveOwn;
    moveBasic.m_pMove->m_cAnime = 0;
    struct Case {
        const char* name;
        cFlow flow;
        std::vector<CMDANIME> animes;  // start in sub-steps / n
    };
    const std::vector<Case> cases = {
        {"commands before it are long enough", MakeFlow(0, {Cmd(kWait, 3), anime}), {{6, 6, 1, 0, 12, 60, 1}}},
        {"a longer lead-in is partly skipped", MakeFlow(0, {Cmd(kWait, 1), anime}), {{0, 0, 1, 6, 6, 60, 1}}},
        {"parallel commands take no time", MakeFlow(0, {Cmd(kWait, 9, true), Cmd(kWait, 1), anime}),
         {{0, 0, 1, 6, 6, 60, 1}}},
        {"first command", MakeFlow(0, {anime, Cmd(kWait, 2, true), anime}),
         {{0, 0, 1, 12, 0, 60, 1}, {48, 48, 1, 0, 12, 60, 1}}},
        // A jump's time comes from its height: 0.1 s for none.
        {"a jump does not hold its loop frame", MakeFlow(0, {Cmd(kWait, 2), jump}), {{0, 0, 1, 0, 12, 6, 0}}},
        {"a movement runs its own anime only when it says so", MakeFlow(0, {Cmd(kWait, 5), moveBasic, moveOwn}),
         {{78, 78, 1, 0, 12, 60, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build({c.flow});
        const cVector<CMDANIME>& got = Run(0).m_vAnimes;
        ASSERT_EQ(got.Size(), static_cast<int>(c.animes.size()));
        for (size_t i = 0; i < c.animes.size(); ++i) {
            const CMDANIME& e = c.animes[i];
            EXPECT_EQ(got[i].start, e.start * n);
            EXPECT_EQ(got[i].start2, e.start2 * n);
            EXPECT_EQ(got[i].anime, e.anime);
            EXPECT_EQ(got[i].skip, e.skip);
            EXPECT_EQ(got[i].leadIn, e.leadIn);
            EXPECT_EQ(got[i].hold, e.hold);
            EXPECT_EQ(got[i].loop, e.loop);
        }
    }
}

TEST_F(CharaFlowsTest, ACommandAnimeStartsOnTimeSkippedAndHoldsItsLoopFrame) {
    cFlowCmd anime = Cmd(kWait, 10);
    anime.m_sAnime = 1;
    Build({MakeFlow(0, {Cmd(kWait, 1), anime}), MakeFlow(0, {Cmd(kWait, 3), anime})});
    Run(0).Start(chara);
    Run(1).Start(chara);
    // At the start only the first flow's anime is due.
    chara.StartFlowAnimes();
    ASSERT_EQ(chara.m_OverlayAnimes.size(), 1u);
    OVERLAYANIME& o = chara.m_OverlayAnimes.front();
    EXPECT_EQ(o.flowKey, Run(0).m_nFlowKey);
    EXPECT_EQ(o.flag, 1);
    EXPECT_EQ(o.leadIn, 6);
    EXPECT_EQ(o.hold, 60);
    // Six of the twelve lead-in frames are skipped; the loop frame shows
    // for its own twelve and the command's sixty less one.
    std::vector<int> shown(4, 0);
    for (int f = o.pattern.Advance(); f != kPatEnd; f = o.pattern.Advance()) ++shown.at(static_cast<size_t>(f));
    EXPECT_EQ(shown, (std::vector<int>{0, 5, 0, 71}));

    // The second is due when its flow has run six frames.
    Run(0).m_nElapsed = 1;
    Run(1).m_nElapsed = 6 * n;
    chara.StartFlowAnimes();
    EXPECT_EQ(chara.m_OverlayAnimes.size(), 2u);
    Run(1).m_bSuspended = 1;
    chara.StartFlowAnimes();
    EXPECT_EQ(chara.m_OverlayAnimes.size(), 2u);

    // Paused: one with nothing left goes, the others wait until resumed.
    chara.m_OverlayAnimes.back().hold = 0;
    chara.m_OverlayAnimes.back().leadIn = 0;
    chara.PauseFlowAnimes(Run(1).m_nFlowKey);
    chara.PauseFlowAnimes(Run(0).m_nFlowKey);
    ASSERT_EQ(chara.m_OverlayAnimes.size(), 1u);
    EXPECT_EQ(chara.m_OverlayAnimes.front().paused, 1);
    chara.ResumeFlowAnimes(Run(0).m_nFlowKey);
    EXPECT_EQ(chara.m_OverlayAnimes.front().paused, 0);
    chara.RemoveOverlayAnime(1);
    EXPECT_TRUE(chara.m_OverlayAnimes.empty());
}

TEST_F(CharaFlowsTest, AnExclusionGroupRunsOneAlwaysFlowAtATime) {
    Build({MakeFlow(0, {Cmd(kWait, 9)}, 0, 2), MakeFlow(0, {Cmd(kWait, 9)}, 0, 2), MakeFlow(0, {Cmd(kWait, 9)})});
    Frame(0);
    EXPECT_EQ(Run(0).m_bRunning, 1);
    EXPECT_EQ(Run(1).m_bRunning, 0);
    EXPECT_EQ(Run(2).m_bRunning, 1);

    // Stopped, it does not start again in the same frame, nor does the
    // other flow of its group until the frame's update has freed it.
    Run(0).Stop(chara);
    chara.RaiseEvent(0);
    EXPECT_EQ(Run(0).m_bRunning, 0);
    EXPECT_EQ(Run(1).m_bRunning, 0);
    Frame(0);
    EXPECT_EQ(Run(0).m_bRunning, 0);
    chara.FinishFlowUpdate();
    EXPECT_EQ(chara.m_GroupBusy[2], 0);
    Frame(0);
    EXPECT_EQ(Run(0).m_bRunning, 1);
    EXPECT_EQ(Run(1).m_bRunning, 0);

    // A removal request takes the flow out at the end of the update.
    Run(2).m_bRemove = 1;
    chara.m_bFlowRemoveReq = 1;
    chara.FinishFlowUpdate();
    EXPECT_EQ(chara.m_FlowRuns.Size(), 2);
    ExpectLinked();
}

TEST_F(CharaFlowsTest, EventsStartOnlyTheirTriggerAndGroupAndKeepTheContext) {
    Build({MakeFlow(6, {Cmd(kWait, 9)}, 1), MakeFlow(6, {Cmd(kWait, 9)}, 2), MakeFlow(7, {Cmd(kWait, 9)}, 2)});
    cFlowRun outerFlow;
    cCmdRun outerCmd;
    cStageChara outer;
    scene.m_pCurChara = &outer;
    scene.m_pCurFlowRun = &outerFlow;
    scene.m_pCurCmdRun = &outerCmd;
    chara.RaiseEvent(6, nullptr, 2);
    EXPECT_EQ(Run(0).m_bRunning, 0);
    EXPECT_EQ(Run(1).m_bRunning, 1);
    EXPECT_EQ(Run(2).m_bRunning, 0);
    EXPECT_EQ(scene.m_pCurChara, &outer);
    EXPECT_EQ(scene.m_pCurFlowRun, &outerFlow);
    EXPECT_EQ(scene.m_pCurCmdRun, &outerCmd);
    chara.RaiseEvent(6);
    EXPECT_EQ(Run(0).m_bRunning, 1);
    EXPECT_EQ(Run(2).m_bRunning, 0);
}

TEST_F(CharaFlowsTest, TheLatchOfAFailedStartFollowsTheCompatibilitySwitches) {
    struct Case {
        int sw744, sw525, sw861;
        int startsLater;  // in the same frame, once its conditions hold
    };
    for (const Case& c : {Case{0, 0, 0, 1}, Case{0, 0, 1, 0}, Case{1, 0, 0, 0}, Case{1, 1, 0, 1}, Case{0, 1, 1, 1}}) {
        SCOPED_TRACE(c.sw744 * 100 + c.sw525 * 10 + c.sw861);
        g_SystemData.Set(kSysSwitch744, c.sw744);
        g_SystemData.Set(kSysSwitch525, c.sw525);
        g_SystemData.Set(kSysSwitch861, c.sw861);
        cFlow f = MakeFlow(1, {Cmd(kWait, 9)});
        Unmet(f);
        Build({f});
        Frame(1);
        EXPECT_EQ(Run(0).m_bRunning, 0);
        chara.m_Def.m_vFlow[0].m_vCond.clear();
        chara.RaiseEvent(1);
        EXPECT_EQ(Run(0).m_bRunning, c.startsLater);
        // Next frame the latch is open again.
        Run(0).Stop(chara);
        Frame(1);
        EXPECT_EQ(Run(0).m_bRunning, 1);
    }
}

TEST_F(CharaFlowsTest, AnEventAboutAnotherCharaTargetsItOnlyWhenTheFlowStarts) {
    cStageChara held, other;
    held.Reset(nullptr, 0, 0, 0);
    other.Reset(nullptr, 0, 0, 0);
    cFlow f = MakeFlow(9, {Cmd(kWait, 9)});
    f.m_cTakeOther = 1;
    f.m_cTargetSlot = 2;
    Unmet(f);
    Build({f});
    chara.SetTarget(2, &held, 1);

    chara.RaiseEvent(9, &other);
    EXPECT_EQ(Run(0).m_bRunning, 0);
    EXPECT_EQ(chara.m_Targets[2], &held);
    EXPECT_EQ(held.m_BackRefs.Size(), 1);
    EXPECT_TRUE(other.m_BackRefs.empty());

    chara.m_Def.m_vFlow[0].m_vCond.clear();
    chara.ResetEventLatches();
    chara.RaiseEvent(9, &other);
    EXPECT_EQ(Run(0).m_bRunning, 1);
    EXPECT_EQ(chara.m_Targets[2], &other);
    EXPECT_TRUE(held.m_BackRefs.empty());
    ASSERT_EQ(other.m_BackRefs.Size(), 1);
    EXPECT_EQ(other.m_BackRefs[0].slot, 2);
    chara.UnlinkAll();
}

}  // namespace
