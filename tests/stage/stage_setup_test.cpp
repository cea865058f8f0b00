// One attempt at a stage: the map grid and its layout, the camera on the
// hero, which placements appear with which ids, the stage music asked for,
// the attempt from the stage's start-of-play settings, the summons of
// charas and blocks, and the stages the set-up refuses.
#include "stage/stage_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/requests.h"
#include "frontend/play_data.h"
#include "frontend/program_objects.h"
#include "frontend/scene_mgr.h"
#include "objects/draw_fixture.h"
#include "project/common_palette.h"
#include "project/move_shot.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "support/logged_test.h"
#include "support/sent_messages.h"
#include "stage/scene_fixture.h"

namespace {

using orvtest::g_Sent;
using orvtest::RecordSent;

class StageSetup : public stagetest::SceneTest {};

// ---------------------------------------------------------------------------
// Map grid and camera

TEST_F(StageSetup, TheRowPitchIsThePowerOfTwoAroundTheStageAndItsMargins) {
    struct Case {
        int width, shift, pitch;
    };
    const Case cases[] = {{1, 5, 32}, {20, 6, 64}, {100, 7, 128}, {108, 7, 128}, {109, 8, 256}, {237, 9, 512}};
    for (const Case& c : cases) {
        MakeStage(c.width, 3, 0, 0);
        AddBlock(c.width - 1, 2, 5);  // the last stage tile, next to the right margin
        scene.SetStage(0, 1);
        EXPECT_EQ(scene.m_ScrollX.m_nShift, c.shift) << c.width;
        EXPECT_EQ(scene.m_ScrollX.m_nPitch, c.pitch) << c.width;
        EXPECT_EQ(g_Map.Size(), 23 * c.pitch) << c.width;
        EXPECT_EQ(g_Map.At((c.width - 1 + 10) + (12 << c.shift)).m_sChip, 5) << c.width;
        EXPECT_EQ(FilledCells(), 1) << c.width;
    }
    EXPECT_FALSE(ClosePosted());
}

TEST_F(StageSetup, ARetryEmptiesEveryCellAndPutsThePlacedBlocksBackWithTheirLatchOpen) {
    MakeStage(30, 20);
    AddBlock(4, 6, 9);
    scene.SetStage(0, 1);
    Cell(4, 6).m_nMet = 1;
    Cell(7, 7).m_sChip = 3;  // summoned during play
    Cell(7, 7).m_cHit = 1;
    Cell(7, 7).m_cSummonProof = 1;
    scene.SetStage(0, 0);
    EXPECT_EQ(Cell(4, 6).m_sChip, 9);
    EXPECT_EQ(Cell(4, 6).m_nMet, 0);
    EXPECT_EQ(Cell(7, 7).m_sChip, 0);
    EXPECT_EQ(Cell(7, 7).m_cHit, 0);
    EXPECT_EQ(Cell(7, 7).m_cSummonProof, 0);
}

TEST_F(StageSetup, BlockPlacementsOutsideTheStageAreLeftOutNeverWrapped) {
    MakeStage(108, 10);  // pitch 128: column 118 and up would wrap into the next row
    AddBlock(-1, 0, 1);
    AddBlock(108, 0, 1);
    AddBlock(120, 3, 1);
    AddBlock(0, 10, 1);
    AddBlock(0, -11, 1);
    AddBlock(2, 2, 4);
    scene.SetStage(0, 1);
    EXPECT_EQ(FilledCells(), 1);
    EXPECT_EQ(Cell(2, 2).m_sChip, 4);
    EXPECT_NE(Report().find("block placement at (-1, 0) lies outside the stage of 108 x 10 tiles"), std::string::npos);
    EXPECT_NE(Report().find("5 block placements outside the stage are left out"), std::string::npos);
    EXPECT_FALSE(ClosePosted());
}

TEST_F(StageSetup, TheCameraStartsOnTheHeroInsideTheScrollLimits) {
    // A stage of one screen shows the same view wherever the hero stands.
    for (int hx : {0, 10, 19})
        for (int hy : {0, 14}) {
            MakeStage(20, 15, hx, hy);
            scene.SetStage(0, 1);
            EXPECT_EQ(scene.m_ScrollX.m_dPos, 320) << hx << "," << hy;
            EXPECT_EQ(scene.m_ScrollY.m_dPos, 320) << hx << "," << hy;
        }
    // Walking hero 16 x 24 standing on its cell: X = 40 x 32 + 8 + 0.5,
    // Y = 30 x 32 + 8; the camera centres the body.
    MakeStage(60, 40, 30, 20);
    scene.SetStage(0, 1);
    EXPECT_EQ(Hero().m_dX, 1288.5);
    EXPECT_EQ(Hero().m_dY, 968);
    EXPECT_EQ(scene.m_ScrollX.m_dPos, 1288.5 - 320 + 8);
    EXPECT_EQ(scene.m_ScrollY.m_dPos, 968 - 240 + 12);
    EXPECT_EQ(Hero().m_nScreenL, 320 - 8 - 8);
    // Near the stage's end the camera stops at its limit.
    MakeStage(60, 40, 59, 39);
    scene.SetStage(0, 1);
    EXPECT_EQ(scene.m_ScrollX.m_dPos, (60 + 10) * 32 - 640);
    EXPECT_EQ(scene.m_ScrollY.m_dPos, (40 + 10) * 32 - 480);
}

// ---------------------------------------------------------------------------
// Placements

TEST_F(StageSetup, ACopyCountGivesConsecutiveIdsAndACopyOutsideTheMapTakesNone) {
    MakeStage(30, 20);
    cCharaDef& a = AddChara(5, 5);
    a.m_cExtraCopies = 2;
    a.m_sCopyStepX = -400;  // copy 1 lands in the margin, copy 2 outside the map
    AddChara(8, 5).m_cExtraCopies = 0;
    scene.SetStage(0, 1);

    std::vector<int> ids, copies;
    for (const cStageChara& c : g_Charas) ids.push_back(c.m_nId), copies.push_back(c.m_sSpawnIndex);
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));  // the hero took 0
    EXPECT_EQ(copies, (std::vector<int>{0, 1, 0}));
    auto it = g_Charas.begin();
    const double x0 = it->m_dX;
    EXPECT_EQ((++it)->m_dX, x0 - 400);
    EXPECT_EQ(scene.m_nCharaId, 4);
    // Every chara and the hero in the group of their faction, in order.
    ASSERT_EQ(scene.m_vCharaGroups[1].size(), 4u);
    EXPECT_EQ(scene.m_vCharaGroups[1].front(), &Hero());
}

