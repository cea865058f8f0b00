#include "project/block_def.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "project/common_palette.h"
#include "project/list_file_test.h"
#include "project/palette_fixtures.h"
#include "project/stage_info.h"
#include "support/test_support.h"

using namespace palfix;
using orvtest::Hex;

namespace {

// A block with a value of its own in every group, unlike the defaults.
cPltBlock Distinct(int base) {
    cPltBlock b;
    b.m_strName = "block" + std::to_string(base);
    b.m_vCond.resize(static_cast<size_t>(base % 3 + 1));
    b.m_vCond[0].m_nValue = base;
    b.m_cCondMode = static_cast<int8_t>(base % 2);
    b.m_cKeepMet = static_cast<int8_t>(base % 2 + 1);
    b.m_cSheet = static_cast<int8_t>(base % 5);
    b.m_sChip = static_cast<int16_t>(base + 1);
    b.m_sSheetSub = static_cast<int16_t>(base + 2);
    b.m_cFront = static_cast<int8_t>(base + 3);
    b.m_cHidden = static_cast<int8_t>(base + 4);
    b.m_cIconMode = static_cast<int8_t>(base + 5);
    b.m_sIcon = static_cast<int16_t>(base + 6);
    b.m_cHit = static_cast<int8_t>(base % 3);
    b.m_ucPassClass = static_cast<uint8_t>(base + 7);
    b.m_cStandEffect = static_cast<int8_t>(base + 8);
    b.m_nEffectValue = base + 9;
    b.m_cItemSrc = static_cast<int8_t>(base % 3);
    b.m_sItemIdx = static_cast<int16_t>(base + 10);
    b.m_cSummonProof = static_cast<int8_t>(base + 11);
    return b;
}

// The members of each inheritable group, as numbers.
std::vector<int64_t> Group(const cPltBlock& b, int group) {
    switch (group) {
    case 0: return {static_cast<int64_t>(std::hash<std::string>{}(b.m_strName))};
    case 1: return {b.m_vCond.Size(), b.m_vCond.empty() ? -1 : b.m_vCond[0].m_nValue, b.m_cCondMode, b.m_cKeepMet};
    case 2: return {b.m_cSheet, b.m_sChip, b.m_sSheetSub};
    case 3: return {b.m_cFront};
    case 4: return {b.m_cHidden};
    case 5: return {b.m_cIconMode, b.m_sIcon};
    case 6: return {b.m_cHit};
    case 7: return {b.m_ucPassClass};
    case 8: return {b.m_cStandEffect, b.m_nEffectValue};
    case 9: return {b.m_cItemSrc, b.m_sItemIdx};
    case 10: return {b.m_cSummonProof};
    default: return {};
    }
}

class BlockDefTest : public projtest::ListFileTest {
protected:
    void SetUp() override {
        ListFileTest::SetUp();
        Reset();
    }
    void TearDown() override {
        Reset();
        ListFileTest::TearDown();
    }
    static void Reset() {
        g_CommonPalette.m_vBlock.assign(2, cPltBlock());
        g_CommonPalette.m_vItem.assign(2, cPltItem());
        g_Stage.m_vPltBlock.assign(2, cPltBlock());
        g_Stage.m_vPltItem.assign(2, cPltItem());
    }
    bool Load(int version, const Blk& b, cPltBlock& out) {
        return LoadBytes(I32(version) + BlockBytes(b), [&](DataFile* file) { return out.Read(file); });
    }
    std::string Save(cPltBlock& b) {
        return SaveBytes([&](DataFile* file) { return b.Write(file); }).substr(4);
    }
};

}  // namespace

