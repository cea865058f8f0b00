#include "project/item_def.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "project/common_palette.h"
#include "project/database.h"
#include "project/list_file_test.h"
#include "project/palette_fixtures.h"
#include "project/stage_info.h"
#include "support/test_support.h"

using namespace palfix;
using orvtest::Hex;

namespace {

// An item command of the current layout without sub-records or flows:
// category 1, the kind, time 0, per clone 0, not parallel, sound, sound
// only in view, anime 0; empty text; the parameters.
std::string ItemCmd(int kind, int sound, const std::vector<int32_t>& params) {
    std::string out = Record({I8(1), B8(kind), I16(0), I16(0), I8(0), B16(sound), I8(1), I16(0)}, {""}) + I32(0) +
                      I32(0) + I32(0) + I32(0) + I32(static_cast<int32_t>(params.size()));
    for (int32_t p : params) out += I32(p);
    return out;
}

// An item with a value of its own in every group, unlike the defaults.
cPltItem Distinct(int base) {
    cPltItem t;
    t.m_strName = "item" + std::to_string(base);
    t.m_vCond.resize(static_cast<size_t>(base % 3 + 1));
    t.m_vCond[0].m_nValue = base;
    t.m_cCondMode = static_cast<int8_t>(base % 2);
    t.m_cKeepMet = static_cast<int8_t>(base % 2 + 1);
    t.m_sOffsetX = static_cast<int16_t>(base + 1);
    t.m_sOffsetY = static_cast<int16_t>(base + 2);
    t.m_cSheet = static_cast<int8_t>(base % 5);
    t.m_sChip = static_cast<int16_t>(base + 3);
    t.m_sSheetSub = static_cast<int16_t>(base + 4);
    t.m_cLayer = static_cast<int8_t>(base % 8);
    t.m_cHidden = static_cast<int8_t>(base + 5);
    t.m_cIconMode = static_cast<int8_t>(base + 6);
    t.m_sIcon = static_cast<int16_t>(base + 7);
    t.m_cGiant = static_cast<int8_t>(base % 4 + 2);
    t.m_cTakeMode = static_cast<int8_t>(base + 8);
    t.m_cPopup = static_cast<int8_t>(base % 2 + 2);
    t.m_sSound = static_cast<int16_t>(base % 3 + 1);
    t.m_vCmd.resize(static_cast<size_t>(base % 2 + 1));
    t.m_vCmd[0].m_cCategory = 1;
    t.m_vCmd[0].m_cKind = 3;
    t.m_vCmd[0].m_sTime = static_cast<int16_t>(base);
    return t;
}

// The members of each inheritable group, as numbers.
std::vector<int64_t> Group(const cPltItem& t, int group) {
    switch (group) {
    case 0: return {static_cast<int64_t>(std::hash<std::string>{}(t.m_strName))};
    case 1: return {t.m_vCond.Size(), t.m_vCond.empty() ? -1 : t.m_vCond[0].m_nValue, t.m_cCondMode, t.m_cKeepMet};
    case 2: return {t.m_sOffsetX};
    case 3: return {t.m_sOffsetY};
    case 4: return {t.m_cSheet, t.m_sChip, t.m_sSheetSub};
    case 5: return {t.m_cLayer};
    case 6: return {t.m_cHidden};
    case 7: return {t.m_cIconMode, t.m_sIcon};
    case 8: return {t.m_cGiant};
    case 9: return {t.m_cTakeMode};
    case 10: return {t.m_cPopup};
    case 11: return {t.m_sSound};
    case 12: return {t.m_vCmd.Size(), t.m_vCmd.empty() ? -1 : t.m_vCmd[0].m_sTime};
    default: return {};
    }
}

class ItemDefTest : public projtest::ListFileTest {
protected:
    void SetUp() override {
        ListFileTest::SetUp();
        Reset();
        g_Database.m_vSound.resize(5);
    }
    void TearDown() override {
        Reset();
        ListFileTest::TearDown();
    }
    static void Reset() {
        g_Database.SetDefault();
        g_CommonPalette.m_vItem.assign(2, cPltItem());
        g_Stage.m_vPltItem.assign(2, cPltItem());
    }
    bool Load(int version, const Itm& t, cPltItem& out) {
        return LoadBytes(I32(version) + ItemBytes(t), [&](DataFile* file) { return out.Read(file); });
    }
    std::string Save(cPltItem& t) {
        return SaveBytes([&](DataFile* file) { return t.Write(file); }).substr(4);
    }
};

}  // namespace

