// The command tables: one handler per kind of flow command and of item
// command.
#pragma once
#include <cstdint>

class cFlowCmd;
class cHero;

constexpr int kItemCmdKinds = 25;

// An item command run at once by the hero; 1 stage clear, else 0.
using ItemCmdFunc = int (*)(cHero& hero, cFlowCmd& cmd);
extern const ItemCmdFunc g_ItemCmdFuncs[kItemCmdKinds];

// The change-flow command: removes or adds flows of the hero; `deferred`
// says it runs after the hero's own flows.
int CmdChangeFlow(cHero& hero, cFlowCmd& cmd, int deferred);
