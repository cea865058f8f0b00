// Key sequences of flows: the cursor through the key histories, one entry
// at the cursor, whole sequences, and the key part of a flow's start test.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <deque>
#include <string>
#include <vector>

#include "app/input_state.h"
#include "objects/chara.h"
#include "objects/chara_keys.h"
#include "objects/stage_fixture.h"
#include "project/condition.h"
#include "project/flow.h"
#include "project/system_data.h"

namespace {

// Key numbers: direction sequences, then button sequences.
constexpr int kL = 1, kR = 2, kU = 3, kD = 4, kUL = 5, kDL = 6, kUR = 7, kDR = 8;
constexpr int kB1 = 11, kB2 = 12, kB3 = 13;

// Input words for some frames: direction word, button word.
struct Hold {
    int16_t dir;
    int16_t buttons;
    int frames;
};
constexpr int16_t kNone = 0;
constexpr int16_t kDownRight = kDirDown | kDirRight;
constexpr int16_t kDownLeft = kDirDown | kDirLeft;
constexpr int16_t kUpLeft = kDirUp | kDirLeft;
constexpr int16_t kButton1 = 1, kButton2 = 2;

// Frames played into an input state, oldest first, as the play step records
// them.
void Play(cInputState& input, const std::vector<Hold>& holds) {
    for (const Hold& h : holds) {
        for (int f = 0; f < h.frames; ++f) {
            input.m_sDir = h.dir;
            input.m_sButton = h.buttons;
            input.UpdateSequences();
        }
    }
}

// A key entry: {key, 1 down / 2 up} pairs; any hold time unless a window
// is given.
struct Need {
    int key;
    int need;
};
struct EntryShape {
    std::vector<Need> needs;
    int mode = 0;
    int minHold = -1;  // -1: any positive hold
    int maxHold = 0;
    int relative = 0;
};

cKeyCond MakeEntry(const EntryShape& shape) {
    cKeyCond key;
    key.SetDefault();
    for (const Need& n : shape.needs) key.m_vKey.At(n.key) = static_cast<int8_t>(n.need);
    key.m_cMode = static_cast<int8_t>(shape.mode);
    key.m_cAnyHold = shape.minHold < 0 ? 1 : 0;
    key.m_sHoldMin = static_cast<int16_t>(shape.minHold < 0 ? 0 : shape.minHold);
    key.m_sHoldMax = static_cast<int16_t>(shape.maxHold);
    key.m_cRelative = static_cast<int8_t>(shape.relative);
    return key;
}

class FlowKeys : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        g_Heroes.resize(1);
        g_Heroes[0].m_pInput = &input;
        for (cChara* c : {&owner, &current}) {
            c->m_GroupBusy.assign(kFlowGroupFlags, 0);
            c->m_GroupEnded.assign(kFlowGroupFlags, 0);
            c->m_bRight = 1;
        }
        flow.m_cKeyStep = 0;
        run.m_pFlow = &flow;
    }

    // The run's key entries, kept where the run's pointers stay valid.
    void SetEntries(const std::vector<EntryShape>& shapes) {
        entries.clear();
        run.m_vKeyConds.clear();
        for (const EntryShape& s : shapes) entries.push_back(MakeEntry(s));
        for (const cKeyCond& e : entries) run.m_vKeyConds.push_back(&e);
    }
    bool Match(const cInputState& in, int tolerance, int facingRight = 1) {
        return MatchKeySequence(run, run.m_vKeyConds, tolerance, &in, facingRight);
    }

    cInputState input;
    cChara owner, current;
    cFlow flow;
    cFlowRun run;
    std::deque<cKeyCond> entries;
};

// ---- the cursor ----

