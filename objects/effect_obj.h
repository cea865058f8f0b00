// Effects and pictures shown over a stage. They arrive with the commands
// that show them; until then the scene's lists stay empty.
#pragma once
#include <cstdint>

#include "gfx/dd.h"

struct HITBOX;

class cEffectObj {
public:
    // An effect of the Effect database where two boxes overlap, at the
    // attacker's giant scale.
    void InitAtHit(int /*effect*/, const HITBOX& /*a*/, const HITBOX& /*b*/, int8_t /*scale*/) {}
    // Draws one frame; 1 when the effect has ended.
    int Draw(int /*frozen*/) { return 1; }
};

class cPicture {
public:
    int32_t m_nLayer = 0;  // 0 behind the map's front blocks, 1 in front
    // Draws one frame from its surface; 1 when the picture has ended.
    int Draw(DDSURFACEDATA* /*target*/, DDSURFACEDATA* /*surface*/, int /*frozen*/) { return 1; }
};
