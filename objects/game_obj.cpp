#include "objects/game_obj.h"

#include <climits>
#include <cmath>

#include "stage/game_scene.h"

void cGameObj::CopyFrom(const cGameObj& other) {
    if (this != &other) cGameObj::operator=(other);
}

void cGameObj::InitBase(int id, int kind, int inputNo, int faction, int graphic, const int* const* patterns,
                        int startPattern, int offsetX, int offsetY, int width, int height, int spriteW,
                        int spriteH, int right, int moveType, int16_t spawnIndex) {
    m_nId = id;
    m_nKind = kind;
    m_nInputNo = inputNo;
    m_nFaction = faction;
    m_nGraphic = graphic;
    m_nLife = INT32_MAX;
    if (patterns) {
        m_Anime.Load(patterns);
        m_Anime.SetPattern(startPattern, true);
    }
    m_nOffsetX = m_nBaseOffsetX = offsetX;
    m_nOffsetY = m_nBaseOffsetY = offsetY;
    m_nWidth = m_nBaseWidth = width;
    m_nHeight = m_nBaseHeight = height;
    m_nSpriteW = m_nBaseSpriteW = spriteW;
    m_nSpriteH = m_nBaseSpriteH = spriteH;
    m_bRight = right;
    m_sSpawnIndex = spawnIndex;
    m_dSpeedX = m_dSpeedY = 0;
    m_dInertiaX = m_dInertiaY = 0;
    m_bActive = 0;
    m_bInView = 0;
    m_bAppeared = 0;
    SetMoveType(moveType);
}

void cGameObj::SetMoveType(int type) {
    switch (type) {
    case kMoveWalk: m_bFly = 0, m_cFlyMode = 1; break;
    case kMoveFlyThrough: m_bFly = 1, m_cFlyMode = 0; break;
    case kMoveFlyBlocked: m_bFly = 1, m_cFlyMode = 1; break;
    case kMoveFlyThird: m_bFly = 1, m_cFlyMode = 2; break;
    default: break;
    }
}

int cGameObj::GetMoveType() const {
    if (!m_bFly) return kMoveWalk;
    if (m_cFlyMode == 0) return kMoveFlyThrough;
    if (m_cFlyMode == 2) return kMoveFlyThird;
    return kMoveFlyBlocked;
}

void cGameObj::SetScale(int newScale, int oldScale, int flag) {
    newScale = ValidScale(newScale);
    oldScale = ValidScale(oldScale);
    if (newScale == oldScale) return;
    m_nWidth = newScale * m_nBaseWidth;
    m_nHeight = newScale * m_nBaseHeight;
    m_nOffsetX = newScale * m_nBaseOffsetX;
    m_nOffsetY = newScale * m_nBaseOffsetY;
    m_nSpriteW = newScale * m_nBaseSpriteW;
    m_nSpriteH = newScale * m_nBaseSpriteH;
    RecenterForScale(newScale, oldScale, flag);
    ScaleHitboxes(newScale);
}

void cGameObj::RecenterForScale(int newScale, int oldScale, int flag) {
    newScale = ValidScale(newScale);
    oldScale = ValidScale(oldScale);
    if (newScale == oldScale) return;
    RecenterXForScale(newScale, oldScale);
    OnScaleChange(newScale, oldScale, flag);
}

void cGameObj::RecenterXForScale(int newScale, int oldScale) {
    newScale = ValidScale(newScale);
    oldScale = ValidScale(oldScale);
    if (newScale == oldScale) return;
    m_dX -= (newScale - oldScale) * (m_nBaseWidth / 2);
    ClampPosX(2);
}

void cGameObj::UpdateScreenRect() {
    const cScrollAxis& ax = g_pGameScene->m_ScrollX;
    const cScrollAxis& ay = g_pGameScene->m_ScrollY;
    const double camX = ax.m_dPos;
    const double camY = ay.m_dPos;
    // The rounding differs by walking or flying and by whether the axis
    // scrolls by itself; a flying object in a view scrolling down sits one
    // dot lower. Pictures of recorded plays depend on each rule.
    if (!m_bFly || (!m_bFollowScroll && ax.AutoScrolls()))
        m_nScreenL = TruncDot(m_dX - m_nOffsetX - TruncDot(camX));
    else if (!ax.AutoScrolls())
        m_nScreenL = TruncDot(m_dX) - TruncDot(camX) - m_nOffsetX;
    else
        m_nScreenL = TruncDot(m_dX - camX) - m_nOffsetX;

    if (!m_bFly)
        m_nScreenT = TruncDot(m_dY - m_nOffsetY - TruncDot(camY));
    else if (!ay.AutoScrolls())
        m_nScreenT = TruncDot(m_dY) - TruncDot(camY) - m_nOffsetY;
    else
        m_nScreenT = TruncDot(m_dY - camY) - m_nOffsetY + 1;

    m_nScreenR = m_nScreenL + m_nSpriteW - 1;
    m_nScreenB = m_nScreenT + m_nSpriteH - 1;
}

bool cGameObj::IntersectsRect(double left, double top, double right, double bottom) const {
    return m_dX <= right && m_dRight >= left && m_dY <= bottom && m_dBottom >= top;
}
