#include "project/flow.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "project/database.h"
#include "project/database_fixtures.h"
#include "project/list_file_test.h"
#include "project/system_data.h"
#include "support/test_support.h"

using namespace dbfix;
using orvtest::Hex;
using orvtest::ReadHostFile;
using orvtest::WriteHostFile;

namespace {

std::string F64(double d) {
    uint64_t bits = std::bit_cast<uint64_t>(d);
    return I32(static_cast<int32_t>(bits & 0xFFFFFFFF)) + I32(static_cast<int32_t>(bits >> 32));
}

std::string Params(const std::vector<int32_t>& params) {
    std::string out = I32(static_cast<int32_t>(params.size()));
    for (int32_t p : params) out += I32(p);
    return out;
}

// A flow command as a file of that version holds it: the record (category,
// kind, time, time per clone, parallel, sound, sound only in view, anime;
// the text), the presence flags with their sub-records (the condition
// list's from 764), the carried flows and the parameters.
struct Cmd {
    int category = 0, kind = 0;
    std::vector<int32_t> params = {};
    std::string move = {}, shot = {}, cond = {};  // sub-record bytes; empty: absent
    std::vector<std::string> flows = {};
    std::string text = {};
    int time = 0, timeInc = 0, parallel = 0, sound = 0, inView = 1, anime = 0;
};

std::string CmdBytes(int v, const Cmd& c) {
    std::string out = Record({I8(static_cast<int8_t>(c.category)), I8(static_cast<int8_t>(c.kind)),
                              I16(static_cast<int16_t>(c.time)), I16(static_cast<int16_t>(c.timeInc)),
                              I8(static_cast<int8_t>(c.parallel)), I16(static_cast<int16_t>(c.sound)),
                              I8(static_cast<int8_t>(c.inView)), I16(static_cast<int16_t>(c.anime))},
                             {c.text});
    auto sub = [](const std::string& bytes) { return bytes.empty() ? I32(0) : I32(1) + bytes; };
    out += sub(c.move) + sub(c.shot);
    if (v >= 764) out += sub(c.cond);
    return out + Counted(c.flows) + Params(c.params);
}

// A flow: name (from 676); ID, group, test-play only, condition mode, keep
// once met, trigger, take other as target (762), target slot (767), key
// step frames, key hold; conditions, key conditions, commands.
struct Flow {
    std::string name = {};
    int id = 0, group = 0, testOnly = 0, condMode = 0, keepMet = 0, trigger = 0, takeOther = 0, slot = 0,
        keyStep = 3, keyHold = 0;
    std::vector<std::string> conds = {}, keys = {}, cmds = {};
};

std::string FlowBytes(int v, const Flow& f) {
    auto b = [](int x) { return I8(static_cast<int8_t>(x)); };
    std::vector<std::string> strings;
    if (v >= 676) strings.push_back(f.name);
    return Record(Blocks(v, {{kAlways, b(f.id)},
                             {kAlways, b(f.group)},
                             {kAlways, b(f.testOnly)},
                             {kAlways, b(f.condMode)},
                             {kAlways, b(f.keepMet)},
                             {kAlways, b(f.trigger)},
                             {762, b(f.takeOther)},
                             {767, b(f.slot)},
                             {kAlways, b(f.keyStep)},
                             {kAlways, b(f.keyHold)}}),
                  strings) +
           Counted(f.conds) + Counted(f.keys) + Counted(f.cmds);
}

// A distance condition in the current layout: kind 7, range 6 half blocks.
std::string Condition901() {
    return Record({I8(7), I32(6), I32(0), I32(0), I8(1), I8(3), I8(1), I8(0), I16(0), I8(1), I8(0), I8(0), I8(0),
                   I16(8), I8(0), I8(0), I8(0), I8(0), I8(0), I8(0), I8(6)},
                  {});
}

std::string KeyCond901() {
    std::string keys(19, '\0');
    keys[11] = 1;
    return Record({I8(1), I16(0), I16(0), I8(1), I8(0)}, {}) + I32(19) + keys;
}

// The movement record in the current layout, defaults but for the angle,
// the speed and the anime choice.
std::string Move901(int16_t angle, int16_t speed, int8_t anime) {
    return Record({I8(0),     I8(0),  I16(angle), I16(0), I8(1), I8(1), I8(1), I16(0), I16(0), I16(0),
                   I16(0),    I8(0),  I8(0),      I8(0),  I8(1), I8(0), I8(0), I8(1),  I8(0),  I8(1),
                   I8(0),     I8(0),  I8(0),      I16(speed), I16(0), I16(0), I16(0), I8(0), I16(0), I16(0),
                   I8(0),     I16(0), F64(1.0),   I8(anime), I8(0)},
                  {});
}

// The shot record in the current file order (range before its switch, the
// spare switches before the summon members), defaults but for a few.
std::string Shot901(int8_t count, int16_t graphic, int16_t range, int32_t power) {
    std::string three = I16(30) + I16(0) + I16(0);
    std::string none3 = I16(0) + I16(0) + I16(0);
    return Record({I8(count), I8(2),  three,     I8(0),  I8(0),  I8(0),  I8(0),  I16(0),     I16(0),  I8(1),
                   I16(0),    I8(0),  I8(0),     I16(0), I16(0), I16(0), I16(0), I8(1),      I8(0),   I16(graphic),
                   I8(0),     I8(0),  I8(1),     I8(0),  I8(0),  I8(1),  I8(0),  I8(0),      none3,   I8(0),
                   I8(0),     I16(0), I16(0),    I8(0),  I16(0), I16(0), I16(range), I8(1),  I16(0),  I8(0),
                   I8(0),     I16(0), I16(0),    I8(0),  I8(0),  I8(0),  I8(0),  I8(0),      I32(power), I16(0),
                   I8(0),     I16(1), I8(0),     I16(0), I8(0),  I8(1),  I8(0),  I8(0),      I16(0),  I8(0),
                   I8(0),     I8(0),  I8(0),     I8(0)},
                  {});
}

// Saves a record in the layout of an older data version, as that version's
// writer did; the bytes after the version word.
template <class R>
std::string OldRecordBytes(R& record, int version) {
    int current = g_DataVersion;
    g_DataVersion = version;
    EXPECT_EQ(record.SaveFile("sub.dat"), 1);
    g_DataVersion = current;
    return ReadHostFile("sub.dat").substr(4);
}

class FlowTest : public projtest::FlowListTest {
protected:
    void SetUp() override {
        FlowListTest::SetUp();
        g_Database.SetDefault();
        g_bEditorLaunch = 0;
        g_SystemData.Set(kSysKeepFlaggedFlows, 0);
    }
    void TearDown() override {
        FlowListTest::TearDown();
        g_Database.SetDefault();
        g_bEditorLaunch = 0;
        g_SystemData.Set(kSysKeepFlaggedFlows, 0);
    }

cFlowCmd LoadCommand(int version, const Cmd& c) {
        cVector<cFlowCmd> list;
        EXPECT_TRUE(Load(version, {CmdBytes(version, c)}, list));
        return list.empty() ? cFlowCmd() : list[0];
    }
};

std::vector<int32_t> Padded(std::vector<int32_t> v, size_t n) {
    v.resize(n, 0);
    return v;
}

}  // namespace