TEST_F(FlowKeys, CursorShiftsBackAndForwardAcrossRuns) {
    // Button 1 (key 11): down 3 now, up 5 before, down 2 before that, and
    // runs of no length beyond.
    input.m_ButtonSeq[1] = KeySequence(cInputState::kSequenceLength, KeyEdge{0, 0});
    input.m_ButtonSeq[1][0] = {1, 3};
    input.m_ButtonSeq[1][1] = {0, 5};
    input.m_ButtonSeq[1][2] = {1, 2};

    struct Case {
        std::vector<int64_t> shifts;
        int k;
        int64_t l;
    };
    const Case cases[] = {
        {{}, 0, 3},
        {{0}, 0, 3},
        {{-2}, 0, 1},
        // Exactly at a change the key was in the older run's state, for
        // all of it.
        {{-3}, 1, 5},
        {{-4}, 1, 4},
        {{-8}, 2, 2},
        // The change into a run of no length steps over it once.
        {{-10}, 3, 0},
        // Past the oldest run the cursor stays at run 31.
        {{-100}, 31, -90},
        {{-4, 1}, 1, 5},
        // Forward into a newer run takes off the length of the run entered.
        {{-4, 2}, 0, 3},
        {{-2, 2}, 0, 3},
        // Past the present the cursor stays in the current run.
        {{5}, 0, 8},
    };
    for (const Case& c : cases) {
        KeyCursor cursor = MakeKeyCursor(&input);
        for (int64_t a : c.shifts) ShiftKeyCursor(cursor, a);
        const size_t n = static_cast<size_t>(&c - cases);
        EXPECT_EQ(cursor.k[kB1], c.k) << "case " << n;
        EXPECT_EQ(cursor.l[kB1], c.l) << "case " << n;
    }

    // Every key moves together.
    Play(input, {{kDirLeft, kNone, 4}});
    KeyCursor cursor = MakeKeyCursor(&input);
    ShiftKeyCursor(cursor, -2);
    EXPECT_EQ(cursor.k[kL], 0);
    EXPECT_EQ(cursor.l[kL], 2);
    EXPECT_EQ(cursor.k[kR], 0);
    EXPECT_EQ(cursor.l[kR], 2);
}

TEST_F(FlowKeys, DamagedHistoriesNeverReadOutside) {
    // No direction sequences, two button sequences, the second of two runs:
    // button 1 up 3 frames, then down 2.
    input.m_DirSeq.clear();
    input.m_ButtonSeq.assign(2, KeySequence{});
    input.m_ButtonSeq[1] = {{1, 2}, {0, 3}};

    SetEntries({{{{kB1, 2}}}, {{{kB1, 1}}}});
    EXPECT_TRUE(Match(input, 0));
    SetEntries({{{{kD, 2}}}, {{{kB1, 1}}}});
    EXPECT_FALSE(Match(input, 0));
    SetEntries({{{{kB1, 1}}}, {{{kB1, 1}}}});
    EXPECT_FALSE(Match(input, 100));

    KeyCursor cursor = MakeKeyCursor(&input);
    ShiftKeyCursor(cursor, -1000);
    EXPECT_EQ(cursor.k[kB1], cInputState::kSequenceLength - 1);
    EXPECT_EQ(cursor.k[kD], cInputState::kSequenceLength - 1);
    EXPECT_EQ(GetKeyRun(&input, kB1, 5).m_nRun, 0);
    EXPECT_EQ(GetKeyRun(&input, kSeqKeys, 0).m_nRun, 0);
    EXPECT_EQ(GetKeyRun(nullptr, kB1, 0).m_nRun, 0);

    // Runs at their longest: the sums stay exact and bounded.
    input.m_ButtonSeq[1].assign(cInputState::kSequenceLength, KeyEdge{0, INT32_MAX});
    for (size_t k = 0; k < input.m_ButtonSeq[1].size(); k += 2) input.m_ButtonSeq[1][k].m_nState = 1;
    SetEntries({{{{kB1, 1}}}, {{{kB1, 1}}}, {{{kB1, 1}}, 1}, {{{kB1, 1}}}});
    g_SystemData.Set(kSysSwitch669, 0);
    EXPECT_FALSE(Match(input, 127));
    cursor = MakeKeyCursor(&input);
    ShiftKeyCursor(cursor, INT64_MIN);
    ShiftKeyCursor(cursor, INT64_MIN);
    EXPECT_EQ(cursor.k[kB1], cInputState::kSequenceLength - 1);
    ShiftKeyCursor(cursor, INT64_MAX);
    ShiftKeyCursor(cursor, INT64_MAX);
    EXPECT_EQ(cursor.k[kB1], 0);
}

