// Who hits whom during play: shots and swords against charas of the other
// groups, charas against charas by body contact, shots against shots; the
// deaths that HP brings outside combat; the hero picking up items.
//
// The pairs are tested in group order and list order, which replays rely
// on. A defeat that clears the stage or kills the hero ends the resolution
// at once. Charas taken out of the stage meanwhile (by flows that a hit or
// a death starts) are only marked while the lists are walked, and swept
// once nothing walks them any more.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/requests.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/shot.h"
#include "objects/stage_chara.h"
#include "project/item_def.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

constexpr int kSeHit = 7;
constexpr int kSeHeroDeath = 8;
constexpr int kSeDefeat = 9;

// Flow triggers raised here.
constexpr int8_t kTrigHitByShot = 9;
constexpr int8_t kTrigTouchChara = 6;
constexpr int8_t kTrigItem = 10;
constexpr int8_t kTrigAttackHit = 24;

// Take modes of an item.
constexpr int kTakeAndRemove = 0;
constexpr int kTakeOncePerTouch = 1;
constexpr int kNeverTaken = 2;

// Boxes meet when they touch, edges included.
bool Overlaps(const HITBOX& a, const HITBOX& b) {
    return a.left <= b.right && a.right >= b.left && a.top <= b.bottom && a.bottom >= b.top;
}

// With on-screen hits only, what is out of view takes no part.
bool TakesPart(const cGameObj& obj) { return !g_Stage.m_bInViewOnly || obj.m_bInView; }

bool IsHero(const cChara& chara) { return !g_Heroes.empty() && &chara == &g_Heroes.At(0); }

// A chara that a hit may still reach: in the stage and alive.
bool CanBeHit(const cChara& chara) {
    return !chara.m_bRemoved && TakesPart(chara) && chara.m_bActive && !chara.m_bDefeated;
}

// A shot does something to what it hits: it harms, knocks back or gives.
bool IsEffective(const cShot& shot) {
    return shot.m_Param.m_nPower != 0 || shot.m_Param.m_cImpact != 0 || shot.m_Param.m_cItemSource != 0;
}

bool HasHit(const cShot& shot, const cChara& chara) {
    return std::find(shot.m_HitList.begin(), shot.m_HitList.end(), chara.m_nId) != shot.m_HitList.end();
}

// The charas of a group as they stand now. A flow that a hit starts may
// take charas out of the group lists, so the walks go over a copy and skip
// what has been taken out.
std::vector<cChara*> Snapshot(const std::list<cChara*>& group) { return {group.begin(), group.end()}; }

// Keeps the play step's deferred removal while the resolution walks the
// charas, and sweeps afterwards unless an outer walk still runs.
class CharaWalk {
public:
    explicit CharaWalk(cGameScene& scene) : m_Scene(scene) { ++m_Scene.m_nCharaWalk; }
    ~CharaWalk() {
        if (--m_Scene.m_nCharaWalk == 0) m_Scene.SweepRemovedCharas();
    }
    CharaWalk(const CharaWalk&) = delete;
    CharaWalk& operator=(const CharaWalk&) = delete;

private:
    cGameScene& m_Scene;
};

}  // namespace

// ---------------------------------------------------------------------------

int cGameScene::DefeatOutcome(cChara& victim) {
    if (IsHero(victim)) return 2;
    if (victim.m_bDefeated) return 0;
    return victim.Die();
}

int cGameScene::ApplyDefeatOutcome(cStageChara& chara) {
    const int r = DefeatOutcome(chara);
    if (r == 1) {
        EndStageNow();
    } else if (r == 2 && !g_Heroes.empty()) {
        HeroDies(g_Heroes.At(0), nullptr);
    }
    return r;
}

