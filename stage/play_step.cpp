// One frame of stage play: the input, the play time and the time limit,
// then the stage's sub-steps, each of which updates activity and
// lifetimes, moves the block charas, the hero, the other charas and the
// shots against the map, and resolves item blocks, attacks and pick-ups.
// A stage end or a death ends the frame at once.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "app/input_state.h"
#include "app/requests.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "core/timing.h"
#include "frontend/play_data.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/stage_chara.h"
#include "platform/input.h"
#include "platform/run_mode.h"
#include "project/item_def.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

constexpr int kMaxPlayTime = 599999;  // hundredths of a second

// Ground effects of a block under the hero.
enum : int {
    kFootSpring = 1,
    kFootNoJump = 2,
    kFootSpeedFactor = 3,
    kFootCarryLeft = 4,
    kFootCarryRight = 5,
};

// Touches blocks on both sides, or above and below.
bool Squeezed(const cChara& c) { return (c.m_bHitLeft && c.m_bHitRight) || (c.m_bHitAbove && c.m_bHitBelow); }

// Counts a life down: true when it has run out. Permanent lives never do.
bool LifeRunsOut(int32_t& life) { return life != INT32_MAX && (life <= 0 || --life < 0); }

}  // namespace

// ---------------------------------------------------------------------------
// The frame

void cGameScene::StatePlay() {
    if (m_bQuit) {
        PostMainWindowClose();
        return;
    }
    if (CheckPauseKey()) {
        m_nSubState = 0;
        m_nState = kStatePause;
        return;
    }
    if (CheckReplaySaveKeys()) return;
    if (m_nFrame < INT_MAX) ++m_nFrame;
    if (!ReadPlayInput()) return;
    CountPlayTime();
    cHero& hero = g_Heroes.At(0);
    // A hero already dying goes on with its death; the frame is played.
    if (CountTimeLimit(-1) && !hero.m_bDefeated) {
        PlaySystemSe(8);
        if (hero.Die()) {
            EndStage();
            m_nState = kStateStageEnd;
        }
        return;
    }
    hero.ResetEventLatches();
    hero.m_bFixedX = hero.m_bFixedY = 0;
    for (cStageChara& chara : g_Charas) {
        if (!chara.m_bDefeated) chara.ResetEventLatches();
        chara.m_bFixedX = chara.m_bFixedY = 0;
    }
    const int n = g_Stage.SubSteps();
    for (int b = 1; b <= n; ++b) {
        m_nSubStep = b;
        if (m_nStepCount < INT_MAX) ++m_nStepCount;
        if (PlaySubStep()) return;
    }
    if (!plat::StageDrawingSkipped()) Draw(1, 0, 1, 1);
}

bool cGameScene::ReadPlayInput() {
    cInputState& input = g_InputStates.At(0);
    if (IsReplayPlayback()) {
        input.ClearDir();
        input.ClearButtons();
        if (PlayReplayInput(input)) {
            // The recording has ended: the replay starts again.
            g_PlayData.LoadCheckpoint(1);
            SetStage(1, 1);
            m_nState = kStateStart;
            return false;
        }
        input.GetNumpadDir();
        input.PushHistory();
        input.UpdateSequences();
        return true;
    }
    if (!g_Heroes.empty()) {
        const cHero& hero = g_Heroes.At(0);
        if (hero.m_bDirInputOff) input.ClearDir();
        if (hero.m_bButtonInputOff) input.ClearButtons();
    }
    // A button still held from a menu counts only once it was let go.
    if (input.m_sButton == 0)
        m_bButtonHold = 0;
    else if (m_bButtonHold)
        input.m_sButton = 0;
    input.PushHistory();
    input.UpdateSequences();
    if (g_SystemData.Get(kSysReplayRecording)) RecordReplayInput(input);
    return true;
}

int cGameScene::CheckPauseKey() {
    if (!g_SystemData.Get(kSysPauseKeyAllowed) || !plat::KeyDown(plat::kVkSpace)) return 0;
    PlaySystemSe(4);
    m_nSavedState = m_nState;
    m_nSavedSubState = m_nSubState;
    return 1;
}

