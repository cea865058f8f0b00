// Damage to a chara: attack power against defence, HP and SP within their
// maximums with the bars that show a change, invincibility after a hit, the
// knock-back of an impact after resistance, and the hit triggers raised on
// the victim and on the chara a hit is credited to.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "objects/shot.h"
#include "objects/stage_chara.h"
#include "objects/stage_fixture.h"
#include "project/flow.h"
#include "project/stage_info.h"

namespace {

class DamageTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        g_Stage.SetHitLevel(2);
        n = g_Stage.SubSteps();
    }
    // A chara of the given maximums at full HP and SP.
    static void Make(cStageChara& c, int maxHP = 100, int maxSP = 0) {
        cCharaDef d;
        d.m_nMaxHP = maxHP;
        d.m_nMaxSP = maxSP;
        d.m_nCarryItem = -1;
        c.Reset(&d, 0, 0, 0);
    }
    // The knock-back speeds an impact of `power` in (dx, dy) starts with.
    static void ExpectedImpact(int power, double dx, double dy, double& x, double& y) {
        cGameObj ref;
        x = y = 0;
        ref.CalcImpactSpeed(x, y, power, dx, dy);
    }

    int n = 1;
};

TEST_F(DamageTest, AttackPowerLessDefenceIsTakenFromHPUnlessTheDefinitionIsInvincible) {
    struct Case {
        const char* name;
        int power, defence, invincible, hp;
        int shown, hpAfter, result;
    };
    const std::vector<Case> cases = {
        {"power above defence", 30, 10, 0, 100, 20, 80, 0},
        {"power equal to defence", 10, 10, 0, 100, 0, 100, 0},
        {"power below defence does not heal", 5, 10, 0, 100, 0, 100, 0},
        {"the loss reaches 0", 30, 0, 0, 20, 30, 0, 1},
        {"damage is at most 999999", INT_MAX, 0, 0, 100, 999999, 0, 1},
        {"a negative defence from a damaged file", 30, INT_MIN, 0, 100, 999999, 0, 1},
        {"a negative power heals, defence aside", -30, 10, 0, 50, -30, 80, 0},
        {"healing stops at the maximum", -30, 0, 0, 90, -30, 100, 0},
        {"the lowest power heals to the maximum", INT_MIN, 0, 0, 50, INT_MIN, 100, 0},
        {"an invincible definition loses nothing", 30, 0, 1, 100, 0, 100, 0},
        {"an invincible definition is healed", -30, 0, 2, 50, 0, 80, 0},
    };
    for (const char* by : {"body", "shot"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(by) + ": " + c.name);
            cStageChara victim, attacker;
            Make(victim);
            Make(attacker);
            victim.m_Def.m_nDefence = c.defence;
            victim.m_Def.m_cInvincible = static_cast<int8_t>(c.invincible);
            victim.m_nHP = c.hp;
            attacker.m_Def.m_nBodyPower = c.power;
            cShot shot;
            shot.m_Param.m_nPower = c.power;
            int shown = -1, impact = -7;
            const int r = by[0] == 'b' ? victim.TakeBodyDamage(attacker, shown, impact)
                                       : victim.TakeShotDamage(shot, shown, impact);
            EXPECT_EQ(shown, c.shown);
            EXPECT_EQ(victim.m_nHP, c.hpAfter);
            EXPECT_EQ(r, c.result);
            EXPECT_EQ(attacker.m_nHP, 100);
            // No impact: the applied value is left alone.
            EXPECT_EQ(impact, -7);
            EXPECT_EQ(victim.m_bImpacted, 0);
            // A changed HP that is not gone shows its bar.
            EXPECT_EQ(victim.m_HPGauge.timer, c.hpAfter != c.hp && c.hpAfter > 0 ? 120 : 0);
        }
    }
}

