#include "stage/game_scene.h"

#include "project/stage_info.h"

MenuPos g_MenuPos[3] = {{320, 272, 0, 0}, {320, 272, 0, 0}, {184, 64, 0, 0}};

cGameScene::cGameScene() = default;
cGameScene::~cGameScene() = default;
void cGameScene::Frame() {}
void cGameScene::Enter() {}
void cGameScene::FadeIn() {}
void cGameScene::Leave() {}

// The condition lists arrive with the play step; until then every block
// is present.
int cGameScene::CheckBlockConditions(cPltBlock&) { return 1; }

// ---------------------------------------------------------------------------
// Camera axes

void cScrollAxis::Clamp() {
    if (m_dPos <= m_nLow) {
        m_dPos = m_nLow;
        m_bAtLimit = 1;
    } else if (m_dPos + m_nView < m_nHigh) {
        m_bAtLimit = 0;
    } else {
        m_dPos = m_nHigh - m_nView;
        if (m_dPos < m_nLow) m_dPos = m_nLow;
        m_bAtLimit = 1;
    }
}

void cScrollAxis::Step() {
    m_dPos += m_dAutoSpeed;
    Clamp();
}

void cScrollAxis::SetAutoScroll(int on, int speed) {
    if (on) {
        m_bAuto = 1;
        m_dAutoSpeed = speed * 0.1 / g_Stage.m_dSubSteps;
    } else {
        m_bAuto = 0;
        m_dAutoSpeed = 0;
    }
}

void cScrollAxis::SetRange(int a, int b, int useLow, int useHigh) {
    // Tiles far outside any map would overflow the dot values.
    constexpr int kMaxTiles = 1 << 20;
    a = a < -kMaxTiles ? -kMaxTiles : (a > kMaxTiles ? kMaxTiles : a);
    b = b < -kMaxTiles ? -kMaxTiles : (b > kMaxTiles ? kMaxTiles : b);
    m_nLow = useLow ? m_nBaseLow + 32 * a : m_nBaseLow;
    if (useHigh) {
        m_nHigh = m_nBaseLow + 32 * (b + 1);
        if (m_nHigh < m_nLow) m_nHigh = m_nLow;
    } else {
        m_nHigh = m_nBaseHigh;
    }
}
