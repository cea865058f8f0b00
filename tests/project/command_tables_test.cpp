#include "project/command_tables.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(CommandTablesTest, ParameterCountsByCategoryAndKind) {
    struct Case {
        int category, kind, count;
    };
    const Case cases[] = {
        {0, 0, 0},  {0, 1, 0},   {0, 9, 1},   {0, 10, 5},  {0, 16, 4},  {0, 17, 9},  {0, 19, 19},
        {0, 21, 16}, {0, 22, 22}, {0, 23, 5},  {0, 32, 16}, {0, 33, 8},  {0, 37, 0},  {0, 38, 5},
        {0, 39, 2}, {1, 0, 0},   {1, 1, 2},   {1, 4, 19},  {1, 22, 0},  {1, 23, 5},  {1, 24, 2},
        // Outside the tables: no parameters, never an index past the end.
        {0, 40, 0}, {0, -1, 0},  {0, 127, 0}, {0, -128, 0}, {1, 25, 0}, {1, 39, 0}, {1, -1, 0},
        {2, 19, 0}, {-1, 19, 0}, {0, INT_MIN, 0}, {1, INT_MAX, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CmdParamCount(c.category, c.kind), c.count) << c.category << "/" << c.kind;
}

TEST(CommandTablesTest, ItemKindsFromTwoOnAreFlowKindsFifteenHigher) {
    for (int k = 2; k < kItemCmdKinds; ++k) EXPECT_EQ(g_ItemCmdInfo[k].nParamCount, g_FlowCmdInfo[k + 15].nParamCount) << k;
    // The moves, the warp, the shots and summons keep their settings in
    // their sub-records, not in parameters.
    for (int k : {2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 20}) EXPECT_EQ(CmdParamCount(0, k), 0) << k;
}

TEST(CommandTablesTest, ArrangedShotParametersAreLimitedToTheirRows) {
    struct Case {
        int flowKind, slot, formation, moveKind;
        int64_t value;
        int32_t expect;
    };
    const Case cases[] = {
        {11, 3, 3, 0, 80, 50},      // 落雷: columns 1..50
        {11, 3, 3, 0, -4, 1},
        {11, 3, 2, 0, 80, 0},       // 拡散 has no second parameter
        {11, 2, 2, 0, 500, 180},    // 拡散: angle
        {11, 4, 3, 0, 41, 40},      // 落雷: column spacing
        {13, 1, 5, 0, 99, 40},      // block summon, 包囲: distance
        {13, 3, 3, 0, 99, 40},
        {14, 3, 0, 0, 41, 40},      // chara summon, 直進A: spacing
        {14, 4, 3, 0, 60, 50},
        {15, 2, 4, 0, 10, 0},       // 爆発 has no parameters
        {15, 3, 3, 0, 0, 1},
        {11, 17, 0, 4, 2000, 999},  // 主人公へ誘導: homing end
        {11, 16, 0, 4, -1, 0},
        {11, 18, 0, 8, 400, 359},   // wave: start angle
        {11, 18, 0, 5, 8, 7},       // target faction
        {11, 18, 0, 4, 8, 0},
        {11, 16, 0, 0, 30, 0},      // 直進 has no parameters
        {11, 16, 0, 9, 30, 30},
        // Kinds outside the tables (a damaged record) act as empty rows.
        {11, 2, 6, 0, 30, 0},
        {11, 2, -1, 0, 30, 0},
        {14, 5, 127, 0, 30, 0},
        {11, 16, 0, 10, 30, 0},
        {11, 17, 0, -128, 30, 0},
        {11, 2, 0, 0, INT64_MAX, 40},
        {11, 2, 0, 0, INT64_MIN, 0},
    };
    for (const Case& c : cases) {
        const PARAMRANGE* r = ArrangeShotRange(c.flowKind, c.slot, c.formation, c.moveKind);
        ASSERT_NE(r, nullptr) << c.flowKind << "/" << c.slot;
        EXPECT_EQ(r->Limit(c.value), c.expect) << c.flowKind << "/" << c.slot << " " << c.formation << "/" << c.moveKind;
    }
}

TEST(CommandTablesTest, OtherSlotsTakeTheirRangeElsewhere) {
    struct Case {
        int flowKind, slot;
    };
    const Case cases[] = {{11, 1}, {11, 5}, {11, 15}, {11, 19}, {12, 2}, {13, 0}, {13, 4},
                          {14, 2}, {14, 6}, {15, 1}, {15, 5}, {16, 2}, {38, 3}, {-1, 2}};
    for (const Case& c : cases) EXPECT_EQ(ArrangeShotRange(c.flowKind, c.slot, 3, 4), nullptr) << c.flowKind << "/" << c.slot;
}

TEST(CommandTablesTest, ParameterRowsByKind) {
    EXPECT_EQ(ShotFormParam(2, 1).sDefault, 30);
    EXPECT_EQ(ShotFormParam(5, 1).sDefault, 6);
    EXPECT_EQ(ShotFormParam(3, 2).sMin, 1);
    EXPECT_EQ(ShotMoveParam(8, 1).sMax, 100);
    EXPECT_EQ(ShotMoveParam(7, 2).sDefault, 999);
    for (int param : {0, 4, -1}) {
        EXPECT_EQ(ShotFormParam(0, param).sMax, 0);
        EXPECT_EQ(ShotMoveParam(8, param).sMax, 0);
    }
}

}  // namespace
