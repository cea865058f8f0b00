#include "flow/flow_run.h"

#include "objects/chara.h"

// The flow runner arrives with the command handlers; until then no flow is
// ever started, so no instance runs.
int cFlowRun::Step() { return 0; }

void cFlowRun::Stop(cChara& /*chara*/) { m_bRunning = 0; }
