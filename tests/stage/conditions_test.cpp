// Condition lists: the variable conditions with their operators, the list
// modes, the once latch of every kind of owner and the chara each owner
// judges from.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frontend/play_data.h"
#include "objects/stage_fixture.h"
#include "project/flow.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

constexpr int kCommon = 1, kStage = 2, kCharaVar = 3, kStatus = 4;
constexpr int kEq = 0, kNe = 1, kGe = 2, kLt = 5, kDiv = 6, kNotDiv = 7;

cCondition Var(int kind, int index, int32_t constant, int op) {
    cCondition c;
    c.m_cKind = static_cast<int8_t>(kind);
    c.m_sVarIndex = static_cast<int16_t>(index);
    c.m_nValue = constant;
    c.m_cOperator = static_cast<int8_t>(op);
    return c;
}

// Stage variable 1 equal to `value`.
cCondition StageVarIs(int32_t value) { return Var(kStage, 1, value, kEq); }
// A condition that reports its bad variable number when it is evaluated.
cCondition Unreachable() { return Var(kStage, 30000, 0, kEq); }

class ConditionsTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        scene.m_vStageVars.assign(1000, 0);
        g_Heroes.resize(1);
        g_Heroes[0].m_Vars.assign(kCharaVars, 0);
        chara.m_Vars.assign(kCharaVars, 0);
    }
    static std::string Report() { return orvtest::ReadHostFile("Report_Game.txt"); }
    static bool Reported() { return Report().find("err V[") != std::string::npos; }

    cStageChara chara;
};

}  // namespace

TEST_F(ConditionsTest, VariablesAreComparedWithTheConstantByEveryOperator) {
    struct Case {
        int32_t variable, constant;
        int op;
        bool holds;
    } cases[] = {
        {5, 5, kEq, true},        {5, 6, kNe, true},         {6, 5, kGe, true},
        {5, 6, kLt, true},        {6, 5, kLt, false},        {-6, 3, kDiv, true},
        {7, 0, kDiv, true},       {7, 0, kNotDiv, false},    {7, 3, kNotDiv, true},
        {INT_MIN, -1, kDiv, true}, {INT_MIN, 3, kNotDiv, true}, {INT_MIN, 0, kNotDiv, false},
        {5, 5, 8, false},
    };
    // The same table through each store: common, stage and chara variables.
    for (int kind : {kCommon, kStage, kCharaVar}) {
        for (const Case& c : cases) {
            g_PlayData.m_vVar.At(3) = scene.m_vStageVars.At(3) = chara.m_Vars.At(3) = 0;
            int32_t& slot = kind == kCommon ? g_PlayData.m_vVar.At(3)
                            : kind == kStage ? scene.m_vStageVars.At(3)
                                             : chara.m_Vars.At(3);
            slot = c.variable;
            EXPECT_EQ(scene.EvalCondition(Var(kind, 3, c.constant, c.op), &chara), c.holds ? 1 : 0)
                << "kind " << kind << ": " << c.variable << " op " << c.op << " " << c.constant;
        }
    }
    EXPECT_FALSE(Reported());
}

TEST_F(ConditionsTest, KindsWithoutAnAnswerAreFalse) {
    chara.m_Vars.At(0) = 0;
    // Kind 3 and the chara kinds need a chara; kind 4 is not judged yet.
    for (int kind : {kCharaVar, 5, 6, 7}) {
        cCondition c = Var(kind, 0, 0, kEq);
        EXPECT_EQ(scene.EvalCondition(c, nullptr), 0) << kind;
    }
    for (int kind : {0, kStatus, 8, -1}) EXPECT_EQ(scene.EvalCondition(Var(kind, 0, 0, kEq), &chara), 0) << kind;
}

TEST_F(ConditionsTest, AVariableNumberOutsideTheStoreIsReportedAndReadsTheFirst) {
    scene.m_vStageVars.At(0) = 9;
    EXPECT_EQ(scene.EvalCondition(Var(kStage, 1000, 9, kEq), &chara), 1);
    EXPECT_NE(Report().find("err V[1000] ( 1000 ,"), std::string::npos) << Report();
}

