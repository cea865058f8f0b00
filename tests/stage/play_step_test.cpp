// One frame of stage play: the play time and the time limit, lifetimes,
// charas taken out while the charas are walked, the ground effects and item
// blocks under the hero, range removal, and the hero's deaths on a tiny
// stage.
#include <gtest/gtest.h>

#include <climits>
#include <new>
#include <string>
#include <cstdint>
#include <vector>

#include "app/requests.h"
#include "core/report_log.h"
#include "core/timing.h"
#include "frontend/scene_mgr.h"
#include "objects/hero.h"
#include "objects/shot.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/scene_fixture.h"
#include "stage/stage_setup.h"

namespace {

using orvtest::g_Sent;

class PlayStep : public stagetest::SceneTest {
protected:
    // The stage set up for play, its hero standing on tile (hx, hy) above
    // a floor of solid blocks along row hy + 1.
    void Start(int w = 30, int h = 20, int hx = 2, int hy = 2, bool floor = true) {
        MakeStage(w, h, hx, hy);
        if (floor)
            for (int x = 0; x < w; ++x) AddSolid(x, hy + 1);
    }
    static cPltBlock& AddSolid(int col, int row, int hit = 1) {
        AddBlock(col, row, 1);
        cPltBlock& b = g_Stage.m_vBlock.back();
        b.m_cHit = static_cast<int8_t>(hit);
        return b;
    }
    void SetUpStage() {
        g_StageSettings = g_Stage;
        g_HeroDef = g_Stage.m_vChara.At(g_Stage.FindHero());
        scene.SetStage(0, 1);
        scene.m_nState = cGameScene::kStatePlay;
        CountEvery(0, 0);
    }
    void Frames(int n) {
        for (int i = 0; i < n && scene.m_nState == cGameScene::kStatePlay; ++i) scene.StatePlay();
    }
    static int Sounds(int n) {
        return orvtest::SentCount(WM_REQ_SE, static_cast<uintptr_t>(n));
    }
};

TEST_F(PlayStep, PlayTimeCountsHundredthsAtSixtyFramesASecondUpToItsCap) {
    struct Case {
        int framesBefore, timeBefore, frames, time;
    };
    const Case cases[] = {
        {0, 0, 1, 1},           {2, 3, 3, 5},          {58, 96, 59, 98},           {59, 98, 60, 100},
        {359998, 599996, 359999, 599998}, {359999, 599998, 360000, 599999},
        // At the cap the frames stop counting.
        {360000, 599999, 360000, 599999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.framesBefore);
        scene.m_nPlayFrames = c.framesBefore;
        scene.m_nPlayTime = c.timeBefore;
        scene.CountPlayTime();
        EXPECT_EQ(scene.m_nPlayFrames, c.frames);
        EXPECT_EQ(scene.m_nPlayTime, c.time);
    }
}

TEST_F(PlayStep, TheTimeLimitMovesEverySixtiethCallAndRunsOutAtZero) {
    struct Case {
        int limit, noLimit, step, calls, after, ranOut;
    };
    const Case cases[] = {
        {1, 0, -1, 59, 1, 0}, {1, 0, -1, 60, 0, 1}, {0, 0, -1, 60, 0, 1}, {0, 0, -1, 59, 0, 0},
        {999, 0, 5, 60, 999, 0}, {10, 0, -1, 120, 8, 0}, {1, 1, -1, 600, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.limit << " after " << c.calls);
        CountEvery(0, 0);
        scene.m_nTimeLimit = c.limit;
        scene.m_bNoTimeLimit = c.noLimit;
        int ranOut = 0;
        for (int i = 0; i < c.calls; ++i) ranOut = scene.CountTimeLimit(c.step);
        EXPECT_EQ(scene.m_nTimeLimit, c.after);
        EXPECT_EQ(ranOut, c.ranOut);
    }
}

// A limit of 1 second runs out on the 60th frame of play: the hero dies
// with sound 8, and that frame is neither stepped nor drawn.
TEST_F(PlayStep, TheHeroDiesWhenTheTimeRunsOut) {
    Start();
    g_Stage.m_bTimeLimit = 1;
    g_Stage.m_nTimeLimit = 1;
    SetUpStage();
    Frames(59);
    EXPECT_EQ(g_Heroes.At(0).m_bDefeated, 0);
    EXPECT_EQ(Sounds(8), 0);
    const int steps = scene.m_nStepCount;
    Frames(1);
    EXPECT_EQ(g_Heroes.At(0).m_bDefeated, 1);
    EXPECT_EQ(Sounds(8), 1);
    EXPECT_EQ(scene.m_nStepCount, steps);
    EXPECT_EQ(scene.m_nState, cGameScene::kStatePlay);
}

// With 4 sub-steps a frame a life of 10 sub-steps ends in the third frame;
// a permanent chara stays.
TEST_F(PlayStep, LifetimesCountSubStepsAndRemoveBelowZero) {
    Start();
    AddChara(5, 2);
    AddChara(6, 2);
    g_Stage.SetHitLevel(4);
    SetUpStage();
    ASSERT_EQ(g_Charas.Size(), 2);
    cStageChara& mortal = g_Charas.front();
    mortal.m_nLife = 10;
    const int mortalId = mortal.m_nId;
    g_Charas.back().m_nLife = INT32_MAX;
    auto has = [](int id) {
        for (const cStageChara& c : g_Charas)
            if (c.m_nId == id) return true;
        return false;
    };
    Frames(2);
    EXPECT_TRUE(has(mortalId));
    Frames(1);
    EXPECT_FALSE(has(mortalId));
    EXPECT_EQ(g_Charas.Size(), 1);
}

// A chara whose HP is gone is taken out in the middle of the walk over the
// charas; the walk goes on with the next one, and a chara taken out by
// another's step is neither stepped nor left in the list.
TEST_F(PlayStep, CharasTakenOutDuringTheWalkAreSweptAfterTheCurrentStep) {
    Start();
    for (int x = 5; x < 9; ++x) AddChara(x, 2).m_cFlight = 1;
    SetUpStage();
    ASSERT_EQ(g_Charas.Size(), 4);
    std::vector<cStageChara*> c;
    for (cStageChara& chara : g_Charas) c.push_back(&chara);
    const int lastId = c[3]->m_nId;
    c[1]->m_nHP = 0;
    c[3]->m_dInertiaX = 1;
    c[3]->m_bFrictionX = 0;
    const double lastX = c[3]->m_dX;
    // Removed during a walk, the chara stays in the list only marked.
    scene.m_nCharaWalk = 1;
    scene.RemoveChara(c[2]);
    EXPECT_EQ(g_Charas.Size(), 4);
    EXPECT_EQ(c[2]->m_bRemoved, 1);
    scene.m_nCharaWalk = 0;
    scene.SweepRemovedCharas();
    ASSERT_EQ(g_Charas.Size(), 3);

    Frames(1);
    ASSERT_EQ(g_Charas.Size(), 2);
    EXPECT_EQ(g_Charas.back().m_nId, lastId);
    EXPECT_GT(g_Charas.back().m_dX, lastX);
    for (const std::list<cChara*>& group : scene.m_vCharaGroups)
        for (const cChara* member : group) EXPECT_NE(member->m_nHP, 0);
}

// The ground effects of the block under the hero, started once the block
// is solid for it and no effect runs, then applied once a sub-step.
TEST_F(PlayStep, GroundEffectsUnderTheHero) {
    Start();
    g_Stage.SetHitLevel(4);
    SetUpStage();
    cHero& hero = g_Heroes.At(0);
    cMapCell& cell = Cell(2, 3);
    hero.m_pFootBlock = &cell;
    struct Case {
        const char* what;
        int kind, power;
        double speedX, inertiaX;
        double wantSpeedX, wantInertiaX;
        int wantTimer, wantBlocked;
    };
    const Case cases[] = {
        {"no effect", 0, 50, 2, 1, 2, 1, 0, 0},
        {"speed factor 50 %", 3, 50, 2, 1, 1, 1, 3, 0},
        {"carried left 20 / 4", 4, 20, 2, 1, 1.5, 0, 3, 0},
        {"carried left keeps a leftward inertia", 4, 20, 2, -1, 1.5, -1, 3, 0},
        {"carried right", 5, 20, 2, -1, 2.5, 0, 3, 0},
        {"no jump", 2, 0, 2, 1, 2, 1, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cell.m_cStandEffect = static_cast<int8_t>(c.kind);
        cell.m_nEffectValue = c.power;
        hero.m_nFootEffect = hero.m_nFootEffectTimer = 0;
        hero.m_bJumpBlocked = 1;
        hero.m_dSpeedX = c.speedX;
        hero.m_dInertiaX = c.inertiaX;
        EXPECT_EQ(scene.BlockUnderHero(hero), 0);
        EXPECT_DOUBLE_EQ(hero.m_dSpeedX, c.wantSpeedX);
        EXPECT_DOUBLE_EQ(hero.m_dInertiaX, c.wantInertiaX);
        EXPECT_EQ(hero.m_nFootEffectTimer, c.wantTimer);
        EXPECT_EQ(hero.m_bJumpBlocked, c.wantBlocked);
    }
    // A running effect is not started again: it lasts its n sub-steps, and
    // the next sub-step on the block starts it afresh.
    cell.m_cStandEffect = 3;
    cell.m_nEffectValue = 50;
    hero.m_nFootEffectTimer = 0;
    hero.m_dSpeedX = 16;
    for (int i = 0; i < 4; ++i) scene.BlockUnderHero(hero);
    EXPECT_DOUBLE_EQ(hero.m_dSpeedX, 1);
    EXPECT_EQ(hero.m_nFootEffectTimer, 0);
    scene.BlockUnderHero(hero);
    EXPECT_EQ(hero.m_nFootEffectTimer, 3);

    // A spring throws the hero up by its power in half blocks, and the jump
    // key no longer cuts the jump short.
    cell.m_cStandEffect = 1;
    cell.m_nEffectValue = 4;
    hero.m_nFootEffectTimer = 0;
    hero.m_bJumpArmed = 1;
    hero.m_dSpeedY = 0;
    scene.BlockUnderHero(hero);
    EXPECT_DOUBLE_EQ(hero.m_dSpeedY, hero.JumpSpeedFromHbl(4));
    EXPECT_LT(hero.m_dSpeedY, 0);
    EXPECT_EQ(hero.m_bJumped, 1);
    EXPECT_EQ(hero.m_bJumpArmed, 0);
    EXPECT_EQ(hero.m_nJumpHold, hero.FramesToApex(hero.m_dSpeedY));
    EXPECT_EQ(Sounds(10), 1);

    // A block that does not stop the hero's faction does nothing, and a
    // flying hero feels no ground.
    cell.m_cStandEffect = 3;
    cell.m_ucPassClass = static_cast<uint8_t>(hero.m_nFaction);
    hero.m_nFootEffectTimer = 0;
    scene.BlockUnderHero(hero);
    EXPECT_EQ(hero.m_nFootEffectTimer, 0);
    cell.m_ucPassClass = 255;
    hero.m_bFly = 1;
    scene.BlockUnderHero(hero);
    EXPECT_EQ(hero.m_nFootEffectTimer, 0);
}

// Standing still on an item block gives its item at once and then once a
// second; leaving the ground or stepping onto another block gives again at
// once.
TEST_F(PlayStep, ItemBlocksGiveOnceASecondAndAgainAfterAJumpOrAStep) {
    Start();
    g_Stage.m_vPltItem.resize(2);
    g_Stage.SetHitLevel(2);
    SetUpStage();
    cHero& hero = g_Heroes.At(0);
    cMapCell& cell = Cell(2, 3);
    cell.m_cItemSrc = 2;
    cell.m_sItemIdx = 1;
    hero.m_pFootBlock = hero.m_pLastFootBlock = hero.m_pPrevFootBlock = &cell;
    hero.m_bAirborne = 0;
    // The wait of n x 60 sub-steps starts counting in the sub-step that
    // gives.
    std::vector<int> givenAt;
    for (int step = 0; step < 300; ++step) {
        const int before = hero.m_nItemBlockWait;
        EXPECT_EQ(scene.ItemBlocks(hero), 0);
        if (hero.m_nItemBlockWait > before) givenAt.push_back(step);
    }
    EXPECT_EQ(givenAt, (std::vector<int>{0, 120, 240}));

    hero.m_bAirborne = 1;
    scene.ItemBlocks(hero);
    EXPECT_EQ(hero.m_nItemBlockWait, 0);
    hero.m_bAirborne = 0;
    scene.ItemBlocks(hero);
    EXPECT_EQ(hero.m_nItemBlockWait, 119);

    // Onto the next block, which gives the same item.
    cMapCell& next = Cell(3, 3);
    next.m_cItemSrc = 2;
    next.m_sItemIdx = 1;
    hero.m_pFootBlock = hero.m_pLastFootBlock = &next;
    scene.ItemBlocks(hero);
    EXPECT_EQ(hero.m_nItemBlockWait, 0);
    scene.ItemBlocks(hero);
    EXPECT_EQ(hero.m_nItemBlockWait, 119);
}

// Items out of their range are removed in the first sub-step, and the hero
// forgets touching them.
TEST_F(PlayStep, RangeRemovalTakesItemsTheHeroTouchesOutOfItsList) {
    Start();
    AddItem(25, 2);
    g_Stage.m_OutRange[kOutRangeItem].m_bSide[1] = 1;  // beyond the right edge of the view
    SetUpStage();
    ASSERT_EQ(g_Items.Size(), 1);
    cHero& hero = g_Heroes.At(0);
    hero.m_TouchedItems.push_back(&g_Items.front());
    Frames(1);
    EXPECT_EQ(g_Items.Size(), 0);
    EXPECT_TRUE(hero.m_TouchedItems.empty());
}

// Charas on tiny stages, played frame by frame: a fall onto the floor, a
// walk into a wall, a floor the hero's group passes through while another
// chara stands on it, and a flight up into a ceiling.
TEST_F(PlayStep, CharasLandAndAreStoppedByTheBlocksOfTheirGroup) {
    // The hero falls from tile row 8 onto the floor along row 13.
    Start(30, 20, 2, 8, false);
    for (int x = 0; x < 30; ++x) AddSolid(x, 13);
    AddSolid(5, 12);
    SetUpStage();
    cHero& hero = g_Heroes.At(0);
    // Standing, gravity sinks it a fraction of a dot into the line and the
    // next landing lifts it back: the bottom stays one dot above the line.
    Frames(60);
    EXPECT_EQ(static_cast<int>(hero.m_dBottom), (12 + 10 + 1) * 32 - 1);
    EXPECT_EQ(hero.m_bAirborne, 0);
    // Walking right, it stops at the block's tile line.
    for (int i = 0; i < 40; ++i) {
        hero.m_dInertiaX = 2;
        Frames(1);
    }
    EXPECT_EQ(static_cast<int>(hero.m_dRight), (5 + 10) * 32 - 1);
    EXPECT_EQ(hero.m_bDefeated, 0);

    // A floor that the hero's group passes through holds a walker up.
    Start(30, 20, 2, 12, false);
    const int heroGroup = g_Stage.m_vChara.At(0).m_cBlockClass;
    for (int x = 0; x < 30; ++x) AddSolid(x, 13).m_ucPassClass = static_cast<uint8_t>(heroGroup);
    cCharaDef& walker = AddChara(6, 12);
    walker.m_cBlockClass = static_cast<int8_t>(heroGroup + 1);
    // A flyer stopped by blocks, under a block.
    cCharaDef& flyer = AddChara(9, 12);
    flyer.m_cFlight = 2;
    AddSolid(9, 11);
    SetUpStage();
    ASSERT_EQ(g_Charas.Size(), 2);
    cStageChara& w = g_Charas.front();
    cStageChara& f = g_Charas.back();
    const double walkerBottom = w.m_dBottom;
    const double heroY = g_Heroes.At(0).m_dY;
    for (int i = 0; i < 10; ++i) {
        f.m_dInertiaY = -3;
        Frames(1);
    }
    EXPECT_GT(g_Heroes.At(0).m_dY, heroY + 16);
    EXPECT_EQ(static_cast<int>(w.m_dBottom), static_cast<int>(walkerBottom));
    EXPECT_EQ(static_cast<int>(w.m_dBottom) & 31, 31);
    // The flyer's head stops at the block's lower tile line.
    EXPECT_EQ(static_cast<int>(f.m_dY), (12 + 10) * 32);
}

// A shot that ends in a block is taken out of play; the chara that fired
// it forgets it, so that the chara's own end reaches no freed shot.
TEST_F(PlayStep, AShotTakenOutOfPlayLeavesNoLinkInItsOwner) {
    Start();
    AddChara(5, 2).m_cFlight = 1;
    SetUpStage();
    ASSERT_EQ(g_Charas.Size(), 1);
    cStageChara& owner = g_Charas.front();
    cShot shot;
    shot.m_pOwner = &owner;
    shot.m_dX = shot.m_dRight = (5 + 10) * 32 + 16;
    shot.m_dY = shot.m_dBottom = (3 + 10) * 32 + 16;
    shot.m_nTileL = shot.m_nTileR = 5 + 10;
    shot.m_nTileT = shot.m_nTileB = 3 + 10;
    scene.m_lShots.push_back(shot);
    cShot* fired = &scene.m_lShots.back();
    scene.m_vShotGroups[0].push_back(fired);
    owner.m_ShotLinks.push_back({fired, kShotOwnerLink});
    Frames(1);
    EXPECT_TRUE(scene.m_lShots.empty());
    EXPECT_TRUE(scene.m_vShotGroups[0].empty());
    EXPECT_TRUE(owner.m_ShotLinks.empty());
}

// A stage that stores no game speed plays at 60 frames a second; the speed
// stored stays as it was.
TEST_F(PlayStep, AStageWithoutAGameSpeedPlaysAtSixty) {
    for (int fps : {0, -5, 30, 120}) {
        SCOPED_TRACE(fps);
        Start();
        g_Stage.m_nFps = fps;
        SetUpStage();
        EXPECT_EQ(g_SceneMgr.m_nFrameRate, fps > 0 ? fps : 60);
        EXPECT_EQ(g_Stage.m_nFps, fps);
    }
}

// The hero's deaths on tiny stages, each named in the debug log: a deadly
// wall, a pit, a deadly floor, the bottom of a screen that scrolls up by
// itself, and a squeeze between two blocks.
TEST_F(PlayStep, TheHerosDeathChecks) {
    struct Case {
        const char* log;
        void (*build)(PlayStep& t);
        void (*push)(cGameScene& scene, cHero& hero);
        int frames;
    };
    // The hero stands on tile (2, 12) of a floor along row 13.
    const Case cases[] = {
        {"Dead 1", [](PlayStep&) { AddSolid(4, 12, 2); },
         [](cGameScene&, cHero& hero) {
             hero.m_dInertiaX = 3;
         },
         30},
        {"Dead 2",
         [](PlayStep&) {
             cVector<cPltBlock>& blocks = g_Stage.m_vBlock;
             blocks.erase(blocks.begin(), blocks.begin() + 6);
         },
         [](cGameScene&, cHero&) {}, 300},
        {"Dead 3", [](PlayStep&) {},
         [](cGameScene& s, cHero&) {
             s.m_ScrollY.m_nLow = 0;
             s.m_ScrollY.SetAutoScroll(1, -100);
         },
         120},
        {"Dead 4", [](PlayStep&) { g_Stage.m_vBlock.At(2).m_cHit = 2; }, [](cGameScene&, cHero&) {}, 5},
        {"Dead SP",
         [](PlayStep&) {
             // A hero three tiles wide between two blocks one tile apart.
             g_Stage.m_vChara.At(0).m_cGiantScale = 3;
             AddSolid(1, 12);
             AddSolid(3, 12);
         },
         [](cGameScene&, cHero&) {}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        ResetProgramObjects();
        g_Sent.clear();
        scene.~cGameScene();
        new (&scene) cGameScene();
        g_pGameScene = &scene;
        InitDebugLog(true, "EC_Game.txt");
        orvtest::WriteHostFile("EC_Game.txt", "");
        Start(30, 20, 2, 12);
        c.build(*this);
        SetUpStage();
        cHero& hero = g_Heroes.At(0);
        c.push(scene, hero);
        Frames(c.frames);
        InitDebugLog(false, "EC_Game.txt");
        EXPECT_EQ(hero.m_bDefeated, 1);
        EXPECT_EQ(Sounds(8), 1);
        const std::string log = orvtest::ReadHostFile("EC_Game.txt");
        EXPECT_NE(log.find(c.log), std::string::npos) << log.substr(0, 2000);
        // Dying, the hero is not moved any more.
        const double x = hero.m_dX, y = hero.m_dY;
        Frames(3);
        EXPECT_EQ(hero.m_dX, x);
        EXPECT_EQ(hero.m_dY, y);
    }
}

}  // namespace
