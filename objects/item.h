// An item lying in a stage, or the item a chara carries until it is
// defeated. It keeps its own copy of its definition, whose item commands
// run when the hero takes it. Items do not move by themselves: they are
// placed on a tile and drawn with a two-frame anime and an optional icon.
#pragma once
#include <cstdint>

#include "gfx/dd.h"
#include "objects/game_obj.h"
#include "project/item_def.h"

class cItem : public cGameObj {
public:
    cItem();

    // Items have no hit boxes beyond the body.
    void ScaleHitboxes(int) override {}
    // Keeps the bottom of the sprite in place while the item grows.
    void OnScaleChange(int newScale, int oldScale, int flag) override;

    // Set-up from a definition; a giant scale of 0 becomes 1 in `def` itself.
    void Init(int id, cPltItem& def, int carried);
    // Puts the item on stage tile (tx, ty), margins not counted.
    void PlaceAtTile(int tx, int ty, int flag);
    void Draw(DDSURFACEDATA* surface, int paused);

    cPltItem m_Def;
    int32_t m_bCarried = 0;  // carried by a chara: active at once, never drawn or taken from the list
};
