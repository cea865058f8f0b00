// The program-wide containers that the stage set-up fills for every
// attempt: the heroes (element 0 is the hero), the map grid, the charas and
// the items. The grid holds cells(Y) x pitch cells, row-major; the cell of
// tile (col, row), margins included, is col + (row << shift).
#pragma once
#include <functional>
#include <vector>

#include "core/containers.h"
#include "core/program_object.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/stage_chara.h"
#include "project/block_def.h"

class cChara;
class cEdShot;

// Map cells a stage may need at most; a larger grid is refused as memory
// the stage cannot have.
constexpr long long kMaxMapCells = 1LL << 22;

PROGRAM_OBJECT_DECLARE(g_Heroes, cVector<cHero>);
PROGRAM_OBJECT_DECLARE(g_Map, cVector<cMapCell>);
PROGRAM_OBJECT_DECLARE(g_Charas, cList<cStageChara>);
PROGRAM_OBJECT_DECLARE(g_Items, cList<cItem>);

// An item summoned or dropped at (x, y) in map dots.
void SpawnItem(cList<cItem>& list, double x, double y, int ignored, cEdShot& params, cPltItem& def, int& id);

// Asks the window's thread for stage music `number` (0 stops it), looping
// by `loop`; returns when the request has been served.
void SendStageBgmRequest(int number, int loop);

// Sub-step flags of the shot-against-chara hits: n entries, the N checks of
// a frame spread over them (N = 0: every sub-step; N < 0 counts as 1).
std::vector<int> MakeAttackSteps(int subSteps, int checks);

// A chara summoned onto a blocked place is moved 1 dot up, else 1 dot left
// of where it came, else 1 dot up-left, until `blocked` lets it be. 1 when
// it stands free (and stays where it was found free), 0 when every try was
// blocked.
int NudgeClear(cChara& chara, const std::function<int(cChara&)>& blocked);
