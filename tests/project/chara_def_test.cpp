#include "project/chara_def.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "core/shell_link.h"
#include "project/common_palette.h"
#include "project/database.h"
#include "project/flow.h"
#include "project/item_def.h"
#include "project/list_file_test.h"
#include "project/palette_fixtures.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "support/test_support.h"

using namespace palfix;
using orvtest::Hex;
using orvtest::ReadHostFile;

namespace {

std::vector<int8_t> FlagsWith(std::initializer_list<int> set, size_t size = 37) {
    std::vector<int8_t> flags(size, 0);
    for (int i : set) flags[static_cast<size_t>(i)] = 1;
    return flags;
}

std::vector<int> SetFlags(const cCharaDef& d) {
    std::vector<int> out;
    for (int i = 0; i < d.m_vInheritFlag.Size(); ++i)
        if (d.m_vInheritFlag[static_cast<size_t>(i)]) out.push_back(i);
    return out;
}

// A distance condition of the current layout.
std::string Condition901() {
    return Record({B8(7), I32(6), I32(0), I32(0), B8(1), B8(3), B8(1), B8(0), B16(0), B8(1), B8(0), B8(0), B8(0),
                   B16(8), B8(0), B8(0), B8(0), B8(0), B8(0), B8(0), B8(6)},
                  {});
}

// A flow of the current layout (empty name, no conditions or key steps)
// with the given commands.
std::string Flow901(int id, int group, int testOnly, int trigger, const std::vector<std::string>& cmds) {
    return Record({B8(id), B8(group), B8(testOnly), B8(0), B8(0), B8(trigger), B8(0), B8(0), B8(3), B8(0)}, {""}) +
           Counted({}) + Counted({}) + Counted(cmds);
}

// The get-item flow command: palette (0 common, 1 stage) and index.
std::string GetItemCmd(int32_t palette, int32_t index) {
    return Record({B8(0), B8(25), B16(0), B16(0), B8(0), B16(0), B8(1), B16(0)}, {""}) + I32(0) + I32(0) + I32(0) +
           I32(0) + I32(2) + I32(palette) + I32(index);
}

// A valid definition in which every value differs from its default.
Chara RichChara() {
    Chara c;
    c.name = "スライム";
    c.condMode = 1, c.keepMet = 1, c.facing = 1, c.copies = 2, c.offX = -16, c.stepX = 32, c.offY = 8, c.stepY = -4;
    c.mirX = 1, c.mirY = 1, c.chip = 12, c.sheet = 0, c.chipRow = 3, c.layer = 5, c.transparent = 1, c.startFx = 1;
    c.startMode = 2, c.startLoop = 0, c.deathFx = 1, c.deathMode = 1, c.emblemShown = 1, c.emblem = 9;
    c.playerNo = 2, c.blockClass = 4, c.side = 1, c.flight = 2, c.fixedFacing = 0, c.invincible = 1, c.invColor = 3;
    c.blockChara = 1, c.giant = 2, c.scrollSync = 1, c.sightShape = 2, c.sightRange = 12, c.hp = 70000, c.sp = 30;
    c.stopEase = 55, c.mapBox = 3, c.bodyPower = 5, c.bodyImpact = -2, c.damageFx = 1, c.defence = 4;
    c.impactResist = 6, c.score = 1234, c.reserved = 0, c.flagAppear = 1, c.flagNo = 77, c.activity = 3;
    c.activation = 1;
    c.col = 40, c.row = 7, c.carry = -1;
    c.conds = {Condition901()};
    c.flows = {Flow901(2, 0, 0, 5, {GetItemCmd(0, 1)})};
    return c;
}

class CharaDefTest : public projtest::ListFileTest {
protected:
    void SetUp() override {
        ListFileTest::SetUp();
        ResetGlobals();
    }
    void TearDown() override {
        ResetGlobals();
        ListFileTest::TearDown();
    }
    static void ResetGlobals() {
        g_Database.SetDefault();
        g_CommonPalette.m_vChara.assign(2, cCharaDef());
        g_CommonPalette.m_vItem.assign(2, cPltItem());
        g_Stage.m_vPltChara.assign(2, cCharaDef());
        g_bEditorLaunch = 0;
        g_SystemData.Set(kSysKeepFlaggedFlows, 0);
    }

