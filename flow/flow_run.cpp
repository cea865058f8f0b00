#include "flow/flow_run.h"

#include "objects/chara.h"

// Stand-ins while the runner is built.
void cCmdRun::Setup(cFlowCmd& cmd, cChara& /*chara*/) { m_pCmd = &cmd; }
void cCmdRun::Reset() { m_nRemain = m_nSteps; }
int cCmdRun::Run() { return 1; }
void cFlowRun::Start(cChara& /*owner*/) { m_bRunning = 1; }
int cFlowRun::Step() { return 0; }
void cFlowRun::Stop(cChara& /*chara*/) { m_bRunning = 0; }
void cFlowRun::End(cChara& /*chara*/) { m_bEnded = 1; }