int TakeItem(cItem& item, cHero& hero) {
    if (item.m_nGraphic == 0 || item.m_Def.m_cTakeMode == kNeverTaken || !item.m_bActive) return 0;
    const cPltItem& def = item.m_Def;
    if (def.m_cPopup == 1) hero.ShowItemMessage(def.m_cSheet, def.m_sChip, def.m_sSheetSub);
    PlayDataSe(def.m_sSound);
    return hero.RunItemCmds(item.m_Def.m_vCmd);
}

// ---------------------------------------------------------------------------
// Attacks

int cGameScene::ResolveAttackHits() {
    m_bResolvingAttacks = 1;
    CharaWalk walk(*this);
    int r = ShotsAgainstCharas();
    if (!r) {
        for (auto it = m_lShots.begin(); it != m_lShots.end();)
            it = it->m_bRemove ? RemoveShot(m_lShots, it) : std::next(it);
        r = BodiesAgainstBodies();
    }
    if (!r) ShotsAgainstShots();
    // Cleared however the resolution ended: a stage that restarts after a
    // hero's death must not start as if still resolving.
    m_bResolvingAttacks = 0;
    return r;
}

void cGameScene::EraseShot(cShot* shot) {
    auto it = std::find_if(m_lShots.begin(), m_lShots.end(), [shot](const cShot& s) { return &s == shot; });
    if (it != m_lShots.end()) RemoveShot(m_lShots, it);
}

int cGameScene::ShotsAgainstCharas() {
    if (g_Stage.m_nAttackLevel != 0) {
        const int step = m_nSubStep - 1;
        if (step < 0 || step >= static_cast<int>(m_vAttackSteps.size()) || !m_vAttackSteps[static_cast<size_t>(step)])
            return 0;
    }
    const bool harmlessPass = g_SystemData.Get(kSysHarmlessShotsPass) != 0;
    const int groups = static_cast<int>(std::min(m_vShotGroups.size(), m_vCharaGroups.size()));
    for (int i = 0; i < groups; ++i) {
        for (int j = 0; j < groups; ++j) {
            std::list<cShot*>& shots = m_vShotGroups[static_cast<size_t>(i)];
            if (j == i || shots.empty() || m_vCharaGroups[static_cast<size_t>(j)].empty()) continue;
            const std::vector<cChara*> charas = Snapshot(m_vCharaGroups[static_cast<size_t>(j)]);
            for (auto sit = shots.begin(); sit != shots.end();) {
                cShot& shot = **sit++;
                bool usedUp = false;
                for (cChara* target : charas) {
                    cChara& chara = *target;
                    if (shot.m_bRemove || !TakesPart(shot)) break;
                    if (!CanBeHit(chara) || chara.m_Def.m_cInvincible == 2) continue;
                    if (!Overlaps(chara.m_ShotBox, shot.m_Box) || HasHit(shot, chara)) continue;
                    const bool effective = IsEffective(shot);
                    if (effective && chara.IsInvincible()) continue;
                    chara.RaiseEvent(kTrigHitByShot, shot.m_pOwner);
                    if (shot.m_pOwner && shot.m_bReportHits)
                        shot.m_pOwner->RaiseEvent(kTrigAttackHit, &chara, shot.m_cReportGroup);
                    if (!effective && harmlessPass) continue;

                    int damage = 0;
                    int impact = 0;
                    const int dead = chara.TakeShotDamage(shot, damage, impact);
                    chara.RaiseShotHitEvents(shot, damage, impact);
                    if (dead) {
                        if (!IsHero(chara)) PlaySystemSe(kSeDefeat);
                        if (const int r = DefeatOutcome(chara)) return r;
                    } else {
                        PlaySystemSe(kSeHit);
                        if (effective) chara.StartInvincible();
                    }

                    const int pierce =
                        chara.m_Def.m_cBlockChara ? shot.m_Param.m_cPierceBlockCharas : shot.m_Param.m_cPierceCharas;
                    if (!shot.m_bIsShot || pierce == 1)
                        shot.m_HitList.push_back(chara.m_nId);
                    else
                        usedUp = true;

                    if (shot.m_Param.m_cItemSource != 0 && !g_Heroes.empty()) {
                        if (cPltItem* def = FindItemDef(shot.m_Param.m_cItemSource, shot.m_Param.m_sItemIndex)) {
                            cItem gift;
                            gift.Init(0, *def, 0);
                            // A fresh item is inactive, and an inactive item cannot be taken.
                            gift.m_bActive = 1;
                            if (const int r = TakeItem(gift, g_Heroes.At(0))) return r;
                        }
                    }
                }
                // A used-up shot still meets every chara of the group first.
                if (usedUp && !shot.m_bRemove) EraseShot(&shot);
            }
        }
    }
    return 0;
}

