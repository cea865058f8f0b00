#include "objects/item.h"

#include "gfx/system_bitmaps.h"
#include "objects/chara.h"
#include "objects/chip_src.h"
#include "project/stage_info.h"
#include "stage/game_scene.h"

namespace {

// The item anime: frame 0 for 15 ticks, frame 1 for 15 ticks, again.
constexpr int kItemAnime[] = {0, 15, 0, 1, 15, 0, kPatRepeat, 0, 0};
const int* const kItemPatterns[] = {kItemAnime, nullptr};

// Items are cut from 32 x 32 cells at scale 1.
constexpr int kItemSprite = 32;
// The item icon sheet holds 15 icons to a column.
constexpr int kIconsPerColumn = 15;

}  // namespace

cItem::cItem() = default;

void cItem::Init(int id, cPltItem& def, int carried) {
    // The caller's definition is mended too: later copies of it read 1.
    if (def.m_cGiant == 0) def.m_cGiant = 1;
    m_Def = def;

    // The body box is the stage's item box, centred in the cell.
    const int boxW = StageBoxSize(g_Stage.m_nItemBoxW);
    const int boxH = StageBoxSize(g_Stage.m_nItemBoxH);
    InitBase(id, 0, 0, 0, m_Def.m_sChip, kItemPatterns, 0, kItemSprite / 2 - boxW / 2, kItemSprite / 2 - boxH / 2,
             boxW, boxH, kItemSprite, kItemSprite, 0, kMoveFlyThrough, 0);
    m_bFollowScroll = 0;
    m_bCarried = carried;
    // A carried item needs no appearance check and shows at its carrier's
    // size until it is dropped.
    if (carried)
        m_bActive = 1;
    else
        SetScale(m_Def.m_cGiant, 1, 1);

    ExpandRepeatCmds(m_Def.m_vCmd);
}

void cItem::PlaceAtTile(int tx, int ty, int flag) {
    m_dX = (tx + g_pGameScene->m_ScrollX.m_nMargin) * 32 + m_nBaseOffsetX + 0.5;
    m_dY = (ty + g_pGameScene->m_ScrollY.m_nMargin) * 32 + m_nBaseOffsetY;
    RecenterForScale(m_Def.m_cGiant, 1, flag);
    ClampPosX(2);
    ClampPosY(2);
}

void cItem::OnScaleChange(int newScale, int oldScale, int) {
    if (newScale == oldScale) return;
    // The body is centred in its cell, so this keeps the sprite's bottom.
    m_dY -= (newScale - oldScale) * (m_nBaseHeight + m_nBaseOffsetY);
    ClampPosY(2);
}

void cItem::Draw(DDSURFACEDATA* surface, int paused) {
    if (m_Def.m_cHidden) return;
    const int frame = paused ? m_Anime.GetFrame() : m_Anime.Advance();
    const CHIPSRC src = GetChipSrc(2, m_Def.m_cSheet, m_nGraphic, m_Def.m_sSheetSub, this, frame);

    const int scale = ValidScale(m_Def.m_cGiant);
    const bool stretch = src.specialSize ? src.multiplier != scale : scale > 1;
    if (stretch) {
        DDStretchBlt(surface, m_nScreenL, m_nScreenT, m_nSpriteW, m_nSpriteH, src.s0, src.x, src.y,
                     m_nBaseSpriteW * src.multiplier, m_nBaseSpriteH * src.multiplier, DDBLT_KEYED);
    } else {
        DDBlt(surface, m_nScreenL, m_nScreenT, m_nSpriteW, m_nSpriteH, src.a, src.x, src.y, DDBLT_KEYED);
    }

    if (m_Def.m_cIconMode != 1) return;
    const int n = m_Def.m_sIcon;
    const int iconX = n / kIconsPerColumn * kItemSprite;
    const int iconY = n % kIconsPerColumn * kItemSprite;
    if (scale <= 1) {
        DDBlt(surface, m_nScreenL, m_nScreenT, kItemSprite, kItemSprite, &g_SysBmp[kSysBmpMark], iconX, iconY,
              DDBLT_KEYED);
    } else {
        DDStretchBlt(surface, m_nScreenL, m_nScreenT, m_nSpriteW, m_nSpriteH, ChipMarkSource(), iconX, iconY,
                     kItemSprite, kItemSprite, DDBLT_KEYED);
    }
}
