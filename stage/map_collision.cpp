// Collision of the charas with the block map, and the screen edges that
// hold the hero while an axis scrolls by itself.
//
// Every test answers 0 (the chara stays, maybe pushed back to a tile line)
// or 2 (the chara must die). A chara probes only a few points along the
// edge that moved, so a test costs a handful of cell reads.
#include <cstdint>

#include "objects/hero.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

// Kind 2 blocks kill the player-operated charas and stop the others.
bool IsPlayerChara(const cChara& c) { return c.m_nKind != 1; }

// The last dot a lookup may use along an axis: inside the play range and
// inside the grid, so that a range setting larger than the map can neither
// run into the next row nor past the end of the cells.
int LastDot(const cScrollAxis& a) {
    const int64_t range = a.m_nRange;
    const int64_t grid = int64_t{a.m_nCells} * 32;
    const int64_t last = (range < grid ? range : grid) - 1;
    return last < 0 ? 0 : static_cast<int>(last);
}

int ClampDot(int64_t v, int last) {
    if (v < 0) return 0;
    return v > last ? last : static_cast<int>(v);
}

// A position in dots held to 0 .. last; a value not a number counts as 0.
int ClampDot(double v, int last) { return ClampDot(int64_t{TruncDot(v)}, last); }

int CellIndex(const cScrollAxis& ax, int x, int y) { return (x >> 5) + ((y >> 5) << ax.m_nShift); }

bool LandsWhileRising() { return g_SystemData.Get(kSysSwitch677) != 0; }

// Without the project's land-while-rising rule a walker still on its way
// up passes a floor edge it meets.
bool RisesThrough(const cChara& c) { return !LandsWhileRising() && !c.m_bFly && c.m_dSpeedY < 0; }

int AbsDiff(int a, int b) { return a > b ? a - b : b - a; }

}  // namespace

int cGameScene::CellHitKind(int cell, int faction) { return g_Map.At(cell).GetHitKind(faction); }

int cGameScene::RectToMapIndex(const cChara& chara, double x1, double y1, double x2, double y2) {
    const int lastX = LastDot(m_ScrollX), lastY = LastDot(m_ScrollY);
    const int ix1 = ClampDot(x1, lastX), ix2 = ClampDot(x2, lastX);
    const int iy1 = ClampDot(y1, lastY), iy2 = ClampDot(y2, lastY);
    const int scale = chara.m_Def.m_cGiantScale;
    if (scale < 0) return 0;
    const int n = scale + 1;
    const int faction = chara.m_nFaction;

    int best = 0, bestKind = 0;
    if (ix1 == ix2) {
        // Down the column, one base height less a dot apart, so that a chara
        // of scale k is seen in every row its body reaches.
        const int64_t step = int64_t{chara.m_nBaseHeight} - 1;
        for (int i = 0; i < n; ++i) {
            const int y = ClampDot(iy1 + i * step, lastY);
            const int cell = CellIndex(m_ScrollX, ix1, y);
            const int kind = CellHitKind(cell, faction);
            if (i == 0 || kind > bestKind) best = cell, bestKind = kind;
        }
        return best;
    }
    if (iy1 == iy2) {
        // Along the row; of equal kinds the one under the middle wins, so a
        // chara standing across two blocks takes the one it is mostly on.
        const int64_t step = int64_t{chara.m_nBaseWidth} - 1;
        const int mid = (ix1 + ix2) >> 1;
        int bestX = 0;
        for (int i = 0; i < n; ++i) {
            const int x = ClampDot(ix1 + i * step, lastX);
            const int cell = CellIndex(m_ScrollX, x, iy1);
            const int kind = CellHitKind(cell, faction);
            if (i == 0 || kind > bestKind || (kind == bestKind && AbsDiff(x, mid) < AbsDiff(bestX, mid)))
                best = cell, bestKind = kind, bestX = x;
        }
        return best;
    }
    return 0;
}

int cGameScene::FindLandingCell(const cChara& chara) {
    // A scale below 1 (changed at run time) would leave one probe and a
    // step of width / 0: it counts as normal size.
    int s = chara.m_Def.m_cGiantScale;
    if (s < 1) s = 1;
    const int m = (s & 1) ? s + 2 : s + 1;
    const int step = chara.m_nWidth / (m - 1);
    const int lastX = LastDot(m_ScrollX), lastY = LastDot(m_ScrollY);
    const int left = ClampDot(chara.m_dX, lastX), right = ClampDot(chara.m_dRight, lastX);
    const int y = ClampDot(chara.m_dBottom, lastY);
    const int mid = (left + right) >> 1;
    const int64_t x0 = TruncDot(chara.m_dX);

    int best = 0, bestKind = 0, bestX = 0;
    for (int i = 0; i < m; ++i) {
        const int x = i == m - 1 ? right : ClampDot(x0 + int64_t{i} * step, lastX);
        const int cell = CellIndex(m_ScrollX, x, y);
        const int kind = CellHitKind(cell, chara.m_nFaction);
        if (i == 0 || kind > bestKind || (kind == bestKind && AbsDiff(x, mid) < AbsDiff(bestX, mid)))
            best = cell, bestKind = kind, bestX = x;
    }
    return best;
}

