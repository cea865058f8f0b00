// The hero's movement by one sub-step, its per-sub-step update and the
// state saved at the start of a sub-step.
#include <cstdint>
#include <vector>

#include "core/report_log.h"
#include "flow/cmd_dispatch.h"
#include "objects/hero.h"
#include "objects/stage_chara.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"

namespace {

// The ground effect that changes the hero's speed by a factor.
constexpr int kFootSpeedFactor = 3;

}  // namespace

int cHero::MoveX() {
    if (m_dImpactX != 0) {
        m_dSpeedX = m_dImpactX;
        if (DebugLogOn()) WriteDebugLog("MoveX() m_dSpeedX = %lf, m_dImpactX = %lf", m_dSpeedX, m_dImpactX);
    } else if (m_dInertiaX != 0) {
        ApplyFriction(m_dInertiaX, m_bFrictionX);
        if (m_nFootEffectTimer > 0 && m_nFootEffect == kFootSpeedFactor) {
            // The factor speeds the hero up or slows it down, never turns it.
            const double change = PerSubStep(m_dFootEffectBase) * (m_dFootEffectValue - 1);
            if (m_dInertiaX > 0) {
                m_dInertiaX += change;
                if (m_dInertiaX < 0) m_dInertiaX = 0;
            } else if (m_dInertiaX < 0) {
                m_dInertiaX -= change;
                if (m_dInertiaX > 0) m_dInertiaX = 0;
            }
        }
        m_dSpeedX += m_dInertiaX;
    }
    m_dSpeedX = LimitStep(m_dSpeedX);
    m_dX += m_dSpeedX;
    CheckBoundsX();
    return 0;
}

int cHero::MoveY() {
    ApplyImpactY();
    if (m_dImpactY != 0) {
        if (DebugLogOn()) WriteDebugLog("MoveY() m_dSpeedY = %lf, m_dImpactY = %lf", m_dSpeedY, m_dImpactY);
    } else if (m_bFly && m_dInertiaY != 0) {
        ApplyFriction(m_dInertiaY, m_bFrictionY);
        m_dSpeedY += m_dInertiaY;
    }
    const int code = StepY(m_bFly ? 0 : 2);
    CheckBoundsY();
    if (!m_bFly && (code == 5 || code == 6)) return 7;  // fell out of the stage
    return code;
}

int cHero::Update(bool deathFlowsOnly) {
    StartCharaUpdate(*this);
    // Older projects move a flying hero with the scroll whatever its own
    // setting, and hold a walking one.
    if (g_SystemData.Get(kSysSwitch214))
        SyncCharaScroll(*this, m_bFly != 0);
    else
        SyncCharaScroll(*this, m_bFollowScroll != 0);
    m_bDirInputOff = m_bButtonInputOff = 0;
    m_bJumpDone = 0;
    if (m_nTypeChangeWait == 0) m_bTypePosRestore = 0;

    StartFlowAnimes();
    if (StepFlowRuns(deathFlowsOnly, false)) return 1;
    ClearFlowContext();
    // Flow changes the hero's own flows asked for wait until none of them
    // runs.
    std::vector<cFlowCmd> deferred;
    deferred.swap(m_DeferredCmds);
    for (cFlowCmd& cmd : deferred) CmdChangeFlow(*this, cmd, 1);
    FinishFlowUpdate();

    m_nFrameCount = static_cast<int32_t>(static_cast<uint32_t>(m_nFrameCount) + 1u);
    ChooseBasicAnime();
    // No jump command ran in this update: the key's hold starts afresh.
    if (!m_bJumpDone) {
        m_nJumpHold = 0;
        m_bJumpArmed = 1;
        m_bHeadBlocked = 0;
    }
    return m_nHP <= 0 ? 1 : 0;
}

void cHero::SaveStepState() { m_pPrevFootBlock = m_pLastFootBlock; }

void cHero::SaveFacing() { m_nSavedFacing = m_bRight; }

bool cHero::RestoreTypeChangePos() {
    if (m_nTypeChangeWait <= 0) return false;
    if (m_bTypePosRestore && m_bTypePosSaved) {
        m_bTypePosRestore = 0;
        m_dX = m_TypeChangePos.x;
        m_dY = m_TypeChangePos.y;
        m_dRight = m_TypeChangePos.right;
        m_dBottom = m_TypeChangePos.bottom;
    }
    return true;
}
