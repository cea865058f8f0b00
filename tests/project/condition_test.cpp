#include "project/condition.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "core/report_log.h"
#include "project/database_fixtures.h"
#include "project/list_file_test.h"
#include "support/test_support.h"

using namespace dbfix;
using orvtest::Hex;
using orvtest::ReadHostFile;
using orvtest::WriteHostFile;

namespace {

// Every stored member of a condition, in declaration order, plus the two
// 16-bit values that files before 110 hold in place of the random bounds.
struct Cond {
    int kind = 0, leftSource = 0, leftArea = 0, subject = 0, leftItem = 0, varIndex = 0, rightSource = 0, value = 0,
        randLow = 0, randHigh = 0, rightSubject = 0, rightItem = 0, rightArea = 0, rightIndex = 0, op = 0,
        percent = 0, leftXY = 0, rightXY = 0, leftYPoint = 0, rightYPoint = 0, shape = 0, old1 = 0, old2 = 0;
};

// A condition as a file of that version holds it, from the layout table.
std::string ConditionBytes(int v, const Cond& c) {
    std::vector<std::string> b = {I8(static_cast<int8_t>(c.kind)), I32(c.value)};
    if (v >= 110) {
        for (const std::string& s :
             {I32(c.randLow), I32(c.randHigh), I8(static_cast<int8_t>(c.subject)), I8(static_cast<int8_t>(c.leftItem)),
              I8(static_cast<int8_t>(c.leftSource)), I8(static_cast<int8_t>(c.leftArea)),
              I16(static_cast<int16_t>(c.varIndex)), I8(static_cast<int8_t>(c.rightSource)),
              I8(static_cast<int8_t>(c.rightSubject)), I8(static_cast<int8_t>(c.rightItem)),
              I8(static_cast<int8_t>(c.rightArea)), I16(static_cast<int16_t>(c.rightIndex))})
            b.push_back(s);
    } else {
        b.push_back(I16(static_cast<int16_t>(c.old1)));
        b.push_back(I16(static_cast<int16_t>(c.old2)));
    }
    b.push_back(I8(static_cast<int8_t>(c.op)));
    if (v >= 43) b.push_back(I8(static_cast<int8_t>(c.percent)));
    if (v >= 883) b.push_back(I8(static_cast<int8_t>(c.leftXY)));
    if (v >= 883) b.push_back(I8(static_cast<int8_t>(c.rightXY)));
    if (v >= 893) b.push_back(I8(static_cast<int8_t>(c.leftYPoint)));
    if (v >= 893) b.push_back(I8(static_cast<int8_t>(c.rightYPoint)));
    b.push_back(I8(static_cast<int8_t>(c.shape)));
    return Record(b, {});
}

Cond Members(const cCondition& c) {
    return Cond{c.m_cKind,       c.m_cLeftSource,  c.m_cLeftArea,   c.m_cSubject,    c.m_cLeftItem,
                c.m_sVarIndex,   c.m_cRightSource, c.m_nValue,      c.m_nRandLow,    c.m_nRandHigh,
                c.m_cRightSubject, c.m_cRightItem, c.m_cRightArea,  c.m_sRightIndex, c.m_cOperator,
                c.m_cPercent,    c.m_cLeftXYMode,  c.m_cRightXYMode, c.m_cLeftYPoint, c.m_cRightYPoint,
                c.m_cShape,      0,                0};
}

std::string Show(const Cond& c) {
    std::string s;
    for (int v : {c.kind, c.leftSource, c.leftArea, c.subject, c.leftItem, c.varIndex, c.rightSource, c.value,
                  c.randLow, c.randHigh, c.rightSubject, c.rightItem, c.rightArea, c.rightIndex, c.op, c.percent,
                  c.leftXY, c.rightXY, c.leftYPoint, c.rightYPoint, c.shape})
        s += std::to_string(v) + " ";
    return s;
}

class ConditionTest : public projtest::FlowListTest {};

}  // namespace

