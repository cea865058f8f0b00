// The flow runner: starting, stepping, stopping and ending the running
// instances of a chara's flows.
#include "flow/flow_run.h"

#include <algorithm>

#include "core/message_box.h"
#include "core/numeric.h"
#include "flow/arrange.h"
#include "flow/cmd_dispatch.h"
#include "objects/chara.h"
#include "project/flow.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"

namespace {

constexpr int kAlwaysTrigger = 0;
constexpr int kBeforeStageTrigger = 25;
// Kinds from here on are system commands: only they run before the stage.
constexpr int kFirstSystemKind = 16;
constexpr int kMessageKind = 19;
constexpr int kArrangeKind = 38;

int KindOf(const cCmdRun& run) { return run.m_pCmd ? run.m_pCmd->m_cKind : 0; }

// A message that keeps the flow's message chain (parameters 15 and 6 both
// 0): the next message of the flow shows as its continuation.
bool IsChainingMessage(const cCmdRun& run) {
    if (KindOf(run) != kMessageKind) return false;
    const cVector<int32_t>& p = run.m_pCmd->m_vParam;
    return p.At(15) == 0 && p.At(6) == 0;
}

void FlagGroupEnded(const cFlowRun& run, cChara& chara) {
    const int group = run.ExclusionGroup();
    if (group == 0) return;
    SetGroupFlag(chara.m_GroupEnded, group);
    chara.m_bGroupChanged = 1;
}

}  // namespace

bool cCmdRun::IsParallel() const { return m_pCmd && m_pCmd->m_cParallel != 0; }

const cEdMove* cCmdRun::Move() const { return m_pCmd ? m_pCmd->m_pMove.get() : nullptr; }

int cFlowRun::Trigger() const { return m_pFlow ? m_pFlow->m_cTrigger : kAlwaysTrigger; }
int cFlowRun::ExclusionGroup() const { return m_pFlow ? m_pFlow->m_cGroup : 0; }

void cCmdRun::Setup(cFlowCmd& cmd, cChara& chara) {
    m_pCmd = &cmd;
    const int64_t k = chara.m_sSpawnIndex;
    const int n = g_Stage.SubSteps();
    // Tenths of a second: 6 x n sub-steps each; huge stored times saturate.
    m_nSteps = SaturateInt((cmd.m_sTimeInc * k + cmd.m_sTime) * n * 6);
    if (const cEdMove* move = cmd.m_pMove.get()) {
        // Tenths of a dot per frame to dots per sub-step.
        m_dSpeed = static_cast<double>(move->m_sSpeedInc * k + move->m_sSpeed) * 0.1 / n;
        if (move->m_cInertia) m_dMaxSpeed = move->m_sInertiaMax * 0.1 / n;
        m_cDir = move->m_cDirCode;
    }
    PrepareCmd(*this, chara);
}

void cCmdRun::Reset() {
    m_nRemain = m_nSteps;
    m_bDone = m_nCount = m_bBegun = 0;
    m_dPhaseX = m_dPhaseY = 0;
    if (!m_pCmd || KindOf(*this) == kArrangeKind || !g_pGameScene) return;
    cChara* chara = g_pGameScene->m_pCurChara;
    cFlowRun* flow = g_pGameScene->m_pCurFlowRun;
    if (!chara || !flow) return;
    ApplyFlowArranges(*m_pCmd, *chara, *flow);
    flow->m_lArranges.clear();
}

int cCmdRun::Run() {
    cChara* chara = nullptr;
    if (g_pGameScene) {
        g_pGameScene->m_pCurCmdRun = this;
        chara = g_pGameScene->m_pCurChara;
    }
    if (chara) ExecCmd(*chara, *this);
    // A length of 0 or 1 finishes in the sub-step it starts; a handler may
    // also have ended the command by setting what is left to 0.
    if (m_nRemain <= 1) {
        m_nRemain = 0;
        return 1;
    }
    --m_nRemain;
    return 0;
}