TEST_F(StageSetup, ACarriedItemTakesItsIdBeforeTheFreeItems) {
    MakeStage(30, 20);
    AddItem(3, 3);
    AddItem(4, 4);
    AddChara(6, 6).m_nCarryItem = 1;
    AddChara(7, 6).m_nCarryItem = 7;  // no such item
    scene.SetStage(0, 1);

    ASSERT_EQ(g_Charas.Size(), 2);
    const cStageChara& carrier = g_Charas.front();
    EXPECT_EQ(carrier.m_Item.m_bCarried, 1);
    EXPECT_EQ(carrier.m_Item.m_nId, 0);
    const cStageChara& other = g_Charas.back();
    EXPECT_EQ(other.m_Item.m_bCarried, 0);
    EXPECT_EQ(other.m_Item.m_Def.m_sChip, 0);
    EXPECT_NE(Report().find("carries item 7 of 2 placed items"), std::string::npos);

    ASSERT_EQ(g_Items.Size(), 1);  // item 1 is carried, item 0 lies free
    EXPECT_EQ(g_Items.front().m_nId, 1);
    EXPECT_EQ(g_Items.front().m_bCarried, 0);
    EXPECT_EQ(scene.m_nItemId, 2);
    EXPECT_FALSE(ClosePosted());
}

