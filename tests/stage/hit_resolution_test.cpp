// Who hits whom on a tiny stage: shots against charas of the other groups,
// bodies against bodies, shots against shots, deaths outside combat and the
// hero picking up items. Boxes are set by hand, so each case shows exactly
// which rectangles meet.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>

#include "app/requests.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/shot.h"
#include "objects/stage_chara.h"
#include "project/common_palette.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/scene_fixture.h"
#include "stage/stage_setup.h"
#include "frontend/play_data.h"
#include "project/flow.h"
#include "project/move_shot.h"

namespace {

using orvtest::g_Sent;

constexpr int kSeHit = 7;
constexpr int kSeDefeat = 9;

struct Rect {
    double left, top, right, bottom;
};

void SetBoxes(cChara& chara, Rect r) {
    for (HITBOX* box : {&chara.m_BodyBox, &chara.m_ShotBox}) {
        box->left = r.left, box->top = r.top, box->right = r.right, box->bottom = r.bottom;
    }
}

class HitResolution : public stagetest::SceneTest {
protected:
    // The hero (group 0) and `charas` charas of group 1 with 5 HP each, all
    // active and in view, far apart.
    void Start(int charas) {
        MakeStage(30, 20, 1, 1);
        g_Stage.m_vChara.At(0).m_cBlockClass = 0;
        for (int i = 0; i < charas; ++i) {
            cCharaDef& c = AddChara(5 + 3 * i, 1);
            c.m_cBlockClass = 1;
            c.m_nMaxHP = 5;
        }
        g_Stage.m_nHeroInv = g_Stage.m_nCharaInv = 0;
        g_Stage.m_nHeroInvAttacker = g_Stage.m_nCharaInvAttacker = 30;
        g_StageSettings = g_Stage;
        g_HeroDef = g_Stage.m_vChara.At(g_Stage.FindHero());
        scene.SetStage(0, 1);
        scene.m_nState = cGameScene::kStatePlay;
        scene.m_nSubStep = 1;
        int x = 0;
        for (cChara* c : All()) {
            c->m_bActive = c->m_bInView = 1;
            SetBoxes(*c, {x * 1000.0, 0, x * 1000.0 + 20, 20});
            ++x;
        }
        g_Sent.clear();
    }
    std::vector<cChara*> All() {
        std::vector<cChara*> all{&Hero()};
        for (cStageChara& c : g_Charas) all.push_back(&c);
        return all;
    }
    static cStageChara& Chara(int i) { return *std::next(g_Charas.begin(), i); }
    // A shot of `group` over `r`, by default with power 1, fired by nobody.
    cShot& AddShot(int group, Rect r, int power = 1) {
        cShot shot;
        shot.m_nFaction = group;
        shot.m_bActive = shot.m_bInView = 1;
        shot.m_Box.left = r.left, shot.m_Box.top = r.top, shot.m_Box.right = r.right, shot.m_Box.bottom = r.bottom;
        shot.m_dX = r.left, shot.m_dY = r.top, shot.m_dRight = r.right, shot.m_dBottom = r.bottom;
        shot.m_Param.m_nPower = power;
        scene.m_lShots.push_back(shot);
        scene.m_vShotGroups[static_cast<size_t>(group)].push_back(&scene.m_lShots.back());
        return scene.m_lShots.back();
    }
    static int Sounds(int n) {
        return orvtest::SentCount(WM_REQ_SE, static_cast<uintptr_t>(n));
    }
};

TEST_F(HitResolution, ShotsHitOnlyCharasOfOtherGroupsWhoseBoxesMeetEdgesIncluded) {
    Start(1);
    cStageChara& enemy = Chara(0);
    SetBoxes(enemy, {100, 100, 120, 120});
    struct Case {
        int group;
        Rect box;
        int hp;
    };
    const Case cases[] = {
        {1, {100, 100, 120, 120}, 5},  // its own group
        {0, {121, 100, 130, 120}, 5},  // one dot apart
        {0, {120, 120, 130, 130}, 4},  // corners touch
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        enemy.m_nHP = 5;
        enemy.m_nInvincible = 0;
        AddShot(c.group, c.box);
        EXPECT_EQ(scene.ResolveAttackHits(), 0);
        EXPECT_EQ(enemy.m_nHP, c.hp);
        scene.m_lShots.clear();
        for (auto& g : scene.m_vShotGroups) g.clear();
    }
    EXPECT_EQ(scene.m_bResolvingAttacks, 0);
}

TEST_F(HitResolution, AShotIsUsedUpUnlessItPiercesAndNeverHitsTheSameCharaTwice) {
    Start(2);
    SetBoxes(Chara(0), {100, 100, 120, 120});
    SetBoxes(Chara(1), {110, 100, 130, 120});
    // A plain shot over both: it hits both in the same sub-step, then goes.
    AddShot(0, {105, 105, 125, 110});
    EXPECT_EQ(scene.ResolveAttackHits(), 0);
    EXPECT_EQ(Chara(0).m_nHP, 4);
    EXPECT_EQ(Chara(1).m_nHP, 4);
    EXPECT_TRUE(scene.m_lShots.empty());
    EXPECT_TRUE(scene.m_vShotGroups[0].empty());
    EXPECT_EQ(Sounds(kSeHit), 2);

    // A piercing shot and a sword stay and remember whom they hit.
    for (int sword = 0; sword < 2; ++sword) {
        SCOPED_TRACE(sword);
        for (int i = 0; i < 2; ++i) Chara(i).m_nHP = 5, Chara(i).m_nInvincible = 0;
        cShot& shot = AddShot(0, {105, 105, 125, 110});
        shot.m_bIsShot = sword ? 0 : 1;
        shot.m_Param.m_cPierceCharas = 1;
        scene.ResolveAttackHits();
        for (int i = 0; i < 2; ++i) Chara(i).m_nInvincible = 0;
        scene.ResolveAttackHits();
        EXPECT_EQ(Chara(0).m_nHP, 4);
        EXPECT_EQ(Chara(1).m_nHP, 4);
        ASSERT_EQ(scene.m_lShots.size(), 1u);
        EXPECT_EQ(shot.m_HitList, (std::list<int32_t>{Chara(0).m_nId, Chara(1).m_nId}));
        scene.m_lShots.clear();
        for (auto& g : scene.m_vShotGroups) g.clear();
    }
}

TEST_F(HitResolution, HarmlessShotsPassWithTheOptionAndAreUsedUpWithoutIt) {
    Start(1);
    SetBoxes(Chara(0), {100, 100, 120, 120});
    for (int pass = 1; pass >= 0; --pass) {
        SCOPED_TRACE(pass);
        g_SystemData.m_nValue[kSysHarmlessShotsPass] = pass;
        g_Sent.clear();
        AddShot(0, {100, 100, 110, 110}, 0);
        scene.ResolveAttackHits();
        scene.ResolveAttackHits();
        EXPECT_EQ(Chara(0).m_nHP, 5);
        EXPECT_EQ(Chara(0).IsInvincible(), false);
        EXPECT_EQ(scene.m_lShots.size(), pass ? 1u : 0u);
        EXPECT_EQ(Sounds(kSeHit), pass ? 0 : 1);
        scene.m_lShots.clear();
        for (auto& g : scene.m_vShotGroups) g.clear();
    }
}

TEST_F(HitResolution, AShotThatGivesAnItemHandsItToTheHeroOnEveryHit) {
    Start(1);
    SetBoxes(Chara(0), {100, 100, 120, 120});
    cPltItem gift;
    gift.m_sChip = 3;
    gift.m_sSound = 5;
    g_CommonPalette.m_vItem.assign(2, gift);
    // No power and no impact: the item alone makes the shot count.
    cShot& shot = AddShot(0, {100, 100, 110, 110}, 0);
    shot.m_Param.m_cItemSource = 1;
    shot.m_Param.m_sItemIndex = 1;
    g_SystemData.m_nValue[kSysHarmlessShotsPass] = 1;
    EXPECT_EQ(scene.ResolveAttackHits(), 0);
    EXPECT_EQ(Sounds(5 + 16), 1);
    EXPECT_EQ(Sounds(kSeHit), 1);
    EXPECT_TRUE(scene.m_lShots.empty());
}

TEST_F(HitResolution, ShotChecksPerFrameSkipTheUnflaggedSubSteps) {
    Start(1);
    SetBoxes(Chara(0), {100, 100, 120, 120});
    g_Stage.m_nAttackLevel = 1;
    scene.m_vAttackSteps = {1, 0, 0, 0};
    AddShot(0, {100, 100, 110, 110});
    scene.m_nSubStep = 3;
    scene.ResolveAttackHits();
    EXPECT_EQ(Chara(0).m_nHP, 5);
    scene.m_nSubStep = 1;
    scene.ResolveAttackHits();
    EXPECT_EQ(Chara(0).m_nHP, 4);
}

TEST_F(HitResolution, ShotsPassThroughInvincibilityTwoButItsBodyIsStillHit) {
    Start(1);
    cStageChara& ghost = Chara(0);
    ghost.m_Def.m_cInvincible = 2;
    SetBoxes(ghost, {100, 100, 120, 120});
    cShot& shot = AddShot(0, {100, 100, 110, 110});
    scene.ResolveAttackHits();
    EXPECT_TRUE(shot.m_HitList.empty());
    EXPECT_EQ(scene.m_lShots.size(), 1u);

    // Its body against the hero's: the hero is hurt, and becomes
    // invincible to that chara only.
    scene.m_lShots.clear();
    scene.m_vShotGroups[0].clear();
    ghost.m_Def.m_nBodyPower = 1;
    SetBoxes(Hero(), {110, 110, 130, 130});
    const int heroHp = Hero().m_nHP;
    scene.ResolveAttackHits();
    EXPECT_EQ(Hero().m_nHP, heroHp - 1);
    EXPECT_TRUE(Hero().IsInvincibleTo(ghost.m_nId));
    EXPECT_FALSE(Hero().IsInvincibleTo(ghost.m_nId + 100));
}

TEST_F(HitResolution, TwoBodiesHurtEachOtherAndEachIsSparedOnlyTheOther) {
    Start(2);
    Hero().m_Def.m_nBodyPower = 2;
    Hero().m_nHP = Hero().m_Def.m_nMaxHP = 10;
    Chara(0).m_Def.m_nBodyPower = 3;
    SetBoxes(Hero(), {100, 100, 120, 120});
    SetBoxes(Chara(0), {120, 100, 140, 120});
    EXPECT_EQ(scene.ResolveAttackHits(), 0);
    EXPECT_EQ(Hero().m_nHP, 7);
    EXPECT_EQ(Chara(0).m_nHP, 3);
    EXPECT_EQ(Sounds(kSeHit), 1);
    EXPECT_TRUE(Hero().IsInvincibleTo(Chara(0).m_nId));
    EXPECT_TRUE(Chara(0).IsInvincibleTo(Hero().m_nId));
    EXPECT_FALSE(Chara(0).IsInvincibleTo(Chara(1).m_nId));
    // Still touching: nobody is hurt again while that lasts.
    scene.ResolveAttackHits();
    EXPECT_EQ(Hero().m_nHP, 7);
    EXPECT_EQ(Chara(0).m_nHP, 3);
}

TEST_F(HitResolution, ADefeatEndsAnOrdinaryCharaAndAHeroDeathStopsTheResolution) {
    Start(2);
    Hero().m_Def.m_nBodyPower = 5;
    SetBoxes(Hero(), {100, 100, 120, 120});
    SetBoxes(Chara(0), {110, 100, 130, 120});
    EXPECT_EQ(scene.ResolveAttackHits(), 0);
    EXPECT_TRUE(Chara(0).m_bDefeated);
    EXPECT_EQ(Sounds(kSeDefeat), 1);

    // Shots of group 1 at the hero with all it has left: the answer is the
    // hero's death, and the second chara's shot is never tested.
    Hero().m_nInvincible = 0;
    AddShot(1, {100, 100, 110, 110}, Hero().m_nHP);
    cShot& later = AddShot(1, {100, 100, 110, 110});
    EXPECT_EQ(scene.ResolveAttackHits(), 2);
    EXPECT_TRUE(later.m_HitList.empty());
    EXPECT_EQ(scene.m_bResolvingAttacks, 0);
}

TEST_F(HitResolution, ShotsClashByTheirFlagsAndStrengths) {
    Start(0);
    struct Case {
        int clashA, strengthA, clashB, strengthB;
        bool aStays, bStays;
    };
    const Case cases[] = {
        {0, 0, 0, 0, true, true},   {1, 0, 0, 0, false, true}, {0, 0, 1, 0, true, false},
        {1, 2, 1, 5, false, true},  {1, 5, 1, 2, true, false}, {1, 3, 1, 3, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.clashA << c.strengthA << c.clashB << c.strengthB);
        cShot& a = AddShot(0, {500, 500, 510, 510});
        a.m_Param.m_cClash = static_cast<int8_t>(c.clashA);
        a.m_Param.m_cVanishValue = static_cast<int8_t>(c.strengthA);
        cShot& b = AddShot(2, {510, 510, 520, 520});
        b.m_Param.m_cClash = static_cast<int8_t>(c.clashB);
        b.m_Param.m_cVanishValue = static_cast<int8_t>(c.strengthB);
        scene.ResolveAttackHits();
        EXPECT_EQ(scene.m_vShotGroups[0].size(), c.aStays ? 1u : 0u);
        EXPECT_EQ(scene.m_vShotGroups[2].size(), c.bStays ? 1u : 0u);
        EXPECT_EQ(scene.m_lShots.size(), size_t{c.aStays} + size_t{c.bStays});
        scene.m_lShots.clear();
        for (auto& g : scene.m_vShotGroups) g.clear();
    }
}

TEST_F(HitResolution, HpDeathsTakeOutVanishedAndDefeatedCharasOrKeepThemForTheirDeath) {
    for (int keep = 0; keep < 2; ++keep) {
        SCOPED_TRACE(keep);
        Start(3);
        g_SystemData.m_nValue[kSysKeepDefeated] = keep;
        Chara(0).m_bRemoveReq = 1;
        Chara(1).m_nHP = 0;
        const int id2 = Chara(2).m_nId;
        EXPECT_EQ(scene.CheckHpDeaths(), 0);
        ASSERT_EQ(g_Charas.size(), keep ? 2u : 1u);
        EXPECT_EQ(g_Charas.back().m_nId, id2);
        if (keep) {
            EXPECT_TRUE(Chara(0).m_bDefeated);
            // Its sound once, not again while it stays.
            scene.CheckHpDeaths();
            EXPECT_EQ(Sounds(kSeDefeat), 1);
        }
        for (auto& g : scene.m_vCharaGroups)
            for (cChara* c : g) EXPECT_FALSE(c->m_bRemoveReq);
    }
}

TEST_F(HitResolution, TheHeroTakesItemsByTheirTakeModes) {
    MakeStage(30, 20, 1, 1);
    for (int mode = 0; mode < 3; ++mode) AddItem(3 + mode, 1);
    g_StageSettings = g_Stage;
    g_HeroDef = g_Stage.m_vChara.At(g_Stage.FindHero());
    scene.SetStage(0, 1);
    int mode = 0;
    for (cItem& item : g_Items) {
        item.m_bActive = 1;
        item.m_Def.m_cTakeMode = static_cast<int8_t>(mode++);
        item.m_Def.m_sSound = 5;
    }
    const int takenSound = 5 + 16;
    HITBOX& box = Hero().m_ItemBox;
    auto coverItems = [&](bool on) {
        box.left = on ? 0 : -100, box.right = on ? 100000 : -90;
        box.top = on ? 0 : -100, box.bottom = on ? 100000 : -90;
    };
    coverItems(true);
    g_Sent.clear();
    EXPECT_EQ(scene.PickUpItems(Hero()), 0);
    // Mode 0 taken and gone, mode 1 taken and left, mode 2 never taken.
    EXPECT_EQ(g_Items.size(), 2u);
    EXPECT_EQ(Sounds(takenSound), 2);
    // Still touching: mode 1 is not taken again; after leaving it, it is.
    scene.PickUpItems(Hero());
    EXPECT_EQ(Sounds(takenSound), 2);
    coverItems(false);
    scene.PickUpItems(Hero());
    coverItems(true);
    scene.PickUpItems(Hero());
    EXPECT_EQ(Sounds(takenSound), 3);
}

}  // namespace