    bool Read(int version, const Chara& c, cCharaDef& out) {
        return LoadBytes(I32(version) + CharaBytes(version, c), [&](DataFile* file) { return out.Read(file); });
    }
    cCharaDef Read(int version, const Chara& c) {
        cCharaDef d;
        EXPECT_TRUE(Read(version, c, d));
        return d;
    }
    std::string Written(cCharaDef& d) {
        return SaveBytes([&](DataFile* file) { return d.Write(file); }).substr(4);
    }
};

// ---- Layout and defaults

TEST_F(CharaDefTest, FreshDefinitionWritesTheDefaultsOfEveryField) {
    cCharaDef d;
    EXPECT_EQ(Hex(Written(d)), Hex(CharaBytes(901, Chara{})));
    // 53 numeric blocks of 82 bytes and the name.
    EXPECT_EQ(d.Fields().Size(), 53);
    int bytes = 0;
    for (const RECORDFIELD& f : d.Fields()) bytes += f.count * f.size;
    EXPECT_EQ(bytes, 82);
}

TEST_F(CharaDefTest, DefinitionWithAFlowReadsEveryFieldAndWritesTheSameBytes) {
    const Chara c = RichChara();
    cCharaDef d = Read(901, c);
    EXPECT_EQ(d.m_strName, "スライム");
    EXPECT_EQ(d.m_sCopyOffsetX, -16);
    EXPECT_EQ(d.m_sCopyStepY, -4);
    EXPECT_EQ(d.m_cSheetKind, 0);
    EXPECT_EQ(d.m_cStartEffectMode, 2);
    EXPECT_EQ(d.m_cBlockClass, 4);
    EXPECT_EQ(d.m_cInvincibleColor, 3);
    EXPECT_EQ(d.m_nMaxHP, 70000);
    EXPECT_EQ(d.m_cMapBox, 3);
    EXPECT_EQ(d.m_cBodyImpact, -2);
    EXPECT_EQ(d.m_nScore, 1234);
    EXPECT_EQ(d.m_sFlagNo, 77);
    EXPECT_EQ(d.m_cActivationMode, 1);
    EXPECT_EQ(d.m_sCol, 40);
    EXPECT_EQ(d.m_sRow, 7);
    EXPECT_EQ(d.m_nCarryItem, -1);
    ASSERT_EQ(d.m_vCond.Size(), 1);
    EXPECT_EQ(d.m_vCond[0].m_cKind, 7);
    ASSERT_EQ(d.m_vFlow.Size(), 1);
    EXPECT_EQ(d.m_vFlow[0].m_cId, 2);
    EXPECT_EQ(d.m_vFlow[0].m_cTrigger, 5);
    ASSERT_EQ(d.m_vFlow[0].m_vCmd.Size(), 1);
    EXPECT_EQ(d.m_vFlow[0].m_vCmd[0].m_vParam, (cVector<int32_t>{0, 1}));

    EXPECT_EQ(Hex(Written(d)), Hex(CharaBytes(901, c)));
}

TEST_F(CharaDefTest, CopiesAreDeepAndSetDefaultForgetsEverything) {
    Chara c;
    c.name = "a", c.hp = 50, c.chip = 3, c.col = 4, c.carry = 2, c.flags = FlagsWith({5});
    c.conds = {Condition901()};
    c.flows = {Flow901(1, 0, 0, 1, {})};
    cCharaDef d = Read(901, c);

    cCharaDef copy;
    copy = d;
    copy.m_vFlow[0].m_cId = 9;
    EXPECT_EQ(d.m_vFlow[0].m_cId, 1);
    copy.m_vFlow[0].m_cId = 1;
    EXPECT_EQ(Hex(Written(copy)), Hex(Written(d)));

    copy.SetDefault();
    cCharaDef fresh;
    EXPECT_EQ(Hex(Written(copy)), Hex(Written(fresh)));
}

// ---- Older files

TEST_F(CharaDefTest, OlderFilesReadTheirLayoutAndAreUpgraded) {
    struct Case {
        const char* what;
        int version;
        Chara in;
        std::vector<int> flags;  // set after reading
        int mapBox, chip, invColor;
    };
    auto with = [](auto change) {
        Chara c;
        c.score = 4321, c.activation = 1, c.flagNo = -5;  // fields after every gated one
        change(c);
        return c;
    };
    const Case cases[] = {
        {"209: one group inserted at 21", 209, with([](Chara& c) { c.flags = FlagsWith({30}); }), {21, 31}, 0, 0, 1},
        {"167: three insertions one after another", 167, with([](Chara& c) { c.flags = FlagsWith({30}); }),
         {21, 25, 29, 33}, 0, 0, 1},
        {"167: a short flag list grows to 37", 167, with([](Chara& c) { c.flags = FlagsWith({1}, 5); }),
         {1, 21, 25, 29}, 0, 0, 1},
        {"205: map box 2 becomes 3", 205, with([](Chara& c) { c.mapBox = 2; }), {21}, 3, 0, 1},
        {"205: map box 1 stays", 205, with([](Chara& c) { c.mapBox = 1; }), {21}, 1, 0, 1},
        {"218: shot chip raised", 218, with([](Chara& c) { c.sheet = 3, c.chip = 5; }), {}, 0, 6, 1},
        {"218: shot chip capped at 119", 218, with([](Chara& c) { c.sheet = 3, c.chip = 119; }), {}, 0, 119, 1},
        {"218: chara chip unchanged", 218, with([](Chara& c) { c.sheet = 1, c.chip = 5; }), {}, 0, 5, 1},
        {"285 stores the invincibility colour", 285, with([](Chara& c) { c.invColor = 0; }), {}, 0, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        cCharaDef d = Read(k.version, k.in);
        EXPECT_EQ(SetFlags(d), k.flags);
        EXPECT_EQ(d.m_vInheritFlag.Size(), 37);
        EXPECT_EQ(d.m_cMapBox, k.mapBox);
        EXPECT_EQ(d.m_sChip, k.chip);
        EXPECT_EQ(d.m_cInvincibleColor, k.invColor);
        EXPECT_EQ(d.m_nScore, 4321);
        EXPECT_EQ(d.m_sFlagNo, -5);
        EXPECT_EQ(d.m_cActivationMode, 1);
    }
}

TEST_F(CharaDefTest, UpgradesResetTheFieldsAnOlderFileDoesNotStore) {
    // Read in place over a definition that holds other values.
    cCharaDef d;
    d.m_nDefence = 9, d.m_cStartEffectMode = 2, d.m_cDeathEffectMode = 2, d.m_cMapBox = 3, d.m_cScrollSync = 1;
    ASSERT_TRUE(Read(160, Chara{}, d));
    EXPECT_EQ(d.m_nDefence, 0);
    EXPECT_EQ(d.m_cStartEffectMode, 0);
    EXPECT_EQ(d.m_cDeathEffectMode, 0);
    EXPECT_EQ(d.m_cMapBox, 0);
    EXPECT_EQ(d.m_cScrollSync, 0);
    EXPECT_EQ(d.m_cInvincibleColor, 1);
}

TEST_F(CharaDefTest, StoredFlagCountOfZeroKeepsTheListAndALongListIsKept) {
    Chara none;
    none.flags = {};
    cCharaDef d;
    d.m_vInheritFlag.assign(37, 1);
    ASSERT_TRUE(Read(901, none, d));
    EXPECT_EQ(d.m_vInheritFlag.Size(), 37);
    EXPECT_EQ(d.m_vInheritFlag[36], 1);

    Chara longer;
    longer.flags = FlagsWith({40}, 41);
    EXPECT_EQ(Read(901, longer).m_vInheritFlag.Size(), 41);
}

// ---- Validation

TEST_F(CharaDefTest, ReadKeepsReferencesInsideTheirLists) {
    struct Case {
        const char* what;
        Chara in;
        Chara out;
    };
    auto make = [](auto change) {
        Chara c;
        change(c);
        return c;
    };
    // Default database: 1 anime set, 2 of each effect list, 2 dedicated
    // bitmaps; palettes of 2 charas.
    const Case cases[] = {
        {"anime set beyond", make([](Chara& c) { c.animeSet = 1; }), Chara{}},
        {"negative anime set", make([](Chara& c) { c.animeSet = -1; }), Chara{}},
        {"start and death effects beyond", make([](Chara& c) { c.startFx = 2, c.deathFx = 7; }), Chara{}},
        {"damage effect beyond", make([](Chara& c) { c.damageFx = 2; }), Chara{}},
        {"dedicated bitmap beyond", make([](Chara& c) { c.sheet = 4, c.chip = 2; }),
         make([](Chara& c) { c.sheet = 4, c.chip = 1; })},
        {"dedicated bitmap inside", make([](Chara& c) { c.sheet = 4, c.chip = 0; }),
         make([](Chara& c) { c.sheet = 4, c.chip = 0; })},
        {"chip of another sheet is not checked", make([](Chara& c) { c.chip = 500; }),
         make([](Chara& c) { c.chip = 500; })},
        {"giant scale 0", make([](Chara& c) { c.giant = 0; }), Chara{}},
        {"negative giant scale", make([](Chara& c) { c.giant = -3; }), Chara{}},
        {"the hero loses block chara and copies",
         make([](Chara& c) { c.operatedBy = 0, c.blockChara = 1, c.copies = 3; }),
         make([](Chara& c) { c.operatedBy = 0; })},
        {"a computer chara keeps them", make([](Chara& c) { c.blockChara = 1, c.copies = 3; }),
         make([](Chara& c) { c.blockChara = 1, c.copies = 3; })},
        // The entry loses its source while read; the index stays, harmless.
        {"common source beyond", make([](Chara& c) { c.src = 1, c.idx = 2; }), make([](Chara& c) { c.idx = 2; })},
        {"stage source beyond", make([](Chara& c) { c.src = 2, c.idx = 5; }), make([](Chara& c) { c.idx = 5; })},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        cCharaDef d = Read(901, k.in);
        EXPECT_EQ(Hex(Written(d)), Hex(CharaBytes(901, k.out)));
    }
}

TEST_F(CharaDefTest, ValidateResetsANegativeInheritIndex) {
    cCharaDef d;
    d.m_cInheritSrc = 2;
    d.m_sInheritIdx = -1;
    d.Validate();
    EXPECT_EQ(d.m_cInheritSrc, 0);
    EXPECT_EQ(d.m_sInheritIdx, 0);
}

TEST_F(CharaDefTest, FlowsThatCanNeverActAndTestPlayFlowsAreDropped) {
    Chara c;
    c.flows = {Flow901(0, 0, 0, 0, {}),                    // always, nothing in it: dropped
               Flow901(3, 0, 0, 0, {}),                    // has an ID: kept
               Flow901(0, 2, 0, 0, {}),                    // has a group: kept
               Flow901(0, 0, 0, 7, {}),                    // another trigger: kept
               Flow901(0, 0, 0, 0, {GetItemCmd(0, 1)}),    // has a command: kept
               Flow901(4, 0, 1, 9, {})};                   // test play only
    auto shape = [](const cCharaDef& d) {
        std::vector<int> out;
        for (const cFlow& f : d.m_vFlow) out.push_back(f.m_cId * 100 + f.m_cGroup * 10 + f.m_cTrigger);
        return out;
    };
    EXPECT_EQ(shape(Read(901, c)), (std::vector<int>{300, 20, 7, 0}));

    g_bEditorLaunch = 1;
    EXPECT_EQ(shape(Read(901, c)), (std::vector<int>{300, 20, 7, 0, 409}));
    g_bEditorLaunch = 0;
    g_SystemData.Set(kSysKeepFlaggedFlows, 1);
    EXPECT_EQ(shape(Read(901, c)), (std::vector<int>{300, 20, 7, 0, 409}));
}

TEST_F(CharaDefTest, ValidateFlowsKeepsPaletteReferencesOfCommandsInside) {
    Chara c;
    c.flows = {Flow901(1, 0, 0, 1, {GetItemCmd(0, 1), GetItemCmd(0, 99), GetItemCmd(1, -4)})};
    cCharaDef d = Read(901, c);
    d.ValidateFlows();
    const cVector<cFlowCmd>& cmds = d.m_vFlow[0].m_vCmd;
    EXPECT_EQ(cmds[0].m_vParam, (cVector<int32_t>{0, 1}));
    EXPECT_EQ(cmds[1].m_vParam, (cVector<int32_t>{0, 1}));
    EXPECT_EQ(cmds[2].m_vParam, (cVector<int32_t>{1, 1}));
}

TEST_F(CharaDefTest, BrokenDefinitionsFailWithoutCrashing) {
    Chara c;
    c.flows = {Flow901(1, 0, 0, 1, {GetItemCmd(0, 1)})};
    const std::string whole = I32(901) + CharaBytes(901, c);
    cCharaDef d;
    for (size_t cut : {size_t{10}, size_t{100}, whole.size() - 3})
        EXPECT_FALSE(LoadBytes(whole.substr(0, cut), [&](DataFile* file) { return d.Read(file); })) << cut;

    // A flow marked for test play, read whole before the break, is gone.
    Chara testOnly;
    testOnly.flows = {Flow901(4, 0, 1, 9, {}), Flow901(1, 0, 0, 1, {GetItemCmd(0, 1)})};
    const std::string cut = I32(901) + CharaBytes(901, testOnly);
    EXPECT_FALSE(LoadBytes(cut.substr(0, cut.size() - 3), [&](DataFile* file) { return d.Read(file); }));
    ASSERT_EQ(d.m_vFlow.Size(), 1);
    EXPECT_EQ(d.m_vFlow[0].m_cId, 1);

    // A flag count far beyond the file's size.
    Chara huge;
    std::string bytes = I32(901) + CharaBytes(901, huge);
    const size_t flagCount = bytes.size() - 4 - 37 - 8;
    bytes.replace(flagCount, 4, I32(0x7FFFFFFF));
    EXPECT_FALSE(LoadBytes(bytes, [&](DataFile* file) { return d.Read(file); }));
}

// ---- Inheritance

TEST_F(CharaDefTest, FlaggedGroupsComeFromTheSourceEntry) {
    cCharaDef source;
    source.m_strName = "親";
    source.m_cSheetKind = 0, source.m_sChip = 44, source.m_sChipRow = 2;
    source.m_nMaxHP = 300, source.m_nMaxSP = 7;
    source.m_sFlagNo = 12, source.m_cFlagAppear = 1;
    source.m_vFlow.assign(2, cFlow());
    source.m_vFlow[0].m_cId = 5;
    source.m_vFlow[1].m_cTrigger = 3;
    g_CommonPalette.m_vChara.push_back(source);  // common entry 2

    Chara c;
    c.src = 1, c.idx = 2, c.name = "子", c.chip = 1, c.hp = 20, c.sp = 1, c.flagNo = 1;
    c.flags = FlagsWith({0, 9, 23, 33, 36});
    c.flows = {Flow901(9, 0, 0, 1, {})};
    cCharaDef d = Read(901, c);
    EXPECT_EQ(d.m_strName, "親");
    EXPECT_EQ(d.m_cSheetKind, 0);
    EXPECT_EQ(d.m_sChip, 44);
    EXPECT_EQ(d.m_sChipRow, 2);
    EXPECT_EQ(d.m_nMaxHP, 300);
    EXPECT_EQ(d.m_nMaxSP, 1);  // group 24 not flagged
    EXPECT_EQ(d.m_sFlagNo, 12);
    EXPECT_EQ(d.m_cFlagAppear, 1);
    ASSERT_EQ(d.m_vFlow.Size(), 2);
    EXPECT_EQ(d.m_vFlow[0].m_cId, 5);
    EXPECT_EQ(d.m_vFlow[1].m_cTrigger, 3);
    EXPECT_EQ(d.m_cInheritSrc, 1);  // the reference stays for the editor

    // The copied flows are the entry's own.
    d.m_vFlow[0].m_cId = 6;
    EXPECT_EQ(g_CommonPalette.m_vChara[2].m_vFlow[0].m_cId, 5);
}

TEST_F(CharaDefTest, EachGroupCopiesExactlyItsFields) {
    // The source: every value differs from a new entry's.
    g_Database.m_vAnimeSet.resize(3);
    Chara rich = RichChara();
    rich.animeSet = 2;
    cCharaDef source = Read(901, rich);
    source.m_cOperatedBy = rich.operatedBy = 0;  // after the read, which would drop the copies
    g_CommonPalette.m_vChara.push_back(source);  // common entry 2

    using F = int Chara::*;
    struct Group {
        std::vector<F> fields;
        bool name = false, conds = false, flows = false;
    };
    const Group groups[cCharaDef::kInheritGroups] = {
        {{}, true},
        {{&Chara::operatedBy, &Chara::playerNo}},
        {{&Chara::blockClass}},
        {{&Chara::side}},
        {{&Chara::condMode, &Chara::keepMet}, false, true},
        {{&Chara::facing}},
        {{&Chara::copies}},
        {{&Chara::offX, &Chara::stepX, &Chara::mirX}},
        {{&Chara::offY, &Chara::stepY, &Chara::mirY}},
        {{&Chara::sheet, &Chara::chip, &Chara::chipRow}},
        {{&Chara::animeSet}},
        {{&Chara::layer}},
        {{&Chara::transparent}},
        {{&Chara::startFx, &Chara::startMode, &Chara::startLoop}},
        {{&Chara::deathFx, &Chara::deathMode}},
        {{&Chara::emblemShown, &Chara::emblem}},
        {{&Chara::fixedFacing}},
        {{&Chara::flight}},
        {{&Chara::invincible, &Chara::invColor}},
        {{&Chara::blockChara}},
        {{&Chara::giant}},
        {{&Chara::scrollSync}},
        {{&Chara::sightShape, &Chara::sightRange}},
        {{&Chara::hp}},
        {{&Chara::sp}},
        {{&Chara::mapBox}},
        {{&Chara::bodyPower}},
        {{&Chara::bodyImpact}},
        {{&Chara::damageFx}},
        {{&Chara::defence}},
        {{&Chara::impactResist}},
        {{&Chara::stopEase}},
        {{&Chara::activity, &Chara::activation}},
        {{&Chara::flagNo, &Chara::flagAppear}},
        {{&Chara::score}},
        {{&Chara::reserved}},
        {{}, false, false, true},
    };
    for (int g = 0; g < cCharaDef::kInheritGroups; ++g) {
        SCOPED_TRACE(g);
        const Group& group = groups[g];
        Chara expected;
        expected.src = 1, expected.idx = 2, expected.flags = FlagsWith({g});
        for (F field : group.fields) expected.*field = rich.*field;
        if (group.name) expected.name = rich.name;
        if (group.conds) expected.conds = rich.conds;
        if (group.flows) expected.flows = rich.flows;

        cCharaDef d;
        d.m_cInheritSrc = 1, d.m_sInheritIdx = 2;
        d.m_vInheritFlag[static_cast<size_t>(g)] = 1;
        d.Inherit();
        EXPECT_EQ(Hex(Written(d)), Hex(CharaBytes(901, expected)));
    }
}

TEST_F(CharaDefTest, EntriesThatAreNoSourceLeaveTheValuesAlone) {
    cCharaDef source;
    source.m_nMaxHP = 300;
    g_CommonPalette.m_vChara.push_back(source);
    g_Stage.m_vPltChara.push_back(source);  // stage entries 0..2

    struct Case {
        const char* what;
        int src, idx;
        int srcAfter;
    };
    const Case cases[] = {
        {"entry 0 is never a source", 1, 0, 1},
        {"stage index equal to the count", 2, 3, 0},
        {"negative index", 1, -1, 0},
        {"unknown source", 3, 2, 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        cCharaDef d;
        d.m_cInheritSrc = static_cast<int8_t>(k.src);
        d.m_sInheritIdx = static_cast<int16_t>(k.idx);
        d.m_vInheritFlag.assign(37, 1);
        d.m_nMaxHP = 20;
        d.Inherit();
        EXPECT_EQ(d.m_nMaxHP, 20);
        EXPECT_EQ(d.m_cInheritSrc, k.srcAfter);
        EXPECT_EQ(d.m_sInheritIdx, k.idx);
    }
    // No index outside a list was ever used.
    EXPECT_EQ(ReadHostFile("Report_Game.txt").find("err V"), std::string::npos);
}

TEST_F(CharaDefTest, FlagsPastTheGroupsAreIgnored) {
    cCharaDef source;
    source.m_cReserved = 0;
    g_Stage.m_vPltChara.push_back(source);
    cCharaDef d;
    d.m_cInheritSrc = 2, d.m_sInheritIdx = 2;
    d.m_vInheritFlag.assign(60, 1);
    d.Inherit();
    EXPECT_EQ(d.m_cReserved, 0);
    EXPECT_EQ(ReadHostFile("Report_Game.txt").find("err V"), std::string::npos);
}

TEST_F(CharaDefTest, StagePaletteEntriesInheritAsTheyAreRead) {
    // Read in place like a stage palette: entry 1 takes HP from entry 2,
    // which still has its defaults; entry 2 takes HP and SP from entry 1 as
    // entry 1 ended; entry 3 takes the flow list from entry 1, which has
    // none, and so ends with none (the default flow it gets does nothing).
    Chara e0;
    Chara e1;
    e1.hp = 50, e1.sp = 5, e1.src = 2, e1.idx = 2, e1.flags = FlagsWith({23});
    Chara e2;
    e2.hp = 60, e2.src = 2, e2.idx = 1, e2.flags = FlagsWith({23, 24});
    Chara e3;
    e3.flows = {Flow901(1, 0, 0, 1, {})};
    e3.src = 2, e3.idx = 1, e3.flags = FlagsWith({36});
    const std::string bytes =
        I32(901) + Counted({CharaBytes(901, e0), CharaBytes(901, e1), CharaBytes(901, e2), CharaBytes(901, e3)});
    ASSERT_TRUE(LoadBytes(bytes, [](DataFile* file) { return ReadRecords(g_Stage.m_vPltChara, file); }));
    ASSERT_EQ(g_Stage.m_vPltChara.Size(), 4);
    EXPECT_EQ(g_Stage.m_vPltChara[1].m_nMaxHP, 10);
    EXPECT_EQ(g_Stage.m_vPltChara[2].m_nMaxHP, 10);
    EXPECT_EQ(g_Stage.m_vPltChara[2].m_nMaxSP, 5);
    EXPECT_EQ(g_Stage.m_vPltChara[3].m_vFlow.Size(), 0);
}

TEST_F(CharaDefTest, InheritanceSeesTheUpgradedFlags) {
    // A version-209 entry's flag 30 is flag 31 (ease of stopping) once the
    // group at 21 (auto-scroll sync) is inserted, switched on; group 30
    // (impact resistance) is not taken.
    cCharaDef source;
    source.m_sStopEase = 77;
    source.m_cScrollSync = 1;
    source.m_cImpactResist = 9;
    g_CommonPalette.m_vChara.push_back(source);
    Chara c;
    c.src = 1, c.idx = 2, c.flags = FlagsWith({30});
    cCharaDef d = Read(209, c);
    EXPECT_EQ(d.m_sStopEase, 77);
    EXPECT_EQ(d.m_cScrollSync, 1);
    EXPECT_EQ(d.m_cImpactResist, 0);
}

// ---- Copy offsets

TEST_F(CharaDefTest, CopyOffsetsChangeSignOnlyWhenFacingRightAndMirrored) {
    cCharaDef d;
    d.m_sCopyOffsetX = 3, d.m_sCopyStepX = 5;
    d.m_sCopyOffsetY = -2, d.m_sCopyStepY = 10;
    d.m_cMirrorY = 1;
    EXPECT_DOUBLE_EQ(d.GetOffsetX(2, 0), 13.0);
    EXPECT_DOUBLE_EQ(d.GetOffsetX(2, 1), 13.0);
    EXPECT_DOUBLE_EQ(d.GetOffsetY(3, 0), 28.0);
    EXPECT_DOUBLE_EQ(d.GetOffsetY(3, 1), -28.0);
    EXPECT_DOUBLE_EQ(d.GetOffsetY(0, 1), 2.0);
}

}  // namespace
