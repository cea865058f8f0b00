#include "objects/hero.h"

#include "app/input_state.h"
#include "objects/stage_chara.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"

void cHero::Init(int id, cCharaDef& def, double originX, double originY, int /*extra*/) {
    if (def.m_cGiantScale == 0) def.m_cGiantScale = 1;
    Reset(&def, originX, originY, 0);

    int offX = 0, offY = 0, w = 0, h = 0;
    GetBoxLayout(offX, offY, w, h);
    InitBase(id, def.m_cOperatedBy, def.m_cPlayerNo, def.m_cBlockClass, def.m_sChip, nullptr, 0, offX, offY, w, h,
             32, 32, def.m_cFacing, def.m_cFlight, 0);
    m_pInput = &g_InputStates.At(def.m_cPlayerNo);

    SetMoveType(def.m_cFlight, 0, 0, 0);
    SetScale(def.m_cGiantScale, 1, 1);

    m_bRight = def.m_cFacing;
    m_nSavedFacing = def.m_cFacing;
    m_bTypePosSaved = m_bTypePosRestore = 0;
    m_bHeadBlocked = 0;
    m_bJumpBlocked = 0;
    m_nJumpHold = 0;
    m_nFootEffect = 0;
    m_dFootEffectValue = 0;
    m_nFootEffectTimer = 0;
    m_nItemBlockWait = 0;
    m_nFrameCount = 0;
    m_bJumpArmed = 1;
    m_dFootEffectBase = 4.0 / g_Stage.m_dSubSteps;

    // Gap: the hit-box display records are rebuilt here
    // (cHero::BuildHitboxOverlays) once the hero's drawing exists.
    m_TouchedItems.clear();
    // Gap: the hero's own flows are built here (cChara::BuildFlows, mode 0,
    // -1) once the flows inside a chara exist.
}

void cHero::GetBoxLayout(int& offsetX, int& offsetY, int& width, int& height) const {
    const cStageInfo& st = g_Stage;
    const bool flying = m_Def.m_cFlight != 0;
    width = StageBoxSize(flying ? st.m_nHeroFlyPicW : st.m_nHeroPicW);
    height = StageBoxSize(flying ? st.m_nHeroFlyPicH : st.m_nHeroPicH);
    offsetX = (32 - width) / 2;
    offsetY = (flying ? st.m_nHeroFlyPicAlign : st.m_nHeroPicAlign) ? 32 - height : (32 - height) / 2;
}

void cHero::SetMoveType(int type, int rescale, int savePos, int markRestore) {
    const bool wasFlying = m_bFly != 0;
    const bool changed = m_Def.m_cFlight != type;
    m_Def.m_cFlight = static_cast<int8_t>(type);
    cGameObj::SetMoveType(type);

    if (savePos) {
        m_bTypePosSaved = 1;
        m_TypeChangePos = {m_dX, m_dY, m_dRight, m_dBottom};
    }
    if (changed) {
        m_nTypeChangeWait = 2;
        if (markRestore) m_bTypePosRestore = 1;
    }
    if (wasFlying && !m_bFly) m_dSpeedX = m_dSpeedY = m_dInertiaX = m_dInertiaY = 0;
    if (m_bFly && g_SystemData.Get(kSysSwitch818b) == 0) {
        m_bAirborne = 1;
        m_nAirSteps = g_Stage.m_nSubSteps8;
    }

    int offX = 0, offY = 0, w = 0, h = 0;
    GetBoxLayout(offX, offY, w, h);
    m_nWidth = m_nBaseWidth = w;
    m_nHeight = m_nBaseHeight = h;
    m_nOffsetX = m_nBaseOffsetX = offX;
    m_nOffsetY = m_nBaseOffsetY = offY;
    m_nSpriteW = m_nBaseSpriteW = 32;
    m_nSpriteH = m_nBaseSpriteH = 32;

    const cStageInfo& st = g_Stage;
    const int shotW = StageBoxSize(st.m_nHeroShotHitW), shotH = StageBoxSize(st.m_nHeroShotHitH);
    switch (m_Def.m_cMapBox) {
    case 1: SetBodyBox(0, shotW, shotH); break;
    case 2: SetBodyBox(0, StageBoxSize(st.m_nHeroShotBoxW), StageBoxSize(st.m_nHeroShotBoxH)); break;
    case 3: SetBodyBox(0, 32, 32); break;
    default:
        if (m_bFly)
            SetBodyBox(st.m_nHeroFlyBodyAlign, StageBoxSize(st.m_nHeroFlyBodyW), StageBoxSize(st.m_nHeroFlyBodyH));
        else
            SetBodyBox(st.m_nHeroBodyAlign, StageBoxSize(st.m_nHeroBodyW), StageBoxSize(st.m_nHeroBodyH));
        break;
    }
    CentreBox(m_ShotBox, shotW, shotH, offX, offY);
    CentreBox(m_ItemBox, StageBoxSize(st.m_nHeroItemW), StageBoxSize(st.m_nHeroItemH), offX, offY);

    if (rescale) {
        const int s = ValidScale(m_Def.m_cGiantScale);
        m_nWidth *= s;
        m_nHeight *= s;
        m_nOffsetX *= s;
        m_nOffsetY *= s;
        m_nSpriteW *= s;
        m_nSpriteH *= s;
        ScaleBox(m_BodyBox, s);
        ScaleBox(m_ShotBox, s);
        ScaleBox(m_ItemBox, s);
    }
    // Gap: the hit-box display records are rebuilt here
    // (cHero::BuildHitboxOverlays) once the hero's drawing exists.
}