TEST_F(StageSetup, StageStartDropsCharasThatCannotLiveWhenEveryCharaStarts) {
    for (int all : {0, 1}) {
        g_SystemData.Set(kSysStartFlowsForAll, all);
        MakeStage(30, 20);
        AddChara(5, 5).m_nMaxHP = 0;
        AddChara(6, 5);
        scene.SetStage(0, 1);
        // Without the switch only active charas start; a chara without
        // appearance conditions is active from the set-up on, so both
        // settings drop the chara without HP.
        ASSERT_EQ(g_Charas.Size(), 1) << all;
        EXPECT_EQ(g_Charas.back().m_nId, 2) << all;
        EXPECT_EQ(scene.m_vCharaGroups[1].size(), 2u) << all;
        EXPECT_EQ(Hero().m_BackRefs.size(), 2u) << all;  // the hero and the chara's first target
        for (const cChara* c : scene.m_vCharaGroups[1]) EXPECT_GT(c->m_nHP, 0);
        for (const CHARALINK& l : Hero().m_BackRefs) EXPECT_GT(l.chara->m_nHP, 0);
    }
}

// ---------------------------------------------------------------------------
// Counters, settings and music

TEST_F(StageSetup, ShotChecksSpreadOverTheSubSteps) {
    struct Case {
        int n, checks;
        std::vector<int> steps;
    };
    const std::vector<Case> cases = {
        {4, 3, {1, 1, 1, 0}},
        {4, 5, {1, 1, 1, 1}},
        {4, 1, {1, 0, 0, 0}},
        {4, 0, {1, 1, 1, 1}},
        {4, -1, {1, 0, 0, 0}},     // a count no editor writes: once a frame
        {4, -128, {1, 0, 0, 0}},
        {10, 3, {1, 0, 0, 1, 0, 0, 1, 0, 0, 0}},
        {10, 4, {1, 0, 1, 0, 0, 1, 0, 1, 0, 0}},
        {10, 5, {1, 0, 1, 0, 1, 0, 1, 0, 1, 0}},
        {1, 5, {1}},
        {10, 10, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {4, 2147483647, {1, 1, 1, 1}},  // a hostile count: at once, not one turn per check
    };
    for (const Case& c : cases) EXPECT_EQ(MakeAttackSteps(c.n, c.checks), c.steps) << c.n << " " << c.checks;

    MakeStage(20, 15);
    g_Stage.m_nHitLevel = 14;  // 4 sub-steps
    g_Stage.m_nAttackLevel = 3;
    scene.SetStage(0, 1);
    EXPECT_EQ(scene.m_vAttackSteps, (std::vector<int>{1, 1, 1, 0}));
}

TEST_F(StageSetup, TheStageMusicIsAskedForByRestartKeepAndWhatPlays) {
    struct Case {
        int restart, keep, playing, number;
        bool sent;
    };
    const Case cases[] = {
        {1, 0, 3, 3, true},   // a restart plays it from the start
        {1, 1, 3, 3, false},  // ...unless the stage keeps the music that plays
        {1, 1, 0, 0, true},   // keeping silence still stops what might sound
        {1, 1, 2, 3, true},
        {0, 0, 3, 3, false},  // a retry asks only for other music
        {0, 1, 2, 3, true},
        {0, 0, 3, 0, true},
    };
    for (const Case& c : cases) {
        MakeStage(20, 15);
        g_Stage.m_nBgm = c.number;
        g_Stage.m_nBgmOption = 1;
        g_Stage.m_bKeepBgm = c.keep;
        g_PlayData.m_nStageBgm = c.playing;
        g_PlayData.m_bStageBgmLoop = 0;
        g_SceneMgr.m_nBgmId = 5;
        g_Sent.clear();
        scene.SetStage(0, c.restart);
        std::vector<plat::Message> music;
        for (const plat::Message& m : g_Sent)
            if (m.id == WM_REQ_BGM) music.push_back(m);
        const std::string what = std::to_string(c.restart) + std::to_string(c.keep) + std::to_string(c.playing) +
                                 std::to_string(c.number);
        ASSERT_EQ(music.size(), c.sent ? 1u : 0u) << what;
        if (c.sent) {
            EXPECT_EQ(music[0].wParam, 4u) << what;
            EXPECT_EQ(music[0].lParam, c.number) << what;
            EXPECT_EQ(g_PlayData.m_bStageBgmLoop, 1) << what;
        }
        EXPECT_EQ(g_SceneMgr.m_nBgmId, 0) << what;
    }
}

TEST_F(StageSetup, ARestartTakesTheSettingsAndTheHeroAsTheStageWasLoaded) {
    MakeStage(30, 20);
    g_Stage.m_bTimeLimit = 1;
    g_Stage.m_nTimeLimit = 120;
    g_StageSettings = g_Stage;
    g_HeroDef = g_Stage.m_vChara.At(g_Stage.FindHero());
    scene.SetStage(0, 1);
    EXPECT_EQ(scene.m_nTimeLimit, 120);

    for (int keep : {0, 1}) {
        g_SystemData.Set(kSysKeepHeroDef, keep);
        // What play changed: a status command on the time limit, one on the
        // hero's maximum HP.
        g_Stage.m_nTimeLimit = 5;
        g_Stage.m_vChara.At(0).m_nMaxHP = 99;
        scene.SetStage(1, 0);
        EXPECT_EQ(scene.m_nTimeLimit, 120) << keep;
        EXPECT_EQ(scene.m_bNoTimeLimit, 0) << keep;
        EXPECT_EQ(Hero().m_nHP, keep ? 99 : 10) << keep;
    }
    EXPECT_FALSE(ClosePosted());
}

// ---------------------------------------------------------------------------
// Stages the set-up refuses

TEST_F(StageSetup, AStageWithoutAHeroClosesBeforeTheGridOrTheHero) {
    MakeStage(20, 15);
    scene.SetStage(0, 1);
    const int cells = g_Map.Size();
    const double heroX = Hero().m_dX;
    g_Stage.m_vChara.At(0).m_cOperatedBy = 1;  // no longer the player's
    g_Stage.m_nWidth = 200;
    scene.SetStage(0, 1);
    EXPECT_TRUE(ClosePosted());
    EXPECT_EQ(g_Map.Size(), cells);
    EXPECT_EQ(Hero().m_dX, heroX);
    EXPECT_NE(Report().find("has no hero"), std::string::npos);
}

TEST_F(StageSetup, AStageOfNoSizeOrTooManyCellsIsRefused) {
    struct Case {
        int w, h;
        const char* report;
    };
    const Case cases[] = {
        {0, 15, "stage size 0 x 15 is not playable"},
        {20, -20, "stage size 20 x -20 is not playable"},
        {2147483647, 15, "stage size 2147483647 x 15 is not playable"},
        {100000, 100000, "a stage of 100000 x 100000 tiles needs"},
    };
    for (const Case& c : cases) {
        MakeStage(c.w, c.h);
        scene.SetStage(0, 1);
        EXPECT_TRUE(ClosePosted()) << c.report;
        EXPECT_EQ(g_Map.Size(), 0) << c.report;
        EXPECT_NE(Report().find(c.report), std::string::npos) << c.report;
    }
}

// ---------------------------------------------------------------------------
// Summons

class StageSummon : public StageSetup {
protected:
    void SetUp() override {
        StageSetup::SetUp();
        MakeStage(30, 20, 5, 5);
        scene.SetStage(0, 1);
        block.m_sChip = 7;
        block.m_cHit = 1;
    }
    // Summons at the dot position whose cell is map tile (tx, ty).
    int Summon(int tx, int ty) { return scene.SpawnBlock(tx * 32 - 16, ty * 32 - 16, 0, params, block); }
    cMapCell& MapCell(int tx, int ty) { return g_Map.At(tx + (ty << scene.m_ScrollX.m_nShift)); }

    cEdShot params;
    cPltBlock block;
};

TEST_F(StageSummon, ToggleChangesACellOnceAnAttempt) {
    params.m_cBlockMode = 2;
    EXPECT_EQ(Summon(20, 20), 1);
    EXPECT_EQ(MapCell(20, 20).m_sChip, 7);
    EXPECT_EQ(Summon(20, 20), 0);  // the same cell again: already changed
    EXPECT_EQ(MapCell(20, 20).m_sChip, 7);
    EXPECT_EQ(scene.m_vChangedCells.size(), 1u);
    scene.m_vChangedCells.clear();  // the next toggle summon
    EXPECT_EQ(Summon(20, 20), 1);
    EXPECT_EQ(MapCell(20, 20).m_sChip, 0);
}

TEST_F(StageSummon, ACrushSwitchRefusesABlockOverTheHeroAndKeepsTheCell) {
    const int hx = 15, hy = 15;  // the hero's map tile
    MapCell(hx, hy).m_sChip = 3;
    MapCell(hx, hy).m_nMet = 1;
    for (int mode : {0, 2}) {
        params.m_cBlockMode = static_cast<int8_t>(mode);
        params.m_cSpareHero = 1;
        Hero().m_nTypeChangeWait = 0;
        scene.m_vChangedCells.clear();
        // Toggle erases a present block first; this one is absent for now.
        MapCell(hx, hy).m_sChip = mode == 2 ? 0 : 3;
        EXPECT_EQ(Summon(hx, hy), 0) << mode;
        EXPECT_EQ(MapCell(hx, hy).m_sChip, mode == 2 ? 0 : 3) << mode;
        EXPECT_EQ(MapCell(hx, hy).m_nMet, 1) << mode;
        EXPECT_EQ(Hero().m_nTypeChangeWait, 2) << mode;
        EXPECT_TRUE(scene.m_vChangedCells.empty()) << mode;
    }
    // Without the switch the block goes in and the hero will be put back
    // where it stood instead of being squeezed.
    params.m_cBlockMode = 0;
    params.m_cSpareHero = 0;
    Hero().m_nTypeChangeWait = 0;
    EXPECT_EQ(Summon(hx, hy), 1);
    EXPECT_EQ(MapCell(hx, hy).m_sChip, 7);
    EXPECT_EQ(MapCell(hx, hy).m_nMet, 0);
    EXPECT_EQ(Hero().m_nTypeChangeWait, 2);
    // A block the hero's faction passes squeezes nothing.
    block.m_ucPassClass = static_cast<uint8_t>(Hero().m_nFaction);
    params.m_cSpareHero = 1;
    Hero().m_nTypeChangeWait = 0;
    EXPECT_EQ(Summon(hx, hy), 1);
    EXPECT_EQ(Hero().m_nTypeChangeWait, 0);
}

TEST_F(StageSummon, LockedCellsEraseAndCellsOutsideTheGrid) {
    // A lock holds where a block is present; with the strict switch always.
    MapCell(20, 20).m_cSummonProof = 1;
    EXPECT_EQ(Summon(20, 20), 1);
    MapCell(20, 20).m_cSummonProof = 1;
    EXPECT_EQ(Summon(20, 20), 0);
    g_SystemData.Set(kSysStrictSummonLock, 1);
    MapCell(21, 20).m_cSummonProof = 1;
    EXPECT_EQ(Summon(21, 20), 0);
    EXPECT_EQ(MapCell(21, 20).m_sChip, 0);

    params.m_cBlockMode = 1;
    EXPECT_EQ(Summon(22, 20), 1);
    EXPECT_EQ(MapCell(22, 20).m_sChip, g_CommonPalette.m_vBlock.At(0).m_sChip);

    // Columns past the pitch would be cells of the next row.
    params.m_cBlockMode = 0;
    const int pitch = scene.m_ScrollX.m_nPitch, rows = scene.m_ScrollY.m_nCells;
    const int before = FilledCells();
    for (auto [tx, ty] : {std::pair{-1, 5}, {pitch, 5}, {pitch + 3, 0}, {5, -1}, {5, rows}, {100000, 100000}})
        EXPECT_EQ(Summon(tx, ty), 0) << tx << "," << ty;
    EXPECT_EQ(FilledCells(), before);
    EXPECT_EQ(scene.SpawnBlock(1e300, -1e300, 0, params, block), 0);
    EXPECT_FALSE(ClosePosted());
}

TEST_F(StageSummon, SummonedCharasStandOnTheirSlotWithTheSummonersChoices) {
    cCharaDef def;
    def.m_sChip = 4;
    def.m_nScore = 50;
    def.m_cExtraCopies = 1;
    def.m_sCopyStepY = 40;
    params.m_cNoScore = 1;
    params.m_cRangeOn = 1;
    params.m_sRange = 3;
    params.m_cCreditUser = 1;
    params.m_cTriggerFlowId = 2;
    const int before = scene.m_nCharaId;
    scene.SpawnChara(g_Charas, 700, 600, 4, 1, 0, params, def, scene.m_nCharaId, &Hero());

    ASSERT_EQ(g_Charas.Size(), 2);
    int n = 0;
    for (const cStageChara& c : g_Charas) {
        EXPECT_EQ(c.m_nId, before + n);
        EXPECT_EQ(c.m_nFaction, 4);
        EXPECT_EQ(c.m_bRight, 1);
        EXPECT_EQ(c.m_Def.m_nScore, 0);
        EXPECT_EQ(c.m_nLife, 3 * 10 * 6);  // tenths of a second in sub-steps
        EXPECT_EQ(c.m_pParent, &Hero());
        EXPECT_EQ(c.m_bCreditParent, 1);
        EXPECT_EQ(c.m_nParentGroup, 2);
        // A walking 16 x 24 sprite stands on the 32-dot slot at (700, 600).
        EXPECT_EQ(c.m_dX, 700 + 8);
        EXPECT_EQ(c.m_dY, 600 + 8 + 40 * n);
        ++n;
    }
    EXPECT_EQ(scene.m_vCharaGroups[4].size(), 2u);
    EXPECT_EQ(def.m_nScore, 50);  // the palette's definition stays as it was

    // Outside the map nothing is summoned and no id is taken.
    scene.SpawnChara(g_Charas, -500, 600, 4, 1, 0, params, def, scene.m_nCharaId, nullptr);
    EXPECT_EQ(g_Charas.Size(), 2);
    EXPECT_EQ(scene.m_nCharaId, before + 2);
}

TEST(NudgeClear, TriesUpThenLeftThenUpLeft) {
    struct Case {
        int blockedTries;  // the first this many tests report a blocked place
        int result;
        double dx, dy;
    };
    const Case cases[] = {{0, 1, 0, 0}, {1, 1, 0, -1}, {2, 1, -1, 0}, {3, 1, -1, -1}, {4, 0, -1, -1}};
    for (const Case& c : cases) {
        cChara chara;
        chara.m_dX = 100, chara.m_dY = 200, chara.m_dRight = 115, chara.m_dBottom = 223;
        int tests = 0;
        const int result = NudgeClear(chara, [&](cChara&) { return tests++ < c.blockedTries ? 1 : 0; });
        EXPECT_EQ(result, c.result) << c.blockedTries;
        EXPECT_EQ(chara.m_dX, 100 + c.dx) << c.blockedTries;
        EXPECT_EQ(chara.m_dY, 200 + c.dy) << c.blockedTries;
        EXPECT_EQ(chara.m_dRight, 115 + c.dx) << c.blockedTries;
        EXPECT_EQ(chara.m_dBottom, 223 + c.dy) << c.blockedTries;
    }
}

// ---------------------------------------------------------------------------
// The stage chara's and the hero's set-up

TEST_F(StageSetup, SpriteAndBoxSizesOfAHostileStageStayBounded) {
    MakeStage(30, 20);
    AddChara(5, 5);
    AddChara(8, 5).m_cGiantScale = 127;  // far larger than the map: left out
    g_Stage.m_nCharaPicW = 2000000000;
    g_Stage.m_nCharaShotHitW = -2000000000;
    g_Stage.m_nHeroPicH = 2147483647;
    g_Stage.m_vChara.At(0).m_cGiantScale = 127;
    g_Stage.m_nItemBoxW = 2147483647;
    g_Stage.m_nItemBoxH = -5;
    cItem item;
    cPltItem giant;
    giant.m_cGiant = 127;
    item.Init(0, giant, 0);
    EXPECT_EQ(item.m_nBaseWidth, kMaxStageBoxSize);
    EXPECT_EQ(item.m_nWidth, 127 * kMaxStageBoxSize);
    EXPECT_EQ(item.m_nBaseHeight, 0);
    scene.SetStage(0, 1);
    ASSERT_EQ(g_Charas.Size(), 1);
    const cStageChara& c = g_Charas.front();
    EXPECT_EQ(c.m_nWidth, kMaxStageBoxSize);
    EXPECT_EQ(c.m_ShotBox.width, 0);
    EXPECT_EQ(Hero().m_nBaseHeight, kMaxStageBoxSize);
    EXPECT_EQ(Hero().m_nHeight, 127 * kMaxStageBoxSize);
}

TEST_F(StageSetup, AStageCharaTakesTheStagesLayoutOrABlockCharasCell) {
    MakeStage(30, 20);
    AddChara(5, 5);
    AddChara(7, 5).m_cBlockChara = 1;
    cCharaDef& flyer = AddChara(9, 5);
    flyer.m_cFlight = 1;
    flyer.m_cActivityRange = 1;
    scene.SetStage(0, 1);
    ASSERT_EQ(g_Charas.Size(), 3);
    auto it = g_Charas.begin();
    // Walking: sprite 16 x 24 standing in the cell, body 12 x 24 standing,
    // shot box 30 x 30 centred on the cell.
    EXPECT_EQ(it->m_nOffsetX, 8);
    EXPECT_EQ(it->m_nOffsetY, 8);
    EXPECT_EQ(it->m_BodyBox.offsetX, 16 - 8 - 6);
    EXPECT_EQ(it->m_BodyBox.offsetY, 32 - 8 - 24);
    EXPECT_EQ(it->m_ShotBox.offsetX, 16 - 15 - 8);
    EXPECT_EQ(it->m_dX, 15 * 32 + 8 + 0.5);
    EXPECT_EQ(it->m_BodyBox.left, 15 * 32 + 8 + 2);
    ++it;
    EXPECT_EQ(it->m_nWidth, 32);
    EXPECT_EQ(it->m_BodyBox.width, 0);
    EXPECT_EQ(it->m_ShotBox.offsetX, 0);
    EXPECT_EQ(it->m_ShotBox.width, 32);
    ++it;
    // Flying: sprite 16 x 16 centred; X in view is enough for it to act.
    EXPECT_EQ(it->m_nOffsetY, 8);
    EXPECT_EQ(it->m_bFly, 1);
    EXPECT_EQ(it->m_bIgnoreViewX, 0);
    EXPECT_EQ(it->m_bIgnoreViewY, 1);
}

TEST_F(StageSetup, TheHeroChangesLayoutWithItsMoveTypeAndTheViewFollowsIt) {
    MakeStage(60, 40, 30, 20);
    scene.SetStage(0, 1);
    cHero& hero = Hero();
    EXPECT_EQ(hero.m_nHeight, 24);
    hero.SetMoveType(kMoveFlyThrough, 0, 1, 1);
    EXPECT_EQ(hero.m_bFly, 1);
    EXPECT_EQ(hero.m_nHeight, 16);
    EXPECT_EQ(hero.m_nOffsetY, 8);
    EXPECT_EQ(hero.m_nTypeChangeWait, 2);
    EXPECT_EQ(hero.m_bTypePosRestore, 1);
    EXPECT_EQ(hero.m_bTypePosSaved, 1);
    EXPECT_EQ(hero.m_ItemBox.offsetX, 16 - 8 - 8);
    hero.m_nTypeChangeWait = 0;
    hero.SetMoveType(kMoveFlyThrough, 0, 0, 0);  // no change of type: no restore window
    EXPECT_EQ(hero.m_nTypeChangeWait, 0);

    // The view follows the hero up to the scroll limits.
    hero.m_dX = 400;
    hero.CheckBoundsX();
    EXPECT_EQ(scene.m_ScrollX.m_dPos, scene.m_ScrollX.m_nLow);
    hero.m_dX = 2000;
    hero.CheckBoundsX();
    EXPECT_EQ(scene.m_ScrollX.m_dPos, scene.m_ScrollX.m_nHigh - 640);
    hero.m_dX = 1000;
    hero.CheckBoundsX();
    EXPECT_EQ(scene.m_ScrollX.m_dPos, 1000 - 320 + 8);
    // An axis that scrolls by itself leaves the camera alone.
    scene.m_ScrollX.m_bAuto = 1;
    hero.m_dX = 1500;
    hero.CheckBoundsX();
    EXPECT_EQ(scene.m_ScrollX.m_dPos, 1000 - 320 + 8);
}

// The hero's death drawing ends in the middle of a frame drawn by layers:
// the stage is set up again between the hero (layer 0) and the charas and
// items of layers 1 to 7, whose lists the set-up refills.
TEST_F(StageSetup, ADeathEndInTheMiddleOfDrawingSetsTheStageUpAgain) {
    drawtest::DrawLayer layer;
    layer.Start();
    MakeStage(30, 20);
    g_Stage.m_bLayered = 1;
    for (int i = 1; i < 8; ++i) AddChara(3 + i, 5).m_cLayer = static_cast<int8_t>(i);
    AddItem(6, 6);
    AddItem(7, 6);
    g_StageSettings = g_Stage;
    g_HeroDef = g_Stage.m_vChara.At(g_Stage.FindHero());
    g_SceneMgr.m_nPlayMode = 2;
    g_PlayData.m_nLives = 3;
    scene.SetStage(0, 1);
    ASSERT_EQ(g_Charas.size(), 7u);
    for (cStageChara& c : g_Charas) c.m_bActive = 1;
    for (cItem& i : g_Items) i.m_bActive = 1;
    g_Heroes.At(0).m_bDefeated = 1;
    // The hero's death drawing ends in this frame: its wait is over.
    g_Heroes.At(0).m_nDeathWait = g_SceneMgr.m_nFrameRate;
    const int firstId = g_Charas.front().m_nId;
    scene.m_nState = 2;
    scene.Draw(1, 0, 1, 1);
    EXPECT_EQ(scene.m_nState, 1);
    EXPECT_EQ(g_PlayData.m_nLives, 2);
    EXPECT_EQ(g_Heroes.At(0).m_bDefeated, 0);
    EXPECT_EQ(g_Charas.size(), 7u);
    EXPECT_EQ(g_Items.size(), 2u);
    EXPECT_EQ(g_Charas.front().m_nId, firstId);
    layer.Stop();
}

// A set-up that stops on a broken stage leaves the old hero in place; the
// scene still plays nothing of the half-built stage.
TEST_F(StageSetup, AStoppedSetUpIsNeverPlayed) {
    MakeStage(30, 20);
    scene.SetStage(0, 1);
    EXPECT_EQ(scene.m_bStageReady, 1);
    scene.m_nState = 2;
    scene.Frame();
    EXPECT_EQ(scene.m_nFrame, 1);
    g_Stage.m_nWidth = 0;
    scene.SetStage(0, 1);
    EXPECT_TRUE(ClosePosted());
    EXPECT_EQ(scene.m_bStageReady, 0);
    EXPECT_FALSE(g_Heroes.empty());
    scene.Frame();
    EXPECT_EQ(scene.m_nFrame, 0);
}

}  // namespace

