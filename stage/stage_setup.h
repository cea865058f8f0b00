// The program-wide containers that the stage set-up fills for every
// attempt: the heroes (element 0 is the hero), the map grid and the
// charas. The grid holds cells(Y) x pitch cells, row-major; the cell of
// tile (col, row), margins included, is col + (row << shift).
#pragma once
#include "core/containers.h"
#include "core/program_object.h"
#include "objects/hero.h"
#include "objects/stage_chara.h"
#include "project/block_def.h"

PROGRAM_OBJECT_DECLARE(g_Heroes, cVector<cHero>);
PROGRAM_OBJECT_DECLARE(g_Map, cVector<cMapCell>);
PROGRAM_OBJECT_DECLARE(g_Charas, cList<cStageChara>);