// ---- one entry ----

TEST_F(FlowKeys, EntryModesChooseTheMeasuredHold) {
    // Button 2 down 8 frames, button 1 down 5, button 3 up 10.
    Play(input, {{kNone, kNone, 2}, {kNone, kButton2, 3}, {kNone, kButton1 | kButton2, 5}});
    struct Case {
        EntryShape entry;
        bool result;
        int64_t measured;
    };
    const Case cases[] = {
        {{{{kB1, 1}, {kB2, 1}}, 0}, true, 5},
        {{{{kB1, 1}, {kB2, 1}}, 1}, true, 8},
        {{{{kB1, 1}, {kB2, 1}}, 2}, false, 8},
        {{{{kB1, 1}, {kB3, 1}}, 0}, false, 5},
        {{{{kB1, 1}, {kB3, 1}}, 2}, true, 5},
        {{{{kB3, 1}, {kB2, 1}}, 1}, true, 8},
        {{{{kB3, 1}}, 1}, false, 0},
        {{{{kB3, 2}, {kB1, 1}}, 0}, true, 5},
        {{{{kB3, 1}}, 5}, true, 0},
        {{{}, 0}, true, 0},
        // A requirement other than down or up is never met.
        {{{{kB1, 3}}, 0}, false, 0},
        // Hold windows at the tested moment.
        {{{{kB1, 1}}, 0, 5, 5}, true, 5},
        {{{{kB1, 1}}, 0, 6, 9}, false, 0},
        {{{{kB2, 1}}, 0, 2, 7}, false, 0},
    };
    const KeyCursor cursor = MakeKeyCursor(&input);
    for (const Case& c : cases) {
        const cKeyCond entry = MakeEntry(c.entry);
        int64_t measured = -1;
        const size_t n = static_cast<size_t>(&c - cases);
        EXPECT_EQ(MatchKeyEntry(entry, cursor, measured, 1), c.result) << "case " << n;
        EXPECT_EQ(measured, c.measured) << "case " << n;
    }

    // A key list cut short reads only the keys it has.
    cKeyCond shortEntry = MakeEntry({{{kB2, 1}}});
    shortEntry.m_vKey.resize(3);
    shortEntry.m_vKey.At(1) = 2;
    int64_t measured = 0;
    EXPECT_TRUE(MatchKeyEntry(shortEntry, cursor, measured, 1));
    EXPECT_EQ(measured, 10);
}

TEST_F(FlowKeys, FacingLeftMirrorsSidewaysKeysOnly) {
    struct Case {
        int16_t dir;  // held now
        int key;      // required down
        int relative;
        int facingRight;
        bool expected;
    };
    const Case cases[] = {
        {kDirLeft, kR, 1, 0, true},
        {kDirLeft, kR, 1, 1, false},
        {kDirLeft, kR, 0, 0, false},
        {kDirRight, kL, 1, 0, true},
        {kDirLeft, kL, 1, 0, false},
        {kUpLeft, kUR, 1, 0, true},
        {kDirUp | kDirRight, kUL, 1, 0, true},
        {kDownLeft, kDR, 1, 0, true},
        {kDownRight, kDL, 1, 0, true},
        {kDirUp, kU, 1, 0, true},
        {kDirDown, kD, 1, 0, true},
        {kDirUp, kD, 1, 0, false},
        // Buttons are never mirrored.
        {kNone, 10, 1, 0, true},
    };
    for (const Case& c : cases) {
        cInputState in;
        Play(in, {{c.dir, kNone, 3}});
        const cKeyCond entry = MakeEntry({.needs = {{c.key, 1}}, .relative = c.relative});
        int64_t measured = 0;
        EXPECT_EQ(MatchKeyEntry(entry, MakeKeyCursor(&in), measured, c.facingRight), c.expected)
            << "case " << (&c - cases);
    }
}

