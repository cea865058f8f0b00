#include "objects/movement.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "flow/flow_run.h"
#include "objects/game_obj.h"
#include "project/condition.h"
#include "project/flow.h"
#include "project/move_shot.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"

namespace {

constexpr int kDirNone = 0, kDirLeft = 1, kDirRight = 2;

int DirOf(double vx) { return vx < 0 ? kDirLeft : (vx > 0 ? kDirRight : kDirNone); }

// Older projects add the view's scroll to a step instead of allowing for
// who moves with the view.
bool AddsScroll() { return g_SystemData.Get(kSysSwitch214) != 0; }

// The auto-scroll speed of an axis; 0 when it stands (no speed, or held
// at a limit), and without a stage.
double ScrollOf(const cScrollAxis& axis) { return axis.AutoScrolls() ? axis.m_dAutoSpeed : 0; }
double ScrollX() { return g_pGameScene ? ScrollOf(g_pGameScene->m_ScrollX) : 0; }
double ScrollY() { return g_pGameScene ? ScrollOf(g_pGameScene->m_ScrollY) : 0; }

// The velocity v of length |s| whose motion against the scrolling view,
// v - (sX, sY), points along (dx, dy): the way to a point that moves with
// the view. Solved on the axis with the longer way; false when there is
// no such velocity, leaving what was computed so far.
bool Intercept(double& vx, double& vy, double fromX, double fromY, double toX, double toY, double s) {
    const double dx = toX - fromX, dy = toY - fromY;
    const bool yMain = std::fabs(dy) >= std::fabs(dx);
    const double dm = yMain ? dy : dx, dO = yMain ? dx : dy;
    const double sm = yMain ? ScrollY() : ScrollX(), sO = yMain ? ScrollX() : ScrollY();
    const double fromM = yMain ? fromY : fromX, toM = yMain ? toY : toX;
    double& vm = yMain ? vy : vx;
    double& vO = yMain ? vx : vy;
    if (dm == 0) return false;
    const double dm2 = dm * dm;
    const double w = 1 + dO * dO / dm2;
    if (w == 0) return false;
    const double b = (2 * dO * dO * sm - 2 * dm * dO * sO) / dm2;
    const double cross = dm * sO - dO * sm;
    const double c = cross * cross / dm2 - s * s;
    const double d = b * b - 4 * w * c;
    if (d < 0) return false;
    const double r = (-b - std::sqrt(d)) / (2 * w);
    vm = dm >= 0 ? -r : r;
    if (sm - vm == 0) return false;
    const double t = (fromM - toM) / (sm - vm);
    if (t == 0) return false;
    vO = (dO + t * sO) / t;
    return true;
}

// The command stops on the point it arrives at.
bool StopsOnArrival(const cCmdRun& run) {
    const cEdMove* move = run.Move();
    return move && move->m_cNoOvershoot;
}

// The two screen rectangles are brought up to date before arriving, so the
// arrival places the object by where it is now.
void RefreshRects(cGameObj& self, cGameObj* other) {
    if (!g_pGameScene) return;
    self.UpdateScreenRect();
    if (other) other->UpdateScreenRect();
}

}  // namespace

double CircleStepX(double radius, double angularSpeed, double& angle, double step, double phase) {
    const double n = g_Stage.m_dSubSteps;
    const double k = angularSpeed * kDegToRad;
    const double v = radius * k * std::cos(k * (angle / n + phase)) / n;
    angle += step;
    if (angle >= 360 * n) angle -= 360 * n;
    return v;
}

double CircleStepY(double radius, double angularSpeed, double& angle, double step, double phase) {
    const double n = g_Stage.m_dSubSteps;
    const double k = angularSpeed * kDegToRad;
    const double v = -(radius * k * k * std::sin(k * (angle / n + phase))) / (n * n);
    angle += step;
    if (angle >= 360 * n) angle -= 360 * n;
    return v;
}

int CalcStepToward(double& vx, double& vy, int& dir, const cGameObj* other, double fromX, double fromY,
                   double toX, double toY, double speed, int follow, int exact, int arrivalTest) {
    vx = vy = 0;
    const double sX = ScrollX(), sY = ScrollY();
    if (!exact && speed < 0) {
        // Away from the point, diagonally, whatever its direction.
        const double a = std::fabs(speed) * kInvSqrt2;
        vx = fromX >= toX ? a : -a;
        vy = fromY >= toY ? a : -a;
        dir = DirOf(vx);
        if (AddsScroll()) {
            vx += sX, vy += sY;
        } else if (other && (follow != 0) != (other->m_bFollowScroll != 0)) {
            vx -= sX, vy -= sY;
        }
        return 0;
    }

    const double dx = toX - fromX, dy = toY - fromY;
    double dist = std::sqrt(dx * dx + dy * dy);
    if (dist == 0) dist = 1;
    vx = speed * dx / dist;
    vy = speed * dy / dist;
    if (AddsScroll()) {
        vx += sX, vy += sY;
    } else if (other && !other->m_bFollowScroll) {
        vx -= sX, vy -= sY;
    } else if (other && !follow && (sX != 0 || sY != 0)) {
        if (!Intercept(vx, vy, fromX, fromY, toX, toY, speed)) {
            // The direction is written on every way out, so a caller never
            // reads one left from before.
            dir = DirOf(vx);
            return 0;
        }
    }
    dir = DirOf(vx);
    if (!arrivalTest) return 0;
    return std::fabs(dx) <= std::fabs(speed) && std::fabs(dy) <= std::fabs(speed);
}