TEST_F(BlockDefTest, StoredBlockLoadsEveryFieldAndIsWrittenByteForByte) {
    Blk stored{.condMode = 1, .keepMet = 1, .chip = 300, .sheet = 4, .sub = -2, .front = 1, .hidden = 1,
               .iconMode = 2, .icon = 17, .hit = 2, .pass = 3, .stand = 4, .value = -70000, .itemSrc = 2,
               .itemIdx = 1, .proof = 1, .name = "岩", .col = 999, .row = -1,
               .flags = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1}, .conds = {VarCondition(42), VarCondition(-5)}};
    cPltBlock b;
    ASSERT_TRUE(Load(901, stored, b));
    EXPECT_EQ(b.m_cCondMode, 1);
    EXPECT_EQ(b.m_cKeepMet, 1);
    EXPECT_EQ(b.m_sChip, 300);
    EXPECT_EQ(b.m_cSheet, 4);
    EXPECT_EQ(b.m_sSheetSub, -2);
    EXPECT_EQ(b.m_cFront, 1);
    EXPECT_EQ(b.m_cHidden, 1);
    EXPECT_EQ(b.m_cIconMode, 2);
    EXPECT_EQ(b.m_sIcon, 17);
    EXPECT_EQ(b.m_cHit, 2);
    EXPECT_EQ(b.m_ucPassClass, 3);
    EXPECT_EQ(b.m_cStandEffect, 4);
    EXPECT_EQ(b.m_nEffectValue, -70000);
    EXPECT_EQ(b.m_cItemSrc, 2);
    EXPECT_EQ(b.m_sItemIdx, 1);
    EXPECT_EQ(b.m_cSummonProof, 1);
    EXPECT_EQ(b.m_strName, "岩");
    EXPECT_EQ(b.m_sCol, 999);
    EXPECT_EQ(b.m_sRow, -1);
    EXPECT_EQ(b.m_vInheritFlag, (cVector<int8_t>{0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    ASSERT_EQ(b.m_vCond.Size(), 2);
    EXPECT_EQ(b.m_vCond[0].m_nValue, 42);
    EXPECT_EQ(b.m_vCond[1].m_nValue, -5);
    EXPECT_EQ(b.m_vCond[1].m_sVarIndex, 3);
    EXPECT_EQ(Hex(Save(b)), Hex(BlockBytes(stored)));
}

TEST_F(BlockDefTest, FreshAndResetBlocksHoldTheDefaults) {
    cPltBlock fresh;
    EXPECT_EQ(fresh.m_cHit, 1);
    EXPECT_EQ(fresh.m_ucPassClass, 255);
    EXPECT_EQ(fresh.m_sChip, 0);
    EXPECT_EQ(fresh.m_vInheritFlag, cVector<int8_t>(11, 0));

    // Entry 0 of a palette is reset in place: nothing it held survives.
    cPltBlock used = Distinct(4);
    used.m_sCol = 5;
    used.m_sRow = 6;
    used.m_cInheritSrc = 1;
    used.m_sInheritIdx = 1;
    used.m_vInheritFlag.assign(20, 1);
    used.SetDefault();
    EXPECT_EQ(Hex(Save(used)), Hex(Save(fresh)));
    EXPECT_TRUE(used.m_vCond.empty());
    EXPECT_EQ(used.m_vInheritFlag, cVector<int8_t>(11, 0));

    // Lists grow by such defaults.
    cVector<cPltBlock> list;
    list.resize(2);
    EXPECT_EQ(list[1].m_ucPassClass, 255);
    EXPECT_EQ(list[1].m_cHit, 1);
}

TEST_F(BlockDefTest, StoredFlagCountDecidesTheFlagList) {
    struct Case {
        std::string flags;
        cVector<int8_t> expected;
    } cases[] = {
        {I32(0), cVector<int8_t>(11, 0)},
        {I32(-1), cVector<int8_t>(11, 0)},
        {I32(3) + I8(1) + I8(0) + I8(1), {1, 0, 1}},
        {I32(12) + std::string(12, '\1'), cVector<int8_t>(12, 1)},
    };
    for (const Case& c : cases) {
        std::string bytes = BlockBytes({.chip = 1});
        // The flag part sits after the record, the column and the row.
        size_t at = bytes.size() - 4 - (4 + 11);
        bytes = bytes.substr(0, at) + c.flags + I32(0);
        cPltBlock b;
        ASSERT_TRUE(LoadBytes(I32(901) + bytes, [&](DataFile* file) { return b.Read(file); })) << Hex(c.flags);
        EXPECT_EQ(b.m_vInheritFlag, c.expected) << Hex(c.flags);
    }
}

TEST_F(BlockDefTest, ShotChipsOfFilesBefore219MoveUpByOne) {
    struct Case {
        int version, sheet, chip, expected;
    } cases[] = {
        {218, 3, 5, 6}, {218, 3, 119, 119}, {218, 3, 118, 119}, {218, 3, 32767, 119},
        {218, 0, 5, 5}, {218, 2, 5, 5},     {219, 3, 5, 5},     {901, 3, 5, 5},
    };
    for (const Case& c : cases) {
        cPltBlock b;
        ASSERT_TRUE(Load(c.version, {.chip = c.chip, .sheet = c.sheet}, b));
        EXPECT_EQ(b.m_sChip, c.expected) << c.version << " " << c.sheet << " " << c.chip;
    }
}

TEST_F(BlockDefTest, ValidationKeepsReferencesInsideThePalettes) {
    g_CommonPalette.m_vBlock.resize(3);
    g_Stage.m_vPltBlock.resize(4);
    g_CommonPalette.m_vItem.resize(5);
    g_Stage.m_vPltItem.resize(6);
    struct Case {
        int source, index, expectSource, expectIndex;
    } inherit[] = {
        {1, 2, 1, 2}, {1, 3, 0, 0}, {1, -1, 0, 0}, {2, 3, 2, 3}, {2, 4, 0, 0},
        {2, -1, 0, 0}, {2, -32768, 0, 0}, {0, 99, 0, 99}, {3, 99, 3, 99},
    }, items[] = {
        {1, 4, 1, 4}, {1, 5, 0, 0}, {1, -1, 0, 0}, {2, 5, 2, 5}, {2, 6, 0, 0}, {0, 99, 0, 99}, {3, 99, 3, 99},
    };
    for (const Case& c : inherit) {
        cPltBlock b;
        b.m_cInheritSrc = static_cast<int8_t>(c.source);
        b.m_sInheritIdx = static_cast<int16_t>(c.index);
        b.Validate();
        EXPECT_EQ(b.m_cInheritSrc, c.expectSource) << c.source << " " << c.index;
        EXPECT_EQ(b.m_sInheritIdx, c.expectIndex) << c.source << " " << c.index;
    }
    for (const Case& c : items) {
        cPltBlock b;
        b.m_cItemSrc = static_cast<int8_t>(c.source);
        b.m_sItemIdx = static_cast<int16_t>(c.index);
        b.ValidateItemRef();
        EXPECT_EQ(b.m_cItemSrc, c.expectSource) << c.source << " " << c.index;
        EXPECT_EQ(b.m_sItemIdx, c.expectIndex) << c.source << " " << c.index;
    }
}

TEST_F(BlockDefTest, AnEmptyChipLosesItsHitKindAndSummonProofOnTheWayThroughAFile) {
    cPltBlock empty;
    empty.m_cHit = 2;
    empty.m_cSummonProof = 1;
    std::string bytes = Save(empty);
    EXPECT_EQ(Hex(bytes), Hex(BlockBytes({.hit = 0})));
    cPltBlock back;
    back.m_sChip = 7;  // overwritten by the read
    ASSERT_TRUE(LoadBytes(I32(901) + BlockBytes({.hit = 2, .proof = 1}), [&](DataFile* f) { return back.Read(f); }));
    EXPECT_EQ(back.m_cHit, 0);
    EXPECT_EQ(back.m_cSummonProof, 0);

    // A chip keeps both.
    cPltBlock solid;
    ASSERT_TRUE(Load(901, {.chip = 1, .hit = 2, .proof = 1}, solid));
    EXPECT_EQ(solid.m_cHit, 2);
    EXPECT_EQ(solid.m_cSummonProof, 1);
}

TEST_F(BlockDefTest, EachFlagTakesExactlyItsGroupFromTheSource) {
    g_CommonPalette.m_vBlock.push_back(Distinct(20));
    const cPltBlock& source = g_CommonPalette.m_vBlock[2];
    for (int flagged = 0; flagged < cPltBlock::kInheritGroups; ++flagged) {
        cPltBlock own = Distinct(31);
        own.m_cInheritSrc = 1;
        own.m_sInheritIdx = 2;
        cPltBlock e = own;
        e.m_vInheritFlag[static_cast<size_t>(flagged)] = 1;
        e.Inherit();
        for (int g = 0; g < cPltBlock::kInheritGroups; ++g)
            EXPECT_EQ(Group(e, g), Group(g == flagged ? source : own, g)) << "flag " << flagged << " group " << g;
        EXPECT_EQ(e.m_cInheritSrc, 1);
        EXPECT_EQ(e.m_sInheritIdx, 2);
    }
}

TEST_F(BlockDefTest, InheritanceThatFindsNoSourceChangesNothing) {
    g_CommonPalette.m_vBlock.push_back(Distinct(20));
    g_Stage.m_vPltBlock.push_back(Distinct(40));
    struct Case {
        int source, index, expectSource;
    } cases[] = {
        {1, 0, 1},       // entry 0 is never a source
        {2, 0, 2},
        {1, 3, 0},       // one past the common list
        {2, 3, 0},
        {1, -1, 0},      // negative indexes are outside too
        {2, -300, 0},
        {3, 2, 3},       // an unknown source names the entry itself
        {0, 2, 0},
    };
    for (const Case& c : cases) {
        cPltBlock own = Distinct(7);
        own.m_cInheritSrc = static_cast<int8_t>(c.source);
        own.m_sInheritIdx = static_cast<int16_t>(c.index);
        own.m_vInheritFlag.assign(11, 1);
        cPltBlock e = own;
        e.Inherit();
        for (int g = 0; g < cPltBlock::kInheritGroups; ++g)
            EXPECT_EQ(Group(e, g), Group(own, g)) << c.source << " " << c.index << " group " << g;
        EXPECT_EQ(e.m_cInheritSrc, c.expectSource) << c.source << " " << c.index;
        EXPECT_EQ(e.m_sInheritIdx, c.index);
    }
}

TEST_F(BlockDefTest, FlagsPastTheGroupsAreIgnored) {
    g_Stage.m_vPltBlock.push_back(Distinct(40));
    cPltBlock e = Distinct(7);
    e.m_cInheritSrc = 2;
    e.m_sInheritIdx = 2;
    e.m_vInheritFlag.assign(200, 1);
    e.Inherit();
    for (int g = 0; g < cPltBlock::kInheritGroups; ++g) EXPECT_EQ(Group(e, g), Group(g_Stage.m_vPltBlock[2], g));
    EXPECT_EQ(e.m_vInheritFlag.Size(), 200);
}

TEST_F(BlockDefTest, StagePaletteEntriesInheritWhatEarlierEntriesHoldWhenRead) {
    std::vector<int8_t> hitOnly(11, 0), nameOnly(11, 0);
    hitOnly[6] = 1;
    nameOnly[0] = 1;
    // Entry 1 takes the hit kind of entry 2, which is not read yet; entry 2
    // takes the name of entry 1, read already; entry 3 takes from itself.
    std::string list = I32(4) + BlockBytes({.chip = 1, .hit = 2}) +
                       BlockBytes({.src = 2, .idx = 2, .chip = 1, .hit = 0, .name = "first", .flags = hitOnly}) +
                       BlockBytes({.src = 2, .idx = 1, .chip = 1, .hit = 2, .name = "second", .flags = nameOnly}) +
                       BlockBytes({.src = 2, .idx = 3, .chip = 1, .hit = 2, .name = "third", .flags = hitOnly});
    g_Stage.m_vPltBlock.clear();
    ASSERT_TRUE(LoadBytes(I32(901) + list, [](DataFile* file) { return ReadRecords(g_Stage.m_vPltBlock, file); }));
    ASSERT_EQ(g_Stage.m_vPltBlock.Size(), 4);
    EXPECT_EQ(g_Stage.m_vPltBlock[1].m_cHit, 1);
    EXPECT_EQ(g_Stage.m_vPltBlock[1].m_strName, "first");
    EXPECT_EQ(g_Stage.m_vPltBlock[2].m_strName, "first");
    EXPECT_EQ(g_Stage.m_vPltBlock[2].m_cHit, 2);
    EXPECT_EQ(g_Stage.m_vPltBlock[3].m_cHit, 2);
    EXPECT_EQ(g_Stage.m_vPltBlock[3].m_strName, "third");

    // The copied conditions belong to the entry alone.
    g_Stage.m_vPltBlock[1].m_vCond.resize(1);
    cPltBlock placed;
    placed.m_cInheritSrc = 2;
    placed.m_sInheritIdx = 1;
    placed.m_vInheritFlag[1] = 1;
    placed.Inherit();
    g_Stage.m_vPltBlock[1].m_vCond[0].m_nValue = 9;
    ASSERT_EQ(placed.m_vCond.Size(), 1);
    EXPECT_EQ(placed.m_vCond[0].m_nValue, 0);
}

TEST_F(BlockDefTest, ReadUpgradesOwnDataThenInheritsThenChecks) {
    cPltBlock source;
    source.m_cSheet = 3;
    source.m_sChip = 7;
    g_CommonPalette.m_vBlock.push_back(source);
    std::vector<int8_t> picture(11, 0);
    picture[2] = 1;
    // An old empty cell takes a shot chip from the palette: the taken chip
    // is not moved up again, and the check sees it, not the empty one.
    cPltBlock b;
    ASSERT_TRUE(Load(218, {.src = 1, .idx = 2, .chip = 0, .sheet = 0, .hit = 2, .proof = 1, .flags = picture}, b));
    EXPECT_EQ(b.m_cSheet, 3);
    EXPECT_EQ(b.m_sChip, 7);
    EXPECT_EQ(b.m_cHit, 2);
    EXPECT_EQ(b.m_cSummonProof, 1);
}

TEST_F(BlockDefTest, CutOrHostileBlockBytesFailTheRead) {
    std::string whole = BlockBytes({.chip = 3, .name = "ab", .conds = {VarCondition(1)}});
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        cPltBlock b;
        EXPECT_FALSE(LoadBytes(I32(901) + whole.substr(0, cut), [&](DataFile* f) { return b.Read(f); })) << cut;
    }
    // A flag count far beyond the bytes left.
    std::string bytes = BlockBytes({.chip = 1});
    std::string hostile = bytes.substr(0, bytes.size() - 4 - 15) + I32(0x7FFFFFFF) + std::string(11, '\0') + I32(0);
    cPltBlock b;
    EXPECT_FALSE(LoadBytes(I32(901) + hostile, [&](DataFile* f) { return b.Read(f); }));
    EXPECT_LE(b.m_vInheritFlag.Size(), 11);
}

TEST(MapCell, FillingACellStartsItsLatchAfresh) {
    // Filling a cell with a block copies the block and starts the latch afresh.
    cMapCell cell;
    cell.m_nMet = 1;
    cPltBlock block = Distinct(3);
    cell = block;
    EXPECT_EQ(cell.m_nMet, 0);
    for (int g = 0; g < cPltBlock::kInheritGroups; ++g) EXPECT_EQ(Group(cell, g), Group(block, g));
}