int cGameScene::BodiesAgainstBodies() {
    const bool eventsAtOnce = g_SystemData.Get(kSysBodyHitEventsAtOnce) != 0;
    auto canTouch = [](const cChara& c) { return CanBeHit(c) && !c.m_Def.m_cBlockChara; };
    // a touches b: a's touch trigger, or the parent's attack-hit trigger
    // when b's hits count for its parent.
    auto touch = [](cChara& a, cChara& b) {
        if (b.m_pParent && b.m_bCreditParent) {
            a.RaiseEvent(kTrigTouchChara, b.m_pParent);
            b.m_pParent->RaiseEvent(kTrigAttackHit, &a, b.m_nParentGroup);
        } else {
            a.RaiseEvent(kTrigTouchChara, &b);
        }
    };
    auto attacks = [](const cChara& c) { return c.m_Def.m_nBodyPower != 0 || c.m_Def.m_cBodyImpact != 0; };
    // After a body hit on `victim`: 0, or the answer that ends the resolution.
    auto settle = [this](cChara& victim, cChara& attacker, int dead) {
        if (!dead) {
            victim.StartInvincibleFrom(attacker.m_nId);
            return 0;
        }
        if (!IsHero(victim)) PlaySystemSe(kSeDefeat);
        return DefeatOutcome(victim);
    };

    const int groups = static_cast<int>(m_vCharaGroups.size());
    for (int i = 0; i < groups; ++i) {
        for (int j = i + 1; j < groups; ++j) {
            if (m_vCharaGroups[static_cast<size_t>(i)].empty() || m_vCharaGroups[static_cast<size_t>(j)].empty())
                continue;
            const std::vector<cChara*> first = Snapshot(m_vCharaGroups[static_cast<size_t>(i)]);
            const std::vector<cChara*> second = Snapshot(m_vCharaGroups[static_cast<size_t>(j)]);
            for (cChara* pa : first) {
                for (cChara* pb : second) {
                    cChara& a = *pa;
                    cChara& b = *pb;
                    if (!canTouch(a) || !canTouch(b) || !Overlaps(a.m_BodyBox, b.m_BodyBox)) continue;
                    const bool aOpen = !a.IsInvincibleTo(b.m_nId);
                    const bool bOpen = !b.IsInvincibleTo(a.m_nId);
                    if (aOpen) touch(a, b);
                    if (bOpen) touch(b, a);

                    const bool aHurt = aOpen && attacks(b);
                    const bool bHurt = bOpen && attacks(a);
                    int aDamage = 0, aImpact = 0, aDead = 0;
                    int bDamage = 0, bImpact = 0, bDead = 0;
                    if (aHurt) {
                        aDead = a.TakeBodyDamage(b, aDamage, aImpact);
                        if (eventsAtOnce) a.RaiseBodyHitEvents(b, aDamage, aImpact);
                    }
                    if (bHurt) {
                        bDead = b.TakeBodyDamage(a, bDamage, bImpact);
                        if (eventsAtOnce) b.RaiseBodyHitEvents(a, bDamage, bImpact);
                    }
                    if (!eventsAtOnce) {
                        if (aHurt) a.RaiseBodyHitEvents(b, aDamage, aImpact);
                        if (bHurt) b.RaiseBodyHitEvents(a, bDamage, bImpact);
                    }
                    if (aHurt || bHurt) PlaySystemSe(kSeHit);
                    if (aHurt) {
                        if (const int r = settle(a, b, aDead)) return r;
                    }
                    if (bHurt) {
                        if (const int r = settle(b, a, bDead)) return r;
                    }
                }
            }
        }
    }
    return 0;
}