int cGameScene::CornerToMapIndex(int colL, int rowT, int colR, int rowB, int faction) {
    const int lastCol = LastDot(m_ScrollX) >> 5, lastRow = LastDot(m_ScrollY) >> 5;
    auto cell = [&](int col, int row) {
        col = ClampDot(int64_t{col}, lastCol);
        row = ClampDot(int64_t{row}, lastRow);
        return col + (row << m_ScrollX.m_nShift);
    };
    const int corners[4] = {cell(colL, rowT), cell(colR, rowT), cell(colL, rowB), cell(colR, rowB)};
    int best = corners[0], bestKind = CellHitKind(corners[0], faction);
    for (int i = 1; i < 4; ++i) {
        const int kind = CellHitKind(corners[i], faction);
        if (kind > bestKind) best = corners[i], bestKind = kind;
    }
    return best;
}

// A wall at the left or right edge pushes the chara back to the tile line
// it crossed.
int cGameScene::HitMapSide(cChara& chara, bool right) {
    const int type = chara.GetMoveType();
    if (type == kMoveFlyThrough) return 0;
    const double edge = right ? chara.m_dRight : chara.m_dX;
    const int kind = CellHitKind(RectToMapIndex(chara, edge, chara.m_dY, edge, chara.m_dBottom), chara.m_nFaction);
    if (kind == 2 && IsPlayerChara(chara)) return 2;
    if (kind != 1 && kind != 2) return 0;
    if (type == kMoveFlyThird) return 2;
    (right ? chara.m_bHitRight : chara.m_bHitLeft) = 1;
    chara.m_dInertiaX = 0;
    if (right)
        chara.m_dX -= (TruncDot(chara.m_dRight) & 31) + 1;
    else
        chara.m_dX += 32 - (TruncDot(chara.m_dX) & 31);
    chara.CheckBoundsX();
    chara.m_nWallSide = right ? 1 : 0;
    chara.RaiseEvent(11);
    chara.RaiseEvent(12);
    chara.RaiseEvent(right ? 14 : 13);
    return 0;
}

int cGameScene::HitMapLeft(cChara& chara) { return HitMapSide(chara, false); }
int cGameScene::HitMapRight(cChara& chara) { return HitMapSide(chara, true); }

int cGameScene::HitMapFloor(cChara& chara) {
    const int type = chara.GetMoveType();
    if (type == kMoveFlyThrough) return 0;
    const int cell = RectToMapIndex(chara, chara.m_dX, chara.m_dBottom, chara.m_dRight, chara.m_dBottom);
    chara.m_pFootBlock = &g_Map.At(cell);
    const int kind = chara.m_pFootBlock->GetHitKind(chara.m_nFaction);
    if (kind == 1) {
        if (type == kMoveFlyThird) return 2;
        if (RisesThrough(chara)) return 0;
        if (IsPlayerChara(chara)) chara.m_pFootBlock = &g_Map.At(FindLandingCell(chara));
        chara.m_pLastFootBlock = chara.m_pFootBlock;
        chara.OnLand();
        return 0;
    }
    if (kind == 2) {
        chara.m_pLastFootBlock = chara.m_pFootBlock;
        if (IsPlayerChara(chara) || type == kMoveFlyThird) return 2;
        if (RisesThrough(chara)) return 0;
        chara.OnLand();
        return 0;
    }
    // Nothing underfoot: after eight frames of it the chara counts as in
    // the air, even if it never jumped.
    chara.m_pFootBlock = nullptr;
    if (chara.m_nAirSteps < INT32_MAX) ++chara.m_nAirSteps;
    if (chara.m_nAirSteps >= g_Stage.m_nSubSteps8) {
        if (!IsPlayerChara(chara)) {
            chara.m_bAirborne = 1;
        } else if (!chara.m_bRiding) {
            chara.m_bAirborne = 1;
            chara.m_bJumped = 1;
        }
    }
    return 0;
}

int cGameScene::HitMapCeiling(cChara& chara) {
    const int type = chara.GetMoveType();
    if (type == kMoveFlyThrough) return 0;
    const int kind =
        CellHitKind(RectToMapIndex(chara, chara.m_dX, chara.m_dY, chara.m_dRight, chara.m_dY), chara.m_nFaction);
    if (kind == 2 && IsPlayerChara(chara)) return 2;
    if (kind != 1 && kind != 2) return 0;
    if (type == kMoveFlyThird) return 2;
    chara.OnHitCeiling();
    return 0;
}

int cGameScene::HitMapX(cChara& chara) {
    const int type = chara.GetMoveType();
    if (type == kMoveFlyThrough) return 0;
    const bool rightFirst = type == kMoveFlyBlocked || chara.m_dSpeedX > 0;
    if (rightFirst) {
        if (HitMapRight(chara) == 2) return 2;
        return HitMapLeft(chara);
    }
    if (HitMapLeft(chara) == 2) return 2;
    return HitMapRight(chara);
}

