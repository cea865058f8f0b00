// The running instances of a chara's flows: one cFlowRun per flow, one
// cCmdRun per command of it.
//
// A command without the parallel flag holds its flow until it finishes and
// the next one starts in the following sub-step; a parallel one lets the
// next start in the same sub-step and keeps running beside it. The flow is
// finished when its last command is.
#pragma once
#include <cstdint>
#include <list>

#include "core/containers.h"

class cChara;
class cEdMove;
class cFlow;
class cFlowCmd;
class cKeyCond;

// A remembered destination of the homing movement.
struct TRAILPOINT {
    double x = 0, y = 0;
};

// A command anime of a flow: started when the flow has run `start`
// sub-steps.
struct CMDANIME {
    int32_t start = 0;
    int32_t start2 = 0;
    int16_t anime = 0;
    // Frames, which long anime frames make too many for 16 bits.
    int32_t skip = 0;    // skipped at the start
    int32_t leadIn = 0;  // of the lead-in
    int32_t hold = 0;    // the command's base time x 6
    int32_t loop = 0;
};

class cCmdRun {
public:
    // Set-up as the chara builds its flows: the command, its length and
    // speeds for the chara's spawn index, then its kind's preparation.
    void Setup(cFlowCmd& cmd, cChara& chara);
    // Ready for the first sub-step: the whole length left, the handler's
    // state cleared, and the flow's pending arrangements applied to it.
    void Reset();
    // One sub-step of the command; 1 when it has finished.
    int Run();
    // The command lets the one after it start in the same sub-step.
    bool IsParallel() const;
    // The command's movement parameters; null when it has none.
    const cEdMove* Move() const;

    cFlowCmd* m_pCmd = nullptr;
    int32_t m_bDone = 0;    // finished in the current run of the flow
    int32_t m_nSteps = 0;   // length in sub-steps
    int32_t m_nRemain = 0;  // sub-steps left; 0 not started (or finished)
    int8_t m_cDir = 0;      // direction code of a movement command
    int32_t m_nDestX = 0, m_nDestY = 0;
    double m_dSpeed = 0;    // dots per sub-step; a jump's initial vertical speed
    int32_t m_nAngle = 0;
    int32_t m_nMoveParam1 = 0, m_nMoveParam2 = 0, m_nMoveParam3 = 0;
    std::list<TRAILPOINT> m_lTrail;
    double m_dVX = 0;  // velocity a movement command computed in this sub-step
    double m_dVY = 0;
    int32_t m_nFace = 0;    // 0 none, 1 left, 2 right
    int32_t m_nCount = 0;   // sub-steps this command has run
    int32_t m_bBegun = 0;   // first-step work done; a jump has taken off
    double m_dPhaseX = 0, m_dPhaseY = 0;
    double m_dMaxSpeed = 0;
    int32_t m_nLastFacing = 0;
};

class cFlowRun {
public:
    // Starts the flow from its first command. `owner` is the chara whose
    // flow it is: its exclusion group is marked busy. A flow of the
    // before-stage-start trigger runs its parallel system commands at once
    // and stops.
    void Start(cChara& owner);
    // One sub-step of the flow; 1 when its last command has finished.
    int Step();
    // Stops the flow and flags its group as stopped in `chara`.
    void Stop(cChara& chara);
    void Suspend() { m_bSuspended = 1; }
    void Resume() { m_bSuspended = 0; }
    // Ends the flow for good: it is never started or stepped again.
    void End(cChara& chara);
    // The trigger and exclusion group of its flow; a run tied to no flow
    // counts as an always-flow of no group.
    int Trigger() const;
    int ExclusionGroup() const;

    int32_t m_nIndex = 0;
    int32_t m_nFlowKey = 0;
    cFlow* m_pFlow = nullptr;
    int8_t m_cCondLatch = 0;
    cVector<const cKeyCond*> m_vKeyConds;
    int32_t m_bKeyMatched = 0;
    int32_t m_bKeyHeld = 0;
    cVector<cCmdRun> m_vCmdRuns;
    cVector<CMDANIME> m_vAnimes;
    int32_t m_bRunning = 0;
    int32_t m_bSuspended = 0;
    int32_t m_bEnded = 0;
    int32_t m_bRemove = 0;
    int32_t m_nNext = 0;
    int32_t m_nElapsed = 0;
    int32_t m_nInputKey = 0;
    int32_t m_bLatch = 0;
    int32_t m_bStarted = 0;
    int32_t m_bMsgWait = 0;
    int32_t m_bBreak = 0;
    // The before-stage-start pass of this flow is running: a start from
    // inside it only starts the flow afresh and breaks the pass.
    int32_t m_bImmediate = 0;
    std::list<cVector<int32_t>> m_lArranges;  // pending arrangements
};
