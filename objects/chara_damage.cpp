// Damage to a chara from a body attack or a shot, its HP and SP with the
// bars that show a change, invincibility after a hit, the knock-back of an
// impact and the hit triggers on both sides.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "objects/chara.h"
#include "objects/effect_obj.h"
#include "objects/shot.h"
#include "project/stage_info.h"
#include "stage/game_scene.h"

namespace {

constexpr int64_t kMaxDamage = 999999;
constexpr int kGaugeFrames = 120;
constexpr int kGaugeFadeFrames = 60;
constexpr int kGaugeWidth = 50;
constexpr int kMaxImpact = 20;
constexpr double kImpactTolerance = 1e-8;

// Values from data files and status commands are full ints: sums and
// products are worked out in 64 bits and only the clamped result narrowed.
int32_t ClampToInt(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// `value` moved by `delta` within 0..max; a gain is first cut to what is
// left up to the maximum. `delta` comes back as the change made of it.
int32_t ChangeWithin(int32_t value, int32_t max, int& delta) {
    if (delta > 0) delta = ClampToInt(std::min<int64_t>(delta, int64_t{max} - value));
    // A maximum below 0 leaves nothing to hold.
    return ClampToInt(std::clamp<int64_t>(int64_t{value} + delta, 0, std::max(max, 0)));
}

// The bar of a value changed by `delta`, shown for a while. A maximum of 0
// or less has no bar to show (and would divide by zero).
void StartGauge(GAUGE& gauge, int32_t value, int32_t max, int delta) {
    if (delta == 0 || max <= 0) return;
    gauge.timer = kGaugeFrames;
    gauge.bar = static_cast<int32_t>(std::clamp<int64_t>(int64_t{value} * kGaugeWidth / max, 0, kGaugeWidth));
    gauge.changed = static_cast<double>(int64_t{delta} * kGaugeWidth) / max;
    gauge.step = gauge.changed / kGaugeFadeFrames;
}

// Attack power after the victim's defence. A power of 0 or less is left
// as it is: a negative one heals.
int AttackDamage(int32_t power, int32_t defence) {
    if (power <= 0) return power;
    return static_cast<int>(std::clamp<int64_t>(int64_t{power} - defence, 0, kMaxDamage));
}

// The HP change of a damage: its negation, which for the lowest int
// (a healing power from a damaged file) has no int of its own.
int HPLoss(int damage) { return ClampToInt(-int64_t{damage}); }

// Frames of a stage setting as sub-steps.
int32_t FramesToSubSteps(int32_t frames) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{frames} * g_Stage.SubSteps(), 0, INT32_MAX));
}

// A speed pointing against a new impact speed no longer adds to it.
void CancelAgainst(double& speed, double impact) {
    if (std::fabs(speed) > kImpactTolerance && std::fabs(impact) > kImpactTolerance && (speed > 0) != (impact > 0))
        speed = 0;
}

// The damage number where the two boxes overlap, at the attacker's scale.
void ShowDamageEffect(int16_t effect, const HITBOX& victim, const HITBOX& attacker, int8_t scale) {
    if (effect == 0 || !g_pGameScene) return;
    cEffectObj obj;
    obj.InitAtHit(effect, victim, attacker, static_cast<int8_t>(ValidScale(scale)));
    g_pGameScene->m_lEffects.push_back(obj);
}

}  // namespace

int cChara::AddHP(int delta, int force, int showGauge) {
    if (!force && delta <= 0 && m_Def.m_cInvincible != 0) return 0;
    m_nHP = ChangeWithin(m_nHP, m_Def.m_nMaxHP, delta);
    if (m_nHP <= 0) {
        m_nHP = 0;
        return 1;
    }
    if (showGauge) StartHPGauge(delta);
    return 0;
}

void cChara::AddSP(int delta, int showGauge) {
    m_nSP = ChangeWithin(m_nSP, m_Def.m_nMaxSP, delta);
    if (m_Def.m_nMaxSP > 0 && showGauge) StartSPGauge(delta);
}

void cChara::StartHPGauge(int delta) { StartGauge(m_HPGauge, m_nHP, m_Def.m_nMaxHP, delta); }

void cChara::StartSPGauge(int delta) { StartGauge(m_SPGauge, m_nSP, m_Def.m_nMaxSP, delta); }

void cChara::StartInvincible() {
    m_nInvincible = FramesToSubSteps(m_nKind == 0 ? g_Stage.m_nHeroInv : g_Stage.m_nCharaInv);
}

void cChara::StartInvincibleFrom(int attacker) {
    StartInvincible();
    const int32_t frames = m_nKind == 0 ? g_Stage.m_nHeroInvAttacker : g_Stage.m_nCharaInvAttacker;
    m_InvincibleFrom.push_back({attacker, FramesToSubSteps(frames)});
}

void cChara::TickInvincible() {
    m_nInvincible = std::max(m_nInvincible - 1, 0);
    for (auto it = m_InvincibleFrom.begin(); it != m_InvincibleFrom.end();) {
        if (it->frames <= 1) {
            it = m_InvincibleFrom.erase(it);
        } else {
            --it->frames;
            ++it;
        }
    }
}