// ---- whole sequences ----

TEST_F(FlowKeys, SequencesMatchBackwardsInTime) {
    struct Case {
        const char* name;
        std::vector<Hold> play;
        std::vector<EntryShape> entries;
        int tolerance;
        bool expected;
        int facingRight = 1;
        int switch669 = 0;
    };
    const EntryShape down{{{kD, 1}}}, right{{{kR, 1}}}, downRight{{{kDR, 1}}};
    const EntryShape relDown{{{kD, 1}}, 0, -1, 0, 1}, relDownRight{{{kDR, 1}}, 0, -1, 0, 1};
    const EntryShape relRight{{{kR, 1}}, 0, -1, 0, 1};
    const EntryShape b1{{{kB1, 1}}}, b2{{{kB2, 1}}};
    const Case cases[] = {
        // One entry is a timed key condition at the present.
        {"held 4 in 3..5", {{kNone, kNone, 9}, {kNone, kButton1, 4}}, {{{{kB1, 1}}, 0, 3, 5}}, 0, true},
        {"held 6 in 3..5", {{kNone, kNone, 9}, {kNone, kButton1, 6}}, {{{{kB1, 1}}, 0, 3, 5}}, 0, false},
        {"released", {{kNone, kButton1, 4}, {kNone, kNone, 1}}, {b1}, 3, false},
        // Tolerance: frames between the end of one step and the next.
        {"gap 0, t 0", {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kDirRight, kNone, 2}}, {down, right}, 0, true},
        {"gap 1, t 0", {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kNone, kNone, 1}, {kDirRight, kNone, 2}},
         {down, right}, 0, false},
        {"gap 1, t -1", {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kNone, kNone, 1}, {kDirRight, kNone, 2}},
         {down, right}, -1, false},
        {"gap 1, t 1", {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kNone, kNone, 1}, {kDirRight, kNone, 2}},
         {down, right}, 1, true},
        {"gap 2, t 1", {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kNone, kNone, 2}, {kDirRight, kNone, 2}},
         {down, right}, 1, false},
        {"gap 2, t 2", {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kNone, kNone, 2}, {kDirRight, kNone, 2}},
         {down, right}, 2, true},
        {"wrong order", {{kNone, kNone, 10}, {kDirRight, kNone, 3}, {kDirDown, kNone, 2}}, {down, right}, 3, false},
        // The earlier step's hold window is tested where it ended.
        {"earlier held 3 in 2..4", {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kDirRight, kNone, 2}},
         {{{{kD, 1}}, 0, 2, 4}, right}, 0, true},
        {"earlier held 6 in 2..4", {{kNone, kNone, 10}, {kDirDown, kNone, 6}, {kDirRight, kNone, 2}},
         {{{{kD, 1}}, 0, 2, 4}, right}, 0, false},
        // Three steps, and the same motion done facing left.
        {"down, down-right, right",
         {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kDownRight, kNone, 2}, {kDirRight, kNone, 2}},
         {down, downRight, right}, 0, true},
        {"mirrored, facing left",
         {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kDownLeft, kNone, 2}, {kDirLeft, kNone, 2}},
         {relDown, relDownRight, relRight}, 0, true, 0},
        {"mirrored, facing right",
         {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kDownLeft, kNone, 2}, {kDirLeft, kNone, 2}},
         {relDown, relDownRight, relRight}, 0, false, 1},
        {"not relative, facing left",
         {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kDownLeft, kNone, 2}, {kDirLeft, kNone, 2}},
         {down, downRight, right}, 0, false, 0},
        // The measured hold of the later step says where the earlier one
        // ended: both buttons (mode 0) began 2 frames ago, either of them
        // (mode 1) 5 frames ago.
        {"shortest hold",
         {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kNone, kButton2, 3}, {kNone, kButton1 | kButton2, 2}},
         {down, {{{kB1, 1}, {kB2, 1}}, 0}}, 0, false},
        {"longest hold",
         {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kNone, kButton2, 3}, {kNone, kButton1 | kButton2, 2}},
         {down, {{{kB1, 1}, {kB2, 1}}, 1}}, 0, true},
        // Two buttons pressed together: one frame into the second step the
        // first one holds, but so does the second.
        {"together, distinct steps", {{kNone, kNone, 10}, {kNone, kButton1 | kButton2, 3}}, {b1, b2}, 3, false},
        {"together, old rule", {{kNone, kNone, 10}, {kNone, kButton1 | kButton2, 3}}, {b1, b2}, 3, true, 1, 1},
        {"together, old rule, t 0", {{kNone, kNone, 10}, {kNone, kButton1 | kButton2, 3}}, {b1, b2}, 0, false, 1, 1},
        {"one after the other", {{kNone, kNone, 10}, {kNone, kButton1, 2}, {kNone, kButton2, 3}}, {b1, b2}, 0, true},
    };
    for (const Case& c : cases) {
        cInputState in;
        Play(in, c.play);
        SetEntries(c.entries);
        g_SystemData.Set(kSysSwitch669, c.switch669);
        EXPECT_EQ(Match(in, c.tolerance, c.facingRight), c.expected) << c.name;
    }

    SetEntries({});
    EXPECT_FALSE(Match(input, 3));
    SetEntries({b1});
    EXPECT_FALSE(MatchKeySequence(run, run.m_vKeyConds, 3, nullptr, 1));
}

