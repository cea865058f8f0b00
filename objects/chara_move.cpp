// The chara's side of the movement commands: the angle, destination and
// direction a command resolves for the chara, the velocity of each kind of
// movement, and the shared tail that adds a velocity to the chara.
#include <cmath>
#include <cstdint>

#include "app/input_state.h"
#include "core/numeric.h"
#include "flow/flow_run.h"
#include "objects/chara.h"
#include "objects/movement.h"
#include "objects/stage_chara.h"
#include "project/move_shot.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

constexpr int kFaceNone = 0, kFaceLeft = 1, kFaceRight = 2;

// Direction codes.
constexpr int kCodeLeft = 2, kCodeRight = 3, kCodeUp = 6, kCodeDown = 7;
constexpr int kCodeUpLeft = 8, kCodeDownLeft = 9, kCodeUpRight = 10, kCodeDownRight = 11;
constexpr int kCodeInput = 12;

// A velocity this small turns the chara neither way.
constexpr double kFaceEpsilon = 0.00000001;

}  // namespace

void cChara::ResolveMoveAngle(cCmdRun& run) {
    const cEdMove* move = run.Move();
    if (!move) return;
    int64_t angle = move->m_sAngle + int64_t{move->m_sAngleInc} * m_sSpawnIndex;
    if (move->m_cMirrorAngle && m_Def.m_cFacing == 1) angle = 360 - angle;
    // Negative angles stay as they are.
    if (angle >= 360) angle %= 360;
    run.m_nAngle = static_cast<int32_t>(angle);
}

void cChara::ResolveMoveDest(cCmdRun& run) {
    const cEdMove* move = run.Move();
    if (!move) return;
    if (move->m_cDestUnit == 0) {
        run.m_nDestX = move->m_sDestXBl * 32 + move->m_sDestXDot;
        run.m_nDestY = move->m_sDestYBl * 32 + move->m_sDestYDot;
    } else if (move->m_cDestUnit == 1) {
        run.m_nDestX = move->m_sDestXDot + move->m_sDestXBl;
        run.m_nDestY = move->m_sDestYDot + move->m_sDestYBl;
    }
    if (m_Def.m_cFacing == 1) {
        if (move->m_cMirrorX) run.m_nDestX = -run.m_nDestX;
        if (move->m_cMirrorY) run.m_nDestY = -run.m_nDestY;
    }
}

int cChara::ResolveMoveDir(int code, int fromInputNow, int tableRule, int keepDiagonals) {
    switch (code) {
    case 0: return m_bRight ? kCodeRight : kCodeLeft;
    case 1: return m_bRight ? kCodeLeft : kCodeRight;
    case 4: return m_bRight ? kCodeDown : kCodeUp;
    case 5: return m_bRight ? kCodeUp : kCodeDown;
    case kCodeInput: {
        int key = 0;
        if (fromInputNow) {
            if (!g_InputStates.empty()) key = GetFirstPressedKey(g_InputStates.At(0));
        } else if (g_pGameScene && g_pGameScene->m_pCurFlowRun) {
            key = g_pGameScene->m_pCurFlowRun->m_nInputKey;
        }
        int dir = GetInputDirection(key, tableRule, m_bRight != 0);
        if (!keepDiagonals) {
            if (dir == kCodeUpLeft || dir == kCodeDownLeft) dir = kCodeLeft;
            if (dir == kCodeUpRight || dir == kCodeDownRight) dir = kCodeRight;
        }
        return dir;
    }
    default: return code;
    }
}

void cChara::DirVelocity(double& vx, double& vy, int& face, double speed, int code) {
    vx = vy = 0;
    const double diagonal = speed * kInvSqrt2;
    int f = kFaceNone;
    switch (ResolveMoveDir(code, 0, 1, m_bFly)) {
    case kCodeLeft: vx = -speed, f = kFaceLeft; break;
    case kCodeRight: vx = speed, f = kFaceRight; break;
    case kCodeUp: vy = m_bFly ? -speed : 0; break;
    case kCodeDown: vy = m_bFly ? speed : 0; break;
    case kCodeUpLeft: vx = -diagonal, vy = m_bFly ? -diagonal : 0, f = kFaceLeft; break;
    case kCodeDownLeft: vx = -diagonal, vy = m_bFly ? diagonal : 0, f = kFaceLeft; break;
    case kCodeUpRight: vx = diagonal, vy = m_bFly ? -diagonal : 0, f = kFaceRight; break;
    case kCodeDownRight: vx = diagonal, vy = m_bFly ? diagonal : 0, f = kFaceRight; break;
    default: return;  // no movement, the face as it was
    }
    if (!m_Def.m_cFixedFacing) face = f;
}

