// Movement of a game object by one sub-step: the clamps into the view, the
// stage and the map, steps under the stage's speed limit, gravity,
// friction, impact speeds, the range tests and the block test. Every
// formula keeps its order of operations in double precision: recorded
// plays replay only when each sub-step comes out bit for bit the same.
#include <cmath>
#include <cstdint>

#include "core/report_log.h"
#include "objects/game_obj.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

// Margins of the out-of-range rules are blocks of 32 dots; stored values
// can be any int, so the product is taken wide.
double Blocks(int32_t n) { return static_cast<double>(int64_t{32} * n); }

// The start speed that, losing 1/n a sub-step, covers 16 x |p| dots.
double StartSpeed(double p, double n) {
    if (p > 0) return (std::sqrt(1 + 128 * n * p) - 1) / (2 * n);
    if (p < 0) return -(std::sqrt(1 - 128 * n * p) - 1) / (2 * n);
    return 0;
}

}  // namespace

double PerSubStep(double v) { return v / g_Stage.m_dSubSteps * (1.0 / 60.0); }

int cGameObj::ClampPosX(int mode) {
    const cScrollAxis& a = g_pGameScene->m_ScrollX;
    const int32_t w = m_nWidth;
    auto right = [&] { return m_dX + w - 1; };
    int code = 0;
    switch (mode) {
    case 0:
        if (m_dX < a.m_nLow)
            m_dX = a.m_nLow;
        else if (right() >= a.m_nHigh)
            m_dX = a.m_nHigh - w;
        break;
    case 1:
        if (m_dX < a.m_nBaseLow)
            m_dX = a.m_nBaseLow;
        else if (right() >= a.m_nBaseHigh)
            m_dX = a.m_nBaseHigh - w;
        else if (m_dX < a.m_nLow || right() >= a.m_nHigh)
            code = 1;
        break;
    case 2:
        if (m_dX < 0)
            m_dX = 0, code = 3;
        else if (right() >= a.m_nRange)
            m_dX = a.m_nRange - w, code = 3;
        else if (m_dX < a.m_nBaseLow || right() >= a.m_nBaseHigh)
            code = 2;
        else if (m_dX < a.m_nLow || right() >= a.m_nHigh)
            code = 1;
        break;
    default:
        break;
    }
    m_dRight = m_dX + w - 1;
    UpdateHitboxX();
    m_nTileL = TruncDot(m_dX) >> 5;
    m_nTileR = TruncDot(m_dRight) >> 5;
    return code;
}

int cGameObj::ClampPosY(int mode) {
    const cScrollAxis& a = g_pGameScene->m_ScrollY;
    const int32_t h = m_nHeight;
    // An object as tall as the margin may stand out of the map at the top
    // or the bottom.
    const bool tall = h >= a.m_nMargin * 32;
    auto bottom = [&] { return m_dY + h - 1; };
    int code = 0;
    switch (mode) {
    case 0:
        if (m_dY < a.m_nLow)
            m_dY = a.m_nLow;
        else if (bottom() >= a.m_nHigh)
            m_dY = a.m_nHigh - h;
        break;
    case 1:
        if (m_dY < a.m_nBaseLow)
            m_dY = a.m_nBaseLow;
        else if (bottom() >= a.m_nBaseHigh)
            m_dY = a.m_nBaseHigh - h;
        else if (m_dY < a.m_nLow)
            code = 1;
        else if (bottom() >= a.m_nHigh)
            code = 4;
        break;
    case 2:
        if (m_dY < 0) {
            if (!tall) m_dY = 0, code = 3;
        } else if (bottom() >= a.m_nRange) {
            if (!tall) m_dY = a.m_nRange - h, code = 6;
        } else if (m_dY < a.m_nBaseLow) {
            code = 2;
        } else if (bottom() >= a.m_nBaseHigh) {
            code = 5;
        } else if (m_dY < a.m_nLow) {
            code = 1;
        } else if (bottom() >= a.m_nHigh) {
            code = 4;
        }
        break;
    default:
        break;
    }
    m_dBottom = m_dY + h - 1;
    UpdateHitboxY();
    m_nTileT = TruncDot(m_dY) >> 5;
    m_nTileB = TruncDot(m_dBottom) >> 5;
    return code;
}

double cGameObj::LimitStep(double v) {
    const double limit = g_Stage.m_dStepLimit;
    if (v > limit) return limit;
    if (v < -limit) return -limit;
    return v;
}

int cGameObj::StepX(int mode) {
    m_dSpeedX = LimitStep(m_dSpeedX);
    m_dX += m_dSpeedX;
    return ClampPosX(mode);
}

int cGameObj::StepY(int mode) {
    m_dSpeedY = LimitStep(m_dSpeedY);
    m_dY += m_dSpeedY;
    return ClampPosY(mode);
}

void cGameObj::AddGravity() {
    if (!m_bFly) m_dSpeedY += g_Stage.m_dGravityStep;
}