TEST_F(FlowKeys, ContinuousFlowThatMatchedNeedsOnlyTheLastStep) {
    // Right held, down never pressed.
    Play(input, {{kNone, kNone, 10}, {kDirRight, kNone, 4}});
    SetEntries({{{{kD, 1}}}, {{{kR, 1}}}});
    struct Case {
        int continuous;
        int matched;
        bool expected;
    };
    for (const Case& c : {Case{1, 1, true}, Case{1, 0, false}, Case{0, 1, false}}) {
        flow.m_cKeyHold = static_cast<int8_t>(c.continuous);
        run.m_bKeyMatched = c.matched;
        EXPECT_EQ(Match(input, 3), c.expected) << c.continuous << c.matched;
    }
    // Even a matched continuous flow needs the last step now.
    flow.m_cKeyHold = 1;
    run.m_bKeyMatched = 1;
    Play(input, {{kNone, kNone, 1}});
    EXPECT_FALSE(Match(input, 3));
}

// ---- the start test of a flow ----

TEST_F(FlowKeys, StartTestNeedsTheHerosInput) {
    scene.m_pCurChara = &owner;
    EXPECT_TRUE(owner.EvalFlowKeys(run));

    Play(input, {{kNone, kButton1, 2}});
    SetEntries({{{{kB1, 1}}}});
    g_Heroes[0].m_pInput = nullptr;
    EXPECT_FALSE(owner.EvalFlowKeys(run));
    g_Heroes.clear();
    EXPECT_FALSE(owner.EvalFlowKeys(run));
}

TEST_F(FlowKeys, FacingComesFromTheCharaRaisingTheEvent) {
    Play(input, {{kDirLeft, kNone, 2}});
    SetEntries({{.needs = {{kR, 1}}, .relative = 1}});
    flow.m_cKeyHold = 1;
    owner.m_bRight = 1;
    current.m_bRight = 0;
    scene.m_pCurChara = &current;
    EXPECT_TRUE(owner.EvalFlowKeys(run));
    scene.m_pCurChara = nullptr;
    EXPECT_FALSE(owner.EvalFlowKeys(run));
    owner.m_bRight = 0;
    EXPECT_TRUE(owner.EvalFlowKeys(run));
}