TEST_F(DamageTest, AnInvincibleDefinitionIsStillKnockedBack) {
    cStageChara victim, attacker;
    Make(victim);
    Make(attacker);
    victim.m_Def.m_cInvincible = 1;
    attacker.m_Def.m_nBodyPower = 30;
    attacker.m_Def.m_cBodyImpact = 10;
    attacker.m_dSpeedX = 2;
    int shown = -1, impact = 0;
    EXPECT_EQ(victim.TakeBodyDamage(attacker, shown, impact), 0);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(victim.m_nHP, 100);
    EXPECT_EQ(impact, 10);
    EXPECT_GT(victim.m_dImpactX, 0);
    EXPECT_EQ(victim.m_bImpacted, 1);
}

TEST_F(DamageTest, ADamageNumberAppearsWhereTheAttackerSaysSo) {
    cStageChara victim, attacker;
    Make(victim);
    Make(attacker);
    attacker.m_Def.m_nBodyPower = 1;
    cShot shot;
    shot.m_Param.m_nPower = 1;
    shot.m_Param.m_cGiantScale = -3;  // a scale a command broke
    int shown = 0, impact = 0;
    victim.TakeBodyDamage(attacker, shown, impact);
    victim.TakeShotDamage(shot, shown, impact);
    EXPECT_TRUE(scene.m_lEffects.empty());

    attacker.m_Def.m_sDamageEffect = 3;
    shot.m_Param.m_sEffect = 4;
    victim.TakeBodyDamage(attacker, shown, impact);
    victim.TakeShotDamage(shot, shown, impact);
    EXPECT_EQ(scene.m_lEffects.size(), 2u);

    // Outside a stage scene the hit still counts, with nowhere to show it.
    g_pGameScene = nullptr;
    victim.TakeShotDamage(shot, shown, impact);
    EXPECT_EQ(victim.m_nHP, 95);
    g_pGameScene = &scene;
    EXPECT_EQ(scene.m_lEffects.size(), 2u);
}

TEST_F(DamageTest, HPAndSPStayWithinTheirMaximumsAndShowTheChange) {
    cStageChara c;
    Make(c, 100, 50);
    c.m_nHP = 80;
    EXPECT_EQ(c.AddHP(50, 0, 1), 0);
    EXPECT_EQ(c.m_nHP, 100);
    // The gain was cut to 20: the bar is full, its changed part 20 of 100.
    EXPECT_EQ(c.m_HPGauge.timer, 120);
    EXPECT_EQ(c.m_HPGauge.bar, 50);
    EXPECT_DOUBLE_EQ(c.m_HPGauge.changed, 10);
    EXPECT_DOUBLE_EQ(c.m_HPGauge.step, 10.0 / 60);

    c.m_HPGauge = GAUGE();
    EXPECT_EQ(c.AddHP(-33, 0, 0), 0);
    EXPECT_EQ(c.m_nHP, 67);
    EXPECT_EQ(c.m_HPGauge.timer, 0);
    EXPECT_EQ(c.AddHP(-33, 0, 1), 0);
    EXPECT_EQ(c.m_HPGauge.bar, 17);  // 34 x 50 / 100, rounded down
    EXPECT_DOUBLE_EQ(c.m_HPGauge.changed, -16.5);
    EXPECT_EQ(c.AddHP(INT_MAX, 0, 1), 0);
    EXPECT_EQ(c.m_nHP, 100);

    // Gone: result 1 and no bar.
    c.m_HPGauge = GAUGE();
    EXPECT_EQ(c.AddHP(INT_MIN, 0, 1), 1);
    EXPECT_EQ(c.m_nHP, 0);
    EXPECT_EQ(c.m_HPGauge.timer, 0);

    // An invincible definition loses HP only when forced.
    c.m_nHP = 100;
    c.m_Def.m_cInvincible = 1;
    EXPECT_EQ(c.AddHP(-100, 0, 1), 0);
    EXPECT_EQ(c.m_nHP, 100);
    EXPECT_EQ(c.AddHP(-100, 1, 1), 1);
    EXPECT_EQ(c.m_nHP, 0);

    // SP going to 0 is only a change; its bar shows it.
    c.m_nSP = 10;
    c.AddSP(-20, 1);
    EXPECT_EQ(c.m_nSP, 0);
    EXPECT_EQ(c.m_SPGauge.timer, 120);
    EXPECT_EQ(c.m_SPGauge.bar, 0);
    EXPECT_DOUBLE_EQ(c.m_SPGauge.changed, -20);
    c.AddSP(80, 0);
    EXPECT_EQ(c.m_nSP, 50);
}

