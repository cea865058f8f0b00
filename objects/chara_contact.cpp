// A chara's contacts with the map in one sub-step: the contact flags,
// gravity, landing and head bumps, riding's end, the trial-move position,
// and the impacts that push it.
#include "objects/chara.h"
#include "project/stage_info.h"
#include "project/system_data.h"

namespace {

// What one sub-step takes off an impact.
double ImpactStep() {
    const double n = g_Stage.m_dSubSteps;
    return n > 0 ? 1.0 / n : 1.0;
}

// `v` moved one step towards 0; true when it would have passed it (then 0).
bool DecayTowardsZero(double& v) {
    const double step = ImpactStep();
    if (v > 0) {
        v -= step;
        if (v > 0) return false;
    } else {
        v += step;
        if (v < 0) return false;
    }
    v = 0;
    return true;
}

}  // namespace

void cChara::ClearBlockContacts() { m_bHitLeft = m_bHitRight = m_bHitAbove = m_bHitBelow = 0; }

void cChara::ApplyGravity() {
    if (m_bFly || m_bRiding || m_bMoveDisabled || m_dImpactY < 0) return;
    m_dSpeedY += g_Stage.m_dGravityStep;
}

void cChara::OnLand() {
    m_dSpeedY = m_dInertiaY = 0;
    m_bHitBelow = 1;
    m_nAirSteps = m_bAirborne = m_bJumpRising = m_bJumped = m_bImpacted = 0;
    if (m_nKind != 0) m_bHeadBlocked = 0;
    m_dY -= (TruncDot(m_dBottom) & 31) + 1;
    CheckBoundsY();
    RaiseEvent(11);
    RaiseEvent(15);
    RaiseEvent(17);
}

void cChara::OnHitCeiling() {
    m_bJumped = m_bJumpRising = m_bHitAbove = m_bHeadBlocked = 1;
    m_dSpeedY = m_dInertiaY = 0;
    if (!g_SystemData.Get(kSysSwitch781)) StopImpactY();
    m_dY += 32 - (TruncDot(m_dY) & 31);
    CheckBoundsY();
    RaiseEvent(11);
    RaiseEvent(15);
    RaiseEvent(16);
}

void cChara::StopRiding(int mark) {
    m_bRiding = 0;
    if (m_dImpactY == 0) m_dSpeedY = 0;
    if (mark) m_bLeftRide = 1;
}

void cChara::SavePos() { m_SavedPos = {m_dX, m_dY, m_dRight, m_dBottom}; }

void cChara::RestorePos() {
    m_dX = m_SavedPos.x;
    m_dY = m_SavedPos.y;
    m_dRight = m_SavedPos.right;
    m_dBottom = m_SavedPos.bottom;
}

void cChara::ApplyImpactY() {
    if (m_dImpactY == 0) return;
    if (m_bFly) {
        m_dSpeedY += m_dImpactY;
    } else if (m_dImpactY > 0 && IsOnGround()) {
        // Thrown downwards onto the ground it stands on.
        StopImpactY();
    } else if (!(g_SystemData.Get(kSysSwitch897) && !g_SystemData.Get(kSysSwitch841) &&
                 ImpactStep() < m_dPrevImpactY - m_dSpeedY)) {
        // Only the change of the impact since the last sub-step moves the
        // chara, on top of its own fall or rise.
        m_dSpeedY = m_dSpeedY - m_dPrevImpactY + m_dImpactY;
    }
    m_dPrevImpactY = m_dImpactY;
}

void cChara::StopImpactY() { m_dImpactY = m_dPrevImpactY = 0; }

void cChara::DecayImpactX() {
    if (m_dImpactX != 0) DecayTowardsZero(m_dImpactX);
}

void cChara::DecayImpactY() {
    if (m_dImpactY != 0 && DecayTowardsZero(m_dImpactY)) StopImpactY();
}