void cHero::ScaleHitboxes(int scale) {
    scale = ValidScale(scale);
    ScaleBox(m_BodyBox, scale);
    ScaleBox(m_ShotBox, scale);
    ScaleBox(m_ItemBox, scale);
    CheckBoundsX();
    CheckBoundsY();
}

void cHero::UpdateHitboxX() {
    PlaceBoxX(m_BodyBox, m_dX);
    PlaceBoxX(m_ShotBox, m_dX);
    PlaceBoxX(m_ItemBox, m_dX);
}

void cHero::UpdateHitboxY() {
    PlaceBoxY(m_BodyBox, m_dY);
    PlaceBoxY(m_ShotBox, m_dY);
    PlaceBoxY(m_ItemBox, m_dY);
}

void cHero::UpdateScreenRect() {
    const cScrollAxis& ax = g_pGameScene->m_ScrollX;
    const cScrollAxis& ay = g_pGameScene->m_ScrollY;
    m_nScreenL = ax.AutoScrolls() ? TruncDot(m_dX) - TruncDot(ax.m_dPos) - m_nOffsetX
                                  : TruncDot(m_dX - ax.m_dPos - m_nOffsetX);
    m_nScreenT = ay.AutoScrolls() ? TruncDot(m_dY) - TruncDot(ay.m_dPos) - m_nOffsetY
                                  : TruncDot(m_dY - ay.m_dPos - m_nOffsetY);
    m_nScreenR = m_nScreenL + m_nSpriteW - 1;
    m_nScreenB = m_nScreenT + m_nSpriteH - 1;
}

namespace {

// The camera at `pos` (the hero centred in the view), inside the axis's
// limits; an axis that scrolls by itself is left alone.
void FollowHero(cScrollAxis& a, double pos) {
    if (a.m_bAuto) return;
    if (pos < a.m_nLow)
        pos = a.m_nLow;
    else if (pos + a.m_nView >= a.m_nHigh)
        pos = a.m_nHigh - a.m_nView;
    a.m_dPos = pos;
}

}  // namespace

void cHero::CheckBoundsX() {
    FollowHero(g_pGameScene->m_ScrollX, m_dX - (320 - m_nWidth / 2));
    ClampPosX(m_bFly ? 0 : 1);
    m_dRight = m_dX + m_nWidth - 1;
}

void cHero::CheckBoundsY() {
    FollowHero(g_pGameScene->m_ScrollY, m_dY - (240 - m_nHeight / 2));
    ClampPosY(m_bFly ? 0 : 1);
}

// Stand-ins until the hero's jump and drawing exist.
void cHero::Jump(cCmdRun*) {}
void cHero::DrawOverlay(DDSURFACEDATA*) {}
void cHero::Draw(DDSURFACEDATA* surface, int paused) { cChara::Draw(surface, paused); }
