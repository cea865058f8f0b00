#include "stage/stage_setup.h"

PROGRAM_OBJECT_DEFINE(g_Heroes, cVector<cHero>);
PROGRAM_OBJECT_DEFINE(g_Map, cVector<cMapCell>);
PROGRAM_OBJECT_DEFINE(g_Charas, cList<cStageChara>);
PROGRAM_OBJECT_DEFINE(g_Items, cList<cItem>);
