// The parts of the per-sub-step update that the hero and the other charas
// share: its start, the auto-scroll speeds, the flow loop and the basic
// anime chosen after it.
#include "objects/stage_chara.h"
#include "project/flow.h"
#include "stage/game_scene.h"

namespace {

// Flows of this trigger run while the chara dies.
constexpr int kDeathTrigger = 5;

double ScrollSpeed(const cScrollAxis& axis) { return axis.AutoScrolls() ? axis.m_dAutoSpeed : 0; }

}  // namespace

void StartCharaUpdate(cChara& chara) {
    g_pGameScene->m_pCurChara = &chara;
    g_pGameScene->m_bCheckHeroHP = 0;
    chara.m_bMoveDisabled = 0;
    chara.m_bFrictionX = chara.m_bFrictionY = 1;
    chara.m_bVanished = 0;
    chara.m_bAnimeReq = chara.m_nAnimeReq = chara.m_nAnimeReqPrio = 0;
    if (chara.m_nTypeChangeWait > 0) --chara.m_nTypeChangeWait;
}

void SyncCharaScroll(cChara& chara, bool follow) {
    chara.m_dSpeedX = follow ? ScrollSpeed(g_pGameScene->m_ScrollX) : 0;
    if (chara.m_bFly) chara.m_dSpeedY = follow ? ScrollSpeed(g_pGameScene->m_ScrollY) : 0;
}

void ClearFlowContext() {
    g_pGameScene->m_pCurChara = nullptr;
    g_pGameScene->m_pCurFlowRun = nullptr;
    g_pGameScene->m_pCurCmdRun = nullptr;
}

int cChara::StepFlowRuns(bool deathFlowsOnly, bool testRemoveReq) {
    // By index: a command may change the flow list while its flow steps.
    for (int i = 0; i < m_FlowRuns.Size(); ++i) {
        cFlowRun& run = m_FlowRuns[static_cast<size_t>(i)];
        if (!run.m_bRunning) continue;
        if (run.m_vCmdRuns.empty()) {
            run.Stop(*this);
            continue;
        }
        const int trigger = run.Trigger();
        if (run.m_bSuspended || run.m_bEnded || (deathFlowsOnly && trigger != kDeathTrigger)) continue;
        if (run.Step() && i < m_FlowRuns.Size()) m_FlowRuns[static_cast<size_t>(i)].Stop(*this);
        if ((testRemoveReq && m_bRemoveReq) || (!deathFlowsOnly && trigger != kDeathTrigger && m_nHP <= 0)) {
            // The chara may be gone before the scene's next use of the
            // context, so the context does not outlive this update.
            ClearFlowContext();
            return 1;
        }
    }
    return 0;
}

void cChara::ChooseBasicAnime() {
    if (m_bAnimeReq)
        m_Anime.ChangePattern(m_nAnimeReq, true);
    else if (m_dInertiaX == 0 && m_dInertiaY == 0)
        m_Anime.ChangePattern(m_bFly ? 2 : 0, true);
}
