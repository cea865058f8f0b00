// The flows inside a chara.
#include "objects/chara.h"

void cChara::SetFlowRuns(const cVector<cFlowRun>& runs) {
    m_FlowRuns = runs;
    LinkFlowRuns();
}

// The instances carry no pointers into the definition yet.
void cChara::LinkFlowRuns() {}