bool cChara::IsInvincibleTo(int attacker) const {
    if (IsInvincible()) return true;
    return std::any_of(m_InvincibleFrom.begin(), m_InvincibleFrom.end(),
                       [attacker](const InvincibleFrom& e) { return e.attacker == attacker; });
}

int cChara::TakeBodyDamage(cChara& attacker, int& damage, int& impact) {
    const int d = AttackDamage(attacker.m_Def.m_nBodyPower, m_Def.m_nDefence);
    damage = m_Def.m_cInvincible != 0 ? 0 : d;
    const int result = AddHP(HPLoss(d), 0, 1);
    ShowDamageEffect(attacker.m_Def.m_sDamageEffect, m_BodyBox, attacker.m_BodyBox, attacker.m_Def.m_cGiantScale);
    TakeBodyImpact(attacker, impact);
    return result;
}

int cChara::TakeShotDamage(cShot& shot, int& damage, int& impact) {
    const cEdShot& param = shot.m_Param;
    const int d = AttackDamage(param.m_nPower, m_Def.m_nDefence);
    damage = m_Def.m_cInvincible != 0 ? 0 : d;
    const int result = AddHP(HPLoss(d), 0, 1);
    ShowDamageEffect(param.m_sEffect, m_ShotBox, shot.m_Box, param.m_cGiantScale);
    TakeShotImpact(shot, impact);
    return result;
}

void cChara::RaiseBodyHitEvents(cChara& attacker, int damage, int impact) {
    cChara* const parent = attacker.m_bCreditParent ? attacker.m_pParent : nullptr;
    const int8_t group = attacker.m_nParentGroup;
    // A summon that credits its parent reports the hit as the parent's; the
    // attacker's own attack-hit triggers stay quiet.
    auto raise = [&](int8_t hit, int8_t effective, int8_t parentHit, int8_t parentEffective, bool took) {
        cChara* const other = parent ? parent : &attacker;
        RaiseEvent(hit, other);
        if (took) RaiseEvent(effective, other);
        if (!parent) return;
        parent->RaiseEvent(parentHit, this, group);
        if (took) parent->RaiseEvent(parentEffective, this, group);
    };
    if (attacker.m_Def.m_nBodyPower != 0) raise(1, 2, 20, 21, damage >= 1);
    if (attacker.m_Def.m_cBodyImpact != 0) raise(3, 4, 22, 23, impact != 0);
}

void cChara::RaiseShotHitEvents(cShot& shot, int damage, int impact) {
    cChara* const owner = shot.m_pOwner;
    const bool report = owner && shot.m_bReportHits;
    const int8_t group = shot.m_cReportGroup;
    auto raise = [&](int8_t hit, int8_t effective, int8_t ownerHit, int8_t ownerEffective, bool took) {
        RaiseEvent(hit, owner);
        if (took) RaiseEvent(effective, owner);
        if (!report) return;
        owner->RaiseEvent(ownerHit, this, group);
        if (took) owner->RaiseEvent(ownerEffective, this, group);
    };
    if (shot.m_Param.m_nPower != 0) raise(1, 2, 20, 21, damage >= 1);
    if (shot.m_Param.m_cImpact != 0) raise(3, 4, 22, 23, impact != 0);
}

void cChara::ApplyImpact(int8_t impact, double dirX, double dirY, int& applied) {
    if (impact == 0) return;
    // The resistance is a byte of 0..255; with the impact as an int nothing
    // wraps, and the clamps hold the result to -20..20 towards 0.
    const int resist = static_cast<uint8_t>(m_Def.m_cImpactResist);
    int i = impact;
    if (i < 0)
        i = std::clamp(i + resist, -kMaxImpact, 0);
    else
        i = std::clamp(i - resist, 0, kMaxImpact);
    applied = i;
    CalcImpactSpeed(m_dImpactX, m_dImpactY, i, dirX, dirY);
    // Speeds against the knock-back would eat it up.
    CancelAgainst(m_dInertiaX, m_dImpactX);
    CancelAgainst(m_dInertiaY, m_dImpactY);
    CancelAgainst(m_dSpeedY, m_dImpactY);
    m_bImpacted = 1;
}

void cChara::TakeBodyImpact(cChara& attacker, int& applied) {
    const double dirX = attacker.m_dSpeedX;
    double dirY = attacker.m_dSpeedY;
    // A walker that is not falling fast pushes sideways only.
    if (!attacker.m_bFly && 8.0 * g_Stage.SubSteps() * g_Stage.m_dGravityStep > dirY) dirY = 0;
    ApplyImpact(attacker.m_Def.m_cBodyImpact, dirX, dirY, applied);
}

void cChara::TakeShotImpact(cShot& shot, int& applied) {
    // A sword pushes the way it faces.
    const double dirX = shot.m_bIsShot ? shot.m_dSpeedX : shot.GetDirSign();
    const double dirY = shot.m_bIsShot ? shot.m_dSpeedY : 0.0;
    ApplyImpact(shot.m_Param.m_cImpact, dirX, dirY, applied);
}
