#include "app/input_state.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/paths.h"
#include "platform/testing.h"
#include "support/test_support.h"

namespace {

namespace pt = plat::testing;
using plat::JoyReading;

void HoldKeys(const std::vector<int>& keys) {
    plat::ClearKeys();
    for (int k : keys) plat::SetKeyDown(k, true);
}

JoyReading Stick(uint32_t x, uint32_t y, uint32_t buttons = 0) { return JoyReading{x, y, buttons}; }
const JoyReading kCentred = Stick(32767, 32767);

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::ClearKeys();
        pt::ClearJoysticks();
    }
    void TearDown() override {
        plat::ClearKeys();
        pt::ClearJoysticks();
    }
};

cKeyConfig MappedDefaults() {
    cKeyConfig c{};
    DefaultKeyConfig(c);
    c.m_nUseMapping = 1;
    return c;
}

// ---- menu filters ----

TEST(InputRepeat, HeldDirectionsPassOnTheirFramesOnly) {
    struct Case {
        const char* name;
        int delay, interval, frames;
        std::function<int(int)> raw;  // direction word of a frame
        std::vector<int> horizontal, vertical;  // frames on which each part passes
    };
    const Case cases[] = {
        {"up held", 18, 6, 40, [](int) { return kDirUp; }, {}, {0, 18, 24, 30, 36}},
        {"left joins at 10: only the horizontal counter restarts", 18, 6, 40,
         [](int f) { return kDirUp | (f >= 10 ? kDirLeft : 0); }, {10, 28, 34, 40}, {0, 18, 24, 30, 36}},
        {"left, then right at 10", 18, 6, 30, [](int f) { return f < 10 ? kDirLeft : kDirRight; }, {0, 10, 28}, {}},
        {"left let go for two frames", 18, 6, 31, [](int f) { return f == 5 || f == 6 ? 0 : kDirLeft; },
         {0, 7, 25, 31}, {}},
        {"interval 0 repeats every frame after the delay", 2, 0, 5, [](int) { return kDirDown; }, {}, {0, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        cInputState s;
        s.SetRepeat(c.delay, c.interval);
        std::vector<int> h, v;
        for (int f = 0; f <= c.frames; ++f) {
            s.m_sDir = static_cast<int16_t>(c.raw(f));
            s.ApplyDirRepeat();
            if (s.m_sDir & (kDirLeft | kDirRight)) h.push_back(f);
            if (s.m_sDir & (kDirUp | kDirDown)) v.push_back(f);
            EXPECT_EQ(s.m_sRepeatHistory & 0xF, c.raw(f)) << c.name;
        }
        EXPECT_EQ(h, c.horizontal) << c.name;
        EXPECT_EQ(v, c.vertical) << c.name;
    }
}

TEST(InputButtonEdge, OnePressPassesOnceUntilEveryMaskedButtonIsReleased) {
    struct Case {
        const char* name;
        int mask;
        std::vector<int> raw, passed;
    };
    const Case cases[] = {
        {"button 0 held, then button 1 added", 0, {1, 1, 3, 3, 2, 0, 2}, {1, 0, 0, 0, 0, 0, 2}},
        {"two pressed together", 0, {3, 3, 0, 1}, {3, 0, 0, 1}},
        {"buttons outside the mask pass unfiltered", 1, {1, 3, 3, 0, 2}, {1, 2, 2, 0, 2}},
        {"high buttons with mask 0", 0, {128, 128, 0, 64}, {128, 0, 0, 64}},
    };
    for (const Case& c : cases) {
        cInputState s;
        std::vector<int> out;
        for (int word : c.raw) {
            s.m_sButton = static_cast<int16_t>(word);
            s.ApplyButtonEdge(c.mask);
            out.push_back(s.m_sButton);
        }
        EXPECT_EQ(out, c.passed) << c.name;
    }
}

TEST(InputNumpad, ValueOfTheDirectionWord) {
    const std::pair<int, int> cases[] = {{0, 5}, {1, 4}, {2, 6}, {3, 4}, {4, 2}, {8, 8}, {12, 2}, {5, 1}, {10, 9}, {9, 7}};
    for (auto [dir, numpad] : cases) {
        cInputState s;
        s.m_sDir = static_cast<int16_t>(dir);
        EXPECT_EQ(s.GetNumpadDir(), numpad) << dir;
        EXPECT_EQ(s.m_nNumpad, numpad) << dir;
    }
}

// ---- the plain poll ----

TEST_F(InputTest, PlainPollJoystickAndKeyboardPrecedence) {
    struct Case {
        const char* name;
        std::optional<JoyReading> joy;
        std::vector<int> keys;
        int steps;
        int dir, numpad, buttons;
    };
    const Case cases[] = {
        {"keyboard left and right", std::nullopt, {plat::kVkLeft, plat::kVkRight}, 3, 3, 5, 0},
        {"keyboard up-left and buttons", std::nullopt, {plat::kVkUp, plat::kVkLeft, 'Z', 'F'}, 3, 5, 1, 0x81},
        {"every keyboard button", std::nullopt, {'Z', 'X', 'C', 'V', 'A', 'S', 'D', 'F'}, 3, 0, 5, 0xFF},
        {"stick left hides the right arrow", Stick(0, 32767), {plat::kVkRight}, 3, 1, 4, 0},
        {"centred stick leaves the keyboard", kCentred, {plat::kVkRight, 'X'}, 3, 2, 6, 2},
        {"stick button hides every key button", Stick(32767, 32767, 1), {'X', 'C', plat::kVkDown}, 3, 8, 8, 1},
        {"stick button 9 is no default button", Stick(32767, 32767, 1u << 9), {'Z'}, 3, 0, 5, 1},
        {"X 10000 is left", Stick(10000, 32767), {}, 3, 1, 4, 0},
        {"X 10001 is nothing", Stick(10001, 32767), {}, 3, 0, 5, 0},
        {"X 55534 is nothing", Stick(55534, 32767), {}, 3, 0, 5, 0},
        {"X 55535 is right", Stick(55535, 32767), {}, 3, 2, 6, 0},
        {"Y 10000 is up", Stick(32767, 10000), {}, 3, 4, 2, 0},
        {"Y 55535 is down", Stick(32767, 55535), {}, 3, 8, 8, 0},
        {"down-left", Stick(0, 65535), {}, 3, 9, 7, 0},
        {"keyboard step only", Stick(0, 32767), {plat::kVkRight}, 2, 2, 6, 0},
        {"joystick step only", std::nullopt, {plat::kVkRight, 'Z'}, 1, 0, 5, 0},
    };
    for (const Case& c : cases) {
        pt::ClearJoysticks();
        if (c.joy) pt::SetJoystick(0, *c.joy);
        HoldKeys(c.keys);
        cInputState s;
        EXPECT_EQ(s.Poll(0, c.steps, 60, cKeyConfig{}), 1) << c.name;
        EXPECT_EQ(s.m_sDir, c.dir) << c.name;
        EXPECT_EQ(s.m_nNumpad, c.numpad) << c.name;
        EXPECT_EQ(s.m_sButton, c.buttons) << c.name;
    }
}

TEST_F(InputTest, PlainPollUsesTheJoystickButtonMasks) {
    cInputState s;
    s.m_sJoyButton[0] = 1 << 9;  // joystick button 9 as button 0
    s.m_sJoyButton[1] = 0;       // button 1 on no joystick button
    pt::SetJoystick(0, Stick(32767, 32767, (1u << 9) | (1u << 1)));
    cKeyConfig plain{};
    s.Poll(0, 3, 60, plain);
    EXPECT_EQ(s.m_sButton, 1);
    s.DefaultJoyButtons();
    s.Poll(0, 3, 60, plain);
    EXPECT_EQ(s.m_sButton, 2);
}

TEST_F(InputTest, FailedJoystickReadPausesReadsFor120Polls) {
    cKeyConfig plain{};
    cInputState s;
    s.Poll(0, 3, 60, plain);  // no device: the read fails
    EXPECT_EQ(s.m_nJoyPresent, 0);
    pt::SetJoystick(0, Stick(0, 32767));
    plat::SetKeyDown(plat::kVkRight, true);
    for (int i = 1; i <= 120; ++i) {
        s.Poll(0, 3, 60, plain);
        ASSERT_EQ(s.m_sDir, kDirRight) << "poll " << i << ": the keyboard goes on, the stick is not read";
    }
    s.Poll(0, 3, 60, plain);
    EXPECT_EQ(s.m_sDir, kDirLeft);
    EXPECT_EQ(s.m_nJoyPresent, 1);

    // Unplugged while present: the next poll fails at once.
    pt::RemoveJoystick(0);
    s.Poll(0, 3, 60, plain);
    EXPECT_EQ(s.m_sDir, kDirRight);
    EXPECT_EQ(s.m_nJoyRetry, 120);
}

// ---- the mapped poll ----

TEST_F(InputTest, MappedPollEntries) {
    struct Case {
        const char* name;
        std::function<void(cKeyConfig&)> edit;
        std::vector<std::pair<unsigned, JoyReading>> joys;
        std::vector<int> keys;
        int dir, numpad, buttons;
    };
    auto entry = [](int i, int device, int code) {
        return [=](cKeyConfig& c) { c.m_Entries[i] = KeyEntry{device, static_cast<int16_t>(code), 0}; };
    };
    const Case cases[] = {
        {"code 256 by the stick", entry(0, 0, 256), {{0, Stick(10000, 32767)}}, {}, 1, 4, 0},
        {"code 256 by joystick button 9", entry(0, 0, 256), {{0, Stick(32767, 32767, 256)}}, {}, 1, 4, 0},
        {"code 256 neither", entry(0, 0, 256), {{0, Stick(10001, 32767, 128)}}, {}, 0, 5, 0},
        {"code 2048 as button 0", entry(4, 0, 2048), {{0, Stick(32767, 55535)}}, {}, 0, 5, 1},
        {"a button mask of several buttons", entry(5, 0, 0x0C), {{0, Stick(32767, 32767, 0x08)}}, {}, 0, 5, 2},
        {"joystick past the joystick count", entry(0, 1, 256), {{1, Stick(0, 32767)}}, {}, 0, 5, 0},
        {"joystick within the count",
         [&](cKeyConfig& c) {
             entry(0, 1, 256)(c);
             c.m_nJoyCount = 2;
         },
         {{0, kCentred}, {1, Stick(0, 32767)}}, {}, 1, 4, 0},
        {"keyboard left and right", nullptr, {{0, kCentred}}, {plat::kVkLeft, plat::kVkRight, 'F'}, 3, 5, 0x80},
        {"keys still count with the joystick missing", entry(4, 0, 1), {}, {plat::kVkUp, 'X'}, 4, 2, 2},
        {"device and codes outside every range",
         [&](cKeyConfig& c) {
             entry(0, -1, 256)(c);
             entry(1, 9, 512)(c);
             entry(2, kKeyDeviceKeyboard, -1)(c);
             entry(3, kKeyDeviceKeyboard, 300)(c);
         },
         {{0, Stick(0, 32767)}}, {plat::kVkUp, plat::kVkDown}, 0, 5, 0},
        {"entry count 99 reads twelve", [](cKeyConfig& c) { c.m_nEntryCount = 99; }, {}, {'F', 'Z'}, 0, 5, 0x81},
        {"entry count 5 reads one button", [](cKeyConfig& c) { c.m_nEntryCount = 5; }, {}, {'Z', 'X'}, 0, 5, 1},
        {"entry count -3 reads the directions", [](cKeyConfig& c) { c.m_nEntryCount = -3; }, {},
         {'Z', plat::kVkDown}, 8, 8, 0},
        {"joystick count past 16 reads sixteen",
         [&](cKeyConfig& c) {
             c.m_nJoyCount = INT_MAX;
             entry(0, 7, 256)(c);
         },
         {{0, kCentred}, {1, kCentred}, {2, kCentred}, {3, kCentred}, {4, kCentred}, {5, kCentred}, {6, kCentred},
          {7, Stick(0, 32767)}},
         {}, 1, 4, 0},
        {"negative joystick count reads none",
         [&](cKeyConfig& c) {
             c.m_nJoyCount = INT_MIN;
             entry(0, 0, 256)(c);
         },
         {{0, Stick(0, 32767)}}, {}, 0, 5, 0},
    };
    for (const Case& c : cases) {
        pt::ClearJoysticks();
        for (const auto& [id, reading] : c.joys) pt::SetJoystick(id, reading);
        HoldKeys(c.keys);
        cKeyConfig config = MappedDefaults();
        if (c.edit) c.edit(config);
        cInputState s;
        EXPECT_EQ(s.PollKeyConfig(1, 60, config), 1) << c.name;
        EXPECT_EQ(s.m_sDir, c.dir) << c.name;
        EXPECT_EQ(s.m_nNumpad, c.numpad) << c.name;
        EXPECT_EQ(s.m_sButton, c.buttons) << c.name;
    }
}

TEST_F(InputTest, DefaultBlockMappedReadsTheKeysAsThePlainPoll) {
    const std::vector<std::vector<int>> keySets = {
        {}, {plat::kVkLeft}, {plat::kVkLeft, plat::kVkRight, plat::kVkUp}, {plat::kVkDown, 'Z', 'D'},
        {'X', 'C', 'V', 'A', 'S', 'F'}, {'Q', plat::kVkSpace},
    };
    const cKeyConfig mapped = MappedDefaults();
    cKeyConfig plainBlock = mapped;
    plainBlock.m_nUseMapping = 0;
    for (const auto& keys : keySets) {
        HoldKeys(keys);
        cInputState a, b;
        a.Poll(0, 3, 60, plainBlock);
        b.PollKeyConfig(1, 60, mapped);
        EXPECT_EQ(a.m_sDir, b.m_sDir);
        EXPECT_EQ(a.m_nNumpad, b.m_nNumpad);
        EXPECT_EQ(a.m_sButton, b.m_sButton);
    }
}

TEST_F(InputTest, EachPollRunsOnlyForItsKindOfBlock) {
    plat::SetKeyDown(plat::kVkLeft, true);
    cInputState s;
    cKeyConfig plain = MappedDefaults();
    plain.m_nUseMapping = 0;
    EXPECT_EQ(s.PollKeyConfig(1, 60, plain), 0);
    EXPECT_EQ(s.m_sDir, 0);
    EXPECT_EQ(s.Poll(0, 3, 60, MappedDefaults()), 0);
    EXPECT_EQ(s.m_sDir, 0);
    EXPECT_EQ(s.PollKeyConfig(0, 60, MappedDefaults()), 1);  // no player: nothing filled
    EXPECT_EQ(s.m_sDir, 0);
}

TEST_F(InputTest, OneFailingJoystickPausesTheReadsOfAll) {
    cKeyConfig config = MappedDefaults();
    config.m_nJoyCount = 2;
    config.m_Entries[0] = KeyEntry{0, static_cast<int16_t>(kJoyAxisLeft), 0};
    pt::SetJoystick(0, Stick(0, 32767));  // joystick 1 is missing
    cInputState s;
    s.PollKeyConfig(1, 60, config);
    EXPECT_EQ(s.m_sDir, kDirLeft);  // joystick 0 was read before 1 failed
    // The countdown is shared and counts down once per joystick: 60 polls.
    for (int i = 2; i <= 61; ++i) {
        s.PollKeyConfig(1, 60, config);
        ASSERT_EQ(s.m_sDir, 0) << "poll " << i;
    }
    s.PollKeyConfig(1, 60, config);
    EXPECT_EQ(s.m_sDir, kDirLeft);
}

// ---- histories and sequences ----

TEST(InputHistory, RunsAndLookingBack) {
    cInputState s;
    const int dirs[] = {0, 0, 1, 1, 1, 2};
    const int buttons[] = {4, 4, 4, 4, 0, 0};
    for (int i = 0; i < 6; ++i) {
        s.m_sDir = static_cast<int16_t>(dirs[i]);
        s.m_sButton = static_cast<int16_t>(buttons[i]);
        s.PushHistory();
    }
    for (int back = 0; back < 6; ++back) {
        EXPECT_EQ(s.GetHistory(0, back), dirs[5 - back]) << back;
        EXPECT_EQ(s.GetHistory(1, back), buttons[5 - back]) << back;
    }
    EXPECT_EQ(s.m_History[0][s.m_nHistoryHead[0]].m_nRun, 1);
    EXPECT_EQ(s.m_History[1][s.m_nHistoryHead[1]].m_nRun, 2);
    EXPECT_EQ(s.GetHistory(2, 0), 0);
    EXPECT_EQ(s.GetHistory(-1, 0), 0);
    s.GetHistory(0, INT_MAX);  // must not overflow
    s.ClearHistory();
    EXPECT_EQ(s.GetHistory(0, 0), 0);
    EXPECT_EQ(s.m_nHistoryHead[0], 0);
}

TEST(InputHistory, RingWrapsAfter32RunsAndRunsSaturate) {
    cInputState s;
    for (int i = 1; i <= 40; ++i) {
        s.m_sDir = static_cast<int16_t>(i);
        s.PushHistory();
    }
    EXPECT_EQ(s.m_nHistoryHead[0], 40 & 31);
    for (int back = 0; back < 32; ++back) ASSERT_EQ(s.GetHistory(0, back), 40 - back) << back;

    s.m_History[0][s.m_nHistoryHead[0]].m_nRun = INT_MAX - 1;
    s.PushHistory();
    s.PushHistory();
    EXPECT_EQ(s.m_History[0][s.m_nHistoryHead[0]].m_nRun, INT_MAX);
    EXPECT_EQ(s.GetHistory(0, 1000), 40);
}

TEST(InputSequences, EdgesRunsAndTheFirstPressedKey) {
    cInputState s;
    const int dirs[] = {1, 1, 1, 0, 0, 5};
    const int buttons[] = {3, 3, 0, 0, 0, 2};
    for (int i = 0; i < 6; ++i) {
        s.m_sDir = static_cast<int16_t>(dirs[i]);
        s.m_sButton = static_cast<int16_t>(buttons[i]);
        s.UpdateSequences();
    }
    auto newest = [](const KeySequence& q, int i) { return std::make_pair(q[i].m_nState, q[i].m_nRun); };
    using P = std::pair<int32_t, int32_t>;
    EXPECT_EQ(newest(s.m_DirSeq[1], 0), P(0, 3));  // left: 3 frames held, then 3 not
    EXPECT_EQ(newest(s.m_DirSeq[1], 1), P(1, 3));
    EXPECT_EQ(newest(s.m_DirSeq[1], 2), P(0, 0));
    EXPECT_EQ(newest(s.m_DirSeq[0], 0), P(0, 1));  // neutral
    EXPECT_EQ(newest(s.m_DirSeq[0], 1), P(1, 2));
    EXPECT_EQ(newest(s.m_DirSeq[5], 0), P(1, 1));  // up-left exactly
    EXPECT_EQ(newest(s.m_DirSeq[9], 0), P(1, 1));  // any direction
    EXPECT_EQ(newest(s.m_DirSeq[9], 1), P(0, 2));
    EXPECT_EQ(newest(s.m_ButtonSeq[0], 0), P(0, 1));  // no button
    EXPECT_EQ(newest(s.m_ButtonSeq[0], 1), P(1, 3));
    EXPECT_EQ(newest(s.m_ButtonSeq[1], 0), P(0, 4));  // button 0
    EXPECT_EQ(newest(s.m_ButtonSeq[2], 0), P(1, 1));  // button 1, pressed again
    EXPECT_EQ(newest(s.m_ButtonSeq[2], 1), P(0, 3));
    for (const auto& q : s.m_DirSeq) EXPECT_EQ(q.size(), 32u);
    for (const auto& q : s.m_ButtonSeq) EXPECT_EQ(q.size(), 32u);
    EXPECT_EQ(GetFirstPressedKey(s), 5);

    // Forty alternations keep 32 entries, the oldest dropped.
    for (int i = 0; i < 40; ++i) {
        s.m_sDir = static_cast<int16_t>(i % 2 ? 8 : 0);
        s.UpdateSequences();
    }
    EXPECT_EQ(s.m_DirSeq[4].size(), 32u);
    EXPECT_EQ(newest(s.m_DirSeq[4], 0), P(1, 1));
    EXPECT_EQ(GetFirstPressedKey(s), 4);

    s.m_DirSeq[4][0].m_nRun = INT_MAX;
    s.UpdateSequences();
    EXPECT_EQ(s.m_DirSeq[4][0].m_nRun, INT_MAX);

    s.ResetSequences();
    EXPECT_EQ(GetFirstPressedKey(s), 0);
    EXPECT_EQ(newest(s.m_DirSeq[9], 31), P(0, 0));
}

TEST(InputState, ResetClearsWordsHistoriesAndSequences) {
    cInputState s;
    s.m_sDir = 6;
    s.m_sButton = 3;
    s.m_nNumpad = 9;
    s.PushHistory();
    s.UpdateSequences();
    s.Reset();
    EXPECT_EQ(s.m_sDir, 0);
    EXPECT_EQ(s.m_sButton, 0);
    EXPECT_EQ(s.m_nNumpad, 5);
    EXPECT_EQ(s.m_nHistoryHead[0], 0);
    EXPECT_EQ(s.m_History[0][1].m_nRun, 0);
    EXPECT_EQ(GetFirstPressedKey(s), 0);
    EXPECT_EQ(s.m_DirSeq[7][0].m_nRun, 0);
    ASSERT_EQ(g_InputStates.Size(), 1);
}

// ---- direction codes ----

TEST(InputDirection, CodesAndRules) {
    struct Case {
        int index, ruleFlag, facingRight, replayVersion, code;
    };
    const Case cases[] = {
        {0, 1, 1, 0, 3}, {0, 0, 0, 0, 2},  {1, 1, 1, 0, 2},   {2, 0, 0, 0, 3},   {3, 1, 0, 0, 6},
        {4, 1, 0, 0, 7}, {5, 1, 0, 0, 8},  {6, 1, 0, 0, 9},   {7, 1, 0, 0, 10},  {8, 1, 0, 0, 11},
        {9, 1, 1, 0, 0}, {9, 0, 1, 0, 3},  {9, 0, 0, 0, 2},   {9, 0, 1, 1, 0},   {9, 0, 1, 777, 0},
        {9, 1, 1, 778, 3}, {9, 1, 0, 779, 2}, {9, 0, 1, 780, 3}, {9, 1, 1, 780, 0}, {9, 0, 1, -5, 3},
        {10, 1, 1, 0, 3}, {-1, 1, 0, 0, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetInputDirection(c.index, c.ruleFlag, c.facingRight, c.replayVersion), c.code)
            << c.index << " " << c.ruleFlag << " " << c.replayVersion;
}

TEST_F(InputTest, LeftAndRightTogetherMatchOnlyAnyDirection) {
    HoldKeys({plat::kVkLeft, plat::kVkRight});
    cInputState s;
    s.Poll(0, 3, 60, cKeyConfig{});
    s.UpdateSequences();
    EXPECT_EQ(s.m_sDir, 3);
    EXPECT_EQ(s.m_nNumpad, 5);
    ASSERT_EQ(GetFirstPressedKey(s), 9);
    EXPECT_EQ(GetInputDirection(9, 1, 1), 0);
    EXPECT_EQ(GetInputDirection(9, 0, 1), 3);
}

// ---- the key file ----

std::string BlockBytes(const cKeyConfig& c) {
    std::string out;
    auto put = [&out](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i));
    };
    for (const KeyEntry& e : c.m_Entries) {
        put(static_cast<uint32_t>(e.m_nDevice), 4);
        put(static_cast<uint16_t>(e.m_sCode), 2);
        put(static_cast<uint16_t>(e.m_sUnused), 2);
    }
    put(static_cast<uint32_t>(c.m_nEntryCount), 4);
    put(static_cast<uint32_t>(c.m_nJoyCount), 4);
    put(static_cast<uint32_t>(c.m_nUseMapping), 4);
    return out;
}

TEST(KeyConfigFile, DefaultsAndTheGlobalBlock) {
    cKeyConfig c{};
    DefaultKeyConfig(c);
    const int codes[] = {0x25, 0x27, 0x26, 0x28, 'Z', 'X', 'C', 'V', 'A', 'S', 'D', 'F'};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(c.m_Entries[i].m_nDevice, 8);
        EXPECT_EQ(c.m_Entries[i].m_sCode, codes[i]);
    }
    EXPECT_EQ(c.m_nEntryCount, 12);
    EXPECT_EQ(c.m_nJoyCount, 1);
    EXPECT_EQ(c.m_nUseMapping, 0);
    EXPECT_EQ(BlockBytes(g_KeyConfig), BlockBytes(c));
}