TEST_F(FlowTest, FlowWithEverySubRecordLoadsAndIsWrittenByteForByte) {
    std::string condList = Record({I8(1), I8(1)}, {}) + Counted({Condition901()});
    Flow flow{.name = "ab", .id = 2, .condMode = 1, .keepMet = 1, .trigger = 26, .takeOther = 1, .slot = 2,
              .keyStep = 5, .keyHold = 1, .conds = {Condition901()}, .keys = {KeyCond901()}};
    flow.cmds = {CmdBytes(901, {.kind = 2, .move = Move901(30, 25, 2), .time = 12, .timeInc = -1}),
                 CmdBytes(901, {.kind = 11, .shot = Shot901(3, 7, 12, 100000), .parallel = 1, .sound = 1}),
                 CmdBytes(901, {.kind = 16, .params = {1, 2, 0, 1}, .cond = condList, .inView = 0, .anime = 1}),
                 CmdBytes(901, {.kind = 37, .text = "x = 1\n", .inView = 0})};
    cVector<cFlow> flows;
    ASSERT_TRUE(Load(901, {FlowBytes(901, flow)}, flows));
    ASSERT_EQ(flows.Size(), 1);
    const cFlow& f = flows[0];
    EXPECT_EQ(f.m_strName, "");  // the player keeps no flow names
    EXPECT_EQ(f.m_cId, 2);
    EXPECT_EQ(f.m_cTrigger, 26);
    EXPECT_EQ(f.m_cTargetSlot, 2);
    EXPECT_EQ(f.m_cKeyStep, 5);
    ASSERT_EQ(f.m_vCond.Size(), 1);
    EXPECT_EQ(f.m_vCond[0].m_cShape, 6);
    ASSERT_EQ(f.m_vKeyCond.Size(), 1);
    EXPECT_EQ(f.m_vKeyCond[0].m_vKey[11], 1);
    ASSERT_EQ(f.m_vCmd.Size(), 4);

    const cFlowCmd& move = f.m_vCmd[0];
    ASSERT_TRUE(move.m_pMove);
    EXPECT_FALSE(move.m_pShot);
    EXPECT_FALSE(move.m_pCond);
    EXPECT_EQ(move.m_pMove->m_sAngle, 30);
    EXPECT_EQ(move.m_pMove->m_sSpeed, 25);
    EXPECT_EQ(move.m_pMove->m_cAnime, 2);
    EXPECT_EQ(move.m_sTimeInc, -1);

    const cFlowCmd& shot = f.m_vCmd[1];
    EXPECT_FALSE(shot.m_pMove);
    ASSERT_TRUE(shot.m_pShot);
    EXPECT_EQ(shot.m_pShot->m_cCount, 3);
    EXPECT_EQ(shot.m_pShot->m_sGraphic, 7);
    EXPECT_EQ(shot.m_pShot->m_sRange, 12);
    EXPECT_EQ(shot.m_pShot->m_cRangeOn, 1);
    EXPECT_EQ(shot.m_pShot->m_cSpareHero, 1);
    EXPECT_EQ(shot.m_pShot->m_nPower, 100000);
    EXPECT_EQ(shot.m_sSound, 1);

    const cFlowCmd& op = f.m_vCmd[2];
    ASSERT_TRUE(op.m_pCond);
    EXPECT_EQ(op.m_pCond->m_cEnabled, 1);
    ASSERT_EQ(op.m_pCond->m_vCond.Size(), 1);
    EXPECT_EQ(op.m_vParam, (cVector<int32_t>{1, 2, 0, 1}));
    EXPECT_EQ(op.m_cSoundInView, 0);
    EXPECT_EQ(f.m_vCmd[3].m_strText, "x = 1\n");

    flow.name = "";
    EXPECT_EQ(Hex(Save(flows)), Hex(Counted({FlowBytes(901, flow)})));
}

