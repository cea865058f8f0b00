// A chara's defeat.
#include <algorithm>
#include <cstdint>

#include "frontend/play_data.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

constexpr int64_t kMaxScore = 999999;

}  // namespace

int cChara::Die() {
    RaiseEvent(5);
    // The death flows run their first frame at once.
    Update(true);
    cPlayData& play = g_PlayData;
    play.m_nScore = static_cast<int32_t>(std::clamp<int64_t>(int64_t{play.m_nScore} + m_Def.m_nScore, 0, kMaxScore));
    int taken = 0;
    cItem* item = GetItem();
    if (item && item->m_bCarried && !g_Heroes.empty()) taken = TakeItem(*item, g_Heroes.At(0));
    if ((g_pGameScene && g_pGameScene->m_nStageEnd == 1) || taken == 1) return 1;
    UnlinkAll();
    m_bDefeated = 1;
    m_Effect.Start(m_Def.m_sDeathEffect, m_Def.m_cDeathEffectMode, 0);
    return 0;
}
