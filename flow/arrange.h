// Arrangements: a command changes a parameter of the commands after it.
#pragma once
#include <cstdint>

#include "core/containers.h"

class cFlowCmd;
class cHero;

// A pending arrangement: the arrange command's parameters.
using PendingArrange = cVector<int32_t>;

// Applies the hero's pending arrangements to `cmd`, oldest first.
void ApplyHeroArranges(cFlowCmd& cmd, cHero& hero);