void cGameScene::CountPlayTime() {
    if (m_nPlayTime >= kMaxPlayTime) return;
    ++m_nPlayFrames;
    m_nPlayTime = static_cast<int>(std::min<int64_t>(int64_t{m_nPlayFrames} * 100 / 60, kMaxPlayTime));
}

int cGameScene::CountTimeLimit(int step) {
    if (m_bNoTimeLimit) return 0;
    if (!CountEvery(1, 60)) return 0;
    const int64_t left = int64_t{m_nTimeLimit} + step;
    if (left > kMaxTimeLimit) {
        m_nTimeLimit = kMaxTimeLimit;
        return 0;
    }
    if (left <= 0) {
        m_nTimeLimit = 0;
        return 1;
    }
    m_nTimeLimit = static_cast<int>(left);
    return 0;
}

// ---------------------------------------------------------------------------
// One sub-step

int cGameScene::PlaySubStep() {
    cHero& hero = g_Heroes.At(0);
    UpdateActivity();
    if (!hero.m_bDefeated) CountLifetimes();
    for (cStageChara& chara : g_Charas) {
        chara.TickInvincible();
        chara.ClearBlockContacts();
        chara.SavePos();
    }
    hero.TickInvincible();
    hero.ClearBlockContacts();
    hero.SavePos();
    hero.SaveFacing();
    hero.SaveStepState();
    m_ScrollX.Step();
    m_ScrollY.Step();

    // Platforms move before the hero, who may ride them.
    if (!hero.m_bDefeated && WalkCharas(true)) return 1;
    if (!hero.m_bDefeated && StepHero(hero)) return 1;
    if (!hero.m_bDefeated && WalkCharas(false)) return 1;
    StepShots();
    if (!hero.m_bDefeated && m_nSubStep == 1) RemoveOutOfRange();
    if (hero.m_bDefeated) return 0;
    int r = ItemBlocks(hero);
    if (!r) r = ResolveAttackHits();
    if (!r) r = PickUpItems(hero);
    if (r == 1) return EndStageNow();
    if (r == 2) return HeroDies(hero, nullptr);
    return 0;
}

void cGameScene::CountLifetimes() {
    // Charas taken out here are swept in one pass at the end.
    ++m_nCharaWalk;
    for (auto it = g_Charas.begin(); it != g_Charas.end();) {
        cStageChara& chara = *it++;
        if (!chara.m_bDefeated && LifeRunsOut(chara.m_nLife)) RemoveChara(&chara);
    }
    --m_nCharaWalk;
    SweepRemovedCharas();
    for (auto it = g_Items.begin(); it != g_Items.end();)
        it = LifeRunsOut(it->m_nLife) ? RemoveItem(it) : std::next(it);
}

int cGameScene::StepHero(cHero& hero) {
    hero.RaiseEvent(0);
    if (hero.Update(false)) return HeroDies(hero, nullptr);
    if (m_nStageEnd == 1) return EndStageNow();
    if (m_nStageEnd == 2) return HeroDies(hero, nullptr);
    if (m_bCheckHeroHP && CheckHpDeaths()) return 1;
    switch (BlockUnderHero(hero)) {
    case 1: return EndStageNow();
    case 2: return HeroDies(hero, nullptr);
    default: break;
    }
    if (hero.m_bRiding) CarryRider(hero);
    hero.MoveX();
    KeepHeroInScreenX(hero);
    if (HitMapX(hero) == 2) return HeroDies(hero, "Dead 1");
    KeepHeroInScreenX(hero);
    hero.ApplyGravity();
    if (hero.MoveY() == 7) return HeroDies(hero, "Dead 2");
    if (KeepHeroInScreenY(hero) == 2) return HeroDies(hero, "Dead 3");
    if (HitMapY(hero) == 2) return HeroDies(hero, "Dead 4");
    if (KeepHeroInScreenY(hero) == 2) return HeroDies(hero, "Dead 5");
    // Squeezed between blocks: right after a type change or a summoned
    // block the hero goes back where it was instead.
    if (Squeezed(hero) && !hero.RestoreTypeChangePos()) {
        hero.RestorePos();
        return HeroDies(hero, "Dead SP");
    }
    if (MoveHero(hero) == 2 && !hero.m_bDefeated && !hero.RestoreTypeChangePos()) return HeroDies(hero, "Dead 6");
    if ((hero.m_bHitLeft || hero.m_bHitRight) && HitMapWalls(hero) == 2 && !hero.m_bDefeated) {
        if (hero.RestoreTypeChangePos()) return 1;
        return HeroDies(hero, "Dead 7");
    }
    if ((hero.m_bHitAbove || hero.m_bHitBelow) && HitMapFloorCeiling(hero) == 2 && !hero.m_bDefeated &&
        !hero.RestoreTypeChangePos())
        return HeroDies(hero, "Dead 8");
    if (Squeezed(hero) && !hero.RestoreTypeChangePos()) {
        hero.RestorePos();
        return HeroDies(hero, "Dead 9");
    }
    hero.DecayImpactX();
    hero.DecayImpactY();
    return 0;
}

