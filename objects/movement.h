// Movement maths shared by the movement commands, the target command and
// the shot movements: steps along a circle, the velocity of a given speed
// towards a point (corrected for a view that scrolls by itself), and the
// searches that pick a chara from a list.
//
// Positions are screen-rectangle centres (cGameObj::ScreenCenterX/Y) and
// speeds are dots per sub-step. A direction code is 0 none, 1 left (X
// velocity below 0), 2 right.
#pragma once
#include <cmath>
#include <cstdint>
#include <list>

#include "core/containers.h"
#include "objects/chara.h"

class cGameObj;

// Two roundings of pi / 180 are in use, and recorded plays depend on each:
// the maths here takes the first, the movement commands and the shot
// movements the second.
constexpr double kDegToRad = 0.017453292519943295;
constexpr double kDegToRadCmd = 0.017453292519943278;
constexpr double kRadToDeg = 57.29577951308239;
// 1 / sqrt(2), the share of a diagonal speed on each axis.
inline const double kInvSqrt2 = 1.0 / std::sqrt(2.0);

// The X and the Y speed of a step around a circle of radius `radius` at
// `angularSpeed` degrees a frame: the angle accumulator (in degrees x
// sub-steps) is read, then advances by `step` and wraps once at 360 turns
// of sub-steps. `phase` is added in degrees.
double CircleStepX(double radius, double angularSpeed, double& angle, double step, double phase);
double CircleStepY(double radius, double angularSpeed, double& angle, double step, double phase);

// The velocity (vx, vy) of speed `speed` from (fromX, fromY) to (toX, toY)
// and its direction code. Without `exact`, a negative speed flees
// diagonally. The scroll of an auto-scrolling view is allowed for against
// `other` (null: none): `follow` says this object moves with the view.
// With `arrivalTest`, 1 when the point is at most one step away on both
// axes; else 0.
int CalcStepToward(double& vx, double& vy, int& dir, const cGameObj* other, double fromX, double fromY,
                   double toX, double toY, double speed, int follow, int exact, int arrivalTest);
// The same along one axis; the other velocity is 0. Arrival is a distance
// below one step.
int CalcStepTowardX(double& vx, double& vy, int& dir, const cGameObj* other, double fromX, double toX,
                    double speed, int follow, int arrivalTest);
int CalcStepTowardY(double& vx, double& vy, int& dir, const cGameObj* other, double fromY, double toY,
                    double speed, int follow, int arrivalTest);

// The filters of the chara searches; a chara is skipped when any applies.
struct CHARAFILTER {
    int32_t byCharaId = 0;    // skip charas whose chara id is not `charaId`
    int32_t charaId = 0;
    int32_t byVar = 0;        // skip charas whose variable fails the test
    int32_t varIndex = 0;
    int32_t value = 0;
    int32_t op = 0;           // comparison operator 0..7
    int32_t excludeId = 0;    // skip the chara with object id `id`
    int32_t excludeInvincible1 = 0;
    int32_t excludeInvincible2 = 0;
    int32_t excludeBlockCharas = 0;
    int32_t id = 0;
};

// Not defeated and not caught by any filter.
bool PassesCharaFilter(const cChara& chara, const CHARAFILTER& filter);

namespace movement_detail {
inline cChara* CharaOf(cChara* chara) { return chara; }
inline cChara* CharaOf(cChara& chara) { return &chara; }

// Sum of the distances along each axis from (x, y) to the chara's centre.
int64_t TargetDistance(const cChara& chara, int x, int y);

// The nearest active chara passing the filters; `view` 1 only charas in
// view, 0 only charas out of view, -1 both. Of equal distances the first.
template <class List>
cChara* NearestOf(int x, int y, List& list, int view, const CHARAFILTER& filter) {
    cChara* best = nullptr;
    int64_t bestDistance = 2147483647;
    for (auto& entry : list) {
        cChara* c = CharaOf(entry);
        if (!c || c->m_bRemoved || !c->m_bActive || c->m_bDefeated) continue;
        if (view >= 0 && (c->m_bInView != 0) != (view == 1)) continue;
        if (!PassesCharaFilter(*c, filter)) continue;
        const int64_t d = TargetDistance(*c, x, y);
        if (d < bestDistance) best = c, bestDistance = d;
    }
    return best;
}
}  // namespace movement_detail

// The nearest chara of `list` (a list of charas or of pointers to them) to
// (x, y) that is active and passes the filters. Mode 1 any such chara,
// 2 only charas in view, 0 those in view first, else the others; other
// modes none.
template <class List>
cChara* FindTarget(int x, int y, List& list, int mode, const CHARAFILTER& filter) {
    using movement_detail::NearestOf;
    switch (mode) {
    case 0:
        if (cChara* c = NearestOf(x, y, list, 1, filter)) return c;
        return NearestOf(x, y, list, 0, filter);
    case 1: return NearestOf(x, y, list, -1, filter);
    case 2: return NearestOf(x, y, list, 1, filter);
    default: return nullptr;
    }
}

// The search mode of the nearest chara: 2 when the stage takes only charas
// in view, else 0.
int NearestCharaMode();

// FindTarget in that mode, skipping only charas that shots pass through.
template <class List>
cChara* FindNearestChara(int x, int y, List& list) {
    CHARAFILTER filter;
    filter.excludeInvincible2 = 1;
    return FindTarget(x, y, list, NearestCharaMode(), filter);
}

// The first chara of the list that passes the filters, active or not.
template <class List>
cChara* FindCharaFirst(List& list, const CHARAFILTER& filter) {
    for (auto& entry : list) {
        cChara* c = movement_detail::CharaOf(entry);
        if (c && !c->m_bRemoved && PassesCharaFilter(*c, filter)) return c;
    }
    return nullptr;
}

// The latest link of slot `slot` whose chara is of faction `faction` (any
// faction when `anyFaction`) and passes the filters.
cChara* FindCharaLinked(const cVector<CHARALINK>& links, int slot, int faction, int anyFaction,
                        const CHARAFILTER& filter);
