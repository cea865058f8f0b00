// Charas: the spawn reset from a definition, the basic anime set, the links
// to targets, parent and shots with the back-references that undo them,
// copies, the search by id, placement on a tile and the footing of a giant
// scale.
#include "objects/chara.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "objects/shot.h"
#include "objects/stage_fixture.h"
#include "project/anime.h"
#include "project/database.h"
#include "project/system_data.h"

namespace {

bool Has(const cVector<CHARALINK>& links, const cChara* chara, int slot) {
    for (const CHARALINK& l : links)
        if (l.chara == chara && l.slot == slot) return true;
    return false;
}

class CharaTest : public objtest::StageTest {
protected:
    // A 12 x 24 body at offset (2, 8) in a 32 x 32 cell, 15 wide where it
    // matters for the giant scale.
    static void Shape(cChara& c, int width = 12) {
        c.InitBase(1, 1, 0, 0, 0, nullptr, 0, 2, 8, width, 24, 32, 32, 0, kMoveWalk, 0);
    }
    // Chara-effect entry 1 with forward and reversed prepared states that
    // tell each other apart.
    static void PrepareEffects() {
        cCharaEffectState forward, reversed;
        forward.m_nStart = 3;
        reversed.m_nStart = 9;
        g_CharaEffectProtos.assign(2, forward);
        g_CharaEffectProtosRev.assign(2, reversed);
    }
    // Anime set 1: anime 0 shows chip 3 for 0.2 s and chip 4 for 0.1 s;
    // anime 1 a chip below 0.
    static void PrepareAnimeSet() {
        auto frame = [](int32_t chip, int32_t tenths) {
            cAnimeFrameData f;
            f.m_nChip = chip;
            f.m_nTime = tenths;
            return f;
        };
        cAnimeSetData set;
        set.m_vAnime.assign(2, cAnimeData());
        set.m_vAnime[0].m_vFrame = {frame(3, 2), frame(4, 1)};
        set.m_vAnime[1].m_vFrame = {frame(-1, 5)};
        g_Database.m_vAnimeSet = {cAnimeSetData(), set};
    }
    static cCharaDef Def() {
        cCharaDef d;
        d.m_nMaxHP = 30;
        d.m_nMaxSP = 5;
        d.m_cScrollSync = 1;
        d.m_cSightRange = 3;
        d.m_sStopEase = 25;
        d.m_sAnimeSet = 1;
        d.m_sStartEffect = 1;
        d.m_cStartEffectMode = 1;
        d.m_cStartEffectLoop = 0;
        return d;
    }
    std::string Report() { return orvtest::ReadHostFile("Report_Game.txt"); }
};

TEST_F(CharaTest, ASpawnResetStartsEveryValueAfreshFromTheDefinition) {
    PrepareEffects();
    PrepareAnimeSet();
    cChara c;
    c.m_nHP = 99;
    c.m_Vars.assign(3, 7);
    c.m_Targets.assign(2, &c);
    c.m_nWallSide = 1;
    c.m_bDefeated = 1;
    c.m_bCreditParent = 1;
    c.m_nParentGroup = 4;
    c.m_OverlayAnimes.push_back(OVERLAYANIME());
    c.m_InvincibleFrom.push_back({3, 4});
    const cCharaDef def = Def();
    c.Reset(&def, 100.5, 200.25, 2);

    EXPECT_EQ(c.m_sSpawnIndex, 2);
    EXPECT_EQ(c.m_Targets, (cVector<cChara*>(4, nullptr)));
    EXPECT_EQ(c.m_pParent, nullptr);
    EXPECT_EQ(c.m_GroupBusy, (cVector<uint8_t>(27, 0)));
    EXPECT_EQ(c.m_GroupStarted.Size(), 27);
    EXPECT_EQ(c.m_dOriginX, 100.5);
    EXPECT_EQ(c.m_dOriginY, 200.25);
    EXPECT_EQ(c.m_nHP, 30);
    EXPECT_EQ(c.m_nSP, 5);
    EXPECT_EQ(c.m_Vars, (cVector<int32_t>(9, 0)));
    EXPECT_EQ(c.m_nWallSide, -1);
    EXPECT_EQ(c.m_bAirborne, 1);
    EXPECT_EQ(c.m_bDefeated, 0);
    EXPECT_EQ(c.m_bFollowScroll, 1);
    EXPECT_EQ(c.m_nSight, 48);
    EXPECT_EQ(c.m_dFriction, 25 * 0.01 / 100);
    EXPECT_EQ(c.m_Effect.m_sEffect, 1);
    EXPECT_EQ(c.m_Effect.m_bReversed, 1);
    EXPECT_EQ(c.m_Effect.m_nStart, 9);
    EXPECT_EQ(c.m_Effect.m_bLoop, 0);
    EXPECT_EQ(c.m_Anime.PatternCount(), 4);
    EXPECT_TRUE(c.m_OverlayAnimes.empty());
    EXPECT_TRUE(c.m_InvincibleFrom.empty());
    EXPECT_EQ(c.m_bCreditParent, 0);
    EXPECT_EQ(c.m_nParentGroup, 0);

    // Without a definition the one before stays, with HP and SP 0.
    c.m_Def.m_nMaxHP = 31;
    c.Reset(nullptr, 0, 0, 0);
    EXPECT_EQ(c.m_Def.m_nMaxHP, 31);
    EXPECT_EQ(c.m_nHP, 0);
    EXPECT_EQ(c.m_nSP, 0);

    // No start effect: the effect stays clear.
    cCharaDef plain = Def();
    plain.m_sStartEffect = 0;
    c.Reset(&plain, 0, 0, 0);
    EXPECT_EQ(c.m_Effect.m_sEffect, 0);
    EXPECT_EQ(c.m_Effect.m_nStart, 0);
}

TEST_F(CharaTest, TheBasicAnimeSetBecomesOnePatternPerAnimeAndBasicAction) {
    PrepareAnimeSet();
    cChara c;
    c.SetAnimeSet(1, true);
    // Set 1 holds two animes; the two flying actions it lacks play its
    // first anime, each reported once, and the program goes on.
    ASSERT_EQ(c.m_Anime.PatternCount(), kBasicAnimeCount);
    const std::string report = Report();
    EXPECT_NE(report.find("err V[2] ( 2 ,"), std::string::npos);
    EXPECT_NE(report.find("err V[3] ( 2 ,"), std::string::npos);
    EXPECT_EQ(plat::PendingWindowMessages(window), 0u);
    for (int action : {kAnimeStand, kAnimeFly, kAnimeFlyMove}) {
        SCOPED_TRACE(action);
        c.m_Anime.SetPattern(action, true);
        // Chip 3 for 12 ticks, chip 4 for 6, then from the start again.
        for (int tick = 1; tick <= 11; ++tick) EXPECT_EQ(c.m_Anime.Advance(), 3);
        EXPECT_EQ(c.m_Anime.Advance(), 4);
        for (int tick = 1; tick <= 5; ++tick) EXPECT_EQ(c.m_Anime.Advance(), 4);
        EXPECT_EQ(c.m_Anime.Advance(), 3);
    }
    // A busy step: a pattern change is refused unless forced.
    EXPECT_EQ(c.m_Anime.SetPattern(1, false), 0);
    c.m_Anime.SetPattern(1, true);
    EXPECT_EQ(c.m_Anime.GetFrame(), 0);  // a chip below 0 shows chip 0

    // The same set again changes nothing unless forced.
    c.m_Anime.Clear();
    c.SetAnimeSet(1, false);
    EXPECT_EQ(c.m_Anime.PatternCount(), 0);
    c.SetAnimeSet(1, true);
    EXPECT_EQ(c.m_Anime.PatternCount(), kBasicAnimeCount);
    EXPECT_EQ(plat::PendingWindowMessages(window), 0u);

    // A set outside the list is reported, closes the program and plays
    // entry 0, the four basic animes of a new set.
    c.SetAnimeSet(5, false);
    EXPECT_NE(Report().find("err V[5] ( 2 ,"), std::string::npos);
    EXPECT_EQ(plat::PendingWindowMessages(window), 1u);
    EXPECT_EQ(c.m_Anime.PatternCount(), 4);
}

TEST_F(CharaTest, InitLinksTargetsTheHeroAndRecordsBothLinksOnce) {
    g_Heroes.resize(1);
    cChara& hero = g_Heroes[0];
    cChara parent, c;
    c.Reset(nullptr, 0, 0, 0);
    c.InitLinks(&parent);
    c.InitLinks(&parent);
    EXPECT_EQ(c.m_Targets[0], &hero);
    EXPECT_EQ(c.m_pParent, &parent);
    EXPECT_EQ(hero.m_BackRefs.Size(), 1);
    EXPECT_TRUE(Has(hero.m_BackRefs, &c, 0));
    EXPECT_EQ(parent.m_BackRefs.Size(), 1);
    EXPECT_TRUE(Has(parent.m_BackRefs, &c, kParentLink));

    // Without a hero, target 1 stays empty and nothing is reported.
    g_Heroes.clear();
    cChara lone;
    lone.Reset(nullptr, 0, 0, 0);
    lone.InitLinks(nullptr);
    EXPECT_EQ(lone.m_Targets[0], nullptr);
    EXPECT_EQ(lone.m_pParent, nullptr);
    EXPECT_EQ(Report(), "");
    EXPECT_EQ(plat::PendingWindowMessages(window), 0u);
}

TEST_F(CharaTest, ACharaThatGoesLeavesNothingPointingAtIt) {
    g_Heroes.resize(1);
    cChara& hero = g_Heroes[0];
    cChara watcher, child, target, grand;
    cShot aimed, fired;
    auto victim = std::make_unique<cChara>();
    cChara* v = victim.get();
    v->Reset(nullptr, 0, 0, 0);
    v->InitLinks(&grand);
    watcher.m_Targets.assign(4, nullptr);
    watcher.m_Targets[2] = v;
    v->m_BackRefs.push_back({&watcher, 2});
    child.Reset(nullptr, 0, 0, 0);
    child.InitLinks(v);
    v->m_Targets[1] = &target;
    target.m_BackRefs.push_back({v, 1});
    aimed.m_pTarget = v;
    v->m_ShotLinks.push_back({&aimed, kShotTargetLink});
    fired.m_pOwner = v;
    v->m_ShotLinks.push_back({&fired, kShotOwnerLink});

    victim.reset();
    EXPECT_EQ(watcher.m_Targets[2], nullptr);
    EXPECT_EQ(child.m_pParent, nullptr);
    EXPECT_EQ(child.m_Targets[0], &hero);
    EXPECT_TRUE(target.m_BackRefs.empty());
    EXPECT_TRUE(grand.m_BackRefs.empty());
    EXPECT_FALSE(Has(hero.m_BackRefs, v, 0));
    EXPECT_TRUE(Has(hero.m_BackRefs, &child, 0));
    EXPECT_EQ(aimed.m_pTarget, nullptr);
    EXPECT_EQ(fired.m_pOwner, nullptr);
}

TEST_F(CharaTest, ABackReferenceClearsOnlyASlotThatStillHoldsTheChara) {
    cChara other, holder;
    cShot shot;
    auto gone = std::make_unique<cChara>();
    // The holder targeted and was summoned by `gone`, and the shot aimed at
    // it; each has moved on since without the old record being dropped.
    holder.m_Targets.assign(4, nullptr);
    holder.m_Targets[3] = &other;
    holder.m_pParent = &other;
    shot.m_pTarget = &other;
    gone->m_BackRefs = {{&holder, 3}, {&holder, kParentLink}};
    gone->m_ShotLinks = {{&shot, kShotTargetLink}, {&shot, kShotOwnerLink}};
    gone.reset();
    EXPECT_EQ(holder.m_Targets[3], &other);
    EXPECT_EQ(holder.m_pParent, &other);
    EXPECT_EQ(shot.m_pTarget, &other);
}

TEST_F(CharaTest, ACopyOwnsItsLinksWhicheverGoesFirst) {
    for (bool sourceFirst : {true, false}) {
        SCOPED_TRACE(sourceFirst ? "source goes first" : "copy goes first");
        cChara watcher, parent;
        auto target = std::make_unique<cChara>();
        auto source = std::make_unique<cChara>();
        source->Reset(nullptr, 0, 0, 0);
        source->InitLinks(&parent);
        source->m_Targets[2] = target.get();
        target->m_BackRefs.push_back({source.get(), 2});
        watcher.m_Targets.assign(4, nullptr);
        watcher.m_Targets[1] = source.get();
        source->m_BackRefs.push_back({&watcher, 1});
        source->m_nHP = 12;
        source->m_nAnimeReqPrio = 2;

        auto copy = std::make_unique<cChara>(*source);
        EXPECT_EQ(copy->m_nHP, 12);
        EXPECT_EQ(copy->m_nAnimeReqPrio, 2);
        EXPECT_EQ(copy->m_Targets[2], target.get());
        EXPECT_EQ(copy->m_pParent, &parent);
        EXPECT_TRUE(copy->m_BackRefs.empty());  // nobody refers to the copy yet
        EXPECT_TRUE(Has(target->m_BackRefs, copy.get(), 2));
        EXPECT_TRUE(Has(target->m_BackRefs, source.get(), 2));
        EXPECT_TRUE(Has(parent.m_BackRefs, copy.get(), kParentLink));

        cChara* s = source.get();
        cChara* c = copy.get();
        (sourceFirst ? source : copy).reset();
        cChara& left = sourceFirst ? *copy : *source;
        EXPECT_EQ(watcher.m_Targets[1], sourceFirst ? nullptr : s);
        EXPECT_EQ(target->m_BackRefs.Size(), 1);
        EXPECT_TRUE(Has(target->m_BackRefs, &left, 2));
        EXPECT_EQ(parent.m_BackRefs.Size(), 1);

        // The target goes: the one left loses it.
        target.reset();
        EXPECT_EQ(left.m_Targets[2], nullptr);
        (sourceFirst ? copy : source).reset();
        EXPECT_TRUE(parent.m_BackRefs.empty());
        EXPECT_FALSE(Has(parent.m_BackRefs, c, kParentLink));
    }
}

TEST_F(CharaTest, AssigningOverAChara) {
    cChara a, b, parent;
    cChara source;
    source.Reset(nullptr, 0, 0, 0);
    source.InitLinks(&parent);
    source.m_nAnimeReqPrio = 2;
    source.m_bMoveDisabled = 1;
    source.m_Targets[3] = &b;
    b.m_BackRefs.push_back({&source, 3});

    // A chara that takes another's values lets go of its own links first
    // and records the new ones.
    cChara x;
    x.Reset(nullptr, 0, 0, 0);
    x.m_Targets[0] = &a;
    a.m_BackRefs.push_back({&x, 0});
    x.Assign(source);
    EXPECT_TRUE(a.m_BackRefs.empty());
    EXPECT_TRUE(Has(b.m_BackRefs, &x, 3));
    EXPECT_EQ(x.m_nAnimeReqPrio, 0);
    EXPECT_EQ(x.m_bMoveDisabled, 0);

    // A temporary copy takes the links as they are and leaves every other
    // chara alone, also when it goes.
    {
        cChara temp;
        temp.m_bNoUnlink = 1;
        temp.Assign(source);
        EXPECT_EQ(temp.m_Targets, source.m_Targets);
        EXPECT_EQ(temp.m_bNoUnlink, 1);
        EXPECT_EQ(b.m_BackRefs.Size(), 2);
        EXPECT_FALSE(Has(b.m_BackRefs, &temp, 3));
    }
    EXPECT_EQ(source.m_Targets[3], &b);
    EXPECT_EQ(source.m_pParent, &parent);
    EXPECT_TRUE(Has(b.m_BackRefs, &source, 3));
    EXPECT_TRUE(Has(parent.m_BackRefs, &source, kParentLink));
}

TEST_F(CharaTest, FindByIdPrefersTheHero) {
    g_Heroes.resize(1);
    g_Heroes[0].m_nId = 5;
    g_Charas.resize(2);
    g_Charas.At(0).m_nId = 6;
    g_Charas.At(1).m_nId = 5;
    EXPECT_EQ(FindCharaById(5), &g_Heroes[0]);
    EXPECT_EQ(FindCharaById(6), &g_Charas.At(0));
    EXPECT_EQ(FindCharaById(7), nullptr);
}

TEST_F(CharaTest, ATilePlacesTheSpriteOnTheTileAndAGiantKeepsItsFeet) {
    cChara c;
    Shape(c, 15);
    c.SetTilePos(3, 4, 1);
    EXPECT_EQ(c.m_dX, 13 * 32 + 2 + 0.5);
    EXPECT_EQ(c.m_dY, 14 * 32 + 8);

    // Twice the size: half the width to the left, and up by the cell less
    // the offset, so the bottom of the sprite stays on the tile's bottom.
    c.m_Def.m_cGiantScale = 2;
    c.SetTilePos(3, 4, 1);
    EXPECT_EQ(c.m_dX, 13 * 32 + 2 + 0.5 - 7);
    EXPECT_EQ(c.m_dY, 14 * 32 + 8 - 32 + 8);

    // Which footing, by the flag and the project's age.
    struct Case {
        int sw831, sw261, flag;
        double wantY;
    };
    const Case cases[] = {
        {0, 0, 1, 1000 - 2 * 32 + 2 * 8}, {0, 1, 1, 1000 - 2 * 32 + 2 * 8}, {0, 0, 0, 1000 - 2 * 24},
        {1, 0, 0, 1000 - 2 * 32 + 2 * 8}, {1, 1, 1, 1000 - 2 * 24},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "831 " << k.sw831 << " 261 " << k.sw261 << " flag " << k.flag);
        g_SystemData.m_nValue[kSysSwitch831] = k.sw831;
        g_SystemData.m_nValue[kSysSwitch261] = k.sw261;
        c.m_dY = 1000;
        c.OnScaleChange(3, 1, k.flag);
        EXPECT_EQ(c.m_dY, k.wantY);
        c.OnScaleChange(3, 3, k.flag);
        EXPECT_EQ(c.m_dY, k.wantY);
    }
}