TEST(CompareByOp, OperatorsIncludingDivisibilityAndUnknownOnes) {
    struct Case {
        int32_t a, b;
        int op;
        bool result;
    } cases[] = {
        {5, 5, 0, true},      {5, 6, 0, false},     {5, 6, 1, true},         {6, 6, 2, true},
        {5, 6, 2, false},     {6, 6, 3, true},      {7, 6, 3, false},        {6, 6, 4, false},
        {7, 6, 4, true},      {5, 6, 5, true},      {6, 6, 5, false},        {-9, 3, 6, true},
        {-9, -3, 6, true},    {7, 0, 6, true},      {7, 0, 7, false},        {10, -4, 7, true},
        {10, 5, 7, false},    {4, 4, 8, false},     {4, 4, -1, false},       {INT_MIN, -1, 6, true},
        {INT_MIN, -1, 7, false}, {INT_MIN, 3, 7, true}, {INT_MAX, INT_MIN, 6, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareByOp(c.a, c.b, c.op), c.result) << c.a << " op " << c.op << " " << c.b;
}

TEST(CompareByOp, NarrowFormsCompareInTheirWidth) {
    // A stored 300 is 44 as a byte and 300 as 16 bits.
    EXPECT_TRUE(CompareByOp8(static_cast<int8_t>(300), static_cast<int8_t>(44), 0));
    EXPECT_FALSE(CompareByOp16(static_cast<int16_t>(300), static_cast<int16_t>(44), 0));
    EXPECT_TRUE(CompareByOp8(static_cast<int8_t>(-128), static_cast<int8_t>(127), 5));
    EXPECT_TRUE(CompareByOp16(static_cast<int16_t>(-32768), static_cast<int16_t>(-1), 6));
    EXPECT_TRUE(CompareByOp16(static_cast<int16_t>(-32768), static_cast<int16_t>(3), 7));
    EXPECT_FALSE(CompareByOp8(static_cast<int8_t>(9), static_cast<int8_t>(0), 7));
}

TEST_F(ConditionTest, CurrentLayoutLoadsAndIsWrittenByteForByte) {
    const Cond all{.kind = 4, .leftSource = 1, .leftArea = 1, .subject = 3, .leftItem = 9, .varIndex = -300,
                   .rightSource = 2, .value = -123456, .randLow = -5, .randHigh = 70000, .rightSubject = 5,
                   .rightItem = 2, .rightArea = 1, .rightIndex = 4000, .op = 6, .percent = 1, .leftXY = 2,
                   .rightXY = 1, .leftYPoint = 1, .rightYPoint = 2, .shape = 6};
    std::string bytes = ConditionBytes(901, all);
    ASSERT_EQ(bytes.size(), 40u);  // 21 blocks of 32 bytes and the two counts
    cVector<cCondition> list;
    ASSERT_TRUE(Load(901, {bytes}, list));
    ASSERT_EQ(list.Size(), 1);
    EXPECT_EQ(Show(Members(list[0])), Show(all));
    EXPECT_EQ(Hex(Save(list)), Hex(Counted({bytes})));
}

TEST_F(ConditionTest, OldLayoutsDropTheOldPairAndKeepWhatTheyDoNotStore) {
    // Before 110: kind, comparand, two dropped 16-bit values, operator,
    // percent flag (from 43), shape.
    cVector<cCondition> list;
    ASSERT_TRUE(Load(42, {ConditionBytes(42, {.kind = 3, .value = -1, .op = 5, .shape = 2, .old1 = 9})}, list));
    ASSERT_EQ(list.Size(), 1);
    EXPECT_EQ(Show(Members(list[0])), Show(Cond{.kind = 3, .value = -1, .op = 5, .shape = 2}));
    ASSERT_TRUE(Load(100, {ConditionBytes(100, {.kind = 2, .value = 55, .op = 3, .percent = 1, .shape = 4,
                                                .old1 = 0x1111, .old2 = 0x2222}),
                           ConditionBytes(100, {.kind = 3, .value = -1, .op = 5, .shape = 2, .old1 = 9})},
                     list));
    ASSERT_EQ(list.Size(), 2);
    EXPECT_EQ(Show(Members(list[0])), Show(Cond{.kind = 2, .value = 55, .op = 3, .percent = 1, .shape = 4}));
    EXPECT_EQ(Show(Members(list[1])), Show(Cond{.kind = 3, .value = -1, .op = 5, .shape = 2}));
    // Written back in the current layout.
    EXPECT_EQ(Hex(Save(list)),
              Hex(Counted({ConditionBytes(901, Members(list[0])), ConditionBytes(901, Members(list[1]))})));
}

TEST_F(ConditionTest, UpgradeStepsOfOlderFiles) {
    struct Case {
        int version;
        Cond stored, expected;
    } cases[] = {
        // Kinds from 5 moved up by two; as a distance condition it then
        // gets the distance steps too.
        {159, {.kind = 5, .leftItem = 3}, {.kind = 7, .leftItem = 3, .rightSource = 1, .rightSubject = 1}},
        {159, {.kind = 4, .leftItem = 3}, {.kind = 4, .leftItem = 3}},
        // "Standing on a block" turned over.
        {160, {.kind = 6, .leftItem = 2, .op = 0}, {.kind = 6, .leftItem = 2, .op = 1}},
        {161, {.kind = 6, .leftItem = 2, .op = 0}, {.kind = 6, .leftItem = 2, .op = 0}},
        // Status items: +1 at 168 and 203, +2 at 883; subject 0 is the chara.
        {167, {.kind = 4, .leftItem = 10}, {.kind = 4, .leftItem = 14}},
        {202, {.kind = 4, .leftItem = 5, .rightSource = 2, .rightSubject = 1, .rightItem = 4},
         {.kind = 4, .leftItem = 8, .rightSource = 2, .rightSubject = 1, .rightItem = 4}},
        // A status of the old system subject (2) is not renumbered; the
        // subject becomes 5 at 767, which the step at 883 leaves alone too.
        {167, {.kind = 4, .subject = 2, .leftItem = 10}, {.kind = 4, .subject = 5, .leftItem = 10}},
        {760, {.kind = 4, .subject = 1, .leftItem = 6, .rightSource = 2, .rightSubject = 2, .rightItem = 7},
         {.kind = 4, .subject = 1, .leftItem = 8, .rightSource = 2, .rightSubject = 5, .rightItem = 7}},
        {760, {.kind = 4, .leftSource = 1, .leftItem = 6}, {.kind = 4, .leftSource = 1, .leftItem = 6}},
        {883, {.kind = 4, .leftItem = 6, .leftXY = 2}, {.kind = 4, .leftItem = 6, .leftXY = 2}},
        // State properties from 6 moved up at 210.
        {209, {.kind = 5, .leftItem = 6}, {.kind = 5, .leftItem = 7}},
        {209, {.kind = 5, .subject = 2, .leftItem = 6}, {.kind = 5, .subject = 5, .leftItem = 6}},
        {210, {.kind = 5, .leftItem = 6}, {.kind = 5, .leftItem = 6}},
        // Distance conditions gained their display settings.
        {600, {.kind = 7, .leftSource = 2, .subject = 3}, {.kind = 7, .rightSource = 1, .rightSubject = 1}},
        {700, {.kind = 7, .leftSource = 2, .subject = 3},
         {.kind = 7, .subject = 3, .rightSource = 1, .rightSubject = 1}},
        {745, {.kind = 7, .leftSource = 2, .subject = 3},
         {.kind = 7, .leftSource = 2, .subject = 3, .rightSource = 1, .rightSubject = 1}},
        {746, {.kind = 7, .leftSource = 2, .subject = 3}, {.kind = 7, .leftSource = 2, .subject = 3}},
        {901, {.kind = 4, .subject = 2, .leftItem = 10, .leftYPoint = 2}, {.kind = 4, .subject = 2, .leftItem = 10,
                                                                          .leftYPoint = 2}},
    };
    for (const Case& c : cases) {
        cVector<cCondition> list;
        ASSERT_TRUE(Load(c.version, {ConditionBytes(c.version, c.stored)}, list));
        ASSERT_EQ(list.Size(), 1);
        EXPECT_EQ(Show(Members(list[0])), Show(c.expected)) << "version " << c.version << ": " << Show(c.stored);
    }
}

TEST_F(ConditionTest, ConditionListStoresItsConditionsFrom766) {
    // Two lists in a row: each holds only its two bytes at 765.
    cVector<cCondList> lists;
    ASSERT_TRUE(Load(765, {Record({I8(1), I8(1)}, {}), Record({I8(0), I8(1)}, {})}, lists));
    ASSERT_EQ(lists.Size(), 2);
    EXPECT_EQ(lists[0].m_cEnabled, 1);
    EXPECT_EQ(lists[1].m_cEnabled, 0);
    EXPECT_EQ(lists[1].m_cMode, 1);
    EXPECT_TRUE(lists[0].m_vCond.empty());

    std::vector<std::string> at766 = {Record({I8(1), I8(0)}, {}) + Counted({ConditionBytes(766, {.kind = 1,
                                                                                                  .varIndex = 3,
                                                                                                  .value = 5})}),
                                      Record({I8(0), I8(1)}, {}) + Counted({})};
    ASSERT_TRUE(Load(766, at766, lists));
    ASSERT_EQ(lists.Size(), 2);
    ASSERT_EQ(lists[0].m_vCond.Size(), 1);
    EXPECT_EQ(lists[0].m_vCond[0].m_nValue, 5);
    EXPECT_TRUE(lists[1].m_vCond.empty());

    // A copy owns its conditions; a default list is empty and off.
    cCondList copy = lists[0];
    copy.m_vCond[0].m_nValue = 9;
    EXPECT_EQ(lists[0].m_vCond[0].m_nValue, 5);
    boost::shared_ptr<cCondList> made;
    MakeCondList(made);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->m_cEnabled, 0);
    EXPECT_TRUE(made->m_vCond.empty());
}

