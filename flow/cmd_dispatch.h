// The command tables: one handler per kind of flow command and of item
// command, and the preparation some kinds get when a chara builds its
// flows.
#pragma once
#include <cstdint>

#include "project/command_tables.h"

class cChara;
class cCmdRun;
class cFlowCmd;
class cHero;

// A flow command for one sub-step, with its running instance.
using FlowCmdFunc = int (*)(cChara& chara, cCmdRun& run);
extern const FlowCmdFunc g_FlowCmdFuncs[kFlowCmdKinds];

// An item command run at once by the hero; 1 stage clear, else 0.
using ItemCmdFunc = int (*)(cHero& hero, cFlowCmd& cmd);
extern const ItemCmdFunc g_ItemCmdFuncs[kItemCmdKinds];

// Prepares a command instance once as the chara builds its flows; null
// for the kinds that need nothing.
using MovePrepFunc = void (*)(cCmdRun& run, cChara& chara);
extern const MovePrepFunc g_MovePrepFuncs[kFlowCmdKinds];

// Runs the handler of the instance's command kind. A kind outside the
// table does nothing (reported once).
int ExecCmd(cChara& chara, cCmdRun& run);
// Runs the item command's handler; a kind outside the table does nothing
// (reported once).
int ExecItemCmd(cHero& hero, cFlowCmd& cmd);
// The preparation of the instance's command kind, if it has one.
void PrepareCmd(cCmdRun& run, cChara& chara);

// The change-flow command: removes or adds flows of the hero; `deferred`
// says it runs after the hero's own flows.
int CmdChangeFlow(cHero& hero, cFlowCmd& cmd, int deferred);
