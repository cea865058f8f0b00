// Every chara of a stage but the hero: placed and summoned ones, kept by
// value in g_Charas. Each embeds the item it gives when defeated.
#pragma once
#include "objects/chara.h"
#include "objects/item.h"

class cStageChara : public cChara {
public:
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
    // The carried-item icon; arrives with the chara drawing.
    void DrawItemIcon(DDSURFACEDATA* /*surface*/) {}

    int32_t m_bInViewTest = 0;
    cItem m_Item;
    int32_t m_nItemIconTimer = 0;
    int32_t m_bIgnoreViewX = 0, m_bIgnoreViewY = 0;
    int32_t m_bActivated = 0;
};
