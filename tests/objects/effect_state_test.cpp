#include "frontend/program_objects.h"
#include "objects/effect_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/report_log.h"
#include "core/shell_link.h"
#include "platform/messages.h"
#include "project/database.h"
#include "support/logged_test.h"
#include "support/test_support.h"

namespace {

constexpr double kSixth = 1.0 / 6.0;

// Fills g_Database's effect lists and leaves them at their defaults
// afterwards, since the database is program-wide.
class EffectStateTest : public orvtest::LoggedTest {
protected:
    void TearDown() override {
        LoggedTest::TearDown();
        ResetProgramObjects();
    }
    template <class R>
    static R Effect(int32_t kind, std::initializer_list<int32_t> params) {
        R r;
        r.m_nKind = kind;
        int i = 0;
        for (int32_t v : params) r.m_nParam[i++] = v;
        return r;
    }
    // Entry 0 stays "none"; entry 1 is the effect under test.
    static void SetChara(const cCharaEffectData& fx) {
        g_Database.m_vCharaEffect = {cCharaEffectData(), fx};
        g_Database.m_vCharaEffect.At(0).m_nKind = 0;
    }
    static void SetScreen(const cScrEffectData& fx) {
        g_Database.m_vScrEffect = {cScrEffectData(), fx};
        g_Database.m_vScrEffect.At(0).m_nKind = 0;
    }
    static std::vector<int32_t> Params(const cCharaEffectData& r) { return {r.m_nParam, r.m_nParam + 5}; }
};

}  // namespace