void cGameObj::ApplyFriction(double& v, int enabled) {
    if (!enabled) return;
    if (v > 0) {
        v -= m_dFriction;
        if (v < 0) v = 0;
    } else if (v < 0) {
        v += m_dFriction;
        if (v > 0) v = 0;
    }
}

void cGameObj::CalcImpactSpeed(double& outX, double& outY, int power, double dx, double dy, double* extra) {
    if (power == 0) return;
    if (g_SystemData.m_nValue[kSysSwitch897] == 0 && extra) *extra = 0;
    const double s = std::fabs(dx) + std::fabs(dy);
    if (s == 0) {
        outX = outY = 0;
        return;
    }
    const double px = power * dx / s;
    const double py = power * dy / s;
    const double n = g_Stage.m_dSubSteps;
    outX = StartSpeed(px, n);
    outY = StartSpeed(py, n);
}

bool cGameObj::IsOnScreen() const { return IsInView(0, 0); }

bool cGameObj::IsInView(int ignoreX, int ignoreY) const {
    const double camX = g_pGameScene->m_ScrollX.m_dPos;
    const double camY = g_pGameScene->m_ScrollY.m_dPos;
    if (!ignoreX && !(m_dRight >= camX && camX + 640 > m_dX)) return false;
    if (!ignoreY && !(m_dBottom >= camY && camY + 480 > m_dY)) return false;
    return true;
}

bool cGameObj::IsInStage(int wholeMap) const {
    const cScrollAxis& ax = g_pGameScene->m_ScrollX;
    const cScrollAxis& ay = g_pGameScene->m_ScrollY;
    if (wholeMap) return m_dX >= 0 && m_dRight < ax.m_nRange && m_dY >= 0 && m_dBottom < ay.m_nRange;
    return m_dX >= ax.m_nBaseLow && m_dRight < ax.m_nBaseHigh && m_dY >= ay.m_nBaseLow && m_dBottom < ay.m_nBaseHigh;
}

bool cGameObj::IsOutOfRange(const cOutRange& range) const {
    if (m_bInView) return false;
    const cScrollAxis& ax = g_pGameScene->m_ScrollX;
    const cScrollAxis& ay = g_pGameScene->m_ScrollY;
    const double camX = ax.m_dPos;
    const double camY = ay.m_dPos;
    const int32_t* on = range.m_bSide;
    const int32_t* margin = range.m_nMargin;
    if (on[cOutRange::kLeft] && m_dRight <= TruncDot(camX - Blocks(margin[cOutRange::kLeft]))) return true;
    if (on[cOutRange::kRight] && m_dX >= TruncDot(camX + Blocks(margin[cOutRange::kRight]) + 640)) return true;
    if (on[cOutRange::kBottom] && m_dY >= TruncDot(camY + Blocks(margin[cOutRange::kBottom]) + 480)) return true;
    if (on[cOutRange::kTop] && m_dBottom <= TruncDot(camY - Blocks(margin[cOutRange::kTop]))) return true;
    return m_dX <= 0 || m_dRight >= ax.m_nRange - 1 || m_dY <= 0 || m_dBottom >= ay.m_nRange - 1;
}

bool cGameObj::HitsBlock() {
    cGameScene& scene = *g_pGameScene;
    return scene.CellHitKind(scene.CornerToMapIndex(m_nTileL, m_nTileT, m_nTileR, m_nTileB, m_nFaction), m_nFaction) !=
           0;
}

bool cGameObj::HitsBlockAt(int) { return HitsBlock(); }

void cGameObj::CalcJudgeSpan(int a, int b, int c, int d, int e, int& low, int& high) {
    const int half = b / 2;
    if (e && c == 0 && d == 0) {
        low = a;
        high = a + 2 * half;
        return;
    }
    low = c != 0 ? a - c : a + half;
    high = d != 0 ? a + 2 * half + d : a + half;
}

bool cGameObj::JudgeSpan(int a, int b, int tl, int th, int t, int c, int d, int e, int bottomCheck,
                         const cGameObj* target) const {
    int low = 0, high = 0;
    CalcJudgeSpan(a, b, c, d, e, low, high);
    if (m_nKind == 1 && DebugLogOn())
        WriteDebugLog("Addr = %u\nnJudgeLeft(Up) = %d, nJudgeRight(Down) = %d\nnTargetBltLeft(Up) = %d, "
                      "nTargetBltRight(Down) = %d, nTargetTrueToX(Y) = %d\nnLenghLeft(Up) = %d, nLenghRight(Down) = %d",
                      static_cast<unsigned>(m_nId), low, high, tl, th, t, c, d);
    // A target whose body reaches the bottom of its sprite is not inset at
    // its far end, unless the project predates that rule.
    if (g_SystemData.m_nValue[kSysSwitch733] == 0 && bottomCheck && target &&
        TruncDot(target->m_dBottom - target->m_dY) + t + 1 >= target->m_nSpriteH)
        return low <= th && tl + t <= high;
    return low <= th - t && tl + t <= high;
}
