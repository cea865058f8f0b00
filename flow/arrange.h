// Arrangements: a command changes a parameter of the commands after it.
#pragma once
#include <cstdint>

#include "core/containers.h"

class cChara;
class cFlowCmd;
class cFlowRun;
class cHero;

// A pending arrangement: the arrange command's parameters.
using PendingArrange = cVector<int32_t>;

// Applies the hero's pending arrangements to `cmd`, oldest first.
void ApplyHeroArranges(cFlowCmd& cmd, cHero& hero);
// Applies the pending arrangements of `run`, a flow of `chara`, to `cmd`,
// oldest first.
void ApplyFlowArranges(cFlowCmd& cmd, cChara& chara, cFlowRun& run);
