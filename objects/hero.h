// The player's chara, element 0 of g_Heroes.
#pragma once
#include "objects/chara.h"

class cHero : public cChara {};