TEST_F(FlowTest, OlderFlowLayoutsAndTheirTriggers) {
    struct Case {
        int version, trigger, group, expectTrigger, expectGroup;
    } cases[] = {
        {130, 11, 3, 16, 0}, {130, 0, 3, 0, 3},   {131, 11, 0, 16, 0}, {132, 11, 0, 15, 0},
        {163, 11, 3, 15, 3}, {761, 18, 0, 25, 0}, {899, 3, 0, 5, 0},   {899, 1, 0, 1, 0},
        {899, 22, 0, 26, 0}, {900, 3, 0, 3, 0},
    };
    for (const Case& c : cases) {
        // Older layouts lack the name (676), take other (762) and slot (767).
        Flow flow{.name = "n", .group = c.group, .trigger = c.trigger, .takeOther = 1, .slot = 1, .keyStep = 4};
        cVector<cFlow> flows;
        ASSERT_TRUE(Load(c.version, {FlowBytes(c.version, flow), FlowBytes(c.version, flow)}, flows)) << c.version;
        ASSERT_EQ(flows.Size(), 2);
        EXPECT_EQ(flows[1].m_cTrigger, c.expectTrigger) << c.version << " trigger " << c.trigger;
        EXPECT_EQ(flows[1].m_cGroup, c.expectGroup) << c.version;
        EXPECT_EQ(flows[1].m_cKeyStep, 4);
        EXPECT_EQ(flows[1].m_cTakeOther, c.version >= 762 ? 1 : 0);
        EXPECT_EQ(flows[1].m_cTargetSlot, c.version >= 767 ? 1 : 0);
        EXPECT_EQ(flows[1].m_strName, "");
    }
}