void cChara::AngleVelocity(double& vx, double& vy, int& face, double speed, int code, int angle) {
    int base = 0, f = -1;
    switch (ResolveMoveDir(code, 0, 1, m_bFly)) {
    case kCodeLeft: base = 0, f = kFaceLeft; break;
    case kCodeRight: base = 180, f = kFaceRight; break;
    case kCodeUp: base = 90, f = kFaceNone; break;
    case kCodeDown: base = 270, f = kFaceNone; break;
    case kCodeUpLeft: base = 45, f = kFaceLeft; break;
    case kCodeDownLeft: base = 315, f = kFaceLeft; break;
    case kCodeUpRight: base = 135, f = kFaceRight; break;
    case kCodeDownRight: base = 225, f = kFaceRight; break;
    default: break;
    }
    if (f >= 0 && !m_Def.m_cFixedFacing) face = f;
    // Angle 0 is straight left, and angles turn towards up.
    const double a = (static_cast<double>(angle) + base) * kDegToRadCmd;
    vx = -std::cos(a) * speed;
    vy = m_bFly ? -std::sin(a) * speed : 0;
}

void cChara::DestVelocity(double& vx, double& vy, int& face, double speed, int destX, int destY, const cEdMove& move,
                          cCmdRun& run) {
    vx = vy = 0;
    if (!g_pGameScene) return;
    const cScrollAxis& ax = g_pGameScene->m_ScrollX;
    const cScrollAxis& ay = g_pGameScene->m_ScrollY;
    // The centre in map dots.
    const double cx = ScreenCenterX() + ax.m_dPos;
    const double cy = ScreenCenterY() + ay.m_dPos;
    // A point in whole blocks means the middle of its cell.
    const double mid = move.m_cDestUnit == 1 ? 0 : 16;
    double dx = 0, dy = 0;
    switch (move.m_cCoordMode) {
    case 0:  // from where the chara was placed
        dx = destX + m_dOriginX - cx;
        dy = destY + m_dOriginY - cy;
        break;
    case 1:  // from where it is
        dx = destX;
        dy = destY;
        break;
    case 2:  // from the top-left corner of the stage
        dx = ax.m_nMargin * 32.0 + destX + mid - cx;
        dy = ay.m_nMargin * 32.0 + destY + mid - cy;
        break;
    case 3:  // from the top-left corner of the screen
        dx = ax.m_dPos + destX + mid - cx;
        dy = ay.m_dPos + destY + mid - cy;
        break;
    default: break;  // not in the data: no way to go
    }
    if (!move.m_cUseX) dx = 0;
    if (!move.m_cUseY) dy = 0;

    const double dist = std::sqrt(dx * dx + dy * dy);
    if (dist == 0) {
        vx = vy = 0;
    } else {
        vx = move.m_cLockX ? 0 : dx / dist * speed;
        vy = move.m_cLockY ? 0 : dy / dist * speed;
    }
    if (!m_Def.m_cFixedFacing) face = vx < -kFaceEpsilon ? kFaceLeft : (vx > kFaceEpsilon ? kFaceRight : kFaceNone);
    if (move.m_cEndOnArrival && speed != 0) {
        // The command lasts as long as the way takes.
        run.m_nRemain = TruncateToInt(std::fabs(dist) / std::fabs(speed));
        if (move.m_cNoOvershoot && run.m_nRemain <= 0) {
            if (move.m_cUseX && !move.m_cLockX) vx = 0, face = kFaceNone;
            if (move.m_cUseY && !move.m_cLockY) vy = 0;
        }
    }
}

void cChara::GroundTurnCheck(cCmdRun& run, const cEdMove&) {
    const double sp = run.m_dSpeed;
    run.m_dVY = 0;
    run.m_nFace = kFaceNone;
    run.m_dVX = GetDirSign() * sp;

    if (m_bLeftRide) {
        // Just off a block chara: turn back, and make up for how far that
        // chara moved since the ride was last recorded.
        run.m_nFace = m_bRight ? kFaceLeft : kFaceRight;
        run.m_dVX = -run.m_dVX;
        const cStageChara* ridden = nullptr;
        for (const cStageChara& c : g_Charas) {
            if (c.m_nId == m_nRiddenId && !c.m_bRemoved) {
                ridden = &c;
                break;
            }
        }
        m_bLeftRide = 0;
        if (!ridden) return;
        const double d = ridden->m_dX - m_RiddenExtent.x;
        if ((m_bRight && d < 0) || (!m_bRight && d > 0))
            run.m_dVX += 2 * d;
        else
            run.m_dVX += d;
        return;
    }

    // A ledge: ground under one edge of the feet only.
    if (!g_pGameScene) return;
    cGameScene& scene = *g_pGameScene;
    const int row = TruncDot(m_dBottom + 1.1) >> 5;
    // The corner lookup holds the cell inside the map.
    auto solid = [&](double x) {
        const int col = TruncDot(x) >> 5;
        return scene.CellHitKind(scene.CornerToMapIndex(col, row, col, row, m_nFaction), m_nFaction) != 0;
    };
    const bool left = solid(m_dX), right = solid(m_dRight);
    if (left == right) return;
    // Older projects face away from the drop whatever the way of walking.
    const bool older = g_SystemData.Get(kSysSwitch805) != 0;
    if (left)  // the drop is on the right
        run.m_nFace = older || sp >= 0 ? kFaceLeft : kFaceRight;
    else
        run.m_nFace = older || sp >= 0 ? kFaceRight : kFaceLeft;
}