TEST_F(ConditionsTest, ListModes) {
    scene.m_vStageVars.At(1) = 1;
    const cVector<cCondition> none;
    const cVector<cCondition> both = {StageVarIs(1), Var(kStage, 1, 0, kGe)};
    const cVector<cCondition> mixed = {StageVarIs(1), StageVarIs(2)};
    // Evaluation stops at the deciding condition: the one after it would
    // report its bad variable number.
    const cVector<cCondition> falseFirst = {StageVarIs(2), Unreachable()};
    const cVector<cCondition> trueFirst = {StageVarIs(1), Unreachable()};
    struct Case {
        const char* what;
        const cVector<cCondition>* list;
        int mode, holds;
    } cases[] = {
        {"all of none", &none, 0, 1},          {"one of none", &none, 1, 0},
        {"mode 2, none", &none, 2, 0},         {"all of two true", &both, 0, 1},
        {"mode 2, all true", &both, 2, 0},     {"all of mixed", &mixed, 0, 0},
        {"one of mixed", &mixed, 1, 1},        {"all stops at a false one", &falseFirst, 0, 0},
        {"one stops at a true one", &trueFirst, 1, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(scene.EvalConditionList(*c.list, c.mode, &chara), c.holds) << c.what;
    EXPECT_FALSE(Reported()) << Report();
}

// One owner of each kind behind one interface: its list and switches, its
// latch and its check.
struct Owner {
    const char* what;
    cVector<cCondition>* list;
    int8_t* mode;
    int8_t* once;
    std::function<int()> latch;
    std::function<int()> check;
};

TEST_F(ConditionsTest, EveryOwnerHoldsAnEmptyListAndLatchesAListThatHeld) {
    cItem item;
    cFlow flow;
    cFlowRun run;
    run.m_pFlow = &flow;
    cMapCell& cell = Cell(12, 12);
    cPltBlock plain;  // no latch of its own
    const Owner owners[] = {
        {"chara", &chara.m_Def.m_vCond, &chara.m_Def.m_cCondMode, &chara.m_Def.m_cKeepMet,
         [&] { return int{chara.m_bAppeared}; }, [&] { return scene.CheckCharaConditions(chara); }},
        {"item", &item.m_Def.m_vCond, &item.m_Def.m_cCondMode, &item.m_Def.m_cKeepMet,
         [&] { return int{item.m_bAppeared}; }, [&] { return scene.CheckItemConditions(item); }},
        {"flow", &flow.m_vCond, &flow.m_cCondMode, &flow.m_cKeepMet, [&] { return int{run.m_cCondLatch}; },
         [&] { return scene.CheckFlowConditions(run, chara); }},
        {"map cell", &cell.m_vCond, &cell.m_cCondMode, &cell.m_cKeepMet, [&] { return cell.m_nMet; },
         [&] { return scene.CheckBlockConditions(cell); }},
        {"plain block", &plain.m_vCond, &plain.m_cCondMode, &plain.m_cKeepMet, [] { return 0; },
         [&] { return scene.CheckBlockConditions(plain); }},
    };
    for (const Owner& o : owners) {
        SCOPED_TRACE(o.what);
        // An empty list holds whatever its mode, and sets no latch.
        o.list->clear();
        for (int8_t mode : {0, 1, 2}) {
            *o.mode = mode;
            EXPECT_EQ(o.check(), 1) << "mode " << int{mode};
        }
        EXPECT_EQ(o.latch(), 0);

        *o.list = {StageVarIs(1)};
        *o.mode = 0;
        for (int8_t once : {0, 1}) {
            *o.once = once;
            scene.m_vStageVars.At(1) = 0;
            EXPECT_EQ(o.check(), 0) << "once " << int{once};
        }
        // Held once: the latch is set whatever the switch says...
        *o.once = 0;
        scene.m_vStageVars.At(1) = 1;
        EXPECT_EQ(o.check(), 1);
        const bool hasLatch = std::string(o.what) != "plain block";
        EXPECT_EQ(o.latch(), hasLatch ? 1 : 0);
        // ...but only the once switch makes it count after the variable
        // changed back.
        scene.m_vStageVars.At(1) = 0;
        EXPECT_EQ(o.check(), 0);
        *o.once = 1;
        EXPECT_EQ(o.check(), hasLatch ? 1 : 0);
    }
}

TEST_F(ConditionsTest, TheLatchOfAMapCellWorksThroughItsHitKind) {
    cMapCell& cell = Cell(12, 12);
    cell.m_cHit = 1;
    cell.m_ucPassClass = 255;
    cell.m_vCond = {StageVarIs(1)};
    cell.m_cKeepMet = 1;
    cPltBlock& asBlock = cell;  // as the feet of a chara see it
    EXPECT_EQ(asBlock.GetHitKind(0), 0);
    scene.m_vStageVars.At(1) = 1;
    EXPECT_EQ(asBlock.GetHitKind(0), 1);
    scene.m_vStageVars.At(1) = 0;
    EXPECT_EQ(asBlock.GetHitKind(0), 1);
    // Filling the cell again starts the latch afresh.
    const cPltBlock copy = cell;
    cell = copy;
    EXPECT_EQ(asBlock.GetHitKind(0), 0);
}

TEST_F(ConditionsTest, ACharaJudgesFromItselfBlocksAndItemsFromTheHero) {
    g_Heroes[0].m_Vars.At(0) = 7;
    chara.m_Vars.At(0) = 3;
    const cCondition isSeven = Var(kCharaVar, 0, 7, kEq);
    cItem item;
    item.m_Def.m_vCond = {isSeven};
    cPltBlock block;
    block.m_vCond = {isSeven};
    chara.m_Def.m_vCond = {isSeven};
    cFlow flow;
    flow.m_vCond = {isSeven};
    cFlowRun run;
    run.m_pFlow = &flow;
    EXPECT_EQ(scene.CheckItemConditions(item), 1);
    EXPECT_EQ(scene.CheckBlockConditions(block), 1);
    EXPECT_EQ(scene.CheckCharaConditions(chara), 0);
    EXPECT_EQ(scene.CheckFlowConditions(run, chara), 0);
    EXPECT_EQ(scene.CheckFlowConditions(run, g_Heroes[0]), 1);
    // Without a hero a chara-variable condition of an item has no chara.
    g_Heroes.clear();
    EXPECT_EQ(scene.CheckItemConditions(item), 0);
}

// A map cell is there while its conditions hold; once they held, its
// latch keeps it there when the once switch is on.
TEST_F(ConditionsTest, AMapCellIsPresentByItsConditionsAndItsLatch) {
    struct Case {
        int conds, mode, keep, latch;
        std::vector<bool> holds;  // per condition
        bool present;
        int latchAfter;
    } cases[] = {
        {0, 0, 0, 0, {}, true, 0},
        {2, 0, 0, 0, {true, true}, true, 1},
        {2, 0, 0, 0, {true, false}, false, 0},
        {2, 1, 0, 0, {false, true}, true, 1},
        {2, 1, 0, 0, {false, false}, false, 0},
        {2, 5, 0, 0, {true, true}, false, 0},   // an unknown mode is never met
        {2, 0, 1, 1, {false, false}, true, 1},  // kept once met
        {2, 0, 0, 1, {false, false}, false, 1}, // the latch alone keeps nothing
    };
    scene.m_vStageVars.At(1) = 7;
    for (const Case& c : cases) {
        cMapCell& cell = Cell(12, 12);
        cell.m_vCond.clear();
        for (int i = 0; i < c.conds; ++i) cell.m_vCond.push_back(StageVarIs(c.holds[static_cast<size_t>(i)] ? 7 : 8));
        cell.m_cCondMode = static_cast<int8_t>(c.mode);
        cell.m_cKeepMet = static_cast<int8_t>(c.keep);
        cell.m_nMet = c.latch;
        EXPECT_EQ(scene.CheckBlockConditions(cell), c.present ? 1 : 0)
            << c.conds << " " << c.mode << " " << c.keep << " " << c.latch;
        EXPECT_EQ(cell.m_nMet, c.latchAfter);
    }
}