int CalcStepTowardX(double& vx, double& vy, int& dir, const cGameObj* other, double fromX, double toX,
                    double speed, int follow, int arrivalTest) {
    if (fromX >= toX) {
        vx = -speed;
        dir = kDirLeft;
    } else {
        vx = speed;
        dir = kDirRight;
    }
    if (!follow && other && other->m_bFollowScroll && AddsScroll()) vx += ScrollX();
    vy = 0;
    return arrivalTest && std::fabs(speed) > std::fabs(fromX - toX);
}

int CalcStepTowardY(double& vx, double& vy, int& dir, const cGameObj* other, double fromY, double toY,
                    double speed, int follow, int arrivalTest) {
    vy = fromY >= toY ? -speed : speed;
    if (!follow && other && other->m_bFollowScroll && AddsScroll()) vy += ScrollY();
    vx = 0;
    dir = kDirNone;
    return arrivalTest && std::fabs(speed) > std::fabs(fromY - toY);
}

void cGameObj::CalcMoveDest(double& x, double& y, const cCmdRun& run) const {
    const cEdMove* move = run.Move();
    const bool fixX = move && move->m_cLockX, fixY = move && move->m_cLockY;
    const double cx = ScreenCenterX() + static_cast<double>(run.m_nDestX);
    const double cy = ScreenCenterY() + static_cast<double>(run.m_nDestY);
    if (fixY) {
        x = cx;
    } else if (fixX) {
        y = cy;
    } else {
        x = cx;
        y = cy;
    }
}

int cGameObj::MoveToPoint(cCmdRun& run, cGameObj* other, double x, double y, int follow, int stop) {
    const int arrived = CalcStepToward(run.m_dVX, run.m_dVY, run.m_nFace, other, ScreenCenterX(), ScreenCenterY(),
                                       x, y, run.m_dSpeed, follow, 0, stop);
    if (arrived && StopsOnArrival(run)) {
        RefreshRects(*this, other);
        return ArriveAt(TruncDot(x), TruncDot(y), &run);
    }
    return arrived;
}

int cGameObj::MoveToPointX(cCmdRun& run, cGameObj* other, double x, int follow, int stop) {
    const int arrived =
        CalcStepTowardX(run.m_dVX, run.m_dVY, run.m_nFace, other, ScreenCenterX(), x, run.m_dSpeed, follow, stop);
    if (arrived && StopsOnArrival(run)) {
        RefreshRects(*this, other);
        return ArriveAtX(TruncDot(x), &run);
    }
    return arrived;
}

int cGameObj::MoveToPointY(cCmdRun& run, cGameObj* other, double y, int follow, int stop) {
    const int arrived =
        CalcStepTowardY(run.m_dVX, run.m_dVY, run.m_nFace, other, ScreenCenterY(), y, run.m_dSpeed, follow, stop);
    if (arrived && StopsOnArrival(run)) {
        RefreshRects(*this, other);
        return ArriveAtY(TruncDot(y), &run);
    }
    return arrived;
}

// ---------------------------------------------------------------------------
// Chara searches

bool PassesCharaFilter(const cChara& chara, const CHARAFILTER& f) {
    const cCharaDef& def = chara.m_Def;
    if (f.byCharaId && def.m_cSide != f.charaId) return false;
    if (chara.m_bDefeated) return false;
    if (f.excludeId && chara.m_nId == f.id) return false;
    if (f.excludeInvincible1 && def.m_cInvincible == 1) return false;
    if (f.excludeInvincible2 && def.m_cInvincible == 2) return false;
    if (f.excludeBlockCharas && def.m_cBlockChara) return false;
    if (f.byVar && !CompareByOp(chara.m_Vars.At(f.varIndex), f.value, f.op)) return false;
    return true;
}

int64_t movement_detail::TargetDistance(const cChara& chara, int x, int y) {
    return std::llabs(int64_t{chara.ScreenCenterX()} - x) + std::llabs(int64_t{chara.ScreenCenterY()} - y);
}

int NearestCharaMode() { return g_Stage.m_bInViewOnly ? 2 : 0; }

cChara* cGameObj::GetNearestChara(const std::list<cChara*>& list) const {
    return FindNearestChara(ScreenCenterX(), ScreenCenterY(), list);
}

cChara* FindCharaLinked(const cVector<CHARALINK>& links, int slot, int faction, int anyFaction,
                        const CHARAFILTER& filter) {
    for (auto it = links.rbegin(); it != links.rend(); ++it) {
        cChara* c = it->chara;
        if (it->slot != slot || !c) continue;
        if (!anyFaction && c->m_nFaction != faction) continue;
        if (PassesCharaFilter(*c, filter)) return c;
    }
    return nullptr;
}
