// The running instances of a chara's flows: one cFlowRun per flow, one
// cCmdRun per command of it.
#pragma once
#include "core/containers.h"

class cCmdRun {
public:
    double m_dVX = 0;  // velocity a movement command computed in this sub-step
    double m_dVY = 0;
};

class cFlowRun {
public:
    cVector<cCmdRun> m_vCmdRuns;
};
