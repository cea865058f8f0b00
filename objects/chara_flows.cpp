// The flows inside a chara.
#include "objects/chara.h"

void cChara::SetFlowRuns(const cVector<cFlowRun>& runs) {
    m_FlowRuns = runs;
    LinkFlowRuns();
}

// The instances carry no pointers into the definition yet.
void cChara::LinkFlowRuns() {}

// Command animes start with the flows inside a chara; until then no flow
// runs, so none is due.
void cChara::StartFlowAnimes() {}

// Flow removals and group flags arrive with the flows inside a chara.
void cChara::FinishFlowUpdate() {}

// Triggers start flows once the flows inside a chara exist; until then no
// chara has a flow to start.
void cChara::RaiseEvent(int8_t, cChara*, int8_t) {}
void cChara::ResetEventLatches() {}

// Stand-ins while the flows inside a chara are built.
int cChara::BuildFlows(cVector<cFlow>&, int, int) { return 0; }
void cChara::RemoveFlow(int) {}
int cChara::RemoveFlows(int8_t) { return -1; }
void cChara::RemoveFlowAnimes(int) {}
void cChara::RemoveOverlayAnime(int) {}
void cChara::PauseFlowAnimes(int) {}
void cChara::ResumeFlowAnimes(int) {}
bool ExpandRepeatCmdOnce(cVector<cFlowCmd>&) { return false; }
void ExpandRepeatCmds(cVector<cFlowCmd>&) {}