int cGameScene::WalkCharas(bool blockCharas) {
    ++m_nCharaWalk;
    int end = 0;
    for (auto it = g_Charas.begin(); it != g_Charas.end();) {
        cStageChara& chara = *it;
        if (!chara.m_bRemoved && (chara.m_Def.m_cBlockChara != 0) == blockCharas && !chara.m_bDefeated &&
            chara.m_bActive && chara.m_bActing)
            end = StepChara(chara, blockCharas);
        // The next chara still in the stage, then what this step took out.
        for (++it; it != g_Charas.end() && it->m_bRemoved; ++it) {
        }
        SweepRemovedCharas();
        if (end) break;
    }
    --m_nCharaWalk;
    SweepRemovedCharas();
    return end;
}

int cGameScene::StepChara(cStageChara& chara, bool blockChara) {
    chara.RaiseEvent(0);
    if (chara.Update(false)) {
        if (!blockChara && chara.m_bRemoveReq) {
            RemoveChara(&chara);
            return 0;
        }
        const int r = ApplyDefeatOutcome(chara);
        if (!g_SystemData.Get(kSysKeepDefeated)) {
            RemoveChara(&chara);
        } else if (r == 1) {
            RemoveChara(&chara);
            return 1;
        } else {
            // It stays for its death drawing, which takes it out.
            PlaySystemSe(9);
        }
        return r != 0;
    }
    // Its own flows may have taken it out of the stage.
    if (chara.m_bRemoved) return 0;
    if (m_bCheckHeroHP && CheckHpDeaths()) return 1;
    if (chara.m_bRemoved) return 0;
    if (!blockChara && chara.m_bRiding) CarryRider(chara);
    bool remove = false;
    bool crushed = false;
    if (chara.MoveX() == 4) remove = true;
    if (HitMapX(chara) == 2) crushed = true;
    chara.ApplyGravity();
    const int fall = chara.MoveY();
    if (fall == 7)
        crushed = true;
    else if (fall == 8)
        remove = true;
    if (HitMapY(chara) == 2) crushed = true;
    if (!blockChara) {
        if (MoveHero(chara) == 2) crushed = true;
        HitMapWalls(chara);
        HitMapFloorCeiling(chara);
        if (Squeezed(chara)) crushed = true;
    }
    if (crushed) {
        PlaySystemSe(9);
        const int r = ApplyDefeatOutcome(chara);
        if (r == 1) RemoveChara(&chara);
        return r != 0;
    }
    if (remove) {
        RemoveChara(&chara);
        return 0;
    }
    chara.DecayImpactX();
    chara.DecayImpactY();
    return 0;
}