void cFlowRun::Start(cChara& owner) {
    m_bRunning = 1;
    m_nNext = m_nElapsed = m_bMsgWait = 0;
    for (cCmdRun& run : m_vCmdRuns) run.m_bDone = 0;
    m_bStarted = 1;
    const int trigger = Trigger();
    if (trigger == kAlwaysTrigger) {
        SetGroupFlag(owner.m_GroupBusy, ExclusionGroup());
        SetGroupFlag(owner.m_GroupStarted, ExclusionGroup());
    }
    if (m_vCmdRuns.empty() || trigger != kBeforeStageTrigger) return;
    if (m_bImmediate) {
        // Started again from inside its own pass (a flow operation of it, or
        // of a flow it started): the state is fresh, and the pass that runs
        // breaks off instead of running once more inside itself.
        m_bBreak = 1;
        return;
    }

    // The pass runs inside whatever flow started it: that flow's context
    // comes back afterwards.
    cFlowRun* savedFlow = g_pGameScene ? g_pGameScene->m_pCurFlowRun : nullptr;
    cCmdRun* savedCmd = g_pGameScene ? g_pGameScene->m_pCurCmdRun : nullptr;
    if (g_pGameScene) g_pGameScene->m_pCurFlowRun = this;
    m_bBreak = 0;
    m_bImmediate = 1;
    for (m_nNext = 0; m_nNext < m_vCmdRuns.Size(); ++m_nNext) {
        cCmdRun& run = m_vCmdRuns[static_cast<size_t>(m_nNext)];
        if (KindOf(run) < kFirstSystemKind || !run.IsParallel()) continue;
        run.Reset();
        if (!run.Run()) DebugErrorPrintf("使用時間0なので、ここにくることはあり得ないはず！");
        if (m_bBreak) break;
        run.m_bDone = 1;
    }
    m_bImmediate = 0;
    Stop(owner);
    if (g_pGameScene) {
        g_pGameScene->m_pCurFlowRun = savedFlow;
        g_pGameScene->m_pCurCmdRun = savedCmd;
    }
}

int cFlowRun::Step() {
    if (g_pGameScene) g_pGameScene->m_pCurFlowRun = this;
    m_bBreak = 0;
    const int last = m_vCmdRuns.Size() - 1;
    if (m_nNext >= 0) {
        for (int i = 0; i <= m_nNext && i <= last; ++i) {
            cCmdRun& run = m_vCmdRuns[static_cast<size_t>(i)];
            if (run.m_bDone) continue;
            const bool parallel = run.IsParallel();
            if (run.m_nRemain == 0) {
                run.Reset();
                if (!parallel && !IsChainingMessage(run)) m_bMsgWait = 0;
            }
            if (parallel) {
                if (run.Run()) {
                    run.m_bDone = 1;
                    if (i == last) return 1;
                }
                // The next command may start in this same sub-step.
                if (i == m_nNext) m_nNext = i + 1;
                if (m_bBreak) return 0;
                continue;
            }
            if (!run.Run()) {
                if (m_bBreak) return 0;
                continue;
            }
            run.m_bDone = 1;
            if (IsChainingMessage(run)) m_bMsgWait = 1;
            if (i == last) return 1;
            ++m_nNext;
            break;
        }
    }
    if (last >= 0 && m_vCmdRuns[static_cast<size_t>(last)].m_bDone) return 1;
    if (m_nElapsed < INT32_MAX) ++m_nElapsed;
    return 0;
}

void cFlowRun::Stop(cChara& chara) {
    if (!m_bRunning) return;
    m_bRunning = 0;
    m_lArranges.clear();
    for (cCmdRun& run : m_vCmdRuns) run.m_nRemain = 0;
    FlagGroupEnded(*this, chara);
    // Newer projects let an event's flow start again while its keys are
    // still held.
    if (!g_SystemData.Get(kSysSwitch875) && Trigger() != kAlwaysTrigger) m_bKeyHeld = 0;
}

void cFlowRun::End(cChara& chara) {
    m_bEnded = 1;
    if (!m_bRunning) return;
    for (cCmdRun& run : m_vCmdRuns) run.m_nRemain = 0;
    FlagGroupEnded(*this, chara);
}