TEST_F(StageSetup, ActivityAfterSetUpFollowsTheViewAndTheAppearanceFlags) {
    MakeStage(60, 20);
    AddChara(5, 5);                            // on screen
    AddChara(50, 5);                           // far off screen
    AddChara(50, 6).m_cActivityRange = 3;      // acts wherever it is
    cCharaDef& flagged = AddChara(51, 7);      // off screen, waits for flag 3
    flagged.m_cFlagAppear = 1;
    flagged.m_sFlagNo = 3;
    cCharaDef& seen = AddChara(7, 5);          // on screen, sets flag 3
    seen.m_cFlagAppear = 1;
    seen.m_sFlagNo = 3;
    AddItem(4, 4);
    AddItem(55, 4);
    scene.SetStage(0, 1);

    EXPECT_EQ(Hero().m_bActive, 1);
    EXPECT_EQ(Hero().m_bActing, 1);
    ASSERT_EQ(g_Charas.Size(), 5);
    struct Want {
        int inView, acting;
    };
    const Want want[] = {{1, 1}, {0, 0}, {0, 1}, {0, 1}, {1, 1}};
    int i = 0;
    for (const cStageChara& c : g_Charas) {
        EXPECT_EQ(c.m_bActive, 1) << i;
        EXPECT_EQ(c.m_bInView, want[i].inView) << i;
        EXPECT_EQ(c.m_bActing, want[i].acting) << i;
        ++i;
    }
    EXPECT_EQ(scene.m_vStepFlags.at(3), 1);
    ASSERT_EQ(g_Items.Size(), 2);
    EXPECT_EQ(g_Items.front().m_bActive, 1);
    EXPECT_EQ(g_Items.front().m_bInView, 1);
    EXPECT_EQ(g_Items.back().m_bInView, 0);
}