void cGameScene::StepShots() {
    const bool first = m_nSubStep == 1;
    for (auto it = m_lShots.begin(); it != m_lShots.end();) {
        cShot& shot = *it;
        if (shot.Move()) {
            it = RemoveShot(m_lShots, it);
            continue;
        }
        shot.AddGravity();
        shot.MoveY();
        shot.MoveX();
        const int rule = shot.m_nKind == 0 ? kOutRangeHeroShot : kOutRangeShot;
        if ((first && shot.m_bIsShot && shot.IsOutOfRange(g_Stage.m_OutRange[rule])) || shot.HitsBlock()) {
            it = RemoveShot(m_lShots, it);
            continue;
        }
        ++it;
    }
}

void cGameScene::RemoveOutOfRange() {
    auto sweep = [this](bool blockCharas, const cOutRange& rule) {
        for (auto it = g_Charas.begin(); it != g_Charas.end();) {
            cStageChara& chara = *it++;
            if ((chara.m_Def.m_cBlockChara != 0) == blockCharas && !chara.m_bDefeated && chara.m_bActive &&
                chara.IsOutOfRange(rule))
                RemoveChara(&chara);
        }
    };
    ++m_nCharaWalk;
    if (m_bRangeCharas) sweep(false, g_Stage.m_OutRange[kOutRangeChara]);
    if (m_bRangeBlockCharas) sweep(true, g_Stage.m_OutRange[kOutRangeBlockChara]);
    --m_nCharaWalk;
    SweepRemovedCharas();
    if (m_bRangeItems) {
        const cOutRange& rule = g_Stage.m_OutRange[kOutRangeItem];
        for (auto it = g_Items.begin(); it != g_Items.end();)
            it = it->IsOutOfRange(rule) ? RemoveItem(it) : std::next(it);
    }
}

int cGameScene::EndStageNow() {
    EndStage();
    m_nState = kStateStageEnd;
    return 1;
}

int cGameScene::HeroDies(cHero& hero, const char* why) {
    if (why) WriteDebugLog("%s", why);
    PlaySystemSe(8);
    if (hero.Die()) EndStageNow();
    return 1;
}

// ---------------------------------------------------------------------------
// Removal

void cGameScene::RemoveChara(cStageChara* chara) {
    if (!chara || chara->m_bRemoved) return;
    chara->UnlinkAll();
    // Every group: commands may have changed the faction since it was filed.
    for (std::list<cChara*>& group : m_vCharaGroups) group.remove(chara);
    if (m_nCharaWalk > 0) {
        chara->m_bRemoved = 1;
        ++m_nRemovedCharas;
        return;
    }
    g_Charas.remove_if([chara](const cStageChara& c) { return &c == chara; });
}

void cGameScene::SweepRemovedCharas() {
    if (m_nRemovedCharas == 0) return;
    g_Charas.remove_if([](const cStageChara& c) { return c.m_bRemoved != 0; });
    m_nRemovedCharas = 0;
}

cList<cItem>::iterator cGameScene::RemoveItem(cList<cItem>::iterator item) {
    // The hero forgets touching it, so nothing points at an item gone.
    if (!g_Heroes.empty()) g_Heroes.At(0).EndItemTouch(&*item);
    return g_Items.erase(item);
}

// ---------------------------------------------------------------------------
// Activity

void cGameScene::UpdateActivity() {
    if (!g_Heroes.empty()) {
        cHero& hero = g_Heroes.At(0);
        hero.m_bActive = hero.m_bInView = hero.m_bActing = 1;
    }
    std::fill(m_vStepFlags.begin(), m_vStepFlags.end(), 0);
    for (cStageChara& chara : g_Charas) {
        if (CheckCharaConditions(chara)) {
            chara.m_bActive = 1;
            chara.m_bInView = chara.IsOnScreen();
            chara.CheckInView(m_vStepFlags);
        } else {
            chara.m_bActive = chara.m_bInView = 0;
        }
    }
    // Second pass: a chara activated by the appearance flag of one later in
    // the list acts in this same sub-step.
    for (cStageChara& chara : g_Charas) chara.m_bActing = chara.m_bActive && chara.CheckActivate(m_vStepFlags);
    for (cItem& item : g_Items) {
        item.m_bActive = CheckItemConditions(item);
        item.m_bInView = item.m_bActive && item.IsOnScreen();
    }
    for (cShot& shot : m_lShots) {
        shot.m_bActive = 1;
        shot.m_bInView = shot.IsOnScreen();
    }
}