TEST(KeyConfigFile, ShortLongMissingAndHostileFiles) {
    orvtest::ScopedTempFolder folder;
    ASSERT_TRUE(plat::MakeFolder("user_data"));
    cKeyConfig defaults{};
    DefaultKeyConfig(defaults);
    const std::string full = BlockBytes(defaults);

    cKeyConfig written = defaults;
    written.m_Entries[0] = KeyEntry{0, static_cast<int16_t>(kJoyAxisLeft), 0};
    written.m_Entries[3].m_sCode = -1;
    written.m_nJoyCount = 2;
    written.m_nUseMapping = 1;
    const std::string writtenBytes = BlockBytes(written);

    struct Case {
        const char* name;
        std::optional<std::string> file;  // none: no file
        int result;
        std::function<void(cKeyConfig&)> expect;  // edits defaults into the expected block
    };
    const Case cases[] = {
        {"missing", std::nullopt, 0, nullptr},
        {"empty", std::string(), 1, nullptr},
        {"six bytes", orvtest::FromHex("00 00 00 00 00 01"), 1,
         [](cKeyConfig& c) { c.m_Entries[0] = KeyEntry{0, 256, 0}; }},
        {"cut inside the entry count", full.substr(0, 96) + orvtest::FromHex("05 00 00"), 1,
         [](cKeyConfig& c) { c.m_nEntryCount = 5; }},
        {"whole", writtenBytes, 1, [&](cKeyConfig& c) { c = written; }},
        {"longer than the block", writtenBytes + std::string(200, '\x7F'), 1, [&](cKeyConfig& c) { c = written; }},
    };
    for (const Case& c : cases) {
        if (c.file)
            orvtest::WriteHostFile("user_data/KeyConfig.dat", *c.file);
        else
            std::remove("user_data/KeyConfig.dat");
        cKeyConfig block = defaults;
        EXPECT_EQ(LoadKeyConfig("user_data\\KeyConfig.dat", block), c.result) << c.name;
        cKeyConfig expected = defaults;
        if (c.expect) c.expect(expected);
        EXPECT_EQ(orvtest::Hex(BlockBytes(block)), orvtest::Hex(BlockBytes(expected))) << c.name;
    }
    EXPECT_EQ(written.m_Entries[3].m_sCode, -1);

    cKeyConfig block = defaults;
    EXPECT_EQ(LoadKeyConfig("user_data", block), 0);  // a folder is no key file
    std::remove("user_data/KeyConfig.dat");
    ASSERT_EQ(mkfifo("user_data/KeyConfig.dat", 0600), 0);
    EXPECT_EQ(LoadKeyConfig("user_data\\KeyConfig.dat", block), 0);  // nor a pipe, and it never waits for one
    std::remove("user_data/KeyConfig.dat");
    EXPECT_EQ(LoadKeyConfig(nullptr, block), 0);
    EXPECT_EQ(BlockBytes(block), full);

    // Every count and device at its extremes: the poll stays inside the
    // block and reads nothing.
    orvtest::WriteHostFile("user_data/KeyConfig.dat", std::string(108, '\xFF'));
    ASSERT_EQ(LoadKeyConfig("user_data\\KeyConfig.dat", block), 1);
    EXPECT_EQ(block.m_nEntryCount, -1);
    EXPECT_EQ(block.m_nJoyCount, -1);
    pt::SetJoystick(0, Stick(0, 0, 0xFFFFFFFFu));
    cInputState s;
    EXPECT_EQ(s.PollKeyConfig(1, 60, block), 1);
    EXPECT_EQ(s.m_sDir, 0);
    EXPECT_EQ(s.m_sButton, 0);
    std::string hostile = std::string(96, '\0') + orvtest::FromHex("FF FF FF 7F 10 00 00 00 01 00 00 00");
    orvtest::WriteHostFile("user_data/KeyConfig.dat", hostile);
    ASSERT_EQ(LoadKeyConfig("user_data\\KeyConfig.dat", block), 1);
    EXPECT_EQ(block.m_nEntryCount, INT_MAX);
    EXPECT_EQ(s.PollKeyConfig(1, 60, block), 1);  // joystick 0 code 0 everywhere: nothing
    EXPECT_EQ(s.m_sDir, 0);
    pt::ClearJoysticks();
}

}  // namespace
