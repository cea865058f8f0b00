// Every chara of a stage but the hero: placed and summoned ones, kept by
// value in g_Charas. Each embeds the item it gives when defeated.
#pragma once
#include <vector>

#include "objects/chara.h"
#include "objects/item.h"

// A box of w x h centred on the 32 x 32 cell of a sprite at (offX, offY),
// base and current values alike.
void CentreBox(HITBOX& box, int w, int h, int offX, int offY);
// Current offsets and size = scale x the base ones.
void ScaleBox(HITBOX& box, int scale);
// The box's edges for the body at x (or y).
void PlaceBoxX(HITBOX& box, double x);
void PlaceBoxY(HITBOX& box, double y);

// Pieces of the per-sub-step update that the hero and the other charas
// share (objects/chara_update.cpp). At its start: the chara becomes the
// scene's current chara, and what lasts one update is cleared (movement
// lock, friction on, vanish, anime request) while the type-change wait
// counts down.
void StartCharaUpdate(cChara& chara);
// A chara that follows the auto-scroll takes the speed of each scrolling
// axis (0 while an axis is stopped) on X and, flying, on Y; one that does
// not stands still on those axes. A walking chara keeps its Y speed.
void SyncCharaScroll(cChara& chara, bool follow);
// The scene's flow execution context, cleared once the chara's flows are
// done.
void ClearFlowContext();

class cStageChara : public cChara {
public:
    void ScaleHitboxes(int scale) override;
    void UpdateHitboxX() override;
    void UpdateHitboxY() override;
    cItem* GetItem() override { return &m_Item; }
    void CheckBoundsX() override;
    void CheckBoundsY() override;

    // Set-up at placement and summon: the definition (its giant scale 0
    // becomes 1 there), the carried item or null, the origin in map dots,
    // the copy index and the extra value.
    void Init(int id, cCharaDef& def, const cItem* item, double originX, double originY, int16_t copyIndex,
              int extra);
    // Puts the chara on stage tile (tx, ty), margins not counted.
    void PlaceAtTile(int tx, int ty);
    // Activity: in view (which marks the chara's appearance flag as seen),
    // then whether it acts.
    bool CheckInView(std::vector<char>& flags);
    bool CheckActivate(std::vector<char>& flags);

    int MoveX() override;
    int MoveY() override;
    int Update(bool deathFlowsOnly) override;
    void Jump(cCmdRun* run) override;

    // The carried-item icon, shown 33 of every 96 calls.
    void DrawItemIcon(DDSURFACEDATA* surface);

    int32_t m_bInViewTest = 0;
    cItem m_Item;
    int32_t m_nItemIconTimer = 0;
    int32_t m_bIgnoreViewX = 0, m_bIgnoreViewY = 0;
    int32_t m_bActivated = 0;
};