TEST_F(EffectStateTest, CharaKindsRunFromStartToEndAndReverseOnTheCopy) {
    enum Shape { kRuns, kCounts, kNothing };
    struct Case {
        int32_t kind;
        Shape shape;
    };
    const Case cases[] = {
        {0, kNothing}, {1, kRuns},  {2, kRuns},  {3, kRuns},     {4, kRuns},     {5, kRuns},  {6, kCounts},
        {7, kRuns},    {8, kRuns},  {9, kRuns},  {10, kRuns},    {11, kRuns},    {12, kRuns}, {13, kRuns},
        {14, kCounts}, {15, kRuns}, {16, kRuns}, {17, kNothing}, {-1, kNothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        SetChara(Effect<cCharaEffectData>(c.kind, {10, 3, 33, 7, 8}));
        cVector<cCharaEffectState> fwd, rev;
        InitCharaEffectStates(fwd, rev);
        ASSERT_EQ(fwd.Size(), 2);
        ASSERT_EQ(rev.Size(), 2);
        const cCharaEffectState& f = fwd.At(1);
        const cCharaEffectState& r = rev.At(1);
        EXPECT_EQ(f.m_sEffect, 1);
        EXPECT_EQ(r.m_sEffect, 1);
        EXPECT_EQ(f.m_pRecord, &g_Database.m_vCharaEffect.At(1));
        EXPECT_EQ(r.m_pRecord, &g_Database.m_vCharaEffectRev.At(1));
        // The list itself never changes; only its run-time copy is reversed.
        EXPECT_EQ(Params(g_Database.m_vCharaEffect.At(1)), (std::vector<int32_t>{10, 3, 33, 7, 8}));
        std::vector<int32_t> copy = Params(g_Database.m_vCharaEffectRev.At(1));
        switch (c.shape) {
        case kRuns:
            EXPECT_EQ(copy, (std::vector<int32_t>{10, 33, 3, 7, 8}));
            EXPECT_EQ(f.m_nStart, 3);
            EXPECT_EQ(f.m_nEnd, 33);
            EXPECT_EQ(f.m_dValue, 3);
            EXPECT_EQ(r.m_nStart, 33);
            EXPECT_EQ(r.m_nEnd, 3);
            EXPECT_EQ(r.m_dValue, 33);
            EXPECT_DOUBLE_EQ(f.m_dStep, 30.0 / 60.0);
            EXPECT_EQ(r.m_dStep, f.m_dStep);
            EXPECT_EQ(f.m_nRunTime, 10);
            break;
        case kCounts:  // blink and translucency: parameter 1 is an interval
            EXPECT_EQ(copy, (std::vector<int32_t>{10, 3, 33, 7, 8}));
            for (const cCharaEffectState* s : {&f, &r}) {
                EXPECT_EQ(s->m_nStart, 0);
                EXPECT_EQ(s->m_nEnd, 10);
                EXPECT_EQ(s->m_nRunTime, 10);
                EXPECT_EQ(s->m_dValue, 0);
                EXPECT_EQ(s->m_dStep, kSixth);
            }
            break;
        case kNothing:
            EXPECT_EQ(copy, (std::vector<int32_t>{10, 3, 33, 7, 8}));
            EXPECT_EQ(f.m_nRunTime, 0);
            EXPECT_EQ(r.m_dValue, 0);
            // Kind 0 is left as cleared; an unknown kind runs as a timer.
            EXPECT_EQ(f.m_dStep, c.kind == 0 ? 0.0 : kSixth);
            break;
        }
    }
}

TEST_F(EffectStateTest, CharaStepsAndTimers) {
    struct Case {
        int32_t run, start, end;
        double step;
    };
    const Case cases[] = {
        {10, 0, 10, 10.0 / 60.0},  // one second from 0 to 10
        {10, 5, 5, kSixth},        // equal ends: a timer
        {0, 5, 5, kSixth},
        // A run time of 0 or less ends the pass in its first frame: one
        // finite step past the end, never an infinite or negative one.
        {0, 0, 32, 33.0},
        {-4, 32, 0, 33.0},
        {1, -2147483647 - 1, 2147483647, 4294967295.0 / 6.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.run << " " << c.start << " " << c.end);
        SetChara(Effect<cCharaEffectData>(11, {c.run, c.start, c.end}));
        cVector<cCharaEffectState> fwd, rev;
        InitCharaEffectStates(fwd, rev);
        EXPECT_DOUBLE_EQ(fwd.At(1).m_dStep, c.step);
        EXPECT_DOUBLE_EQ(rev.At(1).m_dStep, c.step);
        EXPECT_EQ(fwd.At(1).m_dTimer, 0);
    }
}

TEST_F(EffectStateTest, ScreenKindsExchangeTheirOwnParameters) {
    enum Shape { kMove, kRuns, kCounts, kNothing };
    struct Case {
        int32_t kind;
        Shape shape;
    };
    const Case cases[] = {
        {0, kNothing}, {1, kMove}, {2, kCounts}, {3, kCounts}, {4, kRuns},  {5, kRuns},  {6, kRuns},     {7, kRuns},
        {8, kCounts},  {9, kRuns}, {10, kRuns},  {11, kRuns},  {12, kRuns}, {13, kRuns}, {14, kNothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        SetScreen(Effect<cScrEffectData>(c.kind, {10, 3, 33, 7, 8}));
        cVector<cScreenEffectState> fwd, rev;
        InitScrEffectStates(fwd, rev);
        const cScreenEffectState& f = fwd.At(1);
        const cScreenEffectState& r = rev.At(1);
        EXPECT_EQ(r.m_pRecord, &g_Database.m_vScrEffectRev.At(1));
        EXPECT_EQ(Params(g_Database.m_vScrEffect.At(1)), (std::vector<int32_t>{10, 3, 33, 7, 8}));
        std::vector<int32_t> copy = Params(g_Database.m_vScrEffectRev.At(1));
        EXPECT_EQ(f.m_bTimerMode, 0);
        switch (c.shape) {
        case kMove:  // from the end point back to the start point
            EXPECT_EQ(copy, (std::vector<int32_t>{10, 7, 8, 3, 33}));
            EXPECT_EQ(f.m_nWorkA, 3);
            EXPECT_EQ(f.m_nWorkB, 33);
            EXPECT_EQ(r.m_nWorkA, 7);
            EXPECT_EQ(r.m_nWorkB, 8);
            EXPECT_EQ(r.m_dStep, kSixth);
            EXPECT_EQ(r.m_dValue, 0);
            break;
        case kRuns:
            EXPECT_EQ(copy, (std::vector<int32_t>{10, 33, 3, 7, 8}));
            EXPECT_EQ(f.m_dValue, 3);
            EXPECT_EQ(r.m_dValue, 33);
            EXPECT_DOUBLE_EQ(f.m_dStep, 0.5);
            EXPECT_DOUBLE_EQ(r.m_dStep, 0.5);
            break;
        case kCounts:  // shakes and blink keep their parameters
            EXPECT_EQ(copy, (std::vector<int32_t>{10, 3, 33, 7, 8}));
            EXPECT_EQ(r.m_dStep, kSixth);
            EXPECT_EQ(r.m_dValue, 0);
            break;
        case kNothing:
            EXPECT_EQ(copy, (std::vector<int32_t>{10, 3, 33, 7, 8}));
            EXPECT_EQ(f.m_dStep, 0);
            EXPECT_EQ(r.m_dValue, 0);
            break;
        }
    }
}

TEST_F(EffectStateTest, ScreenTimerModeOnlyForKindsThatRun) {
    struct Case {
        int32_t kind, run, start, end;
        int timer;
        double step;
    };
    const Case cases[] = {
        {4, 10, 5, 5, 1, kSixth},  {13, 0, 5, 5, 1, kSixth}, {9, 10, 0, 1440, 0, 1440.0 / 60.0},
        {10, 0, 640, 0, 0, 641.0}, {1, 10, 5, 5, 0, kSixth}, {8, 10, 5, 5, 0, kSixth},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        SetScreen(Effect<cScrEffectData>(c.kind, {c.run, c.start, c.end}));
        cVector<cScreenEffectState> fwd, rev;
        InitScrEffectStates(fwd, rev);
        EXPECT_EQ(fwd.At(1).m_bTimerMode, c.timer);
        EXPECT_EQ(fwd.At(1).m_nRunTime, c.timer ? c.run : 0);
        EXPECT_DOUBLE_EQ(fwd.At(1).m_dStep, c.step);
    }
}

TEST_F(EffectStateTest, BuildingAgainExchangesOnceAndFollowsTheListSize) {
    SetChara(Effect<cCharaEffectData>(11, {10, 0, 32}));
    g_Database.m_vCharaEffect.push_back(Effect<cCharaEffectData>(6, {10, 2}));
    SetScreen(Effect<cScrEffectData>(1, {10, 1, 2, 3, 4}));
    for (int round = 0; round < 2; ++round) {
        InitCharaEffectStates(g_CharaEffectProtos, g_CharaEffectProtosRev);
        InitScrEffectStates(g_ScrEffectProtos, g_ScrEffectProtosRev);
    }
    ASSERT_EQ(g_CharaEffectProtos.Size(), 3);
    ASSERT_EQ(g_Database.m_vCharaEffectRev.Size(), 3);
    EXPECT_EQ(g_Database.m_vCharaEffect.At(1).m_nParam[2], 32);
    EXPECT_EQ(g_Database.m_vCharaEffectRev.At(1).m_nParam[1], 32);
    EXPECT_EQ(g_Database.m_vCharaEffectRev.At(1).m_nParam[2], 0);
    EXPECT_EQ(g_CharaEffectProtosRev.At(1).m_dValue, 32);
    EXPECT_EQ(g_Database.m_vCharaEffectRev.At(2).m_nParam[1],
              2);  // blink: the same in both
    EXPECT_EQ(Params(g_Database.m_vScrEffectRev.At(1)), (std::vector<int32_t>{10, 3, 4, 1, 2}));

    g_Database.m_vCharaEffect.resize(1);
    InitCharaEffectStates(g_CharaEffectProtos, g_CharaEffectProtosRev);
    EXPECT_EQ(g_CharaEffectProtos.Size(), 1);
    EXPECT_EQ(g_CharaEffectProtosRev.Size(), 1);
    EXPECT_EQ(g_CharaEffectProtos.At(0).m_pRecord, &g_Database.m_vCharaEffect.At(0));

    // Entries are numbered by 16 bits: those beyond get no prepared state
    // rather than one under a wrapped, negative number.
    g_Database.m_vScrEffect.resize(40000);
    InitScrEffectStates(g_ScrEffectProtos, g_ScrEffectProtosRev);
    EXPECT_EQ(g_ScrEffectProtos.Size(), 32768);
    EXPECT_EQ(g_ScrEffectProtosRev.At(32767).m_sEffect, 32767);
    EXPECT_EQ(orvtest::ReadHostFile("Report_Game.txt"), "");
}

TEST_F(EffectStateTest, CopyFromKeepsTheRunningStatesOwnSettings) {
    SetChara(Effect<cCharaEffectData>(12, {10, 100, 5}));
    SetScreen(Effect<cScrEffectData>(4, {10, 0, 640}));
    InitCharaEffectStates(g_CharaEffectProtos, g_CharaEffectProtosRev);
    InitScrEffectStates(g_ScrEffectProtos, g_ScrEffectProtosRev);

    cCharaEffectState c;
    c.m_sEffect = 7;
    c.m_nMode = kEffectThereAndBack;
    c.m_bLoop = 1;
    c.m_bReversed = 1;
    c.m_nCounter = 9;
    c.CopyFrom(g_CharaEffectProtosRev.At(1));
    EXPECT_EQ(c.m_sEffect, 7);
    EXPECT_EQ(c.m_nMode, kEffectThereAndBack);
    EXPECT_EQ(c.m_bLoop, 1);
    EXPECT_EQ(c.m_bReversed, 1);
    EXPECT_EQ(c.m_pRecord, g_CharaEffectProtosRev.At(1).m_pRecord);
    EXPECT_EQ(c.m_nStart, 5);
    EXPECT_EQ(c.m_nEnd, 100);
    EXPECT_EQ(c.m_dValue, 5);
    EXPECT_EQ(c.m_nCounter, 0);
    c.Clear();
    EXPECT_EQ(c.m_sEffect, 0);
    EXPECT_EQ(c.m_pRecord, nullptr);
    EXPECT_EQ(c.m_bLoop, 0);

    cScreenEffectState s;
    s.m_sEffect = 3;
    s.m_nMode = kEffectReversed;
    s.m_dShake = 2.5;
    s.CopyFrom(g_ScrEffectProtos.At(1));
    EXPECT_EQ(s.m_sEffect, 3);
    EXPECT_EQ(s.m_nMode, kEffectReversed);
    EXPECT_EQ(s.m_dShake, 0);
    EXPECT_EQ(s.m_dValue, 0);
    EXPECT_DOUBLE_EQ(s.m_dStep, 640.0 / 60.0);
}

TEST_F(EffectStateTest, AnEntryOutsideTheListIsReportedAndTakesEntryZero) {
    SetChara(Effect<cCharaEffectData>(11, {10, 0, 32}));
    cCharaEffectState s;
    s.Setup(5, 0);
    EXPECT_EQ(s.m_sEffect, 5);
    EXPECT_EQ(s.m_pRecord, &g_Database.m_vCharaEffect.At(0));
    EXPECT_NE(orvtest::ReadHostFile("Report_Game.txt").find("err V[5] ( 2 ,"), std::string::npos);
    EXPECT_EQ(plat::PendingWindowMessages(window), 1u);
}

namespace {

// The call on which Advance first reports the end, or 0 when it has not
// within `limit` calls.
template <class Step>
int CallsToEnd(Step step, int limit = 1000) {
    for (int call = 1; call <= limit; ++call)
        if (step()) return call;
    return 0;
}

class EffectRunTest : public EffectStateTest {
protected:
    static cCharaEffectState StartChara(const cCharaEffectData& fx, int mode, int loop) {
        SetChara(fx);
        InitCharaEffectStates(g_CharaEffectProtos, g_CharaEffectProtosRev);
        cCharaEffectState s;
        s.Start(1, mode, loop);
        return s;
    }
    static cScreenEffectState StartScreen(const cScrEffectData& fx, int mode, int loop) {
        SetScreen(fx);
        InitScrEffectStates(g_ScrEffectProtos, g_ScrEffectProtosRev);
        cScreenEffectState s;
        s.Start(1, mode, loop);
        return s;
    }
    // One frame as the screen handlers call it: parameters 1 and 2, or 0
    // and the run time for the kinds that count time.
    static int ScreenFrame(cScreenEffectState& s) {
        const int32_t* p = s.m_pRecord->m_nParam;
        const int32_t kind = s.m_pRecord->m_nKind;
        const bool counts = kind == 1 || kind == 2 || kind == 3 || kind == 8;
        return s.Advance(counts ? 0 : p[1], counts ? p[0] : p[2], s.m_dStep);
    }
};

}  // namespace

TEST_F(EffectRunTest, CharaPassesEndOnTheFrameTheValueFirstPassesTheEnd) {
    struct Case {
        const char* what;
        int32_t kind, run, start, end;
        int mode;
        int calls;
        double lastValue;
    };
    const Case cases[] = {
        {"0 to 10 in one second", 11, 10, 0, 10, kEffectForward, 61, 61 * (10.0 / 60.0)},
        {"reversed: 10 to 0", 11, 10, 0, 10, kEffectReversed, 61, 10 - 61 * (10.0 / 60.0)},
        {"there and back", 11, 10, 0, 10, kEffectThereAndBack, 122, 10 - 61 * (10.0 / 60.0)},
        {"equal ends: a timer, the value stays", 11, 10, 5, 5, kEffectForward, 61, 5},
        {"blink counts its run time", 6, 10, 3, 33, kEffectForward, 61, 61 / 6.0},
        {"blink reversed still counts up", 6, 10, 3, 33, kEffectReversed, 61, 61 / 6.0},
        {"translucency there and back counts twice", 14, 10, 3, 33, kEffectThereAndBack, 122, 61 / 6.0},
        {"run time 0", 11, 0, 0, 32, kEffectForward, 1, 33},
        {"run time 0, reversed", 11, 0, 0, 32, kEffectReversed, 1, -1},
        {"negative run time", 15, -4, 32, 0, kEffectForward, 1, -1},
        {"negative run time, timer", 15, -4, 7, 7, kEffectForward, 1, 7},
        {"blink with run time 0", 6, 0, 1, 1, kEffectForward, 1, 0},
        {"blink with a negative run time", 6, -30, 1, 1, kEffectForward, 1, -1 / 6.0},
        {"run time 0, there and back", 11, 0, 0, 32, kEffectThereAndBack, 2, 32 - 33},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cCharaEffectState s = StartChara(Effect<cCharaEffectData>(c.kind, {c.run, c.start, c.end}), c.mode, 0);
        EXPECT_EQ(CallsToEnd([&] { return s.Advance(); }), c.calls);
        EXPECT_NEAR(s.m_dValue, c.lastValue, 1e-9);
        EXPECT_TRUE(std::isfinite(s.m_dTimer));
        EXPECT_EQ(s.m_sEffect, 1);
    }
}

TEST_F(EffectRunTest, CharaLoopsRepeatOrSwingForEver) {
    // Forward with the loop flag: the 61st frame starts again at 0.
    cCharaEffectState s = StartChara(Effect<cCharaEffectData>(11, {10, 0, 10}), kEffectForward, 1);
    for (int i = 0; i < 60; ++i) ASSERT_EQ(s.Advance(), 0);
    EXPECT_GT(s.m_dValue, 9.8);
    EXPECT_EQ(s.Advance(), 0);
    EXPECT_EQ(s.m_dValue, 0);
    EXPECT_EQ(s.m_bReversed, 0);
    EXPECT_EQ(CallsToEnd([&] { return s.Advance(); }, 600), 0);

    // There and back with the loop flag: the direction turns every pass.
    s = StartChara(Effect<cCharaEffectData>(11, {10, 0, 10}), kEffectThereAndBack, 1);
    for (int pass = 1; pass <= 5; ++pass) {
        for (int i = 0; i < 61; ++i) ASSERT_EQ(s.Advance(), 0) << pass;
        EXPECT_EQ(s.m_bReversed, pass % 2) << pass;
        EXPECT_EQ(s.m_dValue, pass % 2 ? 10 : 0) << pass;
    }

    // A timer that loops starts its count afresh.
    s = StartChara(Effect<cCharaEffectData>(11, {1, 4, 4}), kEffectForward, 1);
    for (int i = 0; i < 7; ++i) ASSERT_EQ(s.Advance(), 0);
    EXPECT_EQ(s.m_dTimer, 0);
    EXPECT_EQ(s.m_dValue, 4);
}

TEST_F(EffectRunTest, CharaRestartTakesThePreparedStateOfItsDirection) {
    cCharaEffectState s = StartChara(Effect<cCharaEffectData>(12, {10, 100, 5}), kEffectThereAndBack, 0);
    s.m_nCounter = 9;
    s.m_dValue = 50;
    s.Restart();
    EXPECT_EQ(s.m_bReversed, 1);
    EXPECT_EQ(s.m_pRecord, &g_Database.m_vCharaEffectRev.At(1));
    EXPECT_EQ(s.m_dValue, 5);
    EXPECT_EQ(s.m_nEnd, 100);
    EXPECT_EQ(s.m_nCounter, 0);
    s.Restart();
    EXPECT_EQ(s.m_bReversed, 0);
    EXPECT_EQ(s.m_dValue, 100);

    // Outside mode 2 the direction stays.
    s.Start(1, kEffectReversed, 1);
    s.Restart();
    EXPECT_EQ(s.m_bReversed, 1);
    EXPECT_EQ(s.m_dValue, 5);
    EXPECT_EQ(orvtest::ReadHostFile("Report_Game.txt"), "");
}

TEST_F(EffectRunTest, ScreenPassesEndWhenTheTruncatedValuePassesTheEnd) {
    struct Case {
        const char* what;
        int32_t kind, run, p1, p2, p3, p4;
        int mode;
        int calls;
    };
    const Case cases[] = {
        // trunc lets the value run up to one unit past the end: 10.9999 at
        // call 66 still goes on, 11.17 at call 67 does not.
        {"zoom 0 to 10 in one second", 11, 10, 0, 10, 0, 0, kEffectForward, 67},
        {"zoom reversed", 11, 10, 0, 10, 0, 0, kEffectReversed, 67},
        {"zoom there and back", 11, 10, 0, 10, 0, 0, kEffectThereAndBack, 134},
        {"equal ends: a timer", 4, 10, 5, 5, 0, 0, kEffectForward, 61},
        {"shake counts 0 to its run time", 2, 10, 4, 9, 0, 0, kEffectForward, 67},
        {"blink reversed counts the same", 8, 10, 4, 9, 0, 0, kEffectReversed, 67},
        {"run time 0", 11, 0, 0, 640, 0, 0, kEffectForward, 1},
        {"negative run time", 13, -1, 640, 0, 0, 0, kEffectForward, 1},
        {"shake with run time 0", 3, 0, 4, 9, 0, 0, kEffectForward, 1},
        {"blink with a negative run time", 8, -100, 4, 9, 0, 0, kEffectForward, 1},
        {"move with run time 0", 1, 0, 1, 2, 3, 4, kEffectReversed, 1},
        {"timer with run time 0", 9, 0, 7, 7, 0, 0, kEffectForward, 1},
        {"widest ends", 10, 1, -2147483647 - 1, 2147483647, 0, 0, kEffectForward, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cScreenEffectState s =
            StartScreen(Effect<cScrEffectData>(c.kind, {c.run, c.p1, c.p2, c.p3, c.p4}), c.mode, 0);
        EXPECT_EQ(CallsToEnd([&] { return ScreenFrame(s); }), c.calls);
        EXPECT_TRUE(std::isfinite(s.m_dValue));
    }
}

TEST_F(EffectRunTest, ScreenMoveReversedGoesFromTheEndPointToTheStartPoint) {
    cScreenEffectState s = StartScreen(Effect<cScrEffectData>(1, {10, 1, 2, 300, 400}), kEffectReversed, 0);
    EXPECT_EQ(s.m_bReversed, 1);
    EXPECT_EQ(s.m_nWorkA, 300);
    EXPECT_EQ(s.m_nWorkB, 400);
    EXPECT_EQ(s.m_pRecord->m_nParam[3], 1);
    EXPECT_EQ(s.m_pRecord->m_nParam[4], 2);

    // There and back turns to the reversed prototype after the first pass.
    s.Start(1, kEffectThereAndBack, 0);
    EXPECT_EQ(s.m_nWorkA, 1);
    EXPECT_EQ(CallsToEnd([&] { return ScreenFrame(s); }, 66), 0);
    EXPECT_EQ(ScreenFrame(s), 0);
    EXPECT_EQ(s.m_bReversed, 1);
    EXPECT_EQ(s.m_nWorkA, 300);
    EXPECT_EQ(s.m_dValue, 0);
    EXPECT_EQ(CallsToEnd([&] { return ScreenFrame(s); }), 67);
}

TEST_F(EffectRunTest, ScreenLoopsAndTimerMode) {
    cScreenEffectState s = StartScreen(Effect<cScrEffectData>(12, {10, 0, 10}), kEffectThereAndBack, 1);
    for (int pass = 1; pass <= 4; ++pass) {
        for (int i = 0; i < 67; ++i) ASSERT_EQ(ScreenFrame(s), 0) << pass;
        EXPECT_EQ(s.m_bReversed, pass % 2) << pass;
        EXPECT_EQ(s.m_dValue, pass % 2 ? 10 : 0) << pass;
    }

    // Timer mode ignores the step it is given.
    s = StartScreen(Effect<cScrEffectData>(5, {10, 3, 3}), kEffectForward, 0);
    EXPECT_EQ(s.m_bTimerMode, 1);
    EXPECT_EQ(CallsToEnd([&] { return s.Advance(3, 3, 1000.0); }), 61);
    EXPECT_EQ(s.m_dValue, 3);

    // A handler's step that is not a number ends the pass with a finite value.
    s = StartScreen(Effect<cScrEffectData>(11, {10, 0, 10}), kEffectForward, 0);
    EXPECT_EQ(s.Advance(0, 10, std::nan("")), 1);
    EXPECT_EQ(s.m_dValue, 10);
    s.Start(1, kEffectForward, 0);
    EXPECT_EQ(s.Advance(0, 10, -HUGE_VAL), 1);
    EXPECT_TRUE(std::isfinite(s.m_dValue));
}

TEST_F(EffectRunTest, ScreenStartOfABadEntryIsReportedAndTakesEntryZero) {
    cScreenEffectState s = StartScreen(Effect<cScrEffectData>(4, {10, 0, 10}), kEffectForward, 1);
    s.Start(9, kEffectReversed, 0);
    EXPECT_EQ(s.m_sEffect, 9);
    EXPECT_EQ(s.m_nMode, kEffectReversed);
    EXPECT_EQ(s.m_bReversed, 1);
    EXPECT_EQ(s.m_bLoop, 0);
    EXPECT_EQ(s.m_pRecord, &g_Database.m_vScrEffectRev.At(0));
    EXPECT_NE(orvtest::ReadHostFile("Report_Game.txt").find("err V[9] ( 2 ,"), std::string::npos);
    EXPECT_EQ(plat::PendingWindowMessages(window), 1u);
}