void cGameScene::ShotsAgainstShots() {
    auto erasable = [](const cShot* s) { return s->m_Param.m_cClash != 0; };
    const int groups = static_cast<int>(m_vShotGroups.size());
    for (int i = 0; i < groups; ++i) {
        for (int j = i + 1; j < groups; ++j) {
            std::list<cShot*>& firsts = m_vShotGroups[static_cast<size_t>(i)];
            std::list<cShot*>& seconds = m_vShotGroups[static_cast<size_t>(j)];
            for (auto ait = firsts.begin(); ait != firsts.end();) {
                cShot* a = *ait++;
                bool aGoes = false;
                for (auto bit = seconds.begin(); bit != seconds.end();) {
                    cShot* b = *bit++;
                    if (!erasable(a) && !erasable(b)) continue;
                    if (!a->IntersectsRect(b->m_dX, b->m_dY, b->m_dRight, b->m_dBottom)) continue;
                    bool bGoes = false;
                    if (erasable(a) && erasable(b)) {
                        const int8_t sa = a->m_Param.m_cVanishValue;
                        const int8_t sb = b->m_Param.m_cVanishValue;
                        aGoes = aGoes || sa <= sb;
                        bGoes = sb <= sa;
                    } else if (erasable(b)) {
                        bGoes = true;
                    } else {
                        aGoes = true;
                    }
                    if (bGoes) EraseShot(b);
                }
                if (aGoes) EraseShot(a);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Deaths outside combat

int cGameScene::CheckHpDeaths() {
    if (g_Heroes.empty()) return 0;
    cHero& hero = g_Heroes.At(0);
    if (hero.m_nHP <= 0) return HeroDies(hero, nullptr);

    const bool keepDefeated = g_SystemData.Get(kSysKeepDefeated) != 0;
    CharaWalk walk(*this);
    for (cStageChara& chara : g_Charas) {
        if (chara.m_bRemoved) continue;
        if (chara.m_bRemoveReq) {
            RemoveChara(&chara);
            continue;
        }
        if (chara.m_nHP > 0) continue;
        // One already in its death drawing has had its outcome and its
        // sound.
        if (keepDefeated && chara.m_bDefeated) continue;
        const int r = DefeatOutcome(chara);
        if (r == 1) EndStageNow();
        if (!keepDefeated || r == 1) RemoveChara(&chara);
        if (r == 1) return 1;
        if (keepDefeated) PlaySystemSe(kSeDefeat);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Items

int cGameScene::PickUpItems(cHero& hero) {
    const HITBOX& box = hero.m_ItemBox;
    for (auto it = g_Items.begin(); it != g_Items.end();) {
        cItem& item = *it;
        const int mode = item.m_Def.m_cTakeMode;
        if (!item.m_bActive || item.m_bCarried || mode == kNeverTaken) {
            ++it;
            continue;
        }
        if (!item.IntersectsRect(box.left, box.top, box.right, box.bottom)) {
            if (mode == kTakeOncePerTouch) hero.EndItemTouch(&item);
            ++it;
            continue;
        }
        hero.RaiseEvent(kTrigItem);
        if (mode == kTakeOncePerTouch) {
            // Taken again only after the hero has left it.
            if (!hero.IsNewItemTouch(&item)) {
                ++it;
                continue;
            }
            hero.m_TouchedItems.push_back(&item);
        }
        const int r = TakeItem(item, hero);
        it = mode == kTakeAndRemove ? RemoveItem(it) : std::next(it);
        if (r) return r;
    }
    return 0;
}