TEST_F(DamageTest, ValuesWithoutABarShowNoneAndCrashNothing) {
    cStageChara c;
    Make(c, 100, 0);
    c.AddSP(30, 1);
    EXPECT_EQ(c.m_nSP, 0);
    EXPECT_EQ(c.m_SPGauge.timer, 0);

    // The code-execution command starts the bars itself, whatever the
    // status commands left in the values.
    for (int max : {0, -5}) {
        SCOPED_TRACE(max);
        c.m_Def.m_nMaxHP = c.m_Def.m_nMaxSP = max;
        c.StartHPGauge(10);
        c.StartSPGauge(-10);
        EXPECT_EQ(c.m_HPGauge.timer, 0);
        EXPECT_EQ(c.m_SPGauge.timer, 0);
        c.m_nHP = 5;
        EXPECT_EQ(c.AddHP(3, 0, 1), 1);  // nothing to hold
        EXPECT_EQ(c.m_nHP, 0);
    }
    c.m_Def.m_nMaxHP = 1;
    c.m_nHP = INT_MAX;
    c.StartHPGauge(0);
    EXPECT_EQ(c.m_HPGauge.timer, 0);
    c.StartHPGauge(INT_MIN);
    EXPECT_EQ(c.m_HPGauge.timer, 120);
    EXPECT_EQ(c.m_HPGauge.bar, 50);
    EXPECT_DOUBLE_EQ(c.m_HPGauge.changed, 50.0 * INT_MIN);
}

TEST_F(DamageTest, InvincibilityCountsDownPerSubStepAndPerAttacker) {
    g_Stage.m_nHeroInv = 3, g_Stage.m_nHeroInvAttacker = 5;
    g_Stage.m_nCharaInv = 2, g_Stage.m_nCharaInvAttacker = 1;
    cStageChara c;
    Make(c);
    c.m_nKind = 0;
    c.StartInvincible();
    EXPECT_EQ(c.m_nInvincible, 3 * n);
    EXPECT_TRUE(c.m_InvincibleFrom.empty());
    c.m_nKind = 1;
    c.StartInvincible();
    EXPECT_EQ(c.m_nInvincible, 2 * n);

    // The same attacker twice makes two entries; each goes in its turn.
    c.StartInvincibleFrom(7);
    c.TickInvincible();
    c.StartInvincibleFrom(7);
    ASSERT_EQ(c.m_InvincibleFrom.size(), 2u);
    EXPECT_EQ(c.m_InvincibleFrom.front().frames, n - 1);
    EXPECT_EQ(c.m_InvincibleFrom.back().frames, n);
    for (int i = 0; i < n - 2; ++i) c.TickInvincible();
    EXPECT_EQ(c.m_InvincibleFrom.front().frames, 1);
    c.TickInvincible();  // an entry at 1 goes
    ASSERT_EQ(c.m_InvincibleFrom.size(), 1u);
    EXPECT_EQ(c.m_InvincibleFrom.front().frames, 1);

    // Past the general time only the attacker with an entry is held off.
    EXPECT_EQ(c.m_nInvincible, n + 1);
    c.TickInvincible();
    EXPECT_TRUE(c.m_InvincibleFrom.empty());
    EXPECT_TRUE(c.IsInvincibleTo(7));
    for (int i = 0; i < n; ++i) c.TickInvincible();
    EXPECT_EQ(c.m_nInvincible, 0);
    EXPECT_FALSE(c.IsInvincible());
    EXPECT_FALSE(c.IsInvincibleTo(7));
    c.m_InvincibleFrom.push_back({8, 1});
    EXPECT_TRUE(c.IsInvincibleTo(8));
    EXPECT_FALSE(c.IsInvincibleTo(7));
    c.TickInvincible();
    EXPECT_EQ(c.m_nInvincible, 0);
    EXPECT_TRUE(c.m_InvincibleFrom.empty());
    EXPECT_FALSE(c.IsInvincibleTo(8));

    // Times no sub-step count can hold are held to the largest.
    g_Stage.m_nCharaInv = g_Stage.m_nCharaInvAttacker = INT_MAX;
    c.StartInvincibleFrom(1);
    EXPECT_EQ(c.m_nInvincible, INT_MAX);
    EXPECT_EQ(c.m_InvincibleFrom.front().frames, INT_MAX);
}