TEST_F(ConditionTest, KeyConditionsKeepTheirStoredKeyCount) {
    auto key = [](int8_t mode, const std::vector<int8_t>& keys, bool counted = true) {
        std::string out = Record({I8(1), I16(2), I16(30), I8(0), I8(mode)}, {});
        if (!counted) return out + I32(0);
        out += I32(static_cast<int32_t>(keys.size()));
        for (int8_t k : keys) out += I8(k);
        return out;
    };
    std::vector<int8_t> nineteen(19, 0);
    nineteen[11] = 1;
    nineteen[2] = 2;
    cVector<cKeyCond> keys;
    ASSERT_TRUE(Load(901, {key(2, {}, false), key(1, {1, 0, 2, 0, 1}), key(0, nineteen)}, keys));
    ASSERT_EQ(keys.Size(), 3);
    // Count 0: the default's 19 ignored keys.
    EXPECT_EQ(keys[0].m_vKey, cVector<int8_t>(19, 0));
    EXPECT_EQ(keys[0].m_cMode, 2);
    EXPECT_EQ(keys[0].m_sHoldMax, 30);
    EXPECT_EQ(keys[1].m_vKey, (cVector<int8_t>{1, 0, 2, 0, 1}));
    EXPECT_EQ(keys[2].m_vKey[11], 1);
    EXPECT_EQ(Hex(Save(keys)), Hex(Counted({key(2, std::vector<int8_t>(19, 0)), key(1, {1, 0, 2, 0, 1}),
                                            key(0, nineteen)})));

    // SetDefault sizes to 19 and keeps the entries there.
    cKeyCond k = keys[1];
    k.m_cMode = 1;
    k.SetDefault();
    EXPECT_EQ(k.m_cMode, 0);
    EXPECT_EQ(k.m_vKey.Size(), 19);
    EXPECT_EQ(k.m_vKey[2], 2);
    k.m_vKey.resize(25, 1);
    k.SetDefault();
    EXPECT_EQ(k.m_vKey.Size(), 19);
}

TEST_F(ConditionTest, ImpossibleCountsRefuseTheFile) {
    cVector<cCondition> conds;
    WriteHostFile("in.dat", I32(901) + I32(1000000) + ConditionBytes(901, {}));
    DataFile* file = OpenDataFile("in.dat");
    ASSERT_TRUE(file);
    EXPECT_FALSE(ReadRecordVector(conds, file));
    EXPECT_EQ(CloseDataFile(file), 0);

    cVector<cKeyCond> keys;
    EXPECT_FALSE(Load(901, {Record({I8(0), I16(0), I16(0), I8(0), I8(0)}, {}) + I32(0x7FFFFFFF)}, keys));
    // A negative count is no conditions.
    cVector<cCondList> lists;
    ASSERT_TRUE(Load(901, {Record({I8(1), I8(0)}, {}) + I32(-1)}, lists));
    EXPECT_TRUE(lists[0].m_vCond.empty());
}