void cChara::MoveToTargetPoint(cCmdRun& run, const cEdMove& move, cChara* target, double x, double y) {
    const int stop = move.m_cNoOvershoot;
    if (!move.m_cLockX && !move.m_cLockY) {
        MoveToPoint(run, target, x, y, m_bFollowScroll, stop);
    } else if (!move.m_cLockX) {
        MoveToPointX(run, target, x, m_bFollowScroll, stop);
    } else if (!move.m_cLockY) {
        MoveToPointY(run, target, y, m_bFollowScroll, stop);
    } else {
        run.m_dVX = run.m_dVY = 0;
        run.m_nFace = kFaceNone;
    }
}

void cChara::AvoidScreenOutCheck(cCmdRun& run, const cEdMove&) {
    int code = run.m_cDir;
    if (code == 0 || code == 1 || code == 4 || code == 5) code = ResolveMoveDir(code, 0, 1, 1);
    const bool left = code == kCodeLeft || code == kCodeUpLeft || code == kCodeDownLeft;
    const bool right = code == kCodeRight || code == kCodeUpRight || code == kCodeDownRight;
    const bool up = code == kCodeUp || code == kCodeUpLeft || code == kCodeUpRight;
    const bool down = code == kCodeDown || code == kCodeDownLeft || code == kCodeDownRight;
    const double sp = run.m_dSpeed;
    run.m_dVX = run.m_dVY = 0;
    if (!g_pGameScene) return;

    const cScrollAxis& ax = g_pGameScene->m_ScrollX;
    const cScrollAxis& ay = g_pGameScene->m_ScrollY;
    // The horizontal axis decides the rule for both.
    if (!ax.AutoScrolls()) {
        if (left && m_nScreenL > 608) run.m_dVX = -sp;
        if (right && m_nScreenR < 32) run.m_dVX = sp;
        if (up && m_nScreenT > 448) run.m_dVY = -sp;
        if (down && m_nScreenB < 32) run.m_dVY = sp;
        return;
    }
    // While the view scrolls the push rides on the scroll, and an edge
    // counts earlier by the scroll's speed; none past the scroll's ends.
    auto push = [sp](const cScrollAxis& a, int screenLow, int screenHigh, int far, int view, bool low, bool high,
                     double& v) {
        const double s = a.m_dAutoSpeed, p = a.m_dPos, r = a.m_nRange;
        const double f = std::fabs(s + 1);
        if (low && screenLow > far - f && p > 0 && s + p <= r - view) v = s - sp;
        if (high && screenHigh < f + 32 && s + p > 0 && p < r - view) v = s + sp;
    };
    push(ax, m_nScreenL, m_nScreenR, 608, 640, left, right, run.m_dVX);
    push(ay, m_nScreenT, m_nScreenB, 448, 480, up, down, run.m_dVY);
}

void cChara::ApplyMoveVelocity(double vx, double vy, int face, cCmdRun& run, const cEdMove& move, int forceFace) {
    if ((!m_Def.m_cFixedFacing || forceFace) && !move.m_cKeepFacing) {
        if (face == kFaceLeft) m_bRight = 0;
        if (face == kFaceRight) m_bRight = 1;
    }
    if (move.m_cInertia) {
        const double limit = run.m_dMaxSpeed;
        auto accelerate = [&](double& inertia, double v, int32_t& friction) {
            double step = PerSubStep(v);
            // Against the present drift the chara turns at its own rate.
            if ((inertia < 0 && v > 0) || (inertia > 0 && v < 0))
                step *= move.m_dReverseFactor;
            else
                friction = 0;
            inertia += step;
            if (inertia < -limit) inertia = -limit;
            if (inertia > limit) inertia = limit;
        };
        accelerate(m_dInertiaX, vx, m_bFrictionX);
        accelerate(m_dInertiaY, vy, m_bFrictionY);
    } else {
        m_dSpeedX += vx;
        m_dSpeedY += vy;
    }
    // The anime the chara picks after its flows; a moving request outranks
    // a standing one.
    if (move.m_cAnime == 0) {
        m_bAnimeReq = 1;
        if (m_nAnimeReqPrio <= 2) {
            m_nAnimeReqPrio = 2;
            m_nAnimeReq = m_bFly ? 3 : 1;
        }
    } else if (move.m_cAnime == 1) {
        m_bAnimeReq = 1;
        if (m_nAnimeReqPrio <= 1) {
            m_nAnimeReqPrio = 1;
            m_nAnimeReq = m_bFly ? 2 : 0;
        }
    }
}