TEST_F(DamageTest, ResistanceTakesItsShareOffAnImpactOfAtMostTwenty) {
    struct Case {
        int impact, resist, applied;
    };
    const std::vector<Case> cases = {
        {5, 10, 0},    {30, 0, 20},    {-30, 0, -20},    {-5, 10, 0},
        {15, 5, 10},   {-15, 5, -10},  {127, 100, 20},   {-128, 100, -20},
        // A stored resistance above 127 is still a resistance.
        {20, 200, 0}, {-20, 200, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.impact << " against " << c.resist);
        cStageChara victim;
        Make(victim);
        victim.m_Def.m_cImpactResist = static_cast<int8_t>(c.resist);
        int applied = -99;
        victim.ApplyImpact(static_cast<int8_t>(c.impact), 3, -1, applied);
        EXPECT_EQ(applied, c.applied);
        double x = 0, y = 0;
        ExpectedImpact(c.applied, 3, -1, x, y);
        EXPECT_DOUBLE_EQ(victim.m_dImpactX, x);
        EXPECT_DOUBLE_EQ(victim.m_dImpactY, y);
        EXPECT_EQ(victim.m_bImpacted, 1);
    }
    // No impact at all changes nothing, the output included.
    cStageChara victim;
    Make(victim);
    int applied = -99;
    victim.ApplyImpact(0, 1, 0, applied);
    EXPECT_EQ(applied, -99);
    EXPECT_EQ(victim.m_bImpacted, 0);
}

