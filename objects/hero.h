// The player's chara, element 0 of g_Heroes.
#pragma once
#include <list>
#include <vector>

#include "flow/arrange.h"
#include "objects/chara.h"
#include "project/flow.h"

class cInputState;
class cItem;

// One hit-box display record of the game maker's box view.
struct HITBOXVIEW {
    int32_t type = 0;     // 0 the extent, 1 body box, 2 item box, 3 shot box
    int32_t mode = 0;     // 0 off, 1 frame, 2 filled
    int32_t palette = 0;  // 208 + 4 x colour group
    int32_t x = 0, y = 0, width = 0, height = 0;
    int32_t counter = 0;  // colour cycle, 0..31
};

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

    // Movement and update (objects/hero_move.cpp).
    int MoveX() override;
    int MoveY() override;
    int Update(bool deathFlowsOnly) override;
    // At the start of a sub-step: the foot block and the facing seen then.
    void SaveStepState();
    void SaveFacing();
    // In the two frames after a movement-type change: puts a saved
    // position back when a restore is pending; 1 while the window lasts.
    bool RestoreTypeChangePos();

    // Jump, items and drawing (objects/hero.cpp).
    void Jump(cCmdRun* run) override;
    bool IsNewItemTouch(cItem* item) const;
    void EndItemTouch(cItem* item);
    // Runs an item's command list at once; 2 when the hero has no HP
    // left, 1 stage clear, else 0.
    int RunItemCmds(cVector<cFlowCmd>& cmds);
    void ShowItemMessage(int kind, int message, int extra);
    void BuildHitboxOverlays();
    void Draw(DDSURFACEDATA* surface, int paused);
    // The limited-sight overlay over the screen.
    void DrawOverlay(DDSURFACEDATA* surface);

    cInputState* m_pInput = nullptr;
    int32_t m_nJumpHold = 0;
    int32_t m_bJumpArmed = 0;
    int32_t m_bJumpBlocked = 0;
    double m_dFootEffectBase = 0;
    int32_t m_bJumpDone = 0;
    // The player's directions or buttons are ignored this frame; set by
    // commands, cleared by the update.
    int32_t m_bDirInputOff = 0, m_bButtonInputOff = 0;
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
    std::vector<HITBOXVIEW> m_BoxViews;
    std::vector<cFlowCmd> m_DeferredCmds;  // change-flow commands run after the hero's flows
    std::list<PendingArrange> m_PendingArranges;
};
