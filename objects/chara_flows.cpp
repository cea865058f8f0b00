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
