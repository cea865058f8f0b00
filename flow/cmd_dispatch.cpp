#include "flow/cmd_dispatch.h"

#include "flow/flow_run.h"

namespace {

// Stand-ins while the dispatch is built.
int NoFlowCmd(cChara&, cCmdRun&) { return 0; }
int NoItemCmd(cHero&, cFlowCmd&) { return 0; }

}  // namespace

const FlowCmdFunc g_FlowCmdFuncs[kFlowCmdKinds] = {
    NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd,
    NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd,
    NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd,
    NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd, NoFlowCmd,
};

const ItemCmdFunc g_ItemCmdFuncs[kItemCmdKinds] = {
    NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd,
    NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd,
    NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd,
};

const MovePrepFunc g_MovePrepFuncs[kFlowCmdKinds] = {};

int ExecCmd(cChara& chara, cCmdRun& run) { return NoFlowCmd(chara, run); }
int ExecItemCmd(cHero& hero, cFlowCmd& cmd) { return NoItemCmd(hero, cmd); }
void PrepareCmd(cCmdRun&, cChara&) {}

int CmdChangeFlow(cHero& /*hero*/, cFlowCmd& /*cmd*/, int /*deferred*/) { return 0; }
