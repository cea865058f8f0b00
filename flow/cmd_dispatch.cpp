#include "flow/cmd_dispatch.h"

namespace {

// The handlers arrive with the command dispatch; until then an item command
// does nothing.
int NoItemCmd(cHero&, cFlowCmd&) { return 0; }

}  // namespace

const ItemCmdFunc g_ItemCmdFuncs[kItemCmdKinds] = {
    NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd,
    NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd,
    NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd, NoItemCmd,
};

int CmdChangeFlow(cHero& /*hero*/, cFlowCmd& /*cmd*/, int /*deferred*/) { return 0; }
