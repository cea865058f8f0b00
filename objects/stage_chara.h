// Every chara of a stage but the hero: placed and summoned ones, kept by
// value in g_Charas.
#pragma once
#include "objects/chara.h"

class cStageChara : public cChara {};
