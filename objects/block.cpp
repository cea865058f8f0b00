// What the game objects ask of the blocks on the map.
#include "project/block_def.h"
#include "stage/game_scene.h"

int8_t cPltBlock::GetHitKind(int faction) {
    if (!m_vCond.empty() && g_pGameScene && !g_pGameScene->CheckBlockConditions(*this)) return 0;
    if (faction == m_ucPassClass) return 0;
    return m_cHit;
}