TEST_F(CharaTest, CentringAndArrival) {
    cChara c;
    Shape(c);
    c.m_dX = 700.25, c.m_dY = 600.0;
    c.UpdateScreenRect();  // camera at 0: sprite from 698, 592
    c.SetCenter(720, 610);
    EXPECT_EQ(c.m_dX, 700.25 + 720 - (698 + 16));
    EXPECT_EQ(c.m_dY, 600.0 + 610 - (592 + 16));

    cCmdRun run;
    run.m_dVX = 1.5, run.m_dVY = -2;
    c.UpdateScreenRect();
    EXPECT_EQ(c.ArriveAtX(800, &run), 1);
    EXPECT_EQ(run.m_dVX, 0);
    EXPECT_EQ(run.m_dVY, 0);
    EXPECT_EQ(c.m_nScreenL, 698 + 6);  // not refreshed by the move
    c.UpdateScreenRect();
    EXPECT_EQ(c.m_nScreenL + 16, 800);
    EXPECT_EQ(c.ArriveAt(800, 600, nullptr), 1);

    cGameObj plain;
    EXPECT_EQ(plain.ArriveAt(1, 1, &run), 0);
}

TEST_F(CharaTest, BodyBoxAndSmallConversions) {
    cChara c;
    Shape(c);
    c.SetBodyBox(1, 12, 20);
    EXPECT_EQ(c.m_BodyBox.offsetX, 16 - 2 - 6);
    EXPECT_EQ(c.m_BodyBox.offsetY, 32 - 8 - 20);
    EXPECT_EQ(c.m_BodyBox.baseHeight, 20);
    c.SetBodyBox(0, 13, 21);
    EXPECT_EQ(c.m_BodyBox.offsetX, 16 - 2 - 6);
    EXPECT_EQ(c.m_BodyBox.baseOffsetY, 16 - 8 - 10);
    EXPECT_EQ(c.m_BodyBox.width, 13);

    EXPECT_TRUE(UseFootAnchor(1, 1));
    EXPECT_TRUE(UseFootAnchor(2, 0));
    EXPECT_FALSE(UseFootAnchor(2, 1));
    EXPECT_FALSE(UseFootAnchor(0, 0));
    EXPECT_EQ(HblToDot(-2), -32);
    g_Stage.SetHitLevel(12);
    EXPECT_EQ(FrictionFromStopRate(40), 40 * 0.01 / 4);
}

}  // namespace