TEST_F(DamageTest, SpeedsAgainstTheKnockBackStop) {
    struct Case {
        const char* name;
        double dx, dy;
        double inertiaX, inertiaY, speedY;
        double keptX, keptY, keptSpeedY;
    };
    const std::vector<Case> cases = {
        {"against both ways", 1, -1, -2, 0.5, 0.5, 0, 0, 0},
        {"along both ways", 1, -1, 2, -0.5, -0.5, 2, -0.5, -0.5},
        {"sideways only: vertical speeds stay", 1, 0, -2, 0.5, 0.5, 0, 0.5, 0.5},
        {"within the tolerance", 1, -1, -1e-9, 1e-9, 1e-9, -1e-9, 1e-9, 1e-9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cStageChara victim;
        Make(victim);
        victim.m_dInertiaX = c.inertiaX, victim.m_dInertiaY = c.inertiaY, victim.m_dSpeedY = c.speedY;
        int applied = 0;
        victim.ApplyImpact(10, c.dx, c.dy, applied);
        EXPECT_EQ(victim.m_dInertiaX, c.keptX);
        EXPECT_EQ(victim.m_dInertiaY, c.keptY);
        EXPECT_EQ(victim.m_dSpeedY, c.keptSpeedY);
    }
}

TEST_F(DamageTest, KnockBackFollowsTheAttackersMotionOrTheSwordsFacing) {
    const double g = g_Stage.m_dGravityStep;
    struct Case {
        const char* name;
        int fly;
        double speedX, speedY;
        double dirX, dirY;  // the direction the impact takes
    };
    const std::vector<Case> cases = {
        {"a walker not falling fast pushes sideways only", 0, -2, 7 * n * g, -2, 0},
        {"a walker falling fast pushes down too", 0, -2, 8 * n * g, -2, 8 * n * g},
        {"a rising walker pushes sideways only", 0, 2, -3, 2, 0},
        {"a flyer pushes the way it moves", 1, 2, -3, 2, -3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cStageChara victim, attacker;
        Make(victim);
        Make(attacker);
        attacker.m_Def.m_cBodyImpact = 12;
        attacker.m_bFly = c.fly;
        attacker.m_dSpeedX = c.speedX, attacker.m_dSpeedY = c.speedY;
        int applied = 0;
        victim.TakeBodyImpact(attacker, applied);
        EXPECT_EQ(applied, 12);
        double x = 0, y = 0;
        ExpectedImpact(12, c.dirX, c.dirY, x, y);
        EXPECT_DOUBLE_EQ(victim.m_dImpactX, x);
        EXPECT_DOUBLE_EQ(victim.m_dImpactY, y);
    }

    // A shot pushes the way it flies, a sword the way it faces.
    for (int right : {0, 1}) {
        for (int isShot : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "right " << right << ", shot " << isShot);
            cStageChara victim;
            Make(victim);
            cShot shot;
            shot.m_Param.m_cImpact = -8;
            shot.m_bIsShot = isShot;
            shot.m_bRight = right;
            shot.m_dSpeedX = 0, shot.m_dSpeedY = 3;
            int applied = 0;
            victim.TakeShotImpact(shot, applied);
            EXPECT_EQ(applied, -8);
            double x = 0, y = 0;
            ExpectedImpact(-8, isShot ? 0 : (right ? 1 : -1), isShot ? 3 : 0, x, y);
            EXPECT_DOUBLE_EQ(victim.m_dImpactX, x);
            EXPECT_DOUBLE_EQ(victim.m_dImpactY, y);
        }
    }
}

// Victim V, attacker A (a summon of P), shot owner O. Every chara has a
// flow for each hit trigger that takes the other chara of the event into a
// target slot; the flows that started tell which triggers fired and with
// whom.
class HitEventTest : public DamageTest {
protected:
    static constexpr int kGroup = 2;
    struct Named {
        cStageChara* chara;
        const char* name;
    };
    static cFlow TriggerFlow(int trigger, int slot, int id) {
        cFlowCmd wait;
        wait.SetDefault();
        wait.m_cKind = 1;
        wait.m_sTime = 9;
        wait.Normalize();
        cFlow f;
        f.m_cTrigger = static_cast<int8_t>(trigger);
        f.m_cId = static_cast<int8_t>(id);
        f.m_cTakeOther = 1;
        f.m_cTargetSlot = static_cast<int8_t>(slot);
        f.m_vCmd = cVector<cFlowCmd>({wait});
        return f;
    }
    // The victim's triggers 1 to 4, and 20 to 23 of the others in flow
    // group kGroup; a flow of another group never starts.
    void Build(cStageChara& c, bool victim) {
        Make(c);
        c.m_Def.m_vFlow.clear();
        for (int slot = 0; slot < 4; ++slot) {
            if (victim) {
                c.m_Def.m_vFlow.push_back(TriggerFlow(1 + slot, slot, 0));
            } else {
                c.m_Def.m_vFlow.push_back(TriggerFlow(20 + slot, slot, kGroup));
                c.m_Def.m_vFlow.push_back(TriggerFlow(20 + slot, slot, kGroup + 1));
            }
        }
        c.BuildFlows(c.m_Def.m_vFlow.Edit(), 0, -1);
    }
    // Every chara afresh, with nobody linked to anybody.
    void Renew() {
        for (cStageChara* c : {&v, &a, &p, &o}) c->UnlinkAll();
        a.m_pParent = nullptr;
        Build(v, true);
        Build(a, false);
        Build(p, false);
        Build(o, false);
    }
    void TearDown() override {
        for (cStageChara* c : {&v, &a, &p, &o}) c->UnlinkAll();
        a.m_pParent = nullptr;
        DamageTest::TearDown();
    }
    // "V1:P" for trigger 1 of V started with P as the other chara ("-" for
    // none); a flow of the wrong group shows its group.
    std::string Fired() {
        const std::vector<Named> all = {{&v, "V"}, {&a, "A"}, {&p, "P"}, {&o, "O"}};
        std::string s;
        for (const Named& who : all) {
            for (const cFlowRun& run : who.chara->m_FlowRuns) {
                if (!run.m_bRunning) continue;
                const cFlow& f = *run.m_pFlow;
                const cChara* other = who.chara->m_Targets[static_cast<size_t>(f.m_cTargetSlot)];
                std::string otherName = "-";
                for (const Named& n2 : all)
                    if (n2.chara == other) otherName = n2.name;
                if (!s.empty()) s += ' ';
                s += who.name + std::to_string(f.m_cTrigger);
                if (f.m_cId != 0 && f.m_cId != kGroup) s += "/" + std::to_string(f.m_cId);
                s += ":" + otherName;
            }
        }
        return s;
    }
    cStageChara v, a, p, o;
};

TEST_F(HitEventTest, ABodyHitRaisesTheVictimsTriggersAndThoseOfACreditedParent) {
    struct Case {
        const char* name;
        int power, impact;
        int credit, parent;
        int damage, applied;
        const char* fired;
    };
    const std::vector<Case> cases = {
        {"damage", 5, 0, 0, 0, 3, 0, "V1:A V2:A"},
        {"power equal to defence", 5, 0, 0, 0, 0, 0, "V1:A"},
        {"healing", -5, 0, 0, 0, -5, 0, "V1:A"},
        {"credited to the parent", 5, 0, 1, 1, 3, 0, "V1:P V2:P P20:V P21:V"},
        {"credited, no damage", 5, 0, 1, 1, 0, 0, "V1:P P20:V"},
        {"credit without a parent", 5, 0, 1, 0, 3, 0, "V1:A V2:A"},
        {"a parent that takes no credit", 5, 0, 0, 1, 3, 0, "V1:A V2:A"},
        {"impact", 0, 5, 0, 0, 0, 5, "V3:A V4:A"},
        {"impact all resisted", 0, 5, 0, 0, 0, 0, "V3:A"},
        {"both, credited", 5, 5, 1, 1, 0, 4, "V1:P V3:P V4:P P20:V P22:V P23:V"},
        {"neither", 0, 0, 1, 1, 9, 9, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Renew();
        a.m_Def.m_nBodyPower = c.power;
        a.m_Def.m_cBodyImpact = static_cast<int8_t>(c.impact);
        a.m_bCreditParent = c.credit;
        a.m_nParentGroup = kGroup;
        a.m_pParent = c.parent ? &p : nullptr;
        v.RaiseBodyHitEvents(a, c.damage, c.applied);
        EXPECT_EQ(Fired(), c.fired);
    }
}

TEST_F(HitEventTest, AShotHitRaisesTheVictimsTriggersAndThoseOfAReportingOwner) {
    struct Case {
        const char* name;
        int power, impact;
        int owner, report;
        int damage, applied;
        const char* fired;
    };
    const std::vector<Case> cases = {
        {"damage reported", 5, 0, 1, 1, 3, 0, "V1:O V2:O O20:V O21:V"},
        {"no damage", 5, 0, 1, 1, 0, 0, "V1:O O20:V"},
        {"not reported", 5, 0, 1, 0, 3, 0, "V1:O V2:O"},
        {"no owner", 5, 0, 0, 1, 3, 0, "V1:- V2:-"},
        {"impact reported", 0, -4, 1, 1, 0, -4, "V3:O V4:O O22:V O23:V"},
        {"impact all resisted", 0, -4, 1, 1, 0, 0, "V3:O O22:V"},
        {"neither", 0, 0, 1, 1, 9, 9, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Renew();
        cShot shot;
        shot.m_Param.m_nPower = c.power;
        shot.m_Param.m_cImpact = static_cast<int8_t>(c.impact);
        shot.m_pOwner = c.owner ? &o : nullptr;
        shot.m_bReportHits = c.report;
        shot.m_cReportGroup = kGroup;
        v.RaiseShotHitEvents(shot, c.damage, c.applied);
        EXPECT_EQ(Fired(), c.fired);
    }
}

}  // namespace