namespace {

// A fight played by the play step: a chara of group 1 walks right into one
// of group 2 that stands; both hit by their bodies.
class Fight : public stagetest::SceneTest {
protected:
    static cFlowCmd WalkRight(int speedTenths) {
        cFlowCmd cmd;
        cmd.SetDefault();
        cmd.m_cCategory = 0;
        cmd.m_cKind = 2;
        cmd.m_sTime = 10;
        cmd.Normalize();
        MakeEdMove(cmd.m_pMove);
        cmd.m_pMove->m_cDirCode = 3;
        cmd.m_pMove->m_sSpeed = static_cast<int16_t>(speedTenths);
        return cmd;
    }
    void Frames(int n) {
        for (int i = 0; i < n && scene.m_nState == cGameScene::kStatePlay; ++i) scene.StatePlay();
    }
};

TEST_F(Fight, AWalkerRunsIntoAStandingCharaAndFallsToItsBlowWhileItsOwnBlowLands) {
    MakeStage(20, 8, 1, 5);
    for (int x = 0; x < 20; ++x) {
        AddBlock(x, 6, 1);
        g_Stage.m_vBlock.back().m_cHit = 1;
    }
    cCharaDef& walker = AddChara(4, 5);
    walker.m_cBlockClass = 1;
    walker.m_nMaxHP = 3;
    walker.m_nBodyPower = 1;
    walker.m_nScore = 50;
    cFlow walk;
    walk.m_vCmd.push_back(WalkRight(40));
    walker.m_vFlow.push_back(walk);
    cCharaDef& guard = AddChara(8, 5);
    guard.m_cBlockClass = 2;
    guard.m_nMaxHP = 5;
    guard.m_nBodyPower = 3;
    g_StageSettings = g_Stage;
    g_HeroDef = g_Stage.m_vChara.At(g_Stage.FindHero());
    scene.SetStage(0, 1);
    scene.m_nState = cGameScene::kStatePlay;
    const int walkerId = g_Charas.front().m_nId;
    cStageChara& b = g_Charas.back();
    auto findWalker = [walkerId]() -> cStageChara* {
        for (cStageChara& c : g_Charas)
            if (c.m_nId == walkerId) return &c;
        return nullptr;
    };

    // Four blocks apart at four dots a frame: not yet after 20 frames.
    Frames(20);
    ASSERT_NE(findWalker(), nullptr);
    EXPECT_EQ(findWalker()->m_nHP, 3);
    EXPECT_EQ(b.m_nHP, 5);
    // They meet within the next 15: one blow each, in the same sub-step.
    // The walker is defeated and gone once its death drawing is over.
    Frames(15);
    const cStageChara* walkerLeft = findWalker();
    EXPECT_TRUE(!walkerLeft || walkerLeft->m_bDefeated);
    EXPECT_EQ(b.m_nHP, 4);
    EXPECT_TRUE(b.IsInvincibleTo(walkerId));
    EXPECT_EQ(g_PlayData.m_nScore, 50);
    // A defeated walker hits no more, even while the guard can be hurt.
    b.m_InvincibleFrom.clear();
    Frames(10);
    EXPECT_EQ(b.m_nHP, 4);
}

}  // namespace