// ---------------------------------------------------------------------------
// The block under the hero

int cGameScene::BlockUnderHero(cHero& hero) {
    if (hero.m_bFly) return 0;
    const int n = g_Stage.SubSteps();
    cPltBlock* block = hero.m_pFootBlock;
    if (block && hero.m_nFootEffectTimer == 0 && block->GetHitKind(hero.m_nFaction) != 0) {
        const int kind = block->m_cStandEffect;
        const double power = block->m_nEffectValue;
        if (kind != kFootNoJump) hero.m_bJumpBlocked = 0;
        switch (kind) {
        case kFootSpring:
            PlaySystemSe(10);
            // The power is a jump in half blocks of a signed byte; a larger
            // stored value jumps as high as a byte can, never wraps round.
            hero.m_dSpeedY = hero.JumpSpeedFromHbl(static_cast<int8_t>(std::clamp(block->m_nEffectValue, -128, 127)));
            hero.m_bJumped = hero.m_bJumpRising = 1;
            // Letting the jump key go does not cut the spring's jump short.
            hero.m_bJumpArmed = 0;
            hero.m_nJumpHold = hero.FramesToApex(hero.m_dSpeedY);
            if (block->m_cItemSrc != 0) return ItemBlocks(hero);
            break;
        case kFootNoJump: hero.m_bJumpBlocked = 1; break;
        case kFootSpeedFactor:
            hero.m_nFootEffect = kind;
            hero.m_dFootEffectValue = power * 0.01;
            hero.m_nFootEffectTimer = n;
            break;
        case kFootCarryLeft:
        case kFootCarryRight:
            hero.m_nFootEffect = kind;
            hero.m_dFootEffectValue = power * 0.1 / n;
            hero.m_nFootEffectTimer = n;
            break;
        default: break;
        }
    }
    if (hero.m_nFootEffectTimer > 0) {
        switch (hero.m_nFootEffect) {
        case kFootSpeedFactor: hero.m_dSpeedX *= hero.m_dFootEffectValue; break;
        case kFootCarryLeft:
            hero.m_dSpeedX -= hero.m_dFootEffectValue;
            if (hero.m_dInertiaX > 0) hero.m_dInertiaX = 0;
            break;
        case kFootCarryRight:
            hero.m_dSpeedX += hero.m_dFootEffectValue;
            if (hero.m_dInertiaX < 0) hero.m_dInertiaX = 0;
            break;
        default: break;
        }
        if (hero.m_nFootEffectTimer <= 1) {
            hero.m_nFootEffectTimer = 0;
            PressToGround(hero);
        } else {
            --hero.m_nFootEffectTimer;
        }
    }
    return 0;
}

int cGameScene::ItemBlocks(cHero& hero) {
    if (hero.m_bFly) return 0;
    cPltBlock* block = hero.m_pFootBlock;
    const bool standing = block && block->GetHitKind(hero.m_nFaction) != 0;
    bool given = false;
    if (standing && hero.m_nItemBlockWait == 0 && block->m_cItemSrc != 0) {
        if (cPltItem* def = FindItemDef(block->m_cItemSrc, block->m_sItemIdx)) {
            cItem item;
            item.Init(0, *def, 0);
            // A fresh item is inactive, and an inactive item cannot be taken.
            item.m_bActive = 1;
            if (const int r = TakeItem(item, hero)) return r;
            hero.m_nItemBlockWait = g_Stage.SubSteps() * 60;
            given = true;
        }
    }
    if (hero.m_nItemBlockWait > 0) {
        if (hero.m_bAirborne) {
            hero.m_nItemBlockWait = 0;
        } else {
            --hero.m_nItemBlockWait;
            // Stepping onto another block gives again at once.
            if (standing && hero.m_pLastFootBlock != hero.m_pPrevFootBlock && !given) {
                hero.m_nItemBlockWait = 0;
                PressToGround(hero);
            }
        }
    }
    return 0;
}