int cGameScene::HitMapY(cChara& chara) {
    const int type = chara.GetMoveType();
    if (type == kMoveFlyThrough) return 0;
    chara.m_pFootBlock = nullptr;
    const bool floorFirst = type == kMoveFlyBlocked || chara.m_dSpeedY > 0;
    if (floorFirst) {
        if (HitMapFloor(chara) == 2) return 2;
        return HitMapCeiling(chara);
    }
    if (HitMapCeiling(chara) == 2) return 2;
    return HitMapFloor(chara);
}

int cGameScene::HitMapWalls(cChara& chara) {
    if (chara.GetMoveType() == kMoveFlyThrough) return 0;
    const int right = HitMapRight(chara);
    const int left = HitMapLeft(chara);
    return right == 2 || left == 2 ? 2 : 0;
}

int cGameScene::HitMapFloorCeiling(cChara& chara) {
    const int type = chara.GetMoveType();
    if (type == kMoveFlyThrough) return 0;
    const int cell = RectToMapIndex(chara, chara.m_dX, chara.m_dBottom, chara.m_dRight, chara.m_dBottom);
    const int kind = CellHitKind(cell, chara.m_nFaction);
    // Unlike the floor test, a miss here leaves the foot block and the count
    // without ground alone: this runs after the pushes of the solid charas.
    auto land = [&] {
        cPltBlock* foot = &g_Map.At(IsPlayerChara(chara) ? FindLandingCell(chara) : cell);
        chara.m_pFootBlock = chara.m_pLastFootBlock = foot;
    };
    if (kind == 1) {
        if (type == kMoveFlyThird) return 2;
        if (RisesThrough(chara)) return 0;
        land();
        chara.OnLand();
    } else if (kind == 2) {
        land();
        if (IsPlayerChara(chara) || type == kMoveFlyThird) return 2;
        if (RisesThrough(chara)) return 0;
        chara.OnLand();
    }
    return HitMapCeiling(chara);
}

void cGameScene::KeepHeroInScreenX(cHero& hero) {
    if (!m_ScrollX.m_bAuto && !hero.m_bFly) return;
    hero.UpdateScreenRect();
    if (hero.m_nScreenL + hero.m_nOffsetX < 0) {
        hero.m_bHitLeft = 1;
        hero.m_dX = m_ScrollX.m_dPos;
        hero.CheckBoundsX();
    } else if (hero.m_nScreenR - hero.m_nOffsetX + 1 >= 640) {
        hero.m_bHitRight = 1;
        hero.m_dX = m_ScrollX.m_dPos + 640 - hero.m_nWidth - 1;
        hero.CheckBoundsX();
    }
}

int cGameScene::KeepHeroInScreenY(cHero& hero) {
    if (!m_ScrollY.m_bAuto && !hero.m_bFly) return 0;
    hero.UpdateScreenRect();
    if (hero.m_nScreenT + hero.m_nOffsetY < 0) {
        hero.m_bHitAbove = 1;
        hero.m_dY = m_ScrollY.m_dPos;
        hero.CheckBoundsY();
        return 0;
    }
    if (hero.m_nScreenB - hero.m_nOffsetY + 1 >= 480) {
        // A walker the screen pushes from below has nowhere to stand.
        hero.m_bHitBelow = 1;
        hero.m_dY = m_ScrollY.m_dPos + 480 - hero.m_nHeight - 1;
        hero.CheckBoundsY();
        return hero.m_bFly ? 0 : 2;
    }
    return 0;
}

void cGameScene::PressToGround(cChara& chara) {
    if (g_SystemData.Get(kSysSwitch793)) {
        if (chara.m_dSpeedY >= 0) chara.m_dSpeedY += 1;
        return;
    }
    const double n = g_Stage.m_dSubSteps;
    if (!(chara.m_dSpeedY >= 0 && chara.m_dSpeedY <= 1 / n) || chara.m_bRiding || chara.m_bAirborne) return;
    // A chara that stood before the effect is pulled down hard enough to
    // meet the ground in its next step.
    const double y = chara.m_dBottom + 4;
    const int cell = RectToMapIndex(chara, chara.m_dX + chara.m_dSpeedX, y, chara.m_dRight + chara.m_dSpeedX, y);
    if (CellHitKind(cell, chara.m_nFaction) != 0) chara.m_dSpeedY = 7 / n;
}

int cGameScene::IsPlaceBlocked(cChara& chara) {
    if (chara.GetMoveType() == kMoveFlyThrough) return 0;
    // From the position itself: a summon nudged off a blocked place has
    // moved without its tile fields being refreshed.
    const int colL = TruncDot(chara.m_dX) >> 5, colR = TruncDot(chara.m_dRight) >> 5;
    const int rowT = TruncDot(chara.m_dY) >> 5, rowB = TruncDot(chara.m_dBottom) >> 5;
    const int cell = CornerToMapIndex(colL, rowT, colR, rowB, chara.m_nFaction);
    if (CellHitKind(cell, chara.m_nFaction) != 0) return 1;
    return OverlapsBlockChara(chara) ? 1 : 0;
}
