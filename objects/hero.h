// The player's chara, element 0 of g_Heroes.
#pragma once
#include <list>

#include "objects/chara.h"

class cInputState;
class cItem;

class cHero : public cChara {
public:
    void ScaleHitboxes(int scale) override;
    void UpdateHitboxX() override;
    void UpdateHitboxY() override;
    // The view follows the hero, centred and held inside the scroll limits
    // unless the axis scrolls by itself; then the hero is kept in the play
    // range (walking) or the view (flying).
    void CheckBoundsX() override;
    void CheckBoundsY() override;

    // Set-up from the placed hero's definition (its giant scale 0 becomes
    // 1 there) at the origin in map dots.
    void Init(int id, cCharaDef& def, double originX, double originY, int extra);
    // Sprite offset and size of the walking or flying layout of the stage.
    void GetBoxLayout(int& offsetX, int& offsetY, int& width, int& height) const;
    // Walking (0) or flying (1..3), with the boxes of that layout.
    void SetMoveType(int type, int rescale, int savePos, int markRestore);
    // The screen rectangle; an auto-scrolling axis truncates camera and
    // position apart.
    void UpdateScreenRect();
    // The limited-sight overlay; arrives with the hero's drawing.
    void DrawOverlay(DDSURFACEDATA* /*surface*/) {}

    cInputState* m_pInput = nullptr;
    int32_t m_nJumpHold = 0;
    int32_t m_bJumpArmed = 0;
    int32_t m_bJumpBlocked = 0;
    double m_dFootEffectBase = 0;
    int32_t m_bJumpDone = 0;
    int32_t m_nSavedFacing = 0;
    int32_t m_bTypePosSaved = 0;
    Extent m_TypeChangePos;
    int32_t m_bTypePosRestore = 0;
    std::list<cItem*> m_TouchedItems;
    int32_t m_nFootEffect = 0;
    double m_dFootEffectValue = 0;
    int32_t m_nFootEffectTimer = 0;
    int32_t m_nItemBlockWait = 0;
    int32_t m_nFrameCount = 0;
    HITBOX m_ItemBox;
};
