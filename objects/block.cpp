// What the game objects ask of the blocks on the map.
#include "project/block_def.h"

#include "gfx/system_bitmaps.h"
#include "objects/chip_src.h"
#include "stage/game_scene.h"

int8_t cPltBlock::GetHitKindByConditions(int faction) {
    if (g_pGameScene && !g_pGameScene->CheckBlockConditions(*this)) return 0;
    return faction == m_ucPassClass ? 0 : m_cHit;
}

void cPltBlock::Draw(DDSURFACEDATA* surface, int x, int y) {
    const CHIPSRC src = GetChipSrc(0, m_cSheet, m_sChip, m_sSheetSub, nullptr, 0);
    DDBlt(surface, x, y, 32, 32, src.a, src.x, src.y, DDBLT_KEYED);
    if (m_cIconMode == 1)
        DDBlt(surface, x, y, 32, 32, &g_SysBmp[kSysBmpMark], m_sIcon / 15 * 32, m_sIcon % 15 * 32, DDBLT_KEYED);
}