TEST_F(ItemDefTest, StoredItemLoadsEveryFieldAndIsWrittenByteForByte) {
    Itm stored{.condMode = 1, .keepMet = 1, .offX = -8, .offY = 12, .chip = 250, .sheet = 4, .sub = 3, .layer = 2,
               .hidden = 1, .iconMode = 1, .icon = 44, .popup = 0, .take = 2, .giant = 3, .sound = 4,
               .name = "鍵", .col = 31, .row = 7, .flags = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
               .conds = {VarCondition(6)}, .cmds = {ItemCmd(10, 2, {1, 1}), ItemCmd(20, 0, {3})}};
    cPltItem t;
    ASSERT_TRUE(Load(901, stored, t));
    EXPECT_EQ(t.m_cCondMode, 1);
    EXPECT_EQ(t.m_cKeepMet, 1);
    EXPECT_EQ(t.m_sOffsetX, -8);
    EXPECT_EQ(t.m_sOffsetY, 12);
    EXPECT_EQ(t.m_sChip, 250);
    EXPECT_EQ(t.m_cSheet, 4);
    EXPECT_EQ(t.m_sSheetSub, 3);
    EXPECT_EQ(t.m_cLayer, 2);
    EXPECT_EQ(t.m_cHidden, 1);
    EXPECT_EQ(t.m_cIconMode, 1);
    EXPECT_EQ(t.m_sIcon, 44);
    // The pop-up flag is stored before the take mode.
    EXPECT_EQ(t.m_cPopup, 0);
    EXPECT_EQ(t.m_cTakeMode, 2);
    EXPECT_EQ(t.m_cGiant, 3);
    EXPECT_EQ(t.m_sSound, 4);
    EXPECT_EQ(t.m_strName, "鍵");
    EXPECT_EQ(t.m_sCol, 31);
    EXPECT_EQ(t.m_sRow, 7);
    EXPECT_EQ(t.m_vInheritFlag, (cVector<int8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    ASSERT_EQ(t.m_vCond.Size(), 1);
    EXPECT_EQ(t.m_vCond[0].m_nValue, 6);
    ASSERT_EQ(t.m_vCmd.Size(), 2);
    EXPECT_EQ(t.m_vCmd[0].m_cKind, 10);
    EXPECT_EQ(t.m_vCmd[0].m_sSound, 2);
    EXPECT_EQ(t.m_vCmd[0].m_vParam, (cVector<int32_t>{1, 1}));
    EXPECT_EQ(t.m_vCmd[1].m_vParam, (cVector<int32_t>{3}));
    EXPECT_EQ(Hex(Save(t)), Hex(ItemBytes(stored)));
}

TEST_F(ItemDefTest, FreshAndResetItemsHoldTheDefaults) {
    cPltItem fresh;
    EXPECT_EQ(fresh.m_cSheet, 2);
    EXPECT_EQ(fresh.m_cPopup, 1);
    EXPECT_EQ(fresh.m_cGiant, 1);
    EXPECT_EQ(fresh.m_cLayer, 6);
    EXPECT_EQ(fresh.m_vInheritFlag, cVector<int8_t>(13, 0));
    EXPECT_EQ(Hex(Save(fresh)), Hex(ItemBytes({})));

    cPltItem used = Distinct(5);
    used.m_sCol = 3;
    used.m_cInheritSrc = 2;
    used.m_sInheritIdx = 1;
    used.m_vInheritFlag.assign(2, 1);
    used.SetDefault();
    EXPECT_EQ(Hex(Save(used)), Hex(ItemBytes({})));

    cVector<cPltItem> list;
    list.resize(2);
    EXPECT_EQ(list[1].m_cSheet, 2);
    EXPECT_EQ(list[1].m_cGiant, 1);
}

TEST_F(ItemDefTest, ShotChipsOfFilesBefore219MoveUpByOne) {
    struct Case {
        int version, sheet, chip, expected;
    } cases[] = {
        {218, 3, 0, 1}, {218, 3, 119, 119}, {218, 3, 200, 119}, {218, 2, 0, 0}, {219, 3, 0, 0}, {901, 3, 7, 7},
    };
    for (const Case& c : cases) {
        cPltItem t;
        ASSERT_TRUE(Load(c.version, {.chip = c.chip, .sheet = c.sheet}, t));
        EXPECT_EQ(t.m_sChip, c.expected) << c.version << " " << c.sheet << " " << c.chip;
    }
}

TEST_F(ItemDefTest, ValidationRepairsReferencesScaleAndSound) {
    g_CommonPalette.m_vItem.resize(3);
    g_Stage.m_vPltItem.resize(4);
    struct Case {
        int source, index, giant, sound;
        int expectSource, expectIndex, expectGiant, expectSound;
    } cases[] = {
        {1, 2, 1, 4, 1, 2, 1, 4},       {1, 3, 1, 0, 0, 0, 1, 0},      {1, -1, 1, 0, 0, 0, 1, 0},
        {2, 3, 2, 0, 2, 3, 2, 0},       {2, 4, 1, 0, 0, 0, 1, 0},      {0, 50, 1, 0, 0, 50, 1, 0},
        {0, 0, 0, 5, 0, 0, 1, 0},       {0, 0, -3, -1, 0, 0, 1, 0},    {0, 0, 127, 1, 0, 0, 127, 1},
    };
    for (const Case& c : cases) {
        cPltItem t;
        t.m_cInheritSrc = static_cast<int8_t>(c.source);
        t.m_sInheritIdx = static_cast<int16_t>(c.index);
        t.m_cGiant = static_cast<int8_t>(c.giant);
        t.m_sSound = static_cast<int16_t>(c.sound);
        t.Validate();
        EXPECT_EQ(t.m_cInheritSrc, c.expectSource) << c.source << " " << c.index;
        EXPECT_EQ(t.m_sInheritIdx, c.expectIndex) << c.source << " " << c.index;
        EXPECT_EQ(t.m_cGiant, c.expectGiant) << c.giant;
        EXPECT_EQ(t.m_sSound, c.expectSound) << c.sound;
    }

    // Read and written items are repaired the same way; the commands are
    // normalised with them.
    cPltItem loud;
    ASSERT_TRUE(Load(901, {.giant = 0, .sound = 9, .cmds = {ItemCmd(10, 99, {0})}}, loud));
    EXPECT_EQ(loud.m_sSound, 0);
    EXPECT_EQ(loud.m_cGiant, 1);
    ASSERT_EQ(loud.m_vCmd.Size(), 1);
    EXPECT_EQ(loud.m_vCmd[0].m_sSound, 0);
    EXPECT_EQ(loud.m_vCmd[0].m_vParam, (cVector<int32_t>{0, 0}));
}

TEST_F(ItemDefTest, CommandChecksKeepPaletteReferencesInsideThePalettes) {
    g_CommonPalette.m_vItem.resize(3);
    g_Stage.m_vPltItem.resize(5);
    cPltItem t;
    t.m_vCmd.resize(3);
    int32_t params[3][2] = {{0, 3}, {1, 4}, {1, 5}};  // get item: 0 common, 1 stage palette
    for (int i = 0; i < 3; ++i) {
        t.m_vCmd[static_cast<size_t>(i)].m_cCategory = 1;
        t.m_vCmd[static_cast<size_t>(i)].m_cKind = 10;
        t.m_vCmd[static_cast<size_t>(i)].m_vParam = {params[i][0], params[i][1]};
    }
    t.ValidateCmds();
    EXPECT_EQ(t.m_vCmd[0].m_vParam, (cVector<int32_t>{0, 1}));
    EXPECT_EQ(t.m_vCmd[1].m_vParam, (cVector<int32_t>{1, 4}));
    EXPECT_EQ(t.m_vCmd[2].m_vParam, (cVector<int32_t>{1, 1}));
}

TEST_F(ItemDefTest, FindItemDefLooksInTheNamedPaletteOnly) {
    g_CommonPalette.m_vItem.resize(3);
    g_Stage.m_vPltItem.resize(4);
    struct Case {
        int source, index;
        cPltItem* expected;
    } cases[] = {
        {1, 0, &g_CommonPalette.m_vItem[0]}, {1, 2, &g_CommonPalette.m_vItem[2]}, {1, 3, nullptr},
        {1, -1, nullptr},                    {2, 3, &g_Stage.m_vPltItem[3]},      {2, 4, nullptr},
        {0, 1, nullptr},                     {3, 1, nullptr},
    };
    for (const Case& c : cases) EXPECT_EQ(FindItemDef(c.source, c.index), c.expected) << c.source << " " << c.index;
}

TEST_F(ItemDefTest, EachFlagTakesExactlyItsGroupFromTheSource) {
    g_CommonPalette.m_vItem.push_back(Distinct(20));
    const cPltItem& source = g_CommonPalette.m_vItem[2];
    for (int flagged = 0; flagged < cPltItem::kInheritGroups; ++flagged) {
        cPltItem own = Distinct(31);
        own.m_cInheritSrc = 1;
        own.m_sInheritIdx = 2;
        cPltItem t = own;
        t.m_vInheritFlag[static_cast<size_t>(flagged)] = 1;
        t.Inherit();
        for (int g = 0; g < cPltItem::kInheritGroups; ++g)
            EXPECT_EQ(Group(t, g), Group(g == flagged ? source : own, g)) << "flag " << flagged << " group " << g;
    }
}

TEST_F(ItemDefTest, PlacedItemTakesTheStagePaletteSoundAndOwnsCopiedCommands) {
    cPltItem entry = Distinct(1);
    MakeEdShot(entry.m_vCmd[0].m_pShot);
    entry.m_vCmd[0].m_pShot->m_sItemIndex = 3;
    g_Stage.m_vPltItem.push_back(entry);  // entry 2, sound 2

    std::vector<int8_t> flags(13, 0);
    flags[11] = 1;
    flags[12] = 1;
    cPltItem placed;
    ASSERT_TRUE(Load(901, {.src = 2, .idx = 2, .sound = 4, .col = 3, .row = 4, .flags = flags}, placed));
    EXPECT_EQ(placed.m_sSound, 2);
    EXPECT_EQ(placed.m_sCol, 3);
    ASSERT_EQ(placed.m_vCmd.Size(), g_Stage.m_vPltItem[2].m_vCmd.Size());
    ASSERT_TRUE(placed.m_vCmd[0].m_pShot);
    EXPECT_NE(placed.m_vCmd[0].m_pShot.get(), g_Stage.m_vPltItem[2].m_vCmd[0].m_pShot.get());
    g_Stage.m_vPltItem[2].m_vCmd[0].m_pShot->m_sItemIndex = 9;
    EXPECT_EQ(placed.m_vCmd[0].m_pShot->m_sItemIndex, 3);

    // Beyond the palette: no source, its own values, the index kept.
    cPltItem stray;
    ASSERT_TRUE(Load(901, {.src = 2, .idx = 3, .sound = 4, .flags = flags}, stray));
    EXPECT_EQ(stray.m_cInheritSrc, 0);
    EXPECT_EQ(stray.m_sInheritIdx, 3);
    EXPECT_EQ(stray.m_sSound, 4);
    EXPECT_TRUE(stray.m_vCmd.empty());

    // Flags past the groups are ignored; index 0 is never a source.
    cPltItem many = Distinct(9);
    many.m_cInheritSrc = 2;
    many.m_sInheritIdx = 2;
    many.m_vInheritFlag.assign(64, 1);
    many.Inherit();
    EXPECT_EQ(many.m_strName, "item1");
    cPltItem zero = Distinct(9);
    zero.m_cInheritSrc = 2;
    zero.m_vInheritFlag.assign(13, 1);
    zero.Inherit();
    EXPECT_EQ(zero.m_strName, "item9");
}

TEST_F(ItemDefTest, ReadUpgradesOwnDataThenInheritsThenChecks) {
    cPltItem source;
    source.m_cSheet = 3;
    source.m_sChip = 7;
    source.m_cGiant = 0;
    g_Stage.m_vPltItem.push_back(source);
    std::vector<int8_t> flags(13, 0);
    flags[4] = 1;  // picture
    flags[8] = 1;  // giant scale
    // The taken chip is not moved up again; the taken scale is checked.
    cPltItem t;
    ASSERT_TRUE(Load(218, {.src = 2, .idx = 2, .chip = 3, .sheet = 3, .giant = 2, .flags = flags}, t));
    EXPECT_EQ(t.m_sChip, 7);
    EXPECT_EQ(t.m_cGiant, 1);
}

TEST_F(ItemDefTest, CutItemBytesFailTheRead) {
    std::string whole =
        ItemBytes({.chip = 3, .name = "ab", .conds = {VarCondition(1)}, .cmds = {ItemCmd(10, 0, {0, 1})}});
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        cPltItem t;
        EXPECT_FALSE(LoadBytes(I32(901) + whole.substr(0, cut), [&](DataFile* f) { return t.Read(f); })) << cut;
    }
}