TEST_F(FlowTest, ParameterUpgradesOfOlderFiles) {
    struct Case {
        int version, category, kind;
        std::vector<int32_t> stored;
        int expectKind;
        std::vector<int32_t> expected;
    } cases[] = {
        // The arrange command: sized and given kind 11 at 726, its slots
        // moved on at 727, renumbered at 734.
        {720, 0, 37, {7, 3, 2}, 38, {11, 6, 2, 0, 0}},
        {720, 1, 22, {7, 3, 2}, 23, {11, 6, 2, 0, 0}},
        {726, 0, 37, {11, 3}, 38, {11, 6, 0, 0, 0}},
        {727, 0, 37, {11, 3}, 38, {11, 3, 0, 0, 0}},
        {733, 0, 37, {24, 3}, 38, {25, 3, 0, 0, 0}},
        {897, 0, 38, {32, 0}, 38, {32, 1, 0, 0, 0}},
        {898, 0, 38, {32, 0}, 38, {32, 0, 0, 0, 0}},
        {898, 0, 38, {22, 0}, 38, {22, 2, 0, 0, 0}},
        {898, 0, 38, {11, 14}, 38, {11, 15, 0, 0, 0}},
        {898, 1, 23, {13, -1}, 23, {13, -1, 0, 0, 0}},
        {899, 0, 38, {22, 0}, 38, {22, 0, 0, 0, 0}},
        // The renumbering: old 24 is today's get-item command, 24 is new.
        {733, 0, 24, {1, 1}, 25, {1, 1}},
        {733, 0, 23, {1, 2, 3, 4, 5}, 23, {1, 2, 3, 4, 5}},
        {733, 1, 9, {0, 1}, 10, {0, 1}},
        {734, 0, 24, {1, 2, 3}, 24, {1, 2, 3}},
        // Old 35 is the music command (today 36): it gains its loop switch.
        {165, 0, 35, {0}, 36, {0, 1}},
        {165, 1, 20, {0}, 21, {0, 1}},
        {166, 0, 35, {0}, 36, {0, 0}},
        // Set target: a slot at 189, three values at 747, a slot at 767.
        {188, 0, 21, {1, 2, 3}, 21, {0, 1, 2, 0, 3, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}},
        {766, 1, 6, {1, 2, 3}, 6, {0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // Change direction and status operation 2 after targets 3 and 4.
        {766, 0, 9, {4}, 9, {10}},
        {767, 0, 9, {4}, 9, {4}},
        {766, 1, 8, {2, 0}, 8, {5, 0, 0, 0, 0}},
        // Status operation: statuses and coordinates, Y points.
        {881, 0, 22, {0, 0, 0, 1, 6}, 22, Padded({0, 0, 0, 1, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}, 22)},
        {881, 0, 22, {0, 0, 0, 5, 6}, 22, Padded({0, 0, 0, 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}, 22)},
        {891, 1, 7, {0, 0, 0, 1, 6}, 7, Padded({0, 0, 0, 1, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}, 22)},
        // Message, effect, stage clear.
        {890, 0, 19, {8}, 19, Padded({9}, 19)},
        {890, 0, 29, {1, 4}, 29, Padded({1, 5}, 9)},
        {721, 1, 2, {3}, 2, Padded({4}, 9)},
        // Flow operation: a fourth parameter at 760.
        {700, 0, 16, {1, 2}, 16, {1, 2, 0, 0}},
        // Change graphic (old kind 25): a chip number moved on, at most 119.
        {218, 0, 25, {3, 5}, 26, {3, 6, 0}},
        {218, 0, 25, {3, 119}, 26, {3, 119, 0}},
        {218, 0, 25, {3, INT32_MAX}, 26, {3, 119, 0}},
        {218, 0, 25, {2, 5}, 26, {2, 5, 0}},
        // Values at the end of the int32 range wrap instead of overflowing.
        {720, 0, 37, {7, INT32_MAX}, 38, {11, INT32_MIN, 0, 0, 0}},
        {766, 0, 9, {INT32_MAX}, 9, {INT32_MIN + 5}},
    };
    for (const Case& c : cases) {
        cFlowCmd cmd = LoadCommand(c.version, {.category = c.category, .kind = c.kind, .params = c.stored});
        EXPECT_EQ(cmd.m_cKind, c.expectKind) << "version " << c.version << " kind " << c.kind;
        EXPECT_EQ(cmd.m_vParam, cVector<int32_t>(c.expected.begin(), c.expected.end()))
            << "version " << c.version << " kind " << c.kind;
    }
}

TEST_F(FlowTest, UpgradesOfTheSubRecords) {
    // Flow operations before 764 get a list that is off; from 764 the file
    // decides, and before 766 a list holds no conditions.
    cFlowCmd op = LoadCommand(700, {.kind = 16, .params = {1, 2}});
    ASSERT_TRUE(op.m_pCond);
    EXPECT_EQ(op.m_pCond->m_cEnabled, 0);
    EXPECT_TRUE(op.m_pCond->m_vCond.empty());
    op = LoadCommand(765, {.kind = 16, .params = {1, 2, 0, 0}, .cond = Record({I8(1), I8(1)}, {})});
    ASSERT_TRUE(op.m_pCond);
    EXPECT_EQ(op.m_pCond->m_cEnabled, 1);
    EXPECT_TRUE(op.m_pCond->m_vCond.empty());
    EXPECT_FALSE(LoadCommand(765, {.kind = 16, .params = {1, 2, 0, 0}}).m_pCond);

    // Shot graphics moved on by one below 220, at most 119.
    cEdShot shot;
    const std::pair<int, int> graphics[] = {{5, 6}, {119, 119}, {118, 119}};
    for (auto [graphic, expected] : graphics) {
        shot.m_sGraphic = static_cast<int16_t>(graphic);
        cFlowCmd c = LoadCommand(150, {.kind = 11, .shot = OldRecordBytes(shot, 150)});
        ASSERT_TRUE(c.m_pShot);
        EXPECT_EQ(c.m_pShot->m_sGraphic, expected);
    }
    shot.m_sGraphic = 5;
    EXPECT_EQ(LoadCommand(220, {.kind = 11, .shot = OldRecordBytes(shot, 220)}).m_pShot->m_sGraphic, 5);

    // Warp: destination modes after targets 3 and 4, set X and Y, the
    // reference point; item warps alike.
    cEdMove move;
    move.m_cMoveBy = 2;
    move.m_cUseX = move.m_cUseY = 0;
    for (int category : {0, 1}) {
        cFlowCmd warp = LoadCommand(700, {.category = category, .kind = category ? 5 : 20,
                                          .move = OldRecordBytes(move, 700)});
        ASSERT_TRUE(warp.m_pMove);
        EXPECT_EQ(warp.m_pMove->m_cMoveBy, 5);
        EXPECT_EQ(warp.m_pMove->m_cUseX + warp.m_pMove->m_cUseY, 2);
        EXPECT_EQ(warp.m_pMove->m_cAnchor, 2);
    }
    move.m_cMoveBy = 1;
    EXPECT_EQ(LoadCommand(700, {.kind = 20, .move = OldRecordBytes(move, 700)}).m_pMove->m_cMoveBy, 1);

    // Charge move below 514: angles cleared, mirrored.
    move.m_sAngle = 30;
    move.m_sAngleInc = 4;
    move.m_cMirrorAngle = 0;
    cFlowCmd charge = LoadCommand(513, {.kind = 5, .move = OldRecordBytes(move, 513)});
    ASSERT_TRUE(charge.m_pMove);
    EXPECT_EQ(charge.m_pMove->m_sAngle, 0);
    EXPECT_EQ(charge.m_pMove->m_sAngleInc, 0);
    EXPECT_EQ(charge.m_pMove->m_cMirrorAngle, 1);

    // A file that left out the record such a step expects: nothing is made
    // up and nothing breaks.
    EXPECT_FALSE(LoadCommand(150, {.kind = 11}).m_pShot);
    EXPECT_FALSE(LoadCommand(500, {.kind = 5}).m_pMove);
    EXPECT_FALSE(LoadCommand(700, {.kind = 20}).m_pMove);
}

TEST_F(FlowTest, NormaliseSizesParametersAndKeepsDatabaseIndexesInTheirTables) {
    // Default database: one anime set, two entries in every other list.
    struct Case {
        int category, kind;
        std::vector<int32_t> params, expected;
    } cases[] = {
        {0, 36, {50, 1}, {1, 1}},
        {0, 36, {-1, 1}, {1, 1}},
        {0, 36, {1, 1}, {1, 1}},
        {1, 21, {9}, {1, 0}},
        {0, 19, std::vector<int32_t>(25, 7), std::vector<int32_t>(19, 7)},
        {1, 22, {1, 2}, {}},
        {1, 1, {}, {0, 0}},
        {0, 26, {4, 5, 0}, {4, 1, 0}},
        {0, 26, {3, 5}, {3, 5, 0}},
        {1, 12, {1}, {0}},
        {0, 28, {2, 0}, {1, 0}},
        {0, 29, {2}, Padded({1}, 9)},
        {1, 15, {-5}, {1, 0, 0}},
        {0, 31, {2}, {1, 0, 0}},
        {1, 17, {2}, Padded({1}, 16)},
        {0, 35, {2}, {1}},
        {0, 35, {1}, {1}},
        // Kinds outside their tables keep no parameters.
        {0, 40, {1, 2, 3}, {}},
        {1, -3, {1}, {}},
        {5, 3, {1}, {}},
    };
    for (const Case& c : cases) {
        cFlowCmd cmd;
        cmd.m_cCategory = static_cast<int8_t>(c.category);
        cmd.m_cKind = static_cast<int8_t>(c.kind);
        cmd.m_vParam.assign(c.params.begin(), c.params.end());
        cmd.Normalize();
        EXPECT_EQ(cmd.m_vParam, cVector<int32_t>(c.expected.begin(), c.expected.end()))
            << "category " << c.category << " kind " << c.kind;
    }

    struct Refs {
        int anime, sound, expectAnime, expectSound;
    } refs[] = {{1, 1, 1, 1}, {2, 2, 0, 0}, {-1, -7, 0, 0}};
    for (const Refs& r : refs) {
        cFlowCmd cmd;
        cmd.m_sAnime = static_cast<int16_t>(r.anime);
        cmd.m_sSound = static_cast<int16_t>(r.sound);
        cmd.Normalize();
        EXPECT_EQ(cmd.m_sAnime, r.expectAnime);
        EXPECT_EQ(cmd.m_sSound, r.expectSound);
    }

    // On read and on write, also inside carried flows.
    cFlowCmd read = LoadCommand(901, {.kind = 19, .params = {1, 2, 3}, .anime = 9});
    EXPECT_EQ(read.m_vParam.Size(), 19);
    EXPECT_EQ(read.m_sAnime, 0);
    cVector<cFlowCmd> list(1);
    list[0].m_cCategory = 1;
    list[0].m_cKind = 1;
    list[0].m_vFlow.resize(1);
    list[0].m_vFlow[0].m_vCmd.resize(1);
    list[0].m_vFlow[0].m_vCmd[0].m_cKind = 36;
    list[0].m_vFlow[0].m_vCmd[0].m_vParam = {40, 1, 9};
    list[0].m_vFlow[0].m_vCmd[0].m_cSoundInView = 0;
    list[0].m_pMove.reset();
    // The carried command keeps the default movement record it was made with.
    Flow carried{.cmds = {CmdBytes(901, {.kind = 36, .params = {1, 1}, .move = Move901(0, 10, 0), .inView = 0})}};
    EXPECT_EQ(Hex(Save(list)), Hex(Counted({CmdBytes(901, {.category = 1, .kind = 1, .params = {0, 0},
                                                           .flows = {FlowBytes(901, carried)}})})));
}

TEST_F(FlowTest, SwordTakesItsTypeAndTimeFromTheSwordDatabase) {
    auto type = [](std::vector<int32_t> times) {
        cSwordTypeData t;
        t.m_vPart.resize(times.size());
        for (size_t i = 0; i < times.size(); ++i) t.m_vPart[i].m_nTime = times[i];
        return t;
    };
    g_Database.m_vSwordType = {type({3, 4}), type({6000, 6000}), type({})};
    struct Case {
        int swordType, expectType, expectTime;
    } cases[] = {{0, 0, 7}, {1, 1, 9999}, {2, 2, 0}, {3, 0, 7}, {-1, 0, 7}};
    for (const Case& c : cases) {
        cFlowCmd sword;
        sword.m_cKind = 12;
        sword.m_sTime = 55;
        MakeEdShot(sword.m_pShot);
        sword.m_pShot->m_cMoveKind = static_cast<int8_t>(c.swordType);
        sword.Normalize();
        EXPECT_EQ(sword.m_pShot->m_cMoveKind, c.expectType) << c.swordType;
        EXPECT_EQ(sword.m_sTime, c.expectTime) << c.swordType;
    }
    // Without its shot record a sword keeps its time.
    cFlowCmd bare;
    bare.m_cKind = 12;
    bare.m_sTime = 55;
    bare.Normalize();
    EXPECT_EQ(bare.m_sTime, 55);
}

TEST_F(FlowTest, PaletteChecksKeepReferencesInsideThePalettes) {
    PaletteSizes sizes;
    sizes.nBlock[0] = 3, sizes.nChara[0] = 4, sizes.nItem[0] = 5;
    sizes.nBlock[1] = 6, sizes.nChara[1] = 7, sizes.nItem[1] = 8;

    struct ShotCase {
        int kind, source, index, expectSource, expectIndex;
    } shots[] = {
        // Shot and sword: the item got on a hit (1 common, 2 stage).
        {11, 1, 5, 0, 0}, {11, 1, 4, 1, 4}, {11, 2, 7, 2, 7}, {12, 2, 8, 0, 0}, {12, 2, -1, 0, 0},
        {11, 3, 100, 3, 100}, {11, 0, 100, 0, 100},
        // Summons: the summoned entry (0 common, 1 stage).
        {13, 0, 3, 0, 1}, {13, 1, 5, 1, 5}, {14, 0, 4, 0, 1}, {14, 1, 6, 1, 6},
        {15, 1, 8, 1, 1}, {15, 2, 99, 2, 99}, {15, 0, -2, 0, 1},
        // Other kinds are not checked.
        {16, 0, 99, 0, 99},
    };
    for (const ShotCase& c : shots) {
        cFlowCmd cmd;
        cmd.m_cKind = static_cast<int8_t>(c.kind);
        MakeEdShot(cmd.m_pShot);
        bool item = c.kind <= 12;
        (item ? cmd.m_pShot->m_cItemSource : cmd.m_pShot->m_cSummonPalette) = static_cast<int8_t>(c.source);
        (item ? cmd.m_pShot->m_sItemIndex : cmd.m_pShot->m_sSummonIndex) = static_cast<int16_t>(c.index);
        cmd.CheckPaletteRefs(sizes);
        EXPECT_EQ(item ? cmd.m_pShot->m_cItemSource : cmd.m_pShot->m_cSummonPalette, c.expectSource) << c.kind;
        EXPECT_EQ(item ? cmd.m_pShot->m_sItemIndex : cmd.m_pShot->m_sSummonIndex, c.expectIndex)
            << c.kind << " " << c.source << " " << c.index;
    }

    struct GetItemCase {
        int category, kind;
        std::vector<int32_t> params, expected;
    } gets[] = {
        {0, 25, {0, 5}, {0, 1}}, {0, 25, {1, 7}, {1, 7}}, {1, 10, {1, 8}, {1, 1}}, {0, 25, {2, 99}, {2, 99}},
    };
    for (const GetItemCase& c : gets) {
        cFlowCmd cmd;
        cmd.m_cCategory = static_cast<int8_t>(c.category);
        cmd.m_cKind = static_cast<int8_t>(c.kind);
        cmd.m_vParam.assign(c.params.begin(), c.params.end());
        cmd.CheckPaletteRefs(sizes);
        EXPECT_EQ(cmd.m_vParam, cVector<int32_t>(c.expected.begin(), c.expected.end()));
    }

    // Inside the flows a change-flow command carries; a shot without its
    // record is passed over.
    cFlow flow;
    flow.m_vCmd.resize(2);
    flow.m_vCmd[0].m_cKind = 11;
    flow.m_vCmd[0].m_pShot.reset();
    flow.m_vCmd[1].m_cCategory = 1;
    flow.m_vCmd[1].m_cKind = 1;
    flow.m_vCmd[1].m_vFlow.resize(1);
    flow.m_vCmd[1].m_vFlow[0].m_vCmd.resize(1);
    cFlowCmd& inner = flow.m_vCmd[1].m_vFlow[0].m_vCmd[0];
    inner.m_cKind = 25;
    inner.m_vParam = {1, 50};
    flow.CheckPaletteRefs(sizes);
    EXPECT_EQ(inner.m_vParam, (cVector<int32_t>{1, 1}));
}

TEST_F(FlowTest, TestPlayFlowsAreDroppedUnlessKept) {
    auto changeFlow = [](int v) {
        return CmdBytes(v, {.category = 1, .kind = 1, .params = {0, 0},
                            .flows = {FlowBytes(v, {.id = 1}), FlowBytes(v, {.id = 2, .testOnly = 1}),
                                      FlowBytes(v, {.id = 3})}});
    };
    struct Case {
        int editor, keep;
        std::vector<int> ids;
    } cases[] = {{0, 0, {1, 3}}, {1, 0, {1, 2, 3}}, {0, 1, {1, 2, 3}}};
    for (const Case& c : cases) {
        g_bEditorLaunch = c.editor;
        g_SystemData.Set(kSysKeepFlaggedFlows, c.keep);
        cVector<cFlowCmd> list;
        ASSERT_TRUE(Load(901, {changeFlow(901)}, list));
        std::vector<int> ids;
        for (const cFlow& f : list[0].m_vFlow) ids.push_back(f.m_cId);
        EXPECT_EQ(ids, c.ids) << "editor " << c.editor << " keep " << c.keep;
    }
}

TEST_F(FlowTest, CommandsOwnTheirSubRecords) {
    cFlowCmd made;
    ASSERT_TRUE(made.m_pMove);  // a new command holds a default movement record
    EXPECT_EQ(made.m_pMove->m_sSpeed, 10);
    EXPECT_FALSE(made.m_pShot);
    EXPECT_EQ(made.m_cSoundInView, 1);

    cFlowCmd src;
    src.m_cKind = 16;
    src.m_vParam = {1, 2, 3, 4};
    src.m_strText = "t";
    MakeEdShot(src.m_pShot);
    MakeCondList(src.m_pCond);
    src.m_pCond->m_vCond.resize(1);
    src.m_vFlow.resize(1);
    src.m_vFlow[0].m_cId = 7;
    cFlowCmd copy(src);
    cFlowCmd assigned;
    assigned = src;
    for (cFlowCmd* c : {&copy, &assigned}) {
        ASSERT_TRUE(c->m_pMove && c->m_pShot && c->m_pCond);
        EXPECT_NE(c->m_pMove.get(), src.m_pMove.get());
        EXPECT_NE(c->m_pShot.get(), src.m_pShot.get());
        EXPECT_NE(c->m_pCond.get(), src.m_pCond.get());
        EXPECT_EQ(c->m_pCond->m_vCond.Size(), 1);
        EXPECT_EQ(c->m_vParam, src.m_vParam);
        EXPECT_EQ(c->m_strText, "t");
        ASSERT_EQ(c->m_vFlow.Size(), 1);
        EXPECT_EQ(c->m_vFlow[0].m_cId, 7);
        c->m_pMove->m_sSpeed = 1;
    }
    EXPECT_EQ(src.m_pMove->m_sSpeed, 10);
    // An absent record in the source empties the target.
    src.m_pShot.reset();
    assigned = src;
    EXPECT_FALSE(assigned.m_pShot);

    src.SetDefault();
    EXPECT_FALSE(src.m_pMove || src.m_pShot || src.m_pCond);
    EXPECT_TRUE(src.m_vParam.empty());
    EXPECT_TRUE(src.m_vFlow.empty());
    EXPECT_EQ(src.m_cSoundInView, 1);
    EXPECT_EQ(src.m_cKind, 0);
    EXPECT_EQ(cFlow().m_cKeyStep, 3);
}

TEST_F(FlowTest, HostileNestingAndCountsAreRefused) {
    // Flows carried by change-flow commands inside carried flows, n deep.
    auto nested = [](int depth) {
        std::string flow = FlowBytes(901, {});
        for (int i = 1; i < depth; ++i)
            flow = FlowBytes(901, {.cmds = {CmdBytes(901, {.category = 1, .kind = 1, .params = {0, 0},
                                                           .flows = {flow}})}});
        return flow;
    };
    cVector<cFlow> flows;
    EXPECT_TRUE(Load(901, {nested(kMaxFlowNesting)}, flows));
    EXPECT_FALSE(Load(901, {nested(kMaxFlowNesting + 1)}, flows));
    EXPECT_FALSE(Load(901, {nested(200)}, flows));

    // Counts the rest of the file cannot hold.
    cVector<cFlowCmd> cmds;
    std::string huge = CmdBytes(901, {.kind = 19});
    huge.replace(huge.size() - 4, 4, I32(0x40000000));
    EXPECT_FALSE(Load(901, {huge}, cmds));
    EXPECT_FALSE(Load(901, {FlowBytes(901, {}).substr(0, 30) + I32(0x7FFFFFFF)}, flows));
    // A sub-record flag with no record behind it.
    EXPECT_FALSE(Load(901, {CmdBytes(901, {.kind = 2}).substr(0, 24) + I32(1)}, cmds));
}
