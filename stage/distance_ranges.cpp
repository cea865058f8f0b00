// The ranges of the distance conditions drawn over the stage.
#include "gfx/dd.h"
#include "objects/chara.h"
#include "project/condition.h"
#include "project/flow.h"
#include "project/system_data.h"
#include "stage/game_scene.h"

namespace {

constexpr int kKindDistance = 7;

// The conditions of kind 7 in `list`, each drawn for `chara`.
void DrawRanges(cChara& chara, const cVector<cCondition>& list, int counter) {
    for (const cCondition& cond : list)
        if (cond.m_cKind == kKindDistance) chara.DrawDistanceRange(&g_BackBufferSD, cond, counter);
}

}  // namespace

void DrawDistanceRanges() {
    cGameScene* scene = g_pGameScene;
    if (!scene) return;
    // Steps through the four colours of a group, unless the palette itself
    // rotates (8-bit mode with colour cycling).
    static int s_nCounter = 0;
    if (!PaletteCycles()) s_nCounter = (s_nCounter + 1) & 31;

    const auto shown = [](const cChara* chara) { return chara && !chara->m_bDefeated && chara->IsOnScreen(); };

    // Appearance conditions; a chara may hide them once it has appeared.
    // The definition's hide switch is the byte stored after the score.
    DDBeginFillBatch();
    for (std::list<cChara*>& group : scene->m_vCharaGroups) {
        for (cChara* chara : group) {
            if (!shown(chara)) continue;
            if (chara->m_Def.m_cReserved && chara->m_bAppeared) continue;
            DrawRanges(*chara, chara->m_Def.m_vCond, s_nCounter);
        }
    }
    DDEndFillBatch();

    // Start conditions of the flows, each flow with its own hide switch;
    // read through Get so that no chara takes its shared flows as its own.
    DDBeginFillBatch();
    for (std::list<cChara*>& group : scene->m_vCharaGroups) {
        for (cChara* chara : group) {
            if (!shown(chara)) continue;
            for (const cFlow& flow : chara->m_Def.m_vFlow.Get()) {
                if (flow.m_cTestPlayOnly && chara->m_bAppeared) continue;
                DrawRanges(*chara, flow.m_vCond, s_nCounter);
            }
        }
    }
    DDEndFillBatch();
}