TEST_F(FlowKeys, EdgeTriggeredFlowFiresOncePerInput) {
    scene.m_pCurChara = &current;
    flow.m_cTrigger = 0;
    flow.m_cGroup = 3;
    SetEntries({{{{kD, 1}}}, {{{kR, 1}}}});

    Play(input, {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kDirRight, kNone, 1}});
    EXPECT_TRUE(owner.EvalFlowKeys(run));
    EXPECT_EQ(run.m_bKeyHeld, 1);
    EXPECT_EQ(run.m_bKeyMatched, 0);
    EXPECT_EQ(current.m_GroupBusy[3], 0);

    // Still held: no second start, and the group stays out for this frame.
    Play(input, {{kDirRight, kNone, 1}});
    EXPECT_FALSE(owner.EvalFlowKeys(run));
    EXPECT_EQ(current.m_GroupBusy[3], 1);
    EXPECT_EQ(owner.m_GroupEnded[3], 1);
    EXPECT_EQ(owner.m_bGroupChanged, 1);
    EXPECT_EQ(owner.m_GroupBusy[3], 0);
    EXPECT_EQ(current.m_GroupEnded[3], 0);

    Play(input, {{kNone, kNone, 1}});
    EXPECT_FALSE(owner.EvalFlowKeys(run));
    EXPECT_EQ(run.m_bKeyHeld, 0);

    Play(input, {{kDirDown, kNone, 2}, {kDirRight, kNone, 1}});
    EXPECT_TRUE(owner.EvalFlowKeys(run));

    // Held flows of another trigger, without a group or with a group no
    // chara has leave the flags alone.
    struct Case {
        int8_t trigger;
        int8_t group;
    };
    for (const Case& c : {Case{5, 3}, Case{0, 0}, Case{0, 27}, Case{0, -1}}) {
        current.m_GroupBusy.assign(kFlowGroupFlags, 0);
        owner.m_GroupEnded.assign(kFlowGroupFlags, 0);
        owner.m_bGroupChanged = 0;
        flow.m_cTrigger = c.trigger;
        flow.m_cGroup = c.group;
        run.m_bKeyHeld = 1;
        EXPECT_FALSE(owner.EvalFlowKeys(run)) << int{c.trigger} << " " << int{c.group};
        EXPECT_EQ(std::count(current.m_GroupBusy.begin(), current.m_GroupBusy.end(), 1), 0);
        EXPECT_EQ(owner.m_bGroupChanged, 0);
    }
    // A chara whose flags were never laid out, as its own current chara.
    cChara bare;
    scene.m_pCurChara = nullptr;
    flow.m_cGroup = 3;
    run.m_bKeyHeld = 1;
    EXPECT_FALSE(bare.EvalFlowKeys(run));
    EXPECT_EQ(bare.m_bGroupChanged, 0);
}

TEST_F(FlowKeys, ContinuousFlowKeepsPassingWhileTheLastStepHolds) {
    scene.m_pCurChara = &owner;
    flow.m_cKeyHold = 1;
    // Down, then right or button 1; the longer of the two is measured.
    SetEntries({{{{kD, 1}}}, {{{kR, 1}, {kB1, 1}}, 1}});

    Play(input, {{kNone, kNone, 10}, {kDirDown, kNone, 3}, {kDirRight, kNone, 1}});
    EXPECT_TRUE(owner.EvalFlowKeys(run));
    EXPECT_EQ(run.m_bKeyMatched, 1);
    Play(input, {{kDirRight, kButton1, 2}});
    EXPECT_TRUE(owner.EvalFlowKeys(run));
    EXPECT_EQ(run.m_bKeyHeld, 0);

    // Right let go: button 1 alone began after down had ended, so only the
    // earlier match keeps the flow passing.
    Play(input, {{kNone, kButton1, 2}});
    EXPECT_TRUE(owner.EvalFlowKeys(run));
    cFlowRun fresh = run;
    fresh.m_bKeyMatched = 0;
    EXPECT_FALSE(owner.EvalFlowKeys(fresh));

    Play(input, {{kNone, kNone, 1}});
    EXPECT_FALSE(owner.EvalFlowKeys(run));
    EXPECT_EQ(run.m_bKeyMatched, 0);
    Play(input, {{kDirRight, kNone, 1}});
    EXPECT_FALSE(owner.EvalFlowKeys(run));
}

}  // namespace
